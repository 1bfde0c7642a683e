// Record databases, record contents: fetching a copy of a record, writing
// and filling through the copy or directly, and reading record bytes. Owns
// the RecordObj blocks it hands out.
//
// Invariants: (1) every range is checked against the record (or the fetched
// copy) before a byte moves, so no call reads or writes past a record;
// (2) a write reaches the file before the copy changes, and a failed write
// leaves the copy as it was; (3) record writes never touch the list.
#include <cstring>

#include "dbase_internal.h"
#include "kova_debug.h"
#include "kova_mem.h"

namespace {

constexpr uint32_t FILL_CHUNK = 32767;
constexpr uint32_t FILL_MIN_CHUNK = 1024;
// The handle's bytes in front of the copy, rounded so the copy stays aligned.
constexpr uint32_t RECORD_HEADER_BYTES = (sizeof(RecordObj) + 15) & ~15u;

// Resolves (offset, count) inside a range of `length` bytes, count 0
// meaning "to the end". False when the range passes the end.
bool fitRange(uint32_t length, uint32_t offset, uint32_t* count) {
  if (offset > length) return false;
  if (*count == 0) *count = length - offset;
  return *count <= length - offset;
}

Err writeBytes(FileRef f, uint32_t pos, const void* src, uint32_t count) {
  bool full = false;
  if (FIL_WriteAt(f, pos, src, count, &full) == count) return 0;
  DBG_Print(FCC("repo"), "DB: record write failed on %s\n", FIL_Name(f));
  return DBI_WriteError(full);
}

// Writes `count` copies of `value` at `pos` through a scratch block of at
// most 32767 bytes (halved down to 1024 when memory is short), else byte by
// byte; stops at the first failed write.
Err fillBytes(FileRef f, uint32_t pos, uint8_t value, uint32_t count) {
  uint32_t chunk = count < FILL_CHUNK ? count : FILL_CHUNK;
  uint8_t* scratch = static_cast<uint8_t*>(MEM_Alloc(chunk, false));
  while (!scratch && chunk / 2 >= FILL_MIN_CHUNK) {
    chunk /= 2;
    scratch = static_cast<uint8_t*>(MEM_Alloc(chunk, false));
  }
  uint8_t single = value;
  uint8_t* buf = scratch ? scratch : &single;
  if (scratch)
    memset(scratch, value, chunk);
  else
    chunk = 1;
  Err err = 0;
  for (uint32_t done = 0; err == 0 && done < count;) {
    uint32_t n = count - done < chunk ? count - done : chunk;
    err = writeBytes(f, pos + done, buf, n);
    done += n;
  }
  MEM_Free(scratch);
  return err;
}

// Looks up record `index` for the direct forms: ERR_FILE when it does not
// exist, the check's error for a damaged file.
Err locate(FileRef f, uint16_t index, uint32_t* offset, uint32_t* size) {
  Err err = DBI_Ready(f);
  if (err != 0) return err;
  if (index >= DBI_Count(f) || !DBI_Span(f, index, offset, size)) return ERR_FILE;
  return 0;
}

// True when `f` still names an open slot of the file layer (a record may
// outlive the handle it came from).
bool stillOpen(FileRef f) {
  FileLayer* state = FIL_State();
  if (!state || f < state->slots || f >= state->slots + FIL_MAX_OPEN) return false;
  return f->used;
}

}  // namespace

Err DBI_Fetch(RecordRef* out, FileRef f, uint16_t index, uint32_t start, uint32_t length) {
  *out = nullptr;
  Err err = DBI_Ready(f);
  if (err != 0) return err;
  if (index >= DBI_Count(f)) return ERR_FILE_PARAM;
  // 1. Where the record lies, and the range inside it.
  uint32_t offset, size;
  if (!DBI_Span(f, index, &offset, &size)) return ERR_READ;
  if (!fitRange(size, start, &length)) return ERR_FILE_PARAM;
  // 2. The handle and the copy.
  // One block holds both, the copy right behind the handle: walking a large
  // database fetches every record, and one allocation per record halves the
  // allocator's share of that walk.
  if (length > MEM_MAX_BLOCK - RECORD_HEADER_BYTES) return ERR_MEM_FULL;
  uint8_t* block = static_cast<uint8_t*>(MEM_Alloc(RECORD_HEADER_BYTES + length, false));
  if (!block) return ERR_MEM_FULL;
  RecordObj* rec = reinterpret_cast<RecordObj*>(block);
  memset(rec, 0, sizeof *rec);
  uint8_t* data = block + RECORD_HEADER_BYTES;
  if (length > 0 && FIL_ReadAt(f, uint64_t(offset) + start, data, length) != length) {
    MEM_Free(block);
    return ERR_READ;
  }
  rec->file = f;
  rec->index = index;
  rec->offset = offset;
  rec->start = start;
  rec->length = length;
  rec->data = data;
  // 3. The first record held on this handle.
  if (f->firstFetched < 0) f->firstFetched = index;
  *out = rec;
  return 0;
}

