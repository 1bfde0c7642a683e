// JPEG coding in memory: the encoder's stream checked marker by marker and
// decoded by libjpeg itself, the decoder checked against libjpeg's own
// output for colour, grayscale, CMYK and progressive streams, scaling to
// other sizes, damaged input of every kind, failing allocations and the
// row callback's abort. Leaks are counted with MEM_LiveBlocks.
#include <algorithm>
#include <cstdlib>
#include <vector>

#include "jpeg_peer.h"
#include "kova_fixture.h"

namespace {

// Fills a surface from fn(x, y) -> 0x00RRGGBB.
template <typename F>
ImgSurface* NewSurface(int16_t w, int16_t h, uint16_t depth, F fn) {
  ImgSurface* s = nullptr;
  if (IMG_SurfaceNew(&s, w, h, depth) != 0) return nullptr;
  for (int16_t y = 0; y < h; y++)
    for (int16_t x = 0; x < w; x++) IMG_SetPixel(s, x, y, fn(x, y));
  return s;
}

// A smooth gradient: red across, green down, blue from both.
uint32_t Gradient(int x, int y, int w, int h) {
  uint32_t r = uint32_t(x * 255 / (w - 1)), g = uint32_t(y * 255 / (h - 1));
  uint32_t b = uint32_t((x + y) * 255 / (w + h - 2));
  return r << 16 | g << 8 | b;
}

int Channel(uint32_t rgb, int c) { return int((rgb >> (16 - 8 * c)) & 0xFF); }

// Four solid quadrants: red, green / blue, white.
const uint8_t kQuadrant[4][3] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 255}};
PeerImage Quadrants(int w, int h) {
  return MakePeerImage(w, h, 3, [&](int x, int y, uint8_t* px) {
    memcpy(px, kQuadrant[(y >= h / 2) * 2 + (x >= w / 2)], 3);
  });
}

// Largest channel difference between the surface and a libjpeg image of the
// same size.
int MaxDifference(const ImgSurface* s, const PeerImage& img) {
  int worst = 0;
  for (int y = 0; y < img.height; y++)
    for (int x = 0; x < img.width; x++)
      for (int c = 0; c < 3; c++)
        worst = std::max(
            worst, std::abs(Channel(IMG_GetPixel(s, int16_t(x), int16_t(y)), c) - img.At(x, y)[c]));
  return worst;
}

class Jpeg : public KovaTest {
 protected:
  void SetUp() override {
    KovaTest::SetUp();
    baseline_ = MEM_LiveBlocks();
  }
  void TearDown() override {
    IMG_SurfaceFree(&surface_);
    MEM_Free(data_);
    EXPECT_EQ(baseline_, MEM_LiveBlocks()) << "a block leaked";
    KovaTest::TearDown();
  }
  ImgSurface* Target(int16_t w, int16_t h, uint16_t depth = IMG_DEPTH_24) {
    IMG_SurfaceFree(&surface_);
    EXPECT_EQ(0, IMG_SurfaceNew(&surface_, w, h, depth));
    return surface_;
  }
  Err Decode(const std::vector<uint8_t>& bytes, ImgSurface* target) {
    return JPG_Decode(bytes.data(), uint32_t(bytes.size()), target, nullptr, 0);
  }
  std::vector<uint8_t> Encode(const ImgSurface* s, int16_t quality) {
    MEM_Free(data_);
    data_ = nullptr;
    uint32_t size = 0;
    EXPECT_EQ(0, JPG_Encode(s, quality, &data_, &size, nullptr, 0));
    return data_ ? std::vector<uint8_t>(data_, data_ + size) : std::vector<uint8_t>();
  }
  uint32_t baseline_ = 0;
  ImgSurface* surface_ = nullptr;
  uint8_t* data_ = nullptr;
};

using JpgEncode = Jpeg;
using JpgDecode = Jpeg;
using JpgDamaged = Jpeg;

// --- encoding ---

