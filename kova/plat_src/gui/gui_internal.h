// The form manager's own records and the seams between its modules: parsing
// and expressions (gui_parse*, gui_expr), layout, collision test, search and
// cache (gui_layout*, gui_cache), opening and closing (gui_open), drawing and
// controls (gui_draw, gui_ctl_*), the loop, input, menus, alerts and the
// screen (gui_run, gui_input, gui_menu, gui_alert, gui_screen).
// Invariants: (1) a form's objects keep their addresses from open to close
// (handlers hold GuiObject pointers); (2) rectangles are pixels in form
// coordinates once laid out; (3) the form keeps its resource body, so a
// re-layout re-evaluates the kept rectangle tokens without the store.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "kova_gui.h"
#include "kova_image.h"

// ---------------------------------------------------------------------------
// Placement flags of an expression value.
inline constexpr uint8_t PLACE_AT_RIGHT = 0x01;   // value is where the right edge goes
inline constexpr uint8_t PLACE_AT_BOTTOM = 0x02;  // … the bottom edge
inline constexpr uint8_t PLACE_AT_CENTRE = 0x04;  // … the horizontal centre
inline constexpr uint8_t PLACE_AT_MIDDLE = 0x08;  // … the vertical middle
inline constexpr uint8_t PLACE_AUTO = 0x10;
inline constexpr uint8_t PLACE_SMALLEST = 0x20;
inline constexpr uint8_t PLACE_LARGEST = 0x40;
inline constexpr uint8_t PLACE_STANDARD = 0x80;

// Special values of the expression language.
inline constexpr int32_t GUI_VALUE_SHOW = 9999;
inline constexpr int32_t GUI_VALUE_HIDE = 9998;
inline constexpr int GUI_STACK_DEPTH = 19;

struct GuiValue {
  int32_t value;
  uint8_t flags;  // PLACE_*
};

// Form flags.
inline constexpr uint32_t FORM_MODAL = 0x01;
inline constexpr uint32_t FORM_HAS_TITLE = 0x02;
inline constexpr uint32_t FORM_CUSTOM_ALERT = 0x04;
inline constexpr uint32_t FORM_REDRAW = 0x08;
inline constexpr uint32_t FORM_ALERT = 0x10;
inline constexpr uint32_t FORM_NO_EFFECTS = 0x20;
inline constexpr uint32_t FORM_INFO = 0x10000;
inline constexpr uint32_t FORM_CONFIRM = 0x20000;
inline constexpr uint32_t FORM_WARNING = 0x40000;
inline constexpr uint32_t FORM_ERROR = 0x80000;

// Object flags.
inline constexpr uint32_t OBJ_OVERLAP = 0x00000001;
inline constexpr uint32_t OBJ_NOT_USABLE = 0x00000004;
inline constexpr uint32_t OBJ_HIDDEN = 0x00000008;  // the rectangle evaluated to "Hide"
inline constexpr uint32_t OBJ_NO_FRAME = 0x00000010;
inline constexpr uint32_t OBJ_BOLD_FRAME = 0x00000020;
inline constexpr uint32_t OBJ_LEFT = 0x00000040;
inline constexpr uint32_t OBJ_RIGHT = 0x00000080;
inline constexpr uint32_t OBJ_DYNAMIC_SIZE = 0x00000200;
inline constexpr uint32_t OBJ_FIXED_SIZE = 0x00000400;
inline constexpr uint32_t OBJ_MULTI_LINE = 0x00000800;
inline constexpr uint32_t OBJ_NOT_EDITABLE = 0x00001000;
inline constexpr uint32_t OBJ_NUMERIC = 0x00002000;
inline constexpr uint32_t OBJ_UNDERLINED = 0x00004000;
inline constexpr uint32_t OBJ_HAS_SCROLLBAR = 0x00008000;
inline constexpr uint32_t OBJ_CHECK_LIST = 0x00010000;  // "Bsel": items carry check marks
inline constexpr uint32_t OBJ_SELECT_ALL = 0x00020000;
inline constexpr uint32_t OBJ_SELECTED = 0x00040000;  // "Slct"
inline constexpr uint32_t OBJ_NO_TAP = 0x00080000;
inline constexpr uint32_t OBJ_ROUND_FRAME = 0x00100000;
inline constexpr uint32_t OBJ_SILENT = 0x00200000;
inline constexpr uint32_t OBJ_INVERTED = 0x00400000;
inline constexpr uint32_t OBJ_MASKED = 0x00800000;
inline constexpr uint32_t OBJ_USER_DRAWN = 0x01000000;
inline constexpr uint32_t OBJ_NOT_PREVIOUS = 0x80000000;

