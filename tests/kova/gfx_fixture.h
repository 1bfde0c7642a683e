// Test fixture for the drawing module: a 24-bit surface whose pixel block
// is surrounded by guard bytes (a band before and after the block and a
// pad at the end of every row), so that a test sees any write outside the
// surface; and an expected image kept beside it, filled by the tests'
// own reference drawing and compared pixel by pixel.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "kova_fixture.h"
#include "kova_gfx.h"

class GfxTest : public KovaTest {
 public:
  static constexpr uint8_t GUARD = 0xA5;
  static constexpr size_t BAND = 64;  // guard bytes before and after the block
  static constexpr uint32_t PAD = 7;  // guard bytes after every row

  void SetUp() override {
    KovaTest::SetUp();
    MakeSurface(40, 30);
  }

  // A fresh guarded surface of w x h filled with `rgb`; the expected image
  // is set to the same.
  void MakeSurface(int16_t w, int16_t h, uint32_t rgb = 0) {
    rowBytes_ = uint32_t(w) * 3 + PAD;
    block_.assign(BAND * 2 + size_t(rowBytes_) * h, GUARD);
    surface_ = ImgSurface{w, h, IMG_DEPTH_24, rowBytes_, block_.data() + BAND};
    want_.assign(size_t(w) * h, rgb);
    for (int y = 0; y < h; y++)
      for (int x = 0; x < w; x++) Put(x, y, rgb);
    canvas_ = GFX_CanvasFor(&surface_);
  }

  // Writes a pixel straight into the block (test setup, not the code under test).
  void Put(int x, int y, uint32_t rgb) {
    uint8_t* p = surface_.pixels + size_t(y) * rowBytes_ + size_t(x) * 3;
    p[0] = uint8_t(rgb >> 16);
    p[1] = uint8_t(rgb >> 8);
    p[2] = uint8_t(rgb);
  }
  uint32_t Pixel(int x, int y) const {
    const uint8_t* p = surface_.pixels + size_t(y) * rowBytes_ + size_t(x) * 3;
    return (uint32_t(p[0]) << 16) | (uint32_t(p[1]) << 8) | p[2];
  }

  // The expected image.
  uint32_t& Want(int x, int y) { return want_[size_t(y) * surface_.width + size_t(x)]; }
  // Sets an expected pixel when it lies inside `clip` (surface pixels).
  void WantIn(const GfxRect& clip, int x, int y, uint32_t rgb) {
    if (x >= clip.x && y >= clip.y && x < clip.x + clip.w && y < clip.y + clip.h &&
        x < surface_.width && y < surface_.height && x >= 0 && y >= 0)
      Want(x, y) = rgb;
  }

  bool GuardsIntact() const {
    for (size_t i = 0; i < BAND; i++)
      if (block_[i] != GUARD || block_[block_.size() - 1 - i] != GUARD) return false;
    for (int y = 0; y < surface_.height; y++)
      for (uint32_t i = 0; i < PAD; i++)
        if (surface_.pixels[size_t(y) * rowBytes_ + size_t(surface_.width) * 3 + i] != GUARD)
          return false;
    return true;
  }

  // Compares the surface with the expected image; lists the first few
  // differing pixels.
  ::testing::AssertionResult Matches() const {
    std::string diff;
    int count = 0;
    for (int y = 0; y < surface_.height; y++)
      for (int x = 0; x < surface_.width; x++) {
        uint32_t want = want_[size_t(y) * surface_.width + size_t(x)];
        if (Pixel(x, y) == want) continue;
        if (count++ < 8) {
          char line[80];
          snprintf(line, sizeof line, " (%d,%d) is %06x, want %06x", x, y, Pixel(x, y), want);
          diff += line;
        }
      }
    if (!GuardsIntact()) return ::testing::AssertionFailure() << "guard bytes overwritten";
    if (count) return ::testing::AssertionFailure() << count << " pixels differ:" << diff;
    return ::testing::AssertionSuccess();
  }

  std::vector<uint8_t> block_;
  uint32_t rowBytes_ = 0;
  ImgSurface surface_{};
  GfxCanvas canvas_{};
  std::vector<uint32_t> want_;
};
