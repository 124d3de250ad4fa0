// Every window at the user's DPI: the layouts' 96-dpi rectangles scaled by
// dpi/96 with one rounding, the dialog font's height and character set.
#include <cmath>

#include "platform/Chars.h"
#include "tests/standin/WizardFixture.h"

namespace {

struct Placed {
  const char* name;
  const ui::TControl* control;
  ui::TRect design;  // in the client area at 96 dpi, as the layouts give it
};

class ScreenLayoutTest : public WizardFixture {
 protected:
  std::vector<Placed> MainControls() const {
    const TMainForm& m = *main_;
    return {{"SetupImage", &m.SetupImage, {16, 16, 120, 280}},
            {"Bevel", &m.Bevel, {16, 304, 497, 2}},
            {"WelcomeLabel", &m.WelcomeLabel, {152, 16, 361, 281}},
            {"BeforeLicenceLabel", &m.BeforeLicenceLabel, {152, 16, 361, 33}},
            {"LicenceMemo", &m.LicenceMemo, {152, 56, 361, 161}},
            {"AfterLicenceLabel", &m.AfterLicenceLabel, {152, 224, 361, 41}},
            {"AgreeRadio", &m.AgreeRadio, {176, 264, 337, 17}},
            {"DisagreeRadio", &m.DisagreeRadio, {176, 280, 337, 17}},
            {"SelectInstallDirLabel", &m.SelectInstallDirLabel, {152, 16, 361, 225}},
            {"InstallDirBox", &m.InstallDirBox, {152, 248, 361, 49}},
            {"InstallDirEdit", &m.InstallDirEdit, {160, 268, 249, 21}},
            {"BrowseButton", &m.BrowseButton, {424, 264, 75, 25}},
            {"ProgFolderLabel", &m.ProgFolderLabel, {152, 16, 361, 49}},
            {"ProgFolderEdit", &m.ProgFolderEdit, {152, 72, 361, 21}},
            {"ProgFoldersTree", &m.ProgFoldersTree, {152, 104, 361, 193}},
            {"ConfirmSettingsLabel", &m.ConfirmSettingsLabel, {152, 16, 361, 89}},
            {"ConfirmMemo", &m.ConfirmMemo, {152, 104, 361, 193}},
            {"FinishedLabel", &m.FinishedLabel, {152, 16, 361, 169}},
            {"BackButton", &m.BackButton, {264, 320, 75, 25}},
            {"NextButton", &m.NextButton, {344, 320, 75, 25}},
            {"CancelButton", &m.CancelButton, {440, 320, 75, 25}},
            {"FinishButton", &m.FinishButton, {440, 320, 75, 25}}};
  }
  std::vector<Placed> DialogControls() const {
    const TExitForm& e = forms_->Exit;
    const TExtractForm& x = forms_->Extract;
    const TUninstallOldForm& u = forms_->UninstallOld;
    return {{"TextLabel", &e.TextLabel, {16, 16, 313, 129}},
            {"ExitButton", &e.ExitButton, {256, 152, 75, 25}},
            {"ResumeButton", &e.ResumeButton, {176, 152, 75, 25}},
            {"ExtractLabel", &x.ExtractLabel, {16, 16, 329, 49}},
            {"ProgressBar", &x.ProgressBar, {16, 72, 329, 16}},
            {"Extract CancelButton", &x.CancelButton, {144, 112, 75, 25}},
            {"UninstallOldLabel", &u.UninstallOldLabel, {16, 16, 377, 113}},
            {"YesButton", &u.YesButton, {112, 144, 75, 25}},
            {"NoButton", &u.NoButton, {216, 144, 75, 25}}};
  }
};

// Rounded as a person would: to the nearest pixel, halves up.
int Scaled(int value, int dpi) { return int(std::floor(value * dpi / 96.0 + 0.5)); }

TEST_F(ScreenLayoutTest, EveryRectangleIsTheLayoutsScaledAndAt96DpiItsOwn) {
  Start();
  std::vector<Placed> all = MainControls();
  const std::vector<Placed> dialogs = DialogControls();
  all.insert(all.end(), dialogs.begin(), dialogs.end());
  for (int dpi : {96, 120, 144, 192}) {
    SCOPED_TRACE(dpi);
    for (ui::TForm* form : ui::TForm::AllForms()) form->SetDpi(dpi);
    for (const Placed& p : all) {
      const ui::TRect r = p.control->ScaledBounds();
      EXPECT_EQ(r.Left, Scaled(p.design.Left, dpi)) << p.name;
      EXPECT_EQ(r.Top, Scaled(p.design.Top, dpi)) << p.name;
      EXPECT_EQ(r.Width, Scaled(p.design.Width, dpi)) << p.name;
      EXPECT_EQ(r.Height, Scaled(p.design.Height, dpi)) << p.name;
    }
  }
  // The client areas the Wine runs measure at 144 and 192 dpi.
  EXPECT_EQ(ui::ScaleToDpi(main_->ClientWidth(), 144), 798);
  EXPECT_EQ(ui::ScaleToDpi(main_->ClientHeight(), 144), 530);
  EXPECT_EQ(ui::ScaleToDpi(main_->ClientWidth(), 192), 1064);
  EXPECT_EQ(ui::ScaleToDpi(main_->ClientHeight(), 192), 706);
  EXPECT_EQ(ui::ScaleToDpi(-7, 120), -9) << "halves away from zero, as MulDiv";
}

TEST_F(ScreenLayoutTest, TheFontIsEightPointInTheCodePagesCharacterSet) {
  const struct {
    int dpi;
    unsigned codePage;
    int height;
    int charSet;
  } cases[] = {
      {96, 1252, -11, 0},    // the layouts' own: 11 pixels, ANSI_CHARSET
      {120, 1252, -13, 0},   {144, 1252, -16, 0},   {192, 1252, -21, 0},
      {144, 932, -16, 128},  // SHIFTJIS_CHARSET
      {96, 936, -11, 134},   // GB2312_CHARSET
      {192, 949, -21, 129},  // HANGUL_CHARSET
      {120, 950, -13, 136},  // CHINESEBIG5_CHARSET
      {96, 1250, -11, 238},  {96, 1251, -11, 204},
      {96, 65001, -11, ui::kDefaultCharSet},  // none of its own: Windows maps
  };
  for (const auto& c : cases) {
    const ui::TFontSpec font = ui::DialogFont(c.dpi, c.codePage);
    EXPECT_EQ(font.Height, c.height) << c.dpi << " dpi";
    EXPECT_EQ(font.CharSet, c.charSet) << "code page " << c.codePage;
  }
}

}  // namespace
