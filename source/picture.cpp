// Contact pictures as files: the box sizing rules, import into a 16-bit
// surface and export as JPEG. The JPEG work is the platform's (JPG_*); this
// module decides sizes, depth, quality and when progress is reported.
// Owns no state.
#include "picture.h"

#include "prefs.h"

namespace {

int16_t clampSide(int64_t side) {
  return int16_t(side < 1 ? 1 : side > IMG_MAX_SIDE ? IMG_MAX_SIDE : side);
}

}  // namespace

void PictureTargetSize(int16_t width, int16_t height, int16_t boxWidth, int16_t boxHeight,
                       int16_t scale, bool cover, int16_t* outWidth, int16_t* outHeight) {
  int64_t w = width, h = height, bw = boxWidth, bh = boxHeight;
  int64_t tw = 0, th = 0;
  if (w > 0 && h > 0 && bw > 0 && bh > 0 && scale > 0) {
    // 1. Covering at a zoom: keep the zoomed size while it leaves part of
    //    the box free.
    int64_t sw = w * PICTURE_SCALE_ONE / scale, sh = h * PICTURE_SCALE_ONE / scale;
    // 2. Otherwise the proportions decide which side meets the box: the
    //    relatively wider picture meets its width when fitting and its height
    //    when covering.
    bool wider = w * bh > h * bw;
    if (cover && (sw < bw || sh < bh)) {
      tw = sw;
      th = sh;
    } else if (wider != cover) {
      tw = bw;
      th = h * bw / w;
    } else {
      th = bh;
      tw = w * bh / h;
    }
    tw = clampSide(tw);
    th = clampSide(th);
  }
  if (outWidth) *outWidth = int16_t(tw);
  if (outHeight) *outHeight = int16_t(th);
}

Err PictureImport(int16_t volume, const char* dir, const char* name, int16_t boxWidth,
                  int16_t boxHeight, int16_t scale, bool cover, ImgSurface** outSurface,
                  int16_t* outWidth, int16_t* outHeight, ImgRowFn progress, uintptr_t arg) {
  if (boxWidth <= 0 || boxHeight <= 0 || scale <= 0) return ERR_IMG_PARAM;
  // 1. The picture's own size, from its header.
  int16_t width = 0, height = 0;
  Err err = JPG_ReadFileSize(volume, dir, name, &width, &height);
  if (err != 0) return err;
  // 2. The size in the box.
  int16_t tw = 0, th = 0;
  PictureTargetSize(width, height, boxWidth, boxHeight, scale, cover, &tw, &th);
  // 3. A 16-bit surface of that size, decoded into.
  if (outSurface) {
    ImgSurface* s = nullptr;
    err = IMG_SurfaceNew(&s, tw, th, IMG_DEPTH_16);
    if (err != 0) return err;
    ImgRowFn rows = height >= PICTURE_PROGRESS_ROWS ? progress : nullptr;
    err = JPG_DecodeFile(volume, dir, name, s, rows, arg);
    if (err != 0) {
      IMG_SurfaceFree(&s);
      return err;
    }
    *outSurface = s;
  }
  if (outWidth) *outWidth = tw;
  if (outHeight) *outHeight = th;
  return 0;
}

Err PictureExport(const ImgSurface* surface, int16_t volume, const char* dir, const char* name,
                  ImgRowFn progress, uintptr_t arg) {
  if (!surface) return ERR_IMG_PARAM;
  // The file is a plain JPEG: its type and creator are not kept on host
  // volumes, and a database header must never be written into it.
  int16_t quality = int16_t(g_prefs.jpegQuality > 100 ? 100 : g_prefs.jpegQuality);
  ImgRowFn rows = surface->height >= PICTURE_PROGRESS_ROWS ? progress : nullptr;
  return JPG_EncodeFile(surface, quality, volume, dir, name, rows, arg);
}
