// Tests of the registry stand-in: the file checked byte for byte against a
// builder written from its documented layout, lookups walked element by
// element without regard to case, replacement and deletion, damaged files
// read as empty, a failed write leaving the old file, and the default path.
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "host_file.h"
#include "kova_desktop.h"
#include "kova_fixture.h"

namespace {

// Builds a registry file from its layout: "BRRG", u16 version 1, u16 count,
// entries (u8 root, u8 type, u16+key, u16+name, u16+data), FNV-1a hash.
class RegBuilder {
 public:
  RegBuilder& Str(int root, const std::string& key, const std::string& name,
                  const std::string& text) {
    return Entry(root, 1, key, name, std::vector<uint8_t>(text.begin(), text.end()));
  }
  RegBuilder& U32(int root, const std::string& key, const std::string& name, uint32_t v) {
    return Entry(root, 2, key, name,
                 {uint8_t(v >> 24), uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v)});
  }
  RegBuilder& Key(int root, const std::string& key) { return Entry(root, 0, key, "", {}); }
  std::vector<uint8_t> Bytes() const {
    std::vector<uint8_t> b = {'B', 'R', 'R', 'G', 0, 1, uint8_t(count_ >> 8), uint8_t(count_)};
    b.insert(b.end(), body_.begin(), body_.end());
    uint32_t h = 2166136261u;
    for (uint8_t c : b) h = (h ^ c) * 16777619u;
    for (int s = 24; s >= 0; s -= 8) b.push_back(uint8_t(h >> s));
    return b;
  }

 private:
  RegBuilder& Entry(int root, int type, const std::string& key, const std::string& name,
                    const std::vector<uint8_t>& data) {
    body_.push_back(uint8_t(root));
    body_.push_back(uint8_t(type));
    Text(key);
    Text(name);
    body_.push_back(uint8_t(data.size() >> 8));
    body_.push_back(uint8_t(data.size()));
    body_.insert(body_.end(), data.begin(), data.end());
    count_++;
    return *this;
  }
  void Text(const std::string& s) {
    body_.push_back(uint8_t(s.size() >> 8));
    body_.push_back(uint8_t(s.size()));
    body_.insert(body_.end(), s.begin(), s.end());
  }
  std::vector<uint8_t> body_;
  uint16_t count_ = 0;
};

class RegistryTest : public KovaTest {
 protected:
  void SetUp() override {
    KovaTest::SetUp();
    folder_ = TempDir() + "/config/brantel";
    REG_Configure(folder_.c_str());
  }
  void TearDown() override {
    REG_Configure(nullptr);
    KovaTest::TearDown();
  }
  std::string File() const { return folder_ + "/registry"; }
  void Write(const RegBuilder& b) {
    std::filesystem::create_directories(folder_);
    WriteHostFile(File(), b.Bytes());
  }
  std::string Get(int16_t root, const char* path) {
    char out[256] = "?";
    Err err = REG_GetString(root, path, out, sizeof out);
    return err == 0 ? std::string(out) : "<" + std::to_string(err) + ">";
  }
  std::string folder_;
};

const std::string MISSING = "<" + std::to_string(ERR_DIR_NOT_FOUND) + ">";

using RegistryFile = RegistryTest;

TEST_F(RegistryFile, WritesTheDocumentedBytes) {
  ASSERT_EQ(0, REG_SetString(REG_ROOT_CURRENT_USER, "Software\\A\\Core\\Path", "/data"));
  ASSERT_EQ(0, REG_SetU32(REG_ROOT_LOCAL_MACHINE, "\\K\\\\Sub\\V", 0x01020304));
  ASSERT_EQ(0, REG_CreateKey(REG_ROOT_DEVICE, "Ident\\"));
  EXPECT_EQ(ReadHostFile(File()), RegBuilder()
                                      .Str(0, "Software\\A\\Core", "Path", "/data")
                                      .U32(1, "K\\Sub", "V", 0x01020304)
                                      .Key(2, "Ident")
                                      .Bytes());
  EXPECT_FALSE(HostFileExists(File() + ".tmp"));
}

TEST_F(RegistryFile, ReplacingAValueKeepsOneEntryOfTheNewType) {
  ASSERT_EQ(0, REG_SetString(REG_ROOT_CURRENT_USER, "K\\V", "one"));
  ASSERT_EQ(0, REG_SetString(REG_ROOT_CURRENT_USER, "K\\W", "two"));
  ASSERT_EQ(0, REG_SetU32(REG_ROOT_CURRENT_USER, "k\\v", 5));
  EXPECT_EQ(ReadHostFile(File()), RegBuilder().Str(0, "K", "W", "two").U32(0, "k", "v", 5).Bytes());
  EXPECT_EQ(Get(REG_ROOT_CURRENT_USER, "K\\V"), MISSING);  // no longer a string
}

