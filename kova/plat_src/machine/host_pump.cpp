// The message pump and the platform event queue, plus the services that go
// straight through to the backend (ticks, keys, clipboard, message boxes,
// presenting frames, sound, screenshots). Owns the queue ring and the copy of
// the last presented frame (both in the host core).
//
// Invariants: (1) events leave the queue in the order they entered it;
// (2) one pump step dispatches only the events waiting when it began, so an
// event posted by a handler waits for the next step; (3) "DISP", "SUSP" and
// "RSME" are broadcast before the window procedure sees the event.
#include <cstdlib>
#include <cstring>

#include "kova_debug.h"
#include "machine/host_internal.h"

namespace {

bool enqueue(HostCore* c, const HostEvent& ev) {
  if (c->queueCount == HOST_QUEUE_SIZE) return false;
  c->queue[(c->queueHead + c->queueCount) % HOST_QUEUE_SIZE] = ev;
  c->queueCount++;
  return true;
}

HostEvent dequeue(HostCore* c) {
  HostEvent ev = c->queue[c->queueHead];
  c->queueHead = (c->queueHead + 1) % HOST_QUEUE_SIZE;
  c->queueCount--;
  return ev;
}

HostState* hostState() {
  void* state = nullptr;
  (void)HOST_GlobalsGet(HOST_GLOBALS_STATE, &state);
  return static_cast<HostState*>(state);
}

// The host's own answers to what the window procedure left alone: a close
// request posts the quit message; a paint request shows the last frame
// again; while no procedure draws the window, a resize redraws the stand-in
// picture at the new size.
void defaultProc(HostCore* c, const HostEvent& ev) {
  HostState* state = hostState();
  switch (ev.kind) {
    case HOST_EVT_CLOSE:
      HOST_PostQuit();
      break;
    case HOST_EVT_PAINT:
      if (c->frame)
        (void)c->ops->present(c->window, c->frame, c->frameWidth, c->frameHeight,
                              c->frameWidth * 3);
      else if (state)
        hostDrawPlaceholder(state->title);
      break;
    case HOST_EVT_RESIZE:
      if (!c->proc && state) hostDrawPlaceholder(state->title);
      break;
    default:
      break;
  }
}

void dispatch(HostCore* c, const HostEvent& ev) {
  switch (ev.kind) {
    case HOST_EVT_QUIT:
      c->quitPosted = true;
      c->quitSeen = true;
      break;
    case HOST_EVT_RESIZE:
      (void)HOST_NotifyBroadcast(HOST_NOTIFY_DISPLAY, uintptr_t(ev.x), uintptr_t(ev.y));
      break;
    case HOST_EVT_MINIMIZE:
      (void)HOST_NotifyBroadcast(HOST_NOTIFY_SUSPEND, 0, 0);
      break;
    case HOST_EVT_RESTORE:
      (void)HOST_NotifyBroadcast(HOST_NOTIFY_RESUME, 0, 0);
      break;
    default:
      break;
  }
  if (ev.kind == HOST_EVT_QUIT) return;
  bool handled = c->proc && c->proc(&ev, c->procData);
  if (!handled) defaultProc(c, ev);
}

// Developer switches: quit after a delay; a screenshot once a frame is shown
// and nothing waits, then quit through the normal stop.
void checkSwitches(HostCore* c) {
  if (c->quitAfterMs && !c->quitPosted && c->ops->ticks() - c->startTick >= c->quitAfterMs)
    HOST_PostQuit();
  if (c->screenshotPath[0] && !c->screenshotDone && c->framePresented && c->queueCount == 0) {
    c->screenshotDone = true;
    Err err = HOST_SaveScreenshot(c->screenshotPath);
    if (err == 0)
      DBG_Print(FCC("REPO"), "Host: screenshot written to %s\n", c->screenshotPath);
    else
      DBG_Print(FCC("REPO"), "Host: screenshot %s failed (%hd)\n", c->screenshotPath, int(err));
    HOST_PostQuit();
  }
}

}  // namespace

void hostQueueReset() {
  HostCore* c = hostCore();
  c->queueHead = 0;
  c->queueCount = 0;
}

void hostFrameFree() {
  HostCore* c = hostCore();
  free(c->frame);
  c->frame = nullptr;
  c->frameWidth = c->frameHeight = 0;
  c->framePresented = false;
}

void HOST_SetWindowProc(HostWindowProc proc, uintptr_t data) {
  hostCore()->proc = proc;
  hostCore()->procData = data;
}

