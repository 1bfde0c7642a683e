// The resource store reader: the directory appended to the executable file,
// loaded once at file-layer start, and a cache of resource bodies in
// least-recently-used order with lock counts. Owns the executable's path, the
// directory bytes, the cache list and its byte total, and the loose-file
// resources handed out during development.
//
// Invariants: (1) every cached node is on the circular cache list exactly
// once, and cachedTotal is the sum of their body sizes; (2) a node with a lock
// count above 0 is never evicted; (3) no byte is read from the store before
// the offset and size that locate it were checked against the file's size, so
// a damaged store yields no resource instead of a bad read; (4) loose-file
// nodes are never cached: they sit on their own list until their last release.
#include <cstring>

#include "file_internal.h"
#include "kova_debug.h"
#include "kova_fmt.h"
#include "kova_mem.h"
#include "kova_res.h"

struct ResNode {
  ResNode* prev;  // towards the least recently used end
  ResNode* next;  // towards the most recently used end
  uint32_t size;
  FourCC type;
  uint32_t id;
  uint16_t lockCount;
  bool loose;
};

namespace {

constexpr uint32_t TRAILER_BYTES = 12;
constexpr uint32_t ENTRY_BYTES = 16;
constexpr uint32_t TABLE_HEADER_BYTES = 8;
constexpr uint32_t TABLE_ROW_BYTES = 12;
constexpr uint32_t NAME_TABLE_ID = 1;
constexpr const char* LOOSE_NAME = "bin/bin.eng/%t%08lx.bin";

struct ResState {
  char* exePath;       // MEM block, null before the first open
  uint8_t* directory;  // MEM block, null when no store was loaded
  uint32_t dirSize;    // a multiple of 16
  uint64_t fileSize;   // the executable's size when the directory was read
  ResNode cache;       // list head: next = least recently used
  ResNode looseList;   // list head of loose-file nodes
  uint32_t cachedTotal;
};

ResState g_res = {};

uint8_t* bodyOf(ResNode* n) { return reinterpret_cast<uint8_t*>(n + 1); }

void initList(ResNode* head) {
  if (head->next) return;
  head->next = head;
  head->prev = head;
}

void linkAtEnd(ResNode* head, ResNode* n) {
  n->prev = head->prev;
  n->next = head;
  head->prev->next = n;
  head->prev = n;
}

void unlink(ResNode* n) {
  n->prev->next = n->next;
  n->next->prev = n->prev;
  n->prev = n->next = nullptr;
}

void freeList(ResNode* head) {
  initList(head);
  while (head->next != head) {
    ResNode* n = head->next;
    unlink(n);
    MEM_Free(n);
  }
}

// A node with room for `size` body bytes, lock count 1, on no list.
ResNode* newNode(FourCC type, uint32_t id, uint32_t size, bool loose) {
  if (size > MEM_MAX_BLOCK - sizeof(ResNode)) return nullptr;
  ResNode* n = static_cast<ResNode*>(MEM_Alloc(uint32_t(sizeof(ResNode)) + size, false));
  if (!n) return nullptr;
  n->prev = n->next = nullptr;
  n->size = size;
  n->type = type;
  n->id = id;
  n->lockCount = 1;
  n->loose = loose;
  return n;
}

bool opensExecutable(FileRef* f) {
  if (!g_res.exePath) return false;
  return FIL_Open(f, VOL_DOCUMENTS, ":", g_res.exePath, FIL_MODE_READ) == 0;
}

// True when [offset, offset + size) lies inside a file of `fileSize` bytes.
bool inside(uint64_t offset, uint64_t size, uint64_t fileSize) {
  return offset <= fileSize && size <= fileSize - offset;
}

// Steps 3-4 of opening: reads and checks the trailer, then the directory.
Err readDirectory(FileRef f) {
  int64_t size = FIL_NodeSize(f);
  uint8_t trailer[TRAILER_BYTES];
  if (size < int64_t(TRAILER_BYTES) ||
      FIL_ReadAt(f, uint64_t(size) - TRAILER_BYTES, trailer, TRAILER_BYTES) != TRAILER_BYTES ||
      Get32BE(trailer) != FCC("TRES"))
    return ERR_READ;  // no store: every lookup falls back to loose files
  uint32_t dirOffset = Get32BE(trailer + 4), dirSize = Get32BE(trailer + 8);
  if (dirSize % ENTRY_BYTES != 0 || dirSize > MEM_MAX_BLOCK ||
      !inside(dirOffset, dirSize, uint64_t(size) - TRAILER_BYTES)) {
    DBG_Print(FCC("repo"), "RES_Open: damaged store directory in %s\n", g_res.exePath);
    return ERR_READ;
  }
  uint8_t* dir = static_cast<uint8_t*>(MEM_Alloc(dirSize, false));
  if (!dir) return ERR_MEM_FULL;
  if (dirSize > 0 && FIL_ReadAt(f, dirOffset, dir, dirSize) != dirSize) {
    MEM_Free(dir);
    return ERR_READ;
  }
  g_res.directory = dir;
  g_res.dirSize = dirSize;
  g_res.fileSize = uint64_t(size);
  return 0;
}

ResNode* findCached(FourCC type, uint32_t id) {
  initList(&g_res.cache);
  for (ResNode* n = g_res.cache.prev; n != &g_res.cache; n = n->prev)
    if (n->type == type && n->id == id) return n;
  return nullptr;
}

// The directory entry for (type, id), scanning from the last entry back;
// entries whose body lies outside the file are passed over. -1 when none.
int32_t findEntry(FourCC type, uint32_t id) {
  for (uint32_t i = g_res.dirSize / ENTRY_BYTES; i-- > 0;) {
    const uint8_t* e = g_res.directory + i * ENTRY_BYTES;
    if (Get32BE(e) != type || Get32BE(e + 4) != id) continue;
    if (inside(Get32BE(e + 8), Get32BE(e + 12), g_res.fileSize)) return int32_t(i);
    DBG_Print(FCC("repo"), "RES_Get: %t %ld lies outside the store\n", type, int32_t(id));
  }
  return -1;
}

// Frees unlocked nodes from the least recently used end while the total is
// above the limit, stopping at `keep` (the node just added).
void evict(ResNode* keep) {
  ResNode* n = g_res.cache.next;
  while (g_res.cachedTotal > RES_CACHE_LIMIT && n != keep && n != &g_res.cache) {
    ResNode* next = n->next;
    if (n->lockCount == 0) {
      g_res.cachedTotal -= n->size;
      unlink(n);
      MEM_Free(n);
    }
    n = next;
  }
}

// Step 3 of a get: loads directory entry `index` into a new cached node.
Err loadEntry(ResHandle* out, FourCC type, uint32_t id, int32_t index) {
  const uint8_t* e = g_res.directory + uint32_t(index) * ENTRY_BYTES;
  uint32_t offset = Get32BE(e + 8), size = Get32BE(e + 12);
  FileRef f = nullptr;
  if (!opensExecutable(&f)) return ERR_OPEN_FAILED;
  // The file may have changed since the directory was read.
  int64_t fileSize = FIL_NodeSize(f);
  if (fileSize < 0 || !inside(offset, size, uint64_t(fileSize))) {
    FIL_Close(&f);
    return ERR_READ;
  }
  ResNode* n = newNode(type, id, size, false);
  if (!n) {
    FIL_Close(&f);
    return ERR_MEM_FULL;
  }
  linkAtEnd(&g_res.cache, n);
  g_res.cachedTotal += size;
  evict(n);
  bool read = size == 0 || FIL_ReadAt(f, offset, bodyOf(n), size) == size;
  FIL_Close(&f);
  if (!read) {
    g_res.cachedTotal -= size;
    unlink(n);
    MEM_Free(n);
    return ERR_READ;
  }
  *out = n;
  return 0;
}

// Step 4 of a get: the development file "bin/bin.eng/<type><id>.bin" on
// volume 0, read whole into a node of its own.
Err loadLoose(ResHandle* out, FourCC type, uint32_t id) {
  char name[64];
  STR_Format(name, sizeof name, LOOSE_NAME, type, id);
  FileRef f = nullptr;
  if (FIL_Open(&f, VOL_DOCUMENTS, "", name, FIL_MODE_READ) != 0) return ERR_FILE;
  int64_t size = FIL_NodeSize(f);
  ResNode* n =
      size >= 0 && size <= MEM_MAX_BLOCK ? newNode(type, id, uint32_t(size), true) : nullptr;
  if (!n) {
    FIL_Close(&f);
    return ERR_MEM_FULL;
  }
  if (size > 0 && FIL_ReadAt(f, 0, bodyOf(n), uint32_t(size)) != uint32_t(size)) {
    FIL_Close(&f);
    MEM_Free(n);
    return ERR_READ;
  }
  DBG_Print(FCC("repo"), "Opened debug resource %s size %ld\n", FIL_HostPath(f), int32_t(size));
  FIL_Close(&f);
  initList(&g_res.looseList);
  linkAtEnd(&g_res.looseList, n);
  *out = n;
  return 0;
}

// Walks the name table's rows of `type` in order: by name (the row whose
// name is `key` gives its id) or by id (gives the name); `fallback` when none.
uint32_t searchNameTable(FourCC type, uint32_t key, bool byName, uint32_t fallback) {
  ResHandle table = nullptr;
  if (RES_Get(&table, RES_TYPE_NAME_TABLE, NAME_TABLE_ID) != 0) return fallback;
  uint32_t result = fallback;
  const uint8_t* body = RES_Data(table);
  uint32_t size = RES_Size(table);
  if (size >= TABLE_HEADER_BYTES && Get32BE(body) == RES_TYPE_NAME_TABLE) {
    uint32_t rowBytes = Get32BE(body + 4);
    if (rowBytes > size - TABLE_HEADER_BYTES) rowBytes = size - TABLE_HEADER_BYTES;
    for (uint32_t at = 0; at + TABLE_ROW_BYTES <= rowBytes; at += TABLE_ROW_BYTES) {
      const uint8_t* row = body + TABLE_HEADER_BYTES + at;
      if (Get32BE(row) != type) continue;
      uint32_t name = Get32BE(row + 4), id = Get32BE(row + 8);
      if ((byName ? name : id) != key) continue;
      result = byName ? id : name;
      break;
    }
  }
  RES_Release(&table);
  return result;
}

}  // namespace

