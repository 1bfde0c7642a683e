// The table's actions: a cell activated by a tap or the select key (check
// boxes toggle, pop-up cells show their list, text cells start an edit),
// the edit of a text cell through the field editor (its keys, caret,
// clipboard commands; Return or Tab store it, Escape drops it) and the keys
// that move the focused cell. State lives in the table's record.
#include <algorithm>

#include "gui_table.h"

namespace {

bool usable(const GuiTableState* t, int16_t row) { return t->rowUsable[size_t(row)] != 0; }

void selectCell(GuiForm* form, GuiObject* object, GuiTableState* t, int16_t row, int16_t column) {
  t->selRow = row;
  t->selColumn = column;
  GuiTableReveal(object, row);
  GuiRefresh(form, object);
}

void popUp(GuiForm* form, GuiObject* object, GuiTableState* t, GuiTableCell* cell, int16_t row,
           int16_t column) {
  if (cell->items.empty()) return;
  GuiTableGeom g;
  GuiTableLayout(object, t, &g);
  GfxRect anchor = object->rect;
  (void)GuiTableCellRect(object, t, g, row, column, &anchor);
  GuiObject* list = t->popup.get();
  list->rect = anchor;
  GuiListAssign(list, cell->items);
  GuiListSelect(list, cell->value);
  int32_t choice = GuiPopupList(form, list, anchor);
  if (choice < 0 || choice == cell->value) return;
  cell->value = choice;
  GuiRefresh(form, object);
  GuiValueChanged(form, object, row, column);
}

// The next (step 1) or previous (-1) text cell after the edited one, by rows.
bool nextTextCell(const GuiTableState* t, int step, int16_t* row, int16_t* column) {
  int32_t count = int32_t(t->rows) * t->columns;
  int32_t at = int32_t(t->editRow) * t->columns + t->editColumn;
  for (int32_t i = at + step; i >= 0 && i < count; i += step) {
    int16_t r = int16_t(i / t->columns), c = int16_t(i % t->columns);
    if (usable(t, r) && t->cells[size_t(i)].kind == GUI_CELL_TEXT) {
      *row = r;
      *column = c;
      return true;
    }
  }
  return false;
}

// The clipboard's control letters while a cell is edited.
FourCC editCommand(int32_t code) {
  switch (code) {
    case 24:
      return FCC("CUTT");
    case 3:
      return FCC("COPY");
    case 22:
      return FCC("PSTE");
    case 1:
      return FCC("SLCT");
    case 26:
      return FCC("UNDO");
    default:
      break;
  }
  if (code == FCC("CUTT") || code == FCC("COPY") || code == FCC("PSTE") || code == FCC("SLCT") ||
      code == FCC("UNDO"))
    return FourCC(code);
  return 0;
}

bool editKey(GuiForm* form, GuiObject* object, GuiTableState* t, int32_t code) {
  if (code == 27) {
    GuiTableFinishEdit(form, object, false);
    return true;
  }
  if (code == 13 || code == 10 || code == FCC("SLCT")) {
    GuiTableFinishEdit(form, object, true);
    return true;
  }
  if (code == FCC("TNXT") || code == FCC("TPRV")) {
    int16_t row = -1, column = -1;
    bool more = nextTextCell(t, code == FCC("TNXT") ? 1 : -1, &row, &column);
    GuiTableFinishEdit(form, object, true);
    if (more) GuiTableStartEdit(form, object, row, column, -1);
    return more;
  }
  GuiObject* editor = t->editor.get();
  FourCC command = editCommand(code);
  bool used = command ? GuiFieldCommandOn(form, editor, command) : GuiFieldKey(form, editor, code);
  if (used) {
    gGuiCaretShown = true;
    GuiRefresh(form, object);
  }
  return used;
}

// The next usable row above (-1) or below (1) `row`; `row` when none.
int16_t stepRow(const GuiTableState* t, int16_t row, int step) {
  for (int32_t r = row + step; r >= 0 && r < t->rows; r += step)
    if (usable(t, int16_t(r))) return int16_t(r);
  return row;
}

bool moveKey(GuiForm* form, GuiObject* object, GuiTableState* t, int32_t code) {
  if (code == FCC("SCUP") || code == FCC("SCDN")) {
    int16_t from = t->selRow;
    int16_t row = from < 0 ? stepRow(t, -1, 1) : stepRow(t, from, code == FCC("SCUP") ? -1 : 1);
    if (row < 0 || row >= t->rows || row == from) return false;
    selectCell(form, object, t, row, t->selColumn < 0 ? 0 : t->selColumn);
    return true;
  }
  if (code == FCC("LsUp") || code == FCC("LsDn")) {
    GuiTableGeom g;
    GuiTableLayout(object, t, &g);
    int32_t fit = std::max<int32_t>(1, GuiTableFit(object, t, g) - 1);
    int16_t row = t->top;
    for (int32_t i = 0; i < fit; i++) row = stepRow(t, row, code == FCC("LsUp") ? -1 : 1);
    return GuiTableScrollTo(form, object, row);
  }
  return false;
}

}  // namespace

