// JPEG decoding into a surface of a chosen size: libjpeg's scaled IDCT gives
// the smallest size at or above the target (1/8 … 8/8), the resampler the
// exact size. Grayscale and colour streams come out as RGB, CMYK and YCCK
// ones are converted here. Owns no state: each call creates, uses and
// destroys its decompressor and frees its blocks on every path.
#include <cstring>

#include "jpeg_internal.h"

namespace {

// Everything one decoding touches; the guarded body reaches it by pointer.
struct DecodeJob {
  JpegError err;
  jpeg_decompress_struct cinfo;
  jpeg_progress_mgr monitor;
  JpegMemSource memSource;
  JpegFileSource fileSource;
  FileRef file;         // the file source's file, or null for memory
  uint8_t* fileBuffer;  // JPG_FILE_PIECE bytes for the file source
  ImgSurface* target;   // null: read the header only
  ImgRowFn progress;
  uintptr_t arg;
  uint8_t* scanline;  // one decoded row
  ImgResampler resampler;
  int16_t width, height;  // of the stream
};

void useSource(DecodeJob* job) {
  if (job->file)
    JPG_FileSource(&job->cinfo, &job->fileSource, job->file, job->fileBuffer);
  else
    JPG_MemSource(&job->cinfo, &job->memSource, job->memSource.data, job->memSource.size);
}

// Reads the header and checks the sides and the colour space.
Err readHeader(DecodeJob* job) {
  jpeg_decompress_struct* cinfo = &job->cinfo;
  jpeg_create_decompress(cinfo);
  cinfo->mem->max_memory_to_use = JPG_MEMORY_LIMIT;
  JPG_LimitScans(cinfo, &job->monitor);
  useSource(job);
  (void)jpeg_read_header(cinfo, TRUE);  // a stream without a picture fails
  if (cinfo->image_width == 0 || cinfo->image_height == 0 ||
      cinfo->image_width > JDIMENSION(IMG_MAX_SIDE) ||
      cinfo->image_height > JDIMENSION(IMG_MAX_SIDE))
    return ERR_IMG_BAD_DATA;
  job->width = int16_t(cinfo->image_width);
  job->height = int16_t(cinfo->image_height);
  switch (cinfo->jpeg_color_space) {
    case JCS_GRAYSCALE:
    case JCS_YCbCr:
    case JCS_RGB:
      cinfo->out_color_space = JCS_RGB;
      return 0;
    case JCS_CMYK:
    case JCS_YCCK:
      cinfo->out_color_space = JCS_CMYK;
      return 0;
    default:
      return ERR_IMG_BAD_DATA;  // two components, or colours nobody defined
  }
}

// The smallest scaled size libjpeg offers that is at least the target.
void chooseScale(jpeg_decompress_struct* cinfo, const ImgSurface* target) {
  for (unsigned num = 1; num <= 8; num++) {
    cinfo->scale_num = num;
    cinfo->scale_denom = 8;
    jpeg_calc_output_dimensions(cinfo);
    if (cinfo->output_width >= JDIMENSION(target->width) &&
        cinfo->output_height >= JDIMENSION(target->height))
      return;
  }
}

// CMYK rows to RGB in place. Adobe's writers store the inks inverted.
void cmykToRgb(uint8_t* row, JDIMENSION width, bool inverted) {
  for (JDIMENSION x = 0; x < width; x++) {
    const uint8_t* in = row + 4 * x;
    unsigned c = in[0], m = in[1], y = in[2], k = in[3];
    if (!inverted) {
      c = 255 - c;
      m = 255 - m;
      y = 255 - y;
      k = 255 - k;
    }
    uint8_t* out = row + 3 * x;
    out[0] = uint8_t((c * k + 127) / 255);
    out[1] = uint8_t((m * k + 127) / 255);
    out[2] = uint8_t((y * k + 127) / 255);
  }
}

Err headerBody(void* ctx) { return readHeader(static_cast<DecodeJob*>(ctx)); }

Err decodeBody(void* ctx) {
  auto* job = static_cast<DecodeJob*>(ctx);
  Err err = readHeader(job);
  if (err != 0) return err;
  jpeg_decompress_struct* cinfo = &job->cinfo;
  chooseScale(cinfo, job->target);
  (void)jpeg_start_decompress(cinfo);
  uint32_t rowBytes = cinfo->output_width * uint32_t(cinfo->output_components);
  job->scanline = static_cast<uint8_t*>(MEM_Alloc(rowBytes, false));
  if (!job->scanline) return ERR_MEM_FULL;
  err = IMG_ResamplerInit(&job->resampler, int32_t(cinfo->output_width),
                          int32_t(cinfo->output_height), job->target);
  if (err != 0) return err;
  bool cmyk = cinfo->out_color_space == JCS_CMYK;
  while (cinfo->output_scanline < cinfo->output_height) {
    JSAMPROW rows[1] = {job->scanline};
    if (jpeg_read_scanlines(cinfo, rows, 1) != 1) return ERR_IMG_BAD_DATA;
    if (cmyk) cmykToRgb(job->scanline, cinfo->output_width, cinfo->saw_Adobe_marker);
    IMG_ResamplerRow(&job->resampler, job->scanline);
    if (job->progress &&
        !job->progress(int32_t(cinfo->output_scanline), int32_t(cinfo->output_height), job->arg))
      return ERR_IMG_ABORTED;
  }
  // Reading on to the end marker catches a stream cut short after its rows.
  (void)jpeg_finish_decompress(cinfo);
  return 0;
}

// Runs `body` on a job whose source is set, then frees everything.
Err runJob(DecodeJob* job, Err (*body)(void*)) {
  job->cinfo.err = JPG_ErrorInit(&job->err);
  if (job->file) {
    job->fileBuffer = static_cast<uint8_t*>(MEM_Alloc(JPG_FILE_PIECE, false));
    if (!job->fileBuffer) return ERR_MEM_FULL;
  }
  Err err = JPG_Guarded(&job->err, body, job);
  jpeg_destroy_decompress(&job->cinfo);
  IMG_ResamplerFree(&job->resampler);
  MEM_Free(job->scanline);
  MEM_Free(job->fileBuffer);
  return err;
}

Err openJob(DecodeJob* job, int16_t volume, const char* dir, const char* name) {
  memset(job, 0, sizeof *job);
  return FIL_Open(&job->file, volume, dir, name, FIL_MODE_READ);
}

bool targetOk(const ImgSurface* s) {
  return s && s->pixels && s->width > 0 && s->height > 0 &&
         (s->depth == IMG_DEPTH_16 || s->depth == IMG_DEPTH_24);
}

}  // namespace

