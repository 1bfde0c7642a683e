// The desktop host: the one main window, the platform event queue and its
// pump, the tick count, system values, keyed module globals and system
// notifications. The operating system is reached only through a `HostOps`
// table: the SDL2 backend on a desktop, the headless backend in tests.
// Owns the host state (key 0xF000), the window record (key 0xF700), the
// globals list, the notification registry and the event queue.
#pragma once

#include "kova_errors.h"

// ---------------------------------------------------------------------------
// Events of the platform event queue.

// Key codes: printable keys are their lower-case ASCII code; the others are
// named below. Modifier flags travel in HostEvent::modifiers.
inline constexpr int32_t HOST_KEY_BACKSPACE = 8;
inline constexpr int32_t HOST_KEY_TAB = 9;
inline constexpr int32_t HOST_KEY_RETURN = 13;
inline constexpr int32_t HOST_KEY_ESCAPE = 27;
inline constexpr int32_t HOST_KEY_DELETE = 127;
inline constexpr int32_t HOST_KEY_UP = 0x100;
inline constexpr int32_t HOST_KEY_DOWN = 0x101;
inline constexpr int32_t HOST_KEY_LEFT = 0x102;
inline constexpr int32_t HOST_KEY_RIGHT = 0x103;
inline constexpr int32_t HOST_KEY_PAGE_UP = 0x104;
inline constexpr int32_t HOST_KEY_PAGE_DOWN = 0x105;
inline constexpr int32_t HOST_KEY_HOME = 0x106;
inline constexpr int32_t HOST_KEY_END = 0x107;
inline constexpr int32_t HOST_KEY_INSERT = 0x108;
inline constexpr int32_t HOST_KEY_SHIFT = 0x110;
inline constexpr int32_t HOST_KEY_CONTROL = 0x111;
inline constexpr int32_t HOST_KEY_ALT = 0x112;
inline constexpr int32_t HOST_KEY_KP0 = 0x114;       // number pad 0..9 are HOST_KEY_KP0 + 0..9
inline constexpr int32_t HOST_KEY_KP_ENTER = 0x11E;  // the number pad's Enter
inline constexpr int32_t HOST_KEY_F1 = 0x120;        // F1..F12 are HOST_KEY_F1 + 0..11
inline constexpr int32_t HOST_KEY_COUNT = 0x130;     // key codes are below this

inline constexpr uint32_t HOST_MOD_SHIFT = 0x1;
inline constexpr uint32_t HOST_MOD_CONTROL = 0x2;
inline constexpr uint32_t HOST_MOD_ALT = 0x4;

enum HostEventKind : uint16_t {
  HOST_EVT_NONE = 0,
  HOST_EVT_QUIT,        // the program is asked to end (SIGINT/SIGTERM, HOST_PostQuit)
  HOST_EVT_CLOSE,       // the user closes the main window
  HOST_EVT_PAINT,       // the window's contents were lost and must be presented again
  HOST_EVT_RESIZE,      // client size is now (x, y)
  HOST_EVT_MOVE,        // the window moved; outer top-left is (x, y)
  HOST_EVT_MINIMIZE,    // minimised (the host broadcasts "SUSP")
  HOST_EVT_RESTORE,     // restored from minimised (the host broadcasts "RSME")
  HOST_EVT_MOUSE_DOWN,  // button `key` (1 left, 2 middle, 3 right) at (x, y)
  HOST_EVT_MOUSE_UP,    // button `key` released at (x, y)
  HOST_EVT_MOUSE_MOVE,  // pointer at (x, y), `key` = buttons held (bit 0 left)
  HOST_EVT_WHEEL,       // wheel moved by y notches (positive = away from the user)
  HOST_EVT_KEY_DOWN,    // key `key` pressed (auto-repeat gives more)
  HOST_EVT_KEY_UP,      // key `key` released
  HOST_EVT_TEXT,        // text typed: `text` holds UTF-8 (one character)
  HOST_EVT_FOCUS,       // window gained (x = 1) or lost (x = 0) the keyboard focus
  HOST_EVT_USER,        // posted by the platform itself; `key` and `data` are its own
};

struct HostEvent {
  HostEventKind kind;
  int32_t x;
  int32_t y;
  int32_t key;
  uint32_t modifiers;  // HOST_MOD_* held when the event happened
  uintptr_t data;      // HOST_EVT_USER payload
  char text[8];        // HOST_EVT_TEXT: zero-terminated UTF-8
};

// ---------------------------------------------------------------------------
// The backend table.

// An opened main window; the meaning of the value belongs to the backend.
using HostWindow = intptr_t;

