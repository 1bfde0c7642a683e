// Helpers shared by the contact record modules (parse_layout, parse_field,
// parse_set, parse_info, parse_compare, parse_picture): the presence flags of
// both layouts, the birthday block and blob area of a ContactsDB-PAdd record,
// and the record edit that builds a new image in memory and writes it with
// one resize. Not for use outside the parse modules.
#pragma once

#include "parse.h"

// Presence bits of the string fields: AddressDB 0-18; ContactsDB-PAdd 0-30
// and 32-42 (bit 31 of word 1 is no field).
inline constexpr uint64_t ADDR_STRING_FIELDS = 0x7FFFFull;
inline constexpr uint64_t PADD_STRING_FIELDS = 0x7FFFFFFFull | (0x7FFull << 32);
inline constexpr uint64_t PADD_BIRTHDAY_BITS =
    (1ull << PADD_FIELD_BIRTHDAY) | (1ull << PADD_FIELD_BIRTHDAY_2);
inline constexpr uint64_t PADD_ALARM_BIT = 1ull << PADD_FIELD_ALARM;
inline constexpr uint32_t PADD_FLAGS_1 = 8;  // byte offsets of the flag words
inline constexpr uint32_t PADD_FLAGS_2 = 12;
inline constexpr uint32_t ADDR_FLAGS = 4;
// The handheld keeps no record above 64 KB: an edit that would pass it is
// refused.
inline constexpr uint32_t CONTACT_MAX_RECORD_BYTES = 65535;

inline uint32_t HeaderBytes(bool contacts) {
  return contacts ? PADD_HEADER_BYTES : ADDR_HEADER_BYTES;
}
inline bool DbIsContacts(const ContactDb* db) { return db && db->isContacts != 0; }

// The presence flags as one value, bit n = field number n; 0 for a record
// shorter than its header.
uint64_t RecordFlags(const uint8_t* record, uint32_t size, bool contacts);
// Writes `flags` into the header of an image at least a header long.
void PutRecordFlags(uint8_t* record, bool contacts, uint64_t flags);

// Field location for either layout (the body of both FieldPointer functions).
FieldLocation LocateField(const uint8_t* record, uint32_t size, bool contacts, int16_t field);

// The birthday block of a ContactsDB-PAdd record. `offset` is where it
// starts (or would be inserted: behind the strings of fields 0-42);
// `length` the bytes the flags ask for (0, 4 or 5); `stored` the bytes of
// it that lie inside the record; `whole` true when it is flagged and lies
// wholly inside.
struct BirthdayBlock {
  uint32_t offset;
  uint32_t length;
  uint32_t stored;
  bool whole;
};
BirthdayBlock FindBirthday(const uint8_t* record, uint32_t size);

// Where the blobs of a ContactsDB-PAdd record begin: behind the birthday
// block; a record without any flag that still holds the empty record's lone
// zero byte has its blobs behind that byte. `size` when the birthday block
// is cut off.
uint32_t BlobAreaStart(const uint8_t* record, uint32_t size);

// Old length of a string field being replaced (zero byte included; a string
// cut off by the record's end counts what is there). Both flag words 0 in a
// ContactsDB-PAdd record: the empty record's zero byte when it is there.
uint32_t OldFieldLength(const uint8_t* record, uint32_t size, bool contacts,
                        const FieldLocation& at, uint64_t flags);

// ---------------------------------------------------------------------------
// Record edits: a new image is built in a MEM block, then written by
// RecordCommit with at most one resize.

struct RecordImage {
  uint8_t* bytes;  // MEM block (null when empty)
  uint32_t size;
};

// Copies the record's bytes. ERR_MEM_FULL.
[[nodiscard]] Err ImageFromRecord(RecordImage* out, const ContactRec* rec);
// Replaces bytes [offset, offset + oldLength) of the image by `newLength`
// bytes of `data` (null: zero bytes). ERR_MEM_FULL (image as it was),
// ERR_FILE_PARAM for a range past the image.
[[nodiscard]] Err ImageSplice(RecordImage* img, uint32_t offset, uint32_t oldLength,
                              const uint8_t* data, uint32_t newLength);
void ImageFree(RecordImage* img);
// Lengthens an image whose strings or birthday block run past its end (as
// repair does): one zero byte for each stored string without its zero byte,
// zero bytes for the missing part of the birthday block. Edits then never
// join a cut string with the bytes they add. ERR_MEM_FULL.
[[nodiscard]] Err ImageMendTail(RecordImage* img, bool contacts);
// Recomputes the company offset byte of an image (0 without a company, or
// when the distance does not fit a byte).
void ImageUpdateCompanyOffset(RecordImage* img, bool contacts);

// Writes `img` as the record's new content: resize (when the size changes),
// fetch again, one write from the first changed byte. Returns 0 or the first
// failing step's Err; a failure after the resize puts the old size and
// bytes back before returning. `rec` is fetched again in every case (its
// bytes and size refreshed; record null when even that failed).
[[nodiscard]] Err RecordCommit(ContactRec* rec, const RecordImage* img);
// Convenience: splice and commit in one step.
[[nodiscard]] Err RecordSplice(ContactRec* rec, uint32_t offset, uint32_t oldLength,
                               const uint8_t* newBytes, uint32_t newLength);
// ERR_FILE_PARAM unless `rec` is a fetched record of a file whose header is
// whole.
[[nodiscard]] Err RecordWritable(const ContactRec* rec);
