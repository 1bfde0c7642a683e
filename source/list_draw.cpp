// Drawing the contact list: the state step (layout of the list area, the
// sort buttons, the scroll bar, the selection, the selected contact) and
// the painter of the rows (colours by row and category, the masked private
// row, the name, the right-hand column, the note marker, the typed part of
// the name). The painter runs from the "List" object's user drawing, so a
// full redraw of the form paints the same rows as the list's own drawing.
// Owns g_list.
#include <algorithm>
#include <cctype>
#include <cstring>

#include "kova_res.h"
#include "kova_text.h"
#include "list.h"
#include "list_internal.h"
#include "main_handler.h"
#include "parse.h"
#include "sort.h"

ListState g_list;

namespace {

// The sort push buttons in sort-mode order.
constexpr FourCC kSortButtons[3] = {FCC("SrtL"), FCC("SrtF"), FCC("SrtC")};

void measureColumns(uint16_t font) {
  g_list.phoneColumn = int16_t(TXT_Width(font, "888-888-8888", 12));
  char letters[32];
  if (RES_GetString(FCC("$Ftp"), letters, sizeof letters) != 0) letters[0] = 0;
  int32_t widest = 0;
  for (const char* p = letters; *p; ++p) widest = std::max(widest, TXT_Width(font, p, 1));
  g_list.letterColumn = int16_t(std::max<int32_t>(widest + 2, 4));
  g_list.noteColumn = int16_t(TXT_Width(FONT_SYMBOL, "\t", 1) + 1);
  g_list.measured = true;
}

// With no sort order enabled the database's own order is the only one.
int16_t nativeOrder() {
  ContactDb* db = nullptr;
  if (ContactDbOpen(&db, false, true) != 0) return 0;
  int16_t order = ContactDetectOrder(db, -1);
  ContactDbClose(&db);
  return order >= 0 && order <= 2 ? order : 0;
}

// The sort push buttons of the enabled orders are shown, the others hidden.
void layoutSortButtons(GuiForm* form) {
  const bool enabled[3] = {g_prefs.sortByLast != 0, g_prefs.sortByFirst != 0,
                           g_prefs.sortByCompany != 0};
  bool any = enabled[0] || enabled[1] || enabled[2];
  int16_t native = any ? -1 : nativeOrder();
  if (!any) {
    int16_t category = g_prefs.currentCategory;
    if (category < -1 || category > 15) category = -1;
    g_prefs.sortModeByCategory[category + 1] = uint16_t(native);
  }
  for (int i = 0; i < 3; ++i) {
    bool shown = any ? enabled[i] : i == native;
    (void)GUI_Show(form, kSortButtons[i], shown);
    (void)GUI_Enable(form, kSortButtons[i], shown);
  }
  MainUpdateSortButtons(form);
}

// The list area becomes a whole number of rows high (the rest split above
// and below); the hot spot and the scroll bar follow it, the bar on the
// left for left-handed use.
void layoutListArea(GuiForm* form) {
  GfxRect list{}, bar{};
  if (GUI_GetBounds(form, FCC("List"), &list) != 0 || g_list.rowHeight <= 0) return;
  int16_t rows = int16_t(list.h / g_list.rowHeight);
  if (rows < 1) rows = 1;
  int16_t spare = int16_t(list.h - rows * g_list.rowHeight);
  if (spare > 0) {
    list.y = int16_t(list.y + spare / 2);
    list.h = int16_t(rows * g_list.rowHeight);
  }
  bool haveBar = GUI_GetBounds(form, FCC("Drag"), &bar) == 0;
  if (haveBar) {
    bar.y = list.y;
    bar.h = list.h;
    bool barLeft = bar.x < list.x;
    if (g_prefs.leftHanded && !barLeft) {
      // Swap sides keeping the gap between list and bar.
      int16_t shift = int16_t(bar.x + bar.w - (list.x + list.w));
      bar.x = list.x;
      list.x = int16_t(list.x + shift);
    } else if (!g_prefs.leftHanded && barLeft) {
      int16_t shift = int16_t(list.x - bar.x);
      list.x = bar.x;
      bar.x = int16_t(list.x + list.w + shift - bar.w);
    }
    (void)GUI_SetBounds(form, FCC("Drag"), &bar);
  }
  (void)GUI_SetBounds(form, FCC("List"), &list);
  (void)GUI_SetBounds(form, FCC("tlst"), &list);
  g_list.listRect = list;
}

// Scroll value, selection and scroll bar from the list's size.
void placeSelection(GuiForm* form, uint16_t flags, int16_t visible) {
  int32_t top = g_list.top;
  int32_t value = 0, maximum = 0, page = 0;
  // The bar moved by the user since the last drawing scrolls the list.
  if (GUI_ScrollGet(form, FCC("Drag"), &value, &maximum, &page) == 0 && value != g_list.barValue)
    top = value;
  int32_t offset = g_list.selectedOffset;
  // A row chosen by a command since the last drawing: scroll to it.
  if (g_main.selectedRow >= 0 && g_main.selectedRow != g_list.drawnRow) {
    int32_t row = g_main.selectedRow;
    if (row >= top && row < top + visible) {
      offset = row - top;
    } else {
      top = row;
      offset = 0;
    }
  }
  if (offset >= visible) {
    top += offset;
    offset = 0;
  }
  if (flags & LIST_TOP) top = offset = 0;
  int32_t count = g_list.count;
  int32_t maxTop = std::max<int32_t>(count - visible, 0);
  if (top > maxTop) {  // keep the selected row where it can
    offset += top - maxTop;
    top = maxTop;
  }
  if (top < 0) top = 0;
  offset = std::min<int32_t>(offset, std::min<int32_t>(visible - 1, count - top - 1));
  if (offset < 0) offset = 0;
  g_list.top = top;
  g_list.selectedOffset = int16_t(offset);
  if (!(flags & LIST_NO_SELECTION)) {
    (void)GUI_ScrollSet(form, FCC("Drag"), top, maxTop, visible);
    g_list.barValue = top;
  }
}

// The selected contact: its index, first letter, and the preview text.
void readSelected(GuiForm* form, const uint16_t* entries) {
  g_list.selectedRecord = -1;
  g_list.firstLetter = 0;
  int32_t row = g_list.top + g_list.selectedOffset;
  if (row < 0 || row >= g_list.count) return;
  g_list.selectedRecord = entries[row];
  ContactDb* db = nullptr;
  if (ContactDbOpen(&db, false, true) != 0) return;
  ContactRec rec{};
  if (ContactFetch(&rec, db, uint16_t(g_list.selectedRecord)) == 0) {
    char* name = ListRowName(&rec, MainSortMode(), 0);
    if (name) g_list.firstLetter = uint8_t(toupper(uint8_t(name[0])));
    MEM_Free(name);
    if (GUI_HasObject(form, FCC("Prev"))) {
      bool masked = ListRowMasked(db, uint16_t(g_list.selectedRecord));
      char* preview =
          masked ? nullptr
                 : ContactColumnText(&rec, 37, 0, nullptr, nullptr, 10000, ListSlotFont(6), 0);
      // The preview has its own font slot; its text was wrapped for it.
      (void)GUI_SetFont(form, FCC("Prev"), ListSlotFont(6));
      (void)GUI_SetText(form, FCC("Prev"), preview ? preview : "");
      MEM_Free(preview);
    }
    ContactRelease(&rec);
  }
  ContactDbClose(&db);
}

}  // namespace

