// Shared by the registry stand-in's modules (registry.cpp reads and writes
// the file, registry_values.cpp finds and changes values): the loaded image
// and the entry walker.
#pragma once

#include <cstdint>

#include "kova_errors.h"

// One entry as it lies in the image; the pointers point into the image.
struct RegEntry {
  uint8_t root, type;
  const char* key;  // not zero-terminated
  uint16_t keyLen;
  const char* name;  // not zero-terminated
  uint16_t nameLen;
  const uint8_t* data;
  uint16_t dataLen;
};

// A checked registry file in memory (malloc'd), or an empty one.
struct RegImage {
  uint8_t* bytes;  // null when empty
  uint32_t size;   // bytes up to the end of the last entry
  uint16_t count;
};

// Reads the entry at *pos (entries end at `end`) and moves *pos past it.
// False when it does not fit.
bool REG_NextEntry(const uint8_t* bytes, uint32_t end, uint32_t* pos, RegEntry* e);
// Loads the registry file; a missing or damaged file gives an empty image.
void REG_Load(RegImage* image);
void REG_Free(RegImage* image);
// Writes a new registry file holding `count` entries laid out in `entries`.
// Returns 0, ERR_MEM_FULL, ERR_FILE_PARAM (no path), ERR_OPEN_FAILED,
// ERR_WRITE or ERR_DISK_FULL; on failure the old file is untouched.
Err REG_Save(const uint8_t* entries, uint32_t entryBytes, uint16_t count);
