// Directory listing, directory create and remove, and file info (attributes
// and times) on the volumes, all through the volume's host file table. The
// "Computer" volume's top level lists the host's mount points instead of a
// folder. Each listing owns its iterator block until DIR_Close.
#include <cstdlib>
#include <cstring>

#include "file_internal.h"
#include "kova_debug.h"

// One directory listing.
struct DirIterObj {
  int16_t volume;
  const HostFileOps* ops;  // the table the listing was opened with
  HostHandle handle;       // host listing (folder mode)
  bool hostOpen;
  bool ended;
  char path[FIL_PATH_BYTES];  // the listed folder, ending in "/"
  // Mount-point mode ("Computer" top level): the mount table and the read
  // position in it.
  char* mounts;
  size_t mountPos;
};

namespace {

// Kind of a mount-point entry, in the attributes' high byte.
constexpr uint32_t DIR_KIND_DRIVE = 3u << 24;

bool kindUsable(FourCC kind) {
  return kind == FCC("win ") || kind == FCC("rdsk") || kind == FCC("ram ") || kind == FCC("vfs ") ||
         kind == FCC("sfs ");
}

// The volume row for a public call: ERR_FILE_NOT_READY, ERR_FILE_PARAM or
// ERR_FILE (a kind the file primitives cannot use) into `err`.
Volume* usableVolume(int16_t volume, Err* err) {
  *err = 0;
  if (!FIL_State()) {
    *err = ERR_FILE_NOT_READY;
    return nullptr;
  }
  Volume* v = VOL_Get(volume);
  if (!v)
    *err = ERR_FILE_PARAM;
  else if (!kindUsable(v->kind))
    *err = ERR_FILE;
  return *err == 0 ? v : nullptr;
}

uint32_t smallAttributes(const HostStat& st) {
  return (st.isDirectory ? FIL_ATTR_DIRECTORY : 0) | (st.readOnly ? FIL_ATTR_READ_ONLY : 0);
}

// Names a listing never shows.
bool skippedName(const char* name) {
  return strcmp(name, ".") == 0 || strcmp(name, "..") == 0 || strcmp(name, "Storage Card") == 0 ||
         strlen(name) > size_t(FIL_LIST_NAME_MAX);
}

void copyOut(char* out, const char* name) {
  if (out) memcpy(out, name, strlen(name) + 1);
}

// The next mount point whose free space can be read.
bool nextMount(DirIterObj* it, char* name, uint32_t* attributes, PalmTime* modified,
               uint32_t* size) {
  char point[FIL_LIST_NAME_MAX + 1];
  while (VOL_NextMount(it->mounts, &it->mountPos, point, sizeof point)) {
    uint64_t avail = 0, total = 0;
    HostStat st;
    if (it->ops->freeSpace(point, &avail, &total) != 0 || it->ops->stat(point, &st) != 0) continue;
    copyOut(name, point);
    if (attributes) *attributes = DIR_KIND_DRIVE | FIL_ATTR_DIRECTORY;
    if (modified) *modified = PalmTimeFromUnix(st.modified);
    if (size) *size = 0;
    return true;
  }
  return false;
}

// The next entry of a folder listing that is shown and whose info can be
// read (an entry removed meanwhile, or a dangling link, is passed over).
bool nextEntry(DirIterObj* it, char* name, uint32_t* attributes, PalmTime* modified,
               uint32_t* size) {
  char entry[256 + 1];  // longer than any host name, so long names are seen whole
  while (it->ops->nextDir(it->handle, entry, sizeof entry)) {
    if (skippedName(entry)) continue;
    char full[FIL_PATH_BYTES];
    size_t base = strlen(it->path);
    if (base + strlen(entry) >= sizeof full) continue;
    memcpy(full, it->path, base);
    strcpy(full + base, entry);
    HostStat st;
    if (it->ops->stat(full, &st) != 0) continue;
    copyOut(name, entry);
    if (attributes) *attributes = smallAttributes(st);
    if (modified) *modified = PalmTimeFromUnix(st.modified);
    if (size) *size = st.size > UINT32_MAX ? UINT32_MAX : uint32_t(st.size);
    return true;
  }
  return false;
}

// Host path of (volume, dir, name) with its table; an error for a bad call.
Err pathOf(int16_t volume, const char* dir, const char* name, char* path, const HostFileOps** ops) {
  Err err;
  Volume* v = usableVolume(volume, &err);
  if (!v) return err;
  if (!name) return ERR_FILE_PARAM;
  *ops = VOL_Ops(v);
  return FIL_BuildPath(volume, path, dir, name, false);
}

}  // namespace

