// Test fixture for the desktop host on the headless backend: a fresh data
// folder per test, the headless desktop reset (1024 x 768 display, 4/24/4/4
// window frame, clock at 0), and the host, its globals and its notification
// registry cleared after each test.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "kova_fixture.h"
#include "kova_res.h"

class HostTest : public KovaTest {
 protected:
  void SetUp() override {
    KovaTest::SetUp();
    HOST_SetOps(&HOST_HEADLESS_OPS);
    HOST_HeadlessReset();
  }
  void TearDown() override {
    HOST_Stop();
    HOST_SetWindowProc(nullptr, 0);
    HOST_SetAppNotifyHook(nullptr);
    HOST_NotifyFreeAll();
    HOST_GlobalsFreeAll();
    HOST_SetOps(nullptr);
    unsetenv("BRANTEL_QUIT_AFTER_MS");
    unsetenv("BRANTEL_SCREENSHOT");
    KovaTest::TearDown();
  }

  static constexpr const char* PLACEMENT_FILE = "Window_Preferences_BrnL";

  void WritePlacement(const std::string& text) {
    WriteDataFile(PLACEMENT_FILE, std::vector<uint8_t>(text.begin(), text.end()));
  }
  std::string ReadPlacement() const {
    std::vector<uint8_t> b = ReadDataFile(PLACEMENT_FILE);
    return std::string(b.begin(), b.end());
  }
  bool PlacementExists() const { return HostFileExists(DataDir() + "/" + PLACEMENT_FILE); }

  // A resource as a development loose file ("bin/bin.eng/<type><id>.bin"
  // under the data folder); without a name table a name is its own id.
  void WriteResource(const char type[5], const char name[5], const std::vector<uint8_t>& body) {
    std::filesystem::create_directories(DataDir() + "/bin/bin.eng");
    uint32_t id = (uint32_t(uint8_t(name[0])) << 24) | (uint32_t(uint8_t(name[1])) << 16) |
                  (uint32_t(uint8_t(name[2])) << 8) | uint8_t(name[3]);
    char file[64];
    snprintf(file, sizeof file, "bin/bin.eng/%.4s%08x.bin", type, id);
    WriteDataFile(file, body);
  }
  void WriteStringResource(const char name[5], const std::string& text) {
    std::vector<uint8_t> body(text.begin(), text.end());
    body.push_back(0);
    WriteResource("tSTR", name, body);
  }

  static HostEvent Event(HostEventKind kind, int32_t x = 0, int32_t y = 0, int32_t key = 0) {
    HostEvent e{};
    e.kind = kind;
    e.x = x;
    e.y = y;
    e.key = key;
    return e;
  }
  static void Push(HostEventKind kind, int32_t x = 0, int32_t y = 0, uint32_t at = 0) {
    HostEvent e = Event(kind, x, y);
    HOST_HeadlessPushEvent(&e, at);
  }

  static HostState* State() {
    void* p = nullptr;
    return HOST_GlobalsGet(HOST_GLOBALS_STATE, &p) == 0 ? static_cast<HostState*>(p) : nullptr;
  }
  static HostRect Outer() {
    HostRect r{};
    HOST_Ops()->getOuterRect(HOST_MainWindow(), &r);
    return r;
  }
  static HostRect Client() {
    HostRect r{};
    HOST_Ops()->getClientRect(HOST_MainWindow(), &r);
    return r;
  }
};
