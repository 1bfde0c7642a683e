// Tests of the contact list's typed search and letter jumps on the headless
// form loop: the same letter again, a character that found nothing being
// replaced, the linear retry (and the "- " highlight), the first-initial and
// word searches through the other orders, the jumps with wrapping,
// backspace, return, the 20-character limit, ListLookup's bisection against
// a linear walk of the rows, and the error beep of a search that finds
// nothing (checked against the samples of the store's source sound file).
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "contact_builder.h"
#include "list.h"
#include "main_screen_fixture.h"
#include "parse.h"
#include "pdb_builder.h"
#include "sort.h"

namespace {

struct Person {
  std::string last, first, company = "";
};

class ListSeekTest : public QuietScreenTest {
 protected:
  void Write(const std::vector<Person>& people) {
    WriteRecords(people.size(), [&](size_t i, ContactBuilder& c) {
      if (!people[i].last.empty()) c.Field(0, people[i].last);
      if (!people[i].first.empty()) c.Field(1, people[i].first);
      if (!people[i].company.empty()) c.Field(2, people[i].company);
      return uint8_t(0);
    });
  }
  static void SetMode(int16_t mode) {
    g_prefs.sortModeByCategory[g_prefs.currentCategory + 1] = uint16_t(mode);
  }
  // "Last/First/Company" of the contact at `row` of the current order.
  static std::string NameAt(int32_t row) {
    const uint16_t* entries = nullptr;
    uint16_t count = SortGetList(nullptr, &entries, MainSortMode(), g_prefs.currentCategory, 0);
    if (!entries || row < 0 || row >= count) return "<none>";
    ContactDb* db = nullptr;
    if (ContactDbOpen(&db, false, true) != 0) return "<no db>";
    std::string out;
    ContactRec rec{};
    if (ContactFetch(&rec, db, entries[row]) == 0) {
      const FieldKind kinds[3] = {FieldKind::LastName, FieldKind::FirstName, FieldKind::Company};
      for (int k = 0; k < 3; ++k) {
        char* text = ContactGetField(&rec, kinds[k], 0, nullptr, 0, FIELD_NULL_IF_ABSENT);
        out += (k ? "/" : "") + std::string(text ? text : "");
        MEM_Free(text);
      }
      ContactRelease(&rec);
    }
    ContactDbClose(&db);
    return out;
  }
  static std::string Selected() { return NameAt(g_main.selectedRow); }
  static bool Key(uint32_t c, bool extended = true) { return ListSeekKey(Active(), c, extended); }
  static void TypeKeys(const std::string& s) {
    for (char c : s) (void)Key(uint8_t(c));
  }
  static void SelectRow(int32_t row) {
    g_main.selectedRow = row;
    ListDraw(Active(), 0);
  }
  // Sets a search as if `text` had been typed and found.
  static void Preset(const char* text) {
    strcpy(g_list.seekText, text);
    g_list.seekLength = int16_t(strlen(text));
    g_list.seekFound = true;
  }
};

// The samples of the error beep's source file (16-bit mono PCM behind the
// canonical 44-byte header, checked here).
std::vector<int16_t> ErrorBeepSamples() {
  std::vector<uint8_t> b;
  FILE* in = fopen(BRANTEL_RESOURCES_DIR "/sounds/error.wav", "rb");
  EXPECT_NE(nullptr, in);
  for (int c; in && (c = fgetc(in)) != EOF;) b.push_back(uint8_t(c));
  if (in) fclose(in);
  if (b.size() < 44 || memcmp(b.data(), "RIFF", 4) != 0 || memcmp(b.data() + 36, "data", 4) != 0)
    return {};
  std::vector<int16_t> s;
  for (size_t i = 44; i + 1 < b.size(); i += 2) s.push_back(int16_t(b[i] | (b[i + 1] << 8)));
  return s;
}

// The samples the headless host played from `from` on.
std::vector<int16_t> PlayedSince(uint32_t from) {
  const int16_t* s = HOST_HeadlessSamples();
  return std::vector<int16_t>(s + from, s + HOST_HeadlessSampleCount());
}

bool StartsWith(const std::string& name, const std::string& text) {
  if (name.size() < text.size()) return false;
  for (size_t i = 0; i < text.size(); ++i)
    if (tolower(uint8_t(name[i])) != tolower(uint8_t(text[i]))) return false;
  return true;
}

const std::vector<Person> kFive = {
    {"Taylor", "Tom"}, {"Smith", "Ann"}, {"Adams", "Al"}, {"Sato", "Ken"}, {"Baker", "Bo"}};

TEST_F(ListSeekTest, TheSameLetterAgainMovesToTheNextNameAndAFailedLetterIsReplaced) {
  Write(kFive);
  std::vector<std::string> seen;
  std::string text;
  bool failed = true;
  Then([&] {
    ASSERT_EQ(Selected(), "Adams/Al/");
    EXPECT_TRUE(Key('s'));
    seen.push_back(Selected());
    ListSeekClear(Active());  // as the seek timeout does
    EXPECT_TRUE(Key('s'));
    seen.push_back(Selected());
    ListSeekClear(Active());
    SelectRow(0);
    EXPECT_TRUE(Key('S'));
    failed = Key('x');
    EXPECT_FALSE(g_list.seekFound);
    EXPECT_EQ(g_list.seekLength, 2);
    seen.push_back(Selected());  // unchanged by the failed "sx"
    EXPECT_TRUE(Key('m'));
    text = std::string(g_list.seekText, size_t(g_list.seekLength));
    seen.push_back(Selected());
  });
  EXPECT_EQ(Run(), GUI_RESULT_STOP);
  ASSERT_EQ(seen.size(), 4u);
  EXPECT_EQ(seen[0], "Sato/Ken/") << "the first name with S";
  EXPECT_EQ(seen[1], "Smith/Ann/") << "the same letter again: the next one";
  EXPECT_FALSE(failed);
  EXPECT_EQ(seen[2], "Sato/Ken/");
  EXPECT_EQ(text, "Sm") << "the x that found nothing was replaced";
  EXPECT_EQ(seen[3], "Smith/Ann/");
}

TEST_F(ListSeekTest, TheKeysThroughTheMainScreenAndTheSeekTimeout) {
  Write(kFive);
  std::vector<std::string> seen;
  Type("s");
  Then([&] { seen.push_back(Selected()); });
  Wait(uint32_t(g_prefs.seekTimeoutMs) + 500);
  Then([&] {
    EXPECT_EQ(g_list.seekLength, 0) << "the timeout ended the search";
    seen.push_back(Selected());
  });
  Type("s");
  Then([&] { seen.push_back(Selected()); });
  EXPECT_EQ(Run(), GUI_RESULT_STOP);
  ASSERT_EQ(seen.size(), 3u);
  EXPECT_EQ(seen[0], "Sato/Ken/");
  EXPECT_EQ(seen[1], "Sato/Ken/") << "the selection stays";
  EXPECT_EQ(seen[2], "Smith/Ann/");
}

// In company order a contact without company sorts last ("zzzzzz" key) but
// shows "- Smith, John": the bisection finds "Smithco" above the start row,
// the linear retry from the start row finds the selected contact itself.
TEST_F(ListSeekTest, AMatchAboveTheStartRowIsRetriedLinearly) {
  Write({{"", "", "Zeta"}, {"Smith", "John"}, {"", "", "Acme"}, {"", "", "Smithco"}});
  SetMode(2);
  int32_t bisect = -2, linear = -2, row = -2;
  bool dash = false;
  std::vector<std::string> names;
  Then([&] {
    for (int32_t r = 0; r < 4; ++r) names.push_back(NameAt(r));
    bisect = ListLookup(nullptr, "sm", 2, 3, false);
    linear = ListLookup(nullptr, "sm", 2, 3, true);
    SelectRow(3);
    Preset("s");
    EXPECT_TRUE(Key('m'));
    row = g_main.selectedRow;
    dash = g_list.seekDash;
  });
  EXPECT_EQ(Run(), GUI_RESULT_STOP);
  ASSERT_EQ(names, (std::vector<std::string>{"//Acme", "//Smithco", "//Zeta", "Smith/John/"}));
  EXPECT_EQ(bisect, 1);
  EXPECT_EQ(linear, 3) << "without the dash, from the start row";
  EXPECT_EQ(row, 3);
  EXPECT_TRUE(dash) << "the match lies behind the shown \"- \"";
}

// Typed lower case finds accented capitals by initial and by word.
TEST_F(ListSeekTest, AccentedCapitalsMatchTheirLowerCase) {
  Write({{"Dupont", "Eric"},
         {"Dupuis",
          "\x8C"
          "dipe"},
         {"Durand", "\xC9lodie"}});
  std::vector<std::string> found;
  for (const char* typed : {"\xE9 dur", "dur \xE9", "dupu \x9C"}) {
    Then([&, typed] {
      SetMode(0);
      ListDraw(Active(), LIST_TOP);
      TypeKeys(typed);
      found.push_back(g_list.seekFound ? Selected() : "<none>");
      ListSeekClear(Active());
    });
  }
  EXPECT_EQ(Run(), GUI_RESULT_STOP);
  EXPECT_EQ(found, (std::vector<std::string>{"Durand/\xC9lodie/", "Durand/\xC9lodie/",
                                             "Dupuis/\x8C"
                                             "dipe/"}));
}

TEST_F(ListSeekTest, WordsFindJohnSmithFromEachOrder) {
  Write({{"Smith", "John", "Works"},
         {"Jones", "Alice"},
         {"Doe", "Jane", "Acme"},
         {"Smithers", "Wayne"},
         {"Baker", "Bo", "Jam Co"}});
  std::vector<std::string> found;
  std::vector<bool> elsewhere;
  for (int16_t mode = 0; mode < 3; ++mode) {
    Then([&, mode] {
      SetMode(mode);
      ListDraw(Active(), LIST_TOP);
      TypeKeys("j smi");
      found.push_back(Selected());
      elsewhere.push_back(g_list.seekElsewhere);
      EXPECT_TRUE(g_list.seekFound);
      EXPECT_STREQ(g_list.seekText, "j smi");
      ListSeekClear(Active());
    });
  }
  Then([&] {
    SetMode(0);
    ListDraw(Active(), LIST_TOP);
    TypeKeys("j sx");  // no word "sx"
    EXPECT_FALSE(g_list.seekFound);
    EXPECT_FALSE(Key('x', false)) << "without the extended search";
  });
  EXPECT_EQ(Run(), GUI_RESULT_STOP);
  ASSERT_EQ(found.size(), 3u);
  for (const std::string& f : found) EXPECT_EQ(f, "Smith/John/Works");
  EXPECT_EQ(elsewhere, (std::vector<bool>{true, false, true})) << "found in the first-name order";
}

TEST_F(ListSeekTest, TheFirstInitialAndLastNameAndALeadWordOfAnotherOrder) {
  // "Jung" answers the first "j"; no last name starts "js" or "jo".
  Write({{"Smith", "John"}, {"Adams", "Al"}, {"Smart", "Kim"}, {"Brown", "Joe"}, {"Jung", "Lee"}});
  std::string initial, lead;
  bool initialElsewhere = false;
  Then([&] {
    TypeKeys("jsm");
    initial = Selected();
    initialElsewhere = g_list.seekElsewhere;
    ListSeekClear(Active());
    SelectRow(0);
    TypeKeys("jo");  // "Joe Brown" comes first among the first names
    lead = Selected();
    EXPECT_TRUE(g_list.seekFound);
  });
  EXPECT_EQ(Run(), GUI_RESULT_STOP);
  EXPECT_EQ(initial, "Smith/John/") << "J + Smith";
  EXPECT_TRUE(initialElsewhere);
  EXPECT_EQ(lead, "Brown/Joe/");
}

TEST_F(ListSeekTest, LetterJumpsForwardBackAndWrapping) {
  Write({{"Baker", "B"},
         {"Adams", "A"},
         {"Young", "Y"},
         {"Brown", "B"},
         {"Davis", "D"},
         {"Zimmer", "Z"},
         {"", "", "Acme"}});  // shown "- Acme", sorted last
  std::vector<std::string> seen;
  auto jump = [&](int16_t direction) {
    EXPECT_TRUE(ListJumpLetter(Active(), direction));
    EXPECT_EQ(g_list.seekLength, 0) << "no search left behind";
    seen.push_back(Selected());
  };
  Then([&] {
    jump(1);   // A → B
    jump(1);   // no C: D
    jump(1);   // → Y
    jump(1);   // → Z
    jump(1);   // wraps to A
    jump(-1);  // wraps to Z
    jump(-1);  // Y
    jump(-1);  // … D
    jump(-1);  // no C: the first B
    SelectRow(6);
    EXPECT_EQ(g_list.firstLetter, '-');
    jump(-1);  // from "- Acme": Y, not Z
  });
  EXPECT_EQ(Run(), GUI_RESULT_STOP);
  EXPECT_EQ(seen, (std::vector<std::string>{"Baker/B/", "Davis/D/", "Young/Y/", "Zimmer/Z/",
                                            "Adams/A/", "Zimmer/Z/", "Young/Y/", "Davis/D/",
                                            "Baker/B/", "Young/Y/"}));
}

TEST_F(ListSeekTest, BackspaceReturnAndTheTwentyCharacterLimit) {
  Write({{"Aaaaaaaaaaaaaaaaaaaaaaaaa", "A"}, {"Baker", "B"}, {"Smith", "S"}, {"Sato", "T"}});
  Then([&] {
    TypeKeys("sm");
    EXPECT_EQ(Selected(), "Smith/S/");
    EXPECT_TRUE(Key(8));  // "s" again, from the selected row
    EXPECT_EQ(g_list.seekLength, 1);
    EXPECT_EQ(Selected(), "Smith/S/");
    EXPECT_FALSE(Key(8));
    EXPECT_EQ(g_list.seekLength, 0) << "the last character removed ends the search";
    EXPECT_FALSE(Key(8)) << "nothing to remove";
    TypeKeys("sa");
    EXPECT_TRUE(Key('\r')) << "a search was active";
    EXPECT_EQ(g_list.seekLength, 0);
    EXPECT_FALSE(g_list.seekFound);
    EXPECT_FALSE(Key('\n')) << "none active any more";
    EXPECT_EQ(Selected(), "Sato/T/") << "the selection stays";
    ListSeekClear(Active());
    TypeKeys(std::string(20, 'a'));
    EXPECT_EQ(g_list.seekLength, 20);
    EXPECT_TRUE(g_list.seekFound);
    EXPECT_TRUE(Key('b')) << "a 21st character starts over";
    EXPECT_STREQ(g_list.seekText, "b");
    EXPECT_EQ(g_list.seekLength, 1);
    EXPECT_EQ(Selected(), "Baker/B/");
  });
  EXPECT_EQ(Run(), GUI_RESULT_STOP);
}

TEST_F(ListSeekTest, LookupBisectionAgreesWithALinearWalk) {
  std::vector<Person> people = {{"Taylor", "T"}, {"Adams", "A"}};
  for (char c = 'a'; c <= 'f'; ++c) people.push_back({std::string("S") + c, "x"});
  for (int i = 0; i < 150; ++i) {
    char name[16];
    snprintf(name, sizeof name, "Name%03d", i);
    people.push_back({name, "n"});
  }
  Write(people);
  Then([&] {
    // Rows: Adams, Name000 … Name149, Sa … Sf, Taylor.
    ASSERT_EQ(NameAt(151), "Sa/x/");
    EXPECT_EQ(ListLookup(nullptr, "s", 0, 157, false), 151) << "from below: the first S";
    EXPECT_EQ(ListLookup(nullptr, "s", 0, 0, false), 151) << "from above: the first S";
    EXPECT_EQ(ListLookup(nullptr, "S", 0, 154, false), 154) << "the start row is an S";
    EXPECT_EQ(ListLookup(nullptr, "s", 0, 154, true), 154);
    EXPECT_EQ(ListLookup(nullptr, "s", 0, 157, true), 151) << "linear wraps around";
    EXPECT_EQ(ListLookup(nullptr, "x", 0, 3, false), -1);
    EXPECT_EQ(ListLookup(nullptr, "x", 0, 3, true), -1);
    const char* texts[] = {"name1", "NAME07", "name149", "name05", "t", "a", "sd", "name2"};
    for (const char* t : texts) {
      for (int32_t start : {0, 40, 151, 157}) {
        int32_t linear = ListLookup(nullptr, t, 0, 0, true);  // from row 0: the first
        // The start row itself when it matches, else the first match.
        int32_t expected = StartsWith(NameAt(start), t) ? start : linear;
        EXPECT_EQ(ListLookup(nullptr, t, 0, start, false), expected) << t << " from " << start;
      }
    }
  });
  EXPECT_EQ(Run(), GUI_RESULT_STOP);
}

TEST_F(ListSeekTest, AnEmptyListFindsNothing) {
  Write({});
  bool found = true, jumped = true;
  int32_t row = 0;
  Then([&] {
    row = ListLookup(nullptr, "a", 0, 0, false);
    found = Key('a');
    jumped = ListJumpLetter(Active(), 1);
  });
  EXPECT_EQ(Run(), GUI_RESULT_STOP);
  EXPECT_EQ(row, -1);
  EXPECT_FALSE(found);
  EXPECT_FALSE(jumped);
}

// An index tab is a fresh search for its letter from the first row: the
// first B even below another B, and more letters typed after it go on from
// the tab's letter.
TEST_F(ListSeekTest, AnIndexTabFindsTheFirstNameOfItsLetter) {
  Write({{"Adams", "A"}, {"Baker", "B"}, {"Brown", "B"}, {"Bryce", "B"}, {"Cole", "C"}});
  std::vector<std::string> seen;
  Then([&] { SelectRow(2); });  // Brown
  Command(FCC("IdxB"));
  Then([&] { seen.push_back(Selected()); });
  Type("ry");
  Then([&] { seen.push_back(Selected()); });
  Command(FCC("IdxQ"));  // nothing under Q: the selection stays
  Then([&] { seen.push_back(Selected()); });
  EXPECT_EQ(Run(), GUI_RESULT_STOP);
  EXPECT_EQ(seen, (std::vector<std::string>{"Baker/B/", "Bryce/B/", "Bryce/B/"}));
}

TEST_F(ListSeekTest, AKeystrokeThatFindsNothingSoundsTheErrorBeep) {
  Write(kFive);
  const std::vector<int16_t> beep = ErrorBeepSamples();
  ASSERT_FALSE(beep.empty());
  std::vector<std::vector<int16_t>> heard;  // what each keystroke played
  auto press = [&](uint32_t c, bool found) {
    uint32_t before = HOST_HeadlessSampleCount();
    EXPECT_EQ(found, Key(c)) << char(c);
    heard.push_back(PlayedSince(before));
  };
  uint32_t beforeTyped = 0;
  Then([&] {
    press('s', true);   // found: silent
    press('x', false);  // "sx": the beep
    press('q', false);  // "sq" (the x replaced): nothing again, the beep again
    press('m', true);   // "sm": silent
    press(8, true);     // back to "s": found, silent
    ListSeekClear(Active());
    beforeTyped = HOST_HeadlessSampleCount();
  });
  Type("w");  // through the main screen: no name starts with W
  Then([&] {
    EXPECT_FALSE(g_list.seekFound);
    heard.push_back(PlayedSince(beforeTyped));
  });
  EXPECT_EQ(Run(), GUI_RESULT_STOP);
  ASSERT_EQ(heard.size(), 6u);
  const std::vector<int16_t> silence;
  EXPECT_EQ(heard[0], silence);
  EXPECT_EQ(heard[1], beep);
  EXPECT_EQ(heard[2], beep);
  EXPECT_EQ(heard[3], silence);
  EXPECT_EQ(heard[4], silence);
  EXPECT_EQ(heard[5], beep);
}

}  // namespace
