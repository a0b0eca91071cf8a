#include "dbupdate/IsqlScriptRunner.h"

#include "platform/ExternalTool.h"
#include "platform/Files.h"
#include "platform/MessageService.h"
#include "platform/Paths.h"
#include "platform/SpecialFolders.h"
#include "platform/Text.h"
#include "records/DataModule.h"
#include "records/DbErrorHandler.h"
#include "records/ProgramRecords.h"

#include <cerrno>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <stdexcept>
#include <system_error>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace dbupdate {
namespace {

namespace fs = std::filesystem;
namespace files = platform::files;

constexpr const char* kScriptName = "dwzdataup.sql";
constexpr const char* kOutputName = "dwzdataup.log";
constexpr const char* kErrorLogName = "ErrDataup";

std::string nowText()
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char buffer[32];
    std::strftime(buffer, sizeof buffer, "%Y/%m/%d %H:%M:%S", &local);
    return buffer;
}

std::string errorLogPath(const char* ext)
{
    return platform::paths::join(SystemDef.LogFolder, std::string(kErrorLogName) + ext);
}

// The output's lines as the tool wrote them (bytes kept), without their line ends.
std::vector<std::string> outputLines(const std::string& bytes)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < bytes.size()) {
        std::size_t end = bytes.find('\n', start);
        const bool last = end == std::string::npos;
        if (last)
            end = bytes.size();
        std::string line = bytes.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(std::move(line));
        start = last ? end : end + 1;
    }
    return lines;
}

// Whether the output names a failure. Double-byte characters are stepped over whole, so that
// their trail bytes never form the words.
bool reportsFailure(const std::string& bytes)
{
    std::string single;
    single.reserve(bytes.size());
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        if (((b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC)) && i + 1 < bytes.size()) {
            single += ' ';
            ++i;
        } else {
            single += char(b);
        }
    }
    return single.find("failed") != std::string::npos || single.find("Error") != std::string::npos;
}

std::string joinLines(const std::vector<std::string>& lines)
{
    std::string text;
    for (const std::string& line : lines)
        text += line + "\r\n";
    return text;
}

void removeQuietly(const std::string& path)
{
    std::error_code ec;
    fs::remove(path, ec);
}

void showError(const std::string& text)
{
    platform::messageBox(text, records::dialogCaption(1), platform::MB_OK | platform::MB_ICONERROR);
}

} // namespace

// The per-user private folder (0700, never a planted link): the script names the database.
std::string updateWorkFolder() { return platform::privateTemporaryFolder(); }

std::string updateScriptPath() { return (fs::path(updateWorkFolder()) / kScriptName).string(); }
std::string updateOutputPath() { return (fs::path(updateWorkFolder()) / kOutputName).string(); }

DbUpdateScript::DbUpdateScript(const std::string& Folder, const std::string& File)
{
    char header[512];
    std::snprintf(header, sizeof header, "/* %s,%s,%d */", nowText().c_str(),
                  SystemDef.PcName.c_str(), SystemDef.LoginId);
    add(header);
    add("");
    const std::string name = TDM::ConnectName(SystemDef.HostName, Folder, File);
    // The database name goes to the server as the data module sends it: native bytes.
    m_lines.push_back(platform::text::toCp932("CONNECT ") + quoted(name) +
                      platform::text::toCp932(" USER " + quoted(SystemDef.DbUser) + ";"));
}

std::string DbUpdateScript::quoted(const std::string& text)
{
    std::string out = "'";
    for (char c : text) {
        out += c;
        if (c == '\'')
            out += '\'';
    }
    return out + "'";
}

void DbUpdateScript::add(const std::string& line) { m_lines.push_back(platform::text::toCp932(line)); }

void DbUpdateScript::addBytes(const std::string& cp932Line) { m_lines.push_back(cp932Line); }

void DbUpdateScript::addSystemVersion(int Major, int Minor1, int Minor2)
{
    char line[160];
    std::snprintf(line, sizeof line, "INSERT INTO VERSION(MAJOR,MINOR1,MINOR2,MEMO) VALUES(%d,%d,%d,'%s');",
                  Major, Minor1, Minor2, nowText().c_str());
    add(line);
    add("COMMIT;");
}

void DbUpdateScript::addCompanyVersion(int Major, int Minor1, int Minor2)
{
    char line[160];
    std::snprintf(line, sizeof line, "UPDATE ACCVERSION SET MAJOR=%d,MINOR1=%d,MINOR2=%d,MEMO='%s'",
                  Major, Minor1, Minor2, nowText().c_str());
    add(line);
    add("WHERE REC=1;");
    add("COMMIT;");
}

std::string DbUpdateScript::bytes() const { return joinLines(m_lines); }

void DbUpdateScript::save() const
{
    const std::string path = updateScriptPath();
    removeQuietly(path);
    // Created by us alone, never through a link another user put there.
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0)
        throw std::system_error(errno, std::generic_category(), path);
    const std::string data = bytes();
    std::size_t done = 0;
    while (done < data.size()) {
        const ssize_t n = ::write(fd, data.data() + done, data.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            const int error = errno;
            ::close(fd);
            removeQuietly(path);
            throw std::system_error(error, std::generic_category(), path);
        }
        done += std::size_t(n);
    }
    if (::close(fd) != 0) {
        const int error = errno;
        removeQuietly(path);
        throw std::system_error(error, std::generic_category(), path);
    }
}

void AppendErrorLog(const std::vector<std::string>& lines)
{
    files::append(errorLogPath(".log"), joinLines(lines));
}

int ExecIsqlScript(const std::string& VersionText)
{
    int result = StepDone;
    const std::string tool = platform::tools::toolProgram("isql.exe", SystemDef.ExeFolder);
    const std::string script = updateScriptPath();
    const std::string output = updateOutputPath();

    if (!files::exists(script)) {
        showError("更新ファイル(" + script + ")が見つかりません。\r処理を中止します。");
        removeQuietly(output);
        return StepFileMissing;
    }

    // The tool appends to its output file: a file left by an earlier run must not count.
    removeQuietly(output);
    // -b: stop at the first failing statement, so that a failed step never records its version.
    const auto run = platform::tools::runTool(
        tool, {"-b", "-i", script, "-e", "-m", "-o", output},
        {{"ISC_USER", SystemDef.DbUser}, {"ISC_PASSWORD", SystemDef.DbPassword}});
    if (!run.started) {
        removeQuietly(script);
        showError("ISQL.EXEが起動できません。\r処理を中止します。");
        return StepToolMissing;
    }

    const bool hasOutput = files::exists(output);
    const std::string bytes = hasOutput ? files::readAll(output) : std::string();
    std::vector<std::string> lines = outputLines(bytes);
    bool failed = lines.size() > 2 && reportsFailure(bytes);
    if (run.exitCode == -1) {
        lines.push_back("isql: abnormal end");
        failed = true;
    } else if (!hasOutput) {
        lines.push_back("isql: no output, exit code " + std::to_string(run.exitCode));
        failed = true;
    }
    if (failed) {
        result = StepFailed;
        showError("Ver " + VersionText + "のデータベース更新に失敗しました。");
        try {
            files::writeAllAtomic(errorLogPath(".txt"), joinLines(lines));
            AppendErrorLog(lines);
        } catch (const std::exception&) {
            // The failure is reported; a log that cannot be written does not change it.
        }
    }
    removeQuietly(script);
    removeQuietly(output);
    return result;
}

} // namespace dbupdate
