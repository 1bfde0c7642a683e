// The contact list of the six list layouts: rows drawn from the display
// list of the sort table (name, right-hand column, note marker, the masked
// private row), the selection and scrolling, the typed search, the letter
// jumps and the data strip under the list.
// Owns g_list. The selected row for the commands is g_main.selectedRow
// (main_handler.h); the list keeps it equal to top + selectedOffset and
// takes a row set from outside as a selection to scroll to.
#pragma once

#include "dbase.h"
#include "kova_gui.h"

// ListDraw flags (LIST_DRAW_* of main_handler.h name the same bits).
inline constexpr uint16_t LIST_NO_SELECTION = 0x01;  // leave the scroll bar, draw no selection
inline constexpr uint16_t LIST_TWO_ROWS = 0x02;      // only the selected and the previous row
inline constexpr uint16_t LIST_TOP = 0x04;           // scroll to the top, select the first row
inline constexpr uint16_t LIST_DROP_SEARCH = 0x08;   // drop find results, title back to "NAME"
inline constexpr uint16_t LIST_LAYOUT = 0x20;        // snap the list height, update sort buttons
inline constexpr uint16_t LIST_REBUILD = 0x40;       // rebuild the display list
inline constexpr uint16_t LIST_MEASURE = 0x80;       // measure the columns again

inline constexpr int LIST_SEEK_MAX = 20;  // typed characters of a search

// Data strip kinds (column 12 + kind of ContactColumnText).
inline constexpr int16_t DATA_PHONES = 0;
inline constexpr int16_t DATA_EMAILS = 1;
inline constexpr int16_t DATA_NAME = 2;
inline constexpr int16_t DATA_ADDRESSES = 3;

struct ListState {
  int16_t layout;          // 0 … 5 (MAIN_LAYOUTS), -1 before the first drawing
  uint16_t font;           // the list font of the layout
  int16_t rowHeight;       // the font's line height
  uint16_t count;          // rows of the display list
  int16_t visibleRows;     // whole rows the list area holds
  int32_t top;             // scroll value: the first visible row
  int16_t selectedOffset;  // the selected row's distance from `top`
  int32_t drawnRow;        // g_main.selectedRow as the last drawing left it (-1 none)
  int32_t previousRow;     // the row selected before, for the two-row redraw (-1 none)
  uint16_t paintFlags;     // the flags of the drawing in progress (for the painter)
  int32_t selectedRecord;  // contact index of the selected row, -1 none
  uint8_t firstLetter;     // upper-cased first character of the selected name
  char seekText[LIST_SEEK_MAX + 1];
  int16_t seekLength;
  bool seekElsewhere;    // the last typed search matched through another order
  bool seekFound;        // the last typed search step found a row
  bool seekDash;         // the match was found behind a leading "-"
  int16_t dataKind;      // DATA_*; -1 until the first strip drawing
  int16_t dataIndex;     // item of the kind shown
  int16_t phoneColumn;   // width of "888-888-8888" in the list font
  int16_t letterColumn;  // widest "$Ftp" letter + 2, at least 4
  int16_t noteColumn;    // width of a tab in font 3, plus 1
  bool measured;
  bool tapInLetter;    // the pen went down in the type-letter column
  int16_t letterRow;   // the visible row whose letter cell is highlighted (-1)
  bool penTracking;    // the pen went down on the names and follows the rows
  GfxRect listRect;    // the list area as the last layout left it
  int32_t paintedTop;  // `top` of the last painted list
  int32_t barValue;    // the scroll bar's value as the list last set it
  uint32_t moveTick;   // when the last small move arrived (key repeat pacing)
  uint32_t moveNext;   // when a repeated move may run again
  int16_t moveAmount;  // the amount of that move
};

extern ListState g_list;

// Clears the list state (start of a run, tests).
void ListReset();

// The font of font slot `slot` (0 … 5 the layouts, 6 the preview, 7 and 8
// the full view): a custom font (1000) is looked up, falling back to the
// standard font when it cannot be loaded.
uint16_t ListSlotFont(int slot);

// Draws the list of `form` (a list layout) with the LIST_* flags.
void ListDraw(GuiForm* form, uint16_t flags);
// Paints the list area (the "List" object's user drawing) from the state
// the last ListDraw left.
void ListPaint(GuiForm* form);

