// Record databases, structural changes: insert, resize, delete and move in
// place, checked byte for byte against images built from the file format
// (entries, gap, info blocks and their header offsets included), progress
// counts, limits, and a full disk.
#include <string>
#include <vector>

#include "db_fixture.h"
#include "host_file.h"

namespace {

struct Rec {
  std::string data;
  uint8_t attrs = 0;
  uint32_t uid = 0;
};
using Recs = std::vector<Rec>;

// The image of a record database holding `recs`, with optional info blocks.
PdbBytes Make(const Recs& recs, const std::string& app = "", const std::string& sort = "") {
  PdbBuilder b;
  b.Name("Shift").Type("DATA").Creator("addr");
  for (const Rec& r : recs) b.Record(r.data, r.attrs, r.uid);
  if (!app.empty()) b.AppInfo(app);
  if (!sort.empty()) b.SortInfo(sort);
  return b.Bytes();
}

// Five records of different sizes, attributes and unique IDs.
Recs Five() {
  return {{"alpha", 0x40, 11},
          {"be", 0x21, 12},
          {"gamma!", 0x92, 13},
          {"", 0x13, 14},
          {"epsilon", 0x4F, 15}};
}

const std::string kApp = "APPINFO-categories";
const std::string kSort = "SORTINFO";

class DbShift : public DbTest {
 protected:
  // Writes each record's expected contents over the new (undefined) ones.
  void WriteNew(uint16_t index, const Recs& recs) {
    for (size_t k = 0; k < recs.size(); k++) {
      if (recs[k].data.empty()) continue;
      ASSERT_EQ(0, DB_WriteRecordAt(Db(), uint16_t(index + k), 0, recs[k].data.data(),
                                    uint32_t(recs[k].data.size())));
    }
  }
  void UseFaultDisk(int64_t freeBytes) {
    HOST_SetFileOps(&HOST_FAULT_FILE_OPS);
    HostFaults faults{0, 0, 0, 0, 0, false, freeBytes};
    HOST_SetFaults(&faults);
  }
};

using DbInsertRecords = DbShift;

TEST_F(DbInsertRecords, ShiftsLaterDataAndTheInfoBlocks) {
  Recs recs = Five();
  OpenDb(Make(recs, kApp, kSort));
  ASSERT_EQ(0, DB_InsertRecords(Db(), 2, 4, 2, nullptr));
  Recs added = {{"new1"}, {"new2"}};
  WriteNew(2, added);
  recs.insert(recs.begin() + 2, added.begin(), added.end());
  ExpectFile(Make(recs, kApp, kSort));
  PdbImage img = Image();
  EXPECT_EQ(kApp, std::string(img.appInfo.begin(), img.appInfo.end()));
  EXPECT_EQ(kSort, std::string(img.sortInfo.begin(), img.sortInfo.end()));
}

TEST_F(DbInsertRecords, AtTheFrontAtTheEndAndManyAtOnce) {
  struct Case {
    uint16_t index;
    uint32_t count;
  } cases[] = {{0, 1}, {5, 1}, {5, 3}, {1, 4}, {0, 9}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.index << "+" << c.count);
    Recs recs = Five();
    OpenDb(Make(recs, kApp));
    ASSERT_EQ(0, DB_InsertRecords(Db(), c.index, 3, c.count, nullptr));
    Recs added;
    for (uint32_t k = 0; k < c.count; k++) added.push_back({"n" + std::to_string(k % 10) + "!"});
    WriteNew(c.index, added);
    recs.insert(recs.begin() + c.index, added.begin(), added.end());
    ExpectFile(Make(recs, kApp));
    FileRef f = Db();
    FIL_Close(&f);
  }
}

TEST_F(DbInsertRecords, NewRecordsStartZeroedWithZeroAttributes) {
  OpenDb(Make(Five()));
  ASSERT_EQ(0, DB_InsertRecords(Db(), 1, 6, 1, nullptr));
  EXPECT_EQ(std::string(6, '\0'), ReadRecord(1));
  uint8_t attrs = 9, category = 9;
  uint32_t uid = 9;
  ASSERT_EQ(0, DB_RecordInfo(Db(), 1, &attrs, &category));
  ASSERT_EQ(0, DB_RecordUniqueId(Db(), 1, &uid));
  EXPECT_EQ(0, attrs + category);
  EXPECT_EQ(0u, uid);
  EXPECT_EQ("be", ReadRecord(2));
}

TEST_F(DbInsertRecords, ResourceDatabasesUseTenByteEntries) {
  PdbBuilder before;
  before.Resource("tSTR", 1, "one").Resource("tSTR", 2, "three");
  OpenDb(before.Bytes(), "App.prc");
  ASSERT_EQ(0, DB_InsertRecords(Db(), 1, 2, 1, nullptr));
  ASSERT_EQ(0, DB_WriteRecordAt(Db(), 1, 0, "hi", 2));
  PdbBytes expect = PdbBuilder()
                        .Resource("tSTR", 1, "one")
                        .Resource(std::string(4, '\0'), 0, "hi")
                        .Resource("tSTR", 2, "three")
                        .Bytes();
  EXPECT_EQ(expect, FileBytes("App.prc"));
}

