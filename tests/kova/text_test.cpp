// Tests of fonts, measuring and drawing: widths agree with drawing, what
// fits a width, clipping against guard bytes, coverage blending checked
// against a white-on-black rendering, the 0x01 end of a line, every byte
// value, start/stop and the scale. Writes text_sample.png (every font) to
// the build folder for a look by eye.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "kova.h"
#include "kova_fixture.h"

namespace {

constexpr uint8_t GUARD = 0xA5;
constexpr int GUARD_BYTES = 48;
const uint16_t ALL_FONTS[] = {FONT_STANDARD, FONT_BOLD,       FONT_LARGE,
                              FONT_SYMBOL,   FONT_LARGE_BOLD, FONT_TINY};

// A 24-bit surface inside a buffer with guard bytes before, after and at the
// end of every row, filled with one colour.
struct GuardedSurface {
  std::vector<uint8_t> buffer;
  ImgSurface surface{};
  GfxCanvas canvas{};

  GuardedSurface(int16_t w, int16_t h, uint32_t fill) {
    surface.width = w;
    surface.height = h;
    surface.depth = IMG_DEPTH_24;
    surface.rowBytes = uint32_t(w) * 3 + 5;
    buffer.assign(GUARD_BYTES * 2 + surface.rowBytes * h, GUARD);
    surface.pixels = buffer.data() + GUARD_BYTES;
    for (int16_t y = 0; y < h; y++)
      for (int16_t x = 0; x < w; x++) IMG_SetPixel(&surface, x, y, fill);
    canvas = GfxCanvas{&surface, GfxRect{0, 0, w, h}, 0, 0};
  }
  uint32_t At(int x, int y) const { return IMG_GetPixel(&surface, int16_t(x), int16_t(y)); }
  bool GuardsIntact() const {
    for (int i = 0; i < GUARD_BYTES; i++)
      if (buffer[i] != GUARD || buffer[buffer.size() - 1 - i] != GUARD) return false;
    for (int y = 0; y < surface.height; y++)
      for (uint32_t k = uint32_t(surface.width) * 3; k < surface.rowBytes; k++)
        if (surface.pixels[y * surface.rowBytes + k] != GUARD) return false;
    return true;
  }
  int Changed(uint32_t fill) const {
    int n = 0;
    for (int y = 0; y < surface.height; y++)
      for (int x = 0; x < surface.width; x++) n += At(x, y) != fill;
    return n;
  }
};

class TextTest : public KovaTest {
 protected:
  void SetUp() override {
    KovaTest::SetUp();
    ASSERT_EQ(0, TXT_Start());
  }
  void TearDown() override {
    while (TXT_Started()) TXT_Stop();
    KovaTest::TearDown();
  }
  static int32_t Width(uint16_t font, const std::string& s) {
    return TXT_Width(font, s.data(), uint32_t(s.size()));
  }
  static uint32_t Fit(uint16_t font, const std::string& s, int32_t width, bool wordBreak) {
    return TXT_Fit(font, s.data(), uint32_t(s.size()), width, wordBreak);
  }
  static int32_t Draw(GuardedSurface* g, uint16_t font, const std::string& s, int x, int y,
                      uint32_t rgb) {
    return TXT_Draw(&g->canvas, font, s.data(), uint32_t(s.size()), int16_t(x), int16_t(y), rgb);
  }
};

std::string AllHighBytes() {
  std::string s;
  for (int c = 0x80; c < 0x100; c++) s += char(c);
  return s;
}

}  // namespace

TEST_F(TextTest, WidthIsTheSumOfTheGlyphAdvancesDrawn) {
  const std::string text = "Zo\xEB M\xFCller, Caf\xE9 \x80 \x8D\x8E\x8F\x90 Tel. 555-0123";
  for (uint16_t font : ALL_FONTS) {
    int32_t sum = 0;
    for (char c : text) sum += Width(font, std::string(1, c));
    EXPECT_EQ(Width(font, text), sum) << font;
    GuardedSurface g(400, 30, 0xFFFFFF);
    EXPECT_EQ(Draw(&g, font, text, 7, 2, 0), 7 + sum) << font;
    EXPECT_EQ(TXT_Draw(nullptr, font, text.data(), uint32_t(text.size()), 7, 2, 0), 7 + sum);
  }
}

