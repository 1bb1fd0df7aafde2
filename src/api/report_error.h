// The single error reporter: a two-line message box for an error code.
#pragma once

#include <cstdint>
#include <string>

namespace condvorn {

// The two-line text for a code (a port number >= 0, or a negative code)
// explained by a status.
std::string ErrorMessage(int32_t code, int32_t status);

// Shows the message for the code and returns the status that explains it:
// linkStatus, or the port's channelStatus entry while the link is open.
int32_t ReportError(int32_t code);

}  // namespace condvorn
