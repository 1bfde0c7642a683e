// Canvases and rectangles: the clip and origin of a canvas, filled,
// patterned and framed rectangles. Every primitive maps canvas coordinates
// to surface pixels (origin added, in 32 bits so that nothing wraps) and
// cuts them to the clip, which is itself inside the surface. Owns no state.
#include <algorithm>
#include <cstring>

#include "graphics/gfx_internal.h"

namespace {

// Canvas rectangle `r` moved by the origin and cut to the clip.
bool clipRect(const GfxCanvas* c, const GfxRect& r, GfxBounds* out) {
  GfxBounds b;
  if (!gfxBounds(c, &b) || r.w <= 0 || r.h <= 0) return false;
  int32_t x = int32_t(r.x) + c->originX, y = int32_t(r.y) + c->originY;
  out->left = std::max(b.left, x);
  out->top = std::max(b.top, y);
  out->right = std::min(b.right, x + r.w);
  out->bottom = std::min(b.bottom, y + r.h);
  return out->left < out->right && out->top < out->bottom;
}

int16_t toSide(int32_t v) { return int16_t(std::clamp<int32_t>(v, 0, INT16_MAX)); }

}  // namespace

bool gfxBounds(const GfxCanvas* c, GfxBounds* out) {
  if (!c || !c->surface || !c->surface->pixels || c->surface->depth != IMG_DEPTH_24) return false;
  const GfxRect& k = c->clip;
  out->left = std::max<int32_t>(0, k.x);
  out->top = std::max<int32_t>(0, k.y);
  out->right = std::min<int32_t>(c->surface->width, int32_t(k.x) + std::max<int16_t>(k.w, 0));
  out->bottom = std::min<int32_t>(c->surface->height, int32_t(k.y) + std::max<int16_t>(k.h, 0));
  return out->left < out->right && out->top < out->bottom;
}

void gfxSpan(ImgSurface* s, int32_t x0, int32_t x1, int32_t y, uint32_t rgb) {
  uint8_t* p = s->pixels + size_t(y) * s->rowBytes + size_t(x0) * 3;
  const uint8_t r = uint8_t(rgb >> 16), g = uint8_t(rgb >> 8), b = uint8_t(rgb);
  for (int32_t x = x0; x < x1; x++, p += 3) {
    p[0] = r;
    p[1] = g;
    p[2] = b;
  }
}

GfxCanvas GFX_CanvasFor(ImgSurface* surface) {
  GfxCanvas c{surface, {0, 0, 0, 0}, 0, 0};
  if (surface) c.clip = {0, 0, surface->width, surface->height};
  return c;
}

GfxRect GFX_Intersect(const GfxRect& a, const GfxRect& b) {
  int32_t left = std::max(a.x, b.x), top = std::max(a.y, b.y);
  int32_t right = std::min(int32_t(a.x) + a.w, int32_t(b.x) + b.w);
  int32_t bottom = std::min(int32_t(a.y) + a.h, int32_t(b.y) + b.h);
  if (a.w <= 0 || a.h <= 0 || b.w <= 0 || b.h <= 0 || left >= right || top >= bottom)
    return GfxRect{0, 0, 0, 0};
  return GfxRect{int16_t(left), int16_t(top), toSide(right - left), toSide(bottom - top)};
}

GfxRect GFX_SetClip(GfxCanvas* c, const GfxRect* r) {
  if (!c) return GfxRect{0, 0, 0, 0};
  GfxRect previous = c->clip;
  int16_t w = c->surface ? c->surface->width : 0, h = c->surface ? c->surface->height : 0;
  GfxRect whole{0, 0, w, h};
  if (!r) {
    c->clip = whole;
    return previous;
  }
  // Moved by the origin in 32 bits, then cut: parts beyond int16 lie off
  // the surface anyway.
  int32_t x = int32_t(r->x) + c->originX, y = int32_t(r->y) + c->originY;
  int32_t left = std::clamp<int32_t>(x, 0, w), top = std::clamp<int32_t>(y, 0, h);
  int32_t right = std::clamp<int32_t>(x + std::max<int16_t>(r->w, 0), 0, w);
  int32_t bottom = std::clamp<int32_t>(y + std::max<int16_t>(r->h, 0), 0, h);
  if (left >= right || top >= bottom)
    c->clip = GfxRect{0, 0, 0, 0};
  else
    c->clip = GfxRect{int16_t(left), int16_t(top), int16_t(right - left), int16_t(bottom - top)};
  return previous;
}

void GFX_FillRect(GfxCanvas* c, const GfxRect& r, uint32_t rgb) {
  GfxBounds b;
  if (!clipRect(c, r, &b)) return;
  ImgSurface* s = c->surface;
  gfxSpan(s, b.left, b.right, b.top, rgb);
  // Later rows copy the first one.
  const uint8_t* first = s->pixels + size_t(b.top) * s->rowBytes + size_t(b.left) * 3;
  size_t bytes = size_t(b.right - b.left) * 3;
  for (int32_t y = b.top + 1; y < b.bottom; y++)
    memcpy(s->pixels + size_t(y) * s->rowBytes + size_t(b.left) * 3, first, bytes);
}

void GFX_PatternRect(GfxCanvas* c, const GfxRect& r, uint32_t fg, uint32_t bg) {
  GfxBounds b;
  if (!clipRect(c, r, &b)) return;
  ImgSurface* s = c->surface;
  const bool opaque = bg != GFX_TRANSPARENT;
  // Rows alternate 0xAA and 0x55 from the surface's top-left corner: the
  // mask bit is set where x + y is even.
  for (int32_t y = b.top; y < b.bottom; y++) {
    uint8_t* p = s->pixels + size_t(y) * s->rowBytes + size_t(b.left) * 3;
    for (int32_t x = b.left; x < b.right; x++, p += 3) {
      bool set = ((x + y) & 1) == 0;
      if (!set && !opaque) continue;
      uint32_t v = set ? fg : bg;
      p[0] = uint8_t(v >> 16);
      p[1] = uint8_t(v >> 8);
      p[2] = uint8_t(v);
    }
  }
}

void GFX_FrameRect(GfxCanvas* c, const GfxRect& r, uint32_t rgb, int16_t thickness) {
  if (thickness <= 0 || r.w <= 0 || r.h <= 0) return;
  if (thickness * 2 >= r.w || thickness * 2 >= r.h) {
    GFX_FillRect(c, r, rgb);  // the bands meet: nothing is left inside
    return;
  }
  int16_t t = thickness, inner = int16_t(r.h - 2 * t);
  GFX_FillRect(c, GfxRect{r.x, r.y, r.w, t}, rgb);
  GFX_FillRect(c, GfxRect{r.x, int16_t(r.y + r.h - t), r.w, t}, rgb);
  GFX_FillRect(c, GfxRect{r.x, int16_t(r.y + t), t, inner}, rgb);
  GFX_FillRect(c, GfxRect{int16_t(r.x + r.w - t), int16_t(r.y + t), t, inner}, rgb);
}
