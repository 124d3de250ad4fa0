#pragma once
// The errors the system raises. Each carries the message the user is shown.
#include <cstdint>
#include <exception>
#include <string>
#include <utility>

#include "platform/Files.h"

namespace os {

// Not a std::runtime_error: that one keeps its text in the library's older
// string kind, which the Windows programs then carry twice.
class Exception : public std::exception {
 public:
  explicit Exception(std::string message) : message_(std::move(message)) {}
  const char* what() const noexcept override { return message_.c_str(); }

 private:
  std::string message_;
};

// A file could not be created, written, read or closed.
class EInOutError : public Exception {
 public:
  EInOutError(const std::string& message, std::uint32_t errorCode)
      : Exception(message), ErrorCode(errorCode) {}
  std::uint32_t ErrorCode;
};

class ERegistryException : public Exception {
 public:
  using Exception::Exception;
};

class EOleError : public Exception {
 public:
  using Exception::Exception;
};

class EInvalidGraphic : public Exception {
 public:
  using Exception::Exception;
};

// The message of an OLE error: the system's text for the code, or
// "OLE error %.8x" where it has none.
std::string OleErrorMessage(long code);

// The system's text for an error code (FormatMessage); empty when it has none.
std::string SysErrorMessage(std::uint32_t errorCode);

// The system's text for an error code, or "error N" where it has none.
inline std::string ErrorText(std::uint32_t errorCode) {
  const std::string text = SysErrorMessage(errorCode);
  return text.empty() ? "error " + std::to_string(errorCode) : text;
}

// Raises EInOutError "<What> <Path>: <the last error's text>" with the last
// error's code: for a file that could not be opened, read or written.
[[noreturn]] inline void RaiseFileError(const std::string& What, const std::string& Path) {
  const std::uint32_t code = GetLastError();
  throw EInOutError(What + " " + Path + ": " + ErrorText(code), code);
}

}  // namespace os
