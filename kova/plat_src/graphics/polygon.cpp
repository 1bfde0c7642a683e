// Polygon fill by scanlines with the even-odd rule. A pixel is filled when
// its centre lies inside: on each row the edges are cut at the row's centre
// line and the pixels between the 1st and 2nd crossing, the 3rd and 4th,
// and so on, are filled. Crossings are computed exactly in integers (a
// centre lying exactly on an edge belongs to the span on its right), so
// shapes that share an edge neither overlap nor leave a gap. Owns no state.
#include <algorithm>

#include "graphics/gfx_internal.h"
#include "kova_mem.h"

namespace {

constexpr int32_t STACK_CROSSINGS = 64;

// Smallest integer >= n / d for d > 0.
int64_t ceilDiv(int64_t n, int64_t d) { return n >= 0 ? (n + d - 1) / d : -((-n) / d); }

// The first pixel column whose centre lies at or right of the crossing of
// edge (xa, ya)-(xb, yb) with the centre line of row y. ya != yb.
int32_t crossing(int32_t xa, int32_t ya, int32_t xb, int32_t yb, int32_t y) {
  if (ya > yb) {
    std::swap(xa, xb);
    std::swap(ya, yb);
  }
  // x = xa + (y + 1/2 - ya) * (xb - xa) / (yb - ya); pixel x' is reached
  // when x' + 1/2 >= x, so x' = ceil(x - 1/2), all doubled to stay whole.
  int64_t den = 2 * int64_t(yb - ya);
  int64_t num = int64_t(2 * int64_t(xa) - 1) * (yb - ya) + int64_t(2 * (y - ya) + 1) * (xb - xa);
  return int32_t(std::clamp<int64_t>(ceilDiv(num, den), INT32_MIN / 2, INT32_MAX / 2));
}

void fillRows(ImgSurface* s, const GfxBounds& b, const int32_t* px, const int32_t* py,
              int32_t count, int32_t top, int32_t bottom, int32_t* xs, uint32_t rgb) {
  for (int32_t y = top; y < bottom; y++) {
    int32_t n = 0;
    for (int32_t i = 0; i < count; i++) {
      int32_t j = i + 1 == count ? 0 : i + 1;
      int32_t lo = std::min(py[i], py[j]), hi = std::max(py[i], py[j]);
      if (lo <= y && y < hi) xs[n++] = crossing(px[i], py[i], px[j], py[j], y);
    }
    std::sort(xs, xs + n);
    for (int32_t k = 0; k + 1 < n; k += 2) {
      int32_t left = std::max(xs[k], b.left), right = std::min(xs[k + 1], b.right);
      if (left < right) gfxSpan(s, left, right, y, rgb);
    }
  }
}

}  // namespace

void GFX_FillPolygon(GfxCanvas* c, const int16_t* xy, int16_t count, uint32_t rgb) {
  GfxBounds b;
  if (!xy || count < 3 || !gfxBounds(c, &b)) return;
  int32_t stack[3 * STACK_CROSSINGS];
  int32_t* block = nullptr;
  int32_t* buffer = stack;
  if (count > STACK_CROSSINGS) {
    block = static_cast<int32_t*>(MEM_Alloc(uint32_t(count) * 3 * sizeof(int32_t), false));
    if (!block) return;  // no memory: nothing drawn
    buffer = block;
  }
  int32_t *px = buffer, *py = buffer + count, *xs = buffer + 2 * count;
  int32_t top = INT32_MAX, bottom = INT32_MIN;
  for (int32_t i = 0; i < count; i++) {
    px[i] = int32_t(xy[2 * i]) + c->originX;
    py[i] = int32_t(xy[2 * i + 1]) + c->originY;
    top = std::min(top, py[i]);
    bottom = std::max(bottom, py[i]);
  }
  fillRows(c->surface, b, px, py, count, std::max(top, b.top), std::min(bottom, b.bottom), xs, rgb);
  MEM_Free(block);
}
