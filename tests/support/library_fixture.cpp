#include "library_fixture.h"

#include <algorithm>

#include "link/diagnostic_log.h"
#include "profile.h"

namespace condvorn::testing {

LibraryTest::LibraryTest() {
  previous_ = InstallOs(Os{&clock, &config, &logFile, &host, &link});
  LoadLibraryState();
}

LibraryTest::~LibraryTest() { InstallOs(previous_); }

vornsim::Channel& LibraryTest::AddChannel(int number, const std::string& profile) {
  return AddChannel(number, vornsim::NamedProfile(profile));
}

vornsim::Channel& LibraryTest::AddChannel(int number, const vornsim::Profile& profile) {
  return sim.AddChannel(number, profile);
}

void LibraryTest::Configure(int32_t port, int32_t dump, int32_t first, int32_t last) {
  config.WriteRegistryDword("Port", static_cast<uint32_t>(port));
  config.WriteRegistryDword("Dump", static_cast<uint32_t>(dump));
  config.WriteRegistryDword("First", static_cast<uint32_t>(first));
  config.WriteRegistryDword("Last", static_cast<uint32_t>(last));
}

void LibraryTest::Discover(int32_t first, int32_t last, int32_t dump) {
  Configure(1, dump, first, last);
  ASSERT_EQ(InitCond(1), 0);
  sim.ClearReceived();
  logFile.files.clear();
}

void LibraryTest::OpenLink() {
  link.Open(1, -1, &Link().linkHandle, nullptr);
  Link().linkStatus = 0;
}

Texts LibraryTest::LogLines() const { return logFile.Lines(LogFilePath()); }

Texts LibraryTest::Sent(std::optional<int> channel) const { return sim.ReceivedTexts(channel); }

int LibraryTest::Count(const std::string& command, std::optional<int> channel) const {
  const Texts sent = Sent(channel);
  return static_cast<int>(std::count(sent.begin(), sent.end(), command));
}

}  // namespace condvorn::testing
