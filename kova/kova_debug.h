// Debug output channels chosen by four-character code. Owns the debug level
// and the captured message boxes of the headless host.
#pragma once

#include "kova_errors.h"

// Channels. Upper-case ones always act; the lower-case forms act like their
// upper-case twins only while the debug level is DBG_LEVEL_VERBOSE or more.
//   "SCRN"  text drawn over the screen (kept as the last line until a screen exists)
//   "TEXT"  appended to "KOVA Debug Output.txt" in the root of the first
//           volume that can hold files
//   "REPO"  standard error
//   "MBOX"  a message box titled "KOVA Debug Output" through the host
//   "MEMO"  accepted, does nothing
//   0       discarded
inline constexpr uint32_t DBG_LEVEL_VERBOSE = 0x10000;

Err DBG_Start();
void DBG_Stop();

// Sets and reads the debug level (0 unless a developer build switch sets it).
void DBG_SetLevel(uint32_t level);
uint32_t DBG_Level();

// Formats with STR_Format and sends the text to `channel`. Returns 0, or
// ERR_DEBUG when the text could not be delivered (file not writable).
Err DBG_Print(FourCC channel, const char* fmt, ...);

// Message box sink: the host installs how a "MBOX" line is shown. Without one
// (headless, tests) the texts are captured and can be read back.
void DBG_SetMessageBoxSink(void (*sink)(const char* title, const char* text));
// The last text sent to "MBOX" or "SCRN" while no sink/screen was installed
// ("" when none); for tests.
const char* DBG_LastCaptured(FourCC channel);