Err RES_Open(const char* executablePath) {
  RES_Close();
  initList(&g_res.cache);
  initList(&g_res.looseList);
  if (!executablePath || !executablePath[0]) return ERR_OPEN_FAILED;
  uint32_t len = uint32_t(strnlen(executablePath, FIL_PATH_BYTES));
  g_res.exePath = static_cast<char*>(MEM_Alloc(len + 1, false));
  if (!g_res.exePath) return ERR_MEM_FULL;
  memcpy(g_res.exePath, executablePath, len);
  g_res.exePath[len] = 0;
  // 2. Volume 0 with the directory ":" takes the name as a host path.
  FileRef f = nullptr;
  if (!opensExecutable(&f)) {
    DBG_Print(FCC("repo"), "RES_Open: cannot open %s\n", g_res.exePath);
    return ERR_OPEN_FAILED;
  }
  Err err = readDirectory(f);
  FIL_Close(&f);
  return err;
}

void RES_Close() {
  freeList(&g_res.cache);
  freeList(&g_res.looseList);
  MEM_Free(g_res.directory);
  MEM_Free(g_res.exePath);
  g_res.directory = nullptr;
  g_res.exePath = nullptr;
  g_res.dirSize = 0;
  g_res.fileSize = 0;
  g_res.cachedTotal = 0;
}

