#pragma once
// Questions about folders on the disk that the path helpers do not ask:
// for the wizard, the installation and the uninstaller alike.
#include <string>

#include "trust/Unit_Paths.h"

// The user's Start-menu Programs folder, exactly or in its short form;
// empty when the shell cannot tell or when the code page can write neither
// form (Unwritable, if given, then shows it with "?" for what it lacks).
// Shortcuts go there or nowhere.
std::string GetProgramsFolder(std::string* Unwritable = nullptr);
// Whether Folder holds any file or folder, hidden and system ones included.
bool HoldsFiles(const std::string& Folder);
