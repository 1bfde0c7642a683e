// Tests of the upkeep after single-contact changes: insertion (growing the
// records, shifting indices, the new contact's place), deletion (moved to the
// last index and marked), moves, changes in both modes with the list's
// invalidation, the duplicate path, and the range checks that remove a table
// found out of step instead of writing outside it.
#include "sort_table_fixture.h"

namespace {

using U = std::vector<uint16_t>;

const std::vector<Person> kFive = {
    {"Evans", "Ed", "", 2}, {"Baker", "Al", "", 3}, {"Dunn", "Di"},
    {"Adams", "Bo"},        {"Cole", "Cy", "", 3},
};

class SortUpkeepTest : public SortTableTest {
 protected:
  void Start(const std::vector<Person>& people) {
    WriteContacts(people);
    ASSERT_EQ(SORT_BUILT, SortOpen(SORT_CHECK));
    Reopen();
  }
};

TEST_F(SortUpkeepTest, Inserting101stContactResizesEveryRecord) {
  Start(std::vector<Person>(100, Person{"Doe", "Jo"}));
  ASSERT_EQ(TableSizes(), std::vector<uint32_t>(11, 208));
  ASSERT_EQ(0, ContactNew(Db(), 0));
  EXPECT_EQ(SortRecordInserted(0), -1);  // no list was built yet
  EXPECT_EQ(TableSizes(), std::vector<uint32_t>(11, 408));
  EXPECT_EQ(Header()[3], 101);
  EXPECT_GE(SortRecordChanged(SORT_CHANGE_PLACE, 0, 0), 0);
  ExpectMatchesRebuild(101);
}

TEST_F(SortUpkeepTest, DeletingIndexZeroOfFive) {
  Start(kFive);
  ASSERT_EQ(GetList(0, -1, 0), (U{3, 1, 4, 2, 0}));
  U keysOfZero = Facts(0, 5);
  ASSERT_EQ(4, ContactDelete(Db(), 0));
  SortRecordDeleted(0);
  EXPECT_EQ(Header(), (std::vector<int16_t>{0, -1, 4, 5}));
  EXPECT_EQ(ListEntries(), (U{2, 0, 3, 1}));
  EXPECT_EQ(Entries(0, 5), (U{2, 0, 3, 1, 4}));  // Evans keeps its place as contact 4
  U facts = Facts(4, 5);
  EXPECT_EQ(facts[3], keysOfZero[3] | REC_ATTR_DELETED);
  EXPECT_EQ(facts[0], keysOfZero[0]);
  EXPECT_EQ(GetList(0, -1, SORT_LIST_REBUILD), (U{2, 0, 3, 1}));
  ExpectMatchesRebuild(5);
}

TEST_F(SortUpkeepTest, AppendedContactGoesFirstThenToItsPlace) {
  Start(kFive);
  ASSERT_EQ(GetList(0, -1, 0), (U{3, 1, 4, 2, 0}));
  ASSERT_EQ(0, ContactDuplicate(Db(), 4));  // Cole again, as contact 5
  EXPECT_EQ(SortRecordInserted(5), 0);
  for (int k = 0; k < 3; k++) EXPECT_EQ(Entries(2 * k, 6)[0], 5) << k;
  EXPECT_EQ(ListEntries(), (U{5, 3, 1, 4, 2, 0}));
  // Next to the contact it copies (which side of it is the search's choice).
  int32_t q = SortRecordChanged(SORT_CHANGE_PLACE, 5, 0);
  U order = Entries(0, 6);
  ASSERT_TRUE(q == 2 || q == 3) << q;
  EXPECT_EQ(order[size_t(q)], 5);
  EXPECT_EQ(order[size_t(5 - q)], 4);
  EXPECT_EQ(Header()[0], -1);  // the list is built again when next asked
  U category3;
  for (uint16_t r : order)
    if (r == 1 || r == 4 || r == 5) category3.push_back(r);
  EXPECT_EQ(GetList(0, 3, 0), category3);
  ExpectMatchesRebuild(6);
}

TEST_F(SortUpkeepTest, InsertionShiftsIndicesAndOpensAPlace) {
  Start(kFive);
  ASSERT_EQ(GetList(0, -1, 0), (U{3, 1, 4, 2, 0}));
  U old1 = Entries(1, 5), old6 = Entries(6, 5);
  ASSERT_EQ(0, ContactDuplicate(Db(), 2));  // Dunn again, as contact 3
  // The new 3 stands directly before the old 3 (now 4); above 3 grows by one.
  EXPECT_EQ(SortRecordInserted(3), 0);
  EXPECT_EQ(Entries(0, 6), (U{3, 4, 1, 5, 2, 0}));
  EXPECT_EQ(ListEntries(), (U{3, 4, 1, 5, 2, 0}));
  EXPECT_EQ(Entries(1, 6), (U{old1[0], old1[1], old1[2], old1[3], old1[3], old1[4]}));
  EXPECT_EQ(Entries(6, 6), (U{old6[0], old6[1], old6[2], old6[3], old6[3], old6[4]}));
  // The duplicate path then sets the copy's entries and places it.
  EXPECT_EQ(SortRecordChanged(SORT_CHANGE_PLACE, 3, 1), 3);
  U copy = Facts(3, 6), original = Facts(2, 6);
  copy[3] &= 3;  // attribute bits besides deleted and private may differ
  original[3] &= 3;
  EXPECT_EQ(copy, original);
  ExpectMatchesRebuild(6);
}

TEST_F(SortUpkeepTest, MoveRenumbersOrdersArraysAndList) {
  Start(kFive);
  ASSERT_EQ(GetList(0, -1, 0), (U{3, 1, 4, 2, 0}));
  U keys = Entries(1, 5);
  SortRecordMoved(1, 4);
  EXPECT_EQ(Entries(0, 5), (U{2, 4, 3, 1, 0}));
  EXPECT_EQ(ListEntries(), (U{2, 4, 3, 1, 0}));
  EXPECT_EQ(Entries(1, 5), (U{keys[0], keys[2], keys[3], keys[4], keys[1]}));
  SortRecordMoved(4, 1);
  EXPECT_EQ(Entries(0, 5), (U{3, 1, 4, 2, 0}));
  EXPECT_EQ(Entries(1, 5), keys);
  // Indices past the end are clamped to the last contact.
  SortRecordMoved(0, 999);
  EXPECT_EQ(Entries(0, 5), (U{2, 0, 3, 1, 4}));
  SortRecordMoved(999, 0);
  EXPECT_EQ(Entries(0, 5), (U{3, 1, 4, 2, 0}));
  PdbBytes before = ReadDataFile(SORT_TABLE_FILE);
  SortRecordMoved(700, 999);
  EXPECT_EQ(ReadDataFile(SORT_TABLE_FILE), before);
}

TEST_F(SortUpkeepTest, RenamedContactIsMovedAndReplaced) {
  Start(kFive);
  ContactRec rec{};
  ASSERT_EQ(0, ContactFetch(&rec, Db(), 1));
  ASSERT_EQ(0, ContactSetField(&rec, FieldKind::LastName, 0, "Zorn"));
  ContactRelease(&rec);
  uint16_t to = ContactReposition(Db(), 1);
  if (to != 1) SortRecordMoved(1, to);
  int32_t q = SortRecordChanged(SORT_CHANGE_PLACE, to, 0);
  EXPECT_EQ(q, 4);
  EXPECT_EQ(Entries(0, 5)[4], to);
  EXPECT_EQ(Entries(1, 5)[to], 0x4F5A);  // "ZO"
  ExpectMatchesRebuild(5);
}

TEST_F(SortUpkeepTest, RefreshInvalidatesTheListOnlyWhenFiltersChange) {
  Start(kFive);
  ASSERT_EQ(GetList(0, 3, 0), (U{1, 4}));
  // A phone number changed: the list stays.
  ContactRec rec{};
  ASSERT_EQ(0, ContactFetch(&rec, Db(), 2));
  ASSERT_EQ(0, ContactSetField(&rec, FieldKind::Phone, 0, "555 1234"));
  ContactRelease(&rec);
  EXPECT_EQ(SortRecordChanged(SORT_CHANGE_REFRESH, 2, 0), -1);
  EXPECT_EQ(Header(), (std::vector<int16_t>{0, 3, 2, 5}));
  // Its category changed: the list is rebuilt when next asked for.
  ASSERT_EQ(0, ContactSetAttributes(Db(), 2, 0x0004, REC_ATTR_SECRET));
  EXPECT_EQ(SortRecordChanged(SORT_CHANGE_REFRESH, 2, 0), -1);
  EXPECT_EQ(Header()[0], -1);
  EXPECT_EQ(Facts(2, 5)[4], 0x0004);
  EXPECT_EQ(Facts(2, 5)[3] & REC_ATTR_SECRET, REC_ATTR_SECRET);
  EXPECT_EQ(GetList(0, 3, 0), (U{1, 4, 2}));
  // Mode 1 always invalidates; an order of interest outside 0-2 gives -1.
  EXPECT_EQ(SortRecordChanged(SORT_CHANGE_PLACE, 2, 5), -1);
  EXPECT_EQ(Header()[0], -1);
  ExpectMatchesRebuild(5);
}

TEST_F(SortUpkeepTest, IndicesPastTheTableNeverReachIt) {
  Start(kFive);
  PdbBytes before = ReadDataFile(SORT_TABLE_FILE);
  EXPECT_EQ(SortRecordChanged(SORT_CHANGE_PLACE, 5, 0), -1);
  EXPECT_EQ(SortRecordChanged(SORT_CHANGE_PLACE, 60000, 0), -1);
  EXPECT_EQ(ReadDataFile(SORT_TABLE_FILE), before);
  // An insertion or deletion past the total means the table is out of step:
  // it is removed, and the next check builds it again.
  EXPECT_EQ(SortRecordInserted(6), -1);
  EXPECT_FALSE(TableExists());
  ASSERT_EQ(SORT_BUILT, SortOpen(SORT_CHECK));
  SortRecordDeleted(5);
  EXPECT_FALSE(TableExists());
  ASSERT_EQ(SORT_BUILT, SortOpen(SORT_CHECK));
  // A contact inserted without telling the table: the change finds the
  // count out of step.
  ASSERT_EQ(0, ContactNew(Db(), 0));
  EXPECT_EQ(SortRecordChanged(SORT_CHANGE_PLACE, 0, 0), -1);
  EXPECT_FALSE(TableExists());
  // Without a table the upkeep does nothing and creates nothing.
  EXPECT_EQ(SortRecordInserted(0), -1);
  SortRecordDeleted(0);
  SortRecordMoved(0, 1);
  EXPECT_EQ(SortRecordChanged(SORT_CHANGE_PLACE, 0, 0), -1);
  EXPECT_FALSE(TableExists());
}

TEST_F(SortUpkeepTest, DisabledOrderStaysTheIdentity) {
  g_prefs.sortByFirst = 0;
  Start(kFive);
  ASSERT_EQ(0, ContactDuplicate(Db(), 4));
  EXPECT_EQ(SortRecordInserted(5), -1);
  EXPECT_EQ(Entries(2, 6), (U{5, 0, 1, 2, 3, 4}));
  EXPECT_EQ(SortRecordChanged(SORT_CHANGE_PLACE, 5, 1), 5);
  EXPECT_EQ(Entries(2, 6), (U{0, 1, 2, 3, 4, 5}));
  ASSERT_EQ(5, ContactDelete(Db(), 1));
  SortRecordDeleted(1);
  EXPECT_EQ(Entries(2, 6), (U{0, 1, 2, 3, 4, 5}));
  ExpectMatchesRebuild(6);
}

}  // namespace
