// The table "TABL" on screen: its geometry (rows from the first shown down,
// columns sharing the width, a scroll bar at the right when the rows do not
// fit), the cells drawn by kind, and the pen: the scroll bar, taps that
// select a cell (toggling check boxes, popping up lists, starting an edit),
// and caret placement inside the cell being edited. Keys and the edit
// itself are in gui_ctl_grid_edit.cpp. State lives in the table's record.
#include <algorithm>

#include "gui_table.h"

namespace {

bool framed(const GuiObject* object) { return !(object->flags & OBJ_NO_FRAME); }

bool usable(const GuiTableState* t, int16_t row) { return t->rowUsable[size_t(row)] != 0; }

int16_t barWidth(const GuiObject* object) {
  return int16_t(std::max(9, TXT_LineHeight(object->font) - 3));
}

// The text of a cell as shown: a pop-up cell shows its chosen item.
std::string shownText(const GuiTableCell& cell) {
  if (cell.kind == GUI_CELL_NUMBER) return std::to_string(cell.value);
  if (cell.kind == GUI_CELL_POPUP && cell.value >= 0 && cell.value < int32_t(cell.items.size()))
    return cell.items[size_t(cell.value)];
  return cell.text;
}

// Text in a cell: one line centred vertically, or wrapped from the top when
// the cell holds two lines or more.
void drawText(GfxCanvas* c, const GuiObject* object, const std::string& text, const GfxRect& r,
              int align, uint32_t ink) {
  int16_t lh = TXT_LineHeight(object->font);
  if (r.h < 2 * lh) {
    (void)GuiTextIn(c, object->font, text, r, align, ink);
    return;
  }
  std::vector<GuiLine> lines;
  GuiWrap(object->font, text, r.w, &lines);
  int16_t y = int16_t(r.y + 1);
  for (const GuiLine& line : lines) {
    if (y + lh > r.y + r.h) break;
    (void)TXT_Draw(c, object->font, text.data() + line.start, uint32_t(line.length), r.x, y, ink);
    y = int16_t(y + lh);
  }
}

void drawCheckCell(GuiForm* form, const GuiObject* object, GfxCanvas* c, const GuiTableCell& cell,
                   const GfxRect& r, uint32_t ink) {
  int16_t lh = TXT_LineHeight(object->font);
  int16_t side = int16_t(std::min<int>(std::max(lh - 4, 8), r.h - 2));
  GfxRect box{int16_t(r.x + 2), int16_t(r.y + (r.h - side) / 2), side, side};
  GuiRoundFrame(c, box, GuiColour(form, COL_FRAME), GuiColour(form, COL_BACK), 1);
  if (cell.value != 0) GuiTick(c, box, GuiColour(form, COL_FORE));
  GfxRect text{int16_t(box.x + side + 3), r.y, int16_t(r.x + r.w - box.x - side - 3), r.h};
  if (!cell.text.empty()) (void)GuiTextIn(c, object->font, cell.text, text, 0, ink);
}

void drawPopupCell(GuiForm* form, const GuiObject* object, GfxCanvas* c, const GuiTableCell& cell,
                   const GfxRect& r, uint32_t ink) {
  int16_t lh = TXT_LineHeight(object->font);
  int16_t aw = int16_t(std::max(6, lh / 2));
  GfxRect arrow{int16_t(r.x + 2), int16_t(r.y + (std::min<int>(r.h, lh + 2) - aw) / 2), aw, aw};
  GuiArrow(c, arrow, 0, GuiColour(form, COL_FORE));
  GfxRect text{int16_t(arrow.x + aw + 3), r.y, int16_t(r.x + r.w - arrow.x - aw - 3), r.h};
  drawText(c, object, shownText(cell), text, 0, ink);
}

// The edited cell: the field editor drawn as if it had the focus.
void drawEditor(GuiForm* form, GuiObject* object, GuiTableState* t, GfxCanvas* c,
                const GfxRect& r) {
  GuiObject* editor = t->editor.get();
  editor->rect = GuiTableEditorRect(r);
  GuiObject* focus = form->focus;
  if (focus == object) form->focus = editor;
  GUI_OPS_FELD.draw(form, editor, c);
  form->focus = focus;
}

void drawCell(GuiForm* form, GuiObject* object, GuiTableState* t, int16_t row, int16_t column,
              const GfxRect& r, const GfxRect& clip) {
  GfxCanvas c = GuiCanvas(form, clip);
  GuiTableCell& cell = *GuiTableCellAt(t, row, column);
  bool selected = row == t->selRow && column == t->selColumn;
  if (selected && cell.kind != GUI_CELL_EMPTY)
    GFX_FillRect(&c, r, GuiMix(GuiColour(form, COL_BACK), GuiColour(form, COL_FILL), 1, 2));
  if (row == t->editRow && column == t->editColumn) {
    drawEditor(form, object, t, &c, r);
    return;
  }
  uint32_t ink = GuiTextColour(form, object);
  GfxRect inside{int16_t(r.x + 2), r.y, int16_t(r.w - 4), r.h};
  switch (cell.kind) {
    case GUI_CELL_TEXT:
      drawText(&c, object, cell.text, inside, 0, ink);
      GFX_PatternRect(&c, GfxRect{inside.x, int16_t(r.y + r.h - 1), inside.w, 1},
                      GuiColour(form, COL_FRAME), GFX_TRANSPARENT);
      break;
    case GUI_CELL_POPUP:
      drawPopupCell(form, object, &c, cell, r, ink);
      break;
    case GUI_CELL_CHECK:
      drawCheckCell(form, object, &c, cell, r, ink);
      break;
    case GUI_CELL_NUMBER:
      drawText(&c, object, shownText(cell), inside, 2, ink);
      break;
    case GUI_CELL_CUSTOM:
      if (t->draw) t->draw(form, object->tag, row, column, &c, &r, t->drawUser);
      break;
    case GUI_CELL_EMPTY:
      break;
    default:
      drawText(&c, object, cell.text, inside, 0, ink);
      break;
  }
}

GuiScrollGeom barGeom(const GuiObject* object, const GuiTableState* t, const GuiTableGeom& g) {
  GuiScrollGeom s{};
  int32_t value = GuiTableUsableBefore(t, t->top);
  int32_t maximum = GuiTableUsableBefore(t, GuiTableMaxTop(object, t, g));
  GuiScrollLayout(g.bar, true, true, value, maximum, GuiTableFit(object, t, g), 0, &s);
  return s;
}

void drawTable(GuiForm* form, GuiObject* object, GfxCanvas* c) {
  GuiTableState* t = GuiTableOf(object);
  const GfxRect& r = object->rect;
  GFX_FillRect(c, r, GuiColour(form, COL_BACK));
  if (framed(object)) GFX_FrameRect(c, r, GuiColour(form, COL_FRAME), 1);
  if (!t) return;
  GuiTableGeom g;
  GuiTableLayout(object, t, &g);
  for (int16_t row = t->top; row < t->rows; row++) {
    GfxRect cell{};
    if (!usable(t, row)) continue;
    if (!GuiTableCellRect(object, t, g, row, 0, &cell)) break;
    for (int16_t col = 0; col < t->columns; col++) {
      (void)GuiTableCellRect(object, t, g, row, col, &cell);
      GfxRect clip = GFX_Intersect(cell, g.body);
      if (clip.w > 0 && clip.h > 0) drawCell(form, object, t, row, col, cell, clip);
    }
  }
  if (g.hasBar) {
    GfxCanvas bc = GuiCanvas(form, g.bar);
    GuiScrollPaint(&bc, form, barGeom(object, t, g));
  }
}

// The row holding the n-th usable row (the scroll value n).
int16_t rowOfValue(const GuiTableState* t, int32_t n) {
  int16_t last = 0;
  for (int16_t r = 0; r < t->rows; r++) {
    if (!usable(t, r)) continue;
    if (n-- <= 0) return r;
    last = r;
  }
  return last;
}

void scrollByValue(GuiForm* form, GuiObject* object, GuiTableState* t, int32_t delta) {
  int32_t value = std::max(0, GuiTableUsableBefore(t, t->top) + delta);
  (void)GuiTableScrollTo(form, object, rowOfValue(t, value));
}

void penBar(GuiForm* form, GuiObject* object, GuiTableState* t, const GuiTableGeom& g,
            int16_t phase, int16_t y) {
  GuiScrollGeom s = barGeom(object, t, g);
  if (phase == 0) {
    int32_t fit = std::max<int32_t>(1, GuiTableFit(object, t, g) - 1);
    if (s.back.h > 0 && y >= s.back.y && y < s.back.y + s.back.h) {
      scrollByValue(form, object, t, -1);
    } else if (y >= s.forward.y && s.forward.h > 0) {
      scrollByValue(form, object, t, 1);
    } else if (y >= s.knob.y && y < s.knob.y + s.knob.h) {
      t->penOnKnob = true;
      t->knobGrab = y - s.knob.y;
    } else {
      scrollByValue(form, object, t, y < s.knob.y ? -fit : fit);
    }
    return;
  }
  if (phase == 1 && t->penOnKnob) {
    int32_t maximum = GuiTableUsableBefore(t, GuiTableMaxTop(object, t, g));
    int32_t value = GuiScrollValueAt(s, maximum, y - t->knobGrab - s.track.y);
    (void)GuiTableScrollTo(form, object, rowOfValue(t, value));
  }
}

// The cell under a form point; false outside every shown cell.
bool cellAt(const GuiObject* object, const GuiTableState* t, const GuiTableGeom& g, int16_t x,
            int16_t y, int16_t* row, int16_t* column) {
  if (!GuiInside(g.body, x, y)) return false;
  for (int16_t r = t->top; r < t->rows; r++) {
    GfxRect cell{};
    if (!usable(t, r)) continue;
    if (!GuiTableCellRect(object, t, g, r, 0, &cell)) return false;
    if (y < cell.y || y >= cell.y + cell.h) continue;
    for (int16_t c = 0; c < t->columns; c++) {
      if (x >= g.colX[size_t(c)] && x < g.colX[size_t(c)] + g.colW[size_t(c)]) {
        *row = r;
        *column = c;
        return true;
      }
    }
    return false;
  }
  return false;
}

bool penInEditor(GuiForm* form, GuiObject* object, GuiTableState* t, int16_t phase, int16_t x,
                 int16_t y) {
  GuiObject* editor = t->editor.get();
  int32_t at = GuiFieldOffsetAt(editor, x, y);
  if (phase == 0) t->penAnchor = at;
  GuiFieldSelect(editor, std::min(t->penAnchor, at), std::max(t->penAnchor, at));
  gGuiCaretShown = true;
  GuiRefresh(form, object);
  return true;
}

bool penTable(GuiForm* form, GuiObject* object, int16_t phase, int16_t x, int16_t y) {
  GuiTableState* t = GuiTableOf(object);
  if (!t || !object->control.enabled) return false;
  GuiTableGeom g;
  GuiTableLayout(object, t, &g);
  bool editing = t->editRow >= 0;
  if (phase == 0) {
    GuiFocusOnPen(form, object);
    t->penOnBar = g.hasBar && GuiInside(g.bar, x, y);
    t->penOnKnob = false;
    t->penRow = t->penColumn = -1;
    if (t->penOnBar) {
      penBar(form, object, t, g, phase, y);
      return true;
    }
    (void)cellAt(object, t, g, x, y, &t->penRow, &t->penColumn);
    if (editing && t->penRow == t->editRow && t->penColumn == t->editColumn)
      return penInEditor(form, object, t, phase, x, y);
    if (editing) GuiTableFinishEdit(form, object, true);
    return true;
  }
  if (t->penOnBar) {
    penBar(form, object, t, g, phase, y);
    if (phase == 2) t->penOnBar = t->penOnKnob = false;
    return true;
  }
  if (editing && t->penRow == t->editRow && t->penColumn == t->editColumn)
    return penInEditor(form, object, t, phase, x, y);
  int16_t row = -1, column = -1;
  if (phase == 2 && t->penRow >= 0 && cellAt(object, t, g, x, y, &row, &column) &&
      row == t->penRow && column == t->penColumn)
    GuiTableActivate(form, object, row, column, x, y);
  return true;
}

void createTable(GuiForm*, GuiObject* object) {
  auto t = std::make_shared<GuiTableState>();
  t->editor = std::make_unique<GuiObject>();
  t->editor->kind = FCC("FELD");
  t->editor->font = object->font;
  t->editor->flags = OBJ_NO_FRAME;
  t->popup = std::make_unique<GuiObject>();
  t->popup->kind = FCC("LIST");
  t->popup->font = object->font;
  t->popup->control.value = -1;
  object->control.table = t;
}

}  // namespace

