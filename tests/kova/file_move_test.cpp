// FIL_Move: overlapping moves in both directions behave as a copy through a
// separate buffer; moves between files; progress; buffer fallback; failures.
#include <numeric>
#include <string>
#include <vector>

#include "host_file.h"
#include "kova_fixture.h"

namespace {

class FileMove : public KovaTest {
 protected:
  // A file of n bytes counting 0, 1, 2, ... (mod 251, so chunks never align).
  FileRef MakeFile(const char* name, uint32_t n) {
    std::vector<uint8_t> bytes(n);
    for (uint32_t i = 0; i < n; i++) bytes[i] = uint8_t(i % 251);
    WriteDataFile(name, bytes);
    FileRef f = nullptr;
    EXPECT_EQ(0, FIL_Open(&f, VOL_DOCUMENTS, "", name, FIL_MODE_READ_WRITE));
    return f;
  }

  // What a copy through a separate buffer gives.
  static std::vector<uint8_t> Expected(std::vector<uint8_t> bytes, uint32_t s, uint32_t d,
                                       uint32_t n) {
    std::vector<uint8_t> moved(bytes.begin() + s, bytes.begin() + s + n);
    if (bytes.size() < d + n) bytes.resize(d + n);
    std::copy(moved.begin(), moved.end(), bytes.begin() + d);
    return bytes;
  }
};

TEST_F(FileMove, OverlappingMovesMatchACopyInBothDirections) {
  struct Case {
    uint32_t size, src, dst, count, chunk;
  } cases[] = {
      {5000, 100, 1100, 3000, 1024},   // towards the end, overlapping
      {5000, 1100, 100, 3000, 1024},   // towards the start, overlapping
      {5000, 0, 3000, 4000, 1500},     // towards the end, past the end of the file
      {70000, 10, 20, 69000, 32767},   // a short shift of a long tail
      {70000, 30, 7, 69900, 32767},
  };
  for (const Case& c : cases) {
    FileRef f = MakeFile("m", c.size);
    std::vector<uint8_t> before = ReadDataFile("m");
    ASSERT_EQ(0, FIL_Move(f, f, c.src, c.dst, c.count, nullptr, c.chunk, nullptr));
    FIL_Close(&f);
    EXPECT_EQ(Expected(before, c.src, c.dst, c.count), ReadDataFile("m"))
        << c.src << "->" << c.dst << " x" << c.count;
  }
}

TEST_F(FileMove, BetweenFilesCopiesFrontToBackAndKeepsPositions) {
  FileRef a = MakeFile("a", 3000);
  FileRef b = MakeFile("b", 10);
  FIL_Seek(a, 17, FIL_SEEK_SET);
  ASSERT_EQ(0, FIL_Move(a, b, 1000, 5, 2000, nullptr, 700, nullptr));
  EXPECT_EQ(17, FIL_Tell(a));
  EXPECT_EQ(2005, FIL_Size(b));
  FIL_Close(&a);
  FIL_Close(&b);
  std::vector<uint8_t> src = ReadDataFile("a"), dst = ReadDataFile("b");
  EXPECT_TRUE(std::equal(src.begin() + 1000, src.begin() + 3000, dst.begin() + 5));
}

TEST_F(FileMove, ReportsProgressPerChunk) {
  struct Log {
    std::vector<std::pair<uint32_t, uint32_t>> calls;
  } log;
  ProgressBlock p{[](uint32_t total, uint32_t done, uintptr_t arg) {
                    reinterpret_cast<Log*>(arg)->calls.push_back({total, done});
                  },
                  reinterpret_cast<uintptr_t>(&log), 100, 40, 0};
  FileRef f = MakeFile("p", 5000);
  ASSERT_EQ(0, FIL_Move(f, f, 2000, 0, 2500, nullptr, 1024, &p));
  FIL_Close(&f);
  // First call before any byte, one per chunk (1024 + 1024 + 452), and a last one.
  std::vector<std::pair<uint32_t, uint32_t>> expect = {
      {2600, 40}, {2600, 1064}, {2600, 2088}, {2600, 2540}, {2600, 2540}};
  EXPECT_EQ(expect, log.calls);
}

TEST_F(FileMove, BufferHalvesWhenMemoryIsShortAndFailsBelow1024) {
  FileRef f = MakeFile("h", 40000);
  std::vector<uint8_t> before = ReadDataFile("h");
  MEM_FailNthAlloc(1);  // the 32767-byte buffer fails, 16383 works
  ASSERT_EQ(0, FIL_Move(f, f, 0, 100, 39000, nullptr, 32767, nullptr));
  EXPECT_EQ(Expected(before, 0, 100, 39000), ReadDataFile("h"));
  MEM_FailNthAlloc(1, true);
  EXPECT_EQ(ERR_MEM_FULL, FIL_Move(f, f, 0, 100, 5000, nullptr, 32767, nullptr));
  MEM_FailNthAlloc(0);
  uint8_t own[10];
  EXPECT_EQ(0, FIL_Move(f, f, 0, 1, 50, own, sizeof own, nullptr));  // the caller's buffer
  FIL_Close(&f);
}

TEST_F(FileMove, ShortReadsAndWritesAreErrors) {
  FileRef f = MakeFile("e", 3000);
  EXPECT_EQ(ERR_READ, FIL_Move(f, f, 2500, 0, 1000, nullptr, 1024, nullptr));  // past the end
  HOST_SetFileOps(&HOST_FAULT_FILE_OPS);
  FIL_Close(&f);
  ASSERT_EQ(0, FIL_Open(&f, VOL_DOCUMENTS, "", "e", FIL_MODE_READ_WRITE));
  HostFaults faults{2, 0, 0, 0, 0, false, -1};
  HOST_SetFaults(&faults);
  EXPECT_EQ(ERR_WRITE, FIL_Move(f, f, 0, 1000, 1500, nullptr, 1024, nullptr));
  HostFaults full{0, 0, 0, 0, 0, false, 10};
  HOST_SetFaults(&full);
  EXPECT_EQ(ERR_DISK_FULL, FIL_Move(f, f, 0, 2900, 1000, nullptr, 1024, nullptr));
  FIL_Close(&f);
}

TEST_F(FileMove, ZeroCountDoesNothing) {
  FileRef f = MakeFile("z", 10);
  int calls = 0;
  ProgressBlock p{[](uint32_t, uint32_t, uintptr_t arg) { ++*reinterpret_cast<int*>(arg); },
                  reinterpret_cast<uintptr_t>(&calls), 0, 0, 0};
  EXPECT_EQ(0, FIL_Move(f, f, 0, 5, 0, nullptr, 1024, &p));
  EXPECT_EQ(0, calls);
  FIL_Close(&f);
}

}  // namespace
