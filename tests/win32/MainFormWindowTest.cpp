// The wizard's windows as Windows shows them: exact client sizes, controls
// at their layout rectangles, the dialog font, default and cancel buttons,
// keyboard routing, the Start-menu tree in the locale's order.
#include "platform/win32/WinApi.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <commctrl.h>
#include <thread>

#include "setup/SetupForms.h"
#include "setup/Unit_Constants.h"
#include "system/KnownFolders.h"

#ifndef WM_DPICHANGED
#define WM_DPICHANGED 0x02E0
#endif

namespace {

::HWND Native(os::HWND h) { return os::win32::Native(h); }

RECT ChildRect(::HWND parent, ::HWND child) {
  RECT r;
  ::GetWindowRect(child, &r);
  ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

void Pump() {
  MSG message;
  for (int round = 0; round < 3; ++round) {
    while (::PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
      if (ui::native::DialogMessage(&message)) continue;
      ::TranslateMessage(&message);
      ::DispatchMessageA(&message);
    }
    ::Sleep(10);
  }
}

// Presses a key in whatever has the focus, as the keyboard would.
void Press(WORD key) {
  ::HWND focus = ::GetFocus();
  ::PostMessageA(focus, WM_KEYDOWN, key, 0);
  ::PostMessageA(focus, WM_KEYUP, key, 0xC0000000);
  Pump();
}

// The children of parent in the tree window, with their texts, in order.
std::vector<std::pair<HTREEITEM, std::string>> TreeChildren(::HWND tree, HTREEITEM parent) {
  std::vector<std::pair<HTREEITEM, std::string>> children;
  for (auto item = reinterpret_cast<HTREEITEM>(
           ::SendMessageA(tree, TVM_GETNEXTITEM, TVGN_CHILD, reinterpret_cast<LPARAM>(parent)));
       item; item = reinterpret_cast<HTREEITEM>(
                 ::SendMessageA(tree, TVM_GETNEXTITEM, TVGN_NEXT, reinterpret_cast<LPARAM>(item)))) {
    char text[MAX_PATH] = {};
    TVITEMA data = {};
    data.mask = TVIF_TEXT;
    data.hItem = item;
    data.pszText = text;
    data.cchTextMax = sizeof text;
    ::SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&data));
    children.emplace_back(item, text);
  }
  return children;
}

// Rounded as a person would: to the nearest pixel, halves up.
int Scaled(int value, int dpi) { return (value * dpi + 48) / 96; }

// What Windows sends a window moved onto a monitor of dpi: the message, with
// a suggested rectangle of the client size scaled.
void MoveToDpi(ui::TForm& form, int dpi) {
  ::HWND window = Native(form.Handle);
  RECT r = {0, 0, Scaled(form.ClientWidth(), dpi), Scaled(form.ClientHeight(), dpi)};
  ::AdjustWindowRectEx(&r, DWORD(::GetWindowLongA(window, GWL_STYLE)), FALSE,
                       DWORD(::GetWindowLongA(window, GWL_EXSTYLE)));
  ::OffsetRect(&r, 8 - r.left, 8 - r.top);
  ui::native::SetWindowDpiForTesting(dpi);
  ::SendMessageA(window, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&r));
}

std::string TextOf(::HWND w) {
  std::string text(std::size_t(::GetWindowTextLengthA(w)) + 1, '\0');
  text.resize(std::size_t(::GetWindowTextA(w, text.data(), int(text.size()))));
  return text;
}

// What the control's text needs beyond the control, measured in its own font
// as Windows draws it; empty when it fits.
std::string Overflow(const ui::TControl& control, int dpi) {
  ::HWND window = Native(control.Handle);
  const std::string text = TextOf(window);
  RECT client;
  ::GetClientRect(window, &client);
  HDC dc = ::GetDC(window);
  HGDIOBJ old = ::SelectObject(dc, reinterpret_cast<HFONT>(::SendMessageA(window, WM_GETFONT, 0, 0)));
  RECT need = {0, 0, client.right, 0};
  int room = client.right, height = client.bottom;
  switch (control.Kind()) {
    case ui::TControlKind::Label:
      ::DrawTextA(dc, text.c_str(), -1, &need, DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS);
      break;
    case ui::TControlKind::Button:  // inside its edges
      ::DrawTextA(dc, text.c_str(), -1, &need, DT_CALCRECT | DT_SINGLELINE);
      room -= Scaled(8, dpi), height -= Scaled(4, dpi);
      break;
    case ui::TControlKind::RadioButton:  // beside its circle
      ::DrawTextA(dc, text.c_str(), -1, &need, DT_CALCRECT | DT_SINGLELINE);
      room -= Scaled(17, dpi);
      break;
    default:  // a group box's caption, in its frame
      ::DrawTextA(dc, text.c_str(), -1, &need, DT_CALCRECT | DT_SINGLELINE);
      room -= Scaled(16, dpi), height = need.bottom;
      break;
  }
  ::SelectObject(dc, old);
  ::ReleaseDC(window, dc);
  if (need.right <= room && need.bottom <= height) return "";
  return "needs " + std::to_string(need.right) + " x " + std::to_string(need.bottom) + ", has " +
         std::to_string(room) + " x " + std::to_string(height);
}

class MainFormWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    os::Application = os::TApplication();
    os::Application.Initialize();
    os::Application.Title = "Setup";
    os::Application.CreateHandle();
    SetupPars = TSetupPars();
    InitConstants();
    forms_ = std::make_unique<TSetupForms>();
    main_ = &forms_->Main;
    exit_ = &forms_->Exit;
    backdrop_ = &forms_->FullScreen;
    main_->Show();
    os::Application.MainWindow = main_->Handle;
    Pump();
  }
  void TearDown() override {
    ui::native::SetWindowDpiForTesting(0);
    forms_.reset();
    ::DestroyWindow(Native(os::Application.Handle));
    os::Application.Handle = os::NO_WINDOW;
  }

  // Acts in the next visible window of this class and caption from another
  // thread, once it is up, as a user would; act gets the window and the
  // user-interface thread's focus.
  std::thread InDialog(const char* cls, const char* caption, std::function<void(::HWND, DWORD)> act) {
    const DWORD uiThread = ::GetCurrentThreadId();
    return std::thread([=] {
      ::HWND dialog = nullptr;
      for (int i = 0; i < 500 && !dialog; ++i) {
        dialog = ::FindWindowA(cls, caption);
        if (!dialog || !::IsWindowVisible(dialog)) dialog = nullptr, ::Sleep(10);
      }
      if (!dialog) return;
      ::Sleep(50);
      act(dialog, uiThread);
    });
  }
  static ::HWND FocusOf(DWORD thread) {
    GUITHREADINFO info = {sizeof info};
    ::GetGUIThreadInfo(thread, &info);
    return info.hwndFocus;
  }
  static void KeyTo(::HWND target, WORD key) {
    ::PostMessageA(target, WM_KEYDOWN, key, 0);
    ::PostMessageA(target, WM_KEYUP, key, 0xC0000000);
  }

  // Answers the next modal dialog with this caption from another thread, by
  // pressing key in it once it is up; records its focused control first.
  std::thread AnswerDialog(const char* caption, WORD key, ::HWND* focusSeen) {
    const DWORD uiThread = ::GetCurrentThreadId();
    return std::thread([=] {
      ::HWND dialog = nullptr;
      for (int i = 0; i < 500 && !dialog; ++i) {
        dialog = ::FindWindowA("TSetupForm", caption);
        if (!dialog || !::IsWindowVisible(dialog)) dialog = nullptr, ::Sleep(10);
      }
      if (!dialog) return;
      ::Sleep(50);
      GUITHREADINFO info = {sizeof info};
      ::GetGUIThreadInfo(uiThread, &info);
      if (focusSeen) *focusSeen = info.hwndFocus;
      ::PostMessageA(info.hwndFocus ? info.hwndFocus : dialog, WM_KEYDOWN, key, 0);
    });
  }

  std::unique_ptr<TSetupForms> forms_;
  TMainForm* main_ = nullptr;
  TExitForm* exit_ = nullptr;
  TFullScreenForm* backdrop_ = nullptr;
};

