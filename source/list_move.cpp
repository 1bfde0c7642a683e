// Moving the selection of the contact list: row steps and pages from the
// keys (held keys repeat after 750 ms, then every 200 ms), the pen on the
// rows (the selection follows it), the type-letter column (the shown phone
// steps to the next number), and selecting a row or a contact.
// Owns nothing beyond g_list.
#include <algorithm>

#include "list_internal.h"
#include "main_handler.h"
#include "sort.h"

namespace {

constexpr uint32_t REPEAT_FIRST_TICKS = 750;
constexpr uint32_t REPEAT_NEXT_TICKS = 200;

// A held arrow key: the move keeps the handheld's repeat pace whatever the
// desktop's own key repeat is.
bool moveKeyHeld(int16_t amount) {
  if (amount > 0) return GUI_KeyHeld(FCC("SCDN")) || GUI_KeyHeld(FCC("MVDN"));
  return GUI_KeyHeld(FCC("SCUP")) || GUI_KeyHeld(FCC("MVUP"));
}

// False for a repeat of a held key that comes before its time.
bool repeatDue(int16_t amount) {
  uint32_t now = HOST_Ticks();
  bool repeat = amount == g_list.moveAmount && g_list.moveTick != 0 && moveKeyHeld(amount);
  g_list.moveAmount = amount;
  g_list.moveTick = now | 1;
  if (!repeat) {
    g_list.moveNext = now + REPEAT_FIRST_TICKS;
    return true;
  }
  if (int32_t(now - g_list.moveNext) < 0) return false;
  g_list.moveNext = now + REPEAT_NEXT_TICKS;
  return true;
}

// The visible row under y, or -1 outside the rows.
int32_t rowAt(GuiForm* form, int32_t y) {
  GfxRect r{};
  if (GUI_GetBounds(form, FCC("List"), &r) != 0 || g_list.rowHeight <= 0) return -1;
  if (y < r.y || y >= r.y + r.h) return -1;
  int32_t row = g_list.top + (y - r.y) / g_list.rowHeight;
  return row < g_list.count ? row : -1;
}

// Whether x is in the type-letter column of a shown phone column.
bool inLetterColumn(GuiForm* form, int32_t x) {
  GfxRect r{};
  if (g_prefs.listColumn != 1 || GUI_GetBounds(form, FCC("List"), &r) != 0) return false;
  int32_t columnsLeft = r.w - g_list.noteColumn - g_list.letterColumn;
  if (g_list.phoneColumn >= columnsLeft * 3 / 5) return false;
  int32_t right = r.x + r.w - g_list.noteColumn;
  return x >= right - g_list.letterColumn && x < right;
}

void highlightLetter(GuiForm* form, int32_t row, bool on) {
  GfxRect r{};
  if (GUI_GetBounds(form, FCC("List"), &r) != 0) return;
  int32_t visible = row - g_list.top;
  if (visible < 0 || visible >= g_list.visibleRows) return;
  GfxRect cell{int16_t(r.x + r.w - g_list.noteColumn - g_list.letterColumn),
               int16_t(r.y + visible * g_list.rowHeight), g_list.letterColumn, g_list.rowHeight};
  if (!on) {
    ListDraw(form, LIST_TWO_ROWS);
    return;
  }
  GfxCanvas canvas = GUI_FormCanvas(form);
  GFX_FrameRect(&canvas, cell, g_prefs.listColours[4], 1);
  GUI_FormShow(form);
}

// The contact's shown phone becomes its next non-empty phone slot.
void stepShownPhone(uint16_t record) {
  ContactDb* db = nullptr;
  if (ContactDbOpen(&db, true, true) != 0) return;
  ContactRec rec{};
  if (ContactFetch(&rec, db, record) == 0) {
    int32_t count = ContactGetInfo(&rec, ContactInfo::PhoneCount, 0);
    int32_t shown = ContactGetInfo(&rec, ContactInfo::ShownPhone, 0);
    for (int32_t step = 1; count > 0 && step <= count; ++step) {
      int16_t slot = int16_t((shown + step) % count);
      char* text = ContactGetField(&rec, FieldKind::Phone, slot, nullptr, 0, FIELD_NULL_IF_ABSENT);
      bool filled = text && text[0];
      MEM_Free(text);
      if (!filled) continue;
      if (slot != shown) (void)ContactSetInfo(&rec, ContactInfo::ShownPhone, 0, slot);
      break;
    }
    ContactRelease(&rec);
  }
  ContactDbClose(&db);
}

}  // namespace

