#pragma once

#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// A value that is needed but cannot be decoded; the text names the file, section and key.
class IniValueError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A Windows profile (INI) file: code page 932 on disk, CR LF lines, section and key names without
// regard to case (ASCII letters; double-byte characters compare exactly), no escaping of any kind
// (backslashes, commas, "=" after the first stay as they are). Values read are trimmed of blanks and
// lose one pair of enclosing quotes, as the Windows profile reader does.
//
// Immediate mode works like the Windows profile functions: every call reads the file as it is now,
// and every change writes it whole (temporary file + rename) before it returns, so several objects
// and programs may share one file. Deferred mode reads the file once (and on reload()) and keeps
// changes in memory until updateFile(), for a batch of changes written in one piece. A failed write
// raises platform::files::FileError and leaves the file as it was (and the object as it was
// before the call). Text without a CP932 form raises platform::text::EncodingError; a line break
// or NUL in a name or value raises std::invalid_argument.
//
// Bytes that are not CP932 never stop a read (as with the Windows profile reader): every
// character that cannot be decoded reads as U+FFFD, and writing such a value back unchanged keeps
// the bytes on disk. readExactString() is for values that are used as they stand (paths, names).
class IniFile {
public:
    enum class WriteMode { Immediate, Deferred };

    // path: Windows form, resolved through platform/Paths.h. A missing file reads as empty.
    explicit IniFile(std::string path, WriteMode mode = WriteMode::Immediate);

    const std::string& fileName() const { return m_path; }

    std::string readString(std::string_view section, std::string_view key,
                           std::string_view defaultValue) const;
    // As readString(), but a value with bytes that do not decode raises IniValueError.
    std::string readExactString(std::string_view section, std::string_view key,
                                std::string_view defaultValue) const;
    // Decimal or hex ("0x1F", "$1F"); the default when missing or not a 32-bit number.
    int readInteger(std::string_view section, std::string_view key, int defaultValue) const;
    // readInteger() != 0.
    bool readBool(std::string_view section, std::string_view key, bool defaultValue) const;

    void writeString(std::string_view section, std::string_view key, std::string_view value);
    void writeInteger(std::string_view section, std::string_view key, int value);
    // "1" or "0".
    void writeBool(std::string_view section, std::string_view key, bool value);

    // Adds an empty section when there is none of that name.
    void addSection(std::string_view section);
    void deleteKey(std::string_view section, std::string_view key);
    void eraseSection(std::string_view section);

    bool sectionExists(std::string_view section) const;
    bool valueExists(std::string_view section, std::string_view key) const;
    // Section names in file order.
    std::vector<std::string> readSections() const;
    // Key names of a section in file order.
    std::vector<std::string> readSection(std::string_view section) const;
    // "name=value" for every key of the section, values as readString() gives them.
    std::vector<std::string> readSectionValues(std::string_view section) const;

    // Writes pending changes (Deferred mode); nothing when there are none.
    void updateFile();
    // Reads the file again, dropping pending changes (Deferred mode).
    void reload();

private:
    void load() const;
    void refresh() const;
    void change(const std::vector<std::string>& before);
    void save();

    std::string m_path;
    WriteMode m_mode;
    mutable std::vector<std::string> m_lines; // CP932 bytes, without line ends
    bool m_dirty = false;
};

} // namespace platform