TEST_F(JpgEncode, WritesBaselineSof0For72By72Colour) {
  ImgSurface* s =
      NewSurface(72, 72, IMG_DEPTH_24, [](int x, int y) { return Gradient(x, y, 72, 72); });
  std::vector<uint8_t> bytes = Encode(s, 80);
  IMG_SurfaceFree(&s);
  ASSERT_GT(bytes.size(), 4u);
  EXPECT_EQ(0xFF, bytes[0]);
  EXPECT_EQ(0xD8, bytes[1]);
  EXPECT_EQ(0xFF, bytes[bytes.size() - 2]);
  EXPECT_EQ(0xD9, bytes[bytes.size() - 1]);
  std::vector<JpegSegment> segs = ParseMarkers(bytes);
  ASSERT_FALSE(segs.empty());
  EXPECT_EQ(0xD8, segs.front().marker);
  EXPECT_EQ(0xD9, segs.back().marker);
  const JpegSegment* sof = FindSegment(segs, 0xC0);
  ASSERT_NE(sof, nullptr) << "no baseline frame header";
  ASSERT_EQ(6u + 3 * 3, sof->payload.size());
  EXPECT_EQ(8, sof->payload[0]);             // sample precision
  EXPECT_EQ(72, Get16BE(&sof->payload[1]));  // lines
  EXPECT_EQ(72, Get16BE(&sof->payload[3]));  // samples per line
  EXPECT_EQ(3, sof->payload[5]);             // components
  for (uint8_t m : {0xC1, 0xC2, 0xC3}) EXPECT_EQ(FindSegment(segs, m), nullptr) << int(m);
  ASSERT_NE(FindSegment(segs, 0xDA), nullptr);
  EXPECT_EQ(bytes.size(), size_t(MEM_Size(data_)));  // the block is the stream's size
}

TEST_F(JpgEncode, LibjpegDecodesTheStreamCloseToTheSource) {
  ImgSurface* s =
      NewSurface(72, 72, IMG_DEPTH_24, [](int x, int y) { return Gradient(x, y, 72, 72); });
  PeerImage back;
  ASSERT_TRUE(PeerDecode(Encode(s, 90), &back));
  ASSERT_EQ(72, back.width);
  ASSERT_EQ(72, back.height);
  EXPECT_LE(MaxDifference(s, back), 12);
  IMG_SurfaceFree(&s);
}

TEST_F(JpgEncode, QualityIsClampedAndScalesTheStandardTables) {
  ImgSurface* s =
      NewSurface(16, 16, IMG_DEPTH_24, [](int x, int y) { return Gradient(x, y, 16, 16); });
  for (int q : {1, 10, 50, 75, 90, 100})
    EXPECT_EQ(ExpectedLumaDqt(q), StreamLumaDqt(Encode(s, int16_t(q)))) << q;
  EXPECT_EQ(ExpectedLumaDqt(1), StreamLumaDqt(Encode(s, 0)));
  EXPECT_EQ(ExpectedLumaDqt(1), StreamLumaDqt(Encode(s, -20)));
  EXPECT_EQ(ExpectedLumaDqt(100), StreamLumaDqt(Encode(s, 300)));
  IMG_SurfaceFree(&s);
}

TEST_F(JpgEncode, SixteenBitSurfaceIsWidenedToFullColour) {
  ImgSurface* s = NewSurface(32, 32, IMG_DEPTH_16, [](int x, int y) {
    return uint32_t(x < 16 ? (y < 16 ? 0xFF0000 : 0x0000FF) : (y < 16 ? 0x00FF00 : 0xFFFFFF));
  });
  PeerImage back;
  ASSERT_TRUE(PeerDecode(Encode(s, 95), &back));
  // Away from the edges the colours are the full-intensity ones.
  const uint8_t* red = back.At(4, 4);
  const uint8_t* white = back.At(27, 27);
  EXPECT_GE(red[0], 245);
  EXPECT_LE(red[1], 10);
  EXPECT_GE(std::min({white[0], white[1], white[2]}), 245);
  EXPECT_GE(back.At(27, 4)[1], 245);
  EXPECT_GE(back.At(4, 27)[2], 245);
  IMG_SurfaceFree(&s);
}

