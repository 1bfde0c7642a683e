// The main list screens: the event handler shared by the six list layouts
// ("Main", "Indx", "Splt", "Bare", "Fing", "Dial"), the command dispatch of
// menus, buttons and keys, the dial pad and its keypad name match, the
// one-time hints and the hardware buttons.
// Owns g_main: the typed-search deadline, the queued hardware action, the
// selected row, tap and hold timing, the category pop-up table and the
// number mode. The pad buffer itself lives in g_prefs (dialPad).
#pragma once

#include "dbase.h"
#include "kova_gui.h"
#include "prefs.h"

// The six list layouts in layout order (index = font slot).
inline constexpr int MAIN_LAYOUT_COUNT = 6;
extern const FourCC MAIN_LAYOUTS[MAIN_LAYOUT_COUNT];
// Layout index of a form tag, or -1 for a form that is not a list layout.
int MainLayoutIndex(FourCC formTag);

// Timing of the main screen, in ticks (milliseconds).
inline constexpr uint32_t MAIN_DOUBLE_TAP_TICKS = 1000;
inline constexpr uint32_t MAIN_SELECT_HOLD_TICKS = 400;
inline constexpr uint32_t MAIN_LIST_HOLD_TICKS = 600;
inline constexpr uint32_t MAIN_BUTTON_HOLD_TICKS = 600;
inline constexpr uint32_t MAIN_LETTER_JUMP_EXTRA_TICKS = 1000;
inline constexpr int32_t MAIN_QUIK_PERIOD_SECONDS = 10;
inline constexpr uint16_t MAIN_PAD_MAX = 19;  // digits the pad buffer holds

// Entries of the category pop-up: "All", the named categories, the
// categories-editing entry, then entries that run a find for their text.
inline constexpr int MAIN_CATEGORY_ENTRIES = 24;

struct MainState {
  uint32_t seekDeadline;  // ticks when the typed search ends; 0 = none
  bool seekActive;        // a typed search is running
  FourCC pendingAction;   // the command a hardware button queued ("Stuf")
  int32_t selectedRow;    // row of the display list; -1 = none
  uint32_t lastTapTicks;  // the previous "List" tap, for the double tap
  int32_t lastTapRow;
  uint32_t selectHeldSince;                   // 5-way select held since (0 = not held)
  bool selectHoldDone;                        // the hold action ran for this press
  uint32_t penDownSince;                      // the pen went down on the list (0 = not down)
  int32_t lastPenX;                           // where the pen last went down (form x)
  bool penHoldDone;                           // the list's hold action ran for this press
  int32_t quikSecond;                         // clock second of the last "Quik" drawing; -1 never
  bool justOpened;                            // no FORM_EVT_DRAWN since the open yet
  uint8_t openHints;                          // hints of the open, shown after the first drawing
  bool numberMode;                            // "SrtN": pad digits are a number to dial
  int16_t categoryCount;                      // entries before the categories-editing entry
  int16_t categoryEntries;                    // entries of the pop-up
  int16_t categoryOf[MAIN_CATEGORY_ENTRIES];  // pop-up position → category (-1 all)
};

extern MainState g_main;

// Clears g_main (start of a run, tests): nothing selected, no search.
void MainReset();

// The form handler of the six list layouts (FormEventHandler). Returns
// non-zero when it handled the event.
int16_t MainHandleEvent(FourCC formTag, GuiForm* form, uintptr_t userValue, uintptr_t operand,
                        int16_t kind, uintptr_t a1, uintptr_t a2, uintptr_t a3, uintptr_t a4,
                        uintptr_t a5);

// Runs one command of the main screen (menu item, button, key or action
// code command) on `form`. Returns true when the command is one of the
// screen's (also when it did nothing for want of a selected contact).
bool MainRunCommand(GuiForm* form, FourCC command);
// The command of an action code ("Full" for 0 …), or 0 for 8, 9 and codes
// without a command.
FourCC MainActionCommand(uint16_t action);
// Runs an action code through the command branches; false for codes that
// do nothing.
bool MainRunAction(GuiForm* form, uint16_t action);

// "Dele": asks, marks the selected contact deleted (moved behind the live
// records) and takes it out of the sort table; redraws.
void MainDeleteContact(GuiForm* form);
// "DFix": the repair dialog "DFix" with the detected native order, a
// confirmation for another order, the repair, its counts ("DFx2") and a
// rebuilt sort table; redraws.
void MainRepairDatabase(GuiForm* form);

