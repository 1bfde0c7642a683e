// Tests of the host's message pump on the headless backend: window events
// reach the window procedure in order, resizes broadcast "DISP", minimise
// and restore broadcast "SUSP" and "RSME", a close request ends the loop, an
// idle step sleeps 100 ms, and the screenshot and quit-after switches.
#include <png.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "host_fixture.h"

namespace {

std::vector<HostEventKind> g_seen;

bool Record(const HostEvent* e, uintptr_t) {
  g_seen.push_back(e->kind);
  return e->kind != HOST_EVT_CLOSE;  // leaves the close to the host
}

// Posts a focus event while handling a key event.
bool PostOnKey(const HostEvent* e, uintptr_t) {
  g_seen.push_back(e->kind);
  if (e->kind == HOST_EVT_KEY_DOWN) {
    HostEvent f{};
    f.kind = HOST_EVT_FOCUS;
    EXPECT_EQ(0, HOST_PostEvent(&f));
  }
  return true;
}

uintptr_t g_dispArg1, g_dispArg2;
Err OnDisplay(FourCC, uintptr_t arg1, uintptr_t, uintptr_t arg2) {
  g_dispArg1 = arg1;
  g_dispArg2 = arg2;
  return 0;
}

class HostPump : public HostTest {
 protected:
  void SetUp() override {
    HostTest::SetUp();
    g_seen.clear();
  }
};

TEST_F(HostPump, IdleStepSleepsAHundredMilliseconds) {
  ASSERT_EQ(0, HOST_Start());
  uint32_t before = HOST_Ticks();
  EXPECT_TRUE(HOST_PumpStep());
  EXPECT_EQ(HOST_Ticks() - before, 100u);
}

TEST_F(HostPump, WaitEndsEarlyWhenAnEventFallsDue) {
  ASSERT_EQ(0, HOST_Start());
  HOST_SetWindowProc(Record, 0);
  Push(HOST_EVT_KEY_DOWN, 0, 0, HOST_Ticks() + 30);
  uint32_t before = HOST_Ticks();
  EXPECT_TRUE(HOST_PumpStep());  // nothing waits yet: waits until the key is due
  EXPECT_EQ(HOST_Ticks() - before, 30u);
  EXPECT_TRUE(g_seen.empty());
  EXPECT_TRUE(HOST_PumpStep());
  EXPECT_EQ(g_seen, std::vector<HostEventKind>{HOST_EVT_KEY_DOWN});
}

TEST_F(HostPump, EventsReachTheWindowProcedureInOrder) {
  ASSERT_EQ(0, HOST_Start());
  HOST_SetWindowProc(Record, 0);
  Push(HOST_EVT_MOUSE_DOWN, 10, 20);
  Push(HOST_EVT_MOUSE_UP, 10, 20);
  Push(HOST_EVT_KEY_DOWN);
  uint32_t before = HOST_Ticks();
  EXPECT_TRUE(HOST_PumpStep());
  EXPECT_EQ(HOST_Ticks(), before);  // no sleep when something waited
  EXPECT_EQ(g_seen, (std::vector<HostEventKind>{HOST_EVT_MOUSE_DOWN, HOST_EVT_MOUSE_UP,
                                                HOST_EVT_KEY_DOWN}));
}

TEST_F(HostPump, EventPostedByAHandlerWaitsForTheNextStep) {
  ASSERT_EQ(0, HOST_Start());
  HOST_SetWindowProc(PostOnKey, 0);
  Push(HOST_EVT_KEY_DOWN);
  EXPECT_TRUE(HOST_PumpStep());
  EXPECT_EQ(g_seen, std::vector<HostEventKind>{HOST_EVT_KEY_DOWN});
  EXPECT_TRUE(HOST_PumpStep());
  EXPECT_EQ(g_seen, (std::vector<HostEventKind>{HOST_EVT_KEY_DOWN, HOST_EVT_FOCUS}));
}

TEST_F(HostPump, CloseRequestEndsTheLoop) {
  ASSERT_EQ(0, HOST_Start());
  HOST_SetWindowProc(Record, 0);
  Push(HOST_EVT_CLOSE, 0, 0, 500);
  HOST_RunUntilQuit();
  EXPECT_TRUE(HOST_QuitPosted());
  EXPECT_EQ(g_seen, std::vector<HostEventKind>{HOST_EVT_CLOSE});  // the quit is the host's
  EXPECT_GE(HOST_Ticks(), 500u);
  EXPECT_FALSE(HOST_PumpStep());
}

TEST_F(HostPump, QuitFromTheDesktopEndsTheLoop) {
  ASSERT_EQ(0, HOST_Start());
  Push(HOST_EVT_QUIT);
  EXPECT_FALSE(HOST_PumpStep());
}

TEST_F(HostPump, ResizeBroadcastsDisplayChange) {
  ASSERT_EQ(0, HOST_Start());
  ASSERT_EQ(0, HOST_NotifyRegister(FCC("DISP"), OnDisplay, 0));
  State()->dirty = false;
  Push(HOST_EVT_RESIZE, 500, 400);
  EXPECT_TRUE(HOST_PumpStep());
  EXPECT_EQ(g_dispArg1, 500u);
  EXPECT_EQ(g_dispArg2, 400u);
  EXPECT_EQ(State()->scaledWidth, 500);
  EXPECT_EQ(State()->scaledHeight, 400);
  EXPECT_TRUE(State()->dirty);
  EXPECT_EQ(HOST_SystemValue(256), 500u);
  // The same size again changes nothing.
  State()->dirty = false;
  Push(HOST_EVT_RESIZE, 500, 400);
  EXPECT_TRUE(HOST_PumpStep());
  EXPECT_FALSE(State()->dirty);
  // The stand-in picture follows the window.
  int32_t w = 0, h = 0;
  ASSERT_NE(HOST_HeadlessFramebuffer(&w, &h), nullptr);
  EXPECT_EQ(w, 500);
  EXPECT_EQ(h, 400);
}

TEST_F(HostPump, MinimiseSuspendsAndRestoreResumes) {
  ASSERT_EQ(0, HOST_Start());
  Push(HOST_EVT_MINIMIZE);
  EXPECT_TRUE(HOST_PumpStep());
  EXPECT_TRUE(State()->suspended);
  Push(HOST_EVT_RESTORE);
  EXPECT_TRUE(HOST_PumpStep());
  EXPECT_FALSE(State()->suspended);
}

TEST_F(HostPump, QuitAfterSwitch) {
  setenv("BRANTEL_QUIT_AFTER_MS", "1000", 1);
  ASSERT_EQ(0, HOST_Start());
  HOST_RunUntilQuit();
  EXPECT_GE(HOST_Ticks(), 1000u);
  EXPECT_LE(HOST_Ticks(), 1200u);
}

TEST_F(HostPump, PresentFillsTheClientArea) {
  ASSERT_EQ(0, HOST_Start());
  const uint8_t frame[2 * 2 * 3] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
  ASSERT_EQ(0, HOST_Present(frame, 2, 2, 6));
  int32_t w = 0, h = 0;
  const uint8_t* fb = HOST_HeadlessFramebuffer(&w, &h);
  ASSERT_NE(fb, nullptr);
  ASSERT_EQ(w, 360);
  EXPECT_EQ(fb[0], 1);
  EXPECT_EQ(fb[5], 6);
  EXPECT_EQ(fb[360 * 3 + 3], 10);  // second row, second pixel
  EXPECT_EQ(fb[6], 0);             // beyond the frame: black
  EXPECT_EQ(fb[(2 * 360 + 0) * 3], 0);
}

TEST_F(HostPump, PresentWithoutAWindowFails) {
  const uint8_t frame[3] = {1, 2, 3};
  EXPECT_EQ(ERR_HOST_WINDOW, HOST_Present(frame, 1, 1, 3));
}

// Reads a PNG with libpng's own reader: the picture's size and RGB bytes.
std::vector<uint8_t> ReadPng(const std::string& path, uint32_t* w, uint32_t* h) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, path.c_str())) return {};
  image.format = PNG_FORMAT_RGB;
  std::vector<uint8_t> rgb(PNG_IMAGE_SIZE(image));
  if (!png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr)) return {};
  *w = image.width;
  *h = image.height;
  return rgb;
}

