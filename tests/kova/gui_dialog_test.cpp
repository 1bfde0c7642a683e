// Bound dialogs run on the headless host: a form with check boxes, fields,
// a trigger and its list, a check list and buttons; the script reads what
// the set phase put into the objects, changes the controls and taps OK or
// Cancel; the variables are then checked against values worked out by hand.
// A second form holds a check list longer than 32 items and a time selector.
#include <gtest/gtest.h>

#include <cstring>

#include "../../kova/plat_src/gui/gui_ctl.h"
#include "form_builder.h"
#include "gui_harness.h"

namespace {

constexpr uint32_t FORM_ID = 3300;
// The check list the tests use unless they name another (a constant: clang
// does not take a consteval call as a default argument).
constexpr FourCC CHECK_LIST = FCC("Chks");

std::vector<uint8_t> DialogForm() {
  FormBuilder b;
  b.Word("Iden").Num(int(FORM_ID)).Word("Tagg").Word("Dlg_").Word("FBeg");
  b.Begin("CHEK").Tokens("Tagg Chk1 Rect 10 10 150 24").Text("Private").End();
  b.Begin("CHEK").Tokens("Tagg Chk2 Rect 10 40 150 24").Text("Second").End();
  b.Begin("FELD").Tokens("Tagg Fld1 Rect 10 70 200 24 Maxc 40").End();
  b.Begin("FELD").Tokens("Tagg Fld2 Rect 10 100 200 24 Maxc 40").End();
  b.Begin("PTRG").Tokens("Iden 20 Tagg Trig Rect 10 130 120 24").Text("One").End();
  b.Begin("LIST").Tokens("Iden 21 Tagg Lst1 Rect 10 300 120 60 Nonu").Text("Home\nWork\nMobile");
  b.End();
  b.Begin("PLST").Tokens("20 21").End();
  b.Begin("CLST").Tokens("Tagg Chks Rect 200 10 150 200 Bsel").Text("A\nB\nC\nD\nE\nF\nG\nH\nI\nJ");
  b.End();
  b.Begin("LABL").Tokens("Iden 30 Rect 200 230 100 24").Text("By id").End();
  b.Begin("CHEK").Tokens("Tagg Dup1 Rect 10 160 150 24").Text("Hidden twin").End();
  b.Begin("CHEK").Tokens("Tagg Dup1 Rect 10 190 150 24").Text("Shown twin").End();
  b.Begin("BUTN").Tokens("Tagg OKAY Rect 10 500 80 30").Text("OK").End();
  b.Begin("BUTN").Tokens("Tagg CANC Rect 100 500 80 30").Text("Cancel").End();
  return b.Word("FEnd").Bytes();
}

class GuiDialog : public GuiTest {
 protected:
  void SetUp() override {
    GuiTest::SetUp();
    AddResource(FCC("FORM"), FORM_ID, DialogForm());
    ASSERT_EQ(0, GUI_FormOpen(&form_, FORM_ID, 0, FCC("FORM"), nullptr));
  }
  void TearDown() override {
    GUI_FormClose(form_);
    GuiTest::TearDown();
  }
  uint32_t Run(std::vector<DialogWord> list) {
    list.push_back(DLG_END);
    return GUI_DialogPopup(form_, list.data());
  }
  static DialogWord At(void* p) { return reinterpret_cast<DialogWord>(p); }
  // Script steps that change a control as the user would leave it.
  void SetValue(FourCC tag, int32_t v) {
    Then([tag, v] { EXPECT_EQ(0, GUI_SetValue(GUI_ActiveForm(), tag, v)); });
  }
  void SetText(FourCC tag, std::string text) {
    Then([tag, text] { EXPECT_EQ(0, GUI_SetText(GUI_ActiveForm(), tag, text.c_str())); });
  }
  void Check(int16_t item, bool on, FourCC list = CHECK_LIST) {
    Then([item, on, list] { EXPECT_EQ(0, GUI_ListSetChecked(GUI_ActiveForm(), list, item, on)); });
  }
  // Records a control's value / text as the dialog shows it.
  void Peek(FourCC tag, int32_t* out) {
    Then([tag, out] { *out = Value(tag); });
  }
  void PeekText(FourCC tag, std::string* out) {
    Then([tag, out] { *out = Text(tag); });
  }
  std::vector<bool> Checks(FourCC list = CHECK_LIST) {
    std::vector<bool> out;
    for (int16_t i = 0; i < GUI_ListCount(form_, list); i++) {
      bool on = false;
      EXPECT_EQ(0, GUI_ListGetChecked(form_, list, i, &on));
      out.push_back(on);
    }
    return out;
  }
  GuiObject* Obj(FourCC tag, int nth = 0) {
    for (auto& o : form_->objects)
      if (o->tag == tag && nth-- == 0) return o.get();
    return nullptr;
  }

