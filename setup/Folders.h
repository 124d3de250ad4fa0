#pragma once
// Questions about folders and files on the disk, and the folders a check
// made and takes back: for the wizard, the installation and the
// uninstaller alike.
#include <string>
#include <utility>

// The deepest existing folder on Path, and the missing rest below it.
std::pair<std::string, std::string> SplitExistingPath(const std::string& Path);
// Removes the folders Rest below Existing that a test created, as split by
// SplitExistingPath: the disk is left as it was.
void RemoveCreatedFolders(const std::string& Existing, std::string Rest);
// The user's Start-menu Programs folder; empty when the shell cannot tell.
std::string GetProgramsFolder();
// Whether Path names an existing folder.
bool FolderExists(const std::string& Path);
bool FileExists(const std::string& Path);
// Whether Path is given from a drive ("C:\...", a letter) or a share
// ("\\server\share...", both named), not relative to the current folder.
bool IsAbsoluteFolder(const std::string& Path);
// Whether Folder holds any file or folder, hidden and system ones included.
bool HoldsFiles(const std::string& Folder);
// Whether anybody but administrators and the system may change Path (or
// what a folder holds), judged by its owner and DACL; unreadable rights, or
// none (FAT), count as changeable.
bool UsersCanChange(const std::string& Path);
// Whether anybody but administrators and the system may change the file
// Path or put another in its place: by its own rights, or by its folder's
// leave to delete what it holds.
bool UsersCanReplace(const std::string& Path);
// Whether A and B name the same folder (full paths, letters of any case).
bool SameFolder(const std::string& A, const std::string& B);
