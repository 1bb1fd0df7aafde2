// Our own serial link on Win32: COM ports at 9600 baud 8N1.
#pragma once

#include "os/os.h"

namespace condvorn {

SerialLink& ComPortLink();

}  // namespace condvorn
