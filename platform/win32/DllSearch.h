#pragma once
// Where the programs may load DLLs from. Both start in folders that ordinary
// users can write (a download folder, the temporary folder) and run with
// administrator rights: a DLL placed beside them must never be loaded.
#include <string>

namespace os::win32 {

// Restricts the DLL search to the system folder: SetDefaultDllDirectories
// with LOAD_LIBRARY_SEARCH_SYSTEM32 where kernel32 has it, otherwise
// SetDllDirectoryA("") (the current folder leaves the search); then the safe
// mode of SearchPath where it exists. Call it first, before anything loads.
void RestrictDllSearch();

// The path of a DLL in the system folder, so that it is loaded from there
// and from nowhere else; empty when the system folder is unknown.
std::string SystemDllPath(const char* name);

}  // namespace os::win32
