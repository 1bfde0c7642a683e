// The form manager: every screen and dialog is a form, a tagged definition in
// the resource store ("FORM", alerts "ALRT") that is loaded, laid out for the
// window's size (cached per size in "Cached_Forms_Data_BrnL_%hd.dat"), drawn
// into its own surface and driven by one application event handler inside a
// modal loop per form. Controls are reached by their four-character tags.
// Owns the open-form list, the run state of the dialogs, the menu bar, the
// focus and the caret. Reaches the operating system only through HostOps, so
// it runs the same on the SDL and the headless backends.
#pragma once

#include "kova_gfx.h"
#include "kova_types.h"

struct GuiForm;
struct GuiObject;

// ---------------------------------------------------------------------------
// Events handed to the application's handler.

inline constexpr int16_t FORM_EVT_TICK = 0;  // timer tick at the run period
inline constexpr int16_t FORM_EVT_OPEN = 2;
inline constexpr int16_t FORM_EVT_DRAWN = 3;
inline constexpr int16_t FORM_EVT_CLOSE_QUERY = 4;
inline constexpr int16_t FORM_EVT_PEN_DOWN = 5;
inline constexpr int16_t FORM_EVT_PEN_UP = 6;
inline constexpr int16_t FORM_EVT_PEN_MOVE = 7;
inline constexpr int16_t FORM_EVT_CONTROL = 8;
inline constexpr int16_t FORM_EVT_KEY = 9;
inline constexpr int16_t FORM_EVT_MENU = 10;
inline constexpr int16_t FORM_EVT_UPDATE = 12;
inline constexpr int16_t FORM_EVT_VALUE = 13;
inline constexpr int16_t FORM_EVT_INPUT = 14;  // any user input (pen, key, menu, wheel)
inline constexpr int16_t FORM_EVT_FOCUS = 15;
inline constexpr int16_t FORM_EVT_OBJECT_DRAWN = 16;
inline constexpr int16_t FORM_EVT_OBJECT_DRAW = 17;
inline constexpr int16_t FORM_EVT_IDLE = 103;  // nothing waited this turn of the loop

// The handler gets (form tag, form, user value, operand, kind, a1 … a5) and
// returns non-zero when it handled the event (for a close query: refused).
// What operand and a1 … a5 carry per kind:
//   0, 2, 3, 4, 12, 14, 103   operand = uint32_t* dialog result
//   5, 6, 7 (pen)             operand = x, a1 = y (form coordinates)
//   8 (control)               operand = result, a1 = object tag, a2 = GuiObject*,
//                             a3 = object kind, a4 = value 1, a5 = value 2 (-1 when none)
//   9 (key)                   operand = result, a1 = key or command code
//   10 (menu)                 operand = the item's four-character name
//   13 (value)                operand = object tag, a1 = GuiObject*, a2 = kind,
//                             a3 = value 1, a4 = value 2
//   15 (focus)                operand = GuiObject* now focused (or 0), a1 = the one before
//   16, 17 (user-drawn)       operand = result, a1 = object tag, a2 = GuiObject*, a3 = flags
using FormEventHandler = int16_t (*)(FourCC formTag, GuiForm* form, uintptr_t userValue,
                                     uintptr_t operand, int16_t kind, uintptr_t a1, uintptr_t a2,
                                     uintptr_t a3, uintptr_t a4, uintptr_t a5);

// The same operands with names, for handlers that prefer them.
struct GuiEventInfo {
  uint32_t* result;        // null for kinds 5, 6, 7, 10, 13, 15
  FourCC code;             // key/command code (9), item name (10), object tag (8, 13, 16, 17)
  GuiObject* object;       // 8, 13, 16, 17; the newly focused object for 15
  GuiObject* previous;     // 15: the object that had the focus
  FourCC objectKind;       // 8, 13
  int32_t x, y;            // 5, 6, 7
  int32_t value1, value2;  // 8, 13
  uint32_t objectFlags;    // 16, 17
};
GuiEventInfo GUI_DecodeEvent(int16_t kind, uintptr_t operand, uintptr_t a1, uintptr_t a2,
                             uintptr_t a3, uintptr_t a4, uintptr_t a5);

// ---------------------------------------------------------------------------
// Run parameters: pairs (tag, value) ended by tag 0.

inline constexpr uint32_t GUI_RUN_FLAGS = 1;    // option flags, OR-ed in
inline constexpr uint32_t GUI_RUN_HANDLER = 2;  // FormEventHandler
inline constexpr uint32_t GUI_RUN_USER = 3;     // value handed to the handler
inline constexpr uint32_t GUI_RUN_PERIOD = 4;   // timer period in ms (default 100)

