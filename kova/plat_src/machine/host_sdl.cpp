// The SDL2 host backend: the one main window drawn through its software
// window surface, SDL events turned into host events, ticks, key state,
// clipboard, message boxes, queued audio, and text for the stand-in picture
// through SDL2_ttf. The only file that talks to SDL. Owns the SDL window,
// the audio device, the font and the text still to be split into events.
//
// Invariants: (1) SDL runs only between start and stop (message boxes may
// run without it); (2) the window surface is fetched again after every size
// change, never kept across one; (3) SIGINT and SIGTERM reach the program as
// SDL's quit event, so they end it through its normal stop.
#include <SDL.h>
#include <SDL_ttf.h>

#include <cstdlib>
#include <cstring>

#include "kova_debug.h"
#include "machine/host_internal.h"

namespace {

constexpr const char* FONT_PATH = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";

struct SdlState {
  bool started;
  SDL_Window* window;
  bool minimized;
  SDL_AudioDeviceID audio;
  uint32_t audioRate;
  TTF_Font* font;
  int32_t fontPixels;
  char pendingText[32];  // typed text not yet handed out, one character per event
  size_t pendingAt;
};

SdlState g_sdl;

SDL_Window* windowOf(HostWindow w) { return reinterpret_cast<SDL_Window*>(w); }

void logSdl(const char* what) {
  DBG_Print(FCC("REPO"), "SDL: %s failed: %s\n", what, SDL_GetError());
}

Err sdlStart() {
  if (g_sdl.started) return 0;
  // Software drawing goes straight to the window; through Mesa the start
  // takes ten times longer.
  SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
  // SDL's poll sentinel would end a poll early and leave events for the next
  // pump step; the host's bounded queue already stops an endless poll.
  SDL_SetHint(SDL_HINT_POLL_SENTINEL, "0");
  if (SDL_Init(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0) {
    logSdl("SDL_Init");
    return ERR_HOST_BACKEND;
  }
  g_sdl.started = true;
  return 0;
}

void sdlStop() {
  if (!g_sdl.started) return;
  if (g_sdl.audio) SDL_CloseAudioDevice(g_sdl.audio);
  if (g_sdl.font) TTF_CloseFont(g_sdl.font);
  if (TTF_WasInit()) TTF_Quit();
  SDL_Quit();
  g_sdl = SdlState{};
}

Err sdlCreateWindow(const char* title, int32_t width, int32_t height, HostWindow* out) {
  SDL_Window* w = SDL_CreateWindow(title, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, width,
                                   height, SDL_WINDOW_HIDDEN | SDL_WINDOW_RESIZABLE);
  if (!w) {
    logSdl("SDL_CreateWindow");
    return ERR_HOST_WINDOW;
  }
  g_sdl.window = w;
  g_sdl.minimized = false;
  *out = reinterpret_cast<HostWindow>(w);
  return 0;
}

void sdlDestroyWindow(HostWindow w) {
  SDL_DestroyWindow(windowOf(w));
  g_sdl.window = nullptr;
}

void sdlShowWindow(HostWindow w) {
  SDL_ShowWindow(windowOf(w));
  SDL_PumpEvents();  // lets the desktop map the window and report its frame
}

void sdlRaiseWindow(HostWindow w) {
  if (g_sdl.minimized) SDL_RestoreWindow(windowOf(w));
  SDL_RaiseWindow(windowOf(w));
}

void sdlSetTitle(HostWindow w, const char* title) { SDL_SetWindowTitle(windowOf(w), title); }

void sdlSetIcon(HostWindow w, const uint8_t* rgba, int32_t width, int32_t height) {
  SDL_Surface* s = SDL_CreateRGBSurfaceWithFormatFrom(const_cast<uint8_t*>(rgba), width, height, 32,
                                                      width * 4, SDL_PIXELFORMAT_RGBA32);
  if (!s) return;
  SDL_SetWindowIcon(windowOf(w), s);
  SDL_FreeSurface(s);
}

void sdlGetClientRect(HostWindow w, HostRect* out) {
  int x = 0, y = 0, cw = 0, ch = 0;
  SDL_GetWindowPosition(windowOf(w), &x, &y);
  SDL_GetWindowSize(windowOf(w), &cw, &ch);
  *out = HostRect{x, y, cw, ch};
}

void sdlGetClientSize(HostWindow w, int32_t* width, int32_t* height) {
  HostRect c;
  sdlGetClientRect(w, &c);
  if (width) *width = c.width;
  if (height) *height = c.height;
}

// Without a window manager (or before mapping) there are no borders, and the
// outer rectangle is the client area.
void sdlGetOuterRect(HostWindow w, HostRect* out) {
  HostRect c;
  sdlGetClientRect(w, &c);
  int top = 0, left = 0, bottom = 0, right = 0;
  if (SDL_GetWindowBordersSize(windowOf(w), &top, &left, &bottom, &right) != 0)
    top = left = bottom = right = 0;
  *out = HostRect{c.left - left, c.top - top, c.width + left + right, c.height + top + bottom};
}

void sdlSetClientRect(HostWindow w, const HostRect* client) {
  SDL_SetWindowPosition(windowOf(w), client->left, client->top);
  SDL_SetWindowSize(windowOf(w), client->width, client->height);
}

void sdlGetDisplay(HostWindow w, HostRect* pixels, int32_t* widthMm) {
  *pixels = HostRect{0, 0, 0, 0};
  *widthMm = 0;
  int index = SDL_GetWindowDisplayIndex(windowOf(w));
  SDL_Rect r;
  if (index < 0 || SDL_GetDisplayBounds(index, &r) != 0) return;
  *pixels = HostRect{r.x, r.y, r.w, r.h};
  float hdpi = 0;
  // A display that reports no resolution (dummy, some virtual ones) has no
  // physical size.
  if (SDL_GetDisplayDPI(index, nullptr, &hdpi, nullptr) == 0 && hdpi > 1.0f)
    *widthMm = int32_t(float(r.w) * 25.4f / hdpi + 0.5f);
}

// Keys: SDL gives printable keys as their ASCII code already.
struct KeyPair {
  SDL_Keycode sdl;
  int32_t host;
};

constexpr KeyPair KEY_PAIRS[] = {
    {SDLK_UP, HOST_KEY_UP},          {SDLK_DOWN, HOST_KEY_DOWN},
    {SDLK_LEFT, HOST_KEY_LEFT},      {SDLK_RIGHT, HOST_KEY_RIGHT},
    {SDLK_PAGEUP, HOST_KEY_PAGE_UP}, {SDLK_PAGEDOWN, HOST_KEY_PAGE_DOWN},
    {SDLK_HOME, HOST_KEY_HOME},      {SDLK_END, HOST_KEY_END},
    {SDLK_INSERT, HOST_KEY_INSERT},  {SDLK_LSHIFT, HOST_KEY_SHIFT},
    {SDLK_RSHIFT, HOST_KEY_SHIFT},   {SDLK_LCTRL, HOST_KEY_CONTROL},
    {SDLK_RCTRL, HOST_KEY_CONTROL},  {SDLK_LALT, HOST_KEY_ALT},
    {SDLK_RALT, HOST_KEY_ALT},       {SDLK_KP_ENTER, HOST_KEY_KP_ENTER},
    {SDLK_KP_0, HOST_KEY_KP0 + 0},   {SDLK_KP_1, HOST_KEY_KP0 + 1},
    {SDLK_KP_2, HOST_KEY_KP0 + 2},   {SDLK_KP_3, HOST_KEY_KP0 + 3},
    {SDLK_KP_4, HOST_KEY_KP0 + 4},   {SDLK_KP_5, HOST_KEY_KP0 + 5},
    {SDLK_KP_6, HOST_KEY_KP0 + 6},   {SDLK_KP_7, HOST_KEY_KP0 + 7},
    {SDLK_KP_8, HOST_KEY_KP0 + 8},   {SDLK_KP_9, HOST_KEY_KP0 + 9},
};

int32_t hostKeyOf(SDL_Keycode k) {
  if (k > 0 && k < 128) return (k >= 'A' && k <= 'Z') ? k + 32 : k;
  if (k >= SDLK_F1 && k <= SDLK_F12) return HOST_KEY_F1 + (k - SDLK_F1);
  for (const KeyPair& p : KEY_PAIRS)
    if (p.sdl == k) return p.host;
  return 0;
}

uint32_t hostModifiers(uint16_t mod) {
  return ((mod & KMOD_SHIFT) ? HOST_MOD_SHIFT : 0) | ((mod & KMOD_CTRL) ? HOST_MOD_CONTROL : 0) |
         ((mod & KMOD_ALT) ? HOST_MOD_ALT : 0);
}

bool sdlKeyDown(int32_t key) {
  if (!g_sdl.started) return false;
  SDL_Keymod mod = SDL_GetModState();
  if (key == HOST_KEY_SHIFT) return mod & KMOD_SHIFT;
  if (key == HOST_KEY_CONTROL) return mod & KMOD_CTRL;
  if (key == HOST_KEY_ALT) return mod & KMOD_ALT;
  SDL_Keycode code = 0;
  if (key > 0 && key < 128) code = key;
  if (key >= HOST_KEY_F1 && key < HOST_KEY_F1 + 12) code = SDLK_F1 + (key - HOST_KEY_F1);
  for (const KeyPair& p : KEY_PAIRS)
    if (p.host == key && code == 0) code = p.sdl;
  if (code == 0) return false;
  const Uint8* state = SDL_GetKeyboardState(nullptr);
  return state[SDL_GetScancodeFromKey(code)] != 0;
}

// Hands out the next character of typed text (UTF-8 sequences kept whole).
bool nextPendingChar(HostEvent* out) {
  const char* p = g_sdl.pendingText + g_sdl.pendingAt;
  if (!*p) return false;
  size_t n = 1;
  while (p[n] && (uint8_t(p[n]) & 0xC0) == 0x80 && n < sizeof out->text - 1) n++;
  *out = HostEvent{};
  out->kind = HOST_EVT_TEXT;
  memcpy(out->text, p, n);
  out->modifiers = hostModifiers(SDL_GetModState());
  g_sdl.pendingAt += n;
  return true;
}

// Window events; false for the ones the host does not pass on.
bool translateWindow(const SDL_WindowEvent& w, HostEvent* out) {
  switch (w.event) {
    case SDL_WINDOWEVENT_CLOSE:
      out->kind = HOST_EVT_CLOSE;
      return true;
    case SDL_WINDOWEVENT_EXPOSED:
      out->kind = HOST_EVT_PAINT;
      return true;
    case SDL_WINDOWEVENT_SIZE_CHANGED:
      out->kind = HOST_EVT_RESIZE;
      out->x = w.data1;
      out->y = w.data2;
      return true;
    case SDL_WINDOWEVENT_MOVED:
      out->kind = HOST_EVT_MOVE;
      out->x = w.data1;
      out->y = w.data2;
      return true;
    case SDL_WINDOWEVENT_MINIMIZED:
      if (g_sdl.minimized) return false;
      g_sdl.minimized = true;
      out->kind = HOST_EVT_MINIMIZE;
      return true;
    case SDL_WINDOWEVENT_RESTORED:
    case SDL_WINDOWEVENT_MAXIMIZED:
    case SDL_WINDOWEVENT_SHOWN:
      // A restore from maximised is no resume: only leaving the minimised
      // state is.
      if (!g_sdl.minimized) return false;
      g_sdl.minimized = false;
      out->kind = HOST_EVT_RESTORE;
      return true;
    case SDL_WINDOWEVENT_FOCUS_GAINED:
    case SDL_WINDOWEVENT_FOCUS_LOST:
      out->kind = HOST_EVT_FOCUS;
      out->x = w.event == SDL_WINDOWEVENT_FOCUS_GAINED;
      return true;
    default:
      return false;
  }
}

bool translate(const SDL_Event& e, HostEvent* out) {
  *out = HostEvent{};
  switch (e.type) {
    case SDL_QUIT:
      out->kind = HOST_EVT_QUIT;
      return true;
    case SDL_WINDOWEVENT:
      return translateWindow(e.window, out);
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
      out->kind = e.type == SDL_MOUSEBUTTONDOWN ? HOST_EVT_MOUSE_DOWN : HOST_EVT_MOUSE_UP;
      out->x = e.button.x;
      out->y = e.button.y;
      out->key = e.button.button;
      break;
    case SDL_MOUSEMOTION:
      out->kind = HOST_EVT_MOUSE_MOVE;
      out->x = e.motion.x;
      out->y = e.motion.y;
      out->key = int32_t(e.motion.state);
      break;
    case SDL_MOUSEWHEEL:
      out->kind = HOST_EVT_WHEEL;
      out->y = e.wheel.direction == SDL_MOUSEWHEEL_FLIPPED ? -e.wheel.y : e.wheel.y;
      break;
    case SDL_KEYDOWN:
    case SDL_KEYUP:
      out->kind = e.type == SDL_KEYDOWN ? HOST_EVT_KEY_DOWN : HOST_EVT_KEY_UP;
      out->key = hostKeyOf(e.key.keysym.sym);
      if (out->key == 0) return false;
      out->modifiers = hostModifiers(e.key.keysym.mod);
      return true;
    case SDL_TEXTINPUT:
      strncpy(g_sdl.pendingText, e.text.text, sizeof g_sdl.pendingText - 1);
      g_sdl.pendingText[sizeof g_sdl.pendingText - 1] = 0;
      g_sdl.pendingAt = 0;
      return nextPendingChar(out);
    default:
      return false;
  }
  out->modifiers = hostModifiers(SDL_GetModState());
  return true;
}

bool sdlPollEvent(HostEvent* out) {
  if (!g_sdl.started) return false;
  if (nextPendingChar(out)) return true;
  SDL_Event e;
  while (SDL_PollEvent(&e))
    if (translate(e, out)) return true;
  return false;
}

void sdlWaitEvent(uint32_t ms) {
  if (g_sdl.started && !g_sdl.pendingText[g_sdl.pendingAt])
    (void)SDL_WaitEventTimeout(nullptr, int(ms));
  else if (!g_sdl.started)
    SDL_Delay(ms);
}

uint32_t sdlTicks() { return SDL_GetTicks(); }
void sdlSleep(uint32_t ms) { SDL_Delay(ms); }

Err sdlGetClipboard(char* buffer, uint32_t size) {
  buffer[0] = 0;
  if (!g_sdl.started || !SDL_HasClipboardText()) return ERR_HOST_CLIPBOARD;
  char* text = SDL_GetClipboardText();
  if (!text) return ERR_HOST_CLIPBOARD;
  size_t n = strnlen(text, size - 1);
  memcpy(buffer, text, n);
  buffer[n] = 0;
  SDL_free(text);
  return n ? 0 : ERR_HOST_CLIPBOARD;
}

Err sdlSetClipboard(const char* text) {
  if (!g_sdl.started) return ERR_HOST_CLIPBOARD;
  return SDL_SetClipboardText(text) == 0 ? 0 : ERR_HOST_CLIPBOARD;
}

// A box that cannot be shown (no display) is written to standard error and
// answered "Cancel", so no question is taken as agreed to.
int32_t sdlMessageBox(HostWindow w, const char* title, const char* text, uint32_t buttons) {
  SDL_MessageBoxButtonData data[2] = {};
  const char* first = buttons == HOST_MB_YES_NO ? "Yes" : "OK";
  const char* second = buttons == HOST_MB_YES_NO ? "No" : "Cancel";
  data[0] = {SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT, HOST_MB_ANSWER_OK, first};
  data[1] = {SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, HOST_MB_ANSWER_CANCEL, second};
  SDL_MessageBoxData box = {};
  box.flags = SDL_MESSAGEBOX_INFORMATION;
  box.window = g_sdl.started ? windowOf(w) : nullptr;
  box.title = title;
  box.message = text;
  box.numbuttons = buttons == HOST_MB_OK ? 1 : 2;
  box.buttons = data;
  int answer = 0;
  if (SDL_ShowMessageBox(&box, &answer) != 0) {
    DBG_Print(FCC("REPO"), "%s: %s\n", title, text);
    return buttons == HOST_MB_OK ? HOST_MB_ANSWER_OK : HOST_MB_ANSWER_CANCEL;
  }
  return answer == HOST_MB_ANSWER_OK ? HOST_MB_ANSWER_OK : HOST_MB_ANSWER_CANCEL;
}

Err sdlPresent(HostWindow w, const uint8_t* rgb, int32_t width, int32_t height, int32_t pitch) {
  SDL_Surface* target = SDL_GetWindowSurface(windowOf(w));
  if (!target) {
    logSdl("SDL_GetWindowSurface");
    return ERR_HOST_WINDOW;
  }
  SDL_Surface* src = SDL_CreateRGBSurfaceWithFormatFrom(const_cast<uint8_t*>(rgb), width, height,
                                                        24, pitch, SDL_PIXELFORMAT_RGB24);
  if (!src) return ERR_MEM_FULL;
  // What the frame does not cover stays black rather than showing garbage.
  if (width < target->w || height < target->h)
    SDL_FillRect(target, nullptr, SDL_MapRGB(target->format, 0, 0, 0));
  int err = SDL_BlitSurface(src, nullptr, target, nullptr);
  SDL_FreeSurface(src);
  if (err == 0) err = SDL_UpdateWindowSurface(windowOf(w));
  if (err != 0) {
    logSdl("present");
    return ERR_HOST_WINDOW;
  }
  return 0;
}

Err sdlCapture(HostWindow w, uint8_t** rgb, int32_t* width, int32_t* height) {
  SDL_Surface* s = SDL_GetWindowSurface(windowOf(w));
  if (!s) return ERR_HOST_WINDOW;
  size_t bytes = size_t(s->w) * size_t(s->h) * 3;
  *rgb = static_cast<uint8_t*>(malloc(bytes));
  if (!*rgb) return ERR_MEM_FULL;
  if (SDL_ConvertPixels(s->w, s->h, s->format->format, s->pixels, s->pitch, SDL_PIXELFORMAT_RGB24,
                        *rgb, s->w * 3) != 0) {
    free(*rgb);
    *rgb = nullptr;
    return ERR_HOST_WINDOW;
  }
  *width = s->w;
  *height = s->h;
  return 0;
}

// Opens (or reopens at another rate) the audio device on first use, so a
// machine without sound starts as fast as one with it.
bool openAudio(uint32_t rateHz) {
  if (g_sdl.audio && g_sdl.audioRate == rateHz) return true;
  if (g_sdl.audio) SDL_CloseAudioDevice(g_sdl.audio);
  g_sdl.audio = 0;
  if (!SDL_WasInit(SDL_INIT_AUDIO) && SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return false;
  SDL_AudioSpec want = {};
  want.freq = int(rateHz);
  want.format = AUDIO_S16SYS;
  want.channels = 1;
  want.samples = 1024;
  g_sdl.audio = SDL_OpenAudioDevice(nullptr, 0, &want, nullptr, 0);
  if (!g_sdl.audio) return false;
  g_sdl.audioRate = rateHz;
  SDL_PauseAudioDevice(g_sdl.audio, 0);
  return true;
}

Err sdlPlaySamples(const int16_t* samples, uint32_t count, uint32_t rateHz) {
  if (!g_sdl.started || !openAudio(rateHz)) return ERR_HOST_SOUND;
  if (SDL_QueueAudio(g_sdl.audio, samples, count * uint32_t(sizeof(int16_t))) != 0)
    return ERR_HOST_SOUND;
  return 0;
}

void sdlStopSamples() {
  if (g_sdl.audio) SDL_ClearQueuedAudio(g_sdl.audio);
}

TTF_Font* fontOfSize(int32_t pixels) {
  if (g_sdl.font && g_sdl.fontPixels == pixels) return g_sdl.font;
  if (!TTF_WasInit() && TTF_Init() != 0) return nullptr;
  if (g_sdl.font) TTF_CloseFont(g_sdl.font);
  g_sdl.font = TTF_OpenFont(FONT_PATH, pixels);
  g_sdl.fontPixels = pixels;
  return g_sdl.font;
}

// Blends the rendered line (ARGB, alpha = coverage) into the RGB frame.
void blend(const SDL_Surface* line, uint8_t* rgb, int32_t width, int32_t height, int32_t pitch,
           int32_t x0, int32_t y0, uint32_t colour) {
  const uint8_t c[3] = {uint8_t(colour >> 16), uint8_t(colour >> 8), uint8_t(colour)};
  for (int32_t y = 0; y < line->h; y++) {
    if (y0 + y < 0 || y0 + y >= height) continue;
    auto* row = reinterpret_cast<const uint32_t*>(static_cast<const uint8_t*>(line->pixels) +
                                                  size_t(y) * size_t(line->pitch));
    for (int32_t x = 0; x < line->w; x++) {
      if (x0 + x < 0 || x0 + x >= width) continue;
      uint32_t a = row[x] >> 24;
      uint8_t* px = rgb + size_t(y0 + y) * size_t(pitch) + size_t(x0 + x) * 3;
      for (int i = 0; i < 3; i++) px[i] = uint8_t((c[i] * a + px[i] * (255 - a)) / 255);
    }
  }
}

void sdlDrawText(uint8_t* rgb, int32_t width, int32_t height, int32_t pitch, int32_t x, int32_t y,
                 int32_t pixelSize, uint32_t colour, const char* utf8) {
  TTF_Font* font = fontOfSize(pixelSize);
  if (!font || !utf8 || !*utf8) return;
  SDL_Surface* line = TTF_RenderUTF8_Blended(font, utf8, SDL_Color{255, 255, 255, 255});
  if (!line) return;
  SDL_Surface* argb = SDL_ConvertSurfaceFormat(line, SDL_PIXELFORMAT_ARGB8888, 0);
  SDL_FreeSurface(line);
  if (!argb) return;
  if (x < 0) x = (width - argb->w) / 2;
  blend(argb, rgb, width, height, pitch, x, y, colour);
  SDL_FreeSurface(argb);
}

}  // namespace

const HostOps HOST_SDL_OPS = {
    .name = "sdl",
    .start = sdlStart,
    .stop = sdlStop,
    .createWindow = sdlCreateWindow,
    .destroyWindow = sdlDestroyWindow,
    .showWindow = sdlShowWindow,
    .raiseWindow = sdlRaiseWindow,
    .setTitle = sdlSetTitle,
    .setIcon = sdlSetIcon,
    .getOuterRect = sdlGetOuterRect,
    .getClientRect = sdlGetClientRect,
    .getClientSize = sdlGetClientSize,
    .setClientRect = sdlSetClientRect,
    .getDisplay = sdlGetDisplay,
    .pollEvent = sdlPollEvent,
    .waitEvent = sdlWaitEvent,
    .ticks = sdlTicks,
    .sleep = sdlSleep,
    .keyDown = sdlKeyDown,
    .getClipboard = sdlGetClipboard,
    .setClipboard = sdlSetClipboard,
    .messageBox = sdlMessageBox,
    .present = sdlPresent,
    .capture = sdlCapture,
    .playSamples = sdlPlaySamples,
    .stopSamples = sdlStopSamples,
    .drawText = sdlDrawText,
};
