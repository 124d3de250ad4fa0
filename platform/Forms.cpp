#include "platform/Forms.h"

#include <algorithm>

namespace ui {

TControl::TControl(TForm& form, TControlKind kind, TRect bounds)
    : form_(form), kind_(kind), bounds_(bounds) {
  form_.controls_.push_back(this);
}

TControl::~TControl() {
  auto& list = form_.controls_;
  list.erase(std::remove(list.begin(), list.end(), this), list.end());
}

void TControl::SetCaption(const std::string& caption) {
  caption_ = caption;
  native::UpdateCaption(*this);
}

void TControl::SetVisible(bool visible) {
  visible_ = visible;
  native::UpdateVisible(*this);
}

void TImage::SetPicture(os::TBitmap picture) {
  picture_ = std::move(picture);
  native::UpdatePicture(*this);
}

TForm::TForm(int clientWidth, int clientHeight)
    : clientWidth_(clientWidth), clientHeight_(clientHeight) {}

TForm::~TForm() { native::DestroyWindowOf(*this); }

void TForm::SetCaption(const std::string& caption) {
  caption_ = caption;
  native::UpdateCaption(*this);
}

void TForm::Show() {
  if (Handle == os::NO_WINDOW) native::CreateWindowFor(*this);
  visible_ = true;
  native::ShowForm(*this, true);
}

void TForm::Hide() {
  visible_ = false;
  native::ShowForm(*this, false);
}

}  // namespace ui
