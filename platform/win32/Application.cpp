#include "platform/win32/WinApi.h"

#include <commctrl.h>

#include "platform/Forms.h"

namespace os {

void TApplication::Initialize() {
  INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_WIN95_CLASSES};
  ::InitCommonControlsEx(&controls);
}

void TApplication::ProcessMessages() {
  MSG message;
  while (::PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      terminated_ = true;
      break;
    }
    if (ui::native::DialogMessage(&message)) continue;
    ::TranslateMessage(&message);
    ::DispatchMessageA(&message);
  }
}

void TApplication::Run() {
  MSG message;
  while (!terminated_ && ::GetMessageA(&message, nullptr, 0, 0) > 0) {
    if (ui::native::DialogMessage(&message)) continue;
    ::TranslateMessage(&message);
    ::DispatchMessageA(&message);
  }
  terminated_ = true;
}

}  // namespace os

namespace os {
void TApplication::Terminate() {
  terminated_ = true;
  ::PostQuitMessage(0);
}
}  // namespace os
