#include "platform/Registry.h"

#include "platform/RegistryStore.h"
#include "platform/Utf16Length.h"

std::string RegistryKeyPath(RegistryRoot root, std::string_view subkey) {
  std::string path;
  switch (root) {
    case RegistryRoot::ClassesRoot:
      path = "HKEY_CLASSES_ROOT";
      break;
    case RegistryRoot::CurrentUser:
      path = "HKEY_CURRENT_USER";
      break;
    case RegistryRoot::LocalMachine:
      path = "HKEY_LOCAL_MACHINE";
      break;
  }
  while (!subkey.empty() && subkey.front() == '\\') subkey.remove_prefix(1);
  while (!subkey.empty() && subkey.back() == '\\') subkey.remove_suffix(1);
  if (!subkey.empty()) path += '\\' + std::string(subkey);
  return path;
}

long ReadRegistryString(RegistryRoot root, std::string_view subkey, std::string_view valueName,
                        std::string& dest) {
  dest.clear();
  RegistryStore& store = ProgramRegistry();
  const std::string key = RegistryKeyPath(root, subkey);
  if (!store.KeyExists(key)) return kRegistryKeyNotFound;
  const std::optional<std::string> value = store.ReadValue(key, valueName);
  if (!value || Utf16Length(*value) * 2 > kRegistryValueBytes) return kRegistrySuccess;
  dest = value->substr(0, value->find('\0'));
  return kRegistrySuccess;
}

bool WriteRegistryString(RegistryRoot root, std::string_view subkey, std::string_view valueName,
                         std::string_view data) {
  return ProgramRegistry().WriteValue(RegistryKeyPath(root, subkey), valueName, data);
}

bool RegistryKeyExists(RegistryRoot root, std::string_view subkey) {
  return ProgramRegistry().KeyExists(RegistryKeyPath(root, subkey));
}

bool CreateRegistryKey(RegistryRoot root, std::string_view subkey) {
  return ProgramRegistry().CreateKey(RegistryKeyPath(root, subkey));
}

bool DeleteRegistryKey(RegistryRoot root, std::string_view subkey) {
  return ProgramRegistry().DeleteKey(RegistryKeyPath(root, subkey));
}
