// Upkeep of the sort table after single-contact changes of the contact
// database: an insertion shifts every index at or above it and grows the
// records, a deletion moves the contact behind all others, a move renumbers
// the indices between two places, and a change refreshes one contact's
// entries and re-places it by binary search. A table found out of step, or a
// step that fails halfway, is removed so that the next SortOpen rebuilds it.
#include <cstring>

#include "prefs.h"
#include "sort_internal.h"

namespace {

const uint16_t kArrays[5] = {1, 3, 5, SORT_RECORD_ATTRIBUTES, SORT_RECORD_CATEGORIES};

bool listValid(const SortListHeader& h) { return h.order >= 0 && h.order <= 2 && h.count >= 0; }

// Every upkeep step first drops the cached list and handle, then opens the
// table; one that cannot be used is removed.
bool openForUpkeep(FileRef* t, SortListHeader* h) {
  SortReleaseCached();
  if (SortOpenTable(t) != 0) return false;
  if (SortTableUsable(*t, h)) return true;
  SortDiscardTable(t, "unusable table at upkeep");
  return false;
}

Err writeHeader(FileRef t, const SortListHeader& h) {
  uint8_t bytes[SORT_LIST_HEADER_BYTES];
  SortEncodeHeader(h, bytes);
  return DB_WriteRecordAt(t, SORT_RECORD_LIST, 0, bytes, SORT_LIST_HEADER_BYTES);
}

// Applies `edit` to the fetched record `index` and writes `bytes` bytes
// from `offset` back (the edit returns that range).
template <typename Edit>
Err editRecord(FileRef t, uint16_t index, Edit edit) {
  RecordRef rec = nullptr;
  if (!DB_GetRecord(&rec, t, index, 0, 0)) return ERR_MEM_FULL;
  uint32_t offset = 0, bytes = 0;
  edit(DB_RecordData(rec), &offset, &bytes);
  Err err = bytes > 0 ? DB_WriteRecord(rec, offset, DB_RecordData(rec) + offset, bytes) : Err(0);
  (void)DB_ReleaseRecord(&rec);
  return err;
}

// Rebuilt from the back: entries above i grow by one, the entry equal to i
// becomes i + 1 with the new contact i directly before it (at the front when
// no entry equals i). `e` has room for len + 1 entries. Returns i's place.
uint32_t insertInto(uint16_t* e, uint32_t len, uint16_t i) {
  uint32_t w = len, place = 0;
  bool found = false;
  for (uint32_t j = len; j-- > 0;) {
    uint16_t v = e[j];
    if (v == i && !found) {
      e[w--] = uint16_t(i + 1);
      place = w;
      e[w--] = i;
      found = true;
    } else {
      e[w--] = v > i ? uint16_t(v + 1) : v;
    }
  }
  if (!found) e[0] = i;
  return place;
}

Err insertEntries(FileRef t, uint16_t i, SortListHeader* h, int32_t* place) {
  uint32_t n = uint32_t(h->total), size = SortRecordBytes(n + 1);
  // 1. every record grows to the size for n + 1 contacts.
  for (uint16_t k = 0; k < SORT_TABLE_RECORDS; k++) {
    if (DB_RecordSize(t, k) == size) continue;
    Err err = DB_ResizeRecord(t, k, size, nullptr);
    if (err != 0) return err;
  }
  // 2. the orders and the display list.
  for (uint16_t k = 0; k < 3; k++) {
    Err err = editRecord(t, uint16_t(2 * k), [&](uint8_t* d, uint32_t*, uint32_t* bytes) {
      insertInto(reinterpret_cast<uint16_t*>(d), n, i);
      *bytes = 2 * (n + 1);
    });
    if (err != 0) return err;
  }
  if (listValid(*h)) {
    uint32_t count = uint32_t(h->count);
    Err err = editRecord(t, SORT_RECORD_LIST, [&](uint8_t* d, uint32_t* offset, uint32_t* bytes) {
      *place =
          int32_t(insertInto(reinterpret_cast<uint16_t*>(d + SORT_LIST_HEADER_BYTES), count, i));
      *offset = SORT_LIST_HEADER_BYTES;
      *bytes = 2 * (count + 1);
    });
    if (err != 0) return err;
    h->count = int16_t(count + 1);
  }
  // 3. the per-contact arrays open a place at i (filled by SortRecordChanged).
  for (uint16_t index : kArrays) {
    Err err = editRecord(t, index, [&](uint8_t* d, uint32_t* offset, uint32_t* bytes) {
      memmove(d + 2 * (i + 1), d + 2 * i, 2 * (n - i));
      *offset = 2 * uint32_t(i);
      *bytes = 2 * (n + 1 - i);
    });
    if (err != 0) return err;
  }
  // 4.
  h->total = int16_t(n + 1);
  return writeHeader(t, *h);
}

// Contact `from` becomes `to`; the indices between shift toward from.
uint16_t remap(uint16_t v, uint16_t from, uint16_t to) {
  if (v == from) return to;
  if (from < to && v > from && v <= to) return uint16_t(v - 1);
  if (to < from && v >= to && v < from) return uint16_t(v + 1);
  return v;
}

// The move of SortRecordMoved (from != to, both below the total) on the
// enabled orders (a disabled one stays the identity), the per-contact arrays
// (rotated, so that `to` carries from's entries) and, with `list`, the
// display list's indices.
Err moveEntries(FileRef t, const SortListHeader& h, uint16_t from, uint16_t to, bool list) {
  uint32_t n = uint32_t(h.total);
  const bool enabled[3] = {g_prefs.sortByLast != 0, g_prefs.sortByFirst != 0,
                           g_prefs.sortByCompany != 0};
  for (uint16_t k = 0; k < 3; k++) {
    if (!enabled[k]) continue;
    Err err = editRecord(t, uint16_t(2 * k), [&](uint8_t* d, uint32_t*, uint32_t* bytes) {
      uint16_t* e = reinterpret_cast<uint16_t*>(d);
      for (uint32_t j = 0; j < n; j++) e[j] = remap(e[j], from, to);
      *bytes = 2 * n;
    });
    if (err != 0) return err;
  }
  uint16_t lo = from < to ? from : to, hi = from < to ? to : from;
  for (uint16_t index : kArrays) {
    Err err = editRecord(t, index, [&](uint8_t* d, uint32_t* offset, uint32_t* bytes) {
      uint16_t* e = reinterpret_cast<uint16_t*>(d);
      uint16_t moving = e[from];
      if (from < to) {
        memmove(e + from, e + from + 1, 2 * (to - from));
      } else {
        memmove(e + to + 1, e + to, 2 * (from - to));
      }
      e[to] = moving;
      *offset = 2 * uint32_t(lo);
      *bytes = 2 * (uint32_t(hi) - lo + 1);
    });
    if (err != 0) return err;
  }
  if (!list || !listValid(h)) return 0;
  return editRecord(t, SORT_RECORD_LIST, [&](uint8_t* d, uint32_t* offset, uint32_t* bytes) {
    uint16_t* e = reinterpret_cast<uint16_t*>(d + SORT_LIST_HEADER_BYTES);
    for (int16_t j = 0; j < h.count; j++) e[j] = remap(e[j], from, to);
    *offset = SORT_LIST_HEADER_BYTES;
    *bytes = 2 * uint32_t(h.count);
  });
}

Err deleteEntries(FileRef t, SortListHeader* h, uint16_t d) {
  uint16_t last = uint16_t(h->total - 1);
  Err err = d == last ? Err(0) : moveEntries(t, *h, d, last, false);
  if (err == 0) {
    err = editRecord(t, SORT_RECORD_ATTRIBUTES,
                     [&](uint8_t* data, uint32_t* offset, uint32_t* bytes) {
                       uint16_t* e = reinterpret_cast<uint16_t*>(data);
                       e[last] = uint16_t(e[last] | REC_ATTR_DELETED);
                       *offset = 2 * uint32_t(last);
                       *bytes = 2;
                     });
  }
  if (err != 0 || !listValid(*h)) return err;
  // The list loses d, and every entry above d moves down by one.
  uint32_t kept = 0;
  err = editRecord(t, SORT_RECORD_LIST, [&](uint8_t* data, uint32_t* offset, uint32_t* bytes) {
    uint16_t* e = reinterpret_cast<uint16_t*>(data + SORT_LIST_HEADER_BYTES);
    for (int16_t j = 0; j < h->count; j++) {
      if (e[j] == d) continue;
      e[kept++] = e[j] > d ? uint16_t(e[j] - 1) : e[j];
    }
    *offset = SORT_LIST_HEADER_BYTES;
    *bytes = 2 * kept;
  });
  if (err != 0 || kept == uint32_t(h->count)) return err;
  h->count = int16_t(kept);
  return writeHeader(t, *h);
}

// Re-places r in order k: q is r itself for a disabled order, else the
// binary search's place for r's position p among all others.
Err replace(FileRef t, ContactDb* db, int16_t k, uint16_t r, uint32_t n, int32_t* q) {
  bool enabled[3] = {g_prefs.sortByLast != 0, g_prefs.sortByFirst != 0, g_prefs.sortByCompany != 0};
  bool found = true;
  Err err = editRecord(t, uint16_t(2 * k), [&](uint8_t* d, uint32_t* offset, uint32_t* bytes) {
    uint16_t* e = reinterpret_cast<uint16_t*>(d);
    uint32_t p = 0;
    while (p < n && e[p] != r) p++;
    if (p == n) {
      found = false;
      return;
    }
    int32_t to = r;
    if (enabled[k]) {
      SortContext ctx{};
      SortContextInit(&ctx, db, k);
      ctx.orderArray = e;
      to = FindSortPosition(int32_t(p), 0, int32_t(n - 1), SortComparePositions,
                            reinterpret_cast<uintptr_t>(&ctx), 0);
      SortContextRelease(&ctx);
    }
    uint32_t dest = to < 0 ? 0 : uint32_t(to) >= n ? n - 1 : uint32_t(to);
    if (p < dest) memmove(e + p, e + p + 1, 2 * (dest - p));
    if (dest < p) memmove(e + dest + 1, e + dest, 2 * (p - dest));
    e[dest] = r;
    *offset = 2 * (p < dest ? p : dest);
    *bytes = 2 * ((p < dest ? dest - p : p - dest) + 1);
    *q = int32_t(dest);
  });
  if (err == 0 && !found) err = ERR_BAD_COUNT;  // r missing: the order is no permutation
  return err;
}

// Stores r's attributes, category bit and keys. *listChanged tells whether the
// attributes or the category changed (the list may then be wrong).
Err storeFacts(FileRef t, ContactDb* db, uint16_t r, bool* listChanged) {
  SortContactFacts f = SortReadFacts(db, r);
  const uint16_t values[5] = {f.keys[0], f.keys[1], f.keys[2], f.attributes, f.categoryBit};
  for (int a = 0; a < 5; a++) {
    uint16_t old = 0;
    Err err = DB_ReadRecordBytes(t, kArrays[a], 2 * uint32_t(r), 2, &old);
    if (err == 0 && old != values[a]) {
      // The list filters by category and by the deleted and private bits.
      if (a == 4 || (a == 3 && ((old ^ values[a]) & (REC_ATTR_DELETED | REC_ATTR_SECRET))))
        *listChanged = true;
      err = DB_WriteRecordAt(t, kArrays[a], 2 * uint32_t(r), &values[a], 2);
    }
    if (err != 0) return err;
  }
  return 0;
}

}  // namespace

