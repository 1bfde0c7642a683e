// Test oracles for the JPEG coder, independent of the code under test:
// libjpeg called directly (as a peer encoder and decoder, with its own error
// jump), a marker walker written from the JPEG layout (segments, entropy-
// coded data skipped to the next marker) and the standard's luminance
// quantisation table with the usual quality scaling.
#pragma once

#include <csetjmp>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

// jpeglib.h needs FILE and size_t declared before it.
// clang-format off
#include <jpeglib.h>
// clang-format on

#include "kova.h"

// Pixels as libjpeg sees them: rows of `components` bytes per pixel.
struct PeerImage {
  int width = 0, height = 0, components = 3;
  std::vector<uint8_t> pixels;
  uint8_t* At(int x, int y) { return &pixels[(size_t(y) * width + x) * components]; }
  const uint8_t* At(int x, int y) const { return &pixels[(size_t(y) * width + x) * components]; }
};

template <typename F>  // F(x, y, uint8_t* px) fills one pixel
PeerImage MakePeerImage(int width, int height, int components, F fill) {
  PeerImage img;
  img.width = width;
  img.height = height;
  img.components = components;
  img.pixels.resize(size_t(width) * height * components);
  for (int y = 0; y < height; y++)
    for (int x = 0; x < width; x++) fill(x, y, img.At(x, y));
  return img;
}

struct PeerError {
  jpeg_error_mgr pub;
  jmp_buf jump;
};

inline void PeerErrorExit(j_common_ptr cinfo) {
  longjmp(reinterpret_cast<PeerError*>(cinfo->err)->jump, 1);
}

// Runs body(ctx) with the jump set; false when libjpeg failed.
inline bool PeerGuard(PeerError* e, void (*body)(void*), void* ctx) {
  if (setjmp(e->jump) != 0) return false;
  body(ctx);
  return true;
}

struct PeerEncodeJob {
  PeerError err;
  jpeg_compress_struct cinfo;
  const PeerImage* image;
  J_COLOR_SPACE space;
  bool progressive;
  int quality;
  unsigned char* out;
  unsigned long size;
};

inline void PeerEncodeBody(void* ctx) {
  auto* job = static_cast<PeerEncodeJob*>(ctx);
  jpeg_compress_struct* c = &job->cinfo;
  jpeg_create_compress(c);
  jpeg_mem_dest(c, &job->out, &job->size);
  c->image_width = JDIMENSION(job->image->width);
  c->image_height = JDIMENSION(job->image->height);
  c->input_components = job->image->components;
  c->in_color_space = job->space;
  jpeg_set_defaults(c);
  jpeg_set_quality(c, job->quality, TRUE);
  if (job->progressive) jpeg_simple_progression(c);
  jpeg_start_compress(c, TRUE);
  while (c->next_scanline < c->image_height) {
    JSAMPROW row = const_cast<uint8_t*>(job->image->At(0, int(c->next_scanline)));
    (void)jpeg_write_scanlines(c, &row, 1);
  }
  jpeg_finish_compress(c);
}

// Encodes with libjpeg: JCS_RGB (3), JCS_GRAYSCALE (1) or JCS_CMYK (4, with
// libjpeg's Adobe marker; the inks are given as stored).
inline std::vector<uint8_t> PeerEncode(const PeerImage& image, J_COLOR_SPACE space,
                                       bool progressive = false, int quality = 90) {
  PeerEncodeJob job{};
  job.cinfo.err = jpeg_std_error(&job.err.pub);
  job.err.pub.error_exit = PeerErrorExit;
  job.image = &image;
  job.space = space;
  job.progressive = progressive;
  job.quality = quality;
  bool ok = PeerGuard(&job.err, PeerEncodeBody, &job);
  std::vector<uint8_t> bytes;
  if (ok) bytes.assign(job.out, job.out + job.size);
  jpeg_destroy_compress(&job.cinfo);
  free(job.out);
  return bytes;
}

struct PeerDecodeJob {
  PeerError err;
  jpeg_decompress_struct cinfo;
  const std::vector<uint8_t>* bytes;
  PeerImage* image;
};

inline void PeerDecodeBody(void* ctx) {
  auto* job = static_cast<PeerDecodeJob*>(ctx);
  jpeg_decompress_struct* c = &job->cinfo;
  jpeg_create_decompress(c);
  jpeg_mem_src(c, job->bytes->data(), (unsigned long)job->bytes->size());
  (void)jpeg_read_header(c, TRUE);
  c->out_color_space = JCS_RGB;
  (void)jpeg_start_decompress(c);
  job->image->width = int(c->output_width);
  job->image->height = int(c->output_height);
  job->image->components = 3;
  job->image->pixels.resize(size_t(c->output_width) * c->output_height * 3);
  while (c->output_scanline < c->output_height) {
    JSAMPROW row = job->image->At(0, int(c->output_scanline));
    (void)jpeg_read_scanlines(c, &row, 1);
  }
  (void)jpeg_finish_decompress(c);
}

