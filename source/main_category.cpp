// The category pop-up of the list screens: "All", the categories the
// contact database names (its application-info block: a 16-bit renamed
// mask, then sixteen 16-byte names), and the categories-editing entry; the
// trigger shows the current category. Switching categories resets the
// number mode and starts the list at its first row.
// Owns nothing beyond g_main's pop-up table.
#include <cstring>

#include "main_handler.h"
#include "sort.h"

namespace {

constexpr int CATEGORY_COUNT = 16;
constexpr int CATEGORY_NAME_BYTES = 16;
constexpr uint32_t NAMES_OFFSET = 2;  // behind the renamed mask
constexpr uint32_t NAMES_BYTES = CATEGORY_COUNT * CATEGORY_NAME_BYTES;

using CategoryNames = char[CATEGORY_COUNT][CATEGORY_NAME_BYTES + 1];

// The names of the application-info block, each ended by a zero byte; all
// empty when the database or its block cannot be read or is too short.
void readCategoryNames(CategoryNames names) {
  memset(names, 0, sizeof(CategoryNames));
  ContactDb* db = nullptr;
  if (ContactDbOpen(&db, false, true) != 0) return;
  uint32_t appInfo = 0, sortInfo = 0;
  (void)DB_InfoOffsets(db->file, &appInfo, &sortInfo);
  // The block ends where the sort-info block or the first record begins.
  uint32_t end = sortInfo > appInfo ? sortInfo : DB_RecordOffset(db->file, 0);
  uint8_t bytes[NAMES_BYTES];
  if (appInfo != 0 && end >= appInfo + NAMES_OFFSET + NAMES_BYTES &&
      FIL_Seek(db->file, int32_t(appInfo + NAMES_OFFSET), FIL_SEEK_SET) >= 0 &&
      FIL_Read(db->file, bytes, NAMES_BYTES) == NAMES_BYTES) {
    for (int c = 0; c < CATEGORY_COUNT; ++c)
      memcpy(names[c], bytes + c * CATEGORY_NAME_BYTES, CATEGORY_NAME_BYTES);
  }
  ContactDbClose(&db);
}

void stringOr(FourCC name, const char* fallback, char* out, uint32_t size) {
  if (RES_GetString(name, out, size) != 0 || out[0] == 0) {
    strncpy(out, fallback, size - 1);
    out[size - 1] = 0;
  }
}

int16_t positionOf(int16_t category) {
  for (int16_t i = 0; i < g_main.categoryCount; ++i)
    if (g_main.categoryOf[i] == category) return i;
  return -1;
}

}  // namespace

void MainShowCategory(GuiForm* form) {
  int16_t at = positionOf(g_prefs.currentCategory);
  char label[CATEGORY_NAME_BYTES + 1] = "";
  if (at >= 0) (void)GUI_ListGetItem(form, FCC("LCat"), at, label, sizeof label);
  (void)GUI_SetText(form, FCC("TCat"), label);
  (void)GUI_SetValue(form, FCC("LCat"), at);
}

void MainFillCategories(GuiForm* form) {
  CategoryNames names;
  readCategoryNames(names);
  char all[CATEGORY_NAME_BYTES + 1], edit[40];
  stringOr(FCC("$CAl"), "All", all, sizeof all);
  stringOr(FCC("$CEd"), "Edit Categories...", edit, sizeof edit);
  const char* items[MAIN_CATEGORY_ENTRIES] = {};
  int16_t n = 0;
  items[n] = all;
  g_main.categoryOf[n++] = -1;
  for (int c = 0; c < CATEGORY_COUNT; ++c) {
    if (names[c][0] == 0) continue;
    items[n] = names[c];
    g_main.categoryOf[n++] = int16_t(c);
  }
  g_main.categoryCount = n;
  items[n] = edit;
  g_main.categoryOf[n++] = -1;
  g_main.categoryEntries = n;
  (void)GUI_ListSetItems(form, FCC("LCat"), items, n);
  MainShowCategory(form);
}

void MainSwitchCategory(GuiForm* form, int16_t category) {
  g_prefs.currentCategory = category;
  g_main.numberMode = false;
  g_main.selectedRow = 0;
  if (g_prefs.dialPadLength > 0) {
    MainPadClear();
    MainShowPadTitle(form);
  }
  MainUpdateSortButtons(form);
  MainShowCategory(form);
  MainListDraw(form, LIST_DRAW_TOP | LIST_DRAW_DROP_SEARCH | LIST_DRAW_REBUILD);
}
