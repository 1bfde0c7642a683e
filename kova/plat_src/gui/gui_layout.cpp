// Laying a form out at its density: the form's rectangle on the screen
// (full-screen forms fill it, modal forms and alerts are centred, 240 units
// wide or as wide as their widest button row, and searched for their height when it is "Auto"; the
// modal 240 x 200 rule), the frame margins and the title bar, then every object from its kept
// rectangle tokens through the placement routine, a "BTNS" row as buttons of one width side by
// side. Re-evaluates the kept tokens; never reads the resource store. Owns no state.
#include <algorithm>
#include <vector>

#include "gui_forms.h"
#include "kova_text.h"

namespace {

constexpr int16_t DEFAULT_SCREEN_W = 360, DEFAULT_SCREEN_H = 600;

bool isModal(const GuiForm* form) { return form->flags & (FORM_MODAL | FORM_ALERT); }

void screenOf(const GuiForm* form, int32_t* w, int32_t* h) {
  *w = form->screenWidth > 0 ? form->screenWidth : DEFAULT_SCREEN_W;
  *h = form->screenHeight > 0 ? form->screenHeight : DEFAULT_SCREEN_H;
}

int32_t screenPos(const GuiValue& v, uint8_t farFlag, uint8_t midFlag, int32_t size, int32_t screen,
                  bool modal) {
  int64_t pos = v.value;
  if (v.flags & PLACE_AUTO) {
    if (v.flags & farFlag) return int32_t(screen - size + pos);
    if ((v.flags & midFlag) || modal) return int32_t((screen - size) / 2 + pos);
    return int32_t(pos);
  }
  if (v.flags & farFlag) pos -= size;
  if (v.flags & midFlag) pos -= size / 2;
  return int32_t(std::clamp<int64_t>(pos, -32768, 32767));
}

// The width the widest button row needs at the standard density, with its
// spacing and the frame: a dialog grows past 240 units for it.
int32_t rowsNeed(const GuiForm* form) {
  int32_t need = 0;
  for (size_t i = 0; i < form->objects.size(); i++) {
    const GuiObject* owner = form->objects[i].get();
    if (owner->kind != FCC("BTNS") || owner->rowOwner) continue;
    int64_t total = 2 * (int64_t(owner->marginX) + GuiGap(form, 100) + form->marginX);
    for (size_t k = i; k < form->objects.size(); k++) {
      const GuiObject* b = form->objects[k].get();
      if (k > i && b->rowOwner != owner) break;
      int32_t w, h;
      GuiContentSizeAt(form, b, 100, 0, &w, &h);
      total += w + (k > i ? GuiScaled(form, 4) : 0);
    }
    need = int32_t(std::max<int64_t>(need, std::min<int64_t>(total, 16000)));
  }
  return need;
}

// The form's rectangle on the screen. `keepSize`: the size stays as it is
// (set by the height search or the form cache).
void layoutFormRect(GuiForm* form, bool keepSize) {
  int32_t sw, sh;
  screenOf(form, &sw, &sh);
  bool modal = isModal(form);
  GuiValue v[4] = {{0, PLACE_AUTO}, {0, PLACE_AUTO}, {0, PLACE_AUTO}, {0, PLACE_AUTO}};
  if (form->rectTokens) {
    GuiExprContext ctx{
        form, GfxRect{0, 0, int16_t(sw), int16_t(sh)}, nullptr, true, form->scale, form->density,
        false};
    uint32_t pos = form->rectTokens;
    (void)GuiEvalExpr(&ctx, form->body.data(), uint32_t(form->body.size()), &pos, v, 4);
  }
  for (int i = 0; i < 4; i++) form->placeFlags[i] = v[i].flags;
  int32_t unitW = GuiScaled(form, 240), unitH = GuiScaled(form, 200);
  bool autoW = v[2].flags & PLACE_AUTO, autoH = v[3].flags & PLACE_AUTO;
  bool fillW = autoW && (v[2].flags & PLACE_LARGEST), fillH = autoH && (v[3].flags & PLACE_LARGEST);
  form->autoHeight = modal && autoH && !fillH;
  int32_t dialogW = std::min(std::max(unitW, rowsNeed(form)), sw);
  int64_t w = autoW ? (fillW || !modal ? sw : dialogW) + int64_t(v[2].value) : v[2].value;
  int64_t h =
      autoH ? (form->autoHeight ? sh - GuiScaled(form, 20) : sh) + int64_t(v[3].value) : v[3].value;
  bool centre = false;
  if (keepSize || (form->autoHeight && form->rect.w > 0 && form->rect.h > 0)) {
    w = form->rect.w;
    h = form->rect.h;
  } else if (modal && !form->autoHeight && w >= unitW && h >= unitH) {
    w = unitW;  // a dialog never grows past the handheld's 240 x 200
    h = unitH;
    centre = true;
  }
  w = std::clamp<int64_t>(w, 1, sw);
  h = std::clamp<int64_t>(h, 1, sh);
  int32_t x = centre ? int32_t((sw - w) / 2)
                     : screenPos(v[0], PLACE_AT_RIGHT, PLACE_AT_CENTRE, int32_t(w), sw, modal);
  int32_t y = centre ? int32_t((sh - h) / 2)
                     : screenPos(v[1], PLACE_AT_BOTTOM, PLACE_AT_MIDDLE, int32_t(h), sh, modal);
  x = std::clamp<int32_t>(x, 0, sw - int32_t(w));
  y = std::clamp<int32_t>(y, 0, sh - int32_t(h));
  form->rect = GfxRect{int16_t(x), int16_t(y), int16_t(w), int16_t(h)};
}

// The rectangle an object without "Rect" gets: alert buttons centred at the
// bottom, a message across the whole width, everything else flowing.
void defaultRect(const GuiObject* o, GuiValue v[4]) {
  for (int i = 0; i < 4; i++) v[i] = GuiValue{0, PLACE_AUTO};
  if (o->kind == FCC("BTNS")) {
    v[0].flags = 0x14;  // "Cntr"
    v[1].flags = 0x12;  // "Botm"
  } else if (o->kind == FCC("MESS")) {
    v[2].flags = 0x50;  // "AMax"
  }
}

// Evaluates the object's kept tokens (or its default); true when it hides.
bool objectValues(GuiForm* form, const GuiObject* o, const GuiPlacement& p, GuiValue v[4]) {
  defaultRect(o, v);
  if (!o->rectTokens) return false;
  GuiExprContext ctx{form, p.area, p.previous, true, form->scale, form->density, false};
  uint32_t pos = o->rectTokens;
  GuiValue got[4];
  (void)GuiEvalExpr(&ctx, form->body.data(), uint32_t(form->body.size()), &pos, got,
                    o->cordOnly ? 2 : 4);
  bool hide = ctx.hide;
  for (int i = 0; i < (o->cordOnly ? 2 : 4); i++) {
    v[i] = got[i];
    if (v[i].value == GUI_VALUE_HIDE) hide = true;
    if (v[i].value == GUI_VALUE_HIDE || v[i].value == GUI_VALUE_SHOW) v[i].value = 0;
  }
  return hide;
}

// A "BTNS" row: the owner at i and its further buttons after it, every one
// as wide as the widest when the row fits the client area so, else each at
// its own width; a width given to the row is shared out evenly.
size_t layoutRow(GuiPlacement* p, size_t i, const GuiValue v[4]) {
  GuiForm* form = const_cast<GuiForm*>(p->form);
  GuiObject* owner = form->objects[i].get();
  size_t n = 1;
  while (i + n < form->objects.size() && form->objects[i + n]->rowOwner == owner) n++;
  std::vector<int32_t> widths(n);
  int32_t widest = 0, bh = 0;
  int64_t natural = 0;
  for (size_t k = 0; k < n; k++) {
    int32_t h;
    GuiContentSizeAt(form, form->objects[i + k].get(), form->density, 0, &widths[k], &h);
    widest = std::max(widest, widths[k]);
    natural += widths[k];
    bh = std::max(bh, h);
  }
  int64_t gaps = int64_t(GuiRowGap(form)) * int64_t(n - 1);
  int64_t uniform = int64_t(widest) * int64_t(n) + gaps;
  int64_t room = int64_t(p->area.w) - 2 * (int64_t(owner->marginX) + p->gap);
  bool even = uniform <= room;
  int64_t total = even ? uniform : natural + gaps;
  GfxRect row = GuiPlace(p, owner, v, int32_t(std::min<int64_t>(total, 16000)), bh);
  if (row.w != total) {  // a size given to the row
    even = true;
    widest = int32_t(std::max<int64_t>(0, (row.w - gaps) / int64_t(n)));
  }
  int64_t x = row.x;
  for (size_t k = 0; k < n; k++) {
    int32_t bw = even ? widest : widths[k];
    int16_t bx = int16_t(std::clamp<int64_t>(x, -16000, 16000));
    form->objects[i + k]->rect = GfxRect{bx, row.y, int16_t(bw), row.h};
    x = bx + int64_t(bw) + GuiRowGap(form);
  }
  return n;
}

void layoutObjects(GuiForm* form) {
  GuiPlacement p{form, GuiClientArea(form), GuiGap(form, form->density), nullptr, 0};
  for (size_t i = 0; i < form->objects.size();) {
    GuiObject* o = form->objects[i].get();
    GuiValue v[4];
    p.placed = i;
    o->flags &= ~OBJ_HIDDEN;
    bool hide = objectValues(form, o, p, v);
    size_t n = 1;
    if (o->kind == FCC("BTNS") && !o->rowOwner) {
      n = layoutRow(&p, i, v);
    } else {
      o->rect = GuiPlace(&p, o, v, 0, 0);
    }
    for (size_t k = 0; k < n; k++) {
      GuiObject* placed = form->objects[i + k].get();
      if (hide) placed->flags |= OBJ_HIDDEN;
      if (!hide && !(placed->flags & OBJ_NOT_PREVIOUS)) p.previous = placed;
    }
    i += n;
  }
}

}  // namespace

int16_t GuiTitleHeight(const GuiForm* form) {
  if (!(form->flags & FORM_HAS_TITLE)) return 0;
  int32_t units = isModal(form) ? 12 : 15;
  return int16_t(std::max<int32_t>(GuiScaled(form, units), TXT_LineHeight(FONT_BOLD) + 2));
}

GfxRect GuiClientArea(const GuiForm* form) {
  int32_t top = GuiMenuBarHeight(form) + form->titleHeight + form->marginY;
  int32_t w = std::max(0, form->rect.w - 2 * form->marginX);
  int32_t h = std::max(0, form->rect.h - top - form->marginY);
  return GfxRect{form->marginX, int16_t(top), int16_t(w), int16_t(h)};
}

namespace {

void layoutWhole(GuiForm* form, bool keepSize) {
  int16_t margin = isModal(form) ? 4 : 0;
  form->marginX = form->marginY = margin;
  form->titleHeight = GuiTitleHeight(form);
  layoutFormRect(form, keepSize);
  layoutObjects(form);
}

}  // namespace

void GuiLayoutKeepSize(GuiForm* form) { layoutWhole(form, true); }

void GuiLayoutForm(GuiForm* form) { layoutWhole(form, false); }
