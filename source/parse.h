// Contact records and the texts built from them. The two record layouts of
// the handheld's address book (AddressDB and ContactsDB-PAdd) sit behind one
// accessor that addresses a field by kind and index; on top of it, the
// columns the screens show (names, phone and internet items, addresses, the
// full text), the note tag lines and the custom-field prefixes, and the
// hanging-indent wrap. Owns the text-width callback; the phone templates,
// custom labels and note prefixes are read from the preference block.
//
// Invariants: (1) every read of a record is bounded by its size: a string
// ends at its zero byte or the record's end, a header, birthday block or
// blob that does not lie wholly inside the record is absent; (2) a write
// either completes or leaves the record's bytes as they were and returns the
// failing step's Err; (3) fields this program does not know (ContactsDB-PAdd
// fields 28-30, unknown blobs, the unused header bytes) stay as found.
#pragma once

#include "kova.h"

// ---------------------------------------------------------------------------
// Field kinds, flags, info selectors.

// What a field holds; the order is that of the editor's labels.
enum class FieldKind : int16_t {
  LastName = 0,
  FirstName = 1,
  Company = 2,
  Phone = 3,
  Address = 4,  // street
  City = 5,
  State = 6,
  Zip = 7,
  Country = 8,
  Title = 9,
  Chat = 10,
  Web = 11,
  Custom = 12,
  Note = 13,
  Birthday = 14,  // text made from the packed birthday (ContactsDB-PAdd)
  Picture = 15,   // "\n" as a placeholder when the layout has pictures
  AllText = 100,  // every stored string of the record, joined by "\n"
};
inline constexpr int16_t FIELD_KIND_COUNT = 16;  // kinds 0 … 15

// ContactGetField flags, applied in the order 1, 2, 8.
inline constexpr uint16_t FIELD_SPACES = 1;          // "\n" and "\r" become blanks
inline constexpr uint16_t FIELD_FIRST_LINE = 2;      // the text ends at the first "\n" or "\r"
inline constexpr uint16_t FIELD_NULL_IF_ABSENT = 4;  // an absent field gives null, not ""
inline constexpr uint16_t FIELD_FORMAT_PHONE = 8;    // phone templates; only without a buffer

// Record info selectors of ContactGetInfo / ContactSetInfo.
enum class ContactInfo : int16_t {
  ShownPhone = 0,
  PhoneLabel = 1,
  PhoneCount = 2,
  AddressCount = 3,
  CustomCount = 4,
  CustomLabelCount = 5,
  AddressLabel = 6,
  ChatLabel = 7,
  ChatCount = 8,
  HasBirthday = 9,
  BirthdayInfo = 10,
  HasWeb = 11,
};

// Field numbers (bits of the presence flags) that are not reached by a kind.
inline constexpr int16_t FIELD_NUMBER_FIRST_STRING = 100;  // the first string of the record
inline constexpr int16_t PADD_FIELD_NOTE = 42;
inline constexpr int16_t PADD_FIELD_BIRTHDAY = 43;
inline constexpr int16_t PADD_FIELD_BIRTHDAY_2 = 44;
inline constexpr int16_t PADD_FIELD_ALARM = 45;

// Record header sizes (the first string follows).
inline constexpr uint32_t ADDR_HEADER_BYTES = 9;
inline constexpr uint32_t PADD_HEADER_BYTES = 17;
inline constexpr uint32_t ADDR_COMPANY_OFFSET_BYTE = 8;
inline constexpr uint32_t PADD_COMPANY_OFFSET_BYTE = 16;

// The picture blob: type, then a 16-bit size, then 0x00 0x01 and the JPEG.
inline constexpr FourCC PICTURE_BLOB_TYPE = FCC("Bd00");
inline constexpr uint32_t BLOB_HEADER_BYTES = 6;     // type and size
inline constexpr uint32_t PICTURE_PREFIX_BYTES = 2;  // 0x00 0x01 before the JPEG
inline constexpr int16_t PICTURE_SIDE = 72;          // stored pictures are 72 x 72
inline constexpr const char* PICTURE_WORK_FILE = "Brantel Work Image";

// No birthday (BirthdayInfo) and the alarm word of a birthday without alarm.
inline constexpr int32_t BIRTHDAY_NONE = -1;
inline constexpr uint16_t BIRTHDAY_NO_ALARM = 7;

// ---------------------------------------------------------------------------
// Handles.

// Where a field's string lies in a record. `offset` is where the string
// starts, or, for an absent field, where it would be inserted; `length` is
// its length without the zero byte, cut at the record's end; `terminated` is
// false when the string runs to the record's end without a zero byte.
struct FieldLocation {
  uint32_t offset;
  uint32_t length;
  bool present;
  bool terminated;
};

