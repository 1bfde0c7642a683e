// Tests of the dial pad: the keypad name match through the contacts' real
// list names (sort modes, characters without a letter, names shorter than
// the digits), the nineteen-digit buffer, and the list narrowed to the
// names the digits spell, widened again by a removed digit.
#include <algorithm>
#include <cctype>

#include "main_handler.h"
#include "phone.h"
#include "sort_table_fixture.h"

namespace {

// The telephone keypad as printed on a phone.
std::string Keys(const std::string& word) {
  static const char* const kKeys[] = {"abc", "def", "ghi", "jkl", "mno", "pqrs", "tuv", "wxyz"};
  std::string out;
  for (char c : word) {
    char lower = char(tolower(uint8_t(c)));
    char digit = c;
    for (int k = 0; k < 8; ++k)
      if (strchr(kKeys[k], lower) && isalpha(uint8_t(c))) digit = char('2' + k);
    out += digit;
  }
  return out;
}

const AppModule kNoModules[] = {{"none", nullptr, nullptr}};

class MainPadTest : public SortTableTest {
 protected:
  void SetUp() override {
    SortTableTest::SetUp();
    // The start builds the pad's letter table from the collation.
    AppSetModules(kNoModules, 0);
    ASSERT_EQ(0, AppStart());
    ContactSetDataFolder(VOL_DOCUMENTS, "!");
    MainReset();
    MainPadClear();
  }
  void TearDown() override {
    AppStop();
    AppSetModules(nullptr, 0);
    SortTableTest::TearDown();
  }

  bool Match(uint16_t index, int16_t mode, const std::string& digits) {
    ContactRec rec{};
    EXPECT_EQ(0, ContactFetch(&rec, Db(), index));
    bool match = PadMatch(&rec, mode, digits.c_str());
    ContactRelease(&rec);
    return match;
  }
  // Last names of the listed contacts.
  std::vector<std::string> Listed(const std::vector<Person>& people) {
    std::vector<std::string> names;
    for (uint16_t i : GetList(0, -1, 0)) names.push_back(people[i].last);
    return names;
  }
};

TEST_F(MainPadTest, MatchSpellsTheListNameFromItsStart) {
  WriteContacts({{"O'Neil", "Ann"}, {"Sm", "Al"}, {"Smith", "John"}, {"", "", "3M Corp"}});
  Reopen();
  // Last-name order: "Smith, John".
  EXPECT_TRUE(Match(2, 0, Keys("Smith")));
  EXPECT_TRUE(Match(2, 0, Keys("smi")));
  EXPECT_TRUE(Match(2, 0, ""));
  EXPECT_FALSE(Match(2, 0, Keys("Smiths")));
  // The comma has no letter: only itself would match it.
  EXPECT_FALSE(Match(2, 0, Keys("Smith") + "5"));
  // First-name order: "John Smith".
  EXPECT_TRUE(Match(2, 1, Keys("John")));
  EXPECT_FALSE(Match(2, 1, Keys("Smith")));
  // "O'Neil": the apostrophe stops a second digit.
  EXPECT_TRUE(Match(0, 0, Keys("O")));
  EXPECT_FALSE(Match(0, 0, Keys("ON")));
  // A name shorter than the digits: "Sm, Al" against three letters.
  EXPECT_TRUE(Match(1, 0, Keys("Sm")));
  EXPECT_FALSE(Match(1, 0, Keys("Smi")));
  // Company order: the digit of "3M" is matched by itself.
  EXPECT_TRUE(Match(3, 2, "36"));
  EXPECT_FALSE(Match(3, 2, "46"));
}

TEST_F(MainPadTest, BufferHoldsNineteenDigits) {
  for (int i = 0; i < 19; ++i) EXPECT_TRUE(MainPadAppend(char('0' + i % 10)));
  EXPECT_FALSE(MainPadAppend('9'));  // the twentieth is ignored
  EXPECT_EQ(g_prefs.dialPadLength, 19);
  EXPECT_STREQ(g_prefs.dialPad, "0123456789012345678");
  while (MainPadBackspace()) {
  }
  EXPECT_EQ(g_prefs.dialPadLength, 0);
  EXPECT_FALSE(MainPadBackspace());  // nothing to remove
  EXPECT_EQ(g_prefs.dialPadLength, 0);
  EXPECT_STREQ(g_prefs.dialPad, "");
}

TEST_F(MainPadTest, FilterNarrowsAndWidensTheList) {
  const std::vector<Person> people = {
      {"Adams", "Bo"}, {"Rand", "Cy"}, {"Sims", "Di"}, {"Smith", "Ed"}, {"Smyth", "Fay"}};
  WriteContacts(people);
  ASSERT_EQ(SORT_BUILT, SortOpen(SORT_CHECK));
  ASSERT_EQ(Listed(people).size(), 5u);
  for (char d : Keys("Sm")) ASSERT_TRUE(MainPadAppend(d));
  EXPECT_EQ(MainPadFilter(), 2);
  EXPECT_EQ(Listed(people), (std::vector<std::string>{"Smith", "Smyth"}));
  ASSERT_TRUE(MainPadAppend(Keys("i")[0]));
  EXPECT_EQ(MainPadFilter(), 1);
  EXPECT_EQ(Listed(people), (std::vector<std::string>{"Smith"}));
  // "7" alone: the P, Q, R and S names; removed digits widen the list.
  ASSERT_TRUE(MainPadBackspace());
  ASSERT_TRUE(MainPadBackspace());
  EXPECT_EQ(MainPadFilter(), 4);
  EXPECT_EQ(Listed(people), (std::vector<std::string>{"Rand", "Sims", "Smith", "Smyth"}));
  ASSERT_TRUE(MainPadBackspace());
  EXPECT_EQ(MainPadFilter(), 0);
  EXPECT_EQ(Listed(people).size(), 5u);
}

}  // namespace
