// Drawing a form: hidden and unusable objects leave no pixel, the
// application's say over "UDrw" objects (events 17 and 16), every kind stays
// inside its rectangle, the dialog frame and title bar, hiding an object
// gives its place back to the background. Saves gui_controls.png (one of
// each control at 360 x 600) in the build folder for a look by eye.
#include <filesystem>

#include "gui_ctl_fixture.h"

namespace {

constexpr uint32_t WHITE = 0xFFFFFF;
constexpr uint32_t SENTINEL = 0x123456;  // a colour no control draws

using GuiDrawTest = GuiCtlTest;

TEST_F(GuiDrawTest, HiddenAndUnusableObjectsDrawNothing) {
  Add("BUTN", FCC("Hidn"), {10, 10, 60, 20}, {"Hidden"});
  Add("FELD", FCC("Nonu"), {10, 40, 60, 20}, {"text"}, OBJ_NOT_USABLE);
  Add("LABL", FCC("Layt"), {10, 70, 60, 20}, {"Label"}, OBJ_HIDDEN);
  GuiObject* shown = Add("BUTN", FCC("Show"), {10, 100, 60, 20}, {"Shown"});
  Create();
  ASSERT_EQ(0, GUI_Show(Form(), FCC("Hidn"), false));
  Draw();
  EXPECT_EQ(0, Differing(shown->rect, WHITE, false));
  EXPECT_GT(Differing(shown->rect, WHITE, true), 20);
  EXPECT_FALSE(GUI_IsShown(Form(), FCC("Nonu")));
  // Showing an object defined unusable brings it in.
  ASSERT_EQ(0, GUI_Show(Form(), FCC("Nonu"), true));
  EXPECT_GT(Differing(GfxRect{10, 40, 60, 20}, WHITE, true), 20);
}

TEST_F(GuiDrawTest, HidingAnObjectGivesItsPlaceToTheBackground) {
  GuiObject* b = Add("BUTN", FCC("Gone"), {20, 20, 80, 24}, {"Gone"});
  Create();
  Draw();
  ASSERT_GT(Differing(b->rect, WHITE, true), 20);
  ASSERT_EQ(0, GUI_Show(Form(), FCC("Gone"), false));
  EXPECT_EQ(0, Differing(b->rect, WHITE, true));
  EXPECT_FALSE(GUI_IsShown(Form(), FCC("Gone")));
}

TEST_F(GuiDrawTest, UserDrawnObjectAsksTheApplicationFirst) {
  GuiObject* gadget = Add("BUTN", FCC("Gadg"), {20, 20, 80, 30}, {"Default"}, OBJ_USER_DRAWN);
  Create();
  uint32_t frame = GUI_SchemeColour(3);
  answer_[FORM_EVT_OBJECT_DRAW] = 1;  // "I drew it"
  Draw();
  EXPECT_EQ(0, Count(gadget->rect, frame));
  ASSERT_EQ(2u, events_.size());
  EXPECT_EQ(FORM_EVT_OBJECT_DRAW, events_[0].kind);
  EXPECT_EQ(FORM_EVT_OBJECT_DRAWN, events_[1].kind);
  EXPECT_EQ(uintptr_t(&Form()->result), events_[0].operand);
  EXPECT_EQ(FCC("Gadg"), events_[0].a1);
  EXPECT_EQ(uintptr_t(gadget), events_[1].a2);
  EXPECT_EQ(OBJ_USER_DRAWN, events_[1].a3);
  // Left to the manager, the object gets its default look.
  answer_[FORM_EVT_OBJECT_DRAW] = 0;
  events_.clear();
  Draw();
  EXPECT_GT(Count(gadget->rect, frame), 100);
  EXPECT_EQ(2u, events_.size());
}

TEST_F(GuiDrawTest, EveryKindDrawsOnlyInsideItsRectangle) {
  const GfxRect r{30, 40, 120, 60};
  const char* kinds[] = {"BUTN", "BTNS", "PUSH", "REPT", "CHEK", "FELD", "LABL", "TITL",
                         "MESS", "LIST", "CLST", "PTRG", "VDRG", "HDRG", "FSTR"};
  for (const char* kind : kinds) {
    MakeForm(200, 160, 0);
    char k[5] = {kind[0], kind[1], kind[2], kind[3], 0};
    GuiObject* o = Add("LABL", FCC("Obj1"), r,
                       {"An example text that is far too long for the rectangle it is given"});
    o->kind = FourCC((uint8_t(k[0]) << 24) | (uint8_t(k[1]) << 16) | (uint8_t(k[2]) << 8) |
                     uint8_t(k[3]));
    o->flags = OBJ_MULTI_LINE;
    Create();
    Form()->focus = o;  // the focus ring too
    Fill(SENTINEL);
    GuiDrawObject(Form(), o);
    EXPECT_EQ(0, Differing(r, SENTINEL, false)) << kind;
    EXPECT_GT(Differing(r, SENTINEL, true), 0) << kind;
  }
}

TEST_F(GuiDrawTest, DialogHasAFrameAndATitleBar) {
  MakeForm(200, 120, FORM_MODAL | FORM_HAS_TITLE);
  Form()->title = "Details";
  Form()->titleHeight = 18;
  Draw();
  uint32_t title = GUI_SchemeColour(1);
  EXPECT_EQ(title, Pixel(0, 60));                                    // frame, left edge
  EXPECT_EQ(title, Pixel(199, 60));                                  // right edge
  EXPECT_EQ(title, Pixel(100, 119));                                 // bottom edge
  EXPECT_EQ(WHITE, Pixel(1, 60));                                    // inside
  EXPECT_EQ(title, Pixel(5, 17));                                    // the bar's last row
  EXPECT_EQ(WHITE, Pixel(5, 18));                                    // below the bar
  EXPECT_GT(Count(GfxRect{1, 1, 198, 17}, GUI_SchemeColour(2)), 5);  // white title text
  // A full-screen form has no frame.
  MakeForm(200, 120, 0);
  Draw();
  EXPECT_EQ(WHITE, Pixel(0, 60));
}

TEST_F(GuiDrawTest, FocusRingUsesTheFocusColour) {
  GuiObject* b = Add("BUTN", FCC("Foc1"), {20, 20, 80, 24}, {"Focus"});
  Add("FELD", FCC("Fld1"), {20, 60, 80, 22});
  Create();
  Draw();
  uint32_t focus = GUI_SchemeColour(0);
  EXPECT_EQ(0, Count(b->rect, focus));
  ASSERT_EQ(0, GUI_Focus(Form(), FCC("Foc1")));
  EXPECT_EQ(FCC("Foc1"), GUI_FocusedTag(Form()));
  EXPECT_GT(Count(b->rect, focus), 150);
  ASSERT_EQ(0, GUI_Focus(Form(), FCC("Fld1")));
  EXPECT_EQ(0, Count(b->rect, focus));
  ASSERT_EQ(2u, Events(FORM_EVT_FOCUS).size());
  EXPECT_EQ(uintptr_t(b), Events(FORM_EVT_FOCUS)[1].a1);  // the one before
}

// One of each control, for a look at the result.
TEST_F(GuiDrawTest, SavesAPictureOfEveryControl) {
  MakeForm(360, 600, FORM_MODAL | FORM_HAS_TITLE);
  Form()->title = "Every control";
  Form()->titleHeight = 20;
  Add("LABL", FCC("Lab1"), {12, 30, 90, 18}, {"Name:"});
  GuiObject* name = Add("FELD", FCC("Name"), {104, 28, 240, 22}, {"Zo\xEB M\xFCller"});
  Add("LABL", FCC("Lab2"), {12, 58, 90, 18}, {"Note:"});
  Add("FELD", FCC("Note"), {104, 56, 240, 56},
      {"A longer note that wraps over more than one line of the field, word by word."},
      OBJ_MULTI_LINE);
  Add("CHEK", FCC("Chk1"), {12, 122, 160, 20}, {"Show companies"})->checked = true;
  Add("CHEK", FCC("Chk2"), {184, 122, 160, 20}, {"Private"});
  for (int i = 0; i < 3; i++) {
    static const char* labels[] = {"Last", "First", "Company"};
    GuiObject* p =
        Add("PUSH", FCC("Srt0") + uint32_t(i), {int16_t(12 + 80 * i), 152, 78, 22}, {labels[i]});
    p->maxLength = 1;
    p->checked = i == 0;
  }
  Add("PTRG", FCC("TCat"), {260, 152, 84, 22}, {"All"});
  std::vector<std::string> names;
  for (int i = 0; i < 14; i++) names.push_back("Contact number " + std::to_string(i + 1));
  Add("LIST", FCC("List"), {12, 186, 300, 150}, names);
  Add("VDRG", FCC("Scrl"), {320, 186, 24, 150})->maxLength = 50;
  Add("CLST", FCC("Chks"), {12, 346, 200, 80}, {"Home\nWork\nMobile\nFax"}, OBJ_CHECK_LIST);
  Add("HDRG", FCC("Hscr"), {222, 346, 122, 16})->maxLength = 10;
  Add("VDRG", FCC("Splt"), {222, 372, 122, 8});
  Add("MESS", FCC("Mess"), {12, 436, 332, 54},
      {"Delete the selected contact? This cannot be undone once the database is saved."});
  Add("TITL", FCC("Titl"), {12, 496, 332, 20}, {"A title"});
  Add("BUTN", FCC("Disa"), {12, 560, 100, 26}, {"Disabled"});
  GuiObject* ok = Add("BTNS", FCC("OKAY"), {130, 560, 100, 26}, {"OK"});
  ok->mnemonic = 'o';
  ok->mnemonicPos = 0;
  GuiObject* cancel = Add("BTNS", FCC("CANC"), {244, 560, 100, 26}, {"Cancel"});
  cancel->rowOwner = ok;
  cancel->index = uint16_t(ok->index + 1001);
  Form()->defaultButton = FCC("OKAY");
  Create();
  ASSERT_EQ(0, GUI_ListSetChecked(Form(), FCC("Chks"), 1, true));
  ASSERT_EQ(0, GUI_SetValue(Form(), FCC("List"), 2));
  ASSERT_EQ(0, GUI_ScrollSet(Form(), FCC("Scrl"), 10, 50, 10));
  ASSERT_EQ(0, GUI_ScrollSet(Form(), FCC("Hscr"), 3, 10, 4));
  ASSERT_EQ(0, GUI_Enable(Form(), FCC("Disa"), false));
  ASSERT_EQ(0, GUI_SetSelection(Form(), FCC("Name"), 4, 10));
  Form()->focus = name;
  Draw();
  std::string path = std::filesystem::path(BRANTEL_RES_STORE).parent_path() / "gui_controls.png";
  ASSERT_EQ(0, GFX_SavePng(Form()->surface, path.c_str()));
  EXPECT_TRUE(std::filesystem::exists(path));
}

}  // namespace