// Results of the loop.
inline constexpr uint32_t GUI_RESULT_STOP = FCC("STOP");
inline constexpr uint32_t GUI_RESULT_ERROR = FCC("ERR!");

// Runs form `formId` (an id or a name) as a dialog with the parameters;
// when it ends, closes it and runs the form requested by GUI_FormGoto (or a
// "Goto" action) with the same parameters, and so on. Returns the last
// dialog's result, or "STOP" when the first form cannot be opened.
uint32_t GUI_FormLoad(uint32_t formId, const TagItem* params);

// Opens a form or alert: fetches the resource, looks the layout up in the
// form cache, parses, lays out (searching and caching on a miss), formats
// "MESS" texts with `args` for a custom alert (flags bit 31), creates the
// drawing surface and the controls. `args` holds up to eight texts (null
// entries end it; `args` may be null). Returns 0, -1 (no such resource), a
// parse error, ERR_FORM_SURFACE or ERR_MEM_FULL; on failure *out is null
// and nothing stays open.
inline constexpr uint32_t GUI_OPEN_CUSTOM_ALERT = 0x80000000u;
[[nodiscard]] Err GUI_FormOpen(GuiForm** out, uint32_t formId, uint32_t flags, FourCC type,
                               const char* const* args);
// Closes a form (its controls, surface and record); the form below becomes
// active again and is redrawn. Null is ignored.
void GUI_FormClose(GuiForm* form);
// Runs an open form as a modal dialog until its result is set and not
// refused by the close query. Returns the result, or "ERR!" for null.
uint32_t GUI_FormDoDialog(GuiForm* form, const TagItem* params);
// Records the form to run next: the running dialog ends with "STOP" and
// GUI_FormLoad opens that form.
void GUI_FormGoto(uint32_t formId);

// Alerts: run "ALRT" `alertId` and return the button index from 0 (or the
// result tag when it is not a small number). GUI_AlertCustom puts its texts
// (up to eight, null-terminated list or fewer) into the "%s" / "%hd"
// markers of the message; the texts are never read as formats.
uint32_t GUI_Alert(uint32_t alertId);
uint32_t GUI_AlertCustom(uint32_t alertId, const char* const* args);

// ---------------------------------------------------------------------------
// Forms.

GuiForm* GUI_ActiveForm();
FourCC GUI_FormTag(const GuiForm* form);  // the "Tagg", or the resource name
uint32_t GUI_FormId(const GuiForm* form);
// The form's rectangle on the screen.
GfxRect GUI_FormBounds(const GuiForm* form);
// Asks for a full redraw at the next turn of the loop (sends
// FORM_EVT_UPDATE, draws, then FORM_EVT_DRAWN).
void GUI_FormRequestRedraw(GuiForm* form);
// Draws the form and every object now, and shows it.
void GUI_FormDraw(GuiForm* form);
// A canvas over the form's surface in form coordinates (for drawing by the
// application); the caller shows the result with GUI_FormShow.
GfxCanvas GUI_FormCanvas(GuiForm* form);
// Presents the screen (every open form, the newest on top) through the host.
void GUI_FormShow(GuiForm* form);
// Sets the dialog result of a running form (ends the dialog unless the close
// query refuses).
void GUI_FormSetResult(GuiForm* form, uint32_t result);
// Queues a key/command event for the active form (as if pressed).
Err GUI_PostCommand(FourCC code);
// Whether the host key behind a platform code is held now: "APP1" … "APP5"
// (F1 … F5), "SLCT" (the 5-way select: Return or the number pad's Enter),
// "SCUP"/"SCDN"/"ALFT"/"ARGT" (arrows), "PHN0" … "PHN9" (number pad).
bool GUI_KeyHeld(FourCC code);

// ---------------------------------------------------------------------------
// Controls by tag. Every call on a tag the form does not hold returns -1 /
// does nothing; outputs may be null.

GuiObject* GUI_FindObject(const GuiForm* form, FourCC tag);
FourCC GUI_ObjectTag(const GuiObject* object);
FourCC GUI_ObjectKind(const GuiObject* object);
bool GUI_HasObject(const GuiForm* form, FourCC tag);
// Bounds in form coordinates.
Err GUI_GetBounds(const GuiForm* form, FourCC tag, GfxRect* out);
Err GUI_SetBounds(GuiForm* form, FourCC tag, const GfxRect* bounds);

