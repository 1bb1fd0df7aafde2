// Where the four settings come from: registry first, then the INI file,
// then the defaults; and the log file's place and rules.
#include <gtest/gtest.h>

#include <string>

#include "library_fixture.h"
#include "link/diagnostic_log.h"
#include "link/port_config.h"

namespace condvorn::testing {
namespace {

using ConfigurationTest = LibraryTest;

uint32_t StoredDword(MemoryConfigStore& config, const char* name) {
  uint32_t value = 0xDEADBEEF;
  EXPECT_TRUE(config.ReadRegistryDword(name, value)) << name;
  return value;
}

TEST_F(ConfigurationTest, DefaultsAreTakenAndStoredWhenNothingIsConfigured) {
  for (const auto& [name, value] : {std::pair{"Port", 1}, {"Dump", 0}, {"First", 0}, {"Last", 0}}) {
    EXPECT_EQ(ReadConfigValue(name, 0), value) << name;
    EXPECT_EQ(StoredDword(config, name), static_cast<uint32_t>(value)) << name;
  }
}

TEST_F(ConfigurationTest, PortTextsFromTheIniFile) {
  const std::pair<const char*, int32_t> cases[] = {
      {"COM7", 7}, {"com12", 12}, {"None", -1}, {"none", -1}, {"NONE", -1},
      {"COM300", 1}, {"COM0", 1}, {"2", 1}, {"COM", 1}, {"XYZ256", 256}, {"COM-4", 1},
  };
  for (const auto& [text, port] : cases) {
    config.registry.clear();
    config.ini["Port"] = text;
    EXPECT_EQ(ReadConfigValue("Port", 0), port) << text;
    EXPECT_EQ(StoredDword(config, "Port"), static_cast<uint32_t>(port)) << text;
  }
}

TEST_F(ConfigurationTest, TheRegistryGovernsOnceItHoldsADword) {
  config.WriteRegistryDword("Port", 3);
  config.ini["Port"] = "COM5";
  config.ini["First"] = "4";
  config.WriteRegistryDword("First", 9);
  EXPECT_EQ(ReadConfigValue("Port", 0), 3);
  EXPECT_EQ(ReadConfigValue("First", 0), 9);
  EXPECT_EQ(config.iniReads, 0);
}

TEST_F(ConfigurationTest, ARegistryValueOfAnotherTypeIsReplacedFromTheIniFileAndItsIntegers) {
  config.registry["Port"] = MemoryConfigStore::RegistryValue{false, 0, "COM2"};
  config.ini["Port"] = "COM5";
  EXPECT_EQ(ReadConfigValue("Port", 0), 5);
  EXPECT_TRUE(config.registry["Port"].isDword);
  EXPECT_EQ(config.registry["Port"].dword, 5u);

  config.ini["Last"] = "12";  // the other settings are integers in the INI file
  EXPECT_EQ(ReadConfigValue("Last", 0), 12);
}

TEST_F(ConfigurationTest, TheLogLiesInTheHostProgramsDirectory) {
  const std::pair<std::optional<std::string>, std::string> cases[] = {
      {"E:\\Tools\\Rec\\host.exe", "E:\\Tools\\Rec\\ZELCOND.LOG"},
      {"D:host.exe", "D:ZELCOND.LOG"},  // the colon counts as a separator
      {"host.exe", "ZELCOND.LOG"},
      {std::nullopt, "ZELCOND.LOG"},
      // A path that does not fit the 520-character buffer gives no directory.
      {"C:\\" + std::string(520, 'x') + "\\host.exe", "ZELCOND.LOG"},
  };
  for (const auto& [executable, log] : cases) {
    host.executablePath = executable;
    LoadLibraryState();
    EXPECT_EQ(LogFilePath(), log);
  }
}

TEST_F(ConfigurationTest, LogLinesAreWrittenWhileLoggingIsActiveCutToTheirBufferOrDroppedSilently) {
  LogLine("not written");
  EXPECT_TRUE(logFile.files.empty());
  Link().logActive = 1;
  LogLine("written");
  LogFormat("channel %d", 4);
  LogLine(std::string(300, 'm').c_str());
  EXPECT_EQ(logFile.files[LogFilePath()], "written\r\nchannel 4\r\n" + std::string(149, 'm') + "\r\n");
  logFile.files.clear();
  logFile.unwritable.insert(LogFilePath());
  LogLine("lost");
  EXPECT_TRUE(logFile.files.empty());
  EXPECT_TRUE(host.messages.empty());
}

}  // namespace
}  // namespace condvorn::testing
