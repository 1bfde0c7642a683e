// Shared pieces of the fuzz targets: one temporary folder per process
// (memory-backed under /dev/shm when the host has it, so the flushes of
// structural changes cost nothing) set up as the documents volume with the
// program's data folder, removed at exit; whole-file writes and reads in
// it; and the trap that marks a broken invariant.
#pragma once

#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "kova.h"

// Stops the run at a broken invariant (libFuzzer reports the input).
inline void FuzzCheck(bool ok) {
  if (!ok) __builtin_trap();
}

inline std::string& FuzzFolderPath() {
  static std::string folder;
  return folder;
}

inline void FuzzRemoveFolder() {
  FIL_LayerStop();
  std::error_code ec;
  std::filesystem::remove_all(FuzzFolderPath(), ec);
}

// Starts memory, debug output and the file layer on a fresh folder, once.
// Returns the folder; the data folder "!" is FuzzDataDir().
inline const std::string& FuzzStart() {
  std::string& folder = FuzzFolderPath();
  if (!folder.empty()) return folder;
  char pattern[] = "/dev/shm/brantel-fuzz-XXXXXX";
  char fallback[] = "/tmp/brantel-fuzz-XXXXXX";
  char* made = mkdtemp(pattern) ? pattern : mkdtemp(fallback);
  if (!made) abort();
  if (MEM_Start() != 0 || DBG_Start() != 0) abort();
  FileLayerConfig config{made, made, "/opt/brantel/brantel"};
  FIL_Configure(&config);
  if (FIL_LayerStart() != 0) abort();
  folder = made;
  atexit(FuzzRemoveFolder);
  return folder;
}

// The program's data folder inside the fuzz folder.
inline std::string FuzzDataDir() { return FuzzStart() + "/brantel"; }

// Writes `size` bytes as the file `path` (replacing it).
inline void FuzzWriteFile(const std::string& path, const uint8_t* data, size_t size) {
  FILE* out = fopen(path.c_str(), "wb");
  if (!out) abort();
  if (size && fwrite(data, 1, size, out) != size) abort();
  fclose(out);
}

// The whole file `path`.
inline std::vector<uint8_t> FuzzReadFile(const std::string& path) {
  std::vector<uint8_t> bytes;
  FILE* in = fopen(path.c_str(), "rb");
  if (!in) abort();
  uint8_t buffer[4096];
  for (size_t n; (n = fread(buffer, 1, sizeof buffer, in)) > 0;)
    bytes.insert(bytes.end(), buffer, buffer + n);
  fclose(in);
  return bytes;
}
