// The POSIX backend of the host file table: the real disk. errno is turned
// into Err here and nowhere else.
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "host_file.h"

namespace {

int fdOf(HostHandle h) { return int(h); }

Err errFromErrno(Err fallback) {
  switch (errno) {
    case ENOSPC:
    case EDQUOT:
      return ERR_DISK_FULL;
    default:
      return fallback;
  }
}

Err posixOpen(const char* path, int16_t mode, HostHandle* out) {
  int flags = O_CLOEXEC;
  if (mode == 0)
    flags |= O_RDONLY;
  else
    flags |= (mode == 1 ? O_WRONLY : O_RDWR) | O_CREAT;
  int fd;
  do fd = ::open(path, flags, 0644);
  while (fd < 0 && errno == EINTR);
  if (fd < 0) return ERR_OPEN_FAILED;
  struct stat st;
  if (fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
    ::close(fd);
    return ERR_OPEN_FAILED;
  }
  *out = fd;
  return 0;
}

void posixClose(HostHandle h) { ::close(fdOf(h)); }

int64_t posixRead(HostHandle h, void* buffer, uint32_t count, uint64_t offset) {
  uint8_t* p = static_cast<uint8_t*>(buffer);
  uint32_t done = 0;
  while (done < count) {
    ssize_t n = ::pread(fdOf(h), p + done, count - done, off_t(offset + done));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return done ? int64_t(done) : -1;
    if (n == 0) break;  // end of file
    done += uint32_t(n);
  }
  return done;
}

int64_t posixWrite(HostHandle h, const void* buffer, uint32_t count, uint64_t offset, bool* full) {
  const uint8_t* p = static_cast<const uint8_t*>(buffer);
  uint32_t done = 0;
  while (done < count) {
    ssize_t n = ::pwrite(fdOf(h), p + done, count - done, off_t(offset + done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      if (full && n < 0 && errFromErrno(ERR_WRITE) == ERR_DISK_FULL) *full = true;
      return done ? int64_t(done) : -1;
    }
    done += uint32_t(n);
  }
  return done;
}

int64_t posixSize(HostHandle h) {
  struct stat st;
  if (fstat(fdOf(h), &st) != 0) return -1;
  return int64_t(st.st_size);
}

Err posixTruncate(HostHandle h, uint64_t size) {
  int rc;
  do rc = ::ftruncate(fdOf(h), off_t(size));
  while (rc != 0 && errno == EINTR);
  return rc == 0 ? Err(0) : errFromErrno(ERR_FILE);
}

Err posixSync(HostHandle h) { return ::fdatasync(fdOf(h)) == 0 ? Err(0) : ERR_WRITE; }

Err posixIdentity(HostHandle h, uint64_t* device, uint64_t* inode) {
  struct stat st;
  if (fstat(fdOf(h), &st) != 0) return ERR_FILE;
  *device = uint64_t(st.st_dev);
  *inode = uint64_t(st.st_ino);
  return 0;
}

// The writers' lock is an flock on a descriptor of its own, so that closing
// any other descriptor of the file never drops it.
Err posixLockWriters(const char* path, HostHandle* lock) {
  int fd = ::open(path, O_RDONLY | O_CLOEXEC);
  if (fd < 0) fd = ::open(path, O_WRONLY | O_CLOEXEC);
  if (fd < 0) return ERR_OPEN_FAILED;
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    ::close(fd);
    return ERR_OPEN_FAILED;
  }
  *lock = fd;
  return 0;
}

void posixUnlockWriters(HostHandle lock) {
  ::flock(fdOf(lock), LOCK_UN);
  ::close(fdOf(lock));
}

Err posixRemove(const char* path) { return ::unlink(path) == 0 ? Err(0) : ERR_FILE; }

Err posixRename(const char* from, const char* to) {
  return ::rename(from, to) == 0 ? Err(0) : ERR_FILE;
}

Err posixStat(const char* path, HostStat* out) {
  struct stat st;
  if (::stat(path, &st) != 0) return ERR_FILE;
  out->isDirectory = S_ISDIR(st.st_mode);
  out->readOnly = (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0;
  const char* base = strrchr(path, '/');
  base = base ? base + 1 : path;
  out->hidden = base[0] == '.';
  out->size = uint64_t(st.st_size);
  out->created = int64_t(st.st_ctim.tv_sec);
  out->modified = int64_t(st.st_mtim.tv_sec);
  out->accessed = int64_t(st.st_atim.tv_sec);
  return 0;
}

Err posixSetTimes(const char* path, const int64_t* modified, const int64_t* accessed) {
  struct timespec ts[2];
  ts[0].tv_sec = accessed ? time_t(*accessed) : 0;
  ts[0].tv_nsec = accessed ? 0 : UTIME_OMIT;
  ts[1].tv_sec = modified ? time_t(*modified) : 0;
  ts[1].tv_nsec = modified ? 0 : UTIME_OMIT;
  return ::utimensat(AT_FDCWD, path, ts, 0) == 0 ? Err(0) : ERR_FILE;
}

Err posixSetReadOnly(const char* path, bool readOnly) {
  struct stat st;
  if (::stat(path, &st) != 0) return ERR_FILE;
  mode_t mode = st.st_mode & 07777;
  mode = readOnly ? (mode & ~mode_t(S_IWUSR | S_IWGRP | S_IWOTH)) : (mode | S_IWUSR);
  return ::chmod(path, mode) == 0 ? Err(0) : ERR_FILE;
}

Err posixMakeDir(const char* path) { return ::mkdir(path, 0755) == 0 ? Err(0) : ERR_WRITE; }

Err posixRemoveDir(const char* path) { return ::rmdir(path) == 0 ? Err(0) : ERR_FILE; }

Err posixFreeSpace(const char* path, uint64_t* freeBytes, uint64_t* totalBytes) {
  struct statvfs vs;
  if (::statvfs(path, &vs) != 0) return ERR_FILE;
  *freeBytes = uint64_t(vs.f_bavail) * vs.f_frsize;
  *totalBytes = uint64_t(vs.f_blocks) * vs.f_frsize;
  return 0;
}

Err posixOpenDir(const char* path, HostHandle* out) {
  DIR* d = ::opendir(path);
  if (!d) return ERR_DIR_NOT_FOUND;
  *out = reinterpret_cast<HostHandle>(d);
  return 0;
}

bool posixNextDir(HostHandle dir, char* name, int nameSize) {
  struct dirent* e = ::readdir(reinterpret_cast<DIR*>(dir));
  if (!e) return false;
  size_t n = strnlen(e->d_name, size_t(nameSize) - 1);
  memcpy(name, e->d_name, n);
  name[n] = 0;
  return true;
}

void posixCloseDir(HostHandle dir) { ::closedir(reinterpret_cast<DIR*>(dir)); }

}  // namespace

const HostFileOps HOST_POSIX_FILE_OPS = {
    "posix",       posixOpen,        posixClose,         posixRead,
    posixWrite,    posixSize,        posixTruncate,      posixSync,
    posixIdentity, posixLockWriters, posixUnlockWriters, posixRemove,
    posixRename,   posixStat,        posixSetTimes,      posixSetReadOnly,
    posixMakeDir,  posixRemoveDir,   posixFreeSpace,     posixOpenDir,
    posixNextDir,  posixCloseDir,
};

namespace {
const HostFileOps* g_diskOps = nullptr;
}

void HOST_SetFileOps(const HostFileOps* ops) { g_diskOps = ops; }
const HostFileOps* HOST_FileOps() { return g_diskOps ? g_diskOps : &HOST_POSIX_FILE_OPS; }
