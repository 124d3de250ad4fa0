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

}  // namespace
