// Bitmaps from "BMAP" resources and showing surfaces: resource bytes built
// here from the format and served as loose files or from a store, 24-bit
// copies, 32-bit alpha blending against a rounding computed here, the
// deepest entry chosen, damaged resources refused without a bad read, the
// program's own bitmaps, presenting through the headless host, and a test
// scene saved as PNG in the build folder and read back.
#include <png.h>

#include <cmath>
#include <filesystem>

#include "../../kova/plat_src/graphics/gfx_internal.h"
#include "gfx_fixture.h"
#include "host_fixture.h"
#include "kova_res.h"
#include "res_store_image.h"

namespace {

// ---------------------------------------------------------------------------
// A "BMAP" builder: "BMAP" len, "Iden"/"Bwid"/"Bhei" numbers (keyword, "#_",
// 16 bits), then "BENT" len with "Ewid", "Ehei", "Edep" and "Edat" (a 32-bit
// count, the bytes, zero bytes to a 4-byte boundary). Big-endian.

struct Entry {
  int w, h, depth;
  Bytes pixels;  // rows from the top, 3 or 4 bytes a pixel
};

void Number(Bytes* b, const char* keyword, uint16_t v) {
  b->insert(b->end(), keyword, keyword + 4);
  b->insert(b->end(), {'#', '_', uint8_t(v >> 8), uint8_t(v)});
}

Bytes Chunk(const char* tag, const Bytes& contents) {
  Bytes b(tag, tag + 4);
  Append32(&b, uint32_t(contents.size()));
  b.insert(b.end(), contents.begin(), contents.end());
  return b;
}

Bytes EntryBytes(const Entry& e) {
  Bytes c;
  Number(&c, "Ewid", uint16_t(e.w));
  Number(&c, "Ehei", uint16_t(e.h));
  Number(&c, "Edep", uint16_t(e.depth));
  c.insert(c.end(), {'E', 'd', 'a', 't'});
  Append32(&c, uint32_t(e.pixels.size()));
  c.insert(c.end(), e.pixels.begin(), e.pixels.end());
  while (c.size() % 4) c.push_back(0);
  return Chunk("BENT", c);
}

Bytes Bmap(uint16_t id, const std::vector<Entry>& entries) {
  Bytes c;
  Number(&c, "Iden", id);
  Number(&c, "Bwid", entries.empty() ? 0 : uint16_t(entries[0].w));
  Number(&c, "Bhei", entries.empty() ? 0 : uint16_t(entries[0].h));
  for (const Entry& e : entries) {
    Bytes b = EntryBytes(e);
    c.insert(c.end(), b.begin(), b.end());
  }
  return Chunk("BMAP", c);
}

// A w x h entry whose pixel (x, y) is colour(x, y) (and alpha(x, y)).
template <typename Colour, typename Alpha>
Entry MakeEntry(int w, int h, int depth, Colour colour, Alpha alpha) {
  Entry e{w, h, depth, {}};
  for (int y = 0; y < h; y++)
    for (int x = 0; x < w; x++) {
      uint32_t c = colour(x, y);
      e.pixels.insert(e.pixels.end(), {uint8_t(c >> 16), uint8_t(c >> 8), uint8_t(c)});
      if (depth == 32) e.pixels.push_back(uint8_t(alpha(x, y)));
    }
  return e;
}
Entry Solid(int w, int h, int depth, uint32_t rgb) {
  return MakeEntry(
      w, h, depth, [=](int, int) { return rgb; }, [](int, int) { return 255; });
}

uint32_t Gradient(int x, int y) {
  return uint32_t(x * 37 % 256) << 16 | uint32_t(y * 53 % 256) << 8 | 0x5A;
}

class GfxBitmap : public GfxTest {
 public:
  void TearDown() override {
    RES_Close();
    GfxTest::TearDown();
  }
  // Serves `body` as the loose-file bitmap `id`.
  void Serve(uint32_t id, const Bytes& body) {
    std::filesystem::create_directories(DataDir() + "/bin/bin.eng");
    char name[64];
    snprintf(name, sizeof name, "bin/bin.eng/BMAP%08x.bin", id);
    WriteDataFile(name, body);
  }
};

TEST_F(GfxBitmap, Draws24BitEntryExactlyWithOriginAndClip) {
  Serve(500, Bmap(500, {MakeEntry(7, 5, 24, Gradient, [](int, int) { return 0; })}));
  canvas_.originX = 4;
  canvas_.originY = 3;
  GfxRect clip{0, 0, 7, 20};  // canvas x 0..6: the entry's last column (canvas x 7) is cut
  (void)GFX_SetClip(&canvas_, &clip);
  ASSERT_EQ(0, GFX_DrawBitmap(&canvas_, 500, 1, 2));
  for (int y = 0; y < 5; y++)
    for (int x = 0; x < 6; x++) Want(5 + x, 5 + y) = Gradient(x, y);
  EXPECT_TRUE(Matches());
  int16_t w = 0, h = 0;
  ASSERT_EQ(0, GFX_BitmapSize(500, &w, &h));
  EXPECT_EQ(w, 7);
  EXPECT_EQ(h, 5);
  EXPECT_EQ(0, GFX_BitmapSize(500, nullptr, nullptr));
}

TEST_F(GfxBitmap, BlendsStraightAlphaRoundingToNearest) {
  auto alpha = [](int x, int y) { return (x * 16 + y * 97 + (x * y) % 7) % 256; };
  auto colour = [](int x, int y) {
    return uint32_t(x * 16 + 3) << 16 | uint32_t(255 - y * 16) << 8 | uint32_t(x * y);
  };
  Serve(501, Bmap(501, {MakeEntry(16, 16, 32, colour, alpha)}));
  MakeSurface(40, 30);
  for (int y = 0; y < 30; y++)
    for (int x = 0; x < 40; x++)
      Put(x, y, Want(x, y) = uint32_t(x * 6) << 16 | uint32_t(y * 8) << 8 | 0x80);
  ASSERT_EQ(0, GFX_DrawBitmap(&canvas_, 501, 2, 3));
  int roundedUp = 0;
  for (int y = 0; y < 16; y++)
    for (int x = 0; x < 16; x++) {
      uint32_t s = colour(x, y), d = Want(2 + x, 3 + y), out = 0;
      int a = alpha(x, y);
      for (int shift = 16; shift >= 0; shift -= 8) {
        double v = (double((s >> shift) & 255) * a + double((d >> shift) & 255) * (255 - a)) / 255;
        out |= uint32_t(std::lround(v)) << shift;
        roundedUp += std::lround(v) > std::floor(v);
      }
      Want(2 + x, 3 + y) = out;
    }
  EXPECT_TRUE(Matches());
  EXPECT_GT(roundedUp, 100);           // many channels round up: truncating would not match
  EXPECT_EQ(Pixel(2, 3), Want(2, 3));  // alpha 0 keeps the background
}

TEST_F(GfxBitmap, UsesTheDeepestEntryWhateverItsPlace) {
  Serve(502, Bmap(502, {Solid(3, 3, 24, 0x0000FF), Solid(2, 2, 32, 0xFF0000)}));
  Serve(503, Bmap(503, {Solid(2, 2, 32, 0xFF0000), Solid(3, 3, 24, 0x0000FF)}));
  for (uint32_t id : {502u, 503u}) {
    MakeSurface(40, 30);
    int16_t w = 0, h = 0;
    ASSERT_EQ(0, GFX_BitmapSize(id, &w, &h));
    EXPECT_EQ(w, 2);
    EXPECT_EQ(h, 2);
    ASSERT_EQ(0, GFX_DrawBitmap(&canvas_, id, 0, 0));
    for (int y = 0; y < 2; y++)
      for (int x = 0; x < 2; x++) Want(x, y) = 0xFF0000;
    EXPECT_TRUE(Matches()) << id;
  }
}

TEST_F(GfxBitmap, IsCutAtEverySurfaceEdge) {
  Serve(504, Bmap(504, {MakeEntry(9, 7, 24, Gradient, [](int, int) { return 0; })}));
  const int places[][2] = {{-4, 5}, {5, -3}, {35, 5}, {5, 26}, {-5, -5}, {36, 27}, {-20, 0}};
  for (auto& p : places) {
    MakeSurface(40, 30);
    ASSERT_EQ(0, GFX_DrawBitmap(&canvas_, 504, int16_t(p[0]), int16_t(p[1])));
    for (int y = 0; y < 7; y++)
      for (int x = 0; x < 9; x++) WantIn(GfxRect{0, 0, 40, 30}, p[0] + x, p[1] + y, Gradient(x, y));
    ASSERT_TRUE(Matches()) << p[0] << "," << p[1];
  }
}

TEST_F(GfxBitmap, MissingBitmapIsErrFile) {
  int16_t w = 77;
  EXPECT_EQ(ERR_FILE, GFX_BitmapSize(9999, &w, nullptr));
  EXPECT_EQ(w, 77);
  EXPECT_EQ(ERR_FILE, GFX_DrawBitmap(&canvas_, 9999, 0, 0));
  EXPECT_TRUE(Matches());
}

// Damaged resources, each built from a sound one.
std::vector<std::pair<const char*, Bytes>> DamagedBodies() {
  Entry e = Solid(2, 2, 24, 0xFFFFFF);
  Bytes good = Bmap(1, {e});
  std::vector<std::pair<const char*, Bytes>> out;
  auto put32 = [](Bytes b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; i++) b[at + i] = uint8_t(v >> (24 - 8 * i));
    return b;
  };
  // Offsets: BMAP 0, len 4, Iden 8, Bwid 16, Bhei 24, BENT 32, len 36,
  // Ewid 40, Ehei 48, Edep 56, Edat 64, count 68, pixels 72.
  out.push_back({"not a bitmap", put32(good, 0, FCC("BMAq"))});
  out.push_back({"chunk longer than the body", put32(good, 4, uint32_t(good.size()))});
  out.push_back({"entry longer than the chunk", put32(good, 36, 0x7FFFFFF0)});
  out.push_back({"pixel count beyond the entry", put32(good, 68, 0xFFFFFFF0)});
  out.push_back({"fewer pixels than the sides need", put32(good, 68, 11)});
  out.push_back({"zero width", Bmap(1, {Entry{0, 2, 24, {}}})});
  out.push_back({"too wide", Bmap(1, {Entry{4000, 1, 24, Bytes(12000, 0)}})});
  out.push_back({"only an unknown depth", Bmap(1, {Entry{2, 2, 16, Bytes(8, 0)}})});
  out.push_back({"no entry", Bmap(1, {})});
  out.push_back({"a word that is no number", put32(good, 20, FCC("Q___"))});
  out.push_back({"no pixels", put32(good, 64, FCC("Edit"))});
  out.push_back({"empty", Bytes{}});
  return out;
}

