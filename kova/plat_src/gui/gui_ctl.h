// The controls' own seams: the behaviour table of every object kind, and the
// drawing and state helpers the kinds share (colours, labels, rounded frames,
// the focus ring, field lines, list rows, scroll bar geometry). Private to
// gui_draw.cpp, gui_access.cpp and gui_ctl_*.cpp / gui_field_edit.cpp.
// Everything works in form coordinates on the form's own surface.
#pragma once

#include <string>
#include <vector>

#include "gui_internal.h"
#include "kova_host.h"
#include "kova_text.h"

// ---------------------------------------------------------------------------
// The kinds' behaviour tables (gui_ctl_*.cpp).

extern const GuiControlOps GUI_OPS_BUTN, GUI_OPS_BTNS, GUI_OPS_PUSH, GUI_OPS_REPT, GUI_OPS_CHEK,
    GUI_OPS_HOTS;
extern const GuiControlOps GUI_OPS_LABL, GUI_OPS_TITL, GUI_OPS_MESS, GUI_OPS_FSTR, GUI_OPS_STRG,
    GUI_OPS_FBMP;
extern const GuiControlOps GUI_OPS_FELD;
extern const GuiControlOps GUI_OPS_LIST, GUI_OPS_CLST, GUI_OPS_PTRG;
extern const GuiControlOps GUI_OPS_VDRG, GUI_OPS_HDRG;
extern const GuiControlOps GUI_OPS_TABL;

// ---------------------------------------------------------------------------
// Shared drawing helpers (gui_draw.cpp).

// The colour of a form slot (COL_*).
uint32_t GuiColour(const GuiForm* form, int slot);
// `a` moved towards `b` by num / den.
uint32_t GuiMix(uint32_t a, uint32_t b, int num, int den);
// Text colour of an object: the text slot, greyed when it is disabled.
uint32_t GuiTextColour(const GuiForm* form, const GuiObject* object);
// The label shown: a label set at run time, else the first string, else "".
const std::string& GuiLabel(const GuiObject* object);
// A canvas over the form's surface clipped to `clip` (form coordinates).
GfxCanvas GuiCanvas(GuiForm* form, const GfxRect& clip);
// A frame of `thickness` pixels whose corner pixels are left alone, so the
// corners look rounded; `face` (unless GFX_TRANSPARENT) fills the inside.
void GuiRoundFrame(GfxCanvas* c, const GfxRect& r, uint32_t frame, uint32_t face,
                   int16_t thickness);
// The focus ring: two pixels in `rgb` along the inside of `r`, corners left.
void GuiFocusRing(GfxCanvas* c, const GfxRect& r, uint32_t rgb);
// One line of text placed in `r`: align 0 left, 1 centre, 2 right; vertically
// centred. Returns the x where the text starts.
int16_t GuiTextIn(GfxCanvas* c, uint16_t font, const std::string& text, const GfxRect& r, int align,
                  uint32_t rgb);
// A filled triangle pointing down (0), up (1), left (2) or right (3) as wide
// as the smaller side of `r` allows, centred in it.
void GuiArrow(GfxCanvas* c, const GfxRect& r, int direction, uint32_t rgb);
// A tick two pixels thick inside a square check box.
void GuiTick(GfxCanvas* c, const GfxRect& box, uint32_t rgb);
// `r` shrunk by `d` on every side.
GfxRect GuiInset(const GfxRect& r, int16_t d);
bool GuiInside(const GfxRect& r, int32_t x, int32_t y);
// The number a numeric field's text starts with (leading digits, capped at
// INT32_MAX; 0 when it starts with anything else).
int32_t GuiFieldNumber(const std::string& text);
// Whether the object is drawn and reachable: usable, not hidden by layout or
// by GUI_Show.
bool GuiVisible(const GuiObject* object);
// Draws the object into the surface and, while the form runs, shows it.
void GuiRefresh(GuiForm* form, GuiObject* object);
// Paints `r` with the background and redraws every visible object over it
// (except `skip`); shows the form while it runs.
void GuiRedrawArea(GuiForm* form, const GfxRect& r, const GuiObject* skip);
// Whether the object is the form's default button ("Dflt": an index + 1 into
// the buttons, or a button tag).
bool GuiIsDefaultButton(const GuiForm* form, const GuiObject* object);

