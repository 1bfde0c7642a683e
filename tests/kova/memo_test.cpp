// Memo export: appending under a title, the size limit, new memos placed
// before the trailing deleted records, private memos left alone, the choice
// between the two memo databases, a memo without its zero, and the
// application-info block kept through every insert, on the real memo
// databases and on images built from the file format.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "kova_fixture.h"
#include "pdb_builder.h"

namespace {

constexpr uint8_t DISK_DELETED = 0x80;  // on-disk record attribute bits
constexpr uint8_t DISK_SECRET = 0x10;

class MemoAdd : public KovaTest {
 protected:
  // Writes memo database `name` and remembers its application-info block,
  // which every later insert must leave as it is.
  void Write(const char* name, const PdbBytes& bytes) {
    WriteDataFile(name, bytes);
    appInfo_[name] = PdbParse(bytes).appInfo;
  }
  PdbImage Read(const char* name) { return PdbParse(ReadDataFile(name)); }
  // MEMO_Add of `text` as it stands; afterwards memo database `name` still
  // holds the application-info block it was written with.
  Err Add(const char* name, const char* title, uint32_t flags, const std::string& text) {
    Err err = MEMO_Add(title, 0, flags, text.c_str());
    PdbImage image = Read(name);
    EXPECT_TRUE(image.ok) << image.error;
    EXPECT_EQ(appInfo_[name], image.appInfo) << "after adding \"" << text.substr(0, 16) << "\"";
    return err;
  }
  static std::vector<std::string> Texts(const PdbImage& image) {
    std::vector<std::string> out;
    for (const PdbBytes& r : image.records) out.emplace_back(r.begin(), r.end());
    return out;
  }
  static std::string Z(const std::string& s) { return s + std::string(1, '\0'); }

