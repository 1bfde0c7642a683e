// The table's public calls by tag (GUI_Table*): size, row heights and
// usability, column widths, cell kinds, texts, values and pop-up items,
// scrolling, the focused cell, the edit and the custom draw callback. Every
// call checks the tag names a table and the row and column lie inside it.
// Owns no state of its own.
#include <algorithm>
#include <cstring>

#include "gui_table.h"

namespace {

constexpr Err NO_TABLE = -1;

GuiTableState* tableOf(const GuiForm* form, FourCC tag, GuiObject** object = nullptr) {
  GuiObject* o = GuiObjectByTag(form, tag);
  if (object) *object = o;
  return GuiTableOf(o);
}

// The cell, when form, tag, row and column name one.
GuiTableCell* cellOf(const GuiForm* form, FourCC tag, int16_t row, int16_t column,
                     GuiObject** object = nullptr) {
  return GuiTableCellAt(tableOf(form, tag, object), row, column);
}

// Redraws the table when it is shown in a form.
void refresh(GuiForm* form, GuiObject* object) {
  if (object && GuiVisible(object)) GuiRefresh(form, object);
}

}  // namespace

Err GUI_TableSetSize(GuiForm* form, FourCC tag, int16_t rows, int16_t columns) {
  GuiObject* o = nullptr;
  GuiTableState* t = tableOf(form, tag, &o);
  if (!t || rows < 0 || columns < 0 || int32_t(rows) * columns > GUI_TABLE_MAX_CELLS)
    return NO_TABLE;
  GuiTableFinishEdit(form, o, true);
  std::vector<GuiTableCell> cells(size_t(rows) * size_t(columns));
  for (int16_t r = 0; r < std::min(rows, t->rows); r++)
    for (int16_t c = 0; c < std::min(columns, t->columns); c++)
      cells[size_t(r) * size_t(columns) + size_t(c)] = std::move(*GuiTableCellAt(t, r, c));
  t->cells = std::move(cells);
  t->rows = rows;
  t->columns = columns;
  t->rowHeight.resize(size_t(rows), 0);
  t->rowUsable.resize(size_t(rows), 1);
  t->columnWidth.resize(size_t(columns), 0);
  if (t->selRow >= rows || t->selColumn >= columns) t->selRow = t->selColumn = -1;
  t->top = std::min<int16_t>(t->top, std::max<int16_t>(0, int16_t(rows - 1)));
  (void)GuiTableScrollTo(nullptr, o, t->top);
  refresh(form, o);
  return 0;
}

int16_t GUI_TableRows(const GuiForm* form, FourCC tag) {
  GuiTableState* t = tableOf(form, tag);
  return t ? t->rows : -1;
}

int16_t GUI_TableColumns(const GuiForm* form, FourCC tag) {
  GuiTableState* t = tableOf(form, tag);
  return t ? t->columns : -1;
}

Err GUI_TableSetColumnWidth(GuiForm* form, FourCC tag, int16_t column, int16_t width) {
  GuiObject* o = nullptr;
  GuiTableState* t = tableOf(form, tag, &o);
  if (!t || column < 0 || column >= t->columns) return NO_TABLE;
  t->columnWidth[size_t(column)] = std::max<int16_t>(0, width);
  refresh(form, o);
  return 0;
}

Err GUI_TableSetRowHeight(GuiForm* form, FourCC tag, int16_t row, int16_t height) {
  GuiObject* o = nullptr;
  GuiTableState* t = tableOf(form, tag, &o);
  if (!t || row < 0 || row >= t->rows) return NO_TABLE;
  t->rowHeight[size_t(row)] = std::max<int16_t>(0, height);
  (void)GuiTableScrollTo(nullptr, o, t->top);
  refresh(form, o);
  return 0;
}

int16_t GUI_TableRowHeight(const GuiForm* form, FourCC tag, int16_t row) {
  GuiObject* o = nullptr;
  GuiTableState* t = tableOf(form, tag, &o);
  if (!t || row < 0 || row >= t->rows) return -1;
  return GuiTableRowPixels(o, t, row);
}

