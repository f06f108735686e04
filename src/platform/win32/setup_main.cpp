// SETUP.EXE: the Win32 entry point hands the command-line text to the
// application object, as the application framework would.
#include <windows.h>

#include <string>

#include "app/install_app.h"
#include "platform/win32/win32_platform.h"
#include "ui/win32/property_sheet_host.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int) {
  win32::Win32Platform platform;
  win32ui::PropertySheetHost wizardHost;
  platform.SetWizardHost(&wizardHost);
  CInstallApp app(platform.Interfaces(), commandLine != nullptr ? commandLine : "");
  app.Run();
  // For a debugger (and the smoke test under Wine): the adapter models the
  // script names went unrecognised. Users see nothing.
  if (app.GetComponents().DetectionPassedOver()) {
    OutputDebugStringA("SETUP: step not built: recognising the display adapter\n");
  }
  return 0;
}
