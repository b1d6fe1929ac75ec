// The single-instance guard's platform side.
//
// Everything lives in one per-user directory: $XDG_RUNTIME_DIR/zorrit, or
// /tmp/zorrit-<uid> without a runtime directory. The directory is made with
// mode 0700 and refused unless it is a real directory (not a link) owned by
// this user and closed to everyone else, so another user can neither take
// our lock nor reach our channel.
//
//   <name>.lock  held with flock(); the system drops it when the process dies.
//                Opened close-on-exec, so no program started from here keeps it.
//   <name>.sock  a Unix stream socket (mode 0600) on which the first copy
//                listens once its window exists.
//
// The channel's protocol is one byte: a second copy connects, sends 'S', and
// the first copy answers 'K' after it has queued WM_APP_SHOW_FIRST. The
// listener reads that one byte and nothing else from any connection.
//
// Any process of the same user can reach the channel, so the listener trusts
// no peer: it never blocks on one (non-blocking accept, read and answer, all
// driven by poll), gives each at most kPeerMs to send its byte, keeps at
// most kPeers waiting at once (a newcomer pushes out the oldest), and writes
// with MSG_NOSIGNAL, so that a peer that hung up costs an EPIPE, not SIGPIPE.
#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/un.h>
#include <time.h>
#include <unistd.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/instance_lock.h"
#include "platform/window.h"

static int lockFile = -1;
static int lockHeldElsewhere = 0;
static int listenSocket = -1;
static int wakePipe[2] = {-1, -1};  // a byte here ends the listener
static pthread_t listener;
static char socketPath[sizeof(sockaddr_un::sun_path)];
static char failure[512];

enum : char { kRequestShow = 'S', kAnswerDone = 'K' };
enum { kPeers = 8, kPeerMs = 500 };
// Names are plain words of at most this many characters; the directory's
// path leaves room for the longest one's socket address.
enum : size_t {
  kLongestName = 24,
  kLongestDirectory = sizeof(sockaddr_un::sun_path) - 1 - (1 + kLongestName + 5),  // 77
};

static void Fail(const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::vsnprintf(failure, sizeof failure, format, args);
  va_end(args);
}

const char* InstanceLockFailure() { return failure; }

// The per-user directory, made if missing. 1 when `dir` holds a usable path;
// otherwise 0, and the reason is in `failure`.
static int UserDirectory(char* dir, size_t size) {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  char full[4096];
  int n;
  if (runtime && runtime[0] == '/')
    n = std::snprintf(full, sizeof full, "%s/zorrit", runtime);
  else
    n = std::snprintf(full, sizeof full, "/tmp/zorrit-%u", (unsigned)getuid());
  if (n < 0 || (size_t)n >= sizeof full || (size_t)n > kLongestDirectory || (size_t)n >= size) {
    Fail("the runtime folder's path is too long (%d characters, at most %zu): %s", n,
         (size_t)kLongestDirectory, full);
    return 0;
  }
  std::memcpy(dir, full, (size_t)n + 1);
  if (mkdir(dir, 0700) != 0 && errno != EEXIST) {
    Fail("cannot make the runtime folder %s: %s", dir, std::strerror(errno));
    return 0;
  }
  struct stat info;
  if (lstat(dir, &info) != 0) {
    Fail("cannot look at the runtime folder %s: %s", dir, std::strerror(errno));
    return 0;
  }
  if (S_ISLNK(info.st_mode)) {
    Fail("the runtime folder %s is a link; refused", dir);
    return 0;
  }
  if (!S_ISDIR(info.st_mode)) {
    Fail("the runtime folder %s is not a folder; refused", dir);
    return 0;
  }
  if (info.st_uid != getuid()) {
    Fail("the runtime folder %s belongs to another user (uid %u); refused", dir,
         (unsigned)info.st_uid);
    return 0;
  }
  if ((info.st_mode & 077) != 0) {
    Fail("the runtime folder %s is open to other users (mode %04o); refused", dir,
         (unsigned)(info.st_mode & 07777));
    return 0;
  }
  return 1;
}

// "<dir>/<name><suffix>" into path; 1 when it fits. Names are plain words.
static int UserPath(char* path, size_t size, const char* name, const char* suffix) {
  if (!name || !*name || std::strchr(name, '/') || std::strlen(name) > kLongestName) {
    Fail("not a plain name of at most 24 characters: %s", name ? name : "(none)");
    return 0;
  }
  char dir[160];
  if (!UserDirectory(dir, sizeof dir)) return 0;
  const int n = std::snprintf(path, size, "%s/%s%s", dir, name, suffix);
  if (n > 0 && (size_t)n < size) return 1;
  Fail("path too long: %s/%s%s", dir, name, suffix);
  return 0;
}

