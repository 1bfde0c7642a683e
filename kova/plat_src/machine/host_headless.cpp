// The headless host backend: a scripted event queue, a virtual clock that
// sleeping advances, one window on an imaginary display, an in-memory
// framebuffer, captured message boxes, clipboard and sound. Deterministic
// and fast, so tests can run every screen. Owns the headless state.
//
// Invariants: (1) the clock moves only when the program sleeps or waits, or
// a test sets it; (2) scripted events come out in the order they went in,
// each no earlier than its due tick; (3) SIGINT and SIGTERM become a quit
// event while the backend runs, as they do with SDL.
#include <csignal>
#include <cstdlib>
#include <cstring>

#include "machine/host_internal.h"

namespace {

constexpr uint32_t SCRIPT_SIZE = 1024;

struct Scripted {
  HostEvent event;
  uint32_t due;
};

struct HeadlessState {
  bool initialised;  // initState ran (the zero state is not a usable one)
  bool started;
  uint32_t ticks;
  Scripted script[SCRIPT_SIZE];
  uint32_t scriptHead, scriptCount;
  bool windowExists, failNextWindow;
  HostRect client;
  int32_t border[4];  // left, top, right, bottom
  int32_t displayWidth, displayHeight, displayMm;
  bool keys[HOST_KEY_COUNT];
  int32_t answer;
  uint32_t boxCount;
  char boxTitle[128], boxText[1024];
  uint8_t* frame;  // malloc, client-sized picture of what was presented
  int32_t frameWidth, frameHeight;
  int16_t* samples;  // malloc
  uint32_t sampleCount, sampleCapacity;
  uint32_t playCount, lastRate, stopCount;
  bool noSound;
  uint32_t raiseCount;
  uint8_t* icon;  // malloc, RGBA
  int32_t iconWidth, iconHeight;
  char* clipboard;  // malloc, null when empty
  struct sigaction oldInt, oldTerm;
};

HeadlessState g_hl;
volatile sig_atomic_t g_signalled = 0;

void onSignal(int) { g_signalled = 1; }

void copyText(char* dst, size_t size, const char* src) {
  size_t n = strnlen(src, size - 1);
  memcpy(dst, src, n);
  dst[n] = 0;
}

void initState();

void ensureInit() {
  if (!g_hl.initialised) initState();
}

Err hlStart() {
  ensureInit();
  if (g_hl.started) return 0;
  g_signalled = 0;
  struct sigaction sa = {};
  sa.sa_handler = onSignal;
  sigemptyset(&sa.sa_mask);
  sigaction(SIGINT, &sa, &g_hl.oldInt);
  sigaction(SIGTERM, &sa, &g_hl.oldTerm);
  g_hl.started = true;
  return 0;
}

void hlStop() {
  if (!g_hl.started) return;
  sigaction(SIGINT, &g_hl.oldInt, nullptr);
  sigaction(SIGTERM, &g_hl.oldTerm, nullptr);
  g_hl.started = false;
}

Err hlCreateWindow(const char*, int32_t width, int32_t height, HostWindow* out) {
  if (g_hl.failNextWindow || g_hl.windowExists || width <= 0 || height <= 0) {
    g_hl.failNextWindow = false;
    return ERR_HOST_WINDOW;
  }
  g_hl.windowExists = true;
  g_hl.client =
      HostRect{(g_hl.displayWidth - width) / 2, (g_hl.displayHeight - height) / 2, width, height};
  *out = 1;
  return 0;
}

void hlDestroyWindow(HostWindow) {
  g_hl.windowExists = false;
  free(g_hl.frame);
  g_hl.frame = nullptr;
  g_hl.frameWidth = g_hl.frameHeight = 0;
}

void hlShowWindow(HostWindow) {}
void hlRaiseWindow(HostWindow) { g_hl.raiseCount++; }
void hlSetTitle(HostWindow, const char*) {}
void hlSetIcon(HostWindow, const uint8_t* rgba, int32_t width, int32_t height) {
  size_t bytes = size_t(width) * size_t(height) * 4;
  auto* copy = static_cast<uint8_t*>(malloc(bytes));
  if (!copy) return;
  memcpy(copy, rgba, bytes);
  free(g_hl.icon);
  g_hl.icon = copy;
  g_hl.iconWidth = width;
  g_hl.iconHeight = height;
}

void hlGetOuterRect(HostWindow, HostRect* out) {
  const int32_t* b = g_hl.border;
  *out = HostRect{g_hl.client.left - b[0], g_hl.client.top - b[1], g_hl.client.width + b[0] + b[2],
                  g_hl.client.height + b[1] + b[3]};
}

void hlGetClientRect(HostWindow, HostRect* out) { *out = g_hl.client; }

void hlGetClientSize(HostWindow w, int32_t* width, int32_t* height) {
  HostRect c;
  hlGetClientRect(w, &c);
  if (width) *width = c.width;
  if (height) *height = c.height;
}

void hlSetClientRect(HostWindow, const HostRect* client) { g_hl.client = *client; }

void hlGetDisplay(HostWindow, HostRect* pixels, int32_t* widthMm) {
  *pixels = HostRect{0, 0, g_hl.displayWidth, g_hl.displayHeight};
  *widthMm = g_hl.displayMm;
}

bool hlPollEvent(HostEvent* out) {
  if (g_signalled) {
    g_signalled = 0;
    *out = HostEvent{};
    out->kind = HOST_EVT_QUIT;
    return true;
  }
  if (g_hl.scriptCount == 0) return false;
  const Scripted& s = g_hl.script[g_hl.scriptHead];
  if (s.due > g_hl.ticks) return false;
  *out = s.event;
  g_hl.scriptHead = (g_hl.scriptHead + 1) % SCRIPT_SIZE;
  g_hl.scriptCount--;
  // A scripted resize changes the window as the desktop would.
  if (out->kind == HOST_EVT_RESIZE && out->x > 0 && out->y > 0) {
    g_hl.client.width = out->x;
    g_hl.client.height = out->y;
  }
  return true;
}

// Waiting jumps the clock to the next scripted event when it falls due
// within the wait, else by the whole wait.
void hlWaitEvent(uint32_t ms) {
  if (g_signalled) return;
  if (g_hl.scriptCount > 0) {
    uint32_t due = g_hl.script[g_hl.scriptHead].due;
    if (due <= g_hl.ticks) return;
    if (due - g_hl.ticks <= ms) {
      g_hl.ticks = due;
      return;
    }
  }
  g_hl.ticks += ms;
}

uint32_t hlTicks() { return g_hl.ticks; }
void hlSleep(uint32_t ms) { g_hl.ticks += ms; }
bool hlKeyDown(int32_t key) { return key >= 0 && key < HOST_KEY_COUNT && g_hl.keys[key]; }

Err hlGetClipboard(char* buffer, uint32_t size) {
  copyText(buffer, size, g_hl.clipboard ? g_hl.clipboard : "");
  return g_hl.clipboard && g_hl.clipboard[0] ? 0 : ERR_HOST_CLIPBOARD;
}

Err hlSetClipboard(const char* text) {
  char* copy = strdup(text);
  if (!copy) return ERR_MEM_FULL;
  free(g_hl.clipboard);
  g_hl.clipboard = copy;
  return 0;
}

int32_t hlMessageBox(HostWindow, const char* title, const char* text, uint32_t) {
  ensureInit();
  g_hl.boxCount++;
  copyText(g_hl.boxTitle, sizeof g_hl.boxTitle, title);
  copyText(g_hl.boxText, sizeof g_hl.boxText, text);
  return g_hl.answer;
}

// The framebuffer is the window's client area: what was presented, cut to
// it, and black where the frame does not reach.
Err hlPresent(HostWindow, const uint8_t* rgb, int32_t width, int32_t height, int32_t pitch) {
  if (!g_hl.windowExists) return ERR_HOST_WINDOW;
  int32_t cw = g_hl.client.width, ch = g_hl.client.height;
  size_t bytes = size_t(cw) * size_t(ch) * 3;
  if (!g_hl.frame || g_hl.frameWidth != cw || g_hl.frameHeight != ch) {
    auto* p = static_cast<uint8_t*>(malloc(bytes));
    if (!p) return ERR_MEM_FULL;
    free(g_hl.frame);
    g_hl.frame = p;
    g_hl.frameWidth = cw;
    g_hl.frameHeight = ch;
  }
  memset(g_hl.frame, 0, bytes);
  int32_t rows = height < ch ? height : ch, cols = width < cw ? width : cw;
  for (int32_t y = 0; y < rows; y++)
    memcpy(g_hl.frame + size_t(y) * size_t(cw) * 3, rgb + size_t(y) * size_t(pitch),
           size_t(cols) * 3);
  return 0;
}

Err hlCapture(HostWindow, uint8_t** rgb, int32_t* width, int32_t* height) {
  if (!g_hl.frame) return ERR_HOST_WINDOW;
  size_t bytes = size_t(g_hl.frameWidth) * size_t(g_hl.frameHeight) * 3;
  *rgb = static_cast<uint8_t*>(malloc(bytes));
  if (!*rgb) return ERR_MEM_FULL;
  memcpy(*rgb, g_hl.frame, bytes);
  *width = g_hl.frameWidth;
  *height = g_hl.frameHeight;
  return 0;
}

Err hlPlaySamples(const int16_t* samples, uint32_t count, uint32_t rateHz) {
  if (g_hl.noSound) return ERR_HOST_SOUND;
  g_hl.playCount++;
  g_hl.lastRate = rateHz;
  if (g_hl.sampleCount + count > g_hl.sampleCapacity) {
    uint32_t capacity = (g_hl.sampleCount + count) * 2;
    void* p = realloc(g_hl.samples, size_t(capacity) * sizeof(int16_t));
    if (!p) return ERR_MEM_FULL;
    g_hl.samples = static_cast<int16_t*>(p);
    g_hl.sampleCapacity = capacity;
  }
  memcpy(g_hl.samples + g_hl.sampleCount, samples, size_t(count) * sizeof(int16_t));
  g_hl.sampleCount += count;
  return 0;
}

// The samples stay recorded: tests read what was handed over.
void hlStopSamples() { g_hl.stopCount++; }

// The state a fresh test expects (the clock at 0, a 1024 x 768 display that
// reports no physical size, a 4/24/4/4 frame).
void initState() {
  g_hl.initialised = true;
  g_hl.ticks = 0;
  g_hl.scriptHead = g_hl.scriptCount = 0;
  g_hl.failNextWindow = false;
  g_hl.border[0] = 4;
  g_hl.border[1] = 24;
  g_hl.border[2] = 4;
  g_hl.border[3] = 4;
  g_hl.displayWidth = 1024;
  g_hl.displayHeight = 768;
  g_hl.displayMm = 0;
  memset(g_hl.keys, 0, sizeof g_hl.keys);
  g_hl.answer = HOST_MB_ANSWER_OK;
  g_hl.boxCount = 0;
  g_hl.boxTitle[0] = g_hl.boxText[0] = 0;
  g_hl.sampleCount = 0;
  g_hl.playCount = g_hl.lastRate = g_hl.stopCount = 0;
  g_hl.noSound = false;
  g_hl.raiseCount = 0;
  free(g_hl.icon);
  g_hl.icon = nullptr;
  g_hl.iconWidth = g_hl.iconHeight = 0;
  free(g_hl.clipboard);
  g_hl.clipboard = nullptr;
}

}  // namespace

