// Input translation: the window procedure the manager installs on the host
// turns host events into the manager's own input queue (a ring), with the
// host keys translated into the platform's key and command codes. Which
// form an event reaches is decided later, when the loop dispatches it.
// Owns the queue, the pointer position and the typed-text filter.
//
// Invariants: (1) events leave the queue in the order they entered it;
// (2) a key that is delivered on its own (number pad digits, Alt + letter)
// swallows the text event the host sends after it, so nothing arrives twice.
#include <cstring>

#include "gui_keymap.h"
#include "gui_loop.h"
#include "kova_text.h"

namespace {

struct InputState {
  GuiInput queue[GUI_INPUT_QUEUE_SIZE];
  uint32_t head, count;
  int16_t pointerX, pointerY;
  bool swallowText;  // the next text event repeats a key already delivered
};

InputState g_in;

int16_t clamp16(int32_t v) { return int16_t(v < -32768 ? -32768 : (v > 32767 ? 32767 : v)); }

bool push(GuiInputKind kind, int32_t x, int32_t y, int32_t code) {
  return GuiInputPush(GuiInput{kind, clamp16(x), clamp16(y), code});
}

// Moves with the pointer only update the newest queued move, so a fast
// mouse never floods the queue.
bool pushMove(int32_t x, int32_t y, int32_t buttons) {
  if (g_in.count > 0) {
    GuiInput& last = g_in.queue[(g_in.head + g_in.count - 1) % GUI_INPUT_QUEUE_SIZE];
    if (last.kind == GUI_IN_PEN_MOVE && last.code == buttons) {
      last.x = clamp16(x);
      last.y = clamp16(y);
      return true;
    }
  }
  return push(GUI_IN_PEN_MOVE, x, y, buttons);
}

// Keys that are named rather than typed.
struct KeyCode {
  int32_t hostKey;
  int32_t code;
};

constexpr KeyCode NAMED_KEYS[] = {
    {HOST_KEY_BACKSPACE, 8},           {HOST_KEY_ESCAPE, 27},
    {HOST_KEY_DELETE, GUI_KEY_DELETE}, {HOST_KEY_UP, FCC("SCUP")},
    {HOST_KEY_DOWN, FCC("SCDN")},      {HOST_KEY_LEFT, FCC("ALFT")},
    {HOST_KEY_RIGHT, FCC("ARGT")},     {HOST_KEY_PAGE_UP, FCC("LsUp")},
    {HOST_KEY_PAGE_DOWN, FCC("LsDn")}, {HOST_KEY_HOME, GUI_KEY_HOME},
    {HOST_KEY_END, GUI_KEY_END},       {HOST_KEY_F1 + 0, FCC("APP1")},
    {HOST_KEY_F1 + 1, FCC("APP2")},    {HOST_KEY_F1 + 2, FCC("APP3")},
    {HOST_KEY_F1 + 3, FCC("APP4")},    {HOST_KEY_F1 + 4, FCC("APP5")},
};

bool isLetter(int32_t key) { return key >= 'a' && key <= 'z'; }
bool isDigit(int32_t key) { return key >= '0' && key <= '9'; }

// A key press. Printable keys wait for their text event, which carries
// the character the keyboard layout gives.
bool keyDown(const HostEvent& e) {
  int32_t key = e.key;
  bool ctrl = e.modifiers & HOST_MOD_CONTROL, alt = e.modifiers & HOST_MOD_ALT;
  g_in.swallowText = false;
  // The user's button mappings come before the built-in keys; a mapped
  // printable key does not type its character as well.
  int32_t mapped = 0;
  if (GuiKeyMapTranslate(key, e.modifiers, &mapped)) {
    g_in.swallowText = key >= ' ' && key < 127;
    if (mapped >= int32_t(FCC("PHN0")) && mapped <= int32_t(FCC("PHN9")))
      return push(GUI_IN_PHONE, 0, 0, mapped - int32_t(FCC("PHN0")));
    return push(GUI_IN_KEY, 0, 0, mapped);
  }
  if (ctrl && !alt && isLetter(key)) return push(GUI_IN_CONTROL, 0, 0, key - 'a' + 1);
  if (alt && !ctrl && (isLetter(key) || isDigit(key))) {
    g_in.swallowText = true;
    return push(GUI_IN_MNEMONIC, 0, 0, key);
  }
  if (key >= HOST_KEY_KP0 && key <= HOST_KEY_KP0 + 9) {
    g_in.swallowText = true;
    return push(GUI_IN_PHONE, 0, 0, key - HOST_KEY_KP0);
  }
  if (key == HOST_KEY_RETURN || key == HOST_KEY_KP_ENTER) return push(GUI_IN_RETURN, 0, 0, 0);
  if (key == HOST_KEY_TAB)
    return push(GUI_IN_KEY, 0, 0, (e.modifiers & HOST_MOD_SHIFT) ? FCC("TPRV") : FCC("TNXT"));
  if (key == HOST_KEY_F1 + 9) return push(GUI_IN_MENU_OPEN, -1, -1, 0);  // F10: the menu bar
  for (const KeyCode& k : NAMED_KEYS)
    if (k.hostKey == key) return push(GUI_IN_KEY, 0, 0, k.code);
  return false;
}

// Typed text: UTF-8 from the host, handed on as handheld characters.
bool text(const HostEvent& e) {
  if (g_in.swallowText) {
    g_in.swallowText = false;
    return true;
  }
  char chars[sizeof e.text];
  uint32_t n = TXT_FromUtf8(e.text, uint32_t(strnlen(e.text, sizeof e.text)), chars, sizeof chars);
  for (uint32_t i = 0; i < n; i++) {
    uint8_t c = uint8_t(chars[i]);
    if (c >= 32 && c != 127) (void)push(GUI_IN_KEY, 0, 0, c);
  }
  return true;
}

bool mouse(const HostEvent& e) {
  g_in.pointerX = clamp16(e.x);
  g_in.pointerY = clamp16(e.y);
  switch (e.kind) {
    case HOST_EVT_MOUSE_DOWN:
      return e.key == 1 && push(GUI_IN_PEN_DOWN, e.x, e.y, 1);
    case HOST_EVT_MOUSE_UP:
      if (e.key == 1) return push(GUI_IN_PEN_UP, e.x, e.y, 0);
      return e.key == 3 && push(GUI_IN_MENU_OPEN, e.x, e.y, 0);
    default:
      return pushMove(e.x, e.y, e.key);
  }
}

}  // namespace