// Value: checked state of "CHEK"/"PUSH", selection of "LIST"/"PTRG", value of
// "VDRG"/"HDRG", number in a "Numb" field.
Err GUI_GetValue(const GuiForm* form, FourCC tag, int32_t* out);
Err GUI_SetValue(GuiForm* form, FourCC tag, int32_t value);
// Label of buttons, labels, triggers, titles; text of fields (8-bit handheld
// text). Get copies at most size - 1 bytes, always terminated.
Err GUI_GetText(const GuiForm* form, FourCC tag, char* buffer, uint32_t size);
Err GUI_SetText(GuiForm* form, FourCC tag, const char* text);
// Font of an object's text (a font code of the text module); the object is
// redrawn; a field's text is laid out again in the new font.
Err GUI_SetFont(GuiForm* form, FourCC tag, uint16_t font);
// Field selection (byte offsets, start <= end) and caret (= end).
Err GUI_GetSelection(const GuiForm* form, FourCC tag, int32_t* start, int32_t* end);
Err GUI_SetSelection(GuiForm* form, FourCC tag, int32_t start, int32_t end);

// Lists ("LIST", and the list a "PTRG" pops up): items are copied.
Err GUI_ListSetItems(GuiForm* form, FourCC tag, const char* const* items, int16_t count);
int16_t GUI_ListCount(const GuiForm* form, FourCC tag);
Err GUI_ListGetItem(const GuiForm* form, FourCC tag, int16_t index, char* buffer, uint32_t size);
// The first visible item (the selection is the value, -1 for none).
Err GUI_ListSetTop(GuiForm* form, FourCC tag, int16_t top);
int16_t GUI_ListTop(const GuiForm* form, FourCC tag);
// Check-list item states (one bit per item, lists flagged "Bsel").
Err GUI_ListGetChecked(const GuiForm* form, FourCC tag, int16_t index, bool* out);
Err GUI_ListSetChecked(GuiForm* form, FourCC tag, int16_t index, bool checked);

// Scroll bars and the splitter ("VDRG"/"HDRG"): value 0 … maximum, page.
Err GUI_ScrollSet(GuiForm* form, FourCC tag, int32_t value, int32_t maximum, int32_t page);
Err GUI_ScrollGet(const GuiForm* form, FourCC tag, int32_t* value, int32_t* maximum, int32_t* page);

// Visibility, enabling, drawing and focus.
Err GUI_Show(GuiForm* form, FourCC tag, bool shown);
bool GUI_IsShown(const GuiForm* form, FourCC tag);
Err GUI_Enable(GuiForm* form, FourCC tag, bool enabled);
bool GUI_IsEnabled(const GuiForm* form, FourCC tag);
Err GUI_Redraw(GuiForm* form, FourCC tag);  // draws the object now and shows it
Err GUI_Focus(GuiForm* form, FourCC tag);
FourCC GUI_FocusedTag(const GuiForm* form);  // 0 when nothing has the focus

// ---------------------------------------------------------------------------
// Tables ("TABL"): rows and columns of cells, each of a kind the owner sets.
// The table draws the visible rows from its first row down, each as high as
// its height (0: one line of the table's font), with a scroll bar at the
// right when the rows do not all fit. A tap on a usable cell selects it
// (the focused cell) and sends FORM_EVT_CONTROL with a4 = row, a5 = column;
// check boxes toggle and pop-up cells pop their list up before the event
// (a value event FORM_EVT_VALUE follows when the value changed). A tap on a
// text cell starts editing it with the field editor: keys go to the cell
// while it edits; Return, Tab, a tap on another cell or GUI_TableEndEdit
// store the text (FORM_EVT_VALUE with a3 = row, a4 = column when it
// changed), Escape drops the edit. Columns without a width share what the
// others leave. Rows and columns count from 0; calls with a row or column
// outside the table return -1 and do nothing.

inline constexpr int16_t GUI_CELL_LABEL = 0;   // text, not editable
inline constexpr int16_t GUI_CELL_TEXT = 1;    // editable text (one line, or wrapped when the
                                               // row is taller than one line)
inline constexpr int16_t GUI_CELL_POPUP = 2;   // a trigger: value = chosen item (-1 none)
inline constexpr int16_t GUI_CELL_CHECK = 3;   // a check box: value 0 / 1
inline constexpr int16_t GUI_CELL_NUMBER = 4;  // the value as a right-aligned number
inline constexpr int16_t GUI_CELL_CUSTOM = 5;  // drawn by the table's draw callback
inline constexpr int16_t GUI_CELL_EMPTY = 6;   // nothing, taps ignored

