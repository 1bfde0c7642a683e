// Single instance on POSIX: the running copy holds an flock on a lock file in
// the data folder and listens on an abstract datagram socket named after the
// lock file's device and inode; a second copy that finds the lock taken sends
// "raise" there and writes nothing. Owns the lock and socket descriptors.
//
// Invariants: (1) the lock file's contents are never written, so a second
// copy changes nothing on disk; (2) the abstract socket leaves no file behind
// and dies with the process, so a crash leaves nothing stale but the empty
// lock file, whose flock the kernel has already released.
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "kova_debug.h"
#include "machine/host_internal.h"

namespace {

struct InstanceState {
  int lockFd;
  int socketFd;
  bool signalsHeld;
  sigset_t savedMask;
};

InstanceState g_instance = {-1, -1, false, {}};

// The abstract socket address of the copy that holds `lockFd`'s file.
socklen_t socketAddress(int lockFd, sockaddr_un* addr) {
  struct stat st;
  if (fstat(lockFd, &st) != 0) return 0;
  memset(addr, 0, sizeof *addr);
  addr->sun_family = AF_UNIX;
  // sun_path[0] = 0 puts the name in the abstract namespace.
  int n = snprintf(addr->sun_path + 1, sizeof addr->sun_path - 1, "brantel-instance-%llx-%llx",
                   (unsigned long long)st.st_dev, (unsigned long long)st.st_ino);
  return socklen_t(offsetof(sockaddr_un, sun_path) + 1 + size_t(n));
}

// Asks the copy holding the lock to come to the front. Failure is harmless:
// the second copy ends either way.
void askToRaise(int lockFd) {
  sockaddr_un addr;
  socklen_t len = socketAddress(lockFd, &addr);
  if (len == 0) return;
  int fd = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return;
  static const char kRaise[] = "raise";
  (void)sendto(fd, kRaise, sizeof kRaise - 1, MSG_DONTWAIT, reinterpret_cast<sockaddr*>(&addr),
               len);
  close(fd);
}

// Opens the listening socket of the running copy; without it the copy runs
// on but cannot be raised.
int listenForRaise(int lockFd) {
  sockaddr_un addr;
  socklen_t len = socketAddress(lockFd, &addr);
  if (len == 0) return -1;
  int fd = socket(AF_UNIX, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd < 0) return -1;
  if (bind(fd, reinterpret_cast<sockaddr*>(&addr), len) != 0) {
    DBG_Print(FCC("repo"), "Host: cannot listen for a second copy (%ld)\n", int32_t(errno));
    close(fd);
    return -1;
  }
  return fd;
}

}  // namespace

Err hostInstanceAcquire(const char* lockPath) {
  hostInstanceRelease();
  int fd = open(lockPath, O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) fd = open(lockPath, O_RDONLY | O_CLOEXEC);  // a read-only lock file still locks
  if (fd < 0) {
    DBG_Print(FCC("REPO"), "Host: cannot open the lock file %s\n", lockPath);
    return ERR_OPEN_FAILED;
  }
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    if (errno == EWOULDBLOCK) {
      askToRaise(fd);
      close(fd);
      return 1;
    }
    close(fd);
    return ERR_OPEN_FAILED;
  }
  g_instance.lockFd = fd;
  g_instance.socketFd = listenForRaise(fd);
  return 0;
}

void hostInstanceRelease() {
  if (g_instance.socketFd >= 0) close(g_instance.socketFd);
  if (g_instance.lockFd >= 0) {
    flock(g_instance.lockFd, LOCK_UN);
    close(g_instance.lockFd);
  }
  g_instance.lockFd = -1;
  g_instance.socketFd = -1;
}

bool hostInstanceRaiseRequested() {
  if (g_instance.socketFd < 0) return false;
  bool asked = false;
  char buffer[16];
  while (recv(g_instance.socketFd, buffer, sizeof buffer, MSG_DONTWAIT) >= 0) asked = true;
  return asked;
}

void hostSignalsHold() {
  if (g_instance.signalsHeld) return;
  sigset_t stop;
  sigemptyset(&stop);
  sigaddset(&stop, SIGINT);
  sigaddset(&stop, SIGTERM);
  g_instance.signalsHeld = sigprocmask(SIG_BLOCK, &stop, &g_instance.savedMask) == 0;
}

void hostSignalsRelease() {
  if (!g_instance.signalsHeld) return;
  g_instance.signalsHeld = false;
  sigprocmask(SIG_SETMASK, &g_instance.savedMask, nullptr);
}
