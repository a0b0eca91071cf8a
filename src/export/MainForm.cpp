#include "export/MainForm.h"

#include "platform/Fonts.h"
#include "platform/MessageService.h"
#include "platform/NamedMutex.h"
#include "print/ReportEngine.h"
#include "ui/RichMessageBox.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QSocketNotifier>
#include <QTimer>
#include <QWindow>

#include <cerrno>
#include <charconv>
#include <csignal>
#include <cstdlib>
#include <exception>
#include <functional>
#include <memory>

#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr const char* kInvalidArgumentText =
    "不正な引数が渡されました。\r\rアプリケーションを強制終了します。";

// The other programs of the product family whose running forbids ours, in the order they are
// checked, then our own.
struct InstanceCheck {
    const char* mutexName;
    const char* text;
};
constexpr InstanceCheck kInstanceChecks[] = {
    {"QUARVEL000", "モラビー財務が起動しています。同時に起動することは出来ません。"},
    {"QUARVEL_TOOLS", "モラビー財務ツールが起動しています。同時に起動することは出来ません。"},
    {"ZETRINO_RENDO", "アプリケーションは既に起動しています。"},
};
constexpr const char* kOwnMutexName = "ZETRINO_RENDO";
constexpr const char* kAlreadyRunningText = "アプリケーションは既に起動しています。";

void showInformation(const char* text)
{
    platform::messageBox(text, kApplicationTitle, platform::MB_OK | platform::MB_ICONINFORMATION);
}

void showError(const std::string& text)
{
    platform::messageBox(text, kApplicationTitle, platform::MB_OK | platform::MB_ICONERROR);
}

// The items of a text cut at every comma and at every line break (CR LF, CR or LF); a trailing
// empty item does not count.
std::vector<std::string> commaItems(const std::string& text)
{
    std::vector<std::string> items;
    std::string current;
    bool pending = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == ',' || c == '\r' || c == '\n') {
            items.push_back(current);
            current.clear();
            pending = false;
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
        } else {
            current += c;
            pending = true;
        }
    }
    if (pending)
        items.push_back(current);
    return items;
}

// A whole decimal integer (an optional sign, then digits only) within the type's range.
template <typename Int>
std::optional<Int> decimalInteger(const std::string& text)
{
    std::size_t digits = 0;
    if (!text.empty() && (text[0] == '+' || text[0] == '-'))
        digits = 1;
    if (digits == text.size())
        return std::nullopt;
    for (std::size_t i = digits; i < text.size(); ++i)
        if (text[i] < '0' || text[i] > '9')
            return std::nullopt;
    // from_chars takes "-" but not "+".
    const char* first = text.data() + (text[0] == '+' ? 1 : 0);
    const char* last = text.data() + text.size();
    Int value {};
    const auto [end, ec] = std::from_chars(first, last, value, 10);
    if (ec != std::errc() || end != last)
        return std::nullopt;
    return value;
}

// Ends the message loop on SIGTERM, SIGINT and SIGHUP, so the program still goes through its
// normal shut-down (and the completion message) when it is stopped from outside.
class QuitOnSignal {
public:
    explicit QuitOnSignal(std::function<void()> onSignal) : m_onSignal(std::move(onSignal))
    {
        if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, s_fds) != 0)
            return;
        m_notifier = std::make_unique<QSocketNotifier>(s_fds[1], QSocketNotifier::Read);
        QObject::connect(m_notifier.get(), &QSocketNotifier::activated, [this] {
            char buffer[16];
            while (::read(s_fds[1], buffer, sizeof buffer) > 0) {
            }
            m_onSignal();
        });
        struct sigaction action {};
        action.sa_handler = &QuitOnSignal::handle;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        for (std::size_t i = 0; i < std::size(kSignals); ++i)
            ::sigaction(kSignals[i], &action, &m_previous[i]);
        m_installed = true;
    }

    ~QuitOnSignal()
    {
        if (m_installed)
            for (std::size_t i = 0; i < std::size(kSignals); ++i)
                ::sigaction(kSignals[i], &m_previous[i], nullptr);
        m_notifier.reset();
        if (s_fds[0] >= 0) {
            ::close(s_fds[0]);
            ::close(s_fds[1]);
            s_fds[0] = s_fds[1] = -1;
        }
    }

    QuitOnSignal(const QuitOnSignal&) = delete;
    QuitOnSignal& operator=(const QuitOnSignal&) = delete;

private:
    static void handle(int)
    {
        const int saved = errno;
        const char byte = 1;
        [[maybe_unused]] const auto rc = ::write(s_fds[0], &byte, 1);
        errno = saved;
    }

    static constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};
    static inline int s_fds[2] = {-1, -1};
    std::function<void()> m_onSignal;
    std::unique_ptr<QSocketNotifier> m_notifier;
    struct sigaction m_previous[std::size(kSignals)] {};
    bool m_installed = false;
};

