// Test fixture for the platform layer: a fresh temporary folder as the
// documents folder (volume 0, with the data folder "!" inside it), the memory
// manager and the file layer started per test and stopped after it.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "kova.h"

class KovaTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Host folders of this test.
  const std::string& TempDir() const { return tempDir_; }
  std::string DocumentsDir() const { return tempDir_ + "/Documents"; }
  std::string DataDir() const;  // the data folder "!" of volume 0

  // Host file helpers that bypass the code under test.
  static void WriteHostFile(const std::string& path, const std::vector<uint8_t>& bytes);
  static std::vector<uint8_t> ReadHostFile(const std::string& path);
  static bool HostFileExists(const std::string& path);

  // Writes `bytes` as file `name` in the data folder and returns its path.
  std::string WriteDataFile(const std::string& name, const std::vector<uint8_t>& bytes);
  std::vector<uint8_t> ReadDataFile(const std::string& name) const;

  // Reads a real handheld database from tests/data.
  static std::vector<uint8_t> Fixture(const std::string& name);

 private:
  std::string tempDir_;
};
