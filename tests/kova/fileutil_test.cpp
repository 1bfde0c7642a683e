// Directory listings (folders, the RAM disk, the "Computer" volume's mount
// points), directory create and remove, and file info get and set.
#include <fcntl.h>
#include <sys/stat.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "file_internal.h"
#include "host_file.h"
#include "kova_fixture.h"

namespace {

// Seconds from 1904-01-01 to 1970-01-01: 66 years with 17 leap days.
constexpr int64_t kPalmToUnix = (66 * 365 + 17) * 86400LL;

struct Entry {
  uint32_t attributes;
  PalmTime modified;
  uint32_t size;
};
using Listing = std::map<std::string, Entry>;

class DirList : public KovaTest {
 protected:
  void TearDown() override {
    VOL_SetMountTable(nullptr);
    KovaTest::TearDown();
  }
  // Lists (volume, dir) whole; fails the test when it cannot be opened.
  Listing List(int16_t volume, const char* dir) {
    Listing out;
    DirIter it = nullptr;
    EXPECT_EQ(0, DIR_Open(&it, volume, dir));
    char name[FIL_LIST_NAME_MAX + 1];
    Entry e{};
    while (DIR_Next(it, name, &e.attributes, &e.modified, &e.size)) out[name] = e;
    EXPECT_FALSE(DIR_Next(it, name, nullptr, nullptr, nullptr));  // stays at the end
    DIR_Close(&it);
    EXPECT_EQ(nullptr, it);
    return out;
  }
  static void SetHostTime(const std::string& path, int64_t unixTime) {
    struct timespec ts[2] = {{unixTime, 0}, {unixTime, 0}};
    ASSERT_EQ(0, utimensat(AT_FDCWD, path.c_str(), ts, 0));
  }
};

TEST_F(DirList, ListsFilesAndFoldersWithTheirFacts) {
  WriteDataFile("a.pdb", {1, 2, 3});
  SetHostTime(DataDir() + "/a.pdb", 1000000000);
  std::filesystem::create_directory(DataDir() + "/sub");
  WriteDataFile("locked", {9});
  chmod((DataDir() + "/locked").c_str(), 0444);
  Listing got = List(VOL_DOCUMENTS, "!");
  ASSERT_EQ(3u, got.size());
  EXPECT_EQ(0u, got["a.pdb"].attributes);
  EXPECT_EQ(3u, got["a.pdb"].size);
  EXPECT_EQ(PalmTime(1000000000 + kPalmToUnix), got["a.pdb"].modified);
  EXPECT_EQ(FIL_ATTR_DIRECTORY, got["sub"].attributes);
  EXPECT_EQ(FIL_ATTR_READ_ONLY, got["locked"].attributes);
  // Volume 0 with no directory is the data folder too.
  EXPECT_EQ(3u, List(VOL_DOCUMENTS, "").size());
  EXPECT_EQ(1u, List(VOL_DOCUMENTS, ":").count("brantel"));
}

TEST_F(DirList, NeverShowsDotsStorageCardOrLongNames) {
  std::filesystem::create_directory(DataDir() + "/Storage Card");
  std::string name79(FIL_LIST_NAME_MAX, 'n'), name80(FIL_LIST_NAME_MAX + 1, 'n');
  WriteDataFile(name79, {});
  WriteDataFile(name80, {});
  WriteDataFile("kept", {});
  Listing got = List(VOL_DOCUMENTS, "!");
  EXPECT_EQ(2u, got.size());
  EXPECT_EQ(1u, got.count(name79));
  EXPECT_EQ(1u, got.count("kept"));
}

TEST_F(DirList, MissingFolderFileAndEmptyFolder) {
  DirIter it = reinterpret_cast<DirIter>(1);
  EXPECT_EQ(ERR_DIR_NOT_FOUND, DIR_Open(&it, VOL_DOCUMENTS, "!/missing"));
  EXPECT_EQ(nullptr, it);
  WriteDataFile("plain", {1});
  EXPECT_EQ(ERR_DIR_NOT_FOUND, DIR_Open(&it, VOL_DOCUMENTS, "!/plain"));
  std::filesystem::create_directory(DataDir() + "/empty");
  EXPECT_TRUE(List(VOL_DOCUMENTS, "!/empty").empty());
  DIR_Close(nullptr);
  DIR_Close(&it);
}

TEST_F(DirList, RamDiskListsItsImage) {
  EXPECT_TRUE(List(VOL_RAMDISK, "").empty());
  FileRef f = nullptr;
  ASSERT_EQ(0, FIL_Open(&f, VOL_RAMDISK, "", "image.pdb", FIL_MODE_WRITE));
  ASSERT_EQ(4u, FIL_Write(f, "data", 4));
  FIL_Close(&f);
  Listing got = List(VOL_RAMDISK, "");
  ASSERT_EQ(1u, got.size());
  EXPECT_EQ(4u, got["image.pdb"].size);
}

TEST_F(DirList, ComputerListsRealMountPointsOnce) {
  std::string t = TempDir();
  std::filesystem::create_directories(t + "/disk");
  std::filesystem::create_directories(t + "/with space");
  std::filesystem::create_directories(t + "/scratch");
  std::string longPoint = t + "/" + std::string(FIL_LIST_NAME_MAX, 'l');
  std::filesystem::create_directories(longPoint);
  std::vector<std::string> lines = {
      "proc /proc proc rw 0 0",
      "/dev/sda1 " + t + "/disk ext4 rw 0 0",
      "tmpfs " + t + "/scratch tmpfs rw 0 0",
      "/dev/sdb1 " + t + "/with\\040space vfat rw 0 0",
      "/dev/sdc1 " + t + "/unplugged ext4 rw 0 0",  // free space unreadable
      "/dev/sda1 " + t + "/disk ext4 rw 0 0",       // mounted again
      "/dev/sdd1 " + longPoint + " ext4 rw 0 0",
      "garbage",
      "cgroup2 /sys/fs/cgroup cgroup2 rw 0 0"};
  std::string table;
  for (const std::string& line : lines) table += line + "\n";
  WriteHostFile(t + "/mounts", std::vector<uint8_t>(table.begin(), table.end()));
  VOL_SetMountTable((t + "/mounts").c_str());
  Listing got = List(VOL_COMPUTER, "");
  ASSERT_EQ(2u, got.size());
  EXPECT_EQ((3u << 24) | FIL_ATTR_DIRECTORY, got[t + "/disk"].attributes);
  EXPECT_EQ(1u, got.count(t + "/with space"));
  EXPECT_EQ(2u, List(VOL_COMPUTER, "/").size());
  // Below the top level the volume lists folders.
  WriteHostFile(t + "/disk/file", {1, 2});
  Listing inside = List(VOL_COMPUTER, (t + "/disk").c_str());
  ASSERT_EQ(1u, inside.size());
  EXPECT_EQ(2u, inside["file"].size);
}

TEST_F(DirList, ComputerListsTheHostRoot) {
  Listing got = List(VOL_COMPUTER, "");
  EXPECT_FALSE(got.empty());  // at least the file system holding the root
  for (const auto& [point, entry] : got) {
    EXPECT_EQ('/', point[0]);
    EXPECT_NE("/proc", point);
    EXPECT_NE("/sys", point);
  }
}

TEST_F(DirList, RefusesBadVolumesAndAStoppedLayer) {
  DirIter it = nullptr;
  EXPECT_EQ(ERR_FILE_PARAM, DIR_Open(&it, 3, ""));
  EXPECT_EQ(ERR_FILE_PARAM, DIR_Open(&it, -2, ""));
  EXPECT_EQ(ERR_FILE_PARAM, DIR_Open(nullptr, VOL_DOCUMENTS, ""));
  ASSERT_EQ(0, DIR_Open(&it, VOL_DOCUMENTS, "!"));
  FIL_LayerStop();
  EXPECT_FALSE(DIR_Next(it, nullptr, nullptr, nullptr, nullptr));
  DIR_Close(&it);  // still frees the listing
  DirIter none = nullptr;
  EXPECT_EQ(ERR_FILE_NOT_READY, DIR_Open(&none, VOL_DOCUMENTS, ""));
  ASSERT_EQ(0, FIL_LayerStart());
}

class DirMake : public KovaTest {};

// A host table whose makeDir refuses, to stand in for a host that says no.
int g_makeDirCalls = 0;
Err refuseMakeDir(const char*) {
  g_makeDirCalls++;
  return ERR_FILE;
}

TEST_F(DirMake, CreatesAndRemovesFolders) {
  ASSERT_EQ(0, DIR_Create(VOL_DOCUMENTS, "!", "Export"));
  EXPECT_TRUE(std::filesystem::is_directory(DataDir() + "/Export"));
  ASSERT_EQ(0, DIR_Create(VOL_DOCUMENTS, "Export", "Inner"));
  EXPECT_TRUE(std::filesystem::is_directory(DataDir() + "/Export/Inner"));
  EXPECT_EQ(ERR_FILE, DIR_Remove(VOL_DOCUMENTS, "!", "Export"));  // not empty
  ASSERT_EQ(0, DIR_Remove(VOL_DOCUMENTS, "!/Export", "Inner"));
  ASSERT_EQ(0, DIR_Remove(VOL_DOCUMENTS, "", "Export"));
  EXPECT_FALSE(HostFileExists(DataDir() + "/Export"));
  EXPECT_EQ(ERR_FILE, DIR_Remove(VOL_DOCUMENTS, "", "Export"));
  WriteDataFile("plain", {1});
  EXPECT_EQ(ERR_FILE, DIR_Remove(VOL_DOCUMENTS, "", "plain"));
  EXPECT_TRUE(HostFileExists(DataDir() + "/plain"));
}

TEST_F(DirMake, UnusableNamesAndHostRefusals) {
  EXPECT_EQ(ERR_BAD_NAME, DIR_Create(VOL_DOCUMENTS, "!", "a:b"));
  EXPECT_EQ(ERR_BAD_NAME, DIR_Create(VOL_DOCUMENTS, "!", " lead"));
  EXPECT_EQ(ERR_BAD_NAME, DIR_Create(VOL_DOCUMENTS, "!", "x/y"));
  EXPECT_EQ(ERR_BAD_NAME, DIR_Create(VOL_DOCUMENTS, "!", ""));
  EXPECT_TRUE(std::filesystem::is_empty(DataDir()));
  ASSERT_EQ(0, DIR_Create(VOL_DOCUMENTS, "!", "twice"));
  EXPECT_EQ(ERR_WRITE, DIR_Create(VOL_DOCUMENTS, "!", "twice"));
  EXPECT_EQ(ERR_WRITE, DIR_Create(VOL_DOCUMENTS, "!/no/such", "x"));
  HostFileOps refusing = HOST_POSIX_FILE_OPS;
  refusing.makeDir = refuseMakeDir;
  HOST_SetFileOps(&refusing);
  g_makeDirCalls = 0;
  EXPECT_EQ(ERR_WRITE, DIR_Create(VOL_DOCUMENTS, "!", "fresh"));
  EXPECT_EQ(1, g_makeDirCalls);
  EXPECT_FALSE(HostFileExists(DataDir() + "/fresh"));
}

TEST_F(DirMake, RefusesBadVolumesAndAStoppedLayer) {
  EXPECT_EQ(ERR_FILE_PARAM, DIR_Create(3, "", "x"));
  EXPECT_EQ(ERR_FILE_PARAM, DIR_Remove(-2, "", "x"));
  EXPECT_EQ(ERR_FILE_PARAM, DIR_Create(VOL_DOCUMENTS, "", nullptr));
  FIL_LayerStop();
  EXPECT_EQ(ERR_FILE_NOT_READY, DIR_Create(VOL_DOCUMENTS, "", "x"));
  EXPECT_EQ(ERR_FILE_NOT_READY, DIR_Remove(VOL_DOCUMENTS, "", "x"));
  ASSERT_EQ(0, FIL_LayerStart());
}

class FileInfo : public KovaTest {};

TEST_F(FileInfo, ReportsAttributesAndTimes) {
  WriteDataFile("f", {1});
  struct timespec ts[2] = {{1200000000, 0}, {1300000000, 0}};  // accessed, modified
  ASSERT_EQ(0, utimensat(AT_FDCWD, (DataDir() + "/f").c_str(), ts, 0));
  uint32_t attrs = 99;
  PalmTime created = 0, modified = 0, accessed = 0;
  ASSERT_EQ(0, FIL_GetInfo(VOL_DOCUMENTS, "", "f", &attrs, &created, &modified, &accessed));
  EXPECT_EQ(0u, attrs);
  EXPECT_EQ(PalmTime(1300000000 + kPalmToUnix), modified);
  EXPECT_EQ(PalmTime(1200000000 + kPalmToUnix), accessed);
  EXPECT_NE(0u, created);
  ASSERT_EQ(0, FIL_GetInfo(VOL_DOCUMENTS, ":", "brantel", &attrs, nullptr, nullptr, nullptr));
  EXPECT_EQ(FIL_ATTR_DIRECTORY, attrs);
  WriteDataFile(".hidden", {});
  chmod((DataDir() + "/.hidden").c_str(), 0400);
  ASSERT_EQ(0, FIL_GetInfo(VOL_DOCUMENTS, "", ".hidden", &attrs, nullptr, nullptr, nullptr));
  EXPECT_EQ(FIL_ATTR_HIDDEN | FIL_ATTR_READ_ONLY, attrs);
  EXPECT_EQ(ERR_FILE, FIL_GetInfo(VOL_DOCUMENTS, "", "missing", &attrs, nullptr, nullptr, nullptr));
}

TEST_F(FileInfo, SetTimesRoundTripAndReadOnlyToggles) {
  WriteDataFile("f", {1});
  const PalmTime modified = 0xBD000000, accessed = 0xBE000000, created = 0xBC000000;
  ASSERT_EQ(0, FIL_SetInfo(VOL_DOCUMENTS, "", "f", nullptr, &created, &modified, &accessed));
  struct stat st;
  ASSERT_EQ(0, stat((DataDir() + "/f").c_str(), &st));
  EXPECT_EQ(int64_t(modified) - kPalmToUnix, int64_t(st.st_mtime));
  EXPECT_EQ(int64_t(accessed) - kPalmToUnix, int64_t(st.st_atime));
  PalmTime gotM = 0, gotA = 0;
  ASSERT_EQ(0, FIL_GetInfo(VOL_DOCUMENTS, "", "f", nullptr, nullptr, &gotM, &gotA));
  EXPECT_EQ(modified, gotM);
  EXPECT_EQ(accessed, gotA);
  // Only the given time changes.
  const PalmTime later = modified + 3600;
  ASSERT_EQ(0, FIL_SetInfo(VOL_DOCUMENTS, "", "f", nullptr, nullptr, &later, nullptr));
  ASSERT_EQ(0, FIL_GetInfo(VOL_DOCUMENTS, "", "f", nullptr, nullptr, &gotM, &gotA));
  EXPECT_EQ(later, gotM);
  EXPECT_EQ(accessed, gotA);
  const uint32_t readOnly = FIL_ATTR_READ_ONLY, writable = 0;
  ASSERT_EQ(0, FIL_SetInfo(VOL_DOCUMENTS, "", "f", &readOnly, nullptr, nullptr, nullptr));
  ASSERT_EQ(0, stat((DataDir() + "/f").c_str(), &st));
  EXPECT_EQ(0u, st.st_mode & 0222);
  ASSERT_EQ(0, FIL_SetInfo(VOL_DOCUMENTS, "", "f", &writable, nullptr, nullptr, nullptr));
  ASSERT_EQ(0, stat((DataDir() + "/f").c_str(), &st));
  EXPECT_NE(0u, st.st_mode & S_IWUSR);
}

TEST_F(FileInfo, MissingFilesBadVolumesAndAStoppedLayer) {
  const PalmTime t = 0xBD000000;
  EXPECT_EQ(ERR_FILE, FIL_SetInfo(VOL_DOCUMENTS, "", "missing", nullptr, nullptr, &t, nullptr));
  EXPECT_FALSE(HostFileExists(DataDir() + "/missing"));
  EXPECT_EQ(ERR_FILE_PARAM, FIL_GetInfo(3, "", "f", nullptr, nullptr, nullptr, nullptr));
  EXPECT_EQ(ERR_FILE_PARAM, FIL_SetInfo(-2, "", "f", nullptr, nullptr, &t, nullptr));
  FIL_LayerStop();
  EXPECT_EQ(ERR_FILE_NOT_READY,
            FIL_GetInfo(VOL_DOCUMENTS, "", "f", nullptr, nullptr, nullptr, nullptr));
  EXPECT_EQ(ERR_FILE_NOT_READY, FIL_SetInfo(VOL_DOCUMENTS, "", "f", nullptr, nullptr, &t, nullptr));
  ASSERT_EQ(0, FIL_LayerStart());
}

}  // namespace
