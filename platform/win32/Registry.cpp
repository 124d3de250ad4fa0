// The registry on Windows.
#include "platform/win32/WinApi.h"

namespace os {

using win32::Native;
using win32::Wrap;

namespace {
const char* Text(const std::string& s) { return s.c_str(); }
}  // namespace

long RegOpenKeyExA(HKEY key, const std::string& subKey, DWORD options, DWORD samDesired,
                   HKEY* result) {
  ::HKEY opened = nullptr;
  LONG rc = ::RegOpenKeyExA(Native(key), Text(subKey), options, samDesired, &opened);
  if (rc == ERROR_SUCCESS) *result = Wrap(opened);
  return rc;
}

long RegCreateKeyExA(HKEY key, const std::string& subKey, DWORD options, DWORD samDesired,
                     HKEY* result, DWORD* disposition) {
  ::HKEY opened = nullptr;
  ::DWORD how = 0;
  LONG rc = ::RegCreateKeyExA(Native(key), Text(subKey), 0, nullptr, options, samDesired, nullptr,
                              &opened, &how);
  if (rc == ERROR_SUCCESS) {
    *result = Wrap(opened);
    if (disposition) *disposition = how;
  }
  return rc;
}

long RegQueryValueExA(HKEY key, const std::string& valueName, DWORD* type, std::uint8_t* data,
                      DWORD* size) {
  ::DWORD t = 0;
  ::DWORD n = size ? *size : 0;
  LONG rc = ::RegQueryValueExA(Native(key), Text(valueName), nullptr, &t, data, size ? &n : nullptr);
  if (type) *type = t;
  if (size) *size = n;
  return rc;
}

long RegSetValueExA(HKEY key, const std::string& valueName, DWORD type, const std::uint8_t* data,
                    DWORD size) {
  return ::RegSetValueExA(Native(key), Text(valueName), 0, type, data, size);
}

long RegDeleteValueA(HKEY key, const std::string& valueName) {
  return ::RegDeleteValueA(Native(key), Text(valueName));
}

long RegDeleteKeyA(HKEY key, const std::string& subKey) {
  return ::RegDeleteKeyA(Native(key), Text(subKey));
}

long RegQueryInfoKeyA(HKEY key, DWORD* subKeys, DWORD* values) {
  ::DWORD keys = 0, vals = 0;
  LONG rc = ::RegQueryInfoKeyA(Native(key), nullptr, nullptr, nullptr, &keys, nullptr, nullptr,
                               &vals, nullptr, nullptr, nullptr, nullptr);
  if (rc == ERROR_SUCCESS) {
    if (subKeys) *subKeys = keys;
    if (values) *values = vals;
  }
  return rc;
}

long RegCloseKey(HKEY key) { return ::RegCloseKey(Native(key)); }

}  // namespace os
