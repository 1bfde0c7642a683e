// Record databases, header level: attribute conversions, file kind,
// database format, reading and writing the 78-byte header, and the fresh
// header of a new database. Owns no state beyond the handle's format.
//
// Invariants: (1) the header's info offsets, modification number, seed and
// next-list field are never rewritten here (the structural changes keep the
// info offsets in step); (2) a stored name always ends in a zero byte within
// its 32 bytes; (3) the resource bit and bits 0xF000 of the stored
// attributes are kept as found.
#include <strings.h>

#include <cstring>

#include "dbase_internal.h"
#include "kova_debug.h"

namespace {

struct AttrPair {
  uint32_t internal;
  uint16_t disk;
};

constexpr AttrPair kDbAttrs[] = {
    {DB_ATTR_READ_ONLY, 0x0002},
    {DB_ATTR_BACKUP, 0x0008},
    {DB_ATTR_RESET_AFTER_INSTALL, 0x0020},
    {DB_ATTR_COPY_PREVENTION, 0x0040},
    {DB_ATTR_RESOURCE, 0x0001},
    {DB_ATTR_HIDDEN, 0x0100},
    {DB_ATTR_STREAM, 0x0080},
    {DB_ATTR_RECYCLABLE, 0x0400},
    {DB_ATTR_BUNDLE, 0x0800},
    {DB_ATTR_LAUNCHABLE_DATA, 0x0200},
    {DB_ATTR_OK_TO_INSTALL_NEWER, 0x0010},
    {DB_ATTR_APPINFO_DIRTY, 0x0004},
};

constexpr uint16_t DISK_KEPT_BITS = 0xF000 | PDB_DISK_RESOURCE;

constexpr uint8_t REC_DISK_DELETED = 0x80;
constexpr uint8_t REC_DISK_DIRTY = 0x40;
constexpr uint8_t REC_DISK_BUSY = 0x20;
constexpr uint8_t REC_DISK_SECRET = 0x10;
constexpr uint8_t REC_DISK_CATEGORY = 0x0F;

constexpr FourCC FRESH_TYPE = FCC("Data");
constexpr FourCC FRESH_CREATOR = FCC("BrnL");
constexpr uint16_t FRESH_DISK_ATTRS = 0x0008;  // backup

bool isLetter(char c, char a, char b) { return c == a || c == b; }

// Names such as "X.PDB", "x.prc", "y.pdc", "z.prb" mark handheld files
// whatever their header holds.
bool nameMarksDatabase(const char* name) {
  size_t n = strlen(name);
  if (n <= 4) return false;
  const char* t = name + n - 4;
  return t[0] == '.' && isLetter(t[1], 'p', 'P') &&
         (isLetter(t[2], 'r', 'R') || isLetter(t[2], 'd', 'D')) &&
         (isLetter(t[3], 'c', 'C') || isLetter(t[3], 'b', 'B'));
}

// Writes `n` bytes at `pos`; 0 or the write error.
Err writeAt(FileRef f, uint32_t pos, const void* bytes, uint32_t n) {
  bool full = false;
  return FIL_WriteAt(f, pos, bytes, n, &full) == n ? Err(0) : DBI_WriteError(full);
}

Err write32(FileRef f, uint32_t pos, uint32_t value) {
  uint8_t b[4];
  Put32BE(b, value);
  return writeAt(f, pos, b, 4);
}

// The stored name of a new database: the file name without ".pdb", at most
// 31 characters.
void freshName(const char* fileName, uint8_t* out) {
  size_t n = strnlen(fileName, 255);
  if (n > 4 && strncasecmp(fileName + n - 4, ".pdb", 4) == 0) n -= 4;
  if (n > 31) n = 31;
  memcpy(out, fileName, n);
}

void zeroInfo(FourCC* kind, char* name, uint32_t* attributes, uint16_t* version, PalmTime* modified,
              PalmTime* created, PalmTime* backedUp, FourCC* type, FourCC* creator) {
  if (kind) *kind = 0;
  if (name) memset(name, 0, 32);
  if (attributes) *attributes = 0;
  if (version) *version = 0;
  if (modified) *modified = 0;
  if (created) *created = 0;
  if (backedUp) *backedUp = 0;
  if (type) *type = 0;
  if (creator) *creator = 0;
}

}  // namespace

