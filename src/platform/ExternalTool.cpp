#include "platform/ExternalTool.h"

#include "platform/Paths.h"
#include "platform/Text.h"

#include <QCoreApplication>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

#include <filesystem>
#include <system_error>

namespace platform::tools {
namespace {

QString qs(std::string_view s) { return QString::fromUtf8(s.data(), qsizetype(s.size())); }

using platform::text::lowerAscii;

} // namespace

std::string toolProgram(std::string_view windowsName, const std::string& exeFolder)
{
    std::string name = lowerAscii(windowsName);
    if (name.size() > 4 && name.ends_with(".exe"))
        name.resize(name.size() - 4);
    if (name == "isql")
        name = "isql-fb";
    if (!exeFolder.empty()) {
        std::error_code ec;
        try {
            const std::filesystem::path local = paths::toNative(exeFolder) / name;
            if (std::filesystem::is_regular_file(local, ec))
                return local.string();
        } catch (const std::invalid_argument&) {
            // an unmapped drive: fall back to the system's tool
        }
    }
    return name;
}

ToolResult runTool(const std::string& program, const std::vector<std::string>& arguments,
                   const std::vector<std::pair<std::string, std::string>>& environment)
{
    QStringList args;
    for (const std::string& a : arguments)
        args << qs(a);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const auto& [name, value] : environment)
        env.insert(qs(name), qs(value));

    QProcess process;
    process.setProcessEnvironment(env);
    // No window and no console: the tools write what matters to their log file.
    process.setStandardInputFile(QProcess::nullDevice());
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    process.start(qs(program), args);
    ToolResult result;
    if (!process.waitForStarted(-1))
        return result;
    result.started = true;
    while (!process.waitForFinished(100))
        if (process.state() == QProcess::NotRunning)
            break;
        else
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    if (process.exitStatus() == QProcess::NormalExit)
        result.exitCode = process.exitCode();
    return result;
}

} // namespace platform::tools