TEST_F(DbInsertRecords, RefusesBadIndexesAndMoreThan65535Records) {
  PdbBytes bytes = Make(Five());
  OpenDb(bytes);
  EXPECT_EQ(ERR_FILE_PARAM, DB_InsertRecords(Db(), 6, 1, 1, nullptr));
  EXPECT_EQ(ERR_FILE_PARAM, DB_InsertRecords(Db(), 0, 1, 65531, nullptr));
  EXPECT_EQ(ERR_FILE_PARAM, DB_InsertRecords(Db(), 0, 0xFFFFFFF0u, 2, nullptr));
  EXPECT_EQ(bytes, FileBytes());
  ASSERT_EQ(0, DB_InsertRecords(Db(), 5, 0, 65530, nullptr));
  EXPECT_EQ(65535, DB_NumRecords(Db()));
  EXPECT_EQ(ERR_FILE_PARAM, DB_InsertRecords(Db(), 0, 0, 1, nullptr));
  EXPECT_EQ("epsilon", ReadRecord(4));
  EXPECT_EQ(0u, DB_RecordSize(Db(), 65534));
}

TEST_F(DbInsertRecords, ProgressCountsEveryMovedByte) {
  PdbBytes bytes = Make(Five(), kApp);
  OpenDb(bytes);
  PdbImage img = PdbParse(bytes);
  const uint32_t D = img.entries[3].offset, P = 78 + 8 * 3;
  const uint32_t moved = uint32_t(bytes.size()) - D + (D - P);
  struct Seen {
    uint32_t calls = 0, total = 0, done = 0;
  } seen;
  ProgressBlock progress{[](uint32_t total, uint32_t done, uintptr_t arg) {
                           auto* s = reinterpret_cast<Seen*>(arg);
                           EXPECT_LE(done, total);
                           s->calls++;
                           s->total = total;
                           s->done = done;
                         },
                         reinterpret_cast<uintptr_t>(&seen), 0, 0, 0};
  ASSERT_EQ(0, DB_InsertRecords(Db(), 3, 7, 1, &progress));
  EXPECT_EQ(moved, progress.base);
  EXPECT_EQ(moved, progress.done);
  EXPECT_GT(seen.calls, 0u);
  EXPECT_EQ(moved, seen.total);
  EXPECT_EQ(moved, seen.done);
}

TEST_F(DbInsertRecords, AFullDiskLeavesTheFileAsItWas) {
  UseFaultDisk(10);
  PdbBytes bytes = Make(Five(), kApp, kSort);
  OpenDb(bytes);
  EXPECT_EQ(ERR_DISK_FULL, DB_InsertRecords(Db(), 1, 100, 1, nullptr));
  EXPECT_EQ(bytes, FileBytes());
  EXPECT_EQ(5, DB_NumRecords(Db()));
  EXPECT_EQ("gamma!", ReadRecord(2));
  EXPECT_EQ(int32_t(bytes.size()), FIL_Size(Db()));
  ASSERT_EQ(0, DB_InsertRecords(Db(), 1, 1, 1, nullptr));  // 9 bytes still fit
  EXPECT_EQ(6, DB_NumRecords(Db()));
}

using DbResizeRecord = DbShift;

TEST_F(DbResizeRecord, GrowsAndShrinksInPlace) {
  struct Case {
    uint16_t index;
    std::string data;
  } cases[] = {{1, "be-longer"}, {4, "epsilon-and-more"}, {2, "ga"}, {4, ""}, {3, "now"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.index);
    Recs recs = Five();
    OpenDb(Make(recs, kApp, kSort));
    ASSERT_EQ(0, DB_ResizeRecord(Db(), c.index, uint32_t(c.data.size()), nullptr));
    const uint32_t keep = uint32_t(std::min(c.data.size(), recs[c.index].data.size()));
    EXPECT_EQ(recs[c.index].data.substr(0, keep), ReadRecord(c.index).substr(0, keep));
    if (!c.data.empty()) {
      ASSERT_EQ(0, DB_WriteRecordAt(Db(), c.index, 0, c.data.data(), uint32_t(c.data.size())));
    }
    recs[c.index].data = c.data;
    ExpectFile(Make(recs, kApp, kSort));
    FileRef f = Db();
    FIL_Close(&f);
  }
}

