// The progress dialog that long operations (sort-table builds, repair, find,
// picture saving, export) show while they run inside an event handler. It is
// not a modal loop: the caller opens it, updates it as work proceeds, polls
// the abort button and closes it. Updates pump the host so the window stays
// responsive; a tap on "&Abort" or Escape is answered as "ABRT".
#pragma once

#include "kova_types.h"

// The answer the dialog gives once the user asked to abort.
inline constexpr FourCC PRG_ABORT = FCC("ABRT");

// Opens platform form "kPrg" with a title, a text and a bar running from 0 to
// `maximum` (0: no bar, an indeterminate text-only dialog; negative counts as
// 0); null texts show nothing. An open dialog is closed first. Returns 0, or
// the form manager's error; after a failure every other PRG_* call does
// nothing and PRG_Aborted stays false.
[[nodiscard]] Err PRG_Open(const char* title, const char* text, int32_t maximum);
// Moves the bar to `value` (clamped to 0 … maximum) and, unless `text` is
// null, replaces the text. Redraws only when the filled width or the text
// changed, at most every 50 ms, and takes the host's waiting input (so an
// abort is seen). Does nothing when no dialog is open.
void PRG_Update(int32_t value, const char* text);
// True once the user pressed the abort button or Escape since PRG_Open.
// Takes waiting input first (at most every 50 ms). False when not open.
bool PRG_Aborted();
// Closes the dialog; the form below is shown again. Safe when not open.
void PRG_Close();
// Whether a dialog is open now.
bool PRG_IsOpen();
