// Tests of SortOpen and SortStamp: the table's records byte for byte for
// small databases, the record sizes, every rebuild and rescan trigger, the
// check of the stored table (damaged orders, totals and counts), the
// results (built, valid, failure) and the refusal of oversized databases.
#include "sort_table_fixture.h"

namespace {

const std::vector<Person> kSmall = {
    {"smith", "Anna", "", 3}, {"Adams", "", "Zeta", 0, false, true},
    {"", "", "Acme", 1},      {"Brown", "bob", "", 15, true},
    {"", "Carl", "Bolt", 2},
};

class SortOpenTest : public SortTableTest {
 protected:
  // Every record of a table built for kSmall, computed from the oracle.
  void ExpectSmallTable(const std::vector<Person>& people) {
    size_t n = people.size();
    PdbImage t = Table();
    ASSERT_TRUE(t.ok) << t.error;
    ASSERT_EQ(t.count, 11);
    for (uint32_t size : PdbRecordSizes(t)) EXPECT_EQ(size, SortRecordBytes(uint32_t(n)));
    for (int k = 0; k < 3; k++) {
      PdbBytes order = LE16Bytes(SortOracleOrder(people, k));
      PdbBytes keys;
      for (const Person& p : people) {
        std::vector<uint8_t> key = SortOracleKey(p, k);
        keys.insert(keys.end(), key.begin(), key.end());
      }
      EXPECT_EQ(PdbBytes(t.records[2 * k].begin(), t.records[2 * k].begin() + 2 * n), order) << k;
      EXPECT_EQ(PdbBytes(t.records[2 * k + 1].begin(), t.records[2 * k + 1].begin() + 2 * n), keys)
          << k;
    }
    PdbBytes attributes, categories;
    for (const Person& p : people) {
      attributes.push_back(uint8_t((p.deleted ? 0x01 : 0) | (p.secret ? 0x02 : 0)));
      attributes.push_back(0);
      uint16_t bit = p.category ? uint16_t(1u << (p.category - 1)) : 0;
      categories.push_back(uint8_t(bit & 0xFF));
      categories.push_back(uint8_t(bit >> 8));
    }
    EXPECT_EQ(PdbBytes(t.records[6].begin(), t.records[6].begin() + 2 * n), attributes);
    EXPECT_EQ(PdbBytes(t.records[7].begin(), t.records[7].begin() + 2 * n), categories);
    // Header: list invalid (order and count -1), total n; the category is not read.
    const PdbBytes& list = t.records[10];
    EXPECT_EQ(list[0], 0xFF);
    EXPECT_EQ(list[1], 0xFF);
    EXPECT_EQ(list[4], 0xFF);
    EXPECT_EQ(list[5], 0xFF);
    EXPECT_EQ(list[6], uint8_t(n));
    EXPECT_EQ(list[7], uint8_t(n >> 8));
  }
  // A valid table whose order 0 holds the reverse of the sorted order (still
  // a permutation), so that a rebuild is told apart from a rescan.
  std::vector<uint16_t> ReverseOrderZero(size_t n) {
    std::vector<uint16_t> reversed = Entries(0, n);
    std::reverse(reversed.begin(), reversed.end());
    PutEntries(0, reversed);
    return reversed;
  }
};

TEST_F(SortOpenTest, EmptyDatabaseStillHasElevenRecordsOfEightBytes) {
  WriteContacts({});
  EXPECT_EQ(SORT_BUILT, SortOpen(SORT_CHECK));
  EXPECT_EQ(TableSizes(), std::vector<uint32_t>(11, 8));
  EXPECT_EQ(Header()[3], 0);
  EXPECT_EQ(SORT_VALID, SortOpen(SORT_CHECK));
}

TEST_F(SortOpenTest, SmallDatabaseTableByteForByte) {
  WriteContacts(kSmall);
  ASSERT_EQ(SORT_BUILT, SortOpen(SORT_CHECK));
  ExpectSmallTable(kSmall);
}

TEST_F(SortOpenTest, ClassicLayoutAndFallbackPreferencesByteForByte) {
  g_prefs.companyWhenNoName = 1;
  g_prefs.nameWhenNoCompany = 1;
  WriteContacts(kSmall, false);
  ASSERT_EQ(SORT_BUILT, SortOpen(SORT_REBUILD));
  ExpectSmallTable(kSmall);
  // Acme now stands among the names, between Adams and Brown.
  EXPECT_EQ(Entries(0, 5), (std::vector<uint16_t>{2, 1, 3, 4, 0}));
}

TEST_F(SortOpenTest, RecordSizesGrowByHundredEntries) {
  EXPECT_EQ(SortRecordBytes(0), 8u);
  EXPECT_EQ(SortRecordBytes(100), 208u);
  EXPECT_EQ(SortRecordBytes(101), 408u);
  EXPECT_EQ(SortRecordBytes(SORT_MAX_CONTACTS), 65408u);
  EXPECT_GT(SortRecordBytes(SORT_MAX_CONTACTS + 1), 65535u);
  std::vector<Person> people(100, Person{"Doe", "Jo"});
  WriteContacts(people);
  ASSERT_EQ(SORT_BUILT, SortOpen(SORT_CHECK));
  EXPECT_EQ(TableSizes(), std::vector<uint32_t>(11, 208));
  people.push_back(Person{"Roe", "Al"});
  WriteContacts(people);
  g_prefs.recordCountSeen = 100;
  ASSERT_EQ(SORT_BUILT, SortOpen(SORT_CHECK));
  EXPECT_EQ(TableSizes(), std::vector<uint32_t>(11, 408));
  EXPECT_EQ(g_prefs.recordCountSeen, 101);
}

TEST_F(SortOpenTest, ValidTableIsLeftAlone) {
  WriteContacts(kSmall);
  ASSERT_EQ(SORT_BUILT, SortOpen(SORT_CHECK));
  PdbBytes before = ReadDataFile(SORT_TABLE_FILE);
  EXPECT_EQ(SORT_VALID, SortOpen(SORT_CHECK));
  EXPECT_EQ(ReadDataFile(SORT_TABLE_FILE), before);
}

TEST_F(SortOpenTest, ShortOrderRecordRebuildsShortAttributeRecordRescans) {
  WriteContacts(kSmall);
  ASSERT_EQ(SORT_BUILT, SortOpen(SORT_CHECK));
  std::vector<uint16_t> sorted = Entries(0, 5);
  // Record 6 two bytes short: resized and rescanned; order 0, a valid
  // permutation left out of order, is sorted again rather than trusted.
  (void)ReverseOrderZero(5);
  EditTable([](std::vector<PdbBytes>& r) { r[6].resize(r[6].size() - 2); });
  EXPECT_EQ(SORT_BUILT, SortOpen(SORT_CHECK));
  EXPECT_EQ(TableSizes(), std::vector<uint32_t>(11, 208));
  EXPECT_EQ(Entries(0, 5), sorted);
  EXPECT_EQ(Entries(6, 5), (std::vector<uint16_t>{0, 2, 0, 1, 0}));
  // Record 0 two bytes short: resized and fully rebuilt.
  EditTable([](std::vector<PdbBytes>& r) { r[0].resize(r[0].size() - 2); });
  EXPECT_EQ(SORT_BUILT, SortOpen(SORT_CHECK));
  EXPECT_EQ(TableSizes(), std::vector<uint32_t>(11, 208));
  EXPECT_EQ(Entries(0, 5), sorted);
}

TEST_F(SortOpenTest, ModesRebuildRescanAndDiscard) {
  WriteContacts(kSmall);
  ASSERT_EQ(SORT_BUILT, SortOpen(SORT_CHECK));
  std::vector<uint16_t> sorted = Entries(0, 5);
  (void)ReverseOrderZero(5);
  PutEntries(1, std::vector<uint16_t>(5, 0x4242));
  EXPECT_EQ(SORT_BUILT, SortOpen(SORT_RESCAN));
  EXPECT_EQ(Entries(0, 5), sorted);     // found out of order: sorted again
  EXPECT_EQ(Entries(1, 1)[0], 0x4D53);  // "SM", keys scanned again
  EXPECT_EQ(SORT_BUILT, SortOpen(SORT_REBUILD));
  EXPECT_EQ(Entries(0, 5), sorted);
  // Discard starts from a new file: an extra record does not survive.
  EditTable([](std::vector<PdbBytes>& r) { r.push_back(PdbStr("extra")); });
  EXPECT_EQ(Table().count, 12);
  EXPECT_EQ(SORT_BUILT, SortOpen(SORT_DISCARD));
  EXPECT_EQ(Table().count, 11);
  ExpectSmallTable(kSmall);
  EXPECT_EQ(ERR_FILE_PARAM, SortOpen(4));
}

TEST_F(SortOpenTest, PreferenceTriggersRebuildAndAreCleared) {
  WriteContacts(kSmall);
  ASSERT_EQ(SORT_BUILT, SortOpen(SORT_CHECK));
  std::vector<uint16_t> sorted = Entries(0, 5);
  Reopen();
  uint32_t fingerprint = ContactFingerprint(Db());
  Close();
  ASSERT_NE(fingerprint, 0u);
  struct Case {
    const char* name;
    std::function<void()> arm;
  };
  std::vector<Case> cases = {
      {"record count", [] { g_prefs.recordCountSeen = 9; }},
      {"stamp", [] { g_prefs.sortTableStamp = 3; }},
      {"fingerprint", [&] { g_prefs.databaseFingerprint = fingerprint + 1; }},
      {"file date", [] { g_contactFileChanged = true; }},
  };
  for (const Case& c : cases) {
    ReverseOrderZero(5);
    c.arm();
    EXPECT_EQ(SORT_BUILT, SortOpen(SORT_CHECK)) << c.name;
    EXPECT_EQ(Entries(0, 5), sorted) << c.name;
    EXPECT_EQ(g_prefs.sortTableStamp, 0) << c.name;
    EXPECT_EQ(g_prefs.databaseFingerprint, 0u) << c.name;
    EXPECT_FALSE(g_contactFileChanged) << c.name;
    EXPECT_EQ(g_prefs.recordCountSeen, c.name[0] == 'r' ? 5 : 0) << c.name;
    g_prefs.recordCountSeen = 0;
  }
  // The same fingerprint leaves the table alone, and is cleared all the same.
  g_prefs.databaseFingerprint = fingerprint;
  EXPECT_EQ(SORT_VALID, SortOpen(SORT_CHECK));
  EXPECT_EQ(g_prefs.databaseFingerprint, 0u);
}

TEST_F(SortOpenTest, StoredTableIsCheckedBeforeUse) {
  WriteContacts(kSmall);
  ASSERT_EQ(SORT_BUILT, SortOpen(SORT_CHECK));
  std::vector<uint16_t> sorted = Entries(0, 5);
  // An order with a duplicate and an out-of-range value: rebuilt.
  PutEntries(2, {4, 4, 9, 0, 1});
  EXPECT_EQ(SORT_BUILT, SortOpen(SORT_CHECK));
  EXPECT_TRUE(SortIsPermutation(Entries(2, 5).data(), 5));
  EXPECT_EQ(Entries(2, 5), SortOracleOrder(kSmall, 1));
  // A header total other than n: rebuilt.
  PutEntries(10, {0xFFFF, 0xFFFF, 0xFFFF, 7});
  EXPECT_EQ(SORT_BUILT, SortOpen(SORT_CHECK));
  EXPECT_EQ(Header()[3], 5);
  // A list count past the record: rescanned (the list marked invalid).
  PutEntries(10, {0, 0xFFFF, 900, 5});
  EXPECT_EQ(SORT_BUILT, SortOpen(SORT_CHECK));
  EXPECT_EQ(Header()[2], -1);
  // A disabled order that is not the identity: rebuilt to the identity.
  g_prefs.sortByCompany = 0;
  EXPECT_EQ(SORT_BUILT, SortOpen(SORT_CHECK));
  EXPECT_EQ(Entries(4, 5), (std::vector<uint16_t>{0, 1, 2, 3, 4}));
  EXPECT_EQ(SORT_VALID, SortOpen(SORT_CHECK));
  EXPECT_EQ(Entries(0, 5), sorted);
}

TEST_F(SortOpenTest, DamagedOrTruncatedFileIsReplaced) {
  WriteContacts(kSmall);
  WriteDataFile(SORT_TABLE_FILE,
                PdbStr("this is not a database at all, not even close to one...."));
  EXPECT_EQ(SORT_BUILT, SortOpen(SORT_CHECK));
  ExpectSmallTable(kSmall);
  // Fewer than eleven records.
  EditTable([](std::vector<PdbBytes>& r) { r.resize(4); });
  EXPECT_EQ(SORT_BUILT, SortOpen(SORT_CHECK));
  ExpectSmallTable(kSmall);
  // Every record cut short.
  EditTable([](std::vector<PdbBytes>& r) {
    for (PdbBytes& b : r) b.resize(3);
  });
  EXPECT_EQ(SORT_BUILT, SortOpen(SORT_CHECK));
  ExpectSmallTable(kSmall);
}

// A small fuzz over the table file: flipped bytes, cut files, records of
// random sizes and random entries. The list and the upkeep never read
// outside the table, and a check afterwards leaves sound orders.
TEST_F(SortOpenTest, RandomlyDamagedTablesNeverCrashAndAreRepaired) {
  const size_t n = 30;
  WriteContacts(RandomPeople(n, 5));
  ASSERT_EQ(SORT_BUILT, SortOpen(SORT_CHECK));
  const PdbBytes good = ReadDataFile(SORT_TABLE_FILE);
  const std::vector<PdbBytes> records = Table().records;
  std::mt19937 rng(42);
  for (int round = 0; round < 200; round++) {
    SortClose();
    PdbBytes bad = good;
    if (round % 3 == 0) {
      for (uint32_t flips = 1 + rng() % 8; flips > 0; flips--)
        bad[rng() % bad.size()] ^= uint8_t(1 + rng() % 255);
    } else if (round % 3 == 1) {
      bad.resize(rng() % bad.size());
    } else {
      PdbBuilder b;
      for (size_t r = 0; r < records.size(); r++) {
        PdbBytes rec = records[r];
        if (rng() % 3 == 0) rec.resize(rng() % 80);
        for (size_t i = 0; i + 1 < rec.size(); i += 2)
          if (rng() % 4 == 0) rec[i + (rng() & 1)] = uint8_t(rng());
        b.Record(rec);
      }
      bad = b.Bytes();
    }
    WriteDataFile(SORT_TABLE_FILE, bad);
    (void)GetList(int16_t(rng() % 3), int16_t(int(rng() % 17) - 1), uint16_t(rng() % 4));
    (void)SortRefineList(
        [](const ContactRec*, uint16_t, uint16_t, uintptr_t, bool*) { return false; }, 0);
    if (round % 2 == 0) {
      SortRecordMoved(uint16_t(rng() % 40), uint16_t(rng() % 40));
      (void)SortRecordChanged(int16_t(1 + rng() % 2), uint16_t(rng() % n), 0);
    }
    Err err = SortOpen(SORT_CHECK);
    ASSERT_GE(err, SORT_VALID) << "round " << round;
    ASSERT_EQ(Header()[3], int16_t(n)) << "round " << round;
    for (int k = 0; k < 3; k++) {
      std::vector<uint16_t> order = Entries(2 * k, n);
      ASSERT_EQ(order.size(), n) << "round " << round;
      ASSERT_TRUE(SortIsPermutation(order.data(), n)) << "round " << round;
    }
    (void)GetList(0, -1, 0);
  }
}

TEST_F(SortOpenTest, CreationDropsTheOlderFileName) {
  WriteContacts(kSmall);
  WriteDataFile(SORT_TABLE_OLD_FILE, PdbStr("old"));
  ASSERT_EQ(SORT_BUILT, SortOpen(SORT_CHECK));
  EXPECT_FALSE(HostFileExists(DataDir() + "/" + SORT_TABLE_OLD_FILE));
  WriteDataFile(SORT_TABLE_OLD_FILE, PdbStr("old"));
  EXPECT_EQ(SORT_VALID, SortOpen(SORT_CHECK));
  EXPECT_TRUE(HostFileExists(DataDir() + "/" + SORT_TABLE_OLD_FILE));
}

TEST_F(SortOpenTest, MissingContactsFailAndRemoveTheTable) {
  WriteContacts(kSmall);
  ASSERT_EQ(SORT_BUILT, SortOpen(SORT_CHECK));
  ASSERT_TRUE(TableExists());
  std::remove((DataDir() + "/" + CONTACTS_FILE).c_str());
  Err err = SortOpen(SORT_CHECK);
  EXPECT_LT(err, SORT_VALID);
  EXPECT_FALSE(TableExists());
  EXPECT_EQ(SortStamp(), 0);
}

TEST_F(SortOpenTest, EveryFailedWriteIsReportedAndLeavesNoTable) {
  WriteContacts(kSmall);
  SortLoadCollation();  // its file is written once per run, before the count
  // Count the writes of a build from nothing, then fail each one in turn.
  HOST_SetFileOps(&HOST_FAULT_FILE_OPS);
  HostFaults faults{};
  faults.diskFreeBytes = -1;
  HOST_SetFaults(&faults);
  ASSERT_EQ(SORT_BUILT, SortOpen(SORT_DISCARD));
  uint32_t writes = HOST_FaultCounts().writes;
  ASSERT_GT(writes, 10u);
  for (uint32_t at = 1; at <= writes; at++) {
    faults.failWriteAt = at;
    HOST_SetFaults(&faults);
    Err err = SortOpen(SORT_DISCARD);
    HOST_SetFaults(nullptr);
    EXPECT_LT(err, SORT_VALID) << "write " << at;
    EXPECT_FALSE(TableExists()) << "write " << at;
  }
  EXPECT_EQ(SORT_BUILT, SortOpen(SORT_CHECK));
  ExpectSmallTable(kSmall);
}

TEST_F(SortOpenTest, TooManyContactsAreRefusedNotWrapped) {
  PdbBytes record = PersonRecord(Person{"Doe", "Jo"});
  PdbBuilder b = ContactPdb(true);
  for (uint32_t i = 0; i <= SORT_MAX_CONTACTS; i++) b.Record(record, 0, i + 1);
  WriteDataFile(CONTACTS_FILE, b.Bytes());
  WriteDataFile(SORT_TABLE_FILE, PdbBuilder().Record("x").Bytes());
  EXPECT_EQ(SORT_ERR_TOO_MANY, SortOpen(SORT_CHECK));
  EXPECT_FALSE(TableExists());
  EXPECT_EQ(GetList(0, -1, 0), std::vector<uint16_t>{});
}

TEST_F(SortOpenTest, LargestTableIsBuilt) {
  PdbBytes record = PersonRecord(Person{"Doe", "Jo"});
  PdbBuilder b = ContactPdb(true);
  for (uint32_t i = 0; i < SORT_MAX_CONTACTS; i++) b.Record(record, 0, i + 1);
  WriteDataFile(CONTACTS_FILE, b.Bytes());
  g_prefs.sortByLast = g_prefs.sortByFirst = g_prefs.sortByCompany = 0;
  ASSERT_EQ(SORT_BUILT, SortOpen(SORT_CHECK));
  EXPECT_EQ(TableSizes(), std::vector<uint32_t>(11, 65408));
  EXPECT_EQ(Header()[3], int16_t(SORT_MAX_CONTACTS));
  std::vector<uint16_t> order = Entries(4, SORT_MAX_CONTACTS);
  EXPECT_EQ(order.back(), SORT_MAX_CONTACTS - 1);
  // One more contact cannot be indexed: the table goes, never wraps.
  Reopen();
  ASSERT_EQ(0, ContactNew(Db(), 0));
  EXPECT_EQ(SortRecordInserted(0), -1);
  EXPECT_FALSE(TableExists());
}

TEST_F(SortOpenTest, StampCountsDeletedRecordsAtTheEnd) {
  std::vector<Person> people(3, Person{"A"});
  for (int i = 0; i < 3; i++) people.push_back(Person{"Gone", "", "", 0, true});
  WriteContacts(people);
  EXPECT_EQ(SortStamp(), 3);
  people.assign(5, Person{"A"});
  for (int i = 0; i < 60; i++) people.push_back(Person{"Gone", "", "", 0, true});
  WriteContacts(people);
  EXPECT_EQ(SortStamp(), 50);
}

TEST_F(SortOpenTest, ProgressStagesTimingsAndReset) {
  struct Seen {
    std::vector<FourCC> stages;
  } seen;
  SortSetProgress(
      [](FourCC stage, int32_t, int32_t total, uintptr_t arg) {
        EXPECT_EQ(total, 100);
        reinterpret_cast<Seen*>(arg)->stages.push_back(stage);
      },
      reinterpret_cast<uintptr_t>(&seen));
  g_prefs.sortByFirst = 0;
  WriteContacts(kSmall);
  ASSERT_EQ(SORT_BUILT, SortOpen(SORT_CHECK));
  EXPECT_EQ(seen.stages, (std::vector<FourCC>{FCC("$Sf0"), FCC("$Sf1"), FCC("$Sf3")}));
  SortTimings t = SortLastTimings();
  EXPECT_GE(t.recoverMs, 0);
  EXPECT_GE(t.scanMs, 0);
  EXPECT_EQ(t.sortMs[1], 0);
  SortReset();
  seen.stages.clear();
  ASSERT_EQ(SORT_BUILT, SortOpen(SORT_REBUILD));
  EXPECT_TRUE(seen.stages.empty());  // the reset dropped the callback
}

}  // namespace