TEST_F(JpgEncode, RejectsMissingOrEmptySourcesAndLeavesTheOutputAlone) {
  uint8_t* out = reinterpret_cast<uint8_t*>(0x1);
  uint32_t size = 77;
  EXPECT_EQ(ERR_IMG_PARAM, JPG_Encode(nullptr, 80, &out, &size, nullptr, 0));
  ImgSurface empty{0, 10, IMG_DEPTH_24, 0, nullptr};
  EXPECT_EQ(ERR_IMG_PARAM, JPG_Encode(&empty, 80, &out, &size, nullptr, 0));
  ImgSurface* s = Target(4, 4);
  s->depth = 8;
  EXPECT_EQ(ERR_IMG_PARAM, JPG_Encode(s, 80, &out, &size, nullptr, 0));
  s->depth = IMG_DEPTH_24;
  EXPECT_EQ(reinterpret_cast<uint8_t*>(0x1), out);
  EXPECT_EQ(77u, size);
  // Null outputs are skipped.
  EXPECT_EQ(0, JPG_Encode(s, 80, nullptr, nullptr, nullptr, 0));
}

TEST_F(JpgEncode, EveryFailingAllocationGivesMemFullWithoutLeaks) {
  ImgSurface* s = Target(300, 200);  // the stream outgrows the first block
  for (int16_t y = 0; y < 200; y++)
    for (int16_t x = 0; x < 300; x++) IMG_SetPixel(s, x, y, uint32_t(rand()) & 0xFFFFFF);
  int failures = 0;
  for (uint32_t n = 1; n < 50; n++) {
    uint32_t live = MEM_LiveBlocks();
    uint8_t* out = nullptr;
    uint32_t size = 0;
    MEM_FailNthAlloc(n);
    Err err = JPG_Encode(s, 90, &out, &size, nullptr, 0);
    MEM_FailNthAlloc(0);
    if (err == 0) {
      EXPECT_GT(size, 16384u);
      MEM_Free(out);
      break;
    }
    EXPECT_EQ(ERR_MEM_FULL, err) << n;
    EXPECT_EQ(nullptr, out);
    EXPECT_EQ(live, MEM_LiveBlocks()) << n;
    failures++;
  }
  EXPECT_GE(failures, 3);  // row buffer, first block, a growth
}

struct RowLog {
  std::vector<int32_t> done;
  int32_t total = 0;
  int32_t stopAt = -1;
};
bool LogRow(int32_t done, int32_t total, uintptr_t arg) {
  auto* log = reinterpret_cast<RowLog*>(arg);
  log->done.push_back(done);
  log->total = total;
  return done != log->stopAt;
}

TEST_F(JpgEncode, ReportsEveryRowAndStopsWhenAsked) {
  ImgSurface* s = Target(40, 72);
  RowLog all;
  uint8_t* out = nullptr;
  uint32_t size = 0;
  ASSERT_EQ(0, JPG_Encode(s, 50, &out, &size, LogRow, reinterpret_cast<uintptr_t>(&all)));
  MEM_Free(out);
  ASSERT_EQ(72u, all.done.size());
  EXPECT_EQ(1, all.done.front());
  EXPECT_EQ(72, all.done.back());
  EXPECT_EQ(72, all.total);
  RowLog stop;
  stop.stopAt = 10;
  out = nullptr;
  EXPECT_EQ(ERR_IMG_ABORTED,
            JPG_Encode(s, 50, &out, &size, LogRow, reinterpret_cast<uintptr_t>(&stop)));
  EXPECT_EQ(nullptr, out);
  EXPECT_EQ(10u, stop.done.size());
}

// --- decoding ---

TEST_F(JpgDecode, ReadsTheSizeFromTheHeader) {
  std::vector<uint8_t> bytes = PeerEncode(Quadrants(123, 45), JCS_RGB);
  int16_t w = 0, h = 0;
  ASSERT_EQ(0, JPG_ReadSize(bytes.data(), uint32_t(bytes.size()), &w, &h));
  EXPECT_EQ(123, w);
  EXPECT_EQ(45, h);
  EXPECT_EQ(0, JPG_ReadSize(bytes.data(), uint32_t(bytes.size()), nullptr, nullptr));
}

