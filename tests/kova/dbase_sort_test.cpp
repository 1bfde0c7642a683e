// Record databases, DB_Sort: order, stability, entry contents travelling
// with their data (attributes, categories, unique IDs), and the batch bound.
#include <algorithm>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "db_fixture.h"
#include "dbase_internal.h"
#include "host_file.h"

namespace {

struct Rec {
  std::string data;
  uint8_t attrs = 0;
  uint32_t uid = 0;
};
using Recs = std::vector<Rec>;

PdbBytes Make(const Recs& recs) {
  PdbBuilder b;
  b.Name("Sorted").AppInfo("categories");
  for (const Rec& r : recs) b.Record(r.data, r.attrs, r.uid);
  return b.Bytes();
}

int16_t ByBytes(const uint8_t* a, uint32_t aSize, const uint8_t* b, uint32_t bSize, uintptr_t) {
  int c = memcmp(a, b, std::min(aSize, bSize));
  if (c != 0) return c > 0 ? 1 : -1;
  return aSize > bSize ? 1 : aSize < bSize ? -1 : 0;
}

int16_t ByFirstByte(const uint8_t* a, uint32_t aSize, const uint8_t* b, uint32_t bSize, uintptr_t) {
  int x = aSize ? a[0] : -1, y = bSize ? b[0] : -1;
  return int16_t(x > y ? 1 : x < y ? -1 : 0);
}

bool Less(const Rec& a, const Rec& b) { return a.data < b.data; }

// Sets the in-memory sort's limit for one scope: 0 sends every sort to the
// batched sort in the file.
struct MemoryLimit {
  explicit MemoryLimit(uint32_t bytes) { g_dbSortMemoryLimit = bytes; }
  ~MemoryLimit() { g_dbSortMemoryLimit = DB_SORT_MEMORY_LIMIT; }
};
constexpr uint32_t kBothPaths[] = {DB_SORT_MEMORY_LIMIT, 0};

using DbSort = DbTest;

TEST_F(DbSort, SameSizeRecordsTakeTheirEntryBytesAlong) {
  Recs recs = {
      {"dd", 0x40 | 4, 104}, {"bb", 0x80 | 2, 102}, {"aa", 0x10 | 1, 101}, {"cc", 0x20 | 3, 103}};
  // The counting host table shows how the records were placed.
  HOST_SetFileOps(&HOST_FAULT_FILE_OPS);
  HOST_SetFaults(nullptr);
  OpenDb(Make(recs));
  ASSERT_EQ(0, DB_Sort(Db(), ByBytes, 0));
  EXPECT_EQ(0u, HOST_FaultCounts().truncates);  // swapped in place, never moved
  std::stable_sort(recs.begin(), recs.end(), Less);
  ExpectFile(Make(recs));
  uint8_t category = 0;
  ASSERT_EQ(0, DB_RecordInfo(Db(), 0, nullptr, &category));
  EXPECT_EQ(1, category);
}

TEST_F(DbSort, MatchesAStableSortOfRandomRecords) {
  std::mt19937 rng(20240611);
  for (int round = 0; round < 8; round++) {
    SCOPED_TRACE(round);
    MemoryLimit limit(kBothPaths[round % 2]);
    Recs recs;
    const int n = round < 2 ? 2 : 25 + round / 2 * 23;
    for (int i = 0; i < n; i++) {
      std::string data(rng() % 4, 'a');
      for (char& c : data) c = char('a' + rng() % 3);
      recs.push_back({data, uint8_t(rng()), uint32_t(i)});
    }
    OpenDb(Make(recs));
    ASSERT_EQ(0, DB_Sort(Db(), ByBytes, 0));
    std::stable_sort(recs.begin(), recs.end(), Less);
    ExpectFile(Make(recs));
    FileRef f = Db();
    FIL_Close(&f);
  }
}

TEST_F(DbSort, EqualRecordsKeepTheirFileOrder) {
  for (uint32_t bytes : kBothPaths) {
    SCOPED_TRACE(bytes);
    MemoryLimit limit(bytes);
    Recs recs;
    const char keys[] = "cabcabbca";
    for (int i = 0; i < 45; i++)
      recs.push_back(
          {std::string(1, keys[i % 9]) + std::string(size_t(i % 4), '.'), 0, uint32_t(i)});
    OpenDb(Make(recs));
    ASSERT_EQ(0, DB_Sort(Db(), ByFirstByte, 0));
    std::stable_sort(recs.begin(), recs.end(),
                     [](const Rec& a, const Rec& b) { return a.data[0] < b.data[0]; });
    ExpectFile(Make(recs));
    FileRef f = Db();
    FIL_Close(&f);
  }
}

TEST_F(DbSort, HoldsAtMostTwentyRecordsAndTheCandidate) {
  MemoryLimit limit(0);  // the batched sort in the file
  Recs recs;
  for (int i = 0; i < 70; i++) recs.push_back({std::to_string(1000 - i * 7), 0, uint32_t(i)});
  OpenDb(Make(recs));
  struct Watch {
    uint32_t baseline, peak;
  } watch{MEM_LiveBlocks(), 0};
  auto compare = [](const uint8_t* a, uint32_t as, const uint8_t* b, uint32_t bs,
                    uintptr_t user) -> int16_t {
    auto* w = reinterpret_cast<Watch*>(user);
    w->peak = std::max(w->peak, MEM_LiveBlocks() - w->baseline);
    return ByBytes(a, as, b, bs, 0);
  };
  ASSERT_EQ(0, DB_Sort(Db(), compare, reinterpret_cast<uintptr_t>(&watch)));
  // One block (handle and copy) per record held: twenty batch members plus
  // the record being placed, and the batch did fill up.
  EXPECT_LE(watch.peak, 21u);
  EXPECT_GE(watch.peak, 20u);
  EXPECT_EQ(watch.baseline, MEM_LiveBlocks());
  std::stable_sort(recs.begin(), recs.end(), Less);
  ExpectFile(Make(recs));
}

TEST_F(DbSort, TinyDatabasesAndBadArguments) {
  PdbBytes one = Make({{"only", 0x40, 1}});
  OpenDb(one);
  EXPECT_EQ(0, DB_Sort(Db(), ByBytes, 0));
  EXPECT_EQ(one, FileBytes());
  EXPECT_EQ(ERR_FILE_PARAM, DB_Sort(Db(), nullptr, 0));
  PdbBytes damaged = PdbBuilder().Record("b").Record("a").StoredCount(9).Bytes();
  OpenDb(damaged, "damaged.pdb");
  EXPECT_EQ(ERR_NOT_DATABASE, DB_Sort(Db(), ByBytes, 0));
  EXPECT_EQ(damaged, FileBytes("damaged.pdb"));
}

}  // namespace

