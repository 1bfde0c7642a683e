// The volume table: kinds, flags and names (with "VOLUME.NAM"), the host
// folders found at start (configured, XDG, defaults), the data folder "!",
// current directories and free space.
#include <sys/statvfs.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "host_file.h"
#include "kova_fixture.h"

namespace {

class Volumes : public KovaTest {
 protected:
  // Starts the layer again with other folders (empty strings = defaults).
  Err Restart(const std::string& docs, const std::string& desk, const char* exe) {
    FIL_LayerStop();
    FileLayerConfig config{docs.c_str(), desk.c_str(), exe};
    FIL_Configure(&config);
    return FIL_LayerStart();
  }
  Err Restart() { return Restart(DocumentsDir(), TempDir() + "/Desktop", "/opt/brantel/brantel"); }

  std::string Name(int16_t volume) {
    char name[32] = "?";
    EXPECT_EQ(0, VOL_Name(volume, name, sizeof name));
    return name;
  }
  std::string CurrentDir(int16_t volume) {
    char dir[FIL_DIR_BYTES + 1] = "?";
    EXPECT_EQ(0, VOL_GetCurrentDir(volume, dir, sizeof dir));
    return dir;
  }
  std::string Path(int16_t volume, const char* dir, const char* name) {
    char out[FIL_PATH_BYTES] = "";
    EXPECT_EQ(0, FIL_BuildPath(volume, out, dir, name, false));
    return out;
  }
};

// "VOLUME.NAM": a 4-byte field, bytes to skip after the 8-byte header, the
// byte count of the name, the skipped bytes, then big-endian UTF-16.
std::vector<uint8_t> VolumeNam(const std::u16string& name, uint16_t skip) {
  std::vector<uint8_t> b = {0, 0, 0, 1, uint8_t(skip >> 8), uint8_t(skip)};
  uint16_t count = uint16_t(name.size() * 2);
  b.push_back(uint8_t(count >> 8));
  b.push_back(uint8_t(count));
  b.insert(b.end(), skip, 0xEE);
  for (char16_t c : name) {
    b.push_back(uint8_t(c >> 8));
    b.push_back(uint8_t(c));
  }
  return b;
}

TEST_F(Volumes, FixedTableKindsFlagsAndNames) {
  EXPECT_EQ(3, VOL_Count());
  EXPECT_EQ(FCC("rdsk"), VOL_Kind(VOL_RAMDISK));
  EXPECT_EQ(FCC("win "), VOL_Kind(VOL_DOCUMENTS));
  EXPECT_EQ(FCC("win "), VOL_Kind(VOL_DESKTOP));
  EXPECT_EQ(FCC("win "), VOL_Kind(VOL_COMPUTER));
  EXPECT_EQ(VOL_FLAG_PDB_EXTENSION, VOL_Flags(VOL_DOCUMENTS));
  EXPECT_EQ(0u, VOL_Flags(VOL_DESKTOP));
  EXPECT_EQ("RAMDISK", Name(VOL_RAMDISK));
  EXPECT_EQ("Documents", Name(VOL_DOCUMENTS));
  EXPECT_EQ("Desktop", Name(VOL_DESKTOP));
  EXPECT_EQ("Computer", Name(VOL_COMPUTER));
  char small[4];
  ASSERT_EQ(0, VOL_Name(VOL_DOCUMENTS, small, sizeof small));
  EXPECT_STREQ("Doc", small);
}

TEST_F(Volumes, BadVolumesAndAStoppedLayer) {
  char buf[64];
  for (int16_t bad : {int16_t(-2), int16_t(3), int16_t(-32768)}) {
    EXPECT_EQ(0u, VOL_Kind(bad));
    EXPECT_EQ(0u, VOL_Flags(bad));
    EXPECT_EQ(ERR_FILE_PARAM, VOL_Name(bad, buf, sizeof buf));
    EXPECT_EQ(ERR_FILE_PARAM, VOL_GetCurrentDir(bad, buf, sizeof buf));
    EXPECT_EQ(ERR_FILE_PARAM, VOL_SetCurrentDir(bad, "x"));
    EXPECT_EQ(ERR_FILE_PARAM, VOL_FreeSpace(bad, nullptr, nullptr, nullptr));
  }
  FIL_LayerStop();
  EXPECT_EQ(0, VOL_Count());
  EXPECT_EQ(0u, VOL_Kind(VOL_DOCUMENTS));
  EXPECT_EQ(ERR_FILE_NOT_READY, VOL_Name(VOL_DOCUMENTS, buf, sizeof buf));
  EXPECT_EQ(ERR_FILE_NOT_READY, VOL_GetCurrentDir(VOL_DOCUMENTS, buf, sizeof buf));
  EXPECT_EQ(ERR_FILE_NOT_READY, VOL_SetCurrentDir(VOL_DOCUMENTS, "x"));
  EXPECT_EQ(ERR_FILE_NOT_READY, VOL_FreeSpace(VOL_DOCUMENTS, nullptr, nullptr, nullptr));
  ASSERT_EQ(0, FIL_LayerStart());
}

TEST_F(Volumes, VolumeNamNamesTheVolume) {
  WriteHostFile(DocumentsDir() + "/VOLUME.NAM", VolumeNam(u"My Card", 0));
  WriteHostFile(TempDir() + "/Desktop/VOLUME.NAM", VolumeNam(u"Table\u0141", 5));
  ASSERT_EQ(0, Restart());
  EXPECT_EQ("My Card", Name(VOL_DOCUMENTS));
  EXPECT_EQ("Table\x41", Name(VOL_DESKTOP));  // the low byte of U+0141 is kept
}

TEST_F(Volumes, ShortOrEmptyVolumeNamKeepsTheTableName) {
  std::vector<uint8_t> cut = VolumeNam(u"Longer Name", 2);
  cut.resize(cut.size() - 3);
  WriteHostFile(DocumentsDir() + "/VOLUME.NAM", cut);
  WriteHostFile(TempDir() + "/Desktop/VOLUME.NAM", VolumeNam(u"", 0));
  ASSERT_EQ(0, Restart());
  EXPECT_EQ("Documents", Name(VOL_DOCUMENTS));
  EXPECT_EQ("Desktop", Name(VOL_DESKTOP));
}

TEST_F(Volumes, DataFolderIsNamedAfterTheExecutable) {
  EXPECT_TRUE(std::filesystem::is_directory(DataDir()));
  ASSERT_EQ(0, Restart(DocumentsDir(), "", "/apps/Brantel.EXE"));
  EXPECT_TRUE(std::filesystem::is_directory(DocumentsDir() + "/Brantel"));
  EXPECT_EQ(DocumentsDir() + "/Brantel/x", Path(VOL_DOCUMENTS, "", "x"));
  EXPECT_EQ("/apps/x", Path(VOL_DOCUMENTS, "^", "x"));
  // Without a configured path the running program names it.
  ASSERT_EQ(0, Restart(DocumentsDir(), "", ""));
  std::string self = std::filesystem::read_symlink("/proc/self/exe").filename();
  EXPECT_TRUE(std::filesystem::is_directory(DocumentsDir() + "/" + self));
}

TEST_F(Volumes, MissingDocumentsFolderIsCreatedAndAFileInTheWayFails) {
  std::string docs = TempDir() + "/NewDocs";
  ASSERT_EQ(0, Restart(docs, "", "/opt/brantel/brantel"));
  EXPECT_TRUE(std::filesystem::is_directory(docs + "/brantel"));
  WriteHostFile(TempDir() + "/AFile", {1});
  EXPECT_EQ(ERR_FILE, Restart(TempDir() + "/AFile", "", "/opt/brantel/brantel"));
  EXPECT_FALSE(FIL_LayerStarted());
  ASSERT_EQ(0, Restart());
}

class VolumesXdg : public Volumes {
 protected:
  void SetUp() override {
    Volumes::SetUp();
    Keep("HOME");
    Keep("XDG_CONFIG_HOME");
    home_ = TempDir() + "/home";
    std::filesystem::create_directories(home_);
    setenv("HOME", home_.c_str(), 1);
    unsetenv("XDG_CONFIG_HOME");
  }
  void TearDown() override {
    for (auto& [name, value] : saved_)
      if (value.first)
        setenv(name.c_str(), value.second.c_str(), 1);
      else
        unsetenv(name.c_str());
    Volumes::TearDown();
  }
  void Keep(const char* name) {
    const char* v = getenv(name);
    saved_.push_back({name, {v != nullptr, v ? v : ""}});
  }
  void WriteUserDirs(const std::string& folder, const std::string& text) {
    std::filesystem::create_directories(folder);
    WriteHostFile(folder + "/user-dirs.dirs", std::vector<uint8_t>(text.begin(), text.end()));
  }
  std::string home_;
  std::vector<std::pair<std::string, std::pair<bool, std::string>>> saved_;
};

TEST_F(VolumesXdg, DefaultsAreHomeDocumentsAndDesktop) {
  ASSERT_EQ(0, Restart("", "", "/opt/brantel/brantel"));
  EXPECT_EQ(home_ + "/Documents/x", Path(VOL_DOCUMENTS, ":", "x"));
  EXPECT_EQ(home_ + "/Desktop/x", Path(VOL_DESKTOP, "", "x"));
  EXPECT_TRUE(std::filesystem::is_directory(home_ + "/Documents/brantel"));
  EXPECT_EQ(home_ + "/x", Path(VOL_DOCUMENTS, "~", "x"));
}

TEST_F(VolumesXdg, UserDirsFileNamesTheFolders) {
  std::string desk = TempDir() + "/Elsewhere/Desk";
  WriteUserDirs(home_ + "/.config",
                "# written by xdg-user-dirs-update\n"
                "XDG_DESKTOP_DIR=\"" +
                    desk +
                    "/\"\n"
                    "  XDG_DOCUMENTS_DIR=\"$HOME/My Files\"\n"
                    "XDG_DOCUMENTS_DIR_OTHER=\"/wrong\"\n");
  ASSERT_EQ(0, Restart("", "", "/opt/brantel/brantel"));
  EXPECT_EQ(home_ + "/My Files/x", Path(VOL_DOCUMENTS, ":", "x"));
  EXPECT_TRUE(std::filesystem::is_directory(home_ + "/My Files/brantel"));
  EXPECT_EQ(desk + "/x", Path(VOL_DESKTOP, "", "x"));
}

TEST_F(VolumesXdg, ConfigHomeIsHonouredAndConfiguredFoldersWin) {
  WriteUserDirs(TempDir() + "/cfg", "XDG_DOCUMENTS_DIR=\"$HOME/Papers\"\n");
  setenv("XDG_CONFIG_HOME", (TempDir() + "/cfg").c_str(), 1);
  ASSERT_EQ(0, Restart("", "", "/opt/brantel/brantel"));
  EXPECT_EQ(home_ + "/Papers/x", Path(VOL_DOCUMENTS, ":", "x"));
  ASSERT_EQ(0, Restart(DocumentsDir(), "", "/opt/brantel/brantel"));
  EXPECT_EQ(DocumentsDir() + "/x", Path(VOL_DOCUMENTS, ":", "x"));
}

TEST_F(Volumes, CurrentDirectoryFollowsThePathRules) {
  EXPECT_EQ("!", CurrentDir(VOL_DOCUMENTS));
  EXPECT_EQ("", CurrentDir(VOL_DESKTOP));
  ASSERT_EQ(0, VOL_SetCurrentDir(VOL_DOCUMENTS, "sub\\deeper\\"));
  EXPECT_EQ("!/sub/deeper", CurrentDir(VOL_DOCUMENTS));
  EXPECT_EQ(DataDir() + "/sub/deeper/x", Path(VOL_DOCUMENTS, "", "x"));
  // No directory moves up one level, past "!" to its parent folder.
  ASSERT_EQ(0, VOL_SetCurrentDir(VOL_DOCUMENTS, nullptr));
  EXPECT_EQ("!/sub", CurrentDir(VOL_DOCUMENTS));
  ASSERT_EQ(0, VOL_SetCurrentDir(VOL_DOCUMENTS, ""));
  EXPECT_EQ("!", CurrentDir(VOL_DOCUMENTS));
  ASSERT_EQ(0, VOL_SetCurrentDir(VOL_DOCUMENTS, ""));
  EXPECT_EQ(":" + DocumentsDir(), CurrentDir(VOL_DOCUMENTS));
  EXPECT_EQ(DocumentsDir() + "/x", Path(VOL_DOCUMENTS, "", "x"));
  // Absolute forms replace it.
  ASSERT_EQ(0, VOL_SetCurrentDir(VOL_DOCUMENTS, "/top"));
  EXPECT_EQ(DocumentsDir() + "/top/x", Path(VOL_DOCUMENTS, "", "x"));
  ASSERT_EQ(0, VOL_SetCurrentDir(VOL_DOCUMENTS, ""));
  EXPECT_EQ("", CurrentDir(VOL_DOCUMENTS));
  ASSERT_EQ(0, VOL_SetCurrentDir(VOL_DOCUMENTS, ":/srv/a"));
  ASSERT_EQ(0, VOL_SetCurrentDir(VOL_DOCUMENTS, nullptr));
  EXPECT_EQ(":/srv", CurrentDir(VOL_DOCUMENTS));
  ASSERT_EQ(0, VOL_SetCurrentDir(VOL_DOCUMENTS, nullptr));
  ASSERT_EQ(0, VOL_SetCurrentDir(VOL_DOCUMENTS, nullptr));  // the host root stays
  EXPECT_EQ(":/", CurrentDir(VOL_DOCUMENTS));
  EXPECT_EQ("/x", Path(VOL_DOCUMENTS, "", "x"));
}

TEST_F(Volumes, CurrentDirectoryRefusesWhatDoesNotFit) {
  std::string tooLong(FIL_DIR_BYTES - 1, 'd');  // with "!/" in front it is too long
  EXPECT_EQ(ERR_FILE_PARAM, VOL_SetCurrentDir(VOL_DOCUMENTS, tooLong.c_str()));
  EXPECT_EQ("!", CurrentDir(VOL_DOCUMENTS));
  std::string fits(FIL_DIR_BYTES - 2, 'd');
  ASSERT_EQ(0, VOL_SetCurrentDir(VOL_DOCUMENTS, fits.c_str()));
  EXPECT_EQ(size_t(FIL_DIR_BYTES), CurrentDir(VOL_DOCUMENTS).size());
  char small[3] = "??";
  EXPECT_EQ(ERR_FILE_PARAM, VOL_GetCurrentDir(VOL_DOCUMENTS, small, sizeof small));
  EXPECT_STREQ("", small);
}

TEST_F(Volumes, FreeSpaceComesFromTheVolumeRoot) {
  struct statvfs vs;
  ASSERT_EQ(0, statvfs(DocumentsDir().c_str(), &vs));
  uint64_t hostTotal = uint64_t(vs.f_blocks) * vs.f_frsize;
  HostFaults faults{0, 0, 0, 0, 0, false, 123456};  // the fault table reports this much free
  HOST_SetFileOps(&HOST_FAULT_FILE_OPS);
  HOST_SetFaults(&faults);
  uint64_t freeBytes = 0, used = 0, total = 0;
  ASSERT_EQ(0, VOL_FreeSpace(VOL_DOCUMENTS, &freeBytes, &used, &total));
  EXPECT_EQ(123456u, freeBytes);
  EXPECT_EQ(hostTotal, total);
  EXPECT_EQ(hostTotal - 123456u, used);
  EXPECT_EQ(0, VOL_FreeSpace(VOL_DESKTOP, nullptr, nullptr, &total));
  EXPECT_EQ(hostTotal, total);
}

TEST_F(Volumes, FreeSpaceOfAMissingFolderAndOfTheRamDisk) {
  std::filesystem::remove_all(TempDir() + "/Desktop");
  EXPECT_EQ(ERR_FILE, VOL_FreeSpace(VOL_DESKTOP, nullptr, nullptr, nullptr));
  FileRef f = nullptr;
  ASSERT_EQ(0, FIL_Open(&f, VOL_RAMDISK, "", "img", FIL_MODE_WRITE));
  ASSERT_EQ(5u, FIL_Write(f, "12345", 5));
  FIL_Close(&f);
  uint64_t freeBytes = 1, used = 0, total = 0;
  ASSERT_EQ(0, VOL_FreeSpace(VOL_RAMDISK, &freeBytes, &used, &total));
  EXPECT_EQ(0u, freeBytes);
  EXPECT_EQ(5u, used);
  EXPECT_EQ(5u, total);
}

}  // namespace
