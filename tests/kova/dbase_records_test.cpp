// Record databases, list and record level: counts, sizes and the ten-entry
// window, record and resource entry fields, fetching, writing and filling
// records with range checks, damaged files, and two handles on one file.
#include <string>
#include <vector>

#include "db_fixture.h"
#include "file_internal.h"

namespace {

// A database of `n` records "r0", "r1-", "r2--", ... (record i has i + 2
// bytes), attribute byte i & 0xFF with the busy bit, unique ID 1000 + i.
PdbBuilder Numbered(int n) {
  PdbBuilder b;
  for (int i = 0; i < n; i++)
    b.Record("r" + std::to_string(i % 10) + std::string(size_t(i), '-'), uint8_t(i | 0x20),
             uint32_t(1000 + i));
  return b;
}

using DbRecordList = DbTest;

TEST_F(DbRecordList, CountsSizesAndOffsetsAcrossManyWindows) {
  PdbBytes bytes = Numbered(37).AppInfo("app").Bytes();
  OpenDb(bytes);
  PdbImage img = PdbParse(bytes);
  EXPECT_EQ(37, DB_NumRecords(Db()));
  EXPECT_EQ(PdbRecordSizes(img), RecordSizes());
  // Backwards as well, so the window is refilled in every direction.
  for (int i = 36; i >= 0; i -= 3)
    EXPECT_EQ(img.entries[size_t(i)].offset, DB_RecordOffset(Db(), uint16_t(i))) << i;
  EXPECT_EQ(bytes.size(), DB_RecordOffset(Db(), 37));
  EXPECT_EQ(0u, DB_RecordSize(Db(), 37));
}

TEST_F(DbRecordList, LastRecordEndsAtTheEndOfTheFile) {
  OpenDb(PdbBuilder().Record("aa").Record("").Record("last record").Bytes());
  EXPECT_EQ((std::vector<uint32_t>{2, 0, 11}), RecordSizes());
  EXPECT_EQ((std::vector<std::string>{"aa", "", "last record"}), Records());
}

TEST_F(DbRecordList, RecordInfoRoundTripKeepsBusyAndCategory) {
  OpenDb(PdbBuilder().Record("a", 0x20 | 0x03, 0x123456).Record("b", 0x80 | 0x40).Bytes());
  uint8_t attrs = 0xFF, category = 0xFF;
  ASSERT_EQ(0, DB_RecordInfo(Db(), 0, &attrs, &category));
  EXPECT_EQ(0, attrs);  // busy is never reported
  EXPECT_EQ(3, category);
  ASSERT_EQ(0, DB_RecordInfo(Db(), 1, &attrs, nullptr));
  EXPECT_EQ(REC_ATTR_DELETED | REC_ATTR_DIRTY, attrs);
  uint8_t set = REC_ATTR_DELETED | REC_ATTR_SECRET | REC_ATTR_DIRTY;
  ASSERT_EQ(0, DB_SetRecordInfo(Db(), 0, &set, nullptr));
  EXPECT_EQ(0x80 | 0x40 | 0x10 | 0x20 | 0x03, Image().entries[0].attributes);
  uint8_t cat = 9;
  ASSERT_EQ(0, DB_SetRecordInfo(Db(), 1, nullptr, &cat));
  EXPECT_EQ(0x80 | 0x40 | 0x09, Image().entries[1].attributes);
  ASSERT_EQ(0, DB_RecordInfo(Db(), 1, &attrs, &category));
  EXPECT_EQ(9, category);
  uint32_t uid = 0;
  ASSERT_EQ(0, DB_RecordUniqueId(Db(), 0, &uid));
  EXPECT_EQ(0x123456u, uid);
  EXPECT_EQ(0x123456u, Image().entries[0].uniqueId);  // setting attributes kept it
  EXPECT_EQ(ERR_FILE_PARAM, DB_RecordInfo(Db(), 2, &attrs, &category));
  EXPECT_EQ(ERR_FILE_PARAM, DB_SetRecordInfo(Db(), 2, &set, nullptr));
}

TEST_F(DbRecordList, ResourceEntriesOnBothFormats) {
  OpenDb(PdbBuilder().Resource("tSTR", 1000, "hello").Resource("Tbmp", 7, "xy").Bytes(), "App.prc");
  EXPECT_EQ((std::vector<uint32_t>{5, 2}), RecordSizes());
  FourCC type = 0;
  uint16_t id = 0;
  ASSERT_EQ(0, DB_ResourceInfo(Db(), 1, &type, &id));
  EXPECT_EQ(FCC("Tbmp"), type);
  EXPECT_EQ(7, id);
  ASSERT_EQ(0, DB_SetResourceInfo(Db(), 0, FCC("tSTL"), 1001));
  PdbImage img = Image("App.prc");
  EXPECT_EQ(FCC("tSTL"), img.entries[0].type);
  EXPECT_EQ(1001, img.entries[0].id);
  EXPECT_EQ("hello", ReadRecord(0));
  // A record database answers "?REC" and changes nothing.
  PdbBytes records = PdbBuilder().Record("a", 0x40, 5).Bytes();
  OpenDb(records);
  ASSERT_EQ(0, DB_ResourceInfo(Db(), 0, &type, &id));
  EXPECT_EQ(FCC("?REC"), type);
  EXPECT_EQ(0, id);
  EXPECT_EQ(0, DB_SetResourceInfo(Db(), 0, FCC("code"), 1));
  EXPECT_EQ(records, FileBytes());
}

using DbGetRecord = DbTest;

TEST_F(DbGetRecord, FetchesRangesAndRefusesRangesPastTheRecord) {
  OpenDb(PdbBuilder().Record("0123456789").Record("next").Bytes());
  RecordRef rec = nullptr;
  auto* data = static_cast<const char*>(DB_GetRecord(&rec, Db(), 0, 3, 4));
  ASSERT_NE(nullptr, data);
  EXPECT_EQ("3456", std::string(data, DB_RecordLength(rec)));
  EXPECT_EQ(0, DB_RecordIndex(rec));
  ASSERT_EQ(0, DB_ReleaseRecord(&rec));
  EXPECT_EQ(nullptr, rec);
  data = static_cast<const char*>(DB_GetRecord(&rec, Db(), 0, 6, 0));  // to the end
  ASSERT_NE(nullptr, data);
  EXPECT_EQ("6789", std::string(data, DB_RecordLength(rec)));
  ASSERT_EQ(0, DB_ReleaseRecord(&rec));
  EXPECT_EQ(nullptr, DB_GetRecord(&rec, Db(), 0, 8, 3));
  EXPECT_EQ(nullptr, DB_GetRecord(&rec, Db(), 0, 11, 0));
  EXPECT_EQ(nullptr, DB_GetRecord(&rec, Db(), 2, 0, 0));
  EXPECT_EQ(nullptr, DB_GetRecord(nullptr, Db(), 0, 0, 0));  // could never be released
  EXPECT_EQ(nullptr, rec);
  EXPECT_EQ(0, DB_ReleaseRecord(nullptr));
}

TEST_F(DbGetRecord, FirstFetchedIndexFollowsFetchAndRelease) {
  OpenDb(PdbBuilder().Record("a").Record("b").Bytes());
  RecordRef a = nullptr, b = nullptr;
  ASSERT_NE(nullptr, DB_GetRecord(&b, Db(), 1, 0, 0));
  ASSERT_NE(nullptr, DB_GetRecord(&a, Db(), 0, 0, 0));
  EXPECT_EQ(1, Db()->firstFetched);
  ASSERT_EQ(0, DB_ReleaseRecord(&a));
  EXPECT_EQ(1, Db()->firstFetched);
  ASSERT_EQ(0, DB_ReleaseRecord(&b));
  EXPECT_EQ(-1, Db()->firstFetched);
}

using DbWriteRecord = DbTest;

TEST_F(DbWriteRecord, WritesFileAndCopyWithinTheFetchedRange) {
  OpenDb(PdbBuilder().Record("0123456789").Record("next").Bytes());
  RecordRef rec = nullptr;
  ASSERT_NE(nullptr, DB_GetRecord(&rec, Db(), 0, 2, 5));  // "23456"
  ASSERT_EQ(0, DB_WriteRecord(rec, 1, "AB", 2));
  EXPECT_EQ("2AB56", std::string(reinterpret_cast<char*>(DB_RecordData(rec)), 5));
  ASSERT_EQ(0, DB_FillRecord(rec, 3, '#', 0));  // to the range's end
  EXPECT_EQ("2AB##", std::string(reinterpret_cast<char*>(DB_RecordData(rec)), 5));
  EXPECT_EQ(ERR_FILE_PARAM, DB_WriteRecord(rec, 4, "XY", 2));
  EXPECT_EQ(ERR_FILE_PARAM, DB_FillRecord(rec, 6, 'Z', 1));
  EXPECT_EQ(ERR_FILE_PARAM, DB_WriteRecord(nullptr, 0, "X", 1));
  ASSERT_EQ(0, DB_ReleaseRecord(&rec));
  EXPECT_EQ(PdbBuilder().Record("012AB##789").Record("next").Bytes(), FileBytes());
}

TEST_F(DbWriteRecord, AFailedFileWriteLeavesTheCopyAlone) {
  PdbBytes bytes = PdbBuilder().Record("abcdef").Bytes();
  OpenDb(bytes, kName, FIL_MODE_READ);  // every write fails
  RecordRef rec = nullptr;
  ASSERT_NE(nullptr, DB_GetRecord(&rec, Db(), 0, 0, 0));
  EXPECT_EQ(ERR_WRITE, DB_WriteRecord(rec, 0, "XYZ", 3));
  EXPECT_EQ(ERR_WRITE, DB_FillRecord(rec, 0, 'Q', 2));
  EXPECT_EQ("abcdef", std::string(reinterpret_cast<char*>(DB_RecordData(rec)), 6));
  ASSERT_EQ(0, DB_ReleaseRecord(&rec));
  EXPECT_EQ(bytes, FileBytes());
}

TEST_F(DbWriteRecord, DirectFormsCheckTheRecordAndTheRange) {
  OpenDb(PdbBuilder().Record("aaaa").Record("bbbbbbbb").Bytes());
  EXPECT_EQ(0, DB_WriteRecordAt(Db(), 1, 2, "XY", 2));
  EXPECT_EQ(0, DB_FillRecordAt(Db(), 1, 6, '.', 0));
  EXPECT_EQ(0, DB_FillRecordAt(Db(), 0, 0, 'z', 1));
  EXPECT_EQ(ERR_FILE_PARAM, DB_WriteRecordAt(Db(), 0, 3, "XY", 2));
  EXPECT_EQ(ERR_FILE_PARAM, DB_FillRecordAt(Db(), 0, 5, 'x', 0));
  EXPECT_EQ(ERR_FILE, DB_WriteRecordAt(Db(), 2, 0, "X", 1));
  EXPECT_EQ(ERR_FILE, DB_FillRecordAt(Db(), 2, 0, 'x', 1));
  EXPECT_EQ(PdbBuilder().Record("zaaa").Record("bbXYbb..").Bytes(), FileBytes());
}

TEST_F(DbWriteRecord, LargeFillsCrossTheScratchBlock) {
  const uint32_t size = 70000;
  OpenDb(PdbBuilder().Record(std::string(size, 'a')).Record("tail").Bytes());
  ASSERT_EQ(0, DB_FillRecordAt(Db(), 0, 1, 'f', size - 2));
  EXPECT_EQ("a" + std::string(size - 2, 'f') + "a", ReadRecord(0));
  EXPECT_EQ("tail", ReadRecord(1));
}

using DbReadRecordBytes = DbTest;

TEST_F(DbReadRecordBytes, ReadsInsideTheRecordOnly) {
  OpenDb(PdbBuilder().Record("abcdef").Record("").Bytes());
  char buf[8] = {0};
  ASSERT_EQ(0, DB_ReadRecordBytes(Db(), 0, 2, 3, buf));
  EXPECT_STREQ("cde", buf);
  ASSERT_EQ(0, DB_ReadRecordBytes(Db(), 0, 4, 0, buf));
  EXPECT_EQ("ef", std::string(buf, 2));
  EXPECT_EQ(ERR_FILE_PARAM, DB_ReadRecordBytes(Db(), 0, 4, 3, buf));
  EXPECT_EQ(ERR_FILE_PARAM, DB_ReadRecordBytes(Db(), 0, 6, 0, buf));  // empty
  EXPECT_EQ(ERR_FILE_PARAM, DB_ReadRecordBytes(Db(), 1, 0, 0, buf));
  EXPECT_EQ(ERR_FILE_PARAM, DB_ReadRecordBytes(Db(), 2, 0, 1, buf));
  EXPECT_EQ(ERR_FILE_PARAM, DB_ReadRecordBytes(Db(), 0, 0, 1, nullptr));
}

// Damaged structures: each is refused by every record operation and the
// file stays as it was.
using DbDamagedFile = DbTest;

PdbBytes Patched(PdbBytes b, size_t at, uint32_t value) {
  for (int i = 0; i < 4; i++) b[at + size_t(i)] = uint8_t(value >> (24 - 8 * i));
  return b;
}

TEST_F(DbDamagedFile, EveryRecordOperationRefusesIt) {
  PdbBytes good = PdbBuilder().Record("first").Record("second").AppInfo("app").Bytes();
  const uint32_t size = uint32_t(good.size());
  const std::vector<PdbBytes> damaged = {
      PdbBuilder().Record("first").Record("second").StoredCount(40).Bytes(),  // list too long
      Patched(good, 78 + 8, 78 + 4),    // second offset inside the list and before the first
      Patched(good, 78 + 8, size + 1),  // second offset past the end
      Patched(good, 78, 78 + 8),        // first data inside the list
      Patched(good, 52, size + 10),     // application info past the end
      Patched(good, 56, 80),            // sort info inside the list
  };
  for (size_t k = 0; k < damaged.size(); k++) {
    SCOPED_TRACE(k);
    FileRef f = OpenDb(damaged[k]);
    EXPECT_EQ(ERR_NOT_DATABASE, DB_Validate(f));
    EXPECT_EQ(0, DB_NumRecords(f));
    EXPECT_EQ(0u, DB_RecordSize(f, 0));
    RecordRef rec = nullptr;
    EXPECT_EQ(nullptr, DB_GetRecord(&rec, f, 0, 0, 0));
    char buf[4];
    EXPECT_EQ(ERR_NOT_DATABASE, DB_ReadRecordBytes(f, 0, 0, 1, buf));
    EXPECT_EQ(ERR_NOT_DATABASE, DB_WriteRecordAt(f, 0, 0, "x", 1));
    EXPECT_EQ(ERR_NOT_DATABASE, DB_InsertRecords(f, 0, 4, 1, nullptr));
    EXPECT_EQ(ERR_NOT_DATABASE, DB_DeleteRecords(f, 0, 1, nullptr));
    EXPECT_EQ(ERR_NOT_DATABASE, DB_ResizeRecord(f, 0, 1, nullptr));
    EXPECT_EQ(ERR_NOT_DATABASE, DB_MoveRecords(f, 0, 1, 1, nullptr));
    EXPECT_EQ(ERR_NOT_DATABASE, DB_RecordInfo(f, 0, nullptr, nullptr));
    EXPECT_EQ(damaged[k], FileBytes());
    FIL_Close(&f);
  }
}

TEST_F(DbDamagedFile, ShortFilesAreNotDatabasesButEmptyOnesBecomeOne) {
  OpenDb(PdbBytes(79, 0), "short.pdb");
  EXPECT_EQ(ERR_NOT_DATABASE, DB_Validate(Db()));
  EXPECT_EQ(ERR_NOT_DATABASE, DB_InsertRecords(Db(), 0, 1, 1, nullptr));
  OpenDb({}, "empty.pdb");
  EXPECT_EQ(0, DB_Validate(Db()));
  EXPECT_EQ(0, DB_NumRecords(Db()));
  EXPECT_EQ(0, DB_InsertRecords(Db(), 0, 3, 2, nullptr));
  EXPECT_EQ(2, DB_NumRecords(Db()));
}

TEST_F(DbDamagedFile, ARawRepairOfTheHeaderIsCheckedAgain) {
  PdbBytes bytes = PdbBuilder().Record("aa").Record("bbb").StoredCount(300).Bytes();
  OpenDb(bytes);
  EXPECT_EQ(0, DB_NumRecords(Db()));
  const uint8_t count[2] = {0, 2};
  (void)FIL_Seek(Db(), 76, FIL_SEEK_SET);
  ASSERT_EQ(76, FIL_Tell(Db()));
  ASSERT_EQ(2u, FIL_Write(Db(), count, 2));
  EXPECT_EQ(0, DB_Validate(Db()));
  EXPECT_EQ((std::vector<std::string>{"aa", "bbb"}), Records());
}

// Two handles on one file share its caches: neither ever sees a stale
// count, offset or size.
using DbTwoHandles = DbTest;

TEST_F(DbTwoHandles, ChangesThroughOneAreSeenByTheOther) {
  FileRef a = OpenDb(Numbered(12).Bytes());
  FileRef b = OpenAgain();
  ASSERT_EQ(12, DB_NumRecords(b));
  ASSERT_EQ(2u, DB_RecordSize(b, 0));
  ASSERT_EQ(0, DB_InsertRecords(a, 0, 5, 2, nullptr));
  EXPECT_EQ(14, DB_NumRecords(b));
  EXPECT_EQ(5u, DB_RecordSize(b, 0));
  EXPECT_EQ("r0", ReadRecord(2, b));
  EXPECT_EQ(FIL_Size(a), FIL_Size(b));
  ASSERT_EQ(0, DB_ResizeRecord(b, 13, 3, nullptr));
  EXPECT_EQ(3u, DB_RecordSize(a, 13));
  EXPECT_EQ(FIL_Size(b), FIL_Size(a));
  ASSERT_EQ(0, DB_DeleteRecords(b, 0, 3, nullptr));
  EXPECT_EQ(11, DB_NumRecords(a));
  EXPECT_EQ("r1-", ReadRecord(0, a));
  FIL_Close(&b);
}

TEST_F(DbTwoHandles, RawWritesIntoTheListClearTheCaches) {
  FileRef a = OpenDb(PdbBuilder().Record("aa").Record("bbbb").Bytes());
  FileRef b = OpenAgain();
  ASSERT_EQ(2u, DB_RecordSize(a, 0));
  // Move the boundary between the two records by hand through the other handle.
  uint8_t offset[4];
  Put32BE(offset, DB_RecordOffset(a, 1) + 1);
  (void)FIL_Seek(b, 78 + 8, FIL_SEEK_SET);
  ASSERT_EQ(4u, FIL_Write(b, offset, 4));
  EXPECT_EQ(3u, DB_RecordSize(a, 0));
  EXPECT_EQ("bbb", ReadRecord(1, a));
  FIL_Close(&b);
}

}  // namespace
