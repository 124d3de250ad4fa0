// The DLL search restricted to the system before anything loads a DLL.
#include "platform/win32/DllSearch.h"

#include "platform/win32/WinApi.h"

#include "platform/Chars.h"

#include <delayimp.h>

namespace os::win32 {

const char* const kLoadedByName[] = {
    "uxtheme.dll",  "version.dll",  "dwmapi.dll",   "cryptbase.dll", "userenv.dll",
    "propsys.dll",  "apphelp.dll",  "oleacc.dll",   "clbcatq.dll",   "ntmarta.dll",
    "msimg32.dll",  "setupapi.dll", "profapi.dll",  "sspicli.dll",   "wldp.dll",
    // CryptoAPI's host and provider, which a system DLL may load (the
    // provider by the bare name the registry gives); Setup's own SHA-256
    // no longer asks for them.
    "cryptsp.dll",  "rsaenh.dll",   nullptr};
const char* const kDelayLoaded[] = {"user32.dll", "gdi32.dll",    "comctl32.dll", "shell32.dll",
                                    "ole32.dll",  "advapi32.dll", "imagehlp.dll", nullptr};

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

bool restricted = false;

std::string ProgramPath() {
  // Asked in UTF-16: the ANSI call gives a look-alike of a folder name the
  // code page cannot write, and the search below would look in no folder.
  wchar_t path[MAX_PATH] = {};
  const ::DWORD n = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
  return n == 0 || n >= MAX_PATH ? std::string() : AnsiPath(path);
}

std::string ProgramFolder() {
  const std::string path = ProgramPath();
  const std::size_t slash = SystemCharacters().FindLast(path, '\\');
  return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

// A DLL loaded by its full path, its own dependencies looked for beside it
// (in the system folder), not beside the program.
::HMODULE LoadByPath(const std::string& path) {
  return ::LoadLibraryExA(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

[[noreturn]] void Refuse(const std::string& text, const char* caption) {
  ::MessageBoxA(nullptr, text.c_str(), caption, MB_OK | MB_ICONERROR);
  ::ExitProcess(1);
}

// Every delay-loaded DLL comes from the system folder, found there by its
// full path; the common controls by name, so that the manifest's version
// is taken (the search is restricted by then).
FARPROC WINAPI DelayLoadHook(unsigned note, PDelayLoadInfo info) {
  if (note != dliNotePreLoadLibrary) return nullptr;
  RestrictDllSearch();
  if (::lstrcmpiA(info->szDll, "comctl32.dll") == 0) return nullptr;
  const std::string path = SystemDllPath(info->szDll);
  return reinterpret_cast<FARPROC>(path.empty() ? nullptr : LoadByPath(path));
}

}  // namespace

void RestrictDllSearch(const char* caption) {
  if (restricted) return;
  restricted = true;
  std::string program = ProgramPath();
  const std::string programName = program.substr(SystemCharacters().FindLast(program, '\\') + 1);
  const std::string title = caption ? caption : programName;
  // A PROGRAM.exe.local beside the program can make the loader take DLLs
  // from it (side-by-side redirection): nothing more is loaded then.
  wchar_t self[MAX_PATH + 8] = {};
  const ::DWORD n = ::GetModuleFileNameW(nullptr, self, MAX_PATH);
  if (n > 0 && n < MAX_PATH) {
    ::lstrcatW(self, L".local");
    const ::DWORD attributes = ::GetFileAttributesW(self);
    if (attributes != INVALID_FILE_ATTRIBUTES) {
      // Windows takes either, a file as a folder's stand-in: named as it is.
      const std::string kind = (attributes & FILE_ATTRIBUTE_DIRECTORY) ? "folder" : "file";
      Refuse(programName + " cannot start: the " + kind + " " + programName +
                 ".local beside it could make Windows load other code in place of its own "
                 "libraries.  Remove that " + kind + " and start " + programName + " again.",
             title.c_str());
    }
  }
  using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(::DWORD);
  using SetDllDirectoryFn = BOOL(WINAPI*)(LPCSTR);
  using SetSearchPathModeFn = BOOL(WINAPI*)(::DWORD);
  auto setDefault = Kernel32<SetDefaultDllDirectoriesFn>("SetDefaultDllDirectories");
  const bool systemOnly = setDefault && setDefault(kSearchSystem32);
  if (!systemOnly) {
    if (auto setDirectory = Kernel32<SetDllDirectoryFn>("SetDllDirectoryA")) setDirectory("");
  }
  if (auto setMode = Kernel32<SetSearchPathModeFn>("SetSearchPathMode"))
    setMode(kSafeSearchMode | kSearchModePermanent);
  // A system DLL's later load by name finds these, wherever it would search.
  for (const char* const* name = kLoadedByName; *name; ++name) {
    const std::string path = SystemDllPath(*name);
    if (!path.empty()) LoadByPath(path);  // absent on this system: nothing to find
  }
  if (systemOnly) return;
  // Without SetDefaultDllDirectories the program's folder is still searched
  // first: refused when it holds one of those names. What the box needs of
  // user32 is loaded by now, from the system folder.
  const std::string folder = ProgramFolder();
  const std::string planted =
      folder.empty() ? "(the program's folder is unknown)" : PlantedDllIn(folder);
  if (planted.empty()) return;
  Refuse(programName + " cannot run safely from this folder: it holds " + planted +
             ", which this version of Windows would load in place of its own file.  Copy " +
             programName + " and its files into a new folder that holds nothing else, and start "
             "it there.",
         title.c_str());
}

std::string PlantedDllIn(const std::string& folder) {
  for (const char* const* list : {kLoadedByName, kDelayLoaded}) {
    for (const char* const* name = list; *name; ++name) {
      const std::string path = folder + "\\" + *name;
      if (::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES) return path;
    }
  }
  return {};
}

std::string SystemDllPath(const char* name) {
  char folder[MAX_PATH] = {};
  const UINT n = ::GetSystemDirectoryA(folder, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return {};
  return std::string(folder, n) + "\\" + name;
}

namespace {
LONG CALLBACK EndOnOwnFault(EXCEPTION_POINTERS* info) {
  const ::DWORD code = info->ExceptionRecord->ExceptionCode;
  const bool fault = code == EXCEPTION_ACCESS_VIOLATION || code == EXCEPTION_ILLEGAL_INSTRUCTION ||
                     code == EXCEPTION_PRIV_INSTRUCTION || code == EXCEPTION_INT_DIVIDE_BY_ZERO ||
                     code == EXCEPTION_STACK_OVERFLOW || code == EXCEPTION_ARRAY_BOUNDS_EXCEEDED;
  if (!fault) return EXCEPTION_CONTINUE_SEARCH;
  // Only the program's own code: system libraries probe memory and handle
  // their own faults.
  const auto base = reinterpret_cast<std::uintptr_t>(::GetModuleHandleA(nullptr));
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + std::uintptr_t(dos->e_lfanew));
  const auto at = reinterpret_cast<std::uintptr_t>(info->ExceptionRecord->ExceptionAddress);
  if (at < base || at - base >= nt->OptionalHeader.SizeOfImage) return EXCEPTION_CONTINUE_SEARCH;
  ::TerminateProcess(::GetCurrentProcess(), code);
  return EXCEPTION_CONTINUE_SEARCH;
}
}  // namespace

void MakeFaultsFatal() {
  ::AddVectoredExceptionHandler(1, EndOnOwnFault);
  // Windows 7 to 8.1 take the same from this policy (KB976038).
  using GetPolicyFn = BOOL(WINAPI*)(LPDWORD);
  using SetPolicyFn = BOOL(WINAPI*)(::DWORD);
  constexpr ::DWORD kCallbackFilterEnabled = 0x1;  // PROCESS_CALLBACK_FILTER_ENABLED
  auto get = Kernel32<GetPolicyFn>("GetProcessUserModeExceptionPolicy");
  auto set = Kernel32<SetPolicyFn>("SetProcessUserModeExceptionPolicy");
  ::DWORD flags = 0;
  if (get && set && get(&flags)) set(flags & ~kCallbackFilterEnabled);
}

}  // namespace os::win32

// The delay-load helper asks this before it loads a DLL.
extern "C" {
extern PfnDliHook __pfnDliNotifyHook2;
PfnDliHook __pfnDliNotifyHook2 = os::win32::DelayLoadHook;
}
