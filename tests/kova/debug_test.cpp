// Tests of debug output: each channel, the lower-case debug-mode channels
// and the level, message box sink and capture, recursion, and the "TEXT"
// file in volume 0's root.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "kova_fixture.h"

namespace {

using ::testing::internal::CaptureStderr;
using ::testing::internal::GetCapturedStderr;

class Dbg : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(0, DBG_Start()); }
  void TearDown() override { DBG_Stop(); }
};

std::string g_sinkTitle, g_sinkText;
int g_sinkCalls = 0;

void recordingSink(const char* title, const char* text) {
  g_sinkCalls++;
  g_sinkTitle = title;
  g_sinkText = text;
}

// A sink that logs while showing its box, as a real host might.
void loggingSink(const char* title, const char* text) {
  recordingSink(title, text);
  EXPECT_EQ(0, DBG_Print(FCC("MBOX"), "nested %hd\n", 2));
}

using DbgPrint = Dbg;

TEST_F(DbgPrint, ScreenLineIsCapturedAndOnStderr) {
  EXPECT_STREQ(DBG_LastCaptured(FCC("SCRN")), "");
  CaptureStderr();
  EXPECT_EQ(0, DBG_Print(FCC("SCRN"), "%hd: Sort QuickSort %hd...", 1, 30));
  EXPECT_EQ(GetCapturedStderr(), "1: Sort QuickSort 30...");
  EXPECT_STREQ(DBG_LastCaptured(FCC("SCRN")), "1: Sort QuickSort 30...");
  EXPECT_STREQ(DBG_LastCaptured(FCC("MBOX")), "");
}

TEST_F(DbgPrint, RepoGoesToStderr) {
  CaptureStderr();
  EXPECT_EQ(0, DBG_Print(FCC("REPO"), "Removed dupe record %hd\n", 4));
  EXPECT_EQ(GetCapturedStderr(), "Removed dupe record 4\n");
}

TEST_F(DbgPrint, MessageBoxUsesSinkElseCaptures) {
  EXPECT_EQ(0, DBG_Print(FCC("MBOX"), "box %s", "one"));
  EXPECT_STREQ(DBG_LastCaptured(FCC("MBOX")), "box one");
  g_sinkCalls = 0;
  DBG_SetMessageBoxSink(recordingSink);
  EXPECT_EQ(0, DBG_Print(FCC("MBOX"), "box %s", "two"));
  EXPECT_EQ(g_sinkCalls, 1);
  EXPECT_EQ(g_sinkTitle, "KOVA Debug Output");
  EXPECT_EQ(g_sinkText, "box two");
  EXPECT_STREQ(DBG_LastCaptured(FCC("MBOX")), "box one");  // the sink took it
}

TEST_F(DbgPrint, NestedLineGoesToStderrOnly) {
  g_sinkCalls = 0;
  DBG_SetMessageBoxSink(loggingSink);
  CaptureStderr();
  EXPECT_EQ(0, DBG_Print(FCC("MBOX"), "outer"));
  EXPECT_EQ(GetCapturedStderr(), "nested 2\n");
  EXPECT_EQ(g_sinkCalls, 1);
  EXPECT_EQ(g_sinkText, "outer");
}

TEST_F(DbgPrint, MemoUnknownAndZeroAreDropped) {
  CaptureStderr();
  EXPECT_EQ(0, DBG_Print(FCC("MEMO"), "memo"));
  EXPECT_EQ(0, DBG_Print(0, "nothing"));
  EXPECT_EQ(0, DBG_Print(FCC("mbox"), "not a debug-mode channel"));
  EXPECT_EQ(GetCapturedStderr(), "");
  EXPECT_STREQ(DBG_LastCaptured(FCC("MBOX")), "");
  EXPECT_STREQ(DBG_LastCaptured(FCC("SCRN")), "");
}

TEST_F(DbgPrint, LongLineIsCut) {
  std::string longText(3000, 'x');
  EXPECT_EQ(0, DBG_Print(FCC("MBOX"), "%s", longText.c_str()));
  EXPECT_EQ(std::string(DBG_LastCaptured(FCC("MBOX"))), std::string(1023, 'x'));
}

using DbgLevel = Dbg;

TEST_F(DbgLevel, DefaultsToBuildSetting) {
#ifdef BRANTEL_DEBUG_LEVEL
  EXPECT_EQ(DBG_Level(), uint32_t(BRANTEL_DEBUG_LEVEL));
#else
  EXPECT_EQ(DBG_Level(), 0u);
#endif
}

