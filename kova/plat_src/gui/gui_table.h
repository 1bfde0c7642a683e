// The table control's private record and geometry, shared by its drawing and
// input (gui_ctl_grid.cpp) and its public calls (gui_ctl_grid_api.cpp).
// A table holds rows x columns cells stored row by row; the cell being
// edited is shown by a field object of its own that never joins the form's
// object list. Nothing outside those two modules includes this.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "gui_ctl.h"

struct GuiTableCell {
  int16_t kind = GUI_CELL_LABEL;
  int32_t value = 0;
  std::string text;
  std::vector<std::string> items;  // pop-up cells
};

struct GuiTableState {
  int16_t rows = 0, columns = 0;
  std::vector<GuiTableCell> cells;  // rows x columns, row by row
  std::vector<int16_t> rowHeight;   // 0: one line
  std::vector<uint8_t> rowUsable;
  std::vector<int16_t> columnWidth;  // 0: a share of the rest
  int16_t top = 0;
  int16_t selRow = -1, selColumn = -1;
  int16_t editRow = -1, editColumn = -1;
  std::unique_ptr<GuiObject> editor;  // the field over the edited cell
  std::unique_ptr<GuiObject> popup;   // the list a pop-up cell shows
  GuiTableDrawFn draw = nullptr;
  uintptr_t drawUser = 0;
  // The pen: where it went down (a cell, or the scroll bar's knob).
  int16_t penRow = -1, penColumn = -1;
  bool penOnBar = false, penOnKnob = false;
  int32_t knobGrab = 0;   // pixels from the knob's start to the pen
  int32_t penAnchor = 0;  // selection anchor while the pen drags in the editor
};

// Where the parts of a table lie (form coordinates).
struct GuiTableGeom {
  GfxRect body;  // the cells' area, inside the frame and left of the bar
  bool hasBar = false;
  GfxRect bar{};
  std::vector<int16_t> colX, colW;
};

// The table of an object ("TABL"), null for other kinds.
GuiTableState* GuiTableOf(const GuiObject* object);
GuiTableCell* GuiTableCellAt(GuiTableState* t, int16_t row, int16_t column);
int16_t GuiTableRowPixels(const GuiObject* object, const GuiTableState* t, int16_t row);
void GuiTableLayout(const GuiObject* object, const GuiTableState* t, GuiTableGeom* g);
// The largest first row that still fills the body; the rows that fit from
// the first shown; the usable rows before `row` (the scroll value).
int16_t GuiTableMaxTop(const GuiObject* object, const GuiTableState* t, const GuiTableGeom& g);
int16_t GuiTableFit(const GuiObject* object, const GuiTableState* t, const GuiTableGeom& g);
int32_t GuiTableUsableBefore(const GuiTableState* t, int16_t row);
// The cell's rectangle; false when the row is not shown.
bool GuiTableCellRect(const GuiObject* object, const GuiTableState* t, const GuiTableGeom& g,
                      int16_t row, int16_t column, GfxRect* out);
// Where the field editor lies over a cell (its text then starts where the
// cell's own text does).
GfxRect GuiTableEditorRect(const GfxRect& cell);
// Clamps the first row and redraws; true when it moved.
bool GuiTableScrollTo(GuiForm* form, GuiObject* object, int32_t top);
// Scrolls so that `row` is wholly shown.
void GuiTableReveal(GuiObject* object, int16_t row);
// Starts editing (caret at `caret`, -1: the end) / stores (`keep`) or drops
// the edit. Both redraw.
void GuiTableStartEdit(GuiForm* form, GuiObject* object, int16_t row, int16_t column,
                       int32_t caret);
void GuiTableFinishEdit(GuiForm* form, GuiObject* object, bool keep);
// A tap on a shown cell (or the select key on the focused one): selects
// it, then by kind toggles, pops up or starts editing, and sends
// FORM_EVT_CONTROL with the row and column.
void GuiTableActivate(GuiForm* form, GuiObject* object, int16_t row, int16_t column, int16_t x,
                      int16_t y);
// Keys for a focused table (moving the focused cell, the edit's keys).
bool GuiTableKey(GuiForm* form, GuiObject* object, int32_t code);
