#include "panel/typed_value.h"

#include <optional>

#include "panel/numeric_text.h"

namespace condvorn {

TypedValue CheckTypedValue(const std::string& text, double minimum, double maximum) {
  const std::optional<double> number = ScanNumber(text);
  const double value = number.value_or(0.0);
  if (number && minimum <= value && value <= maximum) return {true, value, {}};
  return {false, value, FormatG(value < minimum ? minimum : maximum)};
}

}  // namespace condvorn
