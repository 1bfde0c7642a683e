// Bitmaps ("BMAP") from PNG files. The body is a tagged chunk:
//
//   "BMAP" len  "Iden" #_id  "Bwid" #_w  "Bhei" #_h  then per image:
//   "BENT" len  "Ewid" #_w  "Ehei" #_h  "Edep" #_depth  "Edat" u32 n, n bytes,
//               zero bytes up to a 4-byte boundary
//
// The pixel data ("Edat") is our own layout: rows from the top, pixels from
// the left, no row padding; depth 24 is R, G, B and depth 32 is R, G, B, A
// (straight alpha, 0 = transparent). Owns no state.
#include <png.h>

#include "rescomp.h"

namespace {

constexpr uint32_t MAX_SIDE = 2048;

void putNumber(std::vector<uint8_t>* out, FourCC keyword, uint32_t v) {
  RcPut32(out, keyword);
  out->push_back('#');
  out->push_back('_');
  RcPut16(out, uint16_t(v));
}

// Reads a PNG as 8-bit RGBA rows. False with a reason.
bool readPng(const std::string& path, uint32_t* width, uint32_t* height, std::vector<uint8_t>* rgba,
             std::string* why) {
  png_image image = {};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, path.c_str())) {
    *why = image.message;
    return false;
  }
  if (image.width == 0 || image.height == 0 || image.width > MAX_SIDE || image.height > MAX_SIDE) {
    png_image_free(&image);
    *why = "width and height must be 1 to " + std::to_string(MAX_SIDE);
    return false;
  }
  image.format = PNG_FORMAT_RGBA;
  rgba->assign(PNG_IMAGE_SIZE(image), 0);
  if (!png_image_finish_read(&image, nullptr, rgba->data(), 0, nullptr)) {
    *why = image.message;
    png_image_free(&image);
    return false;
  }
  *width = image.width;
  *height = image.height;
  return true;
}

void putEntry(std::vector<uint8_t>* out, uint32_t w, uint32_t h, int depth,
              const std::vector<uint8_t>& rgba) {
  RcPut32(out, FCC("BENT"));
  size_t lengthAt = out->size();
  RcPut32(out, 0);
  putNumber(out, FCC("Ewid"), w);
  putNumber(out, FCC("Ehei"), h);
  putNumber(out, FCC("Edep"), uint32_t(depth));
  RcPut32(out, FCC("Edat"));
  size_t pixels = size_t(w) * h;
  RcPut32(out, uint32_t(pixels * (depth / 8)));
  for (size_t i = 0; i < pixels; i++)
    out->insert(out->end(), rgba.begin() + long(i * 4), rgba.begin() + long(i * 4 + depth / 8));
  RcPadTo4(out);
  Put32BE(out->data() + lengthAt, uint32_t(out->size() - lengthAt - 4));
}

}  // namespace

bool RcCompileBitmap(RcContext* ctx, const std::string& file, int line, uint32_t id,
                     const std::vector<std::pair<std::string, int>>& images,
                     std::vector<uint8_t>* out) {
  out->clear();
  RcPut32(out, FCC("BMAP"));
  RcPut32(out, 0);
  for (size_t i = 0; i < images.size(); i++) {
    const auto& [path, depth] = images[i];
    if (depth != 24 && depth != 32) {
      RcError(&ctx->diag, file, line, "bitmap depth must be 24 or 32");
      return false;
    }
    uint32_t w = 0, h = 0;
    std::vector<uint8_t> rgba;
    std::string why;
    if (!readPng(path, &w, &h, &rgba, &why)) {
      RcError(&ctx->diag, file, line, path + ": " + why);
      return false;
    }
    if (i == 0) {
      putNumber(out, FCC("Iden"), id);
      putNumber(out, FCC("Bwid"), w);
      putNumber(out, FCC("Bhei"), h);
    }
    putEntry(out, w, h, depth, rgba);
  }
  Put32BE(out->data() + 4, uint32_t(out->size() - 8));
  return true;
}
