// The Linux services. The library's settings: the environment over the
// file, read afresh by every InitCond; where the file is; and which device a
// port opens. The POSIX serial link on the real clock, over a
// pseudo-terminal: waits never end early, do not run long (a pause is the
// same sleep), and the first received byte ends an input wait at once.
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <thread>

#include "library_fixture.h"
#include "link/port_config.h"
#include "os/os_linux_library.h"
#include "os/os_posix.h"

namespace condvorn::testing {
namespace {

// The master side of a pseudo-terminal, whose slave side a link opens.
struct PseudoTerminal {
  PseudoTerminal() : master(posix_openpt(O_RDWR | O_NOCTTY)) {
    EXPECT_TRUE(grantpt(master) == 0 && unlockpt(master) == 0);
  }
  ~PseudoTerminal() {
    if (master >= 0) close(master);
  }
  std::string SlavePath() const { return ptsname(master); }

  int master;
};

// ---- The library's settings ----

const char* const kVariables[] = {"CONDVORN_PORT", "CONDVORN_DUMP", "CONDVORN_FIRST", "CONDVORN_LAST",
                                  "CONDVORN_DEVICE", "CONDVORN_CONFIG", "XDG_CONFIG_HOME", "HOME"};

class LinuxLibraryConfigTest : public LibraryTest {
 protected:
  LinuxLibraryConfigTest() {
    for (const char* variable : kVariables) {
      const char* value = std::getenv(variable);
      saved_[variable] = value ? std::optional<std::string>(value) : std::nullopt;
      unsetenv(variable);
    }
    char pattern[] = "/tmp/condvorn-config-XXXXXX";
    directory_ = mkdtemp(pattern);
    setenv("XDG_CONFIG_HOME", directory_.c_str(), 1);
    InstallOs(Os{&clock, &store, &logFile, &host, &link});
  }

  ~LinuxLibraryConfigTest() override {
    std::filesystem::remove_all(directory_);
    for (const auto& [variable, value] : saved_) {
      if (value) setenv(variable.c_str(), value->c_str(), 1);
      else unsetenv(variable.c_str());
    }
  }

  // Writes section [General] of the user's file.
  void WriteFile(const std::string& entries) {
    std::filesystem::create_directories(directory_ + "/condvorn");
    std::ofstream(directory_ + "/condvorn/zelcond.ini") << "[General]\n" << entries;
  }

  std::string directory_;
  LibraryConfigStore store;

 private:
  std::map<std::string, std::optional<std::string>> saved_;
};

// (That the file is read again by every InitCond, that a file named by
// CONDVORN_CONFIG or a device in the file is used and that an empty variable
// cancels the file's entry is proved by the Linux library's own tests.)
TEST_F(LinuxLibraryConfigTest, TheEnvironmentGovernsTheFileWhichLiesInTheUsersConfiguration) {
  EXPECT_EQ(ReadConfigValue("Port", 0), 1);  // no file: the defaults
  WriteFile("Port=COM4\nLast=9\n");
  EXPECT_EQ(ReadConfigValue("Port", 0), 4);
  EXPECT_EQ(ReadConfigValue("Last", 0), 9);
  const std::pair<const char*, int32_t> ports[] = {
      {"7", 7}, {"COM9", 9}, {"None", -1}, {"4294967295", -1}, {"0", 0}, {"", 1}, {" 7", 1}, {"7x", 1},
  };
  for (const auto& [text, port] : ports) {
    setenv("CONDVORN_PORT", text, 1);
    EXPECT_EQ(ReadConfigValue("Port", 0), port) << '"' << text << '"';
  }
  setenv("CONDVORN_FIRST", "x", 1);
  EXPECT_EQ(ReadConfigValue("First", 0), 0);
  unsetenv("CONDVORN_PORT");
  WriteFile("Port=none\nPort=COM5\n");
  EXPECT_EQ(ReadConfigValue("Port", 0), -1);
  EXPECT_EQ(ReadConfigValue("Last", 0), 0);

  EXPECT_EQ(LibraryConfigStore::FilePath(), directory_ + "/condvorn/zelcond.ini");
  unsetenv("XDG_CONFIG_HOME");
  setenv("HOME", "/home/lab", 1);
  EXPECT_EQ(LibraryConfigStore::FilePath(), "/home/lab/.config/condvorn/zelcond.ini");
  unsetenv("HOME");
  EXPECT_EQ(LibraryConfigStore::FilePath(), "");
  EXPECT_EQ(ReadConfigValue("Port", 0), 1);
  EXPECT_EQ(PosixSerialLink().PortPath(200), "/dev/ttyS199");
}

// ---- The POSIX clock and link on the real clock ----

using RealClock = std::chrono::steady_clock;

// Room for a loaded machine: a wait that ignored its input or its time would
// be off by far more.
constexpr double kLateToleranceMs = 100.0;

double MsSince(RealClock::time_point start) {
  return std::chrono::duration<double, std::milli>(RealClock::now() - start).count();
}

class PtyLinkTest : public ::testing::Test {
 protected:
  PtyLinkTest() {
    link.SetPortPath(1, pty.SlavePath());
    EXPECT_EQ(link.Open(1, -1, &handle, nullptr), 0);
  }
  ~PtyLinkTest() override { link.Close(handle); }

  PseudoTerminal pty;
  PosixSerialLink link;
  LinkHandle handle = -1;
};

TEST_F(PtyLinkTest, AnInputWaitEndsWithTheFirstByteOrAtItsTimeEvenOnALineThatHungUp) {
  auto start = RealClock::now();
  EXPECT_FALSE(link.WaitForInput(handle, 30000));
  EXPECT_GE(MsSince(start), 30.0);
  EXPECT_LT(MsSince(start), 30.0 + kLateToleranceMs);

  start = RealClock::now();
  std::thread device([this] {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(write(pty.master, "5", 1), 1);
  });
  // Just under a second: the deadline's nanoseconds carry into its seconds.
  EXPECT_TRUE(link.WaitForInput(handle, 999999));
  EXPECT_GE(MsSince(start), 20.0);
  EXPECT_LT(MsSince(start), 20.0 + kLateToleranceMs);
  device.join();
  EXPECT_EQ(link.GetChar(handle), '5');
  // A send goes out whole, once.
  ASSERT_EQ(link.Send(handle, "?CH;", 4), 0);
  char sent[8] = {};
  EXPECT_EQ(read(pty.master, sent, sizeof sent), 4);
  EXPECT_STREQ(sent, "?CH;");

  close(pty.master);
  pty.master = -1;
  start = RealClock::now();
  EXPECT_FALSE(link.WaitForInput(handle, 30000));
  EXPECT_GE(MsSince(start), 30.0);
  EXPECT_LT(MsSince(start), 30.0 + kLateToleranceMs);
}

TEST_F(PtyLinkTest, OpeningAnOpenPortAgainLetsGoOfTheEarlierDescriptor) {
  const std::string path = pty.SlavePath();
  LinkHandle again = -1;
  ASSERT_EQ(link.Open(1, -1, &again, nullptr), 0);
  handle = again;
  int open = 0;
  for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
    std::error_code error;
    if (std::filesystem::read_symlink(entry.path(), error) == path) ++open;
  }
  EXPECT_EQ(open, 1) << "a second reader would take half of every reply";
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