// Draws one custom cell into `canvas` (clipped to `cell`, form coordinates).
using GuiTableDrawFn = void (*)(GuiForm* form, FourCC tag, int16_t row, int16_t column,
                                GfxCanvas* canvas, const GfxRect* cell, uintptr_t user);

// Sets the table's size (at most GUI_TABLE_MAX_CELLS cells, else -1);
// cells that stay keep their contents, new ones are empty labels. The first
// row and the selection are clamped.
inline constexpr int32_t GUI_TABLE_MAX_CELLS = 65536;
Err GUI_TableSetSize(GuiForm* form, FourCC tag, int16_t rows, int16_t columns);
int16_t GUI_TableRows(const GuiForm* form, FourCC tag);     // -1 without a table
int16_t GUI_TableColumns(const GuiForm* form, FourCC tag);  // -1 without a table
// Width in pixels of a column (0: a share of the rest); height of a row
// (0: one line). Negative sizes count as 0.
Err GUI_TableSetColumnWidth(GuiForm* form, FourCC tag, int16_t column, int16_t width);
Err GUI_TableSetRowHeight(GuiForm* form, FourCC tag, int16_t row, int16_t height);
// The row's height as drawn (pixels).
int16_t GUI_TableRowHeight(const GuiForm* form, FourCC tag, int16_t row);
// A row that is not usable is skipped when drawing and scrolling.
Err GUI_TableSetRowUsable(GuiForm* form, FourCC tag, int16_t row, bool usable);
Err GUI_TableSetCellKind(GuiForm* form, FourCC tag, int16_t row, int16_t column, int16_t kind);
Err GUI_TableGetCellKind(const GuiForm* form, FourCC tag, int16_t row, int16_t column,
                         int16_t* out);
// Text of a cell (8-bit handheld text); Get copies at most size - 1 bytes,
// always terminated. A pop-up cell shows its text when no item is chosen.
Err GUI_TableSetCellText(GuiForm* form, FourCC tag, int16_t row, int16_t column, const char* text);
Err GUI_TableGetCellText(const GuiForm* form, FourCC tag, int16_t row, int16_t column, char* buffer,
                         uint32_t size);
Err GUI_TableSetCellValue(GuiForm* form, FourCC tag, int16_t row, int16_t column, int32_t value);
Err GUI_TableGetCellValue(const GuiForm* form, FourCC tag, int16_t row, int16_t column,
                          int32_t* out);
// The items a pop-up cell offers (copied).
Err GUI_TableSetCellItems(GuiForm* form, FourCC tag, int16_t row, int16_t column,
                          const char* const* items, int16_t count);
// Scrolling: the first visible row (clamped so that the last page is full).
Err GUI_TableSetTop(GuiForm* form, FourCC tag, int16_t row);
int16_t GUI_TableTop(const GuiForm* form, FourCC tag);
// Rows from the first shown that fit wholly in the table.
int16_t GUI_TableVisibleRows(const GuiForm* form, FourCC tag);
// The focused cell (-1, -1: none); selecting scrolls it into view.
Err GUI_TableSelect(GuiForm* form, FourCC tag, int16_t row, int16_t column);
Err GUI_TableGetSelection(const GuiForm* form, FourCC tag, int16_t* row, int16_t* column);
// The cell's rectangle in form coordinates; -1 when it is not shown.
Err GUI_TableCellBounds(const GuiForm* form, FourCC tag, int16_t row, int16_t column, GfxRect* out);
// Starts editing a text cell (selects it, the caret at the end); ends an
// edit in progress, storing its text.
Err GUI_TableEditCell(GuiForm* form, FourCC tag, int16_t row, int16_t column);
Err GUI_TableEndEdit(GuiForm* form, FourCC tag);
// Whether a cell of the table is being edited, and which.
bool GUI_TableEditing(const GuiForm* form, FourCC tag, int16_t* row, int16_t* column);
Err GUI_TableSetDrawCallback(GuiForm* form, FourCC tag, GuiTableDrawFn draw, uintptr_t user);

// ---------------------------------------------------------------------------
// Colours of the platform's scheme (index 0 … 7): 0 focus, 1 title,
// 2 title text, 3 frame, 4 background, 5 foreground, 6 fill, 7 text.
uint32_t GUI_SchemeColour(int16_t index);

// ---------------------------------------------------------------------------
// Start and stop (use-counted): the text module, the window procedure.
[[nodiscard]] Err GUI_Start();
void GUI_Stop();
bool GUI_Started();

// The display's text-size setting number that names the form cache file.
void GUI_SetTextSizeSetting(int16_t setting);