const HostOps HOST_HEADLESS_OPS = {
    .name = "headless",
    .start = hlStart,
    .stop = hlStop,
    .createWindow = hlCreateWindow,
    .destroyWindow = hlDestroyWindow,
    .showWindow = hlShowWindow,
    .raiseWindow = hlRaiseWindow,
    .setTitle = hlSetTitle,
    .setIcon = hlSetIcon,
    .getOuterRect = hlGetOuterRect,
    .getClientRect = hlGetClientRect,
    .getClientSize = hlGetClientSize,
    .setClientRect = hlSetClientRect,
    .getDisplay = hlGetDisplay,
    .pollEvent = hlPollEvent,
    .waitEvent = hlWaitEvent,
    .ticks = hlTicks,
    .sleep = hlSleep,
    .keyDown = hlKeyDown,
    .getClipboard = hlGetClipboard,
    .setClipboard = hlSetClipboard,
    .messageBox = hlMessageBox,
    .present = hlPresent,
    .capture = hlCapture,
    .playSamples = hlPlaySamples,
    .stopSamples = hlStopSamples,
    .drawText = nullptr,
};

void HOST_HeadlessReset() {
  if (!g_hl.windowExists) hlDestroyWindow(0);  // drops a stale picture
  initState();
}

void HOST_HeadlessPushEvent(const HostEvent* event, uint32_t atTick) {
  ensureInit();
  if (!event || g_hl.scriptCount == SCRIPT_SIZE) return;
  g_hl.script[(g_hl.scriptHead + g_hl.scriptCount) % SCRIPT_SIZE] = Scripted{*event, atTick};
  g_hl.scriptCount++;
}

