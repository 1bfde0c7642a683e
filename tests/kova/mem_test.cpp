// Tests of the memory manager: size limit, zero fill, realloc, handles and
// their locks, the live-block counter and the failure hook.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

#include "kova_mem.h"

namespace {

// Starts the manager for one test and checks that the test freed its blocks.
class Mem : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(0, MEM_Start());
    live_ = MEM_LiveBlocks();
  }
  void TearDown() override {
    MEM_FailNthAlloc(0);
    EXPECT_EQ(live_, MEM_LiveBlocks()) << "the test leaked blocks";
    MEM_Stop();
  }
  uint32_t live_ = 0;
};

bool allBytes(const void* p, uint32_t n, uint8_t value) {
  const uint8_t* b = static_cast<const uint8_t*>(p);
  for (uint32_t i = 0; i < n; i++)
    if (b[i] != value) return false;
  return true;
}

using MemAlloc = Mem;

TEST_F(MemAlloc, LargestBlockIsFourMegabytes) {
  Err err = -1;
  void* p = MEM_Alloc(4194304, false, &err);
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(err, 0);
  EXPECT_EQ(MEM_Size(p), 4194304u);
  static_cast<uint8_t*>(p)[4194303] = 1;  // the last byte is usable
  MEM_Free(p);

  EXPECT_EQ(MEM_Alloc(4194305, false, &err), nullptr);
  EXPECT_EQ(err, ERR_MEM_FULL);
  EXPECT_EQ(MEM_Alloc(UINT32_MAX, true, nullptr), nullptr);
}

TEST_F(MemAlloc, ZeroFillsOnRequestAndAligns) {
  for (uint32_t size : {1u, 15u, 16u, 1000u, 70000u}) {
    uint8_t* p = static_cast<uint8_t*>(MEM_Alloc(size, true));
    ASSERT_NE(p, nullptr);
    EXPECT_TRUE(allBytes(p, size, 0)) << size;
    EXPECT_EQ(reinterpret_cast<uintptr_t>(p) % 16, 0u) << size;
    memset(p, 0xAB, size);
    MEM_Free(p);
  }
}

TEST_F(MemAlloc, ZeroSizeGivesDistinctBlocks) {
  void* a = MEM_Alloc(0, false);
  void* b = MEM_Alloc(0, false);
  ASSERT_NE(a, nullptr);
  ASSERT_NE(b, nullptr);
  EXPECT_NE(a, b);
  EXPECT_EQ(MEM_Size(a), 0u);
  EXPECT_EQ(live_ + 2, MEM_LiveBlocks());
  MEM_Free(a);
  MEM_Free(b);
  MEM_Free(nullptr);  // ignored
}

TEST_F(MemAlloc, WorksBeforeStart) {
  MEM_Stop();  // undo the fixture's start: the manager is idle now
  void* p = MEM_Alloc(8, true);
  EXPECT_NE(p, nullptr);
  MEM_Free(p);
  ASSERT_EQ(0, MEM_Start());
}

using MemRealloc = Mem;

TEST_F(MemRealloc, KeepsContentsAndZeroesGrowth) {
  uint8_t* p = static_cast<uint8_t*>(MEM_Alloc(10, false));
  ASSERT_NE(p, nullptr);
  memset(p, 0x5A, 10);
  Err err = -1;
  p = static_cast<uint8_t*>(MEM_Realloc(p, 5000, true, &err));
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(err, 0);
  EXPECT_EQ(MEM_Size(p), 5000u);
  EXPECT_TRUE(allBytes(p, 10, 0x5A));
  EXPECT_TRUE(allBytes(p + 10, 4990, 0));
  p = static_cast<uint8_t*>(MEM_Realloc(p, 3, false));
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(MEM_Size(p), 3u);
  EXPECT_TRUE(allBytes(p, 3, 0x5A));
  MEM_Free(p);
}

TEST_F(MemRealloc, FailureLeavesOldBlock) {
  uint8_t* p = static_cast<uint8_t*>(MEM_Alloc(4, false));
  ASSERT_NE(p, nullptr);
  memcpy(p, "abcd", 4);
  Err err = 0;
  EXPECT_EQ(MEM_Realloc(p, MEM_MAX_BLOCK + 1, false, &err), nullptr);
  EXPECT_EQ(err, ERR_MEM_FULL);
  MEM_FailNthAlloc(1);
  err = 0;
  EXPECT_EQ(MEM_Realloc(p, 8, false, &err), nullptr);
  EXPECT_EQ(err, ERR_MEM_FULL);
  EXPECT_EQ(MEM_Size(p), 4u);
  EXPECT_EQ(memcmp(p, "abcd", 4), 0);
  MEM_Free(p);
}

TEST_F(MemRealloc, NullActsAsAlloc) {
  void* p = MEM_Realloc(nullptr, 12, true);
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(live_ + 1, MEM_LiveBlocks());
  EXPECT_TRUE(allBytes(p, 12, 0));
  MEM_Free(p);
}

using MemHandles = Mem;

