// Menu commands and the manager's own commands: FORM_EVT_MENU to the
// handler, then what the manager does with the commands it knows: the field
// editing commands on the focused field, the form's help text shown in the
// platform's help alert, "KEYB" (the desktop has a keyboard: the first
// editable field takes the focus) and "EXIT" (the program quits). Owns no
// state.
#include <vector>

#include "gui_loop.h"
#include "kova_res.h"

namespace {

// The platform's help alert: its message is one "%s" the help text fills.
constexpr FourCC HELP_ALERT = FCC("kHlp");
constexpr uint32_t HELP_TEXT_BYTES = 4000;

void showHelp(GuiForm* form) {
  if (form->help == 0) return;
  std::vector<char> text(HELP_TEXT_BYTES);
  if (RES_GetString(form->help, text.data(), HELP_TEXT_BYTES) != 0) return;
  const char* args[] = {text.data(), nullptr};
  (void)GUI_AlertCustom(HELP_ALERT, args);
}

void focusFirstField(GuiForm* form) {
  for (auto& o : form->objects) {
    if (o->kind != FCC("FELD") || (o->flags & OBJ_NOT_EDITABLE)) continue;
    GuiSetFocus(form, o.get());
    if (form->focus == o.get()) return;
  }
}

}  // namespace

void GuiMenuCommand(GuiForm* form, FourCC name) {
  if (!form || name == 0) return;
  if (GuiSendEvent(form, FORM_EVT_MENU, name)) return;
  (void)GuiManagerCommand(form, name);
}

bool GuiManagerCommand(GuiForm* form, FourCC name) {
  switch (name) {
    case FCC("CUTT"):
    case FCC("COPY"):
    case FCC("PSTE"):
    case FCC("SLCT"):
    case FCC("UNDO"):
      return GuiFieldCommand(form, name);
    case FCC("HELP"):
      showHelp(form);
      return true;
    case FCC("KEYB"):
      focusFirstField(form);
      return true;
    case FCC("EXIT"):
      HOST_PostQuit();
      return true;
    default:
      return false;
  }
}
