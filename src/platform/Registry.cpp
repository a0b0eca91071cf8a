#include "platform/Registry.h"

#include "platform/IniFile.h"

#include <QString>

#include <algorithm>
#include <cstdlib>
#include <mutex>
#include <stdexcept>
#include <system_error>

namespace platform::registry {
namespace fs = std::filesystem;
namespace {

std::mutex g_mutex;
std::optional<fs::path> g_override;

const char* rootName(RootKey root)
{
    return root == RootKey::LocalMachine ? "HKEY_LOCAL_MACHINE" : "HKEY_CURRENT_USER";
}

std::string fullKey(RootKey root, std::string_view keyPath)
{
    while (!keyPath.empty() && keyPath.front() == '\\')
        keyPath.remove_prefix(1);
    while (!keyPath.empty() && keyPath.back() == '\\')
        keyPath.remove_suffix(1);
    std::string k = rootName(root);
    if (!keyPath.empty())
        k += "\\" + std::string(keyPath);
    return k;
}

std::string valueKey(std::string_view name)
{
    if (name.empty())
        return "@";
    if (name.find('=') != std::string_view::npos || name.front() == '[' || name.front() == ';')
        throw std::invalid_argument("レジストリの値の名前に使えない文字があります: " + std::string(name));
    return std::string(name);
}

QString folded(std::string_view s)
{
    return QString::fromUtf8(s.data(), qsizetype(s.size())).toCaseFolded();
}

// Whether section names the key itself (exact) or a key below it (descendant).
bool isAtOrBelow(const std::string& section, const std::string& key, bool& exact)
{
    const QString s = folded(section), k = folded(key);
    exact = s == k;
    return exact || (s.startsWith(k) && s.size() > k.size() && s.at(k.size()) == QLatin1Char('\\'));
}

IniFile openStore(IniFile::WriteMode mode = IniFile::WriteMode::Immediate)
{
    const fs::path p = storePath();
    return IniFile(p.string(), mode);
}

void ensureFolder()
{
    std::error_code ec;
    fs::create_directories(storePath().parent_path(), ec);
}

} // namespace

fs::path storePath()
{
    std::lock_guard lock(g_mutex);
    if (g_override)
        return *g_override;
    if (const char* env = std::getenv("ZETRINO_REGISTRY"); env && *env)
        return fs::path(env);
    fs::path base;
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg)
        base = xdg;
    else if (const char* home = std::getenv("HOME"); home && *home)
        base = fs::path(home) / ".config";
    else
        base = fs::temp_directory_path();
    return base / "zetrino" / "registry.ini";
}

void setStorePath(const fs::path& nativePath)
{
    std::lock_guard lock(g_mutex);
    g_override = nativePath;
}

void resetStorePath()
{
    std::lock_guard lock(g_mutex);
    g_override.reset();
}

bool keyExists(RootKey root, std::string_view keyPath)
{
    const std::string key = fullKey(root, keyPath);
    const IniFile store = openStore();
    for (const auto& section : store.readSections()) {
        bool exact;
        if (isAtOrBelow(section, key, exact))
            return true;
    }
    return false;
}

std::vector<std::string> subKeys(RootKey root, std::string_view keyPath)
{
    const std::string key = fullKey(root, keyPath);
    const IniFile store = openStore();
    std::vector<std::string> out;
    for (const auto& section : store.readSections()) {
        bool exact;
        if (!isAtOrBelow(section, key, exact) || exact)
            continue;
        const std::string rest = section.substr(key.size() + 1);
        const std::string child = rest.substr(0, rest.find('\\'));
        const bool known = std::any_of(out.begin(), out.end(), [&](const std::string& c) {
            return folded(c) == folded(child);
        });
        if (!child.empty() && !known)
            out.push_back(child);
    }
    std::sort(out.begin(), out.end(), [](const std::string& a, const std::string& b) {
        return folded(a) < folded(b);
    });
    return out;
}

std::vector<std::string> valueNames(RootKey root, std::string_view keyPath)
{
    std::vector<std::string> names = openStore().readSection(fullKey(root, keyPath));
    for (auto& n : names)
        if (n == "@")
            n.clear();
    return names;
}

std::optional<Value> readValue(RootKey root, std::string_view keyPath, std::string_view name)
{
    const IniFile store = openStore();
    const std::string key = fullKey(root, keyPath);
    std::string vk;
    try {
        vk = valueKey(name);
    } catch (const std::invalid_argument&) {
        return std::nullopt;
    }
    if (!store.valueExists(key, vk))
        return std::nullopt;
    // A value that is read is used (a product name, a folder): bytes that do not decode are an
    // error naming the store, the key and the value, never a silently changed text.
    const std::string raw = store.readExactString(key, vk, "");
    Value v;
    if (raw.rfind("dword:", 0) == 0) {
        v.type = Value::Type::Integer;
        try {
            v.number = std::stoll(raw.substr(6));
        } catch (const std::exception&) {
            return std::nullopt;
        }
        v.text = std::to_string(v.number);
        return v;
    }
    v.type = Value::Type::String;
    v.text = raw.rfind("sz:", 0) == 0 ? raw.substr(3) : raw;
    return v;
}

void createKey(RootKey root, std::string_view keyPath)
{
    ensureFolder();
    IniFile store = openStore();
    store.addSection(fullKey(root, keyPath));
}

void writeString(RootKey root, std::string_view keyPath, std::string_view name, std::string_view text)
{
    ensureFolder();
    IniFile store = openStore();
    store.writeString(fullKey(root, keyPath), valueKey(name), "\"sz:" + std::string(text) + "\"");
}

void writeInteger(RootKey root, std::string_view keyPath, std::string_view name, std::int64_t number)
{
    ensureFolder();
    IniFile store = openStore();
    store.writeString(fullKey(root, keyPath), valueKey(name), "dword:" + std::to_string(number));
}

void deleteValue(RootKey root, std::string_view keyPath, std::string_view name)
{
    IniFile store = openStore();
    store.deleteKey(fullKey(root, keyPath), valueKey(name));
}

void deleteKey(RootKey root, std::string_view keyPath)
{
    const std::string key = fullKey(root, keyPath);
    IniFile store = openStore(IniFile::WriteMode::Deferred);
    for (const auto& section : store.readSections()) {
        bool exact;
        if (isAtOrBelow(section, key, exact))
            store.eraseSection(section);
    }
    store.updateFile();
}

} // namespace platform::registry
