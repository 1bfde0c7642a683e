// The index: collation tables and the contact comparison of the three sort
// orders, the persistent sort table beside the contact database ("Brantel
// Sort Table.PDB": three orders, their two-byte keys, attributes, category
// bits and one cached display list), the display list the screens take
// their rows from, and its upkeep after single-contact changes.
// Owns the collation tables (fixed once loaded), the open table handle with
// the fetched display-list record, the list's sort order, category and the
// search mark, the build's progress callback and stage timings.
//
// Invariants: (1) every enabled order record holds a permutation of the
// contact indices 0 … n-1 in sort order; a disabled one the identity; (2)
// all 16-bit entries inside the table's records are little-endian; (3) the
// table is checked before use: anything out of range triggers a rescan or
// rebuild, never an out-of-range read; (4) every operation but
// SortGetList first releases the cached list and closes the cached handle.
#pragma once

#include "dbase.h"

inline constexpr const char* SORT_TABLE_FILE = "Brantel Sort Table.PDB";
inline constexpr const char* SORT_TABLE_OLD_FILE = "Brantel_Sort_Table.PDB";
inline constexpr const char* SORT_ORDER_FILE = "Brantel Sort Order.PDB";
inline constexpr uint16_t SORT_TABLE_RECORDS = 11;
inline constexpr uint16_t SORT_RECORD_LIST = 10;
inline constexpr uint16_t SORT_RECORD_ATTRIBUTES = 6;
inline constexpr uint16_t SORT_RECORD_CATEGORIES = 7;
inline constexpr uint16_t SORT_RECORD_SCRATCH = 8;
inline constexpr uint32_t SORT_LIST_HEADER_BYTES = 8;
inline constexpr uint32_t SORT_ORDER_FILE_BYTES = 768;
// The most contacts a table record can index: SortRecordBytes(32,700) is
// the largest size a record may have (65,535 bytes).
inline constexpr uint16_t SORT_MAX_CONTACTS = 32700;

// Bytes of every table record for n contacts: ceil(n / 100) * 200 + 8.
constexpr uint32_t SortRecordBytes(uint32_t n) { return (n + 99) / 100 * 200 + 8; }

// ---------------------------------------------------------------------------
// Collation.

extern uint8_t charClass[256];       // representative of each character's class
extern uint8_t collationTable[512];  // 2p: character at position p; 2c+1: position of c
extern uint8_t defaultKey[4];        // the last character three times, then 0

// Loads the tables from "Brantel Sort Order.PDB" (768 bytes, valid) or
// derives them and writes the file; once per run. Returns charClass.
const uint8_t* SortLoadCollation();
// Forgets the loaded tables (start of a run, tests).
void SortResetCollation();

// Case-insensitive comparison of zero-terminated strings ("A"-"Z" as
// "a"-"z", other bytes unsigned; the shorter prefix sorts first).
int16_t SortStringCompare(const char* a, const char* b);

// Comparison of two fixed-size elements for ExchangeSort / FindSortPosition.
using SortElementCompareFn = int16_t (*)(const void* a, const void* b, uintptr_t user);
// The platform's exchange sort: passes over all pairs (i < j) swapping when
// element i sorts after element j, until a pass swaps nothing.
void ExchangeSort(void* base, uint32_t count, uint32_t elementSize, SortElementCompareFn compare,
                  uintptr_t user);
// The same result in O(count log count) comparisons for large ranges: a
// stable merge sort (elements that compare equal keep their order; with no
// equal pair the result is ExchangeSort's). Falls back to ExchangeSort when
// its temporary block (count * elementSize bytes) cannot be allocated.
void SortMergeSort(void* base, uint32_t count, uint32_t elementSize, SortElementCompareFn compare,
                   uintptr_t user);

// Bytes of one extracted sort field (31 characters and the zero byte).
inline constexpr uint32_t SORT_FIELD_BYTES = 32;
inline constexpr int16_t SORT_FALLBACK_NONE = 3;

// The comparison context of SortCompareRecords: two cached contacts with
// their extracted sort fields.
struct SortContext {
  ContactDb* db;
  ContactRec cached[2];
  int32_t cachedIndex[2];  // -1 when nothing is cached
  int16_t order;           // 0 last name, 1 first name, 2 company
  int16_t fallback;        // field position replaced by defaultKey, or SORT_FALLBACK_NONE
  int16_t (*compare)(const char* a, const char* b);
  const uint16_t* orderArray;  // for comparing positions: contact index at each position
  char fields[2][3][SORT_FIELD_BYTES];
  int16_t extracted[2];  // fields already extracted per cached contact
};

// Sets up a context for sort order `order` on the open database (fallback
// from the preferences companyWhenNoName / nameWhenNoCompany).
void SortContextInit(SortContext* ctx, ContactDb* db, int16_t order);
// Releases the cached contacts.
void SortContextRelease(SortContext* ctx);
// Compares the contacts whose indices `a` and `b` point to (uint16_t):
// positive when A sorts after B, 0 when equal or when a contact cannot be
// read. `context` is the SortContext*.
int16_t SortCompareRecords(const void* a, const void* b, uintptr_t context);
// The same for positions into ctx->orderArray (uint16_t positions).
int16_t SortComparePositions(const void* a, const void* b, uintptr_t context);

// The two-byte keys of a contact for the three sort orders (charClass form,
// defaultKey when the order's fields are all empty).
void SortKeys(const ContactRec* rec, uint8_t keys[3][2]);

