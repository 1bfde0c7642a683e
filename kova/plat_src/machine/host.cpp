// The desktop host's start and stop, the backend choice, the host's own
// notification callback and the system values. Owns the host core (backend,
// main window, queue) together with host_pump.cpp; the host state and the
// window record live in the keyed globals 0xF000 and 0xF700.
//
// Invariants: (1) "running" means the window exists, the host state and
// the window record are allocated and the five callbacks are registered;
// (2) a start that fails undoes every step it took and writes nothing;
// (3) the placement file is written only by the stop of a running host.
#include <cstdlib>
#include <cstring>

#include "kova_debug.h"
#include "kova_fmt.h"
#include "kova_res.h"
#include "machine/host_internal.h"

namespace {

HostCore g_core;

constexpr FourCC HOST_CODES[] = {HOST_NOTIFY_DISPLAY, HOST_NOTIFY_INSERT, HOST_NOTIFY_EJECT,
                                 HOST_NOTIFY_SUSPEND, HOST_NOTIFY_RESUME};
constexpr int32_t MAX_WINDOW_SIDE = 16384;

const HostOps* chooseOps() {
  if (g_core.chosen) return g_core.chosen;
  const char* headless = getenv("BRANTEL_HEADLESS");
  return headless && strcmp(headless, "1") == 0 ? &HOST_HEADLESS_OPS : &HOST_SDL_OPS;
}

// 1. The title: "NAME", cut to 50 characters, else the maker's name.
void readTitle(char* title) {
  char name[256];
  if (RES_GetString(FCC("NAME"), name, sizeof name) == 0 && name[0]) {
    size_t n = strnlen(name, HOST_TITLE_MAX);
    memcpy(title, name, n);
    title[n] = 0;
  } else {
    strcpy(title, HOST_DEFAULT_TITLE);
  }
}

// A window side from a string resource: a positive decimal number, else 0.
int32_t readSide(FourCC name) {
  char text[32];
  if (RES_GetString(name, text, sizeof text) != 0) return 0;
  char* end = nullptr;
  long v = strtol(text, &end, 10);
  if (end == text || v <= 0 || v > MAX_WINDOW_SIDE) return 0;
  return int32_t(v);
}

// 2. The single-instance check. A lock file that cannot be made (read-only
// data folder) does not stop the program: it runs without the check.
Err checkSingleInstance() {
  char name[FIL_NAME_BYTES];
  STR_Format(name, sizeof name, "Instance_Lock_%t", uint32_t(HOST_CREATOR));
  char path[FIL_PATH_BYTES];
  if (FIL_BuildPath(VOL_DOCUMENTS, path, "!", name, false) != 0) return 0;
  Err err = hostInstanceAcquire(path);
  if (err == 1) {
    DBG_Print(FCC("REPO"), "Host: another copy is running; it was asked to come to the front\n");
    return HOST_ALREADY_RUNNING;
  }
  return 0;
}

void messageBoxSink(const char* title, const char* text) {
  (void)HOST_MessageBox(title, text, HOST_MB_OK);
}

// 3. The backend and the hidden main window.
Err openWindow(const char* title) {
  Err err = g_core.ops->start();
  if (err != 0) return err;
  int32_t width = readSide(FCC("SWID")), height = readSide(FCC("SHEI"));
  if (width == 0 || height == 0) {
    width = HOST_DEFAULT_WIDTH;
    height = HOST_DEFAULT_HEIGHT;
  }
  err = g_core.ops->createWindow(title, width, height, &g_core.window);
  if (err != 0) {
    g_core.window = 0;
    g_core.ops->stop();
    return err;
  }
  hostSetIconFromResources();
  return 0;
}

// 4. The host state, the window record and the host's own callbacks.
Err allocateState(const char* title) {
  HostState* state = nullptr;
  HostWindowRecord* record = nullptr;
  Err err = HOST_GlobalsAlloc(HOST_GLOBALS_STATE, sizeof(HostState), (void**)&state);
  if (err == 0)
    err = HOST_GlobalsAlloc(HOST_GLOBALS_WINDOW, sizeof(HostWindowRecord), (void**)&record);
  for (size_t i = 0; err == 0 && i < sizeof HOST_CODES / sizeof HOST_CODES[0]; i++)
    err = HOST_NotifyRegister(HOST_CODES[i], hostNotifyCallback, uintptr_t(state));
  if (err != 0) return err;
  record->window = g_core.window;
  strcpy(state->title, title);
  return 0;
}

// Places the client area so that the outer rectangle is `outer`, given the
// borders measured now.
void applyPlacement(const HostRect& outer) {
  HostRect o, c;
  g_core.ops->getOuterRect(g_core.window, &o);
  g_core.ops->getClientRect(g_core.window, &c);
  HostRect client{outer.left + (c.left - o.left), outer.top + (c.top - o.top),
                  outer.width - (o.width - c.width), outer.height - (o.height - c.height)};
  if (client.width > 0 && client.height > 0) g_core.ops->setClientRect(g_core.window, &client);
}

// A valid placement is still refused when it would put the window's corner
// off every part of the display (a file written on a larger screen).
bool placementOnDisplay(const HostRect& p) {
  HostRect display;
  int32_t mm = 0;
  g_core.ops->getDisplay(g_core.window, &display, &mm);
  if (display.width <= 0 || display.height <= 0) return true;
  return p.left < display.left + display.width && p.top < display.top + display.height;
}

// 6. Frame allowance: outer size minus client size; the scaled screen size.
void recordFrame(HostState* state) {
  HostRect o, c;
  g_core.ops->getOuterRect(g_core.window, &o);
  g_core.ops->getClientRect(g_core.window, &c);
  state->frameWidth = int16_t(o.width - c.width);
  state->frameHeight = int16_t(o.height - c.height);
  state->scaledWidth = int16_t(c.width * HOST_SystemValue(HOST_SV_DISPLAY_SCALE) / 256);
  state->scaledHeight = int16_t(c.height * HOST_SystemValue(HOST_SV_DISPLAY_SCALE) / 256);
}

void readDeveloperSwitches() {
  const char* quitAfter = getenv("BRANTEL_QUIT_AFTER_MS");
  g_core.quitAfterMs = quitAfter ? uint32_t(strtoul(quitAfter, nullptr, 10)) : 0;
  const char* shot = getenv("BRANTEL_SCREENSHOT");
  g_core.screenshotPath[0] = 0;
  if (shot && strlen(shot) < sizeof g_core.screenshotPath) strcpy(g_core.screenshotPath, shot);
  g_core.screenshotDone = false;
  g_core.startTick = g_core.ops->ticks();
}

// Undoes steps 2-4 after a failure or at the stop.
void releaseAll() {
  for (FourCC code : HOST_CODES) (void)HOST_NotifyUnregister(code, hostNotifyCallback);
  HOST_GlobalsFree(HOST_GLOBALS_STATE);
  HOST_GlobalsFree(HOST_GLOBALS_WINDOW);
  if (g_core.window) {
    g_core.ops->destroyWindow(g_core.window);
    g_core.window = 0;
    g_core.ops->stop();
  }
  DBG_SetMessageBoxSink(nullptr);
  hostFrameFree();
  hostQueueReset();
  hostInstanceRelease();
  g_core.proc = nullptr;
  g_core.started = false;
  g_core.ops = nullptr;
}

// Steps 1-6 of the start (kova_host.h), with the signals held back.
Err startSteps() {
  char title[HOST_TITLE_MAX + 1];
  readTitle(title);                 // 1.
  Err err = checkSingleInstance();  // 2.
  if (err != 0) return err;
  g_core.ops = chooseOps();
  hostQueueReset();
  g_core.quitPosted = false;
  g_core.quitSeen = false;
  err = openWindow(title);                   // 3.
  if (err == 0) err = allocateState(title);  // 4.
  if (err != 0) {
    releaseAll();
    return err;
  }
  HostRect placement;  // 5.
  bool usePlacement = HOST_PlacementRead(&placement) && placementOnDisplay(placement);
  if (usePlacement) applyPlacement(placement);
  g_core.ops->showWindow(g_core.window);        // 6.
  if (usePlacement) applyPlacement(placement);  // again, now that the frame is known
  void* state = nullptr;
  (void)HOST_GlobalsGet(HOST_GLOBALS_STATE, &state);
  recordFrame(static_cast<HostState*>(state));
  DBG_SetMessageBoxSink(messageBoxSink);
  readDeveloperSwitches();
  g_core.started = true;
  // Until the form manager draws the main form, the window shows a plain
  // background with the program's name.
  hostDrawPlaceholder(title);
  return 0;
}

}  // namespace

