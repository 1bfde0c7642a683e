// Button-like kinds: "BUTN" and the "BTNS" alert row (a framed face with the
// label centred, the default button with a bold frame), "PUSH" (stays
// checked; one of a group checked), "REPT" (selects again while held),
// "CHEK" (a box with a tick before the label) and "HOTS" (an invisible hot
// spot). All show a pressed look while the pen is down on them and select
// when the pen comes up inside. A "BUTN" with a picker action is a colour,
// date or time selector (gui_ctl_colour.cpp). State: the repeat clock of the
// held "REPT".
#include <algorithm>

#include "gui_ctl.h"

namespace {

constexpr uint32_t REPEAT_DELAY_MS = 750;  // held this long before the first repeat
constexpr uint32_t REPEAT_EVERY_MS = 200;  // then once per this period
uint32_t gRepeatNext = 0;                  // tick of the next repeat of the held "REPT"

// The label with its mnemonic underlined (when the label is the definition's).
void drawLabel(GuiForm* form, GuiObject* object, GfxCanvas* c, const GfxRect& r, int align) {
  const std::string& label = GuiLabel(object);
  uint32_t rgb = GuiTextColour(form, object);
  int16_t x = GuiTextIn(c, object->font, label, r, align, rgb);
  int32_t pos = object->mnemonicPos;
  if (object->control.textSet || pos < 0 || pos >= int32_t(label.size())) return;
  int32_t from = x + TXT_Width(object->font, label.data(), uint32_t(pos));
  int32_t width = TXT_Width(object->font, label.data() + pos, 1);
  int16_t y =
      int16_t(r.y + (r.h - TXT_LineHeight(object->font)) / 2 + TXT_Ascent(object->font) + 1);
  if (width > 1) GFX_Line(c, int16_t(from), y, int16_t(from + width - 1), y, rgb);
}

void drawButton(GuiForm* form, GuiObject* object, GfxCanvas* c) {
  if (GuiIsSelector(object)) {
    GuiDrawSelector(form, object, c);
    return;
  }
  const GfxRect& r = object->rect;
  GFX_FillRect(c, r, GuiColour(form, COL_BACK));
  uint32_t fill = GuiColour(form, COL_FILL), back = GuiColour(form, COL_BACK);
  bool down =
      object->control.pressed || (object->kind == FCC("PUSH") && object->control.value != 0);
  uint32_t face = down ? fill : GuiMix(back, fill, 1, 4);
  if (object->flags & OBJ_NO_FRAME) {
    if (down) GFX_FillRect(c, r, face);
  } else {
    bool bold = (object->flags & OBJ_BOLD_FRAME) || GuiIsDefaultButton(form, object);
    uint32_t frame = down ? GuiColour(form, COL_FOCUS) : GuiColour(form, COL_FRAME);
    GuiRoundFrame(c, r, frame, face, bold ? 2 : 1);
  }
  drawLabel(form, object, c, GuiInset(r, 1), 1);
}

// A time selector starts with no time (a date selector's 0 is no date).
void createButton(GuiForm*, GuiObject* object) {
  if (GuiIsSelector(object) && object->actionKind == FCC("TPck")) object->control.value = -1;
}

bool penButton(GuiForm* form, GuiObject* object, int16_t phase, int16_t x, int16_t y) {
  if (!object->control.enabled) return false;
  if (GuiTrackPress(form, object, phase, x, y)) GuiControlSelected(form, object, -1, -1);
  return true;
}

bool isSelectKey(int32_t code) { return code == FCC("SLCT") || code == ' '; }

bool keyButton(GuiForm* form, GuiObject* object, int32_t code) {
  if (!isSelectKey(code) || !object->control.enabled) return false;
  GuiControlSelected(form, object, -1, -1);
  return true;
}

// "PUSH": a group (1 … 32766) keeps exactly one checked; alone it toggles.
bool inGroup(const GuiObject* object) {
  return object->maxLength > 0 && object->maxLength < GUI_DEFAULT_MAX;
}

void selectPush(GuiForm* form, GuiObject* object) {
  GuiPushSetChecked(form, object, inGroup(object) ? true : object->control.value == 0);
  GuiControlSelected(form, object, object->control.value, -1);
}

bool penPush(GuiForm* form, GuiObject* object, int16_t phase, int16_t x, int16_t y) {
  if (!object->control.enabled) return false;
  if (GuiTrackPress(form, object, phase, x, y)) selectPush(form, object);
  return true;
}

bool keyPush(GuiForm* form, GuiObject* object, int32_t code) {
  if (!isSelectKey(code) || !object->control.enabled) return false;
  selectPush(form, object);
  return true;
}

// "REPT": selects at once, then again every 200 ms after 750 ms held.
bool penRepeat(GuiForm* form, GuiObject* object, int16_t phase, int16_t x, int16_t y) {
  if (!object->control.enabled) return false;
  (void)GuiTrackPress(form, object, phase, x, y);
  uint32_t now = HOST_Ticks();
  if (phase == 0) {
    gRepeatNext = now + REPEAT_DELAY_MS;
    GuiControlSelected(form, object, -1, -1);
  } else if (phase == 1 && object->control.pressed && int32_t(now - gRepeatNext) >= 0) {
    gRepeatNext = now + REPEAT_EVERY_MS;
    GuiControlSelected(form, object, -1, -1);
  }
  return true;
}

// "CHEK": a square box the height of the font with a tick when checked.
void drawCheck(GuiForm* form, GuiObject* object, GfxCanvas* c) {
  const GfxRect& r = object->rect;
  GFX_FillRect(c, r, GuiColour(form, COL_BACK));
  int16_t side = int16_t(std::min<int>(std::max(TXT_LineHeight(object->font) - 4, 8), r.h));
  GfxRect box{int16_t(r.x + 1), int16_t(r.y + (r.h - side) / 2), side, side};
  uint32_t face = object->control.pressed ? GuiColour(form, COL_FILL) : GuiColour(form, COL_BACK);
  uint32_t frame = object->control.enabled ? GuiColour(form, COL_FRAME)
                                           : GuiMix(GuiColour(form, COL_FRAME), face, 1, 2);
  GuiRoundFrame(c, box, frame, face, 1);
  if (object->control.value != 0)
    GuiTick(c, box, object->control.enabled ? GuiColour(form, COL_FORE) : frame);
  GfxRect text{int16_t(box.x + side + 3), r.y, int16_t(r.x + r.w - box.x - side - 3), r.h};
  drawLabel(form, object, c, text, 0);
}

void toggleCheck(GuiForm* form, GuiObject* object) {
  object->control.value = object->control.value ? 0 : 1;
  GuiRefresh(form, object);
  GuiControlSelected(form, object, object->control.value, -1);
}

bool penCheck(GuiForm* form, GuiObject* object, int16_t phase, int16_t x, int16_t y) {
  if (!object->control.enabled) return false;
  if (GuiTrackPress(form, object, phase, x, y)) toggleCheck(form, object);
  return true;
}

bool keyCheck(GuiForm* form, GuiObject* object, int32_t code) {
  if (!isSelectKey(code) || !object->control.enabled) return false;
  toggleCheck(form, object);
  return true;
}

// "HOTS": nothing to see; a tap selects it with the pen's place inside it.
bool penHotSpot(GuiForm* form, GuiObject* object, int16_t phase, int16_t x, int16_t y) {
  if (!object->control.enabled) return false;
  if (phase == 2 && GuiInside(object->rect, x, y))
    GuiControlSelected(form, object, x - object->rect.x, y - object->rect.y);
  return true;
}

}  // namespace