struct HostRect {
  int32_t left;
  int32_t top;
  int32_t width;
  int32_t height;
};

// Message box buttons and answers.
inline constexpr uint32_t HOST_MB_OK = 0;
inline constexpr uint32_t HOST_MB_OK_CANCEL = 1;
inline constexpr uint32_t HOST_MB_YES_NO = 2;
inline constexpr int32_t HOST_MB_ANSWER_OK = 1;      // also "Yes"
inline constexpr int32_t HOST_MB_ANSWER_CANCEL = 2;  // also "No", and a box that failed

struct HostOps {
  const char* name;  // "sdl" or "headless"
  // Starts and stops the backend (video, audio, clipboard). Start returns 0
  // or ERR_HOST_BACKEND when the display cannot be opened.
  Err (*start)();
  void (*stop)();
  // Creates the hidden, resizable main window with a client area of
  // width x height. Returns 0 or ERR_HOST_WINDOW.
  Err (*createWindow)(const char* title, int32_t width, int32_t height, HostWindow* out);
  void (*destroyWindow)(HostWindow w);
  void (*showWindow)(HostWindow w);
  void (*raiseWindow)(HostWindow w);  // bring to the front and give it the focus
  void (*setTitle)(HostWindow w, const char* title);
  // Sets the window icon from R, G, B, A bytes (straight alpha, rows of
  // width * 4 bytes).
  void (*setIcon)(HostWindow w, const uint8_t* rgba, int32_t width, int32_t height);
  // Outer rectangle (frame included) and client area, both in screen
  // pixels. When the desktop reports no frame, the two are equal.
  void (*getOuterRect)(HostWindow w, HostRect* out);
  void (*getClientRect)(HostWindow w, HostRect* out);
  // The client size alone (outputs may be null).
  void (*getClientSize)(HostWindow w, int32_t* width, int32_t* height);
  // Places the client area's top-left corner and sets the client size.
  void (*setClientRect)(HostWindow w, const HostRect* client);
  // The display the window is on: its size in pixels and its width in
  // millimetres (0 when the display does not report a physical size).
  void (*getDisplay)(HostWindow w, HostRect* pixels, int32_t* widthMm);
  // Takes one waiting host event into *out; false when none waits.
  bool (*pollEvent)(HostEvent* out);
  // Waits until an event waits or `ms` have passed (the headless backend
  // advances its virtual clock instead of waiting).
  void (*waitEvent)(uint32_t ms);
  uint32_t (*ticks)();           // milliseconds since the backend started
  void (*sleep)(uint32_t ms);    // headless: advances the virtual clock
  bool (*keyDown)(int32_t key);  // current state of a HOST_KEY_* / ASCII key
  // Clipboard text in UTF-8. get copies at most size - 1 bytes (always
  // terminated; "" and ERR_HOST_CLIPBOARD when empty or unavailable).
  Err (*getClipboard)(char* buffer, uint32_t size);
  Err (*setClipboard)(const char* text);
  // Shows a modal message box (w may be 0) and returns HOST_MB_ANSWER_*.
  int32_t (*messageBox)(HostWindow w, const char* title, const char* text, uint32_t buttons);
  // Shows a 24-bit RGB framebuffer (rows of `pitch` bytes) in the client
  // area, top-left aligned. Returns 0 or ERR_HOST_WINDOW.
  Err (*present)(HostWindow w, const uint8_t* rgb, int32_t width, int32_t height, int32_t pitch);
  // Reads what the client area shows into a block of width * height * 3
  // bytes (malloc: a screen may exceed the allocator's 4 MB limit; the
  // caller frees it with free). Returns 0, ERR_MEM_FULL or ERR_HOST_WINDOW.
  Err (*capture)(HostWindow w, uint8_t** rgb, int32_t* width, int32_t* height);
  // Queues 16-bit signed mono samples at `rateHz` for playing. 0 or
  // ERR_HOST_SOUND (no audio device).
  Err (*playSamples)(const int16_t* samples, uint32_t count, uint32_t rateHz);
  // Drops every queued sample that has not been played yet (silence at
  // once); nothing happens when nothing plays or there is no device.
  void (*stopSamples)();
  // Draws one line of UTF-8 text with the system's sans-serif font at the
  // given pixel size into an RGB framebuffer (a stand-in until the text module
  // draws the screens). `x` below 0 centres the line. May be null.
  void (*drawText)(uint8_t* rgb, int32_t width, int32_t height, int32_t pitch, int32_t x, int32_t y,
                   int32_t pixelSize, uint32_t rgbColour, const char* utf8);
};

// The two backends.
extern const HostOps HOST_SDL_OPS;
extern const HostOps HOST_HEADLESS_OPS;

