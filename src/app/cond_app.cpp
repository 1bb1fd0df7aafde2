#include "app/cond_app.h"

#include "api/library_state.h"
#include "api/panel_link.h"
#include "condvorn.h"
#include "link/link_state.h"
#include "os/os.h"

namespace condvorn {
namespace {

CCondApp theApp;

}  // namespace

const std::string& CCondApp::programDirectory() const { return Link().programDirectory; }

std::string CCondApp::HelpFilePath(bool html) const {
  return programDirectory() + "zelcond." + (html ? "chm" : "hlp");
}

bool CCondApp::InitInstance() {
  InstallOs(PlatformOs());
  LoadLibraryState();  // works out programDirectory among the rest
  zelcondMessage_ = RegisterWindowMessageA(COND_MESSAGE_NAME);
  htmlHelpAvailable_ = GetFileAttributesA(HelpFilePath(true).c_str()) != INVALID_FILE_ATTRIBUTES;
  return DllApp::InitInstance();
}

void CCondApp::ExitInstance() {
  if (Lib().activePanel != nullptr) Lib().activePanel->Close(false);
  DllApp::ExitInstance();
}

}  // namespace condvorn
