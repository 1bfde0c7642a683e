// Collation: the character classes, the character order and the default key
// that the sort table buckets contacts by, derived once from the string
// comparison and kept in "Brantel Sort Order.PDB" (768 raw bytes: the order
// table, then the classes). Also the string comparison and the exchange sort.
// Owns charClass, collationTable, defaultKey and the loaded flag; the tables
// stay fixed from the first SortLoadCollation until SortResetCollation.
#include <cstring>

#include "sort.h"

uint8_t charClass[256];
uint8_t collationTable[512];
uint8_t defaultKey[4];

namespace {

bool g_collationLoaded = false;

uint8_t foldCase(uint8_t c) { return (c >= 'A' && c <= 'Z') ? uint8_t(c - 'A' + 'a') : c; }

int16_t compareEntries(const void* a, const void* b, uintptr_t) {
  return SortStringCompare(static_cast<const char*>(a), static_cast<const char*>(b));
}

// A stored file is trusted only when its order half lists every character
// once, its inverse half agrees with it, and every class representative is
// no larger than its character (the sort table indexes by these bytes).
bool fileTablesValid(const uint8_t* bytes) {
  bool seen[256] = {};
  for (int p = 0; p < 256; p++) {
    uint8_t c = bytes[2 * p];
    if (seen[c]) return false;
    seen[c] = true;
    if (bytes[2 * c + 1] != p) return false;
  }
  for (int c = 0; c < 256; c++)
    if (bytes[512 + c] > c) return false;
  return true;
}

// Reads the file into `bytes` (768); false when it is missing, not exactly
// 768 bytes, unreadable or inconsistent.
bool readOrderFile(uint8_t* bytes) {
  FileRef f = nullptr;
  if (FIL_Open(&f, VOL_DOCUMENTS, "", SORT_ORDER_FILE, FIL_MODE_READ) != 0) return false;
  bool ok = FIL_Size(f) == int32_t(SORT_ORDER_FILE_BYTES) &&
            FIL_Read(f, bytes, SORT_ORDER_FILE_BYTES) == SORT_ORDER_FILE_BYTES;
  FIL_Close(&f);
  if (!ok) {
    DBG_Print(FCC("scrn"), "%hd: Sort order file has the wrong size", int16_t(301));
    return false;
  }
  if (!fileTablesValid(bytes)) {
    DBG_Print(FCC("scrn"), "%hd: Sort order file is inconsistent", int16_t(302));
    return false;
  }
  return true;
}

// 2./3. Every character is its own class until an earlier character
// compares equal to it.
void deriveClasses() {
  for (int c = 0; c < 256; c++) charClass[c] = uint8_t(c);
  for (int i = 0; i < 255; i++) {
    if (charClass[i] != i) continue;
    char si[2] = {char(i), 0};
    for (int j = i + 1; j < 256; j++) {
      if (charClass[j] != j) continue;
      char sj[2] = {char(j), 0};
      bool sameLetter = (i >= 'a' && i <= 'z' ? i - 32 : i) == (j >= 'a' && j <= 'z' ? j - 32 : j);
      if (sameLetter || SortStringCompare(si, sj) == 0) charClass[j] = uint8_t(i);
    }
  }
}

// 4. The order: every character as a one-character string, exchange-sorted,
// then the inverse half.
void deriveOrder() {
  for (int c = 0; c < 256; c++) {
    collationTable[2 * c] = uint8_t(c);
    collationTable[2 * c + 1] = 0;
  }
  ExchangeSort(collationTable, 256, 2, compareEntries, 0);
  for (int p = 0; p < 256; p++) collationTable[2 * collationTable[2 * p] + 1] = uint8_t(p);
}

}  // namespace

int16_t SortStringCompare(const char* a, const char* b) {
  const uint8_t* x = reinterpret_cast<const uint8_t*>(a);
  const uint8_t* y = reinterpret_cast<const uint8_t*>(b);
  for (;; x++, y++) {
    uint8_t cx = foldCase(*x), cy = foldCase(*y);
    if (cx != cy || cx == 0) return int16_t(int(cx) - int(cy));
  }
}