TEST_F(GfxBitmap, DamagedResourcesDrawNothing) {
  uint32_t id = 600;
  for (auto& [what, body] : DamagedBodies()) {
    Serve(id, body);
    int16_t w = 5, h = 5;
    EXPECT_EQ(ERR_IMG_BAD_DATA, GFX_BitmapSize(id, &w, &h)) << what;
    EXPECT_EQ(ERR_IMG_BAD_DATA, GFX_DrawBitmap(&canvas_, id, 0, 0)) << what;
    EXPECT_EQ(w, 5);
    id++;
  }
  EXPECT_TRUE(Matches());
}

TEST_F(GfxBitmap, ParserRefusesEveryTruncationAndSurvivesEveryByteChange) {
  Bytes good = Bmap(7, {Solid(3, 2, 24, 0x123456), Solid(2, 3, 32, 0x654321)});
  GfxBitmapImage image{};
  ASSERT_EQ(0, gfxParseBitmap(good.data(), uint32_t(good.size()), &image));
  EXPECT_EQ(image.depth, 32);
  for (size_t n = 0; n < good.size(); n++) {
    Bytes cut(good.begin(), good.begin() + long(n));  // a block of exactly n bytes
    EXPECT_EQ(ERR_IMG_BAD_DATA, gfxParseBitmap(cut.data(), uint32_t(n), &image)) << n;
  }
  // Any accepted change must still describe pixels inside the body.
  for (size_t at = 0; at < good.size(); at++)
    for (uint8_t v : {0x00, 0x01, 0x7F, 0x80, 0xFF}) {
      Bytes b = good;
      b[at] = v;
      if (gfxParseBitmap(b.data(), uint32_t(b.size()), &image) != 0) continue;
      size_t bytes = size_t(image.width) * image.height * image.depth / 8;
      ASSERT_GE(image.pixels, b.data());
      ASSERT_LE(image.pixels + bytes, b.data() + b.size()) << at;
    }
}

