// The registry stand-in's values: key paths walked one element at a time
// without regard to ASCII case, lookups of string and 32-bit values, and
// changes, each written back as a whole new file. Owns no state.
#include <cctype>
#include <cstdlib>
#include <cstring>

#include "kova_desktop.h"
#include "registry_internal.h"

namespace {

// A path with its elements joined by "\" and empty elements dropped.
struct RegPath {
  char key[REG_PATH_BYTES];
  char name[REG_PATH_BYTES];  // the value's name ("" for a key)
};

// Normalises `path` into `out`; false when it is empty or does not fit.
bool normalise(const char* path, char* out) {
  if (!path) return false;
  int n = 0;
  for (const char* p = path; *p; p++) {
    if (*p == '\\') {
      if (n > 0 && out[n - 1] != '\\') out[n++] = '\\';
    } else {
      out[n++] = *p;
    }
    if (n >= REG_PATH_BYTES - 1) return false;
  }
  if (n > 0 && out[n - 1] == '\\') n--;
  out[n] = 0;
  return n > 0;
}

// Splits "Key\Sub\Name" into key "Key\Sub" and name "Name".
bool splitValue(const char* path, RegPath* out) {
  char all[REG_PATH_BYTES];
  if (!normalise(path, all)) return false;
  char* last = strrchr(all, '\\');
  if (!last) return false;  // a value needs a key
  *last = 0;
  strcpy(out->key, all);
  strcpy(out->name, last + 1);
  return true;
}

// Length of the element starting at `p` (up to "\" or `end`).
size_t elementLength(const char* p, const char* end) {
  const char* q = p;
  while (q < end && *q != '\\') q++;
  return size_t(q - p);
}

bool sameText(const char* a, size_t an, const char* b, size_t bn) {
  if (an != bn) return false;
  for (size_t i = 0; i < an; i++)
    if (tolower(uint8_t(a[i])) != tolower(uint8_t(b[i]))) return false;
  return true;
}

// Walks `want` one element at a time down the entry's key. True when every
// element matched; with `exact`, the entry's key must end there too.
bool keyWalk(const RegEntry& e, const char* want, bool exact) {
  const char* have = e.key;
  const char* haveEnd = e.key + e.keyLen;
  const char* wantEnd = want + strlen(want);
  while (want < wantEnd) {
    if (have >= haveEnd) return false;
    size_t wn = elementLength(want, wantEnd), hn = elementLength(have, haveEnd);
    if (!sameText(want, wn, have, hn)) return false;
    want += wn + (want + wn < wantEnd);
    have += hn + (have + hn < haveEnd);
  }
  return !exact || have >= haveEnd;
}

bool sameValue(const RegEntry& e, int16_t root, const RegPath& p) {
  return e.root == root && e.type != REG_TYPE_KEY && keyWalk(e, p.key, true) &&
         sameText(e.name, e.nameLen, p.name, strlen(p.name));
}

// Finds a value; false when missing.
bool findValue(const RegImage& img, int16_t root, const RegPath& p, RegEntry* out) {
  uint32_t pos = 8;
  for (uint16_t i = 0; i < img.count && REG_NextEntry(img.bytes, img.size, &pos, out); i++)
    if (sameValue(*out, root, p)) return true;
  return false;
}

void putEntry(uint8_t* b, uint32_t* n, int16_t root, uint8_t type, const char* key,
              const char* name, const uint8_t* data, uint16_t dataLen) {
  uint8_t* p = b + *n;
  uint16_t kn = uint16_t(strlen(key)), nn = uint16_t(strlen(name));
  p[0] = uint8_t(root);
  p[1] = type;
  Put16BE(p + 2, kn);
  memcpy(p + 4, key, kn);
  Put16BE(p + 4 + kn, nn);
  memcpy(p + 6 + kn, name, nn);
  Put16BE(p + 6 + kn + nn, dataLen);
  if (dataLen) memcpy(p + 8 + kn + nn, data, dataLen);
  *n += 8u + kn + nn + dataLen;
}

// Rewrites the file without the value `p` (and, when `type` is a value type,
// with the new value added; a plain key entry of the same key is dropped).
// When a value is deleted and nothing else holds its key, a key entry keeps
// the key in place.
Err rewrite(int16_t root, const RegPath& p, uint8_t type, const uint8_t* data, uint16_t dataLen,
            bool add) {
  RegImage img;
  REG_Load(&img);
  uint32_t cap = img.size + 8 + 2 * REG_PATH_BYTES + dataLen, n = 0;
  uint8_t* out = static_cast<uint8_t*>(malloc(cap));
  if (!out) {
    REG_Free(&img);
    return ERR_MEM_FULL;
  }
  uint32_t pos = 8, count = 0;
  bool keyHeld = false;
  RegEntry e;
  for (uint16_t i = 0; i < img.count; i++) {
    uint32_t start = pos;
    if (!REG_NextEntry(img.bytes, img.size, &pos, &e)) break;
    bool thisKey = e.root == root && keyWalk(e, p.key, true);
    if (sameValue(e, root, p) || (add && thisKey && e.type == REG_TYPE_KEY)) continue;
    keyHeld = keyHeld || thisKey;
    memcpy(out + n, img.bytes + start, pos - start);
    n += pos - start;
    count++;
  }
  REG_Free(&img);
  if (add || !keyHeld) {
    putEntry(out, &n, root, add ? type : REG_TYPE_KEY, p.key, add ? p.name : "", data,
             add ? dataLen : 0);
    count++;
  }
  Err err = count > 0xFFFF ? ERR_FILE_PARAM : REG_Save(out, n, uint16_t(count));
  free(out);
  return err;
}

bool rootValid(int16_t root) { return root >= 0 && root < REG_ROOT_COUNT; }

}  // namespace

