// dllprobe [--restricted]: loads "planted.dll" (which lies only beside this
// program) and "imagehlp.dll" (only in the system folder) by bare name, after
// restricting the DLL search when asked. Exit code: 1 when the planted DLL
// loaded, plus 2 when the system DLL did.
#include "platform/win32/WinApi.h"

#include <cstring>

#include "platform/win32/DllSearch.h"

int main(int argc, char** argv) {
  if (argc > 1 && std::strcmp(argv[1], "--restricted") == 0) os::win32::RestrictDllSearch();
  const bool planted = ::LoadLibraryA("planted.dll") != nullptr;
  const bool system = ::LoadLibraryA("imagehlp.dll") != nullptr;
  return (planted ? 1 : 0) | (system ? 2 : 0);
}
