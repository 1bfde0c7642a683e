// libjpeg's source and destination managers: over a memory block, over an
// open file read in pieces, into a growing MEM block and into an open file
// written in pieces. Any shortfall ends the coding through JPG_Fail, so a
// stream cut short is a damaged stream, never padded with a fake end.
// Owns no state; the blocks belong to the caller.
#include "jpeg_internal.h"

namespace {

// --- sources ---

void initSource(j_decompress_ptr) {}
void termSource(j_decompress_ptr) {}

// The whole stream was in the buffer: asking for more means it is cut short.
boolean fillFromMemory(j_decompress_ptr cinfo) {
  JPG_Fail(reinterpret_cast<j_common_ptr>(cinfo), ERR_IMG_BAD_DATA);
}

void skipInMemory(j_decompress_ptr cinfo, long count) {
  jpeg_source_mgr* src = cinfo->src;
  if (count <= 0) return;
  if (size_t(count) > src->bytes_in_buffer)
    JPG_Fail(reinterpret_cast<j_common_ptr>(cinfo), ERR_IMG_BAD_DATA);
  src->next_input_byte += count;
  src->bytes_in_buffer -= size_t(count);
}

boolean fillFromFile(j_decompress_ptr cinfo) {
  auto* src = reinterpret_cast<JpegFileSource*>(cinfo->src);
  uint32_t n = FIL_Read(src->file, src->buffer, JPG_FILE_PIECE);
  if (n == 0) {
    // Short of the file's end the read itself failed.
    int32_t size = FIL_Size(src->file);
    bool atEnd = size >= 0 && FIL_Tell(src->file) >= size;
    JPG_Fail(reinterpret_cast<j_common_ptr>(cinfo), atEnd ? ERR_IMG_BAD_DATA : ERR_READ);
  }
  src->pub.next_input_byte = src->buffer;
  src->pub.bytes_in_buffer = n;
  return TRUE;
}

void skipInFile(j_decompress_ptr cinfo, long count) {
  auto* src = reinterpret_cast<JpegFileSource*>(cinfo->src);
  if (count <= 0) return;
  if (size_t(count) <= src->pub.bytes_in_buffer) {
    src->pub.next_input_byte += count;
    src->pub.bytes_in_buffer -= size_t(count);
    return;
  }
  // Segments are at most 64 KiB, so the rest always fits the seek offset. A
  // seek past the end shows as the end of the file at the next fill.
  long rest = count - long(src->pub.bytes_in_buffer);
  src->pub.bytes_in_buffer = 0;
  (void)FIL_Seek(src->file, int32_t(rest > INT32_MAX ? INT32_MAX : rest), FIL_SEEK_CUR);
}

// --- destinations ---

inline constexpr uint32_t FIRST_BLOCK_BYTES = 16384;

void growBlock(j_compress_ptr cinfo, JpegMemDest* dst) {
  uint32_t used = dst->capacity - uint32_t(dst->pub.free_in_buffer);
  uint32_t capacity = dst->block ? dst->capacity * 2 : FIRST_BLOCK_BYTES;
  if (capacity > MEM_MAX_BLOCK) capacity = MEM_MAX_BLOCK;
  if (capacity <= used) JPG_Fail(reinterpret_cast<j_common_ptr>(cinfo), ERR_MEM_FULL);
  void* grown = dst->block ? MEM_Realloc(dst->block, capacity, false) : MEM_Alloc(capacity, false);
  if (!grown) JPG_Fail(reinterpret_cast<j_common_ptr>(cinfo), ERR_MEM_FULL);
  dst->block = static_cast<uint8_t*>(grown);
  dst->capacity = capacity;
  dst->pub.next_output_byte = dst->block + used;
  dst->pub.free_in_buffer = capacity - used;
}

void initMemDest(j_compress_ptr cinfo) {
  auto* dst = reinterpret_cast<JpegMemDest*>(cinfo->dest);
  dst->capacity = 0;
  dst->pub.free_in_buffer = 0;
  growBlock(cinfo, dst);
}

// Called with the whole block full (free_in_buffer is not to be trusted).
boolean emptyMemDest(j_compress_ptr cinfo) {
  auto* dst = reinterpret_cast<JpegMemDest*>(cinfo->dest);
  dst->pub.free_in_buffer = 0;
  growBlock(cinfo, dst);
  return TRUE;
}

void termMemDest(j_compress_ptr cinfo) {
  auto* dst = reinterpret_cast<JpegMemDest*>(cinfo->dest);
  dst->length = dst->capacity - uint32_t(dst->pub.free_in_buffer);
}

void writePiece(j_compress_ptr cinfo, JpegFileDest* dst, uint32_t count) {
  uint32_t n = count ? FIL_Write(dst->file, dst->buffer, count) : 0;
  dst->length += n;
  if (n == count) return;
  uint64_t freeBytes = 0;
  bool full = VOL_FreeSpace(FIL_Volume(dst->file), &freeBytes, nullptr, nullptr) == 0 &&
              freeBytes < count - n;
  JPG_Fail(reinterpret_cast<j_common_ptr>(cinfo), full ? ERR_DISK_FULL : ERR_WRITE);
}

void initFileDest(j_compress_ptr cinfo) {
  auto* dst = reinterpret_cast<JpegFileDest*>(cinfo->dest);
  dst->pub.next_output_byte = dst->buffer;
  dst->pub.free_in_buffer = JPG_FILE_PIECE;
}

boolean emptyFileDest(j_compress_ptr cinfo) {
  auto* dst = reinterpret_cast<JpegFileDest*>(cinfo->dest);
  writePiece(cinfo, dst, JPG_FILE_PIECE);
  initFileDest(cinfo);
  return TRUE;
}

void termFileDest(j_compress_ptr cinfo) {
  auto* dst = reinterpret_cast<JpegFileDest*>(cinfo->dest);
  writePiece(cinfo, dst, JPG_FILE_PIECE - uint32_t(dst->pub.free_in_buffer));
}

}  // namespace

