// What a channel answers to a query of the command language, from its
// profile, its current settings and its list faults.
#pragma once

#include <optional>
#include <string>

#include "simulator.h"

namespace vornsim {

// `query` is the text without its ";", such as "?GS" or "?LD2". The result
// is the bytes the channel sends back, every line ended by "\r" and spoilt by
// its list and line faults; none when it would not answer. A raw reply
// replaces the channel's own text ("\r" included, nothing added) and is still
// spoilt by the line faults. A silent channel is the caller's matter.
std::optional<std::string> AnswerQuery(Channel& channel, const std::string& query);

}  // namespace vornsim