bool HOST_PumpStep() {
  HostCore* c = hostCore();
  if (!c->started) {
    // No window: nothing can arrive but posted events.
    if (c->queueCount == 0) HOST_Sleep(HOST_IDLE_WAIT_MS);
  } else {
    if (hostInstanceRaiseRequested()) {
      DBG_Print(FCC("REPO"), "Host: a second copy asked for the window\n");
      c->ops->raiseWindow(c->window);
    }
    HostEvent ev;
    while (c->queueCount < HOST_QUEUE_SIZE && c->ops->pollEvent(&ev)) enqueue(c, ev);
    checkSwitches(c);
    if (c->queueCount == 0) {
      c->ops->waitEvent(HOST_IDLE_WAIT_MS);
      return !c->quitSeen;
    }
  }
  for (uint32_t n = c->queueCount; n > 0 && c->queueCount > 0; n--) dispatch(c, dequeue(c));
  return !c->quitSeen;
}

void HOST_RunUntilQuit() {
  while (HOST_PumpStep()) {
  }
}

Err HOST_PostEvent(const HostEvent* event) {
  if (!event) return ERR_MEM_BAD_ARG;
  return enqueue(hostCore(), *event) ? 0 : ERR_HOST_QUEUE_FULL;
}

void HOST_PostQuit() {
  HostCore* c = hostCore();
  HostEvent quit{};
  quit.kind = HOST_EVT_QUIT;
  c->quitPosted = true;
  // With the queue full the quit cannot wait its turn: the loop ends after
  // the current step.
  if (!enqueue(c, quit)) c->quitSeen = true;
}

bool HOST_QuitPosted() { return hostCore()->quitPosted; }

uint32_t HOST_Ticks() { return hostCurrentOps()->ticks(); }

void HOST_Sleep(uint32_t ms) { hostCurrentOps()->sleep(ms); }

bool HOST_KeyDown(int32_t key) {
  return key >= 0 && key < HOST_KEY_COUNT && hostCurrentOps()->keyDown(key);
}

Err HOST_ClipboardGet(char* buffer, uint32_t size) {
  if (!buffer || size == 0) return ERR_MEM_BAD_ARG;
  return hostCurrentOps()->getClipboard(buffer, size);
}

Err HOST_ClipboardSet(const char* text) { return hostCurrentOps()->setClipboard(text ? text : ""); }

int32_t HOST_MessageBox(const char* title, const char* text, uint32_t buttons) {
  return hostCurrentOps()->messageBox(HOST_MainWindow(), title ? title : "", text ? text : "",
                                      buttons);
}

Err HOST_Present(const uint8_t* rgb, int32_t width, int32_t height, int32_t pitch) {
  HostCore* c = hostCore();
  if (!c->started) return ERR_HOST_WINDOW;
  if (!rgb || width <= 0 || height <= 0 || pitch < width * 3) return ERR_MEM_BAD_ARG;
  size_t bytes = size_t(width) * size_t(height) * 3;
  // The copy is host-side pixels (malloc): a large screen exceeds the
  // platform allocator's block limit.
  if (!c->frame || size_t(c->frameWidth) * size_t(c->frameHeight) * 3 != bytes) {
    void* p = malloc(bytes);
    if (!p) return ERR_MEM_FULL;
    free(c->frame);
    c->frame = static_cast<uint8_t*>(p);
  }
  for (int32_t y = 0; y < height; y++)
    memcpy(c->frame + size_t(y) * size_t(width) * 3, rgb + size_t(y) * size_t(pitch),
           size_t(width) * 3);
  c->frameWidth = width;
  c->frameHeight = height;
  Err err = c->ops->present(c->window, c->frame, width, height, width * 3);
  if (err == 0) c->framePresented = true;
  return err;
}

Err HOST_SaveScreenshot(const char* path) {
  HostCore* c = hostCore();
  if (!c->started) return ERR_HOST_WINDOW;
  uint8_t* rgb = nullptr;
  int32_t width = 0, height = 0;
  Err err = c->ops->capture(c->window, &rgb, &width, &height);
  if (err != 0) return err;
  err = HOST_WritePng(path, rgb, width, height);
  free(rgb);
  return err;
}

Err HOST_PlaySamples(const int16_t* samples, uint32_t count, uint32_t rateHz) {
  if (!samples || count == 0 || rateHz == 0) return ERR_MEM_BAD_ARG;
  return hostCurrentOps()->playSamples(samples, count, rateHz);
}

void HOST_StopSamples() {
  const HostOps* ops = hostCurrentOps();
  if (ops->stopSamples) ops->stopSamples();
}
