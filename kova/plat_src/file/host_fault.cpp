// The fault-injecting host file table for tests: the POSIX backend with a
// failing Nth write, read, truncate, open or sync, and a disk that fills up
// after a given number of bytes of growth.
#include "host_file.h"

namespace {

HostFaults g_faults = {0, 0, 0, 0, 0, false, -1};
HostFaultCounts g_counts = {0, 0, 0, 0, 0};

// True when call number `seen` of a kind armed at `at` must fail.
bool shouldFail(uint32_t at, uint32_t seen) {
  if (at == 0) return false;
  return seen == at || (g_faults.failAfter && seen > at);
}

const HostFileOps& real() { return HOST_POSIX_FILE_OPS; }

Err faultOpen(const char* path, int16_t mode, HostHandle* out) {
  if (shouldFail(g_faults.failOpenAt, ++g_counts.opens)) return ERR_OPEN_FAILED;
  return real().open(path, mode, out);
}

int64_t faultRead(HostHandle h, void* buffer, uint32_t count, uint64_t offset) {
  if (shouldFail(g_faults.failReadAt, ++g_counts.reads)) return -1;
  return real().read(h, buffer, count, offset);
}

int64_t faultWrite(HostHandle h, const void* buffer, uint32_t count, uint64_t offset, bool* full) {
  if (shouldFail(g_faults.failWriteAt, ++g_counts.writes)) return -1;
  if (g_faults.diskFreeBytes >= 0) {
    int64_t size = real().size(h);
    if (size < 0) return -1;
    int64_t end = int64_t(offset) + count;
    int64_t growth = end > size ? end - size : 0;
    if (growth > g_faults.diskFreeBytes) {
      // Write what fits, as a real disk does, then report it full.
      int64_t fits = int64_t(count) - (growth - g_faults.diskFreeBytes);
      if (full) *full = true;
      if (fits <= 0) return -1;
      int64_t n = real().write(h, buffer, uint32_t(fits), offset, nullptr);
      if (n > 0 && int64_t(offset) + n > size) g_faults.diskFreeBytes -= int64_t(offset) + n - size;
      return n;
    }
    g_faults.diskFreeBytes -= growth;
  }
  return real().write(h, buffer, count, offset, full);
}

Err faultTruncate(HostHandle h, uint64_t size) {
  if (shouldFail(g_faults.failTruncateAt, ++g_counts.truncates)) return ERR_FILE;
  int64_t old = real().size(h);
  Err err = real().truncate(h, size);
  if (err == 0 && g_faults.diskFreeBytes >= 0 && old >= 0) {
    // Shrinking gives the space back; growing takes it.
    g_faults.diskFreeBytes += old - int64_t(size);
    if (g_faults.diskFreeBytes < 0) g_faults.diskFreeBytes = 0;
  }
  return err;
}

Err faultSync(HostHandle h) {
  if (shouldFail(g_faults.failSyncAt, ++g_counts.syncs)) return ERR_WRITE;
  return real().sync(h);
}

void faultClose(HostHandle h) { real().close(h); }
int64_t faultSize(HostHandle h) { return real().size(h); }
Err faultIdentity(HostHandle h, uint64_t* d, uint64_t* i) { return real().identity(h, d, i); }
Err faultLock(const char* p, HostHandle* l) { return real().lockWriters(p, l); }
void faultUnlock(HostHandle l) { real().unlockWriters(l); }
Err faultRemove(const char* p) { return real().remove(p); }
Err faultRename(const char* a, const char* b) { return real().rename(a, b); }
Err faultStat(const char* p, HostStat* s) { return real().stat(p, s); }
Err faultSetTimes(const char* p, const int64_t* m, const int64_t* a) {
  return real().setTimes(p, m, a);
}
Err faultSetReadOnly(const char* p, bool r) { return real().setReadOnly(p, r); }
Err faultMakeDir(const char* p) { return real().makeDir(p); }
Err faultRemoveDir(const char* p) { return real().removeDir(p); }
Err faultFreeSpace(const char* p, uint64_t* f, uint64_t* t) {
  Err err = real().freeSpace(p, f, t);
  if (err == 0 && g_faults.diskFreeBytes >= 0) *f = uint64_t(g_faults.diskFreeBytes);
  return err;
}
Err faultOpenDir(const char* p, HostHandle* o) { return real().openDir(p, o); }
bool faultNextDir(HostHandle d, char* n, int s) { return real().nextDir(d, n, s); }
void faultCloseDir(HostHandle d) { real().closeDir(d); }

}  // namespace

const HostFileOps HOST_FAULT_FILE_OPS = {
    "fault",        faultOpen,    faultClose,    faultRead,        faultWrite,   faultSize,
    faultTruncate,  faultSync,    faultIdentity, faultLock,        faultUnlock,  faultRemove,
    faultRename,    faultStat,    faultSetTimes, faultSetReadOnly, faultMakeDir, faultRemoveDir,
    faultFreeSpace, faultOpenDir, faultNextDir,  faultCloseDir,
};

void HOST_SetFaults(const HostFaults* faults) {
  g_faults = faults ? *faults : HostFaults{0, 0, 0, 0, 0, false, -1};
  g_counts = {0, 0, 0, 0, 0};
}

HostFaultCounts HOST_FaultCounts() { return g_counts; }
