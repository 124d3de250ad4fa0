#include "platform/win32/WinApi.h"

int SetupMain();

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) { return SetupMain(); }