TEST_F(TextTest, FontsDifferAndUnknownCodesAreStandard) {
  const std::string text = "Wilhelmina Fairweather";
  int32_t standard = Width(FONT_STANDARD, text);
  EXPECT_GT(Width(FONT_BOLD, text), standard);
  EXPECT_GT(Width(FONT_LARGE, text), standard);
  EXPECT_GT(Width(FONT_LARGE_BOLD, text), Width(FONT_LARGE, text));
  EXPECT_LT(Width(FONT_TINY, text), standard);
  EXPECT_EQ(Width(FONT_SYMBOL, text), standard);
  EXPECT_EQ(Width(FONT_LED, text), Width(FONT_LARGE_BOLD, text));  // the big digits
  EXPECT_EQ(Width(55, text), standard);
  EXPECT_EQ(TXT_LineHeight(55), TXT_LineHeight(FONT_STANDARD));
}

TEST_F(TextTest, LineHeightsFollowTheFontSizes) {
  int16_t tiny = TXT_LineHeight(FONT_TINY), standard = TXT_LineHeight(FONT_STANDARD);
  int16_t large = TXT_LineHeight(FONT_LARGE);
  EXPECT_NEAR(standard, 15, 1);
  EXPECT_NEAR(large, 19, 1);
  EXPECT_NEAR(tiny, 11, 1);
  EXPECT_EQ(TXT_LineHeight(FONT_BOLD), standard);
  EXPECT_EQ(TXT_LineHeight(FONT_SYMBOL), standard);
  EXPECT_EQ(TXT_LineHeight(FONT_LARGE_BOLD), large);
  for (uint16_t font : ALL_FONTS) {
    EXPECT_GT(TXT_Ascent(font), TXT_LineHeight(font) / 2);
    EXPECT_LT(TXT_Ascent(font), TXT_LineHeight(font));
  }
}

TEST_F(TextTest, ControlBytesHaveNoWidthAndTabIsFourBlanks) {
  EXPECT_EQ(Width(FONT_STANDARD, "\x02\x1F\n\r\x7F\x81\x9D"), 0);
  EXPECT_EQ(Width(FONT_STANDARD, "a\nb"), Width(FONT_STANDARD, "ab"));
  for (uint16_t font : {FONT_STANDARD, FONT_BOLD, FONT_LARGE, FONT_TINY})
    EXPECT_EQ(Width(font, "\t"), 4 * Width(font, " ")) << font;
  GuardedSurface g(60, 20, 0xFFFFFF);
  Draw(&g, FONT_STANDARD, "\t\x02\n\x1F\x7F", 2, 2, 0);
  EXPECT_EQ(g.Changed(0xFFFFFF), 0);
}

TEST_F(TextTest, SymbolTabIsTheNoteGlyph) {
  int32_t note = Width(FONT_SYMBOL, "\t");
  EXPECT_GT(note, 4);
  EXPECT_LT(note, TXT_LineHeight(FONT_SYMBOL));
  EXPECT_EQ(Width(FONT_SYMBOL, "A\tB"), Width(FONT_STANDARD, "AB") + note);
  GuardedSurface g(30, 20, 0xFFFFFF);
  EXPECT_EQ(Draw(&g, FONT_SYMBOL, "\t", 3, 2, 0x000000), 3 + note);
  EXPECT_GT(g.Changed(0xFFFFFF), 10);
  // Its ink stays inside the line box and the advance.
  for (int y = 0; y < 20; y++)
    for (int x = 0; x < 30; x++)
      if (g.At(x, y) != 0xFFFFFF) {
        EXPECT_GE(x, 3);
        EXPECT_LT(x, 3 + note);
        EXPECT_GE(y, 2);
        EXPECT_LT(y, 2 + TXT_LineHeight(FONT_SYMBOL));
      }
}

TEST_F(TextTest, AByte01EndsTheShownText) {
  const std::string name = "Kanji\x01reading";
  EXPECT_EQ(Width(FONT_STANDARD, name), Width(FONT_STANDARD, "Kanji"));
  GuardedSurface a(120, 20, 0xFFFFFF), b(120, 20, 0xFFFFFF);
  EXPECT_EQ(Draw(&a, FONT_STANDARD, name, 1, 1, 0), Draw(&b, FONT_STANDARD, "Kanji", 1, 1, 0));
  EXPECT_EQ(a.buffer, b.buffer);
  EXPECT_EQ(Width(FONT_STANDARD,
                  "\x01"
                  "abc"),
            0);
}

