// Record databases, sorting in the file: a range that fits in memory is
// sorted there (dbase_sort_memory.cpp); a larger one, or one met with short
// memory, by a batched selection sort that holds at most twenty (plus one)
// record copies at a time and places each batch with record swaps and
// moves. Owns no state.
//
// Invariants: (1) after each batch the records before p are the smallest,
// in order, and equal records keep their file order (a swap that would send
// a record past records still to be sorted is done as a move); (2) a record's entry
// contents (attribute byte and unique ID, or resource type and id) travel
// with its data, so categories and flags never land on another record.
#include <cstring>

#include "dbase_internal.h"
#include "kova_mem.h"

namespace {

constexpr int BATCH = 20;
constexpr uint32_t SWAP_CHUNK = 32767;
constexpr uint32_t SWAP_MIN_CHUNK = 1024;

struct Batch {
  RecordRef recs[BATCH];
  uint16_t index[BATCH];  // record index when fetched
  int size;
};

void releaseAll(Batch* b) {
  for (int k = 0; k < b->size; k++) (void)DB_ReleaseRecord(&b->recs[k]);
}

int16_t compareRecs(RecordCompareFn compare, RecordRef a, RecordRef b, uintptr_t user) {
  return compare(DB_RecordData(a), DB_RecordLength(a), DB_RecordData(b), DB_RecordLength(b), user);
}

// 2. The up to twenty smallest records from p on, in order. A record goes
// behind every batch member it does not sort before, so equal records keep
// their file order.
Err collect(FileRef f, uint32_t p, uint32_t n, RecordCompareFn compare, uintptr_t user, Batch* b) {
  b->size = 0;
  Err err = DBI_Fetch(&b->recs[0], f, uint16_t(p), 0, 0);
  if (err != 0) return err;
  b->index[0] = uint16_t(p);
  b->size = 1;
  for (uint32_t j = p + 1; j < n; j++) {
    RecordRef rec;
    err = DBI_Fetch(&rec, f, uint16_t(j), 0, 0);
    if (err != 0) return err;
    int k = b->size;
    while (k > 0 && compareRecs(compare, b->recs[k - 1], rec, user) > 0) k--;
    if (k >= BATCH) {
      (void)DB_ReleaseRecord(&rec);
      continue;
    }
    if (b->size == BATCH) (void)DB_ReleaseRecord(&b->recs[--b->size]);
    memmove(&b->recs[k + 1], &b->recs[k], sizeof(RecordRef) * size_t(b->size - k));
    memmove(&b->index[k + 1], &b->index[k], sizeof(uint16_t) * size_t(b->size - k));
    b->recs[k] = rec;
    b->index[k] = uint16_t(j);
    b->size++;
  }
  return 0;
}

// Exchanges the data of two records of the same size, in chunks.
Err swapData(FileRef f, uint32_t a, uint32_t b, uint32_t size) {
  if (size == 0) return 0;
  uint32_t chunk = size < SWAP_CHUNK ? size : SWAP_CHUNK;
  uint8_t* buf = static_cast<uint8_t*>(MEM_Alloc(2 * chunk, false));
  while (!buf && chunk / 2 >= SWAP_MIN_CHUNK) {
    chunk /= 2;
    buf = static_cast<uint8_t*>(MEM_Alloc(2 * chunk, false));
  }
  if (!buf) return ERR_MEM_FULL;
  Err err = 0;
  for (uint32_t done = 0; err == 0 && done < size; done += chunk) {
    uint32_t n = size - done < chunk ? size - done : chunk;
    bool full = false;
    if (FIL_ReadAt(f, a + done, buf, n) != n || FIL_ReadAt(f, b + done, buf + chunk, n) != n)
      err = ERR_READ;
    else if (FIL_WriteAt(f, a + done, buf + chunk, n, &full) != n ||
             FIL_WriteAt(f, b + done, buf, n, &full) != n)
      err = DBI_WriteError(full);
  }
  MEM_Free(buf);
  return err;
}

// Swaps records a and b of equal size: their data and every entry byte but
// the data offset.
Err swapRecords(FileRef f, uint16_t a, uint16_t b) {
  uint32_t offA, offB, sizeA, sizeB;
  if (!DBI_Span(f, a, &offA, &sizeA) || !DBI_Span(f, b, &offB, &sizeB)) return ERR_READ;
  uint8_t ea[PDB_RESOURCE_ENTRY_SIZE], eb[PDB_RESOURCE_ENTRY_SIZE];
  Err err = DBI_ReadEntries(f, a, 1, ea);
  if (err == 0) err = DBI_ReadEntries(f, b, 1, eb);
  if (err == 0) err = swapData(f, offA, offB, sizeA);
  if (err != 0) return err;
  const uint32_t e = DBI_EntrySize(f), at = DBI_OffsetField(f);
  for (uint32_t k = 0; k < e; k++) {
    if (k >= at && k < at + 4) continue;  // the offsets stay with the positions
    uint8_t t = ea[k];
    ea[k] = eb[k];
    eb[k] = t;
  }
  err = DBI_WriteEntries(f, a, 1, ea);
  if (err == 0) err = DBI_WriteEntries(f, b, 1, eb);
  return err;
}

// True when swapping member k into `at` keeps equal records in file order:
// the record sent back to the member's old index is itself a later member,
// or only members lie between the two places, so it passes no record that
// has yet to be sorted.
bool swapKeepsOrder(const uint16_t* index, int k, int size, uint16_t at) {
  int between = 0;
  for (int j = k + 1; j < size; j++) {
    if (index[j] == at) return true;
    if (index[j] > at && index[j] < index[k]) between++;
  }
  return between == index[k] - at - 1;
}

// 4. Puts the batch members (by fetched index) at p, p + 1, ... in order.
Err place(FileRef f, uint32_t p, uint16_t* index, int size) {
  for (int k = 0; k < size;) {
    const uint16_t at = uint16_t(p + uint32_t(k));
    if (index[k] == at) {
      k++;
      continue;
    }
    int run = 1;
    while (k + run < size && index[k + run] == index[k] + run) run++;
    Err err;
    if (run == 1 && swapKeepsOrder(index, k, size, at) &&
        DB_RecordSize(f, index[k]) == DB_RecordSize(f, at)) {
      err = swapRecords(f, index[k], at);
      // The record that stood at the place is now at the member's old index.
      for (int j = k + 1; j < size; j++)
        if (index[j] == at) index[j] = index[k];
    } else {
      err = DBI_MoveRun(f, index[k], at, uint32_t(run), nullptr, false);
      // Records from the place up to the run moved up by the run's length.
      for (int j = k + run; j < size; j++)
        if (index[j] < index[k] + run - 1) index[j] = uint16_t(index[j] + run);
    }
    if (err != 0) return err;
    k += run;
  }
  return 0;
}

}  // namespace

