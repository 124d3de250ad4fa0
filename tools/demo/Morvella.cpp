// A stand-in for the product in the demo payload: a tiny program that says
// what it is and which wordlist it was asked to open.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int) {
  char text[512] = "Morvella 3.5\n\nWordlist program by Vantrel.";
  if (commandLine && *commandLine) {
    lstrcatA(text, "\n\nOpened: ");
    lstrcpynA(text + lstrlenA(text), commandLine, 300);
  }
  MessageBoxA(nullptr, text, "Morvella", MB_OK | MB_ICONINFORMATION);
  return 0;
}
