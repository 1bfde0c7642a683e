// The form cache: the density and size a layout search found, per form,
// resource checksum and screen size, in "Cached_Forms_Data_BrnL_<text size
// setting>.dat" in the data folder. Invariants: (1) the file is a plain
// array of 22-byte little-endian records (id, checksum, type: 32-bit;
// screen width, screen height, density, width, height: 16-bit), one per
// form, type and screen size; (2) a store writes the whole new array to a
// side file and renames it over the old one, so a full disk or a failed
// write leaves the previous cache whole. A missing or short file is no hit.
#include <cstring>
#include <vector>

#include "gui_forms.h"
#include "kova_file.h"
#include "kova_fmt.h"

namespace {

constexpr uint32_t RECORD_BYTES = 22;
constexpr const char* DIR = "!";
constexpr uint32_t MAX_FILE_BYTES = RECORD_BYTES * 4096;  // far past any real count

void cacheName(char* out, int size, const char* suffix) {
  STR_Format(out, size, "Cached_Forms_Data_%t_%hd.%s", FCC("BrnL"),
             int(GuiGlobal()->textSizeSetting), suffix);
}

uint32_t get32(const uint8_t* p) {
  return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}
int16_t get16(const uint8_t* p) { return int16_t(uint16_t(p[0] | (p[1] << 8))); }
void put32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; i++) p[i] = uint8_t(v >> (8 * i));
}
void put16(uint8_t* p, int16_t v) {
  p[0] = uint8_t(uint16_t(v));
  p[1] = uint8_t(uint16_t(v) >> 8);
}

GuiCacheRecord decode(const uint8_t* p) {
  return GuiCacheRecord{get32(p),      get32(p + 4),  get32(p + 8),  get16(p + 12),
                        get16(p + 14), get16(p + 16), get16(p + 18), get16(p + 20)};
}

void encode(const GuiCacheRecord& r, uint8_t* p) {
  put32(p, r.id);
  put32(p + 4, r.checksum);
  put32(p + 8, r.type);
  put16(p + 12, r.screenWidth);
  put16(p + 14, r.screenHeight);
  put16(p + 16, r.density);
  put16(p + 18, r.width);
  put16(p + 20, r.height);
}

// Every whole record of the cache file (none when it is missing).
std::vector<GuiCacheRecord> readAll() {
  std::vector<GuiCacheRecord> records;
  char name[64];
  cacheName(name, sizeof name, "dat");
  FileRef f = nullptr;
  if (FIL_Open(&f, VOL_DOCUMENTS, DIR, name, FIL_MODE_READ) != 0) return records;
  int32_t size = FIL_Size(f);
  if (size > 0 && uint32_t(size) <= MAX_FILE_BYTES) {
    std::vector<uint8_t> bytes(static_cast<size_t>(size));
    uint32_t got = FIL_Read(f, bytes.data(), uint32_t(size));
    for (uint32_t at = 0; at + RECORD_BYTES <= got; at += RECORD_BYTES)
      records.push_back(decode(bytes.data() + at));
  }
  FIL_Close(&f);
  return records;
}

GuiCacheRecord recordOf(const GuiForm* form) {
  return GuiCacheRecord{form->resourceId,   form->checksum, form->type,   form->screenWidth,
                        form->screenHeight, form->density,  form->rect.w, form->rect.h};
}

bool sameSlot(const GuiCacheRecord& a, const GuiCacheRecord& b) {
  return a.id == b.id && a.type == b.type && a.screenWidth == b.screenWidth &&
         a.screenHeight == b.screenHeight;
}

}  // namespace

bool GuiCacheLookup(const GuiForm* form, GuiCacheRecord* out) {
  GuiCacheRecord want = recordOf(form);
  for (const GuiCacheRecord& r : readAll()) {
    if (!sameSlot(r, want) || r.checksum != want.checksum) continue;
    if (r.width < 11 || r.height < 11) continue;
    if (out) *out = r;
    return true;
  }
  return false;
}

Err GuiCacheStore(const GuiForm* form) {
  GuiCacheRecord mine = recordOf(form);
  std::vector<GuiCacheRecord> records = readAll();
  bool replaced = false;
  for (GuiCacheRecord& r : records) {
    if (sameSlot(r, mine)) {
      r = mine;
      replaced = true;
    }
  }
  if (!replaced) records.push_back(mine);
  std::vector<uint8_t> bytes(records.size() * RECORD_BYTES);
  for (size_t i = 0; i < records.size(); i++) encode(records[i], bytes.data() + i * RECORD_BYTES);
  char name[64], side[64];
  cacheName(name, sizeof name, "dat");
  cacheName(side, sizeof side, "new");
  FileRef f = nullptr;
  Err err = FIL_Open(&f, VOL_DOCUMENTS, DIR, side, FIL_MODE_WRITE);
  if (err != 0) return err;
  uint32_t count = uint32_t(bytes.size());
  if (FIL_Write(f, bytes.data(), count) != count || FIL_Truncate(f, count) != 0 ||
      FIL_Flush(f) != 0)
    err = ERR_WRITE;
  FIL_Close(&f);
  if (err == 0) err = FIL_Rename(VOL_DOCUMENTS, DIR, side, DIR, name);
  if (err != 0) (void)FIL_Delete(VOL_DOCUMENTS, DIR, side);
  return err;
}
