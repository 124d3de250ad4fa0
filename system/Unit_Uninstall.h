#pragma once
// Removal of an earlier installation in place, from its install log, before
// the new one is installed.
#include <string>
#include <vector>

// Deletes the registry keys an earlier installation may have left (only when
// empty), then the shortcuts and the program files its "Install.log" lists,
// each emptied folder as soon as it is empty, the log and the folder. Only
// what lies inside OldInstallDir and the Start-menu folder is touched: an
// entry that would leave them, or reach them through a junction, is skipped.
// Raises EInOutError when the log cannot be opened or read. Returns the
// program files it listed that are still there (locked, read-only), so that
// a new log in the same folder can list them again.
std::vector<std::string> RemoveOldInstallation(const std::string& OldInstallDir,
                                               const std::string& OldProgFolder);

// The file part of the removal alone: shortcuts, program files, emptied
// folders, the log and the folder. Same rules, same result.
std::vector<std::string> RemoveInstalledFiles(const std::string& InstallDir,
                                              const std::string& ProgFolder);

// Whether the installation in InstallDir lies at the root of a drive and
// users without administrator rights can change its "Install.log" there (or
// put another in its place): such a log could name any file of the drive,
// so the installation is left in place.
bool LogOpenToUsersAtRoot(const std::string& InstallDir);
