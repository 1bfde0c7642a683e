// The contact database's order: putting one changed, new or deleted record
// back into its place, and finding which of the three orders (last name,
// first name, company) a file is kept in. The handheld's own address app
// expects its records sorted; deleted records wait behind the live ones
// until the next synchronisation removes them. Owns no state of its own
// (detectedOrder lives with the opening side).
#include "dbase.h"

namespace {

// One record fetched for comparing.
struct Held {
  RecordRef ref;
  const uint8_t* data;
  uint32_t size;
};

bool hold(FileRef f, uint32_t index, Held* out) {
  out->ref = nullptr;
  out->data = static_cast<const uint8_t*>(DB_GetRecord(&out->ref, f, uint16_t(index), 0, 0));
  out->size = out->data ? DB_RecordLength(out->ref) : 0;
  return out->data != nullptr;
}

void drop(Held* h) {
  (void)DB_ReleaseRecord(&h->ref);
  h->data = nullptr;
  h->size = 0;
}

// Unreadable attributes count as deleted: such a record is never a
// neighbour to compare with.
bool isDeleted(FileRef f, uint32_t index) {
  uint8_t attributes = 0;
  if (DB_RecordInfo(f, uint16_t(index), &attributes, nullptr) != 0) return true;
  return (attributes & REC_ATTR_DELETED) != 0;
}

int16_t compareWith(const ContactDb* db, const Held& self, FileRef f, uint32_t index, bool* ok) {
  Held other;
  *ok = hold(f, index, &other);
  if (!*ok) return 0;
  int16_t c = ContactCompare(db, self.data, self.size, other.data, other.size);
  drop(&other);
  return c;
}

// The live records other than `index` all stand before this index.
uint32_t liveEndWithout(FileRef f, uint32_t count, uint32_t index) {
  uint32_t end = count;
  while (end > 0 && (end - 1 == index || isDeleted(f, end - 1))) end--;
  return end;
}

// The nearest live record in [from, to) going up, or -1.
int32_t liveAtOrAbove(FileRef f, uint32_t from, uint32_t to) {
  for (uint32_t i = from; i < to; i++)
    if (!isDeleted(f, i)) return int32_t(i);
  return -1;
}

int32_t liveBelow(FileRef f, uint32_t index) {
  for (uint32_t i = index; i-- > 0;)
    if (!isDeleted(f, i)) return int32_t(i);
  return -1;
}

// 4. Halving search over [lo, hi) for the place of `self`: equal ends at
// the middle, greater moves past it, less (or a middle that cannot be
// read) moves the upper bound to it. Deleted records in the range are
// stepped over to the next live one.
uint32_t searchPlace(const ContactDb* db, const Held& self, uint32_t lo, uint32_t hi) {
  FileRef f = db->file;
  while (lo < hi) {
    uint32_t mid = lo + (hi - lo) / 2;
    int32_t m = liveAtOrAbove(f, mid, hi);
    if (m < 0) {
      hi = mid;
      continue;
    }
    bool ok = false;
    int16_t c = compareWith(db, self, f, uint32_t(m), &ok);
    if (ok && c == 0) return uint32_t(m);
    if (ok && c > 0) {
      lo = uint32_t(m) + 1;
    } else {
      hi = mid;
    }
  }
  return lo;
}

// Where live record `index` belongs (its index after the move).
uint32_t placeOfLive(ContactDb* db, uint32_t index, uint32_t count) {
  FileRef f = db->file;
  Held self;
  if (!hold(f, index, &self)) return index;
  const uint32_t liveEnd = liveEndWithout(f, count, index);
  // 3. The live neighbours; a record that cannot be read is no neighbour.
  int32_t pred = liveBelow(f, index);
  int32_t succ = index < liveEnd ? liveAtOrAbove(f, index + 1, liveEnd) : -1;
  bool ok = false, belowPred = false, aboveSucc = false;
  if (pred >= 0) {
    int16_t c = compareWith(db, self, f, uint32_t(pred), &ok);
    belowPred = ok && c < 0;
  }
  if (succ >= 0) {
    int16_t c = compareWith(db, self, f, uint32_t(succ), &ok);
    aboveSucc = ok && c > 0;
  }
  uint32_t at = index;
  if (belowPred) {
    at = searchPlace(db, self, 0, uint32_t(pred));
  } else if (aboveSucc) {
    at = searchPlace(db, self, index + 1, liveEnd);
  } else if (index > liveEnd) {
    // A live record among the deleted ones goes right behind the live ones.
    at = liveEnd;
  }
  drop(&self);
  return at > index ? at - 1 : at;
}

}  // namespace

uint16_t ContactReposition(ContactDb* db, uint16_t index) {
  if (!db) return index;
  FileRef f = db->file;
  const uint16_t count = DB_NumRecords(f);
  if (index >= count) return index;
  // 1. A deleted record goes behind every other one.
  uint32_t to;
  if (isDeleted(f, index)) {
    to = uint32_t(count - 1);
  } else {
    // 2.
    db->sortMode = ContactDetectOrder(db, index);
    to = placeOfLive(db, index, count);
  }
  // 5.
  if (to == index) return index;
  if (DB_MoveRecords(f, index, uint16_t(to), 1, nullptr) != 0) return index;
  return uint16_t(to);
}

int16_t ContactDetectOrder(ContactDb* db, int32_t skipIndex) {
  if (detectedOrder >= 0) return detectedOrder;
  if (!db) return 0;
  FileRef f = db->file;
  const int16_t saved = db->sortMode;
  const uint32_t count = DB_NumRecords(f);
  uint32_t outOfOrder[3] = {0, 0, 0};
  Held prev = {nullptr, nullptr, 0};
  for (uint32_t i = 0; i < count; i++) {
    // Pairs with the skipped record and with deleted records (kept in the
    // order they were deleted, not in any name order) say nothing.
    Held cur = {nullptr, nullptr, 0};
    if (int64_t(i) != skipIndex && !isDeleted(f, i)) (void)hold(f, i, &cur);
    if (prev.data && cur.data) {
      for (int16_t mode = 0; mode < 3; mode++) {
        db->sortMode = mode;
        if (ContactCompare(db, prev.data, prev.size, cur.data, cur.size) > 0) outOfOrder[mode]++;
      }
    }
    drop(&prev);
    prev = cur;
    // Enough evidence once any two counts part by 50.
    uint32_t a = outOfOrder[0], b = outOfOrder[1], c = outOfOrder[2];
    auto apart = [](uint32_t x, uint32_t y) { return (x > y ? x - y : y - x) >= 50; };
    if (apart(a, b) || apart(a, c) || apart(b, c)) break;
  }
  drop(&prev);
  db->sortMode = saved;
  const uint32_t last = outOfOrder[0], first = outOfOrder[1], company = outOfOrder[2];
  if (company < last && company < first) {
    detectedOrder = 2;
  } else if (first < last && first < company) {
    detectedOrder = 1;
  } else {
    detectedOrder = 0;
  }
  return detectedOrder;
}