// The three format functions of a layout. `field` is a field number (or
// FIELD_NUMBER_FIRST_STRING); `size` bounds every read.
using FieldPointerFn = FieldLocation (*)(const uint8_t* record, uint32_t size, int16_t field);
// Maps (kind, index) to a field number, or -1 for an index out of range or
// a kind the layout lacks.
using FieldNumberFn = int16_t (*)(FieldKind kind, int16_t index);
// The number of present string fields of the record (AddressDB fields 0-18;
// ContactsDB-PAdd fields 0-30 and 32-42); 0 for a record shorter than its
// header.
using StoredFieldCountFn = int16_t (*)(const uint8_t* record, uint32_t size);

// An open contact database (see dbase.h for opening and closing).
struct ContactDb {
  FileRef file;
  uint8_t viaDesktop;  // opened through the desktop software's copy
  uint8_t readOnly;    // the file could only be opened for reading
  int16_t sortMode;    // the database order: 0 last name, 1 first name, 2 company
  int16_t isContacts;  // non-zero for the ContactsDB-PAdd layout
  FieldPointerFn fieldPointer;
  FieldNumberFn fieldNumber;
  StoredFieldCountFn storedFieldCount;
};

// One fetched contact: valid until released (dbase.h ContactRelease); every
// write through it may move the bytes, after which `bytes` and `size` are
// refreshed. A record may also be held in plain memory (file and record
// null): then it can be read but not written.
struct ContactRec {
  FileRef file;
  RecordRef record;
  uint8_t* bytes;
  uint16_t index;
  uint32_t size;
  ContactDb* db;
};

// Installs the format functions of a layout in `db` and sets `isContacts`.
void ContactUseLayout(ContactDb* db, bool contacts);
// A read-only view of record bytes in memory, for parsing without a file.
ContactRec ContactRecFromBytes(ContactDb* db, const uint8_t* bytes, uint32_t size);

// ---------------------------------------------------------------------------
// The accessor.

// The text of field (kind, index). With `buffer`, at most `bufferSize`
// bytes (zero byte included) are copied and `buffer` is returned; without
// one, a new MEM block is returned and the caller frees it. Returns null
// for an absent field with FIELD_NULL_IF_ABSENT (also for an index out of
// range or a kind the layout lacks) and when memory is short.
char* ContactGetField(const ContactRec* rec, FieldKind kind, int16_t index, char* buffer,
                      uint32_t bufferSize, uint16_t flags);
// Sets field (kind, index) to `text`; an empty or null text removes the
// field. Returns 0, -1 for a field the layout lacks (kinds 14 and 15
// included), ERR_FILE_PARAM for a record held in memory, or the first
// failing step's file error, before any byte of the record has moved.
[[nodiscard]] Err ContactSetField(ContactRec* rec, FieldKind kind, int16_t index, const char* text);
// Record info (see ContactInfo); -1 or 0 for what the layout lacks.
int32_t ContactGetInfo(const ContactRec* rec, ContactInfo selector, int16_t index);
// Sets ShownPhone, PhoneLabel, AddressLabel, ChatLabel or BirthdayInfo
// (BIRTHDAY_NONE removes the birthday). Returns 0, -1 for a selector or
// index the layout lacks, or the first failing step's file error.
[[nodiscard]] Err ContactSetInfo(ContactRec* rec, ContactInfo selector, int16_t index,
                                 int32_t value);

// Picture modes.
inline constexpr int16_t PICTURE_DECODE = 0;  // *out receives an ImgSurface*
inline constexpr int16_t PICTURE_JPEG = 1;    // *out receives a MEM block of JPEG bytes

// The contact's picture. PICTURE_JPEG: *out receives a new MEM block
// holding the JPEG stream (its size is MEM_Size). PICTURE_DECODE: the
// stream is written to the work-image file, decoded into a new 16-bit
// surface fitting `width` x `height` (keeping proportions) and the file is
// deleted; with a null `rec` the work-image file is decoded as it stands.
// Returns 0, -1 when there is no picture (AddressDB records never have
// one), ERR_IMG_BAD_DATA for a damaged picture, or a memory or file error.
[[nodiscard]] Err ContactGetPicture(const ContactRec* rec, int16_t mode, int16_t width,
                                    int16_t height, void** out);