void JPG_MemSource(j_decompress_ptr cinfo, JpegMemSource* src, const uint8_t* data, uint32_t size) {
  src->data = data;
  src->size = data ? size : 0;
  src->pub.init_source = initSource;
  src->pub.fill_input_buffer = fillFromMemory;
  src->pub.skip_input_data = skipInMemory;
  src->pub.resync_to_restart = jpeg_resync_to_restart;
  src->pub.term_source = termSource;
  src->pub.next_input_byte = src->data;
  src->pub.bytes_in_buffer = src->size;
  cinfo->src = &src->pub;
}

void JPG_FileSource(j_decompress_ptr cinfo, JpegFileSource* src, FileRef file, uint8_t* buffer) {
  src->file = file;
  src->buffer = buffer;
  src->pub.init_source = initSource;
  src->pub.fill_input_buffer = fillFromFile;
  src->pub.skip_input_data = skipInFile;
  src->pub.resync_to_restart = jpeg_resync_to_restart;
  src->pub.term_source = termSource;
  src->pub.next_input_byte = nullptr;
  src->pub.bytes_in_buffer = 0;
  cinfo->src = &src->pub;
}

void JPG_MemDest(j_compress_ptr cinfo, JpegMemDest* dst) {
  dst->block = nullptr;
  dst->capacity = 0;
  dst->length = 0;
  dst->pub.init_destination = initMemDest;
  dst->pub.empty_output_buffer = emptyMemDest;
  dst->pub.term_destination = termMemDest;
  cinfo->dest = &dst->pub;
}

void JPG_FileDest(j_compress_ptr cinfo, JpegFileDest* dst, FileRef file, uint8_t* buffer) {
  dst->file = file;
  dst->buffer = buffer;
  dst->length = 0;
  dst->pub.init_destination = initFileDest;
  dst->pub.empty_output_buffer = emptyFileDest;
  dst->pub.term_destination = termFileDest;
  cinfo->dest = &dst->pub;
}
