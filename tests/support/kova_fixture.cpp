// The platform-layer test fixture: temporary folders and host file helpers.
#include "kova_fixture.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "host_file.h"

void KovaTest::SetUp() {
  char pattern[] = "/tmp/brantel-test-XXXXXX";
  ASSERT_NE(mkdtemp(pattern), nullptr);
  tempDir_ = pattern;
  std::filesystem::create_directories(DocumentsDir());
  std::filesystem::create_directories(tempDir_ + "/Desktop");
  ASSERT_EQ(0, MEM_Start());
  ASSERT_EQ(0, DBG_Start());
  std::string docs = DocumentsDir(), desk = tempDir_ + "/Desktop";
  FileLayerConfig config{docs.c_str(), desk.c_str(), "/opt/brantel/brantel"};
  FIL_Configure(&config);
  // The registry stand-in lives in the test's folder, never in the real home.
  REG_Configure((tempDir_ + "/config").c_str());
  ASSERT_EQ(0, FIL_LayerStart());
}

void KovaTest::TearDown() {
  HOST_SetFaults(nullptr);
  HOST_SetFileOps(nullptr);
  MEM_FailNthAlloc(0);
  FIL_LayerStop();
  FIL_Configure(nullptr);
  REG_Configure(nullptr);
  DBG_Stop();
  MEM_Stop();
  std::error_code ec;
  std::filesystem::remove_all(tempDir_, ec);
}

std::string KovaTest::DataDir() const { return DocumentsDir() + "/brantel"; }

void KovaTest::WriteHostFile(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
  ASSERT_TRUE(out.good()) << path;
}

std::vector<uint8_t> KovaTest::ReadHostFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

bool KovaTest::HostFileExists(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0;
}

std::string KovaTest::WriteDataFile(const std::string& name, const std::vector<uint8_t>& bytes) {
  std::string path = DataDir() + "/" + name;
  WriteHostFile(path, bytes);
  return path;
}

std::vector<uint8_t> KovaTest::ReadDataFile(const std::string& name) const {
  return ReadHostFile(DataDir() + "/" + name);
}

std::vector<uint8_t> KovaTest::Fixture(const std::string& name) {
  return ReadHostFile(std::string(BRANTEL_FIXTURES_DIR) + "/" + name);
}
