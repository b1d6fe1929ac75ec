// The single-instance guard's platform side.
//
// Everything lives in one per-user directory: $XDG_RUNTIME_DIR/zorrit, or
// /tmp/zorrit-<uid> without a runtime directory. The directory is made with
// mode 0700 and refused unless it is a real directory owned by this user and
// closed to everyone else, so another user can neither take our lock nor
// reach our channel.
//
//   <name>.lock  held with flock(); the system drops it when the process dies.
//   <name>.sock  a Unix stream socket (mode 0600) on which the first copy
//                listens once its window exists.
//
// The channel's protocol is one byte: a second copy connects, sends 'S', and
// the first copy answers 'K' after it has queued WM_APP_SHOW_FIRST. The
// listener reads that one byte and nothing else from any connection.
#include <errno.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <pthread.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/instance_lock.h"
#include "platform/window.h"

static int lockFile = -1;
static int lockHeldElsewhere = 0;
static int listenSocket = -1;
static pthread_t listener;  // a plain thread: nothing ends the process if it still runs at exit
static char socketPath[sizeof(sockaddr_un::sun_path)];

enum : char { kRequestShow = 'S', kAnswerDone = 'K' };

// The per-user directory, made if missing. 1 when `dir` holds a usable path.
static int UserDirectory(char* dir, size_t size) {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  int n;
  if (runtime && runtime[0] == '/')
    n = std::snprintf(dir, size, "%s/zorrit", runtime);
  else
    n = std::snprintf(dir, size, "/tmp/zorrit-%u", (unsigned)getuid());
  if (n < 0 || (size_t)n >= size) return 0;
  if (mkdir(dir, 0700) != 0 && errno != EEXIST) return 0;
  struct stat info;
  if (lstat(dir, &info) != 0) return 0;
  if (!S_ISDIR(info.st_mode) || info.st_uid != getuid() || (info.st_mode & 077) != 0) return 0;
  return 1;
}

// "<dir>/<name><suffix>" into path; 1 when it fits. Names are plain words.
static int UserPath(char* path, size_t size, const char* name, const char* suffix) {
  if (!name || !*name || std::strchr(name, '/')) return 0;
  char dir[160];
  if (!UserDirectory(dir, sizeof dir)) return 0;
  const int n = std::snprintf(path, size, "%s/%s%s", dir, name, suffix);
  return n > 0 && (size_t)n < size;
}

int AcquireInstanceLock(const char* name) {
  lockHeldElsewhere = 0;
  if (lockFile >= 0) return 1;
  char path[256];
  if (!UserPath(path, sizeof path, name, ".lock")) return 0;
  const int fd = open(path, O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd < 0) return 0;
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    lockHeldElsewhere = errno == EWOULDBLOCK;
    close(fd);
    return 0;
  }
  lockFile = fd;
  return 1;
}

int InstanceLockHeldElsewhere() { return lockHeldElsewhere; }

void ReleaseInstanceLock() {
  if (lockFile < 0) return;
  close(lockFile);  // closing drops the flock; the file stays for the next copy
  lockFile = -1;
}

static int ChannelAddress(const char* name, sockaddr_un* address) {
  std::memset(address, 0, sizeof *address);
  address->sun_family = AF_UNIX;
  return UserPath(address->sun_path, sizeof address->sun_path, name, ".sock");
}

// Waits at most `ms` for each read and write on the socket.
static void SetTimeouts(int fd, int ms) {
  timeval limit = {ms / 1000, (ms % 1000) * 1000};
  setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
  setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
}

static void* Listen(void* socket) {
  const int fd = (int)(intptr_t)socket;
  for (;;) {
    const int peer = accept4(fd, nullptr, nullptr, SOCK_CLOEXEC);
    if (peer < 0) {
      if (errno == EINTR || errno == ECONNABORTED) continue;
      return nullptr;  // the socket was shut down: the channel is closing
    }
    SetTimeouts(peer, 1000);
    char request = 0;
    if (read(peer, &request, 1) == 1 && request == kRequestShow) {
      PostPlatformMessage({WM_APP_SHOW_FIRST, 0, 0});
      const char answer = kAnswerDone;
      (void)!write(peer, &answer, 1);
    }
    close(peer);
  }
}

int PublishInstanceChannel(const char* name) {
  if (listenSocket >= 0) return 1;
  sockaddr_un address;
  if (!ChannelAddress(name, &address)) return 0;
  const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return 0;
  // We hold the lock, so a socket file left here belongs to a copy that died.
  unlink(address.sun_path);
  const mode_t oldMask = umask(0177);
  const int bound = bind(fd, (const sockaddr*)&address, sizeof address);
  umask(oldMask);
  if (bound != 0 || chmod(address.sun_path, 0600) != 0 || listen(fd, 4) != 0) {
    close(fd);
    return 0;
  }
  if (pthread_create(&listener, nullptr, Listen, (void*)(intptr_t)fd) != 0) {
    close(fd);
    unlink(address.sun_path);
    return 0;
  }
  std::memcpy(socketPath, address.sun_path, sizeof socketPath);
  listenSocket = fd;
  return 1;
}

void CloseInstanceChannel() {
  if (listenSocket < 0) return;
  shutdown(listenSocket, SHUT_RDWR);  // wakes the listener's accept
  pthread_join(listener, nullptr);
  close(listenSocket);
  listenSocket = -1;
  unlink(socketPath);
}

int RequestFirstInstance(const char* name) {
  sockaddr_un address;
  if (!ChannelAddress(name, &address)) return 0;
  const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return 0;
  SetTimeouts(fd, 2000);
  int done = 0;
  if (connect(fd, (const sockaddr*)&address, sizeof address) == 0) {
    const char request = kRequestShow;
    char answer = 0;
    done = write(fd, &request, 1) == 1 && read(fd, &answer, 1) == 1 && answer == kAnswerDone;
  }
  close(fd);
  return done;
}
