// Tests of the desktop software's discovery on a simulated desktop: the
// registry keys, the install conduit rule, user folders, the users.dat
// facts (display name, user number, the cut and too-early cases), long paths
// skipped, the 50-user limit, the list queries and queueing an install.
#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "kova_desktop.h"
#include "kova_fixture.h"

namespace {

const char* const CORE_PATH = "Software\\U.S. Robotics\\Pilot Desktop\\Core\\Path";
const char* const HOTSYNC = "Software\\U.S. Robotics\\Pilot Desktop\\HotSync Manager";

// users.dat bytes as the facts describe them: whatever precedes, then a
// length byte and the folder name.
struct UsersDat {
  std::vector<uint8_t> bytes;
  UsersDat& Raw(const std::vector<uint8_t>& b) {
    bytes.insert(bytes.end(), b.begin(), b.end());
    return *this;
  }
  UsersDat& Text(const std::string& s) { return Raw(std::vector<uint8_t>(s.begin(), s.end())); }
  UsersDat& Folder(const std::string& s) {
    bytes.push_back(uint8_t(s.size()));
    return Text(s);
  }
};

class DesktopTest : public KovaTest {
 protected:
  void SetUp() override {
    KovaTest::SetUp();
    REG_Configure((TempDir() + "/config").c_str());
    data_ = TempDir() + "/Palm";
    std::filesystem::create_directories(data_);
  }
  void TearDown() override {
    DESK_FreeUsers(&list_);
    REG_Configure(nullptr);
    KovaTest::TearDown();
  }
  void Register(const char* valuePath = CORE_PATH) {
    ASSERT_EQ(0, REG_SetString(REG_ROOT_CURRENT_USER, valuePath, data_.c_str()));
  }
  void Folder(const std::string& rel) { std::filesystem::create_directories(data_ + "/" + rel); }
  void Dat(const UsersDat& d) { WriteHostFile(data_ + "/users.dat", d.bytes); }
  void Discover() {
    DESK_FreeUsers(&list_);
    ASSERT_EQ(0, DESK_Discover(&list_));
    ASSERT_NE(list_, nullptr);
  }
  std::string Query(int16_t index, int16_t what) {
    const char* text = nullptr;
    (void)DESK_UserQuery(list_, index, what, nullptr, &text);
    return text ? text : "<null>";
  }
  int32_t Count() {
    int32_t n = -1;
    EXPECT_EQ(0, DESK_UserQuery(list_, 0, DESK_QUERY_COUNT, &n, nullptr));
    return n;
  }
  std::string data_;
  DeskUserList* list_ = nullptr;
};

using DeskDiscover = DesktopTest;

TEST_F(DeskDiscover, NoDesktopRegisteredGivesNoList) {
  list_ = reinterpret_cast<DeskUserList*>(8);  // must be cleared
  EXPECT_EQ(ERR_DIR_NOT_FOUND, DESK_Discover(&list_));
  EXPECT_EQ(list_, nullptr);
}

TEST_F(DeskDiscover, MissingDataPathGivesAnEmptyList) {
  data_ += "-gone";
  Register();
  Discover();
  EXPECT_EQ(Count(), 0);
  EXPECT_EQ(std::string(list_->dataPath), data_);
}

TEST_F(DeskDiscover, UsersAreFoldersWithInstallOrBackup) {
  Register();
  Folder("zed/backup");
  Folder("amy/Install");
  Folder("carl/Archive");  // neither: no user
  WriteHostFile(data_ + "/notes.txt", {'x'});
  Discover();
  EXPECT_STREQ(list_->keyName, "Software\\U.S. Robotics\\Pilot Desktop");
  EXPECT_EQ(std::string(list_->dataPath), data_);
  ASSERT_EQ(Count(), 2);
  EXPECT_EQ(Query(0, DESK_QUERY_BACKUP), data_ + "/amy/backup");
  EXPECT_EQ(Query(0, DESK_QUERY_INSTALL), data_ + "/amy/Install");
  EXPECT_EQ(Query(1, DESK_QUERY_BACKUP), data_ + "/zed/backup");
  EXPECT_EQ(Query(1, DESK_QUERY_INSTALL), data_ + "/zed/Install");
  EXPECT_TRUE(std::filesystem::is_directory(data_ + "/zed/Install"));  // created
  EXPECT_FALSE(std::filesystem::exists(data_ + "/carl/Install"));
}

TEST_F(DeskDiscover, FallsBackToTheSecondKey) {
  Register("Software\\3Com\\Palm Desktop\\Core\\Path");
  Folder("u/backup");
  Discover();
  EXPECT_STREQ(list_->keyName, "Software\\3Com\\Palm Desktop");
  EXPECT_EQ(Count(), 1);
}

TEST_F(DeskDiscover, InstallFolderNameFromTheDesktopsOwnConduit) {
  Register();
  std::string c1 = std::string(HOTSYNC) + "\\InstallConduit1\\";
  std::string c2 = std::string(HOTSYNC) + "\\InstallConduit2\\";
  Folder("u/Inbox");
  Folder("v/Drop");
  ASSERT_EQ(0, REG_SetString(0, (c1 + "Module").c_str(), "Inscn20.dll"));
  ASSERT_EQ(0, REG_SetString(0, (c1 + "Directory").c_str(), "Inbox"));
  ASSERT_EQ(0, REG_SetString(0, (c2 + "Module").c_str(), "inscn.dll"));
  ASSERT_EQ(0, REG_SetString(0, (c2 + "Directory").c_str(), "Drop"));
  Discover();
  EXPECT_STREQ(list_->installName, "Inbox");
  ASSERT_EQ(Count(), 1);
  EXPECT_EQ(Query(0, DESK_QUERY_INSTALL), data_ + "/u/Inbox");
  ASSERT_EQ(0, REG_SetString(0, (c1 + "Module").c_str(), "other.dll"));
  Discover();
  EXPECT_STREQ(list_->installName, "Drop");
  ASSERT_EQ(Count(), 1);
  EXPECT_EQ(Query(0, DESK_QUERY_BACKUP), data_ + "/v/backup");
  ASSERT_EQ(0, REG_SetString(0, (c2 + "Module").c_str(), "xinscn.dll"));
  Discover();
  EXPECT_STREQ(list_->installName, "Install");
  EXPECT_EQ(Count(), 0);
}

TEST_F(DeskDiscover, UsersDatGivesNamesAndNumbers) {
  Register();
  Folder("alice/backup");
  Folder("bob/backup");
  Folder("nobody/backup");
  // alice: the printable run before her length byte; her number's bytes
  // are the four before that byte. bob: number 42, nothing printable.
  Dat(UsersDat()
          .Raw({0, 0, 0})
          .Text("Ann Lee")
          .Folder("alice")
          .Raw({0, 0x2A, 0, 0, 0})
          .Folder("bob"));
  Discover();
  ASSERT_EQ(Count(), 3);
  EXPECT_EQ(Query(0, DESK_QUERY_NAME), "Ann Lee");
  EXPECT_TRUE(list_->users[0].hasNumber);
  EXPECT_EQ(list_->users[0].number, 0x65654C20u);  // " Lee", little-endian
  EXPECT_EQ(Query(1, DESK_QUERY_NAME), "");
  EXPECT_TRUE(list_->users[1].hasNumber);
  EXPECT_EQ(list_->users[1].number, 42u);
  EXPECT_EQ(Query(2, DESK_QUERY_NAME), "");
  EXPECT_FALSE(list_->users[2].hasNumber);
}

TEST_F(DeskDiscover, LongDisplayNameIsCutTo49) {
  Register();
  Folder("u/backup");
  std::string name = "A" + std::string(58, 'n') + "Z";
  Dat(UsersDat().Raw({1}).Text(name).Folder("u"));
  Discover();
  EXPECT_EQ(Query(0, DESK_QUERY_NAME), name.substr(0, 49));
}

TEST_F(DeskDiscover, FolderNearTheStartHasNoNumber) {
  Register();
  Folder("ab/backup");
  Folder("cd/backup");
  // "ab" starts at byte 4 (too early); "cd" at byte 5 of its own file.
  Dat(UsersDat().Raw({9, 9, 9}).Folder("ab"));
  Discover();
  EXPECT_FALSE(list_->users[0].hasNumber);
  EXPECT_EQ(ERR_DIR_NOT_FOUND, DESK_QueueInstall(list_, 0));
  EXPECT_FALSE(REG_KeyExists(0, HOTSYNC));
  Dat(UsersDat().Raw({7, 0, 0, 0}).Folder("cd"));
  Discover();
  EXPECT_TRUE(list_->users[1].hasNumber);
  EXPECT_EQ(list_->users[1].number, 7u);
}

TEST_F(DeskDiscover, UserWhosePathsDoNotFitIsSkipped) {
  // A data path of about 940 bytes: "short" fits, a 75-character folder
  // name makes the install path longer than a host path buffer.
  data_ = TempDir();
  while (data_.size() < 900)
    data_ += "/" + std::string(std::min<size_t>(200, 939 - data_.size()), 'd');
  std::filesystem::create_directories(data_);
  Register();
  std::string longName(75, 'L');
  Folder("short/backup");
  Folder(longName + "/backup");
  Discover();
  ASSERT_EQ(Count(), 1);
  EXPECT_EQ(Query(0, DESK_QUERY_BACKUP), data_ + "/short/backup");
  EXPECT_FALSE(std::filesystem::exists(data_ + "/" + longName + "/Install"));
}

TEST_F(DeskDiscover, StopsAtFiftyUsers) {
  Register();
  for (int i = 0; i < 55; i++) Folder("user" + std::to_string(100 + i) + "/backup");
  Discover();
  EXPECT_EQ(Count(), 50);
  for (int i = 1; i < 50; i++)
    EXPECT_LT(std::string(list_->users[i - 1].folder), std::string(list_->users[i].folder));
}

using DeskQuery = DesktopTest;

TEST_F(DeskQuery, BadIndexGivesAnEmptyString) {
  Register();
  Folder("u/backup");
  Discover();
  const char* text = nullptr;
  EXPECT_EQ(ERR_FILE_PARAM, DESK_UserQuery(list_, 1, DESK_QUERY_BACKUP, nullptr, &text));
  EXPECT_STREQ(text, "");
  EXPECT_EQ(ERR_FILE_PARAM, DESK_UserQuery(list_, -1, DESK_QUERY_NAME, nullptr, &text));
  EXPECT_EQ(ERR_FILE_PARAM, DESK_UserQuery(list_, 0, 4, nullptr, &text));
  EXPECT_STREQ(text, "");
  int32_t n = -1;
  EXPECT_EQ(0, DESK_UserQuery(nullptr, 0, DESK_QUERY_COUNT, &n, nullptr));
  EXPECT_EQ(n, 0);
  DESK_FreeUsers(&list_);
  EXPECT_EQ(list_, nullptr);
  DESK_FreeUsers(&list_);  // twice is harmless
}

using DeskQueue = DesktopTest;

TEST_F(DeskQueue, SetsInstallFlagForTheUsersNumber) {
  Register();
  Folder("amy/backup");
  Folder("bob/backup");
  Dat(UsersDat().Raw({0, 0, 0, 0x39, 0x30, 0, 0}).Folder("bob"));  // 12345
  Discover();
  ASSERT_EQ(Count(), 2);
  EXPECT_EQ(ERR_DIR_NOT_FOUND, DESK_QueueInstall(list_, 0));  // amy has no number
  ASSERT_EQ(0, DESK_QueueInstall(list_, 1));
  EXPECT_TRUE(list_->users[1].installQueued);
  EXPECT_FALSE(list_->users[0].installQueued);
  uint32_t v = 0;
  ASSERT_EQ(0, REG_GetU32(0, (std::string(HOTSYNC) + "\\Install12345").c_str(), &v));
  EXPECT_EQ(v, 1u);
  EXPECT_EQ(ERR_FILE_PARAM, DESK_QueueInstall(list_, 2));
  EXPECT_EQ(ERR_FILE_PARAM, DESK_QueueInstall(nullptr, 0));
}

}  // namespace
