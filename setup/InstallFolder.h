#pragma once
// The installation folder's access rights. Setup and the programs it
// installs run with administrator rights (Uninst.exe from the list of
// installed programs, Morvella.exe for every user through the association),
// so no user without those rights may change the folder they live in.
#include <string>

#include "trust/HeldFolder.h"

// What Program Files has: the system and administrators may change it,
// users read and run what it holds; owned by the administrators.
extern const char* const kInstallFolderSddl;

// Whether Folder lies in the Program Files tree (ProgramFilesDir, and on
// 64-bit Windows ProgramW6432Dir and "ProgramFilesDir (x86)"), whose rights
// are the system's own.
bool InsideProgramFiles(const std::string& Folder);

// Why Setup will not install into Folder, or empty when it will. A link
// (junction or symbolic link) is refused everywhere, and so is a network or
// removable drive; outside Program Files so is a drive that keeps no
// rights. Where rights count (trust/Policy.h), Setup installs only into a
// folder it makes itself or one that only administrators own and can change
// (a handle keeps the rights it was opened with, so rights given later would
// not shut out a user who opened it before), and only where users can
// neither rename nor delete a folder above it. Judged on Way, the way to the
// folder held from its drive's root, when given; else on one held meanwhile.
std::string InstallFolderProblem(const std::string& Folder, const THeldWay* Way = nullptr);

// Before the folder is used: makes every missing level of Way, with the
// administrators as owner from the start, and outside Program Files the
// top-most one with the protected rights (the levels below inherit them).
// Returns why not, or empty.
std::string ProtectInstallFolder(THeldWay& Way, const std::string& Folder);

// Once the folder is held, before anything of an earlier installation goes:
// where rights count, every folder below it must be one that only
// administrators own and can change, and no link. Returns why not (the
// first that is not), or empty.
std::string CheckFoldersBelow(const THeldFolder& Held);

// Once the folder is made and held: refuses it when it is no longer where
// its path says (moved, or a link put in its place) or, judged through the
// handle, is no longer one that only administrators own and can change.
// Returns why not, or empty.
std::string CheckHeldInstallFolder(const THeldFolder& Held);