uint32_t DB_AttrsFromDisk(uint16_t disk) {
  uint32_t internal = 0;
  for (const AttrPair& p : kDbAttrs)
    if (disk & p.disk) internal |= p.internal;
  return internal;
}

uint16_t DB_AttrsToDisk(uint32_t internal, uint16_t storedDisk) {
  uint16_t disk = storedDisk & DISK_KEPT_BITS;
  for (const AttrPair& p : kDbAttrs)
    if (p.internal != DB_ATTR_RESOURCE && (internal & p.internal)) disk |= p.disk;
  return disk;
}

uint8_t DB_RecAttrsFromDisk(uint8_t disk) {
  uint8_t internal = 0;
  if (disk & REC_DISK_DELETED) internal |= REC_ATTR_DELETED;
  if (disk & REC_DISK_SECRET) internal |= REC_ATTR_SECRET;
  if (disk & REC_DISK_DIRTY) internal |= REC_ATTR_DIRTY;
  return internal;
}

uint8_t DB_RecAttrsToDisk(uint8_t internal, uint8_t storedDisk) {
  uint8_t disk = storedDisk & (REC_DISK_BUSY | REC_DISK_CATEGORY);
  if (internal & REC_ATTR_DELETED) disk |= REC_DISK_DELETED;
  if (internal & REC_ATTR_SECRET) disk |= REC_DISK_SECRET;
  if (internal & REC_ATTR_DIRTY) disk |= REC_DISK_DIRTY;
  return disk;
}

FourCC DB_FileKind(FileRef f) {
  uint8_t b[16];
  // 1. RIFF files (sounds).
  if (FIL_ReadAt(f, 0, b, 4) == 4 && memcmp(b, "RIFF", 4) == 0) return FCC("Riff");
  // 2. Too short for a header and its gap.
  if (FIL_NodeSize(f) < int64_t(PDB_FRESH_HEADER_SIZE)) return 0;
  // 3. The name says so.
  if (FIL_ReadAt(f, PDB_OFF_TYPE, b, 16) != 16) return 0;
  if (nameMarksDatabase(FIL_Name(f))) return FCC("Palm");
  // 4. Type and creator all non-zero, and no next record list.
  for (int i = 0; i < 8; i++)
    if (b[i] == 0) return 0;
  return b[PDB_OFF_NEXT_LIST - PDB_OFF_TYPE] == 0 ? FCC("Palm") : 0;
}

uint8_t DB_Format(FileRef f) {
  if (FIL_NodeSize(f) < 0) return DB_FORMAT_RECORDS;
  if (f->format != DB_FORMAT_UNKNOWN) return f->format;
  // Not kept until the file is a database: an empty file may still receive
  // a header.
  if (DB_FileKind(f) != FCC("Palm")) return DB_FORMAT_RECORDS;
  uint8_t b[2];
  if (FIL_ReadAt(f, PDB_OFF_ATTRIBUTES, b, 2) != 2) return DB_FORMAT_RECORDS;
  f->format = (Get16BE(b) & PDB_DISK_RESOURCE) ? DB_FORMAT_RESOURCES : DB_FORMAT_RECORDS;
  return f->format;
}

Err DBI_WriteFreshHeader(FileRef f) {
  uint8_t h[PDB_FRESH_HEADER_SIZE] = {0};
  freshName(FIL_Name(f), h);
  Put16BE(h + PDB_OFF_ATTRIBUTES, FRESH_DISK_ATTRS);
  Put32BE(h + PDB_OFF_CREATED, PDB_FRESH_DATE);
  Put32BE(h + PDB_OFF_MODIFIED, PDB_FRESH_DATE);
  Put32BE(h + PDB_OFF_BACKED_UP, PDB_FRESH_DATE);
  Put32BE(h + PDB_OFF_MOD_NUMBER, 1);
  Put32BE(h + PDB_OFF_TYPE, FRESH_TYPE);
  Put32BE(h + PDB_OFF_CREATOR, FRESH_CREATOR);
  Err err = writeAt(f, 0, h, sizeof h);
  DBI_Forget(f);
  if (err != 0) {
    (void)FIL_TruncateAt(f, 0);
    DBG_Print(FCC("repo"), "DB: cannot write a header into %s\n", FIL_Name(f));
  }
  return err;
}

