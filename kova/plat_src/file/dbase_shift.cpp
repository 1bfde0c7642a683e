// Record databases, structural changes in place: insert, resize, delete and
// move records by moving the bytes behind them inside the file in bounded
// chunks. Owns no state; the caches of the file are cleared by every change.
//
// Invariants: (1) record data lies in entry order without holes; (2) the
// gap and info blocks between the list and the first record's data move
// with the list, and the header's info offsets move with them; (3) a change
// grows the file before it overwrites any old byte, so a full disk leaves
// the file exactly as it was; (4) a failure later on cuts the growth off,
// makes the next operation check the file again, and is reported, never
// success; (5) a finished change is flushed to the disk.
#include <cstring>

#include "dbase_internal.h"
#include "kova_debug.h"
#include "kova_mem.h"

namespace {

constexpr uint32_t ENTRY_BLOCK = 4000;  // bytes of new entries written at once
const uint8_t kZero = 0;

// Writes n zero bytes at pos (growing the file when pos is its end) from a
// zeroed block of at most `chunk` bytes, or byte by byte without one.
Err writeZeros(FileRef f, uint32_t pos, uint32_t n, uint32_t chunk) {
  if (n == 0) return 0;
  uint32_t size = n < chunk ? n : chunk;
  uint8_t* zeros = static_cast<uint8_t*>(MEM_Alloc(size, true));
  const uint8_t* buf = zeros ? zeros : &kZero;
  if (!zeros) size = 1;
  Err err = 0;
  for (uint32_t done = 0; err == 0 && done < n;) {
    uint32_t k = n - done < size ? n - done : size;
    bool full = false;
    if (FIL_WriteAt(f, uint64_t(pos) + done, buf, k, &full) != k) err = DBI_WriteError(full);
    done += k;
  }
  MEM_Free(zeros);
  return err;
}

// One block move inside the file. Afterwards the progress block's base and
// done counts include its bytes, so a series of moves reports running totals.
Err moveBytes(FileRef f, uint32_t from, uint32_t to, uint32_t n, ProgressRef progress) {
  if (n == 0 || from == to) return 0;
  Err err = FIL_Move(f, f, from, to, n, nullptr, DB_MOVE_CHUNK, progress);
  if (err == 0 && progress) {
    progress->base += n;
    progress->done += n;
  }
  return err;
}

// Entries for `count` new records at `index`: data offsets from `firstData`
// on, `size` bytes apart; attributes, unique IDs, types and ids zero.
Err writeNewEntries(FileRef f, uint32_t index, uint32_t count, uint32_t firstData, uint32_t size) {
  const uint32_t e = DBI_EntrySize(f), at = DBI_OffsetField(f);
  uint8_t block[ENTRY_BLOCK];
  for (uint32_t done = 0; done < count;) {
    uint32_t n = count - done < ENTRY_BLOCK / e ? count - done : ENTRY_BLOCK / e;
    memset(block, 0, n * e);
    for (uint32_t k = 0; k < n; k++) Put32BE(block + k * e + at, firstData + (done + k) * size);
    Err err = DBI_WriteEntries(f, index + done, n, block);
    if (err != 0) return err;
    done += n;
  }
  return 0;
}

// Adds delta to the non-zero info offsets. A sound file keeps its info
// blocks between the list and the first record's data, the region that
// moves with the list.
Err shiftInfo(FileRef f, uint32_t delta) {
  uint8_t b[8];
  if (FIL_ReadAt(f, PDB_OFF_APP_INFO, b, 8) != 8) return ERR_READ;
  uint32_t app = Get32BE(b), sort = Get32BE(b + 4);
  if (app == 0 && sort == 0) return 0;
  if (app) Put32BE(b, app + delta);
  if (sort) Put32BE(b + 4, sort + delta);
  bool full = false;
  Err err = FIL_WriteAt(f, PDB_OFF_APP_INFO, b, 8, &full) == 8 ? Err(0) : DBI_WriteError(full);
  DBI_Forget(f);
  return err;
}

// Growth failed before any old byte changed: cut it off; the file is as
// it was.
Err undoGrowth(FileRef f, uint32_t oldSize, Err err) {
  (void)FIL_TruncateAt(f, oldSize);
  DBI_Forget(f);
  DBG_Print(FCC("repo"), "DB: %s could not grow\n", FIL_Name(f));
  return err;
}

// Ends a change: flushes it (unless the caller flushes later), or after a
// failure cuts off any growth and drops the structure verdict so that the
// next operation checks the file.
Err finish(FileRef f, Err err, uint32_t oldSize, bool grew, bool flush = true) {
  DBI_Forget(f);
  if (err == 0) return flush ? FIL_Flush(f) : Err(0);
  if (grew) (void)FIL_TruncateAt(f, oldSize);
  f->node->checked = 0;
  DBG_Print(FCC("repo"), "DB: change to %s failed part way\n", FIL_Name(f));
  return err;
}

}  // namespace