TEST_F(JpgDecode, SameSizeMatchesLibjpegExactly) {
  PeerImage src = MakePeerImage(72, 72, 3, [](int x, int y, uint8_t* px) {
    uint32_t v = Gradient(x, y, 72, 72);
    px[0] = uint8_t(v >> 16), px[1] = uint8_t(v >> 8), px[2] = uint8_t(v);
  });
  std::vector<uint8_t> bytes = PeerEncode(src, JCS_RGB);
  PeerImage peer;
  ASSERT_TRUE(PeerDecode(bytes, &peer));
  ASSERT_EQ(0, Decode(bytes, Target(72, 72)));
  EXPECT_EQ(0, MaxDifference(surface_, peer));
  // 16-bit: each channel keeps its top 5 or 6 bits, widened again.
  ASSERT_EQ(0, Decode(bytes, Target(72, 72, IMG_DEPTH_16)));
  for (int y = 0; y < 72; y += 7)
    for (int x = 0; x < 72; x += 5) {
      const uint8_t* p = peer.At(x, y);
      uint32_t r = p[0] >> 3, g = p[1] >> 2, b = p[2] >> 3;
      uint32_t want = (r << 3 | r >> 2) << 16 | (g << 2 | g >> 4) << 8 | (b << 3 | b >> 2);
      ASSERT_EQ(want, IMG_GetPixel(surface_, int16_t(x), int16_t(y))) << x << "," << y;
    }
}

TEST_F(JpgDecode, ScalesToSmallerLargerAndUnevenSizes) {
  std::vector<uint8_t> bytes = PeerEncode(Quadrants(160, 120), JCS_RGB, false, 95);
  const int16_t sizes[][2] = {{40, 30},  {16, 12},  {4, 2},  {200, 150},
                              {160, 40}, {19, 120}, {500, 7}};
  for (const auto& size : sizes) {
    int16_t w = size[0], h = size[1];
    ASSERT_EQ(0, Decode(bytes, Target(w, h))) << w << "x" << h;
    // The centre of each quadrant keeps its colour.
    for (int q = 0; q < 4; q++) {
      int16_t x = int16_t((q % 2) * w / 2 + w / 4), y = int16_t((q / 2) * h / 2 + h / 4);
      uint32_t px = IMG_GetPixel(surface_, x, y);
      for (int c = 0; c < 3; c++)
        EXPECT_NEAR(kQuadrant[q][c], Channel(px, c), 24) << w << "x" << h << " q" << q;
    }
  }
}

TEST_F(JpgDecode, DownscalingAveragesTheCoveredPixels) {
  // Red rises by one per column; 256 columns shown as 64 average 4 each.
  PeerImage ramp = MakePeerImage(
      256, 32, 3, [](int x, int, uint8_t* px) { px[0] = uint8_t(x), px[1] = 0, px[2] = 0; });
  std::vector<uint8_t> bytes = PeerEncode(ramp, JCS_RGB, false, 100);
  ASSERT_EQ(0, Decode(bytes, Target(64, 8)));
  for (int16_t x = 1; x < 63; x++)
    EXPECT_NEAR(4 * x + 1.5, Channel(IMG_GetPixel(surface_, x, 4), 0), 4.0) << x;
  // Shown larger, the ramp stays in order and spans its range.
  ASSERT_EQ(0, Decode(bytes, Target(1024, 8)));
  int previous = -1;
  for (int16_t x = 0; x < 1024; x += 8) {
    int r = Channel(IMG_GetPixel(surface_, x, 4), 0);
    EXPECT_GE(r + 3, previous) << x;
    previous = r;
  }
  EXPECT_LE(Channel(IMG_GetPixel(surface_, 0, 4), 0), 4);
  EXPECT_GE(Channel(IMG_GetPixel(surface_, 1023, 4), 0), 251);
}

TEST_F(JpgDecode, GrayscaleComesOutAsEqualChannels) {
  PeerImage gray = MakePeerImage(48, 24, 1, [](int x, int, uint8_t* px) { *px = uint8_t(x * 5); });
  ASSERT_EQ(0, Decode(PeerEncode(gray, JCS_GRAYSCALE, false, 100), Target(48, 24)));
  for (int16_t x = 0; x < 48; x += 3) {
    uint32_t px = IMG_GetPixel(surface_, x, 12);
    EXPECT_EQ(Channel(px, 0), Channel(px, 1));
    EXPECT_EQ(Channel(px, 0), Channel(px, 2));
    EXPECT_NEAR(x * 5, Channel(px, 0), 3) << x;
  }
}