Err DB_Sort(FileRef f, RecordCompareFn compare, uintptr_t user) {
  if (!compare) return ERR_FILE_PARAM;
  Err err = DBI_Ready(f);
  if (err != 0) return err;
  return DB_SortRange(f, 0, uint16_t(DBI_Count(f)), compare, user);
}

Err DB_SortRange(FileRef f, uint16_t first, uint16_t count, RecordCompareFn compare,
                 uintptr_t user) {
  if (!compare) return ERR_FILE_PARAM;
  Err err = DBI_Ready(f);
  if (err != 0) return err;
  const uint32_t n = uint32_t(first) + count;
  if (n > DBI_Count(f)) return ERR_FILE_PARAM;
  bool changed = false;
  // 0. In memory when the range fits: every record read and written once.
  err = DBI_SortInMemory(f, first, count, compare, user, false, &changed);
  if (err != ERR_MEM_FULL) return err == 0 && changed ? FIL_Flush(f) : err;
  changed = false;
  // 1. Batch by batch from the front of the range.
  for (uint32_t p = first; p + 1 < n;) {
    Batch batch;
    err = collect(f, p, n, compare, user, &batch);
    // 3. Every copy goes before anything moves.
    uint16_t index[BATCH];
    const int size = batch.size;
    memcpy(index, batch.index, sizeof(uint16_t) * size_t(size));
    releaseAll(&batch);
    if (err != 0) return err;
    for (int k = 0; k < size; k++) changed = changed || index[k] != p + uint32_t(k);
    err = place(f, p, index, size);
    if (err != 0) {
      DBI_Forget(f);
      return err;
    }
    // 5. The next batch.
    p += uint32_t(size);
  }
  DBI_Forget(f);
  return changed ? FIL_Flush(f) : Err(0);
}

Err DB_SortLiveFirst(FileRef f, RecordCompareFn compare, uintptr_t user) {
  if (!compare) return ERR_FILE_PARAM;
  Err err = DBI_Ready(f);
  if (err != 0) return err;
  if (DB_Format(f) != DB_FORMAT_RECORDS) return ERR_FILE_PARAM;
  bool changed = false;
  err = DBI_SortInMemory(f, 0, DBI_Count(f), compare, user, true, &changed);
  return err == 0 && changed ? FIL_Flush(f) : err;
}
