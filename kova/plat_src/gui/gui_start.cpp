// Start and stop of the form manager (use-counted): the text module, the
// sound output (the alerts' beeps), the key mappings file, the window
// procedure that feeds the manager's input queue, and the manager's state.
// Stopping closes every form still open (newest first), forgets the loaded
// key mappings and frees the screen. Owns the use count.
#include "gui_keymap.h"
#include "gui_loop.h"
#include "kova_picker.h"
#include "kova_sound.h"
#include "kova_text.h"

namespace {

uint32_t g_useCount = 0;

}  // namespace

Err GUI_Start() {
  if (g_useCount > 0) {
    g_useCount++;
    return 0;
  }
  Err err = TXT_Start();
  if (err != 0) return err;
  g_useCount = 1;
  // A machine without audio runs silently; a damaged mappings file leaves
  // the built-in keys.
  (void)SND_Open();
  (void)GUI_KeyMapLoad();
  (void)GuiGlobal();
  GuiInputReset();
  GuiMenuReset();
  GuiRunReset();
  HOST_SetWindowProc(GuiWindowProc, 0);
  return 0;
}

void GUI_Stop() {
  if (g_useCount == 0 || --g_useCount > 0) return;
  GuiMenuClose();
  GuiSetOverlay(nullptr, 0);
  GuiState* g = GuiGlobal();
  // Newest first; a close that failed to unlink its form must not loop.
  for (size_t n = g->forms.size(); n > 0 && !g->forms.empty(); n--) GUI_FormClose(g->forms.back());
  HOST_SetWindowProc(nullptr, 0);
  GuiInputReset();
  GuiMenuReset();
  GuiRunReset();
  GuiGlobalFree();
  GuiKeyMapReset();
  SND_Close();
  TXT_Stop();
}

bool GUI_Started() { return g_useCount > 0; }
