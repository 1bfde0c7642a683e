// The preference dialogs made of text fields: the phone number formats
// "FPrf", the custom field names "CNam" (five of them hidden for an
// address book with four custom fields) and the quick-dial entries "QPrf".
// Owns no state.
#include <cstring>

#include "dbase.h"
#include "prefs_dialogs_internal.h"

namespace {

constexpr int QUICK_ENTRIES = 7;
constexpr int LABELS_SHOWN = 9;
constexpr int LABELS_ALWAYS = 4;  // an AddressDB book has four custom fields

// A tag "<prefix><digit>" ("Fmt0", "Nam5").
FourCC numbered(const char* prefix3, int digit) {
  return (FourCC(uint8_t(prefix3[0])) << 24) | (FourCC(uint8_t(prefix3[1])) << 16) |
         (FourCC(uint8_t(prefix3[2])) << 8) | FourCC(uint8_t('0' + digit));
}

// Whether the address book has nine custom fields (ContactsDB-PAdd). With
// no book at all the new one will be that layout, so all nine show.
bool nineCustomFields() {
  ContactDb* db = nullptr;
  if (ContactDbOpen(&db, false, true) != 0 || !db) return true;
  bool nine = db->isContacts != 0;
  ContactDbClose(&db);
  return nine;
}

}  // namespace

uint16_t PrefsFormatDialog() {
  Prefs before;
  memcpy(&before, &g_prefs, sizeof before);
  DialogWord bindings[5 * 4 + 1];
  int n = 0;
  for (int i = 0; i < 5; ++i) {
    bindings[n++] = DLG_TEXT;
    bindings[n++] = numbered("Fmt", i);
    bindings[n++] = PrefsWord(g_prefs.phoneTemplates[i]);
    bindings[n++] = sizeof g_prefs.phoneTemplates[i];
  }
  bindings[n] = DLG_END;
  if (PrefsResultWritten(PrefsRunForm(FCC("FPrf"), bindings))) {
    PrefsClampRanges(&g_prefs);
    PrefsCountTemplateDigits(&g_prefs);
  }
  return PrefsChangedSince(&before);
}

uint16_t PrefsLabelsDialog() {
  Prefs before;
  memcpy(&before, &g_prefs, sizeof before);
  DialogWord shown = nineCustomFields() ? 1 : 0;
  DialogWord bindings[3 + LABELS_SHOWN * 4 + (LABELS_SHOWN - LABELS_ALWAYS) * 6 + 1];
  int n = 0;
  bindings[n++] = DLG_VALUE8;
  bindings[n++] = FCC("CAdd");
  bindings[n++] = PrefsWord(&g_prefs.customAddress);
  for (int i = 0; i < LABELS_SHOWN; ++i) {
    bindings[n++] = DLG_TEXT;
    bindings[n++] = numbered("Nam", i + 1);
    bindings[n++] = PrefsWord(g_prefs.customLabels[i]);
    bindings[n++] = sizeof g_prefs.customLabels[i];
  }
  for (int i = LABELS_ALWAYS; i < LABELS_SHOWN; ++i) {
    bindings[n++] = DLG_USABLE;
    bindings[n++] = numbered("Nam", i + 1);
    bindings[n++] = shown;
    bindings[n++] = DLG_USABLE;
    bindings[n++] = numbered("Lab", i + 1);
    bindings[n++] = shown;
  }
  bindings[n] = DLG_END;
  if (PrefsResultWritten(PrefsRunForm(FCC("CNam"), bindings))) PrefsClampRanges(&g_prefs);
  return PrefsChangedSince(&before);
}

uint16_t PrefsQuickDialog() {
  Prefs before;
  memcpy(&before, &g_prefs, sizeof before);
  DialogWord bindings[QUICK_ENTRIES * 12 + 1];
  int n = 0;
  for (int i = 0; i < QUICK_ENTRIES; ++i) {
    bindings[n++] = DLG_TEXT;
    bindings[n++] = numbered("Nam", i);
    bindings[n++] = PrefsWord(g_prefs.quickDialNames[i]);
    bindings[n++] = sizeof g_prefs.quickDialNames[i];
    bindings[n++] = DLG_TEXT;
    bindings[n++] = numbered("Num", i);
    bindings[n++] = PrefsWord(g_prefs.quickDialNumbers[i]);
    bindings[n++] = sizeof g_prefs.quickDialNumbers[i];
    bindings[n++] = DLG_BITS8;
    bindings[n++] = numbered("Sel", i);
    bindings[n++] = PrefsWord(&g_prefs.quickDialEnabled);
    bindings[n++] = DialogWord(1u << i);
  }
  bindings[n] = DLG_END;
  if (PrefsResultWritten(PrefsRunForm(FCC("QPrf"), bindings))) PrefsClampRanges(&g_prefs);
  return PrefsChangedSince(&before);
}
