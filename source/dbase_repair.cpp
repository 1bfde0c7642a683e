// The contact database's repair engine: a scan that mends single records
// (empty ones marked deleted, truncated ones lengthened, stray bytes behind
// the last field cut), a sort into the chosen database order with every
// deleted record behind the live ones, and the marking of adjacent
// duplicates. Owns no state; what it did is returned as counts and logged
// on the "REPO" debug channel.
//
// Invariants: (1) no record is removed from the file, records are only
// marked deleted; (2) after a complete run the live records stand in
// ContactCompare order and the deleted ones behind them in the order they
// had; (3) bytes are only cut when they cannot belong to the record: past
// its measured end and not part of a chain of whole blobs.
#include <cstring>

#include "dbase.h"

namespace {

// The string starting at `pos`, as if the record went on with zero bytes:
// the position behind its zero byte. A string that runs to the record's
// end (or starts past it) counts one zero byte more.
uint32_t skipString(const uint8_t* record, uint32_t size, uint32_t pos) {
  if (pos >= size) return pos + 1;
  const void* zero = memchr(record + pos, 0, size - pos);
  if (!zero) return size + 1;
  return uint32_t(static_cast<const uint8_t*>(zero) - record) + 1;
}

// A 32-bit word of the header; bytes past the record's end read as zero.
uint32_t headerWord(const uint8_t* record, uint32_t size, uint32_t at) {
  uint8_t b[4] = {0, 0, 0, 0};
  for (uint32_t k = 0; k < 4; k++)
    if (at + k < size) b[k] = record[at + k];
  return Get32BE(b);
}

// The end of the last whole blob of the chain that starts at `from`.
uint32_t blobChainEnd(const uint8_t* record, uint32_t from, uint32_t size) {
  uint32_t pos = from;
  while (size - pos >= BLOB_HEADER_BYTES) {
    uint32_t next = pos + BLOB_HEADER_BYTES + Get16BE(record + pos + 4);
    if (next > size) break;
    pos = next;
  }
  return pos;
}

struct Repair {
  ContactDb* db;
  FileRef f;
  RepairProgressFn progress;
  uintptr_t arg;
  uint32_t total;
  RepairCounts counts;
  bool aborted;
  bool marked;  // a record was marked deleted
};

// Reports progress; false once the user has aborted.
bool step(Repair* r, FourCC stage, uint32_t done) {
  if (r->aborted) return false;
  if (r->progress && !r->progress(stage, done, r->total, r->arg)) r->aborted = true;
  return !r->aborted;
}

Err markDeleted(Repair* r, uint16_t index, uint8_t attributes) {
  uint8_t deleted = attributes | REC_ATTR_DELETED;
  Err err = DB_SetRecordInfo(r->f, index, &deleted, nullptr);
  if (err == 0) r->marked = true;
  return err;
}

// 5. One record of the scan.
Err scanRecord(Repair* r, uint16_t index) {
  uint8_t attributes = 0;
  Err err = DB_RecordInfo(r->f, index, &attributes, nullptr);
  if (err != 0 || (attributes & REC_ATTR_DELETED)) return err;
  const uint32_t size = DB_RecordSize(r->f, index);
  if (size == 0) {
    err = markDeleted(r, index, attributes);
    if (err != 0) return err;
    DBG_Print(FCC("REPO"), "Removed null record %hd\n", int(index));
    r->counts.nulls++;
    return 0;
  }
  RecordRef ref = nullptr;
  const uint8_t* data = static_cast<const uint8_t*>(DB_GetRecord(&ref, r->f, index, 0, 0));
  if (!data) return ERR_READ;
  const uint32_t end = ContactMeasuredEnd(r->db, data, size);
  // AddressDB records have no blobs, and this program leaves the empty
  // record's zero byte behind their strings: their tails stay.
  uint32_t keep = size;
  if (end > size) {
    keep = end;
  } else if (r->db->isContacts) {
    keep = blobChainEnd(data, end, size);
  }
  (void)DB_ReleaseRecord(&ref);
  if (keep == size) return 0;
  err = DB_ResizeRecord(r->f, index, keep, nullptr);
  if (err != 0) return err;
  if (keep > size) {
    DBG_Print(FCC("REPO"), "Fix truncated record %hd (lengthening %ld to %ld\n", int(index),
              int32_t(size), int32_t(keep));
    r->counts.extended++;
  } else {
    DBG_Print(FCC("REPO"), "Fix bad blob record %hd (shortening %ld to %ld\n", int(index),
              int32_t(size), int32_t(keep));
    r->counts.shortened++;
  }
  return 0;
}

// From the last record down to the first.
Err scanPass(Repair* r) {
  const uint16_t count = DB_NumRecords(r->f);
  for (uint32_t i = count; i-- > 0;) {
    if (!step(r, FCC("$Scn"), count - 1 - i)) return 0;
    Err err = scanRecord(r, uint16_t(i));
    if (err != 0) return err;
  }
  return 0;
}

Err deletedAt(FileRef f, uint32_t index, bool* deleted) {
  uint8_t attributes = 0;
  Err err = DB_RecordInfo(f, uint16_t(index), &attributes, nullptr);
  *deleted = (attributes & REC_ATTR_DELETED) != 0;
  return err;
}

// Moves every deleted record behind the live ones, run by run from the
// back, keeping both groups in their order. *live receives the number of
// live records.
Err moveDeletedBehind(FileRef f, uint32_t* live) {
  uint32_t liveEnd = DB_NumRecords(f);
  bool deleted = false;
  Err err = 0;
  while (liveEnd > 0 && (err = deletedAt(f, liveEnd - 1, &deleted)) == 0 && deleted) liveEnd--;
  uint32_t i = liveEnd;
  while (err == 0 && i > 0) {
    err = deletedAt(f, i - 1, &deleted);
    if (err != 0 || !deleted) {
      i--;
      continue;
    }
    // The run [j, i) of deleted records goes right before the deleted tail.
    uint32_t j = i - 1;
    while (err == 0 && j > 0 && (err = deletedAt(f, j - 1, &deleted)) == 0 && deleted) j--;
    if (err != 0) break;
    const uint32_t run = i - j;
    err = DB_MoveRecords(f, uint16_t(j), uint16_t(liveEnd - run), int32_t(run), nullptr);
    liveEnd -= run;
    i = j;
  }
  *live = liveEnd;
  return err;
}

// True when the first `live` records already stand in order (one pass,
// which spares the sort its full work on a file that is in order).
bool inOrder(ContactDb* db, uint32_t live) {
  RecordRef prev = nullptr;
  if (!DB_GetRecord(&prev, db->file, 0, 0, 0)) return false;
  bool ordered = true;
  for (uint32_t i = 1; ordered && i < live; i++) {
    RecordRef cur = nullptr;
    ordered = DB_GetRecord(&cur, db->file, uint16_t(i), 0, 0) != nullptr &&
              ContactCompare(db, DB_RecordData(prev), DB_RecordLength(prev), DB_RecordData(cur),
                             DB_RecordLength(cur)) <= 0;
    (void)DB_ReleaseRecord(&prev);
    prev = cur;
  }
  (void)DB_ReleaseRecord(&prev);
  return ordered;
}

// 6 and 8. Live records in the database order, deleted ones behind them:
// in memory when the file fits, else by moves and a sort in the file.
Err sortLiveFirst(ContactDb* db) {
  Err err = DB_SortLiveFirst(db->file, ContactCompareRecords, uintptr_t(db));
  if (err != ERR_MEM_FULL) return err;
  uint32_t live = 0;
  err = moveDeletedBehind(db->file, &live);
  if (err != 0 || live < 2 || inOrder(db, live)) return err;
  return DB_SortRange(db->file, 0, uint16_t(live), ContactCompareRecords, uintptr_t(db));
}

// Two adjacent records are duplicates when both are live and they have the
// same category, private bit and non-empty bytes.
struct Candidate {
  RecordRef ref;
  uint8_t attributes;
  uint8_t category;
};

Err candidate(FileRef f, uint32_t index, Candidate* out) {
  out->ref = nullptr;
  Err err = DB_RecordInfo(f, uint16_t(index), &out->attributes, &out->category);
  if (err != 0) return err;
  return DB_GetRecord(&out->ref, f, uint16_t(index), 0, 0) ? Err(0) : ERR_READ;
}

bool sameRecord(const Candidate& a, const Candidate& b) {
  const uint8_t kept = REC_ATTR_DELETED | REC_ATTR_SECRET;
  uint32_t size = DB_RecordLength(a.ref);
  return size > 0 && size == DB_RecordLength(b.ref) && !(a.attributes & REC_ATTR_DELETED) &&
         (a.attributes & kept) == (b.attributes & kept) && a.category == b.category &&
         memcmp(DB_RecordData(a.ref), DB_RecordData(b.ref), size) == 0;
}

// 7. From the pair (count - 2, count - 1) down to (0, 1).
Err dupePass(Repair* r) {
  const uint32_t count = DB_NumRecords(r->f);
  if (count < 2) return 0;
  Candidate next;
  Err err = candidate(r->f, count - 1, &next);
  for (uint32_t i = count - 1; err == 0 && i-- > 0;) {
    if (!step(r, FCC("$Dup"), 2 * count + (count - 2 - i))) break;
    Candidate cur;
    err = candidate(r->f, i, &cur);
    if (err == 0 && sameRecord(cur, next)) {
      err = markDeleted(r, uint16_t(i + 1), next.attributes);
      if (err == 0) {
        DBG_Print(FCC("REPO"), "Removed dupe record %hd\n", int(i + 1));
        r->counts.dupes++;
      }
    }
    (void)DB_ReleaseRecord(&next.ref);
    next = cur;
  }
  (void)DB_ReleaseRecord(&next.ref);
  return err;
}

}  // namespace

