// The sort table's file: SortOpen with its rebuild triggers and its check of
// the stored table, SortStamp, and the module's run state (the cached handle
// and list, the progress callback, the stage timings). The build itself is
// sort_build.cpp and sort_histogram.cpp; the helpers shared by the list and
// the upkeep (open, usable, discard, permutation checks) live here too.
#include <cstring>

#include "prefs.h"
#include "sort_internal.h"

// Zero until SortReset: no handle, no list (listOrder only counts with a list).
SortState g_sort{};

namespace {

constexpr uint32_t CHECK_CHUNK = 512;  // entries read at a time by the stored-order check

void deleteTable() { (void)FIL_Delete(SORT_VOLUME, SORT_DIR, SORT_TABLE_FILE); }

// Failures keep their code, but never one that reads as SORT_BUILT or
// SORT_VALID.
Err failure(Err err) { return err < SORT_VALID ? err : ERR_OPEN_FAILED; }

// Steps 5 and 6: create a missing table (dropping the file of the older
// name), then open it for reading and writing. A file that is not a sound
// record database is replaced by an empty one.
Err openForBuild(FileRef* out) {
  FileRef t = nullptr;
  if (FIL_Open(&t, SORT_VOLUME, SORT_DIR, SORT_TABLE_FILE, FIL_MODE_READ) != 0) {
    if (FIL_Open(&t, SORT_VOLUME, SORT_DIR, SORT_TABLE_FILE, FIL_MODE_WRITE) == 0)
      (void)FIL_Delete(SORT_VOLUME, SORT_DIR, SORT_TABLE_OLD_FILE);
  }
  FIL_Close(&t);
  Err err = FIL_Open(&t, SORT_VOLUME, SORT_DIR, SORT_TABLE_FILE, FIL_MODE_READ_WRITE);
  if (err != 0) return err;
  if (DB_Validate(t) != 0) {
    DBG_Print(FCC("scrn"), "%hd: Sort table damaged, starting afresh", 2);
    FIL_Close(&t);
    deleteTable();
    err = FIL_Open(&t, SORT_VOLUME, SORT_DIR, SORT_TABLE_FILE, FIL_MODE_READ_WRITE);
    if (err != 0) return err;
  }
  *out = t;
  return 0;
}

// Steps 7 and 8: eleven records of the size for n contacts. A short table
// or a wrongly sized order record asks for a rebuild; any other wrongly
// sized record for a rescan.
Err sizeRecords(FileRef t, uint32_t n, int16_t* mode) {
  uint32_t size = SortRecordBytes(n);
  uint16_t have = DB_NumRecords(t);
  if (have < SORT_TABLE_RECORDS) {
    Err err = have > 0 ? DB_DeleteRecords(t, 0, have, nullptr) : Err(0);
    if (err == 0) err = DB_InsertRecords(t, 0, size, SORT_TABLE_RECORDS, nullptr);
    *mode = SORT_REBUILD;
    return err;
  }
  for (uint16_t k = 0; k < SORT_TABLE_RECORDS; k++) {
    if (DB_RecordSize(t, k) == size) continue;
    if (k == 0 || k == 2 || k == 4) {
      *mode = SORT_REBUILD;
    } else if (*mode == SORT_CHECK) {
      *mode = SORT_RESCAN;
    }
    Err err = DB_ResizeRecord(t, k, size, nullptr);
    if (err != 0) return err;
  }
  return 0;
}

// Step 8, the preferences: a stamp left from the last run (deleted contacts
// were purged meanwhile) and a changed fingerprint ask for a rebuild.
void checkPreferences(ContactDb* db, int16_t* mode) {
  if (g_prefs.sortTableStamp != 0) {
    g_prefs.sortTableStamp = 0;
    *mode = SORT_REBUILD;
  }
  if (g_prefs.databaseFingerprint != 0) {
    if (ContactFingerprint(db) != g_prefs.databaseFingerprint) *mode = SORT_REBUILD;
    g_prefs.databaseFingerprint = 0;
  }
}

// The stored table is checked before it is trusted: a total other than n
// or an order that is not a permutation (a disabled one not the identity)
// asks for a rebuild, a list count out of range for a rescan.
int16_t checkContents(FileRef t, uint32_t n, int16_t mode) {
  uint8_t bytes[SORT_LIST_HEADER_BYTES];
  if (DB_ReadRecordBytes(t, SORT_RECORD_LIST, 0, SORT_LIST_HEADER_BYTES, bytes) != 0)
    return SORT_REBUILD;
  SortListHeader h = SortDecodeHeader(bytes);
  if (h.total < 0 || uint32_t(h.total) != n) return SORT_REBUILD;
  const bool enabled[3] = {g_prefs.sortByLast != 0, g_prefs.sortByFirst != 0,
                           g_prefs.sortByCompany != 0};
  for (uint16_t k = 0; k < 3; k++)
    if (!SortStoredOrderValid(t, uint16_t(2 * k), n, !enabled[k])) return SORT_REBUILD;
  if (h.count < -1 || h.count > h.total) return SORT_RESCAN;
  return mode;
}

// Steps 3-10 once the contact database is open with n contacts.
Err openTable(ContactDb* db, uint32_t n, int16_t mode) {
  // 3. the cached list and handle go first.
  SortReleaseCached();
  // 4. discard asks for a table built from nothing.
  if (mode == SORT_DISCARD) deleteTable();
  // 5, 6.
  FileRef t = nullptr;
  Err err = openForBuild(&t);
  if (err != 0) return err;
  // 7, 8.
  err = sizeRecords(t, n, &mode);
  if (err == 0) {
    checkPreferences(db, &mode);
    if (mode == SORT_CHECK || mode == SORT_RESCAN) mode = checkContents(t, n, mode);
    // 9. a valid table is left alone.
    if (mode == SORT_CHECK) {
      FIL_Close(&t);
      return SORT_VALID;
    }
    // 10.
    err = SortRunBuild(db, t, n, mode);
  }
  FIL_Close(&t);
  if (err != 0) {
    // A half-built table must never be taken for a valid one.
    DBG_Print(FCC("scrn"), "%hd: Sort build failed (%ld), table removed", 3, int32_t(err));
    deleteTable();
    return err;
  }
  g_sort.storedListKnown = true;
  return SORT_BUILT;
}

}  // namespace