// The platform's binary search for the new place of the element at position
// p of an otherwise sorted range [lo, hi]: compares positions (as uint16_t
// pointed to) through `compare`. Never compares with a position outside
// [lo, hi]. Flag 0x02: an unequal final comparison gives -1.
int32_t FindSortPosition(int32_t p, int32_t lo, int32_t hi, SortElementCompareFn compare,
                         uintptr_t user, uint16_t flags);

// ---------------------------------------------------------------------------
// The sort table.

// SortOpen modes.
inline constexpr int16_t SORT_CHECK = 0;
inline constexpr int16_t SORT_REBUILD = 1;
inline constexpr int16_t SORT_RESCAN = 2;
inline constexpr int16_t SORT_DISCARD = 3;
// SortOpen results besides failures (negative Err codes).
inline constexpr Err SORT_BUILT = 0;
inline constexpr Err SORT_VALID = -1;
// SortOpen's failure for a database of more than SORT_MAX_CONTACTS contacts:
// no table can index them, so the table file is removed (SortGetList then
// gives no list) and the reason goes to the debug output.
inline constexpr Err SORT_ERR_TOO_MANY = ERR_BAD_COUNT;

// Progress of a build: stage text (a string resource name: "$Sf0" …
// "$Sf3"), position and total. Until the platform's progress display exists
// the callback is all there is; null for none.
using SortProgressFn = void (*)(FourCC stage, int32_t position, int32_t total, uintptr_t arg);
void SortSetProgress(SortProgressFn fn, uintptr_t arg);

// Milliseconds of the last build's stages (recover, scan, sort 1-3).
struct SortTimings {
  int32_t recoverMs, scanMs, sortMs[3];
};
SortTimings SortLastTimings();

// Checks the table and rebuilds (mode 1, 3, or when a trigger fires) or
// rescans (mode 2) it. Returns SORT_BUILT, SORT_VALID, or a negative Err
// when the contact database or the table cannot be opened, or a table for
// this many contacts cannot be stored.
[[nodiscard]] Err SortOpen(int16_t mode);
// Deleted records counted from the end of the contact database (at most
// the last 50); 0 when it cannot be opened.
uint16_t SortStamp();
// Releases the cached list and closes the cached handle (stop, tests).
void SortClose();
// Resets the module's run state (start, tests): closes, forgets the list.
void SortReset();

// ---------------------------------------------------------------------------
// The display list.

inline constexpr uint16_t SORT_LIST_DROP_SEARCH = 0x01;
inline constexpr uint16_t SORT_LIST_REBUILD = 0x02;

// The contacts of sort order `order` (0-2) that pass `category` (-1 all,
// 0 unfiled, 1-15) and the privacy setting, in sort order. *outHandle is
// set to -1; *outEntries points to the first of the returned count of
// contact indices (valid until the next operation that changes the table).
// A null output pointer is skipped. The stored list is used when it was
// built for the same order and category during this run (one stored by an
// earlier run may hold that run's search results: it is rebuilt once).
// Returns 0 (outputs untouched) when the table cannot be used, or for an
// order or category out of range.
uint16_t SortGetList(int16_t* outHandle, const uint16_t** outEntries, int16_t order,
                     int16_t category, uint16_t flags);
void SortReleaseList(int16_t handle);
bool SortListIsSearch();

// Decides whether list entry `position` (contact `rec`) stays; may set
// *stop to end the walk.
using SortPredicateFn = bool (*)(const ContactRec* rec, uint16_t position, uint16_t count,
                                 uintptr_t user, bool* stop);
// Narrows the display list to the entries the predicate keeps. Returns the
// number kept; 0 leaves the list as it was.
uint16_t SortRefineList(SortPredicateFn predicate, uintptr_t user);

// Upkeep after single-contact changes of the contact database. A table
// found out of step (an index past its total, a total other than the
// database's count) or a step that fails halfway removes the table file, so
// that the next SortOpen builds it afresh; nothing is written outside it.
//
// Contact i was inserted (the database holds n + 1 records, i <= n); the
// new contact stands before the old contact i in every order (at the front
// when i = n) and its own entries are stale. Every insertion path (new
// contact, duplicate) therefore calls SortRecordInserted and then, after
// any SortRecordMoved, SortRecordChanged with SORT_CHANGE_PLACE exactly
// once for the new contact. Returns its position in the display list, or
// -1 (no valid list, no table, or the table refused: more than
// SORT_MAX_CONTACTS contacts).
int32_t SortRecordInserted(uint16_t i);
// Contact d (below the total) was marked deleted and moved to the last
// index: its entries follow it there, marked deleted; it leaves the list.
void SortRecordDeleted(uint16_t d);
// The contact database moved contact `from` to index `to` (both clamped to
// the last index): the enabled orders, the per-contact records (`to` takes
// from's entries) and the list's indices are renumbered.
void SortRecordMoved(uint16_t from, uint16_t to);
// SortRecordChanged modes.
inline constexpr int16_t SORT_CHANGE_PLACE = 1;
inline constexpr int16_t SORT_CHANGE_REFRESH = 2;
// Contact r changed: refresh its keys, attributes and category; with
// SORT_CHANGE_PLACE re-place it in every order and invalidate the list
// (SORT_CHANGE_REFRESH invalidates it only when the category or the
// deleted or private bit changed). Returns its new position in order
// `order`, or -1.
int32_t SortRecordChanged(int16_t mode, uint16_t r, int16_t order);
