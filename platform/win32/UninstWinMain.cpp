#include "platform/win32/WinApi.h"

#include "system/Unit_Uninstaller.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  os::Application.Initialize();
  os::Application.Title = "Uninstall Morvella";
  return UninstMain();
}
