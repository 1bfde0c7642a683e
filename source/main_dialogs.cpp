// The main screen's preference and settings commands: each opens its dialog
// (source/prefs_dialogs*.cpp) and then does what the dialog's answer asks
// of the list: a redraw, a list rebuilt over a rebuilt sort table, the
// category pop-up refilled, or a switch to the newly chosen layout.
// Owns no state.
#include "main_handler.h"
#include "prefs_dialogs.h"
#include "sort.h"

namespace {

void apply(GuiForm* form, uint16_t answer) {
  if (answer & PREFS_DLG_RELAYOUT) {
    // The form manager closes this layout and opens the chosen one.
    GUI_FormGoto(g_prefs.startForm);
    return;
  }
  if (answer & PREFS_DLG_REBUILD) {
    MainFillCategories(form);
    MainUpdateSortButtons(form);
  }
  MainListDraw(form, (answer & PREFS_DLG_REBUILD) ? LIST_DRAW_REBUILD : 0);
}

}  // namespace

bool MainSettingsCommand(GuiForm* form, FourCC command) {
  FourCC layout = GUI_FormTag(form);
  uint16_t answer = 0;
  switch (command) {
    case FCC("View"):
      answer = PrefsLayoutDialog();
      // Choosing the layout already shown is no switch.
      if ((answer & PREFS_DLG_RELAYOUT) && g_prefs.startForm == layout)
        answer &= uint16_t(~PREFS_DLG_RELAYOUT);
      break;
    case FCC("Font"): {
      int slot = MainLayoutIndex(layout);
      answer = PrefsFontDialog(slot < 0 ? 0 : slot) | PREFS_DLG_REDRAW;
      break;
    }
    case FCC("CPrf"):
      answer = PrefsControlsDialog();
      break;
    case FCC("Secu"):
      answer = PrefsSecurityDialog();
      break;
    case FCC("Btns"):
      answer = PrefsButtonsDialog();
      break;
    default:
      return false;
  }
  apply(form, answer);
  return true;
}

bool MainSettingsDialog(FourCC command, bool* changed) {
  uint16_t answer = 0;
  switch (command) {
    case FCC("pPrf"):
      answer = PrefsGeneralDialog();
      break;
    case FCC("Cate"):
      answer = PrefsCategoryDialog();
      break;
    case FCC("QPrf"):
      answer = PrefsQuickDialog();
      break;
    case FCC("Abou"):
      answer = PrefsAboutDialog();
      break;
    default:
      return false;
  }
  if (changed) *changed = answer != 0;
  return true;
}