// Opens the dialog or screen named by `command` for contact `recordIndex`
// (-1 none) of `db` (may be null: the database is opened as needed) and
// returns true when something changed that the list must show. "NewI" and
// "Dupe" act here; the other screens arrive with their own modules.
bool RunCommandDialog(FourCC command, ContactDb* db, int32_t recordIndex, uint16_t flags);

// ---------------------------------------------------------------------------
// The list as the commands see it.

// Sort mode of the current category (0 last name, 1 first name, 2 company).
int16_t MainSortMode();
// The contact of the selected row, or -1 when no row is selected or the
// list is empty.
int32_t MainCurrentRecord();
// Selects the row of contact `record` in the current list; false (nothing
// selected) when it is not listed.
bool MainSelectRecord(int32_t record);
// Sets the sort push buttons ("SrtL", "SrtF", "SrtC", and "SrtN" for the
// number mode) from the current category's sort mode.
void MainUpdateSortButtons(GuiForm* form);
// Fills the category pop-up ("LCat") and the trigger label ("TCat") from
// the contact database's category names.
void MainFillCategories(GuiForm* form);
// The trigger's label and the pop-up's selection for the current category.
void MainShowCategory(GuiForm* form);
// Switches to category `category` (-1 all): number mode off, first row,
// sort buttons and trigger updated, redraw requested.
void MainSwitchCategory(GuiForm* form, int16_t category);
// Ends a running typed search and clears its deadline.
void MainClearSearch(GuiForm* form);

// ---------------------------------------------------------------------------
// Alerts and hints.

// Shows alert `name` with up to eight texts (null-terminated list; may be
// null) and returns the button index from 0. Tests install their own
// answer through MainSetAlertHook (null restores the form manager's).
using MainAlertFn = int32_t (*)(FourCC name, const char* const* args);
void MainSetAlertHook(MainAlertFn fn);
int32_t MainAlert(FourCC name, const char* const* args);
// The contact store's alert hook over MainAlert (installed at launch).
int16_t MainContactAlert(FourCC name, const char* const* args, int16_t argCount);

// The `tipsShown` bit of a one-time hint ("tScn" 0x40 …), 0 for others.
uint32_t MainHintBit(FourCC hint);
// Shows hint `hint` unless its bit of `tipsShown` is set, then sets the
// bit. Returns the button chosen, or -1 when the hint was not shown.
int32_t MainShowHint(FourCC hint);

// ---------------------------------------------------------------------------
// The dial pad (g_prefs.dialPad, at most MAIN_PAD_MAX digits).

// Empties the pad buffer.
void MainPadClear();
// Appends digit `digit` ('0' … '9'); false when the buffer is full.
bool MainPadAppend(char digit);
// Removes the last digit; false when the buffer was empty.
bool MainPadBackspace();
// Narrows the display list to the contacts whose name spells the pad
// digits (or restores the whole list for an empty pad). Returns the rows
// kept, 0 when the list was left whole.
uint16_t MainPadFilter();
// Whether contact `rec`'s list name for sort mode `sortMode` spells the
// telephone-keypad digits `digits` from its start (letters through
// PadLetter to their key, any other character must equal the digit).
bool PadMatch(const ContactRec* rec, int16_t sortMode, const char* digits);
// The keypad digit of a letter "a" … "z", or 0.
char PadDigitOfLetter(uint8_t letter);
// The pad commands "Pad0" … "Pad9", "PadB" and the number mode "SrtN";
// false for any other command.
bool MainPadCommand(GuiForm* form, FourCC command);
// The form's title: the pad digits, or the program's name ("NAME") for an
// empty pad.
void MainShowPadTitle(GuiForm* form);

// ---------------------------------------------------------------------------
// Keys.

// Hardware buttons "APP1" … "APP5": hold detection and the queued action.
// Returns true when the button was taken (false when both button actions
// are "None").
bool MainHardwareButton(GuiForm* form, FourCC button);
// "PHN0" … "PHN9", "PHNH": the pad command the key stands for on this
// form, or 0.
FourCC MainPhoneKeyCommand(const GuiForm* form, FourCC key);
// The developer keys ("X", "I", "A", "D", "S"), active only at debug level
// DBG_LEVEL_VERBOSE or more. Returns true when the key was taken.
bool MainDeveloperKey(GuiForm* form, uint32_t key);

