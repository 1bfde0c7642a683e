// libFuzzer target over the resource store reader: the input is written as
// the "executable", its store opened, and every directory entry looked up.
// An independent reading of the trailer and directory says what each lookup
// must give: the body of the entry nearest the directory's end whose body
// lies inside the file, byte for byte, or nothing. Names, strings and the
// cache are exercised on the way. Owns the temporary folder (removed at exit).
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "fuzz_support.h"
#include "kova.h"
#include "kova_res.h"

namespace {

std::string g_exe;  // the "executable" the store is appended to

void closeStore() { RES_Close(); }

void start() {
  if (!g_exe.empty()) return;
  g_exe = FuzzStart() + "/program";
  atexit(closeStore);  // runs before the folder is removed
}

void writeFile(const uint8_t* data, size_t size) { FuzzWriteFile(g_exe, data, size); }

uint32_t get32(const uint8_t* p) {
  return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3];
}

// The directory as the format defines a sound one, or false.
bool directory(const uint8_t* data, size_t size, uint32_t* offset, uint32_t* bytes) {
  if (size < 12 || memcmp(data + size - 12, "TRES", 4) != 0) return false;
  uint64_t o = get32(data + size - 8), n = get32(data + size - 4);
  if (n % 16 != 0 || n > MEM_MAX_BLOCK || o + n > size - 12) return false;
  *offset = uint32_t(o);
  *bytes = uint32_t(n);
  return true;
}

// Entry index whose body a lookup of (type, id) must return, or -1.
int64_t expectedEntry(const uint8_t* data, size_t size, uint32_t dir, uint32_t count, uint32_t type,
                      uint32_t id) {
  for (uint32_t i = count; i-- > 0;) {
    const uint8_t* e = data + dir + 16 * i;
    if (get32(e) != type || get32(e + 4) != id) continue;
    uint64_t offset = get32(e + 8), length = get32(e + 12);
    if (offset + length <= size) return i;
  }
  return -1;
}

void checkEntry(const uint8_t* data, size_t size, uint32_t dir, uint32_t count, uint32_t i) {
  const uint8_t* e = data + dir + 16 * i;
  uint32_t type = get32(e), id = get32(e + 4);
  ResHandle h = nullptr;
  Err err = RES_Get(&h, type, id);
  // Ids with a non-zero upper half read as names: anything may come back.
  bool numeric = type == RES_TYPE_NAME_TABLE || (id >> 16) == 0;
  if (numeric) {
    int64_t want = expectedEntry(data, size, dir, count, type, id);
    if (want < 0 && err == 0) abort();
    if (want >= 0 && err == 0) {
      const uint8_t* w = data + dir + 16 * want;
      uint32_t length = get32(w + 12);
      if (RES_Size(h) != length || (length && memcmp(RES_Data(h), data + get32(w + 8), length)))
        abort();
    }
    if (want >= 0 && err != 0 && err != ERR_MEM_FULL) abort();
  }
  if (err == 0) {
    (void)RES_IdToName(type, id);
    RES_Release(&h);
    if (h) abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  start();
  writeFile(data, size);
  (void)RES_Open(g_exe.c_str());
  uint32_t dir = 0, bytes = 0;
  bool sound = directory(data, size, &dir, &bytes);
  if (sound != RES_StoreLoaded()) abort();
  if (sound) {
    uint32_t count = bytes / 16;
    for (uint32_t i = count; i-- > 0 && count - i <= 64;) checkEntry(data, size, dir, count, i);
    // Strings by id and by a name taken from the input, held while others load.
    ResHandle held = nullptr;
    (void)RES_Get(&held, RES_TYPE_NAME_TABLE, 1);
    char text[64];
    for (uint32_t id = 0; id < 4; id++) (void)RES_GetString(id, text, sizeof text);
    if (size >= 4) (void)RES_GetString(get32(data) | 0x40000000u, text, sizeof text);
    if (held && RES_LockCount(held) == 0) abort();
    RES_Release(&held);
  }
  RES_Close();
  if (RES_CachedTotal() != 0) abort();
  return 0;
}