TEST_F(GfxBitmap, ByNameFromAStore) {
  Bytes table = StoreBuilder::NameTable({{RES_TYPE_BITMAP, 1234, FCC("Logo"), 0}});
  Bytes store = StoreBuilder()
                    .Add(RES_TYPE_NAME_TABLE, 1, table)
                    .Add(RES_TYPE_BITMAP, 1234, Bmap(1234, {Solid(4, 3, 24, 0x00AA00)}))
                    .Build();
  std::string path = TempDir() + "/program";
  WriteHostFile(path, store);
  ASSERT_EQ(0, RES_Open(path.c_str()));
  ASSERT_EQ(0, GFX_DrawBitmap(&canvas_, FCC("Logo"), 10, 10));
  for (int y = 0; y < 3; y++)
    for (int x = 0; x < 4; x++) Want(10 + x, 10 + y) = 0x00AA00;
  EXPECT_TRUE(Matches());
}

TEST_F(GfxBitmap, TheProgramsOwnBitmapsParse) {
  ASSERT_EQ(0, RES_Open(BRANTEL_RES_STORE));
  int16_t w = 0, h = 0;
  ASSERT_EQ(0, GFX_BitmapSize(FCC("Icon"), &w, &h));
  EXPECT_EQ(w, 48);
  EXPECT_EQ(h, 48);
  ASSERT_EQ(0, GFX_BitmapSize(FCC("@Qik"), &w, &h));
  EXPECT_GT(w, 0);
}

