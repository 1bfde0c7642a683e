// Property test of the upkeep: random sequences of inserts (new contacts and
// duplicates), deletes, renames that move a contact in the database, and
// category or privacy edits, applied through the contact store and the
// upkeep operations as the screens do. After every step each order is a
// permutation with no adjacent pair out of order, the display list equals a
// fresh rebuild of it, and every few steps the whole table matches a full
// rebuild (orders up to ties, per-contact records exactly).
#include "sort_table_fixture.h"

namespace {

using U = std::vector<uint16_t>;

class SortPropertyTest : public SortTableTest {
 protected:
  std::mt19937 rng_;
  int16_t listOrder_ = 0, listCategory_ = -1;
  int done_[7] = {0, 0, 0, 0, 0, 0, 0};  // steps of each kind that changed something

  uint16_t Count() { return ContactDbCount(Db()); }
  // Live contacts stand before the deleted ones.
  uint16_t Live() {
    uint16_t live = 0;
    uint8_t attributes = 0;
    while (live < Count() && DB_RecordInfo(Db()->file, live, &attributes, nullptr) == 0 &&
           !(attributes & REC_ATTR_DELETED))
      live++;
    return live;
  }
  uint16_t Pick(uint16_t below) { return uint16_t(rng_() % below); }

  void SetNames(uint16_t i) {
    Person p = RandomPeople(1, rng_())[0];
    ContactRec rec{};
    ASSERT_EQ(0, ContactFetch(&rec, Db(), i));
    ASSERT_EQ(0, ContactSetField(&rec, FieldKind::LastName, 0, p.last.c_str()));
    ASSERT_EQ(0, ContactSetField(&rec, FieldKind::FirstName, 0, p.first.c_str()));
    ASSERT_EQ(0, ContactSetField(&rec, FieldKind::Company, 0, p.company.c_str()));
    ContactRelease(&rec);
  }
  // The editor's sequence after a contact's sort fields changed.
  void Replace(uint16_t i) {
    uint16_t to = ContactReposition(Db(), i);
    if (to != i) SortRecordMoved(i, to);
    int32_t q = SortRecordChanged(SORT_CHANGE_PLACE, to, listOrder_);
    ASSERT_GE(q, 0);
    EXPECT_EQ(Entries(2 * listOrder_, Count())[size_t(q)], to);
  }

  void Step() {
    uint16_t live = Live();
    uint32_t kind = rng_() % 7;
    switch (kind) {
      case 0: {  // a new contact
        ASSERT_EQ(0, ContactNew(Db(), ContactCategoryMask(uint8_t(rng_() % 4))));
        (void)SortRecordInserted(0);
        SetNames(0);
        Replace(0);
        break;
      }
      case 1: {  // a duplicate, placed beside its original
        if (live == 0) return;
        uint16_t i = Pick(live);
        ASSERT_EQ(0, ContactDuplicate(Db(), i));
        (void)SortRecordInserted(uint16_t(i + 1));
        ASSERT_GE(SortRecordChanged(SORT_CHANGE_PLACE, uint16_t(i + 1), listOrder_), 0);
        break;
      }
      case 2: {  // a deletion
        if (live < 2) return;
        uint16_t i = Pick(live);
        if (ContactDelete(Db(), i) < 0) return;
        SortRecordDeleted(i);
        break;
      }
      case 3:
      case 4: {  // a rename, which may move the contact in the database
        if (live == 0) return;
        uint16_t i = Pick(live);
        SetNames(i);
        Replace(i);
        break;
      }
      case 5: {  // category and privacy only
        if (live == 0) return;
        uint16_t i = Pick(live);
        uint8_t attributes = (rng_() & 1) ? REC_ATTR_SECRET : 0;
        ASSERT_EQ(
            0, ContactSetAttributes(Db(), i, ContactCategoryMask(uint8_t(rng_() % 4)), attributes));
        EXPECT_EQ(SortRecordChanged(SORT_CHANGE_REFRESH, i, listOrder_), -1);
        break;
      }
      default:  // the screen shows another list
        listOrder_ = int16_t(rng_() % 3);
        listCategory_ = int16_t(rng_() % 5) - 1;
        (void)GetList(listOrder_, listCategory_, 0);
        break;
    }
    done_[kind]++;
  }

  void Check(int step) {
    size_t n = Count();
    ASSERT_EQ(Header()[3], int16_t(n)) << "step " << step;
    const bool enabled[3] = {g_prefs.sortByLast != 0, g_prefs.sortByFirst != 0,
                             g_prefs.sortByCompany != 0};
    U identity(n);
    std::iota(identity.begin(), identity.end(), uint16_t(0));
    for (int16_t k = 0; k < 3; k++) {
      if (enabled[k]) {
        ASSERT_TRUE(SortedPermutation(Entries(2 * k, n), k, n)) << "step " << step;
      } else {
        ASSERT_EQ(Entries(2 * k, n), identity) << "step " << step;
      }
    }
    U kept = GetList(listOrder_, listCategory_, 0);
    ASSERT_EQ(kept, GetList(listOrder_, listCategory_, SORT_LIST_REBUILD)) << "step " << step;
  }

  void Run(uint32_t seed, int steps) {
    rng_.seed(seed);
    WriteContacts(RandomPeople(25, seed));
    ASSERT_EQ(SORT_BUILT, SortOpen(SORT_DISCARD));
    Reopen();
    (void)GetList(listOrder_, listCategory_, 0);
    for (int step = 0; step < steps; step++) {
      ASSERT_NO_FATAL_FAILURE(Step()) << "seed " << seed << " step " << step;
      ASSERT_NO_FATAL_FAILURE(Check(step)) << "seed " << seed;
      if (step % 20 == 19) {
        ASSERT_NO_FATAL_FAILURE(ExpectMatchesRebuild(Count())) << "seed " << seed;
        (void)GetList(listOrder_, listCategory_, 0);
      }
    }
    ExpectMatchesRebuild(Count());
  }
};

TEST_F(SortPropertyTest, UpkeepKeepsTheTableAsARebuildWouldMakeIt) {
  for (uint32_t seed : {1u, 2u, 3u}) {
    Run(seed, 120);
    if (HasFatalFailure()) return;
  }
  for (int kind = 0; kind < 7; kind++) EXPECT_GT(done_[kind], 3) << kind;
}

TEST_F(SortPropertyTest, HoldsWithPrivacyHiddenAndOrdersSwitchedOff) {
  g_prefs.securityLevel = 2;
  g_prefs.hiddenCategories = 1u << 2;
  g_prefs.sortByFirst = 0;
  g_prefs.companyWhenNoName = 1;
  Run(9, 150);
}

}  // namespace
