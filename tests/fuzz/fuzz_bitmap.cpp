// libFuzzer target over the "BMAP" parser: the input is a bitmap body. An
// accepted body must describe an image of sound sides whose pixels lie
// inside the input; it is then drawn, cut by a clip, into a surface with
// guard bytes around it, at a place taken from the input. Owns no state.
#include <cstring>
#include <vector>

#include "../../kova/plat_src/graphics/gfx_internal.h"
#include "fuzz_support.h"

namespace {

constexpr int16_t W = 37, H = 23;
constexpr size_t GUARD = 32;
constexpr uint8_t GUARD_BYTE = 0x5A;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // A copy of exactly `size` bytes, so that any read past the body is seen.
  std::vector<uint8_t> body(data, data + size);
  GfxBitmapImage image{};
  Err err = gfxParseBitmap(body.data(), uint32_t(size), &image);
  FuzzCheck(err == 0 || err == ERR_IMG_BAD_DATA);
  if (err != 0) return 0;
  FuzzCheck(image.depth == 24 || image.depth == 32);
  FuzzCheck(image.width > 0 && image.height > 0 && image.width <= GFX_BITMAP_MAX_SIDE &&
            image.height <= GFX_BITMAP_MAX_SIDE);
  size_t bytes = size_t(image.width) * size_t(image.height) * (image.depth / 8);
  FuzzCheck(image.pixels >= body.data() && image.pixels + bytes <= body.data() + size);

  std::vector<uint8_t> block(GUARD * 2 + size_t(W) * H * 3, GUARD_BYTE);
  ImgSurface surface{W, H, IMG_DEPTH_24, uint32_t(W) * 3, block.data() + GUARD};
  memset(surface.pixels, 0, size_t(W) * H * 3);
  GfxBounds clip{3, 2, W - 4, H - 1};
  int32_t x = size > 1 ? int32_t(int8_t(data[size - 1])) : 0;
  int32_t y = size > 2 ? int32_t(int8_t(data[size - 2])) : 0;
  gfxDrawImage(&surface, clip, image, x, y);
  for (size_t i = 0; i < GUARD; i++)
    FuzzCheck(block[i] == GUARD_BYTE && block[block.size() - 1 - i] == GUARD_BYTE);
  // Nothing outside the clip changed.
  for (int16_t row = 0; row < H; row++)
    for (int16_t col = 0; col < W; col++) {
      bool inside = col >= clip.left && col < clip.right && row >= clip.top && row < clip.bottom;
      const uint8_t* p = surface.pixels + size_t(row) * surface.rowBytes + size_t(col) * 3;
      if (!inside) FuzzCheck(p[0] == 0 && p[1] == 0 && p[2] == 0);
    }
  return 0;
}
