// The headless GUI harness: host, store and form manager start and stop, the
// script run through the loop hook whenever the loop is idle, the recording
// handler, and screenshots.
#include "gui_harness.h"

#include <filesystem>
#include <fstream>

#include "../../kova/plat_src/gui/gui_loop.h"

namespace {

// Virtual time a script may take before its dialogs are ended.
constexpr uint32_t TIME_LIMIT_MS = 30 * 60 * 1000;

}  // namespace

Err GuiHarness::Prepare(const char* storePath) {
  HOST_SetOps(&HOST_HEADLESS_OPS);
  HOST_HeadlessReset();
  outDir_ = storePath ? std::filesystem::path(storePath).parent_path().string()
                      : std::filesystem::temp_directory_path().string();
  GuiSetLoopHook(Hook, uintptr_t(this));
  limitTicks_ = HOST_Ticks() + TIME_LIMIT_MS;
  return storePath ? RES_Open(storePath) : Err(0);
}

Err GuiHarness::Start(const char* storePath, int32_t width, int32_t height) {
  Err err = Prepare(storePath);
  if (err == 0) err = HOST_Start();
  if (err != 0) return err;
  HostRect client{};
  HOST_Ops()->getClientRect(HOST_MainWindow(), &client);
  client.width = width;
  client.height = height;
  HOST_Ops()->setClientRect(HOST_MainWindow(), &client);
  return GUI_Start();
}

void GuiHarness::Stop() {
  GuiSetLoopHook(nullptr, 0);
  while (GUI_Started()) GUI_Stop();
  HOST_Stop();
  HOST_SetWindowProc(nullptr, 0);
  HOST_SetAppNotifyHook(nullptr);
  HOST_NotifyFreeAll();
  HOST_GlobalsFreeAll();
  HOST_SetOps(nullptr);
}

// Once per turn of every loop: a step runs when no input waits, no redraw
// is pending and the previous step's host events have been taken in.
bool GuiHarness::Hook(GuiForm* form, uintptr_t data) {
  auto* h = reinterpret_cast<GuiHarness*>(data);
  if (int32_t(HOST_Ticks() - h->limitTicks_) >= 0) {
    h->timedOut_ = true;
    return false;
  }
  if (h->waiting_) {
    if (int32_t(HOST_Ticks() - h->waitUntil_) < 0) return true;
    h->waiting_ = false;
  }
  if (GuiInputPending() || (form && (form->flags & FORM_REDRAW))) return true;
  if (h->settle_ > 0) {
    h->settle_--;
    return true;
  }
  if (h->next_ >= h->steps_.size()) return false;
  std::function<void()> step = h->steps_[h->next_++];
  step();
  h->settle_ = 1;
  return true;
}

void GuiHarness::Then(std::function<void()> step) { steps_.push_back(std::move(step)); }

void GuiHarness::PushHost(HostEventKind kind, int32_t x, int32_t y, int32_t key,
                          uint32_t modifiers) {
  HostEvent e{};
  e.kind = kind;
  e.x = x;
  e.y = y;
  e.key = key;
  e.modifiers = modifiers;
  HOST_HeadlessPushEvent(&e, 0);
}

void GuiHarness::TapAt(int32_t x, int32_t y) {
  Then([this, x, y] {
    PushHost(HOST_EVT_MOUSE_MOVE, x, y, 0);
    PushHost(HOST_EVT_MOUSE_DOWN, x, y, 1);
    PushHost(HOST_EVT_MOUSE_UP, x, y, 1);
  });
}

void GuiHarness::RightClickAt(int32_t x, int32_t y) {
  Then([this, x, y] {
    PushHost(HOST_EVT_MOUSE_DOWN, x, y, 3);
    PushHost(HOST_EVT_MOUSE_UP, x, y, 3);
  });
}

void GuiHarness::WheelAt(int32_t x, int32_t y, int32_t notches) {
  Then([this, x, y, notches] {
    PushHost(HOST_EVT_MOUSE_MOVE, x, y, 0);
    PushHost(HOST_EVT_WHEEL, 0, notches, 0);
  });
}

namespace {

// The middle of an object of the active form, in screen pixels.
bool middleOf(const GuiObject* o, int32_t* x, int32_t* y) {
  GuiForm* form = GUI_ActiveForm();
  if (!form || !o) return false;
  GfxRect r = GuiFormScreenRect(form);
  *x = r.x + o->rect.x + o->rect.w / 2;
  *y = r.y + o->rect.y + o->rect.h / 2;
  return true;
}

}  // namespace

void GuiHarness::Tap(FourCC tag) {
  Then([this, tag] {
    int32_t x = 0, y = 0;
    if (!middleOf(GUI_FindObject(GUI_ActiveForm(), tag), &x, &y)) {
      ADD_FAILURE() << "no object to tap with tag "
                    << std::string{char(tag >> 24), char(tag >> 16), char(tag >> 8), char(tag)};
      return;
    }
    PushHost(HOST_EVT_MOUSE_DOWN, x, y, 1);
    PushHost(HOST_EVT_MOUSE_UP, x, y, 1);
  });
}

