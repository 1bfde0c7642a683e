// Tests of the build stages: every work-buffer size (full, 3n/2, 4,000
// entries, 100 on the stack) and the comparison sort for whole orders give
// the same sorted permutation, which also agrees with std::stable_sort and
// with the written-out ordering rules; the recover stage's fast and slow
// paths repair damaged orders alike; disabled orders become the identity.
#include "sort_table_fixture.h"

namespace {

class SortBuildTest : public SortTableTest {
 protected:
  std::vector<std::vector<uint16_t>> Orders(size_t n) const {
    return {Entries(0, n), Entries(2, n), Entries(4, n)};
  }
  // Each order sorted, a permutation, equal up to ties to std::stable_sort
  // by SortCompareRecords, and never against the written-out rules.
  void ExpectSorted(const std::vector<Person>& people) {
    size_t n = people.size();
    Reopen();
    for (int16_t k = 0; k < 3; k++) {
      std::vector<uint16_t> order = Entries(2 * k, n);
      EXPECT_TRUE(SortedPermutation(order, k, n));
      std::vector<uint16_t> stable(n);
      std::iota(stable.begin(), stable.end(), uint16_t(0));
      SortContext ctx;
      SortContextInit(&ctx, Db(), k);
      std::stable_sort(stable.begin(), stable.end(), [&](uint16_t a, uint16_t b) {
        return SortCompareRecords(&a, &b, reinterpret_cast<uintptr_t>(&ctx)) < 0;
      });
      SortContextRelease(&ctx);
      EXPECT_TRUE(SameUpToTies(order, stable, k));
      for (size_t p = 1; p < n; p++)
        ASSERT_LE(SortOracleCompare(people[order[p - 1]], people[order[p]], k), 0)
            << "order " << k << " position " << p;
    }
    Close();
  }
};

TEST_F(SortBuildTest, EveryBufferPathGivesTheSameSortedOrders) {
  const size_t n = 300;
  std::vector<Person> people = RandomPeople(n, 7);
  WriteContacts(people);
  struct Path {
    SortBufferForce force;
    uint32_t entries;
    bool fast;
    bool scratch;
  };
  const Path paths[] = {{SORT_BUFFER_FULL, 5 * n / 2 + 100, true, false},
                        {SORT_BUFFER_THREE_HALF, 3 * n / 2 + 100, true, true},
                        {SORT_BUFFER_FOUR_K, 4000, true, false},
                        {SORT_BUFFER_STACK, 100, false, true}};
  for (uint8_t multiByte : {0, 1}) {
    g_prefs.multiByteChars = multiByte;
    std::vector<std::vector<uint16_t>> first;
    for (const Path& path : paths) {
      g_sort.forceBuffer = path.force;
      ASSERT_EQ(SORT_BUILT, SortOpen(SORT_DISCARD)) << path.force;
      EXPECT_EQ(g_sort.bufferEntries, path.entries);
      EXPECT_EQ(g_sort.recoverFast, path.fast);
      EXPECT_EQ(g_sort.scratchScatters > 0, path.scratch && !multiByte) << path.force;
      if (first.empty()) {
        first = Orders(n);
        ExpectSorted(people);
      } else {
        EXPECT_EQ(Orders(n), first) << "buffer path " << path.force;
      }
    }
    // Large ranges compared without the contacts fetched beforehand.
    g_sort.forceBuffer = SORT_BUFFER_NORMAL;
    g_sort.plainCompare = true;
    ASSERT_EQ(SORT_BUILT, SortOpen(SORT_DISCARD));
    EXPECT_EQ(Orders(n), first) << "plain comparison";
    g_sort.plainCompare = false;
  }
}

TEST_F(SortBuildTest, DamagedOrdersAreSortedOnEveryPath) {
  const size_t n = 120;
  std::vector<Person> people = RandomPeople(n, 11);
  WriteContacts(people);
  for (SortBufferForce force : {SORT_BUFFER_FULL, SORT_BUFFER_THREE_HALF, SORT_BUFFER_STACK}) {
    ASSERT_GE(SortOpen(SORT_CHECK), SORT_VALID);  // built the first time round
    std::vector<uint16_t> damaged(n, 7);
    damaged[0] = 0xFFFF;
    damaged[1] = 500;
    PutEntries(0, damaged);
    PutEntries(2, std::vector<uint16_t>(n, 0));
    g_sort.forceBuffer = force;
    EXPECT_EQ(SORT_BUILT, SortOpen(SORT_CHECK)) << force;
    ExpectSorted(people);
  }
}

TEST_F(SortBuildTest, DisabledOrdersHoldTheIdentity) {
  std::vector<Person> people = RandomPeople(40, 3);
  WriteContacts(people);
  g_prefs.sortByLast = g_prefs.sortByFirst = g_prefs.sortByCompany = 0;
  std::vector<uint16_t> identity(40);
  std::iota(identity.begin(), identity.end(), uint16_t(0));
  for (SortBufferForce force : {SORT_BUFFER_FULL, SORT_BUFFER_STACK}) {
    g_sort.forceBuffer = force;
    ASSERT_EQ(SORT_BUILT, SortOpen(SORT_REBUILD));
    for (int k = 0; k < 3; k++) EXPECT_EQ(Entries(2 * k, 40), identity) << k;
  }
}

class SortRecoverTest : public SortTableTest {
 protected:
  // n contacts whose table is built, then the three orders replaced and the
  // recover stage run alone with a buffer of `cap` entries.
  void Build(size_t n) {
    n_ = n;
    std::vector<Person> people;
    for (size_t i = 0; i < n; i++) people.push_back(Person{"P" + std::to_string(1000 + i)});
    WriteContacts(people);
    ASSERT_EQ(SORT_BUILT, SortOpen(SORT_CHECK));
  }
  std::vector<std::vector<uint16_t>> Recover(const std::vector<std::vector<uint16_t>>& orders,
                                             uint32_t cap, uint8_t* changed = nullptr) {
    for (int k = 0; k < 3; k++) PutEntries(2 * k, orders[size_t(k)]);
    FileRef t = nullptr;
    EXPECT_EQ(0, SortOpenTable(&t));
    Reopen();
    std::vector<uint16_t> buffer(cap);
    SortBuild b{Db(),
                t,
                uint32_t(n_),
                buffer.data(),
                cap,
                nullptr,
                {g_prefs.sortByLast != 0, g_prefs.sortByFirst != 0, g_prefs.sortByCompany != 0}};
    uint8_t bits = 0;
    EXPECT_EQ(0, SortRecover(&b, &bits));
    if (changed) *changed = bits;
    FIL_Close(&t);
    Close();
    return {Entries(0, n_), Entries(2, n_), Entries(4, n_)};
  }
  std::vector<uint16_t> Identity() const {
    std::vector<uint16_t> v(n_);
    std::iota(v.begin(), v.end(), uint16_t(0));
    return v;
  }
  size_t n_ = 0;
};

TEST_F(SortRecoverTest, SecondCopyOfADuplicateTakesTheMissingValueOnEveryPath) {
  Build(20);
  std::vector<uint16_t> twice = Identity();
  twice[3] = 7;  // 7 at positions 3 and 7, no 3
  std::vector<uint16_t> expect = Identity();
  expect[3] = 7;
  expect[7] = 3;
  std::vector<uint16_t> ranged = Identity();
  ranged[2] = 0xFFFF;  // out of range: 2 missing
  ranged[9] = 5;       // a second 5: 9 missing
  std::vector<uint16_t> reversed = Identity();
  std::reverse(reversed.begin(), reversed.end());
  // 200: fast path with a copy; 40: fast, corrections entry by entry; 30: slow.
  for (uint32_t cap : {200u, 40u, 30u}) {
    uint8_t changed = 0;
    auto out = Recover({twice, ranged, reversed}, cap, &changed);
    EXPECT_EQ(out[0], expect) << cap;
    EXPECT_EQ(out[1], Identity()) << cap;  // 2 and 9 go back to their places
    EXPECT_EQ(out[2], reversed) << cap;    // a sound order is left as it is
    EXPECT_EQ(changed, 0x03) << cap;
  }
}

TEST_F(SortRecoverTest, SlowPathResetsHeavyDamageToTheIdentity) {
  Build(20);
  std::vector<uint16_t> heavy(20, 4);  // far past 20 % duplicates
  std::vector<uint16_t> reversed = Identity();
  std::reverse(reversed.begin(), reversed.end());
  auto out = Recover({heavy, reversed, Identity()}, 30);
  EXPECT_EQ(out[0], Identity());
  EXPECT_EQ(out[1], reversed);
  // The fast path repairs the same order without resetting the rest.
  out = Recover({heavy, reversed, Identity()}, 200);
  EXPECT_TRUE(SortIsPermutation(out[0].data(), 20));
  EXPECT_EQ(out[0][0], 4);
  EXPECT_EQ(out[1], reversed);
}

TEST_F(SortRecoverTest, DisabledOrdersBecomeTheIdentityOnEveryPath) {
  Build(20);
  g_prefs.sortByFirst = 0;
  std::vector<uint16_t> reversed = Identity();
  std::reverse(reversed.begin(), reversed.end());
  for (uint32_t cap : {200u, 40u, 30u}) {
    uint8_t changed = 0;
    auto out = Recover({reversed, reversed, reversed}, cap, &changed);
    EXPECT_EQ(out[0], reversed);
    EXPECT_EQ(out[1], Identity());
    EXPECT_EQ(changed, 0x02);
  }
}

TEST_F(SortRecoverTest, SlowPathOnLargeOrdersResetsOnlyDamagedOnes) {
  Build(1000);
  std::vector<uint16_t> damaged = Identity();
  std::swap(damaged[10], damaged[20]);
  std::vector<uint16_t> sound = damaged;
  damaged[500] = 0xFFFF;
  auto out = Recover({damaged, sound, Identity()}, 100);
  EXPECT_EQ(out[0], Identity());
  EXPECT_EQ(out[1], sound);
}

}  // namespace
