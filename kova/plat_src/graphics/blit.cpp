// Copies of surfaces onto a canvas: 24-bit rows are copied as they are,
// 16-bit RGB565 pixels are widened by repeating their high bits (so white
// stays 0xFFFFFF). The source rectangle is cut to the source first, then
// the destination to the clip; a copy within one surface works whichever
// way the two areas overlap. Owns no state.
#include <algorithm>
#include <cstring>

#include "graphics/gfx_internal.h"

namespace {

void widenRow(uint8_t* d, const uint8_t* s, int32_t n) {
  for (int32_t i = 0; i < n; i++, d += 3, s += 2) {
    uint16_t v;
    memcpy(&v, s, 2);
    uint32_t r = (v >> 11) & 31, g = (v >> 5) & 63, b = v & 31;
    d[0] = uint8_t((r << 3) | (r >> 2));
    d[1] = uint8_t((g << 2) | (g >> 4));
    d[2] = uint8_t((b << 3) | (b >> 2));
  }
}

}  // namespace

void GFX_Blit(GfxCanvas* c, const ImgSurface* src, const GfxRect* from, int16_t x, int16_t y) {
  GfxBounds b;
  if (!src || !src->pixels || (src->depth != IMG_DEPTH_16 && src->depth != IMG_DEPTH_24) ||
      !gfxBounds(c, &b))
    return;
  GfxRect whole{0, 0, src->width, src->height};
  GfxRect r = from ? GFX_Intersect(*from, whole) : whole;
  if (r.w <= 0 || r.h <= 0) return;
  // Where the cut source rectangle lands, in surface pixels.
  int32_t dx = int32_t(x) + c->originX + (from ? r.x - from->x : 0);
  int32_t dy = int32_t(y) + c->originY + (from ? r.y - from->y : 0);
  int32_t left = std::max(dx, b.left), right = std::min(dx + r.w, b.right);
  int32_t top = std::max(dy, b.top), bottom = std::min(dy + r.h, b.bottom);
  if (left >= right || top >= bottom) return;
  const uint32_t step = src->depth == IMG_DEPTH_16 ? 2 : 3;
  const int32_t n = right - left, rows = bottom - top;
  ImgSurface* s = c->surface;
  // Downward copies within one surface go bottom-up so no row is
  // overwritten before it is read.
  const bool upward = src == s && dy > r.y;
  for (int32_t i = 0; i < rows; i++) {
    int32_t row = upward ? bottom - 1 - i : top + i;
    const uint8_t* from8 =
        src->pixels + size_t(r.y + (row - dy)) * src->rowBytes + size_t(r.x + (left - dx)) * step;
    uint8_t* to = s->pixels + size_t(row) * s->rowBytes + size_t(left) * 3;
    if (step == 3)
      memmove(to, from8, size_t(n) * 3);
    else
      widenRow(to, from8, n);
  }
}