void* DB_GetRecord(RecordRef* out, FileRef f, uint16_t index, uint32_t start, uint32_t length) {
  // Without somewhere to put the handle the copy could never be released.
  if (!out) return nullptr;
  return DBI_Fetch(out, f, index, start, length) == 0 ? (*out)->data : nullptr;
}

Err DB_ReleaseRecord(RecordRef* ref) {
  if (!ref || !*ref) return 0;
  RecordObj* rec = *ref;
  *ref = nullptr;
  if (stillOpen(rec->file) && rec->file->firstFetched == rec->index) rec->file->firstFetched = -1;
  MEM_Free(rec);  // the copy lives in the same block
  return 0;
}

uint8_t* DB_RecordData(RecordRef rec) { return rec ? rec->data : nullptr; }
uint32_t DB_RecordLength(RecordRef rec) { return rec ? rec->length : 0; }
uint16_t DB_RecordIndex(RecordRef rec) { return rec ? rec->index : 0; }

Err DB_WriteRecord(RecordRef rec, uint32_t offset, const void* src, uint32_t count) {
  if (!rec || !stillOpen(rec->file) || !fitRange(rec->length, offset, &count))
    return ERR_FILE_PARAM;
  if (count == 0) return 0;
  if (!src) return ERR_FILE_PARAM;
  rec->written = true;
  Err err = writeBytes(rec->file, rec->offset + rec->start + offset, src, count);
  if (err == 0) memmove(rec->data + offset, src, count);
  return err;
}

Err DB_FillRecord(RecordRef rec, uint32_t offset, uint8_t value, uint32_t count) {
  if (!rec || !stillOpen(rec->file) || !fitRange(rec->length, offset, &count))
    return ERR_FILE_PARAM;
  if (count == 0) return 0;
  rec->written = true;
  Err err = fillBytes(rec->file, rec->offset + rec->start + offset, value, count);
  if (err == 0) memset(rec->data + offset, value, count);
  return err;
}

Err DB_WriteRecordAt(FileRef f, uint16_t index, uint32_t offset, const void* src, uint32_t count) {
  uint32_t at, size;
  Err err = locate(f, index, &at, &size);
  if (err != 0) return err;
  if (!fitRange(size, offset, &count)) return ERR_FILE_PARAM;
  if (count == 0) return 0;
  if (!src) return ERR_FILE_PARAM;
  return writeBytes(f, at + offset, src, count);
}

Err DB_FillRecordAt(FileRef f, uint16_t index, uint32_t offset, uint8_t value, uint32_t count) {
  uint32_t at, size;
  Err err = locate(f, index, &at, &size);
  if (err != 0) return err;
  if (!fitRange(size, offset, &count)) return ERR_FILE_PARAM;
  return count == 0 ? Err(0) : fillBytes(f, at + offset, value, count);
}

Err DB_ReadRecordBytes(FileRef f, uint16_t index, uint32_t offset, uint32_t count, void* buffer) {
  Err err = DBI_Ready(f);
  if (err != 0) return err;
  uint32_t at, size;
  if (!buffer || index >= DBI_Count(f)) return ERR_FILE_PARAM;
  if (!DBI_Span(f, index, &at, &size)) return ERR_READ;
  if (!fitRange(size, offset, &count) || count == 0) return ERR_FILE_PARAM;
  return FIL_ReadAt(f, uint64_t(at) + offset, buffer, count) == count ? Err(0) : ERR_READ;
}