SortListHeader SortDecodeHeader(const uint8_t* b) {
  return SortListHeader{int16_t(SortGetLE16(b)), int16_t(SortGetLE16(b + 2)),
                        int16_t(SortGetLE16(b + 4)), int16_t(SortGetLE16(b + 6))};
}

void SortEncodeHeader(const SortListHeader& h, uint8_t* b) {
  SortPutLE16(b, uint16_t(h.order));
  SortPutLE16(b + 2, uint16_t(h.category));
  SortPutLE16(b + 4, uint16_t(h.count));
  SortPutLE16(b + 6, uint16_t(h.total));
}

void SortReleaseCached() {
  if (g_sort.list) (void)DB_ReleaseRecord(&g_sort.list);
  FIL_Close(&g_sort.table);
  g_sort.listCount = 0;
}

Err SortOpenTable(FileRef* out) {
  if (!FIL_Exists(SORT_VOLUME, SORT_DIR, SORT_TABLE_FILE)) return ERR_OPEN_FAILED;
  return FIL_Open(out, SORT_VOLUME, SORT_DIR, SORT_TABLE_FILE, FIL_MODE_READ_WRITE);
}

bool SortTableUsable(FileRef table, SortListHeader* header) {
  if (DB_NumRecords(table) < SORT_TABLE_RECORDS) return false;
  uint8_t bytes[SORT_LIST_HEADER_BYTES];
  if (DB_ReadRecordBytes(table, SORT_RECORD_LIST, 0, SORT_LIST_HEADER_BYTES, bytes) != 0)
    return false;
  SortListHeader h = SortDecodeHeader(bytes);
  if (h.total < 0 || h.count < -1 || h.count > h.total) return false;
  uint32_t need = 2 * uint32_t(h.total);
  for (uint16_t k = 0; k < SORT_RECORD_LIST; k++)
    if (DB_RecordSize(table, k) < need) return false;
  if (DB_RecordSize(table, SORT_RECORD_LIST) < SORT_LIST_HEADER_BYTES + need) return false;
  if (header) *header = h;
  return true;
}

void SortDiscardTable(FileRef* table, const char* why) {
  FIL_Close(table);
  deleteTable();
  DBG_Print(FCC("scrn"), "%hd: Sort table discarded: %s", 4, why);
}

