// The command dispatch of the main screen: menu items, buttons, keys and
// the action codes all run through MainRunCommand. The commands backed by
// a module act here (new, duplicate, delete, sort, repair, categories, the
// pad, the queued hardware action); the others go to main_pending.cpp.
// Owns no state beyond g_main (main_handler.cpp).
#include <cstring>

#include "list.h"
#include "main_handler.h"
#include "sort.h"

namespace {

struct ActionEntry {
  uint16_t action;
  FourCC command;
};

constexpr ActionEntry kActions[] = {
    {ACTION_FULL, FCC("Full")},          {ACTION_EDIT, FCC("Edit")},     {ACTION_DIAL, FCC("Dial")},
    {ACTION_BEAM, FCC("Beam")},          {ACTION_SEND, FCC("Send")},     {ACTION_CARD, FCC("BCrd")},
    {ACTION_NEXT_CATEGORY, FCC("NCat")}, {ACTION_CALL_LOG, FCC("DHst")}, {ACTION_SMS, FCC("SMsg")},
    {ACTION_DIAL_NOW, FCC("Dimm")},      {ACTION_QUICK, FCC("Quik")},    {ACTION_PAD, FCC("DPad")},
};

// Commands that work on the selected contact: without one (or without a
// database) they only redraw.
constexpr FourCC kNeedRecord[] = {FCC("Full"), FCC("Edit"), FCC("Beam"), FCC("Send"), FCC("FndC"),
                                  FCC("LstG"), FCC("Prnt"), FCC("Mapp"), FCC("Dimm"), FCC("SMsg")};

bool needsRecord(FourCC c) {
  for (FourCC n : kNeedRecord)
    if (n == c) return true;
  return false;
}

void redraw(GuiForm* form) { MainListDraw(form, 0); }

bool inRange(FourCC c, FourCC first, FourCC last) {
  return (c & 0xFFFFFF00u) == (first & 0xFFFFFF00u) && (c & 0xFF) >= (first & 0xFF) &&
         (c & 0xFF) <= (last & 0xFF);
}

// The sort push buttons in sort-mode order.
constexpr FourCC kSortButtons[3] = {FCC("SrtL"), FCC("SrtF"), FCC("SrtC")};

// "SrtL", "SrtF", "SrtC": the category's sort mode, the same contact kept.
// An order switched off has no list in the table, so it is refused, on a
// layout without the buttons ("Bare") too; with every order off only the
// book's own order (already the mode) stands.
void setSortMode(GuiForm* form, FourCC button, int16_t mode) {
  const bool enabled[3] = {g_prefs.sortByLast != 0, g_prefs.sortByFirst != 0,
                           g_prefs.sortByCompany != 0};
  bool any = enabled[0] || enabled[1] || enabled[2];
  if (mode < 0 || mode > 2 || (any ? !enabled[mode] : mode != MainSortMode())) return;
  if (GUI_HasObject(form, button) && !GUI_IsEnabled(form, button)) return;
  int32_t record = MainCurrentRecord();
  int16_t category = g_prefs.currentCategory;
  if (category >= -1 && category <= 15) g_prefs.sortModeByCategory[category + 1] = uint16_t(mode);
  g_main.numberMode = false;
  if (record < 0 || !MainSelectRecord(record)) g_main.selectedRow = 0;
  MainUpdateSortButtons(form);
  MainListDraw(form, LIST_DRAW_DROP_SEARCH | LIST_DRAW_REBUILD);
}

// "BCat": beam or send the whole list after asking.
void beamList(GuiForm* form) {
  const uint16_t* entries = nullptr;
  uint16_t count = SortGetList(nullptr, &entries, MainSortMode(), g_prefs.currentCategory, 0);
  if (count == 0) {
    redraw(form);
    return;
  }
  char number[8];
  STR_Format(number, sizeof number, "%hd", int(count));
  const char* args[2] = {number, nullptr};
  int32_t button = MainAlert(FCC("BLt?"), args);
  if (button == 1 && MainShowHint(FCC("tSnd")) == 1) button = -1;
  if (button == 0 || button == 1) (void)MainSendList(button == 1);
  redraw(form);
}

// The list, data strip and letter commands (the list module's share).
bool listCommand(GuiForm* form, FourCC c) {
  switch (c) {
    case FCC("ScUp"):
    case FCC("SCUP"):
    case FCC("MVUP"):
    case FCC("FinU"):
      MainListMove(form, -1);
      return true;
    case FCC("ScDn"):
    case FCC("SCDN"):
    case FCC("MVDN"):
    case FCC("FinD"):
      MainListMove(form, 1);
      return true;
    case FCC("LsUp"):
    case FCC("AUP "):
      MainListMove(form, -101);
      return true;
    case FCC("LsDn"):
    case FCC("ADWN"):
      MainListMove(form, 101);
      return true;
    case FCC("FinS"):
    case FCC("FinE"):
      (void)MainListJumpLetter(form, c == FCC("FinS") ? -1 : 1);
      g_main.seekDeadline =
          HOST_Ticks() + uint32_t(g_prefs.seekTimeoutMs) + MAIN_LETTER_JUMP_EXTRA_TICKS;
      return true;
    case FCC("DAdd"):
    case FCC("DEml"):
    case FCC("DNum"):
      MainDataStripCommand(form, c);
      return true;
    case FCC("Prev"):
    case FCC("ALFT"):
      MainDataStripStep(form, -1);
      return true;
    case FCC("Next"):
    case FCC("ARGT"):
      MainDataStripStep(form, 1);
      return true;
    default:
      break;
  }
  if (inRange(c, FCC("IdxA"), FCC("IdxZ"))) {
    (void)ListSeekLetter(form, char('a' + (c & 0xFF) - 'A'));
    g_main.seekActive = true;
    g_main.seekDeadline = HOST_Ticks() + uint32_t(g_prefs.seekTimeoutMs);
    return true;
  }
  return false;
}

// "List": a tap selects; a second tap on the same row within a second (or
// every tap with `singleTapOnly`) runs the list action. A press held long
// enough ran the hold action instead (main_handler.cpp).
void listTap(GuiForm* form) {
  if (g_main.penHoldDone) {  // the release of a hold
    g_main.penHoldDone = false;
    return;
  }
  MainListTap(form);
  uint32_t now = HOST_Ticks();
  bool twice = g_main.lastTapRow == g_main.selectedRow && g_main.lastTapTicks != 0 &&
               now - g_main.lastTapTicks < MAIN_DOUBLE_TAP_TICKS;
  if (g_prefs.singleTapOnly || twice) {
    g_main.lastTapTicks = 0;
    g_main.lastTapRow = -1;
    (void)MainRunAction(form, g_prefs.listAction);
    return;
  }
  g_main.lastTapTicks = now | 1;
  g_main.lastTapRow = g_main.selectedRow;
}

// Commands opened through RunCommandDialog; a change rebuilds what the
// command names.
void dialogCommand(GuiForm* form, FourCC c) {
  // The category editor and the general preferences rebuild the sort table
  // themselves when they change what it depends on.
  int32_t record = c == FCC("Dupe") ? MainGuardedRecord(form) : MainCurrentRecord();
  bool changed = RunCommandDialog(c, nullptr, record, 0);
  if (changed && (c == FCC("Cate") || c == FCC("NewI") || c == FCC("pPrf"))) {
    MainFillCategories(form);
    MainUpdateSortButtons(form);
  }
  MainListDraw(form, changed ? LIST_DRAW_REBUILD : 0);
}

bool contactCommand(GuiForm* form, FourCC c) {
  switch (c) {
    case FCC("NewI"):
    case FCC("Dupe"):
    case FCC("Cate"):
    case FCC("Abou"):
    case FCC("DCon"):
    case FCC("DHst"):
    case FCC("DPad"):
    case FCC("DPrf"):
    case FCC("QPrf"):
    case FCC("Silk"):
    case FCC("BCrd"):
    case FCC("SCrd"):
    case FCC("Quik"):
    case FCC("pPrf"):
      dialogCommand(form, c);
      return true;
    case FCC("Dele"):
      MainDeleteContact(form);
      return true;
    case FCC("Sort"):
      (void)MainRebuildSortTable(SORT_REBUILD);
      MainListDraw(form, LIST_DRAW_REBUILD);
      (void)MainShowHint(FCC("tScn"));
      return true;
    case FCC("SrtL"):
    case FCC("SrtF"):
    case FCC("SrtC"):
      setSortMode(form, c, c == FCC("SrtL") ? 0 : c == FCC("SrtF") ? 1 : 2);
      return true;
    case FCC("SOrd"): {
      int32_t button = MainAlert(FCC("SOrd"), nullptr);
      if (button >= 0 && button <= 2) setSortMode(form, kSortButtons[button], int16_t(button));
      return true;
    }
    case FCC("DFix"):
      MainRepairDatabase(form);
      return true;
    case FCC("SShw"):
      MainShowPhoneCommand(form);
      return true;
    case FCC("OpnF"):
      MainOpenFrom(form);
      return true;
    case FCC("SndH"):
      MainSendToHandheld(form);
      return true;
    case FCC("BCat"):
      beamList(form);
      return true;
    case FCC("Beam"):
    case FCC("Send"): {
      int32_t record = MainGuardedRecord(form);
      if (record < 0) {  // nothing selected, or the password check said no: ask once
        redraw(form);
        return true;
      }
      if (c == FCC("Send") && MainShowHint(FCC("tSnd")) == 1) return true;
      (void)MainSendRecords(&record, 1, nullptr, c == FCC("Send"));
      redraw(form);
      return true;
    }
    case FCC("View"):
    case FCC("Font"):
    case FCC("CPrf"):
    case FCC("Secu"):
    case FCC("Btns"):
      return MainSettingsCommand(form, c);
    case FCC("Dial"):
    case FCC("PadD"):
      if (g_main.numberMode && g_prefs.dialPadLength > 0)
        return MainPendingCommand(form, FCC("Dial"), -1, 0);
      c = FCC("Dial");
      break;
    default:
      break;
  }
  bool onRecord = needsRecord(c) || c == FCC("Dial");
  int32_t record = onRecord ? MainGuardedRecord(form) : MainCurrentRecord();
  if (onRecord && record < 0) {
    redraw(form);
    return true;
  }
  return MainPendingCommand(form, c, record, 0);
}

}  // namespace

