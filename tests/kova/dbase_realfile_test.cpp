// Record databases on real handheld files: every file in tests/data opens,
// lists its records and entries as an independent parse sees them, and
// comes back byte for byte after an insert and a delete, or a move there
// and back; an insert keeps the application info readable.
#include <string>
#include <vector>

#include "db_fixture.h"

namespace {

const char* const kFiles[] = {
    "jpilot_empty_AddressDB.pdb",
    "jpilot_empty_ContactsDB-PAdd.pdb",
    "jpilot_empty_MemoDB.pdb",
    "jpilot_empty_MemosDB-PMem.pdb",
    "palmpdb_AddressDB-LifeDrive.pdb",
    "palmpdb_AddressDB-PalmV-FR.pdb",
    "palmpdb_AddressDB-PalmV-JP.pdb",
    "palmpdb_AddressDB-Visor.pdb",
    "palmpdb_MemoDB.pdb",
    "palmpdb_neg_DatebookDB.pdb",
    "palmpdb_neg_ToDoDB.pdb",
};

class DbRealFile : public DbTest, public testing::WithParamInterface<const char*> {
 protected:
  void SetUp() override {
    DbTest::SetUp();
    original_ = Fixture(GetParam());
    ASSERT_GT(original_.size(), 80u) << GetParam();
    image_ = PdbParse(original_);
    ASSERT_TRUE(image_.ok) << image_.error;
    OpenDb(original_, GetParam());
  }
  PdbBytes Now() const { return FileBytes(GetParam()); }

  PdbBytes original_;
  PdbImage image_;
};

TEST_P(DbRealFile, OpensAndListsItsRecords) {
  EXPECT_EQ(FCC("Palm"), DB_FileKind(Db()));
  EXPECT_EQ(0, DB_Validate(Db()));
  char name[32];
  FourCC type, creator;
  ASSERT_EQ(0, DB_GetInfo(Db(), nullptr, name, nullptr, nullptr, nullptr, nullptr, nullptr, &type,
                          &creator));
  EXPECT_EQ(image_.name, name);
  EXPECT_EQ(image_.type, type);
  EXPECT_EQ(image_.creator, creator);
  ASSERT_EQ(image_.count, DB_NumRecords(Db()));
  for (uint16_t i = 0; i < image_.count; i++) {
    const PdbBytes& r = image_.records[i];
    EXPECT_EQ(std::string(r.begin(), r.end()), ReadRecord(i)) << i;
    uint8_t attrs, category;
    uint32_t uid;
    ASSERT_EQ(0, DB_RecordInfo(Db(), i, &attrs, &category));
    ASSERT_EQ(0, DB_RecordUniqueId(Db(), i, &uid));
    EXPECT_EQ(DB_RecAttrsFromDisk(image_.entries[i].attributes), attrs);
    EXPECT_EQ(image_.entries[i].attributes & 0x0F, category);
    EXPECT_EQ(image_.entries[i].uniqueId, uid);
  }
  uint32_t app = 1, sort = 1;
  ASSERT_EQ(0, DB_InfoOffsets(Db(), &app, &sort));
  EXPECT_EQ(image_.appInfoOffset, app);
  EXPECT_EQ(image_.sortInfoOffset, sort);
}

TEST_P(DbRealFile, InsertKeepsTheApplicationInfoAndDeleteRestoresTheFile) {
  const uint16_t count = image_.count;
  for (uint16_t at : {uint16_t(0), uint16_t(count / 2), count}) {
    SCOPED_TRACE(at);
    ASSERT_EQ(0, DB_InsertRecords(Db(), at, 12, 2, nullptr));
    ASSERT_EQ(0, DB_WriteRecordAt(Db(), at, 0, "New contact", 12));
    PdbImage grown = PdbParse(Now());
    ASSERT_TRUE(grown.ok) << grown.error;
    EXPECT_EQ(image_.appInfo, grown.appInfo);
    EXPECT_EQ(image_.appInfoOffset ? image_.appInfoOffset + 16 : 0, grown.appInfoOffset);
    EXPECT_EQ(std::string("New contact", 12), ReadRecord(at));
    for (uint16_t i = 0; i < count; i++)
      EXPECT_EQ(image_.records[i], grown.records[i < at ? i : i + 2u]) << i;
    ASSERT_EQ(0, DB_DeleteRecords(Db(), at, 2, nullptr));
    EXPECT_EQ(original_, Now());
  }
}

TEST_P(DbRealFile, MoveThereAndBackRestoresTheFile) {
  const uint16_t count = image_.count;
  if (count < 2) GTEST_SKIP() << "fewer than two records";
  ASSERT_EQ(0, DB_MoveRecords(Db(), 0, uint16_t(count - 1), 1, nullptr));
  EXPECT_EQ(image_.records[0], PdbParse(Now()).records[count - 1u]);
  EXPECT_NE(original_, Now());
  ASSERT_EQ(0, DB_MoveRecords(Db(), uint16_t(count - 1), 0, 1, nullptr));
  EXPECT_EQ(original_, Now());
  ASSERT_EQ(0, DB_MoveRecords(Db(), 1, 0, count - 1, nullptr));
  ASSERT_EQ(0, DB_MoveRecords(Db(), uint16_t(count - 1), 0, 1, nullptr));
  EXPECT_EQ(original_, Now());
}

TEST_P(DbRealFile, ResizeThereAndBackRestoresTheFile) {
  if (image_.count == 0) GTEST_SKIP() << "no records";
  const uint32_t size = DB_RecordSize(Db(), 0);
  ASSERT_EQ(0, DB_ResizeRecord(Db(), 0, size + 300, nullptr));
  EXPECT_EQ(image_.appInfo, PdbParse(Now()).appInfo);
  ASSERT_EQ(0, DB_ResizeRecord(Db(), 0, size, nullptr));
  EXPECT_EQ(original_, Now());
}

INSTANTIATE_TEST_SUITE_P(Fixtures, DbRealFile, testing::ValuesIn(kFiles),
                         [](const testing::TestParamInfo<const char*>& info) {
                           std::string n = info.param;
                           for (char& c : n)
                             if (!isalnum(static_cast<unsigned char>(c))) c = '_';
                           return n;
                         });

// The builder reproduces each real file from its parsed fields, so images
// built by it in other tests are laid out the way the handheld writes them.
using PdbBuilderOracle = DbTest;

TEST_F(PdbBuilderOracle, RebuildsEveryRealFileByteForByte) {
  for (const char* file : kFiles) {
    PdbBytes bytes = Fixture(file);
    PdbImage img = PdbParse(bytes);
    ASSERT_TRUE(img.ok) << file;
    PdbBuilder b;
    b.Name(img.nameField).Attributes(img.attributes).Version(img.version);
    b.Created(img.created).Modified(img.modified).BackedUp(img.backedUp);
    b.ModNumber(img.modNumber).UniqueIdSeed(img.uniqueIdSeed).NextRecordList(img.nextRecordList);
    b.Type(img.type).Creator(img.creator);
    if (img.appInfoOffset) b.AppInfo(img.appInfo);
    for (size_t i = 0; i < img.records.size(); i++)
      b.Record(img.records[i], img.entries[i].attributes, img.entries[i].uniqueId);
    EXPECT_EQ(bytes, b.Bytes()) << file;
  }
}

}  // namespace
