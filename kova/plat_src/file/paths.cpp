// Host paths from (volume, directory, name), the current directory of each
// volume, and file name validity. A directory is written in the handheld's
// notation: ":" followed by a host path, a prefix (":" volume root, "~" home
// folder, "!" data folder, "^" the executable's folder) alone or followed by
// a separator, a leading separator for the volume root, or a path relative
// to the volume's current directory. Owns no state beyond the volume table.
#include <cstring>

#include "file_internal.h"

namespace {

// A bounded path under construction; `ok` drops to false when it overflows,
// so that a cut path never names another file.
struct PathBuf {
  char* text;
  size_t size;
  size_t len;
  bool ok;
};

void add(PathBuf& b, const char* s, size_t n) {
  if (!b.ok) return;
  if (b.len + n >= b.size) {
    b.ok = false;
    return;
  }
  memcpy(b.text + b.len, s, n);
  b.len += n;
  b.text[b.len] = 0;
}

void add(PathBuf& b, const char* s) { add(b, s, strlen(s)); }

bool isSep(char c) { return c == '/' || c == '\\'; }
bool endsInSep(const PathBuf& b) { return b.len > 0 && isSep(b.text[b.len - 1]); }

void addSep(PathBuf& b) {
  if (!endsInSep(b)) add(b, "/");
}

// The base folder index of a directory prefix, or -1.
int prefixIndex(char c) {
  switch (c) {
    case ':':
      return VOL_BASE_ROOT;
    case '~':
      return VOL_BASE_HOME;
    case '!':
      return VOL_BASE_DATA;
    case '^':
      return VOL_BASE_APP;
    default:
      return -1;
  }
}

bool isPrefixed(const char* dir) {
  return prefixIndex(dir[0]) >= 0 && (dir[1] == 0 || isSep(dir[1]));
}

// 2. The volume root: its ":" base folder, then a separator unless the
// volume is of kind "ram".
void addRoot(PathBuf& b, const Volume* v) {
  if (v->bases[VOL_BASE_ROOT]) add(b, v->bases[VOL_BASE_ROOT]);
  if (v->kind != FCC("ram ")) addSep(b);
}

// Steps 1-3: the host folder of `dir`. A relative directory lies below the
// current directory when `useCurrent` is set (the current directory itself
// is resolved without it: it is relative to the volume root).
void addDir(PathBuf& b, const Volume* v, const char* dir, bool useCurrent) {
  // 1. ":" followed by more text: a host path, taken as it is.
  if (dir[0] == ':' && dir[1]) {
    add(b, dir + 1);
    return;
  }
  // 3. A prefix alone or followed by a separator: its base folder. A volume
  // without that base (the RAM disk) uses its root.
  if (isPrefixed(dir)) {
    const char* base = v->bases[prefixIndex(dir[0])];
    const char* rest = dir + 1;
    if (base) {
      add(b, base);
    } else {
      addRoot(b, v);
      while (isSep(*rest)) rest++;
    }
    add(b, rest);
    return;
  }
  if (isSep(dir[0])) {  // starts again from the volume root
    addRoot(b, v);
    add(b, dir + 1);
    return;
  }
  if (useCurrent && v->currentDir[0]) {
    addDir(b, v, v->currentDir, false);
    if (dir[0]) addSep(b);
  } else {
    addRoot(b, v);
  }
  add(b, dir);
}

// Removes trailing separators, keeping a lone "/" and the ":/" host root.
void trimSeps(char* dir) {
  size_t n = strlen(dir);
  size_t keep = dir[0] == ':' ? 2 : 1;
  while (n > keep && isSep(dir[n - 1])) dir[--n] = 0;
}

// The current directory one level up, written into `out` (FIL_DIR_BYTES + 1):
// the last element goes; the volume root and the host root stay where they
// are; a bare "~", "!" or "^" becomes its folder's parent as a host path.
Err upOneLevel(int16_t volume, const Volume* v, char* out) {
  const char* cur = v->currentDir;
  const char* cut = strrchr(cur, '/');
  out[0] = 0;
  if (cur[0] == ':' && cur[1]) {  // ":/a/b" -> ":/a", ":/a" -> ":/"
    if (cut) {
      size_t n = size_t(cut - cur) < 2 ? 2 : size_t(cut - cur);
      memcpy(out, cur, n);
      out[n] = 0;
    }
    return 0;
  }
  if (cut && cut != cur) {  // "!/a" -> "!", "a/b" -> "a", "/a/b" -> "/a"
    memcpy(out, cur, size_t(cut - cur));
    out[cut - cur] = 0;
    return 0;
  }
  if (!isPrefixed(cur) || cur[0] == ':') return 0;  // back to the volume root
  char path[FIL_PATH_BYTES];
  Err err = FIL_BuildPath(volume, path, cur, "", false);
  if (err != 0) return err;
  trimSeps(path);
  char* slash = strrchr(path, '/');
  if (!slash) return ERR_FILE_PARAM;
  slash[slash == path ? 1 : 0] = 0;
  if (strlen(path) + 1 > size_t(FIL_DIR_BYTES)) return ERR_FILE_PARAM;
  out[0] = ':';
  strcpy(out + 1, path);
  return 0;
}

}  // namespace

