// Tests of the contact list's rows on the headless form loop: the area
// snapped to whole rows with the empty rows in their background, the row
// colours (even, odd, selected, a category's own), the masked private row
// and the password check in front of it, moving and paging the selection,
// the pen on the rows and in the phone-letter column, the sort buttons of
// the enabled orders, "Show Phone" for the whole list, and screenshots of
// the six layouts over a 300-contact sample.
#include <string>
#include <vector>

#include "contact_builder.h"
#include "kova_picker.h"
#include "list.h"
#include "main_screen_fixture.h"
#include "parse.h"
#include "pdb_builder.h"
#include "sample.h"
#include "sort.h"

namespace {

struct Person {
  std::string last, first;
  uint8_t attributes = 0;  // on-disk: 0x10 private, low nibble the category
  std::vector<std::string> phones = {};
  std::string note = "";
};

class ListDrawTest : public QuietScreenTest {
 protected:
  void Write(const std::vector<Person>& people) {
    WriteRecords(people.size(), [&](size_t i, ContactBuilder& c) {
      c.Field(0, people[i].last).Field(1, people[i].first);
      for (size_t p = 0; p < people[i].phones.size(); ++p)
        c.Field(int(4 + p), people[i].phones[p]).PhoneLabel(int(p), int(p));
      if (!people[i].note.empty()) c.Field(42, people[i].note);
      return people[i].attributes;
    });
  }
  // `n` contacts "Name000" … in last-name order.
  void WriteNumbered(int n) {
    std::vector<Person> people;
    for (int i = 0; i < n; ++i) {
      char name[16];
      snprintf(name, sizeof name, "Name%03d", i);
      people.push_back({name, "X"});
    }
    Write(people);
  }
  // The screen pixel at (dx, dy) inside visible row `row` of the list.
  static uint32_t RowPixel(int32_t row, int32_t dx, int32_t dy = 1) {
    GfxRect f = GUI_FormBounds(Active()), list{};
    EXPECT_EQ(0, GUI_GetBounds(Active(), FCC("List"), &list));
    return ScreenPixel(f.x + list.x + dx, f.y + list.y + row * g_list.rowHeight + dy);
  }
  static GfxRect ListArea() {
    GfxRect list{};
    EXPECT_EQ(0, GUI_GetBounds(Active(), FCC("List"), &list));
    return list;
  }
};

TEST_F(ListDrawTest, AShortListFillsTheRowsBelowWithTheirBackground) {
  WriteNumbered(5);
  GfxRect area{};
  int32_t maximum = -1, page = -1, value = -1;
  std::vector<uint32_t> backs;
  Then([&] {
    area = ListArea();
    ASSERT_EQ(0, GUI_ScrollGet(Active(), FCC("Drag"), &value, &maximum, &page));
    for (int32_t r = 0; r < g_list.visibleRows; ++r) backs.push_back(RowPixel(r, ListArea().w - 3));
  });
  EXPECT_EQ(Run(), GUI_RESULT_STOP);
  ASSERT_GT(g_list.rowHeight, 0);
  EXPECT_EQ(area.h % g_list.rowHeight, 0) << "the area is snapped to whole rows";
  EXPECT_GT(g_list.visibleRows, 5);
  EXPECT_EQ(maximum, 0);
  EXPECT_EQ(value, 0);
  EXPECT_EQ(page, g_list.visibleRows);
  ASSERT_EQ(backs.size(), size_t(g_list.visibleRows));
  EXPECT_EQ(backs[0], g_prefs.listColours[4]) << "the first row is selected";
  for (size_t r = 1; r < backs.size(); ++r)
    EXPECT_EQ(backs[r], g_prefs.listColours[r % 2 ? 0 : 1]) << "row " << r;
}

TEST_F(ListDrawTest, CategoryColoursAndTheNoteMarker) {
  Write({{"Adams", "A", 1, {}, "a note"}, {"Baker", "B", 2}, {"Cole", "C", 1}, {"Dunn", "D", 1}});
  g_prefs.categoryColourMask = 1u << 1;   // "Business" in its own colours
  g_prefs.categoryColours[3] = 0x112233;  // light
  g_prefs.categoryColours[4] = 0x445566;  // middle
  g_prefs.categoryColours[5] = 0x778899;  // dark
  std::vector<uint32_t> backs;
  int markerPixels = 0;
  Then([&] {
    int32_t w = ListArea().w;
    for (int32_t r = 0; r < 4; ++r) backs.push_back(RowPixel(r, w / 2 + 30));
    // The note marker sits at the right edge of the first row.
    for (int32_t x = w - 12; x < w; ++x)
      for (int32_t y = 0; y < g_list.rowHeight; ++y)
        if (RowPixel(0, x, y) == g_prefs.listColours[5]) markerPixels++;
  });
  EXPECT_EQ(Run(), GUI_RESULT_STOP);
  ASSERT_EQ(backs.size(), 4u);
  EXPECT_EQ(backs[0], 0x778899u) << "selected, in the category's dark colour";
  EXPECT_EQ(backs[1], g_prefs.listColours[0]) << "category 2 keeps the list's odd row";
  EXPECT_EQ(backs[2], 0x112233u) << "even row, light colour";
  EXPECT_EQ(backs[3], 0x445566u) << "odd row, middle colour";
  EXPECT_GT(markerPixels, 3) << "the note marker in the selected row's text colour";
}

TEST_F(ListDrawTest, APrivateRowIsMaskedAndAsksForThePasswordBeforeUse) {
  Write({{"Adams", "A"}, {"Baker", "B", 0x10}, {"Cole", "C"}});
  ASSERT_EQ(0, GUI_PasswordSet(nullptr, "pw"));
  g_prefs.securityLevel = 1;
  std::vector<uint32_t> masked;
  int32_t cancelled = 0, unlocked = -1, plain = -1;
  FourCC asked = 0;
  Then([&] {
    for (int32_t x = 10; x < 18; ++x) masked.push_back(RowPixel(1, x, 2));
    plain = ContactCurrentRecord(Active(), 0, -1, LIST_CURRENT_RECORD);  // Adams: no question
    g_main.selectedRow = 1;
    cancelled = ContactCurrentRecord(Active(), 0, -1, LIST_CURRENT_RECORD);
  });
  Then([&] { asked = GUI_FormTag(Active()); });
  Key(HOST_KEY_ESCAPE);
  Then([&] { unlocked = ContactCurrentRecord(Active(), 0, -1, LIST_CURRENT_RECORD); });
  Type("pw");
  Tap(FCC("Unlk"));
  EXPECT_EQ(Run(), GUI_RESULT_STOP);
  EXPECT_EQ(asked, FCC("kPwd"));
  EXPECT_EQ(plain, 0);
  EXPECT_EQ(cancelled, -1);
  EXPECT_EQ(unlocked, 1) << "the right password gives the contact";
  EXPECT_EQ(g_prefs.securityLevel, 1);
  ASSERT_EQ(masked.size(), 8u);
  // The checker pattern: neighbours differ, every second one is the text colour.
  int text = 0;
  for (size_t i = 0; i + 1 < masked.size(); ++i) EXPECT_NE(masked[i], masked[i + 1]);
  for (uint32_t p : masked) text += p == g_prefs.listColours[2];
  EXPECT_EQ(text, 4);
  // Unlocked for the rest of the run: no second question.
  EXPECT_EQ(ContactCurrentRecord(nullptr, 0, -1, LIST_CURRENT_RECORD), 1);
  EXPECT_EQ(ContactCurrentRecord(nullptr, 0, -1, 0), 1) << "without the flag, the row";
}

TEST_F(ListDrawTest, MovingPagingAndThePen) {
  WriteNumbered(100);
  int16_t visible = 0;
  std::vector<int32_t> rows, tops;
  auto note = [&] {
    rows.push_back(g_main.selectedRow);
    tops.push_back(g_list.top);
  };
  int32_t middle = -1;
  Then([&] {
    visible = g_list.visibleRows;
    middle = ListArea().h / 2 / g_list.rowHeight;
  });
  Command(FCC("ScDn"));
  Then(note);  // 1
  Command(FCC("LsDn"));
  Then(note);  // a page: the selection left the view, the first row is selected
  Command(FCC("LsUp"));
  Then(note);        // back: the last visible row
  Tap(FCC("tlst"));  // the pen on the middle row
  Then(note);
  Then([&] {
    g_main.selectedRow = 98;  // a command chose a row far below
    ListDraw(Active(), 0);
  });
  Then(note);
  EXPECT_EQ(Run(), GUI_RESULT_STOP);
  ASSERT_GT(visible, 5);
  ASSERT_EQ(rows.size(), 5u);
  EXPECT_EQ(rows[0], 1);
  EXPECT_EQ(tops[0], 0);
  EXPECT_EQ(tops[1], visible);
  EXPECT_EQ(rows[1], visible);
  EXPECT_EQ(tops[2], 0);
  EXPECT_EQ(rows[2], visible - 1);
  EXPECT_EQ(rows[3], middle) << "the row under the pen";
  EXPECT_EQ(rows[4], 98);
  EXPECT_EQ(tops[4], 100 - visible) << "scrolled as far as the list goes";
}

TEST_F(ListDrawTest, ArrowsPastTheLastVisibleRowScrollByOneRow) {
  WriteNumbered(60);
  int16_t visible = 0;
  int32_t top = -1, row = -1;
  Then([&] {
    visible = g_list.visibleRows;
    for (int i = 0; i < visible; ++i) {
      ListMove(Active(), 1);
    }
    top = g_list.top;
    row = g_main.selectedRow;
  });
  EXPECT_EQ(Run(), GUI_RESULT_STOP);
  EXPECT_EQ(row, visible);
  EXPECT_EQ(top, 1);
}

TEST_F(ListDrawTest, AHeldArrowRepeatsAfter750ThenEvery200Ticks) {
  WriteNumbered(60);
  std::vector<int32_t> rows;
  Then([&] {
    HOST_HeadlessSetKey(HOST_KEY_DOWN, true);
    // The desktop repeats the key every 30 ticks; the list moves at its pace.
    uint32_t start = HOST_Ticks() + 10;
    for (uint32_t t = 0; t <= 1200; t += 30) {
      HOST_HeadlessSetTicks(start + t);
      ListMove(Active(), 1);
      rows.push_back(g_main.selectedRow);
    }
    HOST_HeadlessSetKey(HOST_KEY_DOWN, false);
  });
  EXPECT_EQ(Run(), GUI_RESULT_STOP);
  ASSERT_EQ(rows.size(), 41u);
  EXPECT_EQ(rows[0], 1) << "the press moves at once";
  EXPECT_EQ(rows[24], 1) << "720 ticks: still waiting";
  EXPECT_EQ(rows[25], 2) << "750 ticks: the first repeat";
  EXPECT_EQ(rows[31], 2) << "930 ticks";
  EXPECT_EQ(rows[32], 3) << "960 ticks: 200 after the first repeat";
  EXPECT_EQ(rows[40], 4) << "1,200 ticks";
}

TEST_F(ListDrawTest, AResizedWindowKeepsWholeRowsAndTheSelection) {
  WriteNumbered(80);
  GfxRect before{}, after{};
  int32_t record = -1, maximum = -1, value = 0, page = 0;
  Then([&] { before = ListArea(); });
  Command(FCC("LsDn"));
  Then([&] { record = MainCurrentRecord(); });
  Resize(500, 760);
  Then([&] {
    after = ListArea();
    (void)GUI_ScrollGet(Active(), FCC("Drag"), &value, &maximum, &page);
  });
  EXPECT_EQ(Run(), GUI_RESULT_STOP);
  EXPECT_GT(after.h, before.h);
  EXPECT_GT(after.w, before.w);
  EXPECT_EQ(after.h % g_list.rowHeight, 0);
  EXPECT_EQ(page, after.h / g_list.rowHeight);
  EXPECT_EQ(maximum, 80 - page);
  EXPECT_EQ(MainCurrentRecord(), record) << "the same contact stays selected";
}

TEST_F(ListDrawTest, TheLetterColumnStepsTheShownPhone) {
  Write({{"Adams", "A", 0, {"555-0100", "", "555-0199"}}, {"Baker", "B"}});
  g_prefs.listColumn = 1;
  Then([&] {
    GfxRect f = GUI_FormBounds(Active()), list = ListArea();
    int32_t x = f.x + list.x + list.w - g_list.noteColumn - g_list.letterColumn / 2 - 1;
    TapAt(x, f.y + list.y + 2);
  });
  EXPECT_EQ(Run(), GUI_RESULT_STOP);
  ContactDb* db = nullptr;
  ASSERT_EQ(0, ContactDbOpen(&db, false, true));
  ContactRec rec{};
  ASSERT_EQ(0, ContactFetch(&rec, db, 0));
  EXPECT_EQ(ContactGetInfo(&rec, ContactInfo::ShownPhone, 0), 2) << "the empty second one skipped";
  ContactRelease(&rec);
  ContactDbClose(&db);
}

TEST_F(ListDrawTest, OnlyTheEnabledSortOrdersHaveButtons) {
  WriteNumbered(3);
  g_prefs.sortByFirst = 0;
  std::vector<bool> shown;
  Then([&] {
    for (FourCC b : {FCC("SrtL"), FCC("SrtF"), FCC("SrtC")})
      shown.push_back(GUI_IsShown(Active(), b));
  });
  EXPECT_EQ(Run(), GUI_RESULT_STOP);
  EXPECT_EQ(shown, (std::vector<bool>{true, false, true}));
  // None enabled: the database's own order (last name here) is the one shown.
  g_prefs.sortByLast = g_prefs.sortByCompany = 0;
  g_prefs.sortModeByCategory[0] = 2;
  shown.clear();
  Then([&] {
    for (FourCC b : {FCC("SrtL"), FCC("SrtF"), FCC("SrtC")})
      shown.push_back(GUI_IsShown(Active(), b));
  });
  EXPECT_EQ(Run(), GUI_RESULT_STOP);
  EXPECT_EQ(shown, (std::vector<bool>{true, false, false}));
  EXPECT_EQ(g_prefs.sortModeByCategory[0], 0);
}

TEST_F(ListDrawTest, ShowPhoneMakesEveryContactShowThatLabel) {
  // Labels are the slot numbers: slot 3 is label 3 ("Other").
  Write({{"Adams", "A", 0, {"1", "2", "3", "4a"}},
         {"Baker", "B", 0, {"1"}},
         {"Cole", "C", 0, {"1", "2", "3", ""}}});
  ASSERT_EQ(0, SortOpen(SORT_REBUILD) < 0);
  EXPECT_EQ(MainShowPhoneLabel(3), 1) << "only Adams has a number labelled 3";
  ContactDb* db = nullptr;
  ASSERT_EQ(0, ContactDbOpen(&db, false, true));
  std::vector<int32_t> shown;
  for (uint16_t i = 0; i < 3; ++i) {
    ContactRec rec{};
    ASSERT_EQ(0, ContactFetch(&rec, db, i));
    shown.push_back(ContactGetInfo(&rec, ContactInfo::ShownPhone, 0));
    ContactRelease(&rec);
  }
  ContactDbClose(&db);
  EXPECT_EQ(shown, (std::vector<int32_t>{3, 0, 0}));
}

// Each layout over the 300-contact sample of `make run`, saved for a look by
// eye; the selected row and the rows under it are checked.
TEST_F(ListDrawTest, ScreenshotsOfEveryLayoutWithTheSample) {
  SamplePrefsDefaults();
  g_prefs.tipsShown = 0xFFFFFFFF;
  std::vector<uint8_t> image;
  ASSERT_EQ(0, SampleBuild(SampleOptions{true, 300, 1}, &image));
  WriteDataFile(CONTACTS_FILE, image);
  for (FourCC layout : MAIN_LAYOUTS) {
    std::string name = {char(layout >> 24), char(layout >> 16), char(layout >> 8), char(layout)};
    uint32_t selected = 0, second = 0;
    int32_t count = 0;
    Command(FCC("ScDn"));
    Then([&] {
      selected = RowPixel(1, ListArea().w / 2, 1);
      second = RowPixel(2, ListArea().w / 2, 1);
      count = g_list.count;
      SaveScreen("list_" + name);
    });
    EXPECT_EQ(Run(layout), GUI_RESULT_STOP) << name;
    EXPECT_GT(count, 250) << name;
    EXPECT_EQ(selected, g_prefs.listColours[4]) << name;
    EXPECT_NE(second, g_prefs.listColours[4]) << name;
  }
}

}  // namespace