TEST_F(MemHandles, LocksNestAndUnlockBalances) {
  MemHandle h = MEM_HandleNew(32, true);
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(MEM_HandleSize(h), 32u);
  uint8_t* a = static_cast<uint8_t*>(MEM_HandleLock(h));
  uint8_t* b = static_cast<uint8_t*>(MEM_HandleLock(h));
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(a, b);
  EXPECT_TRUE(allBytes(a, 32, 0));
  EXPECT_EQ(0, MEM_HandleUnlock(h));
  EXPECT_EQ(0, MEM_HandleUnlock(h));
  EXPECT_EQ(ERR_MEM_BAD_ARG, MEM_HandleUnlock(h));
  MEM_HandleFree(h);
  MEM_HandleFree(nullptr);
}

TEST_F(MemHandles, ResizeOnlyWhileUnlocked) {
  MemHandle h = MEM_HandleNew(4, false);
  ASSERT_NE(h, nullptr);
  memcpy(MEM_HandleLock(h), "wxyz", 4);
  EXPECT_EQ(ERR_MEM_BAD_ARG, MEM_HandleResize(h, 100));
  EXPECT_EQ(MEM_HandleSize(h), 4u);
  ASSERT_EQ(0, MEM_HandleUnlock(h));
  ASSERT_EQ(0, MEM_HandleResize(h, 100));
  EXPECT_EQ(MEM_HandleSize(h), 100u);
  uint8_t* p = static_cast<uint8_t*>(MEM_HandleLock(h));
  EXPECT_EQ(memcmp(p, "wxyz", 4), 0);
  EXPECT_TRUE(allBytes(p + 4, 96, 0));
  ASSERT_EQ(0, MEM_HandleUnlock(h));
  EXPECT_EQ(ERR_MEM_FULL, MEM_HandleResize(h, MEM_MAX_BLOCK + 1));
  EXPECT_EQ(MEM_HandleSize(h), 100u);
  MEM_HandleFree(h);
}

TEST_F(MemHandles, FreeingLockedHandleIsAllowed) {
  MemHandle h = MEM_HandleNew(8, false);
  ASSERT_NE(h, nullptr);
  EXPECT_NE(MEM_HandleLock(h), nullptr);
  EXPECT_EQ(live_ + 1, MEM_LiveBlocks());
  MEM_HandleFree(h);
  EXPECT_EQ(live_, MEM_LiveBlocks());
}

using MemFailNthAlloc = Mem;

TEST_F(MemFailNthAlloc, FailsOnlyTheNthAttempt) {
  MEM_FailNthAlloc(3);
  void* a = MEM_Alloc(1, false);
  void* b = MEM_Alloc(1, false);
  Err err = 0;
  void* c = MEM_Alloc(1, false, &err);
  void* d = MEM_Alloc(1, false);
  EXPECT_NE(a, nullptr);
  EXPECT_NE(b, nullptr);
  EXPECT_EQ(c, nullptr);
  EXPECT_EQ(err, ERR_MEM_FULL);
  EXPECT_NE(d, nullptr);
  EXPECT_EQ(live_ + 3, MEM_LiveBlocks());
  MEM_Free(a);
  MEM_Free(b);
  MEM_Free(d);
}

TEST_F(MemFailNthAlloc, EveryFailsFromTheNthOn) {
  MEM_FailNthAlloc(2, true);
  void* a = MEM_Alloc(1, false);
  EXPECT_NE(a, nullptr);
  for (int i = 0; i < 4; i++) EXPECT_EQ(MEM_Alloc(1, false), nullptr) << i;
  MEM_FailNthAlloc(0);
  void* b = MEM_Alloc(1, false);
  EXPECT_NE(b, nullptr);
  MEM_Free(a);
  MEM_Free(b);
}

TEST_F(MemFailNthAlloc, CoversReallocAndHandles) {
  void* p = MEM_Alloc(4, false);
  MemHandle h = MEM_HandleNew(4, false);
  ASSERT_NE(p, nullptr);
  ASSERT_NE(h, nullptr);

  MEM_FailNthAlloc(1);
  Err err = 0;
  EXPECT_EQ(MEM_HandleNew(4, false, &err), nullptr);
  EXPECT_EQ(err, ERR_MEM_FULL);
  MEM_FailNthAlloc(1);
  EXPECT_EQ(ERR_MEM_FULL, MEM_HandleResize(h, 64));
  EXPECT_EQ(MEM_HandleSize(h), 4u);
  MEM_FailNthAlloc(2);  // the realloc ticks the hook too
  void* q = MEM_Realloc(p, 8, false);
  ASSERT_NE(q, nullptr);
  EXPECT_EQ(MEM_Alloc(1, false), nullptr);

  MEM_Free(q);
  MEM_HandleFree(h);
}

TEST_F(MemFailNthAlloc, LastStopClearsTheHook) {
  MEM_FailNthAlloc(1, true);
  MEM_Stop();
  ASSERT_EQ(0, MEM_Start());
  void* p = MEM_Alloc(1, false);
  EXPECT_NE(p, nullptr);
  MEM_Free(p);
}

}  // namespace