// ---------------------------------------------------------------------------
// Showing a surface

class GfxPresent : public HostTest {};

TEST_F(GfxPresent, ShowsTheSurfaceInTheMainWindow) {
  ImgSurface* s = nullptr;
  ASSERT_EQ(0, IMG_SurfaceNew(&s, 40, 30, IMG_DEPTH_24));
  EXPECT_EQ(ERR_HOST_WINDOW, GFX_Present(s));  // no window yet
  ASSERT_EQ(0, HOST_Start());
  GfxCanvas c = GFX_CanvasFor(s);
  GFX_FillRect(&c, GfxRect{0, 0, 40, 30}, 0x336699);
  GFX_FillRect(&c, GfxRect{10, 5, 3, 2}, 0xFF8800);
  ASSERT_EQ(0, GFX_Present(s));
  int32_t fw = 0, fh = 0;
  const uint8_t* frame = HOST_HeadlessFramebuffer(&fw, &fh);
  ASSERT_TRUE(frame);
  ASSERT_GE(fw, 40);
  auto at = [&](int x, int y) {
    const uint8_t* p = frame + (size_t(y) * fw + x) * 3;
    return uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2];
  };
  EXPECT_EQ(at(0, 0), 0x336699u);
  EXPECT_EQ(at(11, 6), 0xFF8800u);
  EXPECT_EQ(at(39, 29), 0x336699u);
  IMG_SurfaceFree(&s);
}

