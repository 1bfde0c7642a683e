// Tests of the desktop host's start and stop on the headless backend: title
// and size from string resources, the window placement file and its
// validity rules, the single instance, the frame allowance, undoing a failed
// start, and the system values.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>

#include "host_fixture.h"

namespace {

// The headless display is 1024 x 768 and its window frame 4, 24, 4, 4: a
// 360 x 600 client area starts centred at (332, 84), so its outer rectangle
// is (328, 60, 368, 628).
constexpr HostRect DEFAULT_OUTER{328, 60, 368, 628};

bool SameRect(const HostRect& a, const HostRect& b) {
  return a.left == b.left && a.top == b.top && a.width == b.width && a.height == b.height;
}

using HostStart = HostTest;

TEST_F(HostStart, DefaultsWithoutResources) {
  ASSERT_EQ(0, HOST_Start());
  EXPECT_TRUE(HOST_Started());
  ASSERT_NE(State(), nullptr);
  EXPECT_STREQ(State()->title, "Corrivane");
  EXPECT_EQ(Client().width, 360);
  EXPECT_EQ(Client().height, 600);
  EXPECT_TRUE(SameRect(Outer(), DEFAULT_OUTER));
}

TEST_F(HostStart, TitleFromNameIsCutToFiftyCharacters) {
  std::string name(60, 'x');
  name.replace(0, 7, "Brantel");
  WriteStringResource("NAME", name);
  ASSERT_EQ(0, HOST_Start());
  EXPECT_EQ(std::string(State()->title), name.substr(0, 50));
}

TEST_F(HostStart, SizeFromSwidAndShei) {
  WriteStringResource("SWID", "400");
  WriteStringResource("SHEI", "500");
  ASSERT_EQ(0, HOST_Start());
  EXPECT_EQ(Client().width, 400);
  EXPECT_EQ(Client().height, 500);
}

TEST_F(HostStart, ZeroOrBadSizeKeepsTheDefault) {
  WriteStringResource("SWID", "400");
  WriteStringResource("SHEI", "0");
  ASSERT_EQ(0, HOST_Start());
  EXPECT_EQ(Client().width, 360);
  HOST_Stop();
  WriteStringResource("SHEI", "many");
  ASSERT_EQ(0, HOST_Start());
  EXPECT_EQ(Client().height, 600);
}

TEST_F(HostStart, RecordsTheFrameAllowanceAndRegistersItsCallbacks) {
  ASSERT_EQ(0, HOST_Start());
  EXPECT_EQ(State()->frameWidth, 8);
  EXPECT_EQ(State()->frameHeight, 28);
  EXPECT_EQ(State()->scaledWidth, 360);
  EXPECT_EQ(State()->scaledHeight, 600);
  ASSERT_EQ(HOST_NotifyCount(), 5u);
  const FourCC codes[] = {FCC("DISP"), FCC("INSR"), FCC("EJCT"), FCC("SUSP"), FCC("RSME")};
  for (uint32_t i = 0; i < 5; i++) {
    FourCC code = 0;
    uintptr_t data = 0;
    ASSERT_TRUE(HOST_NotifyEntry(i, &code, nullptr, &data));
    EXPECT_EQ(code, codes[i]);
    EXPECT_EQ(data, uintptr_t(State()));
  }
  void* record = nullptr;
  ASSERT_EQ(0, HOST_GlobalsGet(HOST_GLOBALS_WINDOW, &record));
  EXPECT_EQ(static_cast<HostWindowRecord*>(record)->window, HOST_MainWindow());
}

TEST_F(HostStart, StopReleasesEverythingAndWritesThePlacement) {
  ASSERT_EQ(0, HOST_Start());
  HOST_Stop();
  EXPECT_FALSE(HOST_Started());
  EXPECT_EQ(HOST_MainWindow(), 0);
  EXPECT_EQ(HOST_NotifyCount(), 0u);
  EXPECT_EQ(HOST_GlobalsCount(), 0u);
  EXPECT_EQ(ReadPlacement(), "328 60 368 628 ");
}

TEST_F(HostStart, ShowsAPictureAtOnce) {
  ASSERT_EQ(0, HOST_Start());
  int32_t w = 0, h = 0;
  ASSERT_NE(HOST_HeadlessFramebuffer(&w, &h), nullptr);
  EXPECT_EQ(w, 360);
  EXPECT_EQ(h, 600);
}

TEST_F(HostStart, SecondCopyEndsAndWritesNothing) {
  // Another copy holds the instance lock in the data folder.
  std::string lock = DataDir() + "/Instance_Lock_BrnL";
  int fd = open(lock.c_str(), O_RDWR | O_CREAT, 0644);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(0, flock(fd, LOCK_EX | LOCK_NB));
  EXPECT_EQ(HOST_ALREADY_RUNNING, HOST_Start());
  EXPECT_FALSE(HOST_Started());
  EXPECT_EQ(HOST_GlobalsCount(), 0u);
  HOST_Stop();
  EXPECT_FALSE(PlacementExists());
  close(fd);
  // Once the other copy is gone, the program starts.
  EXPECT_EQ(0, HOST_Start());
}

TEST_F(HostStart, SecondProcessAsksTheFirstToComeToTheFront) {
  // The first copy runs in a child process; this process is the second.
  int ready[2], done[2];
  ASSERT_EQ(0, pipe(ready));
  ASSERT_EQ(0, pipe(done));
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    char byte = 0;
    int code = HOST_Start() == 0 ? 0 : 10;
    if (write(ready[1], &byte, 1) != 1) _exit(11);
    if (read(done[0], &byte, 1) != 1) _exit(12);
    HOST_PumpStep();
    _exit(code != 0 ? code : (HOST_HeadlessRaiseCount() > 0 ? 0 : 13));
  }
  char byte = 0;
  ASSERT_EQ(1, read(ready[0], &byte, 1));
  EXPECT_EQ(HOST_ALREADY_RUNNING, HOST_Start());
  EXPECT_FALSE(HOST_Started());
  HOST_Stop();
  EXPECT_FALSE(PlacementExists());
  ASSERT_EQ(1, write(done[1], &byte, 1));
  int status = -1;
  ASSERT_EQ(child, waitpid(child, &status, 0));
  EXPECT_TRUE(WIFEXITED(status));
  EXPECT_EQ(0, WEXITSTATUS(status));  // started, then raised by the request
  for (int fd : {ready[0], ready[1], done[0], done[1]}) close(fd);
}