TEST_F(TextTest, EveryHighByteMeasuresAndDraws) {
  const std::string high = AllHighBytes() + "\x01\x80";
  for (uint16_t font : ALL_FONTS) {
    int32_t width = Width(font, high);
    EXPECT_GT(width, 128 * 2) << font;
    GuardedSurface g(200, 24, 0xFFFFFF);
    EXPECT_EQ(Draw(&g, font, high, -30, 1, 0x102030), -30 + width);
    EXPECT_TRUE(g.GuardsIntact());
  }
}

TEST_F(TextTest, FitBoundaries) {
  const std::string text = "Anna Maria";
  int32_t all = Width(FONT_STANDARD, text);
  EXPECT_EQ(Fit(FONT_STANDARD, text, all, false), text.size());  // exact fit
  EXPECT_EQ(Fit(FONT_STANDARD, text, all - 1, false), text.size() - 1);
  EXPECT_EQ(Fit(FONT_STANDARD, text, 0, false), 0u);
  EXPECT_EQ(Fit(FONT_STANDARD, text, -5, true), 0u);
  int32_t four = Width(FONT_STANDARD, "Anna");
  EXPECT_EQ(Fit(FONT_STANDARD, text, four, false), 4u);
  int32_t blank = Width(FONT_STANDARD, " ");
  EXPECT_EQ(Fit(FONT_STANDARD, text, four + blank - 1, false), 4u);
  EXPECT_EQ(Fit(FONT_STANDARD, text, four + blank, false), 5u);
  // A text cut inside a word can end after its last blank.
  EXPECT_EQ(Fit(FONT_STANDARD, text, all - 1, true), 5u);
  EXPECT_EQ(Fit(FONT_STANDARD, text, four, true), 5u);  // the blank hangs past the width
  EXPECT_EQ(Fit(FONT_STANDARD, "Anna\tMaria", all - 1, true), 5u);
  // Without a blank the cut stays where the width ends.
  EXPECT_EQ(Fit(FONT_STANDARD, "AnnaMaria", Width(FONT_STANDARD, "AnnaMar"), true), 7u);
  // Everything fits: no word break.
  EXPECT_EQ(Fit(FONT_STANDARD, text, 1000, true), text.size());
}

TEST_F(TextTest, FitStopsAtLineBreaksZeroBytesAndTheLength) {
  EXPECT_EQ(Fit(FONT_STANDARD, "ab\ncd", 1000, false), 2u);
  EXPECT_EQ(Fit(FONT_STANDARD, "ab\ncd", 1000, true), 2u);
  EXPECT_EQ(Fit(FONT_STANDARD, "\nab", 1000, true), 0u);
  EXPECT_EQ(TXT_Fit(FONT_STANDARD, "ab\0cd", 5, 1000, false), 2u);
  EXPECT_EQ(TXT_Fit(FONT_STANDARD, "abcdef", 3, 1000, true), 3u);
  EXPECT_EQ(TXT_Fit(FONT_STANDARD, nullptr, 3, 1000, true), 0u);
  // The hidden reading behind 0x01 takes no room.
  int32_t shown = Width(FONT_STANDARD, "Yui");
  EXPECT_EQ(Fit(FONT_STANDARD, "Yui\x01reading\nx", shown, false), 11u);
}

TEST_F(TextTest, FitAgreesWithWidthAtEveryCut) {
  const std::string text = "Brantel keeps the handheld's order";
  for (int32_t w = 0; w <= Width(FONT_BOLD, text); w += 3) {
    uint32_t n = Fit(FONT_BOLD, text, w, false);
    EXPECT_LE(Width(FONT_BOLD, text.substr(0, n)), w);
    if (n < text.size()) {
      EXPECT_GT(Width(FONT_BOLD, text.substr(0, n + 1)), w);
    }
  }
}

TEST_F(TextTest, DrawingClipsToTheSurface) {
  const std::string text = "\xC5gjpq \xC9\xC8 Wy_\x90";
  for (uint16_t font : ALL_FONTS) {
    GuardedSurface g(30, 12, 0xFFFFFF);
    for (int y = -20; y <= 14; y += 3)
      for (int x = -60; x <= 28; x += 11) Draw(&g, font, text, x, y, 0x000000);
    EXPECT_TRUE(g.GuardsIntact()) << font;
    EXPECT_GT(g.Changed(0xFFFFFF), 0);
  }
}

