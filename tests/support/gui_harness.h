// A headless GUI harness: the desktop host on its headless backend with a
// main window, the resource store, and the form manager started; a script
// of steps (taps on objects by tag or label, keys, typed text, commands,
// menu items, waiting on the virtual clock, checks) that the form loop runs
// one at a time whenever it is idle, through the loop hook; a recording
// event handler; and screenshots as PNG files in the build folder.
//
//   class MyTest : public GuiTest {};
//   TEST_F(MyTest, OkCloses) {
//     Key(HOST_KEY_RETURN);
//     EXPECT_EQ(0u, GUI_Alert(FCC("Fnd!")));
//   }
//
// A dialog still running when the script is done ends with "STOP", so a
// test never hangs; so does one that runs past the virtual time limit.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "../../kova/plat_src/gui/gui_internal.h"
#include "kova.h"
#include "kova_fixture.h"

// One event that reached the recording handler.
struct GuiSeen {
  FourCC formTag;
  int16_t kind;
  uintptr_t operand, a1, a2, a3, a4, a5;
  uint32_t tick;  // HOST_Ticks() when it arrived
};

class GuiHarness {
 public:
  // Chooses the headless host (reset: clock at 0), opens the store at
  // `storePath` (null: none, loose resources only) and installs the loop
  // hook, starting nothing: enough to drive a program that starts the host
  // and the form manager itself (AppLaunch). Returns the store's error.
  Err Prepare(const char* storePath);
  // Prepare, then starts the host with a client area of width x height and
  // the form manager. Returns the first error.
  Err Start(const char* storePath, int32_t width = 360, int32_t height = 600);
  // Removes the hook and stops whatever still runs (safe after a program
  // stopped the manager and the host itself).
  void Stop();

  // --- the script (each step runs when the loop is idle) ---
  void Then(std::function<void()> step);
  void Tap(FourCC tag);                     // the middle of the active form's object
  void TapLabel(const std::string& label);  // the first object showing this label
  void TapAt(int32_t x, int32_t y);         // screen pixels
  void RightClickAt(int32_t x, int32_t y);
  void WheelAt(int32_t x, int32_t y, int32_t notches);  // + = away from the user
  void Key(int32_t hostKey, uint32_t modifiers = 0);    // a press and release
  void Type(const std::string& utf8);                   // text events, one per character
  void Command(FourCC code);                            // GUI_PostCommand
  void Menu(FourCC item);                               // as if the item were chosen
  void Wait(uint32_t ms);                               // let the loop run on the virtual clock
  void Resize(int32_t width, int32_t height);
  size_t StepsLeft() const { return steps_.size() - next_; }
  bool TimedOut() const { return timedOut_; }

  // --- running ---
  // Parameters running a dialog with the recording handler (and a period).
  std::vector<TagItem> Params(uint32_t periodMs = 0);
  // What the recording handler answers (0 = not handled when unset).
  void Answer(std::function<int16_t(const GuiSeen&)> answer) { answer_ = std::move(answer); }
  const std::vector<GuiSeen>& Seen() const { return seen_; }
  std::vector<GuiSeen> Seen(int16_t kind) const;

  // --- reading ---
  static GuiForm* Active() { return GUI_ActiveForm(); }
  static int32_t Value(FourCC tag);
  static std::string Text(FourCC tag);
  // The screen as presented (0x00RRGGBB), 0 outside.
  static uint32_t ScreenPixel(int32_t x, int32_t y);
  // Writes what the window shows as <build folder>/<name>.png; the path.
  std::string SaveScreen(const std::string& name) const;

  static int16_t Recorder(FourCC formTag, GuiForm* form, uintptr_t user, uintptr_t operand,
                          int16_t kind, uintptr_t a1, uintptr_t a2, uintptr_t a3, uintptr_t a4,
                          uintptr_t a5);

 private:
  static bool Hook(GuiForm* form, uintptr_t data);
  void PushHost(HostEventKind kind, int32_t x, int32_t y, int32_t key, uint32_t modifiers = 0);

  std::vector<std::function<void()>> steps_;
  size_t next_ = 0;
  uint32_t waitUntil_ = 0;
  bool waiting_ = false;
  int settle_ = 0;
  bool timedOut_ = false;
  uint32_t limitTicks_ = 0;
  std::vector<GuiSeen> seen_;
  std::function<int16_t(const GuiSeen&)> answer_;
  std::string outDir_;
  std::vector<TagItem> params_;
};

// Fixture: a fresh data folder (KovaTest), the program's resource store,
// and the harness started at 360 x 600.
class GuiTest : public KovaTest, public GuiHarness {
 protected:
  void SetUp() override {
    KovaTest::SetUp();
#ifdef BRANTEL_RES_STORE
    ASSERT_EQ(0, Start(BRANTEL_RES_STORE));
#else
    ASSERT_EQ(0, Start(nullptr));
#endif
  }
  void TearDown() override {
    Stop();
    KovaTest::TearDown();
  }

  // A form or alert body as a loose resource (type, id or four-character
  // name) that GUI_FormOpen finds.
  void AddResource(FourCC type, uint32_t idOrName, const std::vector<uint8_t>& body);
};
