// Record info of a contact: the shown phone and the label nibbles of the
// header, the slot counts of the layout and the birthday block of a
// ContactsDB-PAdd record (packed date, alarm bytes). Reads stop at the
// record's end; a change is one record edit (parse_set). Owns no state.
#include "parse_internal.h"

namespace {

// Header value of `bytes` bytes at `at`, read big-endian; its nibble `n`
// (0 = the lowest).
uint8_t nibble(const uint8_t* record, uint32_t at, uint32_t bytes, int n) {
  uint8_t b = record[at + bytes - 1 - uint32_t(n / 2)];
  return uint8_t(n % 2 == 0 ? (b & 0x0F) : (b >> 4));
}

// Where nibble `n` of that value lies: byte offset, and whether it is high.
uint32_t nibbleByte(uint32_t at, uint32_t bytes, int n) { return at + bytes - 1 - uint32_t(n / 2); }

int16_t phoneCount(bool contacts) { return contacts ? 7 : 5; }

// The header value as one 32-bit number: date high 16 bits, alarm low 16.
int32_t birthdayInfo(const uint8_t* record, uint32_t size) {
  BirthdayBlock b = FindBirthday(record, size);
  if (!b.whole) return BIRTHDAY_NONE;
  const uint8_t* p = record + b.offset;
  uint32_t alarm = b.length == 5 ? (uint32_t(p[3]) << 8 | p[4]) : BIRTHDAY_NO_ALARM;
  return int32_t(uint32_t(Get16BE(p)) << 16 | alarm);
}

// Replaces nibble `n` of the header value at `at` with `value`.
Err setNibble(ContactRec* rec, uint32_t at, uint32_t bytes, int n, int32_t value) {
  if (value < 0 || value > 0x0F) return -1;
  const uint32_t offset = nibbleByte(at, bytes, n);
  uint8_t b = rec->bytes[offset];
  b = n % 2 == 0 ? uint8_t((b & 0xF0) | value) : uint8_t((b & 0x0F) | (value << 4));
  return RecordSplice(rec, offset, 1, &b, 1);
}

// Writes or removes the birthday block and its three presence bits.
Err setBirthday(ContactRec* rec, int32_t value) {
  uint8_t block[5];
  uint32_t length = 0;
  uint64_t bits = 0;
  if (value != BIRTHDAY_NONE) {
    const uint32_t v = uint32_t(value);
    const uint8_t alarmHigh = uint8_t(v >> 8);
    Put16BE(block, uint16_t(v >> 16));
    block[2] = 0;
    block[3] = alarmHigh;
    block[4] = uint8_t(v);
    length = alarmHigh ? 5 : 4;
    bits = PADD_BIRTHDAY_BITS | (alarmHigh ? PADD_ALARM_BIT : 0);
  }
  RecordImage img;
  Err err = ImageFromRecord(&img, rec);
  if (err == 0) err = ImageMendTail(&img, true);
  if (err == 0) {
    const uint64_t flags = RecordFlags(img.bytes, img.size, true);
    const BirthdayBlock old = FindBirthday(img.bytes, img.size);
    uint32_t oldLength = old.stored;
    // An empty record's lone zero byte gives way, as for the first string.
    if (flags == 0 && length > 0 && old.offset < img.size && img.bytes[old.offset] == 0)
      oldLength = 1;
    err = ImageSplice(&img, old.offset, oldLength, block, length);
    if (err == 0) {
      PutRecordFlags(img.bytes, true, (flags & ~(PADD_BIRTHDAY_BITS | PADD_ALARM_BIT)) | bits);
      err = RecordCommit(rec, &img);
    }
  }
  ImageFree(&img);
  return err;
}

}  // namespace

int32_t ContactGetInfo(const ContactRec* rec, ContactInfo selector, int16_t index) {
  const bool contacts = rec && DbIsContacts(rec->db);
  const bool header = rec && rec->bytes && rec->size >= HeaderBytes(contacts);
  switch (selector) {
    case ContactInfo::ShownPhone:
      return header ? nibble(rec->bytes, contacts ? 0 : 1, 1, 1) : 0;
    case ContactInfo::PhoneLabel:
      if (!header || index < 0 || index >= phoneCount(contacts)) return 0;
      return nibble(rec->bytes, 0, 4, index);
    case ContactInfo::PhoneCount:
      return phoneCount(contacts);
    case ContactInfo::AddressCount:
      return contacts ? 3 : 1;
    case ContactInfo::CustomCount:
    case ContactInfo::CustomLabelCount:
      return contacts ? 9 : 4;
    case ContactInfo::AddressLabel:
      if (!contacts || index < 0 || index > 2) return -1;
      return header ? (nibble(rec->bytes, 4, 2, index) & 0x03) : 0;
    case ContactInfo::ChatLabel:
      if (!contacts) return -1;
      if (!header || index < 0 || index > 1) return 0;
      // Stored as label + 1 (0 = none); three bits are read.
      return (nibble(rec->bytes, 7, 1, index) - 1) & 0x07;
    case ContactInfo::ChatCount:
      return contacts ? 2 : 0;
    case ContactInfo::HasBirthday:
    case ContactInfo::HasWeb:
      return contacts ? 1 : 0;
    case ContactInfo::BirthdayInfo:
      if (!contacts || !header) return BIRTHDAY_NONE;
      return birthdayInfo(rec->bytes, rec->size);
  }
  return contacts ? 0 : -1;
}

Err ContactSetInfo(ContactRec* rec, ContactInfo selector, int16_t index, int32_t value) {
  if (!rec || !rec->db) return -1;
  const bool contacts = DbIsContacts(rec->db);
  // What the layout lacks first, then whether the record can be written.
  switch (selector) {
    case ContactInfo::ShownPhone:
      break;
    case ContactInfo::PhoneLabel:
      if (index < 0 || index >= phoneCount(contacts)) return -1;
      break;
    case ContactInfo::AddressLabel:
      if (!contacts || index < 0 || index > 2) return -1;
      break;
    case ContactInfo::ChatLabel:
      if (!contacts || index < 0 || index > 1) return -1;
      break;
    case ContactInfo::BirthdayInfo:
      if (!contacts) return -1;
      break;
    default:
      return -1;
  }
  Err err = RecordWritable(rec);
  if (err != 0) return err;
  switch (selector) {
    case ContactInfo::ShownPhone:
      return setNibble(rec, contacts ? 0 : 1, 1, 1, value);
    case ContactInfo::PhoneLabel:
      return setNibble(rec, 0, 4, index, value);
    case ContactInfo::AddressLabel:
      return setNibble(rec, 4, 2, index, value);
    case ContactInfo::ChatLabel:
      return setNibble(rec, 7, 1, index, value < 0 || value > 14 ? -1 : value + 1);
    default:
      return setBirthday(rec, value);
  }
}
