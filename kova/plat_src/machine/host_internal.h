// Shared state of the desktop host's modules (host.cpp, host_pump.cpp,
// host_placement.cpp, ...): the backend in use, the main window, the
// platform event queue, the last presented frame and the developer switches
// read at start. Not part of the platform API.
#pragma once

#include "kova_file.h"
#include "kova_host.h"

inline constexpr uint32_t HOST_QUEUE_SIZE = 256;
inline constexpr uint32_t HOST_IDLE_WAIT_MS = 100;

struct HostCore {
  const HostOps* chosen;  // set by HOST_SetOps (null: from the environment)
  const HostOps* ops;     // the backend of the running host
  bool started;           // HOST_Start finished (state "running")
  HostWindow window;
  // The platform event queue (a ring).
  HostEvent queue[HOST_QUEUE_SIZE];
  uint32_t queueHead;
  uint32_t queueCount;
  bool quitPosted;  // HOST_PostQuit ran or the backend asked to quit
  bool quitSeen;    // the quit message was dispatched: pump steps return false
  HostWindowProc proc;
  uintptr_t procData;
  // The last frame presented, shown again on a paint request.
  uint8_t* frame;
  int32_t frameWidth;
  int32_t frameHeight;
  bool framePresented;
  // Developer switches (environment, read at start).
  uint32_t quitAfterMs;  // 0: off
  uint32_t startTick;
  char screenshotPath[FIL_PATH_BYTES];  // "" when off
  bool screenshotDone;
};

// The one host core (zero until HOST_Start).
HostCore* hostCore();
// The backend to talk to now: the running one, else the chosen one.
const HostOps* hostCurrentOps();

// Pump internals (host_pump.cpp).
void hostQueueReset();
void hostFrameFree();

// The host's own notification callback (host.cpp).
Err hostNotifyCallback(FourCC code, uintptr_t arg1, uintptr_t data, uintptr_t arg2);

// The stand-in picture of the main window until the form manager draws it:
// a plain background with the program's name (host_placeholder.cpp).
void hostDrawPlaceholder(const char* title);

// Gives the main window its icon: the bitmap resource "Icon" (else id 1);
// nothing happens when it is missing or damaged (host_icon.cpp).
void hostSetIconFromResources();

// Single instance (host_instance.cpp, POSIX). hostInstanceAcquire takes the
// lock file at host path `lockPath`: 0 when this process now owns it, 1 when
// another copy holds it (it was asked to come to the front), ERR_OPEN_FAILED
// when the lock file cannot be opened. Nothing is written in the second case.
Err hostInstanceAcquire(const char* lockPath);
void hostInstanceRelease();
// True when another copy asked us to come to the front since the last call.
bool hostInstanceRaiseRequested();
// Holds SIGINT and SIGTERM back while the host starts: one that arrives then
// is delivered on release, to the backend's handler (a quit event), so it
// ends the program through its normal stop instead of killing it half-way.
void hostSignalsHold();
void hostSignalsRelease();
