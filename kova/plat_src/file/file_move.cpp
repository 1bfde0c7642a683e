// FIL_Move: moves a byte range inside one file or between two files in
// bounded chunks, reporting progress. Overlapping ranges inside one file
// behave as a copy through a separate buffer.
#include <cstring>

#include "file_internal.h"
#include "kova_mem.h"

namespace {

inline constexpr uint32_t MOVE_MIN_BUFFER = 1024;
inline constexpr uint32_t MOVE_DEFAULT_CHUNK = 32767;

void report(ProgressRef p, uint32_t count, uint32_t moved) {
  if (p && p->callback) p->callback(p->base + count, p->done + moved, p->arg);
}

Err writeError(bool full) { return full ? ERR_DISK_FULL : ERR_WRITE; }

// Copies one chunk of n bytes from src at s to dst at d.
Err copyChunk(FileRef src, FileRef dst, uint64_t s, uint64_t d, uint8_t* buf, uint32_t n) {
  if (FIL_ReadAt(src, s, buf, n) != n) return ERR_READ;
  bool full = false;
  if (FIL_WriteAt(dst, d, buf, n, &full) != n) return writeError(full);
  return 0;
}

// Moving towards the end of one file: first grow the file so that the
// destination range exists (the step that can run out of space comes before
// any byte is overwritten), then copy from the back.
Err growFor(FileRef f, uint64_t end, uint8_t* buf, uint32_t bufSize) {
  int64_t size = FIL_NodeSize(f);
  if (size < 0) return ERR_READ;
  while (uint64_t(size) < end) {
    uint32_t n = end - uint64_t(size) < bufSize ? uint32_t(end - uint64_t(size)) : bufSize;
    bool full = false;
    if (FIL_WriteAt(f, uint64_t(size), buf, n, &full) != n) return writeError(full);
    size += n;
  }
  return 0;
}

}  // namespace

Err FIL_Move(FileRef src, FileRef dst, uint32_t srcOffset, uint32_t dstOffset, uint32_t count,
             void* buffer, uint32_t chunkLimit, ProgressRef progress) {
  if (!FIL_State()) return ERR_FILE_NOT_READY;
  if (!src || !dst) return ERR_FILE_PARAM;
  // 1. Nothing to move.
  if (count == 0) return 0;
  report(progress, count, 0);
  // 2. The buffer: the caller's, or min(count, limit), halving on failure.
  if (chunkLimit == 0) chunkLimit = MOVE_DEFAULT_CHUNK;
  uint32_t bufSize = count < chunkLimit ? count : chunkLimit;
  uint8_t* buf = static_cast<uint8_t*>(buffer);
  bool owned = false;
  while (!buf) {
    buf = static_cast<uint8_t*>(MEM_Alloc(bufSize, false));
    if (buf) {
      owned = true;
    } else if (bufSize / 2 >= MOVE_MIN_BUFFER) {
      bufSize /= 2;
    } else {
      return ERR_MEM_FULL;
    }
  }
  // 3. Copy in the direction that never overwrites bytes not yet moved.
  Err err = 0;
  uint32_t moved = 0;
  bool sameFile = src == dst || src->node == dst->node;
  if (sameFile && dstOffset > srcOffset) {
    memset(buf, 0, bufSize);  // the growth is overwritten, but never with stale memory
    err = growFor(dst, uint64_t(dstOffset) + count, buf, bufSize);
    while (err == 0 && moved < count) {
      uint32_t n = count - moved < bufSize ? count - moved : bufSize;
      uint64_t back = uint64_t(count) - moved - n;
      err = copyChunk(src, dst, srcOffset + back, dstOffset + back, buf, n);
      if (err == 0) moved += n;
      report(progress, count, moved);
    }
  } else if (!(sameFile && dstOffset == srcOffset)) {
    while (err == 0 && moved < count) {
      uint32_t n = count - moved < bufSize ? count - moved : bufSize;
      err = copyChunk(src, dst, uint64_t(srcOffset) + moved, uint64_t(dstOffset) + moved, buf, n);
      if (err == 0) moved += n;
      report(progress, count, moved);
    }
  } else {
    moved = count;
  }
  // 4. A final report of the whole count.
  if (err == 0) report(progress, count, count);
  if (owned) MEM_Free(buf);
  return err;
}