Err JPG_ReadSize(const uint8_t* data, uint32_t size, int16_t* width, int16_t* height) {
  DecodeJob job;
  memset(&job, 0, sizeof job);
  job.memSource.data = data;
  job.memSource.size = size;
  Err err = runJob(&job, headerBody);
  if (err == 0 && width) *width = job.width;
  if (err == 0 && height) *height = job.height;
  return err;
}

Err JPG_ReadFileSize(int16_t volume, const char* dir, const char* name, int16_t* width,
                     int16_t* height) {
  DecodeJob job;
  Err err = openJob(&job, volume, dir, name);
  if (err != 0) return err;
  err = runJob(&job, headerBody);
  FIL_Close(&job.file);
  if (err == 0 && width) *width = job.width;
  if (err == 0 && height) *height = job.height;
  return err;
}

Err JPG_Decode(const uint8_t* data, uint32_t size, ImgSurface* target, ImgRowFn progress,
               uintptr_t arg) {
  if (!targetOk(target)) return ERR_IMG_PARAM;
  DecodeJob job;
  memset(&job, 0, sizeof job);
  job.memSource.data = data;
  job.memSource.size = size;
  job.target = target;
  job.progress = progress;
  job.arg = arg;
  return runJob(&job, decodeBody);
}

Err JPG_DecodeFile(int16_t volume, const char* dir, const char* name, ImgSurface* target,
                   ImgRowFn progress, uintptr_t arg) {
  if (!targetOk(target)) return ERR_IMG_PARAM;
  DecodeJob job;
  Err err = openJob(&job, volume, dir, name);
  if (err != 0) return err;
  job.target = target;
  job.progress = progress;
  job.arg = arg;
  err = runJob(&job, decodeBody);
  FIL_Close(&job.file);
  return err;
}
