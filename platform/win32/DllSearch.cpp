#include "platform/win32/DllSearch.h"

#include "platform/win32/WinApi.h"

namespace os::win32 {

namespace {
// Looked up at run time: the oldest systems the programs start on lack them.
template <class Function>
Function Kernel32(const char* name) {
  return reinterpret_cast<Function>(
      reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleA("kernel32.dll"), name)));
}
constexpr ::DWORD kSearchSystem32 = 0x00000800;     // LOAD_LIBRARY_SEARCH_SYSTEM32
constexpr ::DWORD kSafeSearchMode = 0x00000001;     // BASE_SEARCH_PATH_ENABLE_SAFE_SEARCHMODE
constexpr ::DWORD kSearchModePermanent = 0x00008000;  // BASE_SEARCH_PATH_PERMANENT
}  // namespace

void RestrictDllSearch() {
  using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(::DWORD);
  using SetDllDirectoryFn = BOOL(WINAPI*)(LPCSTR);
  using SetSearchPathModeFn = BOOL(WINAPI*)(::DWORD);
  auto setDefault = Kernel32<SetDefaultDllDirectoriesFn>("SetDefaultDllDirectories");
  if (!setDefault || !setDefault(kSearchSystem32)) {
    if (auto setDirectory = Kernel32<SetDllDirectoryFn>("SetDllDirectoryA")) setDirectory("");
  }
  if (auto setMode = Kernel32<SetSearchPathModeFn>("SetSearchPathMode"))
    setMode(kSafeSearchMode | kSearchModePermanent);
}

std::string SystemDllPath(const char* name) {
  char folder[MAX_PATH] = {};
  const UINT n = ::GetSystemDirectoryA(folder, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return {};
  return std::string(folder, n) + "\\" + name;
}

}  // namespace os::win32
