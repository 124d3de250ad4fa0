#pragma once
// The installation folder's access rights. Setup and the programs it
// installs run with administrator rights (Uninst.exe from the list of
// installed programs, Morvella.exe for every user through the association),
// so no user without those rights may change the folder they live in.
#include <string>

#include "engine/HeldFolder.h"

// What Program Files has: the system and administrators may change it,
// users read and run what it holds; owned by the administrators.
extern const char* const kInstallFolderSddl;

// Whether Folder lies in the Program Files tree (ProgramFilesDir, and on
// 64-bit Windows ProgramW6432Dir and "ProgramFilesDir (x86)"), whose rights
// are the system's own.
bool InsideProgramFiles(const std::string& Folder);

// Why Setup will not install into Folder as it is, or empty when it will: a
// link (junction or symbolic link) is refused everywhere; outside Program
// Files, so is an existing folder that holds other files and that users
// without administrator rights can change. Ours is Setup's own earlier
// installation in that folder.
std::string InstallFolderProblem(const std::string& Folder, bool Ours);

// Before the folder is used, outside Program Files: makes its top-most
// missing folder with the protected rights from the start. Returns why
// not, or empty.
std::string ProtectInstallFolder(const std::string& Folder);

// Once the folder is made and held: refuses it when it is no longer where
// its path says (moved, or a link put in its place); outside Program Files
// gives it the protected rights, through the handle, when it is empty or
// Ours. Returns why not, or empty.
std::string ProtectHeldInstallFolder(const THeldFolder& Held, bool Ours);