void GuiTableActivate(GuiForm* form, GuiObject* object, int16_t row, int16_t column, int16_t x,
                      int16_t y) {
  GuiTableState* t = GuiTableOf(object);
  GuiTableCell* cell = GuiTableCellAt(t, row, column);
  if (!cell || cell->kind == GUI_CELL_EMPTY || !usable(t, row)) return;
  selectCell(form, object, t, row, column);
  if (cell->kind == GUI_CELL_CHECK) {
    cell->value = cell->value ? 0 : 1;
    GuiRefresh(form, object);
    GuiValueChanged(form, object, row, column);
  } else if (cell->kind == GUI_CELL_POPUP) {
    popUp(form, object, t, cell, row, column);
  } else if (cell->kind == GUI_CELL_TEXT) {
    GuiTableStartEdit(form, object, row, column, -1);
    if (x >= 0) {
      int32_t at = GuiFieldOffsetAt(t->editor.get(), x, y);
      GuiFieldSelect(t->editor.get(), at, at);
      GuiRefresh(form, object);
    }
  }
  GuiControlSelected(form, object, row, column);
}

void GuiTableStartEdit(GuiForm* form, GuiObject* object, int16_t row, int16_t column,
                       int32_t caret) {
  GuiTableState* t = GuiTableOf(object);
  GuiTableCell* cell = GuiTableCellAt(t, row, column);
  if (!cell || cell->kind != GUI_CELL_TEXT) return;
  if (t->editRow >= 0) GuiTableFinishEdit(form, object, true);
  t->selRow = t->editRow = row;
  t->selColumn = t->editColumn = column;
  GuiTableReveal(object, row);
  GuiTableGeom g;
  GuiTableLayout(object, t, &g);
  GuiObject* editor = t->editor.get();
  GfxRect r = object->rect;
  (void)GuiTableCellRect(object, t, g, row, column, &r);
  editor->rect = GuiTableEditorRect(r);
  editor->font = object->font;
  bool tall = r.h >= 2 * TXT_LineHeight(object->font);
  editor->flags = OBJ_NO_FRAME | (tall ? OBJ_MULTI_LINE : 0);
  editor->control = GuiControlState{};
  GuiFieldSetText(form, editor, cell->text);
  int32_t at = caret < 0 ? int32_t(cell->text.size()) : caret;
  GuiFieldSelect(editor, at, at);
  if (form->focus != object) GuiSetFocus(form, object);
  gGuiCaretShown = true;
  GuiRefresh(form, object);
}

void GuiTableFinishEdit(GuiForm* form, GuiObject* object, bool keep) {
  GuiTableState* t = GuiTableOf(object);
  if (!t || t->editRow < 0) return;
  int16_t row = t->editRow, column = t->editColumn;
  t->editRow = t->editColumn = -1;
  GuiTableCell* cell = GuiTableCellAt(t, row, column);
  bool changed = keep && cell && cell->text != t->editor->control.text;
  if (changed) cell->text = t->editor->control.text;
  if (form) {
    GuiRefresh(form, object);
    if (changed) GuiValueChanged(form, object, row, column);
  }
}

bool GuiTableKey(GuiForm* form, GuiObject* object, int32_t code) {
  GuiTableState* t = GuiTableOf(object);
  if (!t || !object->control.enabled) return false;
  if (t->editRow >= 0) return editKey(form, object, t, code);
  if (moveKey(form, object, t, code)) return true;
  GuiTableCell* cell = GuiTableCellAt(t, t->selRow, t->selColumn);
  if (!cell) return false;
  if (code == FCC("SLCT") || (code == ' ' && cell->kind != GUI_CELL_TEXT)) {
    GuiTableActivate(form, object, t->selRow, t->selColumn, -1, -1);
    return true;
  }
  // Typing on a focused text cell starts editing it with that character.
  if (cell->kind == GUI_CELL_TEXT && code >= 32 && code < 256 && code != 127) {
    GuiTableStartEdit(form, object, t->selRow, t->selColumn, -1);
    return editKey(form, object, t, code);
  }
  return false;
}

bool GuiTableWheel(GuiForm* form, GuiObject* object, int32_t notches) {
  GuiTableState* t = GuiTableOf(object);
  if (!t || !GuiVisible(object)) return false;
  int16_t row = t->top;
  for (int32_t i = 0; i < 3 * (notches < 0 ? -notches : notches); i++)
    row = stepRow(t, row, notches > 0 ? -1 : 1);
  (void)GuiTableScrollTo(form, object, row);
  return true;
}

bool GuiTableCommand(GuiForm* form, FourCC command) {
  GuiObject* object = form ? form->focus : nullptr;
  GuiTableState* t = GuiTableOf(object);
  if (!t || t->editRow < 0 || !editCommand(int32_t(command))) return false;
  return editKey(form, object, t, int32_t(command));
}
