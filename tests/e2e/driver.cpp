// e2edriver: plays the user of Setup.exe from another process in the same
// Wine prefix. Finds windows by caption and controls by their text, clicks,
// types, reads texts, tree items, the progress bar and shortcut targets.
//
//   e2edriver wait CAPTION [SECONDS]       a visible window with the caption
//   e2edriver gone CAPTION [SECONDS]       no visible window with the caption
//   e2edriver waitany SECONDS CAPTION...   prints the first caption whose window shows
//   e2edriver click CAPTION TEXT           press the button (or radio) with TEXT, once
//                                          it shows and is enabled (up to 20 s)
//   e2edriver waitclick CAPTION TEXT       press it the moment the window shows
//   e2edriver key CAPTION enter|escape|tab [FOCUSED]
//                                          the key in that window; with FOCUSED,
//                                          once the control with that text has the
//                                          focus (a page that has just shown may
//                                          not have moved the focus yet)
//   e2edriver close CAPTION                the window's close box
//   e2edriver settext CAPTION N TEXT       the Nth edit control (from 0) gets TEXT
//   e2edriver text CAPTION N               prints the Nth edit control's text
//   e2edriver visible CAPTION TEXT         exit 0 when a control with TEXT shows
//   e2edriver showing CAPTION TEXT [SECONDS]
//                                          waits until a control with TEXT shows
//                                          (default 120 s: a copy on a loaded
//                                          machine takes what it takes)
//   e2edriver enabled CAPTION TEXT         exit 0 when that control is enabled
//   e2edriver tree CAPTION                 prints the number of tree items
//   e2edriver client CAPTION               prints the client area's width and height
//   e2edriver focus CAPTION                prints the class and text of the control
//                                          that has the focus
//   e2edriver fits CAPTION                 prints each visible text that its control
//                                          cannot show whole (exit 1 if any), measured
//                                          in the wizard's font with DrawText
//   e2edriver glyphs CAPTION N             prints the character set of the wizard's
//                                          font and how many characters of the Nth
//                                          edit control's text it has no glyph for
//                                          (line breaks aside)
//   e2edriver count CAPTION                prints how many visible windows have it
//   e2edriver progress CAPTION             prints the progress bar's position
//   e2edriver link PATH                    prints target|working folder of a link
//   e2edriver programs                     prints the Start-menu Programs folder
//   e2edriver acp                          prints the ANSI code page (GetACP)
//   e2edriver box CAPTION [SECONDS]        waits for a message box (no other window)
//                                          with the caption and prints its text
//   e2edriver timeinstall CAPTION [probe]  press "Next >" and print the seconds until
//                                          a visible "Finish" shows (for bench/); with
//                                          probe, WM_NULL is sent to the window all
//                                          the while, and the longest wait for its
//                                          answer follows, in milliseconds, when
//                                          it ended, then the seconds from Next to
//                                          the progress dialog shown, shown, and
//                                          from hidden to "Finish"
//   e2edriver timeclick CAPTION TEXT       press TEXT and print the seconds until
//                                          another visible window with CAPTION
//                                          shows (for bench/: the uninstaller's
//                                          Yes to its closing message)
//   e2edriver exists PATH                  exit 0 when PATH exists, asked
//                                          through the wide-character API
//   e2edriver clickthenclick CAPTION TEXT CAPTION2 TEXT2
//                                          press TEXT, then TEXT2 the moment
//                                          CAPTION2's window takes input
//   e2edriver clickthentaskbarclose CAPTION TEXT CAPTION2
//                                          press TEXT, then "Close window" on the
//                                          taskbar entry once CAPTION2 is modal
//   e2edriver squat NAME FLAGS             holds an event named NAME (FLAGS\held
//                                          once made) until FLAGS\release exists
//   e2edriver taskbar CAPTION              prints, one a line, the captions of the
//                                          windows of CAPTION's process that have
//                                          a taskbar button
//
// Exit code 0 on success, 1 when the check fails, 2 on a usage error.
#include <windows.h>

