// The security dialog "Secu": how private contacts are listed (0 shown,
// 1 masked, 2 hidden). Moving to a more open level asks the platform's
// password check first; "Password..." opens "PwdS" to set, change or remove
// the password (the current one, then the new one twice). Also the level
// a run starts with. Owns no state.
#include <cstring>

#include "main_handler.h"
#include "prefs_dialogs.h"

namespace {

constexpr FourCC TAG_PASSWORD = FCC("PSet");
constexpr FourCC TAG_STATE = FCC("PInf");
constexpr FourCC TAG_OLD = FCC("POld");
constexpr FourCC TAG_OLD_LABEL = FCC("LOld");
constexpr FourCC TAG_NEW = FCC("PNew");
constexpr FourCC TAG_AGAIN = FCC("PNw2");
constexpr FourCC TAG_MESSAGE = FCC("PMsg");
constexpr uint32_t PASSWORD_BYTES = 32;

void showState(GuiForm* form) {
  (void)GUI_SetText(form, TAG_STATE,
                    GUI_PasswordIsSet() ? "A password is set." : "No password is set.");
  (void)GUI_Redraw(form, TAG_STATE);
}

void say(GuiForm* form, const char* text) {
  (void)GUI_SetText(form, TAG_MESSAGE, text);
  (void)GUI_Redraw(form, TAG_MESSAGE);
}

// "OKAY" of "PwdS": the new password typed twice alike, the current one
// right; otherwise the dialog says why and stays open.
int16_t passwordSetHandler(FourCC, GuiForm* form, uintptr_t, uintptr_t, int16_t kind, uintptr_t a1,
                           uintptr_t, uintptr_t, uintptr_t, uintptr_t) {
  if (kind == FORM_EVT_OPEN) {
    bool set = GUI_PasswordIsSet();
    (void)GUI_Show(form, TAG_OLD, set);
    (void)GUI_Show(form, TAG_OLD_LABEL, set);
    (void)GUI_Focus(form, set ? TAG_OLD : TAG_NEW);
    return 0;
  }
  if (kind != FORM_EVT_CONTROL || FourCC(a1) != FCC("OKAY")) return 0;
  char old[PASSWORD_BYTES] = "", fresh[PASSWORD_BYTES] = "", again[PASSWORD_BYTES] = "";
  (void)GUI_GetText(form, TAG_OLD, old, sizeof old);
  (void)GUI_GetText(form, TAG_NEW, fresh, sizeof fresh);
  (void)GUI_GetText(form, TAG_AGAIN, again, sizeof again);
  int16_t handled = 1;
  if (strcmp(fresh, again) != 0) {
    say(form, "The new passwords differ.");
  } else {
    Err err = GUI_PasswordSet(old, fresh);
    if (err == ERR_FILE_PARAM)
      say(form, "The current password is wrong.");
    else if (err != 0)
      say(form, "The password could not be saved.");
    else
      handled = 0;  // stored: the button closes the dialog
  }
  memset(old, 0, sizeof old);
  memset(fresh, 0, sizeof fresh);
  memset(again, 0, sizeof again);
  return handled;
}

int16_t securityHandler(FourCC, GuiForm* form, uintptr_t, uintptr_t, int16_t kind, uintptr_t a1,
                        uintptr_t, uintptr_t, uintptr_t, uintptr_t) {
  if (kind == FORM_EVT_OPEN) {
    showState(form);
    return 0;
  }
  if (kind == FORM_EVT_CONTROL && FourCC(a1) == TAG_PASSWORD) {
    GuiForm* dialog = nullptr;
    if (GUI_FormOpen(&dialog, FCC("PwdS"), 0, RES_TYPE_FORM, nullptr) == 0) {
      const TagItem params[] = {{GUI_RUN_HANDLER, uintptr_t(passwordSetHandler)}, {0, 0}};
      (void)GUI_FormDoDialog(dialog, params);
      GUI_FormClose(dialog);
    }
    showState(form);
    return 1;
  }
  return 0;
}

// The level the user may have: a more open one than `from` only after the
// password check; the check's other level is taken when it is not more
// open than `from`.
uint16_t allowedLevel(uint16_t from, uint16_t to) {
  if (to >= from) return to;
  int16_t answer = GUI_PasswordCheck(int16_t(from));
  if (answer == GUI_PASSWORD_UNLOCK) return to;
  if (answer > 0 && uint16_t(answer) >= from) return uint16_t(answer);
  return from;
}

}  // namespace

uint16_t PrefsSecurityAtStart() { return GUI_PasswordIsSet() ? 1 : 0; }

uint16_t PrefsSecurityDialog() {
  GuiForm* form = nullptr;
  if (GUI_FormOpen(&form, FCC("Secu"), 0, RES_TYPE_FORM, nullptr) != 0) return 0;
  uint16_t from = g_prefs.securityLevel > 2 ? 2 : g_prefs.securityLevel;
  uint16_t level = from;
  const DialogWord bindings[] = {DLG_EQUAL16,
                                 FCC("Lev0"),
                                 DialogWord(&level),
                                 0,
                                 DLG_EQUAL16,
                                 FCC("Lev1"),
                                 DialogWord(&level),
                                 1,
                                 DLG_EQUAL16,
                                 FCC("Lev2"),
                                 DialogWord(&level),
                                 2,
                                 DLG_HANDLER,
                                 DialogWord(securityHandler),
                                 DLG_END};
  uint32_t result = GUI_DialogPopup(form, bindings);
  GUI_FormClose(form);
  if (result != FCC("OKAY") || level == from) return 0;
  uint16_t chosen = allowedLevel(from, level);
  if (chosen == g_prefs.securityLevel) return 0;
  g_prefs.securityLevel = chosen;
  return PREFS_DLG_REBUILD;
}
