// Tests of the form cache and of opening forms: the 22-byte little-endian
// record checked byte for byte, hits and misses (checksum, screen size, a
// size below 11), replace-or-append, a damaged file, a full disk that must
// leave the old cache whole, and GUI_FormOpen / GUI_FormClose end to end
// with definitions given as loose resource files (cache miss then hit, a
// changed definition missing the cache, a custom alert's arguments put in
// as plain text, failures that leave nothing open).
#include <gtest/gtest.h>

#include <filesystem>

#include "../../kova/plat_src/gui/gui_internal.h"
#include "form_builder.h"
#include "host_file.h"
#include "kova_fixture.h"

namespace {

const char* CACHE = "Cached_Forms_Data_BrnL_0.dat";

class GuiCache : public KovaTest {
 protected:
  void SetUp() override {
    KovaTest::SetUp();
    ASSERT_EQ(0, TXT_Start());
    GUI_SetTextSizeSetting(0);
    Fill(&form);
  }
  static void Fill(GuiForm* f) {
    f->resourceId = 0x01020304;
    f->checksum = 0xA0B0C0D0;
    f->type = FCC("ALRT");
    f->screenWidth = 360;
    f->screenHeight = 600;
    f->density = 150;
    f->rect = GfxRect{60, 235, 240, 130};
  }
  void TearDown() override {
    while (GUI_ActiveForm()) GUI_FormClose(GUI_ActiveForm());
    TXT_Stop();
    KovaTest::TearDown();
  }
  void WriteLoose(const char* type, uint32_t id, const std::vector<uint8_t>& body) {
    std::filesystem::create_directories(DataDir() + "/bin/bin.eng");
    WriteDataFile(FormLooseFileName(type, id), body);
  }

