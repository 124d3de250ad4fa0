#include "platform/win32/WinApi.h"

#include <commctrl.h>

#include <map>

#include "platform/Forms.h"

namespace ui::native {

using os::win32::Native;
using os::win32::Wrap;

namespace {

const char* const kFormClass = "TSetupForm";

HFONT DialogFont() {
  // "MS Sans Serif" 8 point: 11 pixels high at 96 dots per inch.
  static HFONT font = ::CreateFontA(-11, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, ANSI_CHARSET,
                                    OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                    DEFAULT_PITCH | FF_DONTCARE, "MS Sans Serif");
  return font;
}

// Bitmaps shown by image controls, deleted with their control.
std::map<::HWND, HBITMAP>& Bitmaps() {
  static std::map<::HWND, HBITMAP> bitmaps;
  return bitmaps;
}

LRESULT CALLBACK FormProc(::HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CLOSE:
      if (Wrap(window) == os::Application.MainWindow) {
        os::Application.Terminate();
        ::PostQuitMessage(0);
        return 0;
      }
      ::ShowWindow(window, SW_HIDE);
      return 0;
    default:
      return ::DefWindowProcA(window, message, wParam, lParam);
  }
}

void RegisterFormClass() {
  static bool registered = false;
  if (registered) return;
  WNDCLASSA cls = {};
  cls.lpfnWndProc = FormProc;
  cls.hInstance = ::GetModuleHandleA(nullptr);
  cls.hCursor = ::LoadCursorA(nullptr, MAKEINTRESOURCEA(32512) /*IDC_ARROW*/);
  cls.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  cls.hIcon = ::LoadIconA(cls.hInstance, MAKEINTRESOURCEA(1));
  cls.lpszClassName = kFormClass;
  ::RegisterClassA(&cls);
  registered = true;
}

HBITMAP MakeBitmap(const os::TBitmap& picture) {
  if (picture.Width <= 0 || picture.Height <= 0) return nullptr;
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = picture.Width;
  info.bmiHeader.biHeight = -picture.Height;  // top-down rows
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP bitmap = ::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!bitmap) return nullptr;
  const int stride = (picture.Width * 3 + 3) & ~3;
  auto* out = static_cast<unsigned char*>(bits);
  for (int y = 0; y < picture.Height; ++y) {
    const unsigned char* in = picture.Rgb.data() + std::size_t(y) * picture.Width * 3;
    unsigned char* row = out + std::size_t(y) * stride;
    for (int x = 0; x < picture.Width; ++x) {  // DIBs keep blue first
      row[x * 3 + 0] = in[x * 3 + 2];
      row[x * 3 + 1] = in[x * 3 + 1];
      row[x * 3 + 2] = in[x * 3 + 0];
    }
  }
  return bitmap;
}

void CreateControl(TForm& form, TControl& control) {
  DWORD style = WS_CHILD | (control.Visible() ? WS_VISIBLE : 0);
  const char* cls = "STATIC";
  switch (control.Kind()) {
    case TControlKind::Label:
      style |= SS_LEFT;
      break;
    case TControlKind::Image:
      style |= SS_BITMAP;
      break;
  }
  const TRect& r = control.Bounds();
  ::HWND handle = ::CreateWindowExA(0, cls, control.Caption().c_str(), style, r.Left, r.Top,
                                    r.Width, r.Height, Native(form.Handle), nullptr,
                                    ::GetModuleHandleA(nullptr), nullptr);
  ::SendMessageA(handle, WM_SETFONT, reinterpret_cast<WPARAM>(DialogFont()), FALSE);
  control.Handle = Wrap(handle);
  if (control.Kind() == TControlKind::Image) UpdatePicture(static_cast<TImage&>(control));
}

}  // namespace

void CreateWindowFor(TForm& form) {
  RegisterFormClass();
  const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
  const DWORD exStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;
  RECT frame = {0, 0, form.ClientWidth(), form.ClientHeight()};
  ::AdjustWindowRectEx(&frame, style, FALSE, exStyle);
  const int width = frame.right - frame.left;
  const int height = frame.bottom - frame.top;
  int left = form.DesignedLeft;
  int top = form.DesignedTop;
  if (form.Position == TPosition::ScreenCenter) {
    left = (::GetSystemMetrics(SM_CXSCREEN) - width) / 2;
    top = (::GetSystemMetrics(SM_CYSCREEN) - height) / 2;
  }
  ::HWND window = ::CreateWindowExA(exStyle, kFormClass, form.Caption().c_str(), style, left, top,
                                    width, height, nullptr, nullptr, ::GetModuleHandleA(nullptr),
                                    nullptr);
  form.Handle = Wrap(window);
  for (TControl* control : form.Controls()) CreateControl(form, *control);
}

void DestroyWindowOf(TForm& form) {
  if (form.Handle == os::NO_WINDOW) return;
  for (TControl* control : form.Controls()) {
    auto found = Bitmaps().find(Native(control->Handle));
    if (found != Bitmaps().end()) {
      ::DeleteObject(found->second);
      Bitmaps().erase(found);
    }
  }
  ::DestroyWindow(Native(form.Handle));
  form.Handle = os::NO_WINDOW;
}

void ShowForm(TForm& form, bool visible) {
  if (form.Handle == os::NO_WINDOW) return;
  ::ShowWindow(Native(form.Handle), visible ? SW_SHOW : SW_HIDE);
  if (visible) ::UpdateWindow(Native(form.Handle));
}

void UpdateCaption(TForm& form) {
  if (form.Handle != os::NO_WINDOW) ::SetWindowTextA(Native(form.Handle), form.Caption().c_str());
}

void UpdateCaption(TControl& control) {
  if (control.Handle != os::NO_WINDOW)
    ::SetWindowTextA(Native(control.Handle), control.Caption().c_str());
}

void UpdateVisible(TControl& control) {
  if (control.Handle != os::NO_WINDOW)
    ::ShowWindow(Native(control.Handle), control.Visible() ? SW_SHOW : SW_HIDE);
}

void UpdatePicture(TImage& image) {
  if (image.Handle == os::NO_WINDOW) return;
  ::HWND handle = Native(image.Handle);
  HBITMAP bitmap = MakeBitmap(image.Picture());
  ::SendMessageA(handle, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bitmap));
  auto& bitmaps = Bitmaps();
  auto old = bitmaps.find(handle);
  if (old != bitmaps.end()) ::DeleteObject(old->second);
  bitmaps[handle] = bitmap;
}

}  // namespace ui::native
