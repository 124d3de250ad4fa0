#pragma once
// The registry calls the system makes (advapi32), with Windows' semantics:
// every call returns ERROR_SUCCESS or a system error code.
#include <cstdint>
#include <string>

#include "platform/Handle.h"
#include "platform/WinTypes.h"

namespace os {

enum class HKEY : std::uintptr_t {};

constexpr HKEY HKEY_CLASSES_ROOT = HKEY(0x80000000u);
constexpr HKEY HKEY_CURRENT_USER = HKEY(0x80000001u);
constexpr HKEY HKEY_LOCAL_MACHINE = HKEY(0x80000002u);

constexpr DWORD KEY_QUERY_VALUE = 0x0001;
constexpr DWORD KEY_SET_VALUE = 0x0002;
constexpr DWORD KEY_CREATE_SUB_KEY = 0x0004;
constexpr DWORD KEY_ENUMERATE_SUB_KEYS = 0x0008;
constexpr DWORD KEY_READ = 0x20019;
constexpr DWORD KEY_ALL_ACCESS = 0xF003F;

constexpr DWORD REG_OPTION_NON_VOLATILE = 0;
constexpr DWORD REG_CREATED_NEW_KEY = 1;
constexpr DWORD REG_OPENED_EXISTING_KEY = 2;

constexpr DWORD REG_NONE = 0;
constexpr DWORD REG_SZ = 1;
constexpr DWORD REG_EXPAND_SZ = 2;
constexpr DWORD REG_BINARY = 3;
constexpr DWORD REG_DWORD = 4;

long RegOpenKeyExA(HKEY key, const std::string& subKey, DWORD options, DWORD samDesired,
                   HKEY* result);
// disposition may be null; otherwise receives REG_CREATED_NEW_KEY or
// REG_OPENED_EXISTING_KEY. Missing intermediate keys are created too.
long RegCreateKeyExA(HKEY key, const std::string& subKey, DWORD options, DWORD samDesired,
                     HKEY* result, DWORD* disposition);
// With data null, only *type and *size are filled. A buffer smaller than the
// value gives ERROR_MORE_DATA with *size set to the size needed.
long RegQueryValueExA(HKEY key, const std::string& valueName, DWORD* type, std::uint8_t* data,
                      DWORD* size);
long RegSetValueExA(HKEY key, const std::string& valueName, DWORD type,
                    const std::uint8_t* data, DWORD size);
long RegDeleteValueA(HKEY key, const std::string& valueName);
// Fails (ERROR_ACCESS_DENIED) for a key that has subkeys.
long RegDeleteKeyA(HKEY key, const std::string& subKey);
// Either pointer may be null.
long RegQueryInfoKeyA(HKEY key, DWORD* subKeys, DWORD* values);
long RegCloseKey(HKEY key);

struct KeyHandleTraits {
  using Handle = HKEY;
  static constexpr HKEY Invalid = HKEY(0);
  static bool Close(HKEY key) { return RegCloseKey(key) == 0; }
};
// An open key.
using UniqueHKEY = TUniqueHandle<KeyHandleTraits>;

}  // namespace os
