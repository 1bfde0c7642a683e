// The two record layouts of the handheld's address book: field numbers of
// (kind, index), the walk over the stored strings that finds a field, the
// count of stored fields, the birthday block and where the blobs begin.
// Every read stops at the record's end; a record shorter than its header has
// no fields. Owns no state.
#include <bit>
#include <cstring>

#include "parse_internal.h"

namespace {

uint64_t stringFields(bool contacts) { return contacts ? PADD_STRING_FIELDS : ADDR_STRING_FIELDS; }

// The offset just behind the string at `offset` (its zero byte included),
// or `size` when it runs to the record's end.
uint32_t skipString(const uint8_t* record, uint32_t size, uint32_t offset) {
  if (offset >= size) return size;
  const void* zero = memchr(record + offset, 0, size - offset);
  if (!zero) return size;
  return uint32_t(static_cast<const uint8_t*>(zero) - record) + 1;
}

// Fills length and terminated of a string starting at `at->offset`.
void measure(const uint8_t* record, uint32_t size, FieldLocation* at) {
  at->length = 0;
  at->terminated = false;
  if (at->offset >= size) return;
  const void* zero = memchr(record + at->offset, 0, size - at->offset);
  at->terminated = zero != nullptr;
  at->length =
      zero ? uint32_t(static_cast<const uint8_t*>(zero) - record) - at->offset : size - at->offset;
}

// (kind, index) of the classic layout: 19 fields, 5 phones, one address.
int16_t addrFieldNumber(FieldKind kind, int16_t index) {
  int16_t k = int16_t(kind);
  if (index < 0) return -1;
  if (k >= 0 && k <= 2) return index == 0 ? k : -1;
  switch (kind) {
    case FieldKind::Phone:
      return index < 5 ? int16_t(3 + index) : -1;
    case FieldKind::Address:
    case FieldKind::City:
    case FieldKind::State:
    case FieldKind::Zip:
    case FieldKind::Country:
      return index == 0 ? int16_t(8 + (k - int16_t(FieldKind::Address))) : -1;
    case FieldKind::Title:
      return index == 0 ? 13 : -1;
    case FieldKind::Custom:
      return index < 4 ? int16_t(14 + index) : -1;
    case FieldKind::Note:
      return index == 0 ? 18 : -1;
    default:
      return -1;
  }
}

// (kind, index) of the newer layout: 7 phones, 3 addresses, chat, web,
// 9 custom fields, birthday.
int16_t paddFieldNumber(FieldKind kind, int16_t index) {
  int16_t k = int16_t(kind);
  if (index < 0) return -1;
  if (k >= 0 && k <= 2) return index == 0 ? k : -1;
  switch (kind) {
    case FieldKind::Phone:
      return index < 7 ? int16_t(4 + index) : -1;
    case FieldKind::Address:
    case FieldKind::City:
    case FieldKind::State:
    case FieldKind::Zip:
    case FieldKind::Country:
      if (index >= 3) return -1;
      return int16_t(23 + 5 * index + (index > 0 ? 4 : 0) + (k - int16_t(FieldKind::Address)));
    case FieldKind::Title:
      return index == 0 ? 3 : -1;
    case FieldKind::Chat:
      return index < 2 ? int16_t(11 + index) : -1;
    case FieldKind::Web:
      return index == 0 ? 13 : -1;
    case FieldKind::Custom:
      return index < 9 ? int16_t(14 + index) : -1;
    case FieldKind::Note:
      return index == 0 ? PADD_FIELD_NOTE : -1;
    case FieldKind::Birthday:
      return index == 0 ? PADD_FIELD_BIRTHDAY : -1;
    default:
      return -1;
  }
}

FieldLocation addrFieldPointer(const uint8_t* record, uint32_t size, int16_t field) {
  return LocateField(record, size, false, field);
}
FieldLocation paddFieldPointer(const uint8_t* record, uint32_t size, int16_t field) {
  return LocateField(record, size, true, field);
}

int16_t storedCount(const uint8_t* record, uint32_t size, bool contacts) {
  return int16_t(std::popcount(RecordFlags(record, size, contacts) & stringFields(contacts)));
}
int16_t addrStoredFieldCount(const uint8_t* record, uint32_t size) {
  return storedCount(record, size, false);
}
int16_t paddStoredFieldCount(const uint8_t* record, uint32_t size) {
  return storedCount(record, size, true);
}

}  // namespace

