// The category pop-up of the list screens: "All", the categories the
// contact database names (its category block, category.h; "Unfiled" for
// category 0), and the categories-editing entry; the trigger shows the
// current category. Switching categories resets the number mode and starts
// the list at its first row.
// Owns nothing beyond g_main's pop-up table.
#include <cstring>

#include "category.h"
#include "main_handler.h"
#include "sort.h"

namespace {

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
  char name[CATEGORY_NAME_BYTES + 1] = "";
  if (at >= 0) (void)GUI_ListGetItem(form, FCC("LCat"), at, name, sizeof name);
  char label[CATEGORY_NAME_BYTES + 16];
  STR_Format(label, sizeof label, "%s", name);
  // "Show counts": the trigger tells how many contacts the list holds.
  if (g_prefs.showCounts && !SortListIsSearch()) {
    uint16_t count = SortGetList(nullptr, nullptr, MainSortMode(), g_prefs.currentCategory, 0);
    char number[12];
    STR_Format(number, sizeof number, " (%hd)", int(count));
    STR_Format(label, sizeof label, "%s%s", name, number);
  }
  (void)GUI_SetText(form, FCC("TCat"), label);
  (void)GUI_SetValue(form, FCC("LCat"), at);
}

void MainFillCategories(GuiForm* form) {
  CategoryBlock block;
  bool named = CategoryLoad(&block);
  char names[CATEGORY_COUNT][CATEGORY_NAME_BYTES];
  char all[CATEGORY_NAME_BYTES + 1], edit[40];
  stringOr(FCC("$CAl"), "All", all, sizeof all);
  stringOr(FCC("$CEd"), "Edit Categories...", edit, sizeof edit);
  const char* items[MAIN_CATEGORY_ENTRIES] = {};
  int16_t n = 0;
  items[n] = all;
  g_main.categoryOf[n++] = -1;
  // Without a readable block only "All" and the editing entry are offered.
  for (int c = 0; named && c < CATEGORY_COUNT; ++c) {
    if (!CategoryUsed(&block, c)) continue;
    CategoryGetName(&block, c, names[c], CATEGORY_NAME_BYTES);
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