Err DB_GetInfo(FileRef f, FourCC* kind, char* name, uint32_t* attributes, uint16_t* version,
               PalmTime* modified, PalmTime* created, PalmTime* backedUp, FourCC* type,
               FourCC* creator) {
  zeroInfo(kind, name, attributes, version, modified, created, backedUp, type, creator);
  FourCC k = DB_FileKind(f);
  if (kind) *kind = k;
  uint8_t h[PDB_HEADER_SIZE];
  if (k == FCC("Riff")) {
    if (creator) *creator = FCC("Riff");
    if (type && FIL_ReadAt(f, 8, h, 4) == 4) *type = Get32BE(h);
    return 0;
  }
  if (k != FCC("Palm") || FIL_ReadAt(f, 0, h, PDB_HEADER_SIZE) != PDB_HEADER_SIZE) return 0;
  // The name ends at its first zero byte; whatever follows it stays out.
  if (name) memcpy(name, h, strnlen(reinterpret_cast<const char*>(h), 31));
  if (attributes) *attributes = DB_AttrsFromDisk(Get16BE(h + PDB_OFF_ATTRIBUTES));
  if (version) *version = Get16BE(h + PDB_OFF_VERSION);
  if (created) *created = Get32BE(h + PDB_OFF_CREATED);
  if (modified) *modified = Get32BE(h + PDB_OFF_MODIFIED);
  if (backedUp) *backedUp = Get32BE(h + PDB_OFF_BACKED_UP);
  if (type) *type = Get32BE(h + PDB_OFF_TYPE);
  if (creator) *creator = Get32BE(h + PDB_OFF_CREATOR);
  return 0;
}

Err DB_SetInfo(FileRef f, const FourCC*, const char* name, const uint32_t* attributes,
               const uint16_t* version, const PalmTime* modified, const PalmTime* created,
               const PalmTime* backedUp, const FourCC* type, const FourCC* creator) {
  int64_t size = FIL_NodeSize(f);
  if (size < 0) return f ? ERR_READ : ERR_FILE_PARAM;
  // 1. A new file becomes a database.
  if (size == 0) {
    Err err = DBI_WriteFreshHeader(f);
    if (err != 0) return err;
  }
  // 2. Only handheld files have a header to set.
  if (DB_FileKind(f) != FCC("Palm")) return ERR_NOT_DATABASE;
  // 3. Each given field at its place.
  Err err = 0;
  if (name) {
    uint8_t b[32] = {0};
    size_t n = strnlen(name, 31);
    memcpy(b, name, n);
    err = writeAt(f, 0, b, uint32_t(n + 1));
  }
  if (err == 0 && attributes) {
    uint8_t b[2];
    if (FIL_ReadAt(f, PDB_OFF_ATTRIBUTES, b, 2) != 2) return ERR_READ;
    Put16BE(b, DB_AttrsToDisk(*attributes, Get16BE(b)));
    err = writeAt(f, PDB_OFF_ATTRIBUTES, b, 2);
  }
  if (err == 0 && version) {
    uint8_t b[2];
    Put16BE(b, *version);
    err = writeAt(f, PDB_OFF_VERSION, b, 2);
  }
  if (err == 0 && created) err = write32(f, PDB_OFF_CREATED, *created);
  if (err == 0 && modified) err = write32(f, PDB_OFF_MODIFIED, *modified);
  if (err == 0 && backedUp) err = write32(f, PDB_OFF_BACKED_UP, *backedUp);
  if (err == 0 && type) err = write32(f, PDB_OFF_TYPE, *type);
  if (err == 0 && creator) err = write32(f, PDB_OFF_CREATOR, *creator);
  if (err != 0) DBG_Print(FCC("repo"), "DB_SetInfo: write failed on %s\n", FIL_Name(f));
  return err;
}

Err DB_InfoOffsets(FileRef f, uint32_t* appInfo, uint32_t* sortInfo) {
  if (appInfo) *appInfo = 0;
  if (sortInfo) *sortInfo = 0;
  if (FIL_NodeSize(f) < 0) return ERR_FILE_PARAM;
  uint8_t b[8];
  if (FIL_ReadAt(f, PDB_OFF_APP_INFO, b, 8) != 8) return ERR_READ;
  if (appInfo) *appInfo = Get32BE(b);
  if (sortInfo) *sortInfo = Get32BE(b + 4);
  return 0;
}
