// Shared pieces of brantel-tool: exit codes, starting and stopping the
// platform layer, opening a file named by a host path, strict number parsing
// and the error lines every subcommand prints. Owns the tool's private
// fallback data folder (removed at stop).
#pragma once

#include <cstdio>
#include <string>

#include "kova.h"

inline constexpr int TOOL_EXIT_OK = 0;
inline constexpr int TOOL_EXIT_ERROR = 1;  // the file or an operation failed
inline constexpr int TOOL_EXIT_USAGE = 2;  // the command line is wrong

// Starts the memory manager, debug output and the file layer. The file layer
// uses the user's documents folder; when that cannot be set up (no home, a
// read-only home) a private temporary folder stands in, so a bad home never
// stops the tool. Returns false (after printing why) when nothing works.
bool ToolStart();
// ToolStart, then the resource store the tool carries (labels, templates;
// read from the tool's own executable), the default preferences and a fresh
// contact store. Prints why and returns false (everything stopped) when the
// store is missing.
bool ToolStartWithResources();
// Stops what ToolStart started and removes the temporary folder, if any.
void ToolStop();

// Opens the host file `path` (relative to the working directory or
// absolute) with FIL_MODE_READ or FIL_MODE_READ_WRITE. The file must exist
// and be a regular file: a missing file is never created, and devices or
// pipes (which could block) are refused. Returns true with *out set, or
// prints "brantel-tool: FILE: message" and returns false.
bool ToolOpenFile(const char* path, int16_t mode, FileRef* out);

// Parses an unsigned number (decimal, or hex after "0x") no larger than
// `max`. No sign, blanks or trailing text; a value past `max` is refused
// rather than wrapped. Returns false when the text is not such a number.
bool ToolParseNumber(const char* text, uint64_t max, uint64_t* out);

// "brantel-tool: FILE: message" on standard error.
void ToolFail(const char* file, const char* fmt, ...) __attribute__((format(printf, 2, 3)));
// "brantel-tool: message" and a pointer to --help on standard error.
void ToolUsageFail(const char* fmt, ...) __attribute__((format(printf, 1, 2)));

// A readable text for a platform error: "the disk is full (ERR_DISK_FULL)".
std::string ToolErrText(Err err);
