// Stage 3 of the build: sorting one order of the table. A two-level byte
// histogram on the precomputed keys buckets the contacts without opening
// them (scattered through the work buffer, or through scratch record 8 when
// the range is more than half the buffer); only buckets that share their
// key, or small first-byte buckets, go to the comparison sort, which opens
// the contacts. With multiByteChars the comparison sort takes the whole order.
#include <cstring>

#include "prefs.h"
#include "sort_internal.h"

namespace {

// One order being sorted.
struct OrderPass {
  SortBuild* b;
  RecordRef order;
  RecordRef keys;
  SortContext ctx;
};

// The contacts of one range, fetched once for the merge sort's many
// comparisons: each comparison hands SortCompareRecords the two contacts
// already in its cache slots, so it never fetches (a fetch of a contact
// far from the last one costs a file read).
struct Prefetched {
  SortContext* ctx;
  const uint16_t* contacts;  // contact index at each position of the range
  ContactRec* recs;          // their records
};

void install(Prefetched* pf, int side, uint16_t position) {
  uint16_t r = pf->contacts[position];
  if (pf->ctx->cachedIndex[side] == r) return;
  // The slot's previous contact is one of ours: replaced, not released.
  pf->ctx->cached[side] = pf->recs[position];
  pf->ctx->cachedIndex[side] = r;
  pf->ctx->extracted[side] = 0;
}

// Compares positions of the range by their contacts.
int16_t comparePrefetched(const void* a, const void* b, uintptr_t user) {
  Prefetched* pf = reinterpret_cast<Prefetched*>(user);
  uint16_t pa, pb;
  memcpy(&pa, a, 2);
  memcpy(&pb, b, 2);
  install(pf, 0, pa);
  install(pf, 1, pb);
  uint16_t ra = pf->contacts[pa], rb = pf->contacts[pb];
  return SortCompareRecords(&ra, &rb, reinterpret_cast<uintptr_t>(pf->ctx));
}

// The merge sort of `count` contacts in `work` with every contact fetched
// once. False (work untouched) when memory is short or a contact cannot be
// read (it must then compare as SortCompareRecords makes unreadable ones
// compare): the caller sorts through the plain comparison.
bool sortPrefetched(SortContext* ctx, ContactDb* db, uint16_t* work, uint32_t count) {
  auto* recs = static_cast<ContactRec*>(MEM_Alloc(count * uint32_t(sizeof(ContactRec)), true));
  auto* contacts = static_cast<uint16_t*>(MEM_Alloc(2 * count, false));
  auto* positions = static_cast<uint16_t*>(MEM_Alloc(2 * count, false));
  bool ok = recs && contacts && positions;
  for (uint32_t i = 0; ok && i < count; i++) ok = ContactFetch(&recs[i], db, work[i]) == 0;
  if (ok) {
    memcpy(contacts, work, 2 * count);
    for (uint32_t i = 0; i < count; i++) positions[i] = uint16_t(i);
    SortContextRelease(ctx);
    Prefetched pf{ctx, contacts, recs};
    SortMergeSort(positions, count, 2, comparePrefetched, reinterpret_cast<uintptr_t>(&pf));
    for (int side = 0; side < 2; side++) {
      ctx->cached[side] = ContactRec{};
      ctx->cachedIndex[side] = -1;
      ctx->extracted[side] = 0;
    }
    for (uint32_t i = 0; i < count; i++) work[i] = contacts[positions[i]];
  }
  for (uint32_t i = 0; recs && i < count; i++) ContactRelease(&recs[i]);
  MEM_Free(recs);
  MEM_Free(contacts);
  MEM_Free(positions);
  return ok;
}

// Comparison sort of `count` entries at position `at`: through the work
// buffer, or a block of their own when they do not fit in it (left as
// they are when that block cannot be had).
Err comparisonSort(OrderPass* pass, uint32_t at, uint32_t count) {
  SortBuild* b = pass->b;
  uint16_t* entries = SortEntries(pass->order) + at;
  uint16_t* work = b->buf;
  bool own = count > b->cap;
  if (own) {
    work = static_cast<uint16_t*>(MEM_Alloc(2 * count, false));
    if (!work) {
      DBG_Print(FCC("scrn"), "%hd: Sort range of %ld left unsorted", 13, int32_t(count));
      return 0;
    }
  }
  memcpy(work, entries, 2 * count);
  // The exchange sort's passes cost count² comparisons, each opening a
  // contact: larger ranges take the merge sort (sorted alike, equal
  // contacts keeping their order).
  uintptr_t ctx = reinterpret_cast<uintptr_t>(&pass->ctx);
  if (count <= SORT_EXCHANGE_MAX) {
    ExchangeSort(work, count, 2, SortCompareRecords, ctx);
  } else if (g_sort.plainCompare || !sortPrefetched(&pass->ctx, b->db, work, count)) {
    SortMergeSort(work, count, 2, SortCompareRecords, ctx);
  }
  Err err = 0;
  if (memcmp(work, entries, 2 * count) != 0)
    err = DB_WriteRecord(pass->order, 2 * at, work, 2 * count);
  if (own) MEM_Free(work);
  return err;
}

// Key byte `byte` of the contact at order position `position`.
uint8_t keyByte(const OrderPass* pass, uint32_t position, int byte) {
  uint16_t r = SortEntries(pass->order)[position];
  // Recover left a permutation; the check only guards the key record.
  if (r >= pass->b->n) return 0;
  return DB_RecordData(pass->keys)[2 * r + byte];
}

// Bucket starts in collation order: each character gets the running total
// of the counts of the characters before it. A collation table that is not
// a permutation (it never should be) falls back to byte-value order.
void bucketStarts(const uint32_t counts[256], uint32_t starts[256]) {
  bool given[256] = {false};
  uint32_t run = 0;
  for (int p = 0; p < 256; p++) {
    uint8_t c = collationTable[2 * p];
    if (given[c]) break;
    given[c] = true;
    starts[c] = run;
    run += counts[c];
  }
  for (int c = 0; c < 256; c++) {
    if (given[c]) continue;
    run = 0;
    for (int v = 0; v < 256; v++) {
      starts[v] = run;
      run += counts[v];
    }
    return;
  }
}

// Stable scatter of the range into bucket order, written back at `at`.
Err scatter(OrderPass* pass, uint32_t at, uint32_t count, int byte, uint32_t next[256]) {
  SortBuild* b = pass->b;
  const uint16_t* entries = SortEntries(pass->order) + at;
  if (count > b->cap / 2) {
    // Too large for the buffer: single-entry writes into scratch record 8.
    g_sort.scratchScatters++;
    for (uint32_t i = 0; i < count; i++) {
      uint16_t r = entries[i];
      Err err = DB_WriteRecord(b->scratch, 2 * next[keyByte(pass, at + i, byte)]++, &r, 2);
      if (err != 0) return err;
    }
    return DB_WriteRecord(pass->order, 2 * at, DB_RecordData(b->scratch), 2 * count);
  }
  for (uint32_t i = 0; i < count; i++) b->buf[next[keyByte(pass, at + i, byte)]++] = entries[i];
  return DB_WriteRecord(pass->order, 2 * at, b->buf, 2 * count);
}

// Histogram sort of `count` entries at `at` on key byte `byte`, then each
// bucket of more than one entry in byte-value order: byte 0 buckets below
// SORT_SMALL_BUCKET and every byte 1 bucket by comparison, larger byte 0
// buckets by their second key byte.
Err histogramSort(OrderPass* pass, uint32_t at, uint32_t count, int byte) {
  uint32_t counts[256] = {0}, starts[256], next[256];
  for (uint32_t i = 0; i < count; i++) counts[keyByte(pass, at + i, byte)]++;
  bucketStarts(counts, starts);
  memcpy(next, starts, sizeof next);
  Err err = scatter(pass, at, count, byte, next);
  for (int v = 0; v < 256 && err == 0; v++) {
    if (counts[v] < 2) continue;
    if (byte == 0 && counts[v] >= SORT_SMALL_BUCKET) {
      err = histogramSort(pass, at + starts[v], counts[v], 1);
    } else {
      err = comparisonSort(pass, at + starts[v], counts[v]);
    }
  }
  return err;
}

}  // namespace

