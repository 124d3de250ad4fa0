#pragma once
// The application object: its title, its message loop and the general error
// handler through which every event handler's exception reaches the user.
#include <exception>
#include <string>

#include "platform/WinTypes.h"

namespace ui {
class TForm;
}

namespace os {

// The text an error box shows for an error message: the message unchanged,
// except that a full stop is added when its last character sorts after "."
// (so "Disk full" gains one, "... 'x'" and "Done." do not).
std::string ErrorMessageText(const std::string& message);

class TApplication {
 public:
  // Prepares the platform: common controls, COM for this thread.
  void Initialize();
  // Creates the application's own window (Windows only): the program's one
  // taskbar entry, titled Title, and the owner of the main window.
  void CreateHandle();
  // The owner for dialogs and message boxes: the main window once it has
  // one (the form layer says when), else the application's window.
  HWND DialogOwner() const;
  // Shows e in a message box titled Title with the error icon and OK.
  void ShowException(const std::exception& e);
  // The same for an error's message taken on another thread: the exception
  // object itself never crosses threads.
  void ShowErrorMessage(const std::string& message);
  // Runs an event handler; an exception it raises is shown, not propagated.
  template <class Handler>
  void Guard(Handler&& handler) {
    try {
      handler();
    } catch (const std::exception& e) {
      ShowException(e);
    }
  }
  // Handles messages until Terminate is called or the main window closes.
  void Run();
  // Handles the messages waiting now, then returns.
  void ProcessMessages();
  void Terminate();
  bool Terminated() const { return terminated_; }

  std::string Title;
  HWND Handle = NO_WINDOW;
  // The main form's window while it has one.
  HWND MainWindow = NO_WINDOW;
  // The first form created; closing it ends the program. Known here only
  // by its address: the form layer uses the application, never the reverse.
  ui::TForm* MainForm = nullptr;

 private:
  bool terminated_ = false;
};

extern TApplication Application;

// The message of the error error carries ("Unknown error" for one that is
// no std::exception), read on the thread that caught it.
std::string MessageOf(std::exception_ptr error);

}  // namespace os
