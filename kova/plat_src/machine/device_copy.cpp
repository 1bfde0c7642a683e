// Copies between the file layer's volumes and the device, file by file in
// DEV_CHUNK_BYTES chunks, folders recursively. Owns no state.
//
// Invariants: (1) a file always arrives under "<name>.part" first and is
// renamed over its destination only after every byte arrived and the size
// of the copy equals the size of the source; (2) a failed copy removes only
// its own ".part" file, so the destination keeps its old bytes; (3) folders
// nest at most DEV_MAX_DEPTH deep (a folder linked into itself ends there).
#include <cstring>

#include "device_internal.h"
#include "host_file.h"
#include "kova_debug.h"
#include "kova_desktop.h"

namespace {

constexpr int DEV_MAX_DEPTH = 16;
const char* const PART_SUFFIX = ".part";

bool appendName(char* out, size_t size, const char* base, char sep, const char* name) {
  size_t bn = strlen(base), nn = strlen(name);
  bool addSep = sep && bn > 0 && base[bn - 1] != sep;
  if (bn + addSep + nn + 1 > size) return false;
  memcpy(out, base, bn);
  if (addSep) out[bn++] = sep;
  memcpy(out + bn, name, nn + 1);
  return true;
}

bool localIsFolder(int16_t volume, const char* dir, const char* name) {
  uint32_t attr = 0;
  return FIL_GetInfo(volume, dir, name, &attr, nullptr, nullptr, nullptr) == 0 &&
         (attr & FIL_ATTR_DIRECTORY);
}

bool hostIsFolder(const char* path) {
  HostStat st;
  return HOST_FileOps()->stat(path, &st) == 0 && st.isDirectory;
}

// Local file -> device file through "<dest>.part".
Err fileToDevice(FileRef src, const char* dest) {
  const HostFileOps* ops = HOST_FileOps();
  char temp[FIL_PATH_BYTES];
  if (!appendName(temp, sizeof temp, dest, 0, PART_SUFFIX)) return ERR_FILE_PARAM;
  int32_t size = FIL_Size(src);
  if (size < 0) return ERR_READ;
  HostHandle h = 0;
  (void)ops->remove(temp);  // a stale part of an earlier attempt
  if (ops->open(temp, FIL_MODE_WRITE, &h) != 0) return ERR_OPEN_FAILED;
  uint8_t buffer[DEV_CHUNK_BYTES];
  Err err = 0;
  uint32_t done = 0;
  while (err == 0 && done < uint32_t(size)) {
    uint32_t want =
        uint32_t(size) - done < DEV_CHUNK_BYTES ? uint32_t(size) - done : DEV_CHUNK_BYTES;
    bool full = false;
    if (FIL_Read(src, buffer, want) != want) err = ERR_READ;
    if (err == 0 && ops->write(h, buffer, want, done, &full) != int64_t(want))
      err = full ? ERR_DISK_FULL : ERR_WRITE;
    done += want;
  }
  if (err == 0 && ops->sync(h) != 0) err = ERR_WRITE;
  if (err == 0 && ops->size(h) != int64_t(size)) err = ERR_WRITE;
  ops->close(h);
  if (err == 0 && ops->rename(temp, dest) != 0) err = ERR_WRITE;
  if (err != 0) (void)ops->remove(temp);
  return err;
}

// Device file -> local file through "<name>.part" in the same folder.
Err fileFromDevice(const char* src, int16_t volume, const char* dir, const char* name) {
  const HostFileOps* ops = HOST_FileOps();
  char part[FIL_PATH_BYTES], temp[FIL_PATH_BYTES], dest[FIL_PATH_BYTES];
  if (!appendName(part, sizeof part, name, 0, PART_SUFFIX)) return ERR_FILE_PARAM;
  Err err = FIL_BuildPath(volume, temp, dir, part, false);
  if (err == 0) err = FIL_BuildPath(volume, dest, dir, name, false);
  if (err != 0) return err;
  HostHandle h = 0;
  if (ops->open(src, FIL_MODE_READ, &h) != 0) return ERR_OPEN_FAILED;
  int64_t size = ops->size(h);
  FileRef f = nullptr;
  err = size < 0 || size > INT32_MAX ? ERR_READ : FIL_Open(&f, volume, dir, part, FIL_MODE_WRITE);
  if (err == 0) err = FIL_Truncate(f, 0);
  uint8_t buffer[DEV_CHUNK_BYTES];
  for (int64_t done = 0; err == 0 && done < size;) {
    uint32_t want = size - done < DEV_CHUNK_BYTES ? uint32_t(size - done) : DEV_CHUNK_BYTES;
    if (ops->read(h, buffer, want, uint64_t(done)) != int64_t(want)) err = ERR_READ;
    if (err == 0 && FIL_Write(f, buffer, want) != want) err = ERR_WRITE;
    done += want;
  }
  if (err == 0) err = FIL_Flush(f);
  if (err == 0 && FIL_Size(f) != int32_t(size)) err = ERR_WRITE;
  FIL_Close(&f);
  ops->close(h);
  if (err == 0 && ops->rename(temp, dest) != 0) err = ERR_WRITE;
  if (err != 0 && err != ERR_OPEN_FAILED) (void)ops->remove(temp);
  return err;
}

Err copyTo(const char* devicePath, int16_t volume, const char* dir, const char* name,
           bool recursive, int depth);

// Every entry of a local folder to the device folder `devicePath`.
Err folderToDevice(const char* devicePath, const char* hostDest, int16_t volume, const char* dir,
                   const char* name, int depth) {
  char inner[FIL_PATH_BYTES], entry[FIL_LIST_NAME_MAX + 1], child[DEV_TEXT_MAX + 2];
  if (depth >= DEV_MAX_DEPTH || !appendName(inner, sizeof inner, dir ? dir : "", '/', name))
    return ERR_FILE_PARAM;
  if (!hostIsFolder(hostDest) && HOST_FileOps()->makeDir(hostDest) != 0) return ERR_WRITE;
  DirIter it = nullptr;
  Err err = DIR_Open(&it, volume, inner);
  uint32_t attr = 0;
  while (err == 0 && DIR_Next(it, entry, &attr, nullptr, nullptr)) {
    if (!appendName(child, sizeof child, devicePath, '\\', entry)) err = ERR_FILE_PARAM;
    if (err == 0) err = copyTo(child, volume, inner, entry, true, depth + 1);
  }
  DIR_Close(&it);
  return err;
}

Err copyTo(const char* devicePath, int16_t volume, const char* dir, const char* name,
           bool recursive, int depth) {
  char dest[FIL_PATH_BYTES];
  Err err = DEV_MapPath(devicePath, dest, sizeof dest);
  if (err != 0 || !name) return err ? err : ERR_FILE_PARAM;
  if (localIsFolder(volume, dir, name)) {
    if (!recursive) return ERR_FILE_PARAM;
    return folderToDevice(devicePath, dest, volume, dir, name, depth);
  }
  FileRef src = nullptr;
  err = FIL_Open(&src, volume, dir, name, FIL_MODE_READ);
  if (err != 0) return err;
  err = fileToDevice(src, dest);
  FIL_Close(&src);
  return err;
}

Err copyFrom(const char* devicePath, int16_t volume, const char* dir, const char* name,
             bool recursive, int depth) {
  char src[FIL_PATH_BYTES];
  Err err = DEV_MapPath(devicePath, src, sizeof src);
  if (err != 0 || !name) return err ? err : ERR_FILE_PARAM;
  if (!hostIsFolder(src)) return fileFromDevice(src, volume, dir, name);
  char inner[FIL_PATH_BYTES], entry[FIL_PATH_BYTES], child[DEV_TEXT_MAX + 2];
  if (!recursive || depth >= DEV_MAX_DEPTH ||
      !appendName(inner, sizeof inner, dir ? dir : "", '/', name))
    return ERR_FILE_PARAM;
  if (!localIsFolder(volume, dir, name)) err = DIR_Create(volume, dir, name);
  const HostFileOps* ops = HOST_FileOps();
  HostHandle h = 0;
  bool listed = err == 0 && ops->openDir(src, &h) == 0;
  if (err == 0 && !listed) err = ERR_DIR_NOT_FOUND;
  while (err == 0 && ops->nextDir(h, entry, sizeof entry)) {
    if (strcmp(entry, ".") == 0 || strcmp(entry, "..") == 0) continue;
    if (!appendName(child, sizeof child, devicePath, '\\', entry)) err = ERR_FILE_PARAM;
    if (err == 0) err = copyFrom(child, volume, inner, entry, true, depth + 1);
  }
  if (listed) ops->closeDir(h);
  return err;
}

}  // namespace

bool DEV_Exists(const char* devicePath) {
  char path[FIL_PATH_BYTES];
  HostStat st;
  return DEV_MapPath(devicePath, path, sizeof path) == 0 && HOST_FileOps()->stat(path, &st) == 0;
}

Err DEV_CopyTo(const char* devicePath, int16_t volume, const char* dir, const char* name,
               bool recursive) {
  if (volume == VOL_RAMDISK) return ERR_FILE_PARAM;  // one in-memory image, no folders
  Err err = copyTo(devicePath, volume, dir, name, recursive, 0);
  if (err != 0) DBG_Print(FCC("repo"), "device: copy to %s failed\n", devicePath);
  return err;
}

Err DEV_CopyFrom(const char* devicePath, int16_t volume, const char* dir, const char* name,
                 bool recursive) {
  if (volume == VOL_RAMDISK) return ERR_FILE_PARAM;
  Err err = copyFrom(devicePath, volume, dir, name, recursive, 0);
  if (err != 0) DBG_Print(FCC("repo"), "device: copy from %s failed\n", devicePath);
  return err;
}
