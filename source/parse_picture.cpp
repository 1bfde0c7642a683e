// The contact picture: the "Bd00" blob of a ContactsDB-PAdd record (type,
// 16-bit size, 0x00 0x01, then the JPEG), found by walking the blobs behind
// the birthday block; read as JPEG bytes or decoded into a surface, and
// replaced by a new 72 x 72 JPEG in one record edit. A blob counts only when
// its header and data lie inside the record. Owns no state; the work-image
// file lives only for one decode.
#include <cstring>

#include "parse_internal.h"
#include "prefs.h"

namespace {

// Where the picture blob is, or where a new one goes.
struct PictureSpot {
  uint32_t at;      // blob start (or the place for a new one)
  uint32_t length;  // whole blob, header included; 0 when there is none
  bool jpeg;        // its data holds 0x00 0x01 and a JPEG start (0xFF 0xD8)
};

bool isSkippedType(const uint8_t* t) {
  return t[0] == 'B' && t[1] == 'd' && t[2] == '0' && t[3] != '0';
}

// Walks the blobs: "Bd0x" blobs (x not "0") are passed over; "Bd00" is the
// picture; any other type, or a blob that does not fit, ends the walk.
PictureSpot findPicture(const uint8_t* record, uint32_t size) {
  PictureSpot spot = {BlobAreaStart(record, size), 0, false};
  uint32_t pos = spot.at;
  while (uint64_t(pos) + BLOB_HEADER_BYTES <= size) {
    const uint32_t data = Get16BE(record + pos + 4);
    if (uint64_t(pos) + BLOB_HEADER_BYTES + data > size) break;
    if (Get32BE(record + pos) == PICTURE_BLOB_TYPE) {
      const uint8_t* d = record + pos + BLOB_HEADER_BYTES;
      spot = {pos, BLOB_HEADER_BYTES + data, data >= 4 && d[2] == 0xFF && d[3] == 0xD8};
      return spot;
    }
    if (!isSkippedType(record + pos)) break;
    pos += BLOB_HEADER_BYTES + data;
  }
  spot.at = pos < size ? pos : size;
  return spot;
}

// A surface of the box's size that keeps the picture's proportions.
void fitBox(int16_t w, int16_t h, int16_t boxW, int16_t boxH, int16_t* outW, int16_t* outH) {
  int32_t tw = boxW, th = boxH;
  if (h > w) {
    tw = int32_t(w) * boxH / h;
  } else {
    th = int32_t(h) * boxW / w;
  }
  *outW = int16_t(tw < 1 ? 1 : tw);
  *outH = int16_t(th < 1 ? 1 : th);
}

// Decodes the work-image file into a new 16-bit surface fitting the box.
Err decodeWorkFile(int16_t width, int16_t height, ImgSurface** out) {
  int16_t w = 0, h = 0;
  Err err = JPG_ReadFileSize(VOL_DOCUMENTS, "", PICTURE_WORK_FILE, &w, &h);
  if (err != 0) return err;
  if (w <= 0 || h <= 0) return ERR_IMG_BAD_DATA;
  int16_t tw, th;
  fitBox(w, h, width, height, &tw, &th);
  ImgSurface* s = nullptr;
  err = IMG_SurfaceNew(&s, tw, th, IMG_DEPTH_16);
  if (err == 0) err = JPG_DecodeFile(VOL_DOCUMENTS, "", PICTURE_WORK_FILE, s, nullptr, 0);
  if (err != 0) {
    IMG_SurfaceFree(&s);
    return err;
  }
  *out = s;
  return 0;
}

Err writeWorkFile(const uint8_t* jpeg, uint32_t length) {
  FileRef f = nullptr;
  Err err = FIL_Open(&f, VOL_DOCUMENTS, "", PICTURE_WORK_FILE, FIL_MODE_READ_WRITE);
  if (err != 0) return err;
  if (FIL_Write(f, jpeg, length) != length) err = ERR_WRITE;
  if (err == 0) err = FIL_Truncate(f, length);
  FIL_Close(&f);
  if (err != 0) (void)FIL_Delete(VOL_DOCUMENTS, "", PICTURE_WORK_FILE);
  return err;
}

// `image` scaled to the stored picture size as a 24-bit surface: each
// target pixel averages the source pixels it covers (or repeats the nearest
// one when the source is smaller).
Err scaleToPicture(const ImgSurface* image, ImgSurface** out) {
  ImgSurface* s = nullptr;
  Err err = IMG_SurfaceNew(&s, PICTURE_SIDE, PICTURE_SIDE, IMG_DEPTH_24);
  if (err != 0) return err;
  const int32_t sw = image->width, sh = image->height, side = PICTURE_SIDE;
  for (int32_t y = 0; y < side; y++) {
    int32_t y0 = y * sh / side, y1 = (y + 1) * sh / side;
    if (y1 <= y0) y1 = y0 + 1;
    for (int32_t x = 0; x < side; x++) {
      int32_t x0 = x * sw / side, x1 = (x + 1) * sw / side;
      if (x1 <= x0) x1 = x0 + 1;
      uint64_t r = 0, g = 0, b = 0, n = 0;
      for (int32_t sy = y0; sy < y1; sy++) {
        for (int32_t sx = x0; sx < x1; sx++, n++) {
          uint32_t p = IMG_GetPixel(image, int16_t(sx), int16_t(sy));
          r += p >> 16 & 0xFF;
          g += p >> 8 & 0xFF;
          b += p & 0xFF;
        }
      }
      IMG_SetPixel(s, int16_t(x), int16_t(y),
                   uint32_t((r + n / 2) / n) << 16 | uint32_t((g + n / 2) / n) << 8 |
                       uint32_t((b + n / 2) / n));
    }
  }
  *out = s;
  return 0;
}

// The new blob: "Bd00", size, 0x00 0x01, the JPEG of `image`.
Err encodeBlob(const ImgSurface* image, RecordImage* blob) {
  if (!image || image->width <= 0 || image->height <= 0 || !image->pixels) return ERR_IMG_PARAM;
  ImgSurface* scaled = nullptr;
  Err err = scaleToPicture(image, &scaled);
  if (err != 0) return err;
  uint8_t* jpeg = nullptr;
  uint32_t length = 0;
  int16_t quality = int16_t(g_prefs.jpegQuality);
  if (quality < 1 || quality > 99) quality = 50;
  err = JPG_Encode(scaled, quality, &jpeg, &length, nullptr, 0);
  IMG_SurfaceFree(&scaled);
  if (err != 0) return err;
  const uint32_t data = length + PICTURE_PREFIX_BYTES;
  if (data > 0xFFFF) err = ERR_IMG_PARAM;  // a blob's size is 16 bits
  if (err == 0) {
    blob->size = BLOB_HEADER_BYTES + data;
    blob->bytes = static_cast<uint8_t*>(MEM_Alloc(blob->size, false));
    if (!blob->bytes) err = ERR_MEM_FULL;
  }
  if (err == 0) {
    Put32BE(blob->bytes, PICTURE_BLOB_TYPE);
    Put16BE(blob->bytes + 4, uint16_t(data));
    blob->bytes[6] = 0x00;
    blob->bytes[7] = 0x01;
    memcpy(blob->bytes + 8, jpeg, length);
  }
  MEM_Free(jpeg);
  return err;
}

}  // namespace