uint32_t ContactMeasuredEnd(const ContactDb* db, const uint8_t* record, uint32_t size) {
  if (!db || (!record && size > 0)) return 0;
  uint32_t pos;
  if (!db->isContacts) {
    const uint32_t flags = headerWord(record, size, 4);
    pos = ADDR_HEADER_BYTES;
    for (int field = 0; field <= 18; field++)
      if (flags & (1u << field)) pos = skipString(record, size, pos);
    return pos;
  }
  const uint32_t word1 = headerWord(record, size, 8), word2 = headerWord(record, size, 12);
  pos = PADD_HEADER_BYTES;
  // A record without any field keeps the empty record's zero byte, as the
  // handheld writes it: that byte belongs to the record.
  if (word1 == 0 && word2 == 0 && size > pos && record[pos] == 0) pos++;
  for (int field = 0; field <= 30; field++)
    if (word1 & (1u << field)) pos = skipString(record, size, pos);
  for (int field = 32; field <= PADD_FIELD_NOTE; field++)
    if (word2 & (1u << (field - 32))) pos = skipString(record, size, pos);
  // The birthday block: date, a zero byte, the alarm's high byte, and its
  // low byte when the alarm field is there.
  const uint32_t birthday =
      (1u << (PADD_FIELD_BIRTHDAY - 32)) | (1u << (PADD_FIELD_BIRTHDAY_2 - 32));
  if (word2 & birthday) {
    pos += 4;
    if (word2 & (1u << (PADD_FIELD_ALARM - 32))) pos += 1;
  }
  return pos;
}

