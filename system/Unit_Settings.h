#pragma once
// The registry accessor: one current root key and at most one open key.
// Paths that begin with a backslash are taken from the root; others from the
// open key when there is one. Keys are opened with full access
// (KEY_ALL_ACCESS), so a key the user may not change counts as missing.
#include <string>

#include "platform/Registry.h"

class TRegistry {
 public:
  TRegistry();  // root HKEY_CURRENT_USER, no key open
  TRegistry(const TRegistry&) = delete;
  TRegistry& operator=(const TRegistry&) = delete;
  ~TRegistry();  // closes the open key

  // Closes the open key when the root changes.
  void SetRootKey(os::HKEY Root);
  os::HKEY RootKey() const { return root_; }
  // On success the key replaces the open one; on failure nothing changes.
  bool OpenKey(const std::string& Key, bool CanCreate);
  bool KeyExists(const std::string& Key);
  bool ValueExists(const std::string& Name);
  // Raises ERegistryException "Failed to get data for '<Name>'" when the
  // value cannot be read, "Invalid data type for '<Name>'" when it is no text.
  std::string ReadString(const std::string& Name);
  // Raises ERegistryException "Failed to set data for '<Name>'".
  void WriteString(const std::string& Name, const std::string& Value);
  bool DeleteValue(const std::string& Name);
  bool HasSubKeys();
  // Number of subkeys and values of the open key; false when it cannot tell.
  bool GetKeyInfo(os::DWORD& SubKeys, os::DWORD& Values);
  bool DeleteKey(const std::string& Key);
  void CloseKey();
  bool HasOpenKey() const { return bool(key_); }

 private:
  // The base key and relative path for Key.
  os::HKEY BaseFor(const std::string& Key, std::string& relative) const;

  os::HKEY root_;
  os::UniqueHKEY key_;
};

// Makes the installed product known to Windows: its uninstall entry and the
// ".wdl" file association. Raises on the first value that cannot be stored.
void WriteRegistryEntries(const std::string& InstallDir);
