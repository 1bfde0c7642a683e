// Desktop software and device integration: the registry stand-in (a small
// file-backed key/value store), discovery of the handheld's desktop software
// and its users, installs queued for the next HotSync, and the device layer
// whose file system is a host folder named in the registry.
//
// Invariants: (1) the registry file is replaced whole through a temporary
// file and a rename, so a reader sees the old or the new file, never half;
// (2) a registry file that fails any check reads as empty; (3) a copy to or
// from the device never replaces its destination before the whole file has
// arrived and its size checked.
#pragma once

#include "kova_file.h"

// ---- Registry stand-in ----
//
// Keys are paths of elements separated by "\", compared without regard to
// ASCII case and walked one element at a time. A value path is a key path
// whose last element is the value's name ("Software\X\Core\Path").

inline constexpr int16_t REG_ROOT_CURRENT_USER = 0;
inline constexpr int16_t REG_ROOT_LOCAL_MACHINE = 1;
inline constexpr int16_t REG_ROOT_DEVICE = 2;  // the connected device's own registry
inline constexpr int16_t REG_ROOT_COUNT = 3;

inline constexpr uint8_t REG_TYPE_KEY = 0;  // an entry that only makes its key exist
inline constexpr uint8_t REG_TYPE_STRING = 1;
inline constexpr uint8_t REG_TYPE_U32 = 2;

inline constexpr int REG_PATH_BYTES = 512;    // longest key path + value name, with the zero
inline constexpr int REG_VALUE_BYTES = 4096;  // longest string value, with the zero

// Sets the folder holding the file "registry"; null or empty restores the
// default ($XDG_CONFIG_HOME/brantel, else $HOME/.config/brantel). Copied.
void REG_Configure(const char* folder);
// Writes the registry file's host path into `out` (`size` bytes). Returns 0,
// or ERR_FILE_PARAM when it does not fit or no home folder is known.
Err REG_FilePath(char* out, int size);

// Reads a string value. Returns 0, ERR_DIR_NOT_FOUND when the key or value
// is missing (or is not a string), ERR_FILE_PARAM for a bad root or path, or
// a text longer than `size` - 1. A null `out` is skipped.
Err REG_GetString(int16_t root, const char* valuePath, char* out, int size);
// Reads a 32-bit value; errors as REG_GetString. A null `out` is skipped.
Err REG_GetU32(int16_t root, const char* valuePath, uint32_t* out);
// True when the key exists (it, or a key or value below it, is stored).
bool REG_KeyExists(int16_t root, const char* keyPath);

// Sets a value, creating its key; replaces a value of the same name and any
// type. Returns 0, ERR_FILE_PARAM for a bad root, path or over-long text, or
// ERR_WRITE / ERR_DISK_FULL / ERR_OPEN_FAILED when the file cannot be
// written (the old file then stays as it was).
Err REG_SetString(int16_t root, const char* valuePath, const char* text);
Err REG_SetU32(int16_t root, const char* valuePath, uint32_t value);
// Makes a key exist without values. Errors as REG_SetString.
Err REG_CreateKey(int16_t root, const char* keyPath);
// Removes one value; 0 also when it was not there. Errors as REG_SetString.
Err REG_DeleteValue(int16_t root, const char* valuePath);

// ---- Desktop software ----

inline constexpr int DESK_MAX_USERS = 50;
inline constexpr int DESK_NAME_BYTES = 50;  // a display name of at most 49 characters
inline constexpr int DESK_KEY_BYTES = 256;

// What DESK_UserQuery asks for.
inline constexpr int16_t DESK_QUERY_COUNT = 0;
inline constexpr int16_t DESK_QUERY_BACKUP = 1;
inline constexpr int16_t DESK_QUERY_INSTALL = 2;
inline constexpr int16_t DESK_QUERY_NAME = 3;

struct DeskUser {
  char folder[FIL_LIST_NAME_MAX + 1];  // the user's folder in the data path
  char install[FIL_PATH_BYTES];        // host path of the install folder
  char backup[FIL_PATH_BYTES];         // host path of the backup folder
  char name[DESK_NAME_BYTES];          // display name from users.dat ("" when not found)
  bool hasNumber;                      // users.dat gave the user's number
  uint32_t number;
  bool installQueued;
};

struct DeskUserList {
  char dataPath[FIL_PATH_BYTES];  // the desktop software's data folder
  char keyName[DESK_KEY_BYTES];   // "Software\U.S. Robotics\Pilot Desktop" or the 3Com one
  char installName[FIL_LIST_NAME_MAX + 1];  // the users' install folder name
  int16_t count;
  DeskUser users[DESK_MAX_USERS];
};

