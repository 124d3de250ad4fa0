#pragma once
// Where the programs may load DLLs from. Both start in folders that ordinary
// users can write (a download folder, the temporary folder) and run with
// administrator rights: a DLL placed beside them must never be loaded.
//
// The loader resolves a program's load-time imports before any of its code
// runs, searching the program's folder first for what is no known DLL; and
// system DLLs load further DLLs by bare name as they start. So the programs
// import only kernel32 and msvcrt at load time; every other system DLL is
// delay-loaded (cmake/DelayLoad.cmake), and the first delay load restricts
// the search before it loads anything.
#include <string>

namespace os::win32 {

// Restricts the DLL search to the system folder: SetDefaultDllDirectories
// with LOAD_LIBRARY_SEARCH_SYSTEM32 where kernel32 has it, otherwise
// SetDllDirectoryA("") (the current folder leaves the search); then the safe
// mode of SearchPath where it exists. Then loads, by their paths in the
// system folder, the DLLs that system DLLs are known to load by bare name,
// so that such a load finds the one loaded. Where SetDefaultDllDirectories
// is missing, the program's own folder stays first in the search: a DLL of
// one of those names beside the program ends it with a message. Before all
// that, a file or folder PROGRAM.exe.local beside the program (which can
// redirect the loader to DLLs in it) ends it with a message. Messages are
// captioned caption (by default the program's file name). Runs once; later
// calls do nothing.
void RestrictDllSearch(const char* caption = nullptr);

// The first file in folder named like a DLL of kLoadedByName or
// kDelayLoaded (letters of any case), or empty when there is none.
std::string PlantedDllIn(const std::string& folder);

// The path of a DLL in the system folder, so that it is loaded from there
// and from nowhere else; empty when the system folder is unknown.
std::string SystemDllPath(const char* name);

// The DLLs that RestrictDllSearch loads from the system folder, and those
// the programs delay-load; it watches for both beside the program where it
// cannot keep them out. Each list ends with nullptr.
extern const char* const kLoadedByName[];
extern const char* const kDelayLoaded[];

// A fault in the program's own code ends it at once, wherever it happens:
// also inside a window procedure, where 64-bit Windows (for a 32-bit
// program) and Wine's message dispatch would otherwise swallow it and let
// the program run on with whatever the fault had corrupted.
void MakeFaultsFatal();

}  // namespace os::win32
