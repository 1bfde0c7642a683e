// Tests of the display list: the category, hidden-category and privacy
// filters, the cached and stored lists and when each is rebuilt, the stored
// header byte for byte, damaged stored lists, and the narrowing by find with
// its search mark.
#include "sort_table_fixture.h"

namespace {

const std::vector<Person> kPeople = {
    {"Baker", "Al", "", 3},               // 0: category 3
    {"Adams", "Bo", "", 0},               // 1: unfiled
    {"Cole", "Cy", "", 3, false, true},   // 2: category 3, private
    {"Dunn", "Di", "", 1, true},          // 3: deleted
    {"Evans", "Ed", "", 2},               // 4: category 2
    {"Ames", "Ann", "", 0, false, true},  // 5: unfiled, private
};

class SortListTest : public SortTableTest {
 protected:
  void SetUp() override {
    SortTableTest::SetUp();
    WriteContacts(kPeople);
    ASSERT_EQ(SORT_BUILT, SortOpen(SORT_CHECK));
  }
};

using U = std::vector<uint16_t>;

TEST_F(SortListTest, CategoriesAndHiddenCategories) {
  EXPECT_EQ(GetList(0, -1, 0), (U{1, 5, 0, 2, 4}));  // the deleted contact never shows
  EXPECT_EQ(GetList(1, -1, 0), (U{0, 5, 1, 2, 4}));
  EXPECT_EQ(GetList(0, 3, 0), (U{0, 2}));
  for (uint16_t r : GetList(0, 3, 0)) EXPECT_EQ(Entries(SORT_RECORD_CATEGORIES, 6)[r], 0x0004);
  EXPECT_EQ(GetList(0, 0, 0), (U{1, 5}));
  EXPECT_EQ(GetList(0, 7, 0), U{});
  g_prefs.hiddenCategories = 1u << 3;
  EXPECT_EQ(GetList(0, -1, SORT_LIST_REBUILD), (U{1, 5, 4}));
  EXPECT_EQ(GetList(0, 3, SORT_LIST_REBUILD), (U{0, 2}));  // hidden only from "All"
  g_prefs.hiddenCategories = 1;
  EXPECT_EQ(GetList(0, -1, SORT_LIST_REBUILD), (U{0, 2, 4}));
}

TEST_F(SortListTest, PrivateContactsAreLeftOutOnlyWhenHidden) {
  for (uint16_t level : {0, 1}) {
    g_prefs.securityLevel = level;
    EXPECT_EQ(GetList(0, -1, SORT_LIST_REBUILD), (U{1, 5, 0, 2, 4})) << level;
  }
  g_prefs.securityLevel = 2;
  EXPECT_EQ(GetList(0, -1, SORT_LIST_REBUILD), (U{1, 0, 4}));
  EXPECT_EQ(GetList(2, 3, SORT_LIST_REBUILD), (U{0}));
}

TEST_F(SortListTest, StoredHeaderAndCachedList) {
  int16_t handle = 7;
  const uint16_t* entries = nullptr;
  ASSERT_EQ(5, SortGetList(&handle, &entries, 0, -1, 0));
  EXPECT_EQ(handle, -1);
  PdbBytes list = Table().records[10];
  EXPECT_EQ(PdbBytes(list.begin(), list.begin() + 18),
            (PdbBytes{0, 0, 0xFF, 0xFF, 5, 0, 6, 0, 1, 0, 5, 0, 0, 0, 2, 0, 4, 0}));
  // Asked again: the cached record, not a new fetch.
  const uint16_t* again = nullptr;
  EXPECT_EQ(5, SortGetList(nullptr, &again, 0, -1, 0));
  EXPECT_EQ(again, entries);
  EXPECT_EQ(5, SortGetList(nullptr, nullptr, 0, -1, 0));
  SortReleaseList(handle);
}

TEST_F(SortListTest, StoredListIsUsedWithinARunAndRebuiltWhenAsked) {
  ASSERT_EQ(GetList(0, -1, 0), (U{1, 5, 0, 2, 4}));
  // A stored list this run wrote is taken as it stands.
  PutEntries(10, {0, 0xFFFF, 2, 6, 4, 0});
  EXPECT_EQ(GetList(0, -1, 0), (U{4, 0}));
  EXPECT_EQ(GetList(0, -1, SORT_LIST_REBUILD), (U{1, 5, 0, 2, 4}));
  // Another order or category rebuilds it.
  EXPECT_EQ(GetList(0, 3, 0), (U{0, 2}));
  EXPECT_EQ(Header(), (std::vector<int16_t>{0, 3, 2, 6}));
}

TEST_F(SortListTest, StoredListOfAnEarlierRunIsRebuiltOnce) {
  ASSERT_EQ(GetList(0, -1, 0), (U{1, 5, 0, 2, 4}));
  PutEntries(10, {0, 0xFFFF, 2, 6, 4, 0});  // as a search of that run left it
  SortReset();
  EXPECT_EQ(GetList(0, -1, 0), (U{1, 5, 0, 2, 4}));
  EXPECT_FALSE(SortListIsSearch());
}

TEST_F(SortListTest, DamagedStoredListsAreNeverHandedOut) {
  ASSERT_EQ(GetList(0, -1, 0), (U{1, 5, 0, 2, 4}));
  // An entry past the total under a matching header: rebuilt.
  PutEntries(10, {0, 0xFFFF, 2, 6, 4, 900});
  EXPECT_EQ(GetList(0, -1, 0), (U{1, 5, 0, 2, 4}));
  // A count past the record: the table cannot be used until it is checked.
  PutEntries(10, {0, 0xFFFF, 700, 6});
  int16_t handle = 7;
  const uint16_t* entries = reinterpret_cast<const uint16_t*>(&handle);
  EXPECT_EQ(0, SortGetList(&handle, &entries, 0, -1, 0));
  EXPECT_EQ(handle, 7);  // outputs untouched
  EXPECT_EQ(entries, reinterpret_cast<const uint16_t*>(&handle));
  EXPECT_EQ(SORT_BUILT, SortOpen(SORT_CHECK));  // rescanned
  EXPECT_EQ(GetList(0, -1, 0), (U{1, 5, 0, 2, 4}));
  // A record total larger than the records: unusable.
  PutEntries(10, {0, 0xFFFF, 0, 500});
  EXPECT_EQ(GetList(0, -1, SORT_LIST_REBUILD), U{});
}

TEST_F(SortListTest, MissingTableAndBadArgumentsGiveNothing) {
  EXPECT_EQ(GetList(3, -1, 0), U{});
  EXPECT_EQ(GetList(0, 16, 0), U{});
  EXPECT_EQ(GetList(-1, -1, 0), U{});
  SortClose();
  std::remove((DataDir() + "/" + SORT_TABLE_FILE).c_str());
  EXPECT_EQ(GetList(0, -1, 0), U{});
  EXPECT_FALSE(TableExists());  // asking for a list creates nothing
  EXPECT_EQ(SortRefineList(
                [](const ContactRec*, uint16_t, uint16_t, uintptr_t, bool*) { return true; }, 0),
            0);
}

// Keeps contacts whose last name starts with the letter in `user`; records
// the positions it was shown.
struct Refine {
  explicit Refine(char l, int s = -1) : letter(l), stopAfter(s) {}
  char letter;
  int stopAfter;
  std::vector<uint16_t> positions;
  uint16_t count = 0;
};
bool KeepLetter(const ContactRec* rec, uint16_t position, uint16_t count, uintptr_t user,
                bool* stop) {
  Refine* r = reinterpret_cast<Refine*>(user);
  r->positions.push_back(position);
  r->count = count;
  if (int(r->positions.size()) == r->stopAfter) *stop = true;
  char last[32];
  ContactGetField(rec, FieldKind::LastName, 0, last, sizeof last, 0);
  return r->letter == '*' || last[0] == r->letter;
}

TEST_F(SortListTest, SearchThatMatchesNothingLeavesTheList) {
  ASSERT_EQ(GetList(0, -1, 0), (U{1, 5, 0, 2, 4}));
  Refine none{'Z'};
  EXPECT_EQ(0, SortRefineList(KeepLetter, reinterpret_cast<uintptr_t>(&none)));
  EXPECT_EQ(none.positions, (U{0, 1, 2, 3, 4}));
  EXPECT_EQ(none.count, 5);
  EXPECT_FALSE(SortListIsSearch());
  EXPECT_EQ(GetList(0, -1, 0), (U{1, 5, 0, 2, 4}));
  Refine all{'*'};
  EXPECT_EQ(5, SortRefineList(KeepLetter, reinterpret_cast<uintptr_t>(&all)));
  EXPECT_FALSE(SortListIsSearch());
}

TEST_F(SortListTest, SearchShrinksTheListUntilTheNextRebuild) {
  ASSERT_EQ(GetList(0, -1, 0), (U{1, 5, 0, 2, 4}));
  Refine a{'A'};
  EXPECT_EQ(2, SortRefineList(KeepLetter, reinterpret_cast<uintptr_t>(&a)));
  EXPECT_TRUE(SortListIsSearch());
  EXPECT_EQ(Header(), (std::vector<int16_t>{0, -1, 2, 6}));
  EXPECT_EQ(GetList(0, -1, 0), (U{1, 5}));
  SortClose();
  EXPECT_EQ(GetList(0, -1, 0), (U{1, 5}));  // the stored search results
  // A second find narrows the first.
  Refine first{'*', 1};
  EXPECT_EQ(1, SortRefineList(KeepLetter, reinterpret_cast<uintptr_t>(&first)));
  EXPECT_EQ(first.count, 2);
  EXPECT_EQ(GetList(0, -1, 0), (U{1}));
  EXPECT_EQ(GetList(0, -1, SORT_LIST_DROP_SEARCH), (U{1, 5, 0, 2, 4}));
  EXPECT_FALSE(SortListIsSearch());
}

TEST_F(SortListTest, StoppedSearchKeepsWhatItAccepted) {
  ASSERT_EQ(GetList(0, -1, 0), (U{1, 5, 0, 2, 4}));
  Refine stop{'*', 3};
  EXPECT_EQ(3, SortRefineList(KeepLetter, reinterpret_cast<uintptr_t>(&stop)));
  EXPECT_EQ(stop.positions, (U{0, 1, 2}));
  EXPECT_TRUE(SortListIsSearch());
  EXPECT_EQ(GetList(0, -1, 0), (U{1, 5, 0}));
  Refine later{'C'};
  EXPECT_EQ(0, SortRefineList(KeepLetter, reinterpret_cast<uintptr_t>(&later)));
  Refine b{'B'};
  EXPECT_EQ(1, SortRefineList(KeepLetter, reinterpret_cast<uintptr_t>(&b)));
  EXPECT_EQ(ListEntries(), (U{0}));
}

}  // namespace
