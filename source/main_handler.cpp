// The event handler of the six list layouts: timer and idle work (search
// deadline, select-key hold, the "Quik" gadget's refresh), opening, the
// drawn event (the launch record, a full view left open at the last quit),
// the close query, the command events and the user-drawn objects. Also the
// list state the commands read (selected row, sort mode of the category).
// Owns g_main.
#include "main_handler.h"

#include <cstring>

#include "list.h"
#include "sort.h"

MainState g_main;

const FourCC MAIN_LAYOUTS[MAIN_LAYOUT_COUNT] = {FCC("Main"), FCC("Indx"), FCC("Splt"),
                                                FCC("Bare"), FCC("Fing"), FCC("Dial")};

namespace {

// The list flags of the first drawing after an open: lay the form out,
// build the display list, measure the columns.
constexpr uint16_t FIRST_DRAW_FLAGS = LIST_DRAW_LAYOUT | LIST_DRAW_REBUILD | LIST_DRAW_MEASURE;

bool isIndexLetter(FourCC c) {
  return (c & 0xFFFFFF00u) == (FCC("IdxA") & 0xFFFFFF00u) && (c & 0xFF) >= 'A' && (c & 0xFF) <= 'Z';
}

// Commands that continue a typed search instead of ending it.
bool keepsSearch(FourCC c) { return c == FCC("FinS") || c == FCC("FinE") || isIndexLetter(c); }

// The hold highlight and the hold action (with its hint when the hold
// dials); 9 ("Normal") has none.
void runHoldAction(GuiForm* form) {
  if (g_prefs.holdAction == ACTION_NORMAL) return;
  if (g_prefs.holdAction == ACTION_DIAL) (void)MainShowHint(FCC("tHld"));
  MainDrawHoldHighlight(form);
  (void)MainRunAction(form, g_prefs.holdAction);
}

// 0 and 103: the search deadline, the select-key and list holds and the
// gadget clock.
void onTick(GuiForm* form) {
  uint32_t now = HOST_Ticks();
  if (g_main.seekDeadline != 0 && int32_t(now - g_main.seekDeadline) >= 0) MainClearSearch(form);
  if (g_main.penDownSince != 0 && !g_main.penHoldDone &&
      now - g_main.penDownSince >= MAIN_LIST_HOLD_TICKS && g_prefs.holdAction != ACTION_NORMAL) {
    g_main.penHoldDone = true;  // the tap that ends this press is not a tap
    runHoldAction(form);
  }
  if (GUI_KeyHeld(FCC("SLCT"))) {
    if (g_main.selectHeldSince == 0) {
      g_main.selectHeldSince = now | 1;  // never 0 while held
    } else if (!g_main.selectHoldDone && now - g_main.selectHeldSince >= MAIN_SELECT_HOLD_TICKS &&
               g_prefs.holdAction != ACTION_NORMAL) {
      g_main.selectHoldDone = true;
      MainDrawHoldHighlight(form);
      (void)MainRunAction(form, g_prefs.holdAction);
    }
  } else {
    g_main.selectHeldSince = 0;
    g_main.selectHoldDone = false;
  }
  int32_t second = int32_t(now / 1000);
  if (g_main.quikSecond >= 0 && second >= g_main.quikSecond + MAIN_QUIK_PERIOD_SECONDS &&
      GUI_HasObject(form, FCC("Quik"))) {
    g_main.quikSecond = second;  // kept even when the gadget is not drawn now
    (void)GUI_Redraw(form, FCC("Quik"));
  }
}

// 2: the layout becomes the start layout; the pad, the sort buttons, the
// sort table, the categories and the splitter are set up.
void onOpen(FourCC formTag, GuiForm* form) {
  g_prefs.startForm = formTag;
  MainPadClear();
  // "Start in number mode" applies to the dial pad layout only.
  g_main.numberMode = formTag == FCC("Dial") && g_prefs.numberMode;
  g_main.seekActive = false;
  g_main.seekDeadline = 0;
  g_main.selectedRow = 0;
  g_main.justOpened = true;
  MainUpdateSortButtons(form);
  Err err = SortOpen(SORT_CHECK);
  // The hints wait for the list: a tip over an empty screen reads as a
  // missing address book.
  g_main.openHints = 0;
  if (err == SORT_BUILT || err == SORT_VALID) g_main.openHints |= 1;
  MainFillCategories(form);
  if (formTag == FCC("Dial")) g_main.openHints |= 2;
  (void)GUI_SetValue(form, FCC("Drag"), g_prefs.splitterPosition);
}

// 3: draw the list; then the launch record or the full view the last run
// quit in. The full view is reopened only after the open: a later redraw
// must not bring it back.
void onDrawn(GuiForm* form) {
  bool first = g_main.justOpened;
  g_main.justOpened = false;
  MainListDraw(form, first ? FIRST_DRAW_FLAGS : 0);
  if (first) {
    uint8_t hints = g_main.openHints;
    g_main.openHints = 0;
    if (hints & 1) (void)MainShowHint(FCC("tScn"));
    if (hints & 2) (void)MainShowHint(FCC("tPad"));
  }
  if (g_prefs.pendingRecord >= 0) {
    (void)MainSelectRecord(g_prefs.pendingRecord);
    g_prefs.pendingRecord = -1;
    (void)MainPendingCommand(form, FCC("Full"), MainCurrentRecord(), MAIN_PENDING_QUIET);
  } else if (first && g_prefs.quitInFullView && MainCurrentRecord() >= 0) {
    (void)MainPendingCommand(form, FCC("Full"), MainCurrentRecord(), MAIN_PENDING_QUIET);
  }
}

// 4: remember the layout and the splitter; never refuses.
void onCloseQuery(FourCC formTag, GuiForm* form) {
  MainListUpdateState(form);
  g_prefs.startForm = formTag;
  int32_t value = 0;
  if (GUI_GetValue(form, FCC("Drag"), &value) == 0) g_prefs.splitterPosition = int16_t(value);
}

// 8, 9, 10: the command; a key no command takes goes to the typed search.
int16_t onCommand(GuiForm* form, int16_t kind, FourCC code) {
  if (kind != FORM_EVT_KEY && !keepsSearch(code)) MainClearSearch(form);
  if (MainRunCommand(form, code)) return 1;
  if (kind != FORM_EVT_KEY) return 0;
  if (MainDeveloperKey(form, code)) return 1;
  if ((code >= 0x20 && code <= 0xFF) || code == 8) {
    (void)MainListSeekKey(form, code, true);
    g_main.seekActive = true;
    g_main.seekDeadline = HOST_Ticks() + uint32_t(g_prefs.seekTimeoutMs);
    return 1;
  }
  return 0;
}

// 5 and 6: a press on the list starts the hold clock; the hot spot still
// takes the pen.
void onPen(GuiForm* form, int16_t kind, int32_t x, int32_t y) {
  if (kind != FORM_EVT_PEN_DOWN) {
    if (kind == FORM_EVT_PEN_UP) g_main.penDownSince = 0;
    MainListPen(form, kind, x, y);
    return;
  }
  GfxRect r{};
  g_main.penHoldDone = false;
  g_main.penDownSince = 0;
  g_main.lastPenX = x;
  if (GUI_GetBounds(form, FCC("List"), &r) == 0 && x >= r.x && y >= r.y && x < r.x + r.w &&
      y < r.y + r.h) {
    g_main.penDownSince = HOST_Ticks() | 1;
    MainListPen(form, kind, x, y);
  }
}

// 16: the objects the application draws.
int16_t onObjectDrawn(GuiForm* form, FourCC tag) {
  if (tag == FCC("Quik")) {
    GfxRect r{};
    if (GUI_GetBounds(form, tag, &r) != 0) return 0;
    int16_t w = 0, h = 0;
    if (GFX_BitmapSize(FCC("@Qik"), &w, &h) != 0) return 0;
    GfxCanvas canvas = GUI_FormCanvas(form);
    GfxRect old = GFX_SetClip(&canvas, &r);
    (void)GFX_DrawBitmap(&canvas, FCC("@Qik"), int16_t(r.x + (r.w - w) / 2),
                         int16_t(r.y + (r.h - h) / 2));
    GFX_SetClip(&canvas, &old);
    g_main.quikSecond = int32_t(HOST_Ticks() / 1000);
    return 1;
  }
  if (tag == FCC("List") || tag == FCC("Data")) {
    MainDrawEmptyArea(form, tag);
    return 1;
  }
  return 0;
}

}  // namespace

