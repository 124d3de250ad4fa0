// The registry accessor, and the entries that make the product known to Windows.
#include "system/Unit_Settings.h"

#include "system/RegistryKeys.h"

#include <cstring>
#include <vector>

#include "trust/Unit_Paths.h"
#include "platform/Chars.h"
#include "platform/Exceptions.h"

TRegistry::TRegistry() : root_(os::HKEY_CURRENT_USER) {}

TRegistry::~TRegistry() = default;

void TRegistry::SetRootKey(os::HKEY Root) {
  if (Root != root_) CloseKey();
  root_ = Root;
}

os::HKEY TRegistry::BaseFor(const std::string& Key, std::string& relative) const {
  if (SystemCharacters().Find(Key, '\\') == 0) {
    relative = Key.substr(1);
    return root_;
  }
  relative = Key;
  return key_ ? key_.get() : root_;
}

bool TRegistry::OpenKey(const std::string& Key, bool CanCreate) {
  std::string relative;
  const os::HKEY base = BaseFor(Key, relative);
  os::HKEY opened{};
  const long rc = CanCreate ? os::RegCreateKeyExA(base, relative, os::REG_OPTION_NON_VOLATILE,
                                                  os::KEY_ALL_ACCESS, &opened, nullptr)
                            : os::RegOpenKeyExA(base, relative, 0, os::KEY_ALL_ACCESS, &opened);
  if (rc != os::ERROR_SUCCESS) return false;
  key_.reset(opened);
  return true;
}

bool TRegistry::KeyExists(const std::string& Key) {
  std::string relative;
  const os::HKEY base = BaseFor(Key, relative);
  os::UniqueHKEY probe;
  return os::RegOpenKeyExA(base, relative, 0, os::KEY_ALL_ACCESS, probe.receive()) ==
         os::ERROR_SUCCESS;
}

bool TRegistry::ValueExists(const std::string& Name) {
  if (!key_) return false;
  os::DWORD size = 0;
  return os::RegQueryValueExA(key_.get(), Name, nullptr, nullptr, &size) == os::ERROR_SUCCESS;
}

std::string TRegistry::ReadString(const std::string& Name) {
  const os::HKEY key = key_ ? key_.get() : root_;
  os::DWORD type = 0, size = 0;
  if (os::RegQueryValueExA(key, Name, &type, nullptr, &size) != os::ERROR_SUCCESS || size == 0) {
    // A value that is not there reads as empty text, as the size query fails.
    return {};
  }
  if (type != os::REG_SZ && type != os::REG_EXPAND_SZ)
    throw os::ERegistryException("Invalid data type for '" + Name + "'");
  std::vector<std::uint8_t> data(size + 1, 0);
  if (os::RegQueryValueExA(key, Name, &type, data.data(), &size) != os::ERROR_SUCCESS)
    throw os::ERegistryException("Failed to get data for '" + Name + "'");
  const char* text = reinterpret_cast<const char*>(data.data());
  return std::string(text, strnlen(text, size));
}

void TRegistry::WriteString(const std::string& Name, const std::string& Value) {
  const os::HKEY key = key_ ? key_.get() : root_;
  // Without an open key the write goes nowhere: it must fail, not land in
  // the root key.
  if (!key_ || os::RegSetValueExA(key, Name, os::REG_SZ,
                                  reinterpret_cast<const std::uint8_t*>(Value.c_str()),
                                  os::DWORD(Value.size() + 1)) != os::ERROR_SUCCESS)
    throw os::ERegistryException("Failed to set data for '" + Name + "'");
}

bool TRegistry::DeleteValue(const std::string& Name) {
  return key_ && os::RegDeleteValueA(key_.get(), Name) == os::ERROR_SUCCESS;
}

bool TRegistry::GetKeyInfo(os::DWORD& SubKeys, os::DWORD& Values) {
  return key_ && os::RegQueryInfoKeyA(key_.get(), &SubKeys, &Values) == os::ERROR_SUCCESS;
}

bool TRegistry::HasSubKeys() {
  os::DWORD subKeys = 0, values = 0;
  return GetKeyInfo(subKeys, values) && subKeys > 0;
}

bool TRegistry::DeleteKey(const std::string& Key) {
  std::string relative;
  const os::HKEY base = BaseFor(Key, relative);
  return os::RegDeleteKeyA(base, relative) == os::ERROR_SUCCESS;
}

void TRegistry::CloseKey() { key_.reset(); }

void WriteRegistryEntries(const std::string& InstallDir) {
  const std::string program = JoinPath(InstallDir, "Morvella.exe");
  TRegistry registry;
  registry.SetRootKey(os::HKEY_LOCAL_MACHINE);
  // Whether a key opens is not examined: a write to a key that did not open
  // fails and says which value could not be stored.
  registry.OpenKey(kUninstallKey, true);
  registry.WriteString("DisplayName", "Morvella");
  // Quoted: unquoted, a folder with a blank (D:\Word Tools\Morvella) would let
  // Windows start D:\Word.exe, with administrator rights.
  registry.WriteString("UninstallString", "\"" + JoinPath(InstallDir, "Uninst.exe") + "\"");
  registry.CloseKey();

  registry.SetRootKey(os::HKEY_CLASSES_ROOT);
  registry.OpenKey(kWordlistExtensionKey, true);
  registry.WriteString("", kWordlistClass);
  registry.CloseKey();
  registry.OpenKey(kWordlistClassKey, true);
  registry.WriteString("", "Morvella wordlist");
  registry.CloseKey();
  registry.OpenKey(kWordlistIconKey, true);
  registry.WriteString("", program + ",1");
  registry.CloseKey();
  registry.OpenKey(kWordlistShellKey, true);
  registry.WriteString("", "Open");
  registry.CloseKey();
  registry.OpenKey(kWordlistOpenKey, true);
  registry.CloseKey();
  registry.OpenKey(kWordlistOpenCommandKey, true);
  // The program's path is quoted too: unquoted, a path with blanks would let
  // Windows start C:\Program.exe instead.
  registry.WriteString("", "\"" + program + "\" \"%1\"");
  registry.CloseKey();
}
