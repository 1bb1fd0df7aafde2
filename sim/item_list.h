// The item list of the command language: a line with the number of items,
// then one line per item. A channel's list faults spoil it here.
#pragma once

#include <string>
#include <vector>

#include "simulator.h"

namespace vornsim {

// One line of a reply: `text` ended by "\r".
std::string ReplyLine(const std::string& text);

// The list's reply text, each line ended by "\r". `name` picks the fault in
// `faults.lists` (a spoiling fault with answers left uses one of them).
std::string ItemListText(const std::vector<std::string>& items, const std::string& name,
                         Faults& faults);

// A number as the channel prints it, with a decimal point whatever the
// locale: fifteen significant digits, trailing zeros dropped ("0.01",
// "10000", "-11").
std::string NumberText(double value);
std::vector<std::string> NumberTexts(const std::vector<double>& values);

}  // namespace vornsim