int AcquireInstanceLock(const char* name) {
  lockHeldElsewhere = 0;
  failure[0] = 0;
  if (lockFile >= 0) return 1;
  char path[256];
  if (!UserPath(path, sizeof path, name, ".lock")) return 0;
  const int fd = open(path, O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd < 0) {
    Fail("cannot open the lock %s: %s", path, std::strerror(errno));
    return 0;
  }
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    lockHeldElsewhere = errno == EWOULDBLOCK;
    if (!lockHeldElsewhere) Fail("cannot lock %s: %s", path, std::strerror(errno));
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

static uint64_t NowMs() {
  timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  return (uint64_t)now.tv_sec * 1000 + (uint64_t)now.tv_nsec / 1000000;
}

struct Peer {
  int fd;          // -1: a free place
  uint64_t since;  // when it was accepted, NowMs
};

static void DropPeer(Peer* peer) {
  close(peer->fd);
  peer->fd = -1;
}

// One look at a peer whose socket is readable: its request, if it sent one,
// is queued and answered. 1 when the peer is done with (drop it), 0 when it
// has sent nothing yet.
static int ServePeer(int fd) {
  char request = 0;
  const ssize_t got = recv(fd, &request, 1, MSG_DONTWAIT);
  if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) return 0;
  if (got == 1 && request == kRequestShow) {
    PostPlatformMessage({WM_APP_SHOW_FIRST, 0, 0});
    const char answer = kAnswerDone;
    (void)!send(fd, &answer, 1, MSG_NOSIGNAL | MSG_DONTWAIT);
  }
  return 1;
}

static void* Listen(void* socket) {
  const int fd = (int)(intptr_t)socket;
  Peer peers[kPeers];
  for (Peer& peer : peers) peer.fd = -1;
  for (;;) {
    pollfd polls[2 + kPeers];
    int owner[2 + kPeers];  // the peer each entry belongs to
    int count = 0;
    polls[count++] = {wakePipe[0], POLLIN, 0};
    polls[count++] = {fd, POLLIN, 0};
    const uint64_t now = NowMs();
    int timeout = -1;
    for (int i = 0; i < kPeers; i++) {
      if (peers[i].fd < 0) continue;
      const uint64_t age = now - peers[i].since;
      const int left = age >= kPeerMs ? 0 : (int)(kPeerMs - age);
      if (timeout < 0 || left < timeout) timeout = left;
      owner[count] = i;
      polls[count++] = {peers[i].fd, POLLIN, 0};
    }
    if (poll(polls, (nfds_t)count, timeout) < 0 && errno != EINTR) break;
    if (polls[0].revents) break;  // the channel is closing
    for (int k = 2; k < count; k++) {
      Peer& peer = peers[owner[k]];
      if ((polls[k].revents && ServePeer(peer.fd)) || NowMs() - peer.since >= kPeerMs)
        DropPeer(&peer);
    }
    if (polls[1].revents & (POLLERR | POLLNVAL)) break;
    if (!(polls[1].revents & POLLIN)) continue;
    for (;;) {
      const int accepted = accept4(fd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
      if (accepted < 0) break;  // EAGAIN: no one else waits (or a peer gave up already)
      Peer* place = nullptr;
      for (Peer& peer : peers) {
        if (peer.fd < 0) {
          place = &peer;
          break;
        }
        if (!place || peer.since < place->since) place = &peer;
      }
      if (place->fd >= 0) DropPeer(place);  // full: the oldest makes room
      place->fd = accepted;
      place->since = NowMs();
    }
  }
  for (Peer& peer : peers)
    if (peer.fd >= 0) DropPeer(&peer);
  return nullptr;
}

static void CloseWakePipe() {
  for (int& end : wakePipe) {
    if (end >= 0) close(end);
    end = -1;
  }
}

int PublishInstanceChannel(const char* name) {
  if (listenSocket >= 0) return 1;
  failure[0] = 0;
  sockaddr_un address;
  if (!ChannelAddress(name, &address)) return 0;
  const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (fd < 0) {
    Fail("cannot make a socket: %s", std::strerror(errno));
    return 0;
  }
  // We hold the lock, so a socket file left here belongs to a copy that died.
  unlink(address.sun_path);
  const mode_t oldMask = umask(0177);
  const int bound = bind(fd, (const sockaddr*)&address, sizeof address);
  umask(oldMask);
  if (bound != 0 || chmod(address.sun_path, 0600) != 0 || listen(fd, 8) != 0 ||
      pipe2(wakePipe, O_CLOEXEC) != 0) {
    Fail("cannot listen on %s: %s", address.sun_path, std::strerror(errno));
    CloseWakePipe();
    close(fd);
    return 0;
  }
  if (pthread_create(&listener, nullptr, Listen, (void*)(intptr_t)fd) != 0) {
    Fail("cannot start the listener of %s", address.sun_path);
    CloseWakePipe();
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
  const char stop = 0;
  (void)!write(wakePipe[1], &stop, 1);
  pthread_join(listener, nullptr);
  CloseWakePipe();
  close(listenSocket);
  listenSocket = -1;
  unlink(socketPath);
}

// Waits at most `ms` for each read and write on the socket.
static void SetTimeouts(int fd, int ms) {
  timeval limit = {ms / 1000, (ms % 1000) * 1000};
  setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
  setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
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
    done = send(fd, &request, 1, MSG_NOSIGNAL) == 1 && recv(fd, &answer, 1, 0) == 1 &&
           answer == kAnswerDone;
  }
  close(fd);
  return done;
}
