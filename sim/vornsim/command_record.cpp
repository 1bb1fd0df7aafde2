#include "command_record.h"

#include <stdexcept>

#include <nlohmann/json.hpp>

namespace vornsim {

CommandRecord::CommandRecord(const std::string& path) : file_(path, std::ios::app | std::ios::binary) {
  if (!file_) throw std::runtime_error("--record: cannot write " + path);
}

void CommandRecord::WriteNew(const Simulator& simulator) {
  const std::vector<Received>& received = simulator.received();
  if (written_ == received.size()) return;
  for (; written_ < received.size(); ++written_) {
    const Received& command = received[written_];
    const nlohmann::ordered_json line = {{"t", command.timeMs}, {"ch", command.channel}, {"cmd", command.text}};
    // A host may send any bytes; those that are not UTF-8 are shown as U+FFFD.
    file_ << line.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) << '\n';
  }
  file_.flush();
}

}  // namespace vornsim
