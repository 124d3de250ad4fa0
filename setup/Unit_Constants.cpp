// The wizard's texts.
#include "setup/Unit_Constants.h"

const char* const ProductVersion = "3.5";

std::string UninstallOldText;
std::string WelcomeText;
std::string BeforeLicenceText;
std::string LicenceText;
std::string AfterLicenceText;
std::string SelectInstallDirText;
std::string ProgFolderText;
std::string ConfirmSettingsText;
std::string FinishedText;
std::string ExitText;

namespace {
const char* const CR2 = "\r\r";
const char* const CR4 = "\r\r\r\r";
const char* const ParagraphBreak = "\r\n\r\n";
}  // namespace

void InitConstants() {
  UninstallOldText =
      "Setup has found Morvella version 1.0 on your computer.  You are recommended to "
      "uninstall that version first, before you install version 3.5.";
  UninstallOldText += CR2;
  UninstallOldText += "Do you want to uninstall version 1.0 now?";
  UninstallOldText += CR2;
  UninstallOldText +=
      "If you click Yes, Setup will be closed and the uninstall program for version 1.0 "
      "will be launched.  Open Setup again to install version ";
  UninstallOldText += ProductVersion;
  UninstallOldText += ".";

  WelcomeText =
      "Welcome to Morvella Setup.  This program will install Morvella 3.5 on your computer.";
  WelcomeText += CR4;
  WelcomeText += "If you have installed version 1.0 already and you want to update it to version ";
  WelcomeText += ProductVersion;
  WelcomeText +=
      ", you are recommended to uninstall the old version first.  Otherwise parts of the old "
      "version may be left on your computer.";
  WelcomeText += CR4;
  WelcomeText += "Furthermore you are recommended to close all programs, before you continue.";
  WelcomeText += CR2;
  WelcomeText +=
      "If you haven't done this yet, click Cancel to close Morvella Setup and then close all "
      "programs you have opened.";
  WelcomeText += CR4;
  WelcomeText += "Otherwise click Next to continue the installation of Morvella.";

  BeforeLicenceText =
      "Read the following licence agreement carefully.  You can press Page Down to read the "
      "rest of the agreement.";

  LicenceText = "MORVELLA 3.5 LICENCE AGREEMENT";
  LicenceText += ParagraphBreak;
  LicenceText +=
      "1. This agreement is between you and Vantrel, the maker of Morvella.  By installing "
      "Morvella you accept its terms.  If you do not accept them, do not install the program.";
  LicenceText += ParagraphBreak;
  LicenceText +=
      "2. Vantrel grants you the right to install and use one copy of Morvella on one computer "
      "at a time.  You may make one copy of the installation disks for safekeeping.";
  LicenceText += ParagraphBreak;
  LicenceText +=
      "3. Morvella, its help file and the wordlists delivered with it remain the property of "
      "Vantrel.  You may not sell, rent or lend the program to others.";
  LicenceText += ParagraphBreak;
  LicenceText +=
      "4. Wordlists that you make with Morvella are yours.  You may use, copy and share them "
      "as you wish.";
  LicenceText += ParagraphBreak;
  LicenceText +=
      "5. You may not change, decompile or disassemble the program, except where the law "
      "allows it in spite of this restriction.";
  LicenceText += ParagraphBreak;
  LicenceText +=
      "6. Morvella is delivered as it is.  Vantrel does not warrant that the program is free "
      "of errors or that it suits any particular purpose.";
  LicenceText += ParagraphBreak;
  LicenceText +=
      "7. Vantrel is not liable for any damage that results from the use of Morvella, not even "
      "when Vantrel has been told of the possibility of such damage.";
  LicenceText += ParagraphBreak;
  LicenceText +=
      "8. This agreement ends when you remove Morvella from your computer.  The law of the "
      "country in which you bought the program applies to it.";

  AfterLicenceText =
      "To install Morvella you must agree with the licence agreement.  Do you agree with the "
      "agreement?";

  SelectInstallDirText = "The program files of Morvella are installed in the following folder.";
  SelectInstallDirText += CR2;
  SelectInstallDirText += "Click Next if you want to install the program in that folder.";
  SelectInstallDirText += CR2;
  SelectInstallDirText +=
      "If you want to use another folder, click Browse and choose another folder.";

  ProgFolderText =
      "Setup will add Morvella to the programs in your Start menu.  Below you can enter in "
      "what folder the program must be placed.  You can also select an existing folder in the "
      "list below.";

  ConfirmSettingsText =
      "If you click Next now, Morvella will be installed with the following settings.";
  ConfirmSettingsText += CR2;
  ConfirmSettingsText += "If you want to change one of the settings below, then click Back.";

  FinishedText = "Setup has installed Morvella on your computer.";
  FinishedText += CR2;
  FinishedText +=
      "In the installation folder short wordlists have been installed for French, German, "
      "Italian and Dutch. You can use them to get to know the program.";
  FinishedText += CR4;
  FinishedText += "Click Finish to complete setup.";

  ExitText =
      "Setup has not been completed.  If you close Morvella Setup now, the program will not "
      "be installed.";
  ExitText += CR2;
  ExitText += "You can execute the setup program again later to complete setup.";
  ExitText += CR2;
  ExitText += "Click Continue if you want to continue setup.  To abort setup, click Exit.";
}