TEST_F(HostStart, FailedWindowUndoesTheStart) {
  HOST_HeadlessFailNextWindow();
  EXPECT_EQ(ERR_HOST_WINDOW, HOST_Start());
  EXPECT_FALSE(HOST_Started());
  EXPECT_EQ(HOST_GlobalsCount(), 0u);
  EXPECT_EQ(HOST_NotifyCount(), 0u);
  HOST_Stop();
  EXPECT_FALSE(PlacementExists());
  EXPECT_EQ(0, HOST_Start());  // the lock was given back
}

TEST_F(HostStart, FailedAllocationUndoesTheStart) {
  MEM_FailNthAlloc(1, true);
  EXPECT_EQ(ERR_MEM_FULL, HOST_Start());
  MEM_FailNthAlloc(0);
  EXPECT_FALSE(HOST_Started());
  EXPECT_EQ(HOST_GlobalsCount(), 0u);
  EXPECT_EQ(HOST_NotifyCount(), 0u);
  HOST_Stop();
  EXPECT_FALSE(PlacementExists());
}

using HostPlacement = HostTest;

TEST_F(HostPlacement, ValidPlacementPlacesTheOuterRectangle) {
  WritePlacement("100 50 400 500 ");
  ASSERT_EQ(0, HOST_Start());
  EXPECT_TRUE(SameRect(Outer(), HostRect{100, 50, 400, 500}));
  EXPECT_TRUE(SameRect(Client(), HostRect{104, 74, 392, 472}));
  HOST_Stop();
  EXPECT_EQ(ReadPlacement(), "100 50 400 500 ");
}

TEST_F(HostPlacement, NarrowWidthIsIgnored) {
  WritePlacement("10 10 40 300");
  HostRect r{};
  EXPECT_FALSE(HOST_PlacementRead(&r));
  ASSERT_EQ(0, HOST_Start());
  EXPECT_TRUE(SameRect(Outer(), DEFAULT_OUTER));
}

