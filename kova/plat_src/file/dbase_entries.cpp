// Record databases, list level: the record count and the ten-entry window
// (both cached in the file's node, shared by every handle of the file),
// record sizes and offsets, record and resource entry fields, and block
// updates of data offsets.
//
// Invariants: (1) a cached count or window always matches the file: every
// write into the header or list clears them (through the node's guard or
// DBI_Forget); (2) the window never holds entries past the count.
#include <cstring>

#include "dbase_internal.h"

namespace {

constexpr uint32_t WINDOW_ENTRIES = 10;
constexpr uint32_t BLOCK_BYTES = 4000;  // entries read and written at once
constexpr uint32_t RECORD_ATTR_AT = 4;  // attribute byte in a record entry

bool usable(FileRef f) { return FIL_NodeSize(f) >= 0; }

// Copies entry i (below the count) out of the window, loading ten entries
// from i on a miss. The window is a hit only when it also holds entry
// i + 1, whose offset gives record i's size.
bool readEntry(FileRef f, uint32_t i, uint32_t count, uint8_t* out) {
  FileNode* node = f->node;
  const uint32_t e = DBI_EntrySize(f);
  const int64_t first = node->winFirst;
  const bool hit = first >= 0 && first <= int64_t(i) && int64_t(i) + 1 < first + WINDOW_ENTRIES;
  if (!hit) {
    uint32_t n = count - i < WINDOW_ENTRIES ? count - i : WINDOW_ENTRIES;
    node->winFirst = -1;
    if (FIL_ReadAt(f, DBI_EntryPos(f, i), node->win, n * e) != n * e) return false;
    node->winFirst = int32_t(i);
  }
  memcpy(out, node->win + (i - uint32_t(node->winFirst)) * e, e);
  return true;
}

// Entry i of a sound file, for the record and resource field operations.
// ERR_FILE_PARAM past the count.
Err entryAt(FileRef f, uint32_t i, uint8_t* out) {
  Err err = DBI_Ready(f);
  if (err != 0) return err;
  if (i >= DBI_Count(f)) return ERR_FILE_PARAM;
  return readEntry(f, i, DBI_Count(f), out) ? Err(0) : ERR_READ;
}

Err writeBytes(FileRef f, uint32_t pos, const uint8_t* bytes, uint32_t n) {
  bool full = false;
  Err err = FIL_WriteAt(f, pos, bytes, n, &full) == n ? Err(0) : DBI_WriteError(full);
  DBI_Forget(f);
  return err;
}

// Adds delta to the offsets of n entries, one entry at a time.
Err adjustEach(FileRef f, uint32_t first, uint32_t n, uint32_t delta) {
  const uint32_t at = DBI_OffsetField(f);
  for (uint32_t k = 0; k < n; k++) {
    uint8_t b[4];
    uint32_t pos = DBI_EntryPos(f, first + k) + at;
    if (FIL_ReadAt(f, pos, b, 4) != 4) return ERR_READ;
    Put32BE(b, Get32BE(b) + delta);
    Err err = writeBytes(f, pos, b, 4);
    if (err != 0) return err;
  }
  return 0;
}

}  // namespace

uint32_t DBI_EntrySize(FileRef f) {
  return DB_Format(f) == DB_FORMAT_RESOURCES ? PDB_RESOURCE_ENTRY_SIZE : PDB_RECORD_ENTRY_SIZE;
}

uint32_t DBI_OffsetField(FileRef f) { return DB_Format(f) == DB_FORMAT_RESOURCES ? 6 : 0; }

bool DBI_FileSize(FileRef f, uint32_t* size) {
  int64_t s = FIL_NodeSize(f);
  if (s < 0 || s > int64_t(PDB_MAX_FILE)) return false;
  *size = uint32_t(s);
  return true;
}

void DBI_Forget(FileRef f) {
  if (usable(f)) FIL_NodeForgetDb(f->node);
}

uint16_t DBI_Count(FileRef f) {
  if (!usable(f)) return 0;
  FileNode* node = f->node;
  if (node->dbCount >= 0) return uint16_t(node->dbCount);
  uint8_t b[2];
  if (FIL_ReadAt(f, PDB_OFF_COUNT, b, 2) != 2) return 0;
  node->dbCount = Get16BE(b);
  // Raw writes into the header or the list now clear the caches.
  node->guardEnd = DBI_EntryPos(f, uint32_t(node->dbCount));
  return uint16_t(node->dbCount);
}

Err DBI_SetCount(FileRef f, uint16_t count) {
  uint8_t b[2];
  Put16BE(b, count);
  Err err = writeBytes(f, PDB_OFF_COUNT, b, 2);
  if (err != 0) return err;
  f->node->dbCount = count;
  f->node->guardEnd = DBI_EntryPos(f, count);
  return 0;
}

bool DBI_Offset(FileRef f, uint32_t i, uint32_t* offset) {
  uint32_t count = DBI_Count(f);
  if (i >= count) return DBI_FileSize(f, offset);
  uint8_t entry[PDB_RESOURCE_ENTRY_SIZE];
  if (!readEntry(f, i, count, entry)) return false;
  *offset = Get32BE(entry + DBI_OffsetField(f));
  return true;
}

bool DBI_Span(FileRef f, uint32_t i, uint32_t* offset, uint32_t* size) {
  uint32_t from, to;
  if (!DBI_Offset(f, i, &from) || !DBI_Offset(f, i + 1, &to) || to < from) return false;
  *offset = from;
  *size = to - from;
  return true;
}

