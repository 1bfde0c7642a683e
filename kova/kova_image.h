// Images and JPEG coding: a plain pixel surface (16-bit RGB565 or 24-bit
// RGB) and JPEG decoding into / encoding from it over libjpeg, from and to
// memory or a file of a volume. Contact pictures are stored as 24-bit JPEG.
// Owns no state; every call cleans up after itself, also after libjpeg
// reports a damaged stream (which never ends the process).
#pragma once

#include "kova_errors.h"

// Pixel layouts of a surface.
inline constexpr uint16_t IMG_DEPTH_16 = 16;  // RGB565, one host-order uint16_t per pixel
inline constexpr uint16_t IMG_DEPTH_24 = 24;  // three bytes per pixel: R, G, B

// Largest width or height a surface or a decoded picture may have.
inline constexpr int16_t IMG_MAX_SIDE = 8192;

// A block of pixels, rows top to bottom, `rowBytes` apart.
struct ImgSurface {
  int16_t width;
  int16_t height;
  uint16_t depth;  // IMG_DEPTH_16 or IMG_DEPTH_24
  uint32_t rowBytes;
  uint8_t* pixels;  // MEM block, owned by the surface
};

// Called once per decoded or encoded row with (rows done, rows in all, arg);
// returning false stops the work (the call then returns ERR_IMG_ABORTED).
using ImgRowFn = bool (*)(int32_t rowsDone, int32_t rowsTotal, uintptr_t arg);

// Creates a zero-filled surface. Returns 0, ERR_IMG_PARAM for a side of 0,
// a negative side, a side above IMG_MAX_SIDE or an unknown depth, or
// ERR_MEM_FULL (a surface above the allocator's block limit included).
[[nodiscard]] Err IMG_SurfaceNew(ImgSurface** out, int16_t width, int16_t height, uint16_t depth);
// Frees the surface and its pixels and sets *s to null; null is ignored.
void IMG_SurfaceFree(ImgSurface** s);
// The pixel at (x, y) as 0x00RRGGBB (16-bit pixels are widened); 0 outside.
uint32_t IMG_GetPixel(const ImgSurface* s, int16_t x, int16_t y);
// Sets the pixel at (x, y) from 0x00RRGGBB; ignored outside the surface.
void IMG_SetPixel(ImgSurface* s, int16_t x, int16_t y, uint32_t rgb);

// Reads the width and height from a JPEG stream's header. Outputs may be
// null. Returns 0 or ERR_IMG_BAD_DATA (not a JPEG, damaged, a zero side).
[[nodiscard]] Err JPG_ReadSize(const uint8_t* data, uint32_t size, int16_t* width,
                               int16_t* height);
// The same for the JPEG file (volume, dir, name). ERR_IMG_BAD_DATA, or the
// open error when the file cannot be opened.
[[nodiscard]] Err JPG_ReadFileSize(int16_t volume, const char* dir, const char* name,
                                   int16_t* width, int16_t* height);

// Decodes a JPEG stream into `target`, scaled to the target's width and
// height (the picture fills the whole surface; aspect is the caller's
// business). `progress` may be null. Returns 0, ERR_IMG_BAD_DATA (damaged
// or truncated stream, not a JPEG: `target` may hold part of a picture),
// ERR_IMG_PARAM (null target), ERR_MEM_FULL or ERR_IMG_ABORTED.
[[nodiscard]] Err JPG_Decode(const uint8_t* data, uint32_t size, ImgSurface* target,
                             ImgRowFn progress, uintptr_t arg);
// The same, reading the JPEG file (volume, dir, name) in pieces, so that a
// picture file larger than one memory block can be read. The open error when
// the file cannot be opened.
[[nodiscard]] Err JPG_DecodeFile(int16_t volume, const char* dir, const char* name,
                                 ImgSurface* target, ImgRowFn progress, uintptr_t arg);

// Encodes `source` as a baseline 24-bit colour JPEG of the given quality
// (clamped to 1 … 100). *outData receives a new MEM block holding the stream
// and *outSize its length. Returns 0, ERR_IMG_PARAM (null or empty source),
// ERR_MEM_FULL or ERR_IMG_ABORTED; on failure *outData is left untouched.
[[nodiscard]] Err JPG_Encode(const ImgSurface* source, int16_t quality, uint8_t** outData,
                             uint32_t* outSize, ImgRowFn progress, uintptr_t arg);
// The same, writing the stream as the file (volume, dir, name), created or
// cut to the stream's length. On any failure the file is removed, so no
// half-written picture stays behind. The open error, ERR_WRITE or
// ERR_DISK_FULL besides the codes above.
[[nodiscard]] Err JPG_EncodeFile(const ImgSurface* source, int16_t quality, int16_t volume,
                                 const char* dir, const char* name, ImgRowFn progress,
                                 uintptr_t arg);
