// Real windows for the form layer: one top-level window a form, one child
// window a control, created in keyboard order so that Tab follows it. The
// dialog manager (IsDialogMessage) sends Enter to the focused push button,
// else to the default one the form names (DM_GETDEFID), and Escape as
// IDCANCEL to the cancel button; the default border follows the focus.
#include "platform/win32/WinApi.h"

#include <commctrl.h>

#include <map>

#include "platform/Forms.h"
#include "resources/ResourceIds.h"

namespace ui::native {

using os::win32::Native;
using os::win32::Wrap;

namespace {

const char* const kFormClass = "TSetupForm";

#ifndef WM_DPICHANGED
#define WM_DPICHANGED 0x02E0
#endif

// Whether font is what was asked for: the character height, and the
// character set where one was asked for.
bool Realizes(HFONT font, const ui::TFontSpec& wanted) {
  HDC dc = ::GetDC(nullptr);
  HGDIOBJ old = ::SelectObject(dc, font);
  TEXTMETRICA metrics = {};
  const bool measured = ::GetTextMetricsA(dc, &metrics) != FALSE;
  ::SelectObject(dc, old);
  ::ReleaseDC(nullptr, dc);
  return measured && metrics.tmHeight - metrics.tmInternalLeading == -wanted.Height &&
         (wanted.CharSet == ui::kDefaultCharSet || metrics.tmCharSet == wanted.CharSet);
}

HFONT MakeFont(const ui::TFontSpec& wanted, const char* face) {
  return ::CreateFontA(wanted.Height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, BYTE(wanted.CharSet),
                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                       DEFAULT_PITCH | FF_DONTCARE, face);
}

// "MS Sans Serif" 8 point at dpi, one font a DPI for the whole run. Where
// that face has no size this high or no glyphs of the system's script,
// Windows' own dialog face of that size and script ("MS Shell Dlg").
HFONT DialogFont(int dpi) {
  static std::vector<std::pair<int, HFONT>> fonts;
  for (const auto& made : fonts)
    if (made.first == dpi) return made.second;
  const ui::TFontSpec wanted = ui::DialogFont(dpi, ::GetACP());
  HFONT font = MakeFont(wanted, "MS Sans Serif");
  if (!Realizes(font, wanted)) {
    ::DeleteObject(font);
    font = MakeFont(wanted, "MS Shell Dlg");
  }
  fonts.emplace_back(dpi, font);
  return font;
}

// The DPI of the monitor the window is on; the system's where Windows is
// older than 10 (1607), which then scales nothing per monitor.
int dpiForTesting = 0;

// The window's own DPI as Windows 10 (1607) and later tell it; 0 where
// Windows cannot tell.
int OwnDpi(::HWND window) {
  if (dpiForTesting) return dpiForTesting;
  using GetDpiForWindowFn = UINT(WINAPI*)(::HWND);
  static const auto getDpiForWindow = reinterpret_cast<GetDpiForWindowFn>(
      reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleA("user32.dll"), "GetDpiForWindow")));
  return getDpiForWindow ? int(getDpiForWindow(window)) : 0;
}

int DpiOf(::HWND window) {
  if (const int dpi = OwnDpi(window)) return dpi;
  HDC dc = ::GetDC(nullptr);
  const int dpi = ::GetDeviceCaps(dc, LOGPIXELSY);
  ::ReleaseDC(nullptr, dc);
  return dpi > 0 ? dpi : ui::kDesignDpi;
}

// The window's outer size for the form's client size at its DPI.
SIZE OuterSize(const TForm& form, DWORD style, DWORD exStyle) {
  using AdjustForDpiFn = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);
  static const auto adjustForDpi = reinterpret_cast<AdjustForDpiFn>(reinterpret_cast<void*>(
      ::GetProcAddress(::GetModuleHandleA("user32.dll"), "AdjustWindowRectExForDpi")));
  RECT frame = {0, 0, ui::ScaleToDpi(form.ClientWidth(), form.Dpi()),
                ui::ScaleToDpi(form.ClientHeight(), form.Dpi())};
  if (!adjustForDpi || !adjustForDpi(&frame, style, FALSE, exStyle, UINT(form.Dpi())))
    ::AdjustWindowRectEx(&frame, style, FALSE, exStyle);
  return {frame.right - frame.left, frame.bottom - frame.top};
}

