#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "setup/Unit_Constants.h"

namespace {

std::size_t CountOf(const std::string& text, const std::string& piece) {
  std::size_t n = 0;
  for (std::size_t at = text.find(piece); at != std::string::npos; at = text.find(piece, at + 1))
    ++n;
  return n;
}

struct LabelText {
  const char* name;
  const std::string* text;
  std::size_t crs;
};

class ConstantsTest : public ::testing::Test {
 protected:
  void SetUp() override { InitConstants(); }

  static std::vector<LabelText> Labels() {
    return {
        {"UninstallOldText", &UninstallOldText, 4},
        {"WelcomeText", &WelcomeText, 14},
        {"BeforeLicenceText", &BeforeLicenceText, 0},
        {"AfterLicenceText", &AfterLicenceText, 0},
        {"SelectInstallDirText", &SelectInstallDirText, 4},
        {"ProgFolderText", &ProgFolderText, 0},
        {"ConfirmSettingsText", &ConfirmSettingsText, 2},
        {"FinishedText", &FinishedText, 6},
        {"ExitText", &ExitText, 4},
    };
  }
};

TEST_F(ConstantsTest, LabelTextsBreakLinesWithLoneCarriageReturns) {
  for (const LabelText& label : Labels()) {
    const std::string& text = *label.text;
    EXPECT_EQ(CountOf(text, "\r"), label.crs) << label.name;
    EXPECT_EQ(CountOf(text, "\n"), 0u) << label.name;
    ASSERT_FALSE(text.empty()) << label.name;
    EXPECT_NE(text.back(), '\r') << label.name << " ends with a line break";
    EXPECT_NE(text.front(), '\r') << label.name;
  }
}

TEST_F(ConstantsTest, SentencesAreSeparatedByTwoBlanks) {
  // One sentence in the finished text has a single blank; everywhere else a
  // full stop inside a text is followed by exactly two.
  for (const LabelText& label : Labels()) {
    const std::string& text = *label.text;
    const std::size_t single = CountOf(text, ". ") - CountOf(text, ".  ");
    EXPECT_EQ(single, label.text == &FinishedText ? 1u : 0u) << label.name;
    EXPECT_EQ(CountOf(text, ".   "), 0u) << label.name;
  }
  EXPECT_NE(WelcomeText.find("Morvella Setup.  This program"), std::string::npos);
  EXPECT_NE(ExitText.find("installed.\r\rYou"), std::string::npos);
}

TEST_F(ConstantsTest, VersionIsInsertedWithoutBlanksOfItsOwn) {
  EXPECT_EQ(std::string(ProductVersion), "3.5");
  const std::string tail = std::string("install version ") + ProductVersion + ".";
  ASSERT_GE(UninstallOldText.size(), tail.size());
  EXPECT_EQ(UninstallOldText.substr(UninstallOldText.size() - tail.size()), tail);
  EXPECT_NE(WelcomeText.find(std::string("to version ") + ProductVersion + ", you are"),
            std::string::npos);
  EXPECT_NE(UninstallOldText.find("Morvella version 1.0"), std::string::npos);
}

TEST_F(ConstantsTest, LicenceIsAHeadingAndEightParagraphs) {
  const std::string& text = LicenceText;
  // Every CR belongs to a CR LF, and every LF follows a CR.
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r') {
      EXPECT_TRUE(i + 1 < text.size() && text[i + 1] == '\n') << "at " << i;
    }
    if (text[i] == '\n') {
      EXPECT_TRUE(i > 0 && text[i - 1] == '\r') << "at " << i;
    }
  }
  std::vector<std::string> blocks;
  std::size_t start = 0;
  for (std::size_t at; (at = text.find("\r\n\r\n", start)) != std::string::npos; start = at + 4)
    blocks.push_back(text.substr(start, at - start));
  blocks.push_back(text.substr(start));
  ASSERT_EQ(blocks.size(), 9u) << "a heading and eight paragraphs";
  for (const std::string& block : blocks) {
    EXPECT_FALSE(block.empty());
    EXPECT_EQ(block.find_first_of("\r\n"), std::string::npos) << "paragraphs are single lines";
  }
  EXPECT_NE(text.back(), '\n');
}

TEST_F(ConstantsTest, BuildingAgainGivesTheSameTexts) {
  const std::string welcome = WelcomeText, licence = LicenceText, exit = ExitText;
  InitConstants();
  EXPECT_EQ(WelcomeText, welcome);
  EXPECT_EQ(LicenceText, licence);
  EXPECT_EQ(ExitText, exit);
}

// Word for word, written here from the wording the wizard must show: a
// changed word, blank or line break in a text fails.
TEST_F(ConstantsTest, EveryLabelTextIsWordForWordTheWizardsWording) {
  const struct {
    const char* name;
    const std::string* text;
    std::string expected;
  } texts[] = {
      {"UninstallOldText", &UninstallOldText,
       "Setup has found Morvella version 1.0 on your computer.  You are recommended to uninstall "
       "that version first, before you install version 3.5.\r\rDo you want to uninstall version "
       "1.0 now?\r\rIf you click Yes, Setup will be closed and the uninstall program for version "
       "1.0 will be launched.  Open Setup again to install version 3.5."},
      {"WelcomeText", &WelcomeText,
       "Welcome to Morvella Setup.  This program will install Morvella 3.5 on your computer."
       "\r\r\r\rIf you have installed version 1.0 already and you want to update it to version "
       "3.5, you are recommended to uninstall the old version first.  Otherwise parts of the old "
       "version may be left on your computer.\r\r\r\rFurthermore you are recommended to close all "
       "programs, before you continue.\r\rIf you haven't done this yet, click Cancel to close "
       "Morvella Setup and then close all programs you have opened.\r\r\r\rOtherwise click Next "
       "to continue the installation of Morvella."},
      {"BeforeLicenceText", &BeforeLicenceText,
       "Read the following licence agreement carefully.  You can press Page Down to read the rest "
       "of the agreement."},
      {"AfterLicenceText", &AfterLicenceText,
       "To install Morvella you must agree with the licence agreement.  Do you agree with the "
       "agreement?"},
      {"SelectInstallDirText", &SelectInstallDirText,
       "The program files of Morvella are installed in the following folder.\r\rClick Next if you "
       "want to install the program in that folder.\r\rIf you want to use another folder, click "
       "Browse and choose another folder."},
      {"ProgFolderText", &ProgFolderText,
       "Setup will add Morvella to the programs in your Start menu.  Below you can enter in what "
       "folder the program must be placed.  You can also select an existing folder in the list "
       "below."},
      {"ConfirmSettingsText", &ConfirmSettingsText,
       "If you click Next now, Morvella will be installed with the following settings.\r\rIf you "
       "want to change one of the settings below, then click Back."},
      {"FinishedText", &FinishedText,
       "Setup has installed Morvella on your computer.\r\rIn the installation folder short "
       "wordlists have been installed for French, German, Italian and Dutch. You can use them to "
       "get to know the program.\r\r\r\rClick Finish to complete setup."},
      {"ExitText", &ExitText,
       "Setup has not been completed.  If you close Morvella Setup now, the program will not be "
       "installed.\r\rYou can execute the setup program again later to complete setup.\r\rClick "
       "Continue if you want to continue setup.  To abort setup, click Exit."},
  };
  for (const auto& t : texts) EXPECT_EQ(*t.text, t.expected) << t.name;
}

}  // namespace
