// Contact picture files: the box sizing rules (fit, cover, tall, wide, a
// zoom kept while it leaves the box partly free), import into a 16-bit
// surface with its colours where they belong, progress only for pictures
// of 320 rows or more, aborts, and export at the preference quality as a
// plain JPEG file (its quantisation table checked against the standard
// table, no database header anywhere in it).
#include "picture.h"

#include <algorithm>
#include <string>
#include <vector>

#include "kova_fixture.h"
#include "prefs.h"

namespace {

struct Size {
  int16_t w, h;
  bool operator==(const Size&) const = default;
};
std::ostream& operator<<(std::ostream& os, const Size& s) { return os << s.w << "x" << s.h; }

Size Target(int w, int h, int bw, int bh, int scale, bool cover) {
  Size s{-1, -1};
  PictureTargetSize(int16_t(w), int16_t(h), int16_t(bw), int16_t(bh), int16_t(scale), cover, &s.w,
                    &s.h);
  return s;
}

// The first 8-bit quantisation table with id 0, in stored (zigzag) order:
// walks the segments after SOI up to the scan.
std::vector<int> LumaTable(const std::vector<uint8_t>& b) {
  for (size_t p = 2; p + 4 <= b.size() && b[p] == 0xFF && b[p + 1] != 0xDA;) {
    size_t len = size_t(b[p + 2]) << 8 | b[p + 3];
    if (b[p + 1] == 0xDB && len >= 67 && b[p + 4] == 0x00)
      return std::vector<int>(b.begin() + long(p + 5), b.begin() + long(p + 69));
    p += 2 + len;
  }
  return {};
}

// Standard luminance table entries 0-5 in zigzag order: 16 11 12 14 12 10.
const int kLumaHead[6] = {16, 11, 12, 14, 12, 10};

class Pictures : public KovaTest {
 protected:
  void SetUp() override {
    KovaTest::SetUp();
    savedQuality_ = g_prefs.jpegQuality;
    g_prefs.jpegQuality = 50;
    baseline_ = MEM_LiveBlocks();
  }
  void TearDown() override {
    IMG_SurfaceFree(&surface_);
    g_prefs.jpegQuality = savedQuality_;
    EXPECT_EQ(baseline_, MEM_LiveBlocks()) << "a block leaked";
    KovaTest::TearDown();
  }
  // Writes a w × h picture, left half red and right half blue, as `name`.
  void WritePicture(const char* name, int16_t w, int16_t h) {
    ImgSurface* s = nullptr;
    ASSERT_EQ(0, IMG_SurfaceNew(&s, w, h, IMG_DEPTH_24));
    for (int16_t y = 0; y < h; y++)
      for (int16_t x = 0; x < w; x++) IMG_SetPixel(s, x, y, x < w / 2 ? 0xFF0000 : 0x0000FF);
    ASSERT_EQ(0, JPG_EncodeFile(s, 90, VOL_DOCUMENTS, "!", name, nullptr, 0));
    IMG_SurfaceFree(&s);
  }
  Err Import(const char* name, int bw, int bh, int scale, bool cover, Size* size,
             ImgRowFn progress = nullptr, uintptr_t arg = 0) {
    IMG_SurfaceFree(&surface_);
    return PictureImport(VOL_DOCUMENTS, "!", name, int16_t(bw), int16_t(bh), int16_t(scale), cover,
                         &surface_, &size->w, &size->h, progress, arg);
  }
  uint16_t savedQuality_ = 0;
  uint32_t baseline_ = 0;
  ImgSurface* surface_ = nullptr;
};

using PictureSize = Pictures;
using PictureImporting = Pictures;
using PictureExporting = Pictures;

struct RowCount {
  int calls = 0;
  int stopAt = -1;
};
bool CountRow(int32_t done, int32_t, uintptr_t arg) {
  auto* c = reinterpret_cast<RowCount*>(arg);
  c->calls++;
  return done != c->stopAt;
}

// --- sizing ---

TEST_F(PictureSize, FittingKeepsProportionsInsideTheBox) {
  EXPECT_EQ((Size{50, 25}), Target(200, 100, 50, 50, 256, false));  // wide
  EXPECT_EQ((Size{25, 50}), Target(100, 200, 50, 50, 256, false));  // tall
  EXPECT_EQ((Size{50, 50}), Target(80, 80, 50, 50, 256, false));    // square
  EXPECT_EQ((Size{72, 72}), Target(10, 10, 72, 72, 256, false));    // small ones grow
  EXPECT_EQ((Size{50, 1}), Target(1000, 1, 50, 50, 256, false));    // never 0 rows
  EXPECT_EQ((Size{50, 25}), Target(200, 100, 50, 50, 1, false));    // the zoom is not used
}

TEST_F(PictureSize, FittingAnUnevenBoxNeverSpillsOut) {
  // A 4:3 picture in a 2:1 box meets the box's height, not its width.
  EXPECT_EQ((Size{66, 50}), Target(200, 150, 100, 50, 256, false));
  EXPECT_EQ((Size{100, 33}), Target(300, 100, 100, 50, 256, false));
  EXPECT_EQ((Size{40, 30}), Target(160, 120, 40, 100, 256, false));
}

TEST_F(PictureSize, CoveringFillsTheBoxWithTheOtherSide) {
  EXPECT_EQ((Size{100, 50}), Target(200, 100, 50, 50, 256, true));
  EXPECT_EQ((Size{50, 100}), Target(100, 200, 50, 50, 256, true));
  EXPECT_EQ((Size{100, 75}), Target(200, 150, 100, 50, 256, true));
  EXPECT_EQ((Size{50, 50}), Target(300, 300, 50, 50, 256, true));
}

TEST_F(PictureSize, CoveringKeepsAZoomThatLeavesPartOfTheBoxFree) {
  EXPECT_EQ((Size{50, 25}), Target(200, 100, 50, 50, 1024, true));     // quarter size
  EXPECT_EQ((Size{200, 40}), Target(200, 40, 100, 100, 256, true));    // short at 1:1
  EXPECT_EQ((Size{400, 200}), Target(200, 100, 500, 500, 128, true));  // doubled, still small
  EXPECT_EQ((Size{100, 50}), Target(200, 100, 50, 50, 128, true));     // doubled covers: to the box
  EXPECT_EQ((Size{IMG_MAX_SIDE, 2560}), Target(8000, 10, 100, 5000, 1, true));  // capped
}

TEST_F(PictureSize, BadInputsGiveZero) {
  EXPECT_EQ((Size{0, 0}), Target(0, 100, 50, 50, 256, false));
  EXPECT_EQ((Size{0, 0}), Target(100, 100, 0, 50, 256, false));
  EXPECT_EQ((Size{0, 0}), Target(100, 100, 50, -1, 256, true));
  EXPECT_EQ((Size{0, 0}), Target(100, 100, 50, 50, 0, true));
  PictureTargetSize(10, 10, 5, 5, 256, false, nullptr, nullptr);
}

// --- importing ---

TEST_F(PictureImporting, FitsAWidePictureIntoA16BitSurface) {
  WritePicture("wide.jpg", 200, 100);
  Size size{0, 0};
  ASSERT_EQ(0, Import("wide.jpg", 50, 50, 256, false, &size));
  EXPECT_EQ((Size{50, 25}), size);
  ASSERT_NE(nullptr, surface_);
  EXPECT_EQ(IMG_DEPTH_16, surface_->depth);
  EXPECT_EQ(50, surface_->width);
  EXPECT_EQ(25, surface_->height);
  uint32_t left = IMG_GetPixel(surface_, 10, 12), right = IMG_GetPixel(surface_, 40, 12);
  EXPECT_GE(left >> 16, 0xE0u);
  EXPECT_LE(left & 0xFF, 0x20u);
  EXPECT_GE(right & 0xFF, 0xE0u);
  EXPECT_LE(right >> 16, 0x20u);
}

TEST_F(PictureImporting, TallAndCoveredPicturesGetTheirSizes) {
  WritePicture("tall.jpg", 100, 200);
  Size size{0, 0};
  ASSERT_EQ(0, Import("tall.jpg", 50, 50, 256, false, &size));
  EXPECT_EQ((Size{25, 50}), size);
  ASSERT_EQ(0, Import("tall.jpg", 50, 50, 256, true, &size));
  EXPECT_EQ((Size{50, 100}), size);
  EXPECT_EQ(100, surface_->height);
  ASSERT_EQ(0, Import("tall.jpg", 72, 72, 512, true, &size));  // half size is smaller
  EXPECT_EQ((Size{50, 100}), size);
}

TEST_F(PictureImporting, NullOutputsAreSkipped) {
  WritePicture("p.jpg", 64, 48);
  int16_t w = 0;
  ASSERT_EQ(0,
            PictureImport(VOL_DOCUMENTS, "!", "p.jpg", 32, 32, 256, false, nullptr, &w, nullptr));
  EXPECT_EQ(32, w);
  EXPECT_EQ(baseline_, MEM_LiveBlocks());
  ASSERT_EQ(0, PictureImport(VOL_DOCUMENTS, "!", "p.jpg", 32, 32, 256, false, &surface_, nullptr,
                             nullptr));
  EXPECT_EQ(24, surface_->height);
}

TEST_F(PictureImporting, RejectsBadBoxesScalesAndFiles) {
  WritePicture("p.jpg", 64, 48);
  Size size{7, 7};
  ImgSurface* untouched = reinterpret_cast<ImgSurface*>(0x1);
  for (auto [bw, bh, scale] :
       {std::tuple{0, 50, 256}, {50, 0, 256}, {-3, 50, 256}, {50, 50, 0}, {50, 50, -256}}) {
    EXPECT_EQ(ERR_IMG_PARAM, PictureImport(VOL_DOCUMENTS, "!", "p.jpg", int16_t(bw), int16_t(bh),
                                           int16_t(scale), true, &untouched, &size.w, &size.h));
  }
  EXPECT_EQ(reinterpret_cast<ImgSurface*>(0x1), untouched);
  EXPECT_EQ((Size{7, 7}), size);
  EXPECT_NE(0, Import("missing.jpg", 50, 50, 256, false, &size));
  WriteDataFile("bad.jpg", std::vector<uint8_t>{0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x10, 'J'});
  EXPECT_EQ(ERR_IMG_BAD_DATA, Import("bad.jpg", 50, 50, 256, false, &size));
  EXPECT_EQ(nullptr, surface_);
  EXPECT_EQ((Size{7, 7}), size);
}

TEST_F(PictureImporting, ProgressOnlyFor320RowsOrMoreAndAbortStops) {
  WritePicture("short.jpg", 40, 319);
  WritePicture("long.jpg", 40, 320);
  Size size{0, 0};
  RowCount shortRows, longRows;
  ASSERT_EQ(0, Import("short.jpg", 20, 20, 256, false, &size, CountRow,
                      reinterpret_cast<uintptr_t>(&shortRows)));
  EXPECT_EQ(0, shortRows.calls);
  ASSERT_EQ(0, Import("long.jpg", 20, 20, 256, false, &size, CountRow,
                      reinterpret_cast<uintptr_t>(&longRows)));
  EXPECT_GT(longRows.calls, 0);
  RowCount stop;
  stop.stopAt = 3;
  EXPECT_EQ(ERR_IMG_ABORTED, Import("long.jpg", 20, 20, 256, false, &size, CountRow,
                                    reinterpret_cast<uintptr_t>(&stop)));
  EXPECT_EQ(3, stop.calls);
  EXPECT_EQ(nullptr, surface_);
}

// --- exporting ---

TEST_F(PictureExporting, WritesAPlainJpegAtThePreferenceQuality) {
  ASSERT_EQ(0, IMG_SurfaceNew(&surface_, 72, 72, IMG_DEPTH_16));
  for (int16_t x = 0; x < 72; x++) IMG_SetPixel(surface_, x, 36, 0x00FF00);
  g_prefs.jpegQuality = 50;  // the standard table as it stands
  ASSERT_EQ(0, PictureExport(surface_, VOL_DOCUMENTS, "!", "out.jpg"));
  std::vector<uint8_t> bytes = ReadDataFile("out.jpg");
  ASSERT_GT(bytes.size(), 100u);
  EXPECT_EQ(0xFF, bytes[0]);
  EXPECT_EQ(0xD8, bytes[1]);
  EXPECT_EQ(0xD9, bytes.back());
  std::vector<int> table = LumaTable(bytes);
  ASSERT_EQ(64u, table.size());
  EXPECT_TRUE(std::equal(kLumaHead, kLumaHead + 6, table.begin()));
  // No type or creator was written into the picture.
  std::string text(bytes.begin(), bytes.end());
  EXPECT_EQ(std::string::npos, text.find("PUBL"));
  EXPECT_EQ(std::string::npos, text.find(".JPG"));
  int16_t w = 0, h = 0;
  ASSERT_EQ(0, JPG_ReadFileSize(VOL_DOCUMENTS, "!", "out.jpg", &w, &h));
  EXPECT_EQ(72, w);
  EXPECT_EQ(72, h);
  // Quality 75 halves the table: (16 * 50 + 50) / 100 = 8.
  g_prefs.jpegQuality = 75;
  ASSERT_EQ(0, PictureExport(surface_, VOL_DOCUMENTS, "!", "out.jpg"));
  EXPECT_EQ(8, LumaTable(ReadDataFile("out.jpg")).at(0));
}

TEST_F(PictureExporting, ProgressOnlyFor320RowsOrMoreAndAbortLeavesNoFile) {
  ASSERT_EQ(0, IMG_SurfaceNew(&surface_, 30, 319, IMG_DEPTH_16));
  RowCount rows;
  ASSERT_EQ(0, PictureExport(surface_, VOL_DOCUMENTS, "!", "a.jpg", CountRow,
                             reinterpret_cast<uintptr_t>(&rows)));
  EXPECT_EQ(0, rows.calls);
  IMG_SurfaceFree(&surface_);
  ASSERT_EQ(0, IMG_SurfaceNew(&surface_, 30, 400, IMG_DEPTH_16));
  ASSERT_EQ(0, PictureExport(surface_, VOL_DOCUMENTS, "!", "b.jpg", CountRow,
                             reinterpret_cast<uintptr_t>(&rows)));
  EXPECT_EQ(400, rows.calls);
  RowCount stop;
  stop.stopAt = 100;
  EXPECT_EQ(ERR_IMG_ABORTED, PictureExport(surface_, VOL_DOCUMENTS, "!", "c.jpg", CountRow,
                                           reinterpret_cast<uintptr_t>(&stop)));
  EXPECT_FALSE(HostFileExists(DataDir() + "/c.jpg"));
  EXPECT_EQ(ERR_IMG_PARAM, PictureExport(nullptr, VOL_DOCUMENTS, "!", "d.jpg"));
  EXPECT_FALSE(HostFileExists(DataDir() + "/d.jpg"));
}

}  // namespace
