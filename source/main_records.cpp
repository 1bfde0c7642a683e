// The commands that change the contact database: new contact and
// duplicate (opened through RunCommandDialog), delete, and the repair with
// its dialog and progress display. Each keeps the sort table in step:
// single changes through its upkeep, the repair by a rebuild.
// Owns no state beyond g_main's selection.
#include "kova_progress.h"
#include "kova_res.h"
#include "main_handler.h"
#include "sort.h"

namespace {

// A string resource by name ("" when missing).
void stageText(FourCC name, char* out, uint32_t size) {
  if (RES_GetString(name, out, size) != 0) out[0] = 0;
}

// The repair's progress in the platform's dialog titled "$Tit", opened at
// the first report (which carries the total); false once the user aborted.
bool repairProgress(FourCC stage, uint32_t done, uint32_t total, uintptr_t) {
  char text[80];
  stageText(stage, text, sizeof text);
  if (!PRG_IsOpen()) {
    char title[80];
    stageText(FCC("$Tit"), title, sizeof title);
    if (PRG_Open(title, text, int32_t(total)) != 0) return true;
  }
  PRG_Update(int32_t(done), text);
  return !PRG_Aborted();
}

// The sort-table build's stages in the dialog titled "$Srt".
void sortProgress(FourCC stage, int32_t position, int32_t total, uintptr_t) {
  char text[80];
  stageText(stage, text, sizeof text);
  if (!PRG_IsOpen()) {
    char title[80];
    stageText(FCC("$Srt"), title, sizeof title);
    if (PRG_Open(title, text, total) != 0) return;
  }
  PRG_Update(position, text);
}

// The database handed in, or one opened writable for the command.
struct DbUse {
  ContactDb* db;
  ContactDb* own;
};

bool useDb(DbUse* use, ContactDb* given) {
  use->db = given;
  use->own = nullptr;
  if (given) return true;
  if (ContactDbOpen(&use->own, true, false) != 0) return false;
  use->db = use->own;
  return true;
}

// "NewI": an empty contact in the current category (unfiled when all are
// shown) put into its place, entered in the sort table, edited, selected.
bool newContact(ContactDb* given, uint16_t flags) {
  DbUse use{};
  if (!useDb(&use, given)) return false;
  int16_t category = g_prefs.currentCategory;
  uint16_t mask = category > 0 ? ContactCategoryMask(uint8_t(category)) : 0;
  if (ContactNew(use.db, mask) != 0) {
    ContactDbClose(&use.own);
    (void)MainAlert(FCC("Mem!"), nullptr);
    return false;
  }
  (void)SortRecordInserted(0);
  uint16_t at = ContactReposition(use.db, 0);
  if (at != 0) SortRecordMoved(0, at);
  ContactDbClose(&use.own);
  (void)SortRecordChanged(SORT_CHANGE_PLACE, at, MainSortMode());
  (void)MainPendingDialog(FCC("Edit"), at, flags);
  if (!MainSelectRecord(at)) g_main.selectedRow = 0;
  return true;
}

// "Dupe": after asking, a copy of the contact right behind it (equal keys
// keep the database order), entered in the sort table and selected.
bool duplicateContact(ContactDb* given, int32_t record) {
  if (record < 0 || MainAlert(FCC("Dup?"), nullptr) != 0) return false;
  DbUse use{};
  if (!useDb(&use, given)) return false;
  Err err = ContactDuplicate(use.db, uint16_t(record));
  ContactDbClose(&use.own);
  if (err != 0) {
    (void)MainAlert(FCC("Mem!"), nullptr);
    return false;
  }
  uint16_t copy = uint16_t(record + 1);
  (void)SortRecordInserted(copy);
  (void)SortRecordChanged(SORT_CHANGE_PLACE, copy, MainSortMode());
  if (!MainSelectRecord(copy)) g_main.selectedRow = 0;
  (void)MainShowHint(FCC("tDup"));
  return true;
}

// "DFix": the native order is chosen on the "DFix" form, confirmed when it
// differs from the detected one, the engine runs, the counts are shown and
// the sort table is rebuilt. A form that cannot be opened cancels: the
// repair rewrites the whole file and never runs unasked.
bool chooseRepairOrder(int16_t detected, int16_t* order) {
  GuiForm* dialog = nullptr;
  *order = detected;
  if (GUI_FormOpen(&dialog, FCC("DFix"), 0, RES_TYPE_FORM, nullptr) != 0) return false;
  (void)GUI_SetValue(dialog, FCC("SrtL"), detected == 0);
  (void)GUI_SetValue(dialog, FCC("SrtF"), detected == 1);
  (void)GUI_SetValue(dialog, FCC("SrtC"), detected == 2);
  uint32_t result = GUI_FormDoDialog(dialog, nullptr);
  int32_t company = 0, first = 0;
  (void)GUI_GetValue(dialog, FCC("SrtC"), &company);
  (void)GUI_GetValue(dialog, FCC("SrtF"), &first);
  GUI_FormClose(dialog);
  if (result != FCC("OKAY")) return false;
  *order = company ? 2 : first ? 1 : 0;
  return *order == detected || MainAlert(FCC("DFix"), nullptr) == 0;
}

}  // namespace

