// Uninst.exe's entry on Windows: the DLL search restricted before anything
// loads one, then the uninstaller's own program (uninst/Uninstaller).
#include "platform/win32/WinApi.h"
#include "platform/win32/DllSearch.h"

int UninstMain();

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  os::win32::RestrictDllSearch("Uninstall Morvella");  // before anything else loads a DLL
  os::win32::MakeFaultsFatal();
  os::Application.Initialize();
  os::Application.Title = "Uninstall Morvella";
  return UninstMain();
}
