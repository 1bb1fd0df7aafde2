// vornctl: a command-line host of the CONDVorn library. It hosts the
// library in-process and drives the conditioners only through its
// exported functions, as any host program does.
#include <exception>
#include <iostream>

#include "demo.h"
#include "exit_codes.h"
#include "info.h"
#include "options.h"
#include "panel.h"
#include "profile_capture.h"
#include "scan.h"
#include "set.h"

namespace vornctl {
namespace {

int Run(int argc, char** argv) {
  const std::optional<Options> options = ParseCommandLine(argc, argv);
  if (!options) return static_cast<int>(ExitCode::kOk);
  switch (options->command) {
    case Command::kScan:
      return RunScan(*options);
    case Command::kInfo:
      return RunInfo(*options);
    case Command::kSet:
      return RunSet(*options);
    case Command::kDemo:
      return RunDemo(*options);
    case Command::kPanel:
      return RunPanel(*options);
    case Command::kProfile:
      return RunProfile(*options);
  }
  return static_cast<int>(ExitCode::kInternal);
}

}  // namespace
}  // namespace vornctl

int main(int argc, char** argv) {
  using vornctl::ExitCode;
  try {
    return vornctl::Run(argc, argv);
  } catch (const vornctl::CommandError& error) {
    std::cout.flush();
    std::cerr << "vornctl: " << error.what() << std::endl;
    return static_cast<int>(error.code());
  } catch (const std::exception& error) {
    std::cout.flush();
    std::cerr << "vornctl: internal error: " << error.what() << std::endl;
  } catch (...) {
    std::cout.flush();
    std::cerr << "vornctl: internal error" << std::endl;
  }
  return static_cast<int>(ExitCode::kInternal);
}