TEST_F(TextTest, DrawingClipsToTheClipRectangle) {
  GuardedSurface g(80, 30, 0xFFFFFF);
  g.canvas.clip = GfxRect{10, 5, 20, 8};
  for (int x = -5; x < 40; x += 4) Draw(&g, FONT_LARGE_BOLD, "WMWM", x, 0, 0x0000FF);
  int inside = 0;
  for (int y = 0; y < 30; y++)
    for (int x = 0; x < 80; x++) {
      bool in = x >= 10 && x < 30 && y >= 5 && y < 13;
      if (!in) {
        EXPECT_EQ(g.At(x, y), 0xFFFFFFu) << x << "," << y;
      }
      inside += in && g.At(x, y) != 0xFFFFFF;
    }
  EXPECT_GT(inside, 20);
  g.canvas.clip = GfxRect{10, 5, 0, 8};  // an empty clip draws nothing
  GuardedSurface fresh(80, 30, 0xFFFFFF);
  fresh.canvas.clip = g.canvas.clip;
  Draw(&fresh, FONT_STANDARD, "Hello", 10, 5, 0);
  EXPECT_EQ(fresh.Changed(0xFFFFFF), 0);
}

TEST_F(TextTest, OriginMovesTheText) {
  GuardedSurface a(60, 24, 0xFFFFFF), b(60, 24, 0xFFFFFF);
  a.canvas.originX = 5;
  a.canvas.originY = 3;
  EXPECT_EQ(Draw(&a, FONT_STANDARD, "Hi", 0, 0, 0), Width(FONT_STANDARD, "Hi"));
  Draw(&b, FONT_STANDARD, "Hi", 5, 3, 0);
  EXPECT_EQ(a.buffer, b.buffer);
}

TEST_F(TextTest, ZeroLengthDrawsNothing) {
  GuardedSurface g(40, 20, 0x808080);
  EXPECT_EQ(TXT_Draw(&g.canvas, FONT_STANDARD, "Hello", 0, 4, 4, 0), 4);
  EXPECT_EQ(Draw(&g, FONT_STANDARD, "", 4, 4, 0), 4);
  EXPECT_EQ(TXT_Draw(&g.canvas, FONT_STANDARD, nullptr, 5, 4, 4, 0), 4);
  EXPECT_EQ(g.Changed(0x808080), 0);
}

// White on black gives each pixel's coverage; the same text in another
// colour on another background must be exactly that blend, and pixels
// without coverage must keep their colour.
TEST_F(TextTest, OnlyCoveragePixelsChangeAndBlendByCoverage) {
  const std::string text = "Œuvre ♠ gÿ";
  std::string handheld(64, 0);
  handheld.resize(TXT_FromUtf8(text.data(), uint32_t(text.size()), handheld.data(), 64));
  GuardedSurface mask(90, 20, 0x000000), g(90, 20, 0x2040C0);
  Draw(&mask, FONT_LARGE, handheld, 2, 1, 0xFFFFFF);
  Draw(&g, FONT_LARGE, handheld, 2, 1, 0xE08010);
  int full = 0;
  for (int y = 0; y < 20; y++)
    for (int x = 0; x < 90; x++) {
      uint32_t a = mask.At(x, y) >> 16;
      ASSERT_EQ(mask.At(x, y), a * 0x010101u);  // grey levels only
      full += a == 255;
      uint32_t got = g.At(x, y);
      const uint32_t fg[3] = {0xE0, 0x80, 0x10}, bg[3] = {0x20, 0x40, 0xC0};
      for (int k = 0; k < 3; k++) {
        double want = (fg[k] * a + bg[k] * (255.0 - a)) / 255.0;
        EXPECT_NEAR(double((got >> (16 - 8 * k)) & 0xFF), want, 0.51) << x << "," << y;
      }
    }
  EXPECT_GT(full, 15);  // hinted stems are fully covered: crisp, not blurred
}

TEST_F(TextTest, InkStaysInTheLineBox) {
  for (uint16_t font : ALL_FONTS) {
    GuardedSurface g(200, 40, 0xFFFFFF);
    int32_t end = Draw(&g, font, "Hello World", 10, 10, 0);
    for (int y = 0; y < 40; y++)
      for (int x = 0; x < 200; x++)
        if (g.At(x, y) != 0xFFFFFF) {
          ASSERT_GE(y, 10) << font;
          ASSERT_LT(y, 10 + TXT_LineHeight(font)) << font;
          ASSERT_GE(x, 9) << font;
          ASSERT_LE(x, end) << font;
        }
  }
}

