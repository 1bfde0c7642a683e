// The category block of the contact database: where it lies in the file
// (the application-info block, bounded by the sort-info block or the first
// record), reading and writing its 275 bytes in place, and the edits the
// category editor makes on a copy in memory. Owns no state.
#include "category.h"

#include <cstring>

namespace {

constexpr uint32_t NAMES_AT = 2;
constexpr uint32_t IDS_AT = NAMES_AT + CATEGORY_COUNT * CATEGORY_NAME_BYTES;
constexpr uint32_t LAST_ID_AT = IDS_AT + CATEGORY_COUNT;

// The offset of the block when the file holds all of it; 0 otherwise.
uint32_t blockOffset(FileRef f) {
  if (!f || DB_Validate(f) != 0) return 0;
  uint32_t appInfo = 0, sortInfo = 0;
  if (DB_InfoOffsets(f, &appInfo, &sortInfo) != 0 || appInfo == 0) return 0;
  // The block runs to the sort-info block or to the first record's data
  // (the file's end when there are no records).
  uint32_t end = sortInfo > appInfo ? sortInfo : DB_RecordOffset(f, 0);
  int32_t fileSize = FIL_Size(f);
  if (fileSize >= 0 && end > uint32_t(fileSize)) end = uint32_t(fileSize);
  if (end < appInfo || end - appInfo < CATEGORY_BLOCK_BYTES) return 0;
  return appInfo;
}

char lower(char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; }

bool sameName(const char* a, const char* b) {
  for (uint32_t i = 0; i < CATEGORY_NAME_BYTES; ++i) {
    if (lower(a[i]) != lower(b[i])) return false;
    if (a[i] == 0) return true;
  }
  return true;
}

// `name` cut to 15 characters into a 16-byte slot padded with zero bytes.
void putName(char slot[CATEGORY_NAME_BYTES], const char* name) {
  memset(slot, 0, CATEGORY_NAME_BYTES);
  strncpy(slot, name, CATEGORY_NAME_MAX);
}

bool idUsed(const CategoryBlock* block, uint8_t id) {
  for (int i = 0; i < CATEGORY_COUNT; ++i)
    if (CategoryUsed(block, i) && block->ids[i] == id) return true;
  return false;
}

// A name is acceptable when it is not empty and no other used slot has it.
bool nameFree(const CategoryBlock* block, const char* name, int except) {
  if (!name || name[0] == 0) return false;
  char cut[CATEGORY_NAME_BYTES];
  putName(cut, name);
  for (int i = 0; i < CATEGORY_COUNT; ++i) {
    if (i == except || !CategoryUsed(block, i)) continue;
    char shown[CATEGORY_NAME_BYTES];
    CategoryGetName(block, i, shown, sizeof shown);
    if (sameName(shown, cut)) return false;
  }
  return true;
}

}  // namespace

Err CategoryRead(FileRef f, CategoryBlock* out) {
  if (!out) return ERR_FILE_PARAM;
  *out = CategoryBlock{};
  uint32_t at = blockOffset(f);
  if (at == 0) return ERR_NOT_DATABASE;
  uint8_t bytes[CATEGORY_BLOCK_BYTES];
  if (FIL_Seek(f, int32_t(at), FIL_SEEK_SET) < 0 ||
      FIL_Read(f, bytes, CATEGORY_BLOCK_BYTES) != CATEGORY_BLOCK_BYTES)
    return ERR_READ;
  out->renamed = Get16BE(bytes);
  for (int i = 0; i < CATEGORY_COUNT; ++i) {
    memcpy(out->names[i], bytes + NAMES_AT + i * CATEGORY_NAME_BYTES, CATEGORY_NAME_BYTES);
    out->names[i][CATEGORY_NAME_MAX] = 0;  // a name that fills its slot is cut, never overrun
    out->ids[i] = bytes[IDS_AT + i];
  }
  out->lastId = bytes[LAST_ID_AT];
  return 0;
}

Err CategoryWrite(FileRef f, const CategoryBlock* block) {
  if (!block) return ERR_FILE_PARAM;
  uint32_t at = blockOffset(f);
  if (at == 0) return ERR_NOT_DATABASE;
  uint8_t bytes[CATEGORY_BLOCK_BYTES] = {};
  Put16BE(bytes, block->renamed);
  for (int i = 0; i < CATEGORY_COUNT; ++i) {
    char* slot = reinterpret_cast<char*>(bytes + NAMES_AT + i * CATEGORY_NAME_BYTES);
    putName(slot, block->names[i]);
    bytes[IDS_AT + i] = block->ids[i];
  }
  bytes[LAST_ID_AT] = block->lastId;
  if (FIL_Seek(f, int32_t(at), FIL_SEEK_SET) < 0 ||
      FIL_Write(f, bytes, CATEGORY_BLOCK_BYTES) != CATEGORY_BLOCK_BYTES)
    return ERR_WRITE;
  // The desktop's sync software learns from this bit that the categories
  // changed.
  uint32_t attributes = 0;
  Err err = DB_GetInfo(f, nullptr, nullptr, &attributes, nullptr, nullptr, nullptr, nullptr,
                       nullptr, nullptr);
  if (err == 0 && !(attributes & DB_ATTR_APPINFO_DIRTY)) {
    attributes |= DB_ATTR_APPINFO_DIRTY;
    err = DB_SetInfo(f, nullptr, nullptr, &attributes, nullptr, nullptr, nullptr, nullptr, nullptr,
                     nullptr);
  }
  Err flushed = FIL_Flush(f);
  return err != 0 ? err : flushed;
}

