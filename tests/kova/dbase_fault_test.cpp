// Record database operations under injected faults: every write, read,
// truncate and sync of insert, resize, delete, move and sort is failed in
// turn (the call must report it, or succeed with a sound file), and a disk
// that fills up at every byte of the growth must leave the old file byte for
// byte with ERR_DISK_FULL. Record writes, fills and header writes that fail
// must say so.
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "dbase_image.h"
#include "host_file.h"
#include "kova_fixture.h"

namespace {

constexpr char kName[] = "faults.pdb";
constexpr HostFaults kNoFaults = {0, 0, 0, 0, 0, false, -1};

// Syncs are counted here and handed to the fault table only while sync
// faults are under test: thousands of real syncs would make the run slow.
bool g_passSyncs = false;
uint32_t g_syncs = 0;
Err CountSync(HostHandle h) {
  g_syncs++;
  return g_passSyncs ? HOST_FAULT_FILE_OPS.sync(h) : Err(0);
}

// A call that never returns fails the run instead of stalling it.
void OnHang(int) {
  const char msg[] = "a database call did not return within 30 seconds\n";
  ssize_t ignored = write(2, msg, sizeof msg - 1);
  (void)ignored;
  _exit(3);
}

struct Watchdog {
  Watchdog() {
    signal(SIGALRM, OnHang);
    alarm(30);
  }
  ~Watchdog() { alarm(0); }
};

int16_t CompareBytes(const uint8_t* a, uint32_t aSize, const uint8_t* b, uint32_t bSize,
                     uintptr_t) {
  uint32_t n = std::min(aSize, bSize);
  int c = n ? memcmp(a, b, n) : 0;
  if (c != 0) return c < 0 ? -1 : 1;
  return aSize == bSize ? 0 : aSize < bSize ? -1 : 1;
}

bool LessRecord(const TestRecord& a, const TestRecord& b) {
  return std::lexicographical_compare(a.data.begin(), a.data.end(), b.data.begin(), b.data.end());
}

// How much a disk-full run can demand of the operation.
enum class Growth {
  EXACT,     // the file grows by exactly `growth`: less fails with the old file kept
  TEMPORARY  // up to `growth` is borrowed: a full disk fails cleanly or succeeds
};

struct FaultCase {
  const char* name;
  std::function<Err(FileRef)> run;
  std::function<void(TestImage*)> apply;  // what a successful call does to the picture
  uint32_t growth;
  Growth kind;
};

// 30 records of mixed sizes (empty ones, a few over 1024 bytes), distinct
// unique IDs and attribute bytes, an application-info block behind the gap
// and a small sort-info block.
TestImage BaseImage() {
  TestImage m;
  memcpy(m.header.data(), "FaultBase", 9);
  Put16BE(&m.header[32], 0x0008);
  Put32BE(&m.header[60], FCC("DATA"));
  Put32BE(&m.header[64], FCC("addr"));
  m.tail.assign(2, 0);
  m.appRel = 2;
  for (int k = 0; k < 400; k++) m.tail.push_back(uint8_t(k * 13 + 5));
  m.sortRel = int64_t(m.tail.size());
  for (int k = 0; k < 24; k++) m.tail.push_back(uint8_t(0xA0 + k));
  const uint32_t sizes[] = {0, 7, 130, 1, 600, 45, 0, 1400, 12, 300};
  for (uint32_t i = 0; i < 30; i++) {
    TestRecord r;
    r.data.resize(sizes[i % 10] + i);
    for (size_t k = 0; k < r.data.size(); k++) r.data[k] = uint8_t(i * 31 + k * 7 + 3);
    r.attr = uint8_t((i * 37) & 0xFF);
    r.uid = 0x100 + 3 * i;
    m.records.push_back(r);
  }
  return m;
}

uint32_t RunBytes(const TestImage& m, size_t from, size_t count) {
  uint32_t n = 8 * uint32_t(count);
  for (size_t i = from; i < from + count; i++) n += uint32_t(m.records[i].data.size());
  return n;
}

void InsertNew(TestImage* m, size_t at, uint32_t size, size_t count) {
  m->records.insert(m->records.begin() + at, count,
                    TestRecord{std::vector<uint8_t>(size), 0, 0, 0});
}

void Resize(TestImage* m, size_t i, uint32_t size) {
  TestRecord& r = m->records[i];
  r.known = std::min(r.known, r.data.size());
  r.data.resize(size);
}

void Move(TestImage* m, size_t from, size_t to, size_t count) {
  std::vector<TestRecord> run(m->records.begin() + from, m->records.begin() + from + count);
  m->records.erase(m->records.begin() + from, m->records.begin() + from + count);
  m->records.insert(m->records.begin() + to, run.begin(), run.end());
}

std::vector<FaultCase> Cases(const TestImage& b) {
  auto size = [&b](size_t i) { return uint32_t(b.records[i].data.size()); };
  return {
      {"insert in the middle", [](FileRef f) { return DB_InsertRecords(f, 12, 150, 3, nullptr); },
       [](TestImage* m) { InsertNew(m, 12, 150, 3); }, 3 * 158, Growth::EXACT},
      {"insert at the end", [](FileRef f) { return DB_InsertRecords(f, 30, 600, 2, nullptr); },
       [](TestImage* m) { InsertNew(m, 30, 600, 2); }, 2 * 608, Growth::EXACT},
      {"grow a record",
       [size](FileRef f) { return DB_ResizeRecord(f, 5, size(5) + 1300, nullptr); },
       [size](TestImage* m) { Resize(m, 5, size(5) + 1300); }, 1300, Growth::EXACT},
      {"grow the last record",
       [size](FileRef f) { return DB_ResizeRecord(f, 29, size(29) + 200, nullptr); },
       [size](TestImage* m) { Resize(m, 29, size(29) + 200); }, 200, Growth::EXACT},
      {"shrink a record", [](FileRef f) { return DB_ResizeRecord(f, 7, 10, nullptr); },
       [](TestImage* m) { Resize(m, 7, 10); }, 0, Growth::EXACT},
      {"resize a record to 0", [](FileRef f) { return DB_ResizeRecord(f, 4, 0, nullptr); },
       [](TestImage* m) { Resize(m, 4, 0); }, 0, Growth::EXACT},
      {"delete in the middle", [](FileRef f) { return DB_DeleteRecords(f, 10, 3, nullptr); },
       [](TestImage* m) { m->records.erase(m->records.begin() + 10, m->records.begin() + 13); }, 0,
       Growth::EXACT},
      {"delete the last records", [](FileRef f) { return DB_DeleteRecords(f, 27, 3, nullptr); },
       [](TestImage* m) { m->records.resize(27); }, 0, Growth::EXACT},
      {"move forward", [](FileRef f) { return DB_MoveRecords(f, 3, 20, 4, nullptr); },
       [](TestImage* m) { Move(m, 3, 20, 4); }, RunBytes(b, 3, 4), Growth::TEMPORARY},
      {"move back", [](FileRef f) { return DB_MoveRecords(f, 22, 2, 5, nullptr); },
       [](TestImage* m) { Move(m, 22, 2, 5); }, RunBytes(b, 22, 5), Growth::TEMPORARY},
  };
}

class DbFault : public KovaTest {
 protected:
  void SetUp() override {
    KovaTest::SetUp();
    ops_ = HOST_FAULT_FILE_OPS;
    ops_.sync = CountSync;
    g_passSyncs = false;
    base_ = BaseImage();
    original_ = BuildImage(base_);
  }
  void TearDown() override {
    FIL_Close(&db_);
    KovaTest::TearDown();
  }

