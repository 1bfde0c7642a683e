// Alerts: an "ALRT" resource opened as a form, run as a dialog (its kind's
// sound, its default and escape buttons), closed, and its result turned into
// a button index. A custom alert's texts go into the message's "%s" and
// "%hd" markers as plain text when the alert is opened; they are never read
// as formats. Owns no state.
#include "gui_loop.h"
#include "kova_debug.h"
#include "kova_res.h"

namespace {

uint32_t runAlert(uint32_t alertId, uint32_t flags, const char* const* args) {
  GuiForm* form = nullptr;
  Err err = GUI_FormOpen(&form, alertId, flags, RES_TYPE_ALERT, args);
  if (err != 0 || !form) {
    // No alert to ask with: an answer that is none of its buttons.
    DBG_Print(FCC("SCRN"), "GUI_Alert: alert %lx cannot be opened (%hd)\n", alertId, int(err));
    return GUI_RESULT_ERROR;
  }
  uint32_t result = GUI_FormDoDialog(form, nullptr);
  GUI_FormClose(form);
  // Buttons of a row set index + 1; anything else is passed on as it is.
  return result < 256 ? result - 1 : result;
}

}  // namespace

uint32_t GUI_Alert(uint32_t alertId) { return runAlert(alertId, 0, nullptr); }

uint32_t GUI_AlertCustom(uint32_t alertId, const char* const* args) {
  return runAlert(alertId, GUI_OPEN_CUSTOM_ALERT, args);
}
