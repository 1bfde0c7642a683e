// The display list: the contacts of one sort order that pass one category
// filter and the privacy setting, kept in record 10 of the sort table and
// fetched while the handle is cached, and its narrowing by find
// (SortRefineList), which marks it as holding search results.
#include "prefs.h"
#include "sort_internal.h"

namespace {

constexpr uint32_t LIST_CHUNK = 256;  // entries gathered per write while rebuilding

uint16_t handOut(int16_t* outHandle, const uint16_t** outEntries) {
  if (outHandle) *outHandle = -1;
  if (outEntries)
    *outEntries =
        reinterpret_cast<const uint16_t*>(DB_RecordData(g_sort.list) + SORT_LIST_HEADER_BYTES);
  return g_sort.listCount;
}

// Whether contact r, of category bit `bit`, belongs in the list of
// `category`; the "All" list leaves the hidden categories out.
bool inCategory(uint16_t bit, int16_t category) {
  if (category == 0) return bit == 0;
  if (category > 0) return (bit >> (category - 1)) & 1;
  uint32_t hidden = g_prefs.hiddenCategories;
  return bit == 0 ? !(hidden & 1) : !((uint32_t(bit) << 1) & hidden);
}

// The stored list may be handed out only when every entry names a contact.
bool storedEntriesValid(const SortListHeader& h) {
  if (h.count < 0 || h.count > h.total) return false;
  const uint16_t* e =
      reinterpret_cast<const uint16_t*>(DB_RecordData(g_sort.list) + SORT_LIST_HEADER_BYTES);
  for (int16_t j = 0; j < h.count; j++)
    if (e[j] >= uint16_t(h.total)) return false;
  return true;
}

// Step 4: the list built from order record 2k, the attributes and the
// category bits; the header is written last.
Err rebuildList(FileRef t, int16_t order, int16_t category, SortListHeader* h) {
  RecordRef ord = nullptr, attributes = nullptr, categories = nullptr;
  Err err = 0;
  if (!DB_GetRecord(&ord, t, uint16_t(2 * order), 0, 0) ||
      !DB_GetRecord(&attributes, t, SORT_RECORD_ATTRIBUTES, 0, 0) ||
      !DB_GetRecord(&categories, t, SORT_RECORD_CATEGORIES, 0, 0))
    err = ERR_MEM_FULL;
  uint16_t chunk[LIST_CHUNK];
  uint32_t count = 0, fill = 0, total = uint32_t(h->total);
  for (uint32_t pos = 0; pos < total && err == 0; pos++) {
    uint16_t r = SortEntries(ord)[pos];
    if (r >= total) continue;
    uint16_t a = SortEntries(attributes)[r];
    if ((a & REC_ATTR_DELETED) || ((a & REC_ATTR_SECRET) && g_prefs.securityLevel == 2)) continue;
    if (!inCategory(SortEntries(categories)[r], category)) continue;
    chunk[fill++] = r;
    if (fill < LIST_CHUNK) continue;
    err = DB_WriteRecord(g_sort.list, SORT_LIST_HEADER_BYTES + 2 * count, chunk, 2 * fill);
    count += fill;
    fill = 0;
  }
  if (err == 0 && fill > 0)
    err = DB_WriteRecord(g_sort.list, SORT_LIST_HEADER_BYTES + 2 * count, chunk, 2 * fill);
  count += fill;
  *h = SortListHeader{order, category, int16_t(count), h->total};
  uint8_t bytes[SORT_LIST_HEADER_BYTES];
  SortEncodeHeader(*h, bytes);
  if (err == 0) err = DB_WriteRecord(g_sort.list, 0, bytes, SORT_LIST_HEADER_BYTES);
  (void)DB_ReleaseRecord(&ord);
  (void)DB_ReleaseRecord(&attributes);
  (void)DB_ReleaseRecord(&categories);
  return err;
}

}  // namespace

