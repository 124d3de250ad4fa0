// The wizard window as Windows shows it: exact client size, controls at
// their layout rectangles, the dialog font, the side picture.
#include "platform/win32/WinApi.h"

#include <gtest/gtest.h>

#include "setup/Main.h"
#include "setup/Unit_Constants.h"

namespace {

::HWND Native(os::HWND h) { return os::win32::Native(h); }

RECT ChildRect(::HWND parent, ::HWND child) {
  RECT r;
  ::GetWindowRect(child, &r);
  ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

class MainFormWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    os::Application.Initialize();
    InitConstants();
    form_.Show();
  }
  TMainForm form_;
};

TEST_F(MainFormWindowTest, ClientAreaIs532By353AndCentred) {
  ::HWND window = Native(form_.Handle);
  ASSERT_NE(window, nullptr);
  RECT client;
  ::GetClientRect(window, &client);
  EXPECT_EQ(client.right, 532);
  EXPECT_EQ(client.bottom, 353);
  RECT outer;
  ::GetWindowRect(window, &outer);
  const int screenWidth = ::GetSystemMetrics(SM_CXSCREEN);
  EXPECT_NEAR((outer.left + outer.right) / 2, screenWidth / 2, 1);
  char caption[64] = {};
  ::GetWindowTextA(window, caption, sizeof caption);
  EXPECT_STREQ(caption, "Morvella Setup");
}

TEST_F(MainFormWindowTest, FrameHasACloseBoxButNoMinimiseOrMaximiseBox) {
  const LONG style = ::GetWindowLongA(Native(form_.Handle), GWL_STYLE);
  EXPECT_TRUE(style & WS_SYSMENU);
  EXPECT_FALSE(style & WS_MINIMIZEBOX);
  EXPECT_FALSE(style & WS_MAXIMIZEBOX);
  EXPECT_FALSE(style & WS_THICKFRAME);
}

TEST_F(MainFormWindowTest, ControlsStandAtTheirLayoutRectangles) {
  ::HWND window = Native(form_.Handle);
  RECT label = ChildRect(window, Native(form_.WelcomeLabel.Handle));
  EXPECT_EQ(label.left, 152);
  EXPECT_EQ(label.top, 16);
  EXPECT_EQ(label.right - label.left, 361);
  EXPECT_EQ(label.bottom - label.top, 281);
  RECT image = ChildRect(window, Native(form_.SetupImage.Handle));
  EXPECT_EQ(image.left, 16);
  EXPECT_EQ(image.top, 16);
  EXPECT_EQ(image.right - image.left, 120);
  EXPECT_EQ(image.bottom - image.top, 280);
}

TEST_F(MainFormWindowTest, LabelShowsTheWelcomeTextInTheDialogFont) {
  ::HWND label = Native(form_.WelcomeLabel.Handle);
  std::string text(4096, '\0');
  text.resize(::GetWindowTextA(label, text.data(), int(text.size())));
  EXPECT_EQ(text, WelcomeText);
  HFONT font = reinterpret_cast<HFONT>(::SendMessageA(label, WM_GETFONT, 0, 0));
  ASSERT_NE(font, nullptr);
  LOGFONTA info = {};
  ::GetObjectA(font, sizeof info, &info);
  EXPECT_STREQ(info.lfFaceName, "MS Sans Serif");
  EXPECT_EQ(info.lfHeight, -11);
}

TEST_F(MainFormWindowTest, SidePictureComesFromTheProgramsResources) {
  HBITMAP bitmap = reinterpret_cast<HBITMAP>(
      ::SendMessageA(Native(form_.SetupImage.Handle), STM_GETIMAGE, IMAGE_BITMAP, 0));
  ASSERT_NE(bitmap, nullptr);
  BITMAP info = {};
  ::GetObjectA(bitmap, sizeof info, &info);
  EXPECT_EQ(info.bmWidth, 120);
  EXPECT_EQ(info.bmHeight, 280);
}

}  // namespace
