// The registry stand-in: string and 32-bit values under three roots, kept in
// one small file ("registry" in the configuration folder) that is read whole
// for every call and replaced whole on every change. Owns only the
// configured folder name.
//
// File layout (all numbers big-endian):
//   0  "BRRG"                     magic
//   4  u16 version (1)
//   6  u16 entry count
//   8  entries, each: u8 root, u8 type, u16 key length, key bytes,
//      u16 name length, name bytes, u16 data length, data bytes
//   .. u32 FNV-1a hash of every byte before it
// Keys are stored as "\"-joined elements without empty ones; a string's data
// has no zero; a 32-bit value's data is its 4 bytes; a key entry (type 0)
// has no name and no data.
//
// Invariants: (1) a file failing any check (magic, version, lengths, types,
// count, hash, trailing bytes) reads as empty; (2) a change is written to
// "registry.tmp", synced and renamed over the file, so the old file stays
// whole when any step fails; (3) at most one entry per (root, key, name).
#include <cstdlib>
#include <cstring>

#include "host_file.h"
#include "kova_debug.h"
#include "kova_desktop.h"
#include "registry_internal.h"

namespace {

char g_folder[FIL_PATH_BYTES];  // "" = the default folder

constexpr uint16_t REG_VERSION = 1;
constexpr uint32_t REG_HEADER_BYTES = 8;
constexpr uint32_t REG_MAX_FILE_BYTES = 4u << 20;

uint32_t fnv1a(const uint8_t* p, uint32_t n) {
  uint32_t h = 2166136261u;
  for (uint32_t i = 0; i < n; i++) h = (h ^ p[i]) * 16777619u;
  return h;
}

bool entryValid(const RegEntry& e) {
  if (e.root >= REG_ROOT_COUNT || e.type > REG_TYPE_U32) return false;
  if (e.keyLen == 0 || e.keyLen >= REG_PATH_BYTES || e.nameLen >= REG_PATH_BYTES) return false;
  if (e.type == REG_TYPE_KEY) return e.nameLen == 0 && e.dataLen == 0;
  if (e.type == REG_TYPE_U32) return e.dataLen == 4;
  return e.dataLen < REG_VALUE_BYTES;
}

// Checks the whole image; false when anything is off.
bool imageValid(const uint8_t* b, uint32_t size) {
  if (size < REG_HEADER_BYTES + 4 || memcmp(b, "BRRG", 4) != 0) return false;
  if (Get16BE(b + 4) != REG_VERSION) return false;
  if (Get32BE(b + size - 4) != fnv1a(b, size - 4)) return false;
  uint32_t pos = REG_HEADER_BYTES, end = size - 4;
  RegEntry e;
  for (uint16_t i = 0; i < Get16BE(b + 6); i++)
    if (!REG_NextEntry(b, end, &pos, &e) || !entryValid(e)) return false;
  return pos == end;
}

Err writeAll(const HostFileOps* ops, const char* path, const uint8_t* b, uint32_t n) {
  HostHandle h = 0;
  if (ops->open(path, FIL_MODE_WRITE, &h) != 0) return ERR_OPEN_FAILED;
  bool full = false;
  Err err = ops->truncate(h, 0) == 0 ? Err(0) : ERR_WRITE;
  if (err == 0 && ops->write(h, b, n, 0, &full) != int64_t(n))
    err = full ? ERR_DISK_FULL : ERR_WRITE;
  if (err == 0 && ops->sync(h) != 0) err = ERR_WRITE;
  ops->close(h);
  return err;
}

// Creates every missing folder of `path` (a folder path).
void makeFolders(const HostFileOps* ops, const char* path) {
  char part[FIL_PATH_BYTES];
  size_t n = strlen(path);
  if (n >= sizeof part) return;
  memcpy(part, path, n + 1);
  for (size_t i = 1; i <= n; i++) {
    if (part[i] != '/' && part[i] != 0) continue;
    char keep = part[i];
    part[i] = 0;
    HostStat st;
    if (ops->stat(part, &st) != 0) (void)ops->makeDir(part);
    part[i] = keep;
  }
}

}  // namespace

void REG_Configure(const char* folder) {
  g_folder[0] = 0;
  if (folder && strlen(folder) < sizeof g_folder) strcpy(g_folder, folder);
}

