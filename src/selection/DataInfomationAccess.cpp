#include "selection/DataInfomationAccess.h"

#include "platform/Files.h"
#include "platform/IniFile.h"
#include "platform/Paths.h"
#include "records/uAccRecord.h"

#include <cerrno>
#include <cstdio>
#include <exception>
#include <functional>
#include <utility>
#include <vector>

namespace selection {

namespace files = platform::files;
namespace paths = platform::paths;

namespace {

constexpr const char* kStagedSuffix = ".~cp";
constexpr const char* kAsideSuffix = ".~bk";

std::string infoFile(const std::string& folder)
{
    return paths::join(folder, DataIniFile);
}

void ignoreErrors(const std::function<void()>& action) noexcept
{
    try {
        action();
    } catch (const std::exception&) {
    }
}

// Copies one file through the file layer, flushed to the disk.
void copyWhole(const std::string& from, const std::string& to)
{
    files::File in(from, files::File::Mode::Read);
    files::File out(to, files::File::Mode::Create);
    std::vector<char> buffer(1 << 16);
    std::size_t n = 0;
    while ((n = in.read(buffer.data(), buffer.size())) > 0)
        out.write(buffer.data(), n);
    out.sync();
    out.close();
}

// Replaces the files of `to` by the files of `from` (sub-folders are not copied), all or
// nothing: every file is first copied under a staged name and checked for its size; only then
// are the old files moved aside and the new ones renamed into place. A failure at any point
// removes what was staged and puts the old files back. `adjust` may change a staged copy (by
// its final name); `beforePlace` runs once everything is staged, before anything is replaced.
void replaceFiles(const std::string& from, const std::string& to,
                  const std::function<void(const std::string& name, const std::string& staged)>& adjust,
                  const std::function<void()>& beforePlace = {})
{
    files::createDirectories(to);
    std::vector<std::pair<std::string, std::string>> staged; // staged name, final name
    try {
        for (const files::Entry& entry : files::list(from)) {
            if (entry.isDirectory)
                continue;
            const std::string source = paths::join(from, entry.name);
            const std::string target = paths::join(to, entry.name);
            const std::string temp = target + kStagedSuffix;
            staged.emplace_back(temp, target);
            copyWhole(source, temp);
            if (files::fileSize(temp) != files::fileSize(source))
                throw files::FileError("copy", temp, EIO);
            if (adjust)
                adjust(entry.name, temp);
        }
        if (beforePlace)
            beforePlace();
    } catch (...) {
        for (const auto& s : staged)
            ignoreErrors([&] {
                if (files::fileExists(s.first))
                    files::removeFile(s.first);
            });
        throw;
    }

    std::vector<std::pair<std::string, std::string>> aside; // final name, its old file
    std::vector<std::string> placed;
    try {
        for (const auto& s : staged) {
            if (files::fileExists(s.second)) {
                const std::string old = s.second + kAsideSuffix;
                files::rename(s.second, old);
                aside.emplace_back(s.second, old);
            }
            files::rename(s.first, s.second);
            placed.push_back(s.second);
        }
    } catch (...) {
        for (const std::string& p : placed)
            ignoreErrors([&] { files::removeFile(p); });
        for (auto it = aside.rbegin(); it != aside.rend(); ++it)
            ignoreErrors([&] { files::rename(it->second, it->first); });
        for (const auto& s : staged)
            ignoreErrors([&] {
                if (files::fileExists(s.first))
                    files::removeFile(s.first);
            });
        throw;
    }
    for (const auto& a : aside)
        ignoreErrors([&] { files::removeFile(a.second); });
}

void writeShareState(platform::IniFile& ini, int shareStatus)
{
    ini.writeInteger("DATASTS", "SHARE_STATUS", shareStatus);
    if (shareStatus == 1) {
        ini.deleteKey("DATASTS", "SHARE_OPCODE");
        ini.deleteKey("DATASTS", "SHARE_OPERATOR");
    } else {
        ini.writeInteger("DATASTS", "SHARE_OPCODE", SystemDef.LoginId);
        ini.writeString("DATASTS", "SHARE_OPERATOR", SystemDef.OperatorName);
    }
}

bool sameName(const std::string& a, const std::string& b)
{
    return paths::samePath(a, b);
}

} // namespace

bool LocalDataInfomation::ReadIniFileCurHost(const std::string& Folder, DataInfoRec& Rec)
{
    Rec = DataInfoRec{};
    try {
        const std::string path = infoFile(Folder);
        if (!files::fileExists(path))
            return false;
        platform::IniFile ini(path, platform::IniFile::WriteMode::Deferred);
        Rec.STATUS = ini.readInteger("DATASTS", "STATUS", 1);
        Rec.OPCODE = ini.readInteger("DATASTS", "OPCODE", 0);
        Rec.OPERATOR = ini.readString("DATASTS", "OPERATOR", "");
        Rec.SHARE_STATUS = ini.readInteger("DATASTS", "SHARE_STATUS", 1);
        Rec.SHARE_OPCODE = ini.readInteger("DATASTS", "SHARE_OPCODE", 0);
        Rec.SHARE_OPERATOR = ini.readString("DATASTS", "SHARE_OPERATOR", "");
        Rec.UPDATE_LOCK = ini.readInteger("DATASTS", "UPDATE_LOCK", 0);
        Rec.SHOUGOU = ini.readString("DATAINFO", "SHOUGOU", "");
        Rec.DATALISTNAME = ini.readString("DATAINFO", "DATALISTNAME", "");
        if (Rec.DATALISTNAME.empty())
            Rec.DATALISTNAME = Rec.SHOUGOU;
        Rec.CODE = ini.readString("DATAINFO", "CODE", "");
        Rec.DATAKBN = ini.readInteger("DATAINFO", "DATAKBN", 0);
        Rec.CODEKBN = ini.readInteger("DATAINFO", "CODEKBN", 0);
        Rec.KANA = ini.readString("DATAINFO", "KANA", "");
        Rec.NENDO = ini.readInteger("DATAINFO", "NENDO", 0);
        Rec.KISHU = ini.readString("DATAINFO", "KISHU", "");
        Rec.KIMATU = ini.readString("DATAINFO", "KIMATU", "");
        Rec.TANTO = ini.readInteger("DATAINFO", "TANTO", 0);
        const std::string version = ini.readString("DATAINFO", "VERSION1", "");
        int major = 0, minor1 = 0, minor2 = 0;
        if (std::sscanf(version.c_str(), "%d.%d.%d", &major, &minor1, &minor2) == 3) {
            Rec.VER_MAJOR = major;
            Rec.VER_MINOR1 = minor1;
            Rec.VER_MINOR2 = minor2;
        }
        Rec.VERSION2 = ini.readString("DATAINFO", "VERSION2", "");
        Rec.GASSANKBN = ini.readInteger("DATAINFO", "GASSANKBN", 0);
        return true;
    } catch (const std::exception&) {
        Rec = DataInfoRec{};
        return false;
    }
}

void LocalDataInfomation::SetShareStatus(const std::string& Folder, int ShareStatus)
{
    // One whole-file write for the three keys.
    platform::IniFile ini(infoFile(Folder), platform::IniFile::WriteMode::Deferred);
    writeShareState(ini, ShareStatus);
    ini.updateFile();
}

int LocalDataInfomation::CopyFromShareServer(const std::string& Area, const std::string& LocalFolder,
                                             int Mode)
{
    DataInfoRec info;
    if (!ReadIniFileCurHost(Area, info)) {
        if (Mode == 1)
            return 0;
        throw files::FileError("read", infoFile(Area), ENOENT);
    }
    if (info.STATUS == 10)
        return -1;
    const bool heldByOther = info.SHARE_STATUS == 2 && info.SHARE_OPCODE != SystemDef.LoginId;
    bool otherNow = heldByOther;
    bool tookOut = false;
    try {
        replaceFiles(Area, LocalFolder, {}, [&] {
            // Everything arrived: take the area out unless someone else got there meanwhile.
            if (otherNow)
                return;
            DataInfoRec now;
            if (ReadIniFileCurHost(Area, now) && now.SHARE_STATUS == 2 && now.SHARE_OPCODE != SystemDef.LoginId) {
                otherNow = true;
                return;
            }
            if (!(now.SHARE_STATUS == 2 && now.SHARE_OPCODE == SystemDef.LoginId)) {
                SetShareStatus(Area, 2);
                tookOut = true;
            }
        });
    } catch (...) {
        if (tookOut)
            ignoreErrors([&] { SetShareStatus(Area, 1); });
        if (Mode == 1)
            return 0;
        throw;
    }
    return otherNow ? -1 : 1;
}

int LocalDataInfomation::CopyToShareServer(const std::string& Area, const std::string& LocalFolder,
                                           int Mode)
{
    DataInfoRec info;
    if (ReadIniFileCurHost(Area, info)) {
        if (info.STATUS == 10)
            return -1;
        if (info.SHARE_STATUS == 2 && info.SHARE_OPCODE != SystemDef.LoginId)
            return -1;
    }
    try {
        bool infoCopied = false;
        replaceFiles(LocalFolder, Area, [&](const std::string& name, const std::string& staged) {
            if (!sameName(name, DataIniFile))
                return;
            // The area's copy of the information says the data set is back.
            platform::IniFile ini(staged, platform::IniFile::WriteMode::Deferred);
            writeShareState(ini, 1);
            ini.updateFile();
            infoCopied = true;
        });
        if (!infoCopied)
            SetShareStatus(Area, 1);
    } catch (...) {
        if (Mode == 1)
            return 0;
        throw;
    }
    return 1;
}

} // namespace selection
