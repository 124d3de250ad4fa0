#pragma once
// The wizard's shared state: what its pages chose and found, which the
// installation sequence and the version-1.0 question read, and the error
// box they all show.
#include <cstdint>
#include <string>

struct TSetupPars {
  std::uint8_t Page = 0;      // 0 welcome ... 4 confirmation, 5 finished
  std::string InstallDir;     // full path, no trailing backslash but on a drive root
  std::string ProgFolder;     // relative to the Start menu's Programs folder
  std::string OldInstallDir;  // of an earlier installation
  std::string OldProgFolder;
  bool OldInstallFound = false;  // its log was found: remove it before installing
  bool NoExitConfirm = false;    // closing no longer asks
};

extern TSetupPars SetupPars;
// Version 1.0 was found; its uninstaller is offered when the window shows.
extern bool AskUninstallOld;
extern std::string OldUninstallCommand;

// Shows text in the "Setup" error box.
void ErrorBox(const std::string& text);
