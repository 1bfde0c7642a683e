// The dial pad of the list screens: the digit buffer (g_prefs.dialPad, at
// most 19 digits), the keypad name match that narrows the list while the
// number mode is off, and the pad commands. The typed digits stand in the
// form's title; an emptied pad gives the title back.
// Owns no state of its own (the buffer is the preference block's run-time
// part, the number mode g_main's).
#include <cstring>

#include "main_handler.h"
#include "phone.h"
#include "sort.h"

namespace {

// Letters on the telephone keypad: a b c → 2 … w x y z → 9.
constexpr char kKeyOfLetter[] = "22233344455566677778889999";

// The list name of a sort mode: last name (4), first name (5), with the
// company (6, 7) when the list shows it, or company first (8).
int16_t nameColumn(int16_t sortMode) {
  if (sortMode == 2) return 8;
  int16_t column = sortMode == 1 ? 5 : 4;
  return g_prefs.showCompanyInList ? int16_t(column + 2) : column;
}

struct PadFilter {
  int16_t sortMode;
  const char* digits;
};

bool keepMatching(const ContactRec* rec, uint16_t position, uint16_t count, uintptr_t user,
                  bool* stop) {
  (void)position, (void)count, (void)stop;
  const PadFilter* filter = reinterpret_cast<const PadFilter*>(user);
  return PadMatch(rec, filter->sortMode, filter->digits);
}

bool isPadDigit(FourCC c) {
  return (c & 0xFFFFFF00u) == (FCC("Pad0") & 0xFFFFFF00u) && (c & 0xFF) >= '0' && (c & 0xFF) <= '9';
}

}  // namespace

char PadDigitOfLetter(uint8_t letter) {
  return letter >= 'a' && letter <= 'z' ? kKeyOfLetter[letter - 'a'] : 0;
}

bool PadMatch(const ContactRec* rec, int16_t sortMode, const char* digits) {
  char* name = ContactColumnText(rec, nameColumn(sortMode), 0, nullptr, nullptr, 0, 0, 0);
  if (!name) return false;
  bool match = true;
  for (size_t i = 0; digits[i] != 0 && match; ++i) {
    uint8_t c = uint8_t(name[i]);
    if (c == 0) {
      match = false;  // the name is shorter than the digits
      break;
    }
    uint8_t letter = PadLetter(c);
    char key = letter ? PadDigitOfLetter(letter) : char(c);
    match = key == digits[i];
  }
  MEM_Free(name);
  return match;
}

void MainPadClear() {
  g_prefs.dialPadLength = 0;
  memset(g_prefs.dialPad, 0, sizeof g_prefs.dialPad);
}

bool MainPadAppend(char digit) {
  if (g_prefs.dialPadLength >= MAIN_PAD_MAX) return false;
  g_prefs.dialPad[g_prefs.dialPadLength++] = digit;
  g_prefs.dialPad[g_prefs.dialPadLength] = 0;
  return true;
}

bool MainPadBackspace() {
  if (g_prefs.dialPadLength == 0) return false;
  g_prefs.dialPad[--g_prefs.dialPadLength] = 0;
  return true;
}

uint16_t MainPadFilter() {
  int16_t sortMode = MainSortMode();
  // Each change of the digits starts again from the whole list, so that a
  // removed digit widens the list as well.
  uint16_t count =
      SortGetList(nullptr, nullptr, sortMode, g_prefs.currentCategory, SORT_LIST_DROP_SEARCH);
  if (g_prefs.dialPadLength == 0 || count == 0) return 0;
  PadFilter filter{sortMode, g_prefs.dialPad};
  return SortRefineList(keepMatching, reinterpret_cast<uintptr_t>(&filter));
}

void MainShowPadTitle(GuiForm* form) {
  char name[32] = "Brantel";
  const char* title = g_prefs.dialPad;
  if (g_prefs.dialPadLength == 0) {
    (void)RES_GetString(FCC("NAME"), name, sizeof name);
    title = name;
  }
  (void)GUI_SetText(form, FCC("Titl"), title);
}

bool MainPadCommand(GuiForm* form, FourCC c) {
  if (isPadDigit(c) || c == FCC("PadB")) {
    bool changed = c == FCC("PadB") ? MainPadBackspace() : MainPadAppend(char(c & 0xFF));
    if (!changed) return true;  // a full pad, or backspace on an empty one
    if (!g_main.numberMode) {
      (void)MainPadFilter();
      g_main.selectedRow = 0;
    }
    MainShowPadTitle(form);
    MainListDraw(form, 0);
    return true;
  }
  if (c == FCC("SrtN")) {
    int32_t on = 0;
    (void)GUI_GetValue(form, FCC("SrtN"), &on);
    g_main.numberMode = on != 0;
    // Digits typed as a number do not filter the list; back in name mode
    // they do again.
    if (g_main.numberMode)
      (void)SortGetList(nullptr, nullptr, MainSortMode(), g_prefs.currentCategory,
                        SORT_LIST_DROP_SEARCH);
    else
      (void)MainPadFilter();
    g_main.selectedRow = 0;
    MainUpdateSortButtons(form);
    MainListDraw(form, 0);
    return true;
  }
  return false;
}
