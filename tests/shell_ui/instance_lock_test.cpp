// The single-instance lock and channel between two real processes: the
// first copy is a forked child, the test process plays the second copy.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "platform/instance_lock.h"
#include "platform/window.h"

namespace {

class InstanceLock : public testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/zorrit-lock-test-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir = pattern;
    setenv("XDG_RUNTIME_DIR", dir.c_str(), 1);
  }
  void TearDown() override {
    ReleaseInstanceLock();
    std::system(("rm -rf " + dir).c_str());
  }
  std::string dir;
};

// Child: takes the lock, tells the parent (byte 'L'), waits for the order to
// publish ('P'), publishes, tells ('R'), waits for the parent's 'C' and then
// reports through its exit status whether WM_APP_SHOW_FIRST was queued.
void FirstCopy(int toParent, int fromParent) {
  char byte = 0;
  if (!AcquireInstanceLock("test")) _exit(10);
  (void)!write(toParent, "L", 1);
  if (read(fromParent, &byte, 1) != 1 || byte != 'P') _exit(11);
  if (!PublishInstanceChannel("test")) _exit(12);
  (void)!write(toParent, "R", 1);
  if (read(fromParent, &byte, 1) != 1 || byte != 'C') _exit(13);
  PlatformMessage m;
  const int shown = PeekPlatformMessage(&m) && m.message == WM_APP_SHOW_FIRST;
  CloseInstanceChannel();
  _exit(shown ? 0 : 14);
}

TEST_F(InstanceLock, SecondCopyIsRefusedAndReachesTheFirstOnlyOnceItPublished) {
  int up[2], down[2];
  ASSERT_EQ(pipe(up), 0);
  ASSERT_EQ(pipe(down), 0);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) FirstCopy(up[1], down[0]);
  char byte = 0;
  ASSERT_EQ(read(up[0], &byte, 1), 1);
  ASSERT_EQ(byte, 'L');

  EXPECT_EQ(AcquireInstanceLock("test"), 0);
  EXPECT_EQ(InstanceLockHeldElsewhere(), 1);
  EXPECT_EQ(RequestFirstInstance("test"), 0);  // not published yet: nobody answers

  ASSERT_EQ(write(down[1], "P", 1), 1);
  ASSERT_EQ(read(up[0], &byte, 1), 1);
  ASSERT_EQ(byte, 'R');
  struct stat info;
  ASSERT_EQ(stat((dir + "/zorrit/test.sock").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);
  ASSERT_EQ(stat((dir + "/zorrit").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0700u);
  EXPECT_EQ(RequestFirstInstance("test"), 1);

  ASSERT_EQ(write(down[1], "C", 1), 1);
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0) << "the first copy did not get WM_APP_SHOW_FIRST";

  // The first copy is gone: its lock went with it, and its channel too.
  EXPECT_EQ(RequestFirstInstance("test"), 0);
  EXPECT_EQ(AcquireInstanceLock("test"), 1);
}

TEST_F(InstanceLock, AKilledFirstCopyLeavesNoLockBehind) {
  int up[2];
  ASSERT_EQ(pipe(up), 0);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    if (!AcquireInstanceLock("test")) _exit(1);
    (void)!write(up[1], "L", 1);
    pause();
    _exit(0);
  }
  char byte = 0;
  ASSERT_EQ(read(up[0], &byte, 1), 1);
  EXPECT_EQ(AcquireInstanceLock("test"), 0);
  kill(child, SIGKILL);
  waitpid(child, nullptr, 0);
  EXPECT_EQ(AcquireInstanceLock("test"), 1);
}

TEST_F(InstanceLock, ADirectoryOthersCanReachIsRefused) {
  ASSERT_EQ(mkdir((dir + "/zorrit").c_str(), 0755), 0);
  ASSERT_EQ(chmod((dir + "/zorrit").c_str(), 0755), 0);
  EXPECT_EQ(AcquireInstanceLock("test"), 0);
  EXPECT_EQ(InstanceLockHeldElsewhere(), 0);
  EXPECT_NE(std::string(InstanceLockFailure()).find("open to other users (mode 0755)"),
            std::string::npos)
      << InstanceLockFailure();
  EXPECT_EQ(PublishInstanceChannel("test"), 0);
}

// A connection to the channel, from this process (a same-user peer).
int Connect(const std::string& path) {
  const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un address = {};
  address.sun_family = AF_UNIX;
  path.copy(address.sun_path, sizeof address.sun_path - 1);
  if (connect(fd, (const sockaddr*)&address, sizeof address) != 0) {
    close(fd);
    return -1;
  }
  return fd;
}

// This process is the first copy. Peers that ask and hang up at once must
// not end it (an answer to a closed peer raises SIGPIPE unless suppressed),
// and peers that connect and say nothing must not keep a real request from
// being answered.
TEST_F(InstanceLock, PeersThatHangUpOrSayNothingNeitherEndNorBlockTheFirstCopy) {
  ASSERT_EQ(AcquireInstanceLock("test"), 1);
  ASSERT_EQ(PublishInstanceChannel("test"), 1);
  const std::string path = dir + "/zorrit/test.sock";
  for (int i = 0; i < 4; i++) {
    const int fd = Connect(path);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(write(fd, "S", 1), 1);
    close(fd);
  }
  usleep(300 * 1000);  // the listener answers them meanwhile
  int silent[8];
  for (int& fd : silent) {
    fd = Connect(path);
    ASSERT_GE(fd, 0);
  }
  EXPECT_EQ(RequestFirstInstance("test"), 1);
  for (int fd : silent) close(fd);
  CloseInstanceChannel();
  int shown = 0;
  PlatformMessage m;
  while (PeekPlatformMessage(&m)) shown += m.message == WM_APP_SHOW_FIRST;
  EXPECT_EQ(shown, 5);
}

}  // namespace