TEST_F(RegistryFile, DeletingTheLastValueKeepsTheKey) {
  Write(RegBuilder().Str(1, "SOFTWARE\\X", "Name", "n").Str(1, "Other", "A", "b"));
  ASSERT_EQ(0, REG_DeleteValue(REG_ROOT_LOCAL_MACHINE, "Software\\x\\NAME"));
  EXPECT_EQ(ReadHostFile(File()),
            RegBuilder().Str(1, "Other", "A", "b").Key(1, "Software\\x").Bytes());
  EXPECT_TRUE(REG_KeyExists(REG_ROOT_LOCAL_MACHINE, "SOFTWARE\\X"));
  EXPECT_EQ(0, REG_DeleteValue(REG_ROOT_LOCAL_MACHINE, "Software\\X\\Gone"));
}

using RegistryLookup = RegistryTest;

TEST_F(RegistryLookup, WalksElementsWithoutRegardToCase) {
  Write(RegBuilder()
            .Str(0, "Software\\U.S. Robotics\\Pilot Desktop\\Core", "Path", "/p")
            .U32(0, "Software\\N", "Count", 0xFFFFFFFE));
  EXPECT_EQ(Get(0, "software\\u.s. robotics\\PILOT DESKTOP\\core\\path"), "/p");
  EXPECT_EQ(Get(0, "\\Software\\\\U.S. Robotics\\Pilot Desktop\\Core\\Path\\"), "/p");
  EXPECT_EQ(Get(1, "Software\\U.S. Robotics\\Pilot Desktop\\Core\\Path"), MISSING);  // other root
  EXPECT_EQ(Get(0, "Software\\U.S. Robotics\\Pilot\\Core\\Path"), MISSING);
  EXPECT_EQ(Get(0, "Software\\U.S. Robotics\\Path"), MISSING);  // a deeper key's value
  uint32_t v = 0;
  EXPECT_EQ(0, REG_GetU32(0, "SOFTWARE\\n\\count", &v));
  EXPECT_EQ(v, 0xFFFFFFFEu);
  EXPECT_EQ(0, REG_GetU32(0, "Software\\N\\Count", nullptr));
  EXPECT_EQ(ERR_DIR_NOT_FOUND, REG_GetU32(0, "Software\\U.S. Robotics\\Pilot Desktop\\Core\\Path",
                                          &v));  // a string, not a number
}

TEST_F(RegistryLookup, KeyExistsOnlyForWholeElements) {
  Write(RegBuilder().Str(1, "SOFTWARE\\Microsoft\\Windows CE Services", "DeviceFolder", "/d"));
  EXPECT_TRUE(REG_KeyExists(1, "software\\microsoft"));
  EXPECT_TRUE(REG_KeyExists(1, "SOFTWARE\\Microsoft\\Windows CE Services"));
  EXPECT_FALSE(REG_KeyExists(1, "SOFTWARE\\Micro"));
  EXPECT_FALSE(REG_KeyExists(1, "SOFTWARE\\Microsoft\\Windows CE Services\\DeviceFolder\\X"));
  EXPECT_FALSE(REG_KeyExists(0, "SOFTWARE"));
}

TEST_F(RegistryLookup, RejectsBadArgumentsAndShortBuffers) {
  Write(RegBuilder().Str(0, "K", "V", "hello"));
  char small[5];
  EXPECT_EQ(ERR_FILE_PARAM, REG_GetString(0, "K\\V", small, sizeof small));
  EXPECT_EQ(0, REG_GetString(0, "K\\V", nullptr, 0));
  EXPECT_EQ(ERR_FILE_PARAM, REG_GetString(3, "K\\V", small, sizeof small));
  EXPECT_EQ(ERR_FILE_PARAM, REG_GetString(-1, "K\\V", small, sizeof small));
  EXPECT_EQ(ERR_FILE_PARAM, REG_SetString(0, "NoKey", "x"));  // a value needs a key
  EXPECT_EQ(ERR_FILE_PARAM, REG_SetString(0, "K\\V", std::string(4096, 'a').c_str()));
  EXPECT_EQ(ERR_FILE_PARAM, REG_SetString(0, std::string(600, 'k').append("\\V").c_str(), "x"));
  EXPECT_EQ(Get(0, "K\\V"), "hello");
}

using RegistryDamage = RegistryTest;