inline constexpr uint16_t GUI_FIRST_OBJECT_INDEX = 9000;
inline constexpr int32_t GUI_DEFAULT_MAX = 32767;

struct GuiTableState;

// Run-time state of a control; which fields mean something depends on the
// kind (see gui_ctl_*.cpp).
struct GuiControlState {
  bool shown = true;
  bool enabled = true;
  bool pressed = false;              // pen is down on it
  int32_t value = 0;                 // checked, selection (-1 none), scroll value
  int32_t maximum = 0;               // scroll maximum
  int32_t page = 0;                  // scroll page
  std::string text;                  // field text (8-bit), or a label set at run time
  bool textSet = false;              // `text` replaces strings[0] as the label
  int32_t selStart = 0, selEnd = 0;  // field selection; the caret is selEnd
  int32_t firstLine = 0;             // field scroll (first shown line)
  std::string undoText;
  std::vector<std::string> items;  // list items
  std::vector<uint8_t> itemChecked;
  int16_t top = 0;                       // first visible list item
  GuiObject* popupList = nullptr;        // "PTRG": the list bound by "PLST"
  std::shared_ptr<GuiTableState> table;  // "TABL": rows, columns, cells (gui_ctl_grid.cpp)
};

struct GuiObject {
  FourCC kind = 0;  // chunk tag: "BUTN", "FELD", …
  uint16_t index = 0;
  uint32_t id = 0;
  FourCC tag = 0;
  GfxRect rect{};  // pixels, form coordinates
  uint8_t placeFlags[4]{};
  uint32_t rectTokens = 0;  // offset of the kept "Rect"/"Cord" operand in the form's body
  bool cordOnly = false;    // "Cord": width and height are automatic
  int16_t marginX = 0, marginY = 0;
  uint32_t flags = 0;
  std::vector<std::string> strings;  // one per "Text" (mnemonic "&" removed)
  char mnemonic = 0;                 // lower case, 0 when none
  int16_t mnemonicPos = -1;
  uint16_t font = 0;
  int32_t maxLength = GUI_DEFAULT_MAX;  // "Maxc", "DMax", "Grup"
  int32_t knob = 0;                     // "DNob"
  uint32_t bitmap = 0;                  // "Imag" name or "Bmap" id
  FourCC navUp = 0, navDown = 0, navLeft = 0, navRight = 0;
  FourCC actionKind = 0;  // "KDwn", "Goto", "Lstg", …
  uint32_t actionOperand = 0;
  bool checked = false;
  GuiObject* rowOwner = nullptr;  // extra buttons of a "BTNS" row point at the first
  GuiControlState control;
};

struct GuiForm {
  uint32_t sequence = 0;
  FourCC type = 0;  // "FORM" or "ALRT"
  uint32_t id = 0;
  uint32_t resourceId = 0;  // the id the store knows it by
  uint32_t checksum = 0;
  uint32_t flags = 0;
  GfxRect rect{};  // on the screen
  uint8_t placeFlags[4]{};
  uint32_t rectTokens = 0;
  bool autoHeight = false;  // modal form whose height is "Auto"
  int16_t marginX = 0, marginY = 0;
  int16_t density = 100;
  int16_t screenWidth = 0, screenHeight = 0;
  int16_t scale = 256;  // screen scale, 256 = 1.0
  std::string title;
  int16_t titleHeight = 0;
  uint32_t menuBar = 0;  // id or name
  uint32_t help = 0;
  FourCC keyMap = 0;
  uint32_t timerId = 0;  // stored plus one
  FourCC timerTag = 0;
  int32_t timerInterval = 0;
  uint32_t defaultButton = 0;  // index + 1, or a button tag
  uint32_t escapeButton = 0;
  uint32_t colours[7]{};  // "FOCO", "TICO", "BGCO", "FGCO", "FRCO", "FLCO", "TXCO"
  FourCC formTag = 0;
  std::vector<std::unique_ptr<GuiObject>> objects;
  std::vector<std::pair<int32_t, int32_t>> popupBindings;  // "PLST": trigger id, list id
  std::vector<std::string> args;                           // custom alert texts
  std::vector<uint8_t> body;                               // the resource body
  ImgSurface* surface = nullptr;
  // The dialog run.
  uint32_t runFlags = 0;
  FormEventHandler handler = nullptr;
  uintptr_t userValue = 0;
  uint32_t period = 100;
  uint32_t result = 0;
  bool running = false;
  GuiObject* focus = nullptr;
  GuiObject* penObject = nullptr;  // the control that has the pen
};

