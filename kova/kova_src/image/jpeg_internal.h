// Shared parts of the JPEG coder: the error manager that turns libjpeg's
// fatal errors into an Err, the one guarded call (the only setjmp), the
// source and destination managers over memory and over files, and the
// streaming resampler that scales decoded rows into a surface. Seen by the
// image module's own files only; owns no state.
#pragma once

#include <csetjmp>
#include <cstddef>
#include <cstdio>

// jpeglib.h needs FILE and size_t declared before it.
// clang-format off
#include <jpeglib.h>
// clang-format on

#include "kova_file.h"
#include "kova_image.h"
#include "kova_mem.h"

// Size of the pieces a file is read or written in.
inline constexpr uint32_t JPG_FILE_PIECE = 4096;

// libjpeg may use this much memory for one picture (a progressive picture
// keeps all its coefficients: 16 megapixels at full chroma fit).
inline constexpr long JPG_MEMORY_LIMIT = 128L * 1024 * 1024;

// More scans than this is a damaged or hostile progressive stream.
inline constexpr int JPG_MAX_SCANS = 100;

// libjpeg's error manager with the jump back to the guard. libjpeg sees
// `pub` (it comes first).
struct JpegError {
  jpeg_error_mgr pub;
  jmp_buf jump;
  Err code;  // what the guard returns after a jump
};

// Installs the handlers into `e` and returns what cinfo->err must point at.
// Fatal errors and warnings about damaged data jump back with
// ERR_IMG_BAD_DATA, libjpeg's memory failures with ERR_MEM_FULL.
jpeg_error_mgr* JPG_ErrorInit(JpegError* e);

// Ends the current coding with `code`: jumps back to the guard.
[[noreturn]] void JPG_Fail(j_common_ptr cinfo, Err code);

// Calls body(ctx) with `e`'s jump set. Returns what the body returns, or the
// code of a jump. The body and everything it calls must hold no object with
// a destructor: a jump skips them.
[[nodiscard]] Err JPG_Guarded(JpegError* e, Err (*body)(void* ctx), void* ctx);

// Installs a progress monitor that fails a decompression past JPG_MAX_SCANS.
void JPG_LimitScans(j_decompress_ptr cinfo, jpeg_progress_mgr* monitor);

// Source over a memory block: running out of bytes is a damaged stream.
struct JpegMemSource {
  jpeg_source_mgr pub;
  const uint8_t* data;
  uint32_t size;
};
void JPG_MemSource(j_decompress_ptr cinfo, JpegMemSource* src, const uint8_t* data, uint32_t size);

// Source over an open file, read through FIL_Read in JPG_FILE_PIECE pieces
// into `buffer` (a MEM block of that size, owned by the caller). The end of
// the file before the stream's end is ERR_IMG_BAD_DATA, a failing read
// ERR_READ.
struct JpegFileSource {
  jpeg_source_mgr pub;
  FileRef file;
  uint8_t* buffer;
};
void JPG_FileSource(j_decompress_ptr cinfo, JpegFileSource* src, FileRef file, uint8_t* buffer);

// Destination into a growing MEM block. `block` (null until the coding
// starts) belongs to the caller after the call, also after a failure;
// `length` is set when the coding finishes. Growth failure: ERR_MEM_FULL.
struct JpegMemDest {
  jpeg_destination_mgr pub;
  uint8_t* block;
  uint32_t capacity;
  uint32_t length;
};
void JPG_MemDest(j_compress_ptr cinfo, JpegMemDest* dst);

// Destination into an open file through FIL_Write, JPG_FILE_PIECE bytes at a
// time from `buffer` (a MEM block of that size, owned by the caller).
// `length` counts the bytes written. A short write fails the coding with
// ERR_DISK_FULL when the volume has no room left, else ERR_WRITE.
struct JpegFileDest {
  jpeg_destination_mgr pub;
  FileRef file;
  uint8_t* buffer;
  uint32_t length;
};
void JPG_FileDest(j_compress_ptr cinfo, JpegFileDest* dst, FileRef file, uint8_t* buffer);

// Scales a stream of RGB rows (srcWidth × srcHeight, top to bottom) to the
// target surface's size: an area average where the source is larger, a
// bilinear blend where it is smaller, each direction on its own.
struct ImgResampler {
  int32_t srcWidth, srcHeight;
  ImgSurface* target;
  uint8_t* row;       // the current row, scaled across (target width × 3)
  uint8_t* previous;  // the row before it (blending down the rows)
  uint32_t* sums;     // running column sums (averaging down the rows)
  int32_t rowsIn;     // source rows fed so far
  int32_t rowsOut;    // target rows written so far
  int32_t summed;     // source rows in `sums`
};
// Prepares `r` (its buffers are MEM blocks). Returns 0, ERR_IMG_PARAM for
// an empty source or target, or ERR_MEM_FULL (nothing left to free).
[[nodiscard]] Err IMG_ResamplerInit(ImgResampler* r, int32_t srcWidth, int32_t srcHeight,
                                    ImgSurface* target);
// Feeds the next source row (srcWidth RGB pixels); writes the target rows it
// completes.
void IMG_ResamplerRow(ImgResampler* r, const uint8_t* rgb);
// Frees the buffers; safe on a zeroed or already freed resampler.
void IMG_ResamplerFree(ImgResampler* r);

// Surface rows as RGB: copies row y of `s` into `rgb` (width × 3 bytes).
void IMG_RowToRgb(const ImgSurface* s, int32_t y, uint8_t* rgb);
// Writes `width` RGB pixels into row y of `s`.
void IMG_RowFromRgb(ImgSurface* s, int32_t y, const uint8_t* rgb);