// "Dele": ask, mark the contact deleted (the store moves it behind every
// live record) and take it out of the sort table.
void MainDeleteContact(GuiForm* form) {
  int32_t record = MainGuardedRecord(form);
  if (record < 0 || MainAlert(FCC("Dele"), nullptr) != 0) {
    MainListDraw(form, 0);
    return;
  }
  ContactDb* db = nullptr;
  if (ContactDbOpen(&db, true, true) == 0) {
    int32_t moved = ContactDelete(db, uint16_t(record));
    ContactDbClose(&db);
    if (moved >= 0) SortRecordDeleted(uint16_t(record));
  }
  MainListDraw(form, 0);
}

void MainRepairDatabase(GuiForm* form) {
  ContactDb* db = nullptr;
  if (ContactDbOpen(&db, true, false) != 0) {
    MainListDraw(form, 0);
    return;
  }
  int16_t order = 0;
  bool go = chooseRepairOrder(ContactDetectOrder(db, -1), &order);
  RepairCounts counts{};
  Err err = go ? ContactRepairRun(db, order, repairProgress, 0, &counts) : Err(-1);
  ContactDbClose(&db);
  if (err == 0) {
    char text[5][8];
    const uint16_t values[5] = {counts.sorted, counts.dupes, counts.nulls, counts.shortened,
                                counts.extended};
    const char* args[6] = {};
    for (int i = 0; i < 5; ++i) {
      STR_Format(text[i], sizeof text[i], "%hd", int(values[i]));
      args[i] = text[i];
    }
    (void)MainAlert(FCC("DFx2"), args);
    PRG_Close();
    (void)MainRebuildSortTable(SORT_DISCARD);
    g_main.selectedRow = 0;
  }
  PRG_Close();
  MainListDraw(form, 0);
}

Err MainRebuildSortTable(int16_t mode) {
  SortSetProgress(sortProgress, 0);
  Err err = SortOpen(mode);
  SortSetProgress(nullptr, 0);
  PRG_Close();
  return err;
}

bool RunCommandDialog(FourCC command, ContactDb* db, int32_t recordIndex, uint16_t flags) {
  switch (command) {
    case FCC("NewI"):
      return newContact(db, flags);
    case FCC("Dupe"):
      return duplicateContact(db, recordIndex);
    case FCC("BCrd"):
    case FCC("SCrd"):
      (void)MainBusinessCards(command);
      return false;
    default: {
      bool changed = false;
      if (MainSettingsDialog(command, &changed)) return changed;
      return MainPendingDialog(command, recordIndex, flags);
    }
  }
}
