// The program's string values in its registry (platform/RegistryStore.h), as the pages and the
// disk geometry store use them: keys below a root key, values read into 260-character buffers.
//
// A value is stored exactly as given, without a terminating zero character; its size is two
// bytes per UTF-16 unit. A reader takes at most 520 bytes: a longer value reads as empty, and a
// value that holds a zero character reads up to that character.
#pragma once

#include <string>
#include <string_view>

enum class RegistryRoot { ClassesRoot, CurrentUser, LocalMachine };

inline constexpr long kRegistrySuccess = 0;
inline constexpr long kRegistryKeyNotFound = 2;  // the key cannot be opened
inline constexpr size_t kRegistryValueBytes = 520;

// "HKEY_CLASSES_ROOT\subkey", the key path inside the store.
std::string RegistryKeyPath(RegistryRoot root, std::string_view subkey);

// Empties dest, then fills it from the value. Returns kRegistryKeyNotFound when the key does not
// exist (dest stays empty), else kRegistrySuccess, also when the value is missing or too long.
long ReadRegistryString(RegistryRoot root, std::string_view subkey, std::string_view valueName,
                        std::string& dest);

// Creates the key when needed and writes the value. Returns false when the store could not be
// written; the program's settings writes ignore that, the disk geometry store reports it.
bool WriteRegistryString(RegistryRoot root, std::string_view subkey, std::string_view valueName,
                         std::string_view data);

// Key operations of the geometry store.
bool RegistryKeyExists(RegistryRoot root, std::string_view subkey);
bool CreateRegistryKey(RegistryRoot root, std::string_view subkey);
bool DeleteRegistryKey(RegistryRoot root, std::string_view subkey);