  GuiForm* form_ = nullptr;
};

TEST_F(GuiDialog, EmptyListShowsTheFormAndReturnsTheClosingControl) {
  Tap(FCC("OKAY"));
  EXPECT_EQ(FCC("OKAY"), Run({}));
  EXPECT_EQ(0u, StepsLeft());
  Tap(FCC("CANC"));
  EXPECT_EQ(FCC("CANC"), GUI_DialogPopup(form_, nullptr));
  EXPECT_EQ(GUI_RESULT_ERROR, GUI_DialogPopup(nullptr, nullptr));
}

TEST_F(GuiDialog, ThirtyTwoBitValueShowsItsLowSixteenBits) {
  uint32_t v = 0x10005;
  int32_t shown = 0;
  Peek(FCC("Fld1"), &shown);
  Tap(FCC("OKAY"));
  EXPECT_EQ(FCC("OKAY"), Run({DLG_VALUE32, FCC("Fld1"), At(&v)}));
  EXPECT_EQ(5, shown);
  EXPECT_EQ(5u, v);
}

TEST_F(GuiDialog, IndexOfEveryWidthIsShownAndWrittenBackSignExtended) {
  uint32_t i32 = 1;
  uint16_t i16 = 2;
  uint8_t i8 = 0;
  std::string label;
  PeekText(FCC("Trig"), &label);
  SetValue(FCC("Lst1"), -1);  // nothing chosen: the control value -1
  Tap(FCC("OKAY"));
  EXPECT_EQ(FCC("OKAY"), Run({DLG_INDEX32, FCC("Lst1"), FCC("Trig"), At(&i32),  //
                              DLG_INDEX16, FCC("Lst1"), FCC("Trig"), At(&i16),  //
                              DLG_INDEX8, FCC("Lst1"), FCC("Trig"), At(&i8)}));
  EXPECT_EQ("Home", label);  // the last binding chose item 0
  EXPECT_EQ(0xFFFFFFFFu, i32);
  EXPECT_EQ(0xFFFF, i16);
  EXPECT_EQ(0xFF, i8);
}

TEST_F(GuiDialog, EveryWidthOfPlainValues) {
  uint32_t a = 0xABCD0001;
  uint16_t b = 0x8002;
  uint8_t c = 0x7F;
  int32_t shownB = 0;
  Peek(FCC("Fld2"), &shownB);
  SetValue(FCC("Chk1"), 0);
  SetText(FCC("Fld1"), "65535");  // 0xFFFF as a 16-bit control value is -1
  SetText(FCC("Fld2"), "300");
  Tap(FCC("OKAY"));
  ASSERT_EQ(FCC("OKAY"), Run({DLG_VALUE32, FCC("Fld1"), At(&a), DLG_VALUE16, FCC("Fld2"), At(&b),
                              DLG_VALUE8, FCC("Chk1"), At(&c)}));
  EXPECT_EQ(0, shownB);  // a field shows 0x8002 as -32766: not a number it reads back
  EXPECT_EQ(0xFFFFFFFFu, a);
  EXPECT_EQ(300, b);
  EXPECT_EQ(0, c);
}

TEST_F(GuiDialog, CancelLeavesEveryVariableAsItWas) {
  uint32_t value = 3, bits = 0x0F, number = 77;
  uint8_t set = 0x01;
  char text[16] = "before";
  SetValue(FCC("Chk1"), 1);
  SetValue(FCC("Chk2"), 0);
  SetText(FCC("Fld1"), "after");
  SetText(FCC("Fld2"), "12");
  Check(5, true);
  Tap(FCC("CANC"));
  EXPECT_EQ(FCC("CANC"),
            Run({DLG_EQUAL32, FCC("Chk1"), At(&value), 4, DLG_BITS32, FCC("Chk2"), At(&bits), 1,
                 DLG_TEXT, FCC("Fld1"), At(text), sizeof text, DLG_NUMBER32, FCC("Fld2"),
                 At(&number), DLG_CHECKSET8, FCC("Chks"), At(&set)}));
  EXPECT_EQ(3u, value);
  EXPECT_EQ(0x0Fu, bits);
  EXPECT_EQ(77u, number);
  EXPECT_EQ(0x01, set);
  EXPECT_STREQ("before", text);
}

TEST_F(GuiDialog, SetAndClearBindingsOnOneMaskLaterWins) {
  for (bool on : {true, false}) {
    uint16_t a = on ? 0x00 : 0x04, b = a;
    auto runOnce = [&](std::vector<DialogWord> list) {
      SetValue(FCC("Chk1"), on);
      Tap(FCC("OKAY"));
      return Run(std::move(list));
    };
    ASSERT_EQ(FCC("OKAY"), runOnce({DLG_BITS16, FCC("Chk1"), At(&a), 4,  //
                                    DLG_NOBITS16, FCC("Chk1"), At(&a), 4}));
    ASSERT_EQ(FCC("OKAY"), runOnce({DLG_NOBITS16, FCC("Chk1"), At(&b), 4,  //
                                    DLG_BITS16, FCC("Chk1"), At(&b), 4}));
    EXPECT_EQ(on ? 0x00 : 0x04, a) << on;
    EXPECT_EQ(on ? 0x04 : 0x00, b) << on;
  }
}

TEST_F(GuiDialog, BitFieldShowsAndWritesOnlyItsBits) {
  uint16_t v = 0x00F0;
  int32_t shown = 0;
  Peek(FCC("Fld1"), &shown);
  SetText(FCC("Fld1"), "2");
  Tap(FCC("OKAY"));
  ASSERT_EQ(FCC("OKAY"), Run({DLG_FIELD16, FCC("Fld1"), At(&v), 4, 3}));
  EXPECT_EQ(7, shown);
  EXPECT_EQ(0x00A0, v);
}

TEST_F(GuiDialog, EqualBindingsWriteOnlyWhenOn) {
  uint8_t choice = 1, other = 9;
  int32_t first = -1, second = -1;
  Peek(FCC("Chk1"), &first);
  Peek(FCC("Chk2"), &second);
  SetValue(FCC("Chk2"), 1);
  Tap(FCC("OKAY"));
  // Only the low 8 bits of the value take part for an 8-bit variable.
  ASSERT_EQ(FCC("OKAY"), Run({DLG_EQUAL8, FCC("Chk1"), At(&choice), 0x101,  //
                              DLG_EQUAL8, FCC("Chk2"), At(&choice), 2,      //
                              DLG_EQUAL8, FCC("Fld1"), At(&other), 5}));
  EXPECT_EQ(1, first);
  EXPECT_EQ(0, second);
  EXPECT_EQ(2, choice);  // Chk1 stayed on and wrote 1 first; Chk2 wrote 2 after it
  EXPECT_EQ(9, other);   // the field reads 0: off, nothing written
}

TEST_F(GuiDialog, TextBufferTakesAtMostItsSizeLessOne) {
  char buffer[8];
  memcpy(buffer, "abc\0XXXX", 8);
  std::string shown;
  PeekText(FCC("Fld1"), &shown);
  SetText(FCC("Fld1"), "abcdefghij");
  Tap(FCC("OKAY"));
  ASSERT_EQ(FCC("OKAY"), Run({DLG_TEXT, FCC("Fld1"), At(buffer), 6}));
  EXPECT_EQ("abc", shown);
  EXPECT_EQ(0, memcmp(buffer, "abcde\0XX", 8));
}

TEST_F(GuiDialog, NumbersAndShownOnlyKinds) {
  uint32_t n32 = uint32_t(-42);
  uint8_t n8 = 200;
  std::string a, b, label;
  PeekText(FCC("Fld1"), &a);
  PeekText(FCC("Fld2"), &b);
  Then([&label] {
    char text[32];
    EXPECT_EQ(0, GUI_GetText(GUI_ActiveForm(), FCC("Chk2"), text, sizeof text));
    label = text;
  });
  SetText(FCC("Fld1"), "-7x");
  SetText(FCC("Fld2"), "999");
  Tap(FCC("OKAY"));
  ASSERT_EQ(FCC("OKAY"),
            Run({DLG_NUMBER32, FCC("Fld1"), At(&n32), DLG_NUMBER8, FCC("Fld2"), At(&n8),
                 DLG_SHOW_TEXT, FCC("Chk2"), At(const_cast<char*>("Shown"))}));
  EXPECT_EQ("-42", a);
  EXPECT_EQ("200", b);
  EXPECT_EQ("Shown", label);
  EXPECT_EQ(uint32_t(-7), n32);
  EXPECT_EQ(255, n8);  // held within an 8-bit number
  // Kind 56 shows a number and writes nothing.
  std::string shown;
  PeekText(FCC("Fld1"), &shown);
  Tap(FCC("OKAY"));
  ASSERT_EQ(FCC("OKAY"), Run({DLG_SHOW_NUMBER, FCC("Fld1"), uint32_t(-3)}));
  EXPECT_EQ("-3", shown);
}

TEST_F(GuiDialog, DecimalFieldRoundTrip) {
  DecimalValue v{1234, -2, 1, DECIMAL_MARKER};
  std::string shown;
  PeekText(FCC("Fld1"), &shown);
  SetText(FCC("Fld1"), "0,5");
  Tap(FCC("OKAY"));
  ASSERT_EQ(FCC("OKAY"), Run({DLG_DECIMAL, FCC("Fld1"), At(&v)}));
  EXPECT_EQ("-12.34", shown);
  EXPECT_EQ(5u, v.mantissa);
  EXPECT_EQ(-1, v.exponent);
  EXPECT_EQ(0, v.negative);
  EXPECT_EQ(DECIMAL_MARKER, v.marker);
}

TEST_F(GuiDialog, BitSetIgnoresItemsBeyondTheVariable) {
  uint8_t set = 0x05;
  std::vector<bool> shown;
  Then([&] { shown = Checks(); });
  Check(1, true);
  Check(8, true);  // item 8 has no bit in an 8-bit set
  Tap(FCC("OKAY"));
  ASSERT_EQ(FCC("OKAY"), Run({DLG_CHECKSET8, FCC("Chks"), At(&set)}));
  ASSERT_EQ(10u, shown.size());
  std::vector<bool> want = {true, false, true, false, false, false, false, false, false, false};
  EXPECT_EQ(want, shown);
  EXPECT_EQ(0x07, set);
}

TEST_F(GuiDialog, StateArrayTakesAtMostItsCount) {
  uint16_t states[4] = {1, 0, 1, 0xBEEF};  // the fourth is past the count of 3
  Check(9, true);
  Then([] { EXPECT_EQ(0, GUI_ListSetChecked(GUI_ActiveForm(), FCC("Chks"), 0, false)); });
  Check(1, true);
  Tap(FCC("OKAY"));
  ASSERT_EQ(FCC("OKAY"), Run({DLG_CHECKARRAY16, FCC("Chks"), At(states), 3}));
  EXPECT_EQ(0, states[0]);
  EXPECT_EQ(1, states[1]);
  EXPECT_EQ(1, states[2]);
  EXPECT_EQ(0xBEEF, states[3]);
}

TEST_F(GuiDialog, UsableFlagHidesAndShowsTheObject) {
  bool hidden = true, shown = false;
  Then([&] { hidden = !GUI_IsShown(GUI_ActiveForm(), FCC("Chk2")); });
  Tap(FCC("OKAY"));
  ASSERT_EQ(FCC("OKAY"), Run({DLG_USABLE, FCC("Chk2"), 0}));
  EXPECT_TRUE(hidden);
  EXPECT_TRUE(Obj(FCC("Chk2"))->flags & 0x04);
  Then([&] { shown = GUI_IsShown(GUI_ActiveForm(), FCC("Chk2")); });
  Tap(FCC("OKAY"));
  ASSERT_EQ(FCC("OKAY"), Run({DLG_USABLE, FCC("Chk2"), 1}));
  EXPECT_TRUE(shown);
}

TEST_F(GuiDialog, ObjectsByIdAndHiddenOnesOnlyAsALastResort) {
  Obj(FCC("Dup1"), 0)->flags |= 0x08;  // the layout hid the first twin
  uint16_t twin = 1, label = 0;
  Tap(FCC("OKAY"));
  ASSERT_EQ(FCC("OKAY"), Run({DLG_VALUE16, FCC("Dup1"), At(&twin), DLG_SHOW_TEXT, 30,
                              At(const_cast<char*>("Id 30")), DLG_VALUE16, 0x12345, At(&label)}));
  EXPECT_EQ(1, Obj(FCC("Dup1"), 1)->control.value);
  EXPECT_EQ(0, Obj(FCC("Dup1"), 0)->control.value);
  EXPECT_EQ(0u, label);  // no such object: skipped
  GuiObject* thirty = nullptr;
  for (auto& o : form_->objects)
    if (o->id == 30) thirty = o.get();
  ASSERT_NE(nullptr, thirty);
  EXPECT_EQ("Id 30", thirty->control.text);
  // With both twins hidden the first one is found.
  Obj(FCC("Dup1"), 1)->flags |= 0x08;
  Tap(FCC("OKAY"));
  ASSERT_EQ(FCC("OKAY"), Run({DLG_SHOW, FCC("Dup1"), 1}));
  EXPECT_EQ(1, Obj(FCC("Dup1"), 0)->control.value);
}

TEST_F(GuiDialog, NullAddressIsSkippedWithItsArguments) {
  uint8_t after = 0;
  SetValue(FCC("Chk2"), 1);
  Tap(FCC("OKAY"));
  ASSERT_EQ(FCC("OKAY"), Run({DLG_FIELD32, FCC("Chk1"), 0, 4, 3,  //
                              DLG_VALUE8, FCC("Chk2"), At(&after)}));
  EXPECT_EQ(1, after);
}

TEST_F(GuiDialog, RunParametersReachTheLoop) {
  Wait(1000);
  Tap(FCC("OKAY"));
  uint32_t start = HOST_Ticks();
  ASSERT_EQ(FCC("OKAY"),
            Run({DLG_HANDLER, reinterpret_cast<DialogWord>(&GuiHarness::Recorder), DLG_USER,
                 DialogWord(static_cast<GuiHarness*>(this)), DLG_PERIOD, 200}));
  std::vector<GuiSeen> ticks = Seen(FORM_EVT_TICK);
  ASSERT_GE(ticks.size(), 3u);
  for (size_t i = 0; i < ticks.size(); i++) EXPECT_EQ(start + 200 * (i + 1), ticks[i].tick) << i;
  EXPECT_EQ(FCC("Dlg_"), ticks[0].formTag);
}

TEST_F(GuiDialog, BadKindReportsAndShowsNothing) {
  uint32_t v = 3;
  SetValue(FCC("Fld1"), 9);
  Tap(FCC("OKAY"));
  size_t steps = StepsLeft();
  for (DialogWord bad : {DialogWord(8), DialogWord(201), DialogWord(64)}) {
    testing::internal::CaptureStderr();
    EXPECT_EQ(FCC("ERRR"), Run({DLG_VALUE32, FCC("Fld1"), At(&v), bad, 0}));
    std::string said = testing::internal::GetCapturedStderr();
    EXPECT_NE(std::string::npos,
              said.find("GUI_DialogPopup: Bad parameters (non-longword aligned tag?)"));
  }
  EXPECT_EQ(steps, StepsLeft());  // the form never ran
  EXPECT_EQ(3u, v);
}

TEST_F(GuiDialog, ColourValueGoesOutAndComesBackThroughTheObjectCommands) {
  uint32_t colour = 0x00336699;
  int32_t shown = 0;
  Peek(FCC("OKAY"), &shown);
  Tap(FCC("OKAY"));
  ASSERT_EQ(FCC("OKAY"), Run({DLG_COLOUR, FCC("OKAY"), At(&colour)}));
  EXPECT_EQ(0x00336699, shown);
  EXPECT_EQ(0x00336699u, colour);
  // The object commands reach one 32-bit value; an unknown command is refused.
  uint32_t value = 0x00112233, back = 0;
  ASSERT_EQ(0, GUI_ObjectCommand(form_, Obj(FCC("CANC")), GUI_CMD_SET_DATE, &value));
  ASSERT_EQ(0, GUI_ObjectCommand(form_, Obj(FCC("CANC")), GUI_CMD_GET_DATE, &back));
  EXPECT_EQ(value, back);
  EXPECT_EQ(-1, GUI_ObjectCommand(form_, Obj(FCC("CANC")), 22, &back));
  EXPECT_EQ(-1, GUI_ObjectCommand(form_, nullptr, GUI_CMD_GET_DATE, &back));
}

TEST_F(GuiDialog, FlagsWordReachesTheRunAndTakesNoName) {
  uint8_t after = 0;
  Tap(FCC("OKAY"));
  ASSERT_EQ(FCC("OKAY"), Run({DLG_VALUE8, FCC("Chk2"), At(&after)}));
  EXPECT_EQ(0u, form_->runFlags);  // no kind 63: the run gets 0
  // One word follows the kind: the binding after it is read as a binding
  // (were a name taken first, "Chk2" would be read as a kind and refused).
  int32_t chk1 = -1;
  Peek(FCC("Chk1"), &chk1);
  SetValue(FCC("Chk2"), 1);
  Tap(FCC("OKAY"));
  ASSERT_EQ(FCC("OKAY"), Run({DLG_FLAGS, 0x00010004, DLG_VALUE8, FCC("Chk2"), At(&after)}));
  EXPECT_EQ(0x00010004u, form_->runFlags);  // all 32 bits of the word
  EXPECT_EQ(1, after);
  EXPECT_EQ(0, chk1);  // not an object binding: nothing was put in Chk1
}

TEST_F(GuiDialog, SixteenBitNumberIsUnsignedAndHeldWithinItsWidth) {
  // The neighbours tell whether the store stayed within the 16-bit variable.
  uint16_t n[3] = {0xA5A5, 0xFFFF, 0x5A5A};
  std::string shown;
  PeekText(FCC("Fld1"), &shown);
  SetText(FCC("Fld1"), "1234");
  Tap(FCC("OKAY"));
  ASSERT_EQ(FCC("OKAY"), Run({DLG_NUMBER16, FCC("Fld1"), At(&n[1])}));
  EXPECT_EQ("65535", shown);  // unsigned: not "-1"
  EXPECT_EQ(1234, n[1]);
  for (auto [text, want] : {std::pair<const char*, uint16_t>{"70000", 0xFFFF}, {"-5", 0}}) {
    SetText(FCC("Fld1"), text);
    Tap(FCC("OKAY"));
    ASSERT_EQ(FCC("OKAY"), Run({DLG_NUMBER16, FCC("Fld1"), At(&n[1])}));
    EXPECT_EQ(want, n[1]) << text;
  }
  EXPECT_EQ(0xA5A5, n[0]);
  EXPECT_EQ(0x5A5A, n[2]);
  // A null address is skipped, and its one argument with it.
  uint16_t after = 0;
  SetText(FCC("Fld2"), "42");
  Tap(FCC("OKAY"));
  ASSERT_EQ(FCC("OKAY"),
            Run({DLG_NUMBER16, FCC("Fld1"), 0, DLG_NUMBER16, FCC("Fld2"), At(&after)}));
  EXPECT_EQ(42, after);
}

// A second form for what the first one cannot show: a check list longer
// than 32 items and a time selector.
constexpr uint32_t WIDE_ID = 3301;
constexpr int MANY_ITEMS = 40;

std::vector<uint8_t> WideForm() {
  std::string items;
  for (int i = 0; i < MANY_ITEMS; i++) items += (i ? "\n" : "") + std::to_string(i);
  FormBuilder b;
  b.Word("Iden").Num(int(WIDE_ID)).Word("Tagg").Word("Dlg2").Word("FBeg");
  b.Begin("CLST").Tokens("Tagg Many Rect 10 10 150 300 Bsel").Text(items).End();
  b.Object("BUTN", "Tagg Time TPck Time Rect 200 10 80 24", {"- None -"});
  b.Object("BUTN", "Tagg OKAY Rect 10 500 80 30", {"OK"});
  b.Object("BUTN", "Tagg CANC Rect 100 500 80 30", {"Cancel"});
  return b.Word("FEnd").Bytes();
}

class GuiDialogWide : public GuiDialog {
 protected:
  void SetUp() override {
    GuiDialog::SetUp();
    GUI_FormClose(form_);
    form_ = nullptr;
    AddResource(FCC("FORM"), WIDE_ID, WideForm());
    ASSERT_EQ(0, GUI_FormOpen(&form_, WIDE_ID, 0, FCC("FORM"), nullptr));
    ASSERT_EQ(MANY_ITEMS, GUI_ListCount(form_, FCC("Many")));
  }
  // The items that are on, by index.
  std::vector<int> On() {
    std::vector<bool> all = Checks(FCC("Many"));
    std::vector<int> on;
    for (size_t i = 0; i < all.size(); i++)
      if (all[i]) on.push_back(int(i));
    return on;
  }
  void PeekOn(std::vector<int>* out) {
    Then([this, out] { *out = On(); });
  }
  void Preset(std::initializer_list<int> on) {
    for (int i = 0; i < MANY_ITEMS; i++)
      ASSERT_EQ(0, GUI_ListSetChecked(form_, FCC("Many"), int16_t(i), false));
    for (int i : on) ASSERT_EQ(0, GUI_ListSetChecked(form_, FCC("Many"), int16_t(i), true));
  }
  std::string Face() { return GuiSelectorText(GUI_FindObject(GUI_ActiveForm(), FCC("Time"))); }
};

TEST_F(GuiDialogWide, ThirtyTwoBitSetIgnoresItemsPastBit31) {
  uint32_t set = 0x80000001;
  Preset({5, 35});  // 5 is within the set and is cleared; 35 has no bit and stays
  std::vector<int> shown;
  PeekOn(&shown);
  Check(2, true, FCC("Many"));
  Check(31, false, FCC("Many"));
  Check(36, true, FCC("Many"));
  Tap(FCC("OKAY"));
  ASSERT_EQ(FCC("OKAY"), Run({DLG_CHECKSET32, FCC("Many"), At(&set)}));
  EXPECT_EQ((std::vector<int>{0, 31, 35}), shown);
  EXPECT_EQ(0x00000005u, set);
}

TEST_F(GuiDialogWide, SixteenBitSetIgnoresItemsPastBit15) {
  uint16_t set[3] = {0x1111, 0x8001, 0x2222};
  Preset({3, 16, 17});
  std::vector<int> shown;
  PeekOn(&shown);
  Check(0, false, FCC("Many"));
  Check(14, true, FCC("Many"));
  Check(20, true, FCC("Many"));
  Tap(FCC("OKAY"));
  ASSERT_EQ(FCC("OKAY"), Run({DLG_CHECKSET16, FCC("Many"), At(&set[1])}));
  EXPECT_EQ((std::vector<int>{0, 15, 16, 17}), shown);
  EXPECT_EQ(0xC000, set[1]);
  EXPECT_EQ(0x1111, set[0]);
  EXPECT_EQ(0x2222, set[2]);
}

TEST_F(GuiDialogWide, ThirtyTwoBitStatesTakeAtMostTheirCount) {
  // Any non-zero element is on, whichever of its bytes holds the bits.
  uint32_t states[4] = {0x00010000, 0, 7, 0xDEADBEEF};
  Preset({1, 5});  // item 1 is set from its element; 5 is past the count
  std::vector<int> shown;
  PeekOn(&shown);
  Check(0, false, FCC("Many"));
  Check(1, true, FCC("Many"));
  Check(3, true, FCC("Many"));
  Tap(FCC("OKAY"));
  ASSERT_EQ(FCC("OKAY"), Run({DLG_CHECKARRAY32, FCC("Many"), At(states), 3}));
  EXPECT_EQ((std::vector<int>{0, 2, 5}), shown);
  EXPECT_EQ(0u, states[0]);
  EXPECT_EQ(1u, states[1]);
  EXPECT_EQ(1u, states[2]);  // on is written as 1
  EXPECT_EQ(0xDEADBEEFu, states[3]);
}

TEST_F(GuiDialogWide, EightBitStatesTakeAtMostTheirCount) {
  uint8_t states[6] = {0, 1, 0, 0x80, 0xAA, 0xBB};
  Preset({0});
  std::vector<int> shown;
  PeekOn(&shown);
  Check(2, true, FCC("Many"));
  Check(3, false, FCC("Many"));
  Check(4, true, FCC("Many"));
  Tap(FCC("OKAY"));
  ASSERT_EQ(FCC("OKAY"), Run({DLG_CHECKARRAY8, FCC("Many"), At(states), 4}));
  EXPECT_EQ((std::vector<int>{1, 3}), shown);  // 0xAA past the count shows nothing
  EXPECT_EQ((std::vector<uint8_t>{0, 1, 1, 0, 0xAA, 0xBB}),
            std::vector<uint8_t>(states, states + 6));
}

TEST_F(GuiDialogWide, TimeValueGoesThroughTheTimeObjectCommands) {
  // 20:00 is 72,000 seconds: more than a 16-bit control value holds.
  uint32_t seconds = 20 * 3600;
  std::string face;
  uint32_t held = 0;
  Then([&] {
    face = Face();
    EXPECT_EQ(0, GUI_ObjectCommand(GUI_ActiveForm(), GUI_FindObject(GUI_ActiveForm(), FCC("Time")),
                                   GUI_CMD_GET_TIME, &held));
  });
  Tap(FCC("Time"));
  Then([] { EXPECT_EQ(FCC("TPck"), GUI_FormTag(GUI_ActiveForm())); });
  Tap(FCC("HrUp"));
  Tap(FCC("MnUp"));
  Tap(FCC("OKAY"));
  Tap(FCC("OKAY"));
  const std::vector<DialogWord> list = {DLG_TIME, FCC("Time"), At(&seconds)};
  ASSERT_EQ(FCC("OKAY"), Run(list));
  EXPECT_EQ("20:00", face);
  EXPECT_EQ(72000u, held);
  EXPECT_EQ(uint32_t(21 * 3600 + 60), seconds);
  // Picked, then the dialog cancelled: the variable stays.
  Tap(FCC("Time"));
  Tap(FCC("HrDn"));
  Tap(FCC("OKAY"));
  Tap(FCC("CANC"));
  ASSERT_EQ(FCC("CANC"), Run(list));
  EXPECT_EQ(uint32_t(21 * 3600 + 60), seconds);
}

}  // namespace