// Chooses the backend of the next HOST_Start: null picks headless when the
// environment holds BRANTEL_HEADLESS=1, SDL otherwise. Tests pass
// &HOST_HEADLESS_OPS.
void HOST_SetOps(const HostOps* ops);
// The backend in use (after HOST_Start), or the chosen one.
const HostOps* HOST_Ops();

// ---------------------------------------------------------------------------
// Start and stop.

// Returned by HOST_Start when another copy of the program runs.
inline constexpr Err HOST_ALREADY_RUNNING = -1;

// The application's creator code, which names the window placement file.
inline constexpr FourCC HOST_CREATOR = FCC("BrnL");
// Title used when the "NAME" string resource is missing.
inline constexpr const char* HOST_DEFAULT_TITLE = "Corrivane";
inline constexpr int HOST_TITLE_MAX = 50;
// The client size used when "SWID"/"SHEI" do not give one.
inline constexpr int32_t HOST_DEFAULT_WIDTH = 360;
inline constexpr int32_t HOST_DEFAULT_HEIGHT = 600;

// Host state (key 0xF000), shared with the form manager.
inline constexpr uint16_t HOST_GLOBALS_STATE = 0xF000;
inline constexpr uint16_t HOST_GLOBALS_WINDOW = 0xF700;
inline constexpr uint16_t HOST_GLOBALS_DEBUG = 0xF800;

struct HostState {
  int16_t frameWidth;   // outer width minus client width
  int16_t frameHeight;  // outer height minus client height
  int16_t scaledWidth;  // selector 256 * selector 258 / 256
  int16_t scaledHeight;
  bool suspended;  // between "SUSP" and "RSME"
  bool dirty;      // the drawing layer must rebuild its screen surface
  char title[HOST_TITLE_MAX + 1];
};

// Window record (key 0xF700).
struct HostWindowRecord {
  HostWindow window;
};

// Starts the host: needs the memory manager, the file layer and (for the
// title, size and icon) the resource store. SIGINT and SIGTERM are held back
// while it runs and then end the program through its normal stop.
//  1. title from "NAME" (at most 50 characters), else "Corrivane";
//  2. single instance: when another copy holds the lock file
//     "Instance_Lock_BrnL" in the data folder, asks it to come to the front
//     and returns HOST_ALREADY_RUNNING having written nothing;
//  3. starts the backend and creates the main window sized from "SWID" and
//     "SHEI" (both non-zero) or 360 x 600, with the bitmap "Icon" as icon;
//  4. allocates the host state and registers the host's own callbacks for
//     "DISP", "INSR", "EJCT", "SUSP", "RSME";
//  5. applies the window placement file when it is valid (and its corner
//     lies on the display);
//  6. shows the window, records the frame allowance and shows a stand-in
//     picture until the form manager draws.
// Developer switches read here: BRANTEL_QUIT_AFTER_MS=n posts the quit
// message n ms after the start; BRANTEL_SCREENSHOT=path writes the window as
// PNG once a frame was shown and nothing waits, then posts the quit message.
// Returns 0, HOST_ALREADY_RUNNING, ERR_HOST_BACKEND, ERR_HOST_WINDOW or
// ERR_MEM_FULL. On failure everything it started is undone.
[[nodiscard]] Err HOST_Start();
// Stops the host: unregisters the five notifications, writes the placement
// file from the window's outer rectangle, destroys the window, frees the host
// state, releases the instance lock and stops the backend. Safe to call when
// HOST_Start failed or never ran (then it does nothing).
void HOST_Stop();
bool HOST_Started();

// The main window (0 when there is none).
HostWindow HOST_MainWindow();

// ---------------------------------------------------------------------------
// The message pump and the event queue.

// Sends every event to the window procedure. The procedure returns true when
// it handled the event; unhandled events get the host's own answer (a close
// request posts the quit message; a paint request presents the last frame
// again; without a procedure, a resize redraws the stand-in picture). The
// form manager installs its procedure once the window is shown; null
// restores the host's own.
using HostWindowProc = bool (*)(const HostEvent* event, uintptr_t data);
void HOST_SetWindowProc(HostWindowProc proc, uintptr_t data);