GfxRect GuiTableEditorRect(const GfxRect& cell) {
  return GfxRect{int16_t(cell.x + 1), cell.y, int16_t(cell.w > 2 ? cell.w - 2 : cell.w), cell.h};
}

GuiTableState* GuiTableOf(const GuiObject* object) {
  if (!object || object->kind != FCC("TABL")) return nullptr;
  return object->control.table.get();
}

GuiTableCell* GuiTableCellAt(GuiTableState* t, int16_t row, int16_t column) {
  if (!t || row < 0 || column < 0 || row >= t->rows || column >= t->columns) return nullptr;
  return &t->cells[size_t(row) * size_t(t->columns) + size_t(column)];
}

int16_t GuiTableRowPixels(const GuiObject* object, const GuiTableState* t, int16_t row) {
  int16_t h = t->rowHeight[size_t(row)];
  return h > 0 ? h : int16_t(TXT_LineHeight(object->font) + 4);
}

void GuiTableLayout(const GuiObject* object, const GuiTableState* t, GuiTableGeom* g) {
  GfxRect inner = framed(object) ? GuiInset(object->rect, 1) : object->rect;
  int32_t total = 0;
  for (int16_t r = 0; r < t->rows; r++)
    if (usable(t, r)) total += GuiTableRowPixels(object, t, r);
  g->body = inner;
  g->hasBar = total > inner.h;
  if (g->hasBar) {
    int16_t w = barWidth(object);
    g->body.w = int16_t(std::max(0, inner.w - w));
    g->bar = GfxRect{int16_t(inner.x + inner.w - w), inner.y, w, inner.h};
  }
  int32_t fixed = 0, shared = 0;
  for (int16_t w : t->columnWidth) w > 0 ? fixed += w : shared++;
  int32_t rest = std::max<int32_t>(0, g->body.w - fixed);
  g->colX.assign(size_t(t->columns), 0);
  g->colW.assign(size_t(t->columns), 0);
  int32_t x = g->body.x, seen = 0;
  for (int16_t c = 0; c < t->columns; c++) {
    int32_t w = t->columnWidth[size_t(c)];
    if (w <= 0) {
      seen++;
      w = seen == shared ? rest - (rest / shared) * (shared - 1) : rest / shared;
    }
    g->colX[size_t(c)] = int16_t(x);
    g->colW[size_t(c)] = int16_t(w);
    x += w;
  }
}

