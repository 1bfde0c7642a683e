// Shared by the record database modules (dbase*.cpp): the fetched-record
// object, header offsets, and the entry-level helpers every operation is
// built on. The record count and the ten-entry window live in the file's
// FileNode, so every handle of one file sees the same caches.
#pragma once

#include "file_internal.h"
#include "kova_db.h"

// One fetched record: a copy of bytes [start, start + length) of the record
// whose data begins at `offset`.
struct RecordObj {
  FileRef file;
  uint16_t index;
  uint32_t offset;
  uint32_t start;
  uint32_t length;
  uint8_t* data;  // owned (MEM_Alloc)
  bool written;
};

// Header field offsets.
inline constexpr uint32_t PDB_OFF_ATTRIBUTES = 32;
inline constexpr uint32_t PDB_OFF_VERSION = 34;
inline constexpr uint32_t PDB_OFF_CREATED = 36;
inline constexpr uint32_t PDB_OFF_MODIFIED = 40;
inline constexpr uint32_t PDB_OFF_BACKED_UP = 44;
inline constexpr uint32_t PDB_OFF_MOD_NUMBER = 48;
inline constexpr uint32_t PDB_OFF_APP_INFO = 52;
inline constexpr uint32_t PDB_OFF_SORT_INFO = 56;
inline constexpr uint32_t PDB_OFF_TYPE = 60;
inline constexpr uint32_t PDB_OFF_CREATOR = 64;
inline constexpr uint32_t PDB_OFF_NEXT_LIST = 72;
inline constexpr uint32_t PDB_OFF_COUNT = 76;
inline constexpr uint16_t PDB_DISK_RESOURCE = 0x0001;

// Largest file the layer changes (offsets are 32-bit; sizes are reported as
// signed 32-bit values).
inline constexpr uint32_t PDB_MAX_FILE = 0x7FFFFFFF;

// Chunk limits of the structural changes.
inline constexpr uint32_t DB_MOVE_CHUNK = 32767;
inline constexpr uint32_t DB_GROW_CHUNK = 1024;
inline constexpr uint32_t DB_RESIZE_CHUNK = 1265;

// Entry size of the handle's format: 8 (records) or 10 (resources).
uint32_t DBI_EntrySize(FileRef f);
// Position of the data offset inside an entry: 0 (records) or 6 (resources).
uint32_t DBI_OffsetField(FileRef f);
// File position of entry i.
inline uint32_t DBI_EntryPos(FileRef f, uint32_t i) {
  return PDB_HEADER_SIZE + DBI_EntrySize(f) * i;
}

// The file's size as a 32-bit value; false when unknown or too large.
bool DBI_FileSize(FileRef f, uint32_t* size);

// Checks the structure once per file (DB_Validate) and answers whether
// record operations may go on: 0, or ERR_NOT_DATABASE for a damaged file.
// An empty file passes (operations that need records then find none).
Err DBI_Ready(FileRef f);

// The record count from the node's cache or the header (0 when the header
// cannot be read). Loading it sets the node's guard so that raw writes into
// the header or list clear the caches.
uint16_t DBI_Count(FileRef f);
// Stores a new count in the header and the cache. 0 or ERR_WRITE.
[[nodiscard]] Err DBI_SetCount(FileRef f, uint16_t count);

// Data offset of entry i through the ten-entry window; the file size at or
// past the count. False when the list cannot be read.
bool DBI_Offset(FileRef f, uint32_t i, uint32_t* offset);
// Offset and size of record i (i below the count).
bool DBI_Span(FileRef f, uint32_t i, uint32_t* offset, uint32_t* size);

// Reads or writes `n` whole entries starting at entry `first`.
[[nodiscard]] Err DBI_ReadEntries(FileRef f, uint32_t first, uint32_t n, uint8_t* buffer);
[[nodiscard]] Err DBI_WriteEntries(FileRef f, uint32_t first, uint32_t n, const uint8_t* buffer);

// Adds `delta` (modulo 2^32, so it may stand for a subtraction) to the data
// offsets of entries [first, first + n): more than three entries are read
// and written in blocks, fewer one by one. 0, ERR_READ or ERR_WRITE.
[[nodiscard]] Err DBI_AdjustOffsets(FileRef f, uint32_t first, uint32_t n, uint32_t delta);

// Writes the fresh 80-byte header into an empty file. 0 or ERR_WRITE /
// ERR_DISK_FULL (the file is then cut back to empty).
[[nodiscard]] Err DBI_WriteFreshHeader(FileRef f);

// Drops the record caches of every handle of the file.
void DBI_Forget(FileRef f);

// DB_GetRecord with the reason of a failure: 0, the check's error,
// ERR_FILE_PARAM (no such record or range), ERR_MEM_FULL or ERR_READ.
// *out is null on failure.
[[nodiscard]] Err DBI_Fetch(RecordRef* out, FileRef f, uint16_t index, uint32_t start,
                            uint32_t length);

// Moves the run of records [from, from + n) so that it starts at `to`
// (both checked by the caller); the records between the two places shift
// the other way. Flushes only when asked (a sort flushes once at its end).
[[nodiscard]] Err DBI_MoveRun(FileRef f, uint32_t from, uint32_t to, uint32_t n,
                              ProgressRef progress, bool flush);

// Sorting in memory: the most bytes of record data a sort reads into
// memory at once (a larger range is sorted in the file, twenty records at a
// time). Tests lower it to reach the batched sort.
inline constexpr uint32_t DB_SORT_MEMORY_LIMIT = 32u << 20;
extern uint32_t g_dbSortMemoryLimit;
// Sorts records [first, first + n) by reading them all, sorting an index
// (stable) and writing data and entries once; with `deletedLast` every
// record marked deleted goes behind the live ones, in its order. *changed
// tells whether
// anything moved (nothing is flushed). ERR_MEM_FULL, with the file
// untouched, when the range is above the limit or memory is short; ERR_READ;
// a write error after the old order was written back.
[[nodiscard]] Err DBI_SortInMemory(FileRef f, uint32_t first, uint32_t n, RecordCompareFn compare,
                                   uintptr_t user, bool deletedLast, bool* changed);

// Error for a short write: ERR_DISK_FULL when the host ran out of space.
inline Err DBI_WriteError(bool full) { return full ? ERR_DISK_FULL : ERR_WRITE; }
