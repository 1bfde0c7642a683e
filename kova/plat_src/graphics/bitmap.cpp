// Bitmaps of the resource store. A "BMAP" body is a tagged chunk:
//   "BMAP" len  "Iden" #_id  "Bwid" #_w  "Bhei" #_h, then per image
//   "BENT" len  "Ewid" #_w  "Ehei" #_h  "Edep" #_depth  "Edat" u32 n, n bytes
// (zero bytes up to a 4-byte boundary); numbers are a keyword, "#_" and 16
// bits, big-endian. Pixels are rows from the top: depth 24 is R G B, depth
// 32 is R G B A with straight alpha. Owns no state.
//
// Invariants: (1) every read stays inside the body: each length and count
// is checked against what is left of its chunk before it is used; (2) a
// damaged resource draws nothing and reports ERR_IMG_BAD_DATA.
#include <algorithm>
#include <cstring>

#include "graphics/gfx_internal.h"
#include "kova_debug.h"
#include "kova_res.h"

namespace {

bool isNumber(const uint8_t* at) { return at[4] == '#' && at[5] == '_'; }

// Reads one "BENT" body [at, end). False when its structure is damaged;
// an entry of a depth this module does not draw is well-formed but gives
// depth 0 so that the caller passes it over.
bool parseEntry(const uint8_t* at, const uint8_t* end, GfxBitmapImage* out) {
  uint32_t width = 0, height = 0, depth = 0, bytes = 0;
  const uint8_t* pixels = nullptr;
  while (at < end) {
    if (end - at < 8) return false;
    FourCC keyword = Get32BE(at);
    if (keyword == FCC("Edat")) {
      uint32_t n = Get32BE(at + 4);
      uint32_t room = uint32_t(end - at - 8);
      if (n > room || pixels) return false;
      pixels = at + 8;
      bytes = n;
      at += 8 + std::min(room, (n + 3u) & ~3u);
      continue;
    }
    if (!isNumber(at)) return false;
    uint16_t v = Get16BE(at + 6);
    if (keyword == FCC("Ewid")) width = v;
    if (keyword == FCC("Ehei")) height = v;
    if (keyword == FCC("Edep")) depth = v;
    at += 8;
  }
  if (!pixels || width == 0 || height == 0 || width > uint32_t(GFX_BITMAP_MAX_SIDE) ||
      height > uint32_t(GFX_BITMAP_MAX_SIDE))
    return false;
  *out = GfxBitmapImage{int16_t(width), int16_t(height), 0, pixels};
  if (depth != 24 && depth != 32) return true;
  if (uint64_t(width) * height * (depth / 8) > bytes) return false;
  out->depth = uint16_t(depth);
  return true;
}

void drawRow32(uint8_t* d, const uint8_t* s, int32_t n) {
  for (int32_t i = 0; i < n; i++, d += 3, s += 4) {
    uint8_t a = s[3];
    if (a == 0) continue;
    if (a == 255) {
      memcpy(d, s, 3);
      continue;
    }
    d[0] = gfxBlend(s[0], d[0], a);
    d[1] = gfxBlend(s[1], d[1], a);
    d[2] = gfxBlend(s[2], d[2], a);
  }
}

// Loads and parses bitmap `idOrName`; on success the caller releases *h.
Err loadBitmap(uint32_t idOrName, ResHandle* h, GfxBitmapImage* image) {
  Err err = RES_Get(h, RES_TYPE_BITMAP, idOrName);
  if (err != 0) return err;
  err = gfxParseBitmap(RES_Data(*h), RES_Size(*h), image);
  if (err != 0) {
    (void)DBG_Print(FCC("GRAF"), "Bitmap %08x is damaged\n", unsigned(idOrName));
    RES_Release(h);
  }
  return err;
}

}  // namespace

Err gfxParseBitmap(const uint8_t* body, uint32_t size, GfxBitmapImage* out) {
  if (!body || size < 8 || Get32BE(body) != FCC("BMAP")) return ERR_IMG_BAD_DATA;
  uint32_t len = Get32BE(body + 4);
  if (len > size - 8) return ERR_IMG_BAD_DATA;
  const uint8_t* end = body + 8 + len;
  GfxBitmapImage best{};
  for (const uint8_t* at = body + 8; at < end;) {
    if (end - at < 8) return ERR_IMG_BAD_DATA;
    if (Get32BE(at) != FCC("BENT")) {
      if (!isNumber(at)) return ERR_IMG_BAD_DATA;
      at += 8;  // "Iden", "Bwid", "Bhei"
      continue;
    }
    uint32_t n = Get32BE(at + 4);
    if (n > uint32_t(end - at - 8)) return ERR_IMG_BAD_DATA;
    GfxBitmapImage image{};
    if (!parseEntry(at + 8, at + 8 + n, &image)) return ERR_IMG_BAD_DATA;
    if (image.depth > best.depth) best = image;
    at += 8 + n;
  }
  if (best.depth == 0) return ERR_IMG_BAD_DATA;
  if (out) *out = best;
  return 0;
}

void gfxDrawImage(ImgSurface* s, const GfxBounds& b, const GfxBitmapImage& image, int32_t x,
                  int32_t y) {
  int32_t left = std::max(x, b.left), right = std::min(x + image.width, b.right);
  int32_t top = std::max(y, b.top), bottom = std::min(y + image.height, b.bottom);
  if (left >= right || top >= bottom) return;
  const uint32_t step = image.depth / 8;
  const size_t srcRow = size_t(image.width) * step;
  for (int32_t row = top; row < bottom; row++) {
    const uint8_t* src = image.pixels + size_t(row - y) * srcRow + size_t(left - x) * step;
    uint8_t* dst = s->pixels + size_t(row) * s->rowBytes + size_t(left) * 3;
    if (step == 3)
      memcpy(dst, src, size_t(right - left) * 3);
    else
      drawRow32(dst, src, right - left);
  }
}

Err GFX_BitmapSize(uint32_t idOrName, int16_t* width, int16_t* height) {
  ResHandle h = nullptr;
  GfxBitmapImage image{};
  Err err = loadBitmap(idOrName, &h, &image);
  if (err != 0) return err;
  if (width) *width = image.width;
  if (height) *height = image.height;
  RES_Release(&h);
  return 0;
}

Err GFX_DrawBitmap(GfxCanvas* c, uint32_t idOrName, int16_t x, int16_t y) {
  ResHandle h = nullptr;
  GfxBitmapImage image{};
  Err err = loadBitmap(idOrName, &h, &image);
  if (err != 0) return err;
  GfxBounds b;
  if (gfxBounds(c, &b))
    gfxDrawImage(c->surface, b, image, int32_t(x) + c->originX, int32_t(y) + c->originY);
  RES_Release(&h);
  return 0;
}
