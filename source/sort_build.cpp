// The build of the sort table (SortOpen step 10): the work buffer and its
// fallbacks ((5·n)/2 + 100, (3·n)/2 + 100, 4,000 entries, 100 on the
// stack), stage 1 recover (a fast path with a seen-map in the buffer, a
// slow path that needs no memory), stage 2 scan of every contact, and the
// traces, progress and timings. Stage 3, sorting one order, is
// sort_histogram.cpp.
#include <cstring>

#include "prefs.h"
#include "sort_internal.h"

namespace {

constexpr uint32_t SLOW_REPAIR_LIMIT = 1000;  // larger damaged orders restart from the identity
constexpr uint16_t BAD_ENTRY = 0xFFFF;

void progress(FourCC stage, int32_t position, int32_t total) {
  if (g_sort.progress) g_sort.progress(stage, position, total, g_sort.progressArg);
}

// The work buffer: the first allocation that succeeds, from the largest
// down (the test hook picks one size); null leaves the stack buffer.
uint16_t* allocBuffer(uint32_t n, uint32_t* cap) {
  const uint32_t sizes[3] = {5 * n / 2 + 100, 3 * n / 2 + 100, 4000};
  int first = 0, last = 2;
  switch (g_sort.forceBuffer) {
    case SORT_BUFFER_FULL:
      last = 0;
      break;
    case SORT_BUFFER_THREE_HALF:
      first = last = 1;
      break;
    case SORT_BUFFER_FOUR_K:
      first = last = 2;
      break;
    case SORT_BUFFER_STACK:
      return nullptr;
    default:
      break;
  }
  for (int i = first; i <= last; i++) {
    void* p = MEM_Alloc(sizes[i] * 2, false);
    if (p) {
      *cap = sizes[i];
      return static_cast<uint16_t*>(p);
    }
  }
  return nullptr;
}

Err writeEntry(RecordRef rec, uint32_t i, uint16_t value) {
  return DB_WriteRecord(rec, 2 * i, &value, 2);
}

// The identity order, written entry by entry where it differs.
Err identityByEntry(RecordRef rec, uint32_t n, bool* changed) {
  const uint16_t* e = SortEntries(rec);
  for (uint32_t i = 0; i < n; i++) {
    if (e[i] == i) continue;
    *changed = true;
    Err err = writeEntry(rec, i, uint16_t(i));
    if (err != 0) return err;
  }
  return 0;
}

// Fast path for one enabled order: entries out of range or seen before are
// bad positions; the contacts never seen fill them in ascending order. With
// `copy` the corrections gather there and are written at once.
Err repairFast(SortBuild* b, RecordRef rec, uint16_t* copy, bool* changed) {
  uint32_t n = b->n;
  uint16_t* bad = b->buf;
  uint8_t* seen = reinterpret_cast<uint8_t*>(b->buf + n);
  uint16_t* e = SortEntries(rec);
  if (copy) memcpy(copy, e, 2 * n);
  const uint16_t* src = copy ? copy : e;
  memset(seen, 0, n);
  uint32_t badCount = 0;
  for (uint32_t i = 0; i < n; i++) {
    uint16_t v = src[i];
    if (v >= n || seen[v]) {
      bad[badCount++] = uint16_t(i);
    } else {
      seen[v] = 1;
    }
  }
  if (badCount == 0) return 0;
  *changed = true;
  uint32_t next = 0;
  for (uint32_t r = 0; r < n && next < badCount; r++) {
    if (seen[r]) continue;
    uint16_t at = bad[next++];
    if (copy) {
      copy[at] = uint16_t(r);
    } else {
      Err err = writeEntry(rec, at, uint16_t(r));
      if (err != 0) return err;
    }
  }
  return copy ? DB_WriteRecord(rec, 0, copy, 2 * n) : Err(0);
}

Err recoverFast(SortBuild* b, RecordRef orders[3], uint8_t* changed) {
  uint32_t n = b->n;
  // A copy of the order fits behind the bad list and the seen-map.
  uint16_t* copy = 2 * b->cap >= 5 * n ? b->buf + (b->cap - n) : nullptr;
  for (int k = 0; k < 3; k++) {
    bool touched = false;
    Err err = 0;
    if (b->enabled[k]) {
      err = repairFast(b, orders[k], copy, &touched);
    } else if (copy) {
      for (uint32_t i = 0; i < n; i++) copy[i] = uint16_t(i);
      touched = memcmp(copy, SortEntries(orders[k]), 2 * n) != 0;
      if (touched) err = DB_WriteRecord(orders[k], 0, copy, 2 * n);
    } else {
      err = identityByEntry(orders[k], n, &touched);
    }
    if (err != 0) return err;
    if (touched) *changed = uint8_t(*changed | (1 << k));
  }
  return 0;
}

// Slow path, walk of one damaged order (n < 1,000): later copies of a value
// become BAD_ENTRY; both counters stop the walk at the limit.
Err slowWalk(RecordRef rec, uint32_t n, uint32_t limit, uint32_t* outOfRange, uint32_t* dupes) {
  const uint16_t* e = SortEntries(rec);
  for (uint32_t i = 0; i + 1 < n && *outOfRange < limit && *dupes < limit; i++) {
    uint16_t v = e[i];
    if (v >= n) {
      ++*outOfRange;
      continue;
    }
    for (uint32_t j = i + 1; j < n; j++) {
      if (e[j] != v) continue;
      Err err = writeEntry(rec, j, BAD_ENTRY);
      if (err != 0) return err;
      ++*dupes;
    }
  }
  if (n > 0 && e[n - 1] >= n) ++*outOfRange;
  return 0;
}

// Slow path, fill: each contact missing from the order goes to the next
// invalid position, positions ascending.
Err slowFill(RecordRef rec, uint32_t n) {
  const uint16_t* e = SortEntries(rec);
  uint32_t at = 0;
  for (uint32_t r = 0; r < n; r++) {
    bool occurs = false;
    for (uint32_t j = 0; j < n && !occurs; j++) occurs = e[j] == r;
    if (occurs) continue;
    while (at < n && e[at] < n) at++;
    if (at >= n) break;
    Err err = writeEntry(rec, at++, uint16_t(r));
    if (err != 0) return err;
  }
  return 0;
}

// Slow path: no memory for a seen-map. An order that is already a
// permutation is left alone; a damaged one is repaired in place, or reset
// to the identity when damage reaches 20 % of n or n is 1,000 or more.
Err recoverSlow(SortBuild* b, RecordRef orders[3], uint8_t* changed) {
  uint32_t n = b->n, limit = n * 20 / 100, outOfRange = 0, dupes = 0;
  bool damaged[3] = {false, false, false};
  for (int k = 0; k < 3; k++) {
    if (!b->enabled[k] || SortIsPermutation(SortEntries(orders[k]), n)) continue;
    damaged[k] = true;
    *changed = uint8_t(*changed | (1 << k));
    if (n >= SLOW_REPAIR_LIMIT) continue;
    Err err = slowWalk(orders[k], n, limit, &outOfRange, &dupes);
    if (err != 0) return err;
  }
  bool reset = outOfRange >= limit || dupes >= limit || n >= SLOW_REPAIR_LIMIT;
  for (int k = 0; k < 3; k++) {
    Err err = 0;
    bool touched = false;
    if (!b->enabled[k] || (damaged[k] && reset)) {
      err = identityByEntry(orders[k], n, &touched);
    } else if (damaged[k] && (outOfRange != 0 || dupes != 0)) {
      err = slowFill(orders[k], n);
    }
    if (err != 0) return err;
    if (touched) *changed = uint8_t(*changed | (1 << k));
  }
  return 0;
}

}  // namespace