Err REG_FilePath(char* out, int size) {
  if (!out || size <= 0) return ERR_FILE_PARAM;
  const char* base = g_folder;
  const char* tail = "/registry";
  char fallback[FIL_PATH_BYTES];
  if (!base[0]) {
    const char* xdg = getenv("XDG_CONFIG_HOME");
    const char* home = getenv("HOME");
    if (xdg && xdg[0] == '/') {
      base = xdg;
    } else if (home && home[0]) {
      size_t n = strlen(home);
      if (n + 9 >= sizeof fallback) return ERR_FILE_PARAM;
      memcpy(fallback, home, n);
      strcpy(fallback + n, "/.config");
      base = fallback;
    } else {
      return ERR_FILE_PARAM;
    }
    tail = "/brantel/registry";
  }
  size_t need = strlen(base) + strlen(tail) + 1;
  if (need > size_t(size)) return ERR_FILE_PARAM;
  strcpy(out, base);
  strcat(out, tail);
  return 0;
}

bool REG_NextEntry(const uint8_t* b, uint32_t end, uint32_t* pos, RegEntry* e) {
  uint32_t p = *pos;
  if (p > end || end - p < 4) return false;
  e->root = b[p];
  e->type = b[p + 1];
  e->keyLen = Get16BE(b + p + 2);
  p += 4;
  if (end - p < uint32_t(e->keyLen) + 2) return false;
  e->key = reinterpret_cast<const char*>(b + p);
  p += e->keyLen;
  e->nameLen = Get16BE(b + p);
  p += 2;
  if (end - p < uint32_t(e->nameLen) + 2) return false;
  e->name = reinterpret_cast<const char*>(b + p);
  p += e->nameLen;
  e->dataLen = Get16BE(b + p);
  p += 2;
  if (end - p < e->dataLen) return false;
  e->data = b + p;
  *pos = p + e->dataLen;
  return true;
}

void REG_Load(RegImage* image) {
  image->bytes = nullptr;
  image->size = 0;
  image->count = 0;
  char path[FIL_PATH_BYTES];
  if (REG_FilePath(path, sizeof path) != 0) return;
  const HostFileOps* ops = HOST_FileOps();
  HostHandle h = 0;
  if (ops->open(path, FIL_MODE_READ, &h) != 0) return;
  int64_t size = ops->size(h);
  uint8_t* b = nullptr;
  if (size > 0 && size <= int64_t(REG_MAX_FILE_BYTES)) b = static_cast<uint8_t*>(malloc(size));
  bool ok = b && ops->read(h, b, uint32_t(size), 0) == size && imageValid(b, uint32_t(size));
  ops->close(h);
  if (!ok) {
    if (b) DBG_Print(FCC("repo"), "registry: %s is damaged, read as empty\n", path);
    free(b);
    return;
  }
  image->bytes = b;
  image->size = uint32_t(size) - 4;  // the hash is not part of the entries
  image->count = Get16BE(b + 6);
}

void REG_Free(RegImage* image) {
  free(image->bytes);
  image->bytes = nullptr;
  image->size = 0;
  image->count = 0;
}

Err REG_Save(const uint8_t* entries, uint32_t entryBytes, uint16_t count) {
  char path[FIL_PATH_BYTES], temp[FIL_PATH_BYTES + 4];
  if (REG_FilePath(path, sizeof path) != 0) return ERR_FILE_PARAM;
  uint32_t size = REG_HEADER_BYTES + entryBytes + 4;
  uint8_t* b = static_cast<uint8_t*>(malloc(size));
  if (!b) return ERR_MEM_FULL;
  memcpy(b, "BRRG", 4);
  Put16BE(b + 4, REG_VERSION);
  Put16BE(b + 6, count);
  if (entryBytes) memcpy(b + REG_HEADER_BYTES, entries, entryBytes);
  Put32BE(b + size - 4, fnv1a(b, size - 4));
  const HostFileOps* ops = HOST_FileOps();
  char folder[FIL_PATH_BYTES];
  strcpy(folder, path);
  *strrchr(folder, '/') = 0;
  makeFolders(ops, folder);
  strcpy(temp, path);
  strcat(temp, ".tmp");
  Err err = writeAll(ops, temp, b, size);
  if (err == 0 && ops->rename(temp, path) != 0) err = ERR_WRITE;
  if (err != 0) {
    (void)ops->remove(temp);
    DBG_Print(FCC("repo"), "registry: cannot write %s\n", path);
  }
  free(b);
  return err;
}
