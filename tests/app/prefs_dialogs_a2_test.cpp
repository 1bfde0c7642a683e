// The controls dialog's action lists and seek timeout steps, the other
// preferences, the layout chooser and the about box on the headless host,
// and a screenshot of every dialog over the main list at 360 x 600. The
// action positions below are the order the pop-ups list them in: View,
// Edit, Dial, Dial!, Quick, SMS, Beam, Send, Card, Category, Log, Pad,
// None, Normal.
#include <gtest/gtest.h>

#include <regex>

#include "app_fixture.h"
#include "gui_harness.h"
#include "main_handler.h"
#include "phone.h"
#include "prefs_dialogs.h"

namespace {

class PrefsDialogs2 : public AppScreenTest {
 protected:
  void TearDown() override {
    EXPECT_EQ(0u, StepsLeft());  // every scripted step reached a dialog
    AppScreenTest::TearDown();
  }
  void SetValue(FourCC tag, int32_t v) {
    Then([tag, v] { EXPECT_EQ(0, GUI_SetValue(Active(), tag, v)) << tag; });
  }
};

// ---------------------------------------------------------------------------
// "CPrf"

TEST_F(PrefsDialogs2, ActionListsShowAndStoreCodesThroughTheirPositions) {
  g_prefs.openAction = 11;        // Dial! at position 3
  g_prefs.holdAction = 9;         // Normal at 13
  g_prefs.dataAction = 5;         // Change at 8
  g_prefs.buttonHoldAction = 13;  // Pad at 11
  std::vector<int32_t> positions;
  std::vector<std::string> labels;
  Then([&] {
    for (FourCC l : {FCC("LOpn"), FCC("LHld"), FCC("LDat"), FCC("LBtH")})
      positions.push_back(Value(l));
    for (FourCC t : {FCC("TOpn"), FCC("THld"), FCC("TDat"), FCC("TBtH")}) labels.push_back(Text(t));
  });
  SetValue(FCC("LOpn"), 5);   // SMS: 10
  SetValue(FCC("LLst"), 12);  // None: 8
  SetValue(FCC("LHld"), 6);   // Beam: 3
  SetValue(FCC("LVw_"), 4);   // Quick: 12
  SetValue(FCC("LDat"), 9);   // Category: 6
  SetValue(FCC("LBtn"), 10);  // Log: 7
  SetValue(FCC("LBtH"), 13);  // Normal: 9
  Tap(FCC("OKAY"));
  EXPECT_EQ(PREFS_DLG_REDRAW, PrefsControlsDialog());
  EXPECT_EQ(positions, (std::vector<int32_t>{3, 13, 8, 11}));
  EXPECT_EQ(labels, (std::vector<std::string>{"Dial!", "Normal", "Change", "Pad"}));
  EXPECT_EQ(10, g_prefs.openAction);
  EXPECT_EQ(8, g_prefs.listAction);
  EXPECT_EQ(3, g_prefs.holdAction);
  EXPECT_EQ(12, g_prefs.viewAction);
  EXPECT_EQ(6, g_prefs.dataAction);
  EXPECT_EQ(7, g_prefs.buttonAction);
  EXPECT_EQ(9, g_prefs.buttonHoldAction);
}

TEST_F(PrefsDialogs2, SeekTimeoutStepsAreTwoHundredMillisecondsFromPositionZero) {
  struct Case {
    int16_t before;
    int32_t shown;
    std::string label;
    int32_t chosen;
    int16_t after;
  };
  const Case cases[] = {{2000, 9, "2.0 s", 0, 200},
                        {200, 0, "0.2 s", 13, 2800},
                        {3000, 13, "2.8 s", 6, 1400},   // beyond the list: its last step
                        {1100, 4, "1.0 s", -1, 1100}};  // no choice keeps the value
  for (const Case& c : cases) {
    g_prefs.seekTimeoutMs = c.before;
    int32_t shown = -2;
    std::string label;
    Then([&] {
      shown = Value(FCC("LSek"));
      label = Text(FCC("TSek"));
    });
    SetValue(FCC("LSek"), c.chosen);
    Tap(FCC("OKAY"));
    (void)PrefsControlsDialog();
    EXPECT_EQ(c.shown, shown) << c.before;
    EXPECT_EQ(c.label, label) << c.before;
    EXPECT_EQ(c.after, g_prefs.seekTimeoutMs) << c.before;
  }
}

TEST_F(PrefsDialogs2, ControlsCancelKeepsEverything) {
  g_prefs.leftHanded = 0;
  SetValue(FCC("LOpn"), 0);
  SetValue(FCC("LSek"), 0);
  Tap(FCC("Left"));
  Tap(FCC("Sngl"));
  Tap(FCC("PadO"));
  Tap(FCC("CANC"));
  EXPECT_EQ(0, PrefsControlsDialog());
  EXPECT_EQ(1, g_prefs.openAction);
  EXPECT_EQ(2000, g_prefs.seekTimeoutMs);
  EXPECT_EQ(0, g_prefs.leftHanded);

  Tap(FCC("Left"));
  Tap(FCC("Sngl"));
  Tap(FCC("PadO"));
  Tap(FCC("OKAY"));
  EXPECT_EQ(PREFS_DLG_REDRAW, PrefsControlsDialog());
  EXPECT_EQ(1, g_prefs.leftHanded);
  EXPECT_EQ(1, g_prefs.singleTapOnly);
  EXPECT_EQ(1, g_prefs.padOption);
  EXPECT_EQ(1, g_prefs.openAction);  // untouched lists keep their codes
  EXPECT_EQ(2, g_prefs.holdAction);
}

// ---------------------------------------------------------------------------
// "Pref"

TEST_F(PrefsDialogs2, OtherPreferencesBindTheirBoxesAndLists) {
  ASSERT_EQ(1, g_prefs.twoWayLinks);
  Tap(FCC("TwoW"));
  Tap(FCC("GFnd"));
  Tap(FCC("ARet"));
  SetValue(FCC("SigL"), 2);
  SetValue(FCC("FanL"), 1);
  Tap(FCC("OKAY"));
  EXPECT_EQ(PREFS_DLG_REDRAW, PrefsOtherDialog());
  EXPECT_EQ(0, g_prefs.twoWayLinks);
  EXPECT_EQ(1, g_prefs.globalFind);
  EXPECT_EQ(1, g_prefs.autoReturn);
  EXPECT_EQ(2, g_prefs.signalDisplay);
  EXPECT_EQ(1, g_prefs.fanMode);

  SetValue(FCC("SigL"), -1);  // nothing chosen: back in range
  Tap(FCC("TwoW"));
  Tap(FCC("OKAY"));
  (void)PrefsOtherDialog();
  EXPECT_EQ(0, g_prefs.signalDisplay);
  EXPECT_EQ(1, g_prefs.twoWayLinks);
}

TEST_F(PrefsDialogs2, OtherPreferencesCancelKeepsEverything) {
  const Prefs before = g_prefs;
  Tap(FCC("TwoW"));
  Tap(FCC("GFnd"));
  Tap(FCC("ARet"));
  SetValue(FCC("SigL"), 2);
  SetValue(FCC("FanL"), 1);
  Tap(FCC("CANC"));
  EXPECT_EQ(0, PrefsOtherDialog());
  EXPECT_EQ(0, memcmp(&before, &g_prefs, sizeof before));
}

// ---------------------------------------------------------------------------
// "View", "Abou"

TEST_F(PrefsDialogs2, LayoutButtonBecomesTheStartForm) {
  ASSERT_EQ(FCC("Main"), g_prefs.startForm);
  Tap(FCC("Indx"));
  EXPECT_EQ(PREFS_DLG_RELAYOUT, PrefsLayoutDialog());
  EXPECT_EQ(FCC("Indx"), g_prefs.startForm);
  Tap(FCC("CANC"));
  EXPECT_EQ(0, PrefsLayoutDialog());
  EXPECT_EQ(FCC("Indx"), g_prefs.startForm);
  Tap(FCC("Indx"));  // the layout already shown
  EXPECT_EQ(0, PrefsLayoutDialog());
  Tap(FCC("Dial"));
  EXPECT_EQ(PREFS_DLG_RELAYOUT, PrefsLayoutDialog());
  EXPECT_EQ(FCC("Dial"), g_prefs.startForm);
  Key(HOST_KEY_ESCAPE);
  EXPECT_EQ(0, PrefsLayoutDialog());
  EXPECT_EQ(FCC("Dial"), g_prefs.startForm);
}

TEST_F(PrefsDialogs2, AboutShowsNameVersionAndBuildDate) {
  std::string name, version, built, copyright;
  Then([&] {
    name = Text(FCC("Name"));
    version = Text(FCC("Vers"));
    built = Text(FCC("Date"));
    copyright = Text(FCC("Copy"));
  });
  Key(HOST_KEY_RETURN);
  EXPECT_EQ(0, PrefsAboutDialog());
  EXPECT_EQ("Brantel", name);
  EXPECT_EQ("1.0", version);  // "tver" 1 of the resource sources
  EXPECT_TRUE(std::regex_match(built, std::regex(R"(\d\d/\d\d/\d\d-\d\d:\d\d)"))) << built;
  EXPECT_NE(std::string::npos, copyright.find("Copyright"));
}

// ---------------------------------------------------------------------------
// Screenshots: every dialog over the main list, closed with Cancel.

TEST_F(PrefsDialogs2, ScreenshotOfEveryDialog) {
  GuiForm* main = nullptr;
  ASSERT_EQ(0, GUI_FormOpen(&main, FCC("Main"), 0, RES_TYPE_FORM, nullptr));
  GUI_FormDraw(main);
  struct Shot {
    FourCC tag;
    uint16_t (*run)();
    FourCC close;
  };
  const Shot shots[] = {
      {FCC("pPrf"), PrefsGeneralDialog, FCC("OKAY")},
      {FCC("VPrf"), PrefsViewDialog, FCC("CANC")},
      {FCC("SPrf"), PrefsSortDialog, FCC("CANC")},
      {FCC("FPrf"), PrefsFormatDialog, FCC("CANC")},
      {FCC("CNam"), PrefsLabelsDialog, FCC("CANC")},
      {FCC("Pref"), PrefsOtherDialog, FCC("CANC")},
      {FCC("CPrf"), PrefsControlsDialog, FCC("CANC")},
      {FCC("QPrf"), PrefsQuickDialog, FCC("CANC")},
      {FCC("View"), PrefsLayoutDialog, FCC("CANC")},
      {FCC("Abou"), PrefsAboutDialog, FCC("OKAY")},
  };
  for (const Shot& s : shots) {
    std::string name = {char(s.tag >> 24), char(s.tag >> 16), char(s.tag >> 8), char(s.tag)};
    FourCC seen = 0;
    Then([&, name] {
      seen = GUI_FormTag(Active());
      SaveScreen("prefs_" + name);
    });
    Tap(s.close);
    (void)s.run();
    EXPECT_EQ(s.tag, seen);
  }
  GUI_FormClose(main);
}

}  // namespace