bool GuiInputPush(const GuiInput& in) {
  if (g_in.count == GUI_INPUT_QUEUE_SIZE) return false;
  g_in.queue[(g_in.head + g_in.count) % GUI_INPUT_QUEUE_SIZE] = in;
  g_in.count++;
  return true;
}

bool GuiInputTake(GuiInput* out) {
  if (g_in.count == 0) return false;
  *out = g_in.queue[g_in.head];
  g_in.head = (g_in.head + 1) % GUI_INPUT_QUEUE_SIZE;
  g_in.count--;
  return true;
}

bool GuiInputPending() { return g_in.count > 0; }

void GuiInputReset() { g_in = InputState{}; }

void GuiPointer(int16_t* x, int16_t* y) {
  if (x) *x = g_in.pointerX;
  if (y) *y = g_in.pointerY;
}

bool GuiWindowProc(const HostEvent* event, uintptr_t) {
  switch (event->kind) {
    case HOST_EVT_MOUSE_DOWN:
    case HOST_EVT_MOUSE_UP:
    case HOST_EVT_MOUSE_MOVE:
      (void)mouse(*event);
      return true;
    case HOST_EVT_WHEEL:
      (void)push(GUI_IN_WHEEL, g_in.pointerX, g_in.pointerY, event->y);
      return true;
    case HOST_EVT_KEY_DOWN:
      (void)keyDown(*event);
      return true;
    case HOST_EVT_KEY_UP:
      return true;
    case HOST_EVT_TEXT:
      return text(*event);
    case HOST_EVT_RESIZE:
      GuiRequestRelayout();
      return true;
    default:
      // Close requests, paints and the rest keep the host's own answers.
      return false;
  }
}

Err GUI_PostCommand(FourCC code) {
  return GuiInputPush(GuiInput{GUI_IN_KEY, 0, 0, int32_t(code)}) ? 0 : ERR_HOST_QUEUE_FULL;
}

bool GUI_KeyHeld(FourCC code) {
  int32_t mapped = GuiKeyMapKeyFor(code);
  if (mapped >= 0 && HOST_KeyDown(mapped)) return true;
  switch (code) {
    case FCC("SLCT"):
      return HOST_KeyDown(HOST_KEY_RETURN) || HOST_KeyDown(HOST_KEY_KP_ENTER);
    case FCC("SCUP"):
      return HOST_KeyDown(HOST_KEY_UP);
    case FCC("SCDN"):
      return HOST_KeyDown(HOST_KEY_DOWN);
    case FCC("ALFT"):
      return HOST_KeyDown(HOST_KEY_LEFT);
    case FCC("ARGT"):
      return HOST_KeyDown(HOST_KEY_RIGHT);
    default:
      break;
  }
  if (code >= FCC("APP1") && code <= FCC("APP5"))
    return HOST_KeyDown(HOST_KEY_F1 + int32_t(code - FCC("APP1")));
  if (code >= FCC("PHN0") && code <= FCC("PHN9"))
    return HOST_KeyDown(HOST_KEY_KP0 + int32_t(code - FCC("PHN0")));
  return false;
}
