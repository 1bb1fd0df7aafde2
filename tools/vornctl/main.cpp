// vornctl: a command-line host of the CONDVorn library. It hosts the
// library in-process and drives the conditioners only through its
// exported functions, as any host program does.
#include <cstring>
#include <exception>
#include <iostream>
#include <nlohmann/json.hpp>

#include "exit_codes.h"
#include "options.h"

namespace vornctl {
namespace {

// Whether the command line asks for JSON; read from the words themselves,
// so that an error in parsing them is reported as asked too.
bool WantsJson(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--json") == 0) return true;
  }
  return false;
}

// The error for the person on standard error and, with --json, for a
// script on standard output: {"error": ..., "exitCode": ...} with the
// error's details.
int Fail(ExitCode code, const std::string& message, const nlohmann::json& details, bool json) {
  std::cout.flush();
  std::cerr << "vornctl: " << message << std::endl;
  if (json) {
    nlohmann::json report = details.is_object() ? details : nlohmann::json::object();
    report["error"] = message;
    report["exitCode"] = static_cast<int>(code);
    std::cout << report.dump(2) << std::endl;
  }
  return static_cast<int>(code);
}

}  // namespace
}  // namespace vornctl

int main(int argc, char** argv) {
  using vornctl::ExitCode;
  const bool json = vornctl::WantsJson(argc, argv);
  try {
    const std::optional<vornctl::Options> options = vornctl::ParseCommandLine(argc, argv);
    return options ? options->run(*options) : static_cast<int>(ExitCode::kOk);
  } catch (const vornctl::CommandError& error) {
    return vornctl::Fail(error.code(), error.what(), error.details(), json);
  } catch (const std::exception& error) {
    return vornctl::Fail(ExitCode::kInternal, std::string("internal error: ") + error.what(), nullptr, json);
  } catch (...) {
    return vornctl::Fail(ExitCode::kInternal, "internal error", nullptr, json);
  }
}
