// The settings file of the data root: default file, one mode's section, the last-used mode.
#include "ui/SettingsFile.h"

#include "platform/IniFile.h"
#include "platform/Paths.h"
#include "platform/SharedDrives.h"
#include "records/ProgramRecords.h"

#include <QString>

#include <filesystem>

#include <fcntl.h>
#include <unistd.h>

namespace ui {

namespace {

constexpr const char* kApplication = "APPLICATION";
constexpr const char* kBoolTexts[2] = {"NO", "YES"};

std::string upper(const std::string& s)
{
    return QString::fromUtf8(s.data(), qsizetype(s.size())).toUpper().toStdString();
}

std::string lower(const std::string& s)
{
    return QString::fromUtf8(s.data(), qsizetype(s.size())).toLower().toStdString();
}

void writeSection(platform::IniFile& ini, const char* section)
{
    ini.writeString(section, "HOSTNAME", SystemDef.HostName);
    ini.writeString(section, "GOGLOBAL", kBoolTexts[SystemDef.GoGlobal ? 1 : 0]);
    ini.writeString(section, "GROUP", kBoolTexts[SystemDef.UseGroup ? 1 : 0]);
    ini.writeString(section, "SYSDIR", SystemDef.SysDir);
    ini.writeString(section, "USER", SystemDef.DbUser);
    ini.writeString(section, "PASSWORD", SystemDef.DbPassword);
}

// The settings hold the database password: the file is readable by its owner and group only.
// Set before the write, so that the replacement (which takes the old file's mode) never exists
// readable by others.
void keepPrivate(const std::string& file)
{
    const std::filesystem::path native = platform::paths::toNative(file);
    std::error_code ec;
    if (!std::filesystem::exists(native, ec)) {
        const int fd = ::open(native.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0640);
        if (fd >= 0)
            ::close(fd);
    }
    std::filesystem::permissions(native, std::filesystem::perms::others_all,
                                 std::filesystem::perm_options::remove, ec);
}

} // namespace

const char* AppIniCreateSettings::sectionOf(int mode)
{
    switch (mode) {
    case 1: return "SERVER";
    case 2: return "SBC";
    default: return "LOCAL";
    }
}

bool AppIniCreateSettings::WriteIniSettings(int Reset)
{
    // Written in one piece, so a failed write leaves the old file whole.
    keepPrivate(SystemDef.IniFileName);
    platform::IniFile ini(SystemDef.IniFileName, platform::IniFile::WriteMode::Deferred);
    if (Reset == 1) {
        if (ConnectMode == 0)
            SystemDef.HostName.clear();
        ini.eraseSection("DATABASE");
        ini.eraseSection("MAINFORM");
        ini.writeString(kApplication, "TOP", "0");
        ini.writeString(kApplication, "LEFT", "0");
        ini.writeString(kApplication, "WIDTH", "1024");
        ini.writeString(kApplication, "HEIGHT", "738");
        ini.writeString(kApplication, "CONNECT", "0");
        writeSection(ini, "LOCAL");
        ini.writeString("SERVER", "HOSTNAME", "");
        ini.writeString("SERVER", "GOGLOBAL", kBoolTexts[0]);
        ini.writeString("SERVER", "GROUP", kBoolTexts[0]);
        ini.writeString("SERVER", "SYSDIR", "");
        ini.writeString("SERVER", "USER", SystemDef.DbUser);
        ini.writeString("SERVER", "PASSWORD", SystemDef.DbPassword);
    } else if (ConnectMode <= 2) {
        writeSection(ini, sectionOf(ConnectMode));
    }
    ini.updateFile();
    return true;
}

int AppIniCreateSettings::ReadIniSection(int Kind)
{
    const platform::IniFile ini(SystemDef.IniFileName);
    const char* section = sectionOf(Kind);
    SystemDef.HostName = ini.readString(section, "HOSTNAME", "");
    SystemDef.GoGlobal = ini.readString(section, "GOGLOBAL", kBoolTexts[0]) == kBoolTexts[1];
    SystemDef.SysDir = upper(ini.readString(section, "SYSDIR", ""));
    SystemDef.DbUser = upper(ini.readString(section, "USER", kDefaultDbUser));
    SystemDef.DbPassword = lower(ini.readString(section, "PASSWORD", kDefaultDbPassword));
    SystemDef.UseGroup = false;
    // Network drive letters live beside the settings file; the catalogue needs them mapped.
    // A list that would remap the data root's drive is refused there, with the other bad entries.
    if (!SystemDef.IniFileName.empty()) {
        std::string keep;
        if (SystemDef.SysDir.size() >= 2 && SystemDef.SysDir[1] == ':')
            keep += SystemDef.SysDir[0];
        platform::drives::loadDriveFile(platform::paths::extractFileDir(SystemDef.IniFileName), keep);
    }
    return 1;
}

int AppIniCreateSettings::ReadIniSettings(int Kind)
{
    int result = 0;
    const auto fixed = [](std::string sysDir) {
        SystemDef.HostName.clear();
        SystemDef.GoGlobal = false;
        SystemDef.SysDir = std::move(sysDir);
        SystemDef.DbUser = kDefaultDbUser;
        SystemDef.DbPassword = kDefaultDbPassword;
        SystemDef.UseGroup = false;
    };
    switch (RunMode) {
    case 0:
    case 2:
        result = ReadIniSection(Kind);
        break;
    case 1:
        fixed(SystemDef.ViewerFolder + "\\data");
        result = 1;
        break;
    case 3: {
        std::string dir = CashBookDir;
        for (char& c : dir)
            if (c == '/')
                c = '\\';
        fixed(SystemDef.DataRoot + "\\" + dir);
        result = 1;
        break;
    }
    default:
        return 0;
    }
    SystemDef.SysDir = upper(SystemDef.SysDir);
    return result;
}

void AppIniCreateSettings::WriteConnect(int Mode)
{
    if (Mode < 0 || Mode > 2 || RunMode != 0)
        return;
    platform::IniFile ini(SystemDef.IniFileName);
    ini.writeString(kApplication, "CONNECT", std::to_string(Mode));
}

int AppIniCreateSettings::ReadConnect()
{
    if (RunMode != 0)
        return 0;
    const platform::IniFile ini(SystemDef.IniFileName);
    const std::string text = ini.readString(kApplication, "CONNECT", "0");
    bool ok = false;
    const int mode = QString::fromStdString(text).toInt(&ok);
    return ok ? mode : 0;
}

} // namespace ui
