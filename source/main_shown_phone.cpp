// "SShw": one phone label chosen in the dialog "SShw" becomes the shown
// phone of every contact of the list that has a number with that label
// (the last such number), so the list's phone column shows, say, every
// mobile number at once.
// Owns no state.
#include <cstring>

#include "kova_res.h"
#include "main_handler.h"
#include "parse.h"
#include "sort.h"

namespace {

constexpr int LABELS = 8;

// The label the user chose, or -1 on cancel.
int16_t chooseLabel() {
  GuiForm* dialog = nullptr;
  if (GUI_FormOpen(&dialog, FCC("SShw"), 0, RES_TYPE_FORM, nullptr) != 0) return -1;
  char names[LABELS][40];
  const char* items[LABELS];
  for (int i = 0; i < LABELS; ++i) {
    if (RES_GetString(FCC("$lP0") + uint32_t(i), names[i], sizeof names[i]) != 0)
      STR_Format(names[i], sizeof names[i], "%hd", i + 1);
    items[i] = names[i];
  }
  (void)GUI_ListSetItems(dialog, FCC("LTyp"), items, LABELS);
  (void)GUI_SetValue(dialog, FCC("LTyp"), 0);
  (void)GUI_SetText(dialog, FCC("TTyp"), items[0]);
  uint32_t result = GUI_FormDoDialog(dialog, nullptr);
  int32_t chosen = -1;
  (void)GUI_GetValue(dialog, FCC("LTyp"), &chosen);
  GUI_FormClose(dialog);
  return result == FCC("OKAY") && chosen >= 0 && chosen < LABELS ? int16_t(chosen) : -1;
}

// Makes the contact's last non-empty phone with `label` its shown phone,
// unless the shown one already carries it. True when the record changed.
bool showLabel(ContactRec* rec, int16_t label) {
  int32_t count = ContactGetInfo(rec, ContactInfo::PhoneCount, 0);
  int32_t shown = ContactGetInfo(rec, ContactInfo::ShownPhone, 0);
  if (shown >= 0 && ContactGetInfo(rec, ContactInfo::PhoneLabel, int16_t(shown)) == label)
    return false;
  int16_t pick = -1;
  for (int16_t slot = 0; slot < count; ++slot) {
    if (ContactGetInfo(rec, ContactInfo::PhoneLabel, slot) != label) continue;
    char* text = ContactGetField(rec, FieldKind::Phone, slot, nullptr, 0, FIELD_NULL_IF_ABSENT);
    if (text && text[0]) pick = slot;
    MEM_Free(text);
  }
  return pick >= 0 && ContactSetInfo(rec, ContactInfo::ShownPhone, 0, pick) == 0;
}

}  // namespace

uint16_t MainShowPhoneLabel(int16_t label) {
  const uint16_t* entries = nullptr;
  uint16_t count = SortGetList(nullptr, &entries, MainSortMode(), g_prefs.currentCategory, 0);
  if (count == 0 || !entries) return 0;
  // The list may move while records are written: work on a copy.
  uint16_t* rows = static_cast<uint16_t*>(MEM_Alloc(uint32_t(count) * sizeof(uint16_t), false));
  if (!rows) return 0;
  memcpy(rows, entries, count * sizeof(uint16_t));
  ContactDb* db = nullptr;
  uint16_t changed = 0;
  if (ContactDbOpen(&db, true, false) == 0) {
    for (uint16_t i = 0; i < count; ++i) {
      ContactRec rec{};
      if (ContactFetch(&rec, db, rows[i]) != 0) continue;
      if (showLabel(&rec, label)) ++changed;
      ContactRelease(&rec);
    }
    ContactDbClose(&db);
  }
  MEM_Free(rows);
  return changed;
}

void MainShowPhoneCommand(GuiForm* form) {
  int16_t label = chooseLabel();
  if (label >= 0) (void)MainShowPhoneLabel(label);
  MainListDraw(form, 0);
}
