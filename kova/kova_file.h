// Files and volumes: the file layer's start and stop, the volume table, host
// path building, the open-file primitives, directory listing, file info and
// byte moves inside and between files.
//
// Invariants: (1) at most ten FileRefs are open at once; (2) a file open for
// writing is locked against writers in other processes, never against readers
// or other handles of this process; (3) every handle of one host file shares
// one cached size, so no handle measures a stale size.
#pragma once

#include <cstdarg>

#include "kova_errors.h"

inline constexpr int FIL_MAX_OPEN = 10;
inline constexpr int FIL_NAME_BYTES = 32;     // file name as given at open, kept per handle
inline constexpr int FIL_DIR_BYTES = 255;     // a volume's current directory
inline constexpr int FIL_PATH_BYTES = 1024;   // a full host path
inline constexpr int FIL_LIST_NAME_MAX = 79;  // longer names are skipped in listings

// Open modes.
inline constexpr int16_t FIL_MODE_READ = 0;
inline constexpr int16_t FIL_MODE_WRITE = 1;
inline constexpr int16_t FIL_MODE_READ_WRITE = 2;

// Seek origins.
inline constexpr int16_t FIL_SEEK_SET = 0;
inline constexpr int16_t FIL_SEEK_CUR = 1;
inline constexpr int16_t FIL_SEEK_END = 2;

// Volume numbers set up at start.
inline constexpr int16_t VOL_RAMDISK = -1;
inline constexpr int16_t VOL_DOCUMENTS = 0;
inline constexpr int16_t VOL_DESKTOP = 1;
inline constexpr int16_t VOL_COMPUTER = 2;

// Volume flags.
inline constexpr uint32_t VOL_FLAG_PDB_EXTENSION = 0x1;  // databases carry ".PDB"
inline constexpr uint32_t VOL_FLAG_REMOVABLE = 0x400000;

// File attributes in the platform's own small form.
inline constexpr uint32_t FIL_ATTR_DIRECTORY = 0x01;
inline constexpr uint32_t FIL_ATTR_READ_ONLY = 0x02;
inline constexpr uint32_t FIL_ATTR_HIDDEN = 0x20;
inline constexpr uint32_t FIL_ATTR_SYSTEM = 0x40;
inline constexpr uint32_t FIL_ATTR_ARCHIVE = 0x80;

// Host folders of the fixed volumes. Empty strings pick the defaults (the XDG
// documents and desktop folders, else $HOME/Documents and $HOME/Desktop).
// Tests point them at temporary folders before the file layer starts.
struct FileLayerConfig {
  const char* documentsDir;
  const char* desktopDir;
  const char* executablePath;  // names the data folder "!"; default /proc/self/exe
};

// Sets where the next FIL_LayerStart puts its volumes; null restores defaults.
// The strings are copied.
void FIL_Configure(const FileLayerConfig* config);

// Starts the file layer (use-counted): on first use creates the state, sets
// up the volume table, creates the data folder "!" and makes it volume 0's
// current directory. Returns 0 or ERR_MEM_FULL / ERR_FILE.
Err FIL_LayerStart();
// Counts down; at zero closes any open files and frees everything.
void FIL_LayerStop();
bool FIL_LayerStarted();

// Volume table. A bad volume number gives 0 (count/kind/flags) or
// ERR_FILE_PARAM.
int16_t VOL_Count();  // number of volumes from 0 up (the RAM disk -1 is extra)
FourCC VOL_Kind(int16_t volume);
uint32_t VOL_Flags(int16_t volume);
Err VOL_Name(int16_t volume, char* buffer, int size);
Err VOL_GetCurrentDir(int16_t volume, char* buffer, int size);
// Changes the current directory with the path rules; a null or empty `dir`
// moves up one level.
Err VOL_SetCurrentDir(int16_t volume, const char* dir);
// Outputs may be null.
Err VOL_FreeSpace(int16_t volume, uint64_t* freeBytes, uint64_t* usedBytes, uint64_t* totalBytes);

// Builds the host path for (volume, directory, name) into `out`
// (FIL_PATH_BYTES). `dirSeparator` asks for a trailing separator on a
// directory path. Returns 0, ERR_FILE_NOT_READY or ERR_FILE_PARAM.
Err FIL_BuildPath(int16_t volume, char* out, const char* dir, const char* name, bool dirSeparator);

// True when `name` is usable as a file name on the host. With `repair`, a
// leading blank and every forbidden character are replaced by "_" in place
// (and the result is still false).
bool FIL_NameValid(int16_t volume, char* name, bool repair);

