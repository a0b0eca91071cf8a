// Device-mode fields on a CUPS queue: a scheduler of the test's own on a loopback port, with its
// own configuration folder and a stopped queue, so that the job waits there and its attributes
// can be read back.
#include "platform/CupsJobOptions.h"
#include "platform/Printers.h"

#include "support/TempDir.h"

#include <QPainter>
#include <QPrinter>
#include <QProcess>
#include <QTest>

#include <cups/cups.h>

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <string>

namespace {

constexpr const char* kQueue = "ZETRINO_TEST";

// A loopback port that was free a moment ago (0 when none).
quint16 freeLoopbackPort()
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0)
        return 0;
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    quint16 port = 0;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 &&
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len) == 0)
        port = ntohs(addr.sin_port);
    ::close(fd);
    return port;
}

// cupsd in the foreground on 127.0.0.1:<free port>; stopped when the object goes.
class Scheduler {
public:
    // Empty on success, else the reason.
    std::string start()
    {
        m_port = freeLoopbackPort();
        if (m_port == 0)
            return "no free loopback port";
        const std::string root = m_dir.str();
        for (const char* sub : {"spool", "cache", "state", "log"})
            std::filesystem::create_directories(m_dir / sub);
        std::ofstream(m_dir / "cupsd.conf")
            << "Listen 127.0.0.1:" << m_port << "\n"
            << "LogLevel warn\nBrowsing No\nWebInterface No\nDefaultAuthType None\n"
               "<Location />\n  Order allow,deny\n  Allow 127.0.0.1\n</Location>\n"
               "<Location /admin>\n  Order allow,deny\n  Allow 127.0.0.1\n</Location>\n"
               "<Policy default>\n  <Limit All>\n    Order deny,allow\n  </Limit>\n</Policy>\n";
        std::ofstream(m_dir / "cups-files.conf")
            << "ServerRoot " << root << "\nRequestRoot " << root << "/spool\nCacheDir " << root
            << "/cache\nStateDir " << root << "/state\nTempDir " << root
            << "/spool\nErrorLog " << root << "/log/error_log\nAccessLog " << root
            << "/log/access_log\nPageLog " << root << "/log/page_log\nPrintcap " << root
            << "/printcap\nFileDevice Yes\n";
        m_cupsd.setProcessChannelMode(QProcess::MergedChannels);
        m_cupsd.start(QStringLiteral("/usr/sbin/cupsd"),
                      {QStringLiteral("-f"), QStringLiteral("-c"), q(root + "/cupsd.conf"),
                       QStringLiteral("-s"), q(root + "/cups-files.conf")});
        if (!m_cupsd.waitForStarted(10000))
            return "cupsd cannot start (package cups-daemon): " + m_cupsd.errorString().toStdString();
        const bool up = QTest::qWaitFor([&] {
            if (m_cupsd.state() != QProcess::Running)
                return true;
            QProcess lpstat;
            lpstat.start(QStringLiteral("lpstat"), {QStringLiteral("-h"), q(server()), QStringLiteral("-r")});
            return lpstat.waitForFinished(5000) && lpstat.exitCode() == 0;
        }, 20000);
        if (!up || m_cupsd.state() != QProcess::Running)
            return "cupsd did not answer: " + m_cupsd.readAll().toStdString() + errorLog();
        // A queue that accepts jobs but is not enabled: jobs stay pending, nothing is printed.
        std::string out;
        if (!run("lpadmin", {"-h", server(), "-p", kQueue, "-v", "file:///dev/null", "-m", "raw"}, out) ||
            !run("cupsaccept", {"-h", server(), kQueue}, out))
            return "cannot set up the queue: " + out;
        return {};
    }
    ~Scheduler()
    {
        if (m_cupsd.state() == QProcess::Running) {
            m_cupsd.terminate();
            if (!m_cupsd.waitForFinished(10000))
                m_cupsd.kill();
        }
    }
    std::string server() const { return "127.0.0.1:" + std::to_string(m_port); }
    std::string errorLog() const
    {
        std::ifstream in(m_dir / "log/error_log");
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

private:
    static QString q(const std::string& s) { return QString::fromStdString(s); }
    static bool run(const char* tool, const std::vector<std::string>& args, std::string& out)
    {
        QProcess p;
        QStringList list;
        for (const std::string& a : args)
            list << q(a);
        p.setProcessChannelMode(QProcess::MergedChannels);
        p.start(QString::fromLatin1(tool), list);
        const bool ok = p.waitForFinished(20000) && p.exitStatus() == QProcess::NormalExit &&
                        p.exitCode() == 0;
        out += std::string(tool) + ": " + p.readAll().toStdString() + p.errorString().toStdString();
        return ok;
    }

    testsupport::TempDir m_dir;
    QProcess m_cupsd;
    quint16 m_port = 0;
};

// The text form of each attribute of the queue's last job.
std::map<std::string, std::string> lastJobAttributes()
{
    std::map<std::string, std::string> out;
    cups_job_t* jobs = nullptr;
    const int count = cupsGetJobs2(CUPS_HTTP_DEFAULT, &jobs, kQueue, 0, CUPS_WHICHJOBS_ALL);
    if (count <= 0)
        return out;
    int id = 0;
    for (int i = 0; i < count; ++i)
        id = std::max(id, jobs[i].id);
    cupsFreeJobs(count, jobs);
    ipp_t* request = ippNewRequest(IPP_OP_GET_JOB_ATTRIBUTES);
    const std::string uri = "ipp://localhost/jobs/" + std::to_string(id);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "job-uri", nullptr, uri.c_str());
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", nullptr, "all");
    ipp_t* response = cupsDoRequest(CUPS_HTTP_DEFAULT, request, "/");
    if (!response)
        return out;
    for (ipp_attribute_t* a = ippFirstAttribute(response); a; a = ippNextAttribute(response)) {
        if (!ippGetName(a))
            continue;
        char value[1024];
        ippAttributeString(a, value, sizeof value);
        out[ippGetName(a)] = value;
    }
    ippDelete(response);
    return out;
}

} // namespace