Err ContactGetPicture(const ContactRec* rec, int16_t mode, int16_t width, int16_t height,
                      void** out) {
  if (mode != PICTURE_DECODE && mode != PICTURE_JPEG) return ERR_IMG_PARAM;
  if (mode == PICTURE_DECODE && (width <= 0 || height <= 0)) return ERR_IMG_PARAM;
  if (!rec) {
    if (mode != PICTURE_DECODE) return -1;
    ImgSurface* s = nullptr;
    Err err = decodeWorkFile(width, height, &s);
    if (err == 0 && out) *out = s;
    if (err == 0 && !out) IMG_SurfaceFree(&s);
    return err;
  }
  if (!DbIsContacts(rec->db) || !rec->bytes) return -1;
  PictureSpot spot = findPicture(rec->bytes, rec->size);
  if (!spot.jpeg) return -1;
  const uint8_t* jpeg = rec->bytes + spot.at + BLOB_HEADER_BYTES + PICTURE_PREFIX_BYTES;
  const uint32_t length = spot.length - BLOB_HEADER_BYTES - PICTURE_PREFIX_BYTES;
  if (!out) return 0;  // only asked whether there is one
  if (mode == PICTURE_JPEG) {
    void* block = MEM_Alloc(length, false);
    if (!block) return ERR_MEM_FULL;
    memcpy(block, jpeg, length);
    *out = block;
    return 0;
  }
  Err err = writeWorkFile(jpeg, length);
  if (err != 0) return err;
  ImgSurface* s = nullptr;
  err = decodeWorkFile(width, height, &s);
  (void)FIL_Delete(VOL_DOCUMENTS, "", PICTURE_WORK_FILE);
  if (err == 0) *out = s;
  return err;
}

Err ContactSetPicture(ContactRec* rec, const ImgSurface* image) {
  if (!rec || !DbIsContacts(rec->db)) return -1;
  Err err = RecordWritable(rec);
  if (err != 0) return err;
  // 1. the new picture first: nothing changes when it cannot be made.
  RecordImage blob = {nullptr, 0};
  if (image) err = encodeBlob(image, &blob);
  // 2. one new image: old picture out, new one in its place.
  RecordImage img = {nullptr, 0};
  if (err == 0) err = ImageFromRecord(&img, rec);
  if (err == 0) err = ImageMendTail(&img, true);
  if (err == 0) {
    PictureSpot spot = findPicture(img.bytes, img.size);
    uint32_t at = spot.at, old = spot.length;
    // The empty record's lone zero byte gives way to the first blob.
    if (blob.size && RecordFlags(img.bytes, img.size, true) == 0 && at == PADD_HEADER_BYTES + 1 &&
        img.bytes[PADD_HEADER_BYTES] == 0) {
      at = PADD_HEADER_BYTES;
      old += 1;
    }
    err = ImageSplice(&img, at, old, blob.bytes, blob.size);
  }
  // 3. one resize, one write.
  if (err == 0) err = RecordCommit(rec, &img);
  ImageFree(&img);
  ImageFree(&blob);
  return err;
}
