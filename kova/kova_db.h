// Record databases: PDB files read and changed in place. No database is held
// in memory; each call reads the header or record-list entries it needs and
// writes every change to the file before it returns.
//
// Invariants: (1) record data lies in entry order without holes, so a
// record's size is the next entry's offset minus its own (the file size for
// the last); (2) whatever lies between the record list and the first record's
// data (the 2-byte gap, application info, sort info) moves with the list, and
// the header's info offsets follow it; (3) structural changes (insert,
// resize, delete, move, sort) flush the file; (4) a failed change leaves the
// file as it was or returns an error, never success.
#pragma once

#include "kova_errors.h"

// Header layout.
inline constexpr uint32_t PDB_HEADER_SIZE = 78;
inline constexpr uint32_t PDB_FRESH_HEADER_SIZE = 80;  // header + 2-byte gap
inline constexpr uint32_t PDB_RECORD_ENTRY_SIZE = 8;
inline constexpr uint32_t PDB_RESOURCE_ENTRY_SIZE = 10;
inline constexpr PalmTime PDB_FRESH_DATE = 0x33B8BDA5;
inline constexpr uint16_t PDB_MAX_RECORDS = 65535;

// Database formats.
inline constexpr uint8_t DB_FORMAT_UNKNOWN = 0;
inline constexpr uint8_t DB_FORMAT_RECORDS = 1;
inline constexpr uint8_t DB_FORMAT_RESOURCES = 2;

// Internal record attributes (on disk: 0x80 deleted, 0x10 secret, 0x40 dirty;
// 0x20 busy is never reported).
inline constexpr uint8_t REC_ATTR_DELETED = 0x01;
inline constexpr uint8_t REC_ATTR_SECRET = 0x02;
inline constexpr uint8_t REC_ATTR_DIRTY = 0x04;

// Internal database attributes.
inline constexpr uint32_t DB_ATTR_READ_ONLY = 0x0001;
inline constexpr uint32_t DB_ATTR_BACKUP = 0x0002;
inline constexpr uint32_t DB_ATTR_RESET_AFTER_INSTALL = 0x0004;
inline constexpr uint32_t DB_ATTR_COPY_PREVENTION = 0x0008;
inline constexpr uint32_t DB_ATTR_RESOURCE = 0x0010;
inline constexpr uint32_t DB_ATTR_HIDDEN = 0x0040;
inline constexpr uint32_t DB_ATTR_STREAM = 0x0080;
inline constexpr uint32_t DB_ATTR_RECYCLABLE = 0x0100;
inline constexpr uint32_t DB_ATTR_BUNDLE = 0x0200;
inline constexpr uint32_t DB_ATTR_LAUNCHABLE_DATA = 0x2000;
inline constexpr uint32_t DB_ATTR_OK_TO_INSTALL_NEWER = 0x4000;
inline constexpr uint32_t DB_ATTR_APPINFO_DIRTY = 0x8000;

// Attribute conversions between the on-disk and internal forms.
uint32_t DB_AttrsFromDisk(uint16_t disk);
// Builds the on-disk word from `internal`, keeping the resource bit and bits
// 0xF000 of `storedDisk`.
uint16_t DB_AttrsToDisk(uint32_t internal, uint16_t storedDisk);
uint8_t DB_RecAttrsFromDisk(uint8_t disk);
// Keeps busy and category bits of `storedDisk`.
uint8_t DB_RecAttrsToDisk(uint8_t internal, uint8_t storedDisk);

// "Palm", "Riff" or 0. The file position is kept.
FourCC DB_FileKind(FileRef f);

// Database format of the handle (read lazily from the attributes and kept):
// DB_FORMAT_RECORDS or DB_FORMAT_RESOURCES.
uint8_t DB_Format(FileRef f);

// Checks once that the file's structure can be trusted: the record list fits
// before the first data offset, offsets never decrease and lie inside the
// file, info offsets lie between the list and the first record's data.
// Returns 0 or ERR_NOT_DATABASE (ERR_READ when the list cannot be read; that
// verdict is not kept; ERR_FILE_PARAM for a bad handle). An empty file
// passes. Handles opened on "Palm" files are checked by the first operation
// that reads records; a damaged file then refuses every record operation.
[[nodiscard]] Err DB_Validate(FileRef f);

// Reads the header. Outputs may be null; `name` receives 32 bytes, always
// ending in a zero byte. Returns 0.
Err DB_GetInfo(FileRef f, FourCC* kind, char* name, uint32_t* attributes, uint16_t* version,
               PalmTime* modified, PalmTime* created, PalmTime* backedUp, FourCC* type,
               FourCC* creator);

// Writes the given (non-null) header fields; an empty file first gets a
// fresh 80-byte header. `kind` is ignored. Names are written as at most 31
// characters and a zero byte. Returns 0, ERR_NOT_DATABASE or ERR_WRITE.
Err DB_SetInfo(FileRef f, const FourCC* kind, const char* name, const uint32_t* attributes,
               const uint16_t* version, const PalmTime* modified, const PalmTime* created,
               const PalmTime* backedUp, const FourCC* type, const FourCC* creator);

// Raw header offsets of the application-info and sort-info blocks (0 = none).
Err DB_InfoOffsets(FileRef f, uint32_t* appInfo, uint32_t* sortInfo);

