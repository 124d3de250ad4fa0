#pragma once
// The small form layer: windows with fixed layouts of controls. The state of
// every control lives in these objects, in both builds; the Win32 build
// mirrors it onto real windows (and reads back what the user changed), the
// stand-in keeps it headless for tests.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/JpegImage.h"
#include "platform/WinTypes.h"

namespace ui {

struct TRect {
  int Left = 0;
  int Top = 0;
  int Width = 0;
  int Height = 0;
};

// The layouts give positions and sizes in pixels at 96 dots per inch; every
// window lays itself out at its own DPI from them.
constexpr int kDesignDpi = 96;
// The DPIs a form is laid out at: from half the design's to ten times it.
constexpr int kMinDpi = 48;
constexpr int kMaxDpi = 960;
// value * dpi / 96 to the nearest pixel, halves away from zero (as MulDiv):
// one rounding for every position and size, so at 96 nothing moves.
int ScaleToDpi(int value, int dpi);
TRect ScaleToDpi(const TRect& rect, int dpi);

// The dialog font: "MS Sans Serif" 8 point at dpi, asked for in the
// character set of the system's code page, so that Windows maps it to a face
// holding the user's script (DEFAULT_CHARSET for a code page without one).
struct TFontSpec {
  int Height;  // negative: the character height in pixels, as CreateFont takes it
  int CharSet;
};
TFontSpec DialogFont(int dpi, unsigned codePage);
constexpr int kDefaultCharSet = 1;  // DEFAULT_CHARSET

enum class TControlKind {
  Label,
  Button,
  Edit,
  Memo,
  RadioButton,
  GroupBox,
  TreeView,
  ProgressBar,
  Image,
  Bevel
};

class TForm;

class TControl {
 public:
  // parent: the group box holding the control; bounds are relative to it.
  TControl(TForm& form, TControlKind kind, TRect bounds, TControl* parent = nullptr);
  TControl(const TControl&) = delete;
  TControl& operator=(const TControl&) = delete;
  virtual ~TControl();

  TControlKind Kind() const { return kind_; }
  TForm& Form() const { return form_; }
  TControl* Parent() const { return parent_; }
  // Relative to the parent (or the form).
  const TRect& Bounds() const { return bounds_; }
  // In the form's client area, at 96 dpi.
  TRect ClientBounds() const;
  // In the form's client area, at the form's DPI.
  TRect ScaledBounds() const;
  int Id() const { return id_; }

  // The caption of labels and buttons, the text of edits and memos.
  std::string Caption() const;
  void SetCaption(const std::string& caption);
  bool Visible() const { return visible_; }
  void SetVisible(bool visible);
  // Visible, and so is every parent.
  bool Showing() const;
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool enabled);
  bool TabStop() const { return tabStop_; }
  bool CanFocus() const;
  void SetFocus();
  bool Focused() const;

  // What a user's click does: nothing unless the control is showing and
  // enabled on an enabled form.
  void Click();
  std::function<void()> OnClick;

  os::HWND Handle = os::NO_WINDOW;

 protected:
  virtual void DoClick();

 private:
  friend class TForm;
  TForm& form_;
  TControlKind kind_;
  TRect bounds_;
  TControl* parent_;
  int id_;
  std::string caption_;
  bool visible_ = true;
  bool enabled_ = true;
  bool tabStop_;
};

// Static text; a lone CR starts a new line, long lines wrap.
class TLabel : public TControl {
 public:
  TLabel(TForm& form, TRect bounds, TControl* parent = nullptr)
      : TControl(form, TControlKind::Label, bounds, parent) {}
};

class TButton : public TControl {
 public:
  TButton(TForm& form, TRect bounds, TControl* parent = nullptr)
      : TControl(form, TControlKind::Button, bounds, parent) {}
  // Enter presses the default button unless another push button has the
  // focus; Escape presses the cancel button.
  bool Default() const { return default_; }
  void SetDefault(bool value);
  bool Cancel = false;
  // Whether it shows the default border now: it is the button Enter would
  // press (TForm::EnterButton).
  bool ShowsDefaultBorder() const;

 private:
  bool default_ = false;
};

class TEdit : public TControl {
 public:
  TEdit(TForm& form, TRect bounds, TControl* parent = nullptr)
      : TControl(form, TControlKind::Edit, bounds, parent) {}
  std::string Text() const { return Caption(); }
  void SetText(const std::string& text) { SetCaption(text); }
};

// Read-only multi-line text; lines are joined with CR LF.
class TMemo : public TControl {
 public:
  TMemo(TForm& form, TRect bounds, bool wordWrap)
      : TControl(form, TControlKind::Memo, bounds), WordWrap(wordWrap) {}
  const bool WordWrap;  // without it, both scroll bars
  void Clear() { SetCaption(""); }
  void AddLine(const std::string& line);
  std::vector<std::string> Lines() const;
};

