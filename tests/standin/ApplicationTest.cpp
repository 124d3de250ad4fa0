#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "platform/Application.h"
#include "platform/Dialogs.h"
#include "platform/Exceptions.h"
#include "platform/standin/Standin.h"
#include "resources/ResourceIds.h"
#include "setup/Main.h"
#include "setup/Unit_Constants.h"

namespace {

class ApplicationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    standin::ResetDialogs();
    os::Application.Title = "Setup";
  }
};

TEST_F(ApplicationTest, HandlerErrorIsShownInTheSetupErrorBox) {
  bool after = false;
  os::Application.Guard([&] {
    throw os::ERegistryException("Failed to set data for 'DisplayName'");
    after = true;
  });
  os::Application.Guard([] { throw os::EInOutError("Disk full", 112); });
  EXPECT_FALSE(after);
  ASSERT_EQ(standin::MessageBoxes().size(), 2u);
  const auto& first = standin::MessageBoxes()[0];
  EXPECT_EQ(first.Caption, "Setup");
  EXPECT_EQ(first.Text, "Failed to set data for 'DisplayName'");
  EXPECT_EQ(first.Type, os::MB_OK | os::MB_ICONERROR);
  EXPECT_EQ(standin::MessageBoxes()[1].Text, "Disk full.");
}

TEST_F(ApplicationTest, WizardWindowShowsTheWelcomeTextAndTheSidePicture) {
  std::ifstream in(TEST_SOURCE_DIR "/resources/SideImage.jpg", std::ios::binary);
  standin::SetRcData(IDR_SIDEIMAGE, std::string(std::istreambuf_iterator<char>(in), {}));
  InitConstants();
  TMainForm form;
  EXPECT_EQ(form.Caption(), "Morvella Setup");
  EXPECT_EQ(form.ClientWidth(), 532);
  EXPECT_EQ(form.ClientHeight(), 353);
  EXPECT_EQ(form.WelcomeLabel.Caption(), WelcomeText);
  EXPECT_EQ(form.SetupImage.Picture().Width, 120);
  EXPECT_EQ(form.SetupImage.Picture().Height, 280);
}

TEST_F(ApplicationTest, WizardStartsWithoutTheSidePictureWhenItIsDamaged) {
  standin::SetRcData(IDR_SIDEIMAGE, "damaged");
  InitConstants();
  TMainForm form;
  EXPECT_EQ(form.SetupImage.Picture().Width, 0);
  EXPECT_EQ(form.WelcomeLabel.Caption(), WelcomeText);
  EXPECT_TRUE(standin::MessageBoxes().empty());
}

}  // namespace