  // Puts the original file back and opens it through the fault table (a
  // handle keeps the table it was opened with).
  bool Restore() {
    FIL_Close(&db_);
    HOST_SetFaults(nullptr);
    // A new file each time: rewriting a truncated one makes the host flush it.
    std::remove((DataDir() + "/" + kName).c_str());
    WriteDataFile(kName, original_);
    HOST_SetFileOps(&ops_);
    return FIL_Open(&db_, VOL_DOCUMENTS, "", kName, FIL_MODE_READ_WRITE) == 0;
  }

  // Runs `c` on a fresh copy with `faults` armed; `counts` receives the calls.
  Err RunArmed(const FaultCase& c, const HostFaults& faults, HostFaultCounts* counts = nullptr) {
    if (!Restore()) return 1;  // never a valid result, so the caller reports it
    HOST_SetFaults(&faults);
    g_syncs = 0;
    Err err;
    {
      Watchdog watchdog;
      err = c.run(db_);
    }
    if (counts) {
      *counts = HOST_FaultCounts();
      counts->syncs = g_syncs;
    }
    HOST_SetFaults(nullptr);
    return err;
  }

  std::string FileNow() {
    FIL_Close(&db_);
    return CompareImage(ReadDataFile(kName), want_);
  }

  // Fails each call of one kind in turn; the call must report it, or
  // succeed with a sound file.
  void FailEachStep(const FaultCase& c, const char* kind, uint32_t HostFaults::*field,
                    uint32_t steps, bool after) {
    std::string bad;
    for (uint32_t n = 1; n <= steps; n++) {
      HostFaults faults = kNoFaults;
      faults.*field = n;
      faults.failAfter = after;
      Err err = RunArmed(c, faults);
      std::string diff = err == 0 ? FileNow() : "";
      if (err > 0) bad += " #" + std::to_string(n) + " gave " + std::to_string(err) + ";";
      if (!diff.empty()) bad += " #" + std::to_string(n) + " reported success but " + diff + ";";
    }
    EXPECT_EQ("", bad) << c.name << ", failing " << kind << (after ? " from" : "") << " call";
  }