void ExchangeSort(void* base, uint32_t count, uint32_t elementSize, SortElementCompareFn compare,
                  uintptr_t user) {
  if (count < 2 || elementSize == 0 || !base || !compare) return;
  uint8_t* bytes = static_cast<uint8_t*>(base);
  // A consistent comparison finishes in two passes; the bound only keeps a
  // comparison that contradicts itself from looping forever.
  for (uint32_t pass = 0; pass <= count; pass++) {
    bool swapped = false;
    for (uint32_t i = 0; i + 1 < count; i++) {
      uint8_t* ei = bytes + size_t(i) * elementSize;
      for (uint32_t j = i + 1; j < count; j++) {
        uint8_t* ej = bytes + size_t(j) * elementSize;
        if (compare(ei, ej, user) <= 0) continue;
        for (uint32_t k = 0; k < elementSize; k++) {
          uint8_t t = ei[k];
          ei[k] = ej[k];
          ej[k] = t;
        }
        swapped = true;
      }
    }
    if (!swapped) return;
  }
}

namespace {

// Merges the sorted runs [lo, mid) and [mid, hi) of `src` into `dst`; on a
// tie the left run goes first, which keeps the sort stable.
void mergeRuns(const uint8_t* src, uint8_t* dst, uint32_t lo, uint32_t mid, uint32_t hi,
               uint32_t size, SortElementCompareFn compare, uintptr_t user) {
  uint32_t a = lo, b = mid, out = lo;
  while (a < mid && b < hi) {
    bool right = compare(src + size_t(a) * size, src + size_t(b) * size, user) > 0;
    uint32_t from = right ? b++ : a++;
    memcpy(dst + size_t(out++) * size, src + size_t(from) * size, size);
  }
  if (a < mid) memcpy(dst + size_t(out) * size, src + size_t(a) * size, size_t(mid - a) * size);
  if (b < hi) memcpy(dst + size_t(out) * size, src + size_t(b) * size, size_t(hi - b) * size);
}

}  // namespace

void SortMergeSort(void* base, uint32_t count, uint32_t elementSize, SortElementCompareFn compare,
                   uintptr_t user) {
  if (count < 2 || elementSize == 0 || !base || !compare) return;
  uint64_t bytes = uint64_t(count) * elementSize;
  uint8_t* tmp =
      bytes <= UINT32_MAX ? static_cast<uint8_t*>(MEM_Alloc(uint32_t(bytes), false)) : nullptr;
  if (!tmp) {  // short of memory: the slow sort needs none
    ExchangeSort(base, count, elementSize, compare, user);
    return;
  }
  uint8_t* src = static_cast<uint8_t*>(base);
  uint8_t* dst = tmp;
  for (uint32_t width = 1; width < count; width *= 2) {
    for (uint32_t lo = 0; lo < count; lo += 2 * width) {
      uint32_t mid = lo + width < count ? lo + width : count;
      uint32_t hi = mid + width < count ? mid + width : count;
      mergeRuns(src, dst, lo, mid, hi, elementSize, compare, user);
    }
    uint8_t* t = src;
    src = dst;
    dst = t;
    if (width > count / 2) break;  // the next width would pass count
  }
  if (src != base) memcpy(base, src, size_t(bytes));
  MEM_Free(tmp);
}

const uint8_t* SortLoadCollation() {
  if (g_collationLoaded) return charClass;
  uint8_t file[SORT_ORDER_FILE_BYTES];
  if (readOrderFile(file)) {
    memcpy(collationTable, file, 512);
    memcpy(charClass, file + 512, 256);
  } else {
    deriveClasses();
    deriveOrder();
    // 5. Saved for later runs; without a writable folder the tables are
    // simply derived again next time.
    memcpy(file, collationTable, 512);
    memcpy(file + 512, charClass, 256);
    Err err = FIL_WriteWhole(VOL_DOCUMENTS, "", SORT_ORDER_FILE, file, SORT_ORDER_FILE_BYTES);
    if (err != 0)
      DBG_Print(FCC("scrn"), "%hd: Sort order file not written (%hd)", int16_t(303), err);
  }
  // 6. Contacts without a name sort behind every character.
  defaultKey[0] = defaultKey[1] = defaultKey[2] = collationTable[510];
  defaultKey[3] = 0;
  g_collationLoaded = true;
  return charClass;
}

void SortResetCollation() {
  g_collationLoaded = false;
  memset(charClass, 0, sizeof charClass);
  memset(collationTable, 0, sizeof collationTable);
  memset(defaultKey, 0, sizeof defaultKey);
}
