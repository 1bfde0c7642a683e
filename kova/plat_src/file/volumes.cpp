// The volume table: the in-memory "RAMDISK" (-1), "Documents" (0), "Desktop"
// (1) and "Computer" (2, whose top level lists the mount points). Finds the
// host folders at start, creates the data folder "!" and keeps each volume's
// base folders, name and current directory. Also reads the mount table.
//
// Invariants: (1) the table exists exactly while the file layer is started;
// (2) base folders carry no trailing "/" (the root "/" itself stays); the
// "Computer" root is empty, meaning the host's root; (3) a current directory is kept in
// the volume's own notation (see paths.cpp) and is at most FIL_DIR_BYTES long.
#include <pwd.h>
#include <strings.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

#include "file_internal.h"
#include "kova_debug.h"

namespace {

// Where the mount table is read from; tests point it at a file of their own
// (empty = the host's).
char g_mountTable[FIL_PATH_BYTES] = "";

char* copyText(const char* s, size_t n) {
  char* p = static_cast<char*>(malloc(n + 1));
  if (!p) return nullptr;
  memcpy(p, s, n);
  p[n] = 0;
  return p;
}

// An owned copy of a folder path without trailing separators ("/" stays).
char* copyFolder(const char* s) {
  size_t n = strlen(s);
  while (n > 1 && s[n - 1] == '/') n--;
  return copyText(s, n);
}

// Joins a folder and a leaf into an owned path.
char* joinPath(const char* folder, const char* leaf) {
  size_t a = strlen(folder), b = strlen(leaf);
  bool slash = a > 0 && folder[a - 1] != '/';
  char* p = static_cast<char*>(malloc(a + b + 2));
  if (!p) return nullptr;
  memcpy(p, folder, a);
  if (slash) p[a++] = '/';
  memcpy(p + a, leaf, b + 1);
  return p;
}

// Reads a whole small file through the host table into an owned,
// NUL-terminated buffer (null when it cannot be read).
char* readWhole(const HostFileOps* ops, const char* path) {
  HostHandle h;
  if (ops->open(path, FIL_MODE_READ, &h) != 0) return nullptr;
  size_t cap = 4096, len = 0;
  char* buf = static_cast<char*>(malloc(cap + 1));
  while (buf) {
    // Files of /proc report size 0: read until the end instead.
    int64_t n = ops->read(h, buf + len, uint32_t(cap - len), len);
    if (n <= 0) break;
    len += size_t(n);
    if (len == cap) {
      char* grown = cap < (1u << 24) ? static_cast<char*>(realloc(buf, cap * 2 + 1)) : nullptr;
      if (!grown) {
        free(buf);
        buf = nullptr;
        break;
      }
      buf = grown;
      cap *= 2;
    }
  }
  ops->close(h);
  if (buf) buf[len] = 0;
  return buf;
}

const char* homeFolder() {
  const char* home = getenv("HOME");
  if (home && home[0] == '/') return home;
  struct passwd* pw = getpwuid(getuid());
  return pw && pw->pw_dir && pw->pw_dir[0] == '/' ? pw->pw_dir : "/";
}

// The value of `key` (such as "XDG_DOCUMENTS_DIR") in the user's
// user-dirs.dirs, "$HOME" expanded; null when absent. This is what
// `xdg-user-dir` prints, read here without starting a child process.
char* xdgUserDir(const char* key) {
  const char* config = getenv("XDG_CONFIG_HOME");
  char* base = config && config[0] == '/' ? copyFolder(config) : joinPath(homeFolder(), ".config");
  char* file = base ? joinPath(base, "user-dirs.dirs") : nullptr;
  free(base);
  char* text = file ? readWhole(HOST_FileOps(), file) : nullptr;
  free(file);
  if (!text) return nullptr;
  char* result = nullptr;
  size_t keyLen = strlen(key);
  char* save = nullptr;
  for (char* line = strtok_r(text, "\n", &save); line && !result;
       line = strtok_r(nullptr, "\n", &save)) {
    while (*line == ' ' || *line == '\t') line++;
    if (strncmp(line, key, keyLen) != 0 || line[keyLen] != '=') continue;
    char* v = line + keyLen + 1;
    char value[FIL_PATH_BYTES];
    size_t n = 0;
    bool quoted = *v == '"';
    if (quoted) v++;
    for (; *v && n < sizeof value - 1; v++) {
      if (quoted && *v == '"') break;
      if (*v == '\\' && v[1]) v++;  // the file escapes '"', '\', '$' and '`'
      value[n++] = *v;
    }
    value[n] = 0;
    if (strncmp(value, "$HOME", 5) == 0 && (value[5] == 0 || value[5] == '/'))
      result = joinPath(homeFolder(), value[5] ? value + 6 : "");
    else if (value[0] == '/')
      result = copyFolder(value);
    // Anything else is not a valid entry: fall back to the default.
  }
  free(text);
  return result;
}

// The folder for a volume: the configured one, the XDG one, or $HOME/<leaf>.
char* userFolder(const char* configured, const char* xdgKey, const char* leaf) {
  if (configured[0]) return copyFolder(configured);
  char* xdg = xdgUserDir(xdgKey);
  if (xdg) {
    char* folder = copyFolder(xdg);
    free(xdg);
    return folder;
  }
  return joinPath(homeFolder(), leaf);
}

// The running program's path: the configured one or the host's record of it.
char* executablePath(const char* configured) {
  if (configured[0]) return copyText(configured, strlen(configured));
  char buf[FIL_PATH_BYTES];
  ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
  return n > 0 ? copyText(buf, size_t(n)) : copyText("/brantel", 8);
}

// The folder holding the executable, and its name without ".exe".
char* exeFolder(const char* exe) {
  const char* slash = strrchr(exe, '/');
  if (!slash) return copyFolder(homeFolder());
  return slash == exe ? copyText("/", 1) : copyText(exe, size_t(slash - exe));
}

char* exeName(const char* exe) {
  const char* slash = strrchr(exe, '/');
  const char* leaf = slash ? slash + 1 : exe;
  size_t n = strlen(leaf);
  if (n > 4 && strcasecmp(leaf + n - 4, ".exe") == 0) n -= 4;
  return n ? copyText(leaf, n) : copyText("brantel", 7);
}

// A volume's name from "VOLUME.NAM" in its root: a 4-byte field, a 16-bit
// count of bytes to skip after this 8-byte header, a 16-bit byte count, then
// the name in big-endian UTF-16 of which the low byte of each character is
// kept. Leaves `name` alone when the file is missing, short or empty.
void readVolumeName(const HostFileOps* ops, const char* root, char* name, size_t size) {
  char* path = joinPath(root, "VOLUME.NAM");
  HostHandle h;
  bool opened = path && ops->open(path, FIL_MODE_READ, &h) == 0;
  free(path);
  if (!opened) return;
  uint8_t head[8], text[2 * 31];
  if (ops->read(h, head, sizeof head, 0) == int64_t(sizeof head)) {
    uint32_t count = Get16BE(head + 6) & ~1u;
    if (count > sizeof text) count = sizeof text;
    int64_t got = count ? ops->read(h, text, count, 8u + Get16BE(head + 4)) : 0;
    size_t n = 0;
    if (got == int64_t(count)) {
      char found[32];
      for (uint32_t i = 0; i < count && n < size - 1 && text[i + 1]; i += 2)
        found[n++] = char(text[i + 1]);
      found[n] = 0;
      if (n) memcpy(name, found, n + 1);
    }
  }
  ops->close(h);
}

// Creates `path` as a folder when missing. 0, or ERR_FILE when it cannot be
// made or is a file.
Err ensureFolder(const HostFileOps* ops, const char* path) {
  HostStat st;
  if (ops->stat(path, &st) == 0) return st.isDirectory ? Err(0) : ERR_FILE;
  return ops->makeDir(path) == 0 ? Err(0) : ERR_FILE;
}

void initVolume(Volume* v, FourCC kind, uint32_t flags, const char* name) {
  memset(v, 0, sizeof *v);
  v->kind = kind;
  v->flags = flags;
  strncpy(v->name, name, sizeof v->name - 1);
}

// Gives volume `v` its root and the shared "~", "!" and "^" bases.
Err setBases(Volume* v, const char* root, const char* home, const char* data, const char* app) {
  const char* from[4] = {root, home, data, app};
  for (int i = 0; i < 4; i++) {
    v->bases[i] = copyText(from[i], strlen(from[i]));
    if (!v->bases[i]) return ERR_MEM_FULL;
  }
  return 0;
}

// The data folder "!" inside the documents folder, created when missing
// (with the documents folder itself, which a fresh account may lack).
Err makeDataFolder(const char* docs, const char* data) {
  const HostFileOps* ops = HOST_FileOps();
  // Other systems first moved an older data folder out of a shared documents
  // folder; this host has no shared documents folder, so there is nothing to
  // move.
  Err err = ensureFolder(ops, docs);
  if (err == 0) err = ensureFolder(ops, data);
  if (err != 0) DBG_Print(FCC("REPO"), "Cannot create the data folder %s\n", data);
  return err;
}

Err setupFolders(FileLayer* state, const char* docs, const char* desk) {
  char* home = copyFolder(homeFolder());
  char* app = exeFolder(state->exePath);
  char* leaf = exeName(state->exePath);
  char* data = docs && leaf ? joinPath(docs, leaf) : nullptr;
  Err err = home && app && data ? Err(0) : ERR_MEM_FULL;
  if (err == 0) err = setBases(&state->volumes[VOL_DOCUMENTS], docs, home, data, app);
  if (err == 0) err = setBases(&state->volumes[VOL_DESKTOP], desk, home, data, app);
  // "Computer" has no folder of its own: its root is the host's root.
  if (err == 0) err = setBases(&state->volumes[VOL_COMPUTER], "", home, data, app);
  if (err == 0) err = makeDataFolder(docs, data);
  free(home);
  free(app);
  free(leaf);
  free(data);
  return err;
}

// Mount-table file systems that hold no user files: kernel interfaces,
// memory-backed scratch space and package images.
bool pseudoFileSystem(const char* type) {
  static const char* const kPseudo[] = {"proc",        "sysfs",
                                        "cgroup",      "cgroup2",
                                        "devpts",      "devtmpfs",
                                        "tmpfs",       "ramfs",
                                        "mqueue",      "debugfs",
                                        "tracefs",     "securityfs",
                                        "pstore",      "bpf",
                                        "configfs",    "fusectl",
                                        "hugetlbfs",   "autofs",
                                        "binfmt_misc", "efivarfs",
                                        "rpc_pipefs",  "nsfs",
                                        "selinuxfs",   "squashfs",
                                        "nfsd",        "fuse.gvfsd-fuse",
                                        "fuse.portal"};
  for (const char* p : kPseudo)
    if (strcmp(type, p) == 0) return true;
  return false;
}

bool octal(char c) { return c >= '0' && c <= '7'; }

// Copies one blank-separated field of a mount-table line, decoding the
// octal escapes ("\040" for a blank). Returns the position after it.
size_t mountField(const char* line, size_t len, size_t at, char* out, size_t size) {
  while (at < len && (line[at] == ' ' || line[at] == '\t')) at++;
  size_t n = 0;
  for (; at < len && line[at] != ' ' && line[at] != '\t'; at++) {
    char c = line[at];
    if (c == '\\' && at + 3 < len && octal(line[at + 1]) && octal(line[at + 2]) &&
        octal(line[at + 3])) {
      c = char(((line[at + 1] - '0') << 6) | ((line[at + 2] - '0') << 3) | (line[at + 3] - '0'));
      at += 3;
    }
    if (n < size - 1) out[n++] = c;
  }
  out[n] = 0;
  return at;
}

// Device, mount point and type of one line; false for a malformed line.
bool mountFields(const char* line, size_t len, char* device, char* point, char* type) {
  size_t at = mountField(line, len, 0, device, FIL_PATH_BYTES);
  at = mountField(line, len, at, point, FIL_PATH_BYTES);
  mountField(line, len, at, type, 64);
  return point[0] == '/' && type[0];
}

// True when a line before `line` mounts a listed file system at `point`.
bool mountedEarlier(const char* table, const char* line, const char* point) {
  for (const char* at = table; at < line;) {
    const char* end = strchr(at, '\n');
    size_t len = end ? size_t(end - at) : strlen(at);
    char device[FIL_PATH_BYTES], other[FIL_PATH_BYTES], type[64];
    if (mountFields(at, len, device, other, type) && !pseudoFileSystem(type) &&
        strcmp(other, point) == 0)
      return true;
    at += len + 1;
  }
  return false;
}

}  // namespace