// Finds the desktop software and its users. On success *out is a new list
// (possibly with no users, as when its data path cannot be listed; free it
// with DESK_FreeUsers). Returns 0, ERR_DIR_NOT_FOUND when no desktop
// software is registered (*out is then null), ERR_MEM_FULL. Users are in
// the byte order of their folder names; a user whose paths do not fit
// FIL_PATH_BYTES is skipped. Missing install folders are created.
Err DESK_Discover(DeskUserList** out);

// Answers a question about the list: DESK_QUERY_COUNT puts the user count in
// *number; the others put the user's backup folder, install folder or
// display name in *text. A bad index or question gives "" (and 0) with
// ERR_FILE_PARAM; a null list counts as empty. Null outputs are skipped.
Err DESK_UserQuery(const DeskUserList* list, int16_t index, int16_t what, int32_t* number,
                   const char** text);

// Frees the list and sets *list to null; null or *list null is ignored.
void DESK_FreeUsers(DeskUserList** list);

// Asks the desktop software to install the files in the user's install
// folder at the next HotSync: sets "Install<number>" under
// "Software\U.S. Robotics\Pilot Desktop\HotSync Manager" to 1 and marks the
// user. Returns 0, ERR_FILE_PARAM for a bad list or index, ERR_DIR_NOT_FOUND
// when users.dat gave no number for the user, or the registry's write error.
Err DESK_QueueInstall(DeskUserList* list, int16_t index);

// ---- Device ----
//
// Device paths are the device's own ("\Application Data\Brantel\x.PDB"):
// "\" separated, rooted at the device folder named by the local-machine
// value "SOFTWARE\Microsoft\Windows CE Services\DeviceFolder".

inline constexpr int DEV_TEXT_MAX = 498;           // characters of a converted path
inline constexpr uint32_t DEV_CHUNK_BYTES = 8192;  // bytes moved per device call

// Names the folder the device keeps this system's data in; null or empty
// falls back to the executable's name followed by "_ppc". Copied.
void DEV_SetSyncFolderName(const char* name);

// 0 when a device is connected (the key exists and names an existing
// folder), else ERR_OPEN_FAILED. Answers at once.
Err DEV_Present();
// Writes the device's host folder into `out` (`size` bytes). Returns 0,
// ERR_OPEN_FAILED without a device, ERR_FILE_PARAM when it does not fit.
Err DEV_HostFolder(char* out, int size);
// Writes "\Application Data\" and this system's folder name into `out`.
// Returns 0 or ERR_FILE_PARAM (too small, or no name can be formed).
Err DEV_DataFolder(char* out, int size);
// Reads the device's name (device registry "Ident", value "Name"). Returns
// 0, ERR_OPEN_FAILED without a device, or REG_GetString's errors.
Err DEV_Identity(char* out, int size);

// Widens the handheld's 8-bit text to the device's 16-bit text: byte for
// byte, 0x80 becoming U+20AC and 0x95 U+2022. `out` holds `outChars`
// characters including the zero. Returns 0, or ERR_FILE_PARAM when the text
// is longer than DEV_TEXT_MAX or than `out` (nothing is cut).
// `length` (may be null) receives the character count.
Err DEV_Widen(const char* text, uint16_t* out, int outChars, int* length);
// Narrows device text: U+20AC and U+2022 go back to 0x80 and 0x95, every
// other character keeps its low byte. Errors as DEV_Widen.
Err DEV_Narrow(const uint16_t* text, char* out, int size, int* length);

// True when `devicePath` names a file or folder on a connected device.
bool DEV_Exists(const char* devicePath);

// Copies (volume, dir, name) to `devicePath`. A folder needs `recursive`:
// the device folder is created and every entry copied in turn. Each file is
// written to a temporary name in DEV_CHUNK_BYTES chunks and renamed over the
// old copy only after a complete, size-checked copy; on failure only the
// temporary file is removed. Returns 0, ERR_OPEN_FAILED (no device or
// source), ERR_FILE_PARAM (bad path, a folder without `recursive`),
// ERR_READ, ERR_WRITE, ERR_DISK_FULL.
Err DEV_CopyTo(const char* devicePath, int16_t volume, const char* dir, const char* name,
               bool recursive);
// Copies `devicePath` to (volume, dir, name), the same way in reverse: a
// device read that fails leaves the local file as it was.
Err DEV_CopyFrom(const char* devicePath, int16_t volume, const char* dir, const char* name,
                 bool recursive);
