// The page machine: what each page shows, the buttons' state and focus, the
// folder tests, the summary, the close rule.
#include <set>

#include "platform/Dialogs.h"
#include "platform/Files.h"
#include "tests/standin/WizardFixture.h"
#include "tests/support/Scratch.h"

namespace {

class WizardPagesTest : public WizardFixture {
 protected:
  // The page controls that are showing, by name.
  std::set<std::string> Showing() {
    const std::pair<const char*, ui::TControl*> all[] = {
        {"WelcomeLabel", &main_->WelcomeLabel},
        {"BeforeLicenceLabel", &main_->BeforeLicenceLabel},
        {"LicenceMemo", &main_->LicenceMemo},
        {"AfterLicenceLabel", &main_->AfterLicenceLabel},
        {"AgreeRadio", &main_->AgreeRadio},
        {"DisagreeRadio", &main_->DisagreeRadio},
        {"SelectInstallDirLabel", &main_->SelectInstallDirLabel},
        {"InstallDirBox", &main_->InstallDirBox},
        {"InstallDirEdit", &main_->InstallDirEdit},
        {"BrowseButton", &main_->BrowseButton},
        {"ProgFolderLabel", &main_->ProgFolderLabel},
        {"ProgFolderEdit", &main_->ProgFolderEdit},
        {"ProgFoldersTree", &main_->ProgFoldersTree},
        {"ConfirmSettingsLabel", &main_->ConfirmSettingsLabel},
        {"ConfirmMemo", &main_->ConfirmMemo},
        {"FinishedLabel", &main_->FinishedLabel},
        {"FinishButton", &main_->FinishButton},
    };
    std::set<std::string> names;
    for (const auto& [name, control] : all)
      if (control->Showing()) names.insert(name);
    return names;
  }

  struct PageState {
    int page;
    std::set<std::string> shown;
    bool backEnabled;
    bool nextEnabled;
    ui::TControl* focus;
  };

  void ExpectPage(const PageState& s) {
    SCOPED_TRACE("page " + std::to_string(s.page));
    EXPECT_EQ(SetupPars.Page, s.page);
    EXPECT_EQ(Showing(), s.shown);
    EXPECT_TRUE(main_->SetupImage.Showing());
    EXPECT_TRUE(main_->Bevel.Showing());
    EXPECT_TRUE(main_->BackButton.Showing());
    EXPECT_TRUE(main_->NextButton.Showing());
    EXPECT_TRUE(main_->CancelButton.Showing());
    EXPECT_EQ(main_->BackButton.Enabled(), s.backEnabled);
    EXPECT_EQ(main_->NextButton.Enabled(), s.nextEnabled);
    EXPECT_EQ(main_->ActiveControl(), s.focus);
  }