void ListSelectRow(GuiForm* form, int32_t row, bool redraw) {
  if (row < 0) return;
  if (g_list.count > 0 && row >= g_list.count) row = g_list.count - 1;
  bool visible = row >= g_list.top && row < g_list.top + g_list.visibleRows;
  if (visible) {
    g_list.selectedOffset = int16_t(row - g_list.top);
  } else {
    int32_t maxTop = std::max<int32_t>(g_list.count - g_list.visibleRows, 0);
    g_list.top = std::min(row, maxTop);
    g_list.selectedOffset = int16_t(row - g_list.top);
  }
  // The row is the list's own choice, not one to scroll to again.
  g_main.selectedRow = row;
  if (redraw)
    ListDraw(form, visible ? LIST_TWO_ROWS : 0);
  else
    g_list.drawnRow = row;
}

int32_t ListRowOfRecord(int32_t record) {
  const uint16_t* entries = nullptr;
  uint16_t count = SortGetList(nullptr, &entries, MainSortMode(), g_prefs.currentCategory, 0);
  for (uint16_t row = 0; entries && row < count; ++row)
    if (entries[row] == record) return row;
  return -1;
}

bool ListSelectRecord(GuiForm* form, int32_t record) {
  int32_t row = ListRowOfRecord(record);
  if (row < 0) return false;
  const uint16_t* entries = nullptr;
  g_list.count = SortGetList(nullptr, &entries, MainSortMode(), g_prefs.currentCategory, 0);
  ListSelectRow(form, row, form != nullptr);
  return true;
}

void ListMove(GuiForm* form, int16_t amount) {
  if (g_list.count == 0) {
    ListDraw(form, 0);
    return;
  }
  int32_t visible = std::max<int16_t>(g_list.visibleRows, 1);
  int32_t selected = g_list.top + g_list.selectedOffset;
  if (amount > 100 || amount < -100) {
    int32_t maxTop = std::max<int32_t>(g_list.count - visible, 0);
    int32_t top = g_list.top + (amount > 0 ? visible : -visible);
    top = std::clamp<int32_t>(top, 0, maxTop);
    if (selected < top || selected >= top + visible)
      selected = amount > 0 ? top : top + visible - 1;
    selected = std::min<int32_t>(selected, g_list.count - 1);
    g_list.top = top;
    g_list.selectedOffset = int16_t(selected - top);
    g_main.selectedRow = selected;
    g_list.drawnRow = selected;
    ListDraw(form, 0);
    return;
  }
  if (!repeatDue(amount)) return;
  int32_t row = std::clamp<int32_t>(selected + amount, 0, g_list.count - 1);
  if (row == selected) return;
  // Past the edge the list scrolls by the rows needed.
  if (row < g_list.top) g_list.top = row;
  if (row >= g_list.top + visible) g_list.top = row - visible + 1;
  ListSelectRow(form, row, true);
}

void ListTap(GuiForm* form, int32_t x, int32_t y) {
  g_list.penTracking = false;
  g_list.tapInLetter = false;
  int32_t row = rowAt(form, y);
  if (row < 0) return;
  if (inLetterColumn(form, x)) {
    g_list.tapInLetter = true;
    g_list.letterRow = int16_t(row);
    highlightLetter(form, row, true);
    return;
  }
  g_list.penTracking = true;
  if (row != g_list.top + g_list.selectedOffset) ListSelectRow(form, row, true);
}

void ListPenMove(GuiForm* form, int32_t x, int32_t y) {
  (void)x;
  if (!g_list.penTracking) return;
  int32_t row = rowAt(form, y);
  if (row >= 0 && row != g_list.top + g_list.selectedOffset) ListSelectRow(form, row, true);
}

void ListPenUp(GuiForm* form, int32_t x, int32_t y) {
  g_list.penTracking = false;
  if (!g_list.tapInLetter) return;
  g_list.tapInLetter = false;
  int32_t row = rowAt(form, y);
  int32_t pressed = g_list.letterRow;
  g_list.letterRow = -1;
  highlightLetter(form, pressed, false);
  if (row < 0 || !inLetterColumn(form, x)) return;
  const uint16_t* entries = nullptr;
  uint16_t count = SortGetList(nullptr, &entries, MainSortMode(), g_prefs.currentCategory, 0);
  if (!entries || row >= count) return;
  stepShownPhone(entries[row]);
  ListDraw(form, 0);
}
