// Tests of the main screen's settings commands on the headless form loop:
// each settings item of the menu bar opens its dialog, and what the dialogs
// change on the list screen: the layout switch of "View", the font slot of
// the current layout, the list rebuilt when the security level or the sort
// keys change, the category pop-up's editing entry, the typed search's
// timeout, and the one-time hints that show once and set their bit.
#include <string>
#include <vector>

#include "list.h"
#include "main_screen_fixture.h"
#include "prefs_dialogs.h"

namespace {

constexpr int32_t KEY_F10 = HOST_KEY_F1 + 9;

class MainSettings : public MainScreenTest {
 protected:
  // Opens menu `menu` of the bar (0 "Record") with F10 and the arrows and
  // chooses its item `item` (counted from 0, separators not counted).
  void ChooseFromMenu(int menu, int item) {
    Key(KEY_F10);
    for (int i = 0; i < menu; ++i) Key(HOST_KEY_RIGHT);
    for (int i = 0; i <= item; ++i) Key(HOST_KEY_DOWN);
    Key(HOST_KEY_RETURN);
  }
  // Records the active form's tag.
  void NoteForm(std::vector<FourCC>* out) {
    Then([out] { out->push_back(GUI_FormTag(Active())); });
  }
  void SetValue(FourCC tag, int32_t value) {
    Then([tag, value] { EXPECT_EQ(0, GUI_SetValue(Active(), tag, value)); });
  }
  void SetText(FourCC tag, const std::string& text) {
    Then([tag, text] { EXPECT_EQ(0, GUI_SetText(Active(), tag, text.c_str())); });
  }
  static std::vector<std::string> CategoryItems() {
    std::vector<std::string> items;
    for (int16_t i = 0; i < GUI_ListCount(Active(), FCC("LCat")); ++i) {
      char item[40];
      EXPECT_EQ(0, GUI_ListGetItem(Active(), FCC("LCat"), i, item, sizeof item));
      items.push_back(item);
    }
    return items;
  }
};

// The settings items of the "View", "Options" and "Help" menus (menus 2, 3
// and 4 of the bar) reach their dialogs; Escape closes each one and the
// list is back.
TEST_F(MainSettings, EveryMenuSettingsItemOpensItsDialog) {
  WriteContacts(kPeople);
  struct Item {
    int menu, item;
  };
  const Item items[] = {
      {3, 0},  // Options: Preferences...
      {3, 1},  // Options: Controls...
      {2, 1},  // View: Font...
      {2, 0},  // View: List Layout...
      {3, 2},  // Options: Security...
      {2, 7},  // View: Edit Categories...
      {3, 3},  // Options: Hardware Buttons... (its hint, then the editor)
      {3, 5},  // Options: Quick Dial Setup...
      {4, 0},  // Help: About Brantel...
  };
  std::vector<FourCC> opened, back;
  for (const Item& it : items) {
    ChooseFromMenu(it.menu, it.item);
    NoteForm(&opened);
    Key(HOST_KEY_ESCAPE);
    NoteForm(&back);
  }
  EXPECT_EQ(Run(), GUI_RESULT_STOP);
  EXPECT_EQ(opened,
            (std::vector<FourCC>{FCC("pPrf"), FCC("CPrf"), FCC("Font"), FCC("View"), FCC("Secu"),
                                 FCC("Cate"), FCC("kKey"), FCC("QPrf"), FCC("Abou")}));
  EXPECT_EQ(back, std::vector<FourCC>(9, kMainLayout));
  EXPECT_EQ(Alerts(FCC("tBut")), 1u);
  EXPECT_EQ(g_prefs.startForm, kMainLayout);
}

TEST_F(MainSettings, ViewSwitchesTheLayoutUnlessCancelledOrAlreadyShown) {
  WriteContacts(kPeople);
  std::vector<FourCC> shown;
  std::vector<int32_t> rows;
  Menu(FCC("View"));
  Tap(FCC("Indx"));
  NoteForm(&shown);
  // A switch opens the layout afresh; a dialog without one leaves the
  // selection where it was.
  Then([] { g_main.selectedRow = 2; });
  Menu(FCC("View"));
  Key(HOST_KEY_ESCAPE);  // Cancel
  NoteForm(&shown);
  Then([&] { rows.push_back(g_main.selectedRow); });
  Menu(FCC("View"));
  Tap(FCC("Indx"));  // the layout already shown
  NoteForm(&shown);
  Then([&] { rows.push_back(g_main.selectedRow); });
  Menu(FCC("View"));
  Tap(FCC("Dial"));
  NoteForm(&shown);
  Then([&] { rows.push_back(g_main.selectedRow); });
  EXPECT_EQ(Run(), GUI_RESULT_STOP);
  EXPECT_EQ(shown, (std::vector<FourCC>{FCC("Indx"), FCC("Indx"), FCC("Indx"), FCC("Dial")}));
  EXPECT_EQ(rows, (std::vector<int32_t>{2, 2, 0}));
  EXPECT_EQ(g_prefs.startForm, FCC("Dial"));
  EXPECT_EQ(Alerts(FCC("tPad")), 1u);  // the pad layout's own hint on its open
}

// Each layout opens the font dialog on its own slot; the chosen font is
// stored for that slot and the list is drawn in it at once.
TEST_F(MainSettings, FontDialogTakesTheSlotOfTheLayoutAndTheListUsesTheFont) {
  WriteContacts(kPeople);
  const FourCC layouts[] = {FCC("Main"), FCC("Indx"), FCC("Splt"),
                            FCC("Bare"), FCC("Fing"), FCC("Dial")};
  std::vector<int32_t> slots;
  for (FourCC layout : layouts) {
    Menu(FCC("Font"));
    Then([&] { slots.push_back(Value(FCC("LLoc"))); });
    Key(HOST_KEY_ESCAPE);
    EXPECT_EQ(Run(layout), GUI_RESULT_STOP);
  }
  EXPECT_EQ(slots, (std::vector<int32_t>{0, 1, 2, 3, 4, 5}));

  ASSERT_EQ(g_prefs.fontBySlot[2], PREFS_FONT_STANDARD);
  uint16_t before = 0, after = 0;
  Then([&] { before = g_list.font; });
  Menu(FCC("Font"));
  Tap(FCC("F002"));
  Tap(FCC("OKAY"));
  Then([&] { after = g_list.font; });
  EXPECT_EQ(Run(FCC("Splt")), GUI_RESULT_STOP);
  EXPECT_EQ(g_prefs.fontBySlot[2], PREFS_FONT_LARGE);
  EXPECT_EQ(g_prefs.fontBySlot[0], PREFS_FONT_STANDARD);
  EXPECT_EQ(before, FONT_STANDARD);
  EXPECT_EQ(after, PREFS_FONT_LARGE);  // a built-in font's code is its font number
}

TEST_F(MainSettings, SecurityLevelRebuildsTheListHidingPrivateContactsAtLevelTwo) {
  // Adams is private (attribute 0x10); no password is set.
  WriteContacts({{"Adams", "Bo", 0x10}, {"Baker", "Al", 0}, {"Cole", "Cy", 0}});
  std::vector<std::vector<std::string>> listed;
  std::vector<std::string> titles;
  auto note = [&] {
    Then([&] {
      listed.push_back(Listed());
      titles.push_back(Text(FCC("TCat")));
    });
  };
  note();
  Menu(FCC("Secu"));
  Tap(FCC("Lev2"));
  Tap(FCC("CANC"));
  note();
  Menu(FCC("Secu"));
  Tap(FCC("Lev2"));
  Tap(FCC("OKAY"));
  note();
  Menu(FCC("Secu"));
  Tap(FCC("Lev1"));  // masked: listed, drawn masked
  Tap(FCC("OKAY"));
  note();
  Menu(FCC("Secu"));
  Tap(FCC("Lev0"));
  Tap(FCC("OKAY"));
  note();
  EXPECT_EQ(Run(), GUI_RESULT_STOP);
  const std::vector<std::string> all = {"Adams", "Baker", "Cole"};
  const std::vector<std::string> open = {"Baker", "Cole"};
  EXPECT_EQ(listed, (std::vector<std::vector<std::string>>{all, all, open, all, all}));
  EXPECT_EQ(titles,
            (std::vector<std::string>{"All (3)", "All (3)", "All (2)", "All (3)", "All (3)"}));
  EXPECT_EQ(g_prefs.securityLevel, 0);
}

TEST_F(MainSettings, CategoryPopupEditingEntryOpensTheEditorAndRefillsThePopup) {
  WriteContacts(kPeople);
  std::vector<FourCC> opened;
  std::vector<std::string> before, after;
  std::string title;
  Then([&] { before = CategoryItems(); });
  Tap(FCC("TCat"));
  Type("E");  // the pop-up's highlight goes to "Edit Categories..."
  Key(HOST_KEY_RETURN);
  NoteForm(&opened);
  SetValue(FCC("CLst"), 1);  // Business
  SetText(FCC("CNam"), "Work");
  Tap(FCC("CRen"));
  Tap(FCC("OKAY"));
  NoteForm(&opened);
  Then([&] {
    after = CategoryItems();
    title = Text(FCC("TCat"));
  });
  EXPECT_EQ(Run(), GUI_RESULT_STOP);
  EXPECT_EQ(opened, (std::vector<FourCC>{FCC("Cate"), kMainLayout}));
  EXPECT_EQ(before, (std::vector<std::string>{"All", "Unfiled", "Business", "Personal",
                                              "Edit Categories..."}));
  EXPECT_EQ(after,
            (std::vector<std::string>{"All", "Unfiled", "Work", "Personal", "Edit Categories..."}));
  EXPECT_EQ(g_prefs.currentCategory, -1);  // the editing entry is no category
  EXPECT_EQ(title, "All (4)");
}

// "pPrf" rebuilds the sort table when a byte deciding the sort keys
// changed: with "use company for contacts with no names" a company-only
// contact sorts by its company among the last names.
TEST_F(MainSettings, GeneralPreferencesChangingTheSortKeysRebuildTheList) {
  WriteContacts({{"Acker", "Al", 0}, {"Adams", "Bo", 0}, {"", "", 0, "Acme"}});
  std::vector<std::string> before, after;
  Then([&] { before = Listed(); });
  Menu(FCC("pPrf"));
  Tap(FCC("SPrf"));
  Tap(FCC("Name"));
  Tap(FCC("OKAY"));  // the sort settings
  Tap(FCC("OKAY"));  // the hub
  Then([&] { after = Listed(); });
  EXPECT_EQ(Run(), GUI_RESULT_STOP);
  EXPECT_EQ(before, (std::vector<std::string>{"Acker", "Adams", ""})) << "no name: last";
  EXPECT_EQ(after, (std::vector<std::string>{"Acker", "", "Adams"})) << "Acme between them";
  EXPECT_EQ(g_prefs.companyWhenNoName, 1);
  EXPECT_EQ(Alerts(FCC("tDbp")), 1u);
}

TEST_F(MainSettings, ControlsDialogSetsTheTypedSearchTimeout) {
  WriteContacts(kPeople);
  uint32_t typedAt = 0;
  Menu(FCC("CPrf"));
  SetValue(FCC("LSek"), 4);  // positions step by 0.2 s from 0.2 s: 1.0 s
  Tap(FCC("OKAY"));
  Then([&] { typedAt = HOST_Ticks(); });
  Type("c");
  Then([&] {
    EXPECT_TRUE(g_main.seekActive);
    EXPECT_GE(g_main.seekDeadline, typedAt + 1000);
    EXPECT_LE(g_main.seekDeadline, HOST_Ticks() + 1000);
  });
  Wait(1200);  // past the new timeout, well before the old 2 s
  Then([] { EXPECT_FALSE(g_main.seekActive); });
  EXPECT_EQ(Run(), GUI_RESULT_STOP);
  EXPECT_EQ(StepsLeft(), 0u);
  EXPECT_EQ(g_prefs.seekTimeoutMs, 1000);
}

// The hints of the full view's copy, the links screen and the editor's
// hidden fields: each shows once, sets its own bit of `tipsShown` and no
// other, and a set bit keeps it from showing; the tips reset of the view
// preferences lets them show again.
TEST_F(MainSettings, HintsShowOnceAndSetTheirBit) {
  EXPECT_EQ(MainHintBit(FCC("tCpy")), 0x01u);
  EXPECT_EQ(MainHintBit(FCC("tGrp")), 0x20u);
  EXPECT_EQ(MainHintBit(FCC("tPls")), 0x80u);
  g_prefs.tipsShown = 0;
  EXPECT_EQ(MainShowHint(FCC("tCpy")), 0);
  EXPECT_EQ(g_prefs.tipsShown, 0x01u);
  EXPECT_EQ(MainShowHint(FCC("tGrp")), 0);
  EXPECT_EQ(g_prefs.tipsShown, 0x21u);
  EXPECT_EQ(MainShowHint(FCC("tPls")), 0);
  EXPECT_EQ(g_prefs.tipsShown, 0xA1u);
  for (FourCC hint : {FCC("tCpy"), FCC("tGrp"), FCC("tPls")}) {
    EXPECT_EQ(MainShowHint(hint), -1) << hint;
    EXPECT_EQ(Alerts(hint), 1u) << hint;
  }
  g_prefs.tipsShown = 0x20;  // tGrp seen in an earlier run
  EXPECT_EQ(MainShowHint(FCC("tGrp")), -1);
  EXPECT_EQ(Alerts(FCC("tGrp")), 1u);

  // "Reset tips" of the view preferences, under the general preferences.
  WriteContacts(kPeople);
  g_prefs.tipsShown = 0xFFFFFFFF;
  Menu(FCC("pPrf"));
  Tap(FCC("VPrf"));
  Tap(FCC("RSet"));  // asks "Res?"; the log answers its first button
  Tap(FCC("OKAY"));
  Tap(FCC("OKAY"));
  EXPECT_EQ(Run(), GUI_RESULT_STOP);
  EXPECT_EQ(StepsLeft(), 0u);
  EXPECT_EQ(Alerts(FCC("Res?")), 1u);
  EXPECT_EQ(MainShowHint(FCC("tPls")), 0);
  EXPECT_EQ(Alerts(FCC("tPls")), 2u);
}

// The three hints are alerts of the store: without the test's answers they
// open as dialogs of their own name.
TEST_F(MainSettings, HintsAreAlertsOfTheStore) {
  MainSetAlertHook(nullptr);
  g_prefs.tipsShown = 0;
  std::vector<FourCC> shown;
  for (FourCC hint : {FCC("tCpy"), FCC("tGrp"), FCC("tPls")}) {
    NoteForm(&shown);
    Key(HOST_KEY_RETURN);
    EXPECT_EQ(MainShowHint(hint), 0) << hint;
  }
  EXPECT_EQ(shown, (std::vector<FourCC>{FCC("tCpy"), FCC("tGrp"), FCC("tPls")}));
  EXPECT_EQ(g_prefs.tipsShown, 0xA1u);
}

}  // namespace