HostCore* hostCore() { return &g_core; }

const HostOps* hostCurrentOps() { return g_core.ops ? g_core.ops : chooseOps(); }

void HOST_SetOps(const HostOps* ops) { g_core.chosen = ops; }

const HostOps* HOST_Ops() { return hostCurrentOps(); }

Err HOST_Start() {
  if (g_core.started) return 0;
  hostSignalsHold();
  Err err = startSteps();
  hostSignalsRelease();
  return err;
}

void HOST_Stop() {
  if (!g_core.started) return;
  for (FourCC code : HOST_CODES) (void)HOST_NotifyUnregister(code, hostNotifyCallback);
  void* record = nullptr;
  if (HOST_GlobalsGet(HOST_GLOBALS_WINDOW, &record) == 0 && g_core.window) {
    HostRect outer;
    g_core.ops->getOuterRect(g_core.window, &outer);
    Err err = HOST_PlacementWrite(&outer);
    if (err != 0) DBG_Print(FCC("REPO"), "Host: window placement not saved (%hd)\n", int(err));
  }
  releaseAll();
}

bool HOST_Started() { return g_core.started; }

HostWindow HOST_MainWindow() { return g_core.started ? g_core.window : 0; }

Err hostNotifyCallback(FourCC code, uintptr_t, uintptr_t data, uintptr_t) {
  auto* state = reinterpret_cast<HostState*>(data);
  if (!state) return 0;
  switch (code) {
    case HOST_NOTIFY_DISPLAY: {
      uint32_t scale = HOST_SystemValue(HOST_SV_DISPLAY_SCALE);
      auto w = int16_t(HOST_SystemValue(HOST_SV_SCREEN_WIDTH) * scale / 256);
      auto h = int16_t(HOST_SystemValue(HOST_SV_SCREEN_HEIGHT) * scale / 256);
      if (w != state->scaledWidth || h != state->scaledHeight) {
        state->scaledWidth = w;
        state->scaledHeight = h;
        state->dirty = true;
      }
      break;
    }
    case HOST_NOTIFY_SUSPEND:
      state->suspended = true;
      break;
    case HOST_NOTIFY_RESUME:
      state->suspended = false;
      break;
    default:
      // "INSR" and "EJCT": this host's volumes are fixed folders that are
      // never ejected, so there are no open files to mark as gone.
      break;
  }
  return 0;
}

uint32_t HOST_SystemValue(uint16_t selector) {
  HostWindow w = HOST_MainWindow();
  HostRect client{0, 0, 320, 480};
  if (w) g_core.ops->getClientRect(w, &client);
  switch (selector) {
    case HOST_SV_DEPTH:
      return 24;
    case HOST_SV_NOT_SQUARE:
      return client.height != client.width ? 1 : 0;
    case HOST_SV_SCREEN_WIDTH:
      return uint32_t(client.width);
    case HOST_SV_SCREEN_HEIGHT:
      return uint32_t(client.height);
    case HOST_SV_DISPLAY_SCALE:
      return 256;
    case 259:
    case 264:
      return 32768;
    case HOST_SV_COLOUR:
      return 1;  // the depth, 24, is 8 bits or more
    case 262:
    case 263:
    case 265:
      return 1;
    case HOST_SV_TEXT_SCALE:
      return 512;
    case HOST_SV_PIXELS_PER_INCH: {
      if (!w) return 42;
      HostRect display;
      int32_t mm = 0;
      g_core.ops->getDisplay(w, &display, &mm);
      return mm > 0 ? uint32_t(display.width * 25 / mm) : 96;
    }
    default:
      return 0;
  }
}
