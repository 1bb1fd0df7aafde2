#include "api/report_error.h"

#include <cstdio>

#include "condvorn.h"
#include "link/link_state.h"

namespace condvorn {
namespace {

std::string FirstLine(int32_t code) {
  char line[80];
  if (code >= 0) {
    std::snprintf(line, sizeof line, "Vorn for ADC port %d not available\n", static_cast<int>(code));
    return line;
  }
  switch (code) {
    case COND_ERR_NO_PORTS: return "No ADC ports in use\n";
    case COND_ERR_BAD_RECORD: return "Conditioner support DLL is invalid or DLL version is too old\n";
    default: return "Vorn hardware not available\n";
  }
}

std::string SecondLine(int32_t status) {
  switch (status) {
    case COND_ERR_NO_LINK: return "Cannot open comm port for Vorn communications";
    case COND_ERR_COMMS: return "Communications failure in Vorn initialisation";
    case COND_ERR_NO_CHANNEL: return "Vorn channel not installed/available";
    default: {
      char line[64];
      std::snprintf(line, sizeof line, "Error code for failure is unknown : %d", static_cast<int>(status));
      return line;
    }
  }
}

}  // namespace

std::string ErrorMessage(int32_t code, int32_t status) { return FirstLine(code) + SecondLine(status); }

int32_t ReportError(int32_t code) {
  const LinkState& link = Link();
  int32_t status = link.linkStatus;
  if (code >= 0 && link.linkStatus >= 0 && IsChannelNumber(code)) status = link.channelStatus[code];
  CurrentOs().host->ShowMessage(ErrorMessage(code, status));
  return status;
}

}  // namespace condvorn
