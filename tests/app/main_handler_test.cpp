// Tests of the list screens' handler on the headless form loop: what an
// open sets up (sort buttons, categories, one-time hints), the contact
// commands (delete, duplicate, new, sort mode), the category pop-up, the
// pad and telephone keys, hardware buttons with hold detection, the typed
// search deadline, the close query, and a launch with a record to show.
#include "main_handler.h"

#include <cstring>
#include <filesystem>
#include <map>

#include "contact_builder.h"
#include "gui_harness.h"
#include "host_file.h"
#include "main_screen_fixture.h"
#include "pdb_builder.h"
#include "phone.h"
#include "sort.h"

namespace {

TEST_F(MainScreenTest, OpenSetsButtonsCategoriesAndShowsTheScanHintOnce) {
  WriteContacts(kPeople);
  g_prefs.sortModeByCategory[0] = 1;  // all categories: by first name
  std::vector<std::string> items;
  Then([&] {
    for (int16_t i = 0; i < GUI_ListCount(Active(), FCC("LCat")); ++i) {
      char item[40];
      ASSERT_EQ(0, GUI_ListGetItem(Active(), FCC("LCat"), i, item, sizeof item));
      items.push_back(item);
    }
    EXPECT_EQ(Value(FCC("SrtL")), 0);
    EXPECT_EQ(Value(FCC("SrtF")), 1);
    EXPECT_EQ(Value(FCC("SrtC")), 0);
    EXPECT_EQ(Text(FCC("TCat")), "All (4)");
  });
  EXPECT_EQ(Run(), GUI_RESULT_STOP);
  EXPECT_EQ(items, (std::vector<std::string>{"All", "Unfiled", "Business", "Personal",
                                             "Edit Categories..."}));
  EXPECT_EQ(Alerts(FCC("tScn")), 1u);
  EXPECT_EQ(Alerts(FCC("tPad")), 0u);
  EXPECT_TRUE(g_prefs.tipsShown & 0x40);
  EXPECT_EQ(g_prefs.startForm, FCC("Main"));
  // The bit is set: a second open shows nothing.
  EXPECT_EQ(Run(), GUI_RESULT_STOP);
  EXPECT_EQ(Alerts(FCC("tScn")), 1u);
}

TEST_F(MainScreenTest, DeleteAsksThenMarksTheContactAndDropsItFromTheList) {
  WriteContacts(kPeople);
  Then([] { g_main.selectedRow = 1; });  // Baker
  Command(FCC("Dele"));
  Then([] { g_log.answers[FCC("Dele")] = 0; });
  Menu(FCC("Dele"));
  g_log.answers[FCC("Dele")] = 1;  // the first question is cancelled
  EXPECT_EQ(Run(), GUI_RESULT_STOP);
  EXPECT_EQ(Alerts(FCC("Dele")), 2u);
  PdbImage im = Contacts();
  ASSERT_EQ(im.count, 4u);
  EXPECT_EQ(LastNameOf(3), "Baker");  // behind every live record, marked
  EXPECT_TRUE(im.entries[3].attributes & 0x80);
  EXPECT_EQ(Listed(), (std::vector<std::string>{"Adams", "Cole", "Dunn"}));
}

TEST_F(MainScreenTest, DuplicateCopiesAndSelectsTheCopy) {
  WriteContacts(kPeople);
  int32_t selected = -1;
  Then([] { g_main.selectedRow = 2; });  // Cole
  Menu(FCC("Dupe"));
  Then([&] { selected = MainCurrentRecord(); });
  EXPECT_EQ(Run(), GUI_RESULT_STOP);
  EXPECT_EQ(g_log.names, (std::vector<FourCC>{FCC("tScn"), FCC("Dup?"), FCC("tDup")}));
  EXPECT_EQ(Contacts().count, 5u);
  EXPECT_EQ(selected, 3);
  EXPECT_EQ(LastNameOf(3), "Cole");
  EXPECT_EQ(Listed(), (std::vector<std::string>{"Adams", "Baker", "Cole", "Cole", "Dunn"}));
}

TEST_F(MainScreenTest, NewContactJoinsTheCurrentCategory) {
  WriteContacts(kPeople);
  g_prefs.currentCategory = 2;  // Personal: Baker
  int32_t selected = -1;
  Menu(FCC("NewI"));
  Then([&] { selected = MainCurrentRecord(); });
  EXPECT_EQ(Run(), GUI_RESULT_STOP);
  PdbImage im = Contacts();
  ASSERT_EQ(im.count, 5u);
  ASSERT_GE(selected, 0);
  EXPECT_EQ(im.entries[size_t(selected)].attributes & 0x0F, 2);
  EXPECT_EQ(Listed().size(), 2u);  // Baker and the new contact
}

TEST_F(MainScreenTest, SortButtonKeepsTheSelectedContact) {
  WriteContacts({{"Adams", "Zed", 0}, {"Baker", "Al", 0}, {"Cole", "Mo", 0}});
  int32_t before = -1, after = -1;
  Then([&] {
    g_main.selectedRow = 0;  // Adams, the last one by first name
    before = MainCurrentRecord();
  });
  Tap(FCC("SrtF"));
  Then([&] {
    after = MainCurrentRecord();
    EXPECT_EQ(g_main.selectedRow, 2);
    EXPECT_EQ(Value(FCC("SrtF")), 1);
    EXPECT_EQ(Value(FCC("SrtL")), 0);
  });
  EXPECT_EQ(Run(), GUI_RESULT_STOP);
  EXPECT_EQ(g_prefs.sortModeByCategory[0], 1);
  EXPECT_EQ(before, 0);
  EXPECT_EQ(after, 0);
}

TEST_F(MainScreenTest, CategoryPopupAndNextCategory) {
  WriteContacts(kPeople);
  std::vector<int16_t> seen;
  std::string label;
  Then([&] {
    ASSERT_EQ(0, GUI_SetValue(Active(), FCC("LCat"), 2));  // "Unfiled", "Business" …
    EXPECT_TRUE(MainRunCommand(Active(), FCC("LCat")));
    seen.push_back(g_prefs.currentCategory);
    label = Text(FCC("TCat"));
  });
  for (int i = 0; i < 3; ++i) {
    Command(FCC("NCat"));
    Then([&] { seen.push_back(g_prefs.currentCategory); });
  }
  EXPECT_EQ(Run(), GUI_RESULT_STOP);
  EXPECT_EQ(label, "Business (2)");
  EXPECT_EQ(seen, (std::vector<int16_t>{1, 2, -1, 0}));  // wraps past the last name
}

TEST_F(MainScreenTest, DialPadKeysTitleAndFilter) {
  WriteContacts({{"Pohl", "A", 0}, {"Sims", "B", 0}, {"Smith", "C", 0}, {"Smyth", "D", 0}});
  std::string title;
  std::vector<std::string> listed;
  Command(FCC("PHN7"));  // telephone keys act as the pad's
  Tap(FCC("Pad6"));
  Then([&] {
    title = Text(FCC("Titl"));
    listed = Listed();
  });
  for (int i = 0; i < 20; ++i) Tap(FCC("Pad1"));
  Then([&] { EXPECT_EQ(Text(FCC("Titl")), "7611111111111111111"); });  // 19 digits
  for (int i = 0; i < 20; ++i) Command(FCC("PHNH"));
  Tap(FCC("PadB"));  // an empty pad: nothing happens
  Then([&] {
    EXPECT_EQ(Text(FCC("Titl")), "Brantel");
    EXPECT_EQ(GUI_FormTag(Active()), FCC("Dial"));
  });
  EXPECT_EQ(Run(FCC("Dial")), GUI_RESULT_STOP);
  EXPECT_EQ(title, "76");
  EXPECT_EQ(listed, (std::vector<std::string>{"Pohl", "Smith", "Smyth"}));  // P-o, S-m
  EXPECT_EQ(Alerts(FCC("tPad")), 1u);
  EXPECT_EQ(g_prefs.dialPadLength, 0);
  EXPECT_EQ(g_prefs.startForm, FCC("Dial"));
}

TEST_F(MainScreenTest, TelephoneKeysOutsideTheDialLayoutDoNothing) {
  WriteContacts(kPeople);
  Command(FCC("PHN7"));
  EXPECT_EQ(Run(), GUI_RESULT_STOP);
  EXPECT_EQ(g_prefs.dialPadLength, 0);
}

TEST_F(MainScreenTest, HardwareButtonsPressAndHold) {
  WriteContacts(kPeople);
  std::vector<int16_t> categories;
  uint32_t pressedAt = 0, heldFor = 0;
  auto note = [&] { categories.push_back(g_prefs.currentCategory); };
  // Both actions "None": the button is ignored.
  g_prefs.buttonAction = g_prefs.buttonHoldAction = ACTION_NONE;
  Command(FCC("APP1"));
  Then(note);
  // A short press runs the press action through "Stuf".
  Then([] { g_prefs.buttonAction = ACTION_NEXT_CATEGORY; });
  Command(FCC("APP2"));
  Then(note);
  // Held past 600 ms: the hold action instead.
  Then([&] {
    g_prefs.buttonAction = ACTION_NONE;
    g_prefs.buttonHoldAction = ACTION_NEXT_CATEGORY;
    HOST_HeadlessSetKey(HOST_KEY_F1, true);
    pressedAt = HOST_Ticks();
    EXPECT_TRUE(MainHardwareButton(Active(), FCC("APP1")));
    heldFor = HOST_Ticks() - pressedAt;
    HOST_HeadlessSetKey(HOST_KEY_F1, false);
  });
  Then(note);
  EXPECT_EQ(Run(), GUI_RESULT_STOP);
  EXPECT_EQ(categories, (std::vector<int16_t>{-1, 0, 1}));
  EXPECT_GE(heldFor, 600u);
  EXPECT_EQ(g_main.pendingAction, 0u);
}

// Taps on the list run the list action (every tap with `singleTapOnly`,
// else the second within a second); a press held 600 ms runs the hold
// action instead, and its release is no tap.
TEST_F(MainScreenTest, ListTapsDoubleTapsAndHolds) {
  WriteContacts(kPeople);
  g_prefs.listAction = ACTION_NEXT_CATEGORY;
  g_prefs.holdAction = ACTION_NEXT_CATEGORY;
  std::vector<int16_t> seen;
  auto note = [&] { seen.push_back(g_prefs.currentCategory); };
  auto press = [](bool down) {
    GfxRect f = GUI_FormBounds(Active()), r{};
    ASSERT_EQ(0, GUI_GetBounds(Active(), FCC("List"), &r));
    HostEvent e{};
    e.kind = down ? HOST_EVT_MOUSE_DOWN : HOST_EVT_MOUSE_UP;
    e.key = 1;
    e.x = f.x + r.x + r.w / 2;
    e.y = f.y + r.y + 10;
    HOST_HeadlessPushEvent(&e, 0);
  };
  Tap(FCC("tlst"));  // one tap: nothing yet
  Then(note);
  Tap(FCC("tlst"));  // the second: the list action
  Then(note);
  Wait(1200);
  Tap(FCC("tlst"));  // too late to be a second tap
  Then(note);
  Then([&] { press(true); });
  Wait(700);
  Then(note);  // the hold ran while the pen is down
  Then([&] { press(false); });
  Then(note);  // and the release did nothing more
  Then([] { g_prefs.holdAction = ACTION_DIAL; });
  Then([&] { press(true); });
  Wait(700);
  Then([&] { press(false); });
  EXPECT_EQ(Run(), GUI_RESULT_STOP);
  EXPECT_EQ(seen, (std::vector<int16_t>{-1, 0, 0, 1, 1}));
  EXPECT_EQ(Alerts(FCC("tHld")), 1u);  // only a dialing hold explains itself
}

TEST_F(MainScreenTest, TypedSearchEndsAtItsDeadline) {
  WriteContacts(kPeople);
  uint32_t typedAt = 0;
  Then([&] { typedAt = HOST_Ticks(); });
  Type("c");
  Then([&] {
    EXPECT_TRUE(g_main.seekActive);
    EXPECT_GE(g_main.seekDeadline, typedAt + 2000);
    EXPECT_LE(g_main.seekDeadline, HOST_Ticks() + 2000);
  });
  Wait(1500);
  // Any input moves the deadline on: 2.5 s after typing it still runs.
  Tap(FCC("Titl"));
  Wait(1000);
  Then([] { EXPECT_TRUE(g_main.seekActive); });
  Wait(1500);
  Then([] {
    EXPECT_FALSE(g_main.seekActive);
    EXPECT_EQ(g_main.seekDeadline, 0u);
  });
  // A command from a menu ends a search at once; a key command does not.
  Type("d");
  Command(FCC("SCDN"));
  Then([] { EXPECT_TRUE(g_main.seekActive); });
  Menu(FCC("Sort"));
  Then([] { EXPECT_FALSE(g_main.seekActive); });
  EXPECT_EQ(Run(), GUI_RESULT_STOP);
}

TEST_F(MainScreenTest, DeveloperKeysOnlyAtTheVerboseLevel) {
  WriteContacts(kPeople);
  Type("X");  // typed letters in a normal run
  Type("D");
  Then([] { EXPECT_TRUE(g_main.seekActive); });
  EXPECT_EQ(Run(), GUI_RESULT_STOP);
  EXPECT_TRUE(HostFileExists(DataDir() + "/" + CONTACTS_FILE));
  EXPECT_FALSE(HostFileExists(DataDir() + "/Brantel Record.PDB"));
  // Verbose: "X" writes the selected contact out, "I" reads it back in as
  // a new contact, "D" removes the contact databases.
  DBG_SetLevel(DBG_LEVEL_VERBOSE);
  Then([] { g_main.selectedRow = 2; });  // Cole
  Type("X");
  Type("I");
  Then([&] {
    PdbImage out = PdbParse(ReadDataFile("Brantel Record.PDB"));
    ASSERT_EQ(out.count, 1u);
    EXPECT_EQ(out.records[0], Contacts().records[2]);
    EXPECT_EQ(Listed(), (std::vector<std::string>{"Adams", "Baker", "Cole", "Cole", "Dunn"}));
  });
  Type("D");
  EXPECT_EQ(Run(), GUI_RESULT_STOP);
  DBG_SetLevel(0);
  EXPECT_FALSE(HostFileExists(DataDir() + "/" + CONTACTS_FILE));
}

TEST_F(MainScreenTest, CloseQueryKeepsLayoutAndSplitter) {
  WriteContacts(kPeople);
  Then([] { ASSERT_EQ(0, GUI_ScrollSet(Active(), FCC("Drag"), 7, 20, 5)); });
  Menu(FCC("EXIT"));  // quitting asks the form whether it may close
  EXPECT_EQ(Run(FCC("Indx")), GUI_RESULT_STOP);
  EXPECT_EQ(g_prefs.startForm, FCC("Indx"));
  EXPECT_EQ(g_prefs.splitterPosition, 7);
}

// Repair through its dialog: the detected order is offered, the file is
// sorted, the duplicate marked deleted, the counts reported and the sort
// table rebuilt.
TEST_F(MainScreenTest, RepairSortsMarksDuplicatesAndReports) {
  // By last name one pair is out of order; by first name and company three.
  WriteContacts({{"Adams", "Zo", 0, "Zed"},
                 {"Adams", "Zo", 0, "Zed"},
                 {"Baker", "Yo", 0, "Yak"},
                 {"Dunn", "Xo", 0, "Xin"},
                 {"Cole", "Wo", 0, "Wok"}});
  Menu(FCC("DFix"));
  Then([&] {
    EXPECT_EQ(GUI_FormTag(Active()), FCC("DFix"));
    EXPECT_EQ(Value(FCC("SrtL")), 1);
    EXPECT_EQ(Value(FCC("SrtC")), 0);
    SaveScreen("screen_DFix");
  });
  Tap(FCC("OKAY"));
  EXPECT_EQ(Run(), GUI_RESULT_STOP);
  EXPECT_EQ(Alerts(FCC("DFix")), 0u);  // the detected order needs no confirmation
  ASSERT_EQ(Alerts(FCC("DFx2")), 1u);
  EXPECT_EQ(g_log.firstArgs.back(), "5");
  PdbImage im = Contacts();
  ASSERT_EQ(im.count, 5u);
  EXPECT_EQ(LastNameOf(4), "Adams");
  EXPECT_TRUE(im.entries[4].attributes & 0x80);
  EXPECT_EQ(Listed(), (std::vector<std::string>{"Adams", "Baker", "Cole", "Dunn"}));
}

TEST_F(MainScreenTest, RepairCancelledLeavesTheFile) {
  WriteContacts({{"Baker", "Al", 0}, {"Adams", "Bo", 0}});
  std::vector<uint8_t> before = ReadDataFile(CONTACTS_FILE);
  Menu(FCC("DFix"));
  Tap(FCC("CANC"));
  EXPECT_EQ(Run(), GUI_RESULT_STOP);
  EXPECT_EQ(Alerts(FCC("DFx2")), 0u);
  EXPECT_EQ(ReadDataFile(CONTACTS_FILE), before);
}

// A saved layout that is not a list layout opens "Main"; a launch record of
// 0 is selected with all categories shown.
TEST_F(MainScreenTest, LaunchRecordAndUnknownStartForm) {
  WriteContacts(kPeople);
  AppStop();
  g_prefs.startForm = FCC("Oops");
  g_prefs.currentCategory = 2;
  g_prefs.startCategory = PREFS_START_KEEP;
  ASSERT_EQ(0, PrefsStop(&g_prefs));
  FourCC opened = 0;
  int32_t record = -1;
  Then([&] {
    opened = GUI_FormTag(Active());
    record = MainCurrentRecord();
  });
  const TagItem params[] = {{FCC("DREC"), 0}, {0, 0}};
  EXPECT_EQ(AppLaunch(FCC("NORM"), 0, params), 0);
  EXPECT_EQ(opened, FCC("Main"));
  EXPECT_EQ(record, 0);
  EXPECT_EQ(g_prefs.currentCategory, -1);
  EXPECT_EQ(g_prefs.pendingRecord, -1);
  ASSERT_EQ(0, AppStart());  // for the fixture's stop
}

// ---------------------------------------------------------------------------
// Beaming and sending save vCard files the user picks.

TEST_F(MainScreenTest, BeamSavesTheCardUnderTheContactsName) {
  WriteContacts(kPeople);
  std::string offered;
  Then([] { g_main.selectedRow = 1; });  // Baker, Al
  Menu(FCC("Beam"));
  Then([&] { offered = Text(FCC("FNam")); });
  Tap(FCC("OKAY"));
  EXPECT_EQ(Run(), GUI_RESULT_STOP);
  EXPECT_EQ(offered, "Al Baker.VCF");
  EXPECT_EQ(ReadDocument(DocumentsDir() + "/Al Baker.VCF"),
            "BEGIN:VCARD\r\nVERSION:2.1\r\nX-PALM:4.0\r\nN:Baker;Al\r\nEND:VCARD\r\n");
  EXPECT_EQ(Alerts(FCC("xVcf")), 0u);
}

TEST_F(MainScreenTest, APrivateContactUnlockedByThePasswordIsBeamedInFull) {
  WriteContacts({{"Adams", "Bo", 0x10}, {"Baker", "Al", 0}});
  ASSERT_EQ(0, GUI_PasswordSet(nullptr, "pw"));
  g_prefs.securityLevel = 1;
  Then([] { g_main.selectedRow = 0; });
  Menu(FCC("Beam"));
  Type("pw");
  Tap(FCC("Unlk"));
  Tap(FCC("OKAY"));  // the file picker
  EXPECT_EQ(Run(), GUI_RESULT_STOP);
  EXPECT_EQ(ReadDocument(DocumentsDir() + "/Bo Adams.VCF"),
            "BEGIN:VCARD\r\nVERSION:2.1\r\nX-PALM:4.0\r\nN:Adams;Bo\r\nEND:VCARD\r\n");
}

TEST_F(MainScreenTest, ACardThatCannotBeSavedSaysSo) {
  WriteContacts(kPeople);
  // A folder stands where the card is first written: the write fails.
  std::filesystem::create_directories(DocumentsDir() + "/Al Baker.VCF.tmp");
  Then([] { g_main.selectedRow = 1; });
  Menu(FCC("Beam"));
  Tap(FCC("OKAY"));
  EXPECT_EQ(Run(), GUI_RESULT_STOP);
  EXPECT_EQ(Alerts(FCC("xVcf")), 1u);
  EXPECT_FALSE(HostFileExists(DocumentsDir() + "/Al Baker.VCF"));
}

TEST_F(MainScreenTest, BeamingTheListWritesEveryCardAndCancelWritesNothing) {
  WriteContacts(kPeople);
  g_log.answers[FCC("BLt?")] = 0;  // beam
  Menu(FCC("BCat"));
  Tap(FCC("OKAY"));
  Then([] { g_main.selectedRow = 0; });
  Menu(FCC("Beam"));
  Tap(FCC("CANC"));
  EXPECT_EQ(Run(), GUI_RESULT_STOP);
  std::string all = ReadDocument(DocumentsDir() + "/Contacts.VCF");
  for (const char* name : {"N:Adams;Bo", "N:Baker;Al", "N:Cole;Cy", "N:Dunn;Di"})
    EXPECT_NE(all.find(name), std::string::npos) << name;
  EXPECT_FALSE(HostFileExists(DocumentsDir() + "/Bo Adams.VCF"));
  EXPECT_EQ(Alerts(FCC("xVcf")), 0u);
}

TEST_F(MainScreenTest, BusinessCardsAreSetFoundAndCleared) {
  WriteContacts(kPeople);
  Then([] { g_main.selectedRow = 2; });  // Cole, Cy
  Menu(FCC("BCrd"));
  Tap(FCC("Set0"));
  Tap(FCC("Bea1"));  // an empty card
  Tap(FCC("Bea0"));
  Tap(FCC("OKAY"));  // the file picker
  Tap(FCC("OKAY"));  // the cards dialog
  EXPECT_EQ(Run(), GUI_RESULT_STOP);
  EXPECT_NE(std::string(g_prefs.businessCards[0]).find("Cole"), std::string::npos);
  EXPECT_EQ(Alerts(FCC("Bc0!")), 1u);
  EXPECT_NE(ReadDocument(DocumentsDir() + "/Cy Cole.VCF").find("N:Cole;Cy"), std::string::npos);
  // A card whose contact is gone is cleared.
  STR_Format(g_prefs.businessCards[1], 101, "%s", "Nobody");
  Menu(FCC("SCrd"));
  Tap(FCC("Sen1"));
  Tap(FCC("OKAY"));
  EXPECT_EQ(Run(), GUI_RESULT_STOP);
  EXPECT_EQ(Alerts(FCC("Bc1!")), 1u);
  EXPECT_EQ(g_prefs.businessCards[1][0], 0);
}

// ---------------------------------------------------------------------------
// The address book's source: a desktop user's backup and the device.

class BookSourceTest : public MainScreenTest {
 protected:
  ~BookSourceTest() override { DEV_SetSyncFolderName(nullptr); }
  // A desktop whose one user "SmithJ" has `book` in its backup folder.
  std::string Desktop(const PdbBytes& book) {
    std::string palm = TempDir() + "/Palm";
    std::filesystem::create_directories(palm + "/SmithJ/backup");
    WriteHostFile(palm + "/SmithJ/backup/" + CONTACTS_FILE, book);
    EXPECT_EQ(0, REG_SetString(REG_ROOT_CURRENT_USER,
                               "Software\\U.S. Robotics\\Pilot Desktop\\Core\\Path", palm.c_str()));
    return palm;
  }
  // A connected device whose file system is a folder of the test.
  std::string Device() {
    std::string folder = TempDir() + "/device";
    std::filesystem::create_directories(folder);
    EXPECT_EQ(
        0, REG_SetString(REG_ROOT_LOCAL_MACHINE,
                         "SOFTWARE\\Microsoft\\Windows CE Services\\DeviceFolder", folder.c_str()));
    DEV_SetSyncFolderName("Brantel");
    return folder;
  }
  // A script step keeping the places the open dialog offers.
  void Offered(std::vector<std::string>* out) {
    Then([out] {
      for (int16_t i = 0; i < GUI_ListCount(Active(), FCC("SLst")); ++i) {
        char item[96];
        ASSERT_EQ(0, GUI_ListGetItem(Active(), FCC("SLst"), i, item, sizeof item));
        out->push_back(item);
      }
    });
  }
  static PdbBytes Book(const std::vector<std::string>& lastNames) {
    PdbBuilder b = ContactPdb(true);
    b.AppInfo(CategoryInfo({"Unfiled"}));
    for (const std::string& n : lastNames) b.Record(ContactBuilder(true).Field(0, n).Record());
    return b.Bytes();
  }
};

TEST_F(BookSourceTest, OpenFromABackupKeepsTheOldBookAndRebuildsTheList) {
  WriteContacts(kPeople);
  PdbBytes old = ReadDataFile(CONTACTS_FILE), backup = Book({"Ford", "Gray"});
  Desktop(backup);
  std::vector<std::string> offered;
  Menu(FCC("OpnF"));
  Offered(&offered);
  Tap(FCC("OKAY"));
  EXPECT_EQ(Run(), GUI_RESULT_STOP);
  EXPECT_EQ(offered, std::vector<std::string>{"SmithJ (desktop user)"});
  EXPECT_EQ(Alerts(FCC("oRep")), 1u);
  EXPECT_EQ(ReadDataFile(CONTACTS_FILE), backup);
  EXPECT_EQ(ReadDataFile(std::string(CONTACTS_FILE) + ".bak"), old);
  EXPECT_EQ(Listed(), (std::vector<std::string>{"Ford", "Gray"}));
  EXPECT_FALSE(HostFileExists(DataDir() + "/Brantel Import.part"));
}

TEST_F(BookSourceTest, CancelOrAFailedCopyChangesNothing) {
  WriteContacts(kPeople);
  PdbBytes old = ReadDataFile(CONTACTS_FILE);
  std::string palm = Desktop(Book({"Ford"}));
  g_log.answers[FCC("oRep")] = 1;  // the question is cancelled
  Menu(FCC("OpnF"));
  Tap(FCC("OKAY"));
  EXPECT_EQ(Run(), GUI_RESULT_STOP);
  EXPECT_EQ(ReadDataFile(CONTACTS_FILE), old);
  // The backup vanishes between the listing and the copy.
  g_log.answers[FCC("oRep")] = 0;
  Menu(FCC("OpnF"));
  Then([&] { std::filesystem::remove(palm + "/SmithJ/backup/" + CONTACTS_FILE); });
  Tap(FCC("OKAY"));
  EXPECT_EQ(Run(), GUI_RESULT_STOP);
  EXPECT_EQ(Alerts(FCC("oErr")), 1u);
  EXPECT_EQ(ReadDataFile(CONTACTS_FILE), old);
}

TEST_F(BookSourceTest, SendToTheDeviceAndOpenItBack) {
  WriteContacts(kPeople);
  PdbBytes ours = ReadDataFile(CONTACTS_FILE);
  std::string device = Device();
  Menu(FCC("SndH"));
  Tap(FCC("OKAY"));
  EXPECT_EQ(Run(), GUI_RESULT_STOP);
  std::string onDevice = device + "/Application Data/Brantel/" + CONTACTS_FILE;
  ASSERT_TRUE(HostFileExists(onDevice));
  EXPECT_EQ(ReadHostFile(onDevice), ours);
  EXPECT_EQ(Alerts(FCC("oSnt")), 1u);
  // The device's copy, changed there, comes back.
  PdbBytes changed = Book({"Hale"});
  WriteHostFile(onDevice, changed);
  Menu(FCC("OpnF"));
  Tap(FCC("OKAY"));
  EXPECT_EQ(Run(), GUI_RESULT_STOP);
  EXPECT_EQ(ReadDataFile(CONTACTS_FILE), changed);
  EXPECT_EQ(Listed(), std::vector<std::string>{"Hale"});
}

// A device whose reads of the newer book fail past the first chunk, as when
// it is pulled out mid-copy; every other file reads normally.
HostHandle g_vanishing = -1;
Err VanishingOpen(const char* path, int16_t mode, HostHandle* out) {
  Err err = HOST_POSIX_FILE_OPS.open(path, mode, out);
  if (err == 0 && strstr(path, "/device/") && strstr(path, CONTACTS_FILE)) g_vanishing = *out;
  return err;
}
int64_t VanishingRead(HostHandle h, void* buffer, uint32_t count, uint64_t offset) {
  if (h == g_vanishing && offset >= DEV_CHUNK_BYTES) return -1;
  return HOST_POSIX_FILE_OPS.read(h, buffer, count, offset);
}

TEST_F(BookSourceTest, ADeviceVanishingMidCopyCostsNothing) {
  WriteContacts(kPeople);
  PdbBytes ours = ReadDataFile(CONTACTS_FILE);
  std::string device = Device();
  std::string folder = device + "/Application Data/Brantel/";
  std::filesystem::create_directories(folder);
  WriteHostFile(folder + CONTACTS_FILE, PdbBytes(3 * DEV_CHUNK_BYTES, 0x41));
  // The device's older book must not stand in for the one that failed.
  WriteHostFile(folder + ADDRESS_FILE, Book({"Older"}));
  static HostFileOps ops = HOST_POSIX_FILE_OPS;
  ops.open = VanishingOpen;
  ops.read = VanishingRead;
  g_vanishing = -1;
  HOST_SetFileOps(&ops);
  Menu(FCC("OpnF"));
  Tap(FCC("OKAY"));
  EXPECT_EQ(Run(), GUI_RESULT_STOP);
  HOST_SetFileOps(nullptr);
  EXPECT_NE(g_vanishing, -1);
  EXPECT_EQ(Alerts(FCC("oErr")), 1u);
  EXPECT_EQ(ReadDataFile(CONTACTS_FILE), ours);
  EXPECT_FALSE(HostFileExists(DataDir() + "/" + ADDRESS_FILE));
  EXPECT_FALSE(HostFileExists(DataDir() + "/Brantel Import.part"));
  EXPECT_EQ(Listed().size(), kPeople.size());
}

TEST_F(BookSourceTest, SendToADesktopUserQueuesTheInstall) {
  WriteContacts(kPeople);
  PdbBytes ours = ReadDataFile(CONTACTS_FILE);
  std::string palm = Desktop(Book({"Ford"}));
  // users.dat numbers SmithJ 42; "Nomad" has no entry, so no install can
  // be queued for it and it is not offered.
  std::filesystem::create_directories(palm + "/Nomad/backup");
  PdbBytes dat = {0, 0x2A, 0, 0, 0, 6, 'S', 'm', 'i', 't', 'h', 'J'};
  WriteHostFile(palm + "/users.dat", dat);
  std::vector<std::string> offered;
  Menu(FCC("SndH"));
  Offered(&offered);
  Tap(FCC("OKAY"));
  EXPECT_EQ(Run(), GUI_RESULT_STOP);
  EXPECT_EQ(offered, std::vector<std::string>{"SmithJ (desktop user)"});
  EXPECT_EQ(Alerts(FCC("oSnt")), 1u);
  EXPECT_EQ(ReadHostFile(palm + "/SmithJ/Install/" + CONTACTS_FILE), ours);
  EXPECT_FALSE(HostFileExists(palm + "/SmithJ/Install/" + CONTACTS_FILE + ".part"));
  uint32_t queued = 0;
  EXPECT_EQ(
      0, REG_GetU32(REG_ROOT_CURRENT_USER,
                    "Software\\U.S. Robotics\\Pilot Desktop\\HotSync Manager\\Install42", &queued));
  EXPECT_EQ(queued, 1u);
}

TEST_F(BookSourceTest, NothingToOpenSaysSo) {
  WriteContacts(kPeople);
  Menu(FCC("OpnF"));
  EXPECT_EQ(Run(), GUI_RESULT_STOP);
  EXPECT_EQ(Alerts(FCC("oNon")), 1u);
}

}  // namespace
