// Tests of launch, start and stop: the launch record, the start's module
// order and its undo, what a stop writes, and a launch on the headless host.
#include "phone.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "kova_fixture.h"

namespace {

const char *const kFile = "Saved_Preferences_BrnL";

std::vector<std::string> g_calls;
Err g_failCode;
int g_failAt;  // index of the module that fails, -1 none

template <int N>
Err FakeStart() {
  g_calls.push_back("start" + std::to_string(N));
  return N == g_failAt ? g_failCode : 0;
}
template <int N>
void FakeStop() {
  g_calls.push_back("stop" + std::to_string(N));
}

const AppModule kFakes[] = {{"m0", FakeStart<0>, FakeStop<0>},
                            {"m1", FakeStart<1>, FakeStop<1>},
                            {"m2", FakeStart<2>, FakeStop<2>},
                            {"m3", FakeStart<3>, FakeStop<3>}};

// A saved file of the current version with defaults and the given changes,
// built from the documented layout.
std::vector<uint8_t> SavedFile(const char *startForm, int16_t currentCategory,
                               uint8_t startCategory) {
  std::vector<uint8_t> d(2207, 0);
  memcpy(d.data(), startForm, 4);
  d[6] = uint8_t(currentCategory);
  d[7] = uint8_t(uint16_t(currentCategory) >> 8);
  d[8] = 2000 & 0xFF;
  d[9] = 2000 >> 8;
  d[10] = startCategory;
  d[300] = 50;
  std::vector<uint8_t> f = {'P', 'R', 'E', 'F', 41, 0, 0, 0, 0x9F, 0x08, 0, 0};
  // Grown then copied (GCC 12 warns wrongly on inserting into a short vector).
  f.resize(12 + d.size());
  std::copy(d.begin(), d.end(), f.begin() + 12);
  return f;
}

class AppShell : public KovaTest {
 protected:
  void SetUp() override {
    KovaTest::SetUp();
    g_calls.clear();
    g_failAt = -1;
    g_failCode = -1;
    HOST_SetOps(&HOST_HEADLESS_OPS);
    HOST_HeadlessReset();
  }
  void TearDown() override {
    AppSetModules(nullptr, 0);
    HOST_SetOps(nullptr);
    KovaTest::TearDown();
  }
  void UseFakes() { AppSetModules(kFakes, 4); }
  std::string PrefsPath() const { return DataDir() + "/" + kFile; }
};

TEST_F(AppShell, LaunchRecordLookup) {
  EXPECT_EQ(AppLaunchRecord(nullptr), -1);
  TagItem none[] = {{FCC("XXXX"), 5}, {0, 0}};
  EXPECT_EQ(AppLaunchRecord(none), -1);
  TagItem zero[] = {{FCC("DREC"), 0}, {0, 0}};
  EXPECT_EQ(AppLaunchRecord(zero), 0);
  TagItem twice[] = {{FCC("DREC"), 3}, {FCC("XXXX"), 1}, {FCC("DREC"), 7}, {0, 0}};
  EXPECT_EQ(AppLaunchRecord(twice), 7);
  TagItem ended[] = {{FCC("DREC"), 3}, {0, 0}, {FCC("DREC"), 9}, {0, 0}};
  EXPECT_EQ(AppLaunchRecord(ended), 3);
  TagItem negative[] = {{FCC("DREC"), uintptr_t(-1)}, {0, 0}};
  EXPECT_EQ(AppLaunchRecord(negative), -1);
}

TEST_F(AppShell, StartAndStopRunModulesInOrder) {
  ASSERT_EQ(0, RES_Open(BRANTEL_RES_STORE));
  UseFakes();
  ASSERT_EQ(0, AppStart());
  EXPECT_EQ(AppModulesUp(), 4);
  EXPECT_EQ(PadLetter('A'), 'a');
  EXPECT_EQ(PadLetter('q'), 'q');
  EXPECT_EQ(PadLetter('Z'), 'z');
  EXPECT_EQ(PadLetter('5'), 0);
  EXPECT_EQ(PadLetter(0xE9), 0);
  AppStop();
  EXPECT_EQ(g_calls, (std::vector<std::string>{"start0", "start1", "start2", "start3", "stop3",
                                               "stop2", "stop1", "stop0"}));
  std::vector<uint8_t> f = ReadDataFile(kFile);
  ASSERT_EQ(f.size(), 12u + 2207u);
  EXPECT_EQ(f[12 + 310], 1);  // sort table stamp + 1 (no deleted records)
  AppStop();                  // a second stop does nothing
  EXPECT_EQ(g_calls.size(), 8u);
}

TEST_F(AppShell, FailedModuleStopsOnlyStartedOnesAndWritesNothing) {
  ASSERT_EQ(0, RES_Open(BRANTEL_RES_STORE));
  WriteDataFile(kFile, SavedFile("Indx", 4, 254));
  std::vector<uint8_t> before = ReadDataFile(kFile);
  UseFakes();
  g_failAt = 2;
  g_failCode = HOST_ALREADY_RUNNING;
  EXPECT_EQ(-1, AppStart());
  EXPECT_EQ(g_calls, (std::vector<std::string>{"start0", "start1", "start2", "stop1", "stop0"}));
  EXPECT_EQ(AppModulesUp(), 0);
  EXPECT_EQ(ReadDataFile(kFile), before);
}

TEST_F(AppShell, MissingResourceStoreEndsStart) {
  // The fixture's program path has no store appended.
  ASSERT_FALSE(RES_StoreLoaded());
  EXPECT_EQ(0, AppLaunch(FCC("NORM"), 0, nullptr));
  EXPECT_EQ(HOST_HeadlessMessageBoxCount(), 1u);
  EXPECT_STREQ(HOST_HeadlessLastMessageBoxTitle(), "Error");
  EXPECT_STREQ(HOST_HeadlessLastMessageBoxText(),
               "Cannot read resource data.  Make sure the program is in main "
               "memory, not an "
               "external storage card.");
  EXPECT_FALSE(HostFileExists(PrefsPath()));
  EXPECT_FALSE(HOST_Started());
  EXPECT_EQ(AppModulesUp(), 0);
  EXPECT_TRUE(FIL_LayerStarted());  // the fixture's own start is untouched
}

// A launch with "DREC" 0 shows all categories; a saved layout that is not
// one of the six opens "Main". The stop writes both back.
TEST_F(AppShell, LaunchWithRecordRunsUntilClosed) {
  ASSERT_EQ(0, RES_Open(BRANTEL_RES_STORE));
  WriteDataFile(kFile, SavedFile("Oops", 4, 254));
  HostEvent close{};
  close.kind = HOST_EVT_CLOSE;
  HOST_HeadlessPushEvent(&close, 0);
  TagItem params[] = {{FCC("DREC"), 0}, {0, 0}};
  EXPECT_EQ(0, AppLaunch(FCC("NORM"), 0, params));
  EXPECT_FALSE(HOST_Started());
  EXPECT_EQ(AppModulesUp(), 0);
  std::vector<uint8_t> f = ReadDataFile(kFile);
  ASSERT_EQ(f.size(), 12u + 2207u);
  EXPECT_EQ(std::string(f.begin() + 12, f.begin() + 16), "Main");
  EXPECT_EQ(f[12 + 6], 0xFF);  // currentCategory -1
  EXPECT_EQ(f[12 + 7], 0xFF);
  EXPECT_EQ(f[12 + 66], 1);  // the default window is taller than wide
  // The first drawing of the main form took the record (and showed it).
  EXPECT_EQ(g_prefs.pendingRecord, -1);
}

TEST_F(AppShell, LaunchWithoutRecordKeepsCategory) {
  ASSERT_EQ(0, RES_Open(BRANTEL_RES_STORE));
  WriteDataFile(kFile, SavedFile("Splt", 4, 254));
  HostEvent close{};
  close.kind = HOST_EVT_CLOSE;
  HOST_HeadlessPushEvent(&close, 0);
  EXPECT_EQ(0, AppLaunch(FCC("NORM"), 0, nullptr));
  std::vector<uint8_t> f = ReadDataFile(kFile);
  ASSERT_EQ(f.size(), 12u + 2207u);
  EXPECT_EQ(std::string(f.begin() + 12, f.begin() + 16), "Splt");
  EXPECT_EQ(f[12 + 6], 4);
  EXPECT_EQ(g_prefs.pendingRecord, -1);
}

}  // namespace