Err REG_GetString(int16_t root, const char* valuePath, char* out, int size) {
  RegPath p;
  if (!rootValid(root) || !splitValue(valuePath, &p)) return ERR_FILE_PARAM;
  RegImage img;
  REG_Load(&img);
  RegEntry e;
  Err err = ERR_DIR_NOT_FOUND;
  if (findValue(img, root, p, &e) && e.type == REG_TYPE_STRING) {
    err = 0;
    if (out && (size <= 0 || e.dataLen >= size)) err = ERR_FILE_PARAM;
    if (out && err == 0) {
      memcpy(out, e.data, e.dataLen);
      out[e.dataLen] = 0;
    }
  }
  REG_Free(&img);
  return err;
}

Err REG_GetU32(int16_t root, const char* valuePath, uint32_t* out) {
  RegPath p;
  if (!rootValid(root) || !splitValue(valuePath, &p)) return ERR_FILE_PARAM;
  RegImage img;
  REG_Load(&img);
  RegEntry e;
  Err err = ERR_DIR_NOT_FOUND;
  if (findValue(img, root, p, &e) && e.type == REG_TYPE_U32) {
    err = 0;
    if (out) *out = Get32BE(e.data);
  }
  REG_Free(&img);
  return err;
}

bool REG_KeyExists(int16_t root, const char* keyPath) {
  char key[REG_PATH_BYTES];
  if (!rootValid(root) || !normalise(keyPath, key)) return false;
  RegImage img;
  REG_Load(&img);
  uint32_t pos = 8;
  RegEntry e;
  bool found = false;
  for (uint16_t i = 0; !found && i < img.count && REG_NextEntry(img.bytes, img.size, &pos, &e); i++)
    found = e.root == root && keyWalk(e, key, false);
  REG_Free(&img);
  return found;
}

Err REG_SetString(int16_t root, const char* valuePath, const char* text) {
  RegPath p;
  if (!rootValid(root) || !splitValue(valuePath, &p) || !text) return ERR_FILE_PARAM;
  size_t n = strlen(text);
  if (n >= size_t(REG_VALUE_BYTES)) return ERR_FILE_PARAM;
  return rewrite(root, p, REG_TYPE_STRING, reinterpret_cast<const uint8_t*>(text), uint16_t(n),
                 true);
}

Err REG_SetU32(int16_t root, const char* valuePath, uint32_t value) {
  RegPath p;
  if (!rootValid(root) || !splitValue(valuePath, &p)) return ERR_FILE_PARAM;
  uint8_t data[4];
  Put32BE(data, value);
  return rewrite(root, p, REG_TYPE_U32, data, 4, true);
}

Err REG_CreateKey(int16_t root, const char* keyPath) {
  RegPath p;
  if (!rootValid(root) || !normalise(keyPath, p.key)) return ERR_FILE_PARAM;
  if (REG_KeyExists(root, p.key)) return 0;
  p.name[0] = 0;
  return rewrite(root, p, REG_TYPE_KEY, nullptr, 0, true);
}

Err REG_DeleteValue(int16_t root, const char* valuePath) {
  RegPath p;
  if (!rootValid(root) || !splitValue(valuePath, &p)) return ERR_FILE_PARAM;
  RegImage img;
  REG_Load(&img);
  RegEntry e;
  bool there = findValue(img, root, p, &e);
  REG_Free(&img);
  return there ? rewrite(root, p, REG_TYPE_KEY, nullptr, 0, false) : Err(0);
}
