// Whole-file operations on named files: delete, exists, rename (keeping a
// database's stored name in step), write-whole and formatted writes.
#include <strings.h>

#include <cstdarg>
#include <cstring>

#include "file_internal.h"
#include "kova_db.h"
#include "kova_fmt.h"
#include "kova_mem.h"

namespace {

// `name` without a trailing ".pdb" (any case) when it is longer than 4
// characters, into `out` (32 bytes).
void stripPdb(const char* name, char* out) {
  size_t n = strnlen(name, 31);
  if (n > 4 && strncasecmp(name + n - 4, ".pdb", 4) == 0) n -= 4;
  memcpy(out, name, n);
  out[n] = 0;
}

bool endsWithPdb(const char* name) {
  size_t n = strlen(name);
  return n >= 4 && strncasecmp(name + n - 4, ".pdb", 4) == 0;
}

// True when the database file's stored name equals its file name without
// ".pdb", directly or after turning the stored name's blanks into "_".
bool storedNameMatches(int16_t volume, const char* dir, const char* fileName) {
  FileRef f = nullptr;
  if (FIL_Open(&f, volume, dir, fileName, FIL_MODE_READ) != 0) return false;
  bool match = false;
  char stored[32];
  if (DB_FileKind(f) == FCC("Palm") && DB_GetInfo(f, nullptr, stored, nullptr, nullptr, nullptr,
                                                  nullptr, nullptr, nullptr, nullptr) == 0) {
    char expect[32];
    stripPdb(fileName, expect);
    match = strcasecmp(stored, expect) == 0;
    for (char* c = stored; *c; c++)
      if (*c == ' ') *c = '_';
    match = match || strcasecmp(stored, expect) == 0;
  }
  FIL_Close(&f);
  return match;
}

}  // namespace

Err FIL_Delete(int16_t volume, const char* dir, const char* name) {
  if (!FIL_State()) return ERR_FILE_NOT_READY;
  Volume* v = VOL_Get(volume);
  if (!v || !name) return ERR_FILE_PARAM;
  char path[FIL_PATH_BYTES];
  Err err = FIL_BuildPath(volume, path, dir, name, false);
  if (err != 0) return err;
  return VOL_Ops(v)->remove(path) == 0 ? Err(0) : ERR_FILE;
}

int FIL_Exists(int16_t volume, const char* dir, const char* name) {
  FileRef f = nullptr;
  if (FIL_Open(&f, volume, dir, name, FIL_MODE_READ) != 0) return 0;
  FIL_Close(&f);
  return 1;
}

Err FIL_Rename(int16_t volume, const char* oldDir, const char* oldName, const char* newDir,
               const char* newName) {
  if (!FIL_State()) return ERR_FILE_NOT_READY;
  Volume* v = VOL_Get(volume);
  if (!v || !oldName || !newName) return ERR_FILE_PARAM;
  char from[FIL_PATH_BYTES], to[FIL_PATH_BYTES];
  Err err = FIL_BuildPath(volume, from, oldDir, oldName, false);
  if (err == 0) err = FIL_BuildPath(volume, to, newDir, newName, false);
  if (err != 0) return err;
  // The handheld shows a database by its stored name: keep it in step with the
  // file name when it followed the file name before.
  bool follow =
      strlen(oldName) < 32 && strlen(newName) < 32 && storedNameMatches(volume, oldDir, oldName);
  if (VOL_Ops(v)->rename(from, to) != 0) return ERR_FILE;
  if (!follow) return 0;
  FileRef f = nullptr;
  if (FIL_Open(&f, volume, newDir, newName, FIL_MODE_READ_WRITE) != 0) return 0;
  char stored[32];
  stripPdb(newName, stored);
  err =
      DB_SetInfo(f, nullptr, stored, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
  if (err == 0) err = FIL_Flush(f);
  FIL_Close(&f);
  return err;
}

Err FIL_WriteWhole(int16_t volume, const char* dir, const char* name, const void* buffer,
                   uint32_t count) {
  if (!FIL_State()) return ERR_FILE_NOT_READY;
  if (!VOL_Get(volume) || !name || (!buffer && count)) return ERR_FILE_PARAM;
  char fixed[FIL_PATH_BYTES];
  size_t n = strnlen(name, sizeof fixed - 5);
  memcpy(fixed, name, n);
  fixed[n] = 0;
  (void)FIL_NameValid(volume, fixed, true);
  if ((VOL_Flags(volume) & VOL_FLAG_PDB_EXTENSION) && !endsWithPdb(fixed))
    memcpy(fixed + n, ".PDB", 5);
  FileRef f = nullptr;
  Err err = FIL_Open(&f, volume, dir, fixed, FIL_MODE_WRITE);
  if (err != 0) return err;
  bool full = false;
  uint32_t written = count ? FIL_WriteAt(f, 0, buffer, count, &full) : 0;
  if (written != count)
    err = full ? ERR_DISK_FULL : ERR_WRITE;
  else if (FIL_Truncate(f, count) != 0 || FIL_Flush(f) != 0)
    err = ERR_WRITE;
  FIL_Close(&f);
  return err;
}

Err FIL_Printf(FileRef f, char* buffer, uint32_t size, const char* fmt, ...) {
  if (!f || !fmt) return ERR_FILE_PARAM;
  char* text = buffer;
  if (!text) {
    if (size == 0) size = 1024;
    text = static_cast<char*>(MEM_Alloc(size, false));
    if (!text) return ERR_MEM_FULL;
  }
  va_list args;
  va_start(args, fmt);
  int full = STR_VFormat(text, int(size), fmt, args);
  va_end(args);
  uint32_t len = full < 0 ? 0 : uint32_t(full) < size ? uint32_t(full) : size - 1;
  Err err = FIL_Write(f, text, len) == len ? Err(0) : ERR_WRITE;
  if (!buffer) MEM_Free(text);
  return err;
}
