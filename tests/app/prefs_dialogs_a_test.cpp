// The display, sorting, format, label, controls, quick-dial, layout and
// about dialogs run on the headless host: the script changes controls as a
// user would and closes with OK or Cancel; the preference fields are then
// checked against values worked out from the dialogs' lists by hand. The
// hub is checked for rebuilding the sort table only after a change of the
// bytes the sort keys depend on.
#include <gtest/gtest.h>

#include <cstring>
#include <regex>

#include "app_fixture.h"
#include "contact_builder.h"
#include "gui_harness.h"
#include "main_handler.h"
#include "pdb_builder.h"
#include "phone.h"
#include "prefs_dialogs.h"
#include "prefs_dialogs_internal.h"
#include "sort.h"

namespace {

std::vector<FourCC>& g_alerts = g_alertLog.names;
std::map<FourCC, int32_t>& g_answers = g_alertLog.answers;

class PrefsDialogs : public AppScreenTest {
 protected:
  // An address book of either layout with three named categories.
  void WriteBook(bool contacts,
                 const std::vector<std::string>& categories = {"Unfiled", "Business", "Personal"}) {
    PdbBuilder b = ContactPdb(contacts);
    b.AppInfo(CategoryInfo(categories));
    const char* names[][2] = {{"Adams", "Zed"}, {"Baker", "Al"}, {"Cole", "Mo"}};
    for (uint32_t i = 0; i < 3; ++i) {
      ContactBuilder c(contacts);
      c.Field(0, names[i][0]).Field(1, names[i][1]);
      b.Record(c.Record(), uint8_t(i % 3), 0x4000 + i);
    }
    WriteDataFile(contacts ? "ContactsDB-PAdd.PDB" : "AddressDB.PDB", b.Bytes());
  }

  // Script steps acting on the dialog that is open when they run.
  void SetValue(FourCC tag, int32_t v) {
    Then([tag, v] { EXPECT_EQ(0, GUI_SetValue(Active(), tag, v)) << tag; });
  }
  void SetText(FourCC tag, std::string text) {
    Then([tag, text] { EXPECT_EQ(0, GUI_SetText(Active(), tag, text.c_str())) << tag; });
  }
  void ExpectForm(FourCC tag) {
    Then([tag] { EXPECT_EQ(GUI_FormTag(Active()), tag); });
  }
  void Peek(std::function<void()> f) { Then(std::move(f)); }