TEST_F(HostPlacement, NegativeLeftIsIgnored) {
  WritePlacement("-5 10 400 300");
  EXPECT_FALSE(HOST_PlacementRead(nullptr));
  ASSERT_EQ(0, HOST_Start());
  EXPECT_TRUE(SameRect(Outer(), DEFAULT_OUTER));
}

TEST_F(HostPlacement, BoundariesOfTheRules) {
  struct Case {
    const char* text;
    bool valid;
  } cases[] = {
      {"0 0 51 51", true},
      {"0 0 50 51", false},
      {"0 0 51 50", false},
      {"0 -1 400 400", false},
      {"1 2 3", false},
      {"", false},
      {"a 1 400 400", false},
      {"5 6 400 400 junk", true},
      {"70000 0 400 400", false},
      {"\n 7\t8 400  400", true},
      {"32767 32767 32767 32767", true},
  };
  for (const Case& c : cases) {
    WritePlacement(c.text);
    EXPECT_EQ(HOST_PlacementRead(nullptr), c.valid) << '"' << c.text << '"';
  }
}

TEST_F(HostPlacement, OnlyTheFirstEightyBytesAreRead) {
  // 69 blanks, then "1 2 400 " (8 bytes) and "4000": bytes 77-79 are "400".
  WritePlacement(std::string(69, ' ') + "1 2 400 4000");
  HostRect r{};
  ASSERT_TRUE(HOST_PlacementRead(&r));
  EXPECT_EQ(r.width, 400);
  EXPECT_EQ(r.height, 400);
  WritePlacement(std::string(76, ' ') + "1 2 400 400");
  EXPECT_FALSE(HOST_PlacementRead(&r));
}

TEST_F(HostPlacement, PlacementOffTheDisplayIsIgnored) {
  WritePlacement("5000 10 400 400 ");
  ASSERT_EQ(0, HOST_Start());
  EXPECT_TRUE(SameRect(Outer(), DEFAULT_OUTER));
}

TEST_F(HostPlacement, WriteReplacesALongerFile) {
  WritePlacement("1000 1000 1000 1000 and more text after it");
  HostRect placement{1, 2, 300, 400};
  ASSERT_EQ(0, HOST_PlacementWrite(&placement));
  EXPECT_EQ(ReadPlacement(), "1 2 300 400 ");
}

using HostSystemValue = HostTest;

TEST_F(HostSystemValue, WithoutAWindow) {
  EXPECT_EQ(HOST_SystemValue(256), 320u);
  EXPECT_EQ(HOST_SystemValue(257), 480u);
  EXPECT_EQ(HOST_SystemValue(3), 1u);
  EXPECT_EQ(HOST_SystemValue(269), 42u);
}

TEST_F(HostSystemValue, FixedValuesAndUnknownSelectors) {
  const std::pair<uint16_t, uint32_t> table[] = {
      {1, 24},  {258, 256}, {259, 32768}, {264, 32768}, {260, 1}, {262, 1},
      {263, 1}, {265, 1},   {267, 512},   {0, 0},       {2, 0},   {261, 0},
      {266, 0}, {268, 0},   {270, 0},     {255, 0},     {4, 0},   {0xFFFF, 0},
  };
  for (auto [selector, value] : table) EXPECT_EQ(HOST_SystemValue(selector), value) << selector;
}

TEST_F(HostSystemValue, WithAWindow) {
  ASSERT_EQ(0, HOST_Start());
  EXPECT_EQ(HOST_SystemValue(256), 360u);
  EXPECT_EQ(HOST_SystemValue(257), 600u);
  EXPECT_EQ(HOST_SystemValue(3), 1u);
  EXPECT_EQ(HOST_SystemValue(269), 96u);  // the display reports no size
  HOST_HeadlessSetDisplay(1280, 1024, 338);
  EXPECT_EQ(HOST_SystemValue(269), 94u);  // 1280 * 25 / 338 = 94.67
}

TEST_F(HostSystemValue, SquareWindow) {
  WriteStringResource("SWID", "420");
  WriteStringResource("SHEI", "420");
  ASSERT_EQ(0, HOST_Start());
  EXPECT_EQ(HOST_SystemValue(3), 0u);
}

}  // namespace

