#include "tests/support/Platform.h"

#ifdef _WIN32
#include <windows.h>

bool OnWine() {
  const HMODULE ntdll = ::GetModuleHandleA("ntdll.dll");
  return ntdll && ::GetProcAddress(ntdll, "wine_get_version") != nullptr;
}
#else
bool OnWine() { return false; }
#endif