// Replaces the picture with `image` encoded as a 72 x 72 24-bit JPEG of the
// preferences' quality (null removes it). The new picture is encoded before
// the record changes, and the old one is removed only when the new one can
// be written. Returns 0, -1 for an AddressDB record, or the failing step's
// error with the record as it was.
[[nodiscard]] Err ContactSetPicture(ContactRec* rec, const ImgSurface* image);

// The database order of two records (sort mode of `db`): below 0 when A
// sorts first, 0 when equal, above 0 when A sorts after B. Names compare
// without regard to case ("A"-"Z" fold to "a"-"z").
int16_t ContactCompare(const ContactDb* db, const uint8_t* a, uint32_t aSize, const uint8_t* b,
                       uint32_t bSize);
// ContactCompare as a record comparison for DB_Sort; `user` is the
// ContactDb*.
int16_t ContactCompareRecords(const uint8_t* a, uint32_t aSize, const uint8_t* b, uint32_t bSize,
                              uintptr_t user);

// Applies the phone templates of the preferences to a number of digits and
// blanks; returns a new MEM block, or null when no template matches (or the
// text is not a plain number).
char* ContactFormatPhone(const char* text);

// ---------------------------------------------------------------------------
// Columns: texts built from one contact.

inline constexpr int16_t COLUMN_COUNT = 38;  // ids 0 … 37

// Column flags.
inline constexpr uint16_t COL_NO_FALLBACK = 1;   // no company in place of a missing name
inline constexpr uint16_t COL_NO_DASH = 2;       // no "- " before a lone name
inline constexpr uint16_t COL_SHORT_LABELS = 4;  // item labels from the short resources
inline constexpr uint16_t COL_SORT_KEY = 8;      // nameless contacts sort last ("zzzzzz")

// Measures how wide `length` bytes of `text` are in `font` (pixels).
using TextWidthFn = int32_t (*)(uint16_t font, const char* text, uint32_t length);
// Installs the measuring function used by column 36 and WrapWithIndent;
// null restores the default: the font module's TXT_Width while it runs,
// else 6 pixels per character.
void ParseSetTextWidth(TextWidthFn fn);

// The text of `column` for item `n` of the contact; a new MEM block the
// caller frees (an empty text for an id above 37, a column with nothing to
// show, or short memory; null only when not even an empty block can be
// had). `outItemIndex` (may be null) receives the slot of the item found in
// its field kind (phone, web, chat or address slot), -1 for an item from a
// custom field or when nothing was found; `outLabel` (may be null) receives
// a new MEM block with the item's label for the item columns (9-13, 15-17,
// 28-31) when an item was found, null otherwise. `width` (0 = no limit) and
// `font` serve column 36 and the wrapped full text.
char* ContactColumnText(const ContactRec* rec, int16_t column, int16_t n, int16_t* outItemIndex,
                        char** outLabel, int32_t width, uint16_t font, uint16_t flags);

// Forgets the label texts and the "$Pre" list cached from the resource
// store (they are read once per run); call when the store changes.
void ParseColumnsReset();

// Note tag lines and custom-field prefixes.
inline constexpr uint16_t PREFIX_NOTE_TAGS = 1;  // families 1 and 2; otherwise family 3
inline constexpr int16_t PREFIX_TAG_KEYWORD = 100;
inline constexpr int16_t PREFIX_NOTE_DATE = 0;
inline constexpr int16_t PREFIX_LINKED_TO = 1;
inline constexpr int16_t PREFIX_IN_GROUP = 2;
inline constexpr int16_t PREFIX_WEB = 5;
inline constexpr int16_t PREFIX_ADDRESS_FIRST = 16;
inline constexpr int16_t PREFIX_ADDRESS_LAST = 23;
inline constexpr int16_t PREFIX_PHONE_FIRST = 25;

// Matches a prefix at the start of `text`: with PREFIX_NOTE_TAGS a tag
// keyword (index PREFIX_TAG_KEYWORD) or a note metadata name followed by
// ": " (0 "Note Date", 1 "Linked To", 2 "In Group"); otherwise a "$Pre"
// field prefix followed by ": " (its index in the list). Returns the
// position just behind the prefix and its ": ", or null; `outIndex` (may
// be null) receives the index, -1 when nothing matched.
const char* NotePrefixMatch(const char* text, int16_t* outIndex, uint16_t flags);

// Inserts hanging-indent breaks into the MEM block *text from `start` on so
// that every line fits `width` (10,000 when 0) in `font`: a break after a
// "\n" gets "\t", any other "\n\t". Every line takes at least one character.
// *text may be reallocated. Returns 0 or ERR_MEM_FULL (text as it was).
[[nodiscard]] Err WrapWithIndent(char** text, uint32_t start, int32_t width, uint16_t font);
