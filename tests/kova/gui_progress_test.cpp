// Tests of the progress dialog on the headless host: the bar filled in
// proportion (read back from the presented screen) and redrawn at most every
// 50 ms, the text replaced, the indeterminate form, the abort button and
// Escape seen while the caller polls, and calls that are harmless when the
// dialog could not be opened.
#include <gtest/gtest.h>

#include "gui_harness.h"

namespace {

class GuiProgress : public GuiTest {
 protected:
  void TearDown() override {
    PRG_Close();
    GuiTest::TearDown();
  }
  static void Advance(uint32_t ms) { HOST_HeadlessSetTicks(HOST_Ticks() + ms); }
  // The bar's rectangle on the screen.
  static GfxRect BarOnScreen() {
    GfxRect bar{}, form = GUI_FormBounds(GUI_ActiveForm());
    EXPECT_EQ(0, GUI_GetBounds(GUI_ActiveForm(), FCC("Bar_"), &bar));
    return GfxRect{int16_t(form.x + bar.x), int16_t(form.y + bar.y), bar.w, bar.h};
  }
  // Whether the pixel `dx` pixels into the bar's inside (past its frame),
  // half-way down, shows the focus colour.
  static bool FilledAt(const GfxRect& bar, int32_t dx) {
    return ScreenPixel(bar.x + 1 + dx, bar.y + bar.h / 2) == GUI_SchemeColour(0);
  }
  // Polls like a long operation would until the abort is seen.
  static bool PollForAbort() {
    for (int i = 0; i < 40; i++) {
      if (PRG_Aborted()) return true;
      Advance(60);
      PRG_Update(i, nullptr);
    }
    return PRG_Aborted();
  }
};

TEST_F(GuiProgress, BarFillsInProportionAtMostEvery50ms) {
  ASSERT_EQ(0, PRG_Open("Copying", "First stage", 200));
  ASSERT_TRUE(PRG_IsOpen());
  EXPECT_EQ(FCC("kPrg"), GUI_FormTag(GUI_ActiveForm()));
  EXPECT_EQ("Copying", GUI_ActiveForm()->title);
  GfxRect bar = BarOnScreen();
  ASSERT_GT(bar.w, 40);
  const int32_t inner = bar.w - 2;
  EXPECT_FALSE(FilledAt(bar, 0));  // empty at 0

  Advance(60);
  PRG_Update(50, nullptr);  // a quarter
  int32_t edge = inner * 50 / 200;
  EXPECT_TRUE(FilledAt(bar, 0));
  EXPECT_TRUE(FilledAt(bar, edge - 1));
  EXPECT_FALSE(FilledAt(bar, edge + 1));
  // The bar's frame stays around the fill.
  EXPECT_FALSE(ScreenPixel(bar.x, bar.y + bar.h / 2) == GUI_SchemeColour(0));

  // Within 50 ms of the last redraw nothing is drawn; afterwards it is.
  Advance(10);
  PRG_Update(150, "Second stage");
  EXPECT_FALSE(FilledAt(bar, inner * 3 / 4 - 2));
  EXPECT_EQ("First stage", Text(FCC("Info")));
  Advance(60);
  PRG_Update(150, nullptr);  // null keeps the text given before
  EXPECT_TRUE(FilledAt(bar, inner * 3 / 4 - 2));
  EXPECT_FALSE(FilledAt(bar, inner * 3 / 4 + 1));
  EXPECT_EQ("Second stage", Text(FCC("Info")));
  SaveScreen("gui_progress_bar");

  // Values beyond the maximum fill the bar and no further.
  Advance(60);
  PRG_Update(5000, nullptr);
  EXPECT_TRUE(FilledAt(bar, inner - 1));
  EXPECT_FALSE(FilledAt(bar, inner));
  EXPECT_FALSE(PRG_Aborted());
  PRG_Close();
  EXPECT_FALSE(PRG_IsOpen());
  EXPECT_EQ(nullptr, GUI_ActiveForm());
}

TEST_F(GuiProgress, ZeroMaximumShowsTextOnlyAndReopeningReplaces) {
  ASSERT_EQ(0, PRG_Open("Searching...", "Looking", 0));
  EXPECT_FALSE(GUI_IsShown(GUI_ActiveForm(), FCC("Bar_")));
  Advance(60);
  PRG_Update(30, "Still looking");
  EXPECT_EQ("Still looking", Text(FCC("Info")));
  ASSERT_EQ(0, PRG_Open("Again", nullptr, 10));
  EXPECT_EQ(1u, GuiGlobal()->forms.size());  // the first dialog was closed
  EXPECT_TRUE(GUI_IsShown(GUI_ActiveForm(), FCC("Bar_")));
}

TEST_F(GuiProgress, TapOnAbortIsSeenWhilePolling) {
  ASSERT_EQ(0, PRG_Open("Repairing", "Scanning", 100));
  EXPECT_FALSE(PRG_Aborted());
  Tap(PRG_ABORT);
  EXPECT_TRUE(PollForAbort());
  EXPECT_TRUE(PRG_IsOpen());  // aborting leaves closing to the caller
  PRG_Close();
  EXPECT_FALSE(PRG_Aborted());  // forgotten with the dialog
}

TEST_F(GuiProgress, EscapeAbortsAndOtherKeysDoNot) {
  ASSERT_EQ(0, PRG_Open("Saving", "Rows", 320));
  Key('a');
  Wait(0);
  for (int i = 0; i < 5; i++) {
    Advance(60);
    PRG_Update(i, nullptr);
  }
  EXPECT_FALSE(PRG_Aborted());
  Key(HOST_KEY_ESCAPE);
  EXPECT_TRUE(PollForAbort());
}

TEST_F(GuiProgress, CallsAfterAFailedOpenAreHarmless) {
  RES_Close();  // no resource store: "kPrg" cannot be found
  EXPECT_NE(0, PRG_Open("Title", "Text", 10));
  EXPECT_FALSE(PRG_IsOpen());
  EXPECT_EQ(nullptr, GUI_ActiveForm());
  Advance(60);
  PRG_Update(5, "ignored");
  EXPECT_FALSE(PRG_Aborted());
  PRG_Close();
  PRG_Close();
  EXPECT_FALSE(PRG_IsOpen());
}

}  // namespace
