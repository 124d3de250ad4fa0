#include "platform/Application.h"

#include "platform/Dialogs.h"
#include "platform/Forms.h"

namespace os {

TApplication Application;

std::string ErrorMessageText(const std::string& message) {
  // Bytes compare unsigned, as characters of the ANSI code page do.
  if (!message.empty() && static_cast<unsigned char>(message.back()) > '.') return message + ".";
  return message;
}

void TApplication::ShowException(const std::exception& e) { ShowErrorMessage(e.what()); }

void TApplication::ShowErrorMessage(const std::string& message) {
  MessageBoxA(DialogOwner(), ErrorMessageText(message), Title, MB_OK | MB_ICONERROR);
}

std::string MessageOf(std::exception_ptr error) {
  try {
    std::rethrow_exception(error);
  } catch (const std::exception& e) {
    return e.what();
  } catch (...) {
    return "Unknown error";
  }
}

TEndSessionHold::TEndSessionHold(const char* Reason) {
  if (Application.endSessionHolds_++ == 0) ui::native::BlockSessionEnd(Reason);
}

TEndSessionHold::~TEndSessionHold() {
  if (--Application.endSessionHolds_ == 0) ui::native::BlockSessionEnd(nullptr);
}

HWND TApplication::DialogOwner() const {
  if (MainForm && MainForm->Handle != NO_WINDOW) return MainForm->Handle;
  return MainWindow != NO_WINDOW ? MainWindow : Handle;
}


}  // namespace os
