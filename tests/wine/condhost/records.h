// The host's records as the script sees them: ChanSettings fields set from
// and printed as JSON, CondInfo sections printed as the want bits chose.
#pragma once

#include "condvorn.h"
#include "result_writer.h"

namespace condhost {

// A JSON number, or one of "nan", "inf", "-inf" and "-0".
double Real(const Json& value);

// A record with the interface's defaults: its size, units " Volt", gain 1.
ChanSettings DefaultRecord();

// Sets the fields named as in condvorn.h ({"gain": 2, "units": "mV",
// "extraValues": [0, 2]}, which sets the first values of the array).
// Throws for a field the record lacks.
void SetRecordFields(ChanSettings& record, const Json& fields);
Json RecordJson(const ChanSettings& record);

// Fills every section of `info` with a marker byte, so that the sections the
// library leaves alone can be told afterwards.
void MarkInfoSections(CondInfo& info);

// The sections chosen by the want bits, plus "untouched": the names of the
// other sections that still hold the marker.
Json InfoJson(const CondInfo& info);

}  // namespace condhost
