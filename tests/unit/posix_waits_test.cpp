// The POSIX clock and serial link on the real clock, over a pseudo-terminal:
// pauses and input waits never end early, do not run long, and the first
// received byte ends an input wait at once.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

#include "os/os_posix.h"

namespace condvorn::testing {
namespace {

using RealClock = std::chrono::steady_clock;

// Room for a loaded machine: a wait that ignored its input or its time would
// be off by far more.
constexpr double kLateToleranceMs = 100.0;

double MsSince(RealClock::time_point start) {
  return std::chrono::duration<double, std::milli>(RealClock::now() - start).count();
}

// A pseudo-terminal whose slave side the link opens as port 1.
class PtyLinkTest : public ::testing::Test {
 protected:
  PtyLinkTest() {
    master = posix_openpt(O_RDWR | O_NOCTTY);
    EXPECT_GE(master, 0);
    EXPECT_EQ(grantpt(master), 0);
    EXPECT_EQ(unlockpt(master), 0);
    link.SetPortPath(1, ptsname(master));
    EXPECT_EQ(link.Open(1, -1, &handle, nullptr), 0);
  }
  ~PtyLinkTest() override {
    link.Close(handle);
    if (master >= 0) close(master);
  }

  PosixSerialLink link;
  LinkHandle handle = -1;
  int master = -1;
};

TEST(PosixClockTest, PausesNeitherEndEarlyNorRunLong) {
  PosixClock clock;
  for (uint32_t micros : {1000u, 10000u, 20500u}) {
    const auto start = RealClock::now();
    clock.Pause(micros);
    const double ms = MsSince(start);
    EXPECT_GE(ms, micros / 1000.0);
    EXPECT_LT(ms, micros / 1000.0 + kLateToleranceMs);
  }
}

TEST_F(PtyLinkTest, AnInputWaitEndsWithTheFirstByteOrAtItsTime) {
  auto start = RealClock::now();
  EXPECT_FALSE(link.WaitForInput(handle, 30000));
  EXPECT_GE(MsSince(start), 30.0);
  EXPECT_LT(MsSince(start), 30.0 + kLateToleranceMs);

  start = RealClock::now();
  std::thread device([this] {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(write(master, "5", 1), 1);
  });
  EXPECT_TRUE(link.WaitForInput(handle, 5000000));
  EXPECT_GE(MsSince(start), 20.0);
  EXPECT_LT(MsSince(start), 20.0 + kLateToleranceMs);
  device.join();
  EXPECT_EQ(link.GetChar(handle), '5');
}

TEST_F(PtyLinkTest, ALineThatHungUpWaitsOutItsTime) {
  close(master);
  master = -1;
  const auto start = RealClock::now();
  EXPECT_FALSE(link.WaitForInput(handle, 30000));
  EXPECT_GE(MsSince(start), 30.0);
}

// The descriptors open on the pseudo-terminal's slave side.
int OpenOn(const std::string& path) {
  int count = 0;
  for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
    std::error_code error;
    if (std::filesystem::read_symlink(entry.path(), error) == path) ++count;
  }
  return count;
}

TEST_F(PtyLinkTest, OpeningAnOpenPortAgainLetsGoOfTheEarlierDescriptor) {
  const std::string path = ptsname(master);
  LinkHandle again = -1;
  ASSERT_EQ(link.Open(1, -1, &again, nullptr), 0);
  EXPECT_EQ(OpenOn(path), 1) << "a second reader would take half of every reply";
  handle = again;
}

TEST_F(PtyLinkTest, ASendThatNothingReadsFailsInsteadOfHanging) {
  // Nothing reads the master side: the line's buffer fills and stays full.
  const std::string block(1 << 16, 'x');
  const auto start = RealClock::now();
  EXPECT_EQ(link.Send(handle, block.data(), static_cast<int32_t>(block.size())), ETIMEDOUT);
  EXPECT_LT(MsSince(start), 500.0 + kLateToleranceMs);
}

}  // namespace
}  // namespace condvorn::testing
