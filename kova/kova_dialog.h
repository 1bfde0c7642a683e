// Bound dialogs: a settings dialog is one call, GUI_DialogPopup, with a list
// of bindings that each tie a form object to one of the caller's variables.
// The values go into the objects, the form runs as a dialog, and unless the
// user cancelled they come back out. Also the fixed-point decimal numbers
// shown in fields, formatted and parsed. Owns no state.
#pragma once

#include "kova_gui.h"
#include "kova_types.h"

// ---------------------------------------------------------------------------
// Binding kinds. A binding list is a sequence of words: a kind, then that
// kind's arguments (one word each), then the next kind; kind 0 ends it.
// Words are pointer-sized so that a variable's address fits in one; numbers
// passed as words take part with their low 32 bits (low 16 or 8 bits for
// the 16-bit and 8-bit variants). "Name" is an object's four-character tag
// or its 16-bit numeric id. The three widths of a family are base (32-bit),
// base + 1 (16-bit) and base + 2 (8-bit); variables are unsigned.
using DialogWord = uintptr_t;

inline constexpr DialogWord DLG_END = 0;
inline constexpr DialogWord DLG_VALUE32 = 1;  // name, &var: control value = var (low 16 bits)
inline constexpr DialogWord DLG_VALUE16 = 2;  //   written back: var = control value
inline constexpr DialogWord DLG_VALUE8 = 3;   //   (32-bit: sign-extended)
inline constexpr DialogWord DLG_SHOW = 4;     // name, value: control value = value
inline constexpr DialogWord DLG_INDEX32 = 5;  // list name, trigger name, &index
inline constexpr DialogWord DLG_INDEX16 = 6;  //   the trigger shows the chosen item
inline constexpr DialogWord DLG_INDEX8 = 7;
inline constexpr DialogWord DLG_EQUAL32 = 11;  // name, &var, value: on when var == value;
inline constexpr DialogWord DLG_EQUAL16 = 12;  //   written back only when on
inline constexpr DialogWord DLG_EQUAL8 = 13;
inline constexpr DialogWord DLG_BITS32 = 21;  // name, &var, mask: on when var & mask
inline constexpr DialogWord DLG_BITS16 = 22;
inline constexpr DialogWord DLG_BITS8 = 23;
inline constexpr DialogWord DLG_NOBITS32 = 31;  // name, &var, mask: on when !(var & mask)
inline constexpr DialogWord DLG_NOBITS16 = 32;
inline constexpr DialogWord DLG_NOBITS8 = 33;
inline constexpr DialogWord DLG_FIELD32 = 41;  // name, &var, shift, width: a bit field
inline constexpr DialogWord DLG_FIELD16 = 42;
inline constexpr DialogWord DLG_FIELD8 = 43;
inline constexpr DialogWord DLG_TEXT = 51;       // name, char buffer, buffer size (with the zero)
inline constexpr DialogWord DLG_SHOW_TEXT = 52;  // name, const char*: shown only
inline constexpr DialogWord DLG_NUMBER32 = 53;   // name, &number: the field's decimal text
inline constexpr DialogWord DLG_NUMBER16 = 54;   //   (32-bit numbers are signed)
inline constexpr DialogWord DLG_NUMBER8 = 55;
inline constexpr DialogWord DLG_SHOW_NUMBER = 56;  // name, number: shown only
inline constexpr DialogWord DLG_DECIMAL = 57;      // name, DecimalValue*
inline constexpr DialogWord DLG_HANDLER = 60;      // FormEventHandler of the run
inline constexpr DialogWord DLG_USER = 61;         // user value handed to the handler
inline constexpr DialogWord DLG_PERIOD = 62;       // timer period in ms; negative: none
inline constexpr DialogWord DLG_FLAGS = 63;        // option flags of the run
inline constexpr DialogWord DLG_CHECKSET32 = 68;   // name, &bit set: check-list item i = bit i
inline constexpr DialogWord DLG_CHECKSET16 = 69;
inline constexpr DialogWord DLG_CHECKSET8 = 70;
inline constexpr DialogWord DLG_CHECKARRAY32 = 71;  // name, array, element count:
inline constexpr DialogWord DLG_CHECKARRAY16 = 72;  //   check-list item i = element i
inline constexpr DialogWord DLG_CHECKARRAY8 = 73;
inline constexpr DialogWord DLG_COLOUR = 74;   // name, &uint32_t: object command 16 / 17
inline constexpr DialogWord DLG_DATE = 75;     // name, &uint32_t: object command 18 / 19
inline constexpr DialogWord DLG_TIME = 76;     // name, &uint32_t: object command 20 / 21
inline constexpr DialogWord DLG_USABLE = 200;  // name, flag: 0 hides the object, else shows it

