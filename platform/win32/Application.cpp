// The application on Windows: its window, its message loop and the workers' wake-up.
#include "platform/win32/WinApi.h"

#include <commctrl.h>
#include <objbase.h>

#include "platform/Forms.h"
#include "platform/Threads.h"
#include "resources/ResourceIds.h"

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

namespace {
// The application's window: never seen itself, but the one taskbar entry of
// the program, which owns the main window (and so, through it, every
// dialog). Activated from the taskbar, it hands the activation on to the
// window the user was working in.
// The window the user works in: the last one active, else the main
// window; when that is disabled, the dialog it waits for.
::HWND UserWindow(::HWND application) {
  ::HWND target = ::GetLastActivePopup(application);
  ::HWND main = win32::Native(Application.MainWindow);
  if ((target == application || !::IsWindowVisible(target)) && main) target = main;
  if (target && target != application && !::IsWindowEnabled(target)) {
    ::HWND popup = ::GetWindow(target, GW_ENABLEDPOPUP);
    if (popup) target = popup;
  }
  return target == application ? nullptr : target;
}

LRESULT CALLBACK ApplicationWindowProc(::HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_ACTIVATE:
      if (LOWORD(wParam) != WA_INACTIVE) {
        ::HWND target = UserWindow(window);
        if (target && ::IsWindowVisible(target)) ::SetActiveWindow(target);
        return 0;
      }
      break;
    case WM_CLOSE: {
      // "Close window" on the taskbar: a close request to the window the
      // user is in, under its own rule (the progress dialog's is its
      // Cancel, which holds the copying while it asks). Never the main
      // window behind a dialog; a message box or another system dialog
      // waits for its answer, so the request is dropped then.
      ::HWND target = UserWindow(window);
      if (target && ::IsWindowEnabled(target) && win32::IsFormWindow(target))
        ::PostMessageA(target, WM_CLOSE, 0, 0);
      return 0;
    }
    case WM_GETMINMAXINFO:
      // No smallest size: the window stays a point.
      reinterpret_cast<MINMAXINFO*>(lParam)->ptMinTrackSize = {0, 0};
      return 0;
    default:
      break;
  }
  return ::DefWindowProcA(window, message, wParam, lParam);
}
}  // namespace

void TApplication::CreateHandle() {
  if (Handle != NO_WINDOW) {
    ::SetWindowTextA(win32::Native(Handle), Title.c_str());
    return;
  }
  WNDCLASSA cls = {};
  cls.lpfnWndProc = ApplicationWindowProc;
  cls.hInstance = ::GetModuleHandleA(nullptr);
  cls.hIcon = ::LoadIconA(cls.hInstance, MAKEINTRESOURCEA(IDI_SETUP));
  cls.lpszClassName = "TSetupApplication";
  ::RegisterClassA(&cls);
  // A point at the centre of the screen: what it owns centres over it.
  ::HWND window = ::CreateWindowExA(
      0, cls.lpszClassName, Title.c_str(), WS_POPUP | WS_CAPTION | WS_SYSMENU,
      ::GetSystemMetrics(SM_CXSCREEN) / 2, ::GetSystemMetrics(SM_CYSCREEN) / 2, 0, 0, nullptr,
      nullptr, cls.hInstance, nullptr);
  if (!window) return;  // then each window stands on its own, as before
  ::SetWindowPos(window, nullptr, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_SHOWWINDOW);
  Handle = win32::Wrap(window);
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
