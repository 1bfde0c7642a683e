// Named-file operations: delete, rename keeping a database's stored name in
// step with its file name, formatted writes.
#include <cstring>
#include <string>

#include "kova_fixture.h"

namespace {

class FileOps : public KovaTest {
 protected:
  // Creates an empty database file whose stored name is `stored`.
  void MakeDb(const char* file, const char* stored) {
    FileRef f = nullptr;
    ASSERT_EQ(0, FIL_Open(&f, VOL_DOCUMENTS, "", file, FIL_MODE_READ_WRITE));
    ASSERT_EQ(0, DB_SetInfo(f, nullptr, stored, nullptr, nullptr, nullptr, nullptr, nullptr,
                            nullptr, nullptr));
    FIL_Close(&f);
  }

  std::string StoredName(const char* file) {
    FileRef f = nullptr;
    EXPECT_EQ(0, FIL_Open(&f, VOL_DOCUMENTS, "", file, FIL_MODE_READ));
    char name[32] = {0};
    EXPECT_EQ(0, DB_GetInfo(f, nullptr, name, nullptr, nullptr, nullptr, nullptr, nullptr,
                            nullptr, nullptr));
    FIL_Close(&f);
    return name;
  }
};

TEST_F(FileOps, RenameFollowsAStoredNameThatMatchedTheFileName) {
  MakeDb("Old Name.pdb", "old name");  // compared without regard to case
  ASSERT_EQ(0, FIL_Rename(VOL_DOCUMENTS, "", "Old Name.pdb", "", "New.PDB"));
  EXPECT_FALSE(HostFileExists(DataDir() + "/Old Name.pdb"));
  EXPECT_EQ("New", StoredName("New.PDB"));
}

TEST_F(FileOps, RenameMatchesBlanksAgainstUnderscores) {
  MakeDb("My_Book.pdb", "My Book");
  ASSERT_EQ(0, FIL_Rename(VOL_DOCUMENTS, "", "My_Book.pdb", "", "Other.pdb"));
  EXPECT_EQ("Other", StoredName("Other.pdb"));
}

TEST_F(FileOps, RenameLeavesAnUnrelatedStoredName) {
  MakeDb("a.pdb", "AddressDB");
  ASSERT_EQ(0, FIL_Rename(VOL_DOCUMENTS, "", "a.pdb", "", "b.pdb"));
  EXPECT_EQ("AddressDB", StoredName("b.pdb"));
}

TEST_F(FileOps, RenameOfPlainFilesAndMissingFiles) {
  WriteDataFile("notes.txt", {'h', 'i'});
  ASSERT_EQ(0, FIL_Rename(VOL_DOCUMENTS, "", "notes.txt", "", "notes2.txt"));
  std::vector<uint8_t> expect = {'h', 'i'};
  EXPECT_EQ(expect, ReadDataFile("notes2.txt"));  // not a database: bytes untouched
  EXPECT_EQ(ERR_FILE, FIL_Rename(VOL_DOCUMENTS, "", "gone", "", "x"));
}

TEST_F(FileOps, DeleteRemovesOnlyExistingFiles) {
  WriteDataFile("d", {1});
  EXPECT_EQ(0, FIL_Delete(VOL_DOCUMENTS, "", "d"));
  EXPECT_FALSE(HostFileExists(DataDir() + "/d"));
  EXPECT_EQ(ERR_FILE, FIL_Delete(VOL_DOCUMENTS, "", "d"));
}

TEST_F(FileOps, PrintfWritesFormattedTextAtThePosition) {
  FileRef f = nullptr;
  ASSERT_EQ(0, FIL_Open(&f, VOL_DOCUMENTS, "", "log", FIL_MODE_READ_WRITE));
  EXPECT_EQ(0, FIL_Printf(f, nullptr, 0, "%t %04ld|", FCC("BrnL"), int32_t(42)));
  char small[6];
  EXPECT_EQ(0, FIL_Printf(f, small, sizeof small, "%s", "truncated"));  // cut to the buffer
  FIL_Close(&f);
  std::vector<uint8_t> bytes = ReadDataFile("log");
  EXPECT_EQ("BrnL 0042|trunc", std::string(bytes.begin(), bytes.end()));
}

}  // namespace
