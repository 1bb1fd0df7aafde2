// The Linux library's settings: the environment over the file, read afresh
// by every InitCond; where the file is; and which device a port opens.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <string>

#include "library_fixture.h"
#include "link/port_config.h"
#include "os/os_linux_library.h"

namespace condvorn::testing {
namespace {

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

  // Writes section [General] of the file at `path` (the user's file by default).
  void WriteFile(const std::string& entries, std::string path = {}) {
    if (path.empty()) path = directory_ + "/condvorn/zelcond.ini";
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream(path) << "[General]\n" << entries;
  }

  std::string directory_;
  LibraryConfigStore store;

 private:
  std::map<std::string, std::optional<std::string>> saved_;
};

TEST_F(LinuxLibraryConfigTest, TheFileGivesTheSettingsAndIsReadAgainEveryTime) {
  EXPECT_EQ(ReadConfigValue("Port", 0), 1);  // no file: the defaults
  EXPECT_EQ(ReadConfigValue("Dump", 0), 0);
  WriteFile("Port=COM4\nDump=1\nFirst=2\nLast=9\n");
  EXPECT_EQ(ReadConfigValue("Port", 0), 4);
  EXPECT_EQ(ReadConfigValue("Dump", 0), 1);
  EXPECT_EQ(ReadConfigValue("First", 0), 2);
  EXPECT_EQ(ReadConfigValue("Last", 0), 9);
  WriteFile("Port=none\nPort=COM5\n");
  EXPECT_EQ(ReadConfigValue("Port", 0), -1);
  EXPECT_EQ(ReadConfigValue("First", 0), 0);
}

TEST_F(LinuxLibraryConfigTest, TheEnvironmentGovernsTheFile) {
  WriteFile("Port=COM4\nFirst=2\n");
  const std::pair<const char*, int32_t> ports[] = {
      {"7", 7}, {"COM9", 9}, {"None", -1}, {"4294967295", -1}, {"0", 0}, {"", 1}, {" 7", 1}, {"7x", 1},
  };
  for (const auto& [text, port] : ports) {
    setenv("CONDVORN_PORT", text, 1);
    EXPECT_EQ(ReadConfigValue("Port", 0), port) << '"' << text << '"';
  }
  setenv("CONDVORN_FIRST", "x", 1);
  EXPECT_EQ(ReadConfigValue("First", 0), 0);
}

TEST_F(LinuxLibraryConfigTest, TheFileIsNamedByTheEnvironmentOrLiesInTheUsersConfiguration) {
  EXPECT_EQ(LibraryConfigStore::FilePath(), directory_ + "/condvorn/zelcond.ini");
  unsetenv("XDG_CONFIG_HOME");
  setenv("HOME", "/home/lab", 1);
  EXPECT_EQ(LibraryConfigStore::FilePath(), "/home/lab/.config/condvorn/zelcond.ini");
  unsetenv("HOME");
  EXPECT_EQ(LibraryConfigStore::FilePath(), "");
  EXPECT_EQ(ReadConfigValue("Port", 0), 1);

  const std::string lab = directory_ + "/lab.ini";
  WriteFile("Port=COM3\n", lab);
  setenv("CONDVORN_CONFIG", lab.c_str(), 1);
  EXPECT_EQ(ReadConfigValue("Port", 0), 3);
}

TEST_F(LinuxLibraryConfigTest, APortOpensItsNumberedDeviceUnlessADeviceIsGiven) {
  PosixSerialLink posix;
  DeviceSerialLink serial(posix, store);
  LinkHandle handle = -1;
  EXPECT_NE(serial.Open(200, -1, &handle, nullptr), 0);
  EXPECT_EQ(posix.PortPath(200), "/dev/ttyS199");

  int master = posix_openpt(O_RDWR | O_NOCTTY);
  ASSERT_GE(master, 0);
  ASSERT_EQ(grantpt(master), 0);
  ASSERT_EQ(unlockpt(master), 0);
  WriteFile(std::string("Device=") + ptsname(master) + "\n");
  ASSERT_EQ(serial.Open(200, -1, &handle, nullptr), 0);
  serial.Close(handle);

  setenv("CONDVORN_DEVICE", "", 1);  // cancels the file's device
  EXPECT_NE(serial.Open(200, -1, &handle, nullptr), 0);
  EXPECT_EQ(posix.PortPath(200), "/dev/ttyS199");
  close(master);
}

}  // namespace
}  // namespace condvorn::testing
