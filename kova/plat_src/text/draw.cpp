// Text drawing: the cached glyphs' coverage blended in one colour into a
// canvas's 24-bit surface, cut to the canvas's clip rectangle and to the
// surface. A pixel whose coverage is 0 is never touched; coverage 255 sets
// the colour exactly. Owns no state.
#include "text_internal.h"

namespace {

// The part of the surface that may be written: the clip cut to the surface.
GfxRect writable(const GfxCanvas* c) {
  int32_t x0 = c->clip.x < 0 ? 0 : c->clip.x;
  int32_t y0 = c->clip.y < 0 ? 0 : c->clip.y;
  int32_t x1 = int32_t(c->clip.x) + c->clip.w, y1 = int32_t(c->clip.y) + c->clip.h;
  if (x1 > c->surface->width) x1 = c->surface->width;
  if (y1 > c->surface->height) y1 = c->surface->height;
  if (c->clip.w <= 0 || c->clip.h <= 0 || x1 <= x0 || y1 <= y0) return GfxRect{0, 0, 0, 0};
  return GfxRect{int16_t(x0), int16_t(y0), int16_t(x1 - x0), int16_t(y1 - y0)};
}

inline uint8_t mix(uint8_t fg, uint8_t bg, uint32_t a) {
  uint32_t v = fg * a + bg * (255 - a) + 128;
  return uint8_t((v + (v >> 8)) >> 8);  // v / 255, rounded
}

// Blends glyph `g` with its pen at surface x `penX`, line top `top`.
void blendGlyph(ImgSurface* s, const GfxRect& area, const TxtGlyph* g, int32_t penX, int32_t top,
                uint32_t rgb) {
  int32_t gx = penX + g->left, gy = top + g->top;
  int32_t x0 = gx > area.x ? gx : area.x, y0 = gy > area.y ? gy : area.y;
  int32_t x1 = gx + g->width, y1 = gy + g->height;
  if (x1 > area.x + area.w) x1 = area.x + area.w;
  if (y1 > area.y + area.h) y1 = area.y + area.h;
  if (x0 >= x1 || y0 >= y1) return;
  const uint8_t r = uint8_t(rgb >> 16), gr = uint8_t(rgb >> 8), b = uint8_t(rgb);
  for (int32_t y = y0; y < y1; y++) {
    const uint8_t* cov = g->coverage + (y - gy) * g->width + (x0 - gx);
    if (s->depth != IMG_DEPTH_24) {  // not a canvas surface: the slow, safe way
      for (int32_t x = x0; x < x1; x++, cov++) {
        if (!*cov) continue;
        uint32_t old = IMG_GetPixel(s, int16_t(x), int16_t(y));
        uint32_t mixed = uint32_t(mix(r, uint8_t(old >> 16), *cov)) << 16 |
                         uint32_t(mix(gr, uint8_t(old >> 8), *cov)) << 8 |
                         mix(b, uint8_t(old), *cov);
        IMG_SetPixel(s, int16_t(x), int16_t(y), mixed);
      }
      continue;
    }
    uint8_t* p = s->pixels + size_t(y) * s->rowBytes + size_t(x0) * 3;
    for (int32_t x = x0; x < x1; x++, cov++, p += 3) {
      uint32_t a = *cov;
      if (a == 0) continue;
      if (a == 255) {
        p[0] = r, p[1] = gr, p[2] = b;
      } else {
        p[0] = mix(r, p[0], a), p[1] = mix(gr, p[1], a), p[2] = mix(b, p[2], a);
      }
    }
  }
}

}  // namespace

int32_t TXT_Draw(GfxCanvas* c, uint16_t font, const char* text, uint32_t length, int16_t x,
                 int16_t y, uint32_t rgb) {
  int32_t pen = x;
  if (!text) return pen;
  bool canDraw = c && c->surface && c->surface->pixels;
  GfxRect area = canDraw ? writable(c) : GfxRect{0, 0, 0, 0};
  int32_t dx = canDraw ? c->originX : 0, top = int32_t(y) + (canDraw ? c->originY : 0);
  for (uint32_t i = 0; i < length && text[i] && text[i] != '\x01'; i++) {
    const TxtGlyph* g = TxtGlyphOf(font, uint8_t(text[i]));
    if (g->coverage && area.w > 0) blendGlyph(c->surface, area, g, pen + dx, top, rgb);
    pen += g->advance;
  }
  return pen;
}