TEST_F(DbgLevel, LowerCaseChannelsNeedVerbose) {
  DBG_SetLevel(DBG_LEVEL_VERBOSE - 1);
  CaptureStderr();
  EXPECT_EQ(0, DBG_Print(FCC("scrn"), "quiet"));
  EXPECT_EQ(0, DBG_Print(FCC("repo"), "quiet"));
  EXPECT_EQ(GetCapturedStderr(), "");
  EXPECT_STREQ(DBG_LastCaptured(FCC("SCRN")), "");

  DBG_SetLevel(DBG_LEVEL_VERBOSE);
  EXPECT_EQ(DBG_Level(), DBG_LEVEL_VERBOSE);
  CaptureStderr();
  EXPECT_EQ(0, DBG_Print(FCC("scrn"), "loud %ld", int32_t(1)));
  EXPECT_EQ(0, DBG_Print(FCC("repo"), " and %ld", int32_t(2)));
  EXPECT_EQ(0, DBG_Print(FCC("memo"), " never"));
  EXPECT_EQ(GetCapturedStderr(), "loud 1 and 2");
  EXPECT_STREQ(DBG_LastCaptured(FCC("SCRN")), "loud 1");
}

TEST_F(DbgLevel, StopResetsLevelSinkAndCaptures) {
  uint32_t initial = DBG_Level();
  DBG_SetLevel(0x20000);
  DBG_SetMessageBoxSink(recordingSink);
  CaptureStderr();
  EXPECT_EQ(0, DBG_Print(FCC("SCRN"), "line"));
  GetCapturedStderr();
  DBG_Stop();
  ASSERT_EQ(0, DBG_Start());
  EXPECT_EQ(DBG_Level(), initial);
  EXPECT_STREQ(DBG_LastCaptured(FCC("SCRN")), "");
  g_sinkCalls = 0;
  EXPECT_EQ(0, DBG_Print(FCC("MBOX"), "captured again"));
  EXPECT_EQ(g_sinkCalls, 0);
  EXPECT_STREQ(DBG_LastCaptured(FCC("MBOX")), "captured again");
}

TEST_F(DbgLevel, TextWithoutFileLayerGoesToStderr) {
  ASSERT_FALSE(FIL_LayerStarted());
  CaptureStderr();
  EXPECT_EQ(0, DBG_Print(FCC("TEXT"), "early %hd\n", 1));
  EXPECT_EQ(GetCapturedStderr(), "early 1\n");
}

// "TEXT" through the file layer, in a fresh documents folder.
class DbgText : public KovaTest {
 protected:
  std::string LogPath() const { return DocumentsDir() + "/KOVA Debug Output.txt"; }
  std::string LogText() const {
    std::vector<uint8_t> bytes = ReadHostFile(LogPath());
    return std::string(bytes.begin(), bytes.end());
  }
};

TEST_F(DbgText, AppendsToFileInVolumeRoot) {
  EXPECT_EQ(0, DBG_Print(FCC("TEXT"), "first %ld\n", int32_t(1)));
  EXPECT_EQ(0, DBG_Print(FCC("TEXT"), "second %t\n", FCC("addr")));
  EXPECT_EQ(LogText(), "first 1\nsecond addr\n");
}

TEST_F(DbgText, KeepsEarlierContents) {
  WriteHostFile(LogPath(), {'o', 'l', 'd', '\n'});
  EXPECT_EQ(0, DBG_Print(FCC("TEXT"), "new\n"));
  EXPECT_EQ(LogText(), "old\nnew\n");
}

TEST_F(DbgText, UnwritableFileReportsErrDebug) {
  std::filesystem::create_directory(LogPath());  // a folder where the file should be
  DBG_SetLevel(DBG_LEVEL_VERBOSE);               // the file layer's own log line nests
  CaptureStderr();
  EXPECT_EQ(ERR_DEBUG, DBG_Print(FCC("TEXT"), "lost\n"));
  GetCapturedStderr();
  // The recursion guard was released: a message box is captured, not redirected.
  EXPECT_EQ(0, DBG_Print(FCC("MBOX"), "after"));
  EXPECT_STREQ(DBG_LastCaptured(FCC("MBOX")), "after");
}

}  // namespace