int16_t GuiTableMaxTop(const GuiObject* object, const GuiTableState* t, const GuiTableGeom& g) {
  int32_t sum = 0;
  int16_t best = -1, last = -1;
  for (int16_t r = int16_t(t->rows - 1); r >= 0; r--) {
    if (!usable(t, r)) continue;
    if (last < 0) last = r;
    sum += GuiTableRowPixels(object, t, r);
    if (sum > g.body.h) break;
    best = r;
  }
  if (best < 0) best = last < 0 ? 0 : last;
  return best;
}

int16_t GuiTableFit(const GuiObject* object, const GuiTableState* t, const GuiTableGeom& g) {
  int32_t y = 0;
  int16_t n = 0;
  for (int16_t r = t->top; r < t->rows; r++) {
    if (!usable(t, r)) continue;
    y += GuiTableRowPixels(object, t, r);
    if (y > g.body.h) break;
    n++;
  }
  return n;
}

int32_t GuiTableUsableBefore(const GuiTableState* t, int16_t row) {
  int32_t n = 0;
  for (int16_t r = 0; r < row && r < t->rows; r++) n += usable(t, r) ? 1 : 0;
  return n;
}

bool GuiTableCellRect(const GuiObject* object, const GuiTableState* t, const GuiTableGeom& g,
                      int16_t row, int16_t column, GfxRect* out) {
  if (row < t->top || row >= t->rows || column < 0 || column >= t->columns || !usable(t, row))
    return false;
  int32_t y = g.body.y;
  for (int16_t r = t->top; r < row; r++)
    if (usable(t, r)) y += GuiTableRowPixels(object, t, r);
  // Only whole rows are shown, except a first row taller than the body.
  int16_t h = GuiTableRowPixels(object, t, row);
  if (y >= g.body.y + g.body.h || (row != t->top && y + h > g.body.y + g.body.h)) return false;
  *out = GfxRect{g.colX[size_t(column)], int16_t(y), g.colW[size_t(column)], h};
  return true;
}