TEST_F(RegistryDamage, DamagedFilesReadAsEmpty) {
  std::vector<uint8_t> good = RegBuilder().Str(0, "K", "V", "value").Bytes();
  std::vector<std::vector<uint8_t>> bad;
  for (size_t i : {size_t(0), size_t(5), size_t(7), size_t(11), good.size() - 1}) {
    bad.push_back(good);
    bad.back()[i] ^= 0x40;  // magic, version, count, key length, hash
  }
  bad.push_back(std::vector<uint8_t>(good.begin(), good.end() - 3));  // cut short
  std::vector<uint8_t> longer = good;
  longer.push_back(0);
  bad.push_back(longer);
  bad.push_back({});
  for (size_t i = 0; i < bad.size(); i++) {
    std::filesystem::create_directories(folder_);
    WriteHostFile(File(), bad[i]);
    EXPECT_EQ(Get(0, "K\\V"), MISSING) << i;
    EXPECT_FALSE(REG_KeyExists(0, "K")) << i;
  }
  WriteHostFile(File(), good);
  EXPECT_EQ(Get(0, "K\\V"), "value");  // the builder's file itself is sound
}

TEST_F(RegistryDamage, EntryWithImpossibleTypeOrLengthIsDamage) {
  std::vector<uint8_t> b = RegBuilder().U32(0, "K", "V", 1).Bytes();
  b[9] = 7;  // type
  uint32_t h = 2166136261u;
  for (size_t i = 0; i + 4 < b.size(); i++) h = (h ^ b[i]) * 16777619u;
  for (int s = 24, i = 0; s >= 0; s -= 8, i++) b[b.size() - 4 + i] = uint8_t(h >> s);
  Write(RegBuilder());
  WriteHostFile(File(), b);
  EXPECT_EQ(ERR_DIR_NOT_FOUND, REG_GetU32(0, "K\\V", nullptr));
}

TEST_F(RegistryDamage, ChangeToADamagedFileStartsAfresh) {
  std::filesystem::create_directories(folder_);
  WriteHostFile(File(), {'B', 'R', 'R', 'G', 0, 9});
  ASSERT_EQ(0, REG_SetU32(0, "K\\V", 3));
  EXPECT_EQ(ReadHostFile(File()), RegBuilder().U32(0, "K", "V", 3).Bytes());
}

TEST_F(RegistryDamage, FailedWriteLeavesTheOldFile) {
  Write(RegBuilder().Str(0, "K", "V", "old"));
  std::vector<uint8_t> before = ReadHostFile(File());
  HOST_SetFileOps(&HOST_FAULT_FILE_OPS);
  for (int step = 0; step < 2; step++) {
    HostFaults faults{};
    faults.diskFreeBytes = -1;
    (step == 0 ? faults.failWriteAt : faults.failSyncAt) = 1;
    HOST_SetFaults(&faults);
    EXPECT_NE(0, REG_SetString(0, "K\\V", "new")) << step;
    EXPECT_EQ(ReadHostFile(File()), before) << step;
    EXPECT_FALSE(HostFileExists(File() + ".tmp")) << step;
  }
  HOST_SetFaults(nullptr);
  EXPECT_EQ(Get(0, "K\\V"), "old");
}

TEST(RegistryPath, DefaultsToTheUsersConfigurationFolder) {
  std::string oldXdg = getenv("XDG_CONFIG_HOME") ? getenv("XDG_CONFIG_HOME") : "";
  std::string oldHome = getenv("HOME") ? getenv("HOME") : "";
  REG_Configure(nullptr);
  char path[FIL_PATH_BYTES];
  setenv("XDG_CONFIG_HOME", "/cfg/x", 1);
  ASSERT_EQ(0, REG_FilePath(path, sizeof path));
  EXPECT_STREQ(path, "/cfg/x/brantel/registry");
  unsetenv("XDG_CONFIG_HOME");
  setenv("HOME", "/home/u", 1);
  ASSERT_EQ(0, REG_FilePath(path, sizeof path));
  EXPECT_STREQ(path, "/home/u/.config/brantel/registry");
  EXPECT_EQ(ERR_FILE_PARAM, REG_FilePath(path, 10));
  REG_Configure("/t/f");
  ASSERT_EQ(0, REG_FilePath(path, sizeof path));
  EXPECT_STREQ(path, "/t/f/registry");
  REG_Configure(nullptr);
  if (oldXdg.empty())
    unsetenv("XDG_CONFIG_HOME");
  else
    setenv("XDG_CONFIG_HOME", oldXdg.c_str(), 1);
  setenv("HOME", oldHome.c_str(), 1);
}

}  // namespace