Err DIR_Open(DirIter* out, int16_t volume, const char* dir) {
  if (out) *out = nullptr;
  Err err;
  Volume* v = usableVolume(volume, &err);
  if (!v) return err;
  if (!out) return ERR_FILE_PARAM;
  if (!dir) dir = "";
  DirIterObj* it = static_cast<DirIterObj*>(calloc(1, sizeof(DirIterObj)));
  if (!it) return ERR_MEM_FULL;
  it->volume = volume;
  it->ops = VOL_Ops(v);
  // The "Computer" volume's top level (no directory, or just a separator)
  // lists the mount points.
  if (volume == VOL_COMPUTER &&
      (dir[0] == 0 || (dir[1] == 0 && (dir[0] == '/' || dir[0] == '\\')))) {
    it->mounts = VOL_ReadMountTable();
    if (!it->mounts) err = ERR_DIR_NOT_FOUND;
  } else {
    err = FIL_BuildPath(volume, it->path, dir, "", true);
    if (err == 0 && it->ops->openDir(it->path, &it->handle) != 0) err = ERR_DIR_NOT_FOUND;
    it->hostOpen = err == 0;
  }
  if (err != 0) {
    DBG_Print(FCC("repo"), "DIR_Open: cannot list %s on volume %hd\n", dir, int(volume));
    free(it);
    return err;
  }
  *out = it;
  return 0;
}

bool DIR_Next(DirIter it, char* name, uint32_t* attributes, PalmTime* modified, uint32_t* size) {
  if (!it || it->ended || !FIL_State()) return false;
  bool found = it->mounts ? nextMount(it, name, attributes, modified, size)
                          : nextEntry(it, name, attributes, modified, size);
  if (!found) it->ended = true;
  return found;
}

void DIR_Close(DirIter* it) {
  if (!it || !*it) return;
  DirIterObj* obj = *it;
  *it = nullptr;
  if (obj->hostOpen) obj->ops->closeDir(obj->handle);
  free(obj->mounts);
  free(obj);
}

Err DIR_Create(int16_t volume, const char* dir, const char* name) {
  char path[FIL_PATH_BYTES];
  const HostFileOps* ops = nullptr;
  Err err = pathOf(volume, dir, name, path, &ops);
  if (err != 0) return err;
  char checked[FIL_PATH_BYTES];
  strncpy(checked, name, sizeof checked - 1);
  checked[sizeof checked - 1] = 0;
  if (!FIL_NameValid(volume, checked, false)) return ERR_BAD_NAME;
  if (ops->makeDir(path) != 0) {
    DBG_Print(FCC("repo"), "DIR_Create: cannot create %s\n", path);
    return ERR_WRITE;
  }
  return 0;
}

Err DIR_Remove(int16_t volume, const char* dir, const char* name) {
  char path[FIL_PATH_BYTES];
  const HostFileOps* ops = nullptr;
  Err err = pathOf(volume, dir, name, path, &ops);
  if (err != 0) return err;
  return ops->removeDir(path) == 0 ? Err(0) : ERR_FILE;
}

Err FIL_GetInfo(int16_t volume, const char* dir, const char* name, uint32_t* attributes,
                PalmTime* created, PalmTime* modified, PalmTime* accessed) {
  char path[FIL_PATH_BYTES];
  const HostFileOps* ops = nullptr;
  Err err = pathOf(volume, dir, name, path, &ops);
  if (err != 0) return err;
  HostStat st;
  if (ops->stat(path, &st) != 0) return ERR_FILE;
  if (attributes) *attributes = smallAttributes(st) | (st.hidden ? FIL_ATTR_HIDDEN : 0);
  if (created) *created = PalmTimeFromUnix(st.created);
  if (modified) *modified = PalmTimeFromUnix(st.modified);
  if (accessed) *accessed = PalmTimeFromUnix(st.accessed);
  return 0;
}

Err FIL_SetInfo(int16_t volume, const char* dir, const char* name, const uint32_t* attributes,
                const PalmTime* created, const PalmTime* modified, const PalmTime* accessed) {
  char path[FIL_PATH_BYTES];
  const HostFileOps* ops = nullptr;
  Err err = pathOf(volume, dir, name, path, &ops);
  if (err != 0) return err;
  HostStat st;
  if (ops->stat(path, &st) != 0) return ERR_FILE;
  // The host keeps no settable creation time; `created` is accepted and
  // left as the host has it.
  (void)created;
  if (modified || accessed) {
    int64_t m = modified ? PalmTimeToUnix(*modified) : 0;
    int64_t a = accessed ? PalmTimeToUnix(*accessed) : 0;
    if (ops->setTimes(path, modified ? &m : nullptr, accessed ? &a : nullptr) != 0) return ERR_FILE;
  }
  // Of the attributes only read-only has a meaning for the host; directory,
  // hidden (a leading dot), system and archive are not settable here.
  if (attributes && ops->setReadOnly(path, (*attributes & FIL_ATTR_READ_ONLY) != 0) != 0)
    return ERR_FILE;
  return 0;
}