// A small form-like scene: a patterned background, a framed panel, a
// bitmap with alpha, a star and a fan of lines.
void DrawScene(GfxCanvas* c) {
  GFX_PatternRect(c, GfxRect{0, 0, 240, 160}, 0xC8D0E0, 0xF0F0F0);
  GFX_FillRect(c, GfxRect{10, 10, 140, 100}, 0xFFFFFF);
  GFX_FrameRect(c, GfxRect{10, 10, 140, 100}, 0x203060, 3);
  GFX_FrameRect(c, GfxRect{16, 16, 128, 20}, 0x808080, 1);
  GFX_FillRect(c, GfxRect{17, 17, 126, 18}, 0x3070C0);
  const int16_t star[] = {80, 40, 96, 100, 52, 62, 108, 62, 64, 100};
  GFX_FillPolygon(c, star, 5, 0xE0A000);
  for (int16_t i = 0; i <= 8; i++) GFX_Line(c, 195, 80, int16_t(160 + i * 9), 10, 0xC02020);
  for (int16_t i = 0; i <= 8; i++) GFX_Line(c, 195, 80, int16_t(160 + i * 9), 150, 0x20A020);
  GfxRect clip{160, 110, 70, 40};
  c->originX = 5;
  GfxRect previous = GFX_SetClip(c, &clip);
  GFX_FillRect(c, GfxRect{150, 120, 200, 10}, 0x000000);  // cut to the clip
  (void)GFX_SetClip(c, &previous);
  c->originX = 0;
  (void)GFX_DrawBitmap(c, 700, 20, 115);
}

TEST_F(GfxBitmap, SceneIsSavedAsPngAndReadsBack) {
  auto colour = [](int x, int y) {
    return uint32_t(255 - x * 8) << 16 | uint32_t(y * 8) << 8 | 0xFF;
  };
  auto alpha = [](int x, int y) {
    int dx = x - 16, dy = y - 16;  // an opaque disc with a soft edge
    double d = std::sqrt(double(dx * dx + dy * dy));
    return d < 12 ? 255 : d > 16 ? 0 : int(255 * (16 - d) / 4);
  };
  Serve(700, Bmap(700, {MakeEntry(32, 32, 32, colour, alpha)}));
  ImgSurface* s = nullptr;
  ASSERT_EQ(0, IMG_SurfaceNew(&s, 240, 160, IMG_DEPTH_24));
  GfxCanvas c = GFX_CanvasFor(s);
  DrawScene(&c);
  std::string path = std::filesystem::path(BRANTEL_RES_STORE).parent_path() / "gfx_scene.png";
  ASSERT_EQ(0, GFX_SavePng(s, path.c_str()));
  EXPECT_EQ(ERR_WRITE, GFX_SavePng(s, (TempDir() + "/no/such/folder.png").c_str()));

  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  ASSERT_TRUE(png_image_begin_read_from_file(&image, path.c_str()));
  image.format = PNG_FORMAT_RGB;
  std::vector<uint8_t> rgb(PNG_IMAGE_SIZE(image));
  ASSERT_TRUE(png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr));
  ASSERT_EQ(image.width, 240u);
  ASSERT_EQ(image.height, 160u);
  EXPECT_EQ(0, memcmp(rgb.data(), s->pixels, rgb.size()));
  EXPECT_EQ(IMG_GetPixel(s, 36, 131), colour(16, 16));  // the disc's opaque centre
  EXPECT_EQ(IMG_GetPixel(s, 80, 70), 0xFFFFFFu);        // the star's empty centre
  IMG_SurfaceFree(&s);
}

}  // namespace