// One step of the message pump: takes the backend's waiting events into the
// platform queue and dispatches every queued event; when none was waiting,
// waits up to 100 ms (returning early when an event arrives) and returns.
// Resizes broadcast "DISP", minimise "SUSP", restore "RSME" before the window
// procedure sees the event. Returns false once the quit message has been
// dispatched (the caller leaves its loop), true otherwise.
bool HOST_PumpStep();
// Runs HOST_PumpStep until the quit message. Until the form manager runs its
// own loop, this is the program's main loop.
void HOST_RunUntilQuit();
// Queues an event at the end of the platform queue (the host keeps up to 256;
// ERR_HOST_QUEUE_FULL beyond).
Err HOST_PostEvent(const HostEvent* event);
// Queues the quit message.
void HOST_PostQuit();
// True once the quit message was posted and not yet consumed by a new start.
bool HOST_QuitPosted();

// Tick count in milliseconds, sleep and key state, through the running
// backend (before HOST_Start, through the chosen one).
uint32_t HOST_Ticks();
void HOST_Sleep(uint32_t ms);
bool HOST_KeyDown(int32_t key);

// Clipboard (UTF-8) and message boxes, through the backend. A message box
// works before HOST_Start too (without a parent window).
Err HOST_ClipboardGet(char* buffer, uint32_t size);
Err HOST_ClipboardSet(const char* text);
int32_t HOST_MessageBox(const char* title, const char* text, uint32_t buttons);

// Presents a 24-bit RGB framebuffer in the main window and keeps a copy that
// is shown again on a paint request. Returns 0, ERR_HOST_WINDOW (no window)
// or ERR_MEM_FULL.
Err HOST_Present(const uint8_t* rgb, int32_t width, int32_t height, int32_t pitch);
// Writes what the main window shows as a PNG file at the host path `path`.
// Returns 0, ERR_HOST_WINDOW, ERR_MEM_FULL or ERR_WRITE.
Err HOST_SaveScreenshot(const char* path);
// Writes an RGB image as PNG at a host path (used by screenshots and tests).
Err HOST_WritePng(const char* path, const uint8_t* rgb, int32_t width, int32_t height);

// Plays 16-bit signed mono samples; 0 or ERR_HOST_SOUND.
Err HOST_PlaySamples(const int16_t* samples, uint32_t count, uint32_t rateHz);
// Stops the samples queued by HOST_PlaySamples.
void HOST_StopSamples();

// ---------------------------------------------------------------------------
// System values.

inline constexpr uint16_t HOST_SV_DEPTH = 1;
inline constexpr uint16_t HOST_SV_NOT_SQUARE = 3;
inline constexpr uint16_t HOST_SV_SCREEN_WIDTH = 256;
inline constexpr uint16_t HOST_SV_SCREEN_HEIGHT = 257;
inline constexpr uint16_t HOST_SV_DISPLAY_SCALE = 258;
inline constexpr uint16_t HOST_SV_COLOUR = 260;
inline constexpr uint16_t HOST_SV_TEXT_SCALE = 267;
inline constexpr uint16_t HOST_SV_PIXELS_PER_INCH = 269;

// Answers a system value query (selector table of the host): colour depth
// 24, screen size from the main window's client area (320 x 480 without a
// window), pixels per inch from the display (96 when the display reports no
// size, 42 without a window), the fixed scale values, 0 for any other
// selector.
uint32_t HOST_SystemValue(uint16_t selector);

// ---------------------------------------------------------------------------
// Keyed module globals. They work before HOST_Start and survive it.

// Allocates a zero-filled block of `size` bytes under `key` and appends it to
// the list. *out receives the block. A key that already has a block of the
// same size gives that block again; of another size, ERR_MEM_BAD_ARG.
// Allocation failure gives ERR_MEM_FULL (0xF204) and *out unchanged.
[[nodiscard]] Err HOST_GlobalsAlloc(uint16_t key, uint32_t size, void** out);
// Finds the block of `key`: 0, or ERR_GLOBALS_MISSING (0xF403) when the key
// was never allocated (or was freed); *out is then set to null.
Err HOST_GlobalsGet(uint16_t key, void** out);
// Removes the key from the list and frees its block; an unknown key is
// ignored.
void HOST_GlobalsFree(uint16_t key);
// Number of keys allocated and the key at position `index` in allocation
// order (0 beyond the end); for tests and debug output.
uint32_t HOST_GlobalsCount();
uint16_t HOST_GlobalsKeyAt(uint32_t index);
// Frees every block (process end, tests).
void HOST_GlobalsFreeAll();

// ---------------------------------------------------------------------------
// Notifications.

inline constexpr FourCC HOST_NOTIFY_DISPLAY = FCC("DISP");  // display size changed
inline constexpr FourCC HOST_NOTIFY_INSERT = FCC("INSR");   // volume inserted (arg1 = volume)
inline constexpr FourCC HOST_NOTIFY_EJECT = FCC("EJCT");    // volume ejected (arg1 = volume)
inline constexpr FourCC HOST_NOTIFY_SUSPEND = FCC("SUSP");  // application suspended
inline constexpr FourCC HOST_NOTIFY_RESUME = FCC("RSME");   // application resumed

