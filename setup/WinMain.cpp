// Setup.exe's entry on Windows: the DLL search restricted before anything
// loads one, then the wizard's program (setup/SetupMain).
#include "platform/win32/WinApi.h"
#include "platform/win32/DllSearch.h"

int SetupMain();

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  os::win32::RestrictDllSearch("Setup");  // before anything else loads a DLL
  os::win32::MakeFaultsFatal();
  return SetupMain();
}
