// Shared pieces of the benchmarks: a fresh folder under $TMPDIR (else /tmp)
// set up as the documents volume with the program's data folder, with
// memory, debug output and the file layer started on it; whole-file writes
// into the data folder; and the stop that removes it all again.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "host_file.h"
#include "kova.h"
#include "kova_gui.h"
#include "kova_host.h"

inline std::string& BenchFolder() {
  static std::string folder;
  return folder;
}

// The data folder "!" inside the bench folder.
inline std::string BenchDataDir() { return BenchFolder() + "/brantel"; }

// Starts memory, debug output and the file layer on a fresh folder. False
// when any of it fails.
inline bool BenchStart() {
  const char* tmp = getenv("TMPDIR");
  std::string pattern = std::string(tmp && tmp[0] == '/' ? tmp : "/tmp") + "/brantel-bench-XXXXXX";
  if (!mkdtemp(pattern.data())) return false;
  BenchFolder() = pattern;
  if (MEM_Start() != 0 || DBG_Start() != 0) return false;
  FileLayerConfig config{BenchFolder().c_str(), BenchFolder().c_str(), "/opt/brantel/brantel"};
  FIL_Configure(&config);
  return FIL_LayerStart() == 0;
}

// Stops what BenchStart started and removes the folder.
inline void BenchStop() {
  HOST_SetFileOps(nullptr);
  FIL_LayerStop();
  DBG_Stop();
  MEM_Stop();
  std::error_code ec;
  std::filesystem::remove_all(BenchFolder(), ec);
}

// BenchStart, then the program's resource store, a headless 360 x 600
// window and the form manager.
inline bool BenchStartGui() {
  if (!BenchStart()) return false;
  if (RES_Open(BRANTEL_RES_STORE) != 0) return false;
  HOST_SetOps(&HOST_HEADLESS_OPS);
  HOST_HeadlessReset();
  if (HOST_Start() != 0) return false;
  HostRect client{0, 0, 360, 600};
  HOST_Ops()->setClientRect(HOST_MainWindow(), &client);
  return GUI_Start() == 0;
}

// Stops what BenchStartGui started.
inline void BenchStopGui() {
  GUI_Stop();
  HOST_Stop();
  RES_Close();
  BenchStop();
}

// Writes `bytes` as the file `name` of the data folder; aborts on failure.
inline void BenchWriteData(const std::string& name, const std::vector<uint8_t>& bytes) {
  FILE* out = fopen((BenchDataDir() + "/" + name).c_str(), "wb");
  if (!out || fwrite(bytes.data(), 1, bytes.size(), out) != bytes.size()) abort();
  fclose(out);
}
