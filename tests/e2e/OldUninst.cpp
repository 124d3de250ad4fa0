// Stands in for the uninstaller of version 1.0 in the end-to-end tests:
// records how it was started in ran.txt beside itself.
#include <windows.h>

#include <cstdio>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int) {
  char self[MAX_PATH], folder[MAX_PATH];
  GetModuleFileNameA(nullptr, self, MAX_PATH);
  GetCurrentDirectoryA(MAX_PATH, folder);
  char* slash = strrchr(self, '\\');
  if (slash) lstrcpyA(slash + 1, "ran.txt");
  if (FILE* f = fopen(self, "w")) {
    std::fprintf(f, "%s|%s\n", commandLine, folder);
    fclose(f);
  }
  return 0;
}