// The layout and the captions written here from the wizard's design, not
// taken from the code's own rectangles: a wrong number or word there fails.
TEST_F(MainFormWindowTest, EveryWindowAndControlStandsWhereTheDesignSaysWithItsCaption) {
  struct Place {
    ui::TControl* control;
    const char* name;
    int left, top, width, height;  // client pixels of its window
    const char* text;              // nullptr: a text of its own, checked elsewhere
  };
  TMainForm& m = *main_;
  TExitForm& e = *exit_;
  TExtractForm& x = forms_->Extract;
  const struct {
    ui::TForm* form;
    const char* caption;
    int width, height;
    std::vector<Place> places;
  } windows[] = {
      {&m, "Morvella Setup", 532, 353,
       {{&m.SetupImage, "SetupImage", 16, 16, 120, 280, nullptr},
        {&m.Bevel, "Bevel", 16, 304, 497, 2, nullptr},
        {&m.WelcomeLabel, "WelcomeLabel", 152, 16, 361, 281, WelcomeText.c_str()},
        {&m.BeforeLicenceLabel, "BeforeLicenceLabel", 152, 16, 361, 33, nullptr},
        {&m.LicenceMemo, "LicenceMemo", 152, 56, 361, 161, nullptr},
        {&m.AfterLicenceLabel, "AfterLicenceLabel", 152, 224, 361, 41, nullptr},
        {&m.AgreeRadio, "AgreeRadio", 176, 264, 337, 17, "&Yes, I agree with the licence agreement"},
        {&m.DisagreeRadio, "DisagreeRadio", 176, 280, 337, 17,
         "&No, I do not agree with the licence agreement"},
        {&m.SelectInstallDirLabel, "SelectInstallDirLabel", 152, 16, 361, 225, nullptr},
        {&m.InstallDirBox, "InstallDirBox", 152, 248, 361, 49, "Installation folder"},
        {&m.InstallDirEdit, "InstallDirEdit", 152 + 8, 248 + 20, 249, 21, nullptr},
        {&m.BrowseButton, "BrowseButton", 152 + 272, 248 + 16, 75, 25, "B&rowse..."},
        {&m.ProgFolderLabel, "ProgFolderLabel", 152, 16, 361, 49, nullptr},
        {&m.ProgFolderEdit, "ProgFolderEdit", 152, 72, 361, 21, nullptr},
        {&m.ProgFoldersTree, "ProgFoldersTree", 152, 104, 361, 193, nullptr},
        {&m.ConfirmSettingsLabel, "ConfirmSettingsLabel", 152, 16, 361, 89, nullptr},
        {&m.ConfirmMemo, "ConfirmMemo", 152, 104, 361, 193, nullptr},
        {&m.FinishedLabel, "FinishedLabel", 152, 16, 361, 169, nullptr},
        {&m.BackButton, "BackButton", 264, 320, 75, 25, "< &Back"},
        {&m.NextButton, "NextButton", 344, 320, 75, 25, "&Next >"},
        {&m.CancelButton, "CancelButton", 440, 320, 75, 25, "Cancel"},
        {&m.FinishButton, "FinishButton", 440, 320, 75, 25, "Finish"}}},
      {&e, "Exit setup", 345, 185,
       {{&e.TextLabel, "TextLabel", 16, 16, 313, 129, nullptr},
        {&e.ExitButton, "ExitButton", 256, 152, 75, 25, "&Exit"},
        {&e.ResumeButton, "ResumeButton", 176, 152, 75, 25, "&Continue"}}},
      {&x, "Copying program files", 363, 153,
       {{&x.ExtractLabel, "ExtractLabel", 16, 16, 329, 49,
         "The program files are copied to the installation folder."},
        {&x.ProgressBar, "ProgressBar", 16, 72, 329, 16, nullptr},
        {&x.CancelButton, "CancelButton", 144, 112, 75, 25, "Cancel"}}},
  };
  const auto textOf = TextOf;
  // The wizard opens centred, with a close box and no other title-bar
  // button, on its welcome page.
  RECT outer;
  ::GetWindowRect(Native(m.Handle), &outer);
  EXPECT_NEAR((outer.left + outer.right) / 2, ::GetSystemMetrics(SM_CXSCREEN) / 2, 1);
  EXPECT_NEAR((outer.top + outer.bottom) / 2, ::GetSystemMetrics(SM_CYSCREEN) / 2, 1);
  const LONG style = ::GetWindowLongA(Native(m.Handle), GWL_STYLE);
  EXPECT_TRUE(style & WS_SYSMENU);
  EXPECT_FALSE(style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME));
  EXPECT_TRUE(::IsWindowVisible(Native(m.WelcomeLabel.Handle)));
  EXPECT_FALSE(::IsWindowVisible(Native(m.LicenceMemo.Handle)));
  // At 96 dpi exactly the design; moved to a monitor of another DPI, the
  // design scaled, in the rectangle Windows suggests.
  for (int dpi : {96, 120, 144, 192, 96}) {
    for (const auto& w : windows) {
      SCOPED_TRACE(std::string(w.caption) + " at " + std::to_string(dpi) + " dpi");
      // The dialogs make their windows when first shown; made here unshown.
      if (w.form->Handle == os::NO_WINDOW) ui::native::CreateWindowFor(*w.form);
      ::HWND window = Native(w.form->Handle);
      ASSERT_NE(window, nullptr);
      const bool moved = dpi != w.form->Dpi();
      if (moved) MoveToDpi(*w.form, dpi);
      RECT client, outer;
      ::GetClientRect(window, &client);
      EXPECT_EQ(client.right, Scaled(w.width, dpi));
      EXPECT_EQ(client.bottom, Scaled(w.height, dpi));
      ::GetWindowRect(window, &outer);
      if (moved) EXPECT_EQ(outer.left, 8) << "the suggested place taken";
      EXPECT_EQ(textOf(window), w.caption);
      for (const Place& p : w.places) {
        const RECT r = ChildRect(window, Native(p.control->Handle));
        EXPECT_EQ(r.left, Scaled(p.left, dpi)) << p.name;
        EXPECT_EQ(r.top, Scaled(p.top, dpi)) << p.name;
        EXPECT_EQ(r.right - r.left, Scaled(p.width, dpi)) << p.name;
        EXPECT_EQ(r.bottom - r.top, Scaled(p.height, dpi)) << p.name;
        if (p.text) EXPECT_EQ(textOf(Native(p.control->Handle)), p.text) << p.name;
      }
    }
  }
}

