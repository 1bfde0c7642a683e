// Host paths from (volume, directory, name): the ":", "~", "!" and "^"
// prefixes, the volume root, the current directory, separators; and file
// name validity with repair.
#include <cstdlib>
#include <cstring>
#include <string>

#include "kova_fixture.h"

namespace {

class FilBuildPath : public KovaTest {
 protected:
  void SetUp() override {
    KovaTest::SetUp();
    home_ = TempDir() + "/home";
    oldHome_ = getenv("HOME") ? getenv("HOME") : "";
    setenv("HOME", home_.c_str(), 1);
    Restart();
  }
  void TearDown() override {
    setenv("HOME", oldHome_.c_str(), 1);
    KovaTest::TearDown();
  }
  // Starts the layer again, so that it picks up HOME.
  void Restart() {
    FIL_LayerStop();
    ASSERT_EQ(0, FIL_LayerStart());
  }
  std::string Path(int16_t volume, const char* dir, const char* name, bool sep = false) {
    char out[FIL_PATH_BYTES];
    Err err = FIL_BuildPath(volume, out, dir, name, sep);
    EXPECT_EQ(0, err) << dir << " " << name;
    return err == 0 ? out : "<error>";
  }
  std::string DesktopDir() const { return TempDir() + "/Desktop"; }
  std::string home_, oldHome_;
};

TEST_F(FilBuildPath, PrefixesResolveToTheirFolders) {
  EXPECT_EQ(DataDir() + "/x", Path(VOL_DOCUMENTS, "!", "x"));
  EXPECT_EQ(DataDir(), Path(VOL_DOCUMENTS, "!", ""));
  EXPECT_EQ(DataDir() + "/sub/x", Path(VOL_DOCUMENTS, "!/sub", "x"));
  EXPECT_EQ(DataDir() + "/sub/x", Path(VOL_DOCUMENTS, "!\\sub", "x"));
  EXPECT_EQ(DocumentsDir() + "/x", Path(VOL_DOCUMENTS, ":", "x"));
  EXPECT_EQ(home_ + "/x", Path(VOL_DOCUMENTS, "~", "x"));
  EXPECT_EQ(home_ + "/a/x", Path(VOL_DESKTOP, "~/a", "x"));
  EXPECT_EQ("/opt/brantel/res.bin", Path(VOL_DOCUMENTS, "^", "res.bin"));
  EXPECT_EQ("/opt/brantel/bin/x", Path(VOL_DOCUMENTS, "^\\bin", "x"));
  // The data folder is the same from every volume.
  EXPECT_EQ(DataDir() + "/x", Path(VOL_DESKTOP, "!", "x"));
  EXPECT_EQ(DataDir() + "/x", Path(VOL_COMPUTER, "!", "x"));
}

TEST_F(FilBuildPath, HostPathsAndTheVolumeRoot) {
  // ":" followed by a host path takes that path as it is.
  EXPECT_EQ("/srv/files/x", Path(VOL_DOCUMENTS, ":/srv/files", "x"));
  EXPECT_EQ("/srv/files/x", Path(VOL_DESKTOP, ":\\srv\\files", "x"));
  // ":" with a host path as the name: the name is the path.
  EXPECT_EQ("/opt/brantel/brantel", Path(VOL_DOCUMENTS, ":", "/opt/brantel/brantel"));
  // A leading separator starts again from the volume root.
  EXPECT_EQ(DocumentsDir() + "/x", Path(VOL_DOCUMENTS, "/", "x"));
  EXPECT_EQ(DocumentsDir() + "/a/b/x", Path(VOL_DOCUMENTS, "/a/b", "x"));
  EXPECT_EQ(DesktopDir() + "/a/x", Path(VOL_DESKTOP, "\\a", "x"));
  // "Computer" is rooted at the host's root.
  EXPECT_EQ("/", Path(VOL_COMPUTER, "", ""));
  EXPECT_EQ("/home/x", Path(VOL_COMPUTER, "/home", "x"));
  EXPECT_EQ("/mnt/usb/x", Path(VOL_COMPUTER, "mnt/usb", "x"));
  // The RAM disk keeps its one image under its root.
  EXPECT_EQ("/img", Path(VOL_RAMDISK, "", "img"));
  EXPECT_EQ("/img", Path(VOL_RAMDISK, "!", "img"));
  EXPECT_EQ("/sub/img", Path(VOL_RAMDISK, "!/sub", "img"));
}

TEST_F(FilBuildPath, RelativeDirectoriesLieBelowTheCurrentDirectory) {
  // Volume 0 starts in the data folder; volume 1 at its root.
  EXPECT_EQ(DataDir() + "/x", Path(VOL_DOCUMENTS, "", "x"));
  EXPECT_EQ(DataDir() + "/sub/x", Path(VOL_DOCUMENTS, "sub", "x"));
  EXPECT_EQ(DataDir() + "/bin/bin.eng/x.bin", Path(VOL_DOCUMENTS, "", "bin\\bin.eng\\x.bin"));
  EXPECT_EQ(DesktopDir() + "/x", Path(VOL_DESKTOP, "", "x"));
  EXPECT_EQ(DesktopDir() + "/a/x", Path(VOL_DESKTOP, "a", "x"));
  ASSERT_EQ(0, VOL_SetCurrentDir(VOL_DESKTOP, "a"));
  EXPECT_EQ(DesktopDir() + "/a/b/x", Path(VOL_DESKTOP, "b", "x"));
  ASSERT_EQ(0, VOL_SetCurrentDir(VOL_DESKTOP, "~/work"));
  EXPECT_EQ(home_ + "/work/x", Path(VOL_DESKTOP, "", "x"));
  EXPECT_EQ(DesktopDir() + "/x", Path(VOL_DESKTOP, "/", "x"));
}

TEST_F(FilBuildPath, SeparatorsBetweenDirectoryAndName) {
  EXPECT_EQ(DataDir() + "/x", Path(VOL_DOCUMENTS, "!/", "x"));
  EXPECT_EQ(DataDir() + "/x", Path(VOL_DOCUMENTS, "!", "/x"));  // the name loses it
  EXPECT_EQ(DataDir() + "/x", Path(VOL_DOCUMENTS, "!", "\\x"));
  EXPECT_EQ(DataDir() + "/", Path(VOL_DOCUMENTS, "!", "", true));  // asked for
  EXPECT_EQ(DataDir() + "/", Path(VOL_DOCUMENTS, "!/", "", true));
  EXPECT_EQ(DataDir() + "/a/x/", Path(VOL_DOCUMENTS, "!/a", "x", true));
  // Null directory and name count as empty.
  EXPECT_EQ(DataDir(), Path(VOL_DOCUMENTS, nullptr, nullptr));
}

TEST_F(FilBuildPath, RefusesBadVolumesOverlongPathsAndAStoppedLayer) {
  char out[FIL_PATH_BYTES] = "unchanged";
  EXPECT_EQ(ERR_FILE_PARAM, FIL_BuildPath(VOL_COMPUTER + 1, out, "", "x", false));
  EXPECT_EQ(ERR_FILE_PARAM, FIL_BuildPath(-2, out, "", "x", false));
  EXPECT_EQ(ERR_FILE_PARAM, FIL_BuildPath(VOL_DOCUMENTS, nullptr, "", "x", false));
  // A path that does not fit is refused rather than cut (a cut path would
  // name another file).
  std::string longName(FIL_PATH_BYTES, 'n');
  EXPECT_EQ(ERR_FILE_PARAM, FIL_BuildPath(VOL_DOCUMENTS, out, "!", longName.c_str(), false));
  EXPECT_STREQ("", out);
  FIL_LayerStop();
  EXPECT_EQ(ERR_FILE_NOT_READY, FIL_BuildPath(VOL_DOCUMENTS, out, "!", "x", false));
  ASSERT_EQ(0, FIL_LayerStart());
}

TEST(FilNameValid, ForbiddenCharactersAndLeadingBlank) {
  const char* bad[] = {"a\"b", "a*b", "a/b", "a:b", "a<b", "a>b", "a?b",
                       "a\\b", "a`b", "a{b", "a}b", "a|b", " ab"};
  for (const char* name : bad) {
    char copy[8];
    strcpy(copy, name);
    EXPECT_FALSE(FIL_NameValid(VOL_DOCUMENTS, copy, false)) << name;
    EXPECT_STREQ(name, copy) << "unchanged without repair";
  }
  char good[] = "Brantel Sort Table.PDB";
  EXPECT_TRUE(FIL_NameValid(VOL_DOCUMENTS, good, true));
  EXPECT_STREQ("Brantel Sort Table.PDB", good);
  char inner[] = "a b ";  // only a leading blank counts
  EXPECT_TRUE(FIL_NameValid(VOL_DOCUMENTS, inner, false));
}

TEST(FilNameValid, RepairReplacesEachBadCharacterAndStillReportsUnusable) {
  char colon[] = "Mail:Home";
  EXPECT_FALSE(FIL_NameValid(VOL_DOCUMENTS, colon, true));
  EXPECT_STREQ("Mail_Home", colon);
  char many[] = " a/b\\c*?|";
  EXPECT_FALSE(FIL_NameValid(VOL_DOCUMENTS, many, true));
  EXPECT_STREQ("_a_b_c___", many);
  char repaired[] = "Mail_Home";
  EXPECT_TRUE(FIL_NameValid(VOL_DOCUMENTS, repaired, true));
}

TEST(FilNameValid, EmptyAndDotNamesAreUnusable) {
  char empty[] = "";
  EXPECT_FALSE(FIL_NameValid(VOL_DOCUMENTS, empty, true));
  EXPECT_FALSE(FIL_NameValid(VOL_DOCUMENTS, nullptr, true));
  char dot[] = ".", dots[] = "..";
  EXPECT_FALSE(FIL_NameValid(VOL_DOCUMENTS, dot, false));
  EXPECT_FALSE(FIL_NameValid(VOL_DOCUMENTS, dots, true));
  EXPECT_STREQ("__", dots);
  char hidden[] = ".hidden";
  EXPECT_TRUE(FIL_NameValid(VOL_DOCUMENTS, hidden, false));
}

}  // namespace
