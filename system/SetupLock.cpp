// One Setup or uninstaller at a time.
#include "system/SetupLock.h"

#include "platform/Application.h"
#include "platform/Dialogs.h"
#include "platform/Exceptions.h"

const char* const kSetupMutexName = "Global\\Morvella Setup";

std::unique_ptr<os::TNamedMutex> TakeSetupLock(const std::string& Caption) {
  auto lock = std::make_unique<os::TNamedMutex>(kSetupMutexName);
  if (lock->Held()) return lock;
  if (lock->State() == os::TNamedMutex::TState::Squatted) {
    // Fails closed: going on could let two of them change one folder at once.
    os::MessageBoxA(os::NO_WINDOW,
                    std::string("Another program is using the name \"") + kSetupMutexName + "\" (" +
                        os::ErrorText(lock->Error()) +
                        ") that Morvella Setup and its uninstaller use to make sure only one of them "
                        "runs.  Nothing was changed.  Restart Windows and try again.",
                    Caption, os::MB_OK | os::MB_ICONERROR);
    return nullptr;
  }
  // Which one runs, told by its window (the wizard, or the uninstaller's
  // question and messages), which comes to the front.
  const char* text = "Morvella Setup or its uninstaller is already running.";
  if (os::BringToFront("Morvella Setup"))
    text = "Setup is already running.";
  else if (os::BringToFront("Uninstall Morvella"))
    text = "The uninstaller of Morvella is already running.";
  os::MessageBoxA(os::NO_WINDOW, text, Caption, os::MB_OK | os::MB_ICONINFORMATION);
  return nullptr;
}
