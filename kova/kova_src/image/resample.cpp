// The streaming resampler: decoded rows arrive top to bottom and are scaled
// to the target surface as they come, so a picture is never held whole.
// Across a row and down the rows each direction is handled on its own: a
// larger source is averaged over the source pixels each target pixel covers,
// a smaller one is blended from its two nearest pixels (centres aligned).
// Owns no state; the buffers belong to the resampler struct.
#include <cstring>

#include "jpeg_internal.h"

namespace {

// Position of target index i in source units × 256, centres aligned, for
// source length `src` shown as `dst`; clamped to the first pixel.
int64_t blendPosition(int32_t i, int32_t src, int32_t dst) {
  int64_t pos = (int64_t(2 * i + 1) * src * 256) / (2 * int64_t(dst)) - 128;
  return pos < 0 ? 0 : pos;
}

uint8_t blend(uint8_t a, uint8_t b, int64_t f) {
  return uint8_t((a * (256 - f) + b * f + 128) >> 8);
}

// Scales one source row across into `out` (target width × 3).
void scaleAcross(const ImgResampler* r, const uint8_t* src, uint8_t* out) {
  int32_t sw = r->srcWidth, dw = r->target->width;
  for (int32_t x = 0; x < dw; x++, out += 3) {
    if (sw >= dw) {
      int32_t x0 = int32_t(int64_t(x) * sw / dw), x1 = int32_t(int64_t(x + 1) * sw / dw);
      uint32_t sum[3] = {0, 0, 0}, n = uint32_t(x1 - x0);
      for (int32_t k = x0; k < x1; k++)
        for (int c = 0; c < 3; c++) sum[c] += src[3 * k + c];
      for (int c = 0; c < 3; c++) out[c] = uint8_t((sum[c] + n / 2) / n);
    } else {
      int64_t pos = blendPosition(x, sw, dw);
      int32_t i0 = int32_t(pos >> 8), i1 = i0 + 1 < sw ? i0 + 1 : sw - 1;
      for (int c = 0; c < 3; c++) out[c] = blend(src[3 * i0 + c], src[3 * i1 + c], pos & 255);
    }
  }
}

// Down the rows, larger source: sum rows until the target row's span ends.
void averageDown(ImgResampler* r) {
  int32_t dw = r->target->width, sh = r->srcHeight, dh = r->target->height;
  for (int32_t k = 0; k < 3 * dw; k++) r->sums[k] += r->row[k];
  r->summed++;
  int32_t end = int32_t(int64_t(r->rowsOut + 1) * sh / dh);
  if (r->rowsIn < end) return;
  uint32_t n = uint32_t(r->summed);
  for (int32_t k = 0; k < 3 * dw; k++) r->row[k] = uint8_t((r->sums[k] + n / 2) / n);
  IMG_RowFromRgb(r->target, r->rowsOut++, r->row);
  memset(r->sums, 0, size_t(3 * dw) * sizeof(uint32_t));
  r->summed = 0;
}

// Down the rows, smaller source: every target row whose lower neighbour has
// arrived is blended from `previous` (row rowsIn - 2) and `row` (rowsIn - 1).
void blendDown(ImgResampler* r) {
  int32_t dw = r->target->width, sh = r->srcHeight, dh = r->target->height;
  int32_t last = r->rowsIn - 1;
  while (r->rowsOut < dh) {
    int64_t pos = blendPosition(r->rowsOut, sh, dh);
    int32_t i0 = int32_t(pos >> 8), i1 = i0 + 1 < sh ? i0 + 1 : sh - 1;
    if (i1 > last) break;
    const uint8_t* a = i0 == last ? r->row : r->previous;
    const uint8_t* b = i1 == last ? r->row : r->previous;
    // `sums` doubles as the output row here (it is not used for averaging).
    auto* out = reinterpret_cast<uint8_t*>(r->sums);
    for (int32_t k = 0; k < 3 * dw; k++) out[k] = blend(a[k], b[k], pos & 255);
    IMG_RowFromRgb(r->target, r->rowsOut++, out);
  }
  uint8_t* t = r->previous;
  r->previous = r->row;
  r->row = t;
}

}  // namespace

Err IMG_ResamplerInit(ImgResampler* r, int32_t srcWidth, int32_t srcHeight, ImgSurface* target) {
  memset(r, 0, sizeof *r);
  if (srcWidth <= 0 || srcHeight <= 0 || !target || target->width <= 0 || target->height <= 0)
    return ERR_IMG_PARAM;
  r->srcWidth = srcWidth;
  r->srcHeight = srcHeight;
  r->target = target;
  uint32_t rowBytes = 3 * uint32_t(target->width);
  r->row = static_cast<uint8_t*>(MEM_Alloc(rowBytes, true));
  r->previous = static_cast<uint8_t*>(MEM_Alloc(rowBytes, true));
  r->sums = static_cast<uint32_t*>(MEM_Alloc(rowBytes * uint32_t(sizeof(uint32_t)), true));
  if (!r->row || !r->previous || !r->sums) {
    IMG_ResamplerFree(r);
    return ERR_MEM_FULL;
  }
  return 0;
}

void IMG_ResamplerRow(ImgResampler* r, const uint8_t* rgb) {
  if (r->rowsIn >= r->srcHeight) return;
  scaleAcross(r, rgb, r->row);
  r->rowsIn++;
  if (r->srcHeight >= r->target->height)
    averageDown(r);
  else
    blendDown(r);
}

void IMG_ResamplerFree(ImgResampler* r) {
  MEM_Free(r->row);
  MEM_Free(r->previous);
  MEM_Free(r->sums);
  r->row = r->previous = nullptr;
  r->sums = nullptr;
}