SortContactFacts SortReadFacts(ContactDb* db, uint16_t i) {
  SortContactFacts f{};
  uint8_t attributes = 1, category = 0;
  if (DB_RecordInfo(db->file, i, &attributes, &category) != 0) {
    attributes = 1;
    category = 0;
  }
  f.attributes = attributes;
  f.categoryBit = SortCategoryBit(category);
  ContactRec rec{};
  if (ContactFetch(&rec, db, i) == 0) {
    uint8_t keys[3][2];
    SortKeys(&rec, keys);
    for (int k = 0; k < 3; k++) f.keys[k] = SortKeyEntry(keys[k]);
    ContactRelease(&rec);
  } else {
    // Unreadable: deleted for every list; the default key keeps the
    // record deterministic.
    f.attributes = 1;
    f.categoryBit = 0;
    for (int k = 0; k < 3; k++) f.keys[k] = SortKeyEntry(defaultKey);
  }
  return f;
}

Err SortRecover(SortBuild* b, uint8_t* changed) {
  RecordRef orders[3] = {nullptr, nullptr, nullptr};
  Err err = 0;
  for (int k = 0; k < 3 && err == 0; k++)
    if (!DB_GetRecord(&orders[k], b->table, uint16_t(2 * k), 0, 0)) err = ERR_MEM_FULL;
  DBG_Print(FCC("scrn"), "%hd: Sort recovering table...", 6);
  g_sort.recoverFast = 2 * b->cap > 3 * b->n;
  if (err == 0)
    err = g_sort.recoverFast ? recoverFast(b, orders, changed) : recoverSlow(b, orders, changed);
  // Whatever path ran, an enabled order leaves here as a permutation.
  for (int k = 0; k < 3 && err == 0; k++) {
    if (SortIsPermutation(SortEntries(orders[k]), b->n)) continue;
    bool touched = false;
    err = identityByEntry(orders[k], b->n, &touched);
    *changed = uint8_t(*changed | (1 << k));
  }
  for (RecordRef& r : orders) (void)DB_ReleaseRecord(&r);
  return err;
}

