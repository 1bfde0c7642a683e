// Tests of input translation: host keys into the platform's key and command
// codes, typed text into the handheld's characters, the pen in the running
// form's own coordinates (modal forms centred), the control under the pen
// when the handler leaves it, focus navigation, and the number pad typing
// into a focused field.
#include <gtest/gtest.h>

#include "form_builder.h"
#include "gui_harness.h"

namespace {

constexpr uint32_t KEYS_FORM = 3110, MODAL_FORM = 3111, NAV_FORM = 3112, POPUP_FORM = 3113,
                   WHEEL_FORM = 3114;

std::vector<uint8_t> KeysForm() {
  FormBuilder b;
  b.Tokens("Iden 3110 Tagg Keys FBeg");
  b.Begin("LABL").Tokens("Cord Auto Auto").Text("Keys").End();
  return b.Word("FEnd").Bytes();
}

std::vector<uint8_t> ModalForm() {
  FormBuilder b;
  b.Tokens("Iden 3111 Rect Auto Auto 200 120 Modl Tagg Mdl_ FBeg");
  b.Begin("BUTN").Tokens("Tagg Bttn Rect 10 10 60 24").Text("Press").End();
  return b.Word("FEnd").Bytes();
}

// Three buttons in a row (the first names the third on its right) and a
// field below them.
std::vector<uint8_t> NavForm() {
  FormBuilder b;
  b.Tokens("Iden 3112 Tagg Nav_ FBeg");
  b.Begin("BUTN").Tokens("Tagg B1__ Rect 10 10 60 24 TabR B3__").Text("One").End();
  b.Begin("BUTN").Tokens("Tagg B2__ Rect 80 10 60 24").Text("Two").End();
  b.Begin("BUTN").Tokens("Tagg B3__ Rect 150 10 60 24").Text("Three").End();
  b.Begin("FELD").Tokens("Tagg Fld1 Rect 10 60 200 24 Maxc 40").End();
  return b.Word("FEnd").Bytes();
}

// A popup trigger bound to a list that is not shown on its own.
std::vector<uint8_t> PopupForm() {
  FormBuilder b;
  b.Tokens("Iden 3113 Tagg Pop_ FBeg");
  b.Begin("PTRG").Tokens("Iden 10 Tagg Trig Rect 10 10 120 24").Text("One").End();
  b.Begin("LIST").Tokens("Iden 11 Tagg Lst1 Rect 10 300 120 60 Nonu");
  b.Text("One").Text("Two").Text("Three").End();
  b.Begin("PLST").Tokens("10 11").End();
  return b.Word("FEnd").Bytes();
}

// A list of twenty items in the top half of the window.
std::vector<uint8_t> WheelForm() {
  FormBuilder b;
  b.Tokens("Iden 3114 Tagg Whl_ FBeg");
  b.Begin("LIST").Tokens("Tagg Lst2 Rect 10 10 150 100");
  for (int i = 0; i < 20; i++) b.Text("Item " + std::to_string(i));
  b.End();
  return b.Word("FEnd").Bytes();
}

class GuiInput : public GuiTest {
 protected:
  void SetUp() override {
    GuiTest::SetUp();
    AddResource(FCC("FORM"), KEYS_FORM, KeysForm());
    AddResource(FCC("FORM"), MODAL_FORM, ModalForm());
    AddResource(FCC("FORM"), NAV_FORM, NavForm());
    AddResource(FCC("FORM"), POPUP_FORM, PopupForm());
    AddResource(FCC("FORM"), WHEEL_FORM, WheelForm());
  }
  uint32_t Run(uint32_t id) {
    std::vector<TagItem> params = Params();
    return GUI_FormLoad(id, params.data());
  }
  std::vector<int32_t> KeyCodes() const {
    std::vector<int32_t> out;
    for (const GuiSeen& s : Seen(FORM_EVT_KEY)) out.push_back(int32_t(s.a1));
    return out;
  }
  static FourCC Focused() { return GUI_FocusedTag(GUI_ActiveForm()); }
};

struct KeyCase {
  int32_t hostKey;
  uint32_t modifiers;
  int32_t code;
};

TEST_F(GuiInput, HostKeysBecomeKeyAndCommandCodes) {
  const KeyCase table[] = {
      {HOST_KEY_UP, 0, FCC("SCUP")},      {HOST_KEY_DOWN, 0, FCC("SCDN")},
      {HOST_KEY_LEFT, 0, FCC("ALFT")},    {HOST_KEY_RIGHT, 0, FCC("ARGT")},
      {HOST_KEY_PAGE_UP, 0, FCC("LsUp")}, {HOST_KEY_PAGE_DOWN, 0, FCC("LsDn")},
      {HOST_KEY_F1, 0, FCC("APP1")},      {HOST_KEY_F1 + 4, 0, FCC("APP5")},
      {HOST_KEY_KP0, 0, FCC("PHN0")},     {HOST_KEY_KP0 + 9, 0, FCC("PHN9")},
      {HOST_KEY_BACKSPACE, 0, 8},         {HOST_KEY_ESCAPE, 0, 27},
      {HOST_KEY_TAB, 0, FCC("TNXT")},     {HOST_KEY_TAB, HOST_MOD_SHIFT, FCC("TPRV")},
      {HOST_KEY_RETURN, 0, FCC("SLCT")},  {HOST_KEY_KP_ENTER, 0, FCC("SLCT")},
      {'q', HOST_MOD_CONTROL, 17},        {'x', 0, -1},  // a printable key waits for its text
  };
  std::vector<int32_t> want;
  for (const KeyCase& k : table) {
    Key(k.hostKey, k.modifiers);
    if (k.code >= 0) want.push_back(k.code);
  }
  Type("aZ \xC3\xA9");  // "é" is 0xE9 in the handheld's character set
  for (int32_t c : {int32_t('a'), int32_t('Z'), int32_t(' '), 0xE9}) want.push_back(c);
  Answer([](const GuiSeen& s) -> int16_t { return s.kind == FORM_EVT_KEY; });
  EXPECT_EQ(GUI_RESULT_STOP, Run(KEYS_FORM));
  EXPECT_EQ(want, KeyCodes());
  // Every key was announced as user input just before it.
  const std::vector<GuiSeen>& seen = Seen();
  for (size_t i = 1; i < seen.size(); i++) {
    if (seen[i].kind == FORM_EVT_KEY) {
      EXPECT_EQ(FORM_EVT_INPUT, seen[i - 1].kind) << i;
    }
  }
}

TEST_F(GuiInput, NumberPadDigitSwallowsItsTextEvent) {
  Then([] {
    HostEvent down{};
    down.kind = HOST_EVT_KEY_DOWN;
    down.key = HOST_KEY_KP0 + 7;
    HostEvent text{};
    text.kind = HOST_EVT_TEXT;
    text.text[0] = '7';
    HOST_HeadlessPushEvent(&down, 0);
    HOST_HeadlessPushEvent(&text, 0);
  });
  Type("7");
  Answer([](const GuiSeen& s) -> int16_t { return s.kind == FORM_EVT_KEY; });
  (void)Run(KEYS_FORM);
  EXPECT_EQ((std::vector<int32_t>{int32_t(FCC("PHN7")), '7'}), KeyCodes());
}

TEST_F(GuiInput, PenReachesAModalFormInItsOwnCoordinates) {
  GfxRect bounds{};
  Then([&] { bounds = GUI_ActiveForm()->rect; });
  TapAt(180, 300);
  Answer([](const GuiSeen& s) -> int16_t { return s.kind == FORM_EVT_PEN_DOWN; });
  EXPECT_EQ(GUI_RESULT_STOP, Run(MODAL_FORM));
  ASSERT_EQ(1u, Seen(FORM_EVT_PEN_DOWN).size());
  ASSERT_GT(bounds.w, 0);
  EXPECT_EQ(180 - (360 - bounds.w) / 2, int32_t(Seen(FORM_EVT_PEN_DOWN)[0].operand));
  EXPECT_EQ(300 - (600 - bounds.h) / 2, int32_t(Seen(FORM_EVT_PEN_DOWN)[0].a1));
  ASSERT_EQ(1u, Seen(FORM_EVT_PEN_UP).size());
}

TEST_F(GuiInput, ControlUnderThePenGetsItOnlyWhenTheHandlerLeavesIt) {
  Tap(FCC("Bttn"));  // taken by the handler: the button never sees it
  Then([this] { Answer(nullptr); });
  Tap(FCC("Bttn"));
  Answer([](const GuiSeen& s) -> int16_t { return s.kind == FORM_EVT_PEN_DOWN; });
  EXPECT_EQ(FCC("Bttn"), Run(MODAL_FORM));
  ASSERT_EQ(1u, Seen(FORM_EVT_CONTROL).size());
  EXPECT_EQ(FCC("Bttn"), Seen(FORM_EVT_CONTROL)[0].a1);
  EXPECT_EQ(2u, Seen(FORM_EVT_PEN_DOWN).size());
}

TEST_F(GuiInput, NavigationFollowsTabTargetsThenOrderThenNearest) {
  std::vector<FourCC> focus;
  std::vector<std::pair<FourCC, FourCC>> moves;  // (now focused, before) per focus event
  auto note = [&] { focus.push_back(Focused()); };
  Then([] { ASSERT_EQ(0, GUI_Focus(GUI_ActiveForm(), FCC("B1__"))); });
  Key(HOST_KEY_RIGHT);  // "TabR" names the third button
  Then(note);
  Key(HOST_KEY_TAB);  // no target: the next object in order
  Then(note);
  Key(HOST_KEY_TAB, HOST_MOD_SHIFT);
  Then(note);
  Key(HOST_KEY_LEFT);  // no target: the nearest to the left
  Then(note);
  Answer([&](const GuiSeen& s) -> int16_t {
    if (s.kind == FORM_EVT_FOCUS)
      moves.emplace_back(GUI_ObjectTag(reinterpret_cast<GuiObject*>(s.operand)),
                         GUI_ObjectTag(reinterpret_cast<GuiObject*>(s.a1)));
    return 0;
  });
  (void)Run(NAV_FORM);
  EXPECT_EQ((std::vector<FourCC>{FCC("B3__"), FCC("Fld1"), FCC("B3__"), FCC("B2__")}), focus);
  ASSERT_EQ(5u, moves.size());
  EXPECT_EQ(std::make_pair(FCC("B3__"), FCC("B1__")), moves[1]);
}

TEST_F(GuiInput, TypedTextAndNumberPadFillTheFocusedField) {
  std::string text;
  Then([] { ASSERT_EQ(0, GUI_Focus(GUI_ActiveForm(), FCC("Fld1"))); });
  Type("n\xC3\xBC");  // "ü" = 0xFC
  Key(HOST_KEY_KP0 + 5);
  Key(HOST_KEY_BACKSPACE);
  Key(HOST_KEY_KP0 + 4);
  Then([&] { text = Text(FCC("Fld1")); });
  (void)Run(NAV_FORM);
  EXPECT_EQ(
      "n\xFC"
      "4",
      text);
  EXPECT_TRUE(Seen(FORM_EVT_KEY).empty());  // the field took every key
}

TEST_F(GuiInput, PopupListChoosesByKeysAndIsDismissedOutside) {
  std::string label;
  Then([] { ASSERT_EQ(0, GUI_SetValue(GUI_ActiveForm(), FCC("Lst1"), 0)); });
  Tap(FCC("Trig"));
  Then([this] { SaveScreen("gui_popup_open"); });
  Key(HOST_KEY_DOWN);
  Key(HOST_KEY_RETURN);
  Then([&] { label = Text(FCC("Trig")); });
  Tap(FCC("Trig"));
  TapAt(300, 580);  // outside the list: nothing chosen
  Tap(FCC("Trig"));
  Key(HOST_KEY_ESCAPE);
  (void)Run(POPUP_FORM);
  EXPECT_EQ("Two", label);
  std::vector<GuiSeen> chosen = Seen(FORM_EVT_CONTROL);
  ASSERT_EQ(1u, chosen.size());
  EXPECT_EQ(FCC("Trig"), chosen[0].a1);
  EXPECT_EQ(1, int32_t(chosen[0].a4));
}

TEST_F(GuiInput, WheelScrollsTheListUnderThePointerElseActsAsArrows) {
  int16_t top = -1;
  WheelAt(60, 40, -2);  // towards the user: further down the list
  Then([&] { top = GUI_ListTop(GUI_ActiveForm(), FCC("Lst2")); });
  WheelAt(300, 500, -2);  // over nothing: two "SCDN"
  Answer([](const GuiSeen& s) -> int16_t { return s.kind == FORM_EVT_KEY; });
  (void)Run(WHEEL_FORM);
  EXPECT_GT(top, 0);
  EXPECT_EQ((std::vector<int32_t>{int32_t(FCC("SCDN")), int32_t(FCC("SCDN"))}), KeyCodes());
}

TEST_F(GuiInput, HeldKeysAnswerForTheirPlatformCodes) {
  HOST_HeadlessSetKey(HOST_KEY_F1 + 2, true);
  HOST_HeadlessSetKey(HOST_KEY_KP0 + 5, true);
  HOST_HeadlessSetKey(HOST_KEY_KP_ENTER, true);
  EXPECT_TRUE(GUI_KeyHeld(FCC("APP3")));
  EXPECT_FALSE(GUI_KeyHeld(FCC("APP2")));
  EXPECT_TRUE(GUI_KeyHeld(FCC("PHN5")));
  EXPECT_FALSE(GUI_KeyHeld(FCC("PHN4")));
  EXPECT_TRUE(GUI_KeyHeld(FCC("SLCT")));
  EXPECT_FALSE(GUI_KeyHeld(FCC("SCUP")));
}

}  // namespace
