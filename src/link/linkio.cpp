#include "link/linkio.h"

namespace condvorn {

int32_t LkOpen(int32_t port, int32_t mode, LinkHandle* handle, void* scratch40) {
  return CurrentOs().link->Open(port, mode, handle, scratch40);
}
void LkClose(LinkHandle handle) { CurrentOs().link->Close(handle); }
int32_t LkSend(LinkHandle handle, const char* text, int32_t length) {
  return CurrentOs().link->Send(handle, text, length);
}
int32_t LkGetChar(LinkHandle handle) { return CurrentOs().link->GetChar(handle); }
int32_t LkCharCount(LinkHandle handle) { return CurrentOs().link->CharCount(handle); }
void LkFlushInput(LinkHandle handle) { CurrentOs().link->FlushInput(handle); }
int32_t LkOutputQueueCount(LinkHandle handle) {
  return CurrentOs().link->OutputQueueCount(handle);
}
bool LkWaitForInput(LinkHandle handle, uint32_t micros) {
  return CurrentOs().link->WaitForInput(handle, micros);
}

}  // namespace condvorn
