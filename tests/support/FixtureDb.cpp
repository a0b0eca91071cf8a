#include "support/FixtureDb.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

#include <fstream>
#include <map>
#include <mutex>
#include <sstream>
#include <stdexcept>
#include <vector>
#include <algorithm>
#include <cctype>

#include <stdlib.h>

namespace testsupport {
namespace {

const std::filesystem::path kSourceDir = ZETRINO_SOURCE_DIR;
const std::filesystem::path kCacheDir = ZETRINO_FIXTURE_CACHE;

// The build folder whose UDR module the tools install: this build's, unless the environment
// names another one the way it does for the tools.
QString buildDir()
{
    const QString named = qEnvironmentVariable("ZETRINO_BUILD_DIR");
    return named.isEmpty() ? QStringLiteral(ZETRINO_BUILD_DIR) : named;
}

std::string fileBytes(const std::filesystem::path& p)
{
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// FNV-1a over the builder and every SQL file of the fixture, in name order.
std::string contentHash(const std::string& name)
{
    auto sqlOf = [](const std::filesystem::path& folder) {
        std::vector<std::filesystem::path> found;
        for (const auto& e : std::filesystem::directory_iterator(folder)) {
            if (e.path().extension() == ".sql")
                found.push_back(e.path());
        }
        std::sort(found.begin(), found.end());
        return found;
    };
    const auto folder = kSourceDir / "tests/fixtures" / name;
    std::vector<std::filesystem::path> files;
    // A BASE file names the fixture whose scripts run first.
    if (std::filesystem::exists(folder / "BASE")) {
        std::string base = fileBytes(folder / "BASE");
        base.erase(std::remove_if(base.begin(), base.end(), [](unsigned char c) { return std::isspace(c); }),
                   base.end());
        files = sqlOf(kSourceDir / "tests/fixtures" / base);
    }
    const auto own = sqlOf(folder);
    if (own.empty())
        throw std::runtime_error("no fixture SQL for " + name);
    files.insert(files.end(), own.begin(), own.end());
    files.insert(files.begin(), kSourceDir / "tools/fixtures.sh");
    std::uint64_t h = 1469598103934665603ull;
    for (const auto& f : files) {
        const std::string bytes = f.filename().string() + '\0' + fileBytes(f);
        for (unsigned char c : bytes) {
            h ^= c;
            h *= 1099511628211ull;
        }
    }
    char buffer[17];
    std::snprintf(buffer, sizeof buffer, "%016llx", static_cast<unsigned long long>(h));
    return buffer;
}

std::string run(const QString& program, const QStringList& args, int& exitCode)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("ZETRINO_BUILD_DIR"), buildDir());
    p.setProcessEnvironment(env);
    p.start(program, args);
    if (!p.waitForStarted(-1)) {
        exitCode = -1;
        return "cannot start " + program.toStdString();
    }
    p.waitForFinished(-1);
    exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    return p.readAll().toStdString();
}

} // namespace

std::filesystem::path FixtureDb::path(const std::string& name)
{
    static std::mutex mutex;
    static std::map<std::string, std::filesystem::path> built;
    std::lock_guard lock(mutex);
    if (const auto it = built.find(name); it != built.end())
        return it->second;
    const std::filesystem::path target = kCacheDir / (name + "-" + contentHash(name) + ".fdb");
    if (!std::filesystem::exists(target)) {
        // Parallel test processes may build the same file; the script renames atomically.
        int code = 0;
        const std::string out =
            run(QString::fromStdString((kSourceDir / "tools/fixtures.sh").string()),
                {QString::fromStdString(name), QString::fromStdString(target.string())}, code);
        if (code != 0 || !std::filesystem::exists(target))
            throw std::runtime_error("fixture " + name + " failed to build: " + out);
    }
    built[name] = target;
    return target;
}

std::filesystem::path FixtureDb::copyTo(const std::string& name,
                                        const std::filesystem::path& target)
{
    const std::filesystem::path source = path(name);
    std::filesystem::create_directories(target.parent_path());
    std::filesystem::copy_file(source, target, std::filesystem::copy_options::overwrite_existing);
    return target;
}

firebird::ConnectParams morabyParams(const std::string& database)
{
    firebird::ConnectParams p;
    p.database = database;
    p.user = "MORABY";
    p.password = "qolvex";
    return p;
}

void ensureServer()
{
    static std::once_flag once;
    static std::string failure;
    std::call_once(once, [] {
        int code = 0;
        const std::string out =
            run(QString::fromStdString((kSourceDir / "tools/services.sh").string()),
                {QStringLiteral("start")}, code);
        if (code != 0)
            failure = "tools/services.sh start failed: " + out;
    });
    if (!failure.empty())
        throw std::runtime_error(failure);
}

ServerWorkFolder::ServerWorkFolder()
{
    // Unique while the test runs: the name of a fresh folder of the system temporary folder.
    std::string unique = (std::filesystem::temp_directory_path() / "zetrino-test-XXXXXX").string();
    if (!::mkdtemp(unique.data()))
        throw std::runtime_error("mkdtemp failed");
    const std::filesystem::path taken(unique);
    m_native = std::filesystem::path("/morabyzaimu/temp") / taken.filename();
    std::error_code ec;
    std::filesystem::remove(taken, ec);
    std::filesystem::remove_all(m_native, ec);
}

ServerWorkFolder::~ServerWorkFolder()
{
    std::error_code ec;
    std::filesystem::remove_all(m_native, ec);
}

std::string ServerWorkFolder::windowsPath() const
{
    std::string s = "C:" + m_native.string();
    std::replace(s.begin(), s.end(), '/', '\\');
    return s;
}

} // namespace testsupport
