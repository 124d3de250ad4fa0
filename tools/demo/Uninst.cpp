// Placeholder for the product's uninstaller in the demo payload.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  MessageBoxA(nullptr, "The uninstaller of Morvella 3.5 is not part of this demo build yet.",
              "Uninstall Morvella", MB_OK | MB_ICONINFORMATION);
  return 0;
}