// Colour slots of GuiForm::colours.
enum GuiColourSlot : int {
  COL_FOCUS,
  COL_TITLE,
  COL_BACK,
  COL_FORE,
  COL_FRAME,
  COL_FILL,
  COL_TEXT
};

// ---------------------------------------------------------------------------
// Parsing and expressions (gui_parse*.cpp, gui_expr.cpp).

// What an expression may refer to.
struct GuiExprContext {
  const GuiForm* form;
  GfxRect parent;             // "Par?"
  const GuiObject* previous;  // "Prv?" (null: all zero)
  bool inRectangle;           // numbers of 2 or more are scaled
  int16_t scale;              // 256 = 1.0
  int16_t density;            // "Scle" = density - 20, at least 0
  bool hide;                  // out: a ":" chose 9998
};
// Parse errors (negative, below the platform's codes).
inline constexpr Err GUI_ERR_PARSE = -20;  // malformed tokens or chunk
inline constexpr Err GUI_ERR_STACK = -21;  // stack overflow or underflow
// Evaluates the expression at body[*pos] (stopping at the first token that
// is neither operand nor operator; *pos is left there) and writes up to
// `want` values from the bottom of the stack into out (missing ones are 0).
[[nodiscard]] Err GuiEvalExpr(GuiExprContext* ctx, const uint8_t* body, uint32_t size,
                              uint32_t* pos, GuiValue* out, int want);
// Parses form->body into the form's fields and objects at form->density;
// on failure the form holds whatever was read (the caller closes it).
[[nodiscard]] Err GuiParseForm(GuiForm* form);
// (body size << 16) + the sum of the body bytes as signed, exclusive-or 0xAAAA.
uint32_t GuiChecksum(const uint8_t* body, uint32_t size);

// ---------------------------------------------------------------------------
// Layout (gui_layout*.cpp, gui_cache.cpp).

// Lays the form out at form->density: the form rectangle, the title height,
// each object's rectangle from its kept tokens and the placement routine,
// the rows of "BTNS", the modal 240 x 200 rule.
void GuiLayoutForm(GuiForm* form);
// The object's natural content size (text, font height, padding) at a density.
void GuiContentSize(const GuiForm* form, const GuiObject* object, int16_t density, int16_t* w,
                    int16_t* h);
// Number of collisions at the current layout; `log` writes the debug lines.
int GuiCountCollisions(const GuiForm* form, bool log);
// The automatic layout search over the density (and the height for alerts
// and auto-height modal forms).
void GuiAutoLayout(GuiForm* form);
// Form cache lookup and store; false / error when missing or unreadable.
struct GuiCacheRecord {
  uint32_t id, checksum, type;
  int16_t screenWidth, screenHeight, density, width, height;
};
bool GuiCacheLookup(const GuiForm* form, GuiCacheRecord* out);
Err GuiCacheStore(const GuiForm* form);

// ---------------------------------------------------------------------------
// Drawing and controls (gui_draw.cpp, gui_ctl_*.cpp).

