// Internals of the sort table shared by its source files: the module state
// (cached table handle, fetched display-list record and its parameters, the
// search mark, the progress callback, the stage timings), the little-endian
// entry helpers, the table open/check/discard helpers, the build's work
// buffer and the stages of a build (recover, scan, sort one order).
// Test hooks: the forced work-buffer capacity and facts about the last build.
#pragma once

#include <bit>

#include "sort.h"

// The table's arrays are read through `uint16_t*` (SortGetList hands such a
// pointer out): the host must store 16-bit values little-endian.
static_assert(std::endian::native == std::endian::little, "sort table entries are little-endian");

inline constexpr int16_t SORT_VOLUME = 0;
inline constexpr const char* SORT_DIR = "";  // the volume's current directory

// Little-endian entry i of a record's bytes (16-bit values at byte 2·i).
inline uint16_t SortGetLE16(const uint8_t* p) { return uint16_t(p[0] | (p[1] << 8)); }
inline void SortPutLE16(uint8_t* p, uint16_t v) {
  p[0] = uint8_t(v);
  p[1] = uint8_t(v >> 8);
}
inline uint16_t* SortEntries(RecordRef rec) {
  return reinterpret_cast<uint16_t*>(DB_RecordData(rec));
}

// The display-list header (record 10, bytes 0-7, four signed 16-bit values).
struct SortListHeader {
  int16_t order;     // 0-2; -1 the list is invalid
  int16_t category;  // -1 all, 0 unfiled, 1-15
  int16_t count;     // entries that follow; -1 invalid
  int16_t total;     // n, the entries of the arrays
};
SortListHeader SortDecodeHeader(const uint8_t* bytes);
void SortEncodeHeader(const SortListHeader& h, uint8_t* bytes);

// Forced work-buffer capacities (test hook).
enum SortBufferForce : int16_t {
  SORT_BUFFER_NORMAL = 0,  // (5·n)/2 + 100, falling back as allocations fail
  SORT_BUFFER_FULL,        // (5·n)/2 + 100 entries
  SORT_BUFFER_THREE_HALF,  // (3·n)/2 + 100 entries
  SORT_BUFFER_FOUR_K,      // 4,000 entries
  SORT_BUFFER_STACK,       // the 100 entries on the stack
};
inline constexpr uint32_t SORT_STACK_ENTRIES = 100;
inline constexpr uint32_t SORT_SMALL_BUCKET = 23;  // smaller first-byte buckets skip byte 1
inline constexpr uint32_t SORT_EXCHANGE_MAX = 32;  // larger ranges take the merge sort

// Module state, kept between calls.
struct SortState {
  FileRef table;      // the cached handle (opened by SortGetList) or null
  RecordRef list;     // record 10, fetched while the handle is cached
  int16_t listOrder;  // what the cached list was built for
  int16_t listCategory;
  uint16_t listCount;
  bool searchMark;       // the list holds search results
  bool storedListKnown;  // this run built, refined or invalidated the stored list
  SortProgressFn progress;
  uintptr_t progressArg;
  SortTimings timings;
  // Test hook and facts about the last build.
  SortBufferForce forceBuffer;
  bool plainCompare;         // large ranges compare without prefetched contacts
  uint32_t bufferEntries;    // capacity of the last build's work buffer
  bool recoverFast;          // the last recover took the fast path
  uint32_t scratchScatters;  // histogram scatters that went through record 8
};
extern SortState g_sort;

// Releases the cached list and closes the cached handle.
void SortReleaseCached();
// Opens the table for reading and writing when the file exists (a missing
// one is not created). Returns 0 or the open error.
[[nodiscard]] Err SortOpenTable(FileRef* out);
// Checks that the open table can be used by the list and upkeep: at least
// 11 records, a header whose total fits every record (arrays of 2·total
// bytes, the list of 8 + 2·total) and whose count lies within -1 … total.
// Fills *header (may be null). False when the table must be rebuilt.
bool SortTableUsable(FileRef table, SortListHeader* header);
// Closes `*table` (may be null), deletes the table file so that the next
// SortOpen builds it afresh, and writes `why` to the debug output.
void SortDiscardTable(FileRef* table, const char* why);
// True when the n entries form a permutation of 0 … n-1 (n <= 32,767).
bool SortIsPermutation(const uint16_t* entries, uint32_t n);
// Reads the n entries of order record `index` in chunks and checks them as
// SortIsPermutation does; `identity` asks for the identity order instead.
bool SortStoredOrderValid(FileRef table, uint16_t index, uint32_t n, bool identity);

// One build of the table (SortOpen step 10).
struct SortBuild {
  ContactDb* db;
  FileRef table;
  uint32_t n;
  uint16_t* buf;      // the work buffer
  uint32_t cap;       // its capacity in entries
  RecordRef scratch;  // record 8, fetched for the whole build
  bool enabled[3];    // sort orders switched on
};

// Stage 1: makes every enabled order a permutation, every disabled one the
// identity. *changed receives a bit per order whose entries changed.
[[nodiscard]] Err SortRecover(SortBuild* b, uint8_t* changed);
// Stage 2: keys, attributes and category bits of every contact; marks the
// display list invalid.
[[nodiscard]] Err SortScan(SortBuild* b);
// Stage 3: sorts order k (histogram sort, or the comparison sort with
// multiByteChars).
[[nodiscard]] Err SortOneOrder(SortBuild* b, int16_t k);
// True when stored order `k` has no adjacent pair out of order. A rescan
// keeps the orders recover left alone, but a damaged table can hold a
// valid permutation that is not sorted: such an order is sorted again.
bool SortOrderInOrder(SortBuild* b, int16_t k);
// Step 10 as a whole: buffer, recover, scan, sorts, traces. `mode` 2 only
// rescans (orders that recover had to change are sorted all the same).
[[nodiscard]] Err SortRunBuild(ContactDb* db, FileRef table, uint32_t n, int16_t mode);

// Sort key entry of contact i: the two key bytes in entry order.
inline uint16_t SortKeyEntry(const uint8_t key[2]) { return uint16_t(key[0] | (key[1] << 8)); }
// Category bit of a category number (0 unfiled → 0).
inline uint16_t SortCategoryBit(uint8_t category) {
  return category >= 1 && category <= 15 ? uint16_t(1u << (category - 1)) : 0;
}
// The scan's record of contact i: attributes, category bit and keys (the
// default key when it cannot be read, with attributes 1 and bit 0).
struct SortContactFacts {
  uint16_t attributes;
  uint16_t categoryBit;
  uint16_t keys[3];
};
SortContactFacts SortReadFacts(ContactDb* db, uint16_t i);
