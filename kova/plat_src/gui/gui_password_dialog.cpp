// The password check dialog "kPwd": run over the open forms when private
// records are to be shown. A wrong password says so and keeps the dialog
// open; "Othr" offers the other security level (hide when masking, mask
// when hiding) instead of unlocking. Owns no state between calls.
#include <cstring>

#include "gui_ctl.h"
#include "gui_password.h"
#include "kova_picker.h"
#include "kova_res.h"

namespace {

constexpr FourCC TAG_FIELD = FCC("Pass");
constexpr FourCC TAG_WRONG = FCC("Wrng");
constexpr FourCC TAG_UNLOCK = FCC("Unlk");
constexpr FourCC TAG_OTHER = FCC("Othr");

int16_t otherLevel(int16_t level) { return level == 2 ? 1 : 2; }

int16_t passwordHandler(FourCC, GuiForm* form, uintptr_t, uintptr_t, int16_t kind, uintptr_t a1,
                        uintptr_t, uintptr_t, uintptr_t, uintptr_t) {
  if (kind == FORM_EVT_OPEN) {
    (void)GUI_Focus(form, TAG_FIELD);
    return 0;
  }
  if (kind != FORM_EVT_CONTROL || FourCC(a1) != TAG_UNLOCK) return 0;
  char typed[64] = "";
  (void)GUI_GetText(form, TAG_FIELD, typed, sizeof typed);
  bool right = PwdMatches(typed);
  memset(typed, 0, sizeof typed);
  if (right) return 0;  // the button closes the dialog with "Unlk"
  (void)GUI_SetText(form, TAG_FIELD, "");
  (void)GUI_SetText(form, TAG_WRONG, "Wrong password.  Please try again.");
  (void)GUI_Redraw(form, TAG_FIELD);
  (void)GUI_Redraw(form, TAG_WRONG);
  (void)GUI_Focus(form, TAG_FIELD);
  return 1;
}

}  // namespace

int16_t GUI_PasswordCheck(int16_t level) {
  if (!GUI_PasswordIsSet()) return GUI_PASSWORD_UNLOCK;
  GuiForm* form = nullptr;
  if (GUI_FormOpen(&form, FCC("kPwd"), 0, RES_TYPE_FORM, nullptr) != 0)
    return GUI_PASSWORD_CANCEL;  // no dialog, no unlocking
  int16_t other = otherLevel(level);
  (void)GUI_SetText(form, TAG_OTHER, other == 2 ? "Hide" : "Mask");
  const TagItem params[] = {{GUI_RUN_HANDLER, uintptr_t(passwordHandler)}, {0, 0}};
  uint32_t result = GUI_FormDoDialog(form, params);
  GUI_FormClose(form);
  if (result == TAG_UNLOCK) return GUI_PASSWORD_UNLOCK;
  if (result == TAG_OTHER) return other;
  return GUI_PASSWORD_CANCEL;
}