void ListReset() {
  memset(&g_list, 0, sizeof g_list);
  g_list.layout = -1;
  g_list.drawnRow = -1;
  g_list.previousRow = -1;
  g_list.selectedRecord = -1;
  g_list.dataKind = -1;
  g_list.letterRow = -1;
  ListResetUnlock();
}

uint16_t ListSlotFont(int slot) {
  if (slot < 0 || slot >= PREFS_FONT_SLOTS) return FONT_STANDARD;
  uint16_t font = g_prefs.fontBySlot[slot];
  if (font != PREFS_FONT_CUSTOM) return font;
  uint16_t code = FONT_STANDARD;
  if (TXT_CustomFontCode(g_prefs.customFontBySlot[slot], &code) != 0) return FONT_STANDARD;
  return code;
}

void ListDraw(GuiForm* form, uint16_t flags) {
  if (!form) return;
  int layout = MainLayoutIndex(GUI_FormTag(form));
  if (layout < 0) layout = 0;
  uint16_t font = ListSlotFont(layout);
  if (layout != g_list.layout || font != g_list.font) flags |= LIST_MEASURE | LIST_LAYOUT;
  g_list.layout = int16_t(layout);
  g_list.font = font;
  g_list.rowHeight = std::max<int16_t>(TXT_LineHeight(font), 1);
  if ((flags & LIST_MEASURE) || !g_list.measured) measureColumns(font);
  // A resized window lays the form out again: snap the new area too.
  GfxRect list{};
  if (GUI_GetBounds(form, FCC("List"), &list) == 0 &&
      memcmp(&list, &g_list.listRect, sizeof list) != 0)
    flags |= LIST_LAYOUT;
  if (flags & LIST_LAYOUT) {
    layoutListArea(form);
    layoutSortButtons(form);
  }
  if (flags & LIST_DROP_SEARCH) MainShowPadTitle(form);
  uint16_t listFlags = 0;
  if (flags & LIST_DROP_SEARCH) listFlags |= SORT_LIST_DROP_SEARCH;
  if (flags & LIST_REBUILD) listFlags |= SORT_LIST_REBUILD;
  const uint16_t* entries = nullptr;
  g_list.count = SortGetList(nullptr, &entries, MainSortMode(), g_prefs.currentCategory, listFlags);
  if (!entries) g_list.count = 0;
  if (g_prefs.showCounts) MainShowCategory(form);
  (void)GUI_GetBounds(form, FCC("List"), &list);
  g_list.visibleRows = int16_t(std::max(list.h / g_list.rowHeight, 1));
  int32_t before = g_list.drawnRow;
  placeSelection(form, flags, g_list.visibleRows);
  int32_t row = g_list.top + g_list.selectedOffset;
  g_main.selectedRow = g_list.count > 0 ? row : 0;
  g_list.drawnRow = g_main.selectedRow;
  if (g_list.count == 0) {
    g_list.selectedRecord = -1;
    if (GUI_HasObject(form, FCC("Prev"))) (void)GUI_SetText(form, FCC("Prev"), "");
    (void)GUI_ScrollSet(form, FCC("Drag"), 0, 0, 0);
    g_list.barValue = 0;
  } else {
    readSelected(form, entries);
  }
  // Only the two rows that changed, when nothing else moved.
  bool two = (flags & LIST_TWO_ROWS) && before >= g_list.top &&
             before < g_list.top + g_list.visibleRows && g_list.top == g_list.paintedTop;
  g_list.previousRow = two ? before : -1;
  g_list.paintFlags =
      uint16_t(flags & (two ? (LIST_NO_SELECTION | LIST_TWO_ROWS) : LIST_NO_SELECTION));
  (void)GUI_Redraw(form, FCC("List"));
  g_list.paintFlags = 0;
  g_list.previousRow = -1;
  if (GUI_HasObject(form, FCC("Data"))) (void)GUI_Redraw(form, FCC("Data"));
}