TEST_F(JpgDecode, CmykWithTheAdobeMarkerIsConverted) {
  // Adobe's writers store inverted inks: red is C=0 M=255 Y=255 K=0, stored
  // as 255, 0, 0, 255. Quadrants: red, green / blue, black.
  const uint8_t inks[4][4] = {{255, 0, 0, 255}, {0, 255, 0, 255}, {0, 0, 255, 255}, {0, 0, 0, 0}};
  const uint32_t want[4] = {0xFF0000, 0x00FF00, 0x0000FF, 0x000000};
  PeerImage cmyk = MakePeerImage(64, 64, 4, [&](int x, int y, uint8_t* px) {
    memcpy(px, inks[(y >= 32) * 2 + (x >= 32)], 4);
  });
  std::vector<uint8_t> bytes = PeerEncode(cmyk, JCS_CMYK, false, 100);
  ASSERT_NE(FindSegment(ParseMarkers(bytes), 0xEE), nullptr);  // the Adobe segment
  ASSERT_EQ(0, Decode(bytes, Target(32, 32)));
  for (int q = 0; q < 4; q++) {
    uint32_t px = IMG_GetPixel(surface_, int16_t((q % 2) * 16 + 8), int16_t((q / 2) * 16 + 8));
    for (int c = 0; c < 3; c++) EXPECT_NEAR(Channel(want[q], c), Channel(px, c), 8) << q;
  }
}

TEST_F(JpgDecode, ProgressiveMatchesLibjpeg) {
  PeerImage src = MakePeerImage(90, 60, 3, [](int x, int y, uint8_t* px) {
    uint32_t v = Gradient(x, y, 90, 60);
    px[0] = uint8_t(v >> 16), px[1] = uint8_t(v >> 8), px[2] = uint8_t(v);
  });
  std::vector<uint8_t> bytes = PeerEncode(src, JCS_RGB, true);
  ASSERT_NE(FindSegment(ParseMarkers(bytes), 0xC2), nullptr);
  PeerImage peer;
  ASSERT_TRUE(PeerDecode(bytes, &peer));
  ASSERT_EQ(0, Decode(bytes, Target(90, 60)));
  EXPECT_EQ(0, MaxDifference(surface_, peer));
  ASSERT_EQ(0, Decode(bytes, Target(30, 20)));  // scaled while decoding
}

TEST_F(JpgDecode, ReportsRowsAndStopsWhenAsked) {
  std::vector<uint8_t> bytes = PeerEncode(Quadrants(64, 48), JCS_RGB);
  RowLog all;
  ASSERT_EQ(0, JPG_Decode(bytes.data(), uint32_t(bytes.size()), Target(64, 48), LogRow,
                          reinterpret_cast<uintptr_t>(&all)));
  ASSERT_EQ(48u, all.done.size());
  EXPECT_EQ(48, all.done.back());
  EXPECT_EQ(48, all.total);
  RowLog stop;
  stop.stopAt = 5;
  EXPECT_EQ(ERR_IMG_ABORTED, JPG_Decode(bytes.data(), uint32_t(bytes.size()), surface_, LogRow,
                                        reinterpret_cast<uintptr_t>(&stop)));
  EXPECT_EQ(5u, stop.done.size());
}

TEST_F(JpgDecode, RejectsAMissingOrBrokenTarget) {
  std::vector<uint8_t> bytes = PeerEncode(Quadrants(16, 16), JCS_RGB);
  EXPECT_EQ(ERR_IMG_PARAM, Decode(bytes, nullptr));
  ImgSurface noPixels{16, 16, IMG_DEPTH_24, 48, nullptr};
  EXPECT_EQ(ERR_IMG_PARAM, Decode(bytes, &noPixels));
  ImgSurface* s = Target(16, 16);
  s->depth = 32;
  EXPECT_EQ(ERR_IMG_PARAM, Decode(bytes, s));
  s->depth = IMG_DEPTH_24;
}

TEST_F(JpgDecode, EveryFailingAllocationGivesMemFullWithoutLeaks) {
  std::vector<uint8_t> bytes = PeerEncode(Quadrants(64, 64), JCS_RGB);
  ImgSurface* s = Target(20, 20);
  int failures = 0;
  for (uint32_t n = 1; n < 20; n++) {
    uint32_t live = MEM_LiveBlocks();
    MEM_FailNthAlloc(n);
    Err err = Decode(bytes, s);
    MEM_FailNthAlloc(0);
    EXPECT_EQ(live, MEM_LiveBlocks()) << n;
    if (err == 0) break;
    EXPECT_EQ(ERR_MEM_FULL, err) << n;
    failures++;
  }
  EXPECT_GE(failures, 2);  // the decoded row and the resampler
}