uint16_t SortGetList(int16_t* outHandle, const uint16_t** outEntries, int16_t order,
                     int16_t category, uint16_t flags) {
  if (order < 0 || order > 2 || category < -1 || category > 15) return 0;
  bool rebuild = (flags & SORT_LIST_REBUILD) != 0;
  bool dropSearch = (flags & SORT_LIST_DROP_SEARCH) && g_sort.searchMark;
  // 1. the cached list.
  if (g_sort.list && g_sort.listOrder == order && g_sort.listCategory == category && !rebuild &&
      !dropSearch)
    return handOut(outHandle, outEntries);
  // 2. the table with record 10 fetched.
  SortReleaseCached();
  FileRef t = nullptr;
  if (SortOpenTable(&t) != 0) return 0;
  SortListHeader h{};
  if (!SortTableUsable(t, &h) || !DB_GetRecord(&g_sort.list, t, SORT_RECORD_LIST, 0, 0)) {
    FIL_Close(&t);
    return 0;
  }
  g_sort.table = t;
  // 3. the stored list, when it is the one asked for. A list stored by an
  // earlier run may hold that run's search results: it is rebuilt once.
  bool useStored = h.order == order && h.category == category && !rebuild && !dropSearch &&
                   g_sort.storedListKnown && storedEntriesValid(h);
  // 4.
  if (!useStored) {
    g_sort.searchMark = false;
    if (rebuildList(t, order, category, &h) != 0) {
      // Entries may have been overwritten under the old header.
      SortReleaseCached();
      g_sort.storedListKnown = false;
      return 0;
    }
    g_sort.storedListKnown = true;
  }
  // 5.
  g_sort.listOrder = order;
  g_sort.listCategory = category;
  g_sort.listCount = uint16_t(h.count);
  return handOut(outHandle, outEntries);
}

void SortReleaseList(int16_t handle) { (void)handle; }

bool SortListIsSearch() { return g_sort.searchMark; }

uint16_t SortRefineList(SortPredicateFn predicate, uintptr_t user) {
  if (!predicate) return 0;
  ContactDb* db = nullptr;
  if (ContactDbOpen(&db, false, true) != 0) return 0;
  SortReleaseCached();
  FileRef t = nullptr;
  SortListHeader h{};
  if (SortOpenTable(&t) != 0 || !SortTableUsable(t, &h) || h.order < 0 || h.order > 2 ||
      h.count < 0 || !DB_GetRecord(&g_sort.list, t, SORT_RECORD_LIST, 0, 0)) {
    FIL_Close(&t);
    ContactDbClose(&db);
    return 0;
  }
  g_sort.table = t;
  uint16_t* e = reinterpret_cast<uint16_t*>(DB_RecordData(g_sort.list) + SORT_LIST_HEADER_BYTES);
  uint16_t n = ContactDbCount(db), count = uint16_t(h.count), kept = 0;
  bool stop = false;
  Err err = 0;
  for (uint16_t j = 0; j < count && !stop && err == 0; j++) {
    uint16_t r = e[j];
    ContactRec rec{};
    if (r >= n || ContactFetch(&rec, db, r) != 0) continue;  // unreadable: dropped
    bool keep = predicate(&rec, j, count, user, &stop);
    ContactRelease(&rec);
    if (!keep) continue;
    if (kept != j) err = DB_WriteRecord(g_sort.list, SORT_LIST_HEADER_BYTES + 2 * kept, &r, 2);
    kept++;
  }
  ContactDbClose(&db);
  if (err == 0 && kept > 0 && kept < count) {
    h.count = int16_t(kept);
    uint8_t bytes[SORT_LIST_HEADER_BYTES];
    SortEncodeHeader(h, bytes);
    err = DB_WriteRecord(g_sort.list, 0, bytes, SORT_LIST_HEADER_BYTES);
    if (err == 0) g_sort.searchMark = true;
  }
  if (err != 0) {
    // A list half moved down is no list: it is built again when next asked.
    SortReleaseCached();
    g_sort.storedListKnown = false;
    return 0;
  }
  g_sort.listOrder = h.order;
  g_sort.listCategory = h.category;
  g_sort.listCount = uint16_t(h.count);
  return kept;
}