void CategoryGetName(const CategoryBlock* block, int index, char* out, uint32_t size) {
  if (!out || size == 0) return;
  out[0] = 0;
  if (!block || index < 0 || index >= CATEGORY_COUNT) return;
  const char* name = block->names[index];
  if (index == 0 && name[0] == 0) name = CATEGORY_UNFILED;
  size_t n = strnlen(name, CATEGORY_NAME_BYTES);
  if (n > size - 1) n = size - 1;
  memcpy(out, name, n);
  out[n] = 0;
}

bool CategoryUsed(const CategoryBlock* block, int index) {
  if (!block || index < 0 || index >= CATEGORY_COUNT) return false;
  return index == 0 || block->names[index][0] != 0;
}

int CategoryFind(const CategoryBlock* block, const char* name) {
  if (!block || !name || !name[0]) return -1;
  char cut[CATEGORY_NAME_BYTES];
  putName(cut, name);
  for (int i = 0; i < CATEGORY_COUNT; ++i) {
    if (!CategoryUsed(block, i)) continue;
    char shown[CATEGORY_NAME_BYTES];
    CategoryGetName(block, i, shown, sizeof shown);
    if (sameName(shown, cut)) return i;
  }
  return -1;
}

Err CategoryRename(CategoryBlock* block, int index, const char* name) {
  if (!block || index < 0 || index >= CATEGORY_COUNT) return CATEGORY_ERR_INDEX;
  if (index == 0 || !CategoryUsed(block, index)) return CATEGORY_ERR_FIXED;
  if (!nameFree(block, name, index)) return CATEGORY_ERR_NAME;
  putName(block->names[index], name);
  block->renamed = uint16_t(block->renamed | (1u << index));
  return 0;
}

int CategoryAdd(CategoryBlock* block, const char* name) {
  if (!block) return CATEGORY_ERR_INDEX;
  if (!nameFree(block, name, -1)) return CATEGORY_ERR_NAME;
  int slot = -1;
  for (int i = 1; i < CATEGORY_COUNT && slot < 0; ++i)
    if (!CategoryUsed(block, i)) slot = i;
  if (slot < 0) return CATEGORY_ERR_FULL;
  // The next id after the last one handed out that no slot uses; at most 15
  // slots are in use, so one of the 127 ids is always free.
  uint8_t id = block->lastId;
  do {
    id = id >= CATEGORY_ID_MAX ? 1 : uint8_t(id + 1);
  } while (idUsed(block, id));
  putName(block->names[slot], name);
  block->ids[slot] = id;
  block->lastId = id;
  block->renamed = uint16_t(block->renamed | (1u << slot));
  return slot;
}

Err CategoryDelete(CategoryBlock* block, int index) {
  if (!block || index < 0 || index >= CATEGORY_COUNT) return CATEGORY_ERR_INDEX;
  if (index == 0 || !CategoryUsed(block, index)) return CATEGORY_ERR_FIXED;
  memset(block->names[index], 0, CATEGORY_NAME_BYTES);
  block->ids[index] = 0;
  block->renamed = uint16_t(block->renamed | (1u << index));
  return 0;
}

int32_t CategoryMoveContacts(ContactDb* db, int from) {
  if (!db || from < 1 || from >= CATEGORY_COUNT) return CATEGORY_ERR_INDEX;
  uint16_t wanted = uint16_t(1u << (from - 1));
  int32_t moved = 0;
  uint16_t count = ContactDbCount(db);
  for (uint16_t i = 0; i < count; ++i) {
    uint16_t mask = 0;
    uint8_t attributes = 0;
    Err err = ContactGetAttributes(db, i, &mask, &attributes);
    if (err != 0) return err;
    if (mask != wanted) continue;
    err = ContactSetAttributes(db, i, 0, uint8_t(attributes | REC_ATTR_DIRTY));
    if (err != 0) return err;
    ++moved;
  }
  return moved;
}

bool CategoryLoad(CategoryBlock* out) {
  if (!out) return false;
  *out = CategoryBlock{};
  ContactDb* db = nullptr;
  if (ContactDbOpen(&db, false, true) != 0) return false;
  bool ok = CategoryRead(db->file, out) == 0;
  ContactDbClose(&db);
  return ok;
}

void CategoryNameOf(int16_t category, char* out, uint32_t size) {
  if (!out || size == 0) return;
  CategoryBlock block;
  (void)CategoryLoad(&block);  // a cleared block still names category 0
  CategoryGetName(&block, category, out, size);
}