// What the windows keep beside them. One type for every table, so that the
// program holds one copy of the map's code (the first floppy is full).
using WindowTable = std::map<::HWND, void*>;

void* Lookup(const WindowTable& table, ::HWND window) {
  auto found = table.find(window);
  return found == table.end() ? nullptr : found->second;
}

// The form of each form window.
WindowTable& FormsByWindow() {
  static WindowTable forms;
  return forms;
}

// Bitmaps shown by image controls and brushes of coloured forms, deleted with
// their windows.
WindowTable& GdiObjects() {
  static WindowTable objects;
  return objects;
}

void ReleaseGdiObject(::HWND window) {
  if (void* object = Lookup(GdiObjects(), window)) ::DeleteObject(HGDIOBJ(object));
  GdiObjects().erase(window);
}

TForm* FormOf(::HWND window) { return static_cast<TForm*>(Lookup(FormsByWindow(), window)); }

// The control of each form that last had the keyboard focus. A form is no
// dialog class: when it is activated again (after a modal dialog, a message
// box, or another program), Windows gives the focus to the form itself, and
// the form hands it back to that control as a dialog would.
WindowTable& LastFocus() {
  static WindowTable focus;
  return focus;
}

void RememberFocus() {
  ::HWND focus = ::GetFocus();
  if (!focus) return;
  ::HWND root = ::GetAncestor(focus, GA_ROOT);
  if (root != focus && FormOf(root)) LastFocus()[root] = focus;
}

void RestoreFocus(::HWND window) {
  ::HWND control = static_cast<::HWND>(Lookup(LastFocus(), window));
  if (!control || !::IsChild(window, control) || !::IsWindowVisible(control) ||
      !::IsWindowEnabled(control))
    control = ::GetNextDlgTabItem(window, nullptr, FALSE);
  if (control) ::SetFocus(control);
}

TControl* ControlWithId(TForm& form, int id) {
  for (TControl* c : form.Controls())
    if (c->Id() == id) return c;
  return nullptr;
}

TControl* ControlWithHandle(const TForm& form, ::HWND handle) {
  for (TControl* c : form.Controls())
    if (Native(c->Handle) == handle) return c;
  return nullptr;
}

TTreeNode* NodeOf(TTreeView& tree, HTREEITEM item) {
  if (!item) return nullptr;
  TVITEMA data = {};
  data.mask = TVIF_PARAM | TVIF_HANDLE;
  data.hItem = item;
  ::SendMessageA(Native(tree.Handle), TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&data));
  return reinterpret_cast<TTreeNode*>(data.lParam);
}

constexpr ::DWORD kProgressPaint = 40;

// When each progress bar was last painted (GetTickCount, 1 at least: 0 is
// never painted).
WindowTable& ProgressPainted() {
  static WindowTable painted;
  return painted;
}

void PaintProgress(::HWND bar) {
  ProgressPainted()[bar] = reinterpret_cast<void*>(std::uintptr_t(::GetTickCount() | 1));
  ::InvalidateRect(bar, nullptr, TRUE);
}

// Paints the bar now when its last painting is long enough ago, otherwise
// once that time is up (a timer on its form, named by the bar's id).
void PaintProgressSoon(::HWND bar) {
  const auto last = ::DWORD(reinterpret_cast<std::uintptr_t>(Lookup(ProgressPainted(), bar)));
  if (last == 0 || ::GetTickCount() - last >= kProgressPaint)
    PaintProgress(bar);
  else
    ::SetTimer(::GetParent(bar), UINT_PTR(::GetDlgCtrlID(bar)), kProgressPaint, nullptr);
}

