#include "sim_link.h"

namespace condvorn::testing {

namespace {
constexpr LinkHandle kHandle = 0x5151;
}

int32_t SimLink::Open(int32_t port, int32_t mode, LinkHandle* handle, void*) {
  ++opens;
  lastOpenedPort = port;
  lastOpenMode = mode;
  if (openError != 0) return openError;
  *handle = kHandle;
  isOpen = true;
  return 0;
}

void SimLink::Close(LinkHandle) {
  ++closes;
  isOpen = false;
}

int32_t SimLink::Send(LinkHandle, const char* text, int32_t length) {
  clock_.Poll();
  if (sendError != 0) return sendError;
  sim_.Write(text, static_cast<size_t>(length));
  return 0;
}

int32_t SimLink::GetChar(LinkHandle) {
  clock_.Poll();
  if (receiveError < -1) return receiveError;
  return sim_.ReadByte();
}

int32_t SimLink::CharCount(LinkHandle) {
  clock_.Poll();
  return static_cast<int32_t>(sim_.Available());
}

void SimLink::FlushInput(LinkHandle) {
  ++flushes;
  sim_.DiscardArrived();
}

int32_t SimLink::OutputQueueCount(LinkHandle) {
  clock_.Poll();
  return static_cast<int32_t>(sim_.OutputPending());
}

}  // namespace condvorn::testing
