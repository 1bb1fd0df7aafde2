#include "app/dll_app.h"

#include "api/module_scope.h"

namespace condvorn {
namespace {

DllApp* application = nullptr;

}  // namespace

DllApp::DllApp() { application = this; }

DllApp::~DllApp() { application = nullptr; }

DllApp& DllApp::Current() { return *application; }

bool DllApp::Attach(HINSTANCE instance) {
  SetLibraryModule(instance);
  ModuleScope scope;
  return InitInstance();
}

void DllApp::Detach(bool processEnding) {
  // At process exit other threads are gone and windows may be too: nothing
  // is left to put in order.
  if (processEnding) return;
  ModuleScope scope;
  ExitInstance();
}

}  // namespace condvorn
