#include "library_fixture.h"

#include "link/diagnostic_log.h"
#include "profile.h"

namespace condvorn::testing {

LibraryTest::LibraryTest() {
  previous_ = InstallOs(Os{&clock, &config, &logFile, &host, &link});
  LoadLibraryState();
}

LibraryTest::~LibraryTest() { InstallOs(previous_); }

vornsim::Channel& LibraryTest::AddChannel(int number, const std::string& profile) {
  return sim.AddChannel(number, vornsim::NamedProfile(profile));
}

void LibraryTest::Configure(int32_t port, int32_t dump, int32_t first, int32_t last) {
  config.WriteRegistryDword("Port", static_cast<uint32_t>(port));
  config.WriteRegistryDword("Dump", static_cast<uint32_t>(dump));
  config.WriteRegistryDword("First", static_cast<uint32_t>(first));
  config.WriteRegistryDword("Last", static_cast<uint32_t>(last));
}

std::vector<std::string> LibraryTest::LogLines() const { return logFile.Lines(LogFilePath()); }

std::vector<std::string> LibraryTest::Sent(std::optional<int> channel) const {
  return sim.ReceivedTexts(channel);
}

}  // namespace condvorn::testing
