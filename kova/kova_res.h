// The resource store: forms, alerts, strings, menus, bitmaps, sounds and the
// name table, appended to the program's executable file. The directory is
// kept in memory; bodies are loaded on demand into a small cache with lock
// counts. Owns the directory, the cache and its byte total.
#pragma once

#include "kova_errors.h"

// Resource types.
inline constexpr FourCC RES_TYPE_FORM = FCC("FORM");
inline constexpr FourCC RES_TYPE_ALERT = FCC("ALRT");
inline constexpr FourCC RES_TYPE_STRING = FCC("tSTR");
inline constexpr FourCC RES_TYPE_BITMAP = FCC("BMAP");
inline constexpr FourCC RES_TYPE_MENU_BAR = FCC("MBAR");
inline constexpr FourCC RES_TYPE_WAVE = FCC("WAVE");
inline constexpr FourCC RES_TYPE_NAME_TABLE = FCC("TTBL");
inline constexpr FourCC RES_TYPE_DATE = FCC("DATE");
inline constexpr FourCC RES_TYPE_VERSION = FCC("tver");
inline constexpr FourCC RES_TYPE_TEMPLATE = FCC("ADDR");
inline constexpr FourCC RES_TYPE_TONE = FCC("TONE");

struct ResNode;
using ResHandle = ResNode*;

// Opens the store appended to `executablePath` (called by the file layer's
// start). A file without the "TRES" trailer, or whose directory does not fit
// inside the file, gives an empty store and ERR_READ; a file that cannot be
// opened gives ERR_OPEN_FAILED. Either way lookups still fall back to loose
// files. Opening again closes the previous store first.
Err RES_Open(const char* executablePath);
// Frees the directory, the cache and every loose-file resource (called by
// the file layer's stop); handles still held become invalid.
void RES_Close();
// True when a directory was loaded.
bool RES_StoreLoaded();

// Finds a resource by type and id, or by a four-character name in place of
// the id. Sets *out to a locked handle, or leaves it unchanged and returns
// ERR_FILE when nothing is found, ERR_MEM_FULL / ERR_OPEN_FAILED / ERR_READ
// when a found resource cannot be loaded (a body outside the file reads as
// not found), ERR_FILE_PARAM for a null `out`.
Err RES_Get(ResHandle* out, FourCC type, uint32_t idOrName);
// Unlocks the handle and sets *h to null; null is ignored.
void RES_Release(ResHandle* h);
// Body size (0 for a null handle) and body bytes.
uint32_t RES_Size(ResHandle h);
const uint8_t* RES_Data(ResHandle h);
// Lock count of a cached resource (for tests).
uint16_t RES_LockCount(ResHandle h);

// A name with its upper 16 bits clear is already an id; otherwise the name
// table maps it, and an unknown name is returned as it is.
uint32_t RES_NameToId(FourCC type, uint32_t idOrName);
// The name of an id, or the id unchanged when it has none.
uint32_t RES_IdToName(FourCC type, uint32_t id);

// Copies string resource (type "tSTR") `idOrName` into `buffer` (size bytes,
// always terminated). Returns 0 or ERR_FILE when missing ("" written).
Err RES_GetString(uint32_t idOrName, char* buffer, uint32_t size);

// Test hooks: the total body bytes of the cached nodes, and whether (type,
// id) is cached now (loose-file resources are never cached).
uint32_t RES_CachedTotal();
bool RES_IsCached(FourCC type, uint32_t id);

// The largest total of cached bodies kept once their locks are released.
inline constexpr uint32_t RES_CACHE_LIMIT = 65535;