TEST_F(HostPump, ScreenshotSwitchWritesTheWindowAndQuits) {
  std::string path = TempDir() + "/shot.png";
  setenv("BRANTEL_SCREENSHOT", path.c_str(), 1);
  ASSERT_EQ(0, HOST_Start());
  const uint8_t frame[2 * 1 * 3] = {200, 100, 50, 0, 255, 0};
  ASSERT_EQ(0, HOST_Present(frame, 2, 1, 6));
  HOST_RunUntilQuit();
  uint32_t w = 0, h = 0;
  std::vector<uint8_t> rgb = ReadPng(path, &w, &h);
  ASSERT_EQ(w, 360u);
  ASSERT_EQ(h, 600u);
  int32_t fw = 0, fh = 0;
  const uint8_t* fb = HOST_HeadlessFramebuffer(&fw, &fh);
  ASSERT_NE(fb, nullptr);
  EXPECT_EQ(rgb, std::vector<uint8_t>(fb, fb + size_t(fw) * size_t(fh) * 3));
  EXPECT_EQ(rgb[0], 200);
  EXPECT_EQ(rgb[4], 255);
}

TEST_F(HostPump, MessageBoxesAndDebugBoxesAreCaptured) {
  HOST_HeadlessSetMessageBoxAnswer(HOST_MB_ANSWER_CANCEL);
  EXPECT_EQ(HOST_MB_ANSWER_CANCEL, HOST_MessageBox("Error", "Before start", HOST_MB_OK_CANCEL));
  ASSERT_EQ(0, HOST_Start());
  EXPECT_EQ(0, DBG_Print(FCC("MBOX"), "line %hd", 7));
  EXPECT_EQ(HOST_HeadlessMessageBoxCount(), 2u);
  EXPECT_STREQ(HOST_HeadlessLastMessageBoxTitle(), "KOVA Debug Output");
  EXPECT_STREQ(HOST_HeadlessLastMessageBoxText(), "line 7");
}

TEST_F(HostPump, ClipboardKeysAndSound) {
  char text[8];
  EXPECT_EQ(ERR_HOST_CLIPBOARD, HOST_ClipboardGet(text, sizeof text));
  EXPECT_EQ(0, HOST_ClipboardSet("Anna Smith"));
  EXPECT_EQ(0, HOST_ClipboardGet(text, sizeof text));
  EXPECT_STREQ(text, "Anna Sm");  // cut to the buffer, still terminated
  EXPECT_FALSE(HOST_KeyDown(HOST_KEY_SHIFT));
  HOST_HeadlessSetKey(HOST_KEY_SHIFT, true);
  EXPECT_TRUE(HOST_KeyDown(HOST_KEY_SHIFT));
  EXPECT_FALSE(HOST_KeyDown(-1));
  EXPECT_FALSE(HOST_KeyDown(HOST_KEY_COUNT));
  const int16_t samples[4] = {1, -1, 300, -300};
  EXPECT_EQ(0, HOST_PlaySamples(samples, 4, 8000));
  ASSERT_EQ(HOST_HeadlessSampleCount(), 4u);
  EXPECT_EQ(HOST_HeadlessSamples()[3], -300);
}

}  // namespace