// At every DPI: the font is 8 point in the code page's character set, the
// side image fills its place, and every label, button, radio button and
// group box shows its whole text.
TEST_F(MainFormWindowTest, EveryTextFitsItsControlAtEveryDpi) {
  ui::TForm* forms[] = {main_, exit_, &forms_->Extract, &forms_->UninstallOld};
  for (ui::TForm* form : forms)
    if (form->Handle == os::NO_WINDOW) ui::native::CreateWindowFor(*form);
  for (int dpi : {96, 120, 144, 192}) {
    SCOPED_TRACE(std::to_string(dpi) + " dpi");
    for (ui::TForm* form : forms) {
      MoveToDpi(*form, dpi);
      for (ui::TControl* control : form->Controls()) {
        const auto kind = control->Kind();
        if (kind == ui::TControlKind::Label || kind == ui::TControlKind::Button ||
            kind == ui::TControlKind::RadioButton || kind == ui::TControlKind::GroupBox)
          EXPECT_EQ(Overflow(*control, dpi), "")
              << form->Caption() << ": " << TextOf(Native(control->Handle)).substr(0, 40);
      }
    }
    ::HWND label = Native(main_->WelcomeLabel.Handle);
    HDC dc = ::GetDC(label);
    HGDIOBJ old = ::SelectObject(dc, reinterpret_cast<HFONT>(::SendMessageA(label, WM_GETFONT, 0, 0)));
    TEXTMETRICA metrics = {};
    ::GetTextMetricsA(dc, &metrics);
    char face[LF_FACESIZE] = {};
    ::GetTextFaceA(dc, sizeof face, face);
    ::SelectObject(dc, old);
    ::ReleaseDC(label, dc);
    EXPECT_EQ(metrics.tmHeight - metrics.tmInternalLeading, (8 * dpi + 36) / 72) << face;
    if (dpi == 96) EXPECT_STREQ(face, "MS Sans Serif") << "as designed";
    EXPECT_EQ(metrics.tmCharSet, ui::DialogFont(dpi, ::GetACP()).CharSet) << face;
    HBITMAP bitmap = reinterpret_cast<HBITMAP>(
        ::SendMessageA(Native(main_->SetupImage.Handle), STM_GETIMAGE, IMAGE_BITMAP, 0));
    BITMAP picture = {};
    ASSERT_TRUE(::GetObjectA(bitmap, sizeof picture, &picture));
    EXPECT_EQ(picture.bmWidth, Scaled(120, dpi));
    EXPECT_EQ(picture.bmHeight, Scaled(280, dpi));
  }
}

TEST_F(MainFormWindowTest, BackdropCoversTheScreenBelowTheWizard) {
  ::HWND backdrop = Native(backdrop_->Handle);
  ASSERT_TRUE(::IsWindowVisible(backdrop));
  RECT r;
  ::GetWindowRect(backdrop, &r);
  EXPECT_EQ(r.left, 0);
  EXPECT_EQ(r.top, 0);
  EXPECT_EQ(r.right, ::GetSystemMetrics(SM_CXSCREEN));
  EXPECT_EQ(r.bottom, ::GetSystemMetrics(SM_CYSCREEN));
  EXPECT_FALSE(::IsWindowEnabled(backdrop));
  EXPECT_FALSE(::GetWindowLongA(backdrop, GWL_STYLE) & WS_CAPTION);
  // The wizard is above it.
  for (::HWND w = ::GetWindow(Native(main_->Handle), GW_HWNDNEXT); w; w = ::GetWindow(w, GW_HWNDNEXT))
    if (w == backdrop) return;
  ADD_FAILURE() << "the backdrop is above the wizard";
}

