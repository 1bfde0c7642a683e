// Pop-up lists: a list's items shown over the form at an anchor (a popup
// trigger, a "Lstg" action) and tracked in a loop of their own until an item
// is chosen (pen release on it, Return) or the list is dismissed (a tap
// outside, Escape, quitting). The pen, arrows, Page Up/Down, the wheel and a
// typed first letter move the highlight. Owns the open list's state while it
// is shown (its drawing is the screen's overlay).
#include <algorithm>
#include <string>
#include <vector>

#include "gui_loop.h"
#include "kova_text.h"

namespace {

constexpr uint32_t FRAME = 0x8A8F98, BACK = 0xFFFFFF, TEXT = 0x000000, HOT_TEXT = 0xFFFFFF;
constexpr int32_t RUNNING = -2;

struct Popup {
  const GuiForm* form;
  const std::vector<std::string>* items;
  uint16_t font;
  GfxRect rect;  // screen pixels, frame included
  int16_t rowHeight, rows;
  int32_t top, hot;
};

Popup g_popup;

int32_t count() { return int32_t(g_popup.items->size()); }

// Where the list goes: over the anchor, as wide as its widest item, moved
// up or left as far as the screen needs.
void place(const GuiForm* form, const GfxRect& anchor) {
  Popup& p = g_popup;
  int16_t sw = 0, sh = 0;
  GuiScreenSize(&sw, &sh, nullptr);
  GfxRect fr = GuiFormScreenRect(form);
  p.rowHeight = int16_t(TXT_LineHeight(p.font) + 4);
  int32_t width = anchor.w;
  for (const std::string& s : *p.items)
    width = std::max(width, TXT_Width(p.font, s.c_str(), uint32_t(s.size())) + 16);
  width = std::min<int32_t>(width, sw);
  int32_t fit = std::max(1, (sh - 2) / p.rowHeight);
  p.rows = int16_t(std::min(count(), fit));
  int32_t height = p.rows * p.rowHeight + 2;
  int32_t x = std::clamp<int32_t>(fr.x + anchor.x, 0, std::max(0, sw - width));
  int32_t y = std::clamp<int32_t>(fr.y + anchor.y, 0, std::max(0, sh - height));
  p.rect = GfxRect{int16_t(x), int16_t(y), int16_t(width), int16_t(height)};
}

void reveal() {
  Popup& p = g_popup;
  if (p.hot < 0) return;
  if (p.hot < p.top) p.top = p.hot;
  if (p.hot >= p.top + p.rows) p.top = p.hot - p.rows + 1;
}

void scrollBy(int32_t rows) {
  Popup& p = g_popup;
  p.top = std::clamp<int32_t>(p.top + rows, 0, std::max(0, count() - p.rows));
}

void drawPopup(GfxCanvas* c, uintptr_t) {
  const Popup& p = g_popup;
  GfxRect r = p.rect;
  GFX_FillRect(c, GfxRect{int16_t(r.x + 2), int16_t(r.y + 2), r.w, r.h}, 0x9A9EA6);
  GFX_FillRect(c, r, BACK);
  GFX_FrameRect(c, r, FRAME, 1);
  uint32_t hotBack = p.form->colours[COL_TITLE];
  for (int32_t i = 0; i < p.rows && p.top + i < count(); i++) {
    int32_t item = p.top + i;
    GfxRect row{int16_t(r.x + 1), int16_t(r.y + 1 + i * p.rowHeight), int16_t(r.w - 2),
                p.rowHeight};
    if (item == p.hot) GFX_FillRect(c, row, hotBack);
    const std::string& s = (*p.items)[size_t(item)];
    GfxCanvas clipped = *c;
    (void)GFX_SetClip(&clipped, &row);
    (void)TXT_Draw(&clipped, p.font, s.c_str(), uint32_t(s.size()), int16_t(row.x + 6),
                   int16_t(row.y + 2), item == p.hot ? HOT_TEXT : TEXT);
  }
  if (count() > p.rows) {  // a thin bar shows where the visible rows lie
    int32_t track = r.h - 4, knob = std::max<int32_t>(8, track * p.rows / count());
    int32_t at = (track - knob) * p.top / std::max(1, count() - p.rows);
    GFX_FillRect(c, GfxRect{int16_t(r.x + r.w - 4), int16_t(r.y + 2 + at), 2, int16_t(knob)},
                 FRAME);
  }
}

int32_t rowAt(int16_t x, int16_t y) {
  const Popup& p = g_popup;
  if (x < p.rect.x || x >= p.rect.x + p.rect.w || y < p.rect.y + 1 ||
      y >= p.rect.y + 1 + p.rows * p.rowHeight)
    return -1;
  int32_t item = p.top + (y - p.rect.y - 1) / p.rowHeight;
  return item < count() ? item : -1;
}

// The next item starting with a letter, after the highlighted one.
int32_t byLetter(int32_t code) {
  auto lower = [](int32_t c) { return c >= 'A' && c <= 'Z' ? c + 32 : c; };
  for (int32_t k = 1; k <= count(); k++) {
    int32_t i = (std::max(g_popup.hot, int32_t(-1)) + k) % count();
    const std::string& s = (*g_popup.items)[size_t(i)];
    if (!s.empty() && lower(uint8_t(s[0])) == lower(code)) return i;
  }
  return g_popup.hot;
}

int32_t key(int32_t code) {
  Popup& p = g_popup;
  switch (code) {
    case 27:
      return -1;
    case '\n':
    case FCC("SLCT"):
      return p.hot >= 0 ? p.hot : RUNNING;
    case FCC("SCUP"):
      p.hot = std::max<int32_t>(0, p.hot - 1);
      break;
    case FCC("SCDN"):
      p.hot = std::min(count() - 1, p.hot + 1);
      break;
    case FCC("LsUp"):
      p.hot = std::max<int32_t>(0, p.hot - p.rows);
      break;
    case FCC("LsDn"):
      p.hot = std::min(count() - 1, p.hot + p.rows);
      break;
    default:
      if (code > 32 && code < 256) p.hot = byLetter(code);
      break;
  }
  reveal();
  return RUNNING;
}

// One input event; returns the choice, -1 when dismissed, RUNNING otherwise.
int32_t track(const GuiInput& in) {
  Popup& p = g_popup;
  switch (in.kind) {
    case GUI_IN_PEN_DOWN:
      if (rowAt(in.x, in.y) < 0 && !(in.x >= p.rect.x && in.x < p.rect.x + p.rect.w &&
                                     in.y >= p.rect.y && in.y < p.rect.y + p.rect.h))
        return -1;
      p.hot = rowAt(in.x, in.y);
      return RUNNING;
    case GUI_IN_PEN_MOVE:
      if (rowAt(in.x, in.y) >= 0) p.hot = rowAt(in.x, in.y);
      return RUNNING;
    case GUI_IN_PEN_UP:
      return rowAt(in.x, in.y) >= 0 ? rowAt(in.x, in.y) : RUNNING;
    case GUI_IN_WHEEL:
      scrollBy(-3 * in.code);
      return RUNNING;
    case GUI_IN_KEY:
      return key(in.code);
    case GUI_IN_RETURN:
      return key('\n');
    case GUI_IN_MENU_OPEN:
    case GUI_IN_CONTROL:
      return -1;
    default:
      return RUNNING;
  }
}

}  // namespace

int32_t GuiPopupList(GuiForm* form, GuiObject* list, GfxRect anchor) {
  if (!form || !list || list->control.items.empty()) return -1;
  Popup saved = g_popup;  // a pop-up opened from a handler inside another
  g_popup = Popup{form, &list->control.items, list->font, {}, 0, 0, 0, -1};
  place(form, anchor);
  g_popup.hot = list->control.value < count() ? list->control.value : -1;
  reveal();
  GuiSetOverlay(drawPopup, 0);
  GuiPresentScreen();
  int32_t choice = RUNNING;
  while (choice == RUNNING) {
    if (!GuiCallLoopHook(form) || !GuiPumpStep()) {
      choice = -1;
      break;
    }
    GuiInput in;
    if (!GuiInputTake(&in)) continue;
    if (in.kind != GUI_IN_PEN_MOVE || (in.code & 1))
      (void)GuiSendEvent(form, FORM_EVT_INPUT, uintptr_t(&form->result));
    choice = track(in);
    GuiPresentScreen();
  }
  g_popup = saved;
  GuiSetOverlay(saved.items ? drawPopup : nullptr, 0);
  GuiPresentScreen();
  return choice;
}
