// Small pieces shared by the capability reads: asking by name and keeping
// reply texts within their fields.
#pragma once

#include <cstddef>

namespace condvorn {

// Sends the query "?name;".
void SendQuery(const char* name);

// Copies a text into a field of `room` bytes, cut to room - 1 characters.
void CopyCut(char* field, size_t room, const char* text);

}  // namespace condvorn