  GuiForm form;
};

// The record as the file layout gives it, written here byte by byte.
std::vector<uint8_t> Record(uint32_t id, uint32_t sum, const char* type, int sw, int sh, int d,
                            int w, int h) {
  std::vector<uint8_t> r;
  for (uint32_t v : {id, sum})
    for (int i = 0; i < 4; i++) r.push_back(uint8_t(v >> (8 * i)));
  for (int i = 3; i >= 0; i--) r.push_back(uint8_t(type[i]));  // a FourCC in host order
  for (int v : {sw, sh, d, w, h}) {
    r.push_back(uint8_t(v));
    r.push_back(uint8_t(v >> 8));
  }
  return r;
}

TEST_F(GuiCache, StoreWritesOneLittleEndianRecord) {
  ASSERT_EQ(0, GuiCacheStore(&form));
  EXPECT_EQ(Record(0x01020304, 0xA0B0C0D0, "ALRT", 360, 600, 150, 240, 130), ReadDataFile(CACHE));
  GuiCacheRecord r{};
  ASSERT_TRUE(GuiCacheLookup(&form, &r));
  EXPECT_EQ(150, r.density);
  EXPECT_EQ(240, r.width);
  EXPECT_EQ(130, r.height);
}

TEST_F(GuiCache, MissesOnChecksumScreenSizeTypeTinySizesAndPartialRecords) {
  ASSERT_EQ(0, GuiCacheStore(&form));
  GuiForm sum, screen, type;
  for (GuiForm* f : {&sum, &screen, &type}) Fill(f);
  sum.checksum ^= 1;
  screen.screenHeight = 480;
  type.type = FCC("FORM");
  for (GuiForm* f : {&sum, &screen, &type}) EXPECT_FALSE(GuiCacheLookup(f, nullptr));
  EXPECT_TRUE(GuiCacheLookup(&form, nullptr));
  WriteDataFile(CACHE, Record(0x01020304, 0xA0B0C0D0, "ALRT", 360, 600, 150, 240, 10));
  EXPECT_FALSE(GuiCacheLookup(&form, nullptr));
  std::filesystem::remove(DataDir() + "/" + CACHE);
  EXPECT_FALSE(GuiCacheLookup(&form, nullptr));
  // A trailing partial record is no record.
  std::vector<uint8_t> bytes = Record(0x01020304, 0xA0B0C0D0, "ALRT", 360, 600, 25, 240, 130);
  bytes.insert(bytes.end(), {1, 2, 3, 4, 5});
  WriteDataFile(CACHE, bytes);
  GuiCacheRecord r{};
  ASSERT_TRUE(GuiCacheLookup(&form, &r));
  EXPECT_EQ(25, r.density);
}

TEST_F(GuiCache, ReplacesItsOwnSlotAndAppendsOthers) {
  std::vector<uint8_t> first = Record(7, 1, "FORM", 320, 480, 100, 320, 480);
  WriteDataFile(CACHE, first);
  ASSERT_EQ(0, GuiCacheStore(&form));
  form.density = 75;
  form.checksum = 0x55;  // a changed definition replaces the record
  ASSERT_EQ(0, GuiCacheStore(&form));
  std::vector<uint8_t> want = first;
  std::vector<uint8_t> mine = Record(0x01020304, 0x55, "ALRT", 360, 600, 75, 240, 130);
  want.insert(want.end(), mine.begin(), mine.end());
  EXPECT_EQ(want, ReadDataFile(CACHE));
}

TEST_F(GuiCache, FullDiskKeepsTheOldCacheWhole) {
  std::vector<uint8_t> old = Record(7, 1, "FORM", 320, 480, 100, 320, 480);
  WriteDataFile(CACHE, old);
  HOST_SetFileOps(&HOST_FAULT_FILE_OPS);
  HostFaults faults{0, 0, 0, 0, 0, false, 0};  // no room to grow
  HOST_SetFaults(&faults);
  EXPECT_NE(0, GuiCacheStore(&form));
  HOST_SetFaults(nullptr);
  HOST_SetFileOps(nullptr);
  EXPECT_EQ(old, ReadDataFile(CACHE));
  EXPECT_FALSE(HostFileExists(DataDir() + "/Cached_Forms_Data_BrnL_0.new"));
}

std::vector<uint8_t> SmallDialog(const char* label) {
  FormBuilder b;
  b.Tokens("Iden 4000 Modl Rect Cntr Cntr Auto Auto").Object("TITL", "", {"Dialog"});
  b.Object("LABL", "", {label}).Object("BTNS", "", {"&OK"});
  return b.Bytes();
}

TEST_F(GuiCache, OpenStoresTheLayoutAndTheNextOpenUsesIt) {
  WriteLoose("FORM", 4000, SmallDialog("Hello"));
  GuiForm* f = nullptr;
  ASSERT_EQ(0, GUI_FormOpen(&f, 4000, 0, FCC("FORM"), nullptr));
  ASSERT_NE(nullptr, f);
  EXPECT_EQ(f, GUI_ActiveForm());
  ASSERT_NE(nullptr, f->surface);
  EXPECT_EQ(f->rect.w, f->surface->width);
  std::vector<uint8_t> cached = ReadDataFile(CACHE);
  ASSERT_EQ(22u, cached.size());
  std::vector<uint8_t> body = SmallDialog("Hello");
  EXPECT_EQ(Record(4000, GuiChecksum(body.data(), uint32_t(body.size())), "FORM", f->screenWidth,
                   f->screenHeight, f->density, f->rect.w, f->rect.h),
            cached);
  GUI_FormClose(f);
  EXPECT_EQ(nullptr, GUI_ActiveForm());
  // A cached density the search would never choose proves the hit.
  cached[16] = 13;
  cached[17] = 0;
  WriteDataFile(CACHE, cached);
  ASSERT_EQ(0, GUI_FormOpen(&f, 4000, 0, FCC("FORM"), nullptr));
  EXPECT_EQ(13, f->density);
  GUI_FormClose(f);
  // A changed definition misses the cache and is searched again.
  WriteLoose("FORM", 4000, SmallDialog("Hello again"));
  ASSERT_EQ(0, GUI_FormOpen(&f, 4000, 0, FCC("FORM"), nullptr));
  EXPECT_NE(13, f->density);
  EXPECT_EQ(22u, ReadDataFile(CACHE).size());  // the record was replaced
  GUI_FormClose(f);
}

TEST_F(GuiCache, CustomAlertPutsArgumentsInAsTextAndSkipsTheCache) {
  FormBuilder b("ALRT");
  b.Tokens("Iden 4100 Errr").Begin("MESS").Text("Got %s items, %hd left %d; %s.").End();
  b.Begin("BTNS").Text("&OK").End();
  WriteLoose("ALRT", 4100, b.Bytes());
  const char* args[] = {"50%s", "%hd7", nullptr};
  GuiForm* f = nullptr;
  ASSERT_EQ(0, GUI_FormOpen(&f, 4100, GUI_OPEN_CUSTOM_ALERT, FCC("ALRT"), args));
  EXPECT_EQ("Got 50%s items, %hd7 left %d; .", f->objects.at(0)->strings.at(0));
  EXPECT_TRUE(f->flags & FORM_CUSTOM_ALERT);
  EXPECT_TRUE(f->flags & FORM_ALERT);
  EXPECT_EQ(0, GuiCountCollisions(f, false));
  EXPECT_FALSE(HostFileExists(DataDir() + "/" + CACHE));
  GUI_FormClose(f);
}

TEST_F(GuiCache, FailedOpensLeaveNothingOpen) {
  GuiForm* f = reinterpret_cast<GuiForm*>(1);
  EXPECT_EQ(-1, GUI_FormOpen(&f, 4999, 0, FCC("FORM"), nullptr));
  EXPECT_EQ(nullptr, f);
  std::vector<uint8_t> damaged = SmallDialog("x");
  damaged[7] += 8;  // the length runs past the body
  WriteLoose("FORM", 4001, damaged);
  EXPECT_EQ(GUI_ERR_PARSE, GUI_FormOpen(&f, 4001, 0, FCC("FORM"), nullptr));
  EXPECT_EQ(nullptr, f);
  EXPECT_TRUE(GuiGlobal()->forms.empty());
  GUI_FormClose(nullptr);  // ignored
}

TEST_F(GuiCache, EveryFailedAllocationLeavesNothingOpen) {
  WriteLoose("FORM", 4000, SmallDialog("Hello"));
  int surfaceFailures = 0, opened = 0;
  for (uint32_t n = 1; n <= 60; n++) {
    MEM_FailNthAlloc(n);
    GuiForm* f = nullptr;
    Err err = GUI_FormOpen(&f, 4000, 0, FCC("FORM"), nullptr);
    MEM_FailNthAlloc(0);
    if (err == 0) {  // the failure hit something the open can do without
      opened++;
      GUI_FormClose(f);
      continue;
    }
    EXPECT_TRUE(err == ERR_FORM_SURFACE || err == ERR_MEM_FULL) << n << ": " << err;
    EXPECT_EQ(nullptr, f);
    EXPECT_TRUE(GuiGlobal()->forms.empty()) << n;
    surfaceFailures += err == ERR_FORM_SURFACE;
  }
  EXPECT_GE(surfaceFailures, 1);
  EXPECT_GE(opened, 1);
}

TEST_F(GuiCache, ClosingTheTopFormReactivatesTheOneBelow) {
  WriteLoose("FORM", 4000, SmallDialog("Hello"));
  WriteLoose("FORM", 4002, FormBuilder().Tokens("Tagg Main").Bytes());
  GuiForm *below = nullptr, *top = nullptr;
  ASSERT_EQ(0, GUI_FormOpen(&below, 4002, 0, 0, nullptr));
  ASSERT_EQ(0, GUI_FormOpen(&top, 4000, 0, FCC("FORM"), nullptr));
  EXPECT_EQ(FCC("Main"), GUI_FormTag(below));
  EXPECT_EQ(4002u, GUI_FormId(below));
  below->flags &= ~FORM_REDRAW;
  GUI_FormClose(top);
  EXPECT_EQ(below, GUI_ActiveForm());
  EXPECT_TRUE(below->flags & FORM_REDRAW);
}

}  // namespace