Err VOL_Setup(FileLayer* state) {
  const FileLayerConfig* config = FIL_Config();
  initVolume(&state->ramDisk, FCC("rdsk"), 0, "RAMDISK");
  state->ramDisk.ops = &HOST_MEMORY_FILE_OPS;
  initVolume(&state->volumes[VOL_DOCUMENTS], FCC("win "), VOL_FLAG_PDB_EXTENSION, "Documents");
  initVolume(&state->volumes[VOL_DESKTOP], FCC("win "), 0, "Desktop");
  initVolume(&state->volumes[VOL_COMPUTER], FCC("win "), 0, "Computer");
  state->exePath = executablePath(config->executablePath);
  char* docs = userFolder(config->documentsDir, "XDG_DOCUMENTS_DIR", "Documents");
  char* desk = userFolder(config->desktopDir, "XDG_DESKTOP_DIR", "Desktop");
  Err err = state->exePath && docs && desk ? setupFolders(state, docs, desk) : ERR_MEM_FULL;
  free(docs);
  free(desk);
  if (err != 0) return err;
  for (int i = VOL_DOCUMENTS; i <= VOL_DESKTOP; i++) {
    Volume* v = &state->volumes[i];
    readVolumeName(VOL_Ops(v), v->bases[VOL_BASE_ROOT], v->name, sizeof v->name);
  }
  // The application's own files live in the data folder: an empty directory
  // on volume 0 means "!".
  strcpy(state->volumes[VOL_DOCUMENTS].currentDir, "!");
  return 0;
}

