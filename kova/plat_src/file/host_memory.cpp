// The in-memory backend of the host file table, behind the RAM disk volume:
// it holds exactly one file image (its name, bytes and size). Opening another
// name for writing replaces the image; for reading it fails.
#include <cstdlib>
#include <cstring>

#include "host_file.h"

namespace {

struct MemoryImage {
  bool exists;
  char name[256];
  uint8_t* bytes;
  uint64_t size;
  uint64_t capacity;
};

MemoryImage g_image = {false, {0}, nullptr, 0, 0};

// The image is named by the last element of the path it was created with.
const char* leafOf(const char* path) {
  const char* slash = strrchr(path, '/');
  return slash ? slash + 1 : path;
}

bool isImage(const char* path) { return g_image.exists && strcmp(g_image.name, leafOf(path)) == 0; }

bool reserve(uint64_t size) {
  if (size <= g_image.capacity) return true;
  uint64_t cap = g_image.capacity ? g_image.capacity : 1024;
  while (cap < size) cap *= 2;
  void* p = realloc(g_image.bytes, size_t(cap));
  if (!p) return false;
  memset(static_cast<uint8_t*>(p) + g_image.capacity, 0, size_t(cap - g_image.capacity));
  g_image.bytes = static_cast<uint8_t*>(p);
  g_image.capacity = cap;
  return true;
}

Err memOpen(const char* path, int16_t mode, HostHandle* out) {
  if (!isImage(path)) {
    if (mode == 0) return ERR_OPEN_FAILED;
    HOST_MemoryReset();
    g_image.exists = true;
    size_t n = strnlen(leafOf(path), sizeof g_image.name - 1);
    memcpy(g_image.name, leafOf(path), n);
    g_image.name[n] = 0;
  }
  *out = 1;
  return 0;
}

void memClose(HostHandle) {}

int64_t memRead(HostHandle, void* buffer, uint32_t count, uint64_t offset) {
  if (!g_image.exists) return -1;
  if (offset >= g_image.size) return 0;
  uint64_t n = g_image.size - offset < count ? g_image.size - offset : count;
  memcpy(buffer, g_image.bytes + offset, size_t(n));
  return int64_t(n);
}

int64_t memWrite(HostHandle, const void* buffer, uint32_t count, uint64_t offset, bool* full) {
  if (!g_image.exists) return -1;
  if (!reserve(offset + count)) {
    if (full) *full = true;
    return -1;
  }
  memcpy(g_image.bytes + offset, buffer, count);
  if (offset + count > g_image.size) g_image.size = offset + count;
  return count;
}

int64_t memSize(HostHandle) { return g_image.exists ? int64_t(g_image.size) : -1; }

Err memTruncate(HostHandle, uint64_t size) {
  if (!g_image.exists || !reserve(size)) return ERR_FILE;
  if (size > g_image.size) memset(g_image.bytes + g_image.size, 0, size_t(size - g_image.size));
  g_image.size = size;
  return 0;
}

Err memSync(HostHandle) { return 0; }

Err memIdentity(HostHandle, uint64_t* device, uint64_t* inode) {
  *device = 0;
  *inode = 1;
  return 0;
}

Err memLock(const char*, HostHandle* lock) {
  *lock = 1;
  return 0;
}
void memUnlock(HostHandle) {}

Err memRemove(const char* path) {
  if (!isImage(path)) return ERR_FILE;
  HOST_MemoryReset();
  return 0;
}

Err memRename(const char* from, const char* to) {
  if (!isImage(from)) return ERR_FILE;
  size_t n = strnlen(leafOf(to), sizeof g_image.name - 1);
  memcpy(g_image.name, leafOf(to), n);
  g_image.name[n] = 0;
  return 0;
}

Err memStat(const char* path, HostStat* out) {
  memset(out, 0, sizeof *out);
  if (isImage(path)) {
    out->size = g_image.size;
    return 0;
  }
  // The volume's root is the only directory.
  if (leafOf(path)[0] == 0) {
    out->isDirectory = true;
    return 0;
  }
  return ERR_FILE;
}

Err memSetTimes(const char* path, const int64_t*, const int64_t*) {
  return isImage(path) ? Err(0) : ERR_FILE;
}
Err memSetReadOnly(const char* path, bool) { return isImage(path) ? Err(0) : ERR_FILE; }
Err memMakeDir(const char*) { return ERR_WRITE; }
Err memRemoveDir(const char*) { return ERR_FILE; }

Err memFreeSpace(const char*, uint64_t* freeBytes, uint64_t* totalBytes) {
  *freeBytes = 0;
  *totalBytes = g_image.size;
  return 0;
}

// Listing the RAM disk yields its one file; one listing at a time.
bool g_listed = false;

Err memOpenDir(const char*, HostHandle* out) {
  g_listed = false;
  *out = 0;
  return 0;
}

bool memNextDir(HostHandle, char* name, int nameSize) {
  if (g_listed || !g_image.exists || nameSize <= 0) return false;
  g_listed = true;
  size_t n = strnlen(g_image.name, size_t(nameSize) - 1);
  memcpy(name, g_image.name, n);
  name[n] = 0;
  return true;
}

void memCloseDir(HostHandle) {}

}  // namespace

void HOST_MemoryReset() {
  free(g_image.bytes);
  g_image = MemoryImage{false, {0}, nullptr, 0, 0};
}

const HostFileOps HOST_MEMORY_FILE_OPS = {
    "memory",     memOpen,    memClose,    memRead,        memWrite,   memSize,
    memTruncate,  memSync,    memIdentity, memLock,        memUnlock,  memRemove,
    memRename,    memStat,    memSetTimes, memSetReadOnly, memMakeDir, memRemoveDir,
    memFreeSpace, memOpenDir, memNextDir,  memCloseDir,
};