#include <commctrl.h>
#include <objbase.h>
#include <shlobj.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct Found {
  const char* caption;
  HWND window;
  int score;
};

BOOL CALLBACK FindTop(HWND window, LPARAM data) {
  auto* found = reinterpret_cast<Found*>(data);
  char text[256] = {};
  GetWindowTextA(window, text, sizeof text);
  if (IsWindowVisible(window) && std::strcmp(text, found->caption) == 0) {
    // Of several with one caption (the wizard and its backdrop, Setup's
    // own window and its message box), a message box first, then the one
    // with a title bar, and of those the one that takes input.
    char cls[16] = {};
    GetClassNameA(window, cls, sizeof cls);
    const int score = (std::strcmp(cls, "#32770") == 0 ? 4 : 0) +
                      ((GetWindowLongA(window, GWL_STYLE) & WS_CAPTION) == WS_CAPTION ? 2 : 0) +
                      (IsWindowEnabled(window) ? 1 : 0);
    if (!found->window || score > found->score) {
      found->window = window;
      found->score = score;
    }
  }
  return TRUE;
}

HWND TopWindow(const char* caption) {
  Found found = {caption, nullptr, 0};
  EnumWindows(FindTop, reinterpret_cast<LPARAM>(&found));
  return found.window;
}

// Sends WM_NULL to a window all the while, from a thread of its own so
// that the one watching the windows is never held up by it: the longest
// the window's thread took to answer, and when.
struct Probe {
  HWND window = nullptr;
  LARGE_INTEGER start = {};
  volatile bool done = false;
  double longest = 0, longestAt = 0;
  double Since(const LARGE_INTEGER& from) const {
    LARGE_INTEGER now, frequency;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&now);
    return double(now.QuadPart - from.QuadPart) / double(frequency.QuadPart);
  }
};

DWORD WINAPI RunProbe(void* data) {
  auto* probe = static_cast<Probe*>(data);
  while (!probe->done) {
    LARGE_INTEGER sent;
    QueryPerformanceCounter(&sent);
    DWORD_PTR result = 0;
    // Answered only when Setup's user-interface thread gets to it.
    SendMessageTimeoutA(probe->window, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &result);
    const double waited = probe->Since(sent);
    if (waited > probe->longest) {
      probe->longest = waited;
      probe->longestAt = probe->Since(probe->start);
    }
    Sleep(1);
  }
  return 0;
}

HWND WaitTop(const char* caption, double seconds = 60) {
  for (int i = 0; i < int(seconds * 20); ++i) {
    if (HWND w = TopWindow(caption)) return w;
    Sleep(50);
  }
  return nullptr;
}

std::vector<HWND> Children(HWND parent) {
  std::vector<HWND> children;
  for (HWND c = GetWindow(parent, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) children.push_back(c);
  return children;
}

std::string ClassOf(HWND window) {
  char name[64] = {};
  GetClassNameA(window, name, sizeof name);
  return name;
}

// Asked of the window itself: for another process's control, GetWindowText
// does not ask it and an edit's text would come back empty.
std::string TextOf(HWND window) {
  std::string text(size_t(SendMessageA(window, WM_GETTEXTLENGTH, 0, 0)) + 1, '\0');
  text.resize(size_t(SendMessageA(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()))));
  return text;
}

// The control whose text is text, with or without its "&".
HWND Control(HWND parent, const char* text) {
  for (HWND c : Children(parent)) {
    std::string plain = TextOf(c);
    for (size_t at; (at = plain.find('&')) != std::string::npos;) plain.erase(at, 1);
    if (TextOf(c) == text || plain == text) return c;
  }
  // A message box labels its buttons in the user's language (Wine takes it
  // from the locale): its standard buttons are found by their IDs too.
  if (ClassOf(parent) == "#32770") {
    const struct {
      const char* text;
      int id;
    } standard[] = {{"OK", IDOK}, {"Cancel", IDCANCEL}, {"Yes", IDYES}, {"No", IDNO}};
    for (const auto& button : standard)
      if (std::strcmp(text, button.text) == 0) return GetDlgItem(parent, button.id);
  }
  return nullptr;
}

