// The category editor "Cate": the names of the contact database's category
// block in a list, a name field, Rename / New / Delete (delete asks), all
// on a copy of the block. "OKAY" writes the block and moves the contacts of
// deleted categories to Unfiled, then rescans the sort table; "CANC" leaves
// the file untouched. Owns no state beyond the dialog's run.
#include <cstring>

#include "category.h"
#include "main_handler.h"
#include "prefs_dialogs.h"
#include "sort.h"

namespace {

constexpr FourCC TAG_LIST = FCC("CLst");
constexpr FourCC TAG_NAME = FCC("CNam");
constexpr FourCC TAG_RENAME = FCC("CRen");
constexpr FourCC TAG_NEW = FCC("CNew");
constexpr FourCC TAG_DELETE = FCC("CDel");

struct CateRun {
  CategoryBlock block;
  bool deleted[CATEGORY_COUNT];  // slots whose category was deleted (contacts move)
  bool changed;
  int16_t slotOf[CATEGORY_COUNT];  // list row -> slot
  int16_t rows;
};

// Fills the list from the block and selects the row of `slot` (-1: none).
void fillList(GuiForm* form, CateRun* run, int slot) {
  char names[CATEGORY_COUNT][CATEGORY_NAME_BYTES];
  const char* items[CATEGORY_COUNT];
  run->rows = 0;
  int16_t selected = -1;
  for (int i = 0; i < CATEGORY_COUNT; ++i) {
    if (!CategoryUsed(&run->block, i)) continue;
    CategoryGetName(&run->block, i, names[i], CATEGORY_NAME_BYTES);
    if (i == slot) selected = run->rows;
    items[run->rows] = names[i];
    run->slotOf[run->rows++] = int16_t(i);
  }
  (void)GUI_ListSetItems(form, TAG_LIST, items, run->rows);
  (void)GUI_SetValue(form, TAG_LIST, selected);
  (void)GUI_SetText(form, TAG_NAME, slot >= 0 ? names[slot] : "");
  (void)GUI_Redraw(form, TAG_LIST);
  (void)GUI_Redraw(form, TAG_NAME);
}

int selectedSlot(const GuiForm* form, const CateRun* run) {
  int32_t row = -1;
  (void)GUI_GetValue(form, TAG_LIST, &row);
  return row >= 0 && row < run->rows ? run->slotOf[row] : -1;
}

// Reports an editing refusal with its alert.
void refuse(Err err) {
  FourCC alert = err == CATEGORY_ERR_FULL    ? FCC("cFul")
                 : err == CATEGORY_ERR_FIXED ? FCC("cUnf")
                                             : FCC("cNam");
  (void)MainAlert(alert, nullptr);
}

void deleteSelected(GuiForm* form, CateRun* run) {
  int slot = selectedSlot(form, run);
  if (slot <= 0) {
    refuse(CATEGORY_ERR_FIXED);
    return;
  }
  const char* args[] = {run->block.names[slot], nullptr};
  if (MainAlert(FCC("cDel"), args) != 0) return;
  if (CategoryDelete(&run->block, slot) != 0) return;
  run->deleted[slot] = true;
  run->changed = true;
  fillList(form, run, -1);
}

int16_t cateHandler(FourCC, GuiForm* form, uintptr_t user, uintptr_t, int16_t kind, uintptr_t a1,
                    uintptr_t, uintptr_t, uintptr_t, uintptr_t) {
  CateRun* run = reinterpret_cast<CateRun*>(user);
  if (kind == FORM_EVT_OPEN) {
    fillList(form, run, -1);
    return 0;
  }
  if (kind != FORM_EVT_CONTROL) return 0;
  FourCC tag = FourCC(a1);
  char name[CATEGORY_NAME_BYTES + 16] = "";
  (void)GUI_GetText(form, TAG_NAME, name, sizeof name);
  if (tag == TAG_LIST) {
    int slot = selectedSlot(form, run);
    char shown[CATEGORY_NAME_BYTES];
    CategoryGetName(&run->block, slot, shown, sizeof shown);
    (void)GUI_SetText(form, TAG_NAME, shown);
    (void)GUI_Redraw(form, TAG_NAME);
    return 1;
  }
  if (tag == TAG_RENAME) {
    int slot = selectedSlot(form, run);
    Err err = slot < 0 ? CATEGORY_ERR_FIXED : CategoryRename(&run->block, slot, name);
    if (err != 0) {
      refuse(err);
      return 1;
    }
    run->changed = true;
    fillList(form, run, slot);
    return 1;
  }
  if (tag == TAG_NEW) {
    int slot = CategoryAdd(&run->block, name);
    if (slot < 0) {
      refuse(Err(slot));
      return 1;
    }
    run->changed = true;
    fillList(form, run, slot);
    return 1;
  }
  if (tag == TAG_DELETE) {
    deleteSelected(form, run);
    return 1;
  }
  return 0;
}

// Writes the edited block, then moves the contacts of deleted categories.
// The block goes first: when it cannot be written nothing else changes.
// Returns -1 when nothing was written, 1 when some contacts could not be
// moved, 0 when all is stored.
int store(const CateRun* run) {
  ContactDb* db = nullptr;
  if (ContactDbOpen(&db, true, true) != 0) return -1;
  if (db->readOnly || CategoryWrite(db->file, &run->block) != 0) {
    ContactDbClose(&db);
    return -1;
  }
  int result = 0;
  for (int slot = 1; slot < CATEGORY_COUNT; ++slot)
    if (run->deleted[slot] && CategoryMoveContacts(db, slot) < 0) result = 1;
  ContactDbClose(&db);
  return result;
}

// What the list shows must not point at categories that are gone.
void forgetDeleted(const CateRun* run) {
  for (int slot = 1; slot < CATEGORY_COUNT; ++slot) {
    if (!run->deleted[slot]) continue;
    if (g_prefs.currentCategory == slot) g_prefs.currentCategory = -1;
    g_prefs.hiddenCategories &= ~(uint32_t(1) << slot);
  }
}

}  // namespace

uint16_t PrefsCategoryDialog() {
  CateRun run{};
  if (!CategoryLoad(&run.block)) {
    (void)MainAlert(FCC("cNon"), nullptr);
    return 0;
  }
  GuiForm* form = nullptr;
  if (GUI_FormOpen(&form, FCC("Cate"), 0, RES_TYPE_FORM, nullptr) != 0) return 0;
  const TagItem params[] = {
      {GUI_RUN_HANDLER, uintptr_t(cateHandler)}, {GUI_RUN_USER, uintptr_t(&run)}, {0, 0}};
  uint32_t result = GUI_FormDoDialog(form, params);
  GUI_FormClose(form);
  if (result != FCC("OKAY") || !run.changed) return 0;
  int stored = store(&run);
  if (stored != 0) (void)MainAlert(FCC("cErr"), nullptr);
  if (stored < 0) return 0;
  forgetDeleted(&run);
  (void)MainRebuildSortTable(SORT_RESCAN);
  return PREFS_DLG_REBUILD;
}
