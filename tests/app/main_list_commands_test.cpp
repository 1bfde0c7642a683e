// Tests of the main screen's list commands through its handler: the sort
// order question, the sort-table rebuild, a repair in another order, the
// shown-phone dialog, the row, page, letter and data strip keys, the data
// and open actions, the password check before a private contact, the phone
// label letter, and screenshots of the business card forms.
#include <string>
#include <utility>
#include <vector>

#include "contact_builder.h"
#include "host_file.h"
#include "kova_picker.h"
#include "list.h"
#include "main_screen_fixture.h"
#include "pdb_builder.h"

namespace {

// A contact with phones: (number, label) per slot, from slot 0.
struct PhoneContact {
  std::string last;
  std::vector<std::pair<std::string, int>> phones;
  int shown = 0;
};

// A ContactsDB-PAdd book of `people`, in the order given, all unfiled.
PdbBytes PhoneBook(const std::vector<PhoneContact>& people) {
  PdbBuilder b = ContactPdb(true);
  b.AppInfo(CategoryInfo({"Unfiled"}));
  for (size_t i = 0; i < people.size(); ++i) {
    ContactBuilder c(true);
    c.Field(0, people[i].last).Field(1, "X").ShownPhone(people[i].shown);
    for (size_t p = 0; p < people[i].phones.size(); ++p)
      c.Field(int(4 + p), people[i].phones[p].first).PhoneLabel(int(p), people[i].phones[p].second);
    b.Record(c.Record(), 0, uint32_t(0x4000 + i));
  }
  return b.Bytes();
}

// The sort order alert: its first three buttons choose last name, first
// name and company, keeping the selected contact; its cancel changes nothing.
TEST_F(MainScreenTest, SortOrderAlertChoosesTheOrderAndKeepsTheContact) {
  WriteContacts({{"Adams", "Bo", 0, "Zed"}, {"Baker", "Al", 0, "Yak"}, {"Cole", "Cy", 0, "Xin"}});
  std::vector<std::vector<std::string>> lists;
  std::vector<int32_t> records, lit;
  Then([] { g_main.selectedRow = 2; });  // Cole
  for (int answer : {1, 2, 3, 0}) {      // 3 is "Cancel"
    Then([answer] { g_log.answers[FCC("SOrd")] = answer; });
    Menu(FCC("SOrd"));
    Then([&] {
      lists.push_back(Listed());
      records.push_back(MainCurrentRecord());
      lit.push_back(Value(FCC("SrtL")) + 2 * Value(FCC("SrtF")) + 4 * Value(FCC("SrtC")));
    });
  }
  EXPECT_EQ(Run(), GUI_RESULT_STOP);
  EXPECT_EQ(Alerts(FCC("SOrd")), 4u);
  using Names = std::vector<std::string>;
  EXPECT_EQ(lists, (std::vector<Names>{{"Baker", "Adams", "Cole"},  // Al, Bo, Cy
                                       {"Cole", "Baker", "Adams"},  // Xin, Yak, Zed
                                       {"Cole", "Baker", "Adams"},
                                       {"Adams", "Baker", "Cole"}}));
  EXPECT_EQ(records, (std::vector<int32_t>{2, 2, 2, 2})) << "Cole stays selected";
  EXPECT_EQ(lit, (std::vector<int32_t>{2, 4, 4, 1})) << "one sort button lit, the order's";
  EXPECT_EQ(g_prefs.sortModeByCategory[0], 0);
}

// The alert's buttons act as the sort buttons: an order switched off (its
// button disabled) is refused, as the table holds no list for it; a layout
// without sort buttons takes every order, from the alert and the menu.
TEST_F(MainScreenTest, SortOrderAlertRefusesADisabledOrder) {
  WriteContacts({{"Adams", "Bo", 0}, {"Baker", "Al", 0}});
  g_prefs.sortByFirst = 0;
  g_log.answers[FCC("SOrd")] = 1;
  Menu(FCC("SOrd"));
  EXPECT_EQ(Run(), GUI_RESULT_STOP);
  EXPECT_EQ(g_prefs.sortModeByCategory[0], 0);
  EXPECT_EQ(Listed(), (std::vector<std::string>{"Adams", "Baker"}));
  g_prefs.sortByFirst = 1;
  std::vector<uint16_t> modes;
  Menu(FCC("SOrd"));
  Then([&] { modes.push_back(g_prefs.sortModeByCategory[0]); });
  Menu(FCC("SrtC"));  // "Sort by Company" from the menu
  Then([&] { modes.push_back(g_prefs.sortModeByCategory[0]); });
  EXPECT_EQ(Run(FCC("Bare")), GUI_RESULT_STOP);
  EXPECT_EQ(modes, (std::vector<uint16_t>{1, 2}));
  // Without buttons to disable, an order switched off is still refused.
  g_prefs.sortByFirst = 0;
  Menu(FCC("SrtF"));
  EXPECT_EQ(Run(FCC("Bare")), GUI_RESULT_STOP);
  EXPECT_EQ(g_prefs.sortModeByCategory[0], 2);
}

// "Sort" rebuilds the table from the file as it is now (a contact renamed
// behind the table's back takes its new place) and shows the scan hint,
// once.
TEST_F(MainScreenTest, SortRebuildsTheTableAndShowsTheScanHintOnce) {
  WriteContacts(kPeople);
  std::vector<std::string> stale;
  Then([&] {
    WriteContacts({{"Zane", "Bo", 1}, {"Baker", "Al", 2}, {"Cole", "Cy", 1}, {"Dunn", "Di", 0}});
    stale = Listed();
    g_prefs.tipsShown &= ~0x40u;  // as if the open had not shown it
  });
  Menu(FCC("Sort"));
  Menu(FCC("Sort"));
  EXPECT_EQ(Run(), GUI_RESULT_STOP);
  EXPECT_EQ(stale, (std::vector<std::string>{"Zane", "Baker", "Cole", "Dunn"}));
  EXPECT_EQ(Listed(), (std::vector<std::string>{"Baker", "Cole", "Dunn", "Zane"}));
  EXPECT_EQ(Alerts(FCC("tScn")), 2u) << "the open's and the first rebuild's";
  EXPECT_TRUE(g_prefs.tipsShown & 0x40);
}

// A repair in an order other than the detected one asks first: "Repair"
// sorts the file in the chosen order (and rebuilds the table), "Cancel"
// leaves the file as it was.
TEST_F(MainScreenTest, RepairInAnotherOrderAsksAndSortsByIt) {
  // In last-name order; by company every pair is out of order.
  WriteContacts({{"Adams", "Zo", 0, "Zed"},
                 {"Baker", "Yo", 0, "Yak"},
                 {"Cole", "Xo", 0, "Xin"},
                 {"Dunn", "Wo", 0, "Wok"}});
  std::vector<uint8_t> before = ReadDataFile(CONTACTS_FILE);
  g_log.answers[FCC("DFix")] = 1;  // "Cancel"
  Menu(FCC("DFix"));
  Tap(FCC("SrtC"));
  Tap(FCC("OKAY"));
  EXPECT_EQ(Run(), GUI_RESULT_STOP);
  EXPECT_EQ(Alerts(FCC("DFix")), 1u);
  EXPECT_EQ(Alerts(FCC("DFx2")), 0u);
  EXPECT_EQ(ReadDataFile(CONTACTS_FILE), before);

  g_log.answers[FCC("DFix")] = 0;  // "Repair"
  Menu(FCC("DFix"));
  Tap(FCC("SrtC"));
  Tap(FCC("OKAY"));
  EXPECT_EQ(Run(), GUI_RESULT_STOP);
  EXPECT_EQ(Alerts(FCC("DFix")), 2u);
  EXPECT_EQ(Alerts(FCC("DFx2")), 1u);
  EXPECT_EQ((std::vector<std::string>{LastNameOf(0), LastNameOf(1), LastNameOf(2), LastNameOf(3)}),
            (std::vector<std::string>{"Dunn", "Cole", "Baker", "Adams"}));  // Wok … Zed
  // The rebuilt table maps the rows to the moved records.
  EXPECT_EQ(Listed(), (std::vector<std::string>{"Adams", "Baker", "Cole", "Dunn"}));
}

// "Show Phone": OK makes the chosen label the shown phone of every contact
// that has a number with it (the last non-empty one); Cancel writes nothing.
TEST_F(MainScreenTest, ShownPhoneDialogAppliesTheLabelOnlyOnOk) {
  constexpr int WORK = 0, HOME = 1, MOBILE = 7;
  WriteDataFile(CONTACTS_FILE,
                PhoneBook({{"Adams", {{"100", WORK}, {"101", MOBILE}}},
                           {"Baker", {{"200", WORK}}},  // no mobile number
                           {"Cole", {{"300", MOBILE}, {"301", HOME}, {"302", MOBILE}}, 1},
                           {"Dunn", {{"400", MOBILE}, {"401", MOBILE}, {"", MOBILE}}, 0}}));
  std::vector<uint8_t> before = ReadDataFile(CONTACTS_FILE);
  int16_t labels = 0;
  char mobile[40] = "";
  auto chooseMobile = [&] {
    ASSERT_EQ(GUI_FormTag(Active()), FCC("SShw"));
    labels = GUI_ListCount(Active(), FCC("LTyp"));
    ASSERT_EQ(0, GUI_ListGetItem(Active(), FCC("LTyp"), MOBILE, mobile, sizeof mobile));
    ASSERT_EQ(0, GUI_SetValue(Active(), FCC("LTyp"), MOBILE));
  };
  Menu(FCC("SShw"));
  Then(chooseMobile);
  Tap(FCC("CANC"));
  EXPECT_EQ(Run(), GUI_RESULT_STOP);
  EXPECT_EQ(ReadDataFile(CONTACTS_FILE), before);
  EXPECT_EQ(labels, 8);
  EXPECT_STREQ(mobile, "Mobile/Cell Phone");
  Menu(FCC("SShw"));
  Then(chooseMobile);
  Tap(FCC("OKAY"));
  EXPECT_EQ(Run(), GUI_RESULT_STOP);
  std::vector<int> shown;  // the high nibble of the record's first byte
  for (const PdbBytes& record : Contacts().records) shown.push_back(record[0] >> 4);
  // Dunn already shows a mobile number: kept, though a later one exists.
  EXPECT_EQ(shown, (std::vector<int>{1, 0, 2, 0}));
}

// Row keys move the selection one row, page keys a page; at the top a
// step up stays on the first row.
TEST_F(MainScreenTest, RowAndPageKeysMoveTheSelection) {
  std::vector<ScreenContact> people;
  for (int i = 0; i < 100; ++i) people.push_back({"N" + std::to_string(1000 + i), "x", 0});
  WriteContacts(people);
  std::vector<int32_t> rows, tops;
  for (FourCC c : {FCC("MVDN"), FCC("MVDN"), FCC("FinD"), FCC("ScUp"), FCC("SCUP"), FCC("MVUP"),
                   FCC("FinU"), FCC("ADWN"), FCC("AUP ")}) {
    Command(c);
    Then([&] {
      rows.push_back(g_main.selectedRow);
      tops.push_back(g_list.top);
    });
  }
  EXPECT_EQ(Run(), GUI_RESULT_STOP);
  int32_t visible = g_list.visibleRows;
  ASSERT_GT(visible, 5);
  EXPECT_EQ(rows, (std::vector<int32_t>{1, 2, 3, 2, 1, 0, 0, visible, visible - 1}));
  EXPECT_EQ(tops, (std::vector<int32_t>{0, 0, 0, 0, 0, 0, 0, visible, 0}));
}

// The letter jumps from a menu keep a typed search running, where any other
// menu command ends it, and give it 1,000 ticks more than the seek timeout.
TEST_F(MainScreenTest, LetterJumpsKeepTheTypedSearchALittleLonger) {
  WriteContacts(kPeople);
  std::vector<std::string> selected;
  auto note = [&] { selected.push_back(LastNameOf(uint16_t(MainCurrentRecord()))); };
  uint32_t jumpedAt = 0;
  Type("b");
  Then(note);
  Then([&] { jumpedAt = HOST_Ticks(); });
  Menu(FCC("FinE"));
  Then(note);
  Then([&] {
    EXPECT_TRUE(g_main.seekActive);
    EXPECT_GE(g_main.seekDeadline, jumpedAt + 3000);
    EXPECT_LE(g_main.seekDeadline, HOST_Ticks() + 3000);
  });
  Menu(FCC("FinS"));
  Then(note);
  Wait(2500);  // past the seek timeout, not past the extra second
  Then([] { EXPECT_TRUE(g_main.seekActive); });
  Wait(1000);
  Then([] {
    EXPECT_FALSE(g_main.seekActive);
    EXPECT_EQ(g_main.seekDeadline, 0u);
  });
  EXPECT_EQ(Run(), GUI_RESULT_STOP);
  EXPECT_EQ(selected, (std::vector<std::string>{"Baker", "Cole", "Baker"}));
}

// The arrow keys step the data strip through the items of a kind and on to
// the next kind; back from the first item goes to the last of the kind
// before.
TEST_F(MainScreenTest, ArrowKeysStepTheDataStrip) {
  WriteDataFile(CONTACTS_FILE,
                PhoneBook({{"Adams", {{"100", 0}, {"101", 1}, {"a@b.c", 4}, {"102", 7}}}}));
  g_prefs.dataKindStart = DATA_PHONES;
  std::vector<int> seen;  // kind * 10 + item
  auto note = [&] { seen.push_back(g_list.dataKind * 10 + g_list.dataIndex); };
  Then(note);
  for (FourCC c : {FCC("ARGT"), FCC("ARGT"), FCC("ARGT"), FCC("ARGT"), FCC("ALFT"), FCC("ALFT")}) {
    Command(c);
    Then(note);
  }
  EXPECT_EQ(Run(), GUI_RESULT_STOP);
  // Three phones (the e-mail entry is none), one e-mail, the name.
  EXPECT_EQ(seen, (std::vector<int>{0, 1, 2, 10, 20, 10, 2}));
  EXPECT_EQ(g_prefs.dataKindLast, DATA_PHONES);
}

// The strip's kind selector ("#", "@", "A") shows the kind on every layout
// opened, also one opened after the kind was chosen on another.
TEST_F(MainScreenTest, StripKindSelectorIsLitOnEveryLayout) {
  WriteContacts(kPeople);
  g_prefs.dataKindStart = 4;  // start on the kind shown last
  std::vector<int32_t> lit;
  auto note = [&] { lit.push_back(Value(FCC("DNum")) + 2 * Value(FCC("DEml"))); };
  Then(note);
  Tap(FCC("DEml"));
  Then(note);
  EXPECT_EQ(Run(), GUI_RESULT_STOP);
  Then(note);
  EXPECT_EQ(Run(FCC("Indx")), GUI_RESULT_STOP);
  EXPECT_EQ(lit, (std::vector<int32_t>{1, 2, 2}));
}

// A tap on the strip with the "Change" data action steps it by the half
// tapped; another data action runs its command instead. "Open" runs the
// open action.
TEST_F(MainScreenTest, DataStripTapAndOpenRunTheirActions) {
  WriteDataFile(CONTACTS_FILE, PhoneBook({{"Adams", {{"100", 0}, {"101", 1}}}}));
  g_prefs.dataKindStart = DATA_PHONES;
  std::vector<int16_t> indexes, categories;
  auto note = [&] {
    indexes.push_back(g_list.dataIndex);
    categories.push_back(g_prefs.currentCategory);
  };
  Tap(FCC("Data"));  // the middle counts as the right half
  Then(note);
  Then([] { g_prefs.dataAction = ACTION_NEXT_CATEGORY; });
  Tap(FCC("Data"));  // the next category; the strip stays on its item
  Then(note);
  Then([] {  // back to "Change", and a tap near the strip's left edge
    g_prefs.dataAction = ACTION_CARD;
    GfxRect f = GUI_FormBounds(Active()), strip{};
    ASSERT_EQ(0, GUI_GetBounds(Active(), FCC("Data"), &strip));
    for (HostEventKind kind : {HOST_EVT_MOUSE_DOWN, HOST_EVT_MOUSE_UP}) {
      HostEvent e{kind, f.x + strip.x + 4, f.y + strip.y + 4, 1, 0, 0, {}};
      HOST_HeadlessPushEvent(&e, 0);
    }
  });
  Then(note);
  for (uint16_t action : {ACTION_NEXT_CATEGORY, ACTION_NONE}) {
    Then([action] { g_prefs.openAction = action; });
    Command(FCC("Open"));
    Then(note);
  }
  EXPECT_EQ(Run(), GUI_RESULT_STOP);
  EXPECT_EQ(indexes, (std::vector<int16_t>{1, 1, 0, 0, 0}));
  EXPECT_EQ(categories, (std::vector<int16_t>{-1, 0, 0, -1, -1}));
}

// A private contact at security level 1: a cancelled password check asks
// once and beams nothing; choosing the other level ("Hide") makes it the
// security level, and the hidden contact leaves the list.
TEST_F(MainScreenTest, PasswordCheckCancelAsksOnceAndAnotherLevelIsKept) {
  WriteContacts({{"Adams", "Bo", 0x10}, {"Baker", "Al", 0}, {"Cole", "Cy", 0}});
  ASSERT_EQ(0, GUI_PasswordSet(nullptr, "pw"));
  g_prefs.securityLevel = 1;
  FourCC asked = 0, afterCancel = 0;
  std::string other;
  Menu(FCC("Beam"));  // Adams, the first row
  Then([&] {
    asked = GUI_FormTag(Active());
    other = Text(FCC("Othr"));
  });
  Key(HOST_KEY_ESCAPE);
  Then([&] { afterCancel = GUI_FormTag(Active()); });
  Then([] { EXPECT_EQ(g_prefs.securityLevel, 1); });
  Menu(FCC("Beam"));
  Tap(FCC("Othr"));
  EXPECT_EQ(Run(), GUI_RESULT_STOP);
  EXPECT_EQ(asked, FCC("kPwd"));
  EXPECT_EQ(other, "Hide");
  EXPECT_EQ(afterCancel, kMainLayout) << "no second question";
  EXPECT_EQ(g_prefs.securityLevel, 2);
  EXPECT_FALSE(ListPrivateUnlocked());
  EXPECT_EQ(Listed(), (std::vector<std::string>{"Baker", "Cole"}));
  EXPECT_FALSE(HostFileExists(DocumentsDir() + "/Bo Adams.VCF"));
}

// The letter cell of the phone column shows the "$Ftp" letter of the shown
// phone's label; a label at or past the letters' count leaves it blank
// while the number is still drawn.
TEST_F(MainScreenTest, PhoneLetterIsBlankForALabelPastTheLetters) {
  WriteDataFile(CONTACTS_FILE, PhoneBook({{"Aaron", {}},
                                          {"Baker", {{"555-0101", 7}}},
                                          {"Cole", {{"555-0102", 8}}},
                                          {"Dunn", {{"555-0103", 15}}},
                                          {"Ezra", {{"555-0104", 0}}}}));
  g_prefs.listColumn = 1;
  g_prefs.tipsShown = 0xFFFFFFFF;
  std::vector<bool> lettered, numbered;  // rows 1 to 4
  Then([&] {
    GfxRect f = GUI_FormBounds(Active()), list{};
    ASSERT_EQ(0, GUI_GetBounds(Active(), FCC("List"), &list));
    int32_t cell = list.x + list.w - g_list.noteColumn - g_list.letterColumn;
    for (int32_t r = 1; r <= 4; ++r) {
      uint32_t back = g_prefs.listColours[r % 2 ? 0 : 1];
      int ink[2] = {0, 0};  // the number's last 40 pixels, the letter cell
      for (int32_t y = list.y + r * g_list.rowHeight; y < list.y + (r + 1) * g_list.rowHeight; ++y)
        for (int32_t x = cell - 40; x < cell + g_list.letterColumn; ++x)
          ink[x >= cell] += ScreenPixel(f.x + x, f.y + y) != back;
      numbered.push_back(ink[0] > 0);
      lettered.push_back(ink[1] > 0);
    }
  });
  EXPECT_EQ(Run(), GUI_RESULT_STOP);
  EXPECT_EQ(lettered, (std::vector<bool>{true, false, false, true})) << "labels 7, 8, 15, 0";
  EXPECT_EQ(numbered, (std::vector<bool>{true, true, true, true}));
}

// The business card forms over the list, saved for a look by eye; a card
// set from the selected contact shows its name, the others are empty.
TEST_F(MainScreenTest, BusinessCardFormsScreenshots) {
  WriteContacts(kPeople);
  for (FourCC form : {FCC("BCrd"), FCC("SCrd")}) {
    std::string name = {char(form >> 24), char(form >> 16), char(form >> 8), char(form)};
    FourCC shown = 0;
    std::string card0, card1;
    Command(FCC("ScDn"));
    Command(FCC("ScDn"));  // Cole, drawn selected under the form
    Menu(form);
    Tap(FCC("Set0"));
    Then([&] {
      shown = GUI_FormTag(Active());
      card0 = Text(FCC("Nam0"));
      card1 = Text(FCC("Nam1"));
      SaveScreen("cards_" + name);
    });
    Tap(FCC("OKAY"));
    EXPECT_EQ(Run(), GUI_RESULT_STOP) << name;
    EXPECT_EQ(shown, form) << name;
    EXPECT_NE(card0.find("Cole"), std::string::npos) << name << ": " << card0;
    EXPECT_EQ(card1, "(empty)") << name;
  }
}

}  // namespace
