// One export called as a script line asks, with the arguments built in
// guarded host memory: its result, how long it took (and how much of that
// the processor spent in the process), the fault that ended
// it, and what became of the host's memory; then the messages that came
// meanwhile are handled (guarded as well), and the panel's notifications
// among them reported.
//
//   {"call": "CondGainTo", "args": ["nan", 3, {"gain": 2}]}
#pragma once

#include <memory>
#include <vector>

#include <nlohmann/json.hpp>

#include "exports.h"
#include "guarded_block.h"
#include "host_window.h"
#include "result_writer.h"

namespace stresshost {

// The records arrays lent to DoCondMenu, kept for as long as a panel may use them.
using LentMemory = std::vector<std::unique_ptr<GuardedBlock>>;

condhost::JsonObject CallExport(const condhost::Exports& exports, condhost::HostWindow& window,
                                const nlohmann::json& line, LentMemory& lent);

}  // namespace stresshost