HWND NthOfClass(HWND parent, const char* cls, int n) {
  for (HWND c : Children(parent))
    if (_stricmp(ClassOf(c).c_str(), cls) == 0 && n-- == 0) return c;
  return nullptr;
}

// The wizard's font at the system's DPI, selected into a screen DC for the
// life of the object. Setup's own font handle means nothing in this process,
// so the font is made again as Setup makes it: "MS Sans Serif" 8 point in
// the character set of the code page, or "MS Shell Dlg" where that face has
// no such size or script (tests/win32 checks Setup's own against this).
struct DialogFont {
  DialogFont() : dc(GetDC(nullptr)) {
    dpi = GetDeviceCaps(dc, LOGPIXELSY);
    CHARSETINFO info = {};
    const BYTE charSet = TranslateCharsetInfo(reinterpret_cast<DWORD*>(uintptr_t(GetACP())), &info,
                                              TCI_SRCCODEPAGE) ? BYTE(info.ciCharset) : DEFAULT_CHARSET;
    const int height = -MulDiv(8, dpi, 72);
    for (const char* face : {"MS Sans Serif", "MS Shell Dlg"}) {
      font = CreateFontA(height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, charSet, OUT_DEFAULT_PRECIS,
                         CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, face);
      old = SelectObject(dc, font);
      GetTextMetricsA(dc, &metrics);
      if (metrics.tmHeight - metrics.tmInternalLeading == -height &&
          (charSet == DEFAULT_CHARSET || metrics.tmCharSet == charSet))
        break;
      SelectObject(dc, old);
      DeleteObject(font);
    }
  }
  ~DialogFont() {
    SelectObject(dc, old);
    DeleteObject(font);
    ReleaseDC(nullptr, dc);
  }
  HDC dc;
  int dpi;
  HFONT font = nullptr;
  HGDIOBJ old = nullptr;
  TEXTMETRICA metrics = {};
};