uint64_t RecordFlags(const uint8_t* record, uint32_t size, bool contacts) {
  if (!record || size < HeaderBytes(contacts)) return 0;
  if (!contacts) return Get32BE(record + ADDR_FLAGS);
  return (uint64_t(Get32BE(record + PADD_FLAGS_2)) << 32) | Get32BE(record + PADD_FLAGS_1);
}

void PutRecordFlags(uint8_t* record, bool contacts, uint64_t flags) {
  if (!contacts) {
    Put32BE(record + ADDR_FLAGS, uint32_t(flags));
    return;
  }
  Put32BE(record + PADD_FLAGS_1, uint32_t(flags));
  Put32BE(record + PADD_FLAGS_2, uint32_t(flags >> 32));
}

FieldLocation LocateField(const uint8_t* record, uint32_t size, bool contacts, int16_t field) {
  const uint32_t header = HeaderBytes(contacts);
  FieldLocation at = {size < header ? size : header, 0, false, false};
  if (!record || size < header || field < 0) return at;
  const uint64_t flags = RecordFlags(record, size, contacts);
  const uint64_t strings = flags & stringFields(contacts);
  if (field == FIELD_NUMBER_FIRST_STRING) {
    at.present = strings != 0;
    if (at.present) measure(record, size, &at);
    return at;
  }
  if (field >= 64) return at;
  // Skip the strings of every lower field number that is stored.
  for (int16_t f = 0; f < field; f++) {
    if (!(strings >> f & 1)) continue;
    at.offset = skipString(record, size, at.offset);
  }
  at.present = (flags >> field & 1) != 0;
  if (at.present && (stringFields(contacts) >> field & 1)) measure(record, size, &at);
  return at;
}

BirthdayBlock FindBirthday(const uint8_t* record, uint32_t size) {
  BirthdayBlock b = {0, 0, 0, false};
  FieldLocation at = LocateField(record, size, true, PADD_FIELD_BIRTHDAY);
  b.offset = at.offset;
  const uint64_t flags = RecordFlags(record, size, true);
  if (flags & PADD_BIRTHDAY_BITS) b.length = (flags & PADD_ALARM_BIT) ? 5 : 4;
  uint32_t room = size > b.offset ? size - b.offset : 0;
  b.stored = b.length < room ? b.length : room;
  b.whole = b.length > 0 && b.stored == b.length;
  return b;
}

uint32_t BlobAreaStart(const uint8_t* record, uint32_t size) {
  BirthdayBlock b = FindBirthday(record, size);
  if (b.length > 0 && !b.whole) return size;
  uint32_t start = b.offset + b.length;
  // The empty record's zero byte stands where the first string will go.
  if (size >= PADD_HEADER_BYTES && RecordFlags(record, size, true) == 0 && start < size &&
      record[start] == 0)
    start++;
  return start;
}

uint32_t OldFieldLength(const uint8_t* record, uint32_t size, bool contacts,
                        const FieldLocation& at, uint64_t flags) {
  if (at.present) return at.length + (at.terminated ? 1 : 0);
  // An empty ContactsDB-PAdd record holds one zero byte that the first
  // string replaces; repair may have cut it, and a record whose last field
  // was removed has none.
  if (contacts && flags == 0 && at.offset < size && record[at.offset] == 0) return 1;
  return 0;
}

void ContactUseLayout(ContactDb* db, bool contacts) {
  if (!db) return;
  db->isContacts = contacts ? 1 : 0;
  db->fieldPointer = contacts ? paddFieldPointer : addrFieldPointer;
  db->fieldNumber = contacts ? paddFieldNumber : addrFieldNumber;
  db->storedFieldCount = contacts ? paddStoredFieldCount : addrStoredFieldCount;
}

ContactRec ContactRecFromBytes(ContactDb* db, const uint8_t* bytes, uint32_t size) {
  ContactRec rec = {};
  rec.bytes = const_cast<uint8_t*>(bytes);  // read only: no file to write through
  rec.size = bytes ? size : 0;
  rec.db = db;
  return rec;
}