Err DBI_ReadEntries(FileRef f, uint32_t first, uint32_t n, uint8_t* buffer) {
  uint32_t bytes = n * DBI_EntrySize(f);
  if (bytes == 0) return 0;
  return FIL_ReadAt(f, DBI_EntryPos(f, first), buffer, bytes) == bytes ? Err(0) : ERR_READ;
}

Err DBI_WriteEntries(FileRef f, uint32_t first, uint32_t n, const uint8_t* buffer) {
  uint32_t bytes = n * DBI_EntrySize(f);
  if (bytes == 0) return 0;
  return writeBytes(f, DBI_EntryPos(f, first), buffer, bytes);
}

Err DBI_AdjustOffsets(FileRef f, uint32_t first, uint32_t n, uint32_t delta) {
  if (n == 0 || delta == 0) return 0;
  if (n <= 3) return adjustEach(f, first, n, delta);
  const uint32_t e = DBI_EntrySize(f), at = DBI_OffsetField(f);
  uint8_t block[BLOCK_BYTES];
  for (uint32_t done = 0; done < n;) {
    uint32_t k = n - done < BLOCK_BYTES / e ? n - done : BLOCK_BYTES / e;
    Err err = DBI_ReadEntries(f, first + done, k, block);
    if (err != 0) return err;
    for (uint32_t j = 0; j < k; j++)
      Put32BE(block + j * e + at, Get32BE(block + j * e + at) + delta);
    err = DBI_WriteEntries(f, first + done, k, block);
    if (err != 0) return err;
    done += k;
  }
  return 0;
}

uint16_t DB_NumRecords(FileRef f) { return DBI_Ready(f) == 0 ? DBI_Count(f) : 0; }

uint32_t DB_RecordSize(FileRef f, uint16_t index) {
  uint32_t offset, size;
  if (DBI_Ready(f) != 0 || index >= DBI_Count(f) || !DBI_Span(f, index, &offset, &size)) return 0;
  return size;
}

uint32_t DB_RecordOffset(FileRef f, uint16_t index) {
  uint32_t offset;
  if (DBI_Ready(f) != 0 || !DBI_Offset(f, index, &offset)) return 0;
  return offset;
}

Err DB_RecordInfo(FileRef f, uint16_t index, uint8_t* attributes, uint8_t* category) {
  if (attributes) *attributes = 0;
  if (category) *category = 0;
  uint8_t entry[PDB_RESOURCE_ENTRY_SIZE];
  Err err = entryAt(f, index, entry);
  if (err != 0 || DB_Format(f) != DB_FORMAT_RECORDS) return err;
  if (attributes) *attributes = DB_RecAttrsFromDisk(entry[RECORD_ATTR_AT]);
  if (category) *category = entry[RECORD_ATTR_AT] & 0x0F;
  return 0;
}

Err DB_SetRecordInfo(FileRef f, uint16_t index, const uint8_t* attributes,
                     const uint8_t* category) {
  uint8_t entry[PDB_RESOURCE_ENTRY_SIZE];
  Err err = entryAt(f, index, entry);
  if (err != 0) return err;
  // A resource entry has no attribute byte: writing one would break its id.
  if (DB_Format(f) != DB_FORMAT_RECORDS) return ERR_FILE_PARAM;
  uint8_t disk = entry[RECORD_ATTR_AT];
  if (attributes) disk = DB_RecAttrsToDisk(*attributes, disk);
  if (category) disk = uint8_t((disk & 0xF0) | (*category & 0x0F));
  if (disk == entry[RECORD_ATTR_AT]) return 0;
  return writeBytes(f, DBI_EntryPos(f, index) + RECORD_ATTR_AT, &disk, 1);
}

Err DB_RecordUniqueId(FileRef f, uint16_t index, uint32_t* uniqueId) {
  if (uniqueId) *uniqueId = 0;
  uint8_t entry[PDB_RESOURCE_ENTRY_SIZE];
  Err err = entryAt(f, index, entry);
  if (err != 0 || DB_Format(f) != DB_FORMAT_RECORDS) return err;
  if (uniqueId) *uniqueId = Get24BE(entry + RECORD_ATTR_AT + 1);
  return 0;
}

Err DB_ResourceInfo(FileRef f, uint16_t index, FourCC* type, uint16_t* id) {
  if (type) *type = 0;
  if (id) *id = 0;
  if (!usable(f)) return ERR_FILE_PARAM;
  if (DB_Format(f) == DB_FORMAT_RECORDS) {
    if (type) *type = FCC("?REC");
    return 0;
  }
  uint8_t entry[PDB_RESOURCE_ENTRY_SIZE];
  Err err = entryAt(f, index, entry);
  if (err != 0) return err;
  if (type) *type = Get32BE(entry);
  if (id) *id = Get16BE(entry + 4);
  return 0;
}

Err DB_SetResourceInfo(FileRef f, uint16_t index, FourCC type, uint16_t id) {
  if (!usable(f)) return ERR_FILE_PARAM;
  if (DB_Format(f) == DB_FORMAT_RECORDS) return 0;  // record databases: nothing to set
  uint8_t entry[PDB_RESOURCE_ENTRY_SIZE];
  Err err = entryAt(f, index, entry);
  if (err != 0) return err;
  Put32BE(entry, type);
  Put16BE(entry + 4, id);
  return writeBytes(f, DBI_EntryPos(f, index), entry, 6);
}