int Fail(const char* what, const char* detail) {
  std::fprintf(stderr, "e2edriver: %s: %s\n", what, detail);
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  // Sizes as Setup sees them, not as Windows scales them for a program
  // that knows no DPI.
  SetProcessDPIAware();
  const std::string verb = argv[1];
  if (verb == "acp") {
    std::printf("%u\n", GetACP());
    return 0;
  }
  if (verb == "programs") {
    char path[MAX_PATH] = {};
    SHGetSpecialFolderPathA(nullptr, path, CSIDL_PROGRAMS, FALSE);
    std::printf("%s\n", path);
    return 0;
  }
  if (verb == "link" && argc == 3) {
    CoInitialize(nullptr);
    IShellLinkA* link = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                reinterpret_cast<void**>(&link))))
      return Fail("link", "no shell link object");
    IPersistFile* file = nullptr;
    link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file));
    wchar_t wide[MAX_PATH];
    MultiByteToWideChar(CP_ACP, 0, argv[2], -1, wide, MAX_PATH);
    if (FAILED(file->Load(wide, STGM_READ))) return Fail("link", argv[2]);
    char target[MAX_PATH] = {}, folder[MAX_PATH] = {};
    link->GetPath(target, MAX_PATH, nullptr, SLGP_RAWPATH);
    link->GetWorkingDirectory(folder, MAX_PATH);
    std::printf("%s|%s\n", target, folder);
    return 0;
  }
  if ((verb == "squat" || verb == "hold") && argc == 4) {
    // squat: a user's event named like Setup's mutex. hold: another program
    // using FILE, read, without leave to delete it. Either says so with
    // FLAGS\held and lets go once FLAGS\release exists (60 s at most).
    const HANDLE held = verb == "squat"
                            ? CreateEventA(nullptr, TRUE, FALSE, argv[2])
                            : CreateFileA(argv[2], GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (!held || held == INVALID_HANDLE_VALUE) return Fail("cannot take", argv[2]);
    const std::string flags = argv[3];
    CloseHandle(CreateFileA((flags + "\\held").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    for (int i = 0; i < 600 && GetFileAttributesA((flags + "\\release").c_str()) == INVALID_FILE_ATTRIBUTES; ++i)
      Sleep(100);
    CloseHandle(held);
    return 0;
  }
  if (verb == "exists" && argc == 3) {
    // The path as typed, in UTF-16: argv holds it in the ANSI code page.
    int count = 0;
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!wide || count != 3) return 2;
    return GetFileAttributesW(wide[2]) != INVALID_FILE_ATTRIBUTES ? 0 : 1;
  }
  if (verb == "waitany" && argc >= 4) {
    // The first of several windows that may come: a disk prompt, or the
    // error box that ends the run instead.
    const double seconds = atof(argv[2]);
    for (int i = 0; i < int(seconds * 20); ++i) {
      for (int a = 3; a < argc; ++a) {
        // Setup's taskbar entry carries its caption all the while.
        HWND w = TopWindow(argv[a]);
        char cls[32] = {};
        if (w) GetClassNameA(w, cls, sizeof cls);
        if (w && std::strcmp(cls, "TSetupApplication") != 0) {
          std::printf("%s\n", argv[a]);
          return 0;
        }
      }
      Sleep(50);
    }
    return Fail("none of the windows", argv[3]);
  }
  if (argc < 3) return 2;
  const char* caption = argv[2];
  if (verb == "box") {
    // Only a message box: a program's other windows may share its caption.
    const double seconds = argc > 3 ? atof(argv[3]) : 10;
    for (int i = 0; i < int(seconds * 20); ++i) {
      for (HWND w = GetTopWindow(nullptr); w; w = GetWindow(w, GW_HWNDNEXT)) {
        if (!IsWindowVisible(w) || TextOf(w) != caption || ClassOf(w) != "#32770") continue;
        if (HWND text = GetDlgItem(w, 0xFFFF)) {
          std::printf("%s\n", TextOf(text).c_str());
          return 0;
        }
      }
      Sleep(50);
    }
    return Fail("no message box", caption);
  }
  if (verb == "taskbar") {
    HWND window = WaitTop(caption);
    if (!window) return Fail("no window", caption);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    // The shell's rule: a visible top-level window that has no owner and is
    // no tool window, or one that asks for a button.
    for (HWND w = GetTopWindow(nullptr); w; w = GetWindow(w, GW_HWNDNEXT)) {
      DWORD owner = 0;
      GetWindowThreadProcessId(w, &owner);
      const LONG ex = GetWindowLongA(w, GWL_EXSTYLE);
      if (owner == process && IsWindowVisible(w) &&
          ((!GetWindow(w, GW_OWNER) && !(ex & WS_EX_TOOLWINDOW)) || (ex & WS_EX_APPWINDOW)))
        std::printf("%s\n", TextOf(w).c_str());
    }
    return 0;
  }
  if (verb == "count") {
    int n = 0;
    for (HWND w = GetTopWindow(nullptr); w; w = GetWindow(w, GW_HWNDNEXT))
      if (IsWindowVisible(w) && TextOf(w) == caption) ++n;
    std::printf("%d\n", n);
    return 0;
  }
  if (verb == "wait") return WaitTop(caption, argc > 3 ? atof(argv[3]) : 10) ? 0 : Fail("no window", caption);
  if (verb == "gone") {
    const double seconds = argc > 3 ? atof(argv[3]) : 10;
    for (int i = 0; i < int(seconds * 20); ++i) {
      if (!TopWindow(caption)) return 0;
      Sleep(50);
    }
    return Fail("still there", caption);
  }
  if (verb == "clickthentaskbarclose" && argc == 5) {
    // Clicks a button, then "Close window" on the taskbar entry of the
    // program that shows the second caption, within this process (a copy
    // started by the click can be over before another program has even
    // started), as soon as that window is modal: shown, taking input, and
    // the program's other windows disabled under it. A close sent before
    // that would meet the window it replaces.
    HWND first = TopWindow(caption);
    HWND button = first ? Control(first, argv[3]) : nullptr;
    if (!button) return Fail("no button", argv[3]);
    PostMessageA(button, BM_CLICK, 0, 0);
    for (int i = 0; i < 20000; ++i) {
      HWND w = TopWindow(argv[4]);
      HWND main = TopWindow("Morvella Setup");
      if (w && IsWindowEnabled(w) && (!main || !IsWindowEnabled(main))) {
        DWORD process = 0;
        GetWindowThreadProcessId(w, &process);
        for (HWND a = FindWindowExA(nullptr, nullptr, "TSetupApplication", nullptr); a;
             a = FindWindowExA(nullptr, a, "TSetupApplication", nullptr)) {
          DWORD owner = 0;
          GetWindowThreadProcessId(a, &owner);
          if (owner != process) continue;
          PostMessageA(a, WM_SYSCOMMAND, SC_CLOSE, 0);
          return 0;
        }
        return Fail("no taskbar entry", argv[4]);
      }
      Sleep(1);
    }
    return Fail("no window", argv[4]);
  }
  if (verb == "clickthenclick" && argc == 6) {
    // Clicks a button, then the next one the moment its window is usable
    // again, within this process: a copy resumed by the first click can be
    // over before another program has even started.
    HWND first = TopWindow(caption);
    HWND button = first ? Control(first, argv[3]) : nullptr;
    if (!button) return Fail("no button", argv[3]);
    PostMessageA(button, BM_CLICK, 0, 0);
    for (int i = 0; i < 20000; ++i) {
      // Usable: enabled, and the first window no longer takes the input
      // (hidden, or disabled under the second).
      HWND second = TopWindow(argv[4]);
      if (second && IsWindowEnabled(second) && !(IsWindowVisible(first) && IsWindowEnabled(first))) {
        if (HWND control = Control(second, argv[5])) {
          PostMessageA(control, BM_CLICK, 0, 0);
          return 0;
        }
      }
      Sleep(1);
    }
    return Fail("no usable window", argv[4]);
  }
  if (verb == "waitclick" && argc == 4) {
    // Polled fast, within this process: a copy can be over before another
    // program has even started.
    for (int i = 0; i < 20000; ++i) {
      if (HWND w = TopWindow(caption)) {
        if (HWND control = Control(w, argv[3])) {
          PostMessageA(control, BM_CLICK, 0, 0);
          return 0;
        }
      }
      Sleep(1);
    }
    return Fail("no window", caption);
  }
  HWND window = WaitTop(caption);
  if (!window) return Fail("no window", caption);
  if (verb == "close") {
    PostMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    return 0;
  }
  if (verb == "showing") {
    const double seconds = argc > 4 ? atof(argv[4]) : 120;
    for (int i = 0; i < int(seconds * 20); ++i) {
      if (!IsWindow(window)) return Fail("gone", caption);
      if (HWND control = Control(window, argv[3]); control && IsWindowVisible(control)) return 0;
      Sleep(50);
    }
    return Fail("never shown", argv[3]);
  }
  if (verb == "key" && (argc == 4 || argc == 5)) {
    const std::string key = argv[3];
    const WPARAM vk = key == "enter" ? VK_RETURN : key == "escape" ? VK_ESCAPE : VK_TAB;
    // To the focused control of that window's thread, as the keyboard would.
    const DWORD thread = GetWindowThreadProcessId(window, nullptr);
    HWND target = nullptr;
    for (int i = 0; i < 400; ++i) {
      GUITHREADINFO info = {};
      info.cbSize = sizeof info;
      GetGUIThreadInfo(thread, &info);
      target = info.hwndFocus && GetAncestor(info.hwndFocus, GA_ROOT) == window ? info.hwndFocus : window;
      if (argc == 4 || (target != window && TextOf(target) == argv[4])) break;
      target = nullptr;
      Sleep(50);
    }
    if (!target) return Fail("focus never on", argv[4]);
    PostMessageA(target, WM_KEYDOWN, vk, 0);
    PostMessageA(target, WM_KEYUP, vk, 0xC0000000);
    return 0;
  }
  if (verb == "timeinstall") {
    // Both buttons exist from the start; only windows' visibility is
    // polled, which asks nothing of Setup's thread.
    HWND next = Control(window, "Next >");
    HWND finish = Control(window, "Finish");
    if (!next || !finish) return Fail("no control", "Next > or Finish");
    static Probe probe;
    probe.window = window;
    const bool probing = argc > 3 && std::strcmp(argv[3], "probe") == 0;
    // The progress dialog's first and last moment seen shown.
    double shown = -1, hidden = -1;
    QueryPerformanceCounter(&probe.start);
    PostMessageA(next, BM_CLICK, 0, 0);
    HANDLE prober = probing ? CreateThread(nullptr, 0, RunProbe, &probe, 0, nullptr) : nullptr;
    while (!IsWindowVisible(finish)) {
      if (!IsWindow(window)) return Fail("gone", caption);
      HWND progress = FindWindowA(nullptr, "Copying program files");
      const bool showing = progress && IsWindowVisible(progress);
      if (showing && shown < 0) shown = probe.Since(probe.start);
      if (!showing && shown >= 0 && hidden < 0) hidden = probe.Since(probe.start);
      Sleep(1);
    }
    const double total = probe.Since(probe.start);
    probe.done = true;
    if (prober) WaitForSingleObject(prober, INFINITE);
    if (shown < 0) shown = hidden = total;  // never seen: shown too briefly
    if (hidden < 0) hidden = total;
    if (probing)
      std::printf("%.4f %.1f %.3f %.4f %.4f %.4f\n", total, probe.longest * 1000, probe.longestAt, shown,
                  hidden - shown, total - hidden);
    else
      std::printf("%.4f\n", total);
    return 0;
  }
  if (verb == "timeclick" && argc == 4) {
    HWND control = Control(window, argv[3]);
    if (!control) return Fail("no control", argv[3]);
    LARGE_INTEGER start;
    QueryPerformanceCounter(&start);
    PostMessageA(control, BM_CLICK, 0, 0);
    Probe clock;
    for (;;) {
      const HWND now = TopWindow(caption);
      if (now && now != window) break;
      Sleep(1);
    }
    std::printf("%.4f\n", clock.Since(start));
    return 0;
  }
  if ((verb == "click" || verb == "visible" || verb == "enabled") && argc == 4) {
    HWND control = nullptr;
    for (int i = 0; i < 400 && !control; ++i) {
      control = Control(window, argv[3]);
      if (!control) Sleep(50);
    }
    if (!control) return Fail("no control", argv[3]);
    if (verb == "visible") return IsWindowVisible(control) ? 0 : 1;
    if (verb == "enabled") return IsWindowEnabled(control) ? 0 : 1;
    // A click posted just before may not have shown this control's page yet.
    for (int i = 0; i < 400 && !(IsWindowVisible(control) && IsWindowEnabled(control)); ++i) Sleep(50);
    if (!IsWindowVisible(control) || !IsWindowEnabled(control)) return Fail("cannot click", argv[3]);
    PostMessageA(control, BM_CLICK, 0, 0);
    return 0;
  }
  if (verb == "settext" && argc == 5) {
    HWND edit = NthOfClass(window, "Edit", atoi(argv[3]));
    if (!edit) return Fail("no edit", argv[3]);
    SendMessageA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(argv[4]));
    return 0;
  }
  if (verb == "message") {
    // A message box shows its text in the static control numbered 0xFFFF.
    HWND text = GetDlgItem(window, 0xFFFF);
    if (!text) return Fail("no message text", caption);
    std::printf("%s\n", TextOf(text).c_str());
    return 0;
  }
  if (verb == "text" && argc == 4) {
    HWND edit = NthOfClass(window, "Edit", atoi(argv[3]));
    if (!edit) return Fail("no edit", argv[3]);
    std::printf("%s\n", TextOf(edit).c_str());
    return 0;
  }
  if (verb == "progress") {
    HWND bar = NthOfClass(window, PROGRESS_CLASSA, 0);
    if (!bar) return Fail("no progress bar", caption);
    std::printf("%d\n", int(SendMessageA(bar, PBM_GETPOS, 0, 0)));
    return 0;
  }
  if (verb == "client") {
    RECT r;
    GetClientRect(window, &r);
    std::printf("%ld %ld\n", r.right, r.bottom);
    return 0;
  }
  if (verb == "focus") {
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info);
    if (!info.hwndFocus) return Fail("no focus", caption);
    std::printf("%s|%s\n", ClassOf(info.hwndFocus).c_str(), TextOf(info.hwndFocus).c_str());
    return 0;
  }
  if (verb == "fits") {
    // Labels wrap within their size; buttons, radio buttons and group boxes
    // show one line inside their edges, beside the circle, in the frame.
    DialogFont font;
    const auto scaled = [&font](int v) { return (v * font.dpi + 48) / 96; };
    int misfits = 0;
    for (HWND c : Children(window)) {
      if (!IsWindowVisible(c)) continue;
      const std::string cls = ClassOf(c), text = TextOf(c);
      const LONG style = GetWindowLongA(c, GWL_STYLE);
      const LONG type = style & 0x0F;
      const bool label = _stricmp(cls.c_str(), "Static") == 0 && (style & 0x1F) == SS_LEFT;
      const bool button = _stricmp(cls.c_str(), "Button") == 0;
      if (!(label || button) || text.empty()) continue;
      RECT client, need;
      GetClientRect(c, &client);
      SetRect(&need, 0, 0, client.right, 0);
      int room = client.right, height = client.bottom;
      if (label) {
        DrawTextA(font.dc, text.c_str(), -1, &need, DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS);
      } else {
        DrawTextA(font.dc, text.c_str(), -1, &need, DT_CALCRECT | DT_SINGLELINE);
        if (type == BS_AUTORADIOBUTTON || type == BS_RADIOBUTTON) room -= scaled(17);
        else if (type == BS_GROUPBOX) room -= scaled(16), height = need.bottom;
        else room -= scaled(8), height -= scaled(4);
      }
      if (need.right > room || need.bottom > height) {
        std::printf("%s: needs %ld x %ld, has %d x %d\n", text.substr(0, 40).c_str(), need.right,
                    need.bottom, room, height);
        ++misfits;
      }
    }
    return misfits ? 1 : 0;
  }
  if (verb == "glyphs" && argc == 4) {
    HWND edit = NthOfClass(window, "Edit", atoi(argv[3]));
    if (!edit) return Fail("no edit", argv[3]);
    DialogFont font;
    const std::string text = TextOf(edit);
    std::wstring wide(text.size() + 1, L'\0');
    wide.resize(size_t(MultiByteToWideChar(CP_ACP, 0, text.c_str(), int(text.size()), wide.data(), int(wide.size()))));
    std::vector<WORD> glyphs(wide.size() + 1);
    GetGlyphIndicesW(font.dc, wide.c_str(), int(wide.size()), glyphs.data(), GGI_MARK_NONEXISTING_GLYPHS);
    int missing = 0;
    for (size_t i = 0; i < wide.size(); ++i) missing += wide[i] >= L' ' && glyphs[i] == 0xFFFF;
    std::printf("%d %d\n", int(font.metrics.tmCharSet), missing);
    return 0;
  }
  if (verb == "tree") {
    // The item texts live in Setup's memory; the count is what can be read.
    HWND tree = NthOfClass(window, WC_TREEVIEWA, 0);
    if (!tree) return Fail("no tree", caption);
    std::printf("%d\n", int(SendMessageA(tree, TVM_GETCOUNT, 0, 0)));
    return 0;
  }
  return 2;
}
