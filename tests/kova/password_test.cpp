// The password check: SHA-256 against the FIPS 180 examples, the password
// file (its bytes built here from the layout: tag, version, salt, hash),
// setting, changing and removing a password, a damaged file that unlocks
// nothing, and the "kPwd" dialog on the headless host (wrong password,
// right password, the other level, cancel) with a screenshot.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "../../kova/plat_src/gui/gui_password.h"
#include "gui_harness.h"

namespace {

std::string Hex(const uint8_t* p, size_t n) {
  static const char* digits = "0123456789abcdef";
  std::string s;
  for (size_t i = 0; i < n; ++i) {
    s += digits[p[i] >> 4];
    s += digits[p[i] & 15];
  }
  return s;
}

std::string Sha(const std::string& text) {
  uint8_t d[SHA256_BYTES];
  Sha256Digest(text.data(), text.size(), d);
  return Hex(d, sizeof d);
}

TEST(Sha256, MatchesTheFips180Examples) {
  EXPECT_EQ(Sha("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
  EXPECT_EQ(Sha(""), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
  EXPECT_EQ(Sha("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"),
            "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
  EXPECT_EQ(
      Sha("abcdefghbcdefghicdefghijdefghijkefghijklfghijklmghijklmnhijklmnoijklmnopjklmnopqklm"
          "nopqrlmnopqrsmnopqrstnopqrstu"),
      "cf5b16a778af8380036ce59e7b0492370b249b11e8f07a51afac45037afee9d1");
}

TEST(Sha256, PiecesGiveTheSameDigestAsOneBuffer) {
  // One million "a", fed in uneven pieces across block boundaries.
  Sha256 s;
  Sha256Init(&s);
  std::string chunk(997, 'a');
  size_t left = 1000000;
  while (left > 0) {
    size_t n = left < chunk.size() ? left : chunk.size();
    Sha256Update(&s, chunk.data(), n);
    left -= n;
  }
  uint8_t d[SHA256_BYTES];
  Sha256Final(&s, d);
  EXPECT_EQ(Hex(d, sizeof d), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
  // 55, 56 and 64 bytes: the padding fits, just does not fit, a whole block.
  EXPECT_EQ(Sha(std::string(55, 'a')),
            "9f4390f8d30c2dd92ec9f095b65e2b9ae9b0a925a5258e241c9f1e910f734318");
  EXPECT_EQ(Sha(std::string(56, 'a')),
            "b35439a4ac6f0948b6d6f9e3c6af0f5f590ce20f1bde7090ef7970686ec6738a");
  EXPECT_EQ(Sha(std::string(64, 'a')),
            "ffe054fe7ae0cb6dc65c3af9b61d5209f439851db43d0ba5997337df154668eb");
}

void FixedSalt(uint8_t salt[PWD_SALT_BYTES]) {
  for (uint32_t i = 0; i < PWD_SALT_BYTES; ++i) salt[i] = uint8_t(0xA0 + i);
}

// The file as the layout describes it, for password `pw` and FixedSalt.
std::vector<uint8_t> ExpectedFile(const std::string& pw) {
  std::vector<uint8_t> b = {'K', 'P', 'W', 'D', 0, 1, 0, 0};
  std::string salted;
  for (uint32_t i = 0; i < PWD_SALT_BYTES; ++i) {
    b.push_back(uint8_t(0xA0 + i));
    salted += char(0xA0 + i);
  }
  salted += pw;
  uint8_t d[SHA256_BYTES];
  Sha256Digest(salted.data(), salted.size(), d);
  b.insert(b.end(), d, d + SHA256_BYTES);
  return b;
}

class PasswordTest : public GuiTest {
 protected:
  void SetUp() override {
    GuiTest::SetUp();
    PwdSetSaltSource(FixedSalt);
  }
  void TearDown() override {
    PwdSetSaltSource(nullptr);
    GuiTest::TearDown();
  }
  static constexpr const char* kFile = "Password_BrnL.dat";
};

TEST_F(PasswordTest, SetWritesTheSaltedHashAndChecksAgainstIt) {
  EXPECT_FALSE(GUI_PasswordIsSet());
  ASSERT_EQ(0, GUI_PasswordSet(nullptr, "secret"));
  EXPECT_TRUE(GUI_PasswordIsSet());
  EXPECT_EQ(ReadDataFile(kFile), ExpectedFile("secret"));
  EXPECT_FALSE(HostFileExists(DataDir() + "/Password_BrnL.tmp"));
  EXPECT_TRUE(PwdMatches("secret"));
  EXPECT_FALSE(PwdMatches("Secret"));
  EXPECT_FALSE(PwdMatches("secre"));
  EXPECT_FALSE(PwdMatches(""));
}

TEST_F(PasswordTest, ChangeNeedsTheOldPasswordAndEmptyRemoves) {
  ASSERT_EQ(0, GUI_PasswordSet(nullptr, "one"));
  EXPECT_EQ(ERR_FILE_PARAM, GUI_PasswordSet("two", "three"));
  EXPECT_EQ(ReadDataFile(kFile), ExpectedFile("one"));  // unchanged
  ASSERT_EQ(0, GUI_PasswordSet("one", "two"));
  EXPECT_EQ(ReadDataFile(kFile), ExpectedFile("two"));
  EXPECT_EQ(ERR_FILE_PARAM, GUI_PasswordSet("one", ""));
  EXPECT_TRUE(GUI_PasswordIsSet());
  ASSERT_EQ(0, GUI_PasswordSet("two", ""));
  EXPECT_FALSE(GUI_PasswordIsSet());
  EXPECT_FALSE(HostFileExists(DataDir() + "/" + kFile));
  // Removing when none is set is fine and changes nothing.
  EXPECT_EQ(0, GUI_PasswordSet(nullptr, nullptr));
  EXPECT_FALSE(GUI_PasswordIsSet());
}

TEST_F(PasswordTest, DamagedFileCountsAsSetAndMatchesNothing) {
  std::vector<uint8_t> good = ExpectedFile("pw");
  std::vector<std::vector<uint8_t>> damaged = {
      std::vector<uint8_t>(good.begin(), good.end() - 1),  // short
      {},                                                  // empty
  };
  std::vector<uint8_t> badTag = good;
  badTag[0] = 'X';
  damaged.push_back(badTag);
  std::vector<uint8_t> badVersion = good;
  badVersion[5] = 2;
  damaged.push_back(badVersion);
  std::vector<uint8_t> longer = good;
  longer.push_back(0);
  damaged.push_back(longer);
  for (const auto& bytes : damaged) {
    WriteDataFile(kFile, bytes);
    EXPECT_EQ(PwdFileState(), PWD_DAMAGED);
    EXPECT_TRUE(GUI_PasswordIsSet());
    EXPECT_FALSE(PwdMatches("pw"));
    EXPECT_FALSE(PwdMatches(""));
    // Neither a new password nor removal gets past it.
    EXPECT_EQ(ERR_FILE_PARAM, GUI_PasswordSet("pw", "new"));
    EXPECT_EQ(ERR_FILE_PARAM, GUI_PasswordSet("", ""));
    EXPECT_EQ(ReadDataFile(kFile), bytes);
  }
  WriteDataFile(kFile, good);
  EXPECT_EQ(PwdFileState(), PWD_SET);
  EXPECT_TRUE(PwdMatches("pw"));
}

TEST_F(PasswordTest, CheckUnlocksAtOnceWithoutPassword) {
  EXPECT_EQ(GUI_PASSWORD_UNLOCK, GUI_PasswordCheck(1));
  EXPECT_EQ(StepsLeft(), 0u);
}

TEST_F(PasswordTest, CheckRefusesAWrongPasswordThenUnlocks) {
  ASSERT_EQ(0, GUI_PasswordSet(nullptr, "open"));
  std::string wrongShown, fieldAfter;
  Type("shut");
  Then([] { EXPECT_EQ(Text(FCC("Pass")), "shut"); });
  Tap(FCC("Unlk"));
  Then([&] {
    wrongShown = Text(FCC("Wrng"));
    fieldAfter = Text(FCC("Pass"));
  });
  Then([this] { SaveScreen("password_check_wrong"); });
  Type("open");
  Tap(FCC("Unlk"));
  EXPECT_EQ(GUI_PASSWORD_UNLOCK, GUI_PasswordCheck(1));
  EXPECT_EQ(wrongShown, "Wrong password.  Please try again.");
  EXPECT_EQ(fieldAfter, "");
}

TEST_F(PasswordTest, CheckOffersTheOtherLevelAndCancel) {
  ASSERT_EQ(0, GUI_PasswordSet(nullptr, "open"));
  std::string label;
  Then([&] { label = Text(FCC("Othr")); });
  Tap(FCC("Othr"));
  EXPECT_EQ(2, GUI_PasswordCheck(1));
  EXPECT_EQ(label, "Hide");
  Then([&] { label = Text(FCC("Othr")); });
  Tap(FCC("Othr"));
  EXPECT_EQ(1, GUI_PasswordCheck(2));
  EXPECT_EQ(label, "Mask");
  Type("open");
  Key(HOST_KEY_ESCAPE);
  EXPECT_EQ(GUI_PASSWORD_CANCEL, GUI_PasswordCheck(1));
  // Return presses "Unlk".
  Type("open");
  Key(HOST_KEY_RETURN);
  EXPECT_EQ(GUI_PASSWORD_UNLOCK, GUI_PasswordCheck(1));
}

}  // namespace