// --- damaged input ---

TEST_F(JpgDamaged, EmptyGarbageAndNonJpegInputAreBadData) {
  ImgSurface* s = Target(8, 8);
  const std::vector<std::vector<uint8_t>> inputs = {
      {},
      {0xFF},
      {0xFF, 0xD8},
      {0xFF, 0xD8, 0xFF, 0xD9},
      {'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0},
      std::vector<uint8_t>(4096, 0xFF),
      std::vector<uint8_t>(300, 0x00),
  };
  for (const auto& in : inputs) {
    int16_t w = 99;
    EXPECT_EQ(ERR_IMG_BAD_DATA, JPG_ReadSize(in.data(), uint32_t(in.size()), &w, nullptr));
    EXPECT_EQ(99, w);
    EXPECT_EQ(ERR_IMG_BAD_DATA, Decode(in, s)) << in.size();
  }
  EXPECT_EQ(ERR_IMG_BAD_DATA, JPG_ReadSize(nullptr, 100, nullptr, nullptr));
}

TEST_F(JpgDamaged, EveryTruncationIsBadData) {
  std::vector<uint8_t> bytes = PeerEncode(Quadrants(24, 16), JCS_RGB);
  ImgSurface* s = Target(12, 8);
  for (size_t cut = 0; cut < bytes.size(); cut++) {
    std::vector<uint8_t> part(bytes.begin(), bytes.begin() + long(cut));
    ASSERT_EQ(ERR_IMG_BAD_DATA, Decode(part, s)) << "cut at " << cut << " of " << bytes.size();
  }
  std::vector<uint8_t> progressive = PeerEncode(Quadrants(24, 16), JCS_RGB, true);
  for (size_t cut = 0; cut < progressive.size(); cut += 7) {
    std::vector<uint8_t> part(progressive.begin(), progressive.begin() + long(cut));
    ASSERT_EQ(ERR_IMG_BAD_DATA, Decode(part, s)) << "progressive cut at " << cut;
  }
}

TEST_F(JpgDamaged, ZeroAndOversizedSidesAreRefused) {
  std::vector<uint8_t> bytes = PeerEncode(Quadrants(16, 16), JCS_RGB);
  std::vector<JpegSegment> segs = ParseMarkers(bytes);
  const JpegSegment* sof = FindSegment(segs, 0xC0);
  ASSERT_NE(sof, nullptr);
  size_t lines = sof->offset + 5, samples = sof->offset + 7;  // after FF C0, length, precision
  ImgSurface* s = Target(8, 8);
  for (uint16_t side : {uint16_t(0), uint16_t(IMG_MAX_SIDE + 1), uint16_t(65000)}) {
    for (size_t at : {lines, samples}) {
      std::vector<uint8_t> bad = bytes;
      Put16BE(&bad[at], side);
      EXPECT_EQ(ERR_IMG_BAD_DATA, JPG_ReadSize(bad.data(), uint32_t(bad.size()), nullptr, nullptr))
          << side;
      EXPECT_EQ(ERR_IMG_BAD_DATA, Decode(bad, s)) << side;
    }
  }
}

TEST_F(JpgDamaged, CorruptedBytesNeverCrashOrLeak) {
  std::vector<uint8_t> bytes = PeerEncode(Quadrants(40, 40), JCS_RGB, false, 75);
  std::vector<uint8_t> progressive = PeerEncode(Quadrants(40, 40), JCS_RGB, true, 75);
  ImgSurface* s = Target(10, 10, IMG_DEPTH_16);
  srand(7);
  int bad = 0;
  for (int round = 0; round < 400; round++) {
    std::vector<uint8_t> mutated = round % 2 ? progressive : bytes;
    for (int k = 0; k < 1 + round % 4; k++)
      mutated[size_t(rand()) % mutated.size()] = uint8_t(rand());
    Err err = Decode(mutated, s);
    ASSERT_TRUE(err == 0 || err == ERR_IMG_BAD_DATA) << err;
    bad += err != 0;
  }
  EXPECT_GT(bad, 50);
}

}  // namespace