  void FullDisk(const FaultCase& c) {
    std::string bad;
    for (uint32_t d = 0; d <= c.growth; d++) {
      HostFaults faults = kNoFaults;
      faults.diskFreeBytes = d;
      Err err = RunArmed(c, faults);
      std::string at = " free " + std::to_string(d) + ": ";
      if (err == ERR_DISK_FULL) {
        // The same handle must not answer from stale caches.
        std::string api = CompareThroughApi(db_, base_);
        FIL_Close(&db_);
        if (!api.empty()) bad += at + "handle after failure: " + api + ";";
        if (ReadDataFile(kName) != original_) bad += at + "the old file changed;";
        if (d >= c.growth) bad += at + "enough space, but the disk was full;";
      } else if (err == 0) {
        std::string diff = FileNow();
        if (!diff.empty()) bad += at + "success, but " + diff + ";";
        if (d < c.growth && c.kind == Growth::EXACT) bad += at + "success without the space;";
      } else {
        bad += at + "gave " + std::to_string(err) + " instead of ERR_DISK_FULL;";
      }
      if (bad.size() > 2000) break;
    }
    EXPECT_EQ("", bad) << c.name << ", full disk";
  }

  void RunCase(const FaultCase& c) {
    SCOPED_TRACE(c.name);
    want_ = base_;
    c.apply(&want_);
    // 1. the calls a clean run makes
    HostFaultCounts counts{};
    ASSERT_EQ(0, RunArmed(c, kNoFaults, &counts));
    ASSERT_EQ("", FileNow());
    EXPECT_GT(counts.writes, 0u);
    EXPECT_GT(counts.syncs, 0u) << "structural changes flush the file";
    // 2. an I/O error at each step
    FailEachStep(c, "write", &HostFaults::failWriteAt, counts.writes, false);
    FailEachStep(c, "write", &HostFaults::failWriteAt, counts.writes, true);
    FailEachStep(c, "read", &HostFaults::failReadAt, counts.reads, false);
    FailEachStep(c, "read", &HostFaults::failReadAt, counts.reads, true);
    FailEachStep(c, "truncate", &HostFaults::failTruncateAt, counts.truncates, false);
    g_passSyncs = true;
    FailEachStep(c, "sync", &HostFaults::failSyncAt, counts.syncs, false);
    g_passSyncs = false;
    // 3. a disk that fills up at every byte of the growth
    FullDisk(c);
  }