Err SortOneOrder(SortBuild* b, int16_t k) {
  OrderPass pass{b, nullptr, nullptr, {}};
  Err err = 0;
  if (!DB_GetRecord(&pass.order, b->table, uint16_t(2 * k), 0, 0) ||
      !DB_GetRecord(&pass.keys, b->table, uint16_t(2 * k + 1), 0, 0))
    err = ERR_MEM_FULL;
  if (err == 0) {
    SortContextInit(&pass.ctx, b->db, k);
    if (g_prefs.multiByteChars) {
      DBG_Print(FCC("scrn"), "%hd: Sort QuickSort %hd...", 14, k);
      err = comparisonSort(&pass, 0, b->n);
    } else {
      DBG_Print(FCC("scrn"), "%hd: Sort Histogram %hd...", 15, k);
      err = histogramSort(&pass, 0, b->n, 0);
    }
    // The comparison keeps two contacts open between calls.
    SortContextRelease(&pass.ctx);
  }
  (void)DB_ReleaseRecord(&pass.order);
  (void)DB_ReleaseRecord(&pass.keys);
  return err;
}

bool SortOrderInOrder(SortBuild* b, int16_t k) {
  RecordRef order = nullptr;
  if (!DB_GetRecord(&order, b->table, uint16_t(2 * k), 0, 0)) return false;
  SortContext ctx;
  SortContextInit(&ctx, b->db, k);
  const uint16_t* entries = SortEntries(order);
  bool sorted = true;
  for (uint32_t i = 1; sorted && i < b->n; i++)
    sorted =
        SortCompareRecords(&entries[i - 1], &entries[i], reinterpret_cast<uintptr_t>(&ctx)) <= 0;
  SortContextRelease(&ctx);
  (void)DB_ReleaseRecord(&order);
  return sorted;
}
