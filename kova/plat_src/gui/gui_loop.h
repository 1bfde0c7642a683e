// Private seams of the run loop's modules: the manager's input queue that
// the window procedure fills (gui_input.cpp), dispatching queued input to a
// form (gui_dispatch.cpp, gui_keys.cpp), the screen overlay used by open
// menus and pop-up lists (gui_screen.cpp), the menu bar and the commands
// (gui_menu.cpp, gui_command.cpp) and the loop's pump step shared with the
// pop-up list (gui_run.cpp). Only those modules, gui_popup, gui_alert,
// gui_start and the test harness include it; the rest of the manager goes
// through gui_internal.h.
#pragma once

#include "gui_internal.h"
#include "kova_host.h"

// ---------------------------------------------------------------------------
// The input queue (gui_input.cpp). Positions are screen pixels; which form
// they fall in is decided when the event is dispatched.

enum GuiInputKind : uint8_t {
  GUI_IN_PEN_DOWN,   // left button pressed at (x, y)
  GUI_IN_PEN_UP,     // left button released at (x, y)
  GUI_IN_PEN_MOVE,   // pointer at (x, y); code = buttons held (bit 0 left)
  GUI_IN_MENU_OPEN,  // right button released at (x, y), or F10
  GUI_IN_WHEEL,      // wheel at the pointer (x, y); code = notches (+ = away)
  GUI_IN_KEY,        // code = a character (< 256) or a key / command code
  GUI_IN_RETURN,     // Return or the number pad's Enter
  GUI_IN_CONTROL,    // Ctrl + letter: code = 1 … 26
  GUI_IN_MNEMONIC,   // Alt + letter or digit: code = the lower-case character
  GUI_IN_PHONE,      // number pad digit: code = 0 … 9
  GUI_IN_MENU,       // a menu command: code = the item's name
};

struct GuiInput {
  GuiInputKind kind;
  int16_t x, y;
  int32_t code;
};

inline constexpr uint32_t GUI_INPUT_QUEUE_SIZE = 128;

// Appends an event; false when the queue is full.
bool GuiInputPush(const GuiInput& in);
// Takes the oldest event; false when none waits.
bool GuiInputTake(GuiInput* out);
bool GuiInputPending();
// Empties the queue and forgets the pointer and key state.
void GuiInputReset();
// The pointer's last known screen position.
void GuiPointer(int16_t* x, int16_t* y);
// The window procedure: host events into the queue (true when taken).
bool GuiWindowProc(const HostEvent* event, uintptr_t data);

// ---------------------------------------------------------------------------
// Dispatching (gui_dispatch.cpp, gui_keys.cpp).

// Hands one queued event to the running form `form`: FORM_EVT_INPUT first
// for user input, then the pen, the menu, a key through the focused
// control, the handler and the manager's own handling.
void GuiDispatchInput(GuiForm* form, const GuiInput& in);
// A key or command code through the chain: the focused control, then
// FORM_EVT_KEY, then the manager (navigation, escape and default buttons,
// mnemonics, the field and menu commands).
void GuiDispatchKey(GuiForm* form, int32_t code);
// Moves the focus for a navigation code ("MVUP", "MVDN", "MVLF", "MVRT",
// "TNXT", "TPRV"); true when the focus moved.
bool GuiNavigate(GuiForm* form, FourCC code);
// The button a "Dflt"/"Escp" value names (an index + 1 into the form's
// buttons, or a button tag); null when none.
GuiObject* GuiButtonFor(GuiForm* form, uint32_t ref);
// Presses an object as a tap in its middle would (pen down, then up).
void GuiPressObject(GuiForm* form, GuiObject* object);

// ---------------------------------------------------------------------------
// The screen (gui_screen.cpp).

// Frees the state record and the screen surface (GUI_Stop).
void GuiGlobalFree();

// Where a form lies on the screen: full-screen forms where laid out,
// modal forms and alerts centred.
GfxRect GuiFormScreenRect(const GuiForm* form);
// A drawing laid over the composed screen (an open menu, a pop-up list);
// null removes it.
using GuiOverlayFn = void (*)(GfxCanvas* screen, uintptr_t data);
void GuiSetOverlay(GuiOverlayFn draw, uintptr_t data);
// Asks for every open form to be laid out again for the window's new size
// (done by GuiRelayoutIfNeeded at the next turn of the loop).
void GuiRequestRelayout();
void GuiRelayoutIfNeeded();

// ---------------------------------------------------------------------------
// Menus (gui_menu.cpp, gui_command.cpp).

// Opens the pull-down menu `index` of the form's menu bar (-1: the one
// under screen x, if any). False when the form has no menu bar.
bool GuiMenuOpen(GuiForm* form, int16_t index, int16_t screenX);
void GuiMenuClose();
bool GuiMenuIsOpen();
// Tracks an open menu with one event; the event is always consumed.
void GuiMenuInput(GuiForm* form, const GuiInput& in);
// The item whose shortcut is Ctrl + `letter` ("A" … "Z"): its name, or 0.
FourCC GuiMenuShortcut(GuiForm* form, char letter);
// A chosen menu command: FORM_EVT_MENU, then, when the handler leaves it,
// GuiManagerCommand.
void GuiMenuCommand(GuiForm* form, FourCC name);
// The manager's own commands: "CUTT", "COPY", "PSTE", "SLCT", "UNDO" on the
// focused field, "HELP" (the form's help text in an alert), "KEYB" (the
// first editable field takes the focus), "EXIT" (quit). False for others.
bool GuiManagerCommand(GuiForm* form, FourCC name);
// Draws the strip of the form's menu bar across the top of the screen.
void GuiMenuDrawBar(const GuiForm* form, GfxCanvas* screen);
// Frees the cached menu bar and closes any open menu.
void GuiMenuReset();

// ---------------------------------------------------------------------------
// The loop (gui_run.cpp).

// Calls the loop hook; false when it asks the loop to end.
bool GuiCallLoopHook(GuiForm* form);
// One pump step unless input already waits: dispatches the host's waiting
// messages or sleeps up to 100 ms. False once the program must quit.
bool GuiPumpStep();
// True once quitting was requested (the host's quit message).
bool GuiQuitRequested();
// Forgets the quit request (GUI_Start, GUI_Stop). The loop hook stays: a
// test installs it before the program starts the manager.
void GuiRunReset();
