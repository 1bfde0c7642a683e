// The table control inside a running form on the headless host: a table
// read from a form definition, a pop-up cell chosen through its list with
// the keys, a text cell tapped and typed into through the host's events,
// the wheel and a screenshot of the whole form.
#include <gtest/gtest.h>

#include <algorithm>

#include "form_builder.h"
#include "gui_harness.h"

namespace {

constexpr FourCC TAB = FCC("Rows");

class GuiTableForm : public GuiTest {
 protected:
  void SetUp() override {
    GuiTest::SetUp();
    FormBuilder b;
    b.Word("Iden").Num(3500).Word("Tagg").Word("TblF").Word("FBeg");
    b.Object("LABL", "Tagg Head Rect 10 4 200 20", {"Contact Edit"});
    b.Object("TABL", "Tagg Rows Rect 6 28 348 200");
    b.Object("BUTN", "Tagg OKAY Rect 10 240 80 24", {"Done"});
    AddResource(FCC("FORM"), 3500, b.Word("FEnd").Bytes());
    ASSERT_EQ(0, GUI_FormOpen(&form_, 3500, 0, FCC("FORM"), nullptr));
    Fill();
  }
  void TearDown() override {
    GUI_FormClose(form_);
    GuiTest::TearDown();
  }
  // Rows of a record editor: a caption or a label trigger, then the text.
  void Fill() {
    static const char* const captions[] = {"Last name:", "First name:", "Company:", "",
                                           "",           "Private:",    "Title:",   "City:"};
    static const char* const texts[] = {"Smith",           "Ann", "Brantel Ltd", "555-0100",
                                        "ann@example.com", "",    "Engineer",    "Springfield"};
    static const char* const labels[] = {"Work", "Home", "Fax", "Mobile", "E-mail"};
    ASSERT_EQ(0, GUI_TableSetSize(form_, TAB, 16, 2));
    ASSERT_EQ(0, GUI_TableSetColumnWidth(form_, TAB, 0, 100));
    for (int16_t r = 0; r < 16; r++) {
      int16_t i = int16_t(r % 8);
      bool phone = i == 3 || i == 4;
      ASSERT_EQ(0, GUI_TableSetCellKind(form_, TAB, r, 0, phone ? GUI_CELL_POPUP : GUI_CELL_LABEL));
      if (phone) {
        ASSERT_EQ(0, GUI_TableSetCellItems(form_, TAB, r, 0, labels, 5));
        ASSERT_EQ(0, GUI_TableSetCellValue(form_, TAB, r, 0, i == 3 ? 0 : 4));
      }
      ASSERT_EQ(0, GUI_TableSetCellText(form_, TAB, r, 0, captions[i]));
      ASSERT_EQ(0, GUI_TableSetCellKind(form_, TAB, r, 1, i == 5 ? GUI_CELL_CHECK : GUI_CELL_TEXT));
      ASSERT_EQ(0, GUI_TableSetCellText(form_, TAB, r, 1, texts[i]));
    }
    ASSERT_EQ(0, GUI_TableSetCellValue(form_, TAB, 5, 1, 1));
  }
  // A tap on a shown cell, `dx` pixels into it (-1: its middle).
  void TapCell(int16_t row, int16_t column, int dx = -1) {
    Then([row, column, dx] {
      GfxRect r{}, f = GUI_FormBounds(GUI_ActiveForm());
      ASSERT_EQ(0, GUI_TableCellBounds(GUI_ActiveForm(), TAB, row, column, &r));
      for (HostEventKind kind : {HOST_EVT_MOUSE_DOWN, HOST_EVT_MOUSE_UP}) {
        HostEvent e{};
        e.kind = kind;
        e.key = 1;
        e.x = f.x + r.x + (dx < 0 ? r.w / 2 : dx);
        e.y = f.y + r.y + r.h / 2;
        HOST_HeadlessPushEvent(&e, 0);
      }
    });
  }
  GuiForm* form_ = nullptr;
};

TEST_F(GuiTableForm, PopUpCellsAndTextCellsWorkInARunningForm) {
  ASSERT_EQ(16, GUI_TableRows(form_, TAB));
  TapCell(3, 0);       // the phone label's list pops up on "Work"
  Key(HOST_KEY_DOWN);  // "Home"
  Key(HOST_KEY_RETURN);
  TapCell(1, 1, 2);  // the caret before "Ann"
  Type("Jo");
  Key(HOST_KEY_TAB);  // stored; the next text cell edits
  Then([this] { SaveScreen("gui_table_form"); });
  Key(HOST_KEY_ESCAPE);
  Tap(FCC("OKAY"));
  std::vector<TagItem> params = Params();
  EXPECT_EQ(FCC("OKAY"), GUI_FormDoDialog(form_, params.data()));
  int32_t label = -1;
  ASSERT_EQ(0, GUI_TableGetCellValue(form_, TAB, 3, 0, &label));
  EXPECT_EQ(1, label);
  char text[64];
  ASSERT_EQ(0, GUI_TableGetCellText(form_, TAB, 1, 1, text, sizeof text));
  EXPECT_STREQ("JoAnn", text);
  ASSERT_EQ(0, GUI_TableGetCellText(form_, TAB, 2, 1, text, sizeof text));
  EXPECT_STREQ("Brantel Ltd", text);  // Escape dropped nothing typed there
  // The handler saw the pop-up cell's change and the text's, with their
  // rows and columns.
  std::vector<GuiSeen> changed = Seen(FORM_EVT_VALUE);
  ASSERT_EQ(2u, changed.size());
  EXPECT_EQ(TAB, FourCC(changed[0].operand));
  EXPECT_EQ(3u, changed[0].a3);
  EXPECT_EQ(0u, changed[0].a4);
  EXPECT_EQ(1u, changed[1].a3);
  EXPECT_EQ(1u, changed[1].a4);
  std::vector<GuiSeen> selected = Seen(FORM_EVT_CONTROL);
  ASSERT_GE(selected.size(), 2u);
  EXPECT_EQ(3u, selected[0].a4);
  EXPECT_EQ(0u, selected[0].a5);
}

TEST_F(GuiTableForm, FocusedTableScrollsWithTheKeysAndShowsItsBar) {
  int16_t fit = GUI_TableVisibleRows(form_, TAB);
  ASSERT_GT(fit, 3);
  ASSERT_LT(fit, 16);
  ASSERT_EQ(0, GUI_TableSelect(form_, TAB, 0, 0));
  ASSERT_EQ(0, GUI_Focus(form_, TAB));
  Key(HOST_KEY_PAGE_DOWN);
  int16_t afterPage = -1;
  Then([&] { afterPage = GUI_TableTop(GUI_ActiveForm(), TAB); });
  for (int i = 0; i < 15; i++) Key(HOST_KEY_DOWN);
  Tap(FCC("OKAY"));
  std::vector<TagItem> params = Params();
  EXPECT_EQ(FCC("OKAY"), GUI_FormDoDialog(form_, params.data()));
  EXPECT_EQ(std::min(fit - 1, 16 - fit), afterPage);  // a page, but no further than the end
  int16_t row = -1;
  ASSERT_EQ(0, GUI_TableGetSelection(form_, TAB, &row, nullptr));
  EXPECT_EQ(15, row);
  EXPECT_EQ(16 - fit, GUI_TableTop(form_, TAB));
}

}  // namespace
