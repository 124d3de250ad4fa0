#pragma once
// The product's three Start-menu shortcuts, recorded in the install log.
#include <functional>
#include <string>

class TLogFile;

// Makes "Morvella.lnk", "Morvella Help.lnk" and "Uninstall Morvella.lnk" in
// the Start-menu folder ProgFolder (relative to the Programs folder), each
// logged before it is made. Raises on COM and log errors; a shortcut that
// cannot be saved is silently missing. AfterEach, when given, is called
// after each: there the user-interface thread handles its messages.
void CreateShortcuts(const std::string& InstallDir, const std::string& ProgFolder,
                     TLogFile& LogFile, const std::function<void()>& AfterEach = {});
// Whether Name (as an install log lists it below the Start-menu folder) is
// one of those three, letters of any case alike.
bool IsProductShortcut(const std::string& Name);