int32_t SortRecordInserted(uint16_t i) {
  FileRef t = nullptr;
  SortListHeader h{};
  if (!openForUpkeep(&t, &h)) return -1;
  uint32_t n = uint32_t(h.total);
  if (i > n) {
    SortDiscardTable(&t, "inserted index past the table");
    return -1;
  }
  if (n + 1 > SORT_MAX_CONTACTS) {
    DBG_Print(FCC("REPO"), "Sort table: %ld contacts are more than the %ld one table can index\n",
              int32_t(n + 1), int32_t(SORT_MAX_CONTACTS));
    SortDiscardTable(&t, "too many contacts");
    return -1;
  }
  int32_t place = -1;
  if (insertEntries(t, i, &h, &place) != 0) {
    SortDiscardTable(&t, "insertion failed");
    return -1;
  }
  FIL_Close(&t);
  return place;
}

void SortRecordDeleted(uint16_t d) {
  FileRef t = nullptr;
  SortListHeader h{};
  if (!openForUpkeep(&t, &h)) return;
  if (d >= uint32_t(h.total)) {
    SortDiscardTable(&t, "deleted index past the table");
    return;
  }
  if (deleteEntries(t, &h, d) != 0) {
    SortDiscardTable(&t, "deletion failed");
    return;
  }
  FIL_Close(&t);
}

