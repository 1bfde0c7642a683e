// The main window's icon: the bitmap resource named "Icon" (else id 1),
// decoded from its "BMAP" chunk and handed to the backend. The deepest
// "BENT" image of depth 24 or 32 is used. Owns no state.
//
// Invariants: (1) every read stays inside the resource body, so a damaged
// bitmap gives no icon, never a bad read; (2) a missing icon is no failure.
#include <cstdlib>
#include <cstring>

#include "kova_res.h"
#include "machine/host_internal.h"

namespace {

constexpr uint32_t MAX_ICON_SIDE = 1024;

struct IconImage {
  uint32_t width, height, depth;
  const uint8_t* pixels;
  uint32_t size;
};

// Parses one "BENT" body [at, end): numbers are keyword, "#_", 16 bits; the
// pixels are "Edat", a 32-bit count and the bytes.
bool parseEntry(const uint8_t* at, const uint8_t* end, IconImage* out) {
  *out = IconImage{};
  while (end - at >= 8) {
    FourCC keyword = Get32BE(at);
    if (keyword == FCC("Edat")) {
      uint32_t n = Get32BE(at + 4);
      if (n > uint32_t(end - at - 8)) return false;
      out->pixels = at + 8;
      out->size = n;
      break;
    }
    if (at[4] != '#' || at[5] != '_') return false;
    uint16_t v = Get16BE(at + 6);
    if (keyword == FCC("Ewid")) out->width = v;
    if (keyword == FCC("Ehei")) out->height = v;
    if (keyword == FCC("Edep")) out->depth = v;
    at += 8;
  }
  if (!out->pixels || out->width == 0 || out->height == 0 || out->width > MAX_ICON_SIDE ||
      out->height > MAX_ICON_SIDE || (out->depth != 24 && out->depth != 32))
    return false;
  return uint64_t(out->width) * out->height * (out->depth / 8) <= out->size;
}

// Finds the deepest usable image among the "BENT" chunks of the body.
bool findImage(const uint8_t* body, uint32_t size, IconImage* best) {
  if (size < 8 || Get32BE(body) != FCC("BMAP")) return false;
  const uint8_t* end = body + size;
  bool found = false;
  for (const uint8_t* at = body + 8; end - at >= 8;) {
    if (Get32BE(at) != FCC("BENT")) {
      at += 8;  // "Iden", "Bwid", "Bhei": keyword and number
      continue;
    }
    uint32_t len = Get32BE(at + 4);
    if (len > uint32_t(end - at - 8)) break;
    IconImage image{};
    if (parseEntry(at + 8, at + 8 + len, &image) && (!found || image.depth > best->depth)) {
      *best = image;
      found = true;
    }
    at += 8 + len;
  }
  return found;
}

}  // namespace

void hostSetIconFromResources() {
  HostCore* c = hostCore();
  ResHandle h = nullptr;
  if (RES_Get(&h, RES_TYPE_BITMAP, FCC("Icon")) != 0 && RES_Get(&h, RES_TYPE_BITMAP, 1) != 0)
    return;
  IconImage image{};
  if (findImage(RES_Data(h), RES_Size(h), &image)) {
    size_t pixels = size_t(image.width) * image.height;
    auto* rgba = static_cast<uint8_t*>(malloc(pixels * 4));
    uint32_t step = image.depth / 8;
    for (size_t i = 0; rgba && i < pixels; i++) {
      memcpy(rgba + i * 4, image.pixels + i * step, step);
      if (step == 3) rgba[i * 4 + 3] = 255;  // a 24-bit image is opaque
    }
    if (rgba) c->ops->setIcon(c->window, rgba, int32_t(image.width), int32_t(image.height));
    free(rgba);
  }
  RES_Release(&h);
}
