// Network drives in standalone use: the "drives.ini" drive list and the probe of remote roots.
#include "platform/SharedDrives.h"

#include "platform/IniFile.h"
#include "platform/MessageService.h"
#include "platform/Paths.h"

#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

namespace platform::drives {

namespace {

std::string fileOf(std::string_view iniFolder)
{
    return paths::join(iniFolder, kDriveFileName);
}

char upper(char c) { return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c; }

// The answer of one probe, shared with its thread so that a thread left behind stays valid.
struct Probe {
    std::mutex mutex;
    std::condition_variable done;
    bool finished = false;
    bool exists = false;
};

} // namespace

std::vector<DriveEntry> readDriveFile(std::string_view iniFolder, std::vector<std::string>* refused,
                                      std::string_view protectedLetters)
{
    std::vector<DriveEntry> out;
    const std::string file = fileOf(iniFolder);
    const IniFile ini(file, IniFile::WriteMode::Deferred);
    const auto refuse = [&](const std::string& why) {
        if (refused)
            refused->push_back(why);
    };
    for (const auto& section : ini.readSections()) {
        if (section.size() != 1 || upper(section[0]) < 'A' || upper(section[0]) > 'Z')
            continue;
        DriveEntry e;
        e.letter = upper(section[0]);
        try {
            e.folder = ini.readExactString(section, "Folder", "");
            if (e.folder.empty())
                continue;
            e.remote = ini.readBool(section, "Remote", false);
            e.unc = ini.readExactString(section, "UNC", "");
        } catch (const IniValueError& ex) {
            refuse(ex.what());
            continue;
        }
        const std::string where = "「" + file + "」の[" + section + "] Folder";
        if (!e.folder.is_absolute()) {
            refuse(where + " のフォルダ「" + e.folder.string() + "」は絶対パスではありません。");
            continue;
        }
        bool isProtected = false;
        for (const char c : protectedLetters)
            isProtected = isProtected || upper(c) == e.letter;
        if (isProtected) {
            refuse(where + " はデータのドライブ " + std::string(1, e.letter) + ": を置き換えるため使用できません。");
            continue;
        }
        out.push_back(std::move(e));
    }
    return out;
}

void loadDriveFile(std::string_view iniFolder, std::string_view protectedLetters)
{
    std::vector<std::string> refused;
    std::string letters(protectedLetters);
    if (iniFolder.size() >= 2 && iniFolder[1] == ':')
        letters += iniFolder[0];
    for (const auto& e : readDriveFile(iniFolder, &refused, letters))
        paths::mapDrive(e.letter, e.folder, e.remote, e.unc);
    if (refused.empty())
        return;
    std::string text = "ドライブの設定に使用できない項目があるため、読み飛ばしました。";
    for (const auto& r : refused)
        text += "\r" + r;
    messageBox(text, "", MB_OK | MB_ICONWARNING);
}

void storeDriveEntry(std::string_view iniFolder, const DriveEntry& entry)
{
    const char letter = upper(entry.letter);
    IniFile ini(fileOf(iniFolder), IniFile::WriteMode::Deferred);
    const std::string section(1, letter);
    ini.eraseSection(section);
    ini.writeString(section, "Folder", entry.folder.string());
    ini.writeBool(section, "Remote", entry.remote);
    if (!entry.unc.empty())
        ini.writeString(section, "UNC", entry.unc);
    ini.updateFile();
    paths::mapDrive(letter, entry.folder, entry.remote, entry.unc);
}

std::vector<char> freeLetters()
{
    std::vector<char> out;
    for (char c = 'D'; c <= 'Z'; ++c) {
        paths::Drive d;
        if (!paths::driveOf(c, d))
            out.push_back(c);
    }
    return out;
}

std::vector<char> usableRemoteLetters(std::chrono::milliseconds timeout)
{
    std::vector<std::pair<char, std::shared_ptr<Probe>>> probes;
    for (char c = 'A'; c <= 'Z'; ++c) {
        paths::Drive d;
        if (!paths::driveOf(c, d) || !d.remote)
            continue;
        auto probe = std::make_shared<Probe>();
        std::thread([probe, root = d.nativeRoot] {
            std::error_code ec;
            const bool exists = std::filesystem::is_directory(root, ec);
            const std::lock_guard<std::mutex> lock(probe->mutex);
            probe->exists = exists;
            probe->finished = true;
            probe->done.notify_all();
        }).detach();
        probes.emplace_back(c, std::move(probe));
    }
    // The probes run side by side, so the whole scan waits at most one timeout.
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    std::vector<char> out;
    for (auto& [letter, probe] : probes) {
        std::unique_lock<std::mutex> lock(probe->mutex);
        probe->done.wait_until(lock, deadline, [&] { return probe->finished; });
        if (probe->finished && probe->exists)
            out.push_back(letter);
    }
    return out;
}

} // namespace platform::drives