bool RES_StoreLoaded() { return g_res.directory != nullptr; }

Err RES_Get(ResHandle* out, FourCC type, uint32_t idOrName) {
  if (!out) return ERR_FILE_PARAM;
  // 1. A name becomes an id through the name table.
  uint32_t id = RES_NameToId(type, idOrName);
  if (g_res.directory) {
    // 2. A cached node moves to the most recently used end.
    ResNode* hit = findCached(type, id);
    if (hit) {
      if (hit->lockCount == UINT16_MAX) return ERR_BAD_COUNT;
      unlink(hit);
      linkAtEnd(&g_res.cache, hit);
      hit->lockCount++;
      *out = hit;
      return 0;
    }
    // 3. The directory, from its last entry back.
    int32_t index = findEntry(type, id);
    if (index >= 0) return loadEntry(out, type, id, index);
  }
  // 4. Nothing in the store: a loose file, for development.
  return loadLoose(out, type, id);
}

void RES_Release(ResHandle* h) {
  if (!h || !*h) return;
  ResNode* n = *h;
  *h = nullptr;
  if (n->lockCount > 0) n->lockCount--;
  if (n->loose && n->lockCount == 0) {
    unlink(n);
    MEM_Free(n);
  }
}

uint32_t RES_Size(ResHandle h) { return h ? h->size : 0; }
const uint8_t* RES_Data(ResHandle h) { return h ? bodyOf(h) : nullptr; }
uint16_t RES_LockCount(ResHandle h) { return h ? h->lockCount : 0; }

uint32_t RES_NameToId(FourCC type, uint32_t idOrName) {
  if (type == RES_TYPE_NAME_TABLE || (idOrName >> 16) == 0) return idOrName;
  return searchNameTable(type, idOrName, true, idOrName);
}

uint32_t RES_IdToName(FourCC type, uint32_t id) {
  if (type == RES_TYPE_NAME_TABLE) return id;
  return searchNameTable(type, id, false, id);
}

Err RES_GetString(uint32_t idOrName, char* buffer, uint32_t size) {
  if (buffer && size > 0) buffer[0] = 0;
  ResHandle h = nullptr;
  Err err = RES_Get(&h, RES_TYPE_STRING, idOrName);
  if (err != 0) return ERR_FILE;
  if (buffer && size > 0) {
    // A body without its zero byte still ends inside the body.
    const char* text = reinterpret_cast<const char*>(RES_Data(h));
    uint32_t n = uint32_t(strnlen(text, RES_Size(h)));
    if (n > size - 1) n = size - 1;
    memcpy(buffer, text, n);
    buffer[n] = 0;
  }
  RES_Release(&h);
  return 0;
}

uint32_t RES_CachedTotal() { return g_res.cachedTotal; }

bool RES_IsCached(FourCC type, uint32_t id) {
  return g_res.directory && findCached(type, id) != nullptr;
}
