// A channel's faults from JSON. The keys are the field names of the faults
// record:
//   { "silent": false, "channelReply": 7, "versionReply": "Vorn22",
//     "stallAfterFirstChar": false, "overlongBy": 0, "garbage": false,
//     "deadAfter": "?GS",
//     "lists": { "GS": { "kind": "nonNumeric", "times": 2 } },
//     "rawReplies": { "?NT": "12\r" } }
// List fault kinds: "announceZero", "announceTooMany", "breakOff",
// "nonNumeric"; "times" may be left out (every answer is spoiled). Every key
// may be left out; a key that is not one of these is refused.
#pragma once

#include <string>

#include <nlohmann/json_fwd.hpp>

#include "simulator.h"

namespace vornsim {

// Throws std::invalid_argument naming `path` (where the object sits in its
// file, such as "channels[0].faults") and the reason when it is malformed.
Faults FaultsFromJson(const nlohmann::json& value, const std::string& path);

// The line's death from JSON, read and refused likewise:
//   { "kind": "silence" | "close" | "garbage", "afterCommands": 12 }
// or "afterLines" in place of "afterCommands"; "kind" may be left out
// (silence), and one of the two counts must be given.
LineDeath DeathFromJson(const nlohmann::json& value, const std::string& path);

}  // namespace vornsim
