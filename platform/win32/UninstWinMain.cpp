#include "platform/win32/WinApi.h"
#include "platform/win32/DllSearch.h"

#include "system/Unit_Uninstaller.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  os::win32::RestrictDllSearch("Uninstall Morvella");  // before anything else loads a DLL
  os::Application.Initialize();
  os::Application.Title = "Uninstall Morvella";
  return UninstMain();
}