// ---------------------------------------------------------------------------
// Objects (gui_ctl_table.cpp).

GuiObject* GuiObjectByTag(const GuiForm* form, FourCC tag);
GuiObject* GuiObjectById(const GuiForm* form, uint32_t id);
// Row index of a "BTNS" button (0 for the first).
int32_t GuiRowIndex(const GuiObject* object);
bool GuiIsKind(const GuiObject* object, FourCC kind);
// Pen helper shared by the button-like kinds: tracks the pressed look for
// phases 0, 1, 2; true when the pen came up inside.
bool GuiTrackPress(GuiForm* form, GuiObject* object, int16_t phase, int16_t x, int16_t y);
// Focuses the object when it can take the focus (pen down on a control).
void GuiFocusOnPen(GuiForm* form, GuiObject* object);

// ---------------------------------------------------------------------------
// Buttons (gui_ctl_button.cpp).

// Checks a push button (and unchecks the rest of its group) or unchecks it.
// Redraws what changed.
void GuiPushSetChecked(GuiForm* form, GuiObject* object, bool checked);

// ---------------------------------------------------------------------------
// Texts (gui_ctl_text.cpp).

struct GuiLine {
  int32_t start, length;  // bytes of the text, "\n" not included
};
// Cuts `text` into lines at "\n" and, with a width above 0, at the last
// blank that fits (a word longer than the width is cut where it must be).
// Always at least one line.
void GuiWrap(uint16_t font, const std::string& text, int32_t width, std::vector<GuiLine>* lines);

// ---------------------------------------------------------------------------
// Fields (gui_ctl_field.cpp, gui_field_edit.cpp).

// The inside of a field where text goes.
GfxRect GuiFieldTextRect(const GuiObject* object);
// The field's lines (one for a single-line field; wrapped at words and "\n"
// for "Mlin"). Never empty.
void GuiFieldLines(const GuiObject* object, std::vector<GuiLine>* lines);
// Line holding a byte offset.
int32_t GuiFieldLineOf(const std::vector<GuiLine>& lines, int32_t offset);
// Replaces the text (cut to the maximum length), caret at the end, no undo.
void GuiFieldSetText(GuiForm* form, GuiObject* object, const std::string& text);
// Replaces the selection by `insert` as a user edit: filtered (digits only
// for "Numb", no "\n" in one-line fields), cut to the maximum length, undo
// kept. False when nothing could change (not editable, nothing left).
bool GuiFieldReplace(GuiForm* form, GuiObject* object, const std::string& insert);
// Sets the selection (clamped, ordered) and scrolls the caret into view.
void GuiFieldSelect(GuiObject* object, int32_t start, int32_t end);
// "CUTT", "COPY", "PSTE", "SLCT", "UNDO" on a field; false for others.
bool GuiFieldCommandOn(GuiForm* form, GuiObject* object, FourCC command);
// Key handling of a field (see GUI_KEY_* in gui_internal.h).
bool GuiFieldKey(GuiForm* form, GuiObject* object, int32_t code);
// The byte offset nearest a form point, and nearest `dx` pixels into line
// `lineIndex` (clamped).
int32_t GuiFieldOffsetAt(const GuiObject* object, int16_t x, int16_t y);
int32_t GuiFieldOffsetOnLine(const GuiObject* object, int32_t lineIndex, int32_t dx);
// Scrolls so that the caret (the selection's end) is in view.
void GuiFieldReveal(GuiObject* object);
// Scrolls a multi-line field by lines (clamped); true when it moved.
bool GuiFieldScroll(GuiForm* form, GuiObject* object, int32_t lines);
// Whether the caret is drawn (GuiCaretBlink turns it off for a moment).
extern bool gGuiCaretShown;

// ---------------------------------------------------------------------------
// Lists (gui_ctl_list.cpp).

