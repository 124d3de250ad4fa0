// The form layer's portable part: forms, controls, focus, keys and the session holds.
#include "platform/Forms.h"

#include <algorithm>
#include <cctype>

#include "platform/Application.h"
#include "platform/Shell.h"

namespace ui {

namespace {

std::vector<TForm*>& Forms() {
  static std::vector<TForm*> forms;
  return forms;
}

bool DefaultTabStop(TControlKind kind) {
  switch (kind) {
    case TControlKind::Button:
    case TControlKind::Edit:
    case TControlKind::Memo:
    case TControlKind::RadioButton:
    case TControlKind::TreeView:
      return true;
    default:
      return false;
  }
}

// The access key of a caption: the character after a single "&".
char AccessKey(const std::string& caption) {
  for (std::size_t i = 0; i + 1 < caption.size(); ++i) {
    if (caption[i] != '&') continue;
    if (caption[i + 1] == '&') {
      ++i;
      continue;
    }
    return char(std::toupper(static_cast<unsigned char>(caption[i + 1])));
  }
  return 0;
}

}  // namespace

// --- DPI -------------------------------------------------------------------

int ScaleToDpi(int value, int dpi) {
  const long long product = static_cast<long long>(value) * dpi;
  const long long half = kDesignDpi / 2;
  return int(product >= 0 ? (product + half) / kDesignDpi : -((-product + half) / kDesignDpi));
}

TRect ScaleToDpi(const TRect& r, int dpi) {
  return {ScaleToDpi(r.Left, dpi), ScaleToDpi(r.Top, dpi), ScaleToDpi(r.Width, dpi),
          ScaleToDpi(r.Height, dpi)};
}

TFontSpec DialogFont(int dpi, unsigned codePage) {
  // Windows' own pairs of ANSI code page and character set.
  static const struct {
    unsigned short codePage;
    unsigned char charSet;
  } kCharSets[] = {{874, 222},  {932, 128},  {936, 134},  {949, 129},  {950, 136},
                   {1250, 238}, {1251, 204}, {1252, 0},   {1253, 161}, {1254, 162},
                   {1255, 177}, {1256, 178}, {1257, 186}, {1258, 163}};
  int charSet = kDefaultCharSet;
  for (const auto& pair : kCharSets)
    if (pair.codePage == codePage) charSet = pair.charSet;
  // 8 points: 8/72 inch, rounded as MulDiv(8, dpi, 72) rounds.
  return {-int((8LL * dpi + 36) / 72), charSet};
}

// --- TControl --------------------------------------------------------------

TControl::TControl(TForm& form, TControlKind kind, TRect bounds, TControl* parent)
    : form_(form),
      kind_(kind),
      bounds_(bounds),
      parent_(parent),
      id_(100 + int(form.controls_.size())),
      tabStop_(DefaultTabStop(kind)) {
  form_.controls_.push_back(this);
}

TControl::~TControl() {
  auto& list = form_.controls_;
  list.erase(std::remove(list.begin(), list.end(), this), list.end());
  if (form_.focused_ == this) form_.focused_ = nullptr;
}

TRect TControl::ClientBounds() const {
  TRect r = bounds_;
  for (const TControl* p = parent_; p; p = p->parent_) {
    r.Left += p->bounds_.Left;
    r.Top += p->bounds_.Top;
  }
  return r;
}

TRect TControl::ScaledBounds() const { return ScaleToDpi(ClientBounds(), form_.dpi_); }

std::string TControl::Caption() const {
  std::string live;
  return native::ReadCaption(*this, live) ? live : caption_;
}

void TControl::SetCaption(const std::string& caption) {
  caption_ = caption;
  native::UpdateCaption(*this, caption);
}

void TControl::SetVisible(bool visible) {
  if (visible_ == visible) return;
  visible_ = visible;
  native::UpdateVisible(*this);
  // Children of a group box follow it on the screen.
  for (TControl* c : form_.controls_)
    if (c->parent_ == this) native::UpdateVisible(*c);
}

bool TControl::Showing() const {
  for (const TControl* c = this; c; c = c->parent_)
    if (!c->visible_) return false;
  return true;
}

void TControl::SetEnabled(bool enabled) {
  enabled_ = enabled;
  native::UpdateEnabled(*this);
}

bool TControl::CanFocus() const { return tabStop_ && Showing() && enabled_; }

void TControl::SetFocus() {
  form_.focused_ = this;
  native::Focus(*this);
}

bool TControl::Focused() const { return form_.ActiveControl() == this; }

void TControl::Click() {
  if (!Showing() || !enabled_ || !form_.Enabled()) return;
  DoClick();
}

void TControl::DoClick() {
  if (OnClick) os::Application.Guard(OnClick);
}

// --- Controls --------------------------------------------------------------

void TButton::SetDefault(bool value) {
  default_ = value;
  native::UpdateDefault(*this);
}

bool TButton::ShowsDefaultBorder() const { return Form().EnterButton() == this; }

void TMemo::AddLine(const std::string& line) {
  std::string text = Caption();
  if (!text.empty()) text += "\r\n";
  SetCaption(text + line);
}

std::vector<std::string> TMemo::Lines() const {
  std::vector<std::string> lines;
  const std::string text = Caption();
  if (text.empty()) return lines;
  std::size_t start = 0;
  for (std::size_t at; (at = text.find("\r\n", start)) != std::string::npos; start = at + 2)
    lines.push_back(text.substr(start, at - start));
  lines.push_back(text.substr(start));
  return lines;
}

bool TRadioButton::Checked() const {
  bool live = false;
  return native::ReadChecked(*this, live) ? live : checked_;
}

void TRadioButton::SetChecked(bool checked) {
  checked_ = checked;
  native::UpdateChecked(*this, checked);
  if (!checked) return;
  for (TControl* c : Form().controls_) {
    if (c == this || c->Kind() != TControlKind::RadioButton) continue;
    auto* other = static_cast<TRadioButton*>(c);
    other->checked_ = false;
    native::UpdateChecked(*other, false);
  }
}

void TRadioButton::DoClick() {
  SetChecked(true);
  TControl::DoClick();
}

void TImage::SetPicture(os::TBitmap picture) {
  picture_ = std::move(picture);
  native::UpdatePicture(*this);
}

void TProgressBar::SetPosition(int position) {
  position_ = std::clamp(position, Min, Max);
  native::UpdateProgress(*this);
}

void TProgressBar::StepIt() { SetPosition(position_ + Step); }

// --- TTreeView -------------------------------------------------------------

void TTreeView::EndUpdate() {
  if (updating_ > 0 && --updating_ == 0) native::RebuildTree(*this);
}

void TTreeView::Changed() {
  if (updating_ == 0) native::RebuildTree(*this);
}

void TTreeView::Clear() {
  roots_.clear();
  count_ = 0;
  selected_ = nullptr;
  highlighted_ = nullptr;
  Changed();
}

TTreeNode* TTreeView::Add(TTreeNode* parent, const std::string& text) {
  auto node = std::make_unique<TTreeNode>();
  node->Text = text;
  node->Parent = parent;
  TTreeNode* added = node.get();
  (parent ? parent->Children : roots_).push_back(std::move(node));
  ++count_;
  Changed();
  return added;
}

namespace {
void SortLevel(std::vector<std::unique_ptr<TTreeNode>>& nodes,
               const std::function<int(const std::string&, const std::string&)>& compare) {
  std::stable_sort(nodes.begin(), nodes.end(),
                   [&](const std::unique_ptr<TTreeNode>& a, const std::unique_ptr<TTreeNode>& b) {
                     return compare(a->Text, b->Text) < 0;
                   });
  for (auto& node : nodes) SortLevel(node->Children, compare);
}
}  // namespace

void TTreeView::SortAll(const std::function<int(const std::string&, const std::string&)>& compare) {
  SortLevel(roots_, compare);
  Changed();
}

void TTreeView::Expand(TTreeNode* node) {
  node->Expanded = true;
  Changed();
}

void TTreeView::Select(TTreeNode* node) {
  if (!Showing() || !Enabled() || !Form().Enabled()) return;
  native::SelectTreeNode(*this, node);
  highlighted_ = node;
  Picked(node);
}

void TTreeView::SelectionChanged(TTreeNode* node, bool byUser) {
  // Against the tree's own previous selection: a folder picked again after
  // the selection moved away (its branch collapsed) counts again.
  TTreeNode* previous = highlighted_;
  highlighted_ = node;
  if (byUser && node != previous) Picked(node);
}

void TTreeView::Picked(TTreeNode* node) {
  highlighted_ = node;
  selected_ = node;
  if (OnChange) os::Application.Guard([&] { OnChange(node); });
}

// --- TForm -----------------------------------------------------------------

TForm::TForm(int clientWidth, int clientHeight)
    : clientWidth_(clientWidth), clientHeight_(clientHeight) {
  Forms().push_back(this);
}

TForm::~TForm() {
  if (Handle != os::NO_WINDOW && os::Application.MainWindow == Handle) os::Application.MainWindow = os::NO_WINDOW;
  native::DestroyWindowOf(*this);
  auto& forms = Forms();
  forms.erase(std::remove(forms.begin(), forms.end(), this), forms.end());
}

const std::vector<TForm*>& TForm::AllForms() { return Forms(); }

void TForm::SetDpi(int dpi) {
  // Windows goes up to 500 %: anything beyond a few times that is no
  // monitor's, and would only make layouts and pictures absurdly large.
  if (dpi < kMinDpi || dpi > kMaxDpi || dpi == dpi_) return;
  dpi_ = dpi;
  if (Handle != os::NO_WINDOW) native::LayOut(*this);
}

void TForm::SetCaption(const std::string& caption) {
  caption_ = caption;
  native::UpdateCaption(*this);
}

void TForm::EnsureWindow() {
  if (Handle != os::NO_WINDOW) return;
  native::CreateWindowFor(*this);
  // The application's dialogs belong to the main window from now on.
  if (os::Application.MainForm == this) os::Application.MainWindow = Handle;
}

void TForm::Show() {
  EnsureWindow();
  closed_ = false;
  if (!visible_) {
    FormShow();
    if (closed_) return;  // FormShow ended it (the program is ending)
  }
  visible_ = true;
  native::ShowForm(*this, true);
  if (focused_ && focused_->CanFocus()) native::Focus(*focused_);
}

void TForm::Hide() {
  visible_ = false;
  native::ShowForm(*this, false);
}

void TForm::SetEnabled(bool enabled) {
  enabled_ = enabled;
  native::EnableForm(*this, enabled);
}

void TForm::ShowFullScreen() {
  EnsureWindow();
  screenBounds_ = {0, 0, os::ScreenWidth(), os::ScreenHeight()};
  visible_ = true;
  native::PlaceFullScreen(*this);
}

TDisabledForms::TDisabledForms(const TForm* except) {
  for (TForm* form : Forms()) {
    if (form != except && form->Visible() && form->Enabled()) {
      form->SetEnabled(false);
      forms_.push_back(form);
    }
  }
}

TDisabledForms::~TDisabledForms() {
  for (TForm* form : forms_) form->SetEnabled(true);
}

int TForm::ShowModal() {
  int result;
  {
    TDisabledForms others(this);
    modal_ = true;
    modalResult_ = 0;
    Show();
    if (focused_ == nullptr || !focused_->CanFocus()) KeyTab();
    for (;;) {
      native::RunModalLoop(*this);
      if (EndModalIfAllowed()) break;
    }
    result = modalResult_;
    modal_ = false;
  }  // the others first, so that Windows activates the owner again
  Hide();
  return result;
}

bool TForm::EndModalIfAllowed() {
  const int asked = modalResult_;
  bool allowed = false;
  os::Application.Guard([&] { allowed = FormCloseQuery(); });
  if (!allowed) {
    // A result set while the question was open (a worker that finished)
    // stands and is asked about in its turn.
    if (modalResult_ == asked) modalResult_ = 0;
    return false;
  }
  os::Application.Guard([&] { FormClose(); });
  return true;
}

void TForm::SetModalResult(int result) {
  modalResult_ = result;
  if (modal_) native::WakeModalLoop(*this);
}

void TForm::Close() {
  if (modal_) {
    SetModalResult(os::IDCANCEL);
    return;
  }
  bool allowed = false;
  os::Application.Guard([&] { allowed = FormCloseQuery(); });
  if (!allowed) return;
  os::Application.Guard([&] { FormClose(); });
  closed_ = true;
  Hide();
  // Closing the main window ends the program.
  if (os::Application.MainForm == this ||
      (Handle != os::NO_WINDOW && Handle == os::Application.MainWindow))
    os::Application.Terminate();
}

void TForm::CloseRequested() {
  if (enabled_) Close();
}

TControl* TForm::ActiveControl() const {
  TControl* live = nullptr;
  if (native::FocusedControl(*this, live)) return live;
  return focused_;
}

TButton* TForm::DefaultButton() const {
  for (TControl* c : controls_)
    if (c->Kind() == TControlKind::Button && static_cast<TButton*>(c)->Default())
      return static_cast<TButton*>(c);
  return nullptr;
}

TButton* TForm::CancelButton() const {
  for (TControl* c : controls_)
    if (c->Kind() == TControlKind::Button && static_cast<TButton*>(c)->Cancel)
      return static_cast<TButton*>(c);
  return nullptr;
}

TButton* TForm::EnterButton() const {
  TControl* active = ActiveControl();
  if (active && active->Kind() == TControlKind::Button && active->Showing())
    return static_cast<TButton*>(active);
  for (TControl* c : controls_)
    if (c->Kind() == TControlKind::Button && static_cast<TButton*>(c)->Default() && c->Showing())
      return static_cast<TButton*>(c);
  return nullptr;
}

void TForm::KeyEnter() {
  // As in every dialog of Windows: the focused push button, which shows the
  // default border while it has the focus, else the default button.
  if (TButton* button = EnterButton()) button->Click();
}

void TForm::KeyEscape() {
  for (TControl* c : controls_) {
    if (c->Kind() == TControlKind::Button && static_cast<TButton*>(c)->Cancel && c->Showing()) {
      c->Click();
      return;
    }
  }
}

void TForm::KeyTab(bool backwards) {
  const int n = int(controls_.size());
  if (n == 0) return;
  TControl* active = ActiveControl();
  int at = -1;
  for (int i = 0; i < n; ++i)
    if (controls_[i] == active) at = i;
  for (int step = 1; step <= n; ++step) {
    int i = at < 0 ? (backwards ? n - step : step - 1) : at + (backwards ? -step : step);
    i = ((i % n) + n) % n;
    // As in Windows, Tab stops at the checked button of a radio group, or
    // at its first while none is checked.
    bool skippedRadio = false;
    if (controls_[i]->Kind() == TControlKind::RadioButton) {
      const TRadioButton* checked = nullptr;
      const TControl* first = nullptr;
      for (TControl* c : controls_) {
        if (c->Kind() != TControlKind::RadioButton) continue;
        if (!first) first = c;
        if (!checked && static_cast<TRadioButton*>(c)->Checked()) checked = static_cast<TRadioButton*>(c);
      }
      skippedRadio = controls_[i] != (checked ? checked : first);
    }
    if (controls_[i]->CanFocus() && !skippedRadio) {
      controls_[i]->SetFocus();
      return;
    }
  }
}

void TForm::KeyAccel(char letter) {
  const char key = char(std::toupper(static_cast<unsigned char>(letter)));
  for (std::size_t i = 0; i < controls_.size(); ++i) {
    TControl* c = controls_[i];
    if (!c->Showing() || !c->Enabled() || AccessKey(c->caption_) != key) continue;
    switch (c->Kind()) {
      case TControlKind::Button:
      case TControlKind::RadioButton:
        c->SetFocus();
        c->Click();
        return;
      default:
        // A label or group box hands the focus to the next control.
        for (std::size_t j = i + 1; j < controls_.size(); ++j) {
          if (controls_[j]->CanFocus()) {
            controls_[j]->SetFocus();
            return;
          }
        }
        return;
    }
  }
}

namespace {
int endSessionHolds = 0;
}

TEndSessionHold::TEndSessionHold(const char* Reason) {
  if (endSessionHolds++ == 0) native::BlockSessionEnd(Reason);
}

TEndSessionHold::~TEndSessionHold() {
  if (--endSessionHolds == 0) native::BlockSessionEnd(nullptr);
}

bool SessionMayEnd() { return endSessionHolds == 0; }

}  // namespace ui
