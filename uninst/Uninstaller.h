#pragma once
// The product's own uninstaller, Uninst.exe: removes the installation that
// the Install.log beside it records, and what Setup wrote to the registry.
#include <string>

#include "system/Unit_Uninstall.h"

// Deletes the uninstall entry and Morvella's own "Morvella.Wordlist" key, and
// ".wdl" while it still names "Morvella.Wordlist" (another program may have
// taken it since). Keys that hold anything else stay.
void RemoveRegistryEntries();

// Replaces the log in InstallDir by one that lists exactly what left
// holds, so that a later run can finish the removal: written in full to a
// new file first, the old one stays when anything fails.
void WriteRemainingLog(const std::string& InstallDir, const std::string& ProgFolder,
                       const TRemovalResult& left);

// Argument in double quotes as CommandLineToArgvW reads it back: backslashes
// before a quote, and at the end, doubled; quotes escaped.
std::string QuoteArgument(const std::string& Argument);

// The program: when started from the installation folder, runs again from a
// copy in a new private folder of the temporary folder (a program cannot
// delete its own file) and ends; then asks once, removes, and says what it
// left. Returns the exit code.
int UninstMain();
