// The host file system behind a table of function pointers, so the file
// layer never calls the operating system directly. Backends: POSIX (the real
// disk), an in-memory single-file image (the RAM disk volume) and a
// fault-injecting wrapper for tests.
#pragma once

#include <cstdint>

#include "kova_errors.h"

// An opened host file; the meaning of the value belongs to the backend.
using HostHandle = intptr_t;

struct HostStat {
  bool isDirectory;
  bool readOnly;
  bool hidden;
  uint64_t size;
  int64_t created;  // seconds since 1970 (the change time on POSIX)
  int64_t modified;
  int64_t accessed;
};

struct HostFileOps {
  const char* name;
  // Opens `path` for reading (mode 0), writing (1) or both (2); modes 1 and 2
  // create a missing file. Returns 0 or ERR_OPEN_FAILED.
  Err (*open)(const char* path, int16_t mode, HostHandle* out);
  void (*close)(HostHandle h);
  // Positional I/O; return the bytes moved (short on failure, -1 on error).
  // `full` (may be null) is set when a write failed for want of space.
  int64_t (*read)(HostHandle h, void* buffer, uint32_t count, uint64_t offset);
  int64_t (*write)(HostHandle h, const void* buffer, uint32_t count, uint64_t offset, bool* full);
  int64_t (*size)(HostHandle h);  // -1 on error
  Err (*truncate)(HostHandle h, uint64_t size);
  Err (*sync)(HostHandle h);
  // Identity of the open file (device and inode); equal values = same file.
  Err (*identity)(HostHandle h, uint64_t* device, uint64_t* inode);
  // Takes the writers' lock of `h`'s file: fails with ERR_OPEN_FAILED when
  // another process holds it. The lock lives until unlockWriters.
  Err (*lockWriters)(const char* path, HostHandle* lock);
  void (*unlockWriters)(HostHandle lock);
  // Path operations.
  Err (*remove)(const char* path);
  Err (*rename)(const char* from, const char* to);
  Err (*stat)(const char* path, HostStat* out);
  Err (*setTimes)(const char* path, const int64_t* modified, const int64_t* accessed);
  Err (*setReadOnly)(const char* path, bool readOnly);
  Err (*makeDir)(const char* path);
  Err (*removeDir)(const char* path);
  Err (*freeSpace)(const char* path, uint64_t* freeBytes, uint64_t* totalBytes);
  // Directory listing: opens, returns entry names one by one (false at the
  // end), closes.
  Err (*openDir)(const char* path, HostHandle* out);
  bool (*nextDir)(HostHandle dir, char* name, int nameSize);
  void (*closeDir)(HostHandle dir);
};

// The POSIX backend (the real disk).
extern const HostFileOps HOST_POSIX_FILE_OPS;

// The in-memory backend: holds one file image, whatever path it is given.
extern const HostFileOps HOST_MEMORY_FILE_OPS;
void HOST_MemoryReset();  // frees the image

// The host table used for disk volumes; tests swap in the fault table.
// Null restores the POSIX backend.
void HOST_SetFileOps(const HostFileOps* ops);
const HostFileOps* HOST_FileOps();

// Fault injection: a wrapper around the POSIX backend. Counters count calls
// from the moment they are armed (1 = the next call fails).
struct HostFaults {
  uint32_t failWriteAt;     // the Nth write fails (nothing written); 0 = never
  uint32_t failReadAt;      // the Nth read fails
  uint32_t failTruncateAt;  // the Nth truncate fails
  uint32_t failOpenAt;      // the Nth open fails
  uint32_t failSyncAt;      // the Nth sync fails
  bool failAfter;           // with a failXAt: every later call of that kind fails too
  int64_t diskFreeBytes;    // growth allowed before the disk is full; -1 = unlimited
};
extern const HostFileOps HOST_FAULT_FILE_OPS;
// Arms the faults (copied) and resets the call counters; null disarms.
void HOST_SetFaults(const HostFaults* faults);
// Calls seen by the fault table since it was armed (for tests that first
// count the steps of an operation and then fail each one).
struct HostFaultCounts {
  uint32_t writes, reads, truncates, opens, syncs;
};
HostFaultCounts HOST_FaultCounts();
