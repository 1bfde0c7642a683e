// The database order of two contact records, as the handheld's own address
// app sorts them: three name keys chosen by the sort mode, an empty key
// passed over in favour of the record's next key, "A"-"Z" folded to
// "a"-"z" and every other byte compared unsigned. Reads stop at each
// record's end. Owns no state.
#include "parse_internal.h"

namespace {

// The key fields of each sort mode: last name, first name, company.
constexpr int16_t kKeys[3][3] = {{0, 1, 2}, {1, 0, 2}, {2, 0, 1}};

struct Key {
  const uint8_t* text;
  uint32_t length;
};

// The record's non-empty keys in order; the rest are empty.
void collectKeys(const ContactDb* db, const uint8_t* record, uint32_t size, int16_t mode,
                 Key keys[3]) {
  const bool contacts = DbIsContacts(db);
  int n = 0;
  for (int i = 0; i < 3; i++) keys[i] = {nullptr, 0};
  for (int i = 0; i < 3; i++) {
    FieldLocation at = LocateField(record, size, contacts, kKeys[mode][i]);
    if (!at.present || at.length == 0) continue;
    keys[n++] = {record + at.offset, at.length};
  }
}

uint8_t fold(uint8_t c) { return (c >= 'A' && c <= 'Z') ? uint8_t(c + ('a' - 'A')) : c; }

int16_t compareKeys(const Key& a, const Key& b) {
  uint32_t n = a.length < b.length ? a.length : b.length;
  for (uint32_t i = 0; i < n; i++) {
    uint8_t x = fold(a.text[i]), y = fold(b.text[i]);
    if (x != y) return x < y ? -1 : 1;
  }
  if (a.length == b.length) return 0;
  return a.length < b.length ? -1 : 1;
}

}  // namespace

int16_t ContactCompare(const ContactDb* db, const uint8_t* a, uint32_t aSize, const uint8_t* b,
                       uint32_t bSize) {
  int16_t mode = db ? db->sortMode : 0;
  if (mode < 0 || mode > 2) mode = 0;
  Key keysA[3], keysB[3];
  collectKeys(db, a, a ? aSize : 0, mode, keysA);
  collectKeys(db, b, b ? bSize : 0, mode, keysB);
  for (int round = 0; round < 3; round++) {
    int16_t c = compareKeys(keysA[round], keysB[round]);
    if (c != 0) return c;
  }
  return 0;
}

int16_t ContactCompareRecords(const uint8_t* a, uint32_t aSize, const uint8_t* b, uint32_t bSize,
                              uintptr_t user) {
  return ContactCompare(reinterpret_cast<const ContactDb*>(user), a, aSize, b, bSize);
}