void VOL_Teardown(FileLayer* state) {
  if (!state) return;
  Volume* all[VOL_FIXED_COUNT + 1] = {&state->ramDisk, &state->volumes[0], &state->volumes[1],
                                      &state->volumes[2]};
  for (Volume* v : all) {
    for (char*& base : v->bases) {
      free(base);
      base = nullptr;
    }
  }
  free(state->exePath);
  state->exePath = nullptr;
}

Volume* VOL_Get(int16_t volume) {
  FileLayer* state = FIL_State();
  if (!state || volume < VOL_RAMDISK || volume >= VOL_FIXED_COUNT) return nullptr;
  return volume == VOL_RAMDISK ? &state->ramDisk : &state->volumes[volume];
}

const HostFileOps* VOL_Ops(const Volume* v) { return v && v->ops ? v->ops : HOST_FileOps(); }

int16_t VOL_Count() { return FIL_State() ? int16_t(VOL_FIXED_COUNT) : int16_t(0); }

FourCC VOL_Kind(int16_t volume) {
  Volume* v = VOL_Get(volume);
  return v ? v->kind : 0;
}

uint32_t VOL_Flags(int16_t volume) {
  Volume* v = VOL_Get(volume);
  return v ? v->flags : 0;
}

Err VOL_Name(int16_t volume, char* buffer, int size) {
  if (!FIL_State()) return ERR_FILE_NOT_READY;
  Volume* v = VOL_Get(volume);
  if (!v || !buffer || size <= 0) return ERR_FILE_PARAM;
  size_t n = strnlen(v->name, size_t(size) - 1);
  memcpy(buffer, v->name, n);
  buffer[n] = 0;
  return 0;
}

