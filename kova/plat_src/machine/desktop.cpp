// Discovery of the handheld's desktop software: its data path from the
// registry, the users' install folder name, the users (sub-folders of the
// data path holding an install or "backup" folder) with their display names
// and numbers from users.dat, and installs queued for the next HotSync.
// Owns no state; each discovery hands out its own list.
#include <cstdlib>
#include <cstring>

#include "host_file.h"
#include "kova_debug.h"
#include "kova_desktop.h"
#include "kova_fmt.h"
#include "kova_mem.h"

namespace {

const char* const KEY_USR = "Software\\U.S. Robotics\\Pilot Desktop";
const char* const KEY_3COM = "Software\\3Com\\Palm Desktop";
const char* const KEY_HOTSYNC = "Software\\U.S. Robotics\\Pilot Desktop\\HotSync Manager";
constexpr uint32_t USERS_DAT_MAX_BYTES = 16u << 20;

// Joins "a/b" or "a/b/c" into `out`; false when it does not fit.
bool joinPath(char* out, size_t size, const char* a, const char* b, const char* c) {
  size_t an = strlen(a), bn = strlen(b), cn = c ? strlen(c) + 1 : 0;
  if (an + 1 + bn + cn + 1 > size) return false;
  memcpy(out, a, an);
  out[an] = '/';
  memcpy(out + an + 1, b, bn + 1);
  if (c) {
    out[an + 1 + bn] = '/';
    memcpy(out + an + 2 + bn, c, cn);
  }
  return true;
}

bool isFolder(const HostFileOps* ops, const char* path) {
  HostStat st;
  return ops->stat(path, &st) == 0 && st.isDirectory;
}

// 1. The data path under the first desktop key that has one.
bool findDesktop(DeskUserList* list) {
  const char* keys[] = {KEY_USR, KEY_3COM};
  for (const char* key : keys) {
    char value[REG_PATH_BYTES];
    if (!joinPath(value, sizeof value, key, "Core", "Path")) continue;
    for (char* p = value; *p; p++)
      if (*p == '/') *p = '\\';
    if (REG_GetString(REG_ROOT_CURRENT_USER, value, list->dataPath, sizeof list->dataPath) == 0) {
      strcpy(list->keyName, key);
      return list->dataPath[0] != 0;
    }
  }
  return false;
}

bool startsWithNoCase(const char* text, const char* prefix) {
  for (; *prefix; text++, prefix++)
    if (!*text || (*text | 0x20) != (*prefix | 0x20)) return false;
  return true;
}

// 2. The install folder name from the first install conduit that is the
// desktop's own ("inscn..."), else "Install".
void findInstallName(DeskUserList* list) {
  strcpy(list->installName, "Install");
  const char* conduits[] = {"InstallConduit1", "InstallConduit2"};
  for (const char* conduit : conduits) {
    char key[REG_PATH_BYTES], value[REG_PATH_BYTES], module[REG_PATH_BYTES];
    STR_Format(key, sizeof key, "%s\\%s", KEY_HOTSYNC, conduit);
    STR_Format(value, sizeof value, "%s\\Module", key);
    if (REG_GetString(REG_ROOT_CURRENT_USER, value, module, sizeof module) != 0) continue;
    if (!startsWithNoCase(module, "inscn")) continue;
    char dir[FIL_LIST_NAME_MAX + 1];
    STR_Format(value, sizeof value, "%s\\Directory", key);
    // A directory name that does not fit a folder name is no usable answer.
    if (REG_GetString(REG_ROOT_CURRENT_USER, value, dir, sizeof dir) == 0 && dir[0]) {
      strcpy(list->installName, dir);
      return;
    }
  }
}

// users.dat read whole (malloc'd), or null.
uint8_t* readUsersDat(const HostFileOps* ops, const char* dataPath, uint32_t* size) {
  char path[FIL_PATH_BYTES];
  *size = 0;
  if (!joinPath(path, sizeof path, dataPath, "users.dat", nullptr)) return nullptr;
  HostHandle h = 0;
  if (ops->open(path, FIL_MODE_READ, &h) != 0) return nullptr;
  int64_t n = ops->size(h);
  uint8_t* b =
      n > 0 && n <= int64_t(USERS_DAT_MAX_BYTES) ? static_cast<uint8_t*>(malloc(n)) : nullptr;
  if (b && ops->read(h, b, uint32_t(n), 0) != n) {
    free(b);
    b = nullptr;
  }
  ops->close(h);
  if (b) *size = uint32_t(n);
  return b;
}

// The facts users.dat holds about the user in `folder`: the folder name
// lies after a byte holding its length; the display name is the printable
// run ending just before that byte; the user's number is the 32-bit
// (little-endian, as the desktop writes it) value five bytes before the
// folder name. A folder name too close to the start has no number.
void userFacts(const uint8_t* dat, uint32_t size, DeskUser* u) {
  size_t n = strlen(u->folder);
  if (!dat || n == 0 || n > 255) return;
  for (uint32_t i = 1; i + n <= size; i++) {
    if (dat[i - 1] != n || memcmp(dat + i, u->folder, n) != 0) continue;
    uint32_t end = i - 1, start = end;
    while (start > 0 && dat[start - 1] > 31) start--;
    uint32_t len = end - start;
    if (len > DESK_NAME_BYTES - 1) len = DESK_NAME_BYTES - 1;
    memcpy(u->name, dat + start, len);
    u->name[len] = 0;
    if (i >= 5) {
      const uint8_t* p = dat + i - 5;
      u->number =
          uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
      u->hasNumber = true;
    }
    return;
  }
}

// Fills `u` for the sub-folder `folder`; false when it is no user or its
// paths do not fit.
bool makeUser(const HostFileOps* ops, const DeskUserList* list, const char* folder, DeskUser* u) {
  if (strlen(folder) > FIL_LIST_NAME_MAX) return false;
  char dir[FIL_PATH_BYTES], backup[FIL_PATH_BYTES], install[FIL_PATH_BYTES];
  if (!joinPath(dir, sizeof dir, list->dataPath, folder, nullptr)) return false;
  if (!joinPath(backup, sizeof backup, list->dataPath, folder, "backup")) return false;
  if (!joinPath(install, sizeof install, list->dataPath, folder, list->installName)) return false;
  if (!isFolder(ops, dir) || (!isFolder(ops, install) && !isFolder(ops, backup))) return false;
  memset(u, 0, sizeof *u);
  strcpy(u->folder, folder);
  strcpy(u->backup, backup);
  strcpy(u->install, install);
  if (!isFolder(ops, install) && ops->makeDir(install) != 0)
    DBG_Print(FCC("repo"), "desktop: cannot create %s\n", install);
  return true;
}

int byFolder(const void* a, const void* b) {
  return strcmp(static_cast<const DeskUser*>(a)->folder, static_cast<const DeskUser*>(b)->folder);
}

// 3. Every sub-folder holding an install or backup folder is a user.
void listUsers(const HostFileOps* ops, DeskUserList* list) {
  HostHandle dir = 0;
  if (ops->openDir(list->dataPath, &dir) != 0) {
    // Registered but gone (a removed disk): the desktop has no users now.
    DBG_Print(FCC("repo"), "desktop: cannot list %s\n", list->dataPath);
    return;
  }
  char name[FIL_PATH_BYTES];
  while (list->count < DESK_MAX_USERS && ops->nextDir(dir, name, sizeof name)) {
    if (strcmp(name, ".") == 0 || strcmp(name, "..") == 0) continue;
    if (makeUser(ops, list, name, &list->users[list->count])) list->count++;
  }
  ops->closeDir(dir);
  qsort(list->users, size_t(list->count), sizeof(DeskUser), byFolder);
  uint32_t size = 0;
  uint8_t* dat = readUsersDat(ops, list->dataPath, &size);
  for (int i = 0; i < list->count; i++) userFacts(dat, size, &list->users[i]);
  free(dat);
}

}  // namespace

