// Record databases, header level: file kind, fresh header of a new file,
// DB_GetInfo / DB_SetInfo field by field, attribute conversions both ways.
#include <string>
#include <vector>

#include "db_fixture.h"

namespace {

constexpr uint32_t kFresh = 0x33B8BDA5;

// Bytes of a literal, embedded zero bytes included.
template <size_t N>
PdbBytes Raw(const char (&s)[N]) {
  return PdbBytes(s, s + N - 1);
}

// The fresh header of a new database, written from the file format.
PdbBuilder FreshImage(const std::string& name) {
  return PdbBuilder()
      .Name(name)
      .Attributes(0x0008)
      .Created(kFresh)
      .Modified(kFresh)
      .BackedUp(kFresh)
      .ModNumber(1)
      .Type("Data")
      .Creator("BrnL");
}

// Internal and on-disk database attribute bits, one pair per row.
const std::vector<std::pair<uint32_t, uint16_t>> kDbAttrTable = {
    {0x0001, 0x0002}, {0x0002, 0x0008}, {0x0004, 0x0020}, {0x0008, 0x0040},
    {0x0010, 0x0001}, {0x0040, 0x0100}, {0x0080, 0x0080}, {0x0100, 0x0400},
    {0x0200, 0x0800}, {0x2000, 0x0200}, {0x4000, 0x0010}, {0x8000, 0x0004},
};

using DbFileKind = DbTest;

TEST_F(DbFileKind, RiffAndShortFilesAndHeaderRule) {
  PdbBytes riff = Raw("RIFF\x10\0\0\0WAVEfmt ");
  OpenDb(riff, "sound.wav");
  EXPECT_EQ(FCC("Riff"), DB_FileKind(Db()));
  OpenDb(PdbBuilder().Type("DATA").Creator("addr").Bytes(), "plain");
  EXPECT_EQ(FCC("Palm"), DB_FileKind(Db()));
  OpenDb(PdbBuilder().Type("DATA").Creator(std::string("ad\0r", 4)).Bytes(), "zero");
  EXPECT_EQ(0u, DB_FileKind(Db()));
  OpenDb(PdbBuilder().NextRecordList(0x01000000).Bytes(), "chained");
  EXPECT_EQ(0u, DB_FileKind(Db()));
  // The file position is kept.
  ASSERT_EQ(0, FIL_Seek(Db(), 17, FIL_SEEK_SET));
  (void)DB_FileKind(Db());
  EXPECT_EQ(17, FIL_Tell(Db()));
}

TEST_F(DbFileKind, DatabaseNamesDecideFromEightyBytesOn) {
  PdbBytes zeros80(80, 0), zeros79(79, 0);
  for (const char* name : {"a.PRC", "b.pdb", "c.PDC", "d.prb", "e.pRb"}) {
    OpenDb(zeros80, name);
    EXPECT_EQ(FCC("Palm"), DB_FileKind(Db())) << name;
    FileRef f = Db();
    FIL_Close(&f);
  }
  for (const char* name : {".pdb", "f.pdx", "g.pdbx", "hpdb"}) {
    OpenDb(zeros80, name);
    EXPECT_EQ(0u, DB_FileKind(Db())) << name;
    FileRef f = Db();
    FIL_Close(&f);
  }
  OpenDb(zeros79, "short.PRC");
  EXPECT_EQ(0u, DB_FileKind(Db()));
}

using DbFreshHeader = DbTest;

TEST_F(DbFreshHeader, SetInfoOnAnEmptyFileWritesEightyBytes) {
  OpenDb({}, "Contacts.pdb");
  ASSERT_EQ(0, DB_SetInfo(Db(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                          nullptr, nullptr));
  PdbBytes expect = FreshImage("Contacts").Bytes();
  ASSERT_EQ(80u, expect.size());
  EXPECT_EQ(expect, FileBytes("Contacts.pdb"));
  EXPECT_EQ(0, DB_NumRecords(Db()));
}

TEST_F(DbFreshHeader, NameDropsOnlyATrailingPdbOfALongerName) {
  struct {
    const char* file;
    const char* stored;
  } cases[] = {{"Groups.PDB", "Groups"}, {"x.Pdb", "x"}, {".pdb", ".pdb"}, {"History", "History"}};
  for (auto& c : cases) {
    OpenDb({}, c.file);
    ASSERT_EQ(0, DB_SetInfo(Db(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                            nullptr, nullptr));
    EXPECT_EQ(c.stored, PdbParse(FileBytes(c.file)).name) << c.file;
    FileRef f = Db();
    FIL_Close(&f);
  }
}

TEST_F(DbFreshHeader, FirstTenByteInsertGivesTheNinetyEightByteFile) {
  OpenDb({}, "Sort.PDB");
  ASSERT_EQ(0, DB_InsertRecords(Db(), 0, 10, 1, nullptr));
  ASSERT_EQ(0, DB_WriteRecordAt(Db(), 0, 0, "0123456789", 10));
  PdbBytes expect = FreshImage("Sort").Record("0123456789").Bytes();
  ASSERT_EQ(98u, expect.size());
  EXPECT_EQ(expect, FileBytes("Sort.PDB"));
  // Entry at 78 pointing at 88, the two-byte gap at 86.
  PdbImage img = Image("Sort.PDB");
  EXPECT_EQ(88u, img.entries.at(0).offset);
  EXPECT_EQ(1, DB_NumRecords(Db()));
  EXPECT_EQ(10u, DB_RecordSize(Db(), 0));
}

using DbGetInfo = DbTest;

TEST_F(DbGetInfo, ReportsEveryHeaderField) {
  OpenDb(PdbBuilder()
             .Name(std::string("AddressDB\0UUUUUU", 16))
             .Attributes(0x0008 | 0x0100 | 0x2000)
             .Version(3)
             .Created(100)
             .Modified(200)
             .BackedUp(300)
             .Type("DATA")
             .Creator("addr")
             .Bytes());
  FourCC kind, type, creator;
  char name[32];
  uint32_t attrs;
  uint16_t version;
  PalmTime modified, created, backedUp;
  ASSERT_EQ(0, DB_GetInfo(Db(), &kind, name, &attrs, &version, &modified, &created, &backedUp,
                          &type, &creator));
  EXPECT_EQ(FCC("Palm"), kind);
  EXPECT_EQ(std::string(name, 32), std::string("AddressDB") + std::string(23, '\0'));
  EXPECT_EQ(DB_ATTR_BACKUP | DB_ATTR_HIDDEN, attrs);  // on-disk 0x2000 is dropped
  EXPECT_EQ(3, version);
  EXPECT_EQ(200u, modified);
  EXPECT_EQ(100u, created);
  EXPECT_EQ(300u, backedUp);
  EXPECT_EQ(FCC("DATA"), type);
  EXPECT_EQ(FCC("addr"), creator);
  // Null outputs are skipped.
  EXPECT_EQ(0, DB_GetInfo(Db(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                          nullptr, nullptr));
}

TEST_F(DbGetInfo, AFullNameStillEndsInAZeroByte) {
  OpenDb(PdbBuilder().Name(std::string(32, 'N')).Bytes());
  char name[32];
  ASSERT_EQ(0, DB_GetInfo(Db(), nullptr, name, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                          nullptr));
  EXPECT_EQ(std::string(31, 'N'), std::string(name));
}

TEST_F(DbGetInfo, RiffFilesAndUnknownFiles) {
  OpenDb(Raw("RIFF\x10\0\0\0WAVEfmt "), "beep.wav");
  FourCC kind = 1, type = 0, creator = 0;
  uint32_t attrs = 7;
  char name[32] = "junk";
  ASSERT_EQ(0, DB_GetInfo(Db(), &kind, name, &attrs, nullptr, nullptr, nullptr, nullptr, &type,
                          &creator));
  EXPECT_EQ(FCC("Riff"), kind);
  EXPECT_EQ(FCC("WAVE"), type);
  EXPECT_EQ(FCC("Riff"), creator);
  EXPECT_STREQ("", name);
  EXPECT_EQ(0u, attrs);
  OpenDb(PdbBytes(100, 0), "blob.bin");
  type = 5;
  ASSERT_EQ(0, DB_GetInfo(Db(), &kind, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &type,
                          nullptr));
  EXPECT_EQ(0u, kind);
  EXPECT_EQ(0u, type);
}

using DbSetInfo = DbTest;

TEST_F(DbSetInfo, WritesEachGivenFieldAndNothingElse) {
  PdbBuilder base =
      PdbBuilder().Name("Old").Version(1).ModNumber(9).UniqueIdSeed(5).Record("abc", 0x41, 7);
  base.AppInfo("categories");
  OpenDb(base.Bytes());
  uint16_t version = 4;
  PalmTime modified = 0x11223344, created = 0x55667788, backedUp = 0x99AABBCC;
  FourCC type = FCC("Grps"), creator = FCC("BrnL");
  ASSERT_EQ(0, DB_SetInfo(Db(), nullptr, "New", nullptr, &version, &modified, &created, &backedUp,
                          &type, &creator));
  PdbBytes expect = base.Name("New")
                        .Version(4)
                        .Modified(modified)
                        .Created(created)
                        .BackedUp(backedUp)
                        .Type("Grps")
                        .Creator("BrnL")
                        .Bytes();
  EXPECT_EQ(expect, FileBytes());
}

TEST_F(DbSetInfo, LongNamesAreCutToThirtyOneCharactersAndAZero) {
  OpenDb(PdbBuilder().Name(std::string(32, 'x')).Bytes());
  std::string longName(40, 'L');
  ASSERT_EQ(0, DB_SetInfo(Db(), nullptr, longName.c_str(), nullptr, nullptr, nullptr, nullptr,
                          nullptr, nullptr, nullptr));
  EXPECT_EQ(std::string(31, 'L') + '\0', Image().nameField);
}

TEST_F(DbSetInfo, AttributesKeepTheResourceBitAndHighBits) {
  OpenDb(PdbBuilder().Attributes(0xF000 | 0x0008).Resource("code", 1, "x").Bytes());
  uint32_t attrs = DB_ATTR_HIDDEN | DB_ATTR_RESOURCE | DB_ATTR_READ_ONLY;
  ASSERT_EQ(0, DB_SetInfo(Db(), nullptr, nullptr, &attrs, nullptr, nullptr, nullptr, nullptr,
                          nullptr, nullptr));
  EXPECT_EQ(0xF000 | 0x0001 | 0x0100 | 0x0002, Image().attributes);
  OpenDb(PdbBuilder().Attributes(0x0008).Bytes(), "plain.pdb");
  ASSERT_EQ(0, DB_SetInfo(Db(), nullptr, nullptr, &attrs, nullptr, nullptr, nullptr, nullptr,
                          nullptr, nullptr));
  EXPECT_EQ(0x0100 | 0x0002, Image("plain.pdb").attributes);  // the resource bit is never set
}

TEST_F(DbSetInfo, RefusesFilesThatAreNotDatabases) {
  PdbBytes blob(120, 0x5A);
  OpenDb(blob, "blob.bin");
  uint16_t version = 2;
  EXPECT_EQ(ERR_NOT_DATABASE, DB_SetInfo(Db(), nullptr, nullptr, nullptr, &version, nullptr,
                                         nullptr, nullptr, nullptr, nullptr));
  EXPECT_EQ(blob, FileBytes("blob.bin"));
}

using DbAttributes = DbTest;

TEST_F(DbAttributes, DatabaseBitsMapBothWays) {
  for (auto [internal, disk] : kDbAttrTable) {
    EXPECT_EQ(internal, DB_AttrsFromDisk(disk)) << std::hex << disk;
    if (internal != DB_ATTR_RESOURCE) {
      EXPECT_EQ(disk, DB_AttrsToDisk(internal, 0)) << internal;
    }
  }
  EXPECT_EQ(0u, DB_AttrsFromDisk(0xF000));
  EXPECT_EQ(0u, DB_AttrsToDisk(DB_ATTR_RESOURCE, 0));
  EXPECT_EQ(0xF001 | 0x0008, DB_AttrsToDisk(DB_ATTR_BACKUP, 0xFFFF));
}

TEST_F(DbAttributes, RecordBitsKeepBusyAndCategory) {
  EXPECT_EQ(0x80 | 0x40 | 0x10 | 0x20 | 0x05, DB_RecAttrsToDisk(0x07, 0x20 | 0x05));
  EXPECT_EQ(0x20 | 0x0F, DB_RecAttrsToDisk(0, 0xFF));
  EXPECT_EQ(REC_ATTR_DELETED, DB_RecAttrsFromDisk(0x80 | 0x20 | 0x03));
  EXPECT_EQ(REC_ATTR_SECRET, DB_RecAttrsFromDisk(0x10));
  EXPECT_EQ(REC_ATTR_DIRTY, DB_RecAttrsFromDisk(0x40));
  EXPECT_EQ(0, DB_RecAttrsFromDisk(0x2F));
}

}  // namespace
