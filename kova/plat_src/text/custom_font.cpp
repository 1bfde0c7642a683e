// Custom fonts: a TrueType or OpenType file the user picked is checked,
// copied into the data folder as "Custom_Font_%08lx.ttf" (the id is the
// FNV-1a hash of its bytes, so the same file keeps its name) and served as
// font code 1000 + slot once loaded. Owns the slot table (reset at stop).
// Invariants: (1) a slot is used only while its face holds an opened font;
// (2) the copy in the data folder is written whole or not kept.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "kova_debug.h"
#include "kova_file.h"
#include "text_internal.h"

namespace {

constexpr uint32_t MAX_FONT_BYTES = 32u * 1024 * 1024;

struct CustomSlot {
  bool used;
  uint32_t id;
  char path[FIL_PATH_BYTES];
};

CustomSlot g_slots[TXT_CUSTOM_MAX];

void fileName(uint32_t id, char* out, size_t size) {
  snprintf(out, size, "Custom_Font_%08lx.ttf", static_cast<unsigned long>(id));
}

uint32_t hashBytes(const uint8_t* p, uint32_t n) {
  uint32_t h = 2166136261u;
  for (uint32_t i = 0; i < n; i++) h = (h ^ p[i]) * 16777619u;
  return h;
}

// Reads a whole file into a malloc block (fonts may exceed the allocator's
// block limit). Returns 0, ERR_FILE_PARAM (empty or too big), or the file
// layer's error.
Err readWhole(int16_t volume, const char* dir, const char* name, uint8_t** out, uint32_t* size) {
  FileRef f = nullptr;
  Err err = FIL_Open(&f, volume, dir, name, FIL_MODE_READ);
  if (err != 0) return err;
  int32_t n = FIL_Size(f);
  if (n <= 0 || uint32_t(n) > MAX_FONT_BYTES) {
    FIL_Close(&f);
    return n < 0 ? ERR_READ : ERR_FILE_PARAM;
  }
  auto* bytes = static_cast<uint8_t*>(malloc(size_t(n)));
  if (!bytes) {
    FIL_Close(&f);
    return ERR_MEM_FULL;
  }
  uint32_t got = FIL_Read(f, bytes, uint32_t(n));
  FIL_Close(&f);
  if (got != uint32_t(n)) {
    free(bytes);
    return ERR_READ;
  }
  *out = bytes;
  *size = uint32_t(n);
  return 0;
}

Err writeCopy(const char* name, const uint8_t* bytes, uint32_t size) {
  FileRef f = nullptr;
  Err err = FIL_Open(&f, VOL_DOCUMENTS, "!", name, FIL_MODE_WRITE);
  if (err != 0) return err;
  uint32_t written = FIL_Write(f, bytes, size);
  err = written == size ? FIL_Truncate(f, size) : ERR_WRITE;
  if (err == 0) err = FIL_Flush(f);
  FIL_Close(&f);
  if (err != 0) (void)FIL_Delete(VOL_DOCUMENTS, "!", name);
  return err;
}

}  // namespace

const char* TxtCustomPath(int slot) {
  if (slot < 0 || slot >= TXT_CUSTOM_MAX || !g_slots[slot].used) return nullptr;
  return g_slots[slot].path;
}

void TxtCustomReset() { memset(g_slots, 0, sizeof g_slots); }

Err TXT_CustomFontAdd(int16_t volume, const char* dir, const char* name, uint32_t* id) {
  if (!name || !*name) return ERR_FILE_PARAM;
  uint8_t* bytes = nullptr;
  uint32_t size = 0;
  Err err = readWhole(volume, dir, name, &bytes, &size);
  if (err != 0) return err;
  if (!TxtFontBytesLoadable(bytes, size)) {
    DBG_Print(FCC("REPO"), "TXT_CustomFontAdd: %s is not a font\n", name);
    free(bytes);
    return ERR_FILE_PARAM;
  }
  uint32_t hash = hashBytes(bytes, size);
  char copy[FIL_NAME_BYTES];
  fileName(hash, copy, sizeof copy);
  // The same bytes give the same name: a copy of the right size is kept.
  bool present = false;
  FileRef f = nullptr;
  if (FIL_Open(&f, VOL_DOCUMENTS, "!", copy, FIL_MODE_READ) == 0) {
    present = FIL_Size(f) == int32_t(size);
    FIL_Close(&f);
  }
  if (!present) err = writeCopy(copy, bytes, size);
  free(bytes);
  if (err != 0) return err;
  if (id) *id = hash;
  return 0;
}

Err TXT_CustomFontCode(uint32_t id, uint16_t* font) {
  int freeSlot = -1;
  for (int i = 0; i < TXT_CUSTOM_MAX; i++) {
    if (g_slots[i].used && g_slots[i].id == id) {
      if (font) *font = uint16_t(FONT_CUSTOM_FIRST + i);
      return 0;
    }
    if (!g_slots[i].used && freeSlot < 0) freeSlot = i;
  }
  if (!g_txt.faces) return ERR_FILE;  // the text module is not started
  if (freeSlot < 0) return ERR_MEM_FULL;
  char name[FIL_NAME_BYTES];
  fileName(id, name, sizeof name);
  CustomSlot& slot = g_slots[freeSlot];
  if (FIL_BuildPath(VOL_DOCUMENTS, slot.path, "!", name, false) != 0 ||
      !FIL_Exists(VOL_DOCUMENTS, "!", name))
    return ERR_FILE;
  TxtFaceState* face = &g_txt.faces[TXT_FACE_CUSTOM_FIRST + freeSlot];
  if (!TxtOpenCustomFace(face, slot.path)) return ERR_FILE;
  slot.used = true;
  slot.id = id;
  if (font) *font = uint16_t(FONT_CUSTOM_FIRST + freeSlot);
  return 0;
}