// A callback gets (code, argument 1, its registered data, argument 2).
using HostNotifyProc = Err (*)(FourCC code, uintptr_t arg1, uintptr_t data, uintptr_t arg2);

// Appends an entry. Returns 0 or ERR_MEM_FULL.
[[nodiscard]] Err HOST_NotifyRegister(FourCC code, HostNotifyProc proc, uintptr_t data);
// Removes every entry with this code and callback; each hole is filled by the
// then last entry. Returns the number removed.
uint32_t HOST_NotifyUnregister(FourCC code, HostNotifyProc proc);
// Passes the notification to the application's hook first, then calls every
// callback registered for `code`, in array order. A callback may unregister
// itself or others while it runs. Returns 0 when any callback was called,
// otherwise ERR_HOST_NOT_HANDLED (0xF100).
Err HOST_NotifyBroadcast(FourCC code, uintptr_t arg1, uintptr_t arg2);
// The application's own notification hook (null for none); it is called
// with (code, arg1, 0, arg2) and does not count as a callback.
void HOST_SetAppNotifyHook(HostNotifyProc hook);
// Entries registered (for tests) and entry `index` (false beyond the end;
// outputs may be null).
uint32_t HOST_NotifyCount();
bool HOST_NotifyEntry(uint32_t index, FourCC* code, HostNotifyProc* proc, uintptr_t* data);
// Frees the registry (process end, tests).
void HOST_NotifyFreeAll();

// ---------------------------------------------------------------------------
// Window placement ("Window_Preferences_BrnL" in the data folder).

// Reads the placement file: true when it parses to four numbers with left
// and top 0 or more and width and height above 50 (*out set), false
// otherwise (*out unchanged). Only the first 80 bytes are read.
bool HOST_PlacementRead(HostRect* out);
// Writes the placement as "%hd %hd %hd %hd ". Returns 0 or the file error.
Err HOST_PlacementWrite(const HostRect* placement);

// ---------------------------------------------------------------------------
// The headless backend's controls (tests).

// Resets the headless backend: clock 0, no events, no windows, captured
// boxes, samples and clipboard cleared, display 1024 x 768 with no size.
void HOST_HeadlessReset();
// Queues a host event that becomes visible when the virtual clock reaches
// `atTick` (0 = at once). Events keep their order.
void HOST_HeadlessPushEvent(const HostEvent* event, uint32_t atTick);
// Sets the virtual clock (never backwards is the caller's business).
void HOST_HeadlessSetTicks(uint32_t ticks);
// The display the headless window sits on: its pixels and width in mm (0 =
// no physical size reported).
void HOST_HeadlessSetDisplay(int32_t width, int32_t height, int32_t widthMm);
// The frame the headless desktop draws around windows (left, top, right,
// bottom border widths). Default 4, 24, 4, 4.
void HOST_HeadlessSetFrame(int32_t left, int32_t top, int32_t right, int32_t bottom);
// Key state as the headless keyboard reports it.
void HOST_HeadlessSetKey(int32_t key, bool down);
// The answer the next message boxes give (default HOST_MB_ANSWER_OK).
void HOST_HeadlessSetMessageBoxAnswer(int32_t answer);
// Message boxes shown since the reset, and the last one's title and text.
uint32_t HOST_HeadlessMessageBoxCount();
const char* HOST_HeadlessLastMessageBoxTitle();
const char* HOST_HeadlessLastMessageBoxText();
// The last presented framebuffer (null when none; rows of width * 3 bytes).
const uint8_t* HOST_HeadlessFramebuffer(int32_t* width, int32_t* height);
// Samples played since the reset.
uint32_t HOST_HeadlessSampleCount();
const int16_t* HOST_HeadlessSamples();
// Buffers handed to playSamples since the reset, the rate of the last one,
// and the number of stop calls.
uint32_t HOST_HeadlessPlayCount();
uint32_t HOST_HeadlessLastRate();
uint32_t HOST_HeadlessStopCount();
// Makes playSamples fail with ERR_HOST_SOUND (a machine without audio).
void HOST_HeadlessSetNoSound(bool noSound);
// Whether the headless window was raised since the reset.
uint32_t HOST_HeadlessRaiseCount();
// The window icon set since the reset (null when none; RGBA rows).
const uint8_t* HOST_HeadlessIcon(int32_t* width, int32_t* height);
// Makes the next createWindow fail (tests of the start's undo path).
void HOST_HeadlessFailNextWindow();
