#include "platform/win32/WinApi.h"

#include <commctrl.h>
#include <objbase.h>

#include "platform/Forms.h"
#include "platform/Threads.h"

namespace os {

namespace {

constexpr UINT kRunPostedCalls = WM_APP + 1;
::HWND callWindow = nullptr;

// A message-only window: every message loop, modal ones included, hands it
// the wake-up, so workers' calls run whatever dialog is open.
LRESULT CALLBACK CallWindowProc(::HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == kRunPostedCalls) {
    RunPostedCalls();
    return 0;
  }
  return ::DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

namespace native {
void WakeMainThread() {
  if (callWindow) ::PostMessageA(callWindow, kRunPostedCalls, 0, 0);
}
}  // namespace native

namespace {
// COM for the user-interface thread, for the shell link object; undone at
// exit only if it was done.
struct ComApartment {
  bool initialised = false;
  void Enter() {
    if (!initialised) initialised = SUCCEEDED(::CoInitialize(nullptr));
  }
  ~ComApartment() {
    if (initialised) ::CoUninitialize();
  }
} comApartment;
}  // namespace

void TApplication::Initialize() {
  INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_WIN95_CLASSES};
  ::InitCommonControlsEx(&controls);
  comApartment.Enter();
  if (!callWindow) {
    WNDCLASSA cls = {};
    cls.lpfnWndProc = CallWindowProc;
    cls.hInstance = ::GetModuleHandleA(nullptr);
    cls.lpszClassName = "TSetupCalls";
    ::RegisterClassA(&cls);
    callWindow = ::CreateWindowExA(0, cls.lpszClassName, "", 0, 0, 0, 0, 0,
                                   reinterpret_cast<::HWND>(static_cast<LONG_PTR>(-3)) /*HWND_MESSAGE*/, nullptr,
                                   cls.hInstance, nullptr);
  }
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
