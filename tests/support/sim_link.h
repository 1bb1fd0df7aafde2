// The serial link of the tests: the library's LINKIO operations reach an
// in-process simulator, on the virtual clock. Faults of the port itself
// (open, send and receive errors) are switched here.
#pragma once

#include <cstdint>

#include "os/os.h"
#include "simulator.h"
#include "test_os.h"

namespace condvorn::testing {

class SimLink : public SerialLink {
 public:
  SimLink(vornsim::Simulator& sim, VirtualClock& clock) : sim_(sim), clock_(clock) {}

  int32_t Open(int32_t port, int32_t mode, LinkHandle* handle, void* scratch40) override;
  void Close(LinkHandle handle) override;
  int32_t Send(LinkHandle handle, const char* text, int32_t length) override;
  int32_t GetChar(LinkHandle handle) override;
  int32_t CharCount(LinkHandle handle) override;
  void FlushInput(LinkHandle handle) override;
  int32_t OutputQueueCount(LinkHandle handle) override;

  // Port faults.
  int32_t openError = 0;      // non-zero: LkOpen fails with it
  int32_t sendError = 0;      // non-zero: LkSend fails with it
  int32_t receiveError = 0;   // below -1: LkGetChar reports it instead of a byte

  // What the library did with the port.
  int opens = 0;
  int closes = 0;
  int flushes = 0;
  int32_t lastOpenedPort = 0;
  int32_t lastOpenMode = 0;
  bool isOpen = false;

 private:
  vornsim::Simulator& sim_;
  VirtualClock& clock_;
};

}  // namespace condvorn::testing