// ---------------------------------------------------------------------------
// Screens still to come (main_pending.cpp): each entry redraws the list and
// does nothing else until its module exists.

// Opens the sort table in `mode` (SORT_REBUILD, SORT_RESCAN, …) with the
// platform's progress dialog showing the build's stages. Returns SortOpen's
// result.
Err MainRebuildSortTable(int16_t mode);
// Settings commands ("View", "Font", "CPrf", "Secu", "Btns"): runs the
// dialog and updates the list; false for any other command.
bool MainSettingsCommand(GuiForm* form, FourCC command);
// Settings dialogs opened through RunCommandDialog ("pPrf", "Cate", "QPrf",
// "Abou"): false for any other command; *changed (may be null) tells
// whether anything changed.
bool MainSettingsDialog(FourCC command, bool* changed);
// Beaming and sending: the cards of `records` (record indexes) saved as a
// ".VCF" file the user picks; a series is named `seriesName`. Returns 0, or
// the error the user was shown (ERR_FORM_CANCELLED when cancelled).
Err MainSendRecords(const int32_t* records, uint32_t count, const char* seriesName, bool send);
// The same for every contact of the current list.
Err MainSendList(bool send);
// A sentence for the user saying why a file operation failed.
const char* MainErrorText(Err err);
// "Open from...": replaces the data folder's address book with a desktop
// user's backup or the device's, after asking; the old one is kept as
// "<name>.bak" and the sort table is rebuilt.
void MainOpenFrom(GuiForm* form);
// "Send to Handheld...": copies the address book into a desktop user's
// install folder (queued for the next HotSync) or onto the device.
void MainSendToHandheld(GuiForm* form);
// "SShw": the dialog choosing a phone label, then MainShowPhoneLabel and a
// redraw.
void MainShowPhoneCommand(GuiForm* form);
// Every contact of the current list whose shown phone does not carry phone
// label `label` (0-7) shows its last non-empty number with that label.
// Returns how many contacts changed.
uint16_t MainShowPhoneLabel(int16_t label);
// The business cards dialog ("BCrd" beams, "SCrd" sends). True when shown.
bool MainBusinessCards(FourCC command);

inline constexpr uint16_t MAIN_PENDING_QUIET = 1;  // no redraw (called while drawing)

// A main-screen command whose screen is not built yet: true when `command`
// is one of them (the list is redrawn unless MAIN_PENDING_QUIET).
bool MainPendingCommand(GuiForm* form, FourCC command, int32_t record, uint16_t flags);
// The screens RunCommandDialog opens that are not built yet; returns false
// (nothing changed).
bool MainPendingDialog(FourCC command, int32_t record, uint16_t flags);

// ListDraw flags of the list module.
inline constexpr uint16_t LIST_DRAW_NO_SELECTION = 0x01;
inline constexpr uint16_t LIST_DRAW_TWO_ROWS = 0x02;
inline constexpr uint16_t LIST_DRAW_TOP = 0x04;
inline constexpr uint16_t LIST_DRAW_DROP_SEARCH = 0x08;
inline constexpr uint16_t LIST_DRAW_LAYOUT = 0x20;
inline constexpr uint16_t LIST_DRAW_REBUILD = 0x40;
inline constexpr uint16_t LIST_DRAW_MEASURE = 0x80;

// The list module's operations as the handler calls them.
void MainListDraw(GuiForm* form, uint16_t flags);
bool MainListSeekKey(GuiForm* form, uint32_t character, bool extended);
void MainListSeekClear(GuiForm* form);
bool MainListJumpLetter(GuiForm* form, int16_t direction);
void MainListMove(GuiForm* form, int16_t amount);
void MainListTap(GuiForm* form);
// The pen events on the form (down, move, up) for the list's rows.
void MainListPen(GuiForm* form, int16_t kind, int32_t x, int32_t y);
void MainListUpdateState(GuiForm* form);
void MainDataStripCommand(GuiForm* form, FourCC command);
void MainDataStripStep(GuiForm* form, int16_t direction);
void MainDataStripTap(GuiForm* form);
// The hold highlight on the selected row.
void MainDrawHoldHighlight(GuiForm* form);
// Paints the user-drawn list area ("List") or data strip ("Data").
void MainDrawEmptyArea(GuiForm* form, FourCC tag);
// The contact the record commands act on (the selected row's, behind the
// password check for a private contact), or -1.
int32_t MainGuardedRecord(GuiForm* form);
