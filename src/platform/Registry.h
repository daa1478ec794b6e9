#pragma once
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

// A small stand-in for the Windows registry: an INI file whose section names are the hive and the key
// path ("[HKEY_CURRENT_USER\Software\Marlevo\Marlevo Tonvera]") and whose lines are "Name=Value" strings.
//
// Where it is read from, first match wins:
//   1. the file named by TONVERA_REGISTRY (then it is the whole registry; a missing file is an empty one),
//   2. $XDG_CONFIG_HOME/marlevo/registry.ini (XDG_CONFIG_HOME defaults to ~/.config) when it exists,
//   3. built-in values as a per-user installation writes them.
// The file is read on every key open, so edits apply to the next instance created.

enum class MLVHive { CurrentUser, LocalMachine };

constexpr long kMLVErrorSuccess = 0;
constexpr long kMLVErrorFileNotFound = 2;
constexpr long kMLVErrorMoreData = 234;

// An opened key: a snapshot of its string values.
struct MLVRegKey {
    std::vector<std::pair<std::u16string, std::u16string>> values;
};

// Key and value names compare without regard to ASCII letter case, as the registry does.
// Returns kMLVErrorSuccess or kMLVErrorFileNotFound.
long MLVRegOpenKey(MLVHive hive, const std::u16string& subKey, MLVRegKey* key);

// Copies a string value with its terminating zero into buffer (*bytes bytes long). Returns
// kMLVErrorFileNotFound for a missing value, kMLVErrorMoreData when it does not fit (nothing copied);
// *bytes receives the size of the value in bytes, terminator included.
long MLVRegQueryString(const MLVRegKey& key, const std::u16string& valueName, char16_t* buffer,
                       uint32_t* bytes);

// The text of the built-in registry, for documentation and for writing a starting file.
std::string MLVRegDefaultText();

// Product key under both hives, and the shell-folders key holding the documents folders.
extern const char16_t* const kMLVProductKey;
extern const char16_t* const kMLVShellFoldersKey;
