// The file layer's shared state, seen by the file modules only (fileio,
// fileutil, volumes, dbase). Owns the open-file slots, the per-file shared
// nodes with their caches, and the volume table.
#pragma once

#include <cstdint>

#include "host_file.h"
#include "kova_file.h"

// One row of the volume table.
struct Volume {
  FourCC kind;     // "win", "rdsk" (in memory), "ram", "vfs", "sfs"
  uint32_t flags;  // VOL_FLAG_*
  char name[32];   // from "VOLUME.NAM" or the table
  char* bases[4];  // base folders for ":", "~", "!", "^" (owned, may be null)
  char currentDir[FIL_DIR_BYTES + 1];
  const HostFileOps* ops;  // null = the current disk table (HOST_FileOps())
};

inline constexpr int VOL_BASE_ROOT = 0;    // ":"
inline constexpr int VOL_BASE_HOME = 1;    // "~"
inline constexpr int VOL_BASE_DATA = 2;    // "!"
inline constexpr int VOL_BASE_APP = 3;     // "^"
inline constexpr int VOL_FIXED_COUNT = 3;  // volumes 0..2

// One read-ahead block of a file node.
struct ReadAheadBlock {
  uint8_t* bytes;  // FIL_READ_AHEAD_BYTES, allocated on first use (may be null)
  uint64_t offset;
  uint32_t length;  // 0 = empty
};

// Shared by every handle of one host file (same device and inode): its
// cached size and the record database caches, so that a change through one
// handle is seen by all.
struct FileNode {
  uint64_t device, inode;
  int refs;         // handles pointing here
  int writers;      // handles open for writing
  HostHandle lock;  // writers' lock, held while writers > 0
  bool locked;
  int64_t size;  // cached size, -1 unknown
  // Record database caches (dbase owns their meaning).
  int32_t dbCount;    // record count, -1 unknown
  int32_t winFirst;   // index of the first entry in win, -1 empty
  uint8_t win[100];   // ten record-list entries
  uint32_t guardEnd;  // writes below this offset clear the caches (0 = none cached)
  int8_t checked;     // structure check: 0 not yet, 1 sound, -1 damaged
  // Read-ahead blocks: small reads (record-list windows, records) are served
  // from blocks read whole, so walking a database costs few host reads. Two
  // blocks, because a walk alternates between the record list and the data.
  // Every write and truncate of this process keeps them coherent.
  ReadAheadBlock readAhead[2];
  uint8_t readAheadNext;  // the block to refill next (the older one)
};

inline constexpr uint32_t FIL_READ_AHEAD_BYTES = 65536;
inline constexpr uint32_t FIL_READ_AHEAD_MAX_READ = 4096;  // larger reads go to the host

// The open-file object.
struct FileObj {
  bool used;
  int16_t volume;
  const HostFileOps* ops;
  HostHandle host;
  int16_t mode;
  int64_t position;  // cached position
  char name[FIL_NAME_BYTES];
  uint8_t format;        // DB_FORMAT_*
  int32_t firstFetched;  // index of the first record fetched and not released, -1 none
  char path[FIL_PATH_BYTES];
  FileNode* node;
};

struct FileLayer {
  int useCount;
  FileObj slots[FIL_MAX_OPEN];
  FileNode nodes[FIL_MAX_OPEN];  // at most one node per open file
  Volume volumes[VOL_FIXED_COUNT];
  Volume ramDisk;  // volume -1
  char* exePath;   // owned
};

// The layer's state; null while stopped.
FileLayer* FIL_State();

// The volume row for a number (-1 .. count-1), or null when bad.
Volume* VOL_Get(int16_t volume);
// The host table a volume uses.
const HostFileOps* VOL_Ops(const Volume* v);

// Sets up and frees the volume table (called by FIL_LayerStart/Stop).
Err VOL_Setup(FileLayer* state);
void VOL_Teardown(FileLayer* state);

// Clears the record caches of a node (every handle of that file).
void FIL_NodeForgetDb(FileNode* node);
// Cached size of the handle's file (reads it when unknown); -1 on error.
int64_t FIL_NodeSize(FileRef f);

// Positional I/O used by the database layer. They keep the node's cached
// size, clear the record caches when a write touches bytes below guardEnd,
// and do not move the handle's position. Return bytes moved.
uint32_t FIL_ReadAt(FileRef f, uint64_t offset, void* buffer, uint32_t count);
uint32_t FIL_WriteAt(FileRef f, uint64_t offset, const void* buffer, uint32_t count, bool* full);
// Truncation for the database layer: like FIL_Truncate, but it keeps the
// node's structure check (FIL_Truncate and FIL_Write from outside the
// database layer reset it, as they may damage the structure).
Err FIL_TruncateAt(FileRef f, uint64_t newEnd);

// The configuration of the next (or current) start, with defaults filled:
// never-null strings, empty meaning "the default folder".
const FileLayerConfig* FIL_Config();

// The host's mount table ("/proc/self/mounts", or the file a test names with
// VOL_SetMountTable, which copies the path; null restores the default), read
// whole into an owned NUL-terminated buffer (free() it); null when it cannot
// be read.
void VOL_SetMountTable(const char* path);
char* VOL_ReadMountTable();
// The next mount point of a real file system in `table` from `*pos` (which
// it advances): kernel and memory file systems, repeated mount points and
// paths that do not fit `size` bytes are skipped. False at the end.
bool VOL_NextMount(const char* table, size_t* pos, char* path, int size);
