// The host's records as the script sees them: ChanSettings fields set by
// name and printed whole, CondInfo sections printed as the want bits chose.
#pragma once

#include <string>

#include "condvorn.h"

namespace condhost {

// A record with the interface's defaults: size 160, units " Volt", gain 1.
ChanSettings DefaultRecord();

// Sets one field from text: a field name as in condvorn.h ("gain",
// "units", "extraValues.3", ...). False for an unknown field or a bad value.
bool SetRecordField(ChanSettings& record, const std::string& field, const std::string& value);

// The whole record as a JSON object.
std::string RecordJson(const ChanSettings& record);

// Fills every section of `info` with a marker byte, so that the sections the
// library leaves alone can be told afterwards.
void MarkInfoSections(CondInfo& info);

// The sections chosen by the want bits as JSON fields, plus "untouched": the
// names of the other sections that still hold the marker.
std::string InfoJson(const CondInfo& info, uint32_t want);

}  // namespace condhost
