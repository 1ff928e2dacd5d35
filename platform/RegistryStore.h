// The program's registry: a small key/value store in one file under the user's configuration
// folder ($XDG_CONFIG_HOME/softdovrane/merrowind/registry, ~/.config when that is not set). It
// keeps one section per key path ("HKEY_CLASSES_ROOT\VrellGeometry") holding string values, and
// survives the process. Key paths and value names compare without regard to ASCII case, as the
// registry's do.
//
// Every change rewrites the whole file through a temporary file in the same folder, synced and
// renamed over the old one, so a crash leaves either the old or the new store, never half of
// one. The file is text: "[key path]" lines, then "name=value" lines; bytes that would break a
// line ("%", "=", "[", "]", control bytes) are written as %XX. A line that cannot be parsed is
// skipped.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// A key with all its values, for the changes that rewrite the store once for many values.
struct RegistryKeyValues {
  std::string key;
  std::vector<std::pair<std::string, std::string>> values;  // name, value
};

class RegistryStore {
 public:
  // A store kept in the file at path (created, with its folder, on the first write).
  explicit RegistryStore(std::string path);

  const std::string& Path() const { return m_Path; }

  bool KeyExists(std::string_view key) const;
  // Creates the key (an empty section); true when it exists afterwards.
  bool CreateKey(std::string_view key);
  // Removes the key and its values (not keys below it); false when it was missing or the store
  // could not be written.
  bool DeleteKey(std::string_view key);

  // The value, or nothing when the key or the value is missing.
  std::optional<std::string> ReadValue(std::string_view key, std::string_view name) const;
  // Writes the value, creating the key; false when the store could not be written.
  bool WriteValue(std::string_view key, std::string_view name, std::string_view value);
  std::vector<std::string> ValueNames(std::string_view key) const;

  // Each listed key is replaced by one holding exactly the values given, and every listed value
  // is written, in one rewrite of the file: a listing of ten disks would otherwise sync the file
  // a hundred times. False when the store could not be written.
  bool ReplaceKeys(const std::vector<RegistryKeyValues>& keys);
  bool WriteValues(const std::vector<RegistryKeyValues>& keys);

 private:
  // Key paths and value names keep the spelling they were first written with.
  struct Section {
    std::string key;
    std::vector<std::pair<std::string, std::string>> values;
  };
  std::vector<Section> Load() const;
  bool Save(const std::vector<Section>& sections) const;

  std::string m_Path;
};

// The store the program uses. Its file is RegistryStoreFolder() + "/registry".
RegistryStore& ProgramRegistry();
// $XDG_CONFIG_HOME (when absolute) or $HOME/.config, followed by "/softdovrane/merrowind".
std::string DefaultRegistryFolder();
// Points the program's store at another folder (tests use a temporary one); an empty folder
// goes back to the default.
void SetRegistryFolder(std::string folder);
