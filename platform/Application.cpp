// The application object's portable part: error boxes and the owner of dialogs.
#include "platform/Application.h"

#include "platform/Dialogs.h"

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

HWND TApplication::DialogOwner() const { return MainWindow != NO_WINDOW ? MainWindow : Handle; }


}  // namespace os