// Windows' paper bins and quality levels against IPP's keywords and enums.
TEST(CupsJobOptions, BinsAndQualityLevelsBecomeIppOptions)
{
    const struct {
        int bin;
        int quality;
        platform::JobOptions expected;
    } cases[] = {
        {1, -4, {{"media-source", "top"}, {"print-quality", "5"}}},
        {2, -3, {{"media-source", "bottom"}, {"print-quality", "4"}}},
        {4, -1, {{"media-source", "manual"}, {"print-quality", "3"}}},
        {7, -2, {{"media-source", "auto"}, {"print-quality", "3"}}},
        {11, 0, {{"media-source", "large-capacity"}}},
        {9, 600, {}},  // small format: no IPP bin; 600 dpi goes to Qt's printer
        {256, 0, {}},  // a driver's own bin
    };
    for (const auto& c : cases) {
        platform::DevMode mode;
        mode.defaultSource = c.bin;
        mode.printQuality = c.quality;
        EXPECT_EQ(platform::cupsJobOptions(mode), c.expected) << c.bin << " " << c.quality;
    }
}

TEST(CupsQueue, TheJobCarriesThePaperSourceAndQualityOfTheDeviceMode)
{
    Scheduler scheduler;
    const std::string failure = scheduler.start();
    ASSERT_EQ(failure, "") << "the test's own CUPS scheduler";
    // Qt's CUPS support and libcups read the scheduler from here; the queue list is read after.
    qputenv("CUPS_SERVER", QByteArray::fromStdString(scheduler.server()));
    ASSERT_TRUE(platform::isCupsQueue(kQueue));
    EXPECT_FALSE(platform::isCupsQueue("NO_SUCH_QUEUE"));

    platform::PrinterHost host;
    const std::vector<std::string> names = host.printerNames();
    const auto at = std::find(names.begin(), names.end(), kQueue);
    ASSERT_NE(at, names.end()) << "Qt does not list the queue of the test's scheduler";
    host.setIndex(int(at - names.begin()));
    ASSERT_FALSE(host.isPdf());
    host.devMode().defaultSource = 2; // DMBIN_LOWER
    host.devMode().printQuality = -4; // DMRES_HIGH
    host.applyDevMode();
    {
        QPainter painter;
        ASSERT_TRUE(painter.begin(&host.printer()));
        painter.drawText(100, 100, QStringLiteral("試験"));
        painter.end();
    }
    const auto attributes = lastJobAttributes();
    ASSERT_FALSE(attributes.empty()) << "no job reached the queue\n" << scheduler.errorLog();
    const auto value = [&](const char* name) {
        const auto it = attributes.find(name);
        return it == attributes.end() ? std::string("<none>") : it->second;
    };
    std::string all;
    for (const auto& [name, v] : attributes)
        all += name + "=" + v + "\n";
    // (The scheduler keeps the job's name private by default.)
    EXPECT_EQ(value("document-format"), "application/pdf") << all;
    EXPECT_EQ(value("media-source"), "bottom");
    EXPECT_EQ(value("print-quality"), "high");
}
