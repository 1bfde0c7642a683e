// The list module as the main screen's handler and commands call it: the
// drawing, the typed search, moves and taps, the data strip, the hold
// highlight, and the user-drawn "List" and "Data" objects.
// Owns no state beyond g_list (list.h).
#include "list.h"
#include "main_handler.h"

void MainListDraw(GuiForm* form, uint16_t flags) { ListDraw(form, flags); }

bool MainListSeekKey(GuiForm* form, uint32_t character, bool extended) {
  return ListSeekKey(form, character, extended);
}

void MainListSeekClear(GuiForm* form) { ListSeekClear(form); }

bool MainListJumpLetter(GuiForm* form, int16_t direction) {
  return ListJumpLetter(form, direction);
}

void MainListMove(GuiForm* form, int16_t amount) { ListMove(form, amount); }

// The pen itself is followed from the pen events (MainListPen); the tap
// that ends it has nothing left to do here.
void MainListTap(GuiForm* form) { (void)form; }

void MainListPen(GuiForm* form, int16_t kind, int32_t x, int32_t y) {
  if (kind == FORM_EVT_PEN_DOWN)
    ListTap(form, x, y);
  else if (kind == FORM_EVT_PEN_MOVE)
    ListPenMove(form, x, y);
  else if (kind == FORM_EVT_PEN_UP)
    ListPenUp(form, x, y);
}

// Leaving the screen: the strip's kind is kept for the next start.
void MainListUpdateState(GuiForm* form) {
  (void)form;
  if (g_list.dataKind >= 0) g_prefs.dataKindLast = uint16_t(g_list.dataKind);
}

void MainDataStripCommand(GuiForm* form, FourCC command) { DataStripCommand(form, command); }

void MainDataStripStep(GuiForm* form, int16_t direction) { DataStripStep(form, direction); }

void MainDataStripTap(GuiForm* form) {
  // The tap's place: the last pen position the form saw, from the strip's
  // left edge.
  GfxRect strip{};
  if (GUI_GetBounds(form, FCC("Data"), &strip) != 0) return;
  DataStripTap(form, g_main.lastPenX - strip.x);
}

// Two nested frames on the selected row in the list's background and text
// colours.
void MainDrawHoldHighlight(GuiForm* form) {
  GfxRect area{};
  if (!form || GUI_GetBounds(form, FCC("List"), &area) != 0 || g_list.count == 0) return;
  GfxRect row{area.x, int16_t(area.y + g_list.selectedOffset * g_list.rowHeight), area.w,
              g_list.rowHeight};
  GfxCanvas canvas = GUI_FormCanvas(form);
  GfxRect old = GFX_SetClip(&canvas, &area);
  GFX_FrameRect(&canvas, row, g_prefs.listColours[1], 1);
  GfxRect inner{int16_t(row.x + 1), int16_t(row.y + 1), int16_t(row.w - 2), int16_t(row.h - 2)};
  GFX_FrameRect(&canvas, inner, g_prefs.listColours[2], 1);
  GFX_SetClip(&canvas, &old);
  GUI_FormShow(form);
}

void MainDrawEmptyArea(GuiForm* form, FourCC tag) {
  if (tag == FCC("List"))
    ListPaint(form);
  else if (tag == FCC("Data"))
    DataStripDraw(form, nullptr, g_list.selectedRecord);
}
