// Record databases, trust: the one structure check of a file before any
// record operation relies on its list. The verdict is kept in the file's
// node (shared by all its handles) until a raw write or truncation from
// outside the database layer may have changed the structure.
//
// Invariants of a sound file: (1) the record list ends at or before the
// first record's data; (2) data offsets never decrease and lie inside the
// file; (3) non-zero info offsets lie between the list's end and the first
// record's data (the end of the file when there are no records).
#include "dbase_internal.h"
#include "kova_debug.h"

namespace {

constexpr uint32_t CHECK_BLOCK = 4000;

enum Verdict { SOUND, DAMAGED, UNREADABLE };

// Walks the list in blocks: offsets from `listEnd` upwards, never past the
// file. Gives the first data offset in `firstData`.
Verdict checkOffsets(FileRef f, uint32_t count, uint32_t listEnd, uint32_t size,
                     uint32_t* firstData) {
  const uint32_t e = DBI_EntrySize(f), at = DBI_OffsetField(f);
  uint8_t block[CHECK_BLOCK];
  uint32_t previous = listEnd;
  *firstData = size;
  for (uint32_t done = 0; done < count;) {
    uint32_t n = count - done < CHECK_BLOCK / e ? count - done : CHECK_BLOCK / e;
    if (DBI_ReadEntries(f, done, n, block) != 0) return UNREADABLE;
    for (uint32_t k = 0; k < n; k++) {
      uint32_t offset = Get32BE(block + k * e + at);
      if (offset < previous || offset > size) return DAMAGED;
      if (done + k == 0) *firstData = offset;
      previous = offset;
    }
    done += n;
  }
  return SOUND;
}

Verdict checkStructure(FileRef f) {
  uint32_t size;
  if (!DBI_FileSize(f, &size)) return DAMAGED;
  if (DB_FileKind(f) != FCC("Palm")) return DAMAGED;
  uint8_t header[PDB_HEADER_SIZE];
  if (FIL_ReadAt(f, 0, header, PDB_HEADER_SIZE) != PDB_HEADER_SIZE) return UNREADABLE;
  const uint32_t count = Get16BE(header + PDB_OFF_COUNT);
  const uint64_t listEnd = PDB_HEADER_SIZE + uint64_t(DBI_EntrySize(f)) * count;
  if (listEnd > size) return DAMAGED;
  uint32_t firstData;
  Verdict v = checkOffsets(f, count, uint32_t(listEnd), size, &firstData);
  if (v != SOUND) return v;
  const uint32_t infos[] = {Get32BE(header + PDB_OFF_APP_INFO),
                            Get32BE(header + PDB_OFF_SORT_INFO)};
  for (uint32_t info : infos)
    if (info != 0 && (info < listEnd || info > firstData)) return DAMAGED;
  return SOUND;
}

}  // namespace

Err DB_Validate(FileRef f) {
  if (FIL_NodeSize(f) < 0) return ERR_FILE_PARAM;
  FileNode* node = f->node;
  if (node->checked != 0) return node->checked > 0 ? Err(0) : ERR_NOT_DATABASE;
  // An empty file is not damaged: it becomes a database with its first
  // header. Its verdict is not kept.
  if (FIL_NodeSize(f) == 0) return 0;
  Verdict v = checkStructure(f);
  if (v == UNREADABLE) return ERR_READ;  // not kept: the next call reads again
  node->checked = v == SOUND ? 1 : -1;
  if (v == SOUND) {
    (void)DBI_Count(f);  // sets the guard against raw writes into the list
    return 0;
  }
  // Any raw write may be a repair: it clears the verdict.
  node->guardEnd = UINT32_MAX;
  DBG_Print(FCC("repo"), "DB: %s is not a sound database\n", FIL_Name(f));
  return ERR_NOT_DATABASE;
}

Err DBI_Ready(FileRef f) { return DB_Validate(f); }