// Open-file primitives.
// Opens (volume, dir, name) with mode 0/1/2; modes 1 and 2 create a missing
// file. Returns ERR_OPEN_FAILED when all ten slots are taken, the host open
// fails, or another process holds the file open for writing (write modes).
[[nodiscard]] Err FIL_Open(FileRef* out, int16_t volume, const char* dir, const char* name,
                           int16_t mode);
// Closes and sets *ref to null; null or *ref null is ignored.
void FIL_Close(FileRef* ref);
Err FIL_Delete(int16_t volume, const char* dir, const char* name);
int FIL_Exists(int16_t volume, const char* dir, const char* name);  // 1 or 0
// Renames within a volume and keeps a database's stored name in step.
Err FIL_Rename(int16_t volume, const char* oldDir, const char* oldName, const char* newDir,
               const char* newName);
uint32_t FIL_Read(FileRef f, void* buffer, uint32_t count);         // bytes read, 0 on failure
uint32_t FIL_Write(FileRef f, const void* buffer, uint32_t count);  // bytes written
Err FIL_WriteByte(FileRef f, uint8_t byte);                         // 0 or ERR_WRITE
int32_t FIL_Seek(FileRef f, int32_t offset, int16_t origin);        // position before
int32_t FIL_Tell(FileRef f);
int32_t FIL_Size(FileRef f);  // -1 when the size cannot be read
[[nodiscard]] Err FIL_Truncate(FileRef f, uint32_t newEnd);
// Pushes written data to the disk. 0 or ERR_WRITE.
Err FIL_Flush(FileRef f);
// Writes a whole buffer as a file: repairs the name, adds ".PDB" when the
// volume asks for it, creates or opens the file, writes the buffer at its
// start and cuts the file to that length. Returns 0, the open error, or
// ERR_WRITE / ERR_DISK_FULL when the data did not all reach the file.
Err FIL_WriteWhole(int16_t volume, const char* dir, const char* name, const void* buffer,
                   uint32_t count);

// Facts about an open handle.
const char* FIL_Name(FileRef f);      // name as given at open (32 bytes max)
const char* FIL_HostPath(FileRef f);  // full host path
int16_t FIL_Mode(FileRef f);
int16_t FIL_Volume(FileRef f);

// Moves `count` bytes from `src` at `srcOffset` to `dst` at `dstOffset`
// (src and dst may be the same file; overlapping ranges behave like a copy
// through a separate buffer). `buffer` may be null: then up to
// min(count, chunkLimit) bytes are allocated, halving down to 1024 on
// failure. Returns 0, ERR_MEM_FULL, ERR_READ (short read) or ERR_WRITE
// (short write; ERR_DISK_FULL when the disk is full). Both positions are
// restored. `progress` may be null.
[[nodiscard]] Err FIL_Move(FileRef src, FileRef dst, uint32_t srcOffset, uint32_t dstOffset,
                           uint32_t count, void* buffer, uint32_t chunkLimit, ProgressRef progress);

// Formats (kova_fmt.h) into `buffer` (or a scratch buffer when null) of
// `size` bytes and writes the text at the current position. Returns 0 or
// ERR_WRITE.
Err FIL_Printf(FileRef f, char* buffer, uint32_t size, const char* fmt, ...);

// Directory listing.
struct DirIterObj;
using DirIter = DirIterObj*;

// Opens a listing of (volume, dir). ERR_DIR_NOT_FOUND when it does not exist.
Err DIR_Open(DirIter* out, int16_t volume, const char* dir);
// Fetches the next entry, skipping ".", "..", "Storage Card" and names over
// 79 characters; returns false at the end. Outputs may be null; `name` has
// room for FIL_LIST_NAME_MAX + 1 bytes. Attributes are FIL_ATTR_DIRECTORY and
// FIL_ATTR_READ_ONLY only. On the "Computer" volume's top level the entries
// are the host's mount points, with kind 3 in `attributes`' high byte.
bool DIR_Next(DirIter it, char* name, uint32_t* attributes, PalmTime* modified, uint32_t* size);
void DIR_Close(DirIter* it);

// Creates a directory: 0, ERR_BAD_NAME for an unusable name, ERR_WRITE when
// the host refuses.
Err DIR_Create(int16_t volume, const char* dir, const char* name);
// Removes an empty directory: 0 or ERR_FILE.
Err DIR_Remove(int16_t volume, const char* dir, const char* name);

// File info. Outputs may be null. Returns ERR_FILE when the file is missing.
Err FIL_GetInfo(int16_t volume, const char* dir, const char* name, uint32_t* attributes,
                PalmTime* created, PalmTime* modified, PalmTime* accessed);
// Sets the given (non-null) attributes and times.
Err FIL_SetInfo(int16_t volume, const char* dir, const char* name, const uint32_t* attributes,
                const PalmTime* created, const PalmTime* modified, const PalmTime* accessed);
