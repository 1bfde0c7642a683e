// JPEG encoding of a surface: baseline, 24-bit colour (YCbCr 4:2:0), into a
// new MEM block or a file of a volume. A file that cannot be written whole
// is removed, so no half picture stays behind. Owns no state: each call
// creates, uses and destroys its compressor and frees its blocks.
#include <cstring>

#include "jpeg_internal.h"

namespace {

struct EncodeJob {
  JpegError err;
  jpeg_compress_struct cinfo;
  JpegMemDest memDest;
  JpegFileDest fileDest;
  FileRef file;  // null: into memory
  const ImgSurface* source;
  int quality;
  ImgRowFn progress;
  uintptr_t arg;
  uint8_t* row;  // one RGB row
};

Err encodeBody(void* ctx) {
  auto* job = static_cast<EncodeJob*>(ctx);
  jpeg_compress_struct* cinfo = &job->cinfo;
  jpeg_create_compress(cinfo);
  if (job->file)
    JPG_FileDest(cinfo, &job->fileDest, job->file, job->fileDest.buffer);
  else
    JPG_MemDest(cinfo, &job->memDest);
  const ImgSurface* s = job->source;
  cinfo->image_width = JDIMENSION(s->width);
  cinfo->image_height = JDIMENSION(s->height);
  cinfo->input_components = 3;
  cinfo->in_color_space = JCS_RGB;
  jpeg_set_defaults(cinfo);
  jpeg_set_quality(cinfo, job->quality, TRUE);  // tables within baseline limits
  jpeg_start_compress(cinfo, TRUE);
  while (cinfo->next_scanline < cinfo->image_height) {
    IMG_RowToRgb(s, int32_t(cinfo->next_scanline), job->row);
    JSAMPROW rows[1] = {job->row};
    (void)jpeg_write_scanlines(cinfo, rows, 1);
    if (job->progress &&
        !job->progress(int32_t(cinfo->next_scanline), int32_t(cinfo->image_height), job->arg))
      return ERR_IMG_ABORTED;
  }
  jpeg_finish_compress(cinfo);
  return 0;
}

bool sourceOk(const ImgSurface* s) {
  return s && s->pixels && s->width > 0 && s->height > 0 && s->width <= IMG_MAX_SIDE &&
         s->height <= IMG_MAX_SIDE && (s->depth == IMG_DEPTH_16 || s->depth == IMG_DEPTH_24);
}

// Sets up the job's common part; the caller adds the destination.
void prepare(EncodeJob* job, const ImgSurface* source, int16_t quality, ImgRowFn progress,
             uintptr_t arg) {
  memset(job, 0, sizeof *job);
  job->source = source;
  job->quality = quality < 1 ? 1 : quality > 100 ? 100 : quality;
  job->progress = progress;
  job->arg = arg;
  job->cinfo.err = JPG_ErrorInit(&job->err);
}

Err run(EncodeJob* job) {
  job->row = static_cast<uint8_t*>(MEM_Alloc(3 * uint32_t(job->source->width), false));
  if (!job->row) return ERR_MEM_FULL;
  Err err = JPG_Guarded(&job->err, encodeBody, job);
  jpeg_destroy_compress(&job->cinfo);
  MEM_Free(job->row);
  return err;
}

// Writes the stream into the open file; the file is cut to its length.
Err encodeIntoFile(EncodeJob* job, FileRef file) {
  job->file = file;
  job->fileDest.buffer = static_cast<uint8_t*>(MEM_Alloc(JPG_FILE_PIECE, false));
  if (!job->fileDest.buffer) return ERR_MEM_FULL;
  Err err = run(job);
  MEM_Free(job->fileDest.buffer);
  if (err == 0 && FIL_Truncate(file, job->fileDest.length) != 0) err = ERR_WRITE;
  if (err == 0 && FIL_Flush(file) != 0) err = ERR_WRITE;
  return err;
}

}  // namespace

Err JPG_Encode(const ImgSurface* source, int16_t quality, uint8_t** outData, uint32_t* outSize,
               ImgRowFn progress, uintptr_t arg) {
  if (!sourceOk(source)) return ERR_IMG_PARAM;
  EncodeJob job;
  prepare(&job, source, quality, progress, arg);
  Err err = run(&job);
  if (err != 0) {
    MEM_Free(job.memDest.block);
    return err;
  }
  // Hand back a block of the stream's size when the allocator can shrink it.
  uint8_t* data = job.memDest.block;
  if (auto* shrunk = static_cast<uint8_t*>(MEM_Realloc(data, job.memDest.length, false)))
    data = shrunk;
  if (outData)
    *outData = data;
  else
    MEM_Free(data);
  if (outSize) *outSize = job.memDest.length;
  return 0;
}

Err JPG_EncodeFile(const ImgSurface* source, int16_t quality, int16_t volume, const char* dir,
                   const char* name, ImgRowFn progress, uintptr_t arg) {
  if (!sourceOk(source)) return ERR_IMG_PARAM;
  FileRef file = nullptr;
  Err err = FIL_Open(&file, volume, dir, name, FIL_MODE_WRITE);
  if (err != 0) return err;
  EncodeJob job;
  prepare(&job, source, quality, progress, arg);
  err = encodeIntoFile(&job, file);
  FIL_Close(&file);
  if (err != 0) (void)FIL_Delete(volume, dir, name);
  return err;
}