  HostFileOps ops_;
  TestImage base_, want_;
  std::vector<uint8_t> original_;
  FileRef db_ = nullptr;
};

TEST_F(DbFault, InsertReportsEveryFailureAndKeepsTheFileOnAFullDisk) {
  std::vector<FaultCase> cases = Cases(base_);
  for (size_t k = 0; k < 2; k++) RunCase(cases[k]);
}

TEST_F(DbFault, ResizeReportsEveryFailureAndKeepsTheFileOnAFullDisk) {
  std::vector<FaultCase> cases = Cases(base_);
  for (size_t k = 2; k < 6; k++) RunCase(cases[k]);
}

TEST_F(DbFault, DeleteReportsEveryFailureAndNeedsNoSpace) {
  std::vector<FaultCase> cases = Cases(base_);
  for (size_t k = 6; k < 8; k++) RunCase(cases[k]);
}

TEST_F(DbFault, MoveReportsEveryFailureAndKeepsTheFileOnAFullDisk) {
  std::vector<FaultCase> cases = Cases(base_);
  for (size_t k = 8; k < 10; k++) RunCase(cases[k]);
}

// Sorting is many moves: a failure stops it with an error and leaves a sound
// database holding the same records (attributes and IDs still with their
// data), though perhaps not yet in order.
TEST_F(DbFault, SortReportsFailuresAndKeepsEveryRecord) {
  want_ = base_;
  // Reversed, so that sorting has work to do; every third record 16 bytes
  // long, so that records of equal size are swapped in place.
  for (size_t i = 0; i < want_.records.size(); i += 3) want_.records[i].data.resize(16);
  std::reverse(want_.records.begin(), want_.records.end());
  original_ = BuildImage(want_);
  std::vector<TestRecord> sorted = want_.records;
  std::stable_sort(sorted.begin(), sorted.end(), LessRecord);
  FaultCase c{"sort", [](FileRef f) { return DB_Sort(f, CompareBytes, 0); }, nullptr, 0,
              Growth::TEMPORARY};
  HostFaultCounts counts{};
  ASSERT_EQ(0, RunArmed(c, kNoFaults, &counts));
  TestImage done = want_;
  done.records = sorted;
  FIL_Close(&db_);
  ASSERT_EQ("", CompareImage(ReadDataFile(kName), done));
  auto byUid = [](const TestRecord& a, const TestRecord& b) { return a.uid < b.uid; };
  std::vector<TestRecord> all = sorted;
  std::sort(all.begin(), all.end(), byUid);
  std::string bad;
  auto check = [&](const std::string& what, Err err) {
    TestImage got;
    if (err > 0) bad += what + " gave " + std::to_string(err) + ";";
    std::string parse = ParseImage(ReadDataFile(kName), &got);
    if (!parse.empty()) return void(bad += what + ": " + parse + ";");
    if (err == 0 && CompareImage(ReadDataFile(kName), done) != "")
      return void(bad += what + " reported success, but the records are out of order;");
    std::sort(got.records.begin(), got.records.end(), byUid);
    bool same = got.tail == done.tail && got.records.size() == all.size();
    for (size_t i = 0; same && i < all.size(); i++)
      same = got.records[i].uid == all[i].uid && got.records[i].attr == all[i].attr &&
             got.records[i].data == all[i].data;
    if (!same) bad += what + ": records lost or mixed up;";
  };
  uint32_t writes = std::min(counts.writes, 150u);
  for (uint32_t n = 1; n <= writes; n++) {
    HostFaults faults = kNoFaults;
    faults.failWriteAt = n;
    Err err = RunArmed(c, faults);
    FIL_Close(&db_);
    if (err == 0)
      check("write " + std::to_string(n), err);
    else if (err > 0)
      bad += "write " + std::to_string(n) + " positive;";
  }
  for (int64_t d : {0, 1, 40, 300, 1000, 3000}) {
    HostFaults faults = kNoFaults;
    faults.diskFreeBytes = d;
    Err err = RunArmed(c, faults);
    FIL_Close(&db_);
    if (err != 0 && err != ERR_DISK_FULL)
      bad += "free " + std::to_string(d) + " gave " + std::to_string(err) + ";";
    else
      check("free " + std::to_string(d), err);
  }
  EXPECT_EQ("", bad);
}

class DbWriteFault : public DbFault {
 protected:
  void FailNextWrite() {
    HostFaults faults = kNoFaults;
    faults.failWriteAt = 1;
    HOST_SetFaults(&faults);
  }
};

TEST_F(DbWriteFault, RecordWritesAndFillsReportTheErrorAndKeepTheCopy) {
  ASSERT_TRUE(Restore());
  RecordRef rec = nullptr;
  ASSERT_NE(nullptr, DB_GetRecord(&rec, db_, 4, 0, 0));
  std::vector<uint8_t> copy(DB_RecordData(rec), DB_RecordData(rec) + DB_RecordLength(rec));
  FailNextWrite();
  EXPECT_LT(DB_WriteRecord(rec, 2, "xyz", 3), 0);
  EXPECT_EQ(copy, std::vector<uint8_t>(DB_RecordData(rec), DB_RecordData(rec) + copy.size()));
  FailNextWrite();
  EXPECT_LT(DB_FillRecord(rec, 10, 0xEE, 100), 0);
  EXPECT_EQ(copy, std::vector<uint8_t>(DB_RecordData(rec), DB_RecordData(rec) + copy.size()));
  (void)DB_ReleaseRecord(&rec);
  FailNextWrite();
  EXPECT_LT(DB_WriteRecordAt(db_, 7, 100, "abcd", 4), 0);
  FailNextWrite();
  EXPECT_LT(DB_FillRecordAt(db_, 7, 0, 0x55, 0), 0);
  HOST_SetFaults(nullptr);
  FIL_Close(&db_);
  EXPECT_TRUE(ReadDataFile(kName) == original_);
}

TEST_F(DbWriteFault, HeaderAndRecordInfoWritesReportTheError) {
  ASSERT_TRUE(Restore());
  uint16_t version = 3;
  FailNextWrite();
  EXPECT_LT(DB_SetInfo(db_, nullptr, "Other", nullptr, &version, nullptr, nullptr, nullptr, nullptr,
                       nullptr),
            0);
  uint8_t attrs = REC_ATTR_SECRET, category = 9;
  FailNextWrite();
  EXPECT_NE(0, DB_SetRecordInfo(db_, 3, &attrs, &category));
  HOST_SetFaults(nullptr);
  FIL_Close(&db_);
  EXPECT_TRUE(ReadDataFile(kName) == original_);
}

TEST_F(DbWriteFault, NewHeaderOnAFullDiskFailsAndLeavesTheFileEmpty) {
  HOST_SetFileOps(&ops_);
  ASSERT_EQ(0, FIL_Open(&db_, VOL_DOCUMENTS, "", "empty.pdb", FIL_MODE_READ_WRITE));
  HostFaults faults = kNoFaults;
  faults.diskFreeBytes = 40;
  HOST_SetFaults(&faults);
  EXPECT_LT(DB_SetInfo(db_, nullptr, "Empty", nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                       nullptr),
            0);
  faults = kNoFaults;
  faults.failWriteAt = 1;
  HOST_SetFaults(&faults);
  EXPECT_LT(DB_SetInfo(db_, nullptr, "Empty", nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                       nullptr),
            0);
  HOST_SetFaults(nullptr);
  FIL_Close(&db_);
  EXPECT_EQ(0u, ReadDataFile("empty.pdb").size());
}

}  // namespace
