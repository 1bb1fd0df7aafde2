// A number typed into a cut-off or extra-setting combo, checked against the
// range of what it sets.
#pragma once

#include <string>

namespace condvorn {

// Either the value to use (a number at the start of the text, within the
// limits), or the text that replaces the typed one: the limit nearest to
// the number, where a text without a number counts as 0.
struct TypedValue {
  bool accepted;
  double value;
  std::string correction;
};

TypedValue CheckTypedValue(const std::string& text, double minimum, double maximum);

}  // namespace condvorn
