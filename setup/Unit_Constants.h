#pragma once
// The long texts of the wizard's pages and of its two small dialogs. Labels
// break lines with a lone CR; only the licence, shown in an edit box, uses
// CR LF. Built once by InitConstants, before any window is created.
#include <string>

extern const char* const ProductVersion;  // "3.5", the version this Setup installs

extern std::string UninstallOldText;
extern std::string WelcomeText;
extern std::string BeforeLicenceText;
extern std::string LicenceText;
extern std::string AfterLicenceText;
extern std::string SelectInstallDirText;
extern std::string ProgFolderText;
extern std::string ConfirmSettingsText;
extern std::string FinishedText;
extern std::string ExitText;

void InitConstants();
