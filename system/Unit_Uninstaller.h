#pragma once
#include <string>
// The product's own uninstaller, Uninst.exe: removes the installation that
// the Install.log beside it records, and what Setup wrote to the registry.

// Deletes the uninstall entry and Morvella's own "Morvella.Wordlist" key, and
// ".wdl" while it still names "Morvella.Wordlist" (another program may have
// taken it since). Keys that hold anything else stay.
void RemoveRegistryEntries();

// Argument in double quotes as CommandLineToArgvW reads it back: backslashes
// before a quote, and at the end, doubled; quotes escaped.
std::string QuoteArgument(const std::string& Argument);

// The program: when started from the installation folder, runs again from a
// copy in a new private folder of the temporary folder (a program cannot
// delete its own file) and ends; then asks once, removes, and says what it
// left. Returns the exit code.
int UninstMain();