// One group of radio buttons per form: checking one unchecks the others.
class TRadioButton : public TControl {
 public:
  TRadioButton(TForm& form, TRect bounds, TControl* parent = nullptr)
      : TControl(form, TControlKind::RadioButton, bounds, parent) {}
  bool Checked() const;
  void SetChecked(bool checked);

 protected:
  void DoClick() override;

 private:
  friend class TForm;
  bool checked_ = false;
};

class TGroupBox : public TControl {
 public:
  TGroupBox(TForm& form, TRect bounds) : TControl(form, TControlKind::GroupBox, bounds) {}
};

class TBevel : public TControl {
 public:
  TBevel(TForm& form, TRect bounds) : TControl(form, TControlKind::Bevel, bounds) {}
};

// A picture shown at its natural size.
class TImage : public TControl {
 public:
  TImage(TForm& form, TRect bounds) : TControl(form, TControlKind::Image, bounds) {}
  const os::TBitmap& Picture() const { return picture_; }
  void SetPicture(os::TBitmap picture);

 private:
  os::TBitmap picture_;
};

class TProgressBar : public TControl {
 public:
  TProgressBar(TForm& form, TRect bounds) : TControl(form, TControlKind::ProgressBar, bounds) {}
  int Min = 0;
  int Max = 100;
  int Step = 10;
  int Position() const { return position_; }
  void SetPosition(int position);
  // Advances the position by Step, not past Max.
  void StepIt();

 private:
  int position_ = 0;
};

struct TTreeNode {
  std::string Text;
  TTreeNode* Parent = nullptr;
  std::vector<std::unique_ptr<TTreeNode>> Children;
  int ImageIndex = 0;
  int SelectedIndex = 0;
  bool Expanded = false;
  void* Native = nullptr;  // the Win32 tree item
};

class TTreeView : public TControl {
 public:
  TTreeView(TForm& form, TRect bounds) : TControl(form, TControlKind::TreeView, bounds) {}
  int Indent = 19;

  // Changes between BeginUpdate and EndUpdate reach the window at once, at
  // EndUpdate.
  void BeginUpdate() { ++updating_; }
  void EndUpdate();
  void Clear();
  // parent null: a top-level node.
  TTreeNode* Add(TTreeNode* parent, const std::string& text);
  // Orders the children of every node by compare (negative: a first).
  void SortAll(const std::function<int(const std::string&, const std::string&)>& compare);
  void Expand(TTreeNode* node);
  const std::vector<std::unique_ptr<TTreeNode>>& Roots() const { return roots_; }
  std::size_t Count() const { return count_; }

  TTreeNode* Selected() const { return selected_; }
  // What a user's pick does: selects the node and reports the change.
  void Select(TTreeNode* node);
  std::function<void(TTreeNode*)> OnChange;

  // Called by the platform when the window's selection changed. Every
  // change is the user's (byUser), by mouse, keys or an accessibility tool,
  // but one: a tree selects its first node by itself when it takes the
  // focus with nothing selected, and that must change nothing.
  void SelectionChanged(TTreeNode* node, bool byUser);
  // Called by the platform for a click on the node already selected: no
  // change of selection, but the user's pick all the same.
  void Picked(TTreeNode* node);
  // The node the window shows selected, whoever selected it.
  TTreeNode* Highlighted() const { return highlighted_; }

 private:
  void Changed();
  std::vector<std::unique_ptr<TTreeNode>> roots_;
  TTreeNode* selected_ = nullptr;
  TTreeNode* highlighted_ = nullptr;
  std::size_t count_ = 0;
  int updating_ = 0;
};

enum class TPosition { ScreenCenter, Designed };

class TForm {
 public:
  TForm(int clientWidth, int clientHeight);
  TForm(const TForm&) = delete;
  TForm& operator=(const TForm&) = delete;
  virtual ~TForm();

  const std::string& Caption() const { return caption_; }
  void SetCaption(const std::string& caption);
  // At 96 dpi, as the layout gives it.
  int ClientWidth() const { return clientWidth_; }
  int ClientHeight() const { return clientHeight_; }
  // The DPI the form is laid out at: its monitor's, once it has a window.
  int Dpi() const { return dpi_; }
  // Lays the form out again at dpi (a move to another monitor).
  void SetDpi(int dpi);

  // Set before the form is first shown.
  TPosition Position = TPosition::ScreenCenter;
  int DesignedLeft = 0;
  int DesignedTop = 0;
  bool CloseBox = true;     // a title bar with a close box; false: no buttons
  bool Borderless = false;  // no border, no title bar
  std::uint32_t Color = 0;  // background as 0x00BBGGRR; 0: the button face