// One object kind's behaviour. Every function may be null.
struct GuiControlOps {
  FourCC kind;
  void (*create)(GuiForm* form, GuiObject* object);
  void (*draw)(GuiForm* form, GuiObject* object, GfxCanvas* canvas);
  // Pen phases 0 down, 1 move, 2 up (form coordinates); true when the
  // object took the pen (it keeps it until the up).
  bool (*pen)(GuiForm* form, GuiObject* object, int16_t phase, int16_t x, int16_t y);
  // A key or command code for the focused object; true when consumed.
  bool (*key)(GuiForm* form, GuiObject* object, int32_t code);
  bool focusable;
};
// The table entry of a kind (a do-nothing entry for unknown kinds).
const GuiControlOps* GuiControlFor(FourCC kind);
// Creates every object's control (all but "GRAF").
void GuiCreateControls(GuiForm* form);
// Draws the whole form into its surface (background, frame, title, objects,
// events 16 and 17 for "UDrw" objects) — not yet shown.
void GuiDrawForm(GuiForm* form);
void GuiDrawObject(GuiForm* form, GuiObject* object);
// The topmost shown, usable object under a form-coordinate point.
GuiObject* GuiObjectAt(GuiForm* form, int16_t x, int16_t y);
// What the manager does with a control selection the handler left
// unhandled (button rows give index + 1, "Goto" goes, "Rtrn" returns, …).
void GuiControlDefaultAction(GuiForm* form, GuiObject* object);
// Caret blink of the focused field (phase on/off); draws it.
void GuiCaretBlink(GuiForm* form, bool on);
// Field editing commands "CUTT", "COPY", "PSTE", "SLCT", "UNDO" on the
// focused field; false when no field has the focus.
bool GuiFieldCommand(GuiForm* form, FourCC command);
// Moves the keyboard focus to `object` (null: nobody), redraws the objects
// that lose and gain it and sends FORM_EVT_FOCUS (new, previous) when it
// changed. Objects whose kind is not focusable, hidden or disabled are
// refused (nothing changes).
void GuiSetFocus(GuiForm* form, GuiObject* object);
// Scrolls a list or a multi-line field by `notches` of the mouse wheel
// (positive = away from the user = towards the top); false when the object
// does not scroll.
bool GuiControlWheel(GuiForm* form, GuiObject* object, int32_t notches);
// Editing keys a focused field takes besides characters (code < 256: the
// handheld's 8-bit text; 8 = backspace, 13 or 10 = new line in "Mlin"
// fields, 127 = delete) and the arrows "ALFT"/"ARGT"/"SCUP"/"SCDN"; a held
// Shift (HOST_KEY_SHIFT) makes the arrows, Home and End extend the selection.
inline constexpr int32_t GUI_KEY_HOME = FCC("HOME");
inline constexpr int32_t GUI_KEY_END = FCC("ENDL");
inline constexpr int32_t GUI_KEY_DELETE = FCC("DELE");

// ---------------------------------------------------------------------------
// The loop, input, screen, menus and alerts (gui_run.cpp, gui_input.cpp,
// gui_screen.cpp, gui_menu.cpp, gui_alert.cpp).

// The manager's state (forms newest last, the form to go to, quit request).
struct GuiState {
  std::vector<GuiForm*> forms;
  uint32_t nextSequence = 1;
  uint32_t gotoForm = 0;
  bool gotoPending = false;
  int16_t textSizeSetting = 0;
  ImgSurface* screen = nullptr;  // the composed window contents
};
GuiState* GuiGlobal();
// Calls the form's handler (0 when it has none).
int16_t GuiSendEvent(GuiForm* form, int16_t kind, uintptr_t operand, uintptr_t a1 = 0,
                     uintptr_t a2 = 0, uintptr_t a3 = 0, uintptr_t a4 = 0, uintptr_t a5 = 0);
// Sends FORM_EVT_CONTROL for an object and, when unhandled, its default action.
void GuiControlSelected(GuiForm* form, GuiObject* object, int32_t value1, int32_t value2);
// Sends FORM_EVT_VALUE.
void GuiValueChanged(GuiForm* form, GuiObject* object, int32_t value1, int32_t value2);
// Composes every open form into the screen surface and presents it.
void GuiPresentScreen();
// The screen's size and scale as a new layout sees them.
void GuiScreenSize(int16_t* width, int16_t* height, int16_t* scale);
// Shows the pop-up list of a trigger or a "Lstg" action; returns the chosen
// item or -1.
int32_t GuiPopupList(GuiForm* form, GuiObject* list, GfxRect anchor);
// The height of the menu bar strip drawn along the top of the screen over a
// full-screen form that has a menu bar ("Menu"/"Mntg"); 0 for modal forms,
// alerts and forms without one. Such a form's objects are laid out below it.
int16_t GuiMenuBarHeight(const GuiForm* form);
// A hook called once at the top of every turn of every dialog loop (and of
// a pop-up list's tracking) with the running form; returning false ends
// that loop at once with "STOP" (no close query). The headless GUI tests
// drive the loop through it. Null removes it.
void GuiSetLoopHook(bool (*hook)(GuiForm* form, uintptr_t data), uintptr_t data);