 private:
  std::map<std::string, PdbBytes> appInfo_;
};

TEST_F(MemoAdd, AppendsToTheLatestMemoOfTheTitle) {
  Write(MEMO_OLD_DB_FILE, PdbBuilder()
                              .Name("MemoDB")
                              .AppInfo("categories!")
                              .Record(Z("Cards\nA"))
                              .Record(Z("Other\nB"))
                              .Record(Z("Cards\nC"))
                              .Bytes());
  ASSERT_EQ(0, MEMO_Add("Cards", 0, 0, "+D"));
  ASSERT_EQ(0, MEMO_Add("Cards", 16, 0, "%s-%hd", "E", 7));
  PdbImage image = Read(MEMO_OLD_DB_FILE);
  ASSERT_TRUE(image.ok) << image.error;
  EXPECT_EQ((std::vector<std::string>{Z("Cards\nA"), Z("Other\nB"), Z("Cards\nC+DE-7")}),
            Texts(image));
  EXPECT_EQ(PdbStr("categories!"), image.appInfo);
}

TEST_F(MemoAdd, NewMemosGoBeforeTrailingDeletedRecords) {
  Write(MEMO_OLD_DB_FILE, PdbBuilder()
                              .AppInfo(std::string("cat\0egories", 11))
                              .Record(Z("Keep"))
                              .Record(Z("gone1"), DISK_DELETED)
                              .Record(Z("gone2"), DISK_DELETED)
                              .Bytes());
  ASSERT_EQ(0, Add(MEMO_OLD_DB_FILE, "Title", 0, "text"));
  ASSERT_EQ(0, Add(MEMO_OLD_DB_FILE, nullptr, 0, "untitled"));
  PdbImage image = Read(MEMO_OLD_DB_FILE);
  EXPECT_EQ((std::vector<std::string>{Z("Keep"), Z("Title\ntext"), Z("untitled"), Z("gone1"),
                                      Z("gone2")}),
            Texts(image));
  EXPECT_EQ(DISK_DELETED, image.entries[4].attributes & DISK_DELETED);
  EXPECT_EQ(0, image.entries[1].attributes & DISK_DELETED);
}

TEST_F(MemoAdd, FlagStartsANewMemoAndPrivateOrFullMemosAreSkipped) {
  std::string full = "T\n" + std::string(3990, 'x');  // 3993 bytes with its zero
  Write(MEMO_OLD_DB_FILE,
        PdbBuilder().Record(Z("T\nold")).Record(Z("T\nsecret"), DISK_SECRET).Bytes());
  ASSERT_EQ(0, MEMO_Add("T", 0, MEMO_FLAG_NEW, "first"));
  ASSERT_EQ(0, MEMO_Add("T", 0, 0, "+second"));
  EXPECT_EQ((std::vector<std::string>{Z("T\nold"), Z("T\nsecret"), Z("T\nfirst+second")}),
            Texts(Read(MEMO_OLD_DB_FILE)));
  // A private memo of the title is passed over for the one before it.
  Write(MEMO_OLD_DB_FILE,
        PdbBuilder().Record(Z("T\nold")).Record(Z("T\nsecret"), DISK_SECRET).Bytes());
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
  ASSERT_EQ(0, Add(MEMO_OLD_DB_FILE, "Only", 0, "old"));
  EXPECT_EQ(std::vector<std::string>{Z("Only\nold")}, Texts(Read(MEMO_OLD_DB_FILE)));
  Write(MEMO_OLD_DB_FILE, oldDb);
  Write(MEMO_NEW_DB_FILE, newDb);
  ASSERT_EQ(0, Add(MEMO_NEW_DB_FILE, "Both", 0, "new"));
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
  for (const std::string& t : Texts(after))
    found |= t == Z("Brantel export\nSmith, John\nDoe, Jane");
  EXPECT_TRUE(found);
  for (size_t i = 0, j = 0; i < before.records.size(); i++, j++) {
    if (Texts(after)[j] == Z("Brantel export\nSmith, John\nDoe, Jane")) j++;
    EXPECT_EQ(before.records[i], after.records[j]) << i;
  }
}

// ---------------------------------------------------------------------------
// The same rules on the handheld's own empty memo databases (the older
// "MemoDB" and the newer "MemosDB-PMem", each alone in the data folder),
// whose application-info blocks must come through every insert unchanged.

struct RealMemoDb {
  const char* fixture;
  const char* file;
};

class MemoAddRealFile : public MemoAdd, public ::testing::WithParamInterface<RealMemoDb> {
 protected:
  void SetUp() override {
    MemoAdd::SetUp();
    PdbBytes bytes = Fixture(GetParam().fixture);
    ASSERT_FALSE(PdbParse(bytes).appInfo.empty());
    Write(File(), bytes);
  }
  static const char* File() { return GetParam().file; }
  Err Add(const char* title, uint32_t flags, const std::string& text) {
    return MemoAdd::Add(File(), title, flags, text);
  }
  std::vector<std::string> Memos() {
    PdbImage image = Read(File());
    EXPECT_TRUE(image.ok) << image.error;
    return Texts(image);
  }
  // The memos with each long run of "x" written as "<count x>", so that
  // long memos compare exactly and still read well in a failure.
  std::vector<std::string> SqueezedMemos() {
    std::vector<std::string> out;
    for (const std::string& memo : Memos()) {
      std::string s;
      for (size_t i = 0; i < memo.size();) {
        size_t end = memo.find_first_not_of('x', i);
        size_t run = (end == std::string::npos ? memo.size() : end) - i;
        if (run >= 8) {
          s += "<" + std::to_string(run) + " x>";
          i += run;
        } else {
          s += memo[i++];
        }
      }
      out.push_back(s);
    }
    return out;
  }
  // Each record's deleted and private bits as the file holds them.
  std::vector<uint8_t> DiskAttributes() {
    std::vector<uint8_t> out;
    for (const PdbEntry& e : Read(File()).entries)
      out.push_back(e.attributes & (DISK_DELETED | DISK_SECRET));
    return out;
  }
  // Sets record `index`'s attributes (internal form) through the database layer.
  void Mark(uint16_t index, uint8_t attributes) {
    FileRef f = nullptr;
    ASSERT_EQ(0, FIL_Open(&f, VOL_DOCUMENTS, "!", File(), FIL_MODE_READ_WRITE));
    EXPECT_EQ(0, DB_SetRecordInfo(f, index, &attributes, nullptr));
    EXPECT_EQ(0, FIL_Flush(f));
    FIL_Close(&f);
  }
  // Cuts record `index`'s terminating zero, as other memo writers leave it.
  void DropZero(uint16_t index) {
    FileRef f = nullptr;
    ASSERT_EQ(0, FIL_Open(&f, VOL_DOCUMENTS, "!", File(), FIL_MODE_READ_WRITE));
    EXPECT_EQ(0, DB_ResizeRecord(f, index, DB_RecordSize(f, index) - 1, nullptr));
    EXPECT_EQ(0, FIL_Flush(f));
    FIL_Close(&f);
  }
};

TEST_P(MemoAddRealFile, AppendsToTheLatestMatchingMemoSearchingFromTheEnd) {
  ASSERT_EQ(0, Add("A", 0, "1"));  // an empty database: a new memo without the flag
  ASSERT_EQ(0, Add("B", MEMO_FLAG_NEW, "2"));
  ASSERT_EQ(0, Add("A", MEMO_FLAG_NEW, "3"));
  ASSERT_EQ(0, Add("a", MEMO_FLAG_NEW, "4"));  // titles compare case-sensitively
  ASSERT_EQ(0, Add(nullptr, 0, "A"));          // "A" and its zero: shorter than title + 2
  ASSERT_EQ(0, Add("A", 0, "+"));
  ASSERT_EQ(0, Add("B", 0, "+"));
  EXPECT_EQ((std::vector<std::string>{Z("A\n1"), Z("B\n2+"), Z("A\n3+"), Z("a\n4"), Z("A")}),
            Memos());
}

TEST_P(MemoAddRealFile, AMemoStaysWithinTheLimit) {
  const std::string x3990(3990, 'x');  // "T\n", the text and a zero: 3993 bytes
  ASSERT_EQ(0, Add("T", MEMO_FLAG_NEW, x3990));
  ASSERT_EQ(0, Add("T", 0, "123456"));  // 3999 bytes: still appended
  ASSERT_EQ(0, Add("T", 0, "7"));       // full: a new memo of the title
  ASSERT_EQ(0, Add("T", 0, "8"));       // and later text goes to that one
  ASSERT_EQ(0, Add("U", MEMO_FLAG_NEW, x3990));
  ASSERT_EQ(0, Add("U", 0, "1234567"));  // would make 4000 bytes
  EXPECT_EQ((std::vector<std::string>{Z("T\n<3990 x>123456"), Z("T\n78"), Z("U\n<3990 x>"),
                                      Z("U\n1234567")}),
            SqueezedMemos());
  EXPECT_EQ(3999u, Read(File()).records.at(0).size());
}

TEST_P(MemoAddRealFile, AMemoWithoutItsZeroStaysWithinTheLimitToo) {
  // Without its zero the memo keeps its last character and the text goes
  // behind it, so appending grows it by one byte more than the text.
  ASSERT_EQ(0, Add("T", MEMO_FLAG_NEW, std::string(3995, 'x')));
  DropZero(0);                     // 3997 bytes
  ASSERT_EQ(0, Add("T", 0, "y"));  // 3997 + "y" + zero = 3999
  ASSERT_EQ(0, Add("U", MEMO_FLAG_NEW, std::string(3996, 'x')));
  DropZero(1);                     // 3998 bytes
  ASSERT_EQ(0, Add("U", 0, "y"));  // 4000 bytes: a new memo instead
  EXPECT_EQ((std::vector<std::string>{Z("T\n<3995 x>y"), "U\n<3996 x>", Z("U\ny")}),
            SqueezedMemos());
  EXPECT_EQ(3999u, Read(File()).records.at(0).size());
}

TEST_P(MemoAddRealFile, NewMemosGoBeforeTrailingDeletedRecords) {
  ASSERT_EQ(0, Add("Keep", MEMO_FLAG_NEW, "k"));
  ASSERT_EQ(0, Add("Gone", MEMO_FLAG_NEW, "g1"));
  ASSERT_EQ(0, Add("Gone", MEMO_FLAG_NEW, "g2"));
  Mark(1, REC_ATTR_DELETED);
  Mark(2, REC_ATTR_DELETED);
  ASSERT_EQ(0, Add("New", 0, "n"));
  ASSERT_EQ(0, Add(nullptr, 0, "u"));
  ASSERT_EQ(0, Add("Gone", 0, "+"));  // a deleted memo is not appended to
  EXPECT_EQ((std::vector<std::string>{Z("Keep\nk"), Z("New\nn"), Z("u"), Z("Gone\n+"),
                                      Z("Gone\ng1"), Z("Gone\ng2")}),
            Memos());
  // A deleted memo before the last live one stays in its place.
  Mark(0, REC_ATTR_DELETED);
  ASSERT_EQ(0, Add("Last", 0, "l"));
  EXPECT_EQ((std::vector<std::string>{Z("Keep\nk"), Z("New\nn"), Z("u"), Z("Gone\n+"), Z("Last\nl"),
                                      Z("Gone\ng1"), Z("Gone\ng2")}),
            Memos());
  EXPECT_EQ((std::vector<uint8_t>{DISK_DELETED, 0, 0, 0, 0, DISK_DELETED, DISK_DELETED}),
            DiskAttributes());
}

TEST_P(MemoAddRealFile, APrivateMemoIsNeverAppendedTo) {
  ASSERT_EQ(0, Add("T", MEMO_FLAG_NEW, "open"));
  ASSERT_EQ(0, Add("T", MEMO_FLAG_NEW, "secret"));
  Mark(1, REC_ATTR_SECRET);
  ASSERT_EQ(0, Add("T", 0, "+"));  // the public memo before the private one
  Mark(0, REC_ATTR_SECRET);
  ASSERT_EQ(0, Add("T", 0, "!"));  // none left: a new memo
  EXPECT_EQ((std::vector<std::string>{Z("T\nopen+"), Z("T\nsecret"), Z("T\n!")}), Memos());
  EXPECT_EQ((std::vector<uint8_t>{DISK_SECRET, DISK_SECRET, 0}), DiskAttributes());
}

TEST_P(MemoAddRealFile, TwoExportsInARowKeepTheirOwnMemos) {
  // An export starts its first contact with the flag and appends the rest.
  for (const char* contacts : {"Adams|Baker", "Cole|Dunn"}) {
    std::string first(contacts, strchr(contacts, '|'));
    ASSERT_EQ(0, Add("Brantel Export Data", MEMO_FLAG_NEW, first));
    ASSERT_EQ(0, Add("Brantel Export Data", 0, std::string("\n") + (strchr(contacts, '|') + 1)));
  }
  EXPECT_EQ((std::vector<std::string>{Z("Brantel Export Data\nAdams\nBaker"),
                                      Z("Brantel Export Data\nCole\nDunn")}),
            Memos());
}

INSTANTIATE_TEST_SUITE_P(, MemoAddRealFile,
                         ::testing::Values(RealMemoDb{"jpilot_empty_MemoDB.pdb", MEMO_OLD_DB_FILE},
                                           RealMemoDb{"jpilot_empty_MemosDB-PMem.pdb",
                                                      MEMO_NEW_DB_FILE}),
                         [](const ::testing::TestParamInfo<RealMemoDb>& info) {
                           return std::string(info.index == 0 ? "MemoDB" : "MemosDB");
                         });

}  // namespace
