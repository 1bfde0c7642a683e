// Controls: list items, scrolling and pen selection, check lists, push
// groups, check boxes, the default actions of buttons, repeating buttons,
// scroll bars and the splitter, triggers bound to their lists, and the
// access calls on a tag the form does not hold; and, through the running
// loop, a trigger's pop-up choice and typing into a field.
#include "form_builder.h"
#include "gui_ctl_fixture.h"
#include "gui_harness.h"

namespace {

using GuiControls = GuiCtlTest;

// Height of the highlighted row, read from the pixels at the list's left.
int HighlightHeight(GuiCtlTest* t, const GuiObject* list) {
  int n = 0;
  for (int y = list->rect.y; y < list->rect.y + list->rect.h; y++)
    n += t->Pixel(list->rect.x + 2, y) == GUI_SchemeColour(6);
  return n;
}

std::vector<std::string> Numbered(int count) {
  std::vector<std::string> items;
  for (int i = 0; i < count; i++) items.push_back("Item " + std::to_string(i));
  return items;
}

TEST_F(GuiControls, ListItemsComeFromTextsOrOneTextWithLineBreaks) {
  Add("LIST", FCC("Lst1"), {10, 10, 100, 60}, {"Home\nWork\nMobile"});
  Add("LIST", FCC("Lst2"), {10, 80, 100, 60}, {"One", "Two"});
  Create();
  EXPECT_EQ(3, GUI_ListCount(Form(), FCC("Lst1")));
  EXPECT_EQ(2, GUI_ListCount(Form(), FCC("Lst2")));
  char item[16];
  ASSERT_EQ(0, GUI_ListGetItem(Form(), FCC("Lst1"), 2, item, sizeof item));
  EXPECT_STREQ("Mobile", item);
  EXPECT_EQ(-1, GUI_ListGetItem(Form(), FCC("Lst1"), 3, item, sizeof item));
  EXPECT_EQ(-1, Value(FCC("Lst1")));  // nothing selected at first
}

TEST_F(GuiControls, ListKeepsTheSelectionInViewAndClampsTheTop) {
  GuiObject* list = Add("LIST", FCC("List"), {10, 10, 150, 100}, Numbered(20));
  Create();
  ASSERT_EQ(0, GUI_SetValue(Form(), FCC("List"), 0));
  Draw();
  int rowHeight = HighlightHeight(this, list);
  ASSERT_GT(rowHeight, 8);
  int visible = (100 - 2) / rowHeight;
  ASSERT_EQ(0, GUI_SetValue(Form(), FCC("List"), 19));
  EXPECT_EQ(19 - visible + 1, GUI_ListTop(Form(), FCC("List")));
  ASSERT_EQ(0, GUI_ListSetTop(Form(), FCC("List"), 500));
  EXPECT_EQ(20 - visible, GUI_ListTop(Form(), FCC("List")));
  ASSERT_EQ(0, GUI_ListSetTop(Form(), FCC("List"), -4));
  EXPECT_EQ(0, GUI_ListTop(Form(), FCC("List")));
  ASSERT_EQ(0, GUI_SetValue(Form(), FCC("List"), 25));  // out of range: no selection
  EXPECT_EQ(-1, Value(FCC("List")));
}

TEST_F(GuiControls, TappingARowSelectsItAndSendsTheItem) {
  GuiObject* list = Add("LIST", FCC("List"), {10, 10, 150, 100}, Numbered(4));
  Create();
  ASSERT_EQ(0, GUI_SetValue(Form(), FCC("List"), 0));
  Draw();
  int rowHeight = HighlightHeight(this, list);
  Tap(list, 40, 11 + 2 * rowHeight + rowHeight / 2);
  EXPECT_EQ(2, Value(FCC("List")));
  auto sent = Events(FORM_EVT_CONTROL);
  ASSERT_EQ(1u, sent.size());
  EXPECT_EQ(FCC("List"), sent[0].a1);
  EXPECT_EQ(2u, sent[0].a4);
  EXPECT_EQ(uintptr_t(-1), sent[0].a5);
  // Below the last item nothing is chosen.
  Tap(list, 40, 11 + 4 * rowHeight + rowHeight / 2);
  EXPECT_EQ(2, Value(FCC("List")));
  EXPECT_EQ(1u, Events(FORM_EVT_CONTROL).size());
}

TEST_F(GuiControls, CheckListTogglesAnItemByItsBox) {
  GuiObject* list = Add("CLST", FCC("Chks"), {10, 10, 150, 100}, {"Home\nWork"}, OBJ_CHECK_LIST);
  Create();
  Tap(list, 17, 14);  // the box of the first row
  bool checked = false;
  ASSERT_EQ(0, GUI_ListGetChecked(Form(), FCC("Chks"), 0, &checked));
  EXPECT_TRUE(checked);
  ASSERT_EQ(1u, Events(FORM_EVT_CONTROL).size());
  EXPECT_EQ(1u, Events(FORM_EVT_CONTROL)[0].a5);
  Tap(list, 100, 14);  // the text selects without toggling
  ASSERT_EQ(0, GUI_ListGetChecked(Form(), FCC("Chks"), 0, &checked));
  EXPECT_TRUE(checked);
  EXPECT_EQ(-1, GUI_ListSetChecked(Form(), FCC("Chks"), 2, true));
}

TEST_F(GuiControls, PushGroupKeepsExactlyOneChecked) {
  GuiObject* a = Add("PUSH", FCC("SrtL"), {10, 10, 50, 20}, {"Last"});
  GuiObject* b = Add("PUSH", FCC("SrtF"), {60, 10, 50, 20}, {"First"});
  GuiObject* c = Add("PUSH", FCC("SrtC"), {110, 10, 50, 20}, {"Company"});
  GuiObject* alone = Add("PUSH", FCC("Alon"), {10, 40, 50, 20}, {"Alone"});
  a->maxLength = b->maxLength = c->maxLength = 3;
  a->checked = true;
  Create();
  Tap(b, 70, 15);
  EXPECT_EQ(0, Value(FCC("SrtL")));
  EXPECT_EQ(1, Value(FCC("SrtF")));
  Tap(b, 70, 15);  // tapping the checked one keeps it
  EXPECT_EQ(1, Value(FCC("SrtF")));
  ASSERT_EQ(0, GUI_SetValue(Form(), FCC("SrtC"), 1));
  EXPECT_EQ(0, Value(FCC("SrtF")));
  EXPECT_EQ(1, Value(FCC("SrtC")));
  Tap(alone, 20, 45);
  Tap(alone, 20, 45);  // outside a group a push button toggles
  EXPECT_EQ(0, Value(FCC("Alon")));
  EXPECT_EQ(1, Value(FCC("SrtC")));
}

TEST_F(GuiControls, CheckBoxChangesOnlyWhenThePenComesUpInside) {
  GuiObject* box = Add("CHEK", FCC("Chk1"), {10, 10, 100, 20}, {"Private"});
  Create();
  Pen(box, 0, 20, 20);
  Pen(box, 1, 200, 150);
  Pen(box, 2, 200, 150);
  EXPECT_EQ(0, Value(FCC("Chk1")));
  EXPECT_TRUE(Events(FORM_EVT_CONTROL).empty());
  Tap(box, 20, 20);
  EXPECT_EQ(1, Value(FCC("Chk1")));
  ASSERT_EQ(1u, Events(FORM_EVT_CONTROL).size());
  EXPECT_EQ(1u, Events(FORM_EVT_CONTROL)[0].a4);
}

TEST_F(GuiControls, ButtonsSetTheResultUnlessTheHandlerTookThem) {
  GuiObject* first = Add("BTNS", FCC("Yes1"), {10, 10, 50, 20}, {"Yes"});
  GuiObject* second = Add("BTNS", 0, {70, 10, 50, 20}, {"No"});
  second->rowOwner = first;
  second->index = uint16_t(first->index + 1001);
  GuiObject* okay = Add("BUTN", FCC("OKAY"), {10, 40, 50, 20}, {"OK"});
  GuiObject* done = Add("BUTN", FCC("Done"), {70, 40, 50, 20}, {"Done"});
  done->actionKind = FCC("Rtrn");
  done->actionOperand = FCC("Fini");
  Create();
  Tap(second, 80, 15);
  EXPECT_EQ(2u, Form()->result);
  Tap(okay, 20, 45);
  EXPECT_EQ(FCC("OKAY"), Form()->result);
  Tap(done, 80, 45);
  EXPECT_EQ(FCC("Fini"), Form()->result);
  Form()->result = 0;
  answer_[FORM_EVT_CONTROL] = 1;
  Tap(okay, 20, 45);
  EXPECT_EQ(0u, Form()->result);
}

TEST_F(GuiControls, ScrollActionMovesItsTargetList) {
  Add("LIST", FCC("List"), {10, 10, 150, 60}, Numbered(30));
  GuiObject* down = Add("BUTN", FCC("Down"), {170, 10, 40, 20}, {"v"});
  down->actionKind = FCC("Scdn");
  down->actionOperand = FCC("List");
  Create();
  Tap(down, 180, 15);
  EXPECT_GT(GUI_ListTop(Form(), FCC("List")), 0);
  EXPECT_EQ(0u, Form()->result);
}

TEST_F(GuiControls, RepeatingButtonSelectsAgainWhileHeld) {
  GuiObject* rept = Add("REPT", FCC("Rept"), {10, 10, 40, 20}, {"+"});
  Create();
  HOST_HeadlessSetTicks(1000);
  Pen(rept, 0, 20, 15);  // selects at once
  EXPECT_EQ(1u, Events(FORM_EVT_CONTROL).size());
  HOST_HeadlessSetTicks(1749);  // 749 ms held: no repeat yet
  Pen(rept, 1, 21, 15);
  EXPECT_EQ(1u, Events(FORM_EVT_CONTROL).size());
  HOST_HeadlessSetTicks(1750);  // the first repeat at 750 ms
  Pen(rept, 1, 20, 15);
  EXPECT_EQ(2u, Events(FORM_EVT_CONTROL).size());
  HOST_HeadlessSetTicks(1949);  // then every 200 ms
  Pen(rept, 1, 21, 15);
  EXPECT_EQ(2u, Events(FORM_EVT_CONTROL).size());
  HOST_HeadlessSetTicks(1950);
  Pen(rept, 1, 20, 15);
  EXPECT_EQ(3u, Events(FORM_EVT_CONTROL).size());
  HOST_HeadlessSetTicks(2150);
  Pen(rept, 1, 20, 15);
  EXPECT_EQ(4u, Events(FORM_EVT_CONTROL).size());
  // Moved off the button it stops repeating; released it does not select.
  HOST_HeadlessSetTicks(2400);
  Pen(rept, 1, 200, 150);
  Pen(rept, 2, 200, 150);
  EXPECT_EQ(4u, Events(FORM_EVT_CONTROL).size());
}

TEST_F(GuiControls, ScrollBarStepsPagesAndDragsWithinItsRange) {
  GuiObject* bar = Add("VDRG", FCC("Scrl"), {200, 10, 16, 160});
  bar->maxLength = 100;
  Create();
  ASSERT_EQ(0, GUI_ScrollSet(Form(), FCC("Scrl"), 50, 100, 10));
  Tap(bar, 208, 166);  // the arrow at the bottom
  EXPECT_EQ(51, Value(FCC("Scrl")));
  auto sent = Events(FORM_EVT_VALUE);
  ASSERT_EQ(1u, sent.size());
  EXPECT_EQ(FCC("Scrl"), sent[0].operand);
  EXPECT_EQ(51u, sent[0].a3);
  Tap(bar, 208, 14);  // the arrow at the top
  Tap(bar, 208, 30);  // the track above the knob: a page
  EXPECT_EQ(40, Value(FCC("Scrl")));
  GuiDrawObject(Form(), bar);
  int knob = 30;
  while (knob < 170 && Pixel(208, knob) != GUI_SchemeColour(6)) knob++;
  ASSERT_LT(knob, 170);
  Pen(bar, 0, 208, knob);
  Pen(bar, 1, 208, 400);
  Pen(bar, 2, 208, 400);
  EXPECT_EQ(100, Value(FCC("Scrl")));
  ASSERT_EQ(0, GUI_SetValue(Form(), FCC("Scrl"), -3));
  EXPECT_EQ(0, Value(FCC("Scrl")));
}

TEST_F(GuiControls, SplitterIsDraggedAndItsValueIsItsPosition) {
  GuiObject* split = Add("VDRG", FCC("Drag"), {0, 100, 240, 6});
  Create();
  EXPECT_EQ(100, Value(FCC("Drag")));
  Pen(split, 0, 50, 102);
  Pen(split, 1, 50, 142);
  EXPECT_EQ(140, Value(FCC("Drag")));
  EXPECT_EQ(140, split->rect.y);
  ASSERT_FALSE(Events(FORM_EVT_VALUE).empty());
  EXPECT_EQ(140u, Events(FORM_EVT_VALUE).back().a3);
  Pen(split, 1, 50, 1000);
  Pen(split, 2, 50, 1000);
  EXPECT_EQ(200 - 6, Value(FCC("Drag")));
  ASSERT_EQ(0, GUI_SetValue(Form(), FCC("Drag"), 0));  // never saved: stays
  EXPECT_EQ(194, Value(FCC("Drag")));
  ASSERT_EQ(0, GUI_SetValue(Form(), FCC("Drag"), 60));
  EXPECT_EQ(60, split->rect.y);
}

TEST_F(GuiControls, TriggerShowsTheChosenItemOfItsList) {
  GuiObject* list =
      Add("LIST", FCC("LCat"), {100, 10, 100, 60}, {"All\nBusiness\nPersonal"}, OBJ_NOT_USABLE);
  GuiObject* trigger = Add("PTRG", FCC("TCat"), {10, 10, 80, 20}, {"All"});
  Form()->popupBindings.push_back({int32_t(trigger->id), int32_t(list->id)});
  Create();
  EXPECT_EQ(3, GUI_ListCount(Form(), FCC("TCat")));
  ASSERT_EQ(0, GUI_SetValue(Form(), FCC("TCat"), 2));
  EXPECT_EQ("Personal", Text(FCC("TCat")));
  EXPECT_EQ(2, Value(FCC("LCat")));
  ASSERT_EQ(0, GUI_SetValue(Form(), FCC("TCat"), -1));
  EXPECT_EQ("All", Text(FCC("TCat")));
}

TEST_F(GuiControls, CallsOnAMissingTagChangeNothing) {
  Add("LABL", FCC("Labl"), {10, 10, 100, 20}, {"Company"});
  Create();
  int32_t v = 7;
  EXPECT_EQ(-1, GUI_GetValue(Form(), FCC("None"), &v));
  EXPECT_EQ(7, v);
  EXPECT_EQ(-1, GUI_SetText(Form(), FCC("None"), "x"));
  EXPECT_EQ(-1, GUI_SetText(nullptr, FCC("Labl"), "x"));
  EXPECT_EQ(-1, GUI_ListCount(Form(), FCC("Labl")));
  EXPECT_FALSE(GUI_IsShown(Form(), FCC("None")));
  EXPECT_EQ(0u, GUI_FocusedTag(Form()));
  char small[4] = "zzz";
  EXPECT_EQ(-1, GUI_GetText(Form(), FCC("None"), small, sizeof small));
  EXPECT_STREQ("", small);
  ASSERT_EQ(0, GUI_GetText(Form(), FCC("Labl"), small, sizeof small));
  EXPECT_STREQ("Com", small);
  EXPECT_EQ(0, GUI_GetValue(Form(), FCC("Labl"), nullptr));
}

// A form opened from its definition and run by the loop.
class GuiControlsRunning : public GuiTest {};

TEST_F(GuiControlsRunning, TriggerTakesThePopUpChoiceAndFieldsTakeTypedText) {
  FormBuilder b;
  b.Word("Iden").Num(3200).Word("Tagg").Word("PopT").Word("FBeg");
  b.Begin("PTRG").Tokens("Iden 10 Tagg TCat Cord Auto Auto").Text("All").End();
  b.Begin("LIST").Tokens("Iden 11 Tagg LCat Nonu Cord Auto Auto").Text("All\nBusiness\nHome").End();
  b.Begin("FELD").Tokens("Tagg Name Cord Auto Auto").End();
  b.Begin("PLST").Tokens("10 11").End();
  AddResource(FCC("FORM"), 3200, b.Word("FEnd").Bytes());
  Tap(FCC("TCat"));
  Key(HOST_KEY_DOWN);
  Key(HOST_KEY_DOWN);
  Key(HOST_KEY_RETURN);
  Tap(FCC("Name"));
  Type("Zo\xC3\xA9!");
  Key(HOST_KEY_BACKSPACE);
  std::string label, typed;
  int32_t chosen = -1;
  Then([&] {
    label = Text(FCC("TCat"));
    typed = Text(FCC("Name"));
    chosen = Value(FCC("LCat"));
  });
  std::vector<TagItem> params = Params();
  EXPECT_EQ(GUI_RESULT_STOP, GUI_FormLoad(3200, params.data()));
  EXPECT_EQ("Business", label);
  EXPECT_EQ(1, chosen);
  EXPECT_EQ("Zo\xE9", typed);
  std::vector<GuiSeen> sent = Seen(FORM_EVT_CONTROL);
  ASSERT_FALSE(sent.empty());
  EXPECT_EQ(FCC("TCat"), sent.back().a1);
  EXPECT_EQ(1u, sent.back().a4);
}

}  // namespace