  bool TableExists() const { return HostFileExists(DataDir() + "/" + SORT_TABLE_FILE); }
};

// ---------------------------------------------------------------------------
// "VPrf"

TEST_F(PrefsDialogs, ViewCheckBoxesAndListsChangeOnlyOnOk) {
  g_prefs.showCompanyInList = 0;
  g_prefs.showCounts = 1;
  g_prefs.listColumn = 1;
  g_prefs.dataKindStart = 0;
  std::string columnShown;
  Peek([&] { columnShown = Text(FCC("TVie")); });
  Tap(FCC("SCmp"));
  Tap(FCC("Nums"));
  Tap(FCC("SLnk"));
  SetValue(FCC("LVie"), 12);  // "Custom 3"
  SetValue(FCC("LSho"), 4);   // as last shown
  Tap(FCC("CANC"));
  EXPECT_EQ(0, PrefsViewDialog());
  EXPECT_EQ("Phone", columnShown);
  EXPECT_EQ(0, g_prefs.showCompanyInList);
  EXPECT_EQ(1, g_prefs.showCounts);
  EXPECT_EQ(1, g_prefs.listColumn);

  Tap(FCC("SCmp"));
  Tap(FCC("Nums"));
  Tap(FCC("SLnk"));
  SetValue(FCC("LVie"), 12);
  SetValue(FCC("LSho"), 4);
  Tap(FCC("OKAY"));
  EXPECT_EQ(PREFS_DLG_REDRAW, PrefsViewDialog());
  EXPECT_EQ(1, g_prefs.showCompanyInList);
  EXPECT_EQ(0, g_prefs.showCounts);
  EXPECT_EQ(1, g_prefs.showLinks);
  EXPECT_EQ(12, g_prefs.listColumn);
  EXPECT_EQ(4, g_prefs.dataKindStart);
}

TEST_F(PrefsDialogs, ViewStartCategoryListsTheBooksCategoriesAndKeep) {
  WriteBook(true, {"Unfiled", "Business", "", "Travel"});
  g_prefs.startCategory = 3;  // Travel
  g_prefs.currentCategory = 1;
  std::vector<std::string> items;
  std::string shown;
  Peek([&] {
    shown = Text(FCC("TCat"));
    for (int16_t i = 0; i < GUI_ListCount(Active(), FCC("LCat")); ++i) {
      char item[40];
      ASSERT_EQ(0, GUI_ListGetItem(Active(), FCC("LCat"), i, item, sizeof item));
      items.push_back(item);
    }
  });
  SetValue(FCC("LCat"), 2);  // Business
  Tap(FCC("OKAY"));
  (void)PrefsViewDialog();
  EXPECT_EQ(items,
            (std::vector<std::string>{"All", "Unfiled", "Business", "Travel", "Last one used"}));
  EXPECT_EQ("Travel", shown);
  EXPECT_EQ(1, g_prefs.startCategory);
  EXPECT_EQ(1, g_prefs.currentCategory);  // the current category stays

  SetValue(FCC("LCat"), 4);
  Tap(FCC("OKAY"));
  (void)PrefsViewDialog();
  EXPECT_EQ(PREFS_START_KEEP, g_prefs.startCategory);
  SetValue(FCC("LCat"), 0);
  Tap(FCC("OKAY"));
  (void)PrefsViewDialog();
  EXPECT_EQ(PREFS_START_ALL, g_prefs.startCategory);
}

TEST_F(PrefsDialogs, ResetTipsAsksAndClearsOnlyOnItsFirstButton) {
  g_prefs.tipsShown = 0x0246;
  g_answers[FCC("Res?")] = 1;
  Tap(FCC("RSet"));
  ExpectForm(FCC("VPrf"));  // the button keeps the dialog open
  Tap(FCC("CANC"));
  (void)PrefsViewDialog();
  EXPECT_EQ(1u, Alerts(FCC("Res?")));
  EXPECT_EQ(0x0246u, g_prefs.tipsShown);

  g_answers[FCC("Res?")] = 0;
  Tap(FCC("RSet"));
  Tap(FCC("CANC"));  // the reset happened already, the dialog's cancel keeps it
  (void)PrefsOtherDialog();
  EXPECT_EQ(2u, Alerts(FCC("Res?")));
  EXPECT_EQ(0u, g_prefs.tipsShown);
}

// ---------------------------------------------------------------------------
// "SPrf"

TEST_F(PrefsDialogs, SortShowsItsHintFirstAndBindsEveryBox) {
  g_prefs.tipsShown = 0;
  g_prefs.sortByFirst = 1;
  g_prefs.companyWhenNoName = 0;
  g_prefs.trackFileDate = 0;
  g_prefs.numberMode = 0;
  ExpectForm(FCC("SPrf"));
  Peek([] { EXPECT_EQ(1, Value(FCC("SrtF"))); });
  Tap(FCC("SrtF"));
  Tap(FCC("Name"));
  Tap(FCC("Sync"));
  Tap(FCC("SrtN"));
  Tap(FCC("OKAY"));
  EXPECT_EQ(PREFS_DLG_REDRAW, PrefsSortDialog());
  EXPECT_EQ((std::vector<FourCC>{FCC("tDbp")}), g_alerts);
  EXPECT_TRUE(g_prefs.tipsShown & 0x200);
  EXPECT_EQ(0, g_prefs.sortByFirst);
  EXPECT_EQ(1, g_prefs.companyWhenNoName);
  EXPECT_EQ(1, g_prefs.trackFileDate);
  EXPECT_EQ(1, g_prefs.numberMode);

  Tap(FCC("Mult"));
  Tap(FCC("CANC"));
  EXPECT_EQ(0, PrefsSortDialog());
  EXPECT_EQ(1u, Alerts(FCC("tDbp")));  // shown once only
  EXPECT_EQ(0, g_prefs.multiByteChars);
}

// ---------------------------------------------------------------------------
// "pPrf"

TEST_F(PrefsDialogs, HubRebuildsTheSortTableOnlyAfterADisplayByteChanged) {
  WriteBook(true);
  ASSERT_FALSE(TableExists());
  // A dialog of the hub that changes no display byte: no rebuild.
  g_prefs.showCounts = 1;
  Tap(FCC("VPrf"));
  ExpectForm(FCC("VPrf"));
  Tap(FCC("Nums"));
  Tap(FCC("OKAY"));
  ExpectForm(FCC("pPrf"));
  Tap(FCC("OKAY"));
  EXPECT_EQ(PREFS_DLG_REDRAW, PrefsGeneralDialog());
  EXPECT_EQ(0, g_prefs.showCounts);
  EXPECT_FALSE(TableExists());

  // Sorting by first name switched off through "SPrf": rebuilt.
  Tap(FCC("SPrf"));
  ExpectForm(FCC("SPrf"));
  Tap(FCC("SrtF"));
  Tap(FCC("OKAY"));
  Tap(FCC("OKAY"));
  EXPECT_EQ(PREFS_DLG_REBUILD | PREFS_DLG_REDRAW, PrefsGeneralDialog());
  EXPECT_EQ(0, g_prefs.sortByFirst);
  EXPECT_TRUE(TableExists());
}

TEST_F(PrefsDialogs, HubRebuildsAfterTheListCompanyByteChanged) {
  WriteBook(true);
  const uint8_t before = g_prefs.showCompanyInList;
  Tap(FCC("VPrf"));
  ExpectForm(FCC("VPrf"));
  Tap(FCC("SCmp"));
  Tap(FCC("OKAY"));
  Tap(FCC("OKAY"));
  EXPECT_EQ(PREFS_DLG_REBUILD | PREFS_DLG_REDRAW, PrefsGeneralDialog());
  EXPECT_NE(before, g_prefs.showCompanyInList);
  EXPECT_TRUE(TableExists());
}

TEST_F(PrefsDialogs, HubCancelledSubDialogOrToggledBackMeansNoRebuild) {
  WriteBook(true);
  Tap(FCC("SPrf"));
  Tap(FCC("SrtL"));
  Tap(FCC("CANC"));
  Tap(FCC("Pref"));
  ExpectForm(FCC("Pref"));
  Tap(FCC("CANC"));
  Tap(FCC("OKAY"));
  EXPECT_EQ(0, PrefsGeneralDialog());
  // Changed and changed back in two visits: the keys are as they were.
  Tap(FCC("SPrf"));
  Tap(FCC("Comp"));
  Tap(FCC("OKAY"));
  Tap(FCC("SPrf"));
  Tap(FCC("Comp"));
  Tap(FCC("OKAY"));
  Tap(FCC("OKAY"));
  EXPECT_EQ(0, PrefsGeneralDialog() & PREFS_DLG_REBUILD);
  EXPECT_FALSE(TableExists());
  EXPECT_EQ(1, g_prefs.sortByLast);
}

TEST_F(PrefsDialogs, HubButtonsOpenTheirDialogsAndComeBack) {
  std::vector<FourCC> opened;
  for (FourCC button :
       {FCC("VPrf"), FCC("SPrf"), FCC("FPrf"), FCC("CNam"), FCC("Colr"), FCC("Pref")}) {
    Tap(button);
    Then([&] { opened.push_back(GUI_FormTag(Active())); });
    Tap(FCC("CANC"));
    ExpectForm(FCC("pPrf"));
  }
  Tap(FCC("OKAY"));
  EXPECT_EQ(0, PrefsGeneralDialog() & PREFS_DLG_REBUILD);
  EXPECT_EQ(opened, (std::vector<FourCC>{FCC("VPrf"), FCC("SPrf"), FCC("FPrf"), FCC("CNam"),
                                         FCC("Colr"), FCC("Pref")}));
  EXPECT_EQ(0u, StepsLeft());
}

// The check after a write-back: ranges as at start, but the current
// category is the user's, and pop-up settings hold one of their entries.
TEST(PrefsClampRanges, KeepsTheCurrentCategoryAndBoundsPopUpSettings) {
  Prefs p;
  PrefsSetDefaults(&p);
  p.startCategory = 2;
  p.currentCategory = 5;
  p.listColumn = 19;
  p.signalDisplay = 4;
  p.fanMode = 2;
  p.seekTimeoutMs = 9000;
  p.openAction = 14;
  PrefsClampRanges(&p);
  EXPECT_EQ(5, p.currentCategory);
  EXPECT_EQ(1, p.listColumn);  // the default, the phone column
  EXPECT_EQ(0, p.signalDisplay);
  EXPECT_EQ(0, p.fanMode);
  EXPECT_EQ(3000, p.seekTimeoutMs);
  EXPECT_EQ(1, p.openAction);
  p.listColumn = 18;
  p.signalDisplay = 3;
  p.fanMode = 1;
  PrefsClampRanges(&p);
  EXPECT_EQ(18, p.listColumn);
  EXPECT_EQ(3, p.signalDisplay);
  EXPECT_EQ(1, p.fanMode);
  PrefsCheck(&p);  // the start rule, by contrast, takes the start category
  EXPECT_EQ(2, p.currentCategory);
}

// ---------------------------------------------------------------------------
// "FPrf", "CNam", "QPrf"

TEST_F(PrefsDialogs, FormatsAreWrittenAndTheirDigitsCounted) {
  std::string first;
  Peek([&] { first = Text(FCC("Fmt1")); });
  SetText(FCC("Fmt3"), "(00) 0000-000");
  SetText(FCC("Fmt0"), "");
  Tap(FCC("OKAY"));
  EXPECT_EQ(PREFS_DLG_REDRAW, PrefsFormatDialog());
  EXPECT_EQ("000-000-0000", first);  // "$PF1" as the store holds it
  EXPECT_STREQ("(00) 0000-000", g_prefs.phoneTemplates[3]);
  EXPECT_EQ(9, g_prefs.templateDigits[3]);
  EXPECT_STREQ("", g_prefs.phoneTemplates[0]);
  EXPECT_EQ(0, g_prefs.templateDigits[0]);
  EXPECT_EQ(10, g_prefs.templateDigits[1]);

  SetText(FCC("Fmt1"), "0");
  Tap(FCC("CANC"));
  EXPECT_EQ(0, PrefsFormatDialog());
  EXPECT_STREQ("000-000-0000", g_prefs.phoneTemplates[1]);
  EXPECT_EQ(10, g_prefs.templateDigits[1]);
}

TEST_F(PrefsDialogs, LabelsShowNineFieldsForTheNewBookAndFourForTheOld) {
  for (bool contacts : {true, false}) {
    if (!contacts) std::remove((DataDir() + "/ContactsDB-PAdd.PDB").c_str());
    WriteBook(contacts);
    std::vector<bool> shown;
    Peek([&] {
      for (FourCC tag : {FCC("Nam4"), FCC("Nam5"), FCC("Nam9"), FCC("Lab5"), FCC("Lab9")})
        shown.push_back(GUI_IsShown(Active(), tag));
      if (!contacts) SaveScreen("prefs_CNam_four_fields");
    });
    SetText(FCC("Nam2"), "Spouse");
    Tap(FCC("CAdd"));
    Tap(FCC("OKAY"));
    g_prefs.customAddress = 0;
    EXPECT_EQ(PREFS_DLG_REDRAW, PrefsLabelsDialog()) << contacts;
    EXPECT_EQ(shown, contacts ? std::vector<bool>(5, true)
                              : (std::vector<bool>{true, false, false, false, false}));
    EXPECT_STREQ("Spouse", g_prefs.customLabels[1]);
    EXPECT_EQ(1, g_prefs.customAddress);
    memset(g_prefs.customLabels[1], 0, sizeof g_prefs.customLabels[1]);
  }
}

TEST_F(PrefsDialogs, LabelsCancelKeepsTheOldLabels) {
  WriteBook(true);
  const Prefs before = g_prefs;
  SetText(FCC("Nam2"), "Spouse");
  Tap(FCC("CAdd"));
  Tap(FCC("CANC"));
  EXPECT_EQ(0, PrefsLabelsDialog());
  EXPECT_EQ(0, memcmp(&before, &g_prefs, sizeof before));
}

TEST_F(PrefsDialogs, LabelsLongerThanTheSlotAreCut) {
  SetText(FCC("Nam1"), "A very long custom label");
  Tap(FCC("OKAY"));
  (void)PrefsLabelsDialog();
  EXPECT_EQ(15u, strlen(g_prefs.customLabels[0]));
  EXPECT_EQ(0, g_prefs.customLabels[0][15]);
}

TEST_F(PrefsDialogs, QuickDialEntriesAndTheirBits) {
  g_prefs.quickDialEnabled = 0x41;  // entries 0 and 6
  std::vector<int32_t> boxes;
  Peek([&] {
    for (int i = 0; i < 7; ++i) boxes.push_back(Value(FCC("Sel0") + FourCC(i)));
  });
  Tap(FCC("Sel3"));
  Tap(FCC("Sel0"));
  SetText(FCC("Num3"), "555 0100");
  SetText(FCC("Nam3"), "Pizza");
  Tap(FCC("OKAY"));
  EXPECT_EQ(PREFS_DLG_REDRAW, PrefsQuickDialog());
  EXPECT_EQ(boxes, (std::vector<int32_t>{1, 0, 0, 0, 0, 0, 1}));
  EXPECT_EQ(0x48, g_prefs.quickDialEnabled);
  EXPECT_STREQ("Pizza", g_prefs.quickDialNames[3]);
  EXPECT_STREQ("555 0100", g_prefs.quickDialNumbers[3]);

  Tap(FCC("Sel1"));
  SetText(FCC("Nam1"), "x");
  Tap(FCC("CANC"));
  EXPECT_EQ(0, PrefsQuickDialog());
  EXPECT_EQ(0x48, g_prefs.quickDialEnabled);
  EXPECT_STREQ("Office", g_prefs.quickDialNames[1]);  // "$Qd1"
}

}  // namespace
