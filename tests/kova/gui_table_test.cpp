// Tests of the table control on a hand-built form: cells set and read back
// by kind, taps that reach the handler with row and column, check boxes and
// text cells edited through the field editor (stored, dropped, Tab to the
// next), scrolling by the bar and by keys with rows of different heights
// and hidden rows, and the custom draw callback.
#include <gtest/gtest.h>

#include <cstring>

#include "../../kova/plat_src/gui/gui_ctl.h"
#include "gui_ctl_fixture.h"

namespace {

constexpr FourCC TAB = FCC("Tabl");

class GuiTable : public GuiCtlTest {
 protected:
  void SetUp() override {
    GuiCtlTest::SetUp();
    MakeForm(240, 240, 0);
    table_ = Add("TABL", TAB, {10, 10, 200, 122});
    Create();
    lh_ = TXT_LineHeight(0);
  }
  std::string Cell(int16_t row, int16_t column) {
    char buffer[128];
    EXPECT_EQ(0, GUI_TableGetCellText(Form(), TAB, row, column, buffer, sizeof buffer));
    return buffer;
  }
  int32_t CellValue(int16_t row, int16_t column) {
    int32_t v = -99;
    EXPECT_EQ(0, GUI_TableGetCellValue(Form(), TAB, row, column, &v));
    return v;
  }
  // The middle of a shown cell.
  std::pair<int, int> Middle(int16_t row, int16_t column) {
    GfxRect r{};
    EXPECT_EQ(0, GUI_TableCellBounds(Form(), TAB, row, column, &r));
    return {r.x + r.w / 2, r.y + r.h / 2};
  }
  void TapCell(int16_t row, int16_t column) {
    auto [x, y] = Middle(row, column);
    Tap(table_, x, y);
  }
  GuiObject* table_ = nullptr;
  int16_t lh_ = 0;
};

TEST_F(GuiTable, CellsKeepTheirKindsTextsAndValues) {
  ASSERT_EQ(0, GUI_TableSetSize(Form(), TAB, 3, 2));
  EXPECT_EQ(3, GUI_TableRows(Form(), TAB));
  EXPECT_EQ(2, GUI_TableColumns(Form(), TAB));
  ASSERT_EQ(0, GUI_TableSetCellKind(Form(), TAB, 0, 1, GUI_CELL_TEXT));
  ASSERT_EQ(0, GUI_TableSetCellText(Form(), TAB, 0, 0, "Last name:"));
  ASSERT_EQ(0, GUI_TableSetCellText(Form(), TAB, 0, 1, "Smith"));
  ASSERT_EQ(0, GUI_TableSetCellKind(Form(), TAB, 1, 0, GUI_CELL_CHECK));
  ASSERT_EQ(0, GUI_TableSetCellValue(Form(), TAB, 1, 0, 7));  // a check box holds 0 or 1
  ASSERT_EQ(0, GUI_TableSetCellKind(Form(), TAB, 2, 0, GUI_CELL_POPUP));
  const char* items[] = {"Work", "Home", "Fax"};
  ASSERT_EQ(0, GUI_TableSetCellItems(Form(), TAB, 2, 0, items, 3));
  ASSERT_EQ(0, GUI_TableSetCellValue(Form(), TAB, 2, 0, 5));  // out of range: none
  EXPECT_EQ(-1, CellValue(2, 0));
  ASSERT_EQ(0, GUI_TableSetCellValue(Form(), TAB, 2, 0, 2));
  int16_t kind = -1;
  ASSERT_EQ(0, GUI_TableGetCellKind(Form(), TAB, 0, 1, &kind));
  EXPECT_EQ(GUI_CELL_TEXT, kind);
  EXPECT_EQ("Smith", Cell(0, 1));
  EXPECT_EQ("Last name:", Cell(0, 0));
  EXPECT_EQ(1, CellValue(1, 0));
  EXPECT_EQ(2, CellValue(2, 0));
  // Text is cut to the buffer and always terminated.
  char small[4];
  ASSERT_EQ(0, GUI_TableGetCellText(Form(), TAB, 0, 0, small, sizeof small));
  EXPECT_STREQ("Las", small);

  // Growing keeps the cells that stay; new ones are empty labels.
  ASSERT_EQ(0, GUI_TableSetSize(Form(), TAB, 4, 3));
  EXPECT_EQ("Smith", Cell(0, 1));
  EXPECT_EQ(2, CellValue(2, 0));
  ASSERT_EQ(0, GUI_TableGetCellKind(Form(), TAB, 3, 2, &kind));
  EXPECT_EQ(GUI_CELL_LABEL, kind);
  EXPECT_EQ("", Cell(3, 2));
  // Shrinking drops the rest.
  ASSERT_EQ(0, GUI_TableSetSize(Form(), TAB, 1, 1));
  EXPECT_EQ("Last name:", Cell(0, 0));
  char buffer[8] = "x";
  EXPECT_EQ(-1, GUI_TableGetCellText(Form(), TAB, 0, 1, buffer, sizeof buffer));
  EXPECT_STREQ("", buffer);

  // Outside the table, or on something that is not a table: -1.
  EXPECT_EQ(-1, GUI_TableSetCellText(Form(), TAB, 1, 0, "x"));
  EXPECT_EQ(-1, GUI_TableSetCellText(Form(), TAB, -1, 0, "x"));
  EXPECT_EQ(-1, GUI_TableSetCellKind(Form(), TAB, 0, 0, 42));
  EXPECT_EQ(-1, GUI_TableSetSize(Form(), FCC("None"), 2, 2));
  EXPECT_EQ(-1, GUI_TableSetSize(Form(), TAB, 30000, 30000));  // far too many cells
  EXPECT_EQ(-1, GUI_TableSetSize(Form(), TAB, -1, 2));
  EXPECT_EQ(1, GUI_TableRows(Form(), TAB));
  EXPECT_EQ(-1, GUI_TableRows(Form(), FCC("None")));
}

TEST_F(GuiTable, TapSendsRowAndColumnAndTogglesCheckBoxes) {
  ASSERT_EQ(0, GUI_TableSetSize(Form(), TAB, 3, 2));
  ASSERT_EQ(0, GUI_TableSetColumnWidth(Form(), TAB, 0, 80));
  ASSERT_EQ(0, GUI_TableSetCellKind(Form(), TAB, 2, 1, GUI_CELL_CHECK));
  // Column 0 is 80 wide, column 1 takes the rest of the 198-pixel inside.
  GfxRect c0{}, c1{};
  ASSERT_EQ(0, GUI_TableCellBounds(Form(), TAB, 1, 0, &c0));
  ASSERT_EQ(0, GUI_TableCellBounds(Form(), TAB, 1, 1, &c1));
  EXPECT_EQ(11, c0.x);
  EXPECT_EQ(80, c0.w);
  EXPECT_EQ(91, c1.x);
  EXPECT_EQ(118, c1.w);
  EXPECT_EQ(11 + GUI_TableRowHeight(Form(), TAB, 0), c0.y);

  TapCell(1, 0);
  auto selected = Events(FORM_EVT_CONTROL);
  ASSERT_EQ(1u, selected.size());
  EXPECT_EQ(TAB, FourCC(selected[0].a1));
  EXPECT_EQ(FCC("TABL"), FourCC(selected[0].a3));
  EXPECT_EQ(1u, selected[0].a4);  // row
  EXPECT_EQ(0u, selected[0].a5);  // column
  int16_t row = -1, column = -1;
  ASSERT_EQ(0, GUI_TableGetSelection(Form(), TAB, &row, &column));
  EXPECT_EQ(1, row);
  EXPECT_EQ(0, column);
  EXPECT_EQ(table_, Form()->focus);

  TapCell(2, 1);
  EXPECT_EQ(1, CellValue(2, 1));
  auto changed = Events(FORM_EVT_VALUE);
  ASSERT_EQ(1u, changed.size());
  EXPECT_EQ(2u, changed[0].a3);
  EXPECT_EQ(1u, changed[0].a4);
  selected = Events(FORM_EVT_CONTROL);
  ASSERT_EQ(2u, selected.size());
  EXPECT_EQ(2u, selected[1].a4);
  EXPECT_EQ(1u, selected[1].a5);
  // The select key on the focused cell toggles it back.
  EXPECT_TRUE(Key(table_, FCC("SLCT")));
  EXPECT_EQ(0, CellValue(2, 1));

  // Pen down on one cell and up on another selects nothing.
  auto [x0, y0] = Middle(0, 0);
  auto [x1, y1] = Middle(2, 1);
  Pen(table_, 0, x0, y0);
  Pen(table_, 2, x1, y1);
  EXPECT_EQ(3u, Events(FORM_EVT_CONTROL).size());
  EXPECT_EQ(0, CellValue(2, 1));
}

TEST_F(GuiTable, TextCellsEditThroughTheFieldEditor) {
  ASSERT_EQ(0, GUI_TableSetSize(Form(), TAB, 3, 1));
  for (int16_t r = 0; r < 3; r++) ASSERT_EQ(0, GUI_TableSetCellKind(Form(), TAB, r, 0, 1));
  ASSERT_EQ(0, GUI_TableSetCellText(Form(), TAB, 0, 0, "Ann"));
  ASSERT_EQ(0, GUI_TableEditCell(Form(), TAB, 0, 0));
  int16_t row = -1, column = -1;
  EXPECT_TRUE(GUI_TableEditing(Form(), TAB, &row, &column));
  EXPECT_EQ(0, row);
  Type(table_, "e");
  Key(table_, 8);  // backspace
  Type(table_, "ie");
  EXPECT_EQ("Annie", Cell(0, 0));  // reads what the editor holds
  EXPECT_EQ(0u, Events(FORM_EVT_VALUE).size());
  // Tab stores it and moves on to the next text cell.
  EXPECT_TRUE(Key(table_, FCC("TNXT")));
  EXPECT_TRUE(GUI_TableEditing(Form(), TAB, &row, nullptr));
  EXPECT_EQ(1, row);
  auto changed = Events(FORM_EVT_VALUE);
  ASSERT_EQ(1u, changed.size());
  EXPECT_EQ(0u, changed[0].a3);
  Type(table_, "Bob");
  Key(table_, 27);  // Escape drops the edit
  EXPECT_FALSE(GUI_TableEditing(Form(), TAB, nullptr, nullptr));
  EXPECT_EQ("", Cell(1, 0));
  EXPECT_EQ("Annie", Cell(0, 0));

  // Typing on a focused text cell starts an edit; Return stores it.
  ASSERT_EQ(0, GUI_TableSelect(Form(), TAB, 2, 0));
  Type(table_, "Cy");
  EXPECT_TRUE(GUI_TableEditing(Form(), TAB, &row, nullptr));
  EXPECT_EQ(2, row);
  Key(table_, 13);
  EXPECT_FALSE(GUI_TableEditing(Form(), TAB, nullptr, nullptr));
  EXPECT_EQ("Cy", Cell(2, 0));
  EXPECT_EQ(2u, Events(FORM_EVT_VALUE).size());

  // A tap on a text cell edits it with the caret where the pen was; a tap
  // elsewhere stores the edit.
  TapCell(0, 0);
  EXPECT_TRUE(GUI_TableEditing(Form(), TAB, &row, nullptr));
  EXPECT_EQ(0, row);
  GfxRect r{};
  ASSERT_EQ(0, GUI_TableCellBounds(Form(), TAB, 0, 0, &r));
  Tap(table_, r.x + 1, r.y + r.h / 2);  // before the first letter
  Type(table_, ">");
  TapCell(2, 0);
  EXPECT_EQ(">Annie", Cell(0, 0));
  EXPECT_TRUE(GUI_TableEditing(Form(), TAB, &row, nullptr));
  EXPECT_EQ(2, row);
  ASSERT_EQ(0, GUI_TableEndEdit(Form(), TAB));
  EXPECT_FALSE(GUI_TableEditing(Form(), TAB, nullptr, nullptr));
  // The clipboard commands reach the edited cell: select all, cut, paste twice.
  ASSERT_EQ(0, GUI_TableEditCell(Form(), TAB, 1, 0));
  Type(table_, "xy");
  EXPECT_TRUE(Key(table_, 1));   // Ctrl+A
  EXPECT_TRUE(Key(table_, 24));  // Ctrl+X
  EXPECT_EQ("", Cell(1, 0));
  EXPECT_TRUE(GuiTableCommand(Form(), FCC("PSTE")));
  EXPECT_TRUE(GuiTableCommand(Form(), FCC("PSTE")));
  EXPECT_EQ("xyxy", Cell(1, 0));
  ASSERT_EQ(0, GUI_TableEndEdit(Form(), TAB));
  EXPECT_FALSE(GuiTableCommand(Form(), FCC("PSTE")));  // nothing edited now
  // Labels cannot be edited.
  ASSERT_EQ(0, GUI_TableSetCellKind(Form(), TAB, 1, 0, GUI_CELL_LABEL));
  EXPECT_EQ(-1, GUI_TableEditCell(Form(), TAB, 1, 0));
}

TEST_F(GuiTable, ScrollsByBarKeysAndSelectionOverRowsOfDifferentHeights) {
  ASSERT_EQ(0, GUI_TableSetSize(Form(), TAB, 20, 1));
  int16_t h = GUI_TableRowHeight(Form(), TAB, 0);
  ASSERT_EQ(lh_ + 4, h);
  // The inside is 120 pixels high: it shows the rows that fit wholly.
  EXPECT_EQ(120 / h, GUI_TableVisibleRows(Form(), TAB));
  ASSERT_EQ(0, GUI_TableSetRowHeight(Form(), TAB, 1, 3 * h));
  EXPECT_EQ(3 * h, GUI_TableRowHeight(Form(), TAB, 1));
  EXPECT_EQ((120 - 3 * h) / h + 1, GUI_TableVisibleRows(Form(), TAB));

  // The first row is clamped so that the last page is full.
  ASSERT_EQ(0, GUI_TableSetTop(Form(), TAB, 100));
  int16_t maxTop = GUI_TableTop(Form(), TAB);
  EXPECT_EQ(20 - 120 / h, maxTop);
  // Hiding a row lets one more come in at the end.
  ASSERT_EQ(0, GUI_TableSetRowUsable(Form(), TAB, 19, false));
  ASSERT_EQ(0, GUI_TableSetTop(Form(), TAB, 100));
  EXPECT_EQ(maxTop - 1, GUI_TableTop(Form(), TAB));
  GfxRect r{};
  EXPECT_EQ(-1, GUI_TableCellBounds(Form(), TAB, 19, 0, &r));
  ASSERT_EQ(0, GUI_TableSetRowUsable(Form(), TAB, 19, true));

  // The scroll bar's bottom arrow moves down one row, its top one up.
  ASSERT_EQ(0, GUI_TableSetTop(Form(), TAB, 0));
  Tap(table_, 10 + 200 - 4, 10 + 122 - 4);
  EXPECT_EQ(1, GUI_TableTop(Form(), TAB));
  Tap(table_, 10 + 200 - 4, 10 + 4);
  EXPECT_EQ(0, GUI_TableTop(Form(), TAB));
  // Rows under the bar are not cells.
  EXPECT_EQ(0u, Events(FORM_EVT_CONTROL).size());

  // Selecting a row below the page scrolls it into view at the bottom.
  ASSERT_EQ(0, GUI_TableSelect(Form(), TAB, 12, 0));
  int16_t top = GUI_TableTop(Form(), TAB);
  ASSERT_EQ(0, GUI_TableCellBounds(Form(), TAB, 12, 0, &r));
  EXPECT_LE(r.y + r.h, 11 + 120);
  EXPECT_EQ(0, GUI_TableCellBounds(Form(), TAB, top, 0, &r));
  EXPECT_EQ(11, r.y);
  // The down key moves the selection and keeps it in view; up goes back.
  EXPECT_TRUE(Key(table_, FCC("SCDN")));
  int16_t row = -1;
  ASSERT_EQ(0, GUI_TableGetSelection(Form(), TAB, &row, nullptr));
  EXPECT_EQ(13, row);
  EXPECT_EQ(top + 1, GUI_TableTop(Form(), TAB));
  EXPECT_TRUE(Key(table_, FCC("SCUP")));
  ASSERT_EQ(0, GUI_TableGetSelection(Form(), TAB, &row, nullptr));
  EXPECT_EQ(12, row);
  // A tall row above the top: selecting row 1 brings it to the top.
  ASSERT_EQ(0, GUI_TableSelect(Form(), TAB, 1, 0));
  EXPECT_EQ(1, GUI_TableTop(Form(), TAB));
}

struct Drawn {
  int calls = 0;
  int16_t row = -1, column = -1;
  GfxRect cell{};
};

void DrawCross(GuiForm*, FourCC, int16_t row, int16_t column, GfxCanvas* c, const GfxRect* cell,
               uintptr_t user) {
  auto* d = reinterpret_cast<Drawn*>(user);
  d->calls++;
  d->row = row;
  d->column = column;
  d->cell = *cell;
  GFX_FillRect(c, *cell, 0x123456);
}

TEST_F(GuiTable, CustomCellsAreDrawnByTheCallbackInsideTheirCell) {
  ASSERT_EQ(0, GUI_TableSetSize(Form(), TAB, 2, 2));
  ASSERT_EQ(0, GUI_TableSetCellKind(Form(), TAB, 1, 1, GUI_CELL_CUSTOM));
  Drawn d;
  ASSERT_EQ(0, GUI_TableSetDrawCallback(Form(), TAB, DrawCross, uintptr_t(&d)));
  d = Drawn{};
  Draw();
  EXPECT_EQ(1, d.calls);
  EXPECT_EQ(1, d.row);
  EXPECT_EQ(1, d.column);
  GfxRect r{};
  ASSERT_EQ(0, GUI_TableCellBounds(Form(), TAB, 1, 1, &r));
  EXPECT_EQ(r.x, d.cell.x);
  EXPECT_EQ(r.y, d.cell.y);
  EXPECT_EQ(r.w * r.h, Count(r, 0x123456));
  // Nothing of it outside the cell.
  EXPECT_EQ(r.w * r.h, Count(GfxRect{0, 0, 240, 240}, 0x123456));
  // A number cell shows its value right-aligned: ink in the right half only.
  ASSERT_EQ(0, GUI_TableSetCellKind(Form(), TAB, 0, 0, GUI_CELL_NUMBER));
  ASSERT_EQ(0, GUI_TableSetCellValue(Form(), TAB, 0, 0, 42));
  Draw();
  ASSERT_EQ(0, GUI_TableCellBounds(Form(), TAB, 0, 0, &r));
  uint32_t back = GUI_SchemeColour(4);
  GfxRect left{r.x, r.y, int16_t(r.w / 2), r.h},
      right{int16_t(r.x + r.w / 2), r.y, int16_t(r.w - r.w / 2), r.h};
  EXPECT_EQ(left.w * left.h, Count(left, back));
  EXPECT_LT(Count(right, back), right.w * right.h);
}

}  // namespace