Err GUI_TableSetRowUsable(GuiForm* form, FourCC tag, int16_t row, bool usable) {
  GuiObject* o = nullptr;
  GuiTableState* t = tableOf(form, tag, &o);
  if (!t || row < 0 || row >= t->rows) return NO_TABLE;
  if (!usable && t->editRow == row) GuiTableFinishEdit(form, o, true);
  if (!usable && t->selRow == row) t->selRow = t->selColumn = -1;
  t->rowUsable[size_t(row)] = usable ? 1 : 0;
  (void)GuiTableScrollTo(nullptr, o, t->top);
  refresh(form, o);
  return 0;
}

Err GUI_TableSetCellKind(GuiForm* form, FourCC tag, int16_t row, int16_t column, int16_t kind) {
  GuiObject* o = nullptr;
  GuiTableCell* cell = cellOf(form, tag, row, column, &o);
  if (!cell || kind < GUI_CELL_LABEL || kind > GUI_CELL_EMPTY) return NO_TABLE;
  GuiTableState* t = GuiTableOf(o);
  if (t->editRow == row && t->editColumn == column) GuiTableFinishEdit(form, o, true);
  cell->kind = kind;
  if (kind == GUI_CELL_POPUP && cell->items.empty()) cell->value = -1;
  refresh(form, o);
  return 0;
}

Err GUI_TableGetCellKind(const GuiForm* form, FourCC tag, int16_t row, int16_t column,
                         int16_t* out) {
  GuiTableCell* cell = cellOf(form, tag, row, column);
  if (!cell) return NO_TABLE;
  if (out) *out = cell->kind;
  return 0;
}

Err GUI_TableSetCellText(GuiForm* form, FourCC tag, int16_t row, int16_t column, const char* text) {
  GuiObject* o = nullptr;
  GuiTableCell* cell = cellOf(form, tag, row, column, &o);
  if (!cell) return NO_TABLE;
  GuiTableState* t = GuiTableOf(o);
  if (t->editRow == row && t->editColumn == column) GuiTableFinishEdit(form, o, false);
  cell->text = text ? text : "";
  refresh(form, o);
  return 0;
}

Err GUI_TableGetCellText(const GuiForm* form, FourCC tag, int16_t row, int16_t column, char* buffer,
                         uint32_t size) {
  GuiObject* o = nullptr;
  GuiTableCell* cell = cellOf(form, tag, row, column, &o);
  if (buffer && size > 0) buffer[0] = 0;
  if (!cell) return NO_TABLE;
  GuiTableState* t = GuiTableOf(o);
  // The cell being edited reads as what the editor holds now.
  bool editing = t->editRow == row && t->editColumn == column;
  const std::string& text = editing ? t->editor->control.text : cell->text;
  if (buffer && size > 0) {
    size_t n = std::min<size_t>(text.size(), size - 1);
    std::memcpy(buffer, text.data(), n);
    buffer[n] = 0;
  }
  return 0;
}

Err GUI_TableSetCellValue(GuiForm* form, FourCC tag, int16_t row, int16_t column, int32_t value) {
  GuiObject* o = nullptr;
  GuiTableCell* cell = cellOf(form, tag, row, column, &o);
  if (!cell) return NO_TABLE;
  if (cell->kind == GUI_CELL_POPUP && (value < 0 || value >= int32_t(cell->items.size())))
    value = -1;
  if (cell->kind == GUI_CELL_CHECK) value = value != 0;
  cell->value = value;
  refresh(form, o);
  return 0;
}

Err GUI_TableGetCellValue(const GuiForm* form, FourCC tag, int16_t row, int16_t column,
                          int32_t* out) {
  GuiTableCell* cell = cellOf(form, tag, row, column);
  if (!cell) return NO_TABLE;
  if (out) *out = cell->value;
  return 0;
}

