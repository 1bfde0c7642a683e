// PNG output of 24-bit RGB pictures through libpng, for screenshots of the
// main window and for tests. Owns no state.
#include <png.h>

#include <csetjmp>
#include <cstdio>

#include "kova_debug.h"
#include "kova_host.h"

namespace {

// libpng reports failures by jumping back here; nothing with a destructor
// lives between the setjmp and the jump.
bool writeRows(FILE* out, const uint8_t* rgb, int32_t width, int32_t height) {
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  if (!png) return false;
  png_infop info = png_create_info_struct(png);
  if (!info || setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, info ? &info : nullptr);
    return false;
  }
  png_init_io(png, out);
  png_set_IHDR(png, info, png_uint_32(width), png_uint_32(height), 8, PNG_COLOR_TYPE_RGB,
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (int32_t y = 0; y < height; y++)
    png_write_row(png, const_cast<png_bytep>(rgb + size_t(y) * size_t(width) * 3));
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return true;
}

}  // namespace

Err HOST_WritePng(const char* path, const uint8_t* rgb, int32_t width, int32_t height) {
  if (!path || !rgb || width <= 0 || height <= 0) return ERR_MEM_BAD_ARG;
  FILE* out = fopen(path, "wb");
  if (!out) {
    DBG_Print(FCC("REPO"), "Host: cannot write %s\n", path);
    return ERR_WRITE;
  }
  bool ok = writeRows(out, rgb, width, height);
  if (fclose(out) != 0) ok = false;
  if (!ok) remove(path);  // never leave half a picture behind
  return ok ? 0 : ERR_WRITE;
}