void SortRecordMoved(uint16_t from, uint16_t to) {
  FileRef t = nullptr;
  SortListHeader h{};
  if (!openForUpkeep(&t, &h)) return;
  // Both indices are clamped to the last contact.
  if (h.total > 0) {
    uint16_t last = uint16_t(h.total - 1);
    if (from > last) from = last;
    if (to > last) to = last;
    if (from != to && moveEntries(t, h, from, to, true) != 0) {
      SortDiscardTable(&t, "move failed");
      return;
    }
  }
  FIL_Close(&t);
}

int32_t SortRecordChanged(int16_t mode, uint16_t r, int16_t order) {
  // 1.
  SortLoadCollation();
  ContactDb* db = nullptr;
  if (ContactDbOpen(&db, false, true) != 0) return -1;
  uint16_t count = ContactDbCount(db);
  FileRef t = nullptr;
  SortListHeader h{};
  if (r >= count || !openForUpkeep(&t, &h)) {
    ContactDbClose(&db);
    return -1;
  }
  // 2. a table for another number of contacts is out of step.
  Err err = h.total == count ? Err(0) : ERR_BAD_COUNT;
  bool listChanged = false;
  if (err == 0) err = storeFacts(t, db, r, &listChanged);
  // 3.
  int32_t q = -1;
  for (int16_t k = 0; k < 3 && err == 0 && mode < SORT_CHANGE_REFRESH; k++) {
    int32_t at = -1;
    err = replace(t, db, k, r, count, &at);
    if (k == order) q = at;
  }
  // A re-placed contact, or one whose attributes or category changed, may
  // stand wrongly in the list: it is built again when next asked for.
  if (err == 0 && (mode < SORT_CHANGE_REFRESH || listChanged) && listValid(h)) {
    h.order = -1;
    h.count = -1;
    err = writeHeader(t, h);
  }
  ContactDbClose(&db);
  if (err != 0) {
    SortDiscardTable(&t, "change out of step with the table");
    return -1;
  }
  FIL_Close(&t);
  // 4.
  return q;
}
