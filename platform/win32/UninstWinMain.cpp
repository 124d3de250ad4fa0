#include "platform/win32/WinApi.h"
#include "platform/win32/DllSearch.h"

// The uninstaller's program entry (system/Unit_Uninstaller), as WinMain.cpp
// takes Setup's: the seam is linked below the program, never includes it.
int UninstMain();

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  os::win32::RestrictDllSearch("Uninstall Morvella");  // before anything else loads a DLL
  os::win32::MakeFaultsFatal();
  os::Application.Initialize();
  os::Application.Title = "Uninstall Morvella";
  return UninstMain();
}
