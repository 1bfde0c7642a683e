// The device layer standing in for the handheld's remote API: a device is
// connected when the local-machine key "SOFTWARE\Microsoft\Windows CE
// Services" names an existing device folder ("DeviceFolder"); the device's
// file system is that folder and its registry the registry's device root.
// Also the 8-bit to 16-bit text conversions. Owns the sync folder name.
#include <strings.h>

#include <cstring>

#include "device_internal.h"
#include "file_internal.h"
#include "host_file.h"
#include "kova_desktop.h"

namespace {

const char* const KEY_CE = "SOFTWARE\\Microsoft\\Windows CE Services";
const char* const VALUE_FOLDER = "SOFTWARE\\Microsoft\\Windows CE Services\\DeviceFolder";
constexpr uint16_t WIDE_EURO = 0x20AC;
constexpr uint16_t WIDE_BULLET = 0x2022;

char g_syncName[FIL_LIST_NAME_MAX + 1];

// The executable's file name without folders and ".exe".
bool exeLeaf(char* out, size_t size) {
  const FileLayer* state = FIL_State();
  const char* exe = state && state->exePath ? state->exePath : FIL_Config()->executablePath;
  const char* leaf = exe;
  for (const char* p = exe; *p; p++)
    if (*p == '/' || *p == '\\' || *p == ':') leaf = p + 1;
  size_t n = strlen(leaf);
  if (n > 4 && strcasecmp(leaf + n - 4, ".exe") == 0) n -= 4;
  if (n == 0 || n >= size) return false;
  memcpy(out, leaf, n);
  out[n] = 0;
  return true;
}

bool badElement(const char* p, size_t n) {
  if ((n == 1 && p[0] == '.') || (n == 2 && p[0] == '.' && p[1] == '.')) return true;
  return memchr(p, '/', n) != nullptr;
}

}  // namespace

void DEV_SetSyncFolderName(const char* name) {
  g_syncName[0] = 0;
  if (name && strlen(name) < sizeof g_syncName) strcpy(g_syncName, name);
}

Err DEV_HostFolder(char* out, int size) {
  char folder[REG_VALUE_BYTES];
  if (!REG_KeyExists(REG_ROOT_LOCAL_MACHINE, KEY_CE)) return ERR_OPEN_FAILED;
  if (REG_GetString(REG_ROOT_LOCAL_MACHINE, VALUE_FOLDER, folder, sizeof folder) != 0)
    return ERR_OPEN_FAILED;
  HostStat st;
  if (!folder[0] || HOST_FileOps()->stat(folder, &st) != 0 || !st.isDirectory)
    return ERR_OPEN_FAILED;
  if (!out) return 0;
  if (size <= 0 || strlen(folder) >= size_t(size)) return ERR_FILE_PARAM;
  strcpy(out, folder);
  return 0;
}

Err DEV_Present() { return DEV_HostFolder(nullptr, 0); }

Err DEV_DataFolder(char* out, int size) {
  char name[FIL_PATH_BYTES];
  if (g_syncName[0]) {
    strcpy(name, g_syncName);
  } else {
    if (!exeLeaf(name, sizeof name - 4)) return ERR_FILE_PARAM;
    strcat(name, "_ppc");
  }
  const char* head = "\\Application Data\\";
  if (!out || size <= 0 || strlen(head) + strlen(name) >= size_t(size)) return ERR_FILE_PARAM;
  strcpy(out, head);
  strcat(out, name);
  return 0;
}

Err DEV_Identity(char* out, int size) {
  if (DEV_Present() != 0) return ERR_OPEN_FAILED;
  return REG_GetString(REG_ROOT_DEVICE, "Ident\\Name", out, size);
}

Err DEV_Widen(const char* text, uint16_t* out, int outChars, int* length) {
  if (length) *length = 0;
  if (!text || !out) return ERR_FILE_PARAM;
  size_t n = strlen(text);
  if (n > size_t(DEV_TEXT_MAX) || n >= size_t(outChars > 0 ? outChars : 0)) return ERR_FILE_PARAM;
  for (size_t i = 0; i < n; i++) {
    uint8_t c = uint8_t(text[i]);
    out[i] = c == 0x80 ? WIDE_EURO : c == 0x95 ? WIDE_BULLET : c;
  }
  out[n] = 0;
  if (length) *length = int(n);
  return 0;
}

Err DEV_Narrow(const uint16_t* text, char* out, int size, int* length) {
  if (length) *length = 0;
  if (!text || !out) return ERR_FILE_PARAM;
  size_t n = 0;
  while (text[n] && n <= size_t(DEV_TEXT_MAX)) n++;
  if (n > size_t(DEV_TEXT_MAX) || n >= size_t(size > 0 ? size : 0)) return ERR_FILE_PARAM;
  // The two characters widening moves out of the 8-bit range come back to
  // their own bytes; the rest keep their low byte.
  for (size_t i = 0; i < n; i++)
    out[i] = char(text[i] == WIDE_EURO ? 0x80 : text[i] == WIDE_BULLET ? 0x95 : uint8_t(text[i]));
  out[n] = 0;
  if (length) *length = int(n);
  return 0;
}

Err DEV_MapPath(const char* devicePath, char* out, int size) {
  uint16_t wide[DEV_TEXT_MAX + 1];
  char device[DEV_TEXT_MAX + 1];
  // The device sees 16-bit text: a path it cannot take is refused, not cut.
  if (!devicePath || DEV_Widen(devicePath, wide, DEV_TEXT_MAX + 1, nullptr) != 0 ||
      DEV_Narrow(wide, device, sizeof device, nullptr) != 0)
    return ERR_FILE_PARAM;
  char folder[FIL_PATH_BYTES];
  Err err = DEV_HostFolder(folder, sizeof folder);
  if (err != 0) return err;
  size_t n = strlen(folder);
  if (n >= size_t(size)) return ERR_FILE_PARAM;
  memcpy(out, folder, n + 1);
  const char* p = device;
  while (*p) {
    while (*p == '\\') p++;
    size_t len = strcspn(p, "\\");
    if (len == 0) break;
    if (badElement(p, len) || n + 1 + len >= size_t(size)) return ERR_FILE_PARAM;
    out[n++] = '/';
    memcpy(out + n, p, len);
    n += len;
    out[n] = 0;
    p += len;
  }
  return 0;
}