// What GUI_DialogPopup returns for a binding list holding an unknown kind.
inline constexpr uint32_t GUI_RESULT_BAD_BINDING = FCC("ERRR");

// Runs an open form as a dialog with its bindings: copies every bound
// variable into its object, runs GUI_FormDoDialog with the parameters of
// kinds 60-63, and unless the result is "CANC" copies every object back
// into its variable. Returns the dialog result (the closing control's tag),
// "ERRR" without showing the form when the list holds an unknown kind (the
// reporter channel says so), "ERR!" for a null form. A null list counts as
// an empty one. Bindings whose address is null, or whose object the form
// does not hold, are skipped. The caller opens and closes the form.
uint32_t GUI_DialogPopup(GuiForm* form, const DialogWord* bindings);

// Object commands (kinds 74-76): 16 / 18 / 20 set the colour (0x00RRGGBB) /
// date / time value of an object, 17 / 19 / 21 read it. The value is the
// object's 32-bit control value (GUI_GetValue / GUI_SetValue reach the same
// one). Returns 0, or -1 for a null object or an unknown command; a null
// output pointer is skipped.
inline constexpr int16_t GUI_CMD_SET_COLOUR = 16;
inline constexpr int16_t GUI_CMD_GET_COLOUR = 17;
inline constexpr int16_t GUI_CMD_SET_DATE = 18;
inline constexpr int16_t GUI_CMD_GET_DATE = 19;
inline constexpr int16_t GUI_CMD_SET_TIME = 20;
inline constexpr int16_t GUI_CMD_GET_TIME = 21;
Err GUI_ObjectCommand(GuiForm* form, GuiObject* object, int16_t command, uint32_t* value);

// ---------------------------------------------------------------------------
// Fixed-point decimals: mantissa times ten to the exponent, negative when
// the flag is set. A valid value has marker 10 (0 is accepted as well).
struct DecimalValue {
  uint32_t mantissa;
  int16_t exponent;
  uint8_t negative;
  uint8_t marker;
};
inline constexpr uint8_t DECIMAL_MARKER = 10;
// Longest text a bound decimal field shows.
inline constexpr uint32_t DECIMAL_MAX_CHARS = 20;

// Writes `value` as decimal text ("0", "1500", "-0.05") into `buffer` of
// `size` bytes (text and zero). Returns 0; ERR_DIALOG_BINDING (0xFE00) when
// the text needs more than size - 1 characters (the buffer then holds "OVR",
// cut to fit); ERR_DIALOG_MARKER (0xFE80) for a marker other than 0 or 10
// (the buffer then holds ""). A null buffer or size 0 writes nothing.
Err GUI_DecimalFormat(const DecimalValue* value, char* buffer, uint32_t size);
// Reads decimal text: an optional leading "-", digits, one "." or ","
// as the decimal point; a second point or any other character ends it.
// Digits past the nine or ten the mantissa holds move the exponent (before
// the point) or are dropped (after it); the exponent stays within
// -32000 … 32000. An empty or null text gives zero. Marker 10.
DecimalValue GUI_DecimalParse(const char* text);
