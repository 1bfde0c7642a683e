// Pieces shared by the drawing module's files: the canvas-to-surface
// mapping, span filling inside the clip, colour blending and the "BMAP"
// parser (exposed so that tests and the fuzz target can feed it bytes).
// Owns no state.
#pragma once

#include "kova_gfx.h"

// The clip rectangle of `c` cut to its surface, as half-open bounds in
// surface pixels. False when nothing can be drawn (no 24-bit surface, or
// an empty clip).
struct GfxBounds {
  int32_t left, top, right, bottom;  // right and bottom excluded
};
bool gfxBounds(const GfxCanvas* c, GfxBounds* out);

// Writes `rgb` to surface pixels [x0, x1) of row y; the caller has clipped.
void gfxSpan(ImgSurface* s, int32_t x0, int32_t x1, int32_t y, uint32_t rgb);

// round((src * a + dst * (255 - a)) / 255) for one 8-bit channel.
inline uint8_t gfxBlend(uint8_t src, uint8_t dst, uint8_t a) {
  uint32_t t = uint32_t(src) * a + uint32_t(dst) * (255u - a) + 128u;
  return uint8_t((t + (t >> 8)) >> 8);
}

// One image of a "BMAP" resource: `pixels` points into the body and holds
// at least width * height * depth / 8 bytes, rows from the top.
struct GfxBitmapImage {
  int16_t width, height;
  uint16_t depth;  // 24 (R G B) or 32 (R G B A, straight alpha)
  const uint8_t* pixels;
};

// Largest side of a bitmap image.
inline constexpr int16_t GFX_BITMAP_MAX_SIDE = 2048;

// Parses a "BMAP" body and picks the deepest entry. Every chunk length and
// count is checked against the body. Returns 0 or ERR_IMG_BAD_DATA (not a
// bitmap, a damaged chunk, no entry of depth 24 or 32, a side of 0 or above
// GFX_BITMAP_MAX_SIDE, fewer pixel bytes than the sides need).
[[nodiscard]] Err gfxParseBitmap(const uint8_t* body, uint32_t size, GfxBitmapImage* out);

// Draws a parsed image at surface position (x, y) inside `b`, blending by
// alpha (32-bit) or copying (24-bit).
void gfxDrawImage(ImgSurface* s, const GfxBounds& b, const GfxBitmapImage& image, int32_t x,
                  int32_t y);