void GuiHarness::TapLabel(const std::string& label) {
  Then([this, label] {
    GuiForm* form = GUI_ActiveForm();
    const GuiObject* found = nullptr;
    for (size_t i = 0; form && !found && i < form->objects.size(); i++) {
      const GuiObject* o = form->objects[i].get();
      if (!o->strings.empty() && o->strings[0] == label) found = o;
    }
    int32_t x = 0, y = 0;
    if (!middleOf(found, &x, &y)) {
      ADD_FAILURE() << "no object labelled " << label;
      return;
    }
    PushHost(HOST_EVT_MOUSE_DOWN, x, y, 1);
    PushHost(HOST_EVT_MOUSE_UP, x, y, 1);
  });
}

void GuiHarness::Key(int32_t hostKey, uint32_t modifiers) {
  Then([this, hostKey, modifiers] {
    PushHost(HOST_EVT_KEY_DOWN, 0, 0, hostKey, modifiers);
    PushHost(HOST_EVT_KEY_UP, 0, 0, hostKey, modifiers);
  });
}

void GuiHarness::Type(const std::string& utf8) {
  Then([utf8] {
    for (size_t i = 0; i < utf8.size();) {
      size_t n = 1;
      while (i + n < utf8.size() && (uint8_t(utf8[i + n]) & 0xC0) == 0x80) n++;
      HostEvent e{};
      e.kind = HOST_EVT_TEXT;
      utf8.copy(e.text, std::min(n, sizeof e.text - 1), i);
      HOST_HeadlessPushEvent(&e, 0);
      i += n;
    }
  });
}

void GuiHarness::Command(FourCC code) {
  Then([code] { EXPECT_EQ(0, GUI_PostCommand(code)); });
}

void GuiHarness::Menu(FourCC item) {
  Then([item] { EXPECT_TRUE(GuiInputPush(GuiInput{GUI_IN_MENU, 0, 0, int32_t(item)})); });
}

void GuiHarness::Wait(uint32_t ms) {
  Then([this, ms] {
    waitUntil_ = HOST_Ticks() + ms;
    waiting_ = true;
  });
}

void GuiHarness::Resize(int32_t width, int32_t height) {
  Then([this, width, height] { PushHost(HOST_EVT_RESIZE, width, height, 0); });
}

std::vector<TagItem> GuiHarness::Params(uint32_t periodMs) {
  params_ = {{GUI_RUN_HANDLER, uintptr_t(&Recorder)}, {GUI_RUN_USER, uintptr_t(this)}};
  if (periodMs) params_.push_back({GUI_RUN_PERIOD, periodMs});
  params_.push_back({0, 0});
  return params_;
}

int16_t GuiHarness::Recorder(FourCC formTag, GuiForm*, uintptr_t user, uintptr_t operand,
                             int16_t kind, uintptr_t a1, uintptr_t a2, uintptr_t a3, uintptr_t a4,
                             uintptr_t a5) {
  auto* h = reinterpret_cast<GuiHarness*>(user);
  h->seen_.push_back(GuiSeen{formTag, kind, operand, a1, a2, a3, a4, a5, HOST_Ticks()});
  return h->answer_ ? h->answer_(h->seen_.back()) : 0;
}

std::vector<GuiSeen> GuiHarness::Seen(int16_t kind) const {
  std::vector<GuiSeen> out;
  for (const GuiSeen& s : seen_)
    if (s.kind == kind) out.push_back(s);
  return out;
}

int32_t GuiHarness::Value(FourCC tag) {
  int32_t v = -99;
  EXPECT_EQ(0, GUI_GetValue(GUI_ActiveForm(), tag, &v));
  return v;
}

std::string GuiHarness::Text(FourCC tag) {
  char buffer[1024] = {};
  EXPECT_EQ(0, GUI_GetText(GUI_ActiveForm(), tag, buffer, sizeof buffer));
  return buffer;
}

uint32_t GuiHarness::ScreenPixel(int32_t x, int32_t y) {
  int32_t w = 0, h = 0;
  const uint8_t* rgb = HOST_HeadlessFramebuffer(&w, &h);
  if (!rgb || x < 0 || y < 0 || x >= w || y >= h) return 0;
  const uint8_t* p = rgb + (size_t(y) * size_t(w) + size_t(x)) * 3;
  return (uint32_t(p[0]) << 16) | (uint32_t(p[1]) << 8) | p[2];
}

std::string GuiHarness::SaveScreen(const std::string& name) const {
  std::string path = outDir_ + "/" + name + ".png";
  EXPECT_EQ(0, HOST_SaveScreenshot(path.c_str())) << path;
  return path;
}

void GuiTest::AddResource(FourCC type, uint32_t idOrName, const std::vector<uint8_t>& body) {
  std::filesystem::create_directories(DataDir() + "/bin/bin.eng");
  char file[64];
  snprintf(file, sizeof file, "bin/bin.eng/%c%c%c%c%08x.bin", char(type >> 24), char(type >> 16),
           char(type >> 8), char(type), RES_NameToId(type, idOrName));
  WriteDataFile(file, body);
}
