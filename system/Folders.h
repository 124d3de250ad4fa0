#pragma once
// Questions about folders on the disk that the path helpers do not ask:
// for the wizard, the installation and the uninstaller alike.
#include <string>

#include "engine/Unit_Paths.h"

// The user's Start-menu Programs folder, exactly or in its short form;
// empty when the shell cannot tell or when the code page can write neither
// form (Unwritable, if given, then shows it with "?" for what it lacks).
// Shortcuts go there or nowhere.
std::string GetProgramsFolder(std::string* Unwritable = nullptr);
// Whether Folder holds any file or folder, hidden and system ones included.
bool HoldsFiles(const std::string& Folder);
// Whether this system keeps and reports the rights of files and folders:
// every Windows does; Wine keeps none (every file reads as the user's).
bool FileRightsTell();
// Whether only administrators, the system and the trusted installer own
// and may change Path (a folder or file); unreadable rights count as not.
bool OnlyAdministratorsCanChange(const std::string& Path);
// The first existing folder above Path (nearest first, up to its drive's
// root) that users without administrator rights may rename or delete, or
// whose entries they may rename or delete: then they could put another
// folder where Path lies. Empty when there is none. Unreadable rights count
// as such a folder.
std::string FirstFolderAboveUsersCanRename(const std::string& Path);
// The first existing level of the full path Path, from its drive down to
// Path itself, that is a link (a junction or symbolic link), each read
// without following it; empty when none is.
std::string LinkOnTheWay(const std::string& Path);
// Whether anybody but administrators and the system may change the file
// Path or put another in its place: by its own rights, or by its folder's
// leave to delete what it holds.
bool UsersCanReplace(const std::string& Path);
