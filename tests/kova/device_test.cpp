// Tests of the device layer on a simulated device folder: presence, the data
// folder and identity, 16-bit text, copies both ways in 8192-byte chunks,
// folders copied recursively, and failures halfway through a copy leaving
// the destination as it was with no part file behind.
#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "host_file.h"
#include "kova_desktop.h"
#include "kova_fixture.h"

namespace {

const char* const CE_FOLDER = "SOFTWARE\\Microsoft\\Windows CE Services\\DeviceFolder";

std::vector<uint8_t> Pattern(size_t n, uint8_t seed) {
  std::vector<uint8_t> b(n);
  for (size_t i = 0; i < n; i++) b[i] = uint8_t(i * 7 + seed + (i >> 8));
  return b;
}

class DeviceTest : public KovaTest {
 protected:
  void SetUp() override {
    KovaTest::SetUp();
    REG_Configure((TempDir() + "/config").c_str());
    device_ = TempDir() + "/device";
    std::filesystem::create_directories(device_ + "/Application Data/Brantel");
  }
  void TearDown() override {
    DEV_SetSyncFolderName(nullptr);
    REG_Configure(nullptr);
    KovaTest::TearDown();
  }
  void Connect() {
    ASSERT_EQ(0, REG_SetString(REG_ROOT_LOCAL_MACHINE, CE_FOLDER, device_.c_str()));
  }
  std::string OnDevice(const std::string& rel) const { return device_ + "/" + rel; }
  // Arms the fault table with nothing failing, or one failing call.
  static void Faults(uint32_t failReadAt, uint32_t failWriteAt) {
    HOST_SetFileOps(&HOST_FAULT_FILE_OPS);
    HostFaults f{};
    f.failReadAt = failReadAt;
    f.failWriteAt = failWriteAt;
    f.diskFreeBytes = -1;
    HOST_SetFaults(&f);
  }
  std::string device_;
};

using DevPresence = DeviceTest;

TEST_F(DevPresence, NeedsTheKeyAndAnExistingFolder) {
  EXPECT_EQ(ERR_OPEN_FAILED, DEV_Present());
  ASSERT_EQ(0, REG_CreateKey(REG_ROOT_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows CE Services"));
  EXPECT_EQ(ERR_OPEN_FAILED, DEV_Present());  // the key names no folder
  ASSERT_EQ(0, REG_SetString(REG_ROOT_LOCAL_MACHINE, CE_FOLDER, (device_ + "-gone").c_str()));
  EXPECT_EQ(ERR_OPEN_FAILED, DEV_Present());
  Connect();
  EXPECT_EQ(0, DEV_Present());
  char folder[FIL_PATH_BYTES];
  ASSERT_EQ(0, DEV_HostFolder(folder, sizeof folder));
  EXPECT_EQ(std::string(folder), device_);
  EXPECT_EQ(ERR_FILE_PARAM, DEV_HostFolder(folder, 4));
}

TEST_F(DevPresence, DataFolderAndIdentity) {
  char out[64];
  ASSERT_EQ(0, DEV_DataFolder(out, sizeof out));
  EXPECT_STREQ(out, "\\Application Data\\brantel_ppc");  // the executable's name
  DEV_SetSyncFolderName("Brantel");
  ASSERT_EQ(0, DEV_DataFolder(out, sizeof out));
  EXPECT_STREQ(out, "\\Application Data\\Brantel");
  EXPECT_EQ(ERR_FILE_PARAM, DEV_DataFolder(out, 20));
  EXPECT_EQ(ERR_OPEN_FAILED, DEV_Identity(out, sizeof out));
  Connect();
  EXPECT_EQ(ERR_DIR_NOT_FOUND, DEV_Identity(out, sizeof out));
  ASSERT_EQ(0, REG_SetString(REG_ROOT_DEVICE, "Ident\\Name", "Pocket PC"));
  ASSERT_EQ(0, DEV_Identity(out, sizeof out));
  EXPECT_STREQ(out, "Pocket PC");
}

TEST(DevText, WidensAndNarrowsTheTwoMovedCharacters) {
  uint16_t wide[8];
  int n = -1;
  ASSERT_EQ(0, DEV_Widen("A\x80\x95\xE9", wide, 8, &n));
  EXPECT_EQ(n, 4);
  const uint16_t expect[] = {0x41, 0x20AC, 0x2022, 0xE9, 0};
  for (int i = 0; i < 5; i++) EXPECT_EQ(wide[i], expect[i]) << i;
  char back[8];
  ASSERT_EQ(0, DEV_Narrow(wide, back, sizeof back, &n));
  EXPECT_STREQ(back, "A\x80\x95\xE9");
  const uint16_t other[] = {0x0141, 0x3042, 0};
  ASSERT_EQ(0, DEV_Narrow(other, back, sizeof back, nullptr));
  EXPECT_STREQ(back, "\x41\x42");  // the low bytes
}

TEST(DevText, RefusesTextOverTheLimitInsteadOfCutting) {
  std::vector<uint16_t> wide(600);
  std::string text(DEV_TEXT_MAX, 'x');
  EXPECT_EQ(0, DEV_Widen(text.c_str(), wide.data(), 600, nullptr));
  text += 'y';
  EXPECT_EQ(ERR_FILE_PARAM, DEV_Widen(text.c_str(), wide.data(), 600, nullptr));
  EXPECT_EQ(ERR_FILE_PARAM, DEV_Widen("abc", wide.data(), 3, nullptr));  // no room for the zero
  std::fill(wide.begin(), wide.end(), uint16_t('w'));
  wide[DEV_TEXT_MAX + 1] = 0;
  std::vector<char> out(600);
  EXPECT_EQ(ERR_FILE_PARAM, DEV_Narrow(wide.data(), out.data(), 600, nullptr));
}

using DevCopy = DeviceTest;

TEST_F(DevCopy, ToTheDeviceInChunks) {
  Connect();
  std::vector<uint8_t> bytes = Pattern(20000, 1);
  WriteDataFile("c.PDB", bytes);
  WriteHostFile(OnDevice("Application Data/Brantel/c.PDB"), {'o', 'l', 'd'});
  Faults(0, 0);
  ASSERT_EQ(0, DEV_CopyTo("\\Application Data\\Brantel\\c.PDB", 0, "!", "c.PDB", false));
  EXPECT_EQ(HOST_FaultCounts().writes, 3u);  // 8192 + 8192 + 3616
  EXPECT_EQ(ReadHostFile(OnDevice("Application Data/Brantel/c.PDB")), bytes);
  EXPECT_FALSE(HostFileExists(OnDevice("Application Data/Brantel/c.PDB.part")));
}

TEST_F(DevCopy, FailedDeviceWriteKeepsTheOldCopy) {
  Connect();
  WriteDataFile("c.PDB", Pattern(20000, 2));
  std::string dest = OnDevice("Application Data/Brantel/c.PDB");
  WriteHostFile(dest, {'o', 'l', 'd'});
  Faults(0, 2);
  EXPECT_EQ(ERR_WRITE, DEV_CopyTo("\\Application Data\\Brantel\\c.PDB", 0, "!", "c.PDB", false));
  EXPECT_EQ(ReadHostFile(dest), (std::vector<uint8_t>{'o', 'l', 'd'}));
  EXPECT_FALSE(HostFileExists(dest + ".part"));
  HostFaults full{};
  full.diskFreeBytes = 10000;  // room for one chunk and a bit
  HOST_SetFaults(&full);
  EXPECT_EQ(ERR_DISK_FULL,
            DEV_CopyTo("\\Application Data\\Brantel\\c.PDB", 0, "!", "c.PDB", false));
  EXPECT_EQ(ReadHostFile(dest), (std::vector<uint8_t>{'o', 'l', 'd'}));
  EXPECT_FALSE(HostFileExists(dest + ".part"));
}

TEST_F(DevCopy, FromTheDeviceReplacesTheLocalFile) {
  Connect();
  std::vector<uint8_t> bytes = Pattern(20000, 3);
  WriteHostFile(OnDevice("Application Data/Brantel/c.PDB"), bytes);
  WriteDataFile("c.PDB", {'l', 'o', 'c', 'a', 'l'});
  ASSERT_EQ(0, DEV_CopyFrom("\\Application Data\\Brantel\\c.PDB", 0, "!", "c.PDB", false));
  EXPECT_EQ(ReadDataFile("c.PDB"), bytes);
  EXPECT_FALSE(HostFileExists(DataDir() + "/c.PDB.part"));
}

TEST_F(DevCopy, DeviceReadFailingHalfwayLeavesTheLocalFile) {
  Connect();
  WriteHostFile(OnDevice("Application Data/Brantel/c.PDB"), Pattern(20000, 4));
  std::vector<uint8_t> local = Pattern(5000, 9);
  WriteDataFile("c.PDB", local);
  // Count the reads of a whole copy first; the device's three chunks are
  // the last reads, so failing the one before last fails the second chunk.
  Faults(0, 0);
  ASSERT_EQ(0, DEV_CopyFrom("\\Application Data\\Brantel\\c.PDB", 0, "!", "x.PDB", false));
  uint32_t reads = HOST_FaultCounts().reads;
  ASSERT_GE(reads, 3u);
  Faults(reads - 1, 0);
  EXPECT_EQ(ERR_READ, DEV_CopyFrom("\\Application Data\\Brantel\\c.PDB", 0, "!", "c.PDB", false));
  EXPECT_EQ(HOST_FaultCounts().reads, reads - 1);  // it stopped at the failed chunk
  EXPECT_EQ(ReadDataFile("c.PDB"), local);
  EXPECT_FALSE(HostFileExists(DataDir() + "/c.PDB.part"));
}

TEST_F(DevCopy, FoldersNeedTheRecursiveFlag) {
  Connect();
  std::filesystem::create_directories(DataDir() + "/sub/inner");
  WriteDataFile("sub/a.txt", {'a'});
  WriteDataFile("sub/inner/b.txt", Pattern(9000, 5));
  std::filesystem::create_directories(OnDevice("Backup"));
  EXPECT_EQ(ERR_FILE_PARAM, DEV_CopyTo("\\Backup\\sub", 0, "!", "sub", false));
  EXPECT_FALSE(HostFileExists(OnDevice("Backup/sub")));
  ASSERT_EQ(0, DEV_CopyTo("\\Backup\\sub", 0, "!", "sub", true));
  EXPECT_EQ(ReadHostFile(OnDevice("Backup/sub/a.txt")), (std::vector<uint8_t>{'a'}));
  EXPECT_EQ(ReadHostFile(OnDevice("Backup/sub/inner/b.txt")), Pattern(9000, 5));
  EXPECT_EQ(ERR_FILE_PARAM, DEV_CopyFrom("\\Backup\\sub", 0, "!", "back", false));
  ASSERT_EQ(0, DEV_CopyFrom("\\Backup\\sub", 0, "!", "back", true));
  EXPECT_EQ(ReadDataFile("back/a.txt"), (std::vector<uint8_t>{'a'}));
  EXPECT_EQ(ReadDataFile("back/inner/b.txt"), Pattern(9000, 5));
}

TEST_F(DevCopy, RefusedWithoutDeviceOrWithUnsafePaths) {
  WriteDataFile("c.PDB", {'x'});
  EXPECT_EQ(ERR_OPEN_FAILED, DEV_CopyTo("\\c.PDB", 0, "!", "c.PDB", false));
  Connect();
  EXPECT_EQ(ERR_FILE_PARAM, DEV_CopyTo("\\..\\escape.PDB", 0, "!", "c.PDB", false));
  EXPECT_EQ(ERR_FILE_PARAM, DEV_CopyTo("\\a/..\\..\\e.PDB", 0, "!", "c.PDB", false));
  EXPECT_FALSE(HostFileExists(TempDir() + "/escape.PDB"));
  std::string longPath = "\\" + std::string(DEV_TEXT_MAX, 'p');
  EXPECT_EQ(ERR_FILE_PARAM, DEV_CopyTo(longPath.c_str(), 0, "!", "c.PDB", false));
  EXPECT_EQ(ERR_OPEN_FAILED, DEV_CopyFrom("\\missing.PDB", 0, "!", "c.PDB", false));
  EXPECT_EQ(ReadDataFile("c.PDB"), (std::vector<uint8_t>{'x'}));
  ASSERT_EQ(0, DEV_CopyTo("\\\\c.PDB", 0, "!", "c.PDB", false));  // doubled separators
  EXPECT_EQ(ReadHostFile(OnDevice("c.PDB")), (std::vector<uint8_t>{'x'}));
}

}  // namespace
