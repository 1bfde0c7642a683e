// What the preference dialogs of prefs_dialogs_*.cpp share: running one
// bound form as a dialog, telling a written-back result from a cancelled
// one, the range check after a write-back, and the tips reset ("RSet").
// Owns no state.
#pragma once

#include "kova.h"
#include "prefs.h"
#include "prefs_dialogs.h"

// A variable's address as a binding word.
inline DialogWord PrefsWord(const void* p) { return reinterpret_cast<DialogWord>(p); }

// Fills what a form shows beyond its bindings (list items read at run
// time) after it opened and before GUI_DialogPopup runs.
using PrefsPrepareFn = void (*)(GuiForm* form, uintptr_t arg);

// Opens form `name`, calls `prepare` (may be null), runs the form through
// GUI_DialogPopup with `bindings` (ended by DLG_END) and closes it. Returns
// the dialog result ("OKAY", "CANC", …), or "ERR!" when the form cannot be
// opened (nothing is written then).
uint32_t PrefsRunForm(FourCC name, const DialogWord* bindings, PrefsPrepareFn prepare = nullptr,
                      uintptr_t arg = 0);
// Whether GUI_DialogPopup wrote the bindings back for this result: every
// result but "CANC" and the failures ("ERR!", "ERRR").
bool PrefsResultWritten(uint32_t result);

// The largest values the pop-ups of "VPrf" and "Pref" offer: the list
// column (none, phone, eight fields, custom fields 1 … 9), the signal
// display and the quick dial menu style.
inline constexpr uint8_t PREFS_LIST_COLUMN_MAX = 18;
inline constexpr uint16_t PREFS_SIGNAL_MAX = 3;
inline constexpr uint16_t PREFS_FAN_MAX = 1;

// Brings every numeric field of `p` back into its range (an out-of-range
// value takes its default) and ends every text slot with a zero, like
// PrefsCheck but without the start rules (the start category does not
// replace the current one). Defined in prefs_check.cpp.
void PrefsClampRanges(Prefs* p);

// Counts the digit characters of each phone template into
// `templateDigits`. Defined in prefs_check.cpp.
void PrefsCountTemplateDigits(Prefs* p);

// PREFS_DLG_REDRAW when the block differs from `before`, else 0.
uint16_t PrefsChangedSince(const Prefs* before);

// "RSet": asks with alert "Res?" and, on its first button, clears
// `tipsShown` so that every one-time hint shows again. Returns true when
// the tips were cleared.
bool PrefsAskResetTips();
// A dialog handler (binding kind 60) that runs PrefsAskResetTips for a tap
// on "RSet" and keeps the dialog open; every other event is left alone.
int16_t PrefsResetTipsHandler(FourCC formTag, GuiForm* form, uintptr_t user, uintptr_t operand,
                              int16_t kind, uintptr_t a1, uintptr_t a2, uintptr_t a3, uintptr_t a4,
                              uintptr_t a5);

// Action selectors: list position (as the pop-ups show them) of an action
// code and back. An unknown code gives position 0 ("View"); a position
// outside the list gives -1.
int16_t PrefsActionPosition(uint16_t action);
int32_t PrefsActionCode(int16_t position);

// The seek timeout list: position 0 … 13 for 0.2 … 2.8 s. A timeout is
// shown at the nearest lower step; stored as (position + 1) x 200 ms.
int16_t PrefsSeekPosition(int16_t timeoutMs);
int16_t PrefsSeekTimeout(int16_t position);
