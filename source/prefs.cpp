// The preference block in memory, its encoding into the block image, and the
// saved file "Saved_Preferences_BrnL" in the data folder: reading it at start
// and replacing it safely at stop. Owns `g_prefs`.
#include "prefs.h"

#include <cstring>

Prefs g_prefs;

namespace {

uint16_t get16LE(const uint8_t* p) { return uint16_t(p[0] | (p[1] << 8)); }
uint32_t get32LE(const uint8_t* p) {
  return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}
void put16LE(uint8_t* p, uint16_t v) {
  p[0] = uint8_t(v);
  p[1] = uint8_t(v >> 8);
}
void put32LE(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = uint8_t(v >> (8 * i));
}

void encodeElement(const PrefsField& f, const uint8_t* mem, uint8_t* out) {
  uint16_t v16;
  uint32_t v32;
  switch (f.kind) {
    case PREFS_U8:
      *out = *mem;
      break;
    case PREFS_U16:
    case PREFS_I16:
      memcpy(&v16, mem, 2), put16LE(out, v16);
      break;
    case PREFS_U32:
    case PREFS_I32:
      memcpy(&v32, mem, 4), put32LE(out, v32);
      break;
    case PREFS_FCC:
      memcpy(&v32, mem, 4), Put32BE(out, v32);
      break;
    case PREFS_TEXT:
    case PREFS_RAW:
      memcpy(out, mem, f.textBytes);
      break;
  }
}

void decodeElement(const PrefsField& f, const uint8_t* in, uint8_t* mem) {
  uint16_t v16;
  uint32_t v32;
  switch (f.kind) {
    case PREFS_U8:
      *mem = *in;
      break;
    case PREFS_U16:
    case PREFS_I16:
      v16 = get16LE(in), memcpy(mem, &v16, 2);
      break;
    case PREFS_U32:
    case PREFS_I32:
      v32 = get32LE(in), memcpy(mem, &v32, 4);
      break;
    case PREFS_FCC:
      v32 = Get32BE(in), memcpy(mem, &v32, 4);
      break;
    case PREFS_TEXT:
    case PREFS_RAW:
      memcpy(mem, in, f.textBytes);
      break;
  }
}

// The temporary name a new file is written under before it replaces the
// old one.
void tempFileName(char* out, uint32_t size) {
  PrefsFileName(out, size);
  size_t n = strlen(out);
  if (n + 5 < size) memcpy(out + n, ".new", 5);
}

// Writes header and data as the file `name`; 0 only when every byte is on
// the disk.
Err writeFile(const char* name, const uint8_t* header, const uint8_t* data, uint32_t size) {
  FileRef f = nullptr;
  Err err = FIL_Open(&f, VOL_DOCUMENTS, PREFS_DIR, name, FIL_MODE_WRITE);
  if (err != 0) return err;
  if (FIL_Write(f, header, PREFS_HEADER_BYTES) != PREFS_HEADER_BYTES ||
      FIL_Write(f, data, size) != size) {
    uint64_t freeBytes = 0;
    err = VOL_FreeSpace(VOL_DOCUMENTS, &freeBytes, nullptr, nullptr) == 0 &&
                  freeBytes < PREFS_HEADER_BYTES + size
              ? ERR_DISK_FULL
              : ERR_WRITE;
  } else if (FIL_Truncate(f, PREFS_HEADER_BYTES + size) != 0 || FIL_Flush(f) != 0) {
    err = ERR_WRITE;
  }
  FIL_Close(&f);
  return err;
}

}  // namespace

void PrefsFileName(char* out, uint32_t size) {
  STR_Format(out, int(size), PREFS_FILE_FORMAT, PREFS_CREATOR);
}

void PrefsEncode(const Prefs* p, uint8_t* image) {
  memset(image, 0, PREFS_BLOCK_BYTES);
  const uint8_t* base = reinterpret_cast<const uint8_t*>(p);
  for (uint32_t i = 0; i < PREFS_FIELD_COUNT; ++i) {
    const PrefsField& f = PREFS_FIELDS[i];
    uint32_t step = PrefsElementBytes(f.kind, f.textBytes);
    for (uint32_t k = 0; k < f.count; ++k)
      encodeElement(f, base + f.member + k * step, image + f.offset + k * step);
  }
}