  std::vector<PageState> Pages() {
    return {
        {0, {"WelcomeLabel"}, false, true, &main_->NextButton},
        {1,
         {"BeforeLicenceLabel", "LicenceMemo", "AfterLicenceLabel", "AgreeRadio", "DisagreeRadio"},
         true, false, &main_->LicenceMemo},
        {2, {"SelectInstallDirLabel", "InstallDirBox", "InstallDirEdit", "BrowseButton"}, true, true,
         &main_->NextButton},
        {3, {"ProgFolderLabel", "ProgFolderEdit", "ProgFoldersTree"}, true, true, &main_->NextButton},
        {4, {"ConfirmSettingsLabel", "ConfirmMemo"}, true, true, &main_->NextButton},
    };
  }
};

TEST_F(WizardPagesTest, NextAndBackWalkThePagesWithTheirControls) {
  Start();
  const auto pages = Pages();
  ExpectPage(pages[0]);
  EXPECT_EQ(main_->Caption(), "Morvella Setup");
  EXPECT_EQ(main_->WelcomeLabel.Caption(), WelcomeText);
  for (int page = 1; page <= 4; ++page) {
    if (page == 2) main_->AgreeRadio.Click();
    main_->NextButton.Click();
    ExpectPage(pages[page]);
  }
  for (int page = 3; page >= 0; --page) {
    main_->BackButton.Click();
    PageState expected = pages[page];
    if (page == 1) expected.nextEnabled = false;  // the agreement must be given again
    ExpectPage(expected);
  }
  EXPECT_FALSE(main_->AgreeRadio.Checked());
  EXPECT_FALSE(main_->DisagreeRadio.Checked());
}

TEST_F(WizardPagesTest, LicencePageWaitsForAnAnswer) {
  Start();
  main_->KeyEnter();
  ASSERT_EQ(SetupPars.Page, 1);
  main_->KeyEnter();  // Next is disabled: Enter does nothing
  EXPECT_EQ(SetupPars.Page, 1);
  main_->NextButton.Click();
  EXPECT_EQ(SetupPars.Page, 1);

  // Disagreeing and pressing Next asks whether to leave; continuing stays.
  main_->DisagreeRadio.Click();
  EXPECT_TRUE(main_->NextButton.Enabled());
  Answer("Exit setup", [](ui::TForm& f) { static_cast<TExitForm&>(f).ResumeButton.Click(); });
  main_->NextButton.Click();
  EXPECT_EQ(ModalCount("Exit setup"), 1);
  EXPECT_EQ(SetupPars.Page, 1);
  EXPECT_TRUE(main_->DisagreeRadio.Checked());
  EXPECT_TRUE(main_->NextButton.Enabled());
  EXPECT_FALSE(main_->Closed());

  // Choosing to exit ends the program.
  Answer("Exit setup", [](ui::TForm& f) { static_cast<TExitForm&>(f).ExitButton.Click(); });
  main_->NextButton.Click();
  EXPECT_TRUE(main_->Closed());
  EXPECT_TRUE(os::Application.Terminated());
}

TEST_F(WizardPagesTest, TextLeftByBackIsDiscarded) {
  Start();
  GoTo(2);
  main_->InstallDirEdit.SetText("D:\\Typed");
  main_->BackButton.Click();
  main_->AgreeRadio.Click();
  main_->NextButton.Click();
  EXPECT_EQ(main_->InstallDirEdit.Text(), "C:\\Program Files\\Morvella");

  main_->NextButton.Click();
  main_->ProgFolderEdit.SetText("Typed");
  main_->BackButton.Click();
  main_->NextButton.Click();
  EXPECT_EQ(main_->ProgFolderEdit.Text(), "Morvella");
  main_->ProgFolderEdit.SetText("Tools\\Morvella");
  main_->NextButton.Click();
  main_->BackButton.Click();
  EXPECT_EQ(main_->ProgFolderEdit.Text(), "Tools\\Morvella");
}

struct FolderCase {
  const char* what;
  const char* typed;
  bool accepted;
  const char* stored;
};

TEST_F(WizardPagesTest, InstallationFolderIsTestedAndNothingIsLeftOnDisk) {
  // Only administrators may change them: Setup takes no other existing
  // folder, nor one below a folder users may rename.
  const char* const admins = "O:BAD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)";
  ASSERT_TRUE(os::CreateDirectoryA("C:\\Existing", admins));
  ASSERT_TRUE(os::CreateDirectoryA("C:\\Locked"));
  standin::DenyWrites("C:\\Locked");
  ASSERT_TRUE(os::CreateDirectoryA("C:\\Work", admins));
  ASSERT_TRUE(os::SetCurrentDirectoryA("C:\\Work"));
  standin::AddDrive('D');
  // A drive's root is taken only while users cannot change it.
  standin::SetSecurity("D:\\", "O:BAD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)");
  const FolderCase cases[] = {
      {"existing", "C:\\Existing", true, "C:\\Existing"},
      {"missing, parent exists", "C:\\Existing\\Morvella", true, "C:\\Existing\\Morvella"},
      {"two missing levels", "C:\\New\\Deeper", true, "C:\\New\\Deeper"},
      {"relative", "Morvella", true, "C:\\Work\\Morvella"},
      {"trailing backslash", "C:\\Existing\\Sub\\", true, "C:\\Existing\\Sub"},
      {"empty drive root, administrators' only", "D:\\", true, "D:\\"},
      {"missing drive", "Q:\\Morvella", false, nullptr},
      {"denied", "C:\\Locked\\Morvella", false, nullptr},
      {"empty", "", false, nullptr},
      {"bad characters", "C:\\Mor|vella", false, nullptr},
  };
  Start();
  for (const FolderCase& c : cases) {
    SCOPED_TRACE(c.what);
    standin::ResetDialogs();
    GoTo(2);
    const std::string before = SetupPars.InstallDir;
    main_->InstallDirEdit.SetText(c.typed);
    main_->NextButton.Click();
    if (c.accepted) {
      EXPECT_EQ(SetupPars.Page, 3)
          << (standin::MessageBoxes().empty() ? "" : standin::MessageBoxes()[0].Text);
      EXPECT_EQ(SetupPars.InstallDir, c.stored);
      EXPECT_TRUE(standin::MessageBoxes().empty());
      main_->BackButton.Click();
      main_->BackButton.Click();
    } else {
      EXPECT_EQ(SetupPars.Page, 2);
      EXPECT_EQ(SetupPars.InstallDir, before);
      ASSERT_EQ(standin::MessageBoxes().size(), 1u);
      EXPECT_EQ(standin::MessageBoxes()[0].Text,
                "The folder you have filled in, could not be created.  Choose another folder.");
      EXPECT_EQ(standin::MessageBoxes()[0].Caption, "Setup");
      EXPECT_EQ(standin::MessageBoxes()[0].Type, os::MB_OK | os::MB_ICONERROR);
      EXPECT_TRUE(main_->InstallDirEdit.Focused());
      main_->BackButton.Click();
    }
    main_->BackButton.Click();
    ASSERT_EQ(SetupPars.Page, 0);
  }
  // Nothing the tests created is left.
  for (const char* gone : {"C:\\Existing\\Morvella", "C:\\Existing\\Sub", "C:\\New",
                           "C:\\Work\\Morvella", "C:\\Locked\\Morvella"})
    EXPECT_FALSE(Exists(gone)) << gone;
}

TEST_F(WizardPagesTest, StartMenuFolderIsTestedBelowTheProgramsFolder) {
  Start();
  GoTo(3);
  main_->ProgFolderEdit.SetText("Tools\\Morvella");  // two levels that do not exist
  main_->NextButton.Click();
  EXPECT_EQ(SetupPars.Page, 4);
  EXPECT_EQ(SetupPars.ProgFolder, "Tools\\Morvella");
  EXPECT_FALSE(Exists(std::string(kPrograms) + "\\Tools"));

  for (const char* refused : {"..\\Desktop", "C:\\Elsewhere", "\\Rooted", "Tools\\..\\..\\x", "CON"}) {
    SCOPED_TRACE(refused);
    standin::ResetDialogs();
    main_->BackButton.Click();
    main_->ProgFolderEdit.SetText(refused);
    main_->NextButton.Click();
    EXPECT_EQ(SetupPars.Page, 3);
    EXPECT_EQ(standin::MessageBoxes().size(), 1u);
    EXPECT_TRUE(main_->ProgFolderEdit.Focused());
    main_->ProgFolderEdit.SetText("Morvella");
    main_->NextButton.Click();
  }

  // A name Windows would change is refused with what is wrong with it; the
  // log's name is a folder's like any other in the Start menu.
  for (const char* changed : {"Morvella.", "Tools \\Morvella"}) {
    SCOPED_TRACE(changed);
    standin::ResetDialogs();
    main_->BackButton.Click();
    main_->ProgFolderEdit.SetText(changed);
    main_->NextButton.Click();
    EXPECT_EQ(SetupPars.Page, 3);
    ASSERT_EQ(standin::MessageBoxes().size(), 1u);
    EXPECT_EQ(standin::MessageBoxes()[0].Text,
              std::string("Windows removes a dot or a space at the end of a folder name: remove it from ") + changed +
                  " and click Next again.");
    EXPECT_TRUE(main_->ProgFolderEdit.Focused());
    main_->ProgFolderEdit.SetText("Morvella");
    main_->NextButton.Click();
  }
  main_->BackButton.Click();
  main_->ProgFolderEdit.SetText("Install.log");
  main_->NextButton.Click();
  EXPECT_EQ(SetupPars.Page, 4);
  EXPECT_EQ(SetupPars.ProgFolder, "Install.log");

  main_->BackButton.Click();
  main_->ProgFolderEdit.SetText("");  // the Programs folder itself
  main_->NextButton.Click();
  EXPECT_EQ(SetupPars.Page, 4);
  EXPECT_EQ(SetupPars.ProgFolder, "");
}

TEST_F(WizardPagesTest, SummaryNamesBothFolders) {
  struct Case {
    const char* progFolder;
    const char* line;
  };
  const Case cases[] = {
      {"Morvella", "   Programs | Morvella"},
      {"Tools\\Morvella", "   Programs | Tools | Morvella"},
      {"", "   Programs"},
  };
  Start();
  GoTo(3);
  for (const Case& c : cases) {
    main_->ProgFolderEdit.SetText(c.progFolder);
    main_->NextButton.Click();
    ASSERT_EQ(SetupPars.Page, 4);
    const std::vector<std::string> expected = {
        "The program will be installed in the folder:",
        "   C:\\Program Files\\Morvella",
        "",
        "",
        "The program will be placed in the Start menu at:",
        c.line};
    EXPECT_EQ(main_->ConfirmMemo.Lines(), expected);
    main_->BackButton.Click();
  }
}

TEST_F(WizardPagesTest, WithoutAProgramsFolderNoShortcutsArePlacedRelatively) {
  Start();
  GoTo(3);
  standin::SetProgramsFolder("");
  main_->BackButton.Click();
  main_->NextButton.Click();
  EXPECT_EQ(main_->ProgFoldersTree.Count(), 0u);
  main_->NextButton.Click();
  EXPECT_EQ(SetupPars.Page, 3);
  ASSERT_EQ(standin::MessageBoxes().size(), 1u);
  EXPECT_NE(standin::MessageBoxes()[0].Text.find("Programs folder"), std::string::npos);
}

TEST_F(WizardPagesTest, BrowsedFolderReplacesTheTextOnlyWhenChosen) {
  Start();
  GoTo(2);
  standin::QueueBrowseAnswer("D:\\Chosen");
  main_->BrowseButton.Click();
  EXPECT_EQ(main_->InstallDirEdit.Text(), "D:\\Chosen");
  standin::QueueBrowseAnswer("");  // cancelled, or a folder without a path
  main_->BrowseButton.Click();
  EXPECT_EQ(main_->InstallDirEdit.Text(), "D:\\Chosen");
  EXPECT_EQ(standin::BrowseCount(), 2);
}

TEST_F(WizardPagesTest, ClosingAsksOnEveryPageBeforeTheEnd) {
  Start();
  for (int page = 0; page <= 4; ++page) {
    SCOPED_TRACE(page);
    if (page > 0) {
      if (page == 2) main_->AgreeRadio.Click();
      main_->NextButton.Click();
    }
    // Continue: nothing changes.
    Answer("Exit setup", [](ui::TForm& f) { static_cast<TExitForm&>(f).ResumeButton.Click(); });
    main_->CancelButton.Click();
    EXPECT_FALSE(main_->Closed());
    EXPECT_EQ(SetupPars.Page, page);
    // The close box and Escape ask too; closing the question counts as exit
    // only below, so continue by Enter.
    Answer("Exit setup", [](ui::TForm& f) { f.KeyEnter(); });
    main_->Close();
    EXPECT_FALSE(main_->Closed());
    Answer("Exit setup", [](ui::TForm& f) { f.KeyEnter(); });
    main_->KeyEscape();
    EXPECT_FALSE(main_->Closed());
  }
  // The question's close box means exit.
  Answer("Exit setup", [](ui::TForm& f) { f.Close(); });
  main_->CancelButton.Click();
  EXPECT_TRUE(main_->Closed());
  EXPECT_EQ(ModalCount("Exit setup"), 16);
}

TEST_F(WizardPagesTest, NoQuestionOnceConfirmationIsOff) {
  Start();
  SetupPars.NoExitConfirm = true;
  main_->Close();
  EXPECT_TRUE(main_->Closed());
  EXPECT_EQ(ModalCount("Exit setup"), 0);
}

TEST_F(WizardPagesTest, ExitQuestionStartsOnContinueEveryTime) {
  Start();
  Answer("Exit setup", [](ui::TForm& f) {
    auto& exit = static_cast<TExitForm&>(f);
    EXPECT_EQ(exit.Caption(), "Exit setup");
    EXPECT_EQ(exit.ClientWidth(), 345);
    EXPECT_EQ(exit.ClientHeight(), 185);
    EXPECT_EQ(exit.TextLabel.Caption(), ExitText);
    EXPECT_EQ(exit.ResumeButton.Caption(), "&Continue");
    EXPECT_EQ(exit.ExitButton.Caption(), "&Exit");
    EXPECT_TRUE(exit.ResumeButton.Focused());
    EXPECT_FALSE(MainForm->Enabled()) << "the wizard takes no input meanwhile";
    f.KeyTab();
    EXPECT_TRUE(exit.ExitButton.Focused());
    f.KeyAccel('c');  // continue, with the focus left on Exit
  });
  main_->CancelButton.Click();
  EXPECT_FALSE(main_->Closed());
  EXPECT_TRUE(main_->Enabled());

  Answer("Exit setup", [](ui::TForm& f) { f.KeyAccel('e'); });
  main_->CancelButton.Click();
  EXPECT_TRUE(main_->Closed());

  // As in every dialog of Windows: Enter presses the focused push button,
  // which shows the default border while it has the focus.
  Start();
  Answer("Exit setup", [](ui::TForm& f) {
    auto& exit = static_cast<TExitForm&>(f);
    EXPECT_TRUE(exit.ResumeButton.ShowsDefaultBorder());
    f.KeyTab();
    EXPECT_TRUE(exit.ExitButton.Focused());
    EXPECT_TRUE(exit.ExitButton.ShowsDefaultBorder());
    EXPECT_FALSE(exit.ResumeButton.ShowsDefaultBorder());
    f.KeyEnter();
  });
  main_->CancelButton.Click();
  EXPECT_TRUE(main_->Closed());
}

// Windows' dialog convention: Enter presses the focused push button, which
// shows the default border while it has the focus, else the default one;
// after any mix of Tab, a press released off a button (it takes the focus)
// and Back or Next.
TEST_F(WizardPagesTest, EnterPressesTheFocusedPushButtonElseTheDefaultOne) {
  Start();
  GoTo(3);
  const auto tabTo = [&](ui::TControl& control) {
    for (int i = 0; i < 8 && !control.Focused(); ++i) main_->KeyTab();
    ASSERT_TRUE(control.Focused());
  };
  tabTo(main_->BackButton);
  EXPECT_TRUE(main_->BackButton.ShowsDefaultBorder());
  EXPECT_FALSE(main_->NextButton.ShowsDefaultBorder());
  main_->KeyEnter();
  EXPECT_EQ(SetupPars.Page, 2);
  tabTo(main_->InstallDirEdit);
  EXPECT_TRUE(main_->NextButton.ShowsDefaultBorder()) << "no push button has the focus";
  main_->KeyEnter();
  EXPECT_EQ(SetupPars.Page, 3);
  main_->KeyEnter();
  ASSERT_EQ(SetupPars.Page, 4);
  main_->BackButton.SetFocus();  // pressed, and released off it
  main_->KeyEnter();
  EXPECT_EQ(SetupPars.Page, 3) << "Back, never the installation";
  // A disabled form takes no close request.
  main_->SetEnabled(false);
  main_->CloseRequested();
  main_->SetEnabled(true);
  EXPECT_EQ(ModalCount("Exit setup"), 0);
}

TEST_F(WizardPagesTest, EscapeInTheQuestionMeansExit) {
  Start();
  Answer("Exit setup", [](ui::TForm& f) { f.KeyEscape(); });
  main_->CancelButton.Click();
  EXPECT_TRUE(main_->Closed());
}

}  // namespace
