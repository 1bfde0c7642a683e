// Debug output: formats a line and sends it to the channel its FourCC names.
// Owns the debug level, the message box sink and the lines captured for
// "SCRN" and "MBOX" while no screen or sink exists.
//
// Invariants: (1) a line is formatted once into a bounded stack buffer and
// never allocates, so a failing allocator cannot silence it; (2) a line
// printed while another is being delivered (the file layer logs too) goes to
// standard error only, so output never recurses; (3) DBG_Print works before
// DBG_Start and after DBG_Stop: start and stop only reset the state.
#include <cstdio>
#include <cstring>

#include "kova_debug.h"
#include "kova_file.h"
#include "kova_fmt.h"

namespace {

constexpr int LINE_BYTES = 1024;
constexpr const char* TEXT_FILE_NAME = "KOVA Debug Output.txt";
constexpr const char* MBOX_TITLE = "KOVA Debug Output";

#ifdef BRANTEL_DEBUG_LEVEL
constexpr uint32_t DEFAULT_LEVEL = BRANTEL_DEBUG_LEVEL;
#else
constexpr uint32_t DEFAULT_LEVEL = 0;
#endif

struct DebugState {
  int useCount;
  uint32_t level;
  bool delivering;  // a line is on its way (recursion guard)
  void (*sink)(const char* title, const char* text);
  char lastScreen[LINE_BYTES];
  char lastMessageBox[LINE_BYTES];
};

DebugState g_dbg = {0, DEFAULT_LEVEL, false, nullptr, {}, {}};

void resetState() {
  g_dbg.level = DEFAULT_LEVEL;
  g_dbg.sink = nullptr;
  g_dbg.lastScreen[0] = 0;
  g_dbg.lastMessageBox[0] = 0;
}

void toStderr(const char* text) {
  fputs(text, stderr);
  fflush(stderr);
}

void capture(char* slot, const char* text) {
  size_t n = strnlen(text, LINE_BYTES - 1);
  memcpy(slot, text, n);
  slot[n] = 0;
}

// Appends the line to the debug file at volume 0's root. Without a file layer
// the line still reaches standard error.
Err appendToFile(const char* text) {
  if (!FIL_LayerStarted()) {
    toStderr(text);
    return 0;
  }
  FileRef f = nullptr;
  if (FIL_Open(&f, VOL_DOCUMENTS, ":", TEXT_FILE_NAME, FIL_MODE_READ_WRITE) != 0) return ERR_DEBUG;
  (void)FIL_Seek(f, 0, FIL_SEEK_END);
  uint32_t len = uint32_t(strlen(text));
  uint32_t written = FIL_Write(f, text, len);
  FIL_Close(&f);
  return written == len ? 0 : ERR_DEBUG;
}

// Maps a lower-case debug-mode channel to its upper-case twin, or to 0 while
// the level is below verbose. Other codes pass unchanged.
FourCC effectiveChannel(FourCC channel) {
  if (channel == FCC("scrn") || channel == FCC("text") || channel == FCC("repo") ||
      channel == FCC("memo"))
    return g_dbg.level >= DBG_LEVEL_VERBOSE ? (channel & 0xDFDFDFDFu) : 0;
  return channel;
}

Err deliver(FourCC channel, const char* text) {
  switch (channel) {
    case FCC("SCRN"):
      capture(g_dbg.lastScreen, text);
      toStderr(text);
      return 0;
    case FCC("TEXT"):
      return appendToFile(text);
    case FCC("REPO"):
      toStderr(text);
      return 0;
    case FCC("MBOX"):
      if (g_dbg.sink)
        g_dbg.sink(MBOX_TITLE, text);
      else
        capture(g_dbg.lastMessageBox, text);
      return 0;
    default:
      // "MEMO", 0 and codes nobody listens to are accepted and dropped.
      return 0;
  }
}

}  // namespace

Err DBG_Start() {
  if (g_dbg.useCount++ == 0) resetState();
  return 0;
}

void DBG_Stop() {
  if (g_dbg.useCount == 0 || --g_dbg.useCount > 0) return;
  resetState();
}

void DBG_SetLevel(uint32_t level) { g_dbg.level = level; }
uint32_t DBG_Level() { return g_dbg.level; }

Err DBG_Print(FourCC channel, const char* fmt, ...) {
  channel = effectiveChannel(channel);
  if (channel == 0 || channel == FCC("MEMO")) return 0;
  char line[LINE_BYTES];
  va_list args;
  va_start(args, fmt);
  STR_VFormat(line, LINE_BYTES, fmt, args);  // a longer line is cut, never overrun
  va_end(args);
  if (g_dbg.delivering) {
    toStderr(line);
    return 0;
  }
  g_dbg.delivering = true;
  Err err = deliver(channel, line);
  g_dbg.delivering = false;
  return err;
}

void DBG_SetMessageBoxSink(void (*sink)(const char* title, const char* text)) { g_dbg.sink = sink; }

const char* DBG_LastCaptured(FourCC channel) {
  if (channel == FCC("SCRN")) return g_dbg.lastScreen;
  if (channel == FCC("MBOX")) return g_dbg.lastMessageBox;
  return "";
}
