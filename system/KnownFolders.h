#pragma once
// The folders Windows names for the product (the Start menu's Programs,
// Program Files), and whether a folder holds anything: for the wizard, the
// installation and the uninstaller alike.
#include <string>
#include <vector>

#include "trust/Unit_Paths.h"

// The user's Start-menu Programs folder, exactly or in its short form;
// empty when the shell cannot tell or when the code page can write neither
// form (Unwritable, if given, then shows it with "?" for what it lacks).
// Shortcuts go there or nowhere.
std::string GetProgramsFolder(std::string* Unwritable = nullptr);
// The Program Files folders, as Windows names them (ProgramFilesDir, and on
// 64-bit Windows ProgramW6432Dir and "ProgramFilesDir (x86)"), full paths
// only; the first is ProgramFilesDir, or "C:\\Program Files" where that is
// missing or no full path (which would be taken relative to the medium).
std::vector<std::string> ProgramFilesFolders();
// Whether Folder holds any file or folder, hidden and system ones included.
bool HoldsFiles(const std::string& Folder);