int runMainForm(QApplication& app, const std::vector<std::string>& params)
{
    std::unique_ptr<TForm1> form;
    // Installed before the form exists, so a stop that comes after the caller was disabled is
    // still answered once the message loop runs.
    bool stopRequested = false;
    QuitOnSignal quitOnSignal([&form, &stopRequested] {
        stopRequested = true;
        if (form)
            form->setCompletionCode(kCompletionFailed);
        QCoreApplication::exit(0);
    });
    try {
        form = std::make_unique<TForm1>(params);
        if (!form->terminated()) {
            if (form->InitApplication()) {
                QCoreApplication::processEvents();
                while (QGuiApplication::overrideCursor())
                    QGuiApplication::restoreOverrideCursor();
                form->show();
                if (std::getenv(kTestCloseOnShowVariable)) {
                    TForm1* window = form.get();
                    QTimer::singleShot(0, window, [window] {
                        // What the window system sends when the close box is clicked.
                        QCloseEvent request;
                        QCoreApplication::sendEvent(window->windowHandle(), &request);
                    });
                }
                if (!stopRequested)
                    app.exec();
            } else {
                QCoreApplication::processEvents();
            }
        }
    } catch (const std::exception& e) {
        if (form)
            form->setCompletionCode(kCompletionFailed);
        showError(e.what());
    }
    const int code = form ? form->completionCode() : int(kCompletionFailed);
    form.reset(); // sends the completion message
    return code;
}

} // namespace

std::optional<CallerCommandLine> ReadCommandLine(const std::vector<std::string>& params)
{
    CallerCommandLine line;
    if (params.empty())
        return line;
    if (params.size() > 1)
        return std::nullopt;
    const auto items = commaItems(params.front());
    auto item = [&items](std::size_t n) { return n < items.size() ? items[n] : std::string(); };
    const auto window = decimalInteger<std::int64_t>(item(0));
    const auto message = decimalInteger<std::int32_t>(item(1));
    const auto functionId = decimalInteger<std::int32_t>(item(2));
    if (!window || !message || !functionId)
        return std::nullopt;
    line.callerWindow = *window;
    line.messageNumber = *message;
    line.functionId = *functionId;
    line.outputFile = item(3);
    return line;
}

TForm1::TForm1(std::vector<std::string> params, QWidget* parent)
    : QMainWindow(parent), m_params(std::move(params))
{
    setWindowTitle(QString::fromUtf8(kApplicationTitle));
    resize(677, 439);
    try {
        FormCreate();
    } catch (const std::exception& e) {
        showError(e.what());
        m_terminated = true;
    }
}

TForm1::~TForm1() { FormDestroy(); }

void TForm1::FormCreate()
{
    m_completionCode = kCompletionFailed;

    const auto line = ReadCommandLine(m_params);
    if (!line) {
        // No caller is known yet: nothing will be posted.
        showError(kInvalidArgumentText);
        m_terminated = true;
        return;
    }
    m_caller = platform::CallerLink(line->callerWindow);
    m_messageNumber = line->messageNumber;
    m_functionId = line->functionId;
    m_callerOutputFile = line->outputFile;
    // The caller stays disabled until the completion message.
    m_caller.disable();
}

bool TForm1::InitApplication() { return true; }

void TForm1::FormDestroy() { sendCompletionMessage(); }

void TForm1::closeEvent(QCloseEvent* event)
{
    // Only the window system's request is the close message; the program's own close() keeps the
    // completion code it has set.
    if (event->spontaneous())
        WMClose();
    event->accept();
}

void TForm1::WMClose() { m_completionCode = kCompletionCancelled; }

void TForm1::sendCompletionMessage()
{
    if (m_completionSent)
        return;
    m_completionSent = true;
    m_caller.bringToFront();
    m_caller.enable();
    if (m_caller.hasCaller())
        m_caller.post(m_messageNumber, m_functionId, m_completionCode);
}

int ProgramMain(int argc, char** argv)
{
    // Qt takes its own options out of argv; the caller's parameters must be read as given.
    const std::vector<std::string> params(argv + 1, argv + argc);

    QApplication app(argc, argv);
    QCoreApplication::setApplicationName(QString::fromUtf8(kApplicationTitle));
    platform::installFontSubstitutions();
    ui::installRichMessageBox();
    // The engine holds printers and Qt's Japanese texts; it must end before the application does.
    print::StartReportEngine();
    struct EngineStop {
        ~EngineStop() { print::StopReportEngine(); }
    } const engineStop;
    try {
        for (const auto& check : kInstanceChecks) {
            if (platform::NamedMutex::exists(check.mutexName)) {
                showInformation(check.text);
                return kCompletionFailed;
            }
        }
        platform::NamedMutex instance(kOwnMutexName);
        if (!instance.held()) {
            // Another instance took it between the check and now.
            showInformation(kAlreadyRunningText);
            return kCompletionFailed;
        }
        return runMainForm(app, params);
    } catch (const std::exception& e) {
        showError(e.what());
        return kCompletionFailed;
    }
}