// Decodes an RGB, YCbCr or grayscale stream to RGB with libjpeg's defaults.
inline bool PeerDecode(const std::vector<uint8_t>& bytes, PeerImage* image) {
  PeerDecodeJob job{};
  job.cinfo.err = jpeg_std_error(&job.err.pub);
  job.err.pub.error_exit = PeerErrorExit;
  job.bytes = &bytes;
  job.image = image;
  bool ok = PeerGuard(&job.err, PeerDecodeBody, &job);
  jpeg_destroy_decompress(&job.cinfo);
  return ok;
}

// One marker segment: the byte after 0xFF, where the 0xFF lies, and the
// segment's bytes after its length field (empty for SOI and EOI).
struct JpegSegment {
  uint8_t marker;
  size_t offset;
  std::vector<uint8_t> payload;
};

// Walks the stream's markers from SOI to EOI. Entropy-coded data after SOS
// is skipped to the next marker that is neither a stuffed 0xFF00 nor a
// restart marker. Stops early (without EOI) on a malformed stream.
inline std::vector<JpegSegment> ParseMarkers(const std::vector<uint8_t>& b) {
  std::vector<JpegSegment> out;
  size_t p = 0;
  while (p + 1 < b.size() && b[p] == 0xFF) {
    uint8_t m = b[p + 1];
    if (m == 0xFF) {  // fill byte
      p++;
      continue;
    }
    JpegSegment seg{m, p, {}};
    if (m == 0xD8 || m == 0xD9) {
      out.push_back(seg);
      if (m == 0xD9) break;
      p += 2;
      continue;
    }
    if (p + 4 > b.size()) break;
    size_t len = size_t(b[p + 2]) << 8 | b[p + 3];
    if (len < 2 || p + 2 + len > b.size()) break;
    seg.payload.assign(b.begin() + long(p + 4), b.begin() + long(p + 2 + len));
    out.push_back(seg);
    p += 2 + len;
    if (m == 0xDA) {
      while (p + 1 < b.size() &&
             !(b[p] == 0xFF && b[p + 1] != 0x00 && (b[p + 1] < 0xD0 || b[p + 1] > 0xD7)))
        p++;
    }
  }
  return out;
}

inline const JpegSegment* FindSegment(const std::vector<JpegSegment>& segs, uint8_t marker) {
  for (const JpegSegment& s : segs)
    if (s.marker == marker) return &s;
  return nullptr;
}

// The standard's luminance table in natural (row by row) order, and the
// zigzag order in which a DQT segment stores it.
inline constexpr int kLumaTable[64] = {
    16, 11, 10, 16, 24,  40,  51,  61,  12, 12, 14, 19, 26,  58,  60,  55,
    14, 13, 16, 24, 40,  57,  69,  56,  14, 17, 22, 29, 51,  87,  80,  62,
    18, 22, 37, 56, 68,  109, 103, 77,  24, 35, 55, 64, 81,  104, 113, 92,
    49, 64, 78, 87, 103, 121, 120, 101, 72, 92, 95, 98, 112, 100, 103, 99};
inline constexpr int kZigzag[64] = {0,  1,  8,  16, 9,  2,  3,  10, 17, 24, 32, 25, 18, 11, 4,  5,
                                    12, 19, 26, 33, 40, 48, 41, 34, 27, 20, 13, 6,  7,  14, 21, 28,
                                    35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23, 30, 37, 44, 51,
                                    58, 59, 52, 45, 38, 31, 39, 46, 53, 60, 61, 54, 47, 55, 62, 63};

// The luminance table at `quality` (1 … 100) as stored in a baseline DQT,
// in zigzag order: 5000 / q below 50, 200 - 2q from 50, entries 1 … 255.
inline std::vector<int> ExpectedLumaDqt(int quality) {
  int scale = quality < 50 ? 5000 / quality : 200 - 2 * quality;
  std::vector<int> out;
  for (int i = 0; i < 64; i++) {
    int v = (kLumaTable[kZigzag[i]] * scale + 50) / 100;
    out.push_back(v < 1 ? 1 : v > 255 ? 255 : v);
  }
  return out;
}

// The first (luminance, id 0) 8-bit table of a stream's DQT segments.
inline std::vector<int> StreamLumaDqt(const std::vector<uint8_t>& bytes) {
  for (const JpegSegment& s : ParseMarkers(bytes)) {
    if (s.marker != 0xDB) continue;
    for (size_t p = 0; p + 65 <= s.payload.size(); p += 65)
      if (s.payload[p] == 0x00)
        return std::vector<int>(s.payload.begin() + long(p + 1), s.payload.begin() + long(p + 65));
  }
  return {};
}