void HOST_HeadlessSetTicks(uint32_t ticks) {
  ensureInit();
  g_hl.ticks = ticks;
}

void HOST_HeadlessSetDisplay(int32_t width, int32_t height, int32_t widthMm) {
  ensureInit();
  g_hl.displayWidth = width;
  g_hl.displayHeight = height;
  g_hl.displayMm = widthMm;
}

void HOST_HeadlessSetFrame(int32_t left, int32_t top, int32_t right, int32_t bottom) {
  ensureInit();
  g_hl.border[0] = left;
  g_hl.border[1] = top;
  g_hl.border[2] = right;
  g_hl.border[3] = bottom;
}

void HOST_HeadlessSetKey(int32_t key, bool down) {
  ensureInit();
  if (key >= 0 && key < HOST_KEY_COUNT) g_hl.keys[key] = down;
}

void HOST_HeadlessSetMessageBoxAnswer(int32_t answer) {
  ensureInit();
  g_hl.answer = answer;
}
uint32_t HOST_HeadlessMessageBoxCount() { return g_hl.boxCount; }
const char* HOST_HeadlessLastMessageBoxTitle() { return g_hl.boxTitle; }
const char* HOST_HeadlessLastMessageBoxText() { return g_hl.boxText; }

const uint8_t* HOST_HeadlessFramebuffer(int32_t* width, int32_t* height) {
  if (width) *width = g_hl.frameWidth;
  if (height) *height = g_hl.frameHeight;
  return g_hl.frame;
}

uint32_t HOST_HeadlessSampleCount() { return g_hl.sampleCount; }
const int16_t* HOST_HeadlessSamples() { return g_hl.samples; }
uint32_t HOST_HeadlessPlayCount() { return g_hl.playCount; }
uint32_t HOST_HeadlessLastRate() { return g_hl.lastRate; }
uint32_t HOST_HeadlessStopCount() { return g_hl.stopCount; }
void HOST_HeadlessSetNoSound(bool noSound) { g_hl.noSound = noSound; }
uint32_t HOST_HeadlessRaiseCount() { return g_hl.raiseCount; }
void HOST_HeadlessFailNextWindow() {
  ensureInit();
  g_hl.failNextWindow = true;
}

const uint8_t* HOST_HeadlessIcon(int32_t* width, int32_t* height) {
  if (width) *width = g_hl.iconWidth;
  if (height) *height = g_hl.iconHeight;
  return g_hl.icon;
}