Err FIL_BuildPath(int16_t volume, char* out, const char* dir, const char* name, bool dirSeparator) {
  if (!FIL_State()) return ERR_FILE_NOT_READY;
  Volume* v = VOL_Get(volume);
  if (!v || !out) return ERR_FILE_PARAM;
  out[0] = 0;
  if (!dir) dir = "";
  if (!name) name = "";
  PathBuf b = {out, size_t(FIL_PATH_BYTES), 0, true};
  if (strcmp(dir, ":") == 0 && name[0] == '/') {
    // The directory ":" with a host path as the name (how the program finds
    // its own executable): the name is the whole path.
    add(b, name);
  } else {
    addDir(b, v, dir, true);
    // 4. The name, after one separator; its own leading separators go.
    while (isSep(name[0])) name++;
    if (name[0]) {
      addSep(b);
      add(b, name);
    }
  }
  if (dirSeparator) addSep(b);
  if (!b.ok) {
    out[0] = 0;
    return ERR_FILE_PARAM;
  }
  // 5. This host separates with "/" on every kind of volume (there is no
  // Windows build): every "\" becomes "/".
  for (char* c = out; *c; c++)
    if (*c == '\\') *c = '/';
  // 6. The "Computer" volume's drive letters do not exist here: its root is
  // the host's root "/", so there is no "\C:" to shorten.
  return 0;
}

Err VOL_SetCurrentDir(int16_t volume, const char* dir) {
  if (!FIL_State()) return ERR_FILE_NOT_READY;
  Volume* v = VOL_Get(volume);
  if (!v) return ERR_FILE_PARAM;
  char next[FIL_DIR_BYTES + 1];
  if (!dir || !dir[0]) {
    Err err = upOneLevel(volume, v, next);
    if (err != 0) return err;
  } else {
    bool relative = !(dir[0] == ':' || isPrefixed(dir) || isSep(dir[0]));
    size_t base = relative ? strlen(v->currentDir) : 0;
    bool sep = base > 0 && !isSep(v->currentDir[base - 1]);
    if (base + (sep ? 1 : 0) + strlen(dir) > size_t(FIL_DIR_BYTES)) return ERR_FILE_PARAM;
    memcpy(next, v->currentDir, base);
    if (sep) next[base++] = '/';
    strcpy(next + base, dir);
    for (char* c = next; *c; c++)
      if (*c == '\\') *c = '/';
    trimSeps(next);
  }
  strcpy(v->currentDir, next);
  return 0;
}

bool FIL_NameValid(int16_t volume, char* name, bool repair) {
  (void)volume;  // the same rules hold on every volume of this host
  if (!name || !name[0]) return false;
  bool valid = true;
  for (char* c = name; *c; c++) {
    bool bad = strchr("\"*/:<>?\\`{}|", *c) != nullptr || (c == name && *c == ' ');
    if (!bad) continue;
    valid = false;
    if (repair) *c = '_';
  }
  // "." and ".." name the folder itself and its parent here.
  if (strcmp(name, ".") == 0 || strcmp(name, "..") == 0) {
    if (repair) memset(name, '_', strlen(name));
    valid = false;
  }
  return valid;
}