bool ContactBlobChainValid(const uint8_t* record, uint32_t from, uint32_t size) {
  if (from > size || (!record && size > from)) return false;
  return blobChainEnd(record, from, size) == size;
}

Err ContactRepairRun(ContactDb* db, int16_t order, RepairProgressFn progress, uintptr_t arg,
                     RepairCounts* out) {
  if (out) *out = RepairCounts{};
  if (!db || !db->file) return ERR_FILE_PARAM;
  if (db->readOnly || FIL_Mode(db->file) == FIL_MODE_READ) return ERR_FILE_PARAM;
  // 3.
  if (order < 0 || order > 2) order = 0;
  db->sortMode = order;
  detectedOrder = order;
  const uint32_t count = DB_NumRecords(db->file);
  Repair r = {db, db->file, progress, arg, 3 * count, {}, false, false};
  // 5-8. An abort ends the scan and skips the sort and the duplicates;
  // records marked deleted are still put behind the live ones.
  Err err = scanPass(&r);
  if (err == 0 && step(&r, FCC("$Srt"), count)) err = sortLiveFirst(db);
  if (err == 0 && !r.aborted) err = dupePass(&r);
  if (r.marked) {
    Err sortErr = sortLiveFirst(db);
    if (err == 0) err = sortErr;
  }
  r.counts.sorted = DB_NumRecords(db->file);
  if (out) *out = r.counts;
  if (err != 0)
    DBG_Print(FCC("REPO"), "Repair of %s stopped (%hd)\n", FIL_Name(db->file), int(err));
  return err;
}