Err VOL_GetCurrentDir(int16_t volume, char* buffer, int size) {
  if (!FIL_State()) return ERR_FILE_NOT_READY;
  Volume* v = VOL_Get(volume);
  if (!v || !buffer || size <= 0) return ERR_FILE_PARAM;
  size_t n = strlen(v->currentDir);
  // A cut directory would name another folder: refuse instead.
  if (n >= size_t(size)) {
    buffer[0] = 0;
    return ERR_FILE_PARAM;
  }
  memcpy(buffer, v->currentDir, n + 1);
  return 0;
}

Err VOL_FreeSpace(int16_t volume, uint64_t* freeBytes, uint64_t* usedBytes, uint64_t* totalBytes) {
  if (!FIL_State()) return ERR_FILE_NOT_READY;
  Volume* v = VOL_Get(volume);
  if (!v) return ERR_FILE_PARAM;
  char root[FIL_PATH_BYTES];
  Err err = FIL_BuildPath(volume, root, "/", "", false);
  if (err != 0) return err;
  uint64_t avail = 0, total = 0;
  if (VOL_Ops(v)->freeSpace(root, &avail, &total) != 0) return ERR_FILE;
  if (freeBytes) *freeBytes = avail;
  if (usedBytes) *usedBytes = total > avail ? total - avail : 0;
  if (totalBytes) *totalBytes = total;
  return 0;
}

void VOL_SetMountTable(const char* path) {
  size_t n = path ? strnlen(path, sizeof g_mountTable - 1) : 0;
  memcpy(g_mountTable, path ? path : "", n);
  g_mountTable[n] = 0;
}

char* VOL_ReadMountTable() {
  return readWhole(HOST_FileOps(), g_mountTable[0] ? g_mountTable : "/proc/self/mounts");
}

bool VOL_NextMount(const char* table, size_t* pos, char* path, int size) {
  while (table[*pos]) {
    const char* line = table + *pos;
    const char* end = strchr(line, '\n');
    size_t len = end ? size_t(end - line) : strlen(line);
    *pos += len + (end ? 1 : 0);
    char device[FIL_PATH_BYTES], point[FIL_PATH_BYTES], type[64];
    if (!mountFields(line, len, device, point, type)) continue;
    if (pseudoFileSystem(type) || strlen(point) >= size_t(size)) continue;
    if (mountedEarlier(table, line, point)) continue;
    memcpy(path, point, strlen(point) + 1);
    return true;
  }
  return false;
}