LRESULT CALLBACK FormProc(::HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  TForm* form = FormOf(window);
  if (!form) return ::DefWindowProcA(window, message, wParam, lParam);
  switch (message) {
    case WM_CLOSE:
      form->CloseRequested();
      return 0;
    case WM_QUERYENDSESSION:
      return SessionMayEnd();
    case WM_SETFOCUS:
      RestoreFocus(window);
      return 0;
    case WM_DPICHANGED: {
      // Moved to a monitor of another DPI: laid out anew, in the rectangle
      // Windows suggests. Any program of the desktop may send this message:
      // the DPI is the window's own, and a message that says otherwise, or
      // that changes nothing, is ignored before its rectangle is read.
      // Before Windows 10 (1607) nothing tells the window's DPI: the message's
      // is taken, within bounds, with a rectangle that can be read.
      const int told = HIWORD(wParam), own = OwnDpi(window);
      const int dpi = own ? own : told;
      if ((own && own != told) || dpi == form->Dpi() || dpi < kMinDpi || dpi > kMaxDpi || !lParam ||
          (!own && ::IsBadReadPtr(reinterpret_cast<const void*>(lParam), sizeof(RECT))))
        return 0;
      form->SetDpi(dpi);
      const auto* r = reinterpret_cast<const RECT*>(lParam);
      ::SetWindowPos(window, nullptr, r->left, r->top, r->right - r->left, r->bottom - r->top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
      return 0;
    }
    case WM_TIMER:
      // A progress bar's painting that was held back.
      ::KillTimer(window, wParam);
      if (::HWND bar = ::GetDlgItem(window, int(wParam))) PaintProgress(bar);
      return 0;
    case WM_ERASEBKGND:
      if (form->Color != 0) {
        RECT r;
        ::GetClientRect(window, &r);
        HBRUSH brush = ::CreateSolidBrush(form->Color);
        ::FillRect(reinterpret_cast<HDC>(wParam), &r, brush);
        ::DeleteObject(brush);
        return 1;
      }
      break;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT: {
      // Read-only memos and labels on the button face, whatever their state.
      TControl* control = ControlWithHandle(*form, reinterpret_cast<::HWND>(lParam));
      if (message == WM_CTLCOLORSTATIC || (control && control->Kind() == TControlKind::Memo)) {
        ::SetBkColor(reinterpret_cast<HDC>(wParam), ::GetSysColor(COLOR_BTNFACE));
        return reinterpret_cast<LRESULT>(::GetSysColorBrush(COLOR_BTNFACE));
      }
      break;
    }
    case DM_GETDEFID: {
      // Asked by the dialog manager for Enter when no push button has the
      // focus.
      for (TControl* c : form->Controls())
        if (c->Kind() == TControlKind::Button && static_cast<TButton*>(c)->Default() && c->Showing())
          return MAKELRESULT(c->Id(), DC_HASDEFID);
      return 0;
    }
    case DM_SETDEFID: {
      TControl* chosen = ControlWithId(*form, int(wParam));
      if (!chosen || chosen->Kind() != TControlKind::Button) return FALSE;
      for (TControl* c : form->Controls())
        if (c->Kind() == TControlKind::Button && c != chosen) static_cast<TButton*>(c)->SetDefault(false);
      static_cast<TButton*>(chosen)->SetDefault(true);
      return TRUE;
    }
    case WM_COMMAND: {
      const int id = LOWORD(wParam);
      if (id == IDOK && lParam == 0) {
        form->KeyEnter();
        return 0;
      }
      if (id == IDCANCEL && lParam == 0) {
        form->KeyEscape();
        return 0;
      }
      TControl* control = ControlWithId(*form, id);
      if (control && HIWORD(wParam) == BN_CLICKED &&
          (control->Kind() == TControlKind::Button || control->Kind() == TControlKind::RadioButton))
        control->Click();
      return 0;
    }
    case WM_NOTIFY: {
      auto* header = reinterpret_cast<NMHDR*>(lParam);
      TControl* control = ControlWithId(*form, int(header->idFrom));
      if (!control || control->Kind() != TControlKind::TreeView) return 0;
      auto& tree = static_cast<TTreeView&>(*control);
      if (header->code == TVN_SELCHANGEDA) {
        // Every change but one: the tree selects its first node itself
        // (TVC_UNKNOWN, nothing selected before) when it takes the focus.
        const auto* change = reinterpret_cast<NMTREEVIEWA*>(lParam);
        const bool ownPick = change->action == TVC_UNKNOWN && !change->itemOld.hItem &&
                             ::GetFocus() == header->hwndFrom;
        tree.SelectionChanged(NodeOf(tree, change->itemNew.hItem), !ownPick);
      } else if (header->code == NM_CLICK) {
        // A click on the node selected already changes no selection, so no
        // TVN_SELCHANGED says so: it is the user's pick all the same.
        TVHITTESTINFO hit = {};
        ::GetCursorPos(&hit.pt);
        ::ScreenToClient(header->hwndFrom, &hit.pt);
        const auto item = reinterpret_cast<HTREEITEM>(
            ::SendMessageA(header->hwndFrom, TVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
        if (item && (hit.flags & TVHT_ONITEM) &&
            item == reinterpret_cast<HTREEITEM>(
                        ::SendMessageA(header->hwndFrom, TVM_GETNEXTITEM, TVGN_CARET, 0)))
          tree.Picked(NodeOf(tree, item));
      }
      return 0;
    }
    default:
      break;
  }
  return ::DefWindowProcA(window, message, wParam, lParam);
}

void RegisterFormClass() {
  static bool registered = false;
  if (registered) return;
  WNDCLASSA cls = {};
  cls.lpfnWndProc = FormProc;
  cls.hInstance = ::GetModuleHandleA(nullptr);
  cls.hCursor = ::LoadCursorA(nullptr, MAKEINTRESOURCEA(32512) /*IDC_ARROW*/);
  cls.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  cls.hIcon = ::LoadIconA(cls.hInstance, MAKEINTRESOURCEA(IDI_SETUP));
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

// The default border goes with the focus, as in Windows' dialogs: on the
// focused push button, else on the form's default button; so it always
// shows what Enter presses (TForm::EnterButton).
void ShowDefaultBorder(TForm& form) {
  TButton* enter = form.EnterButton();
  for (TControl* c : form.Controls()) {
    if (c->Kind() != TControlKind::Button || c->Handle == os::NO_WINDOW) continue;
    const LONG style = c == enter ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
    if ((::GetWindowLongA(Native(c->Handle), GWL_STYLE) & 0x0F) != style)
      ::SendMessageA(Native(c->Handle), BM_SETSTYLE, style, TRUE);
  }
}

// Every control tells its form when it takes the focus, by Tab, a click (a
// press released off a button too) or code.
LRESULT CALLBACK FocusProc(::HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                           DWORD_PTR) {
  const LRESULT result = ::DefSubclassProc(window, message, wParam, lParam);
  if (message == WM_SETFOCUS)
    if (TForm* form = FormOf(::GetAncestor(window, GA_ROOT))) ShowDefaultBorder(*form);
  return result;
}

// A read-only memo is read, not typed into: Tab and Enter belong to the
// dialog, as in the memos of the wizard.
LRESULT CALLBACK MemoProc(::HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                          DWORD_PTR) {
  LRESULT result = ::DefSubclassProc(window, message, wParam, lParam);
  if (message == WM_GETDLGCODE) result &= ~(DLGC_WANTALLKEYS | DLGC_WANTTAB | DLGC_WANTMESSAGE);
  return result;
}

// The tree's two folder pictures at the size for dpi (16 pixels at 96),
// one list a size for the whole run.
HIMAGELIST FolderImages(int dpi) {
  static std::vector<std::pair<int, HIMAGELIST>> lists;
  const int size = ui::ScaleToDpi(16, dpi);
  for (const auto& made : lists)
    if (made.first == size) return made.second;
  HIMAGELIST list = ImageList_Create(size, size, ILC_COLOR32 | ILC_MASK, 2, 0);
  HINSTANCE self = ::GetModuleHandleA(nullptr);
  for (int id : {IDI_FOLDER_CLOSED, IDI_FOLDER_OPEN}) {
    // The icon's own picture of that size, or Windows' scaling of the
    // nearest one.
    HICON icon = static_cast<HICON>(
        ::LoadImageA(self, MAKEINTRESOURCEA(id), IMAGE_ICON, size, size, LR_DEFAULTCOLOR));
    ImageList_AddIcon(list, icon);
    ::DestroyIcon(icon);
  }
  lists.emplace_back(size, list);
  return list;
}

// Font, place and DPI-sized pictures of one control.
void PlaceControl(TForm& form, TControl& control) {
  ::HWND handle = Native(control.Handle);
  const TRect r = control.ScaledBounds();
  ::SetWindowPos(handle, nullptr, r.Left, r.Top, r.Width, r.Height,
                 SWP_NOZORDER | SWP_NOACTIVATE);
  ::SendMessageA(handle, WM_SETFONT, reinterpret_cast<WPARAM>(DialogFont(form.Dpi())), TRUE);
  switch (control.Kind()) {
    case TControlKind::Image:
      UpdatePicture(static_cast<TImage&>(control));
      // SS_BITMAP sizes the control to the picture; keep the layout's size.
      ::SetWindowPos(handle, nullptr, 0, 0, r.Width, r.Height,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
      break;
    case TControlKind::TreeView:
      ::SendMessageA(handle, TVM_SETIMAGELIST, TVSIL_NORMAL,
                     reinterpret_cast<LPARAM>(FolderImages(form.Dpi())));
      ::SendMessageA(handle, TVM_SETINDENT,
                     WPARAM(ui::ScaleToDpi(static_cast<TTreeView&>(control).Indent, form.Dpi())), 0);
      break;
    default:
      break;
  }
}

void CreateControl(TForm& form, TControl& control, bool firstRadio, bool afterRadios) {
  DWORD style = WS_CHILD;
  DWORD exStyle = 0;
  const char* cls = "STATIC";
  switch (control.Kind()) {
    case TControlKind::Label:
      style |= SS_LEFT;
      break;
    case TControlKind::Image:
      style |= SS_BITMAP;
      break;
    case TControlKind::Bevel:
      style |= SS_SUNKEN;  // a sunken line at the layout's exact size
      break;
    case TControlKind::Button:
      cls = "BUTTON";
      style |= static_cast<TButton&>(control).Default() ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
      break;
    case TControlKind::RadioButton:
      cls = "BUTTON";
      style |= BS_AUTORADIOBUTTON | (firstRadio ? WS_GROUP : 0);
      break;
    case TControlKind::GroupBox:
      cls = "BUTTON";
      style |= BS_GROUPBOX;
      break;
    case TControlKind::Edit:
      cls = "EDIT";
      style |= ES_AUTOHSCROLL;
      exStyle |= WS_EX_CLIENTEDGE;
      break;
    case TControlKind::Memo:
      cls = "EDIT";
      style |= ES_MULTILINE | ES_READONLY | WS_VSCROLL;
      if (!static_cast<TMemo&>(control).WordWrap) style |= WS_HSCROLL | ES_AUTOHSCROLL;
      exStyle |= WS_EX_CLIENTEDGE;
      break;
    case TControlKind::TreeView:
      cls = WC_TREEVIEWA;
      style |= TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT | TVS_SHOWSELALWAYS;
      exStyle |= WS_EX_CLIENTEDGE;
      break;
    case TControlKind::ProgressBar:
      cls = PROGRESS_CLASSA;
      break;
  }
  if (control.TabStop()) style |= WS_TABSTOP;
  if (afterRadios) style |= WS_GROUP;
  if (!control.Enabled()) style |= WS_DISABLED;
  // Read before the window exists: afterwards these would ask the window.
  const std::string caption = control.Caption();
  const bool checked =
      control.Kind() == TControlKind::RadioButton && static_cast<TRadioButton&>(control).Checked();
  ::HWND handle = ::CreateWindowExA(exStyle, cls, "", style, 0, 0, 0, 0, Native(form.Handle),
                                    reinterpret_cast<HMENU>(static_cast<INT_PTR>(control.Id())),
                                    ::GetModuleHandleA(nullptr), nullptr);
  control.Handle = Wrap(handle);
  PlaceControl(form, control);
  UpdateCaption(control, caption);
  switch (control.Kind()) {
    case TControlKind::RadioButton:
      UpdateChecked(static_cast<TRadioButton&>(control), checked);
      break;
    case TControlKind::ProgressBar:
      UpdateProgress(static_cast<TProgressBar&>(control));
      break;
    case TControlKind::Memo:
      ::SetWindowSubclass(handle, MemoProc, 1, 0);
      break;
    case TControlKind::TreeView:
      RebuildTree(static_cast<TTreeView&>(control));
      break;
    default:
      break;
  }
  ::SetWindowSubclass(handle, FocusProc, 2, 0);
  if (control.Showing()) ::ShowWindow(handle, SW_SHOWNA);
}

}  // namespace

void CreateWindowFor(TForm& form) {
  RegisterFormClass();
  DWORD style = WS_POPUP | WS_CLIPCHILDREN;
  DWORD exStyle = WS_EX_CONTROLPARENT;
  if (!form.Borderless) {
    style |= WS_CAPTION | (form.CloseBox ? WS_SYSMENU : 0);
    exStyle |= WS_EX_DLGMODALFRAME;
  } else {
    exStyle |= WS_EX_TOOLWINDOW;  // no taskbar button of its own
  }
  if (!form.Enabled()) style |= WS_DISABLED;
  // Dialogs belong to the main window: above it, and without taskbar buttons
  // of their own; the main window and what comes before it belong to the
  // application's window, the program's one taskbar entry. The backdrop
  // must stay below them, so it is nobody's.
  ::HWND owner = nullptr;
  if (!form.Borderless)
    owner = Native(&form == os::Application.MainForm ? os::Application.Handle
                                                     : os::Application.DialogOwner());
  ::HWND window = ::CreateWindowExA(exStyle, kFormClass, form.Caption().c_str(), style, 0, 0, 0, 0,
                                    owner, nullptr, ::GetModuleHandleA(nullptr), nullptr);
  form.Handle = Wrap(window);
  FormsByWindow()[window] = &form;
  // Laid out at the DPI of the monitor it opens on.
  form.SetDpi(DpiOf(window));
  const SIZE size = OuterSize(form, style, exStyle);
  int left = ui::ScaleToDpi(form.DesignedLeft, form.Dpi());
  int top = ui::ScaleToDpi(form.DesignedTop, form.Dpi());
  if (form.Position == TPosition::ScreenCenter) {
    left = (::GetSystemMetrics(SM_CXSCREEN) - size.cx) / 2;
    top = (::GetSystemMetrics(SM_CYSCREEN) - size.cy) / 2;
  }
  ::SetWindowPos(window, nullptr, left, top, size.cx, size.cy, SWP_NOZORDER | SWP_NOACTIVATE);
  bool inRadios = false;
  for (TControl* control : form.Controls()) {
    const bool radio = control->Kind() == TControlKind::RadioButton;
    CreateControl(form, *control, radio && !inRadios, !radio && inRadios);
    inRadios = radio;
  }
}

void LayOut(TForm& form) {
  for (TControl* control : form.Controls())
    if (control->Handle != os::NO_WINDOW) PlaceControl(form, *control);
}

void DestroyWindowOf(TForm& form) {
  if (form.Handle == os::NO_WINDOW) return;
  for (TControl* control : form.Controls()) {
    ReleaseGdiObject(Native(control->Handle));
    ProgressPainted().erase(Native(control->Handle));
    control->Handle = os::NO_WINDOW;
  }
  ::HWND window = Native(form.Handle);
  FormsByWindow().erase(window);
  LastFocus().erase(window);
  ::DestroyWindow(window);
  form.Handle = os::NO_WINDOW;
}

void ShowForm(TForm& form, bool visible) {
  if (form.Handle == os::NO_WINDOW) return;
  ::HWND window = Native(form.Handle);
  ::ShowWindow(window, visible ? SW_SHOW : SW_HIDE);
  if (visible) {
    // The focus is always drawn where it is, for those who use the keys.
    ::SendMessageA(window, WM_CHANGEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS), 0);
    ::SetForegroundWindow(window);
    ::UpdateWindow(window);
  }
}

void EnableForm(TForm& form, bool enabled) {
  if (form.Handle != os::NO_WINDOW) ::EnableWindow(Native(form.Handle), enabled);
}

void PlaceFullScreen(TForm& form) {
  const TRect r = form.ScreenBounds();
  ::SetWindowPos(Native(form.Handle), HWND_TOP, r.Left, r.Top, r.Width, r.Height,
                 SWP_SHOWWINDOW | SWP_NOACTIVATE);
}

void UpdateCaption(TForm& form) {
  if (form.Handle != os::NO_WINDOW) ::SetWindowTextA(Native(form.Handle), form.Caption().c_str());
}

void UpdateCaption(TControl& control, const std::string& caption) {
  if (control.Handle == os::NO_WINDOW) return;
  switch (control.Kind()) {
    case TControlKind::Image:
    case TControlKind::TreeView:
    case TControlKind::ProgressBar:
    case TControlKind::Bevel:
      return;
    default:
      ::SetWindowTextA(Native(control.Handle), caption.c_str());
  }
}

bool ReadCaption(const TControl& control, std::string& caption) {
  if (control.Handle == os::NO_WINDOW || control.Kind() != TControlKind::Edit) return false;
  ::HWND handle = Native(control.Handle);
  const int length = ::GetWindowTextLengthA(handle);
  caption.assign(std::size_t(length) + 1, '\0');
  caption.resize(std::size_t(::GetWindowTextA(handle, caption.data(), length + 1)));
  return true;
}

void UpdateVisible(TControl& control) {
  if (control.Handle != os::NO_WINDOW)
    ::ShowWindow(Native(control.Handle), control.Showing() ? SW_SHOWNA : SW_HIDE);
}

void UpdateEnabled(TControl& control) {
  if (control.Handle != os::NO_WINDOW) ::EnableWindow(Native(control.Handle), control.Enabled());
}

void UpdateDefault(TButton& button) { ShowDefaultBorder(button.Form()); }

void UpdateChecked(TRadioButton& radio, bool checked) {
  if (radio.Handle == os::NO_WINDOW) return;
  ::SendMessageA(Native(radio.Handle), BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
  // BM_SETCHECK takes WS_TABSTOP from an unchecked radio button: a group
  // with none checked keeps it on its first, or Tab could never reach it.
  ::HWND first = nullptr;
  for (TControl* c : radio.Form().Controls()) {
    if (c->Kind() != TControlKind::RadioButton || c->Handle == os::NO_WINDOW) continue;
    if (::SendMessageA(Native(c->Handle), BM_GETCHECK, 0, 0) == BST_CHECKED) return;
    if (!first) first = Native(c->Handle);
  }
  if (first) ::SetWindowLongA(first, GWL_STYLE, ::GetWindowLongA(first, GWL_STYLE) | WS_TABSTOP);
}

bool ReadChecked(const TRadioButton& radio, bool& checked) {
  if (radio.Handle == os::NO_WINDOW) return false;
  checked = ::SendMessageA(Native(radio.Handle), BM_GETCHECK, 0, 0) == BST_CHECKED;
  return true;
}

void UpdatePicture(TImage& image) {
  if (image.Handle == os::NO_WINDOW) return;
  ::HWND handle = Native(image.Handle);
  // At the control's size for its DPI, smoothly: never pixel-doubled.
  const TRect r = image.ScaledBounds();
  const os::TBitmap& picture = image.Picture();
  HBITMAP bitmap = picture.Width == r.Width && picture.Height == r.Height
                       ? MakeBitmap(picture)
                       : MakeBitmap(os::ScaleBitmap(picture, r.Width, r.Height));
  ::SendMessageA(handle, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bitmap));
  ReleaseGdiObject(handle);
  if (bitmap) GdiObjects()[handle] = bitmap;
}

void UpdateProgress(TProgressBar& bar) {
  if (bar.Handle == os::NO_WINDOW) return;
  ::HWND handle = Native(bar.Handle);
  // Setting the range repaints the whole bar: only when it changed.
  const auto range = ::SendMessageA(handle, PBM_GETRANGE, FALSE, 0);
  if (range != bar.Max || ::SendMessageA(handle, PBM_GETRANGE, TRUE, 0) != bar.Min)
    ::SendMessageA(handle, PBM_SETRANGE32, WPARAM(bar.Min), LPARAM(bar.Max));
  // The position is set at once, but painted at most every kProgressPaint
  // milliseconds: a copy step takes about a millisecond on a fast disk,
  // and painting each one cost more than the copying (measured under Wine).
  ::SendMessageA(handle, WM_SETREDRAW, FALSE, 0);
  ::SendMessageA(handle, PBM_SETPOS, WPARAM(bar.Position()), 0);
  ::SendMessageA(handle, WM_SETREDRAW, TRUE, 0);
  PaintProgressSoon(handle);
}

namespace {
void InsertNodes(::HWND tree, HTREEITEM parent, std::vector<std::unique_ptr<TTreeNode>>& nodes) {
  for (auto& node : nodes) {
    TVINSERTSTRUCTA insert = {};
    insert.hParent = parent;
    insert.hInsertAfter = TVI_LAST;
    insert.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_PARAM;
    insert.item.pszText = const_cast<char*>(node->Text.c_str());
    insert.item.iImage = node->ImageIndex;
    insert.item.iSelectedImage = node->SelectedIndex;
    insert.item.lParam = reinterpret_cast<LPARAM>(node.get());
    auto item = reinterpret_cast<HTREEITEM>(
        ::SendMessageA(tree, TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&insert)));
    node->Native = item;
    InsertNodes(tree, item, node->Children);
    if (node->Expanded) ::SendMessageA(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(item));
  }
}
}  // namespace

void RebuildTree(TTreeView& tree) {
  if (tree.Handle == os::NO_WINDOW) return;
  ::HWND handle = Native(tree.Handle);
  ::SendMessageA(handle, WM_SETREDRAW, FALSE, 0);
  // Deleting items selects others on the way: that is no choice of the user.
  auto onChange = std::move(tree.OnChange);
  ::SendMessageA(handle, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT));
  InsertNodes(handle, TVI_ROOT,
              const_cast<std::vector<std::unique_ptr<TTreeNode>>&>(tree.Roots()));
  tree.OnChange = std::move(onChange);
  ::SendMessageA(handle, WM_SETREDRAW, TRUE, 0);
  ::InvalidateRect(handle, nullptr, TRUE);
}

void SelectTreeNode(TTreeView& tree, TTreeNode* node) {
  if (tree.Handle == os::NO_WINDOW || !node) return;
  ::SendMessageA(Native(tree.Handle), TVM_SELECTITEM, TVGN_CARET,
                 reinterpret_cast<LPARAM>(node->Native));
}

void Focus(TControl& control) {
  if (control.Handle == os::NO_WINDOW) return;
  ::HWND handle = Native(control.Handle);
  LastFocus()[::GetAncestor(handle, GA_ROOT)] = handle;
  ::SetFocus(handle);
}

bool FocusedControl(const TForm& form, TControl*& control) {
  if (form.Handle == os::NO_WINDOW) return false;
  control = ControlWithHandle(form, ::GetFocus());
  return true;
}

bool DialogMessage(void* message) {
  // Every message loop passes here before each message.
  RememberFocus();
  auto* msg = static_cast<MSG*>(message);
  ::HWND root = msg->hwnd ? ::GetAncestor(msg->hwnd, GA_ROOT) : nullptr;
  TForm* target = root ? FormOf(root) : nullptr;
  if (!target || !::IsDialogMessageA(Native(target->Handle), msg)) return false;
  // The dialog manager sets the buttons' borders by a rule of its own after
  // moving the focus: the focused push button's, else the default's again.
  if (TForm* form = FormOf(root)) ShowDefaultBorder(*form);
  return true;
}

void RunModalLoop(TForm& form) {
  MSG message = {};
  bool quit = false;
  while (form.ModalResult() == 0) {
    const BOOL got = ::GetMessageA(&message, nullptr, 0, 0);
    if (got <= 0) {  // WM_QUIT, or no queue to read
      quit = got == 0;
      break;
    }
    if (DialogMessage(&message)) continue;
    ::TranslateMessage(&message);
    ::DispatchMessageA(&message);
  }
  if (quit) ::PostQuitMessage(int(message.wParam));  // leave it for the main loop
  if (form.ModalResult() == 0) form.SetModalResult(IDCANCEL);
}

void WakeModalLoop(TForm& form) {
  if (form.Handle != os::NO_WINDOW) ::PostMessageA(Native(form.Handle), WM_NULL, 0, 0);
}

void SetWindowDpiForTesting(int dpi) { dpiForTesting = dpi; }

void BlockSessionEnd(const char* reason) {
  // Vista and later show the reason beside the program; earlier systems
  // only ask WM_QUERYENDSESSION.
  using CreateFn = BOOL(WINAPI*)(::HWND, LPCWSTR);
  using DestroyFn = BOOL(WINAPI*)(::HWND);
  ::HMODULE user32 = ::GetModuleHandleA("user32.dll");
  static const auto create = reinterpret_cast<CreateFn>(
      reinterpret_cast<void*>(::GetProcAddress(user32, "ShutdownBlockReasonCreate")));
  static const auto destroy = reinterpret_cast<DestroyFn>(
      reinterpret_cast<void*>(::GetProcAddress(user32, "ShutdownBlockReasonDestroy")));
  if (!create || !destroy) return;
  // Plain ASCII text, widened byte by byte (std::wstring would add its
  // whole instantiation to the program).
  wchar_t text[128] = {};
  for (std::size_t i = 0; reason && reason[i] && i + 1 < sizeof text / sizeof *text; ++i) text[i] = wchar_t(reason[i]);
  for (TForm* form : TForm::AllForms()) {
    if (form->Handle == os::NO_WINDOW) continue;
    if (reason)
      create(Native(form->Handle), text);
    else
      destroy(Native(form->Handle));
  }
}

}  // namespace ui::native

namespace os::win32 {
bool IsFormWindow(::HWND window) { return ui::native::FormOf(window) != nullptr; }
}  // namespace os::win32