uint16_t DB_NumRecords(FileRef f);
// Size of record `index`; 0 for an index at or past the count.
uint32_t DB_RecordSize(FileRef f, uint16_t index);
// Absolute data offset of record `index` (the file size at or past the count).
uint32_t DB_RecordOffset(FileRef f, uint16_t index);

// Record attributes (internal form) and category. Outputs may be null.
Err DB_RecordInfo(FileRef f, uint16_t index, uint8_t* attributes, uint8_t* category);
// Sets the given (non-null) attributes and category.
Err DB_SetRecordInfo(FileRef f, uint16_t index, const uint8_t* attributes, const uint8_t* category);
// The record's 3-byte unique ID (record databases); 0 for resource databases.
Err DB_RecordUniqueId(FileRef f, uint16_t index, uint32_t* uniqueId);

// Resource entries. On a record database reports type "?REC" and id 0 and
// changes nothing.
Err DB_ResourceInfo(FileRef f, uint16_t index, FourCC* type, uint16_t* id);
Err DB_SetResourceInfo(FileRef f, uint16_t index, FourCC type, uint16_t id);

// Fetches a copy of bytes [start, start + length) of record `index`
// (length 0 = to the record's end). Returns the copy, or null when the range
// lies outside the record, memory is short or the read fails. The caller
// releases it with DB_ReleaseRecord.
void* DB_GetRecord(RecordRef* out, FileRef f, uint16_t index, uint32_t start, uint32_t length);
// Frees the copy and sets *rec to null; null is ignored. Writes nothing.
Err DB_ReleaseRecord(RecordRef* rec);
// Facts about a fetched record.
uint8_t* DB_RecordData(RecordRef rec);
uint32_t DB_RecordLength(RecordRef rec);
uint16_t DB_RecordIndex(RecordRef rec);

// Writes `count` bytes (0 = to the fetched range's end) at `offset` within the
// fetched range, to the file and to the copy. Returns 0, ERR_FILE_PARAM for a
// range past the fetched copy, or ERR_WRITE / ERR_DISK_FULL when the file
// write failed (the copy is then left unchanged).
[[nodiscard]] Err DB_WriteRecord(RecordRef rec, uint32_t offset, const void* src, uint32_t count);
[[nodiscard]] Err DB_FillRecord(RecordRef rec, uint32_t offset, uint8_t value, uint32_t count);
// The same without a fetched copy. ERR_FILE when the record cannot be
// fetched, ERR_FILE_PARAM for a range past the record.
[[nodiscard]] Err DB_WriteRecordAt(FileRef f, uint16_t index, uint32_t offset, const void* src,
                                   uint32_t count);
[[nodiscard]] Err DB_FillRecordAt(FileRef f, uint16_t index, uint32_t offset, uint8_t value,
                                  uint32_t count);
// Reads `count` bytes (0 = to the record's end) at `offset` of record
// `index` into `buffer`. ERR_FILE_PARAM for an empty range or one past the
// record, ERR_READ when the read is short.
[[nodiscard]] Err DB_ReadRecordBytes(FileRef f, uint16_t index, uint32_t offset, uint32_t count,
                                     void* buffer);

// Structural changes. None may run while a RecordRef of the same file is held.
// Inserts `count` records of `size` bytes each before `index` (index =
// count appends). New records get attribute 0 and unique ID 0; their bytes
// are undefined until written. ERR_FILE_PARAM for index past the count or a
// total above 65,535 records; ERR_DISK_FULL when the file cannot grow (the
// file is then as it was).
[[nodiscard]] Err DB_InsertRecords(FileRef f, uint16_t index, uint32_t size, uint32_t count,
                                   ProgressRef progress);
[[nodiscard]] Err DB_ResizeRecord(FileRef f, uint16_t index, uint32_t newSize,
                                  ProgressRef progress);
[[nodiscard]] Err DB_DeleteRecords(FileRef f, uint16_t index, uint32_t count, ProgressRef progress);
// Moves `count` records starting at `from` so that they start at `to`.
// ERR_FILE_PARAM when from + count passes the record count.
[[nodiscard]] Err DB_MoveRecords(FileRef f, uint16_t from, uint16_t to, int32_t count,
                                 ProgressRef progress);

// Compares two records' data; positive when A sorts after B. Sizes are
// given so that a comparison never reads past a record.
using RecordCompareFn = int16_t (*)(const uint8_t* a, uint32_t aSize, const uint8_t* b,
                                    uint32_t bSize, uintptr_t user);

// Sorts the records in the file (a batched selection sort that works in
// place; equal records keep their order). Attribute bytes and unique IDs
// travel with their data. Returns 0 or the first I/O error.
[[nodiscard]] Err DB_Sort(FileRef f, RecordCompareFn compare, uintptr_t user);
// The same for the `count` records from `first` on; the others stay where
// they are. ERR_FILE_PARAM when the range passes the record count.
[[nodiscard]] Err DB_SortRange(FileRef f, uint16_t first, uint16_t count, RecordCompareFn compare,
                               uintptr_t user);
// Sorts a record database in memory with every record marked deleted behind
// the live ones (both groups stable), reading and writing each record once.
// ERR_MEM_FULL, with the file untouched, when the records do not fit in
// memory (the caller then sorts in the file); ERR_FILE_PARAM for a resource
// database; otherwise as DB_Sort.
[[nodiscard]] Err DB_SortLiveFirst(FileRef f, RecordCompareFn compare, uintptr_t user);
