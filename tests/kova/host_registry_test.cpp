// Tests of the host's keyed module globals and its notification registry:
// allocation order and zero fill, the missing-key and allocation-failure
// codes, removal with the hole filled by the last entry, and broadcasts in
// registration order after the application's hook.
#include <string>

#include "host_fixture.h"

namespace {

using HostGlobals = HostTest;

TEST_F(HostGlobals, BlocksAreZeroFilledAndFoundAgain) {
  void* a = nullptr;
  ASSERT_EQ(0, HOST_GlobalsAlloc(0x1234, 100, &a));
  ASSERT_NE(a, nullptr);
  for (int i = 0; i < 100; i++) ASSERT_EQ(static_cast<uint8_t*>(a)[i], 0) << i;
  static_cast<uint8_t*>(a)[99] = 7;
  void* again = nullptr;
  ASSERT_EQ(0, HOST_GlobalsGet(0x1234, &again));
  EXPECT_EQ(again, a);
  EXPECT_EQ(static_cast<uint8_t*>(again)[99], 7);
}

TEST_F(HostGlobals, ListKeepsAllocationOrder) {
  const uint16_t keys[] = {0xF800, 0x0001, 0xF000, 0xF700};
  for (uint16_t key : keys) ASSERT_EQ(0, HOST_GlobalsAlloc(key, 8, nullptr));
  ASSERT_EQ(HOST_GlobalsCount(), 4u);
  for (uint32_t i = 0; i < 4; i++) EXPECT_EQ(HOST_GlobalsKeyAt(i), keys[i]);
  HOST_GlobalsFree(0x0001);
  EXPECT_EQ(HOST_GlobalsCount(), 3u);
  EXPECT_EQ(HOST_GlobalsKeyAt(1), 0xF000);
  EXPECT_EQ(HOST_GlobalsKeyAt(3), 0);
}

TEST_F(HostGlobals, KeyNeverAllocatedIsMissing) {
  void* p = reinterpret_cast<void*>(1);
  EXPECT_EQ(Err(0xF403), HOST_GlobalsGet(0xF800, &p));
  EXPECT_EQ(p, nullptr);
  EXPECT_EQ(ERR_GLOBALS_MISSING, HOST_GlobalsGet(0xF800, nullptr));
}

TEST_F(HostGlobals, FreedKeyIsMissingAndItsBlockReleased) {
  uint32_t before = MEM_LiveBlocks();
  ASSERT_EQ(0, HOST_GlobalsAlloc(0xF700, 16, nullptr));
  EXPECT_EQ(MEM_LiveBlocks(), before + 1);
  HOST_GlobalsFree(0xF700);
  EXPECT_EQ(MEM_LiveBlocks(), before);
  EXPECT_EQ(ERR_GLOBALS_MISSING, HOST_GlobalsGet(0xF700, nullptr));
  HOST_GlobalsFree(0xF700);  // an unknown key is ignored
  // A new block under the freed key starts from zero again.
  void* p = nullptr;
  ASSERT_EQ(0, HOST_GlobalsAlloc(0xF700, 16, &p));
  EXPECT_EQ(static_cast<uint8_t*>(p)[0], 0);
}

TEST_F(HostGlobals, AllocationFailureLeavesNothing) {
  void* p = reinterpret_cast<void*>(1);
  MEM_FailNthAlloc(1);
  EXPECT_EQ(Err(0xF204), HOST_GlobalsAlloc(0x0042, 10, &p));
  EXPECT_EQ(p, reinterpret_cast<void*>(1));
  EXPECT_EQ(ERR_GLOBALS_MISSING, HOST_GlobalsGet(0x0042, nullptr));
  EXPECT_EQ(ERR_MEM_FULL, HOST_GlobalsAlloc(0x0043, MEM_MAX_BLOCK, nullptr));
  EXPECT_EQ(HOST_GlobalsCount(), 0u);
}

TEST_F(HostGlobals, SecondAllocationOfAKey) {
  void* a = nullptr;
  void* b = nullptr;
  ASSERT_EQ(0, HOST_GlobalsAlloc(0x0010, 32, &a));
  EXPECT_EQ(0, HOST_GlobalsAlloc(0x0010, 32, &b));
  EXPECT_EQ(a, b);
  EXPECT_EQ(ERR_MEM_BAD_ARG, HOST_GlobalsAlloc(0x0010, 64, &b));
  EXPECT_EQ(HOST_GlobalsCount(), 1u);
}

// A log of notification calls, written by the callbacks below.
std::string g_log;

Err LogA(FourCC, uintptr_t arg1, uintptr_t data, uintptr_t arg2) {
  g_log +=
      "A(" + std::to_string(arg1) + "," + std::to_string(data) + "," + std::to_string(arg2) + ")";
  return 0;
}
Err LogB(FourCC, uintptr_t, uintptr_t data, uintptr_t) {
  g_log += "B" + std::to_string(data);
  return 0;
}
Err LogC(FourCC, uintptr_t, uintptr_t, uintptr_t) {
  g_log += "C";
  return 0;
}
Err Hook(FourCC code, uintptr_t, uintptr_t data, uintptr_t) {
  g_log += "hook" + std::to_string(data) + (code == FCC("DISP") ? "D" : "?");
  return 0;
}
// Unregisters itself while the broadcast runs.
Err Once(FourCC code, uintptr_t, uintptr_t, uintptr_t) {
  g_log += "O";
  (void)HOST_NotifyUnregister(code, Once);
  return 0;
}

class HostNotify : public HostTest {
 protected:
  void SetUp() override {
    HostTest::SetUp();
    g_log.clear();
  }
  static FourCC CodeAt(uint32_t i) {
    FourCC c = 0;
    EXPECT_TRUE(HOST_NotifyEntry(i, &c, nullptr, nullptr));
    return c;
  }
};

TEST_F(HostNotify, TwoCallbacksForOneCodeAreCalledInOrder) {
  ASSERT_EQ(0, HOST_NotifyRegister(FCC("DISP"), LogB, 2));
  ASSERT_EQ(0, HOST_NotifyRegister(FCC("DISP"), LogA, 9));
  EXPECT_EQ(0, HOST_NotifyBroadcast(FCC("DISP"), 5, 6));
  EXPECT_EQ(g_log, "B2A(5,9,6)");
}

TEST_F(HostNotify, OnlyMatchingCodesAreCalled) {
  ASSERT_EQ(0, HOST_NotifyRegister(FCC("SUSP"), LogC, 0));
  ASSERT_EQ(0, HOST_NotifyRegister(FCC("RSME"), LogB, 1));
  EXPECT_EQ(0, HOST_NotifyBroadcast(FCC("RSME"), 0, 0));
  EXPECT_EQ(g_log, "B1");
}

TEST_F(HostNotify, NobodyListeningGivesNotHandled) {
  EXPECT_EQ(Err(0xF100), HOST_NotifyBroadcast(FCC("DISP"), 0, 0));
  ASSERT_EQ(0, HOST_NotifyRegister(FCC("SUSP"), LogC, 0));
  EXPECT_EQ(ERR_HOST_NOT_HANDLED, HOST_NotifyBroadcast(FCC("DISP"), 0, 0));
  EXPECT_EQ(g_log, "");
}

TEST_F(HostNotify, ApplicationHookComesFirstAndDoesNotCount) {
  HOST_SetAppNotifyHook(Hook);
  EXPECT_EQ(ERR_HOST_NOT_HANDLED, HOST_NotifyBroadcast(FCC("DISP"), 1, 2));
  EXPECT_EQ(g_log, "hook0D");
  g_log.clear();
  ASSERT_EQ(0, HOST_NotifyRegister(FCC("DISP"), LogC, 0));
  EXPECT_EQ(0, HOST_NotifyBroadcast(FCC("DISP"), 1, 2));
  EXPECT_EQ(g_log, "hook0DC");
}

TEST_F(HostNotify, UnregisteringTheFirstOfThreeMovesTheThirdFirst) {
  ASSERT_EQ(0, HOST_NotifyRegister(FCC("DISP"), LogA, 0));
  ASSERT_EQ(0, HOST_NotifyRegister(FCC("SUSP"), LogB, 0));
  ASSERT_EQ(0, HOST_NotifyRegister(FCC("RSME"), LogC, 0));
  EXPECT_EQ(1u, HOST_NotifyUnregister(FCC("DISP"), LogA));
  ASSERT_EQ(HOST_NotifyCount(), 2u);
  EXPECT_EQ(CodeAt(0), FCC("RSME"));
  EXPECT_EQ(CodeAt(1), FCC("SUSP"));
}

TEST_F(HostNotify, UnregisterRemovesEveryMatchOfCodeAndCallback) {
  ASSERT_EQ(0, HOST_NotifyRegister(FCC("DISP"), LogA, 1));
  ASSERT_EQ(0, HOST_NotifyRegister(FCC("DISP"), LogB, 2));
  ASSERT_EQ(0, HOST_NotifyRegister(FCC("DISP"), LogA, 3));
  ASSERT_EQ(0, HOST_NotifyRegister(FCC("SUSP"), LogA, 4));
  ASSERT_EQ(0, HOST_NotifyRegister(FCC("DISP"), LogA, 5));
  EXPECT_EQ(3u, HOST_NotifyUnregister(FCC("DISP"), LogA));
  ASSERT_EQ(HOST_NotifyCount(), 2u);
  EXPECT_EQ(0u, HOST_NotifyUnregister(FCC("EJCT"), LogA));
  EXPECT_EQ(0, HOST_NotifyBroadcast(FCC("DISP"), 0, 0));
  EXPECT_EQ(g_log, "B2");
}

TEST_F(HostNotify, CallbackMayUnregisterItselfDuringABroadcast) {
  ASSERT_EQ(0, HOST_NotifyRegister(FCC("DISP"), Once, 0));
  ASSERT_EQ(0, HOST_NotifyRegister(FCC("DISP"), LogB, 1));
  ASSERT_EQ(0, HOST_NotifyRegister(FCC("DISP"), LogC, 0));
  EXPECT_EQ(0, HOST_NotifyBroadcast(FCC("DISP"), 0, 0));
  // The last entry moved into the hole and was still called once; the
  // second entry too.
  EXPECT_EQ(g_log, "OCB1");
  g_log.clear();
  EXPECT_EQ(0, HOST_NotifyBroadcast(FCC("DISP"), 0, 0));
  EXPECT_EQ(g_log, "CB1");
}

TEST_F(HostNotify, ManyEntriesGrowTheRegistry) {
  for (uintptr_t i = 0; i < 100; i++) ASSERT_EQ(0, HOST_NotifyRegister(FCC("INSR"), LogB, i));
  EXPECT_EQ(HOST_NotifyCount(), 100u);
  EXPECT_EQ(0, HOST_NotifyBroadcast(FCC("INSR"), 0, 0));
  std::string expected;
  for (int i = 0; i < 100; i++) expected += "B" + std::to_string(i);
  EXPECT_EQ(g_log, expected);
}

TEST_F(HostNotify, RegistrationFailsCleanlyWhenMemoryRunsOut) {
  MEM_FailNthAlloc(1);
  EXPECT_EQ(ERR_MEM_FULL, HOST_NotifyRegister(FCC("DISP"), LogC, 0));
  EXPECT_EQ(HOST_NotifyCount(), 0u);
  EXPECT_EQ(0, HOST_NotifyRegister(FCC("DISP"), LogC, 0));
}

}  // namespace