Err GUI_TableSetCellItems(GuiForm* form, FourCC tag, int16_t row, int16_t column,
                          const char* const* items, int16_t count) {
  GuiObject* o = nullptr;
  GuiTableCell* cell = cellOf(form, tag, row, column, &o);
  if (!cell || count < 0 || (count > 0 && !items)) return NO_TABLE;
  cell->items.clear();
  for (int16_t i = 0; i < count; i++) cell->items.emplace_back(items[i] ? items[i] : "");
  if (cell->value >= count) cell->value = -1;
  refresh(form, o);
  return 0;
}

Err GUI_TableSetTop(GuiForm* form, FourCC tag, int16_t row) {
  GuiObject* o = nullptr;
  if (!tableOf(form, tag, &o)) return NO_TABLE;
  (void)GuiTableScrollTo(form, o, row);
  return 0;
}

int16_t GUI_TableTop(const GuiForm* form, FourCC tag) {
  GuiTableState* t = tableOf(form, tag);
  return t ? t->top : -1;
}

int16_t GUI_TableVisibleRows(const GuiForm* form, FourCC tag) {
  GuiObject* o = nullptr;
  GuiTableState* t = tableOf(form, tag, &o);
  if (!t) return -1;
  GuiTableGeom g;
  GuiTableLayout(o, t, &g);
  return GuiTableFit(o, t, g);
}

Err GUI_TableSelect(GuiForm* form, FourCC tag, int16_t row, int16_t column) {
  GuiObject* o = nullptr;
  GuiTableState* t = tableOf(form, tag, &o);
  if (!t) return NO_TABLE;
  bool none = row == -1 && column == -1;
  if (!none && !GuiTableCellAt(t, row, column)) return NO_TABLE;
  if (t->editRow >= 0 && (t->editRow != row || t->editColumn != column))
    GuiTableFinishEdit(form, o, true);
  t->selRow = row;
  t->selColumn = column;
  if (!none) GuiTableReveal(o, row);
  refresh(form, o);
  return 0;
}

Err GUI_TableGetSelection(const GuiForm* form, FourCC tag, int16_t* row, int16_t* column) {
  GuiTableState* t = tableOf(form, tag);
  if (!t) return NO_TABLE;
  if (row) *row = t->selRow;
  if (column) *column = t->selColumn;
  return 0;
}

Err GUI_TableCellBounds(const GuiForm* form, FourCC tag, int16_t row, int16_t column,
                        GfxRect* out) {
  GuiObject* o = nullptr;
  GuiTableState* t = tableOf(form, tag, &o);
  if (!t) return NO_TABLE;
  GuiTableGeom g;
  GuiTableLayout(o, t, &g);
  GfxRect r{};
  if (!GuiVisible(o) || !GuiTableCellRect(o, t, g, row, column, &r)) return NO_TABLE;
  if (out) *out = r;
  return 0;
}

Err GUI_TableEditCell(GuiForm* form, FourCC tag, int16_t row, int16_t column) {
  GuiObject* o = nullptr;
  GuiTableCell* cell = cellOf(form, tag, row, column, &o);
  if (!cell || cell->kind != GUI_CELL_TEXT) return NO_TABLE;
  GuiTableStartEdit(form, o, row, column, -1);
  return 0;
}

Err GUI_TableEndEdit(GuiForm* form, FourCC tag) {
  GuiObject* o = nullptr;
  if (!tableOf(form, tag, &o)) return NO_TABLE;
  GuiTableFinishEdit(form, o, true);
  return 0;
}

bool GUI_TableEditing(const GuiForm* form, FourCC tag, int16_t* row, int16_t* column) {
  GuiTableState* t = tableOf(form, tag);
  bool editing = t && t->editRow >= 0;
  if (row) *row = editing ? t->editRow : -1;
  if (column) *column = editing ? t->editColumn : -1;
  return editing;
}

Err GUI_TableSetDrawCallback(GuiForm* form, FourCC tag, GuiTableDrawFn draw, uintptr_t user) {
  GuiObject* o = nullptr;
  GuiTableState* t = tableOf(form, tag, &o);
  if (!t) return NO_TABLE;
  t->draw = draw;
  t->drawUser = user;
  refresh(form, o);
  return 0;
}