void PrefsDecode(const uint8_t* image, Prefs* p) {
  uint8_t* base = reinterpret_cast<uint8_t*>(p);
  for (uint32_t i = 0; i < PREFS_FIELD_COUNT; ++i) {
    const PrefsField& f = PREFS_FIELDS[i];
    uint32_t step = PrefsElementBytes(f.kind, f.textBytes);
    for (uint32_t k = 0; k < f.count; ++k)
      decodeElement(f, image + f.offset + k * step, base + f.member + k * step);
  }
}

Err PrefsLoad(uint8_t* block, uint32_t maxSize, uint16_t version) {
  char name[FIL_NAME_BYTES];
  PrefsFileName(name, sizeof name);
  FileRef f = nullptr;
  if (!block || FIL_Open(&f, VOL_DOCUMENTS, PREFS_DIR, name, FIL_MODE_READ) != 0)
    return PREFS_ERR_NO_FILE;
  uint8_t header[PREFS_HEADER_BYTES];
  Err err = 0;
  if (FIL_Read(f, header, sizeof header) != sizeof header || memcmp(header, "PREF", 4) != 0) {
    err = PREFS_ERR_NO_FILE;
  } else if (get16LE(header + 4) != version) {
    err = PREFS_ERR_VERSION;
  } else {
    // A longer file is read only up to the block's saved size; a short one
    // is ignored as a whole rather than half applied.
    uint32_t want = get32LE(header + 8);
    if (want > maxSize) want = maxSize;
    uint8_t* data = want ? static_cast<uint8_t*>(MEM_Alloc(want, false)) : nullptr;
    if (want && !data) {
      err = ERR_MEM_FULL;
    } else if (FIL_Read(f, data, want) != want) {
      DBG_Print(FCC("repo"), "PrefsLoad: %s is shorter than its header says\n", name);
      err = ERR_READ;
    } else if (want) {
      memcpy(block, data, want);
    }
    MEM_Free(data);
  }
  FIL_Close(&f);
  return err;
}

Err PrefsSave(const uint8_t* block, uint32_t size, uint16_t version) {
  if (!block) return ERR_FILE_PARAM;
  char name[FIL_NAME_BYTES], temp[FIL_NAME_BYTES];
  PrefsFileName(name, sizeof name);
  tempFileName(temp, sizeof temp);
  uint8_t header[PREFS_HEADER_BYTES];
  memcpy(header, "PREF", 4);
  put16LE(header + 4, version);
  put16LE(header + 6, 0);
  put32LE(header + 8, size);
  // The old file stays until the new one is complete: write the new one
  // under the temporary name, then move it over the old one.
  (void)FIL_Delete(VOL_DOCUMENTS, PREFS_DIR, temp);
  Err err = writeFile(temp, header, block, size);
  if (err == 0) err = FIL_Rename(VOL_DOCUMENTS, PREFS_DIR, temp, PREFS_DIR, name);
  if (err != 0) {
    DBG_Print(FCC("repo"), "PrefsSave: %s not written (%hd)\n", name, int(err));
    (void)FIL_Delete(VOL_DOCUMENTS, PREFS_DIR, temp);
  }
  return err;
}

void PrefsStart(Prefs* p) {
  // 1.-3. defaults, fonts of this platform, texts from the string resources.
  PrefsSetDefaults(p);
  // The desktop can offer any installed font, so a custom font stays.
  PrefsLoadResourceDefaults(p, true);
  // 4. the saved block over the defaults; any failure keeps the defaults.
  uint8_t* image = static_cast<uint8_t*>(MEM_Alloc(PREFS_BLOCK_BYTES, true));
  if (image) {
    PrefsEncode(p, image);
    if (PrefsLoad(image, PREFS_SAVED_BYTES, PREFS_VERSION) == 0) {
      Prefs runtime = *p;  // the run-time part is never read from the file
      PrefsDecode(image, p);
      memcpy(reinterpret_cast<uint8_t*>(p) + offsetof(Prefs, dialPadLength),
             reinterpret_cast<const uint8_t*>(&runtime) + offsetof(Prefs, dialPadLength),
             sizeof(Prefs) - offsetof(Prefs, dialPadLength));
    }
    MEM_Free(image);
  }
  // 6. range checks, then 5., 7. and 8.
  PrefsCheck(p);
  PrefsLoadAfterRead(p);
}

Err PrefsStop(const Prefs* p) {
  uint8_t* image = static_cast<uint8_t*>(MEM_Alloc(PREFS_BLOCK_BYTES, true));
  if (!image) return ERR_MEM_FULL;
  PrefsEncode(p, image);
  Err err = PrefsSave(image, PREFS_SAVED_BYTES, PREFS_VERSION);
  MEM_Free(image);
  return err;
}