void MainReset() {
  memset(&g_main, 0, sizeof g_main);
  ListReset();
  g_main.selectedRow = -1;
  g_main.lastTapRow = -1;
  g_main.quikSecond = -1;
}

int MainLayoutIndex(FourCC formTag) {
  for (int i = 0; i < MAIN_LAYOUT_COUNT; ++i)
    if (MAIN_LAYOUTS[i] == formTag) return i;
  return -1;
}

int16_t MainHandleEvent(FourCC formTag, GuiForm* form, uintptr_t userValue, uintptr_t operand,
                        int16_t kind, uintptr_t a1, uintptr_t a2, uintptr_t a3, uintptr_t a4,
                        uintptr_t a5) {
  (void)userValue, (void)a2, (void)a3, (void)a4, (void)a5;
  switch (kind) {
    case FORM_EVT_TICK:
    case FORM_EVT_IDLE:
      onTick(form);
      return 0;
    case FORM_EVT_OPEN:
      onOpen(formTag, form);
      return 1;
    case FORM_EVT_DRAWN:
      onDrawn(form);
      return 1;
    case FORM_EVT_CLOSE_QUERY:
      onCloseQuery(formTag, form);
      return 0;
    case FORM_EVT_PEN_DOWN:
    case FORM_EVT_PEN_MOVE:
    case FORM_EVT_PEN_UP:
      onPen(form, kind, int32_t(intptr_t(operand)), int32_t(intptr_t(a1)));
      return 0;
    case FORM_EVT_CONTROL:
    case FORM_EVT_KEY:
      return onCommand(form, kind, FourCC(a1));
    case FORM_EVT_MENU:
      return onCommand(form, kind, FourCC(operand));
    case FORM_EVT_VALUE:
      if (FourCC(operand) != FCC("Drag")) return 0;
      MainListDraw(form, 0);
      return 1;
    case FORM_EVT_INPUT:
      if (g_main.seekDeadline != 0)
        g_main.seekDeadline = HOST_Ticks() + uint32_t(g_prefs.seekTimeoutMs);
      return 0;
    case FORM_EVT_OBJECT_DRAWN:
      return onObjectDrawn(form, FourCC(a1));
    default:
      return 0;
  }
}

