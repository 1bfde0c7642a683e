// The resource store reader: stores built by an independent byte builder and
// appended to a fake executable, the loose-file fallback, name tables, lock
// counts and the bounded cache, and damaged stores (trailer, directory and
// bodies pointing past the file) that must give no resource and never crash.
#include <filesystem>
#include <string>

#include "kova_fixture.h"
#include "kova_res.h"
#include "res_store_image.h"

namespace {

class Res : public KovaTest {
 protected:
  void TearDown() override {
    RES_Close();
    KovaTest::TearDown();
  }
  // Writes `bytes` as the "executable" and opens its store.
  Err OpenStore(const Bytes& bytes) {
    exe_ = TempDir() + "/brantel-exe";
    WriteHostFile(exe_, bytes);
    return RES_Open(exe_.c_str());
  }
  // Writes a loose resource file below the data folder.
  void WriteLoose(const std::string& name, const Bytes& body) {
    std::filesystem::create_directories(DataDir() + "/bin/bin.eng");
    WriteHostFile(DataDir() + "/bin/bin.eng/" + name, body);
  }
  static Bytes Body(ResHandle h) { return Bytes(RES_Data(h), RES_Data(h) + RES_Size(h)); }
  static std::string String(uint32_t idOrName) {
    char buffer[256];
    Err err = RES_GetString(idOrName, buffer, sizeof buffer);
    return err == 0 ? std::string(buffer) : "<missing>";
  }
  std::string exe_;
};

// --- opening -----------------------------------------------------------------

TEST_F(Res, FileWithoutTrailerIsAnEmptyStoreAndFallsBackToLooseFiles) {
  EXPECT_EQ(ERR_READ, OpenStore(TextBytes("just an executable, no store at all", false)));
  EXPECT_FALSE(RES_StoreLoaded());
  WriteLoose("tSTR00000005.bin", TextBytes("loose text"));
  testing::internal::CaptureStderr();
  DBG_SetLevel(DBG_LEVEL_VERBOSE);
  ResHandle h = nullptr;
  ASSERT_EQ(0, RES_Get(&h, RES_TYPE_STRING, 5));
  std::string log = testing::internal::GetCapturedStderr();
  EXPECT_EQ(Body(h), TextBytes("loose text"));
  EXPECT_FALSE(RES_IsCached(RES_TYPE_STRING, 5));
  std::string path = DataDir() + "/bin/bin.eng/tSTR00000005.bin";
  EXPECT_NE(log.find("Opened debug resource " + path + " size 11\n"), std::string::npos) << log;
  RES_Release(&h);
  EXPECT_EQ(h, nullptr);
  ResHandle none = reinterpret_cast<ResHandle>(0x1);
  EXPECT_EQ(ERR_FILE, RES_Get(&none, RES_TYPE_STRING, 6));
  EXPECT_EQ(none, reinterpret_cast<ResHandle>(0x1));  // left unchanged
}

TEST_F(Res, MissingExecutableIsAnOpenFailureAndAnEmptyStore) {
  EXPECT_EQ(ERR_OPEN_FAILED, RES_Open((TempDir() + "/no-such-program").c_str()));
  EXPECT_FALSE(RES_StoreLoaded());
  WriteLoose("ALRT000003e8.bin", TextBytes("ALRT"));
  ResHandle h = nullptr;
  ASSERT_EQ(0, RES_Get(&h, RES_TYPE_ALERT, 1000));
  EXPECT_EQ(RES_Size(h), 5u);
  RES_Release(&h);
}

TEST_F(Res, FileLayerStartSurvivesAMissingStore) {
  // The fixture's executable path does not exist: the layer started anyway.
  EXPECT_TRUE(FIL_LayerStarted());
  EXPECT_FALSE(RES_StoreLoaded());
}

// --- lookups -----------------------------------------------------------------

TEST_F(Res, ReadsEveryEntryOfABuiltStore) {
  Bytes big(3000);
  for (size_t i = 0; i < big.size(); i++) big[i] = uint8_t(i * 7);
  Bytes store = StoreBuilder()
                    .String(1, "one")
                    .Add(FCC("BMAP"), 1, big)
                    .Add(FCC("WAVE"), 7, {})
                    .String(2, "two")
                    .Build();
  ASSERT_EQ(0, OpenStore(store));
  EXPECT_TRUE(RES_StoreLoaded());
  for (const StoreEntry& e : ParseStore(store)) {
    ResHandle h = nullptr;
    ASSERT_EQ(0, RES_Get(&h, e.type, e.id)) << e.id;
    EXPECT_EQ(Body(h), BodyOf(store, e));
    EXPECT_EQ(RES_LockCount(h), 1);
    RES_Release(&h);
  }
  EXPECT_EQ(String(2), "two");
  EXPECT_EQ(RES_CachedTotal(), 4u + 3000u + 0u + 4u);
}

TEST_F(Res, TheEntryNearerTheDirectoryEndWins) {
  ASSERT_EQ(0, OpenStore(StoreBuilder().String(9, "first").String(9, "second").Build()));
  EXPECT_EQ(String(9), "second");
}

TEST_F(Res, NameTableNearerTheDirectoryEndIsTheOneFound) {
  Bytes shadowed = StoreBuilder::NameTable(
      {NameRow(RES_TYPE_FORM, FCC("Keyb"), 10001), NameRow(RES_TYPE_STRING, FCC("Old!"), 3)});
  Bytes full = StoreBuilder::NameTable({NameRow(RES_TYPE_FORM, FCC("Keyb"), 10001),
                                        NameRow(RES_TYPE_STRING, FCC("NAME"), 4),
                                        NameRow(RES_TYPE_ALERT, FCC("NAME"), 5)});
  ASSERT_EQ(0, OpenStore(StoreBuilder()
                             .Add(RES_TYPE_NAME_TABLE, 1, shadowed)
                             .String(3, "three")
                             .String(4, "Brantel")
                             .Add(RES_TYPE_NAME_TABLE, 1, full)
                             .Build()));
  ResHandle table = nullptr;
  ASSERT_EQ(0, RES_Get(&table, RES_TYPE_NAME_TABLE, 1));
  EXPECT_EQ(Body(table), full);
  RES_Release(&table);
  EXPECT_EQ(RES_NameToId(RES_TYPE_FORM, FCC("Keyb")), 10001u);
  EXPECT_EQ(RES_NameToId(RES_TYPE_STRING, FCC("NAME")), 4u);
  EXPECT_EQ(RES_NameToId(RES_TYPE_ALERT, FCC("NAME")), 5u);            // the type counts
  EXPECT_EQ(RES_NameToId(RES_TYPE_STRING, FCC("Old!")), FCC("Old!"));  // shadowed
  EXPECT_EQ(String(FCC("NAME")), "Brantel");
  EXPECT_EQ(RES_IdToName(RES_TYPE_STRING, 4), FCC("NAME"));
  EXPECT_EQ(RES_IdToName(RES_TYPE_STRING, 77), 77u);
}

TEST_F(Res, ANameWithItsUpperHalfClearIsANumberWithoutTheTable) {
  // A row that would map the value 7 to 99 if the table were consulted.
  Bytes table = StoreBuilder::NameTable({NameRow(RES_TYPE_STRING, 7, 99)});
  ASSERT_EQ(0, OpenStore(StoreBuilder()
                             .Add(RES_TYPE_NAME_TABLE, 1, table)
                             .String(7, "seven")
                             .String(99, "ninety-nine")
                             .Build()));
  EXPECT_EQ(RES_NameToId(RES_TYPE_STRING, 7), 7u);
  EXPECT_EQ(String(7), "seven");
  EXPECT_FALSE(RES_IsCached(RES_TYPE_NAME_TABLE, 1));
  EXPECT_EQ(RES_NameToId(RES_TYPE_NAME_TABLE, FCC("Abcd")), FCC("Abcd"));
}

TEST_F(Res, StringsAreCutToTheBufferAndAlwaysEnd) {
  ASSERT_EQ(0, OpenStore(StoreBuilder()
                             .String(1, "abcdef")
                             .Add(RES_TYPE_STRING, 2, TextBytes("no zero byte", false))
                             .Add(RES_TYPE_STRING, 3, {})
                             .Build()));
  char buffer[4] = {'x', 'x', 'x', 'x'};
  EXPECT_EQ(0, RES_GetString(1, buffer, sizeof buffer));
  EXPECT_STREQ(buffer, "abc");
  EXPECT_EQ(String(2), "no zero byte");
  EXPECT_EQ(String(3), "");
  EXPECT_EQ(ERR_FILE, RES_GetString(4, buffer, sizeof buffer));
  EXPECT_STREQ(buffer, "");
  EXPECT_EQ(0, RES_GetString(1, nullptr, 0));
}

// --- lock counts and the cache -------------------------------------------------

TEST_F(Res, SameResourceTwiceIsOneNodeWithTwoLocks) {
  ASSERT_EQ(0, OpenStore(StoreBuilder().String(1, "one").Build()));
  ResHandle a = nullptr, b = nullptr;
  ASSERT_EQ(0, RES_Get(&a, RES_TYPE_STRING, 1));
  ASSERT_EQ(0, RES_Get(&b, RES_TYPE_STRING, 1));
  EXPECT_EQ(a, b);
  EXPECT_EQ(RES_LockCount(a), 2);
  ResHandle keep = a;
  RES_Release(&a);
  RES_Release(&b);
  EXPECT_EQ(RES_LockCount(keep), 0);
  EXPECT_TRUE(RES_IsCached(RES_TYPE_STRING, 1));
  RES_Release(nullptr);
  RES_Release(&a);  // already null
  EXPECT_EQ(RES_Size(nullptr), 0u);
  EXPECT_EQ(RES_Data(nullptr), nullptr);
}

TEST_F(Res, UnlockedNodesStayCachedUntilTheTotalPassesTheLimit) {
  StoreBuilder builder;
  for (uint32_t id = 1; id <= 5; id++) builder.Add(FCC("BMAP"), id, Bytes(20000, uint8_t(id)));
  ASSERT_EQ(0, OpenStore(builder.Build()));
  for (uint32_t id = 1; id <= 3; id++) {
    ResHandle h = nullptr;
    ASSERT_EQ(0, RES_Get(&h, FCC("BMAP"), id));
    RES_Release(&h);
  }
  // 60,000 bytes: all three stay.
  EXPECT_EQ(RES_CachedTotal(), 60000u);
  for (uint32_t id = 1; id <= 3; id++) EXPECT_TRUE(RES_IsCached(FCC("BMAP"), id));
  // Touch 1 so that 2 is the least recently used, then pass the limit.
  ResHandle h = nullptr;
  ASSERT_EQ(0, RES_Get(&h, FCC("BMAP"), 1));
  RES_Release(&h);
  ASSERT_EQ(0, RES_Get(&h, FCC("BMAP"), 4));
  RES_Release(&h);
  EXPECT_FALSE(RES_IsCached(FCC("BMAP"), 2));
  EXPECT_TRUE(RES_IsCached(FCC("BMAP"), 1));
  EXPECT_TRUE(RES_IsCached(FCC("BMAP"), 3));
  EXPECT_EQ(RES_CachedTotal(), 60000u);
}

TEST_F(Res, LockedNodesAreNeverEvicted) {
  StoreBuilder builder;
  for (uint32_t id = 1; id <= 4; id++) builder.Add(FCC("BMAP"), id, Bytes(40000, uint8_t(id)));
  builder.Add(FCC("BMAP"), 5, Bytes(100, 5));
  ASSERT_EQ(0, OpenStore(builder.Build()));
  ResHandle held[4] = {};
  for (uint32_t id = 1; id <= 4; id++) ASSERT_EQ(0, RES_Get(&held[id - 1], FCC("BMAP"), id));
  // Every load tried to evict, but all four are locked.
  EXPECT_EQ(RES_CachedTotal(), 160000u);
  for (uint32_t id = 1; id <= 4; id++) EXPECT_EQ(Body(held[id - 1]), Bytes(40000, uint8_t(id)));
  for (uint32_t id = 2; id <= 4; id++) RES_Release(&held[id - 1]);
  // The next load frees unlocked nodes from the least recently used end,
  // passing over the locked one, until the total is within the limit.
  ResHandle h = nullptr;
  ASSERT_EQ(0, RES_Get(&h, FCC("BMAP"), 5));
  EXPECT_TRUE(RES_IsCached(FCC("BMAP"), 1));
  for (uint32_t id = 2; id <= 4; id++) EXPECT_FALSE(RES_IsCached(FCC("BMAP"), id)) << id;
  EXPECT_EQ(RES_CachedTotal(), 40100u);
  EXPECT_EQ(Body(held[0]), Bytes(40000, 1));
  RES_Release(&h);
  RES_Release(&held[0]);
}

TEST_F(Res, AFailedAllocationGivesNoHandleAndLeavesTheCacheSound) {
  ASSERT_EQ(0, OpenStore(StoreBuilder().String(1, "one").String(2, "two").Build()));
  MEM_FailNthAlloc(1);
  ResHandle h = nullptr;
  EXPECT_EQ(ERR_MEM_FULL, RES_Get(&h, RES_TYPE_STRING, 1));
  EXPECT_EQ(h, nullptr);
  EXPECT_EQ(RES_CachedTotal(), 0u);
  EXPECT_EQ(String(1), "one");
}

// --- damaged stores ------------------------------------------------------------

TEST_F(Res, DamagedTrailerOrDirectoryGivesAnEmptyStore) {
  Bytes good = StoreBuilder().String(1, "one").Build();
  size_t n = good.size();
  struct Case {
    const char* what;
    size_t at;
    uint32_t value;
  } cases[] = {
      {"directory offset past the file", n - 8, uint32_t(n)},
      {"directory size past the file", n - 4, 1600},
      {"directory size not whole entries", n - 4, 15},
      {"directory running into the trailer", n - 8, uint32_t(n - 12 - 8)},
      {"huge directory offset", n - 8, 0xFFFFFFF0u},
  };
  for (const Case& c : cases) {
    Bytes bad = good;
    Put32BE(&bad[c.at], c.value);
    EXPECT_EQ(ERR_READ, OpenStore(bad)) << c.what;
    EXPECT_FALSE(RES_StoreLoaded()) << c.what;
    EXPECT_EQ("<missing>", String(1)) << c.what;
  }
  EXPECT_EQ(ERR_READ, OpenStore(TextBytes("TRES", false)));  // shorter than a trailer
  EXPECT_EQ(ERR_READ, OpenStore({}));
}

TEST_F(Res, EntriesPointingPastTheFileGiveNoResource) {
  Bytes store = StoreBuilder().String(1, "one").String(2, "two").String(3, "three").Build();
  uint32_t dirOffset = 0;
  std::vector<StoreEntry> entries = ParseStore(store, &dirOffset);
  Put32BE(&store[dirOffset + 8], uint32_t(store.size()) + 100);  // entry 0: offset past the end
  Put32BE(&store[dirOffset + 16 + 12], 0xFFFFFFFFu);             // entry 1: size past the end
  ASSERT_EQ(0, OpenStore(store));
  ResHandle h = nullptr;
  EXPECT_EQ(ERR_FILE, RES_Get(&h, RES_TYPE_STRING, 1));
  EXPECT_EQ(ERR_FILE, RES_Get(&h, RES_TYPE_STRING, 2));
  EXPECT_EQ(h, nullptr);
  EXPECT_EQ(String(3), "three");
}

TEST_F(Res, AStoreThatShrankAfterOpeningGivesNoResource) {
  Bytes store = StoreBuilder().String(1, "one").String(2, "two").Build();
  ASSERT_EQ(0, OpenStore(store));
  std::filesystem::resize_file(exe_, 10);
  ResHandle h = nullptr;
  EXPECT_EQ(ERR_READ, RES_Get(&h, RES_TYPE_STRING, 2));
  EXPECT_EQ(h, nullptr);
}

TEST_F(Res, DamagedNameTablesAreReadOnlyInsideTheirBody) {
  Bytes table = StoreBuilder::NameTable(
      {NameRow(RES_TYPE_STRING, FCC("Good"), 1), NameRow(RES_TYPE_STRING, FCC("Cut!"), 2)});
  Put32BE(&table[4], 0x7FFFFFF0u);  // claims far more rows than the body holds
  table.resize(table.size() - 4);   // the last row is cut short
  ASSERT_EQ(0, OpenStore(StoreBuilder()
                             .Add(RES_TYPE_NAME_TABLE, 1, table)
                             .String(1, "good")
                             .String(2, "cut")
                             .Build()));
  EXPECT_EQ(RES_NameToId(RES_TYPE_STRING, FCC("Good")), 1u);
  EXPECT_EQ(RES_NameToId(RES_TYPE_STRING, FCC("Cut!")), FCC("Cut!"));
  ASSERT_EQ(0,
            OpenStore(StoreBuilder().Add(RES_TYPE_NAME_TABLE, 1, TextBytes("TT", false)).Build()));
  EXPECT_EQ(RES_NameToId(RES_TYPE_STRING, FCC("Good")), FCC("Good"));
}

}  // namespace