FourCC MainActionCommand(uint16_t action) {
  for (const ActionEntry& e : kActions)
    if (e.action == action) return e.command;
  return 0;
}

bool MainRunAction(GuiForm* form, uint16_t action) {
  FourCC command = MainActionCommand(action);
  return command != 0 && MainRunCommand(form, command);
}

bool MainRunCommand(GuiForm* form, FourCC c) {
  // The hot spot over the list taps the list; the trigger's choice is the
  // pop-up's.
  if (c == FCC("tlst")) c = FCC("List");
  if (c == FCC("TCat")) c = FCC("LCat");
  FourCC pad = MainPhoneKeyCommand(form, c);
  if (pad != 0) c = pad;
  if (MainPadCommand(form, c) || listCommand(form, c)) return true;
  switch (c) {
    case FCC("Stuf"): {
      FourCC queued = g_main.pendingAction;
      g_main.pendingAction = 0;
      if (queued != 0) (void)GUI_PostCommand(queued);
      return true;
    }
    case FCC("APP1"):
    case FCC("APP2"):
    case FCC("APP3"):
    case FCC("APP4"):
    case FCC("APP5"):
      return MainHardwareButton(form, c);
    case FCC("LCat"): {
      int32_t position = -1;
      (void)GUI_GetValue(form, FCC("LCat"), &position);
      if (position >= 0 && position < g_main.categoryCount) {
        MainSwitchCategory(form, g_main.categoryOf[position]);
      } else if (position == g_main.categoryCount) {
        dialogCommand(form, FCC("Cate"));
        MainShowCategory(form);
      } else if (position > g_main.categoryCount) {
        (void)MainPendingCommand(form, FCC("Find"), -1, 0);  // a find over all fields
        MainShowCategory(form);
      }
      return true;
    }
    case FCC("NCat"): {
      int16_t at = 0;
      for (int16_t i = 0; i < g_main.categoryCount; ++i)
        if (g_main.categoryOf[i] == g_prefs.currentCategory) at = i;
      if (g_main.categoryCount > 0)
        MainSwitchCategory(form, g_main.categoryOf[(at + 1) % g_main.categoryCount]);
      return true;
    }
    case FCC("Data"): {
      FourCC command = MainActionCommand(g_prefs.dataAction);
      if (g_prefs.dataAction == ACTION_CARD || command == 0)
        MainDataStripTap(form);
      else
        (void)MainRunCommand(form, command);
      return true;
    }
    case FCC("Open"):
      (void)MainRunAction(form, g_prefs.openAction);
      return true;
    case FCC("List"):
      listTap(form);
      return true;
    default:
      return contactCommand(form, c);
  }
}