Err DESK_Discover(DeskUserList** out) {
  if (!out) return ERR_FILE_PARAM;
  *out = nullptr;
  Err err = 0;
  auto* list = static_cast<DeskUserList*>(MEM_Alloc(sizeof(DeskUserList), true, &err));
  if (!list) return err ? err : ERR_MEM_FULL;
  if (!findDesktop(list)) {
    MEM_Free(list);
    return ERR_DIR_NOT_FOUND;
  }
  findInstallName(list);
  listUsers(HOST_FileOps(), list);
  *out = list;
  return 0;
}

Err DESK_UserQuery(const DeskUserList* list, int16_t index, int16_t what, int32_t* number,
                   const char** text) {
  if (number) *number = 0;
  if (text) *text = "";
  int16_t count = list ? list->count : 0;
  if (what == DESK_QUERY_COUNT) {
    if (number) *number = count;
    return 0;
  }
  if (index < 0 || index >= count || what < DESK_QUERY_BACKUP || what > DESK_QUERY_NAME)
    return ERR_FILE_PARAM;
  const DeskUser& u = list->users[index];
  if (text)
    *text = what == DESK_QUERY_BACKUP ? u.backup : what == DESK_QUERY_INSTALL ? u.install : u.name;
  return 0;
}

void DESK_FreeUsers(DeskUserList** list) {
  if (!list || !*list) return;
  MEM_Free(*list);
  *list = nullptr;
}

Err DESK_QueueInstall(DeskUserList* list, int16_t index) {
  if (!list || index < 0 || index >= list->count) return ERR_FILE_PARAM;
  DeskUser* u = &list->users[index];
  if (!u->hasNumber) return ERR_DIR_NOT_FOUND;
  char value[REG_PATH_BYTES];
  STR_Format(value, sizeof value, "%s\\Install%ld", KEY_HOTSYNC, int32_t(u->number));
  Err err = REG_SetU32(REG_ROOT_CURRENT_USER, value, 1);
  if (err == 0) u->installQueued = true;
  return err;
}