// The list whose items a tag's object holds: a list itself, or the list a
// trigger pops up; null otherwise.
GuiObject* GuiListOf(GuiObject* object);
// Visible rows of a list.
int16_t GuiListRows(const GuiObject* list);
// Sets the selection (-1 none; others clamped to -1 when out of range) and
// scrolls it into view.
void GuiListSelect(GuiObject* list, int32_t value);
// Sets the first visible item (clamped).
void GuiListSetTopRow(GuiObject* list, int32_t top);
// Sets the items (one per string, or one string split at "\n").
void GuiListAssign(GuiObject* list, const std::vector<std::string>& items);

// ---------------------------------------------------------------------------
// Scroll bars (gui_ctl_scroll.cpp).

// Parts of a scroll bar laid out in `bar`.
struct GuiScrollGeom {
  bool vertical;
  GfxRect bar, back, forward, track, knob;  // back/forward empty without arrows
};
void GuiScrollLayout(const GfxRect& bar, bool vertical, bool arrows, int32_t value, int32_t maximum,
                     int32_t page, int32_t knobSize, GuiScrollGeom* out);
void GuiScrollPaint(GfxCanvas* c, const GuiForm* form, const GuiScrollGeom& g);
// The value whose knob starts at `pos` (pixels along the track).
int32_t GuiScrollValueAt(const GuiScrollGeom& g, int32_t maximum, int32_t pos);
// A "VDRG"/"HDRG" without a maximum is a splitter.
bool GuiIsSplitter(const GuiObject* object);
// Sets a scroll bar's value (clamped) or a splitter's position; redraws,
// and with `notify` sends FORM_EVT_VALUE when it changed.
void GuiScrollSetValue(GuiForm* form, GuiObject* object, int32_t value, bool notify);

// ---------------------------------------------------------------------------
// Tables (gui_ctl_grid*.cpp).

// Scrolls a table by `notches` of the mouse wheel (positive: towards the
// top); false when the object is not a table.
bool GuiTableWheel(GuiForm* form, GuiObject* object, int32_t notches);
// "CUTT", "COPY", "PSTE", "SLCT", "UNDO" on the cell a focused table is
// editing; false when no table cell is being edited.
bool GuiTableCommand(GuiForm* form, FourCC command);

// ---------------------------------------------------------------------------
// Colour, date and time selectors (gui_ctl_colour.cpp, gui_ctl_date.cpp): a
// "BUTN" whose action is "CPck", "DPck", "DOff" or "TPck" keeps its colour
// (0x00RRGGBB), date (seconds since 1904, 0 = none), date as a signed offset
// in seconds from the start of today (0 = today) or time of day (seconds,
// above 86,399 = none) as its control value, shows it on its face, and on a
// selection the handler leaves alone opens the matching picker. The action's
// operand is not read (forms may name the picker form there).

bool GuiIsSelector(const GuiObject* object);
// Draws the selector's face (a swatch, or the date or time as text).
void GuiDrawSelector(GuiForm* form, GuiObject* object, GfxCanvas* c);
// Runs the selector's picker and stores the choice (redraws, sends
// FORM_EVT_VALUE when it changed).
void GuiRunSelector(GuiForm* form, GuiObject* object);
// The selector's text: the date by the locale, the time as "HH:MM"; the
// object's label when the value is none.
std::string GuiSelectorText(const GuiObject* object);
// Civil dates over the handheld clock (days since 1904-01-01).
int32_t GuiDaysFromCivil(int32_t year, int32_t month, int32_t day);
void GuiCivilFromDays(int32_t days, int32_t* year, int32_t* month, int32_t* day);
int32_t GuiDaysInMonth(int32_t year, int32_t month);
// The whole days of a "DOff" offset in seconds (towards the past).
int32_t GuiDateOffsetDays(int32_t offset);
// The clock the date picker's "Today" reads (PalmTime, local time); tests
// replace it, null restores the host's.
void GuiSetPickerClock(PalmTime (*now)());
PalmTime GuiPickerNow();
// Opens a platform picker form, sets its title (unless null), lets
// `prepare` fill it, runs it with `handler` and `state` as its user value,
// closes it. True when it ended with "OKAY".
bool GuiRunPicker(uint32_t formId, const char* title, FormEventHandler handler, void* state,
                  void (*prepare)(GuiForm* form, void* state));