bool SortIsPermutation(const uint16_t* entries, uint32_t n) {
  uint8_t seen[4096];
  if (n > 8 * sizeof seen) return false;
  memset(seen, 0, (n + 7) / 8);
  for (uint32_t i = 0; i < n; i++) {
    uint16_t v = entries[i];
    if (v >= n || (seen[v >> 3] >> (v & 7) & 1)) return false;
    seen[v >> 3] = uint8_t(seen[v >> 3] | (1 << (v & 7)));
  }
  return true;
}

bool SortStoredOrderValid(FileRef table, uint16_t index, uint32_t n, bool identity) {
  uint8_t seen[4096];
  uint16_t chunk[CHECK_CHUNK];
  if (n > 8 * sizeof seen || DB_RecordSize(table, index) < 2 * n) return false;
  memset(seen, 0, (n + 7) / 8);
  for (uint32_t first = 0; first < n; first += CHECK_CHUNK) {
    uint32_t count = n - first < CHECK_CHUNK ? n - first : CHECK_CHUNK;
    if (DB_ReadRecordBytes(table, index, 2 * first, 2 * count, chunk) != 0) return false;
    for (uint32_t j = 0; j < count; j++) {
      uint16_t v = chunk[j];
      if (identity ? v != first + j : (v >= n || (seen[v >> 3] >> (v & 7) & 1))) return false;
      seen[v >> 3] = uint8_t(seen[v >> 3] | (1 << (v & 7)));
    }
  }
  return true;
}

Err SortOpen(int16_t mode) {
  if (mode < SORT_CHECK || mode > SORT_DISCARD) return ERR_FILE_PARAM;
  // 1. the contact database; without it the table is dropped so that the
  // next successful open builds it afresh. A changed contact file (noted by
  // the open) asks for a rebuild.
  ContactDb* db = nullptr;
  Err err = ContactDbOpen(&db, false, true);
  bool fileChanged = g_contactFileChanged;
  g_contactFileChanged = false;
  if (err != 0) {
    SortReleaseCached();
    deleteTable();
    return failure(err);
  }
  if (fileChanged && mode != SORT_DISCARD) mode = SORT_REBUILD;
  // 2. the record count; a table for more contacts than a record can index
  // is refused rather than written wrapped.
  uint32_t n = ContactDbCount(db);
  if (n > SORT_MAX_CONTACTS) {
    ContactDbClose(&db);
    SortReleaseCached();
    deleteTable();
    DBG_Print(FCC("REPO"), "Sort table: %ld contacts are more than the %ld one table can index\n",
              int32_t(n), int32_t(SORT_MAX_CONTACTS));
    return SORT_ERR_TOO_MANY;
  }
  if (g_prefs.recordCountSeen != 0 && g_prefs.recordCountSeen != n) {
    if (mode != SORT_DISCARD) mode = SORT_REBUILD;
    g_prefs.recordCountSeen = uint16_t(n);
  }
  err = openTable(db, n, mode);
  // 11.
  ContactDbClose(&db);
  return err == SORT_BUILT || err == SORT_VALID ? err : failure(err);
}

uint16_t SortStamp() {
  SortReleaseCached();
  ContactDb* db = nullptr;
  if (ContactDbOpen(&db, false, true) != 0) return 0;
  uint16_t count = ContactDbCount(db), stamp = 0;
  for (uint16_t i = count; i > 0 && count - i < 50; i--) {
    uint8_t attributes = 0;
    if (DB_RecordInfo(db->file, uint16_t(i - 1), &attributes, nullptr) == 0 &&
        (attributes & REC_ATTR_DELETED))
      stamp++;
  }
  ContactDbClose(&db);
  return stamp;
}

void SortClose() { SortReleaseCached(); }

void SortReset() {
  SortReleaseCached();
  g_sort.listOrder = -1;
  g_sort.listCategory = -1;
  g_sort.searchMark = false;
  g_sort.storedListKnown = false;
  g_sort.progress = nullptr;
  g_sort.progressArg = 0;
  g_sort.timings = SortTimings{0, 0, {0, 0, 0}};
  g_sort.forceBuffer = SORT_BUFFER_NORMAL;
  g_sort.plainCompare = false;
  g_sort.bufferEntries = 0;
  g_sort.recoverFast = false;
  g_sort.scratchScatters = 0;
}

void SortSetProgress(SortProgressFn fn, uintptr_t arg) {
  g_sort.progress = fn;
  g_sort.progressArg = arg;
}

SortTimings SortLastTimings() { return g_sort.timings; }
