#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The Windows registry stand-in: keys and values as the program names them, kept in an INI file of
// our own. Each key is a section named by its full path ("HKEY_LOCAL_MACHINE\SOFTWARE\Maker\Key");
// each value a line "name=sz:text" or "name=dword:123". Names compare without regard to case.
namespace platform::registry {

enum class RootKey { CurrentUser, LocalMachine };

struct Value {
    enum class Type { String, Integer };
    Type type = Type::String;
    std::string text;
    std::int64_t number = 0;
};

// The store file (native path). Default: $ZETRINO_REGISTRY when set, else
// ${XDG_CONFIG_HOME:-$HOME/.config}/zetrino/registry.ini. Tests point it at a temporary file.
std::filesystem::path storePath();
void setStorePath(const std::filesystem::path& nativePath);
// Back to the default store path.
void resetStorePath();

// keyPath: "SOFTWARE\Maker\Key" (a leading "\" is ignored).
bool keyExists(RootKey root, std::string_view keyPath);
// Names of the direct subkeys, in case-insensitive alphabetical order (as the registry lists them).
std::vector<std::string> subKeys(RootKey root, std::string_view keyPath);
// Names of the key's values, in stored order.
std::vector<std::string> valueNames(RootKey root, std::string_view keyPath);
// The value; nothing when the key or the value is missing. A stored text that does not decode as
// CP932 raises platform::IniValueError naming the store file, the key and the value (other keys
// and values of the store read as usual).
std::optional<Value> readValue(RootKey root, std::string_view keyPath, std::string_view name);

// Writing creates the key (and its parents) as needed. A failed write raises files::FileError.
void createKey(RootKey root, std::string_view keyPath);
void writeString(RootKey root, std::string_view keyPath, std::string_view name, std::string_view text);
void writeInteger(RootKey root, std::string_view keyPath, std::string_view name, std::int64_t number);
void deleteValue(RootKey root, std::string_view keyPath, std::string_view name);
// Deletes the key with all its subkeys.
void deleteKey(RootKey root, std::string_view keyPath);

} // namespace platform::registry
