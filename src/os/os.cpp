#include "os/os.h"

namespace condvorn {
namespace {

Os& Installed() {
  static Os os = PlatformOs();
  return os;
}

}  // namespace

Os InstallOs(const Os& os) {
  Os previous = Installed();
  Installed() = os;
  return previous;
}

const Os& CurrentOs() { return Installed(); }

}  // namespace condvorn
