// Message boxes. The request carries the message number and its inserts
// beside the finished text, so a simulated machine can record and answer
// it by number; the Win32 box shows the text.
#pragma once

#include <string>
#include <vector>

#include "platform/win_types.h"

namespace platform {

struct MessageBoxRequest {
  int messageId = 0;
  std::vector<std::string> inserts;
  std::string text;
  std::string caption;
  UINT type = 0;  // MB_OK | MB_ICONERROR, MB_YESNO …
};

class IUserInterface {
 public:
  virtual ~IUserInterface() = default;

  // MessageBoxA owned by the wizard's window on top (the page host's
  // GetTopWindow), without an owner when no wizard is shown: IDOK, IDYES, IDNO …
  virtual int MessageBoxA(const MessageBoxRequest& request) = 0;
};

}  // namespace platform