void GuiPushSetChecked(GuiForm* form, GuiObject* object, bool checked) {
  if (checked && inGroup(object)) {
    for (auto& o : form->objects) {
      GuiObject* other = o.get();
      if (other == object || other->kind != FCC("PUSH") || other->maxLength != object->maxLength ||
          other->control.value == 0)
        continue;
      other->control.value = 0;
      GuiRefresh(form, other);
    }
  }
  int32_t value = checked ? 1 : 0;
  if (object->control.value == value) return;
  object->control.value = value;
  GuiRefresh(form, object);
}

const GuiControlOps GUI_OPS_BUTN = {FCC("BUTN"), createButton, drawButton,
                                    penButton,   keyButton,    true};
const GuiControlOps GUI_OPS_BTNS = {FCC("BTNS"), nullptr, drawButton, penButton, keyButton, true};
const GuiControlOps GUI_OPS_PUSH = {FCC("PUSH"), nullptr, drawButton, penPush, keyPush, true};
const GuiControlOps GUI_OPS_REPT = {FCC("REPT"), nullptr, drawButton, penRepeat, keyButton, true};
const GuiControlOps GUI_OPS_CHEK = {FCC("CHEK"), nullptr, drawCheck, penCheck, keyCheck, true};
const GuiControlOps GUI_OPS_HOTS = {FCC("HOTS"), nullptr, nullptr, penHotSpot, nullptr, false};
