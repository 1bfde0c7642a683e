// One-pixel lines by Bresenham's integer algorithm, both ends included.
// Horizontal and vertical lines are spans; the others step pixel by pixel
// and skip pixels outside the clip. Owns no state.
#include <algorithm>
#include <cstdlib>

#include "graphics/gfx_internal.h"

namespace {

void putPixel(ImgSurface* s, int32_t x, int32_t y, uint32_t rgb) {
  uint8_t* p = s->pixels + size_t(y) * s->rowBytes + size_t(x) * 3;
  p[0] = uint8_t(rgb >> 16);
  p[1] = uint8_t(rgb >> 8);
  p[2] = uint8_t(rgb);
}

}  // namespace

void GFX_Line(GfxCanvas* c, int16_t x0, int16_t y0, int16_t x1, int16_t y1, uint32_t rgb) {
  GfxBounds b;
  if (!gfxBounds(c, &b)) return;
  ImgSurface* s = c->surface;
  int32_t ax = int32_t(x0) + c->originX, ay = int32_t(y0) + c->originY;
  int32_t bx = int32_t(x1) + c->originX, by = int32_t(y1) + c->originY;
  if (ay == by) {
    if (ay < b.top || ay >= b.bottom) return;
    int32_t left = std::max(std::min(ax, bx), b.left);
    int32_t right = std::min(std::max(ax, bx) + 1, b.right);
    if (left < right) gfxSpan(s, left, right, ay, rgb);
    return;
  }
  if (ax == bx) {
    if (ax < b.left || ax >= b.right) return;
    int32_t top = std::max(std::min(ay, by), b.top);
    int32_t bottom = std::min(std::max(ay, by) + 1, b.bottom);
    for (int32_t y = top; y < bottom; y++) putPixel(s, ax, y, rgb);
    return;
  }
  // The error term tracks both axes, so one loop serves all eight octants.
  int32_t dx = std::abs(bx - ax), dy = -std::abs(by - ay);
  int32_t sx = ax < bx ? 1 : -1, sy = ay < by ? 1 : -1;
  int32_t err = dx + dy;
  for (int32_t x = ax, y = ay;;) {
    if (x >= b.left && x < b.right && y >= b.top && y < b.bottom) putPixel(s, x, y, rgb);
    if (x == bx && y == by) break;
    int32_t e2 = 2 * err;
    if (e2 >= dy) {
      err += dy;
      x += sx;
    }
    if (e2 <= dx) {
      err += dx;
      y += sy;
    }
  }
}
