// Tests of the run loop on the headless host: timer ticks at the run period
// on the virtual clock, the redraw sequence, the close query's refusal,
// GUI_FormGoto chaining with the same parameters, the bad-parameter line,
// quitting, and a form that cannot be opened.
#include <gtest/gtest.h>

#include <cstring>

#include "form_builder.h"
#include "gui_harness.h"

namespace {

constexpr uint32_t FORM_A = 3100, FORM_B = 3101;

// A full-screen form tagged `tag` with one button "OKAY" (no action: a tap
// ends the dialog with the button's tag).
std::vector<uint8_t> PlainForm(uint32_t id, const char* tag) {
  FormBuilder b;
  b.Word("Iden").Num(int(id)).Word("Tagg").Word(tag).Word("FBeg");
  b.Begin("BUTN").Tokens("Tagg OKAY Cord Auto Auto").Text("OK").End();
  return b.Word("FEnd").Bytes();
}

class GuiLoop : public GuiTest {
 protected:
  void SetUp() override {
    GuiTest::SetUp();
    AddResource(FCC("FORM"), FORM_A, PlainForm(FORM_A, "FmA_"));
    AddResource(FCC("FORM"), FORM_B, PlainForm(FORM_B, "FmB_"));
  }
  std::vector<int16_t> Kinds() const {
    std::vector<int16_t> out;
    for (const GuiSeen& s : Seen())
      if (s.kind != FORM_EVT_TICK && s.kind != FORM_EVT_IDLE) out.push_back(s.kind);
    return out;
  }
};

TEST_F(GuiLoop, TicksArriveAtTheRunPeriodOnTheVirtualClock) {
  Wait(1000);
  std::vector<TagItem> params = Params(200);
  uint32_t start = HOST_Ticks();
  EXPECT_EQ(GUI_RESULT_STOP, GUI_FormLoad(FORM_A, params.data()));
  std::vector<GuiSeen> ticks = Seen(FORM_EVT_TICK);
  ASSERT_GE(ticks.size(), 5u);
  for (size_t i = 0; i < ticks.size(); i++) EXPECT_EQ(start + 200 * (i + 1), ticks[i].tick) << i;
  EXPECT_FALSE(Seen(FORM_EVT_IDLE).empty());
}

TEST_F(GuiLoop, OpensThenRedrawsWithUpdateAndDrawn) {
  Then([] { GUI_FormRequestRedraw(GUI_ActiveForm()); });
  Wait(100);
  std::vector<TagItem> params = Params();
  (void)GUI_FormLoad(FORM_A, params.data());
  // The script's end stops the loop without a close query.
  std::vector<int16_t> want = {FORM_EVT_OPEN, FORM_EVT_UPDATE, FORM_EVT_DRAWN, FORM_EVT_UPDATE,
                               FORM_EVT_DRAWN};
  EXPECT_EQ(want, Kinds());
  // The form was presented: its white background is on the screen.
  EXPECT_EQ(GUI_SchemeColour(4), ScreenPixel(200, 300));
}

TEST_F(GuiLoop, RefusedCloseQueryKeepsTheFormRunning) {
  int queries = 0;
  Answer([&](const GuiSeen& s) -> int16_t {
    return s.kind == FORM_EVT_CLOSE_QUERY && ++queries == 1;  // refuse the first
  });
  Tap(FCC("OKAY"));
  Wait(500);
  Tap(FCC("OKAY"));
  std::vector<TagItem> params = Params(100);
  EXPECT_EQ(FCC("OKAY"), GUI_FormLoad(FORM_A, params.data()));
  std::vector<GuiSeen> closes = Seen(FORM_EVT_CLOSE_QUERY);
  ASSERT_EQ(2u, closes.size());
  size_t ticksBetween = 0;
  for (const GuiSeen& t : Seen(FORM_EVT_TICK))
    ticksBetween += t.tick > closes[0].tick && t.tick < closes[1].tick;
  EXPECT_GE(ticksBetween, 4u);
  EXPECT_EQ(0u, StepsLeft());
}

TEST_F(GuiLoop, GotoChainsToTheNextFormWithTheSameParameters) {
  uint32_t resultAtClose = 0;
  Answer([&](const GuiSeen& s) -> int16_t {
    if (s.kind == FORM_EVT_OPEN && s.formTag == FCC("FmA_")) GUI_FormGoto(FORM_B);
    if (s.kind == FORM_EVT_CLOSE_QUERY && s.formTag == FCC("FmA_"))
      resultAtClose = *reinterpret_cast<uint32_t*>(s.operand);
    return 0;
  });
  Wait(700);
  Tap(FCC("OKAY"));
  std::vector<TagItem> params = Params(300);
  EXPECT_EQ(FCC("OKAY"), GUI_FormLoad(FORM_A, params.data()));
  EXPECT_EQ(GUI_RESULT_STOP, resultAtClose);
  std::vector<GuiSeen> opens = Seen(FORM_EVT_OPEN);
  ASSERT_EQ(2u, opens.size());
  EXPECT_EQ(FCC("FmB_"), opens[1].formTag);
  // The second form runs with the first one's period.
  std::vector<GuiSeen> ticks = Seen(FORM_EVT_TICK);
  ASSERT_GE(ticks.size(), 2u);
  for (const GuiSeen& t : ticks) EXPECT_EQ(FCC("FmB_"), t.formTag);
  EXPECT_EQ(300u, ticks[1].tick - ticks[0].tick);
  EXPECT_EQ(nullptr, GUI_ActiveForm());
}

TEST_F(GuiLoop, UnknownParameterTagWritesTheLineAndEndsTheList) {
  Wait(300);
  TagItem params[] = {
      {99, 1}, {GUI_RUN_HANDLER, uintptr_t(&Recorder)}, {GUI_RUN_USER, uintptr_t(this)}, {0, 0}};
  EXPECT_EQ(GUI_RESULT_STOP, GUI_FormLoad(FORM_A, params));
  EXPECT_STREQ("GUI_FormLoad: Bad parameters (non-longword aligned tag?)",
               DBG_LastCaptured(FCC("SCRN")));
  EXPECT_TRUE(Seen().empty());  // the handler after the bad tag was never taken
}

TEST_F(GuiLoop, QuitRequestEndsTheDialogWithStop) {
  Menu(FCC("EXIT"));
  Wait(5000);
  std::vector<TagItem> params = Params();
  EXPECT_EQ(GUI_RESULT_STOP, GUI_FormLoad(FORM_A, params.data()));
  ASSERT_EQ(1u, Seen(FORM_EVT_MENU).size());
  EXPECT_EQ(FCC("EXIT"), Seen(FORM_EVT_MENU)[0].operand);
  EXPECT_EQ(1u, StepsLeft());  // it ended before the script did
}

TEST_F(GuiLoop, MissingFormGivesStopAndOpensNothing) {
  std::vector<TagItem> params = Params();
  EXPECT_EQ(GUI_RESULT_STOP, GUI_FormLoad(4999, params.data()));
  EXPECT_TRUE(Seen().empty());
  EXPECT_EQ(GUI_RESULT_ERROR, GUI_FormDoDialog(nullptr, params.data()));
}

TEST_F(GuiLoop, ResizeLaysTheFormOutAgainAndRedraws) {
  GfxRect before{}, after{};
  int32_t shownWidth = 0;
  Then([&] { before = GUI_ActiveForm()->rect; });
  Resize(800, 600);
  Then([&] {
    after = GUI_ActiveForm()->rect;
    (void)HOST_HeadlessFramebuffer(&shownWidth, nullptr);
  });
  std::vector<TagItem> params = Params();
  (void)GUI_FormLoad(FORM_A, params.data());
  EXPECT_EQ(360, before.w);
  EXPECT_EQ(800, after.w);
  EXPECT_EQ(800, shownWidth);
  EXPECT_EQ(2u, Seen(FORM_EVT_DRAWN).size());  // once at the start, once after the resize
}

TEST_F(GuiLoop, HeldRepeatingButtonRepeatsWithoutPenMoves) {
  FormBuilder b;
  b.Word("Iden").Num(3102).Word("Tagg").Word("FmR_").Word("FBeg");
  b.Begin("REPT").Tokens("Tagg Rept Cord Auto Auto").Text("+").End();
  AddResource(FCC("FORM"), 3102, b.Word("FEnd").Bytes());
  Answer([](const GuiSeen& s) -> int16_t { return s.kind == FORM_EVT_CONTROL; });
  auto press = [](HostEventKind kind) {
    GfxRect r{};
    ASSERT_EQ(0, GUI_GetBounds(GUI_ActiveForm(), FCC("Rept"), &r));
    HostEvent e{};
    e.kind = kind;
    e.key = 1;
    e.x = r.x + r.w / 2;
    e.y = r.y + r.h / 2;
    HOST_HeadlessPushEvent(&e, 0);
  };
  Then([&] { press(HOST_EVT_MOUSE_DOWN); });
  Wait(1700);
  Then([&] { press(HOST_EVT_MOUSE_UP); });
  Wait(300);
  std::vector<TagItem> params = Params(100);
  (void)GUI_FormLoad(3102, params.data());
  std::vector<GuiSeen> selected = Seen(FORM_EVT_CONTROL);
  std::vector<GuiSeen> up = Seen(FORM_EVT_PEN_UP);
  ASSERT_EQ(1u, up.size());
  // One at the press, then every 200 ms from 750 ms on while held, none
  // after the release.
  uint32_t held = up[0].tick - selected[0].tick;
  ASSERT_GE(held, 1700u);
  ASSERT_GE(selected.size(), 5u);
  EXPECT_LE(selected.size(), 2 + (held - 750) / 200);
  EXPECT_GE(selected[1].tick - selected[0].tick, 750u);
  EXPECT_LT(selected[1].tick - selected[0].tick, 950u);
  for (size_t i = 2; i < selected.size(); i++)
    EXPECT_GE(selected[i].tick - selected[i - 1].tick, 200u) << i;
  EXPECT_LE(selected.back().tick, up[0].tick);
}

}  // namespace