Err SortScan(SortBuild* b) {
  DBG_Print(FCC("scrn"), "%hd: Sort scanning chars...", 7);
  // Chunks of a tenth of the buffer: category bits, attributes, three keys.
  static const uint16_t kRecords[5] = {SORT_RECORD_CATEGORIES, SORT_RECORD_ATTRIBUTES, 1, 3, 5};
  uint32_t chunk = b->cap / 10;
  uint16_t* part[5];
  for (int p = 0; p < 5; p++) part[p] = b->buf + p * chunk;
  uint32_t first = 0;
  for (uint32_t i = 0; i < b->n; i++) {
    SortContactFacts f = SortReadFacts(b->db, uint16_t(i));
    uint32_t j = i - first;
    part[0][j] = f.categoryBit;
    part[1][j] = f.attributes;
    for (int k = 0; k < 3; k++) part[2 + k][j] = f.keys[k];
    if (j + 1 < chunk && i + 1 < b->n) continue;
    for (int p = 0; p < 5; p++) {
      if (p >= 2 && !b->enabled[p - 2]) continue;
      Err err = DB_WriteRecordAt(b->table, kRecords[p], 2 * first, part[p], 2 * (j + 1));
      if (err != 0) return err;
    }
    first = i + 1;
  }
  uint8_t header[SORT_LIST_HEADER_BYTES];
  SortEncodeHeader(SortListHeader{-1, -1, -1, int16_t(b->n)}, header);
  return DB_WriteRecordAt(b->table, SORT_RECORD_LIST, 0, header, SORT_LIST_HEADER_BYTES);
}

Err SortRunBuild(ContactDb* db, FileRef table, uint32_t n, int16_t mode) {
  // 1.
  DBG_Print(FCC("scrn"), "%hd: Sort open database...", 5);
  // 2. the work buffer.
  uint16_t stackBuffer[SORT_STACK_ENTRIES];
  SortBuild b{db,
              table,
              n,
              nullptr,
              0,
              nullptr,
              {g_prefs.sortByLast != 0, g_prefs.sortByFirst != 0, g_prefs.sortByCompany != 0}};
  b.buf = allocBuffer(n, &b.cap);
  bool onHeap = b.buf != nullptr;
  if (!onHeap) {
    b.buf = stackBuffer;
    b.cap = SORT_STACK_ENTRIES;
  }
  g_sort.bufferEntries = b.cap;
  g_sort.scratchScatters = 0;
  // 3. the scratch records stay fetched for the whole build.
  RecordRef spare = nullptr;
  Err err = 0;
  if (!DB_GetRecord(&b.scratch, table, SORT_RECORD_SCRATCH, 0, 0) ||
      !DB_GetRecord(&spare, table, SORT_RECORD_SCRATCH + 1, 0, 0))
    err = ERR_MEM_FULL;
  // 4. collation, recover, scan.
  progress(FCC("$Sf0"), 0, 100);
  SortLoadCollation();
  uint8_t changed = 0;
  uint32_t start = HOST_Ticks();
  if (err == 0) err = SortRecover(&b, &changed);
  g_sort.timings.recoverMs = int32_t(HOST_Ticks() - start);
  start = HOST_Ticks();
  if (err == 0) err = SortScan(&b);
  g_sort.timings.scanMs = int32_t(HOST_Ticks() - start);
  // A rescan trusts an order only when it is still in order.
  for (int16_t k = 0; k < 3 && err == 0 && mode == SORT_RESCAN; k++)
    if (b.enabled[k] && !(changed >> k & 1) && !SortOrderInOrder(&b, k)) changed |= uint8_t(1 << k);
  // 5. the enabled orders; a rescan sorts only what recover had to change.
  static const FourCC kStages[3] = {FCC("$Sf1"), FCC("$Sf2"), FCC("$Sf3")};
  for (int16_t k = 0; k < 3 && err == 0; k++) {
    if (!b.enabled[k] || (mode == SORT_RESCAN && !(changed >> k & 1))) continue;
    progress(kStages[k], 25, 100);
    start = HOST_Ticks();
    err = SortOneOrder(&b, k);
    g_sort.timings.sortMs[k] = int32_t(HOST_Ticks() - start);
  }
  // 6.
  (void)DB_ReleaseRecord(&b.scratch);
  (void)DB_ReleaseRecord(&spare);
  if (onHeap) MEM_Free(b.buf);
  const SortTimings& t = g_sort.timings;
  DBG_Print(FCC("scrn"), "%hd: Recover: %ld ms ", 8, t.recoverMs);
  DBG_Print(FCC("scrn"), "%hd: Scan: %ld ms ", 9, t.scanMs);
  DBG_Print(FCC("scrn"), "%hd: Sort1: %ld ms ", 10, t.sortMs[0]);
  DBG_Print(FCC("scrn"), "%hd: Sort2: %ld ms ", 11, t.sortMs[1]);
  DBG_Print(FCC("scrn"), "%hd: Sort3: %ld ms ", 12, t.sortMs[2]);
  return err;
}
