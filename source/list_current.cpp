// The contact the commands act on: the selected row mapped through the
// sort table, behind the password check for a private contact at security
// level 1. A right password unlocks private contacts for the rest of the
// run; they are then drawn unmasked too.
// Owns the run's unlock flag.
#include "kova_picker.h"
#include "list_internal.h"
#include "main_handler.h"
#include "sort.h"

namespace {

bool g_unlocked = false;

}  // namespace

void ListResetUnlock() { g_unlocked = false; }

bool ListPrivateUnlocked() { return g_unlocked; }

bool ListRowMasked(ContactDb* db, uint16_t index) {
  if (g_prefs.securityLevel != 1 || g_unlocked) return false;
  uint8_t attributes = 0;
  if (ContactGetAttributes(db, index, nullptr, &attributes) != 0) return false;
  return attributes & REC_ATTR_SECRET;
}

int32_t ContactCurrentRecord(GuiForm* form, int16_t sortMode, int16_t category, uint16_t flags) {
  const uint16_t* entries = nullptr;
  uint16_t count = SortGetList(nullptr, &entries, sortMode, category, 0);
  if (count == 0 || !entries || g_main.selectedRow < 0) return -1;
  int32_t row = g_main.selectedRow < count ? g_main.selectedRow : count - 1;
  uint16_t record = entries[row];
  if (g_prefs.securityLevel == 1 && !(flags & LIST_CURRENT_NO_CHECK) && !g_unlocked) {
    ContactDb* db = nullptr;
    bool secret = false;
    if (ContactDbOpen(&db, false, true) == 0) {
      uint8_t attributes = 0;
      secret = ContactGetAttributes(db, record, nullptr, &attributes) == 0 &&
               (attributes & REC_ATTR_SECRET);
      ContactDbClose(&db);
    }
    if (secret) {
      int16_t answer = GUI_PasswordCheck(1);
      if (answer == GUI_PASSWORD_CANCEL) return -1;
      if (answer != GUI_PASSWORD_UNLOCK) {
        // The level chosen instead: hidden contacts leave the list.
        g_prefs.securityLevel = uint16_t(answer);
        if (form) ListDraw(form, LIST_REBUILD);
        return -1;
      }
      g_unlocked = true;
    }
  }
  return (flags & LIST_CURRENT_RECORD) ? int32_t(record) : row;
}
