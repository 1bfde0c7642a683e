// Painting the rows of the contact list from the state ListDraw left: row
// colours (even and odd rows counted from the top visible row, the selected
// row, category colours), the masked private row, the name cut to its
// share of the row, the right-hand column (shown phone with its label
// letter, or another field), the note marker, and the typed part of the
// name on the selected row during a search.
// Owns no state beyond g_list.paintedTop.
#include <algorithm>
#include <cstring>

#include "kova_res.h"
#include "kova_text.h"
#include "list_internal.h"
#include "main_handler.h"
#include "sort.h"

namespace {

constexpr uint32_t WHITE = 0xFFFFFF;

struct RowColours {
  uint32_t text, back, marker;
};

RowColours rowColours(int16_t visibleRow, bool selected, int16_t category) {
  RowColours c{};
  bool own = category >= 0 && category < 16 && (g_prefs.categoryColourMask >> category) & 1;
  if (selected) {
    c.text = g_prefs.listColours[5];
    c.back = own ? g_prefs.categoryColours[category * 3 + 2] : g_prefs.listColours[4];
    c.marker = g_prefs.listColours[5];
  } else {
    bool even = visibleRow % 2 == 0;
    c.text = g_prefs.listColours[2];
    c.back = own ? g_prefs.categoryColours[category * 3 + (even ? 0 : 1)]
                 : g_prefs.listColours[even ? 1 : 0];
    c.marker = g_prefs.listColours[3];
  }
  return c;
}

// Draws `text` from x cut to `width`, the first `lead` bytes in `leadColour`.
void drawCut(GfxCanvas* canvas, uint16_t font, const char* text, int16_t x, int16_t y,
             int32_t width, uint32_t colour, uint32_t lead, uint32_t leadColour) {
  if (!text || width <= 0) return;
  uint32_t n = TXT_Fit(font, text, uint32_t(strlen(text)), width, false);
  if (lead > n) lead = n;
  int32_t at = x;
  if (lead > 0) at = TXT_Draw(canvas, font, text, lead, x, y, leadColour);
  if (n > lead) (void)TXT_Draw(canvas, font, text + lead, n - lead, int16_t(at), y, colour);
}

// The note marker at the right edge of the row.
void drawNoteMarker(GfxCanvas* canvas, const GfxRect& row, uint16_t font, uint32_t colour) {
  int16_t h = row.h;
  if (h < 11) {
    GfxRect outer{int16_t(row.x + row.w - 8), int16_t(row.y + 1), 7, int16_t(h - 2)};
    GFX_FrameRect(canvas, outer, colour, 1);
    if (h > 6) {
      GfxRect inner{int16_t(outer.x + 2), int16_t(row.y + 3), 3, int16_t(h - 6)};
      GFX_FrameRect(canvas, inner, colour, 1);
    }
    return;
  }
  (void)font;
  int32_t w = TXT_Width(FONT_SYMBOL, "\t", 1);
  int16_t y = int16_t(row.y + (h - TXT_LineHeight(FONT_SYMBOL)) / 2);
  (void)TXT_Draw(canvas, FONT_SYMBOL, "\t", 1, int16_t(row.x + row.w - w - 1), y, colour);
}

// The text of the right-hand column and, for the shown phone, its letter.
char* rightColumnText(const ContactRec* rec, char* letter) {
  *letter = 0;
  uint8_t column = g_prefs.listColumn;
  if (column == 1) {
    char* text = ContactColumnText(rec, 9, 0, nullptr, nullptr, 0, 0, 0);
    int32_t shown = ContactGetInfo(rec, ContactInfo::ShownPhone, 0);
    int32_t label = ContactGetInfo(rec, ContactInfo::PhoneLabel, int16_t(shown));
    char letters[32];
    if (RES_GetString(FCC("$Ftp"), letters, sizeof letters) != 0) letters[0] = 0;
    // A label past the letters has none: the cell stays blank.
    if (label >= 0 && size_t(label) < strlen(letters)) *letter = letters[label];
    return text;
  }
  int16_t kind = int16_t(column + 2);
  if (kind > 12)
    return ContactGetField(rec, FieldKind::Custom, int16_t(column - 10), nullptr, 0,
                           FIELD_SPACES | FIELD_FIRST_LINE);
  return ContactGetField(rec, FieldKind(kind), 0, nullptr, 0, FIELD_SPACES | FIELD_FIRST_LINE);
}

struct PaintRun {
  GfxCanvas* canvas;
  ContactDb* db;
  uint16_t font;
  int16_t mode;
  int32_t width;  // row width
};

void paintContact(const PaintRun& run, const GfxRect& row, uint16_t record, bool selected,
                  const RowColours& colours) {
  ContactRec rec{};
  if (ContactFetch(&rec, run.db, record) != 0) return;  // the row keeps its background
  int16_t textY = row.y;
  int32_t right = row.w;  // what is left for the name, from the row's left
  // Note marker.
  char* note = ContactColumnText(&rec, 34, 0, nullptr, nullptr, 0, 0, 0);
  if (note && note[0]) drawNoteMarker(run.canvas, row, run.font, colours.marker);
  MEM_Free(note);
  right -= g_list.noteColumn;
  // Right-hand column.
  int32_t columnsLeft = run.width - g_list.noteColumn - g_list.letterColumn;
  if (g_prefs.listColumn != 0 && g_list.phoneColumn < columnsLeft * 3 / 5) {
    char letter = 0;
    char* text = rightColumnText(&rec, &letter);
    int32_t end = row.x + right;
    if (g_prefs.listColumn == 1) {
      end -= g_list.letterColumn;
      if (letter && text && text[0]) {
        int32_t lw = TXT_Width(run.font, &letter, 1);
        int32_t lx = row.x + right - g_list.letterColumn + (g_list.letterColumn - lw) / 2;
        (void)TXT_Draw(run.canvas, run.font, &letter, 1, int16_t(lx), textY, colours.text);
      }
    }
    if (text && text[0]) {
      int32_t limit = (end - row.x) * 3 / 5;
      uint32_t n = TXT_Fit(run.font, text, uint32_t(strlen(text)), limit, false);
      int32_t w = TXT_Width(run.font, text, n);
      (void)TXT_Draw(run.canvas, run.font, text, n, int16_t(end - w - 2), textY, colours.text);
      right = end - w - 4 - row.x;
    } else {
      right = end - row.x;
    }
    MEM_Free(text);
  }
  // The name, with the typed part set apart during a search.
  char* name = ListRowName(&rec, run.mode, run.width * 3 / 5);
  uint32_t lead = 0;
  if (selected && g_list.seekLength > 0)
    lead = uint32_t(g_list.seekLength + (g_list.seekDash ? 2 : 0));
  uint32_t nameColour = lead > 0 ? g_prefs.listColours[2] : colours.text;
  drawCut(run.canvas, run.font, name, int16_t(row.x + 2), textY, right - 2, nameColour, lead,
          colours.text);
  MEM_Free(name);
  ContactRelease(&rec);
}

}  // namespace

