// The registry in memory: keys with case-insensitive names, typed values, the
// error codes of advapi32.
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <strings.h>
#include <vector>

#include "platform/Registry.h"
#include "platform/standin/Faults.h"
#include "platform/standin/Standin.h"

namespace os {

namespace {

struct NoCase {
  bool operator()(const std::string& a, const std::string& b) const {
    return strcasecmp(a.c_str(), b.c_str()) < 0;
  }
};

struct Value {
  DWORD type;
  std::vector<std::uint8_t> data;
};

struct Key {
  std::map<std::string, std::shared_ptr<Key>, NoCase> subkeys;
  std::map<std::string, Value, NoCase> values;
  Key* parent = nullptr;
  bool deleted = false;
  bool denied = false;
};

struct Registry {
  std::mutex lock;
  std::map<std::uintptr_t, std::shared_ptr<Key>> roots;
  std::map<std::uintptr_t, std::shared_ptr<Key>> open;
  std::uintptr_t nextHandle = 0x100;

  Registry() { Reset(); }
  void Reset() {
    roots.clear();
    open.clear();
    for (HKEY root : {HKEY_CLASSES_ROOT, HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE})
      roots[std::uintptr_t(root)] = std::make_shared<Key>();
  }
  std::shared_ptr<Key> Find(HKEY handle) {
    auto r = roots.find(std::uintptr_t(handle));
    if (r != roots.end()) return r->second;
    auto o = open.find(std::uintptr_t(handle));
    return o != open.end() ? o->second : nullptr;
  }
  HKEY Add(std::shared_ptr<Key> key) {
    std::uintptr_t h = nextHandle;
    nextHandle += 4;
    open[h] = std::move(key);
    return HKEY(h);
  }
};

Registry& Reg() {
  static Registry registry;
  return registry;
}

std::vector<std::string> Split(const std::string& path) {
  std::vector<std::string> parts;
  std::string part;
  for (char c : path) {
    if (c == '\\') {
      if (!part.empty()) parts.push_back(part);
      part.clear();
    } else {
      part += c;
    }
  }
  if (!part.empty()) parts.push_back(part);
  return parts;
}

bool Denied(const Key* key) {
  for (; key; key = key->parent)
    if (key->denied) return true;
  return false;
}

bool Writes(DWORD sam) {
  return (sam & (KEY_SET_VALUE | KEY_CREATE_SUB_KEY | 0x00010000 /*DELETE*/)) != 0;
}

std::shared_ptr<Key> Walk(std::shared_ptr<Key> from, const std::string& path) {
  for (const std::string& part : Split(path)) {
    auto found = from->subkeys.find(part);
    if (found == from->subkeys.end()) return nullptr;
    from = found->second;
  }
  return from;
}

}  // namespace

long RegOpenKeyExA(HKEY key, const std::string& subKey, DWORD, DWORD samDesired, HKEY* result) {
  Registry& reg = Reg();
  std::lock_guard<std::mutex> guard(reg.lock);
  auto base = reg.Find(key);
  if (!base) return ERROR_INVALID_HANDLE;
  if (base->deleted) return ERROR_KEY_DELETED;
  auto target = Walk(base, subKey);
  if (!target) return ERROR_FILE_NOT_FOUND;
  if (Writes(samDesired) && Denied(target.get())) return ERROR_ACCESS_DENIED;
  *result = reg.Add(target);
  return ERROR_SUCCESS;
}

long RegCreateKeyExA(HKEY key, const std::string& subKey, DWORD, DWORD samDesired, HKEY* result,
                     DWORD* disposition) {
  Registry& reg = Reg();
  std::lock_guard<std::mutex> guard(reg.lock);
  auto current = reg.Find(key);
  if (!current) return ERROR_INVALID_HANDLE;
  if (current->deleted) return ERROR_KEY_DELETED;
  if (standin::faults::Strike()) return ERROR_ACCESS_DENIED;
  bool created = false;
  for (const std::string& part : Split(subKey)) {
    auto found = current->subkeys.find(part);
    if (found == current->subkeys.end()) {
      if (Denied(current.get())) return ERROR_ACCESS_DENIED;
      auto child = std::make_shared<Key>();
      child->parent = current.get();
      current->subkeys[part] = child;
      current = child;
      created = true;
    } else {
      current = found->second;
    }
  }
  if (Writes(samDesired) && Denied(current.get())) return ERROR_ACCESS_DENIED;
  *result = reg.Add(current);
  if (disposition) *disposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
  return ERROR_SUCCESS;
}

long RegQueryValueExA(HKEY key, const std::string& valueName, DWORD* type, std::uint8_t* data,
                      DWORD* size) {
  Registry& reg = Reg();
  std::lock_guard<std::mutex> guard(reg.lock);
  auto k = reg.Find(key);
  if (!k) return ERROR_INVALID_HANDLE;
  if (k->deleted) return ERROR_KEY_DELETED;
  auto found = k->values.find(valueName);
  if (found == k->values.end()) return ERROR_FILE_NOT_FOUND;
  const Value& value = found->second;
  if (type) *type = value.type;
  const DWORD needed = DWORD(value.data.size());
  if (!size) return data ? ERROR_INVALID_PARAMETER : ERROR_SUCCESS;
  if (data && *size < needed) {
    *size = needed;
    return ERROR_MORE_DATA;
  }
  if (data) std::copy(value.data.begin(), value.data.end(), data);
  *size = needed;
  return ERROR_SUCCESS;
}

long RegSetValueExA(HKEY key, const std::string& valueName, DWORD type, const std::uint8_t* data,
                    DWORD size) {
  Registry& reg = Reg();
  std::lock_guard<std::mutex> guard(reg.lock);
  auto k = reg.Find(key);
  if (!k) return ERROR_INVALID_HANDLE;
  if (k->deleted) return ERROR_KEY_DELETED;
  if (Denied(k.get()) || standin::faults::Strike()) return ERROR_ACCESS_DENIED;
  k->values[valueName] = Value{type, std::vector<std::uint8_t>(data, data + size)};
  return ERROR_SUCCESS;
}

long RegDeleteValueA(HKEY key, const std::string& valueName) {
  Registry& reg = Reg();
  std::lock_guard<std::mutex> guard(reg.lock);
  auto k = reg.Find(key);
  if (!k) return ERROR_INVALID_HANDLE;
  if (k->deleted) return ERROR_KEY_DELETED;
  if (Denied(k.get()) || standin::faults::Strike()) return ERROR_ACCESS_DENIED;
  return k->values.erase(valueName) ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND;
}

long RegDeleteKeyA(HKEY key, const std::string& subKey) {
  Registry& reg = Reg();
  std::lock_guard<std::mutex> guard(reg.lock);
  auto base = reg.Find(key);
  if (!base) return ERROR_INVALID_HANDLE;
  auto target = Walk(base, subKey);
  if (!target || target == base) return target ? ERROR_ACCESS_DENIED : ERROR_FILE_NOT_FOUND;
  if (!target->subkeys.empty() || Denied(target.get()) || standin::faults::Strike())
    return ERROR_ACCESS_DENIED;
  Key* parent = target->parent;
  for (auto it = parent->subkeys.begin(); it != parent->subkeys.end(); ++it) {
    if (it->second == target) {
      parent->subkeys.erase(it);
      break;
    }
  }
  target->deleted = true;
  target->parent = nullptr;
  return ERROR_SUCCESS;
}

long RegQueryInfoKeyA(HKEY key, DWORD* subKeys, DWORD* values) {
  Registry& reg = Reg();
  std::lock_guard<std::mutex> guard(reg.lock);
  auto k = reg.Find(key);
  if (!k) return ERROR_INVALID_HANDLE;
  if (k->deleted) return ERROR_KEY_DELETED;
  if (subKeys) *subKeys = DWORD(k->subkeys.size());
  if (values) *values = DWORD(k->values.size());
  return ERROR_SUCCESS;
}

long RegCloseKey(HKEY key) {
  Registry& reg = Reg();
  std::lock_guard<std::mutex> guard(reg.lock);
  if (reg.roots.count(std::uintptr_t(key))) return ERROR_SUCCESS;
  return reg.open.erase(std::uintptr_t(key)) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}

}  // namespace os

namespace standin {

void ResetRegistry() {
  auto& reg = os::Reg();
  std::lock_guard<std::mutex> guard(reg.lock);
  reg.Reset();
}

void DenyKey(os::HKEY root, const std::string& path) {
  auto& reg = os::Reg();
  std::lock_guard<std::mutex> guard(reg.lock);
  auto current = reg.Find(root);
  for (const std::string& part : os::Split(path)) {
    auto& child = current->subkeys[part];
    if (!child) {
      child = std::make_shared<os::Key>();
      child->parent = current.get();
    }
    current = child;
  }
  current->denied = true;
}

int OpenKeyCount() {
  auto& reg = os::Reg();
  std::lock_guard<std::mutex> guard(reg.lock);
  return int(reg.open.size());
}

}  // namespace standin
