// What a long run must not let grow: the process's open handles and its
// private bytes.
#pragma once

#include "result_writer.h"

namespace condhost {

// {"handles": N, "privateBytes": N}
Json ResourcesNow();

}  // namespace condhost
