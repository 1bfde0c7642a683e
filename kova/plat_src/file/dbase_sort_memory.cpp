// Record databases, sorting in memory: when the records of the range fit in
// memory, every record is read once, an index is sorted with a stable merge
// sort, and the data and the entries are written back once in the new
// order. A range that does not fit goes to the batched selection sort of
// dbase_sort.cpp, which holds only twenty records at a time. Owns the
// memory limit (a test hook).
//
// Invariants: (1) the data region of the range keeps its start and its
// length, so nothing outside the range moves; (2) a record's entry bytes
// (attributes and unique ID, or type and id) travel with its data and the
// offsets are recomputed; (3) a failed write puts the old bytes back.
#include <cstring>

#include "dbase_internal.h"
#include "kova_mem.h"

uint32_t g_dbSortMemoryLimit = DB_SORT_MEMORY_LIMIT;

namespace {

struct Range {
  uint32_t first, n, entrySize, start, bytes;
  bool deletedLast;   // records marked deleted go behind the live ones
  uint8_t* entries;   // the old entries
  uint8_t** data;     // one copy per record
  uint32_t* size;     // record sizes
  uint32_t* index;    // sort order: old position of each new position
  uint32_t* scratch;  // merge buffer
};

void freeRange(Range* r) {
  if (r->data)
    for (uint32_t i = 0; i < r->n; i++) MEM_Free(r->data[i]);
  MEM_Free(r->data);
  MEM_Free(r->entries);
  MEM_Free(r->size);
  MEM_Free(r->index);
  MEM_Free(r->scratch);
}

// 1. The entries and every record's bytes. ERR_MEM_FULL when the range is
// too large for the limit or memory is short.
Err readRange(FileRef f, Range* r) {
  uint32_t end = 0;
  if (!DBI_Offset(f, r->first, &r->start) || !DBI_Offset(f, r->first + r->n, &end) ||
      end < r->start)
    return ERR_READ;
  r->bytes = end - r->start;
  if (r->bytes > g_dbSortMemoryLimit) return ERR_MEM_FULL;
  r->entries = static_cast<uint8_t*>(MEM_Alloc(r->n * r->entrySize, false));
  r->data = static_cast<uint8_t**>(MEM_Alloc(r->n * sizeof(uint8_t*), true));
  r->size = static_cast<uint32_t*>(MEM_Alloc(r->n * sizeof(uint32_t), false));
  r->index = static_cast<uint32_t*>(MEM_Alloc(r->n * sizeof(uint32_t), false));
  r->scratch = static_cast<uint32_t*>(MEM_Alloc(r->n * sizeof(uint32_t), false));
  if (!r->entries || !r->data || !r->size || !r->index || !r->scratch) return ERR_MEM_FULL;
  Err err = DBI_ReadEntries(f, r->first, r->n, r->entries);
  if (err != 0) return err;
  for (uint32_t i = 0; i < r->n; i++) {
    uint32_t offset = 0;
    if (!DBI_Span(f, r->first + i, &offset, &r->size[i])) return ERR_READ;
    r->data[i] = static_cast<uint8_t*>(MEM_Alloc(r->size[i], false));
    if (!r->data[i]) return ERR_MEM_FULL;
    if (r->size[i] && FIL_ReadAt(f, offset, r->data[i], r->size[i]) != r->size[i]) return ERR_READ;
    r->index[i] = i;
  }
  return 0;
}

// The on-disk deleted bit of a record entry (record databases only).
bool isDeleted(const Range* r, uint32_t i) {
  return r->entrySize == PDB_RECORD_ENTRY_SIZE && (r->entries[i * r->entrySize + 4] & 0x80);
}

// Whether record y sorts strictly before record x: a live record before a
// deleted one when asked, else by the comparison.
bool before(const Range* r, uint32_t y, uint32_t x, RecordCompareFn compare, uintptr_t user) {
  if (r->deletedLast) {
    const bool dy = isDeleted(r, y), dx = isDeleted(r, x);
    if (dy != dx) return dx;
    if (dy) return false;  // deleted records keep their order
  }
  return compare(r->data[y], r->size[y], r->data[x], r->size[x], user) < 0;
}

// 2. A stable merge sort of the index, bottom-up.
void sortIndex(Range* r, RecordCompareFn compare, uintptr_t user) {
  uint32_t* from = r->index;
  uint32_t* to = r->scratch;
  for (uint32_t width = 1; width < r->n; width *= 2) {
    for (uint32_t lo = 0; lo < r->n; lo += 2 * width) {
      uint32_t mid = lo + width < r->n ? lo + width : r->n;
      uint32_t hi = lo + 2 * width < r->n ? lo + 2 * width : r->n;
      uint32_t a = lo, b = mid, k = lo;
      while (a < mid && b < hi) {
        // Only a strictly smaller right-hand record goes first: equal records
        // keep their file order.
        const uint32_t x = from[a], y = from[b];
        if (before(r, y, x, compare, user))
          to[k++] = from[b++];
        else
          to[k++] = from[a++];
      }
      while (a < mid) to[k++] = from[a++];
      while (b < hi) to[k++] = from[b++];
    }
    uint32_t* t = from;
    from = to;
    to = t;
  }
  if (from != r->index) memcpy(r->index, from, r->n * sizeof(uint32_t));
}

// 3. Writes the records in `order` (old positions) from the range's start,
// and their entries with recomputed offsets.
Err writeOrder(FileRef f, const Range* r, const uint32_t* order, uint8_t* entries) {
  const uint32_t at = DBI_OffsetField(f);
  uint32_t offset = r->start;
  for (uint32_t k = 0; k < r->n; k++) {
    const uint32_t i = order[k];
    bool full = false;
    if (r->size[i] && FIL_WriteAt(f, offset, r->data[i], r->size[i], &full) != r->size[i])
      return DBI_WriteError(full);
    uint8_t* e = entries + k * r->entrySize;
    memcpy(e, r->entries + i * r->entrySize, r->entrySize);
    Put32BE(e + at, offset);
    offset += r->size[i];
  }
  return DBI_WriteEntries(f, r->first, r->n, entries);
}

}  // namespace

Err DBI_SortInMemory(FileRef f, uint32_t first, uint32_t n, RecordCompareFn compare, uintptr_t user,
                     bool deletedLast, bool* changed) {
  *changed = false;
  Range r{};
  r.first = first;
  r.n = n;
  r.deletedLast = deletedLast;
  r.entrySize = DBI_EntrySize(f);
  Err err = readRange(f, &r);
  if (err == 0) sortIndex(&r, compare, user);
  bool moved = false;
  for (uint32_t k = 0; err == 0 && k < n && !moved; k++) moved = r.index[k] != k;
  uint8_t* entries = nullptr;
  if (err == 0 && moved) {
    entries = static_cast<uint8_t*>(MEM_Alloc(n * r.entrySize, false));
    if (!entries) err = ERR_MEM_FULL;
  }
  if (err == 0 && moved) {
    err = writeOrder(f, &r, r.index, entries);
    DBI_Forget(f);
    if (err != 0) {
      // Put the old order back; the bytes are all still here.
      for (uint32_t k = 0; k < n; k++) r.scratch[k] = k;
      (void)writeOrder(f, &r, r.scratch, entries);
      DBI_Forget(f);
    }
    *changed = err == 0;
  }
  MEM_Free(entries);
  freeRange(&r);
  return err;
}
