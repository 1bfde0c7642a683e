// Pixel surfaces: creation, single pixels and whole rows as RGB. A surface
// is one struct and one pixel block, both MEM blocks owned by the surface.
// 16-bit pixels are RGB565 in host order; widening repeats the high bits so
// that white stays 0xFFFFFF and black 0.
#include <cstring>

#include "jpeg_internal.h"

namespace {

uint32_t bytesPerPixel(uint16_t depth) { return depth == IMG_DEPTH_16 ? 2 : 3; }

uint16_t packRgb565(uint8_t r, uint8_t g, uint8_t b) {
  return uint16_t(((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3));
}

void unpackRgb565(uint16_t v, uint8_t* rgb) {
  uint8_t r = uint8_t((v >> 11) & 31), g = uint8_t((v >> 5) & 63), b = uint8_t(v & 31);
  rgb[0] = uint8_t((r << 3) | (r >> 2));
  rgb[1] = uint8_t((g << 2) | (g >> 4));
  rgb[2] = uint8_t((b << 3) | (b >> 2));
}

bool inside(const ImgSurface* s, int32_t x, int32_t y) {
  return s && s->pixels && x >= 0 && y >= 0 && x < s->width && y < s->height;
}

}  // namespace

Err IMG_SurfaceNew(ImgSurface** out, int16_t width, int16_t height, uint16_t depth) {
  if (!out || width <= 0 || height <= 0 || width > IMG_MAX_SIDE || height > IMG_MAX_SIDE ||
      (depth != IMG_DEPTH_16 && depth != IMG_DEPTH_24))
    return ERR_IMG_PARAM;
  uint32_t rowBytes = uint32_t(width) * bytesPerPixel(depth);
  uint64_t total = uint64_t(rowBytes) * uint32_t(height);
  // The allocator refuses blocks above its limit; say so before asking.
  if (total > MEM_MAX_BLOCK) return ERR_MEM_FULL;
  auto* s = static_cast<ImgSurface*>(MEM_Alloc(sizeof(ImgSurface), true));
  if (!s) return ERR_MEM_FULL;
  s->pixels = static_cast<uint8_t*>(MEM_Alloc(uint32_t(total), true));
  if (!s->pixels) {
    MEM_Free(s);
    return ERR_MEM_FULL;
  }
  s->width = width;
  s->height = height;
  s->depth = depth;
  s->rowBytes = rowBytes;
  *out = s;
  return 0;
}

void IMG_SurfaceFree(ImgSurface** s) {
  if (!s || !*s) return;
  MEM_Free((*s)->pixels);
  MEM_Free(*s);
  *s = nullptr;
}

uint32_t IMG_GetPixel(const ImgSurface* s, int16_t x, int16_t y) {
  if (!inside(s, x, y)) return 0;
  const uint8_t* p = s->pixels + size_t(y) * s->rowBytes + size_t(x) * bytesPerPixel(s->depth);
  uint8_t rgb[3];
  if (s->depth == IMG_DEPTH_16) {
    uint16_t v;
    memcpy(&v, p, 2);
    unpackRgb565(v, rgb);
  } else {
    memcpy(rgb, p, 3);
  }
  return (uint32_t(rgb[0]) << 16) | (uint32_t(rgb[1]) << 8) | rgb[2];
}

void IMG_SetPixel(ImgSurface* s, int16_t x, int16_t y, uint32_t rgb) {
  if (!inside(s, x, y)) return;
  uint8_t* p = s->pixels + size_t(y) * s->rowBytes + size_t(x) * bytesPerPixel(s->depth);
  uint8_t r = uint8_t(rgb >> 16), g = uint8_t(rgb >> 8), b = uint8_t(rgb);
  if (s->depth == IMG_DEPTH_16) {
    uint16_t v = packRgb565(r, g, b);
    memcpy(p, &v, 2);
  } else {
    p[0] = r;
    p[1] = g;
    p[2] = b;
  }
}

void IMG_RowToRgb(const ImgSurface* s, int32_t y, uint8_t* rgb) {
  const uint8_t* p = s->pixels + size_t(y) * s->rowBytes;
  if (s->depth == IMG_DEPTH_24) {
    memcpy(rgb, p, size_t(s->width) * 3);
    return;
  }
  for (int32_t x = 0; x < s->width; x++, p += 2) {
    uint16_t v;
    memcpy(&v, p, 2);
    unpackRgb565(v, rgb + 3 * x);
  }
}

void IMG_RowFromRgb(ImgSurface* s, int32_t y, const uint8_t* rgb) {
  uint8_t* p = s->pixels + size_t(y) * s->rowBytes;
  if (s->depth == IMG_DEPTH_24) {
    memcpy(p, rgb, size_t(s->width) * 3);
    return;
  }
  for (int32_t x = 0; x < s->width; x++, p += 2, rgb += 3) {
    uint16_t v = packRgb565(rgb[0], rgb[1], rgb[2]);
    memcpy(p, &v, 2);
  }
}