// Row of the first name (column = `order` with COL_SORT_KEY) that starts
// with `text` (compared case-insensitively) in the list of `order` for the
// current category, from row `start`: by bisection, or linearly wrapping
// around; -1 when none or the list is empty. `db` may be null (opened).
int32_t ListLookup(ContactDb* db, const char* text, int16_t order, int32_t start, bool linear);
// One step of the typed search; true when a row was selected.
bool ListSeekKey(GuiForm* form, uint32_t character, bool extended);
// An index tab: a fresh search for `letter` from the first row (the typed
// text is that letter, so more letters can follow); true when found.
bool ListSeekLetter(GuiForm* form, char letter);
// Ends a typed search and redraws.
void ListSeekClear(GuiForm* form);
// Selects the first row of the next (+1) or previous (-1) initial letter;
// true when one was found.
bool ListJumpLetter(GuiForm* form, int16_t direction);
// Moves the selection by `amount` rows within the visible rows, or pages
// (|amount| > 100).
void ListMove(GuiForm* form, int16_t amount);
// The pen went down at (x, y) on the list area: the row under it follows
// the pen until it is lifted; in the type-letter column the shown phone
// steps to the next number.
void ListTap(GuiForm* form, int32_t x, int32_t y);
// The pen moved to (x, y) while down (the selection follows it), and was
// lifted there (the letter column's phone step happens on the release).
void ListPenMove(GuiForm* form, int32_t x, int32_t y);
void ListPenUp(GuiForm* form, int32_t x, int32_t y);
// Makes `row` the selected row, scrolling when it is not visible; redraws
// when `redraw`.
void ListSelectRow(GuiForm* form, int32_t row, bool redraw);
// Selects the row of contact `record`; false when it is not listed.
bool ListSelectRecord(GuiForm* form, int32_t record);
// The row of contact `record` in the current category's list of the current
// sort mode, or -1.
int32_t ListRowOfRecord(int32_t record);

// The contact of the selected row, or -1: with an empty list, or when the
// row is a private contact at security level 1 (unless LIST_CURRENT_NO_CHECK)
// that the password check did not unlock: a right password unlocks private
// contacts for the rest of the run, a level chosen instead becomes
// `securityLevel`. With LIST_CURRENT_RECORD the row is mapped to its contact
// index, otherwise the row itself is returned.
inline constexpr uint16_t LIST_CURRENT_NO_CHECK = 1;
inline constexpr uint16_t LIST_CURRENT_RECORD = 2;
int32_t ContactCurrentRecord(GuiForm* form, int16_t sortMode, int16_t category, uint16_t flags);
// True when the right password unlocked private contacts for this run.
bool ListPrivateUnlocked();

// Draws the data strip for contact `record` (-1 none) of `db` (may be null).
void DataStripDraw(GuiForm* form, ContactDb* db, int32_t record);
// "DNum", "DEml", "DAdd": the kind, or its next item; redraws the strip.
void DataStripCommand(GuiForm* form, FourCC command);
// A tap at x on the strip: right half forward, left half back.
void DataStripTap(GuiForm* form, int32_t x);
// One item forward (+1) or back (-1), moving over the kinds.
void DataStripStep(GuiForm* form, int16_t direction);
// Category number of category pop-up position `position` (-1 reads the
// "LCat" selection of `form`) through the pop-up's table (g_main); -1 for
// "All", the entries behind the categories and positions out of range.
// With `skipAll` the "All" entry is not a choice: position 0 gives -1.
int16_t CategoryFromList(GuiForm* form, int16_t position, bool skipAll);

// ---------------------------------------------------------------------------
// Helper "strip": the data strip's phone tidying.

// Writes `in` to `out` (at most `size` - 1 bytes, terminated) tidied as a
// phone number when it holds only digits, "-", ".", ",", "e", "(", ")",
// blanks, tabs and line feeds: ") " and " (" lose their blank, tabs and
// line feeds become blanks, a "(" at the start goes, other brackets become
// "-" and "e" becomes "/". Other text is copied as it is. Returns whether
// the text was tidied; false also for an empty or null text.
bool DataStripTidyPhone(const char* in, char* out, uint32_t size);
