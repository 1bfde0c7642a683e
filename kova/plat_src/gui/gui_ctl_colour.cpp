// The selectors: a "BUTN" whose action is "CPck" shows a swatch of its
// colour (0x00RRGGBB) inside its frame; "DPck", "DOff" and "TPck" show
// their date or time as the face's text. A selection the handler leaves alone opens the
// matching picker over the form and keeps what the user chose. The value
// lives in the object's control value. Owns no state.
#include <algorithm>

#include "gui_ctl.h"
#include "kova_picker.h"

namespace {

constexpr uint32_t SECONDS_PER_DAY = 86400;

}  // namespace

bool GuiIsSelector(const GuiObject* object) {
  if (!object || object->kind != FCC("BUTN")) return false;
  FourCC a = object->actionKind;
  return a == FCC("CPck") || a == FCC("DPck") || a == FCC("DOff") || a == FCC("TPck");
}

void GuiDrawSelector(GuiForm* form, GuiObject* object, GfxCanvas* c) {
  const GfxRect& r = object->rect;
  GFX_FillRect(c, r, GuiColour(form, COL_BACK));
  bool down = object->control.pressed;
  uint32_t back = GuiColour(form, COL_BACK), fill = GuiColour(form, COL_FILL);
  uint32_t frame = down ? GuiColour(form, COL_FOCUS) : GuiColour(form, COL_FRAME);
  GuiRoundFrame(c, r, frame, down ? fill : GuiMix(back, fill, 1, 4), down ? 2 : 1);
  if (object->actionKind == FCC("CPck")) {
    GfxRect swatch = GuiInset(r, 3);
    if (swatch.w <= 0 || swatch.h <= 0) return;
    GFX_FillRect(c, swatch, uint32_t(object->control.value) & 0xFFFFFFu);
    GFX_FrameRect(c, swatch, GuiColour(form, COL_FRAME), 1);
    return;
  }
  (void)GuiTextIn(c, object->font, GuiSelectorText(object), GuiInset(r, 2), 1,
                  GuiTextColour(form, object));
}

void GuiRunSelector(GuiForm* form, GuiObject* object) {
  if (!form || !GuiIsSelector(object) || !object->control.enabled) return;
  uint32_t before = uint32_t(object->control.value);
  uint32_t v = before;
  bool chosen = false;
  if (object->actionKind == FCC("CPck")) {
    v &= 0xFFFFFFu;
    chosen = GUI_PickColour(nullptr, &v);
  } else if (object->actionKind == FCC("DPck")) {
    // No date yet: the picker starts at today.
    if (v == 0) v = GuiPickerNow() / SECONDS_PER_DAY * SECONDS_PER_DAY;
    chosen = GUI_PickDate(nullptr, &v);
  } else if (object->actionKind == FCC("DOff")) {
    // Days from today, for finds that move with the calendar: the picker
    // shows today plus the offset and the choice becomes whole days again.
    int64_t today = int64_t(GuiPickerNow() / SECONDS_PER_DAY * SECONDS_PER_DAY);
    int64_t days = GuiDateOffsetDays(int32_t(before));
    uint32_t at = uint32_t(std::clamp<int64_t>(today + days * SECONDS_PER_DAY, 0, UINT32_MAX));
    chosen = GUI_PickDate(nullptr, &at);
    v = uint32_t(int32_t((int64_t(at / SECONDS_PER_DAY * SECONDS_PER_DAY) - today)));
  } else {
    if (v >= SECONDS_PER_DAY) v = GuiPickerNow() % SECONDS_PER_DAY / 60 * 60;
    chosen = GUI_PickTime(nullptr, &v);
  }
  if (!chosen || v == before) return;
  object->control.value = int32_t(v);
  GuiRefresh(form, object);
  GuiValueChanged(form, object, int32_t(v), -1);
}