  // Shows the form (FormShow runs before it becomes visible, every time).
  void Show();
  void Hide();
  bool Visible() const { return visible_; }
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool enabled);
  // Places the form over the whole screen, on top of Setup's windows, and
  // shows it (SetWindowPos with HWND_TOP and SWP_SHOWWINDOW).
  void ShowFullScreen();
  TRect ScreenBounds() const { return screenBounds_; }

  // Shows the form modally and returns its modal result once set; the other
  // forms are disabled meanwhile. Closing by the close box gives IDCANCEL.
  int ShowModal();
  bool Modal() const { return modal_; }
  int ModalResult() const { return modalResult_; }
  void SetModalResult(int result);
  // A request to close (close box, Alt+F4, or code): FormCloseQuery decides.
  void Close();
  // A close request from outside the program (the close box, Alt+F4, a
  // posted WM_CLOSE): a disabled form takes none, as it takes no input.
  void CloseRequested();
  bool Closed() const { return closed_; }

  // Keyboard, as the dialog manager routes it.
  void KeyEnter();
  void KeyEscape();
  void KeyTab(bool backwards = false);
  // An access key (the letter after "&" in a caption).
  void KeyAccel(char letter);

  TControl* ActiveControl() const;
  TButton* DefaultButton() const;
  // The push button Enter presses, as Windows' dialogs do: the focused one,
  // else the default one; null when neither is showing.
  TButton* EnterButton() const;
  TButton* CancelButton() const;
  // Controls in keyboard order.
  const std::vector<TControl*>& Controls() const { return controls_; }

  os::HWND Handle = os::NO_WINDOW;

  static const std::vector<TForm*>& AllForms();

 protected:
  virtual void FormShow() {}
  virtual bool FormCloseQuery() { return true; }
  virtual void FormClose() {}

 private:
  friend class TControl;
  friend class TRadioButton;
  void EnsureWindow();
  bool EndModalIfAllowed();

  std::string caption_;
  int clientWidth_;
  int clientHeight_;
  int dpi_ = kDesignDpi;
  bool visible_ = false;
  bool enabled_ = true;
  bool modal_ = false;
  bool closed_ = false;
  int modalResult_ = 0;
  TRect screenBounds_;
  TControl* focused_ = nullptr;
  std::vector<TControl*> controls_;
};

// Disables every visible, enabled form but except while it lives, and
// enables them again: the other windows take no input while a modal window
// or message box is open.
class TDisabledForms {
 public:
  explicit TDisabledForms(const TForm* except = nullptr);
  TDisabledForms(const TDisabledForms&) = delete;
  TDisabledForms& operator=(const TDisabledForms&) = delete;
  ~TDisabledForms();

 private:
  std::vector<TForm*> forms_;
};

// What the platform does with the state above. The Win32 build creates and
// updates real windows; the stand-in does nothing, its state is the object's.
namespace native {
// Creates the window and its controls; the form's DPI is then its monitor's.
void CreateWindowFor(TForm& form);
// Places the window's controls and sets their font for the form's DPI.
void LayOut(TForm& form);
void DestroyWindowOf(TForm& form);
void ShowForm(TForm& form, bool visible);
void EnableForm(TForm& form, bool enabled);
void PlaceFullScreen(TForm& form);
void UpdateCaption(TForm& form);
void UpdateCaption(TControl& control, const std::string& caption);
// The text the user may have changed in the window (edits); false when the
// window has none to tell.
bool ReadCaption(const TControl& control, std::string& caption);
void UpdateVisible(TControl& control);
void UpdateEnabled(TControl& control);
void UpdateDefault(TButton& button);
void UpdateChecked(TRadioButton& radio, bool checked);
bool ReadChecked(const TRadioButton& radio, bool& checked);
void UpdatePicture(TImage& image);
void UpdateProgress(TProgressBar& bar);
void RebuildTree(TTreeView& tree);
void SelectTreeNode(TTreeView& tree, TTreeNode* node);
void Focus(TControl& control);
// The control that has the keyboard focus in the window; false when the
// window cannot tell (the stand-in keeps its own record).
bool FocusedControl(const TForm& form, TControl*& control);
// Hands a message to the dialog manager of the form it belongs to (Tab,
// Enter, Escape, access keys); true when it was handled there.
bool DialogMessage(void* message);
// Handles messages until form.ModalResult() is set.
void RunModalLoop(TForm& form);
// Wakes a modal loop so that it sees a modal result set from code.
void WakeModalLoop(TForm& form);
// For tests: the DPI every window reports as its own from now on, as if
// moved to a monitor of that DPI (0: its monitor's again). Windows only.
void SetWindowDpiForTesting(int dpi);
// Gives Windows the reason the session may not end now (Vista and later:
// ShutdownBlockReasonCreate on the program's windows); none lifts it.
void BlockSessionEnd(const char* reason);
}  // namespace native

// While it lives, logoff and shutdown are held off (WM_QUERYENDSESSION is
// answered FALSE), with Reason shown by Windows Vista and later: for the
// stretches in which the program changes the disk or the registry, which a
// session ended half-way would leave half-made.
class TEndSessionHold {
 public:
  explicit TEndSessionHold(const char* Reason);
  TEndSessionHold(const TEndSessionHold&) = delete;
  TEndSessionHold& operator=(const TEndSessionHold&) = delete;
  ~TEndSessionHold();
};

// Whether the session may end now (WM_QUERYENDSESSION): not while a
// TEndSessionHold lives, on a wizard page always.
bool SessionMayEnd();

}  // namespace ui
