// Where vornsim serves its line to a host: a pseudo-terminal on POSIX
// systems (pty/), a COM port on Windows (com/). Each is a thin front end
// over the one simulator; the command line, the line's set-up, the record
// and the state are shared.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "command_line.h"
#include "command_record.h"
#include "simulator.h"

namespace vornsim {

class LineService {
 public:
  // Starts listening for the requests to stop (and, on POSIX, to bring a
  // dead line back) at once, so that one that comes while vornsim is still
  // starting up waits its turn. Throws std::runtime_error.
  LineService();
  // A stop that must wait for vornsim to finish (a closing console) may go
  // on once this has run: after the state has been written.
  ~LineService();
  LineService(const LineService&) = delete;
  LineService& operator=(const LineService&) = delete;

  // Serves the line until a stop is asked for. Prints one line once the
  // line is ready ("pty: /dev/pts/N" or "port: COM6"). Throws
  // std::runtime_error when the port cannot be opened or fails.
  void Serve(Simulator& simulator, const std::function<uint64_t()>& nowMicros, const Options& options,
             CommandRecord* record);

 private:
  struct Platform;
  std::unique_ptr<Platform> platform_;
};

}  // namespace vornsim