TEST_F(DbResizeRecord, GainedBytesAreZeroAndBadIndexesRefused) {
  OpenDb(Make(Five()));
  ASSERT_EQ(0, DB_ResizeRecord(Db(), 1, 6, nullptr));
  EXPECT_EQ(std::string("be") + std::string(4, '\0'), ReadRecord(1));
  EXPECT_EQ("gamma!", ReadRecord(2));
  EXPECT_EQ(ERR_FILE_PARAM, DB_ResizeRecord(Db(), 5, 1, nullptr));
}

TEST_F(DbResizeRecord, AFullDiskLeavesTheFileAsItWas) {
  UseFaultDisk(3);
  PdbBytes bytes = Make(Five(), kApp);
  OpenDb(bytes);
  EXPECT_EQ(ERR_DISK_FULL, DB_ResizeRecord(Db(), 0, 50, nullptr));
  EXPECT_EQ(ERR_DISK_FULL, DB_ResizeRecord(Db(), 4, 50, nullptr));
  EXPECT_EQ(bytes, FileBytes());
  EXPECT_EQ(PdbRecordSizes(PdbParse(bytes)), RecordSizes());
}

using DbDeleteRecords = DbShift;

TEST_F(DbDeleteRecords, RemovesEntriesAndDataAndMovesTheInfoBlocks) {
  struct Case {
    uint16_t index;
    uint32_t count;
  } cases[] = {{1, 2}, {0, 1}, {4, 1}, {0, 5}, {3, 1}, {2, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.index << "+" << c.count);
    Recs recs = Five();
    OpenDb(Make(recs, kApp, kSort));
    ASSERT_EQ(0, DB_DeleteRecords(Db(), c.index, c.count, nullptr));
    recs.erase(recs.begin() + c.index, recs.begin() + c.index + c.count);
    ExpectFile(Make(recs, kApp, kSort));
    EXPECT_EQ(recs.size(), DB_NumRecords(Db()));
    FileRef f = Db();
    FIL_Close(&f);
  }
}

TEST_F(DbDeleteRecords, RefusesRunsPastTheCount) {
  PdbBytes bytes = Make(Five(), kApp);
  OpenDb(bytes);
  EXPECT_EQ(ERR_FILE_PARAM, DB_DeleteRecords(Db(), 3, 3, nullptr));
  EXPECT_EQ(ERR_FILE_PARAM, DB_DeleteRecords(Db(), 5, 1, nullptr));
  EXPECT_EQ(bytes, FileBytes());
}

using DbMoveRecords = DbShift;

TEST_F(DbMoveRecords, RunsLandAtTheTargetWithTheirEntries) {
  struct Case {
    uint16_t from, to;
    int32_t count;
  } cases[] = {{5, 1, 2}, {1, 5, 2}, {0, 8, 5}, {3, 3, 2},  {0, 9, 1},
               {9, 0, 1}, {2, 3, 4}, {6, 2, 4}, {0, 0, 10}, {4, 0, 6}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.from << "->" << c.to << " x" << c.count);
    Recs recs = Five(), more = Five();
    for (Rec& r : more) {
      r.data += "+";
      r.uid += 10;
    }
    recs.insert(recs.end(), more.begin(), more.end());
    OpenDb(Make(recs, kApp, kSort));
    ASSERT_EQ(0, DB_MoveRecords(Db(), c.from, c.to, c.count, nullptr));
    // The run as cut at the last record, taken out and put back at `to`.
    int32_t n = std::min<int32_t>(c.count, int32_t(recs.size()) - c.to);
    Recs run(recs.begin() + c.from, recs.begin() + c.from + n);
    recs.erase(recs.begin() + c.from, recs.begin() + c.from + n);
    recs.insert(recs.begin() + c.to, run.begin(), run.end());
    ExpectFile(Make(recs, kApp, kSort));
    FileRef f = Db();
    FIL_Close(&f);
  }
}

TEST_F(DbMoveRecords, RefusesBadCounts) {
  PdbBytes bytes = Make(Five());
  OpenDb(bytes);
  EXPECT_EQ(ERR_BAD_COUNT, DB_MoveRecords(Db(), 0, 1, -1, nullptr));
  EXPECT_EQ(ERR_FILE_PARAM, DB_MoveRecords(Db(), 3, 0, 3, nullptr));
  EXPECT_EQ(ERR_BAD_COUNT, DB_MoveRecords(Db(), 0, 7, 0, nullptr));
  EXPECT_EQ(bytes, FileBytes());
}

TEST_F(DbMoveRecords, AFullDiskLeavesTheFileAsItWas) {
  UseFaultDisk(4);
  PdbBytes bytes = Make(Five(), kApp);
  OpenDb(bytes);
  EXPECT_EQ(ERR_DISK_FULL, DB_MoveRecords(Db(), 0, 3, 2, nullptr));
  EXPECT_EQ(bytes, FileBytes());
  EXPECT_EQ(0, DB_Validate(Db()));
}

}  // namespace