bool GuiTableScrollTo(GuiForm* form, GuiObject* object, int32_t top) {
  GuiTableState* t = GuiTableOf(object);
  if (!t) return false;
  GuiTableGeom g;
  GuiTableLayout(object, t, &g);
  int16_t most = GuiTableMaxTop(object, t, g);
  int16_t clamped = int16_t(std::clamp<int32_t>(top, 0, most));
  if (clamped == t->top) return false;
  t->top = clamped;
  if (form) GuiRefresh(form, object);
  return true;
}

void GuiTableReveal(GuiObject* object, int16_t row) {
  GuiTableState* t = GuiTableOf(object);
  if (!t || row < 0 || row >= t->rows) return;
  if (row < t->top) {
    t->top = row;
    return;
  }
  GuiTableGeom g;
  GuiTableLayout(object, t, &g);
  // Move the first row down until `row` ends inside the body.
  for (;;) {
    int32_t y = 0;
    for (int16_t r = t->top; r <= row; r++)
      if (usable(t, r)) y += GuiTableRowPixels(object, t, r);
    if (y <= g.body.h || t->top >= row) break;
    t->top++;
  }
}

const GuiControlOps GUI_OPS_TABL = {FCC("TABL"), createTable, drawTable,
                                    penTable,    GuiTableKey, true};