// The run is parked past the end of the file meanwhile (six block moves in
// all).
Err DBI_MoveRun(FileRef f, uint32_t from, uint32_t to, uint32_t n, ProgressRef progress,
                bool flush) {
  const bool down = to < from;
  const uint32_t between = down ? to : from + n, m = down ? from - to : to - from;
  uint32_t fileSize, runStart, runEnd, bStart, bEnd;
  if (!DBI_FileSize(f, &fileSize) || !DBI_Offset(f, from, &runStart) ||
      !DBI_Offset(f, from + n, &runEnd) || !DBI_Offset(f, between, &bStart) ||
      !DBI_Offset(f, between + m, &bEnd))
    return ERR_READ;
  const uint32_t runBytes = runEnd - runStart, bBytes = bEnd - bStart;
  const uint32_t e = DBI_EntrySize(f), runList = e * n, bList = e * m;
  if (uint64_t(fileSize) + runBytes + runList > PDB_MAX_FILE) return ERR_FILE_PARAM;
  // 1. Park the run's data and entries past the end (the only growth).
  Err err = moveBytes(f, runStart, fileSize, runBytes, progress);
  if (err == 0) err = moveBytes(f, DBI_EntryPos(f, from), fileSize + runBytes, runList, progress);
  if (err != 0) return undoGrowth(f, fileSize, err);
  // 2. Shift the records between over the run's old place, data then entries.
  uint32_t runData;
  if (down) {
    err = moveBytes(f, bStart, bStart + runBytes, bBytes, progress);
    if (err == 0) err = moveBytes(f, DBI_EntryPos(f, to), DBI_EntryPos(f, to + n), bList, progress);
    runData = bStart;
  } else {
    err = moveBytes(f, bStart, runStart, bBytes, progress);
    if (err == 0)
      err = moveBytes(f, DBI_EntryPos(f, from + n), DBI_EntryPos(f, from), bList, progress);
    runData = runStart + bBytes;
  }
  // 3. The run into its new place; the parking space goes.
  if (err == 0) err = moveBytes(f, fileSize, runData, runBytes, progress);
  if (err == 0) err = moveBytes(f, fileSize + runBytes, DBI_EntryPos(f, to), runList, progress);
  if (err == 0) err = FIL_TruncateAt(f, fileSize);
  // 4. Offsets follow the data.
  if (err == 0) err = DBI_AdjustOffsets(f, to, n, down ? 0u - bBytes : bBytes);
  if (err == 0)
    err = DBI_AdjustOffsets(f, down ? to + n : from, m, down ? runBytes : 0u - runBytes);
  return finish(f, err, fileSize, true, flush);
}

Err DB_InsertRecords(FileRef f, uint16_t index, uint32_t size, uint32_t count,
                     ProgressRef progress) {
  Err err = DBI_Ready(f);
  if (err != 0) return err;
  uint32_t fileSize;
  if (!DBI_FileSize(f, &fileSize)) return ERR_READ;
  // 1. A new file gets its header first.
  if (fileSize == 0) {
    err = DBI_WriteFreshHeader(f);
    if (err != 0) return err;
    fileSize = PDB_FRESH_HEADER_SIZE;
  }
  const uint32_t old = DBI_Count(f), e = DBI_EntrySize(f);
  const uint64_t grow = (uint64_t(e) + size) * count;
  if (index > old || old + uint64_t(count) > PDB_MAX_RECORDS || fileSize + grow > PDB_MAX_FILE)
    return ERR_FILE_PARAM;
  if (count == 0) return 0;
  // 2. D: where the new data goes; P: where the new entries go; T: the data
  // behind D; M: list end, gap, info blocks and earlier records' data.
  uint32_t D;
  if (!DBI_Offset(f, index, &D)) return ERR_READ;
  const uint32_t G = uint32_t(grow), listGrow = e * count, P = DBI_EntryPos(f, index);
  const uint32_t T = fileSize - D, M = D - P;  // the check keeps P <= D <= fileSize
  // 3. Growth first: a full disk stops here with the file as it was.
  err = writeZeros(f, fileSize, G, DB_GROW_CHUNK);
  if (err != 0) return undoGrowth(f, fileSize, err);
  // 4. The tail, then everything between the new entries and the new data.
  err = moveBytes(f, D, D + G, T, progress);
  if (err == 0) err = moveBytes(f, P, P + listGrow, M, progress);
  // 5.-7. Offsets before, the new entries, offsets after.
  if (err == 0) err = DBI_AdjustOffsets(f, 0, index, listGrow);
  if (err == 0) err = writeNewEntries(f, index, count, D + listGrow, size);
  if (err == 0) err = DBI_AdjustOffsets(f, index + count, old - index, G);
  // New records start zeroed, never holding another record's old bytes.
  if (err == 0 && T > 0) err = writeZeros(f, D + listGrow, G - listGrow, DB_GROW_CHUNK);
  // The info blocks moved with the list.
  if (err == 0) err = shiftInfo(f, listGrow);
  // 8. The new count.
  if (err == 0) err = DBI_SetCount(f, uint16_t(old + count));
  return finish(f, err, fileSize, true);
}