namespace {

// A "BMAP" body written from the chunk layout: "BMAP" len, "Iden"/"Bwid"/
// "Bhei" numbers, then one "BENT" with "Ewid", "Ehei", "Edep" and "Edat"
// (count, bytes, zero bytes to a 4-byte boundary).
std::vector<uint8_t> BitmapBody(uint16_t w, uint16_t h, uint16_t depth,
                                const std::vector<uint8_t>& pixels, uint32_t claimed) {
  std::vector<uint8_t> b;
  auto put32 = [&](uint32_t v) {
    for (int s = 24; s >= 0; s -= 8) b.push_back(uint8_t(v >> s));
  };
  auto number = [&](const char* kw, uint16_t v) {
    b.insert(b.end(), kw, kw + 4);
    b.push_back('#');
    b.push_back('_');
    b.push_back(uint8_t(v >> 8));
    b.push_back(uint8_t(v));
  };
  b.insert(b.end(), {'B', 'M', 'A', 'P', 0, 0, 0, 0});
  number("Iden", 1000);
  number("Bwid", w);
  number("Bhei", h);
  size_t bent = b.size();
  b.insert(b.end(), {'B', 'E', 'N', 'T', 0, 0, 0, 0});
  number("Ewid", w);
  number("Ehei", h);
  number("Edep", depth);
  b.insert(b.end(), {'E', 'd', 'a', 't'});
  put32(claimed);
  b.insert(b.end(), pixels.begin(), pixels.end());
  while (b.size() % 4) b.push_back(0);
  uint32_t bentLen = uint32_t(b.size() - bent - 8);
  for (int i = 0; i < 4; i++) b[bent + 4 + i] = uint8_t(bentLen >> (24 - 8 * i));
  uint32_t total = uint32_t(b.size() - 8);
  for (int i = 0; i < 4; i++) b[4 + i] = uint8_t(total >> (24 - 8 * i));
  return b;
}

using HostIcon = HostTest;

TEST_F(HostIcon, WindowTakesTheIconBitmap) {
  // Two 24-bit pixels: red and blue.
  WriteResource("BMAP", "Icon", BitmapBody(2, 1, 24, {255, 0, 0, 0, 0, 255}, 6));
  ASSERT_EQ(0, HOST_Start());
  int32_t w = 0, h = 0;
  const uint8_t* icon = HOST_HeadlessIcon(&w, &h);
  ASSERT_NE(icon, nullptr);
  EXPECT_EQ(w, 2);
  EXPECT_EQ(h, 1);
  EXPECT_EQ(std::vector<uint8_t>(icon, icon + 8),
            (std::vector<uint8_t>{255, 0, 0, 255, 0, 0, 255, 255}));
}

TEST_F(HostIcon, KeepsTheAlphaOfA32BitIcon) {
  WriteResource("BMAP", "Icon", BitmapBody(1, 1, 32, {10, 20, 30, 40}, 4));
  ASSERT_EQ(0, HOST_Start());
  const uint8_t* icon = HOST_HeadlessIcon(nullptr, nullptr);
  ASSERT_NE(icon, nullptr);
  EXPECT_EQ(std::vector<uint8_t>(icon, icon + 4), (std::vector<uint8_t>{10, 20, 30, 40}));
}

TEST_F(HostIcon, DamagedOrMissingIconGivesNoIconButStarts) {
  ASSERT_EQ(0, HOST_Start());
  EXPECT_EQ(HOST_HeadlessIcon(nullptr, nullptr), nullptr);
  HOST_Stop();
  // The pixel count claims more bytes than the chunk holds.
  WriteResource("BMAP", "Icon", BitmapBody(2, 1, 24, {1, 2, 3, 4, 5, 6}, 600));
  ASSERT_EQ(0, HOST_Start());
  EXPECT_EQ(HOST_HeadlessIcon(nullptr, nullptr), nullptr);
  HOST_Stop();
  // Fewer pixels than width x height.
  WriteResource("BMAP", "Icon", BitmapBody(4, 4, 24, {1, 2, 3}, 3));
  ASSERT_EQ(0, HOST_Start());
  EXPECT_EQ(HOST_HeadlessIcon(nullptr, nullptr), nullptr);
}

}  // namespace