TEST_F(TextTest, StartStopStartAgainFreesEverything) {
  TXT_Stop();
  EXPECT_FALSE(TXT_Started());
  uint32_t before = MEM_LiveBlocks();
  ASSERT_EQ(0, TXT_Start());
  ASSERT_EQ(0, TXT_Start());  // use-counted
  int32_t width = Width(FONT_BOLD, AllHighBytes());
  TXT_Stop();
  EXPECT_TRUE(TXT_Started());
  TXT_Stop();
  EXPECT_FALSE(TXT_Started());
  EXPECT_EQ(MEM_LiveBlocks(), before);
  EXPECT_EQ(Width(FONT_BOLD, "abc"), 0);  // not started: nothing measured
  TXT_Stop();                             // one stop too many is harmless
  ASSERT_EQ(0, TXT_Start());
  EXPECT_EQ(Width(FONT_BOLD, AllHighBytes()), width);
}

TEST_F(TextTest, StartFailsCleanlyWithoutMemory) {
  TXT_Stop();
  uint32_t before = MEM_LiveBlocks();
  MEM_FailNthAlloc(1);
  EXPECT_EQ(TXT_Start(), ERR_MEM_FULL);
  EXPECT_FALSE(TXT_Started());
  EXPECT_EQ(MEM_LiveBlocks(), before);
  MEM_FailNthAlloc(0);
  ASSERT_EQ(0, TXT_Start());
  // A glyph whose coverage cannot be kept still measures and draws its advance.
  MEM_FailNthAlloc(1);
  int32_t width = Width(FONT_LARGE, "W");
  MEM_FailNthAlloc(0);
  EXPECT_GT(width, 0);
  GuardedSurface g(40, 24, 0xFFFFFF);
  EXPECT_EQ(Draw(&g, FONT_LARGE, "W", 0, 0, 0), width);
}

TEST_F(TextTest, ScaleResizesEveryFontAndFreesTheCache) {
  const std::string text = "Scaled text";
  int32_t width = Width(FONT_STANDARD, text);
  int16_t line = TXT_LineHeight(FONT_STANDARD);
  TXT_SetScale(200);
  EXPECT_NEAR(Width(FONT_STANDARD, text), 2 * width, width / 5);
  EXPECT_NEAR(TXT_LineHeight(FONT_STANDARD), 2 * line, 3);
  EXPECT_GT(TXT_LineHeight(FONT_TINY), TXT_LineHeight(FONT_STANDARD) / 2);
  GuardedSurface g(400, 40, 0xFFFFFF);
  EXPECT_EQ(Draw(&g, FONT_SYMBOL, text + "\t", 0, 0, 0), Width(FONT_SYMBOL, text + "\t"));
  TXT_SetScale(100);
  EXPECT_EQ(Width(FONT_STANDARD, text), width);
  EXPECT_EQ(TXT_LineHeight(FONT_STANDARD), line);
  TXT_SetScale(-5);  // clamped, still usable
  EXPECT_GT(Width(FONT_STANDARD, text), 0);
}

TEST_F(TextTest, SampleOfEveryFontAsPng) {
  const char* lines[] = {"Zoë Ångström-Müller · Café Élan",
                         "Suits: \x8D \x8E \x8F \x90  \x80 9,99 \x93quoted\x94 \x85",
                         "Note:\t(tab) Ñandú çà ß ÿ \x8C\x9C \x8A\x9A",
                         "The quick brown fox jumps over the lazy dog"};
  const char* names[] = {"Standard", "Bold", "Large", "Symbol", "Large Bold", "Tiny"};
  GuardedSurface g(360, 600, 0xFFFFFF);
  int y = 4;
  for (int f = 0; f < 6; f++) {
    uint16_t font = ALL_FONTS[f];
    Draw(&g, FONT_TINY, names[f], 4, y, 0x606060);
    y += TXT_LineHeight(FONT_TINY);
    for (const char* line : lines) {
      std::string handheld(128, 0);
      handheld.resize(TXT_FromUtf8(line, uint32_t(strlen(line)), handheld.data(), 128));
      Draw(&g, font, handheld, 8, y, f == 2 ? 0x003080 : 0x000000);
      y += TXT_LineHeight(font);
    }
    y += 6;
  }
  ASSERT_LT(y, 600);
  std::vector<uint8_t> rgb(360 * 600 * 3);
  for (int row = 0; row < 600; row++)
    memcpy(rgb.data() + row * 360 * 3, g.surface.pixels + row * g.surface.rowBytes, 360 * 3);
  std::string store = BRANTEL_RES_STORE;
  std::string path = store.substr(0, store.rfind('/')) + "/text_sample.png";
  ASSERT_EQ(0, HOST_WritePng(path.c_str(), rgb.data(), 360, y));
  EXPECT_TRUE(HostFileExists(path));
}