namespace {

using DbSortRange = DbTest;

TEST_F(DbSortRange, SortsOnlyTheRangeAndLeavesTheRestInPlace) {
  std::mt19937 rng(7);
  Recs recs;
  for (int i = 0; i < 40; i++) {
    std::string data(1 + rng() % 3, 'a');
    for (char& c : data) c = char('a' + rng() % 4);
    recs.push_back({data, uint8_t(rng() & 0x5F), uint32_t(i)});
  }
  OpenDb(Make(recs));
  ASSERT_EQ(0, DB_SortRange(Db(), 5, 30, ByBytes, 0));
  std::stable_sort(recs.begin() + 5, recs.begin() + 35, Less);
  ExpectFile(Make(recs));
}

TEST_F(DbSortRange, RefusesARangePastTheEnd) {
  PdbBytes image = Make({{"b", 0, 1}, {"a", 0, 2}});
  OpenDb(image);
  EXPECT_EQ(ERR_FILE_PARAM, DB_SortRange(Db(), 1, 2, ByBytes, 0));
  EXPECT_EQ(ERR_FILE_PARAM, DB_SortRange(Db(), 0, 2, nullptr, 0));
  EXPECT_EQ(0, DB_SortRange(Db(), 2, 0, ByBytes, 0));
  EXPECT_EQ(image, FileBytes());
}

}  // namespace

namespace {

using DbSortInMemory = DbTest;

Recs Shuffled(int n) {
  std::mt19937 rng(99);
  Recs recs;
  for (int i = 0; i < n; i++) recs.push_back({std::to_string(rng() % 1000), uint8_t(i & 0x1F), 0});
  return recs;
}

TEST_F(DbSortInMemory, ShortMemoryFallsBackToTheSortInTheFile) {
  Recs recs = Shuffled(30);
  OpenDb(Make(recs));
  MEM_FailNthAlloc(3);  // one of the range's own blocks
  ASSERT_EQ(0, DB_Sort(Db(), ByBytes, 0));
  MEM_FailNthAlloc(0);
  std::stable_sort(recs.begin(), recs.end(), Less);
  ExpectFile(Make(recs));
}

TEST_F(DbSortInMemory, AFailedWritePutsTheOldOrderBack) {
  Recs recs = Shuffled(30);
  PdbBytes image = Make(recs);
  HOST_SetFileOps(&HOST_FAULT_FILE_OPS);
  HOST_SetFaults(nullptr);
  OpenDb(image);
  HostFaults faults{};
  faults.failWriteAt = 5;  // in the middle of the data
  faults.diskFreeBytes = -1;
  HOST_SetFaults(&faults);
  EXPECT_NE(0, DB_Sort(Db(), ByBytes, 0));
  HOST_SetFaults(nullptr);
  EXPECT_EQ(image, FileBytes());
}

TEST_F(DbSortInMemory, ASortedFileIsNotWritten) {
  Recs recs = Shuffled(30);
  std::stable_sort(recs.begin(), recs.end(), Less);
  HOST_SetFileOps(&HOST_FAULT_FILE_OPS);
  HOST_SetFaults(nullptr);
  OpenDb(Make(recs));
  HOST_SetFaults(nullptr);  // count from here
  ASSERT_EQ(0, DB_Sort(Db(), ByBytes, 0));
  EXPECT_EQ(0u, HOST_FaultCounts().writes);
}

}  // namespace

namespace {

using DbSortLiveFirst = DbTest;

TEST_F(DbSortLiveFirst, DeletedRecordsGoBehindInTheirOrder) {
  std::mt19937 rng(5);
  Recs recs;
  for (int i = 0; i < 40; i++) {
    const bool deleted = rng() % 4 == 0;
    recs.push_back(
        {std::to_string(rng() % 50), uint8_t((deleted ? 0x80 : 0) | (i & 0x0F)), uint32_t(i + 1)});
  }
  OpenDb(Make(recs));
  ASSERT_EQ(0, DB_SortLiveFirst(Db(), ByBytes, 0));
  std::stable_sort(recs.begin(), recs.end(), [](const Rec& a, const Rec& b) {
    const bool da = a.attrs & 0x80, db = b.attrs & 0x80;
    if (da != db) return !da;
    return !da && a.data < b.data;
  });
  ExpectFile(Make(recs));
}

TEST_F(DbSortLiveFirst, TooLargeForMemoryLeavesTheFileForTheCaller) {
  PdbBytes image = Make({{"b", 0x80, 1}, {"a", 0, 2}});
  OpenDb(image);
  MemoryLimit limit(0);
  EXPECT_EQ(ERR_MEM_FULL, DB_SortLiveFirst(Db(), ByBytes, 0));
  EXPECT_EQ(image, FileBytes());
}

}  // namespace