Err DB_ResizeRecord(FileRef f, uint16_t index, uint32_t newSize, ProgressRef progress) {
  Err err = DBI_Ready(f);
  if (err != 0) return err;
  const uint32_t count = DBI_Count(f);
  if (index >= count) return ERR_FILE_PARAM;
  uint32_t fileSize, D, oldSize;
  if (!DBI_FileSize(f, &fileSize) || !DBI_Span(f, index, &D, &oldSize)) return ERR_READ;
  if (newSize == oldSize) return 0;
  const uint32_t tail = fileSize - (D + oldSize), later = count - index - 1;
  if (newSize > oldSize) {
    const uint32_t add = newSize - oldSize;
    if (uint64_t(fileSize) + add > PDB_MAX_FILE) return ERR_FILE_PARAM;
    err = writeZeros(f, fileSize, add, DB_RESIZE_CHUNK);
    if (err != 0) return undoGrowth(f, fileSize, err);
    err = moveBytes(f, D + oldSize, D + newSize, tail, progress);
    // The bytes gained start zeroed (a last record's come zeroed from the growth).
    if (err == 0 && tail > 0) err = writeZeros(f, D + oldSize, add, DB_RESIZE_CHUNK);
    if (err == 0) err = DBI_AdjustOffsets(f, index + 1, later, add);
    return finish(f, err, fileSize, true);
  }
  const uint32_t cut = oldSize - newSize;
  err = moveBytes(f, D + oldSize, D + newSize, tail, progress);
  if (err == 0) err = FIL_TruncateAt(f, fileSize - cut);
  if (err == 0) err = DBI_AdjustOffsets(f, index + 1, later, 0u - cut);
  return finish(f, err, fileSize, false);
}

Err DB_DeleteRecords(FileRef f, uint16_t index, uint32_t count, ProgressRef progress) {
  Err err = DBI_Ready(f);
  if (err != 0) return err;
  const uint32_t old = DBI_Count(f);
  if (uint64_t(index) + count > old) return ERR_FILE_PARAM;
  if (count == 0) return 0;
  uint32_t fileSize, D1, D2;
  if (!DBI_FileSize(f, &fileSize) || !DBI_Offset(f, index, &D1) ||
      !DBI_Offset(f, index + count, &D2))
    return ERR_READ;
  const uint32_t listCut = DBI_EntrySize(f) * count, dataCut = D2 - D1;
  const uint32_t P1 = DBI_EntryPos(f, index), P2 = DBI_EntryPos(f, index + count);
  // Later entries, gap, info blocks and earlier data down over the removed
  // entries; then the data behind the removed records down behind them.
  err = moveBytes(f, P2, P1, D1 - P2, progress);
  if (err == 0) err = moveBytes(f, D2, D1 - listCut, fileSize - D2, progress);
  if (err == 0) err = FIL_TruncateAt(f, fileSize - listCut - dataCut);
  if (err == 0) err = DBI_AdjustOffsets(f, 0, index, 0u - listCut);
  if (err == 0) err = DBI_AdjustOffsets(f, index, old - index - count, 0u - (listCut + dataCut));
  if (err == 0) err = shiftInfo(f, 0u - listCut);
  if (err == 0) err = DBI_SetCount(f, uint16_t(old - count));
  return finish(f, err, fileSize, false);
}

Err DB_MoveRecords(FileRef f, uint16_t from, uint16_t to, int32_t count, ProgressRef progress) {
  Err err = DBI_Ready(f);
  if (err != 0) return err;
  const int32_t total = DBI_Count(f);
  if (count < 0) return ERR_BAD_COUNT;
  if (int32_t(from) + count > total) return ERR_FILE_PARAM;
  // A run that would end past the last record is cut at it.
  int32_t n = int32_t(to) + count > total ? total - int32_t(to) : count;
  if (n < 0) return ERR_BAD_COUNT;
  if (n == 0 || from == to) return 0;
  return DBI_MoveRun(f, from, to, uint32_t(n), progress, true);
}
