// Memo export: appending under a title, the size limit, new memos placed
// before the trailing deleted records, private memos left alone, the choice
// between the two memo databases, and the application-info block kept, on
// the real memo databases and on images built from the file format.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "kova_fixture.h"
#include "pdb_builder.h"

namespace {

constexpr uint8_t DISK_DELETED = 0x80;  // on-disk record attribute bits
constexpr uint8_t DISK_SECRET = 0x10;

class MemoAdd : public KovaTest {
 protected:
  void Write(const char* name, const PdbBytes& bytes) { WriteDataFile(name, bytes); }
  PdbImage Read(const char* name) { return PdbParse(ReadDataFile(name)); }
  static std::vector<std::string> Texts(const PdbImage& image) {
    std::vector<std::string> out;
    for (const PdbBytes& r : image.records) out.emplace_back(r.begin(), r.end());
    return out;
  }
  static std::string Z(const std::string& s) { return s + std::string(1, '\0'); }
};

TEST_F(MemoAdd, AppendsToTheLatestMemoOfTheTitle) {
  Write(MEMO_OLD_DB_FILE, PdbBuilder().Name("MemoDB").AppInfo("categories!").Record(Z("Cards\nA"))
                              .Record(Z("Other\nB")).Record(Z("Cards\nC")).Bytes());
  ASSERT_EQ(0, MEMO_Add("Cards", 0, 0, "+D"));
  ASSERT_EQ(0, MEMO_Add("Cards", 16, 0, "%s-%hd", "E", 7));
  PdbImage image = Read(MEMO_OLD_DB_FILE);
  ASSERT_TRUE(image.ok) << image.error;
  EXPECT_EQ((std::vector<std::string>{Z("Cards\nA"), Z("Other\nB"), Z("Cards\nC+DE-7")}),
            Texts(image));
  EXPECT_EQ(PdbStr("categories!"), image.appInfo);
}

TEST_F(MemoAdd, NewMemosGoBeforeTrailingDeletedRecords) {
  Write(MEMO_OLD_DB_FILE, PdbBuilder().Record(Z("Keep")).Record(Z("gone1"), DISK_DELETED)
                              .Record(Z("gone2"), DISK_DELETED).Bytes());
  ASSERT_EQ(0, MEMO_Add("Title", 0, 0, "text"));
  ASSERT_EQ(0, MEMO_Add(nullptr, 0, 0, "untitled"));
  PdbImage image = Read(MEMO_OLD_DB_FILE);
  EXPECT_EQ((std::vector<std::string>{Z("Keep"), Z("Title\ntext"), Z("untitled"), Z("gone1"),
                                      Z("gone2")}),
            Texts(image));
  EXPECT_EQ(DISK_DELETED, image.entries[4].attributes & DISK_DELETED);
  EXPECT_EQ(0, image.entries[1].attributes & DISK_DELETED);
}

TEST_F(MemoAdd, FlagStartsANewMemoAndPrivateOrFullMemosAreSkipped) {
  std::string full = "T\n" + std::string(3990, 'x');  // 3993 bytes with its zero
  Write(MEMO_OLD_DB_FILE, PdbBuilder().Record(Z("T\nold")).Record(Z("T\nsecret"), DISK_SECRET)
                              .Bytes());
  ASSERT_EQ(0, MEMO_Add("T", 0, MEMO_FLAG_NEW, "first"));
  ASSERT_EQ(0, MEMO_Add("T", 0, 0, "+second"));
  EXPECT_EQ((std::vector<std::string>{Z("T\nold"), Z("T\nsecret"), Z("T\nfirst+second")}),
            Texts(Read(MEMO_OLD_DB_FILE)));
  // A private memo of the title is passed over for the one before it.
  Write(MEMO_OLD_DB_FILE, PdbBuilder().Record(Z("T\nold")).Record(Z("T\nsecret"), DISK_SECRET)
                              .Bytes());
  ASSERT_EQ(0, MEMO_Add("T", 0, 0, "!"));
  EXPECT_EQ(Z("T\nold!"), Texts(Read(MEMO_OLD_DB_FILE))[0]);
  // At the limit the latest memo of the title ends the search: a new memo.
  Write(MEMO_OLD_DB_FILE, PdbBuilder().Record(Z("T\nroom")).Record(Z(full)).Bytes());
  ASSERT_EQ(0, MEMO_Add("T", 0, 0, "123456"));  // 3993 + 6 = 3999: still fits
  ASSERT_EQ(0, MEMO_Add("T", 0, 0, "7"));
  std::vector<std::string> texts = Texts(Read(MEMO_OLD_DB_FILE));
  ASSERT_EQ(3u, texts.size());
  EXPECT_EQ(Z(full + "123456"), texts[1]);
  EXPECT_EQ(3999u, texts[1].size());
  EXPECT_EQ(Z("T\n7"), texts[2]);
  EXPECT_EQ(Z("T\nroom"), texts[0]);
}

TEST_F(MemoAdd, AMemoWithoutItsZeroKeepsItsLastCharacter) {
  Write(MEMO_OLD_DB_FILE, PdbBuilder().Record("T\nabc").Bytes());
  ASSERT_EQ(0, MEMO_Add("T", 0, 0, "d"));
  EXPECT_EQ(Z("T\nabcd"), Texts(Read(MEMO_OLD_DB_FILE))[0]);
}

TEST_F(MemoAdd, ChoosesTheNewerDatabaseAndFailsWithoutOne) {
  EXPECT_EQ(ERR_SERVICE, MEMO_Add("T", 0, 0, "x"));
  EXPECT_FALSE(HostFileExists(DataDir() + "/" + MEMO_OLD_DB_FILE));
  EXPECT_FALSE(HostFileExists(DataDir() + "/" + MEMO_NEW_DB_FILE));
  std::vector<uint8_t> oldDb = Fixture("jpilot_empty_MemoDB.pdb");
  std::vector<uint8_t> newDb = Fixture("jpilot_empty_MemosDB-PMem.pdb");
  Write(MEMO_OLD_DB_FILE, oldDb);
  ASSERT_EQ(0, MEMO_Add("Only", 0, 0, "old"));
  EXPECT_EQ(std::vector<std::string>{Z("Only\nold")}, Texts(Read(MEMO_OLD_DB_FILE)));
  Write(MEMO_OLD_DB_FILE, oldDb);
  Write(MEMO_NEW_DB_FILE, newDb);
  ASSERT_EQ(0, MEMO_Add("Both", 0, 0, "new"));
  EXPECT_EQ(oldDb, ReadDataFile(MEMO_OLD_DB_FILE));
  PdbImage image = Read(MEMO_NEW_DB_FILE);
  ASSERT_TRUE(image.ok) << image.error;
  EXPECT_EQ(std::vector<std::string>{Z("Both\nnew")}, Texts(image));
  // The handheld's own blocks and header survive the insert.
  PdbImage before = PdbParse(newDb);
  EXPECT_EQ(before.appInfo, image.appInfo);
  EXPECT_EQ(before.name, image.name);
  EXPECT_EQ(before.type, image.type);
  EXPECT_EQ(before.creator, image.creator);
}

TEST_F(MemoAdd, RealMemoDatabaseTakesAnAppendedMemo) {
  std::vector<uint8_t> bytes = Fixture("palmpdb_MemoDB.pdb");
  PdbImage before = PdbParse(bytes);
  ASSERT_TRUE(before.ok);
  Write(MEMO_OLD_DB_FILE, bytes);
  ASSERT_EQ(0, MEMO_Add("Brantel export", 0, 0, "Smith, John"));
  ASSERT_EQ(0, MEMO_Add("Brantel export", 0, 0, "\nDoe, Jane"));
  PdbImage after = Read(MEMO_OLD_DB_FILE);
  ASSERT_TRUE(after.ok) << after.error;
  ASSERT_EQ(before.records.size() + 1, after.records.size());
  EXPECT_EQ(before.appInfo, after.appInfo);
  bool found = false;
  for (const std::string& t : Texts(after)) found |= t == Z("Brantel export\nSmith, John\nDoe, Jane");
  EXPECT_TRUE(found);
  for (size_t i = 0, j = 0; i < before.records.size(); i++, j++) {
    if (Texts(after)[j] == Z("Brantel export\nSmith, John\nDoe, Jane")) j++;
    EXPECT_EQ(before.records[i], after.records[j]) << i;
  }
}

}  // namespace
