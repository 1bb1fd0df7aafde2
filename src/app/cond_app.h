// CCondApp, the library's application object: at start-up it puts the
// library-wide state at its load values, registers the panel's message and
// finds out which help format lies in the host program's directory.
#pragma once

#include <windows.h>

#include <string>

#include "app/dll_app.h"

namespace condvorn {

class CCondApp : public DllApp {
 public:
  static CCondApp& Get() { return static_cast<CCondApp&>(Current()); }

  // Directory of the host program's executable, separator kept; empty when
  // unknown (the help files are then looked for in the current directory).
  const std::string& programDirectory() const;
  // "zelcond.chm" (html) or "zelcond.hlp" in programDirectory.
  std::string HelpFilePath(bool html) const;
  // Whether the compiled HTML help file was there when the library loaded.
  bool htmlHelpAvailable() const { return htmlHelpAvailable_; }
  // The registered message "ZELCOND_MSG" between the panel and the host.
  UINT zelcondMessage() const { return zelcondMessage_; }

 protected:
  bool InitInstance() override;
  // An unloading library closes an open modeless panel first: its window
  // procedure is about to go.
  void ExitInstance() override;

 private:
  UINT zelcondMessage_ = 0;
  bool htmlHelpAvailable_ = false;
};

}  // namespace condvorn
