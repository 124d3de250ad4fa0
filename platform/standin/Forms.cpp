// Headless forms: the state kept by the form objects is all there is. A
// modal form is answered by the responder a test installed.
#include <stdexcept>

#include "platform/Forms.h"
#include "platform/Threads.h"
#include "platform/standin/Standin.h"

namespace standin {
// The hook of OnMessagePump, in Application.cpp.
void MessagePump();
}  // namespace standin

namespace {
std::function<void(ui::TForm&)>& Responder() {
  static std::function<void(ui::TForm&)> responder;
  return responder;
}
}  // namespace

namespace standin {
void SetModalResponder(std::function<void(ui::TForm&)> responder) {
  Responder() = std::move(responder);
}
}  // namespace standin

namespace ui::native {

void CreateWindowFor(TForm&) {}
void DestroyWindowOf(TForm&) {}
void ShowForm(TForm&, bool) {}
void EnableForm(TForm&, bool) {}
void PlaceFullScreen(TForm&) {}
void UpdateCaption(TForm&) {}
void UpdateCaption(TControl&, const std::string&) {}
bool ReadCaption(const TControl&, std::string&) { return false; }
void UpdateVisible(TControl&) {}
void UpdateEnabled(TControl&) {}
void UpdateDefault(TButton&) {}
void UpdateChecked(TRadioButton&, bool) {}
bool ReadChecked(const TRadioButton&, bool&) { return false; }
void UpdatePicture(TImage&) {}
void UpdateProgress(TProgressBar&) {}
void RebuildTree(TTreeView&) {}
void SelectTreeNode(TTreeView&, TTreeNode*) {}
void LayOut(TForm&) {}

void Focus(TControl& control) {
  // As Windows' tree view: taking the focus with nothing selected, it
  // selects its first node itself.
  if (control.Kind() != TControlKind::TreeView) return;
  auto& tree = static_cast<TTreeView&>(control);
  if (!tree.Highlighted() && !tree.Roots().empty())
    tree.SelectionChanged(tree.Roots().front().get(), false);
}
bool FocusedControl(const TForm&, TControl*&) { return false; }

void RunModalLoop(TForm& form) {
  // Calls from workers run here, as in the message loop of a real dialog;
  // when there is nothing to do, the responder plays the user.
  int idle = 0;
  while (form.ModalResult() == 0) {
    standin::MessagePump();
    if (os::RunPostedCalls()) {
      idle = 0;
      continue;
    }
    if (Responder()) Responder()(form);
    if (form.ModalResult() != 0) break;
    if (!os::WaitForPostedCalls(5) && ++idle > 6000)
      throw std::logic_error("modal form \"" + form.Caption() + "\" was never answered");
  }
}

void WakeModalLoop(TForm&) {}

void BlockSessionEnd(const char*) {}

void SetWindowDpiForTesting(int) {}

bool DialogMessage(void*) { return false; }

}  // namespace ui::native

namespace os::native {
void WakeMainThread() {}
}  // namespace os::native
