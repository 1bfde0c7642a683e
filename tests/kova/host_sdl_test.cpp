// Tests of the SDL backend under SDL's dummy video driver: SDL events pushed
// into SDL's queue come out of the host's pump as host events (keys with
// their modifiers, typed text split into characters, window close, minimise
// and restore, quit), and a presented frame is what a screenshot reads back.
#include <SDL.h>
#include <png.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "host_fixture.h"

namespace {

std::vector<HostEvent> g_events;

bool Collect(const HostEvent* e, uintptr_t) {
  g_events.push_back(*e);
  return e->kind != HOST_EVT_CLOSE;
}

class HostSdl : public HostTest {
 protected:
  void SetUp() override {
    HostTest::SetUp();
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    HOST_SetOps(&HOST_SDL_OPS);
    g_events.clear();
    ASSERT_EQ(0, HOST_Start());
    HOST_SetWindowProc(Collect, 0);
    DrainStartupEvents();
  }
  void TearDown() override {
    HostTest::TearDown();
    unsetenv("SDL_VIDEODRIVER");
    unsetenv("SDL_AUDIODRIVER");
  }
  // Showing the window queues a few window events of its own.
  void DrainStartupEvents() {
    for (int i = 0; i < 2; i++) (void)HOST_PumpStep();
    g_events.clear();
  }
  static uint32_t WindowId() {
    return SDL_GetWindowID(reinterpret_cast<SDL_Window*>(HOST_MainWindow()));
  }
  static void PushWindowEvent(uint8_t what) {
    SDL_Event e{};
    e.type = SDL_WINDOWEVENT;
    e.window.windowID = WindowId();
    e.window.event = what;
    ASSERT_EQ(1, SDL_PushEvent(&e));
  }
  static void PushKey(SDL_Keycode key, uint16_t mod) {
    SDL_Event e{};
    e.type = SDL_KEYDOWN;
    e.key.windowID = WindowId();
    e.key.keysym.sym = key;
    e.key.keysym.scancode = SDL_GetScancodeFromKey(key);
    e.key.keysym.mod = mod;
    ASSERT_EQ(1, SDL_PushEvent(&e));
  }
  static void PushText(const char* utf8) {
    SDL_Event e{};
    e.type = SDL_TEXTINPUT;
    e.text.windowID = WindowId();
    strncpy(e.text.text, utf8, sizeof e.text.text - 1);
    ASSERT_EQ(1, SDL_PushEvent(&e));
  }
};

TEST_F(HostSdl, KeysComeWithTheirModifiers) {
  PushKey(SDLK_a, KMOD_LSHIFT);
  PushKey(SDLK_DOWN, KMOD_NONE);
  PushKey(SDLK_F3, KMOD_LCTRL);
  EXPECT_TRUE(HOST_PumpStep());
  ASSERT_EQ(g_events.size(), 3u);
  EXPECT_EQ(g_events[0].kind, HOST_EVT_KEY_DOWN);
  EXPECT_EQ(g_events[0].key, 'a');
  EXPECT_EQ(g_events[0].modifiers, HOST_MOD_SHIFT);
  EXPECT_EQ(g_events[1].key, HOST_KEY_DOWN);
  EXPECT_EQ(g_events[1].modifiers, 0u);
  EXPECT_EQ(g_events[2].key, HOST_KEY_F1 + 2);
  EXPECT_EQ(g_events[2].modifiers, HOST_MOD_CONTROL);
}

TEST_F(HostSdl, TypedTextIsSplitIntoCharacters) {
  PushText("a\xC3\xA9\xE2\x82\xAC");  // "a", "é", "€"
  for (int i = 0; i < 3; i++) EXPECT_TRUE(HOST_PumpStep());
  ASSERT_EQ(g_events.size(), 3u);
  EXPECT_STREQ(g_events[0].text, "a");
  EXPECT_STREQ(g_events[1].text, "\xC3\xA9");
  EXPECT_STREQ(g_events[2].text, "\xE2\x82\xAC");
  for (const HostEvent& e : g_events) EXPECT_EQ(e.kind, HOST_EVT_TEXT);
}

TEST_F(HostSdl, MinimiseAndRestoreSuspendAndResume) {
  PushWindowEvent(SDL_WINDOWEVENT_RESTORED);  // not minimised: no resume
  PushWindowEvent(SDL_WINDOWEVENT_MINIMIZED);
  EXPECT_TRUE(HOST_PumpStep());
  ASSERT_EQ(g_events.size(), 1u);
  EXPECT_EQ(g_events[0].kind, HOST_EVT_MINIMIZE);
  EXPECT_TRUE(State()->suspended);
  PushWindowEvent(SDL_WINDOWEVENT_RESTORED);
  EXPECT_TRUE(HOST_PumpStep());
  ASSERT_EQ(g_events.size(), 2u);
  EXPECT_EQ(g_events[1].kind, HOST_EVT_RESTORE);
  EXPECT_FALSE(State()->suspended);
}

TEST_F(HostSdl, ClosingTheWindowEndsTheLoop) {
  PushWindowEvent(SDL_WINDOWEVENT_CLOSE);
  HOST_RunUntilQuit();
  ASSERT_FALSE(g_events.empty());
  EXPECT_EQ(g_events.back().kind, HOST_EVT_CLOSE);
  EXPECT_TRUE(HOST_QuitPosted());
}

TEST_F(HostSdl, QuitEventEndsTheLoop) {
  SDL_Event e{};
  e.type = SDL_QUIT;
  ASSERT_EQ(1, SDL_PushEvent(&e));
  EXPECT_FALSE(HOST_PumpStep());
}

TEST_F(HostSdl, ScreenshotReadsBackThePresentedFrame) {
  const int w = 360, h = 600;
  std::vector<uint8_t> frame(size_t(w) * h * 3);
  for (size_t i = 0; i < frame.size(); i++) frame[i] = uint8_t(i * 7 % 251);
  ASSERT_EQ(0, HOST_Present(frame.data(), w, h, w * 3));
  std::string path = TempDir() + "/sdl.png";
  ASSERT_EQ(0, HOST_SaveScreenshot(path.c_str()));
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  ASSERT_TRUE(png_image_begin_read_from_file(&image, path.c_str()));
  image.format = PNG_FORMAT_RGB;
  std::vector<uint8_t> rgb(PNG_IMAGE_SIZE(image));
  ASSERT_TRUE(png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr));
  EXPECT_EQ(image.width, uint32_t(w));
  EXPECT_EQ(image.height, uint32_t(h));
  EXPECT_TRUE(rgb == frame);
}

TEST_F(HostSdl, ClipboardAndSystemValues) {
  EXPECT_EQ(0, HOST_ClipboardSet("M\xC3\xBCller"));
  char text[32];
  EXPECT_EQ(0, HOST_ClipboardGet(text, sizeof text));
  EXPECT_STREQ(text, "M\xC3\xBCller");
  EXPECT_EQ(HOST_SystemValue(256), 360u);
  EXPECT_EQ(HOST_SystemValue(257), 600u);
  EXPECT_EQ(HOST_SystemValue(269), 96u);  // the dummy display reports no size
}

}  // namespace