char* ListRowName(const ContactRec* rec, int16_t mode, int32_t width) {
  int16_t column = mode == 1 ? 5 : mode == 2 ? 36 : 4;
  if (g_prefs.showCompanyInList && column != 36) column = int16_t(column + 2);
  uint16_t flags = 0;
  if (g_prefs.companyWhenNoName) flags |= COL_NO_FALLBACK;
  if (g_prefs.nameWhenNoCompany) flags |= COL_NO_DASH;
  return ContactColumnText(rec, column, 0, nullptr, nullptr, width, g_list.font, flags);
}

void ListPaint(GuiForm* form) {
  GfxRect area{};
  if (!form || GUI_GetBounds(form, FCC("List"), &area) != 0) return;
  GfxCanvas canvas = GUI_FormCanvas(form);
  GfxRect oldClip = GFX_SetClip(&canvas, &area);
  const uint16_t* entries = nullptr;
  uint16_t count = SortGetList(nullptr, &entries, MainSortMode(), g_prefs.currentCategory, 0);
  if (!entries) count = 0;
  int16_t h = std::max<int16_t>(g_list.rowHeight, 1);
  ContactDb* db = nullptr;
  // Before the first drawing of the list there is nothing to place yet.
  if (count == 0 || g_list.layout < 0 || ContactDbOpen(&db, false, true) != 0) {
    GFX_FillRect(&canvas, area, WHITE);
    GFX_SetClip(&canvas, &oldClip);
    g_list.paintedTop = g_list.top;
    return;
  }
  PaintRun run{&canvas, db, g_list.font, MainSortMode(), area.w};
  bool noSelection = g_list.paintFlags & LIST_NO_SELECTION;
  bool twoRows = g_list.paintFlags & LIST_TWO_ROWS;
  int32_t selectedRow = g_list.top + g_list.selectedOffset;
  for (int16_t r = 0; r * h < area.h; ++r) {
    int32_t listRow = g_list.top + r;
    if (twoRows && listRow != selectedRow && listRow != g_list.previousRow) continue;
    GfxRect row{area.x, int16_t(area.y + r * h), area.w, h};
    bool selected = !noSelection && listRow == selectedRow;
    int16_t category = -1;
    uint8_t attributes = 0;
    bool listed = listRow < count;
    if (listed) {
      uint16_t mask = 0;
      if (ContactGetAttributes(db, entries[listRow], &mask, &attributes) == 0)
        category = int16_t(ContactCategoryFromMask(mask));
    }
    RowColours colours = rowColours(r, selected, category);
    GFX_FillRect(&canvas, row, colours.back);
    if (!listed) continue;
    if (ListRowMasked(db, entries[listRow])) {
      GFX_PatternRect(&canvas, row, colours.text, colours.back);
      continue;
    }
    GfxRect clip = GFX_Intersect(row, area);
    GFX_SetClip(&canvas, &clip);
    paintContact(run, row, entries[listRow], selected, colours);
    GFX_SetClip(&canvas, &area);
  }
  ContactDbClose(&db);
  GFX_SetClip(&canvas, &oldClip);
  g_list.paintedTop = g_list.top;
}