// ---------------------------------------------------------------------------
// The list as the commands see it.

int16_t MainSortMode() {
  int16_t category = g_prefs.currentCategory;
  if (category < -1 || category > 15) category = -1;
  uint16_t mode = g_prefs.sortModeByCategory[category + 1];
  return mode <= 2 ? int16_t(mode) : 0;
}

int32_t MainCurrentRecord() {
  if (g_main.selectedRow < 0) return -1;
  const uint16_t* entries = nullptr;
  uint16_t count = SortGetList(nullptr, &entries, MainSortMode(), g_prefs.currentCategory, 0);
  if (count == 0 || !entries) return -1;
  // A row past the end (the list shrank) stands for the last row.
  if (g_main.selectedRow >= count) g_main.selectedRow = count - 1;
  return entries[g_main.selectedRow];
}

int32_t MainGuardedRecord(GuiForm* form) {
  return ContactCurrentRecord(form, MainSortMode(), g_prefs.currentCategory, LIST_CURRENT_RECORD);
}

bool MainSelectRecord(int32_t record) {
  int32_t row = ListRowOfRecord(record);
  if (row >= 0) g_main.selectedRow = row;
  return row >= 0;
}

void MainUpdateSortButtons(GuiForm* form) {
  int16_t mode = MainSortMode();
  (void)GUI_SetValue(form, FCC("SrtL"), !g_main.numberMode && mode == 0);
  (void)GUI_SetValue(form, FCC("SrtF"), !g_main.numberMode && mode == 1);
  (void)GUI_SetValue(form, FCC("SrtC"), !g_main.numberMode && mode == 2);
  (void)GUI_SetValue(form, FCC("SrtN"), g_main.numberMode);
}

void MainClearSearch(GuiForm* form) {
  g_main.seekDeadline = 0;
  if (!g_main.seekActive) return;
  g_main.seekActive = false;
  MainListSeekClear(form);
}
