// The host's settings record as vornctl keeps it and shows it.
#pragma once

#include <nlohmann/json.hpp>
#include <ostream>

#include "condvorn.h"
#include "options.h"

namespace vornctl {

// A record as a host makes one: size set, gain 1, the given scaling and
// units name (at most 7 characters), every other field 0.
ChanSettings HostRecord(double scale, double zero, const std::string& units);
// The host record with the command line's scaling: by default volts at the
// ADC, zero 0 and units " Volt".
ChanSettings HostRecordFor(const Options& options);

// The fields of the record that a host sets, named as in condvorn.h (the
// remembered settings keep them so, see remembered_settings.h).
nlohmann::json RecordJson(const ChanSettings& record);

// A table of the fields that a host reads back, before and after.
void PrintRecordComparison(std::ostream& out, const ChanSettings& before, const ChanSettings& after);

}  // namespace vornctl