TEST_F(MainFormWindowTest, NextIsTheFocusedDefaultButtonAndEnterPressesIt) {
  EXPECT_EQ(::GetFocus(), Native(main_->NextButton.Handle));
  EXPECT_EQ(::GetWindowLongA(Native(main_->NextButton.Handle), GWL_STYLE) & 0x0F, BS_DEFPUSHBUTTON);
  Press(VK_RETURN);
  EXPECT_EQ(SetupPars.Page, 1);
  EXPECT_EQ(::GetFocus(), Native(main_->LicenceMemo.Handle));
  Press(VK_RETURN);  // Next is disabled on the licence page
  EXPECT_EQ(SetupPars.Page, 1);
  // Tab reaches the radio group at its first button while none is checked,
  // and Space chooses it; later Tab stops at the checked one.
  ::HWND agree = Native(main_->AgreeRadio.Handle), disagree = Native(main_->DisagreeRadio.Handle);
  Press(VK_TAB);
  EXPECT_EQ(::GetFocus(), agree);
  Press(VK_SPACE);
  EXPECT_TRUE(main_->AgreeRadio.Checked());
  EXPECT_TRUE(::IsWindowEnabled(Native(main_->NextButton.Handle)));
  ::PostMessageA(::GetFocus(), WM_SYSCHAR, 'n', 1 << 29);  // Alt+N
  Pump();
  EXPECT_TRUE(main_->DisagreeRadio.Checked());
  EXPECT_FALSE(main_->AgreeRadio.Checked());
  EXPECT_EQ(::GetFocus(), disagree);
  for (int i = 0; i < 5; ++i) Press(VK_TAB);  // Cancel, Next, Back, the licence, back here
  EXPECT_EQ(::GetFocus(), disagree);
  ::PostMessageA(::GetFocus(), WM_SYSCHAR, 'y', 1 << 29);  // Alt+Y
  Pump();
  EXPECT_TRUE(main_->AgreeRadio.Checked());
  EXPECT_EQ(::GetFocus(), agree);
  Press(VK_RETURN);  // Enter on a radio button presses the default button
  EXPECT_EQ(SetupPars.Page, 2);
  // Tabbed to, a push button shows the default border and Enter presses
  // it; on a control that is none, the default button has both again.
  ::HWND back = Native(main_->BackButton.Handle), next = Native(main_->NextButton.Handle);
  const auto style = [](::HWND w) { return ::GetWindowLongA(w, GWL_STYLE) & 0x0F; };
  const auto tabTo = [](::HWND target) {
    for (int i = 0; i < 8 && ::GetFocus() != target; ++i) Press(VK_TAB);
    ASSERT_EQ(::GetFocus(), target);
  };
  tabTo(back);
  EXPECT_EQ(style(back), BS_DEFPUSHBUTTON);
  EXPECT_EQ(style(next), BS_PUSHBUTTON);
  Press(VK_RETURN);
  EXPECT_EQ(SetupPars.Page, 1);
  tabTo(Native(main_->AgreeRadio.Handle));
  Press(VK_SPACE);  // the agreement, asked again
  EXPECT_EQ(style(back), BS_PUSHBUTTON);
  EXPECT_EQ(style(next), BS_DEFPUSHBUTTON);
  Press(VK_RETURN);
  EXPECT_EQ(SetupPars.Page, 2);
  tabTo(Native(main_->InstallDirEdit.Handle));
  Press(VK_RETURN);
  EXPECT_EQ(SetupPars.Page, 3);
  tabTo(Native(main_->ProgFolderEdit.Handle));
  Press(VK_RETURN);
  ASSERT_EQ(SetupPars.Page, 4);
  tabTo(back);
  Press(VK_RETURN);
  EXPECT_EQ(SetupPars.Page, 3) << "Back, never the installation";
  // The mouse pressed on Back and released off it: no click, but Back has
  // the focus, shows the border and takes Enter.
  tabTo(Native(main_->ProgFolderEdit.Handle));
  Press(VK_RETURN);
  ASSERT_EQ(SetupPars.Page, 4);
  ::PostMessageA(back, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
  ::PostMessageA(back, WM_LBUTTONUP, 0, MAKELPARAM(-40, -40));
  Pump();
  EXPECT_EQ(SetupPars.Page, 4);
  EXPECT_EQ(::GetFocus(), back);
  EXPECT_EQ(style(back), BS_DEFPUSHBUTTON);
  EXPECT_EQ(style(next), BS_PUSHBUTTON);
  Press(VK_RETURN);
  EXPECT_EQ(SetupPars.Page, 3);
}

// Messages any program of the desktop may send: a DPI change that is not
// the window's, without a rectangle or with a wild one, leaves the layout
// as it was; a close request on the disabled wizard changes nothing; the
// session may end on a page.
TEST_F(MainFormWindowTest, ForgedMessagesChangeNothing) {
  ::HWND window = Native(main_->Handle);
  RECT before;
  ::GetWindowRect(window, &before);
  ::SendMessageA(window, WM_DPICHANGED, MAKEWPARAM(19817, 19817), 0);
  ::SendMessageA(window, WM_DPICHANGED, MAKEWPARAM(96, 96), 0x10);
  ::SendMessageA(window, WM_DPICHANGED, MAKEWPARAM(144, 144), 0x10);
  RECT after;
  ::GetWindowRect(window, &after);
  EXPECT_EQ(main_->Dpi(), 96);
  EXPECT_TRUE(::EqualRect(&before, &after));
  EXPECT_EQ(::SendMessageA(window, WM_QUERYENDSESSION, 0, 0), TRUE);
  main_->SetEnabled(false);
  ::PostMessageA(window, WM_CLOSE, 0, 0);
  Pump();
  main_->SetEnabled(true);
  EXPECT_FALSE(main_->Closed());
  EXPECT_TRUE(::IsWindowVisible(window));
  {
    const ui::TEndSessionHold hold("Morvella is being installed.");
    EXPECT_EQ(::SendMessageA(window, WM_QUERYENDSESSION, 0, 0), FALSE);
  }
  EXPECT_EQ(::SendMessageA(window, WM_QUERYENDSESSION, 0, 0), TRUE);
}

// A selection made from outside (an accessibility tool selects with
// TVM_SELECTITEM) is a pick; so is the folder picked before, picked again
// after another and the edit typed into.
TEST_F(MainFormWindowTest, EveryTreeSelectionButTheTreesOwnIsAPick) {
  const std::string programs = GetProgramsFolder();
  ASSERT_FALSE(programs.empty());
  ::CreateDirectoryA((programs + "\\Tools").c_str(), nullptr);
  ::CreateDirectoryA((programs + "\\Tools\\Inner").c_str(), nullptr);
  main_->FillProgFoldersTree();
  ::HWND tree = Native(main_->ProgFoldersTree.Handle);
  const auto find = [&](HTREEITEM parent, const char* name) {
    for (const auto& [item, text] : TreeChildren(tree, parent))
      if (text == name) return item;
    return HTREEITEM(nullptr);
  };
  auto root = reinterpret_cast<HTREEITEM>(::SendMessageA(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0));
  HTREEITEM tools = find(root, "Tools");
  ASSERT_NE(tools, nullptr);
  ::SendMessageA(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(tools));
  HTREEITEM inner = find(tools, "Inner");
  ASSERT_NE(inner, nullptr);
  ::SendMessageA(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(inner));
  EXPECT_EQ(main_->ProgFolderEdit.Caption(), "Tools\\Inner");
  main_->ProgFolderEdit.SetText("Typed");
  ::SendMessageA(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(tools));
  EXPECT_EQ(main_->ProgFolderEdit.Caption(), "Tools");
  main_->ProgFolderEdit.SetText("Typed");
  ::SendMessageA(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(inner));
  EXPECT_EQ(main_->ProgFolderEdit.Caption(), "Tools\\Inner") << "the folder picked before, picked again";
  ::RemoveDirectoryA((programs + "\\Tools\\Inner").c_str());
  ::RemoveDirectoryA((programs + "\\Tools").c_str());
}

// The controls that Tab, and Shift+Tab the other way round, reach on each
// page: every enabled one, each once, in the keyboard order.
TEST_F(MainFormWindowTest, TabAndShiftTabReachEveryEnabledControlOfEachPage) {
  TMainForm& m = *main_;
  const auto cycle = [](bool backwards) {
    BYTE keys[256] = {};
    ::GetKeyboardState(keys);
    keys[VK_SHIFT] = backwards ? 0x80 : 0;
    ::SetKeyboardState(keys);
    std::vector<::HWND> seen;
    for (int i = 0; i < 8; ++i) {
      Press(VK_TAB);
      if (!seen.empty() && ::GetFocus() == seen.front()) break;
      seen.push_back(::GetFocus());
    }
    keys[VK_SHIFT] = 0;
    ::SetKeyboardState(keys);
    return seen;
  };
  const auto handles = [](std::vector<ui::TControl*> controls) {
    std::vector<::HWND> out;
    for (ui::TControl* c : controls) out.push_back(Native(c->Handle));
    return out;
  };
  const auto check = [&](const char* page, std::vector<ui::TControl*> order) {
    SCOPED_TRACE(page);
    // From the control before the first, reached by Tab, so that the cycle
    // starts there.
    const auto tabTo = [](::HWND target) {
      for (int i = 0; i < 8 && ::GetFocus() != target; ++i) Press(VK_TAB);
      ASSERT_EQ(::GetFocus(), target);
    };
    tabTo(Native(order.back()->Handle));
    EXPECT_EQ(cycle(false), handles(order));
    tabTo(Native(order.front()->Handle));
    EXPECT_EQ(cycle(true), handles({order.rbegin(), order.rend()}));
  };
  check("welcome", {&m.CancelButton, &m.NextButton});
  m.NextButton.Click();
  check("licence", {&m.CancelButton, &m.BackButton, &m.LicenceMemo, &m.AgreeRadio});
  m.DisagreeRadio.Click();
  check("licence answered", {&m.CancelButton, &m.NextButton, &m.BackButton, &m.LicenceMemo,
                             &m.DisagreeRadio});
  m.AgreeRadio.Click();
  m.NextButton.Click();
  check("folder", {&m.CancelButton, &m.NextButton, &m.BackButton, &m.InstallDirEdit,
                   &m.BrowseButton});
  m.NextButton.Click();
  check("Start menu", {&m.CancelButton, &m.NextButton, &m.BackButton, &m.ProgFolderEdit,
                       &m.ProgFoldersTree});
  EXPECT_EQ(m.ProgFolderEdit.Caption(), "Morvella") << "the tree's own selection is no pick";
  m.NextButton.Click();
  ASSERT_EQ(SetupPars.Page, 4);
  EXPECT_EQ(SetupPars.ProgFolder, "Morvella");
  check("confirmation", {&m.CancelButton, &m.NextButton, &m.BackButton, &m.ConfirmMemo});
  m.ShowFinishedPage();
  check("finished", {&m.FinishButton});
}

TEST_F(MainFormWindowTest, EscapeAsksAndTheQuestionStartsOnContinue) {
  ::HWND focusSeen = nullptr;
  std::thread answer = AnswerDialog("Exit setup", VK_RETURN, &focusSeen);
  Press(VK_ESCAPE);
  answer.join();
  EXPECT_EQ(focusSeen, Native(exit_->ResumeButton.Handle));
  EXPECT_FALSE(main_->Closed());
  EXPECT_EQ(SetupPars.Page, 0);
  RECT client;
  ::GetClientRect(Native(exit_->Handle), &client);
  EXPECT_EQ(client.right, 345);
  EXPECT_EQ(client.bottom, 185);
  EXPECT_TRUE(::IsWindowEnabled(Native(main_->Handle)));

  answer = AnswerDialog("Exit setup", VK_ESCAPE, nullptr);
  Press(VK_ESCAPE);
  answer.join();
  EXPECT_TRUE(main_->Closed());
}

TEST_F(MainFormWindowTest, FocusGoesBackToItsControlAfterEveryModalDialog) {
  ::HWND next = Native(main_->NextButton.Handle);
  ASSERT_EQ(::GetFocus(), next);
  // The exit question answered with Enter, then with a click on Continue.
  for (bool click : {false, true}) {
    SCOPED_TRACE(click ? "click" : "Enter");
    std::thread answer = InDialog("TSetupForm", "Exit setup", [&](::HWND, DWORD ui) {
      ::HWND resume = FocusOf(ui);
      if (click) ::PostMessageA(resume, BM_CLICK, 0, 0);
      else KeyTo(resume, VK_RETURN);
    });
    Press(VK_ESCAPE);
    answer.join();
    Pump();
    EXPECT_EQ(::GetFocus(), next);
  }
  Press(VK_RETURN);  // and Enter is the default button's again
  EXPECT_EQ(SetupPars.Page, 1);

  // A message box: page 2 with a folder that cannot be made.
  main_->AgreeRadio.Click();
  Press(VK_RETURN);
  ASSERT_EQ(SetupPars.Page, 2);
  ::HWND edit = Native(main_->InstallDirEdit.Handle);
  ::SetWindowTextA(edit, "Q:\\Nowhere\\Morvella");
  for (int i = 0; i < 8 && ::GetFocus() != edit; ++i) Press(VK_TAB);
  ASSERT_EQ(::GetFocus(), edit);
  std::thread answer = InDialog("#32770", "Setup", [](::HWND box, DWORD) {
    ::PostMessageA(box, WM_COMMAND, IDOK, 0);
  });
  Press(VK_RETURN);
  answer.join();
  Pump();
  EXPECT_EQ(SetupPars.Page, 2);
  EXPECT_EQ(::GetFocus(), edit);

  // Another program's window, then the wizard again.
  ::HWND other = ::CreateWindowExA(0, "STATIC", "Another program", WS_POPUP | WS_CAPTION | WS_VISIBLE,
                                   10, 10, 200, 100, nullptr, nullptr, nullptr, nullptr);
  ::SetForegroundWindow(other);
  Pump();
  ASSERT_NE(::GetFocus(), edit);
  ::SetForegroundWindow(Native(main_->Handle));
  Pump();
  EXPECT_EQ(::GetFocus(), edit);
  ::DestroyWindow(other);
}

TEST_F(MainFormWindowTest, ExitQuestionTabsBetweenItsButtonsAndItsCloseBoxMeansExit) {
  ::HWND resume = Native(exit_->ResumeButton.Handle);
  ::HWND quit = Native(exit_->ExitButton.Handle);
  std::vector<::HWND> seen;
  std::thread answer = InDialog("TSetupForm", "Exit setup", [&](::HWND dialog, DWORD ui) {
    seen.push_back(FocusOf(ui));
    for (int i = 0; i < 2; ++i) {
      KeyTo(FocusOf(ui), VK_TAB);
      ::Sleep(100);
      seen.push_back(FocusOf(ui));
    }
    ::PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
  });
  Press(VK_ESCAPE);
  answer.join();
  Pump();
  // Resume and Exit are the handles the dialog had while it was up.
  resume = Native(exit_->ResumeButton.Handle) ? Native(exit_->ResumeButton.Handle) : resume;
  quit = Native(exit_->ExitButton.Handle) ? Native(exit_->ExitButton.Handle) : quit;
  EXPECT_EQ(seen, (std::vector<::HWND>{resume, quit, resume}));
  EXPECT_TRUE(main_->Closed()) << "the close box of the question means Exit";
}

// Tab to "Exit" and Enter: Exit, for the focused push button shows the
// default border and takes Enter, as in every dialog of Windows.
TEST_F(MainFormWindowTest, EnterInTheExitQuestionPressesTheFocusedButton) {
  LONG exitStyle = -1;
  std::thread answer = InDialog("TSetupForm", "Exit setup", [&](::HWND, DWORD ui) {
    KeyTo(FocusOf(ui), VK_TAB);
    ::Sleep(100);
    exitStyle = ::GetWindowLongA(FocusOf(ui), GWL_STYLE) & 0x0F;
    KeyTo(FocusOf(ui), VK_RETURN);
  });
  Press(VK_ESCAPE);
  answer.join();
  Pump();
  EXPECT_EQ(exitStyle, BS_DEFPUSHBUTTON);
  EXPECT_TRUE(main_->Closed());
}

TEST_F(MainFormWindowTest, TheProgramHasOneTaskbarEntryTitledSetup) {
  std::vector<std::string> entries;  // while the exit question is up
  std::thread answer = InDialog("TSetupForm", "Exit setup", [&](::HWND dialog, DWORD) {
    for (::HWND w = ::GetTopWindow(nullptr); w; w = ::GetWindow(w, GW_HWNDNEXT)) {
      DWORD process = 0;
      ::GetWindowThreadProcessId(w, &process);
      const LONG ex = ::GetWindowLongA(w, GWL_EXSTYLE);
      if (process == ::GetCurrentProcessId() && ::IsWindowVisible(w) &&
          ((!::GetWindow(w, GW_OWNER) && !(ex & WS_EX_TOOLWINDOW)) || (ex & WS_EX_APPWINDOW))) {
        char text[64] = {};
        ::GetWindowTextA(w, text, sizeof text);
        entries.push_back(text);
      }
    }
    ::PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
  });
  Press(VK_ESCAPE);
  answer.join();
  EXPECT_EQ(entries, (std::vector<std::string>{"Setup"}));
  EXPECT_EQ(::GetWindow(Native(main_->Handle), GW_OWNER), Native(os::Application.Handle));
}

TEST_F(MainFormWindowTest, StartMenuTreeListsFoldersInTheLocalesOrder) {
  const std::string programs = GetProgramsFolder();
  ASSERT_FALSE(programs.empty());
  for (const char* name : {"Games", "accessories", "Old", "Startup"})
    ::CreateDirectoryA((programs + "\\" + name).c_str(), nullptr);
  ::SetFileAttributesA((programs + "\\Old").c_str(), FILE_ATTRIBUTE_HIDDEN);
  main_->FillProgFoldersTree();
  ::HWND tree = Native(main_->ProgFoldersTree.Handle);
  auto root = reinterpret_cast<HTREEITEM>(::SendMessageA(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0));
  ASSERT_NE(root, nullptr);
  std::vector<std::string> names;
  for (const auto& child : TreeChildren(tree, root)) names.push_back(child.second);
  // Other folders of the prefix's Start menu may stand between them.
  auto at = [&](const char* name) {
    return std::find(names.begin(), names.end(), name) - names.begin();
  };
  EXPECT_LT(at("accessories"), at("Games"));
  EXPECT_LT(at("Games"), at("Startup"));
  EXPECT_EQ(at("Old"), std::ptrdiff_t(names.size())) << "hidden folders are not shown";
  for (const char* name : {"Games", "accessories", "Old", "Startup"})
    ::RemoveDirectoryA((programs + "\\" + name).c_str());
}

}  // namespace
