// libFuzzer target over JPEG decoding: the input is read as a stream's
// header and decoded into a small surface (16- or 24-bit, size picked by the
// last byte), from memory and, every few inputs, from a file read in
// pieces. The answers must agree, stay within the documented codes and
// leave no memory block behind. Owns the memory manager and a temporary
// data folder (removed at exit).
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "fuzz_support.h"
#include "kova.h"

namespace {

void check(bool ok) { FuzzCheck(ok); }

bool decodeCode(Err err) { return err == 0 || err == ERR_IMG_BAD_DATA || err == ERR_MEM_FULL; }

void writeFile(const char* name, const uint8_t* data, size_t size) {
  FuzzWriteFile(FuzzDataDir() + "/" + name, data, size);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzStart();
  static uint32_t runs = 0;
  uint32_t live = MEM_LiveBlocks();
  int16_t w = -1, h = -1;
  Err sized = JPG_ReadSize(data, uint32_t(size), &w, &h);
  check(sized == 0 || sized == ERR_IMG_BAD_DATA || sized == ERR_MEM_FULL);
  if (sized == 0) check(w >= 1 && h >= 1 && w <= IMG_MAX_SIDE && h <= IMG_MAX_SIDE);
  uint8_t pick = size ? data[size - 1] : 0;
  ImgSurface* target = nullptr;
  uint16_t depth = (pick & 1) ? IMG_DEPTH_16 : IMG_DEPTH_24;
  if (IMG_SurfaceNew(&target, int16_t(1 + (pick >> 4)), int16_t(1 + ((pick >> 1) & 7) * 3),
                     depth) != 0)
    abort();
  Err decoded = JPG_Decode(data, uint32_t(size), target, nullptr, 0);
  check(decodeCode(decoded));
  // A picture that decodes has a header that reads.
  if (decoded == 0) check(sized == 0);
  if (++runs % 8 == 0) {
    writeFile("fuzz.jpg", data, size);
    int16_t fw = -1, fh = -1;
    Err fileSized = JPG_ReadFileSize(VOL_DOCUMENTS, "!", "fuzz.jpg", &fw, &fh);
    check(fileSized == sized && (sized != 0 || (fw == w && fh == h)));
    check(JPG_DecodeFile(VOL_DOCUMENTS, "!", "fuzz.jpg", target, nullptr, 0) == decoded);
  }
  IMG_SurfaceFree(&target);
  check(MEM_LiveBlocks() == live);
  return 0;
}
