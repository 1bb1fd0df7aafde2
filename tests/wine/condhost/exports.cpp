#include "exports.h"

namespace condhost {

const std::vector<std::string>& Exports::AllNames() {
  static const std::vector<std::string> names = {
      "InitCond",     "KillCond",       "GetCondType", "SetADCRange",    "SetPellProc", "SetCondChan",
      "GetCondChan",  "CondOnChan",     "CondGainTo",  "CondGainChange", "CondOffsTo",  "CondOffsChange",
      "GetCondInfo2", "DoCondMenu",     "KillCondMenu", "SetMenuScaling"};
  return names;
}

}  // namespace condhost
