#include "setting_keys.h"

#include <cctype>

namespace vornctl::keys {

std::string Canonical(const std::string& key) {
  std::string canonical;
  for (char c : key) {
    canonical += (c == ' ' || c == '_') ? '-' : static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  }
  return canonical;
}

}  // namespace vornctl::keys
