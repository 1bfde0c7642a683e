// The common part of the preference dialogs: one bound form run as a
// dialog, the tips reset of "RSet", and the conversions the controls
// dialog needs (action codes to list positions, the seek timeout steps).
// Owns no state.
#include <cstring>

#include "main_handler.h"
#include "prefs_dialogs_internal.h"

namespace {

// Action codes in the order the pop-ups list them.
constexpr uint16_t kActionByPosition[] = {
    ACTION_FULL,     ACTION_EDIT, ACTION_DIAL, ACTION_DIAL_NOW, ACTION_QUICK,
    ACTION_SMS,      ACTION_BEAM, ACTION_SEND, ACTION_CARD,     ACTION_NEXT_CATEGORY,
    ACTION_CALL_LOG, ACTION_PAD,  ACTION_NONE, ACTION_NORMAL,
};
constexpr int16_t ACTION_POSITIONS =
    int16_t(sizeof kActionByPosition / sizeof kActionByPosition[0]);

constexpr int16_t SEEK_STEP_MS = 200;
constexpr int16_t SEEK_POSITIONS = 14;  // 0.2 … 2.8 s

}  // namespace

uint32_t PrefsRunForm(FourCC name, const DialogWord* bindings, PrefsPrepareFn prepare,
                      uintptr_t arg) {
  GuiForm* form = nullptr;
  Err err = GUI_FormOpen(&form, name, 0, RES_TYPE_FORM, nullptr);
  if (err != 0 || !form) {
    (void)DBG_Print(FCC("REPO"), "Preferences: cannot open form %t (%hd)\n", name, int(err));
    return GUI_RESULT_ERROR;
  }
  if (prepare) prepare(form, arg);
  uint32_t result = GUI_DialogPopup(form, bindings);
  GUI_FormClose(form);
  return result;
}

bool PrefsResultWritten(uint32_t result) {
  return result != FCC("CANC") && result != GUI_RESULT_ERROR && result != GUI_RESULT_BAD_BINDING;
}

uint16_t PrefsChangedSince(const Prefs* before) {
  return memcmp(before, &g_prefs, sizeof g_prefs) != 0 ? PREFS_DLG_REDRAW : 0;
}

bool PrefsAskResetTips() {
  if (MainAlert(FCC("Res?"), nullptr) != 0) return false;
  g_prefs.tipsShown = 0;
  return true;
}

int16_t PrefsResetTipsHandler(FourCC, GuiForm*, uintptr_t, uintptr_t, int16_t kind, uintptr_t a1,
                              uintptr_t, uintptr_t, uintptr_t, uintptr_t) {
  if (kind != FORM_EVT_CONTROL || FourCC(a1) != FCC("RSet")) return 0;
  (void)PrefsAskResetTips();
  return 1;  // the button does not close the dialog
}

int16_t PrefsActionPosition(uint16_t action) {
  for (int16_t i = 0; i < ACTION_POSITIONS; ++i)
    if (kActionByPosition[i] == action) return i;
  return 0;
}

int32_t PrefsActionCode(int16_t position) {
  if (position < 0 || position >= ACTION_POSITIONS) return -1;
  return kActionByPosition[position];
}

int16_t PrefsSeekPosition(int16_t timeoutMs) {
  int16_t position = int16_t(timeoutMs / SEEK_STEP_MS - 1);
  if (position < 0) return 0;
  return position >= SEEK_POSITIONS ? int16_t(SEEK_POSITIONS - 1) : position;
}

int16_t PrefsSeekTimeout(int16_t position) {
  if (position < 0 || position >= SEEK_POSITIONS) return -1;
  return int16_t((position + 1) * SEEK_STEP_MS);
}
