/* A DLL planted beside a program under one of the names that system DLLs
   load by bare name. Loaded, it leaves C:\markers\<its file name> behind;
   it exports nothing a caller could use. */
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID reserved) {
  char path[MAX_PATH], marker[MAX_PATH + 16] = "C:\\markers\\";
  const char* name;
  HANDLE file;
  (void)reserved;
  if (reason != DLL_PROCESS_ATTACH) return TRUE;
  if (!GetModuleFileNameA(self, path, MAX_PATH)) return TRUE;
  name = strrchr(path, '\\') ? strrchr(path, '\\') + 1 : path;
  CreateDirectoryA("C:\\markers", NULL);
  lstrcatA(marker, name);
  file = CreateFileA(marker, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
  if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
  return TRUE;
}
