// The wizard main form: creation, pages and buttons, closing, and the program entry.
#include "wizard/MainForm.h"

#include "export/AssetLinkageFile.h"
#include "export/DataExport.h"
#include "wizard/HostHooks.h"
#include "platform/Files.h"
#include "platform/Fonts.h"
#include "platform/MessageService.h"
#include "platform/NamedMutex.h"
#include "platform/Paths.h"
#include "platform/SpecialFolders.h"
#include "platform/SystemInfo.h"
#include "platform/Text.h"
#include "records/AppInfoRecord.h"
#include "records/DataModule.h"
#include "records/DbErrorHandler.h"
#include "records/DisplayFormat.h"
#include "firebird/Attachment.h"
#include "firebird/DatabaseError.h"
#include "export/XmlSaveDocument.h"
#include "ui/ProgressDialog.h"
#include "records/ProgramRecords.h"
#include "catalogue/DataCatalogue.h"
#include "ui/AppIniCreateBox.h"
#include "platform/MessageBox2.h"
#include "ui/AppInfoLoader.h"
#include "ui/InputDialog.h"
#include "ui/OwnerDrawnButton.h"
#include "print/ErrorLog.h"
#include "print/ReportEngine.h"
#include "ui/RichMessageBox.h"
#include "ui/WizardPages.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QGroupBox>
#include <QPlainTextEdit>
#include <QScreen>
#include <QShortcut>
#include <QSocketNotifier>
#include <QTableWidget>
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

void showWarning(const std::string& text)
{
    platform::messageBox(text, kApplicationTitle, platform::MB_OK | platform::MB_ICONWARNING);
}

QString q(const std::string& s) { return QString::fromUtf8(s.data(), qsizetype(s.size())); }

// printf-style "%s" filling for the form's fixed texts (one or two values).
std::string fill(std::string format, std::initializer_list<std::string> values)
{
    std::size_t from = 0;
    for (const auto& value : values) {
        const auto at = format.find("%s", from);
        if (at == std::string::npos)
            break;
        format.replace(at, 2, value);
        from = at + value.size();
    }
    return format;
}

constexpr const char* kAppInfoMissingText =
    "アプリケーションの設定ファイル(AppInfo.ini)が見つかりませんでした。\rアプリケーションを強制終了します。";
constexpr const char* kAppInfoValueText =
    "アプリケーションの設定ファイル(AppInfo.ini)の値を参照できませんでした。\rアプリケーションを強制終了します。";
constexpr const char* kAppInfoUnreadableText =
    "アプリケーションの設定ファイル(AppInfo.ini)を参照できませんでした。\rアプリケーションを強制終了します。";
constexpr const char* kStartInfoText =
    "起動情報の初期化に失敗しました。アプリケーションを強制終了します。";
constexpr const char* kInitFailedText = "アプリケーションの初期化に失敗しました。\r%sを終了します。";
constexpr const char* kNoDataText =
    "会計データの選択が行われていません。\r「データ選択を開く」ボタンを押して選択して下さい。";
constexpr const char* kNoOutputFileText =
    "中間ﾌｧｲﾙが指定されていません。\r指定してから[次へ]をｸﾘｯｸしてください。\r";
constexpr const char* kCancelQuestionText =
    "[キャンセル]ボタンが押されました。\r連動データの作成ウィザードを終了してもよろしいですか？\r";
constexpr const char* kDataSelectionForm = "XvDataSenkaku";
constexpr const char* kShareConvertRetryText =
    "共有データパスの変換に失敗しました。\rデータ選択画面を開き、選択しなおしますか？\r";
constexpr const char* kConnectFailedText =
    "データの接続に失敗しました。\rデータ選択画面を開き、別のデータを選択しますか？\r";
constexpr const char* kNoRightsText =
    "このデータを扱う権限がありません。\rデータ選択画面を開き、別のデータを選択しますか？\r";
constexpr const char* kFileWrittenText = "中間ファイルが作成されました。\r";
constexpr const char* kFileFailedText = "中間ファイルの作成に失敗しました。\r";

bool askOkCancel(const std::string& text)
{
    return platform::messageBox(text, kApplicationTitle,
                                platform::MB_OKCANCEL | platform::MB_ICONQUESTION) == platform::IDOK;
}

void showInformationText(const std::string& text)
{
    platform::messageBox(text, kApplicationTitle, platform::MB_OK | platform::MB_ICONINFORMATION);
}

std::string trimmed(const std::string& text)
{
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

} // namespace

namespace {

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

// After a stop signal nobody is there to answer: every box and dialog goes to the error log and
// takes its default answer, so the shut-down cannot wait for a person.
class LogOnlyMessages final : public platform::MessageService {
public:
    int messageBox(const std::string& text, const std::string& caption, int flags) override
    {
        log(caption, text);
        return platform::defaultAnswer(flags);
    }
    std::optional<std::string> openFileName(const platform::FileDialogRequest& r) override
    {
        log(r.caption, "");
        return std::nullopt;
    }
    std::optional<std::string> saveFileName(const platform::FileDialogRequest& r) override
    {
        log(r.caption, "");
        return std::nullopt;
    }
    std::optional<std::string> folderName(const std::string& caption, const std::string&) override
    {
        log(caption, "");
        return std::nullopt;
    }
    int execDialog(QDialog& dialog) override
    {
        log(dialog.windowTitle().toStdString(), "");
        return platform::mrCancel;
    }

private:
    static void log(const std::string& caption, std::string text)
    {
        for (char& c : text)
            if (c == '\r' || c == '\n')
                c = ' ';
        print::WriteErrorLog(kApplicationTitle + std::string(" (signal) ") + caption + " " + text);
    }
};

int runMainForm(QApplication& app, const std::vector<std::string>& params)
{
    LogOnlyMessages logOnly;
    platform::MessageService* shown = nullptr;
    std::unique_ptr<TForm1> form;
    // Installed before the form exists, so a stop that comes after the caller was disabled is
    // still answered once the message loop runs.
    bool stopRequested = false;
    QuitOnSignal quitOnSignal([&form, &stopRequested, &logOnly, &shown] {
        if (!shown) {
            shown = &platform::messageService();
            platform::setMessageService(&logOnly);
        }
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
                if (!stopRequested && !form->startupRefused())
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
    if (shown)
        platform::setMessageService(shown);
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
    buildForm();
    try {
        FormCreate();
    } catch (const std::exception& e) {
        showError(e.what());
        m_terminated = true;
    }
}

TForm1::~TForm1() { FormDestroy(); }

void TForm1::buildForm()
{
    // Client area 677 x 439, a single border with only the system menu.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(677, 439);
    setFont(platform::windowsFont(QStringLiteral("ＭＳ Ｐゴシック"), 13));

    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    setCentralWidget(client);

    m_wizard = new TxWizard(client);
    m_wizard->setObjectName(QStringLiteral("Wizard1"));
    m_wizard->setGeometry(0, 0, 677, 392);

    auto page = [this](const char* name) {
        auto* w = new QWidget;
        w->setObjectName(QString::fromUtf8(name));
        m_wizard->addPage(w);
        return w;
    };
    auto label = [](QWidget* parent, const char* name, const QRect& at) {
        auto* l = new QLabel(parent);
        l->setObjectName(QString::fromUtf8(name));
        l->setGeometry(at);
        l->setWordWrap(true);
        l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        return l;
    };

    // page1: the introduction, on a panel the user cannot act on.
    QWidget* p1 = page("page1");
    auto* panel1 = new QWidget(p1);
    panel1->setObjectName(QStringLiteral("Panel1"));
    panel1->setGeometry(16, 16, 645, 360);
    panel1->setAttribute(Qt::WA_TransparentForMouseEvents);
    panel1->setFocusPolicy(Qt::NoFocus);
    m_memo1a = label(panel1, "Memo1a", QRect(8, 8, 629, 60));
    m_memo1b = label(panel1, "Memo1b", QRect(8, 84, 629, 260));

    QWidget* p2 = page("page2");
    m_label2a = label(p2, "Label2a", QRect(24, 24, 629, 36));
    m_btnDataSentaku = new TxPlButton(p2);
    m_btnDataSentaku->setObjectName(QStringLiteral("btnDataSentaku"));
    m_btnDataSentaku->CaptionA().setCaption(QStringLiteral("データ選択を開く"));
    m_btnDataSentaku->setGeometry(24, 68, 160, 30);
    m_btnDataSentaku->OnClick = [this](QObject*) { btnDataSentakuClick(); };
    m_listDataInfo = new QTableWidget(0, 2, p2);
    m_listDataInfo->setObjectName(QStringLiteral("listDataInfo"));
    m_listDataInfo->setHorizontalHeaderLabels({QStringLiteral("項目"), QStringLiteral("内容")});
    m_listDataInfo->setColumnWidth(0, 150);
    m_listDataInfo->setColumnWidth(1, 261);
    m_listDataInfo->horizontalHeader()->setStretchLastSection(true);
    m_listDataInfo->verticalHeader()->hide();
    m_listDataInfo->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_listDataInfo->setSelectionMode(QAbstractItemView::SingleSelection);
    m_listDataInfo->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_listDataInfo->setGeometry(24, 108, 415, 200);
    m_label2c = label(p2, "Label2c", QRect(24, 324, 629, 36));
    m_label2c->setText(QStringLiteral(
        "対象のデータが正しく指定されているか確認し、[次へ]をクリックしてください。"));

    // Pages of the other business kinds; removed at creation.
    for (const char* name : {"page3", "page10", "page6", "page7", "page9", "page8"})
        page(name);

    QWidget* p4 = page("page4");
    m_label4a = label(p4, "Label4a", QRect(24, 24, 629, 36));
    auto* group = new QGroupBox(QStringLiteral("中間ﾌｧｲﾙ"), p4);
    group->setObjectName(QStringLiteral("GroupBox4a"));
    group->setGeometry(24, 72, 629, 64);
    m_edit4a = new QLineEdit(group);
    m_edit4a->setObjectName(QStringLiteral("Edit4a"));
    m_edit4a->setGeometry(16, 26, 510, 24);
    m_bitBtn4a = new TxPlButton(group);
    m_bitBtn4a->setObjectName(QStringLiteral("BitBtn4a"));
    m_bitBtn4a->CaptionA().setCaption(QStringLiteral("参照"));
    m_bitBtn4a->setGeometry(536, 24, 77, 28);
    m_bitBtn4a->OnClick = [this](QObject*) { BitBtn4aClick(); };
    m_label4b = label(p4, "Label4b", QRect(24, 152, 629, 36));
    m_label4b->setText(QStringLiteral(
        "中間ファイル名が正しく指定されているか確認し、[次へ]をクリックしてください。"));

    QWidget* p5 = page("page5");
    m_memo5a = label(p5, "Memo5a", QRect(24, 24, 629, 40));
    m_memo5a->setText(QStringLiteral("以上で設定が完了しました。\n"
                                     "内容を確認し、よろしければ[完了]をクリックしてください。"));
    m_memo5b = new QPlainTextEdit(p5);
    m_memo5b->setObjectName(QStringLiteral("Memo5b"));
    m_memo5b->setReadOnly(true);
    m_memo5b->setFont(platform::windowsFont(QStringLiteral("ＭＳ ゴシック"), 12));
    m_memo5b->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_memo5b->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_memo5b->setGeometry(24, 72, 629, 300);

    // The button row below the wizard.
    auto* line = new QFrame(client);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    line->setGeometry(8, 392, 661, 2);
    auto button = [client](const char* name, const QString& caption, int x) {
        auto* b = new TxPlButton(client);
        b->setObjectName(QString::fromUtf8(name));
        b->CaptionA().setCaption(caption);
        b->setGeometry(x, 402, 88, 28);
        return b;
    };
    m_button1 = button("Button1", QStringLiteral("< 戻る(&B)"), 385);
    m_button2 = button("Button2", QStringLiteral("次へ(&N) >"), 477);
    m_btnCancel = button("btnCancel", QStringLiteral("ｷｬﾝｾﾙ"), 581);
    m_btnCancel->OnClick = [this](QObject*) { btnCancelClick(); };
    m_wizard->setBackButton(m_button1);
    m_wizard->setNextButton(m_button2);
    m_wizard->OnNextClicking = [this](QObject*, bool finalState, bool& allow) {
        Wizard1NextClicking(finalState, allow);
    };
    m_wizard->OnNextClick = [this](QObject*, bool finalState) { Wizard1NextClick(finalState); };
    m_wizard->OnPageChanged = [this](QObject*) { Wizard1PageChanged(); };

    // The buttons' access keys, as the captions show them.
    auto shortcut = [this](const QKeySequence& keys, TxPlButton* target) {
        auto* s = new QShortcut(keys, this);
        connect(s, &QShortcut::activated, this, [target] {
            if (target->isVisible() && target->isEnabled())
                target->Click();
        });
    };
    shortcut(QKeySequence(Qt::ALT | Qt::Key_B), m_button1);
    shortcut(QKeySequence(Qt::ALT | Qt::Key_N), m_button2);
    shortcut(QKeySequence(Qt::ALT | Qt::Key_F), m_button2);
    m_wizard->setPageIndex(0);
}

QStringList TForm1::pageNames() const { return m_wizard->Pages(); }

QString TForm1::currentPageName() const
{
    QWidget* page = m_wizard->currentWidget();
    return page ? page->objectName() : QString();
}

void TForm1::FormCreate()
{
    // Hooks first: everything after may launch forms or check data.
    installHostHooks();
    // No run-time packages are loaded by this program.

    // Paths are shown natively: the system folder's drive is the root.
    m_systemDrive = "/";
    m_completionCode = kCompletionFailed;
    m_wizard->setPageIndex(0);

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
    if (!m_params.empty()) {
        m_wizard->removePage(QStringLiteral("page4"));
        // Its controls went with it.
        m_label4a = nullptr;
        m_edit4a = nullptr;
        m_bitBtn4a = nullptr;
        m_label4b = nullptr;
    }

    std::error_code ec;
    const std::string program =
        platform::paths::fromNative(std::filesystem::read_symlink("/proc/self/exe", ec));
    const int loaded = LoadAppInfo(program, AppInfo);
    if (loaded != kAppInfoLoaded) {
        showError(loaded == 0 ? kAppInfoMissingText
                              : loaded == -1 ? kAppInfoValueText : kAppInfoUnreadableText);
        m_terminated = true;
        return;
    }
    applyOemSwitch(AppInfo);
    ApplyAppInfo();

    m_export = std::make_unique<TSyotokuzeiGenkaDataExport>(m_functionId, m_callerOutputFile);
    if (m_export->targetName.empty()) {
        showError(kStartInfoText);
        m_terminated = true;
        return;
    }
    if (!CompareVersionText(m_export->installedProductVersion, kRequiredVersion)) {
        showError(std::string("このアプリケーションはインストールされている「") +
                  AppInfo.Zaimu.AppTitle + "」のバージョンに対応していません。" + "\r" +
                  "バージョン:" + kRequiredVersion + "以降をインストールしてください。" + "\r" +
                  "\r" + "アプリケーションを強制終了します。");
        m_terminated = true;
        return;
    }

    m_documentsFolder = platform::paths::fromNative(platform::documentsFolder());
    setWindowTitle(q(m_export->title));
    setPageTexts();
    removePages();
    if (m_edit4a)
        m_edit4a->setText(q(m_export->outputFile));
}

void TForm1::setPageTexts()
{
    const std::string product = m_export->installedProductName;
    const std::string target = m_export->targetName;
    if (m_caller.hasCaller()) {
        m_memo1a->setText(
            q(fill("『%s』から『%s』へデータの連動をおこないます。", {product, target})));
    } else {
        m_memo1a->setText(
            q(fill("『%s』から『%s』へデータを連動させるための", {product, target})) +
            QStringLiteral("\n中間ファイルを作成します。"));
        if (m_label4a)
            m_label4a->setText(
                q(fill("連動先となる『%s』で使用する中間ファイルを指定します。", {target})));
    }
    m_memo1b->setText(q(fill("『%s』が起動している場合は終了してください。", {product})) +
                      QStringLiteral("\n\n\n\n\n\n作成を始めるには[次へ]をクリックしてください。"));
    m_label2a->setText(QStringLiteral(
        "連動元となる対象データを「データ選択を開く」ボタンを押して指定します。"));
}

void TForm1::removePages()
{
    const std::string& kind = m_export->businessKind;
    for (const char* name : {"page6", "page7", "page8"})
        m_wizard->removePage(QString::fromUtf8(name));
    if (kind != "HJ" && kind != "RC")
        m_wizard->removePage(QStringLiteral("page9"));
    if (kind == "HJ_G" || kind == "ST_G" || kind == "RC_G")
        m_wizard->removePage(QStringLiteral("page3"));
    if (kind != "UG_G")
        m_wizard->removePage(QStringLiteral("page10"));
    // The Next button's caption follows the pages left.
    m_wizard->setNextButton(m_button2);
}

bool TForm1::InitApplication()
{
    m_failureText = fill(kInitFailedText, {""});
    try {
        ReadAppFolders(font(), m_failureText);
        setWindowTitle(q(m_export->title));
        m_dm = std::make_unique<TDM>();
        // Closing a company database then also refreshes its catalogue row.
        selection::installCatalogueStep(*m_dm);
        return true;
    } catch (const std::exception&) {
        // The reason is the stored failure text; the exception's own text is not shown.
        ui::showYesErrorBox(m_failureText);
        return false;
    }
}

void TForm1::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (m_shownOnce)
        return;
    m_shownOnce = true;
    // The form paints itself before the sign-in shows over it.
    QTimer::singleShot(0, this, [this] { CMShowingChanged(); });
}

void TForm1::CMShowingChanged()
{
    repaint();
    SystemDef.AppCaption = kProgramCaption;
    // Without the data module (initialisation did not run) nobody can sign in.
    m_signedIn = m_dm && ShowLogon();
    if (m_signedIn) {
        if (!m_dm->fnGetSysDef()) {
            m_dm->DeleteLogonInfo();
            terminateApplication();
            return;
        }
        m_dm->fnGetGengo();
        // Without a window manager nobody hands the focus back once the sign-in closes.
        activateWindow();
        if (std::getenv(kTestCloseOnShowVariable)) {
            // What the window system sends when the close box is clicked.
            QTimer::singleShot(0, this, [this] {
                QCloseEvent request;
                QCoreApplication::sendEvent(windowHandle(), &request);
            });
        }
        return;
    }
    if (m_dm)
        m_dm->IBDatabaseDEF.disconnect();
    terminateApplication();
}

void TForm1::terminateApplication()
{
    m_startupRefused = true;
    close();
    QCoreApplication::exit(0);
}

void TForm1::Wizard1NextClicking(bool /*FinalState*/, bool& AllowChange)
{
    const QString page = currentPageName();
    if (page == QLatin1String("page2")) {
        if (!CheckDataSentaku()) {
            AllowChange = false;
            return;
        }
        if (m_caller.hasCaller())
            MakeSummary();
    } else if (page == QLatin1String("page4")) {
        if (m_caller.hasCaller() || !m_edit4a)
            return;
        const std::string path = m_edit4a->text().toStdString();
        if (path.empty() || platform::paths::extractFileName(path).empty()) {
            showWarning(kNoOutputFileText);
            m_button2->CaptionA().setCaption(m_wizard->NextButtonCap());
            AllowChange = false;
            return;
        }
        if (platform::osMajorVersion() > 5 && nativeFolder(path) == m_systemDrive) {
            showWarning(fill("ｼｽﾃﾑﾄﾞﾗｲﾌﾞ(%s)直下にﾌｧｲﾙは指定できません。", {m_systemDrive}) + "\r" +
                        "別のﾄﾞﾗｲﾌﾞまたはﾌｫﾙﾀﾞを指定してから[次へ]をｸﾘｯｸしてください。" + "\r");
            m_button2->CaptionA().setCaption(m_wizard->NextButtonCap());
            AllowChange = false;
            return;
        }
        // The path is stored in the CP932 settings file after writing: refuse it here instead.
        try {
            (void)platform::text::toCp932(path);
        } catch (const platform::text::EncodingError& e) {
            showWarning(e.what());
            m_button2->CaptionA().setCaption(m_wizard->NextButtonCap());
            AllowChange = false;
            return;
        }
        MakeSummary();
    }
}

void TForm1::Wizard1NextClick(bool FinalState)
{
    if (!FinalState)
        return;
    int result = kRendoFailed;
    {
        ProgressScope progress(this, "連動データの作成中", "連動データの作成中です…");
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
        struct CursorBack {
            ~CursorBack() { QGuiApplication::restoreOverrideCursor(); }
        } cursorBack;
        try {
            result = MakeRendoFile(&progress);
        } catch (const std::exception& e) {
            // Closed box and cursor first, then the general handler's text.
            result = kRendoFailed;
            m_pendingError = e.what();
        }
    }
    if (!m_pendingError.empty()) {
        showError(m_pendingError);
        m_pendingError.clear();
    }
    switch (result) {
    case kRendoWritten:
        if (!m_caller.hasCaller())
            showInformationText(kFileWrittenText);
        m_completionCode = kCompletionWritten;
        close();
        break;
    case kRendoStopped:
        m_completionCode = kCompletionCancelled;
        break;
    default:
        showError(kFileFailedText);
        m_completionCode = kCompletionFailed;
        close();
        break;
    }
}

int TForm1::MakeRendoFile(ProgressScope* progress)
{
    int result = kRendoFailed;
    auto& exporter = static_cast<TSyotokuzeiGenkaDataExport&>(*m_export);
    const LinkageExportResult r = ExportLinkageFile(exporter, m_dm->IBTransactionDATSS, AccInf,
                                                    outputPath(m_export->outputFile));
    result = r.result;
    if (result != kRendoWritten) {
        if (progress)
            progress->stopAnimation();
        if (result == kRendoStopped)
            showInformationText(r.text());
        else
            showError(r.text());
    }
    return result;
}

std::string TForm1::nativeFolder(const std::string& path)
{
    const std::string folder = platform::paths::extractFilePath(path);
    if (folder.empty())
        return {};
    std::string native;
    try {
        native = platform::paths::toNative(folder).string();
    } catch (const std::exception&) {
        native = folder;
    }
    if (native.empty() || native.back() != '/')
        native += '/';
    return native;
}

std::string TForm1::outputPath(const std::string& file) const
{
    if (platform::paths::extractFilePath(file).empty())
        return platform::paths::excludeTrailingDelimiter(m_documentsFolder) + "\\" + file;
    return file;
}

void TForm1::Wizard1PageChanged()
{
    if (currentPageName() == QLatin1String("page2") && m_listDataInfo->rowCount() == 0)
        m_btnDataSentaku->setFocus();
}

void TForm1::btnDataSentakuClick()
{
    if (m_companyOpen) {
        m_dm->fnAccDatDisconnected(SystemDef.DataDir, 1, 0);
        m_companyOpen = false;
        if (RunMode == 0)
            KyoyuDataSend(SystemDef.Reserve2Flag1 != 0);
    }
    if (OpenDataSentaku(3, 1) == 1) {
        m_listDataInfo->setRowCount(0);
        auto add = [this](const char* name, const std::string& value) {
            const int row = m_listDataInfo->rowCount();
            m_listDataInfo->insertRow(row);
            m_listDataInfo->setItem(row, 0, new QTableWidgetItem(QString::fromUtf8(name)));
            m_listDataInfo->setItem(row, 1, new QTableWidgetItem(q(value)));
        };
        add("データ区分", AccInf.CodeTypeName.empty()
                              ? AccInf.DataTypeName
                              : AccInf.DataTypeName + "／" + AccInf.CodeTypeName);
        if (AccInf.DATATYPE == 1)
            add("会社名", AccInf.SHOUGOU);
        else if (AccInf.DATATYPE == 2)
            add("データ名", AccInf.SHOUGOU);
        add("会計年度", std::to_string(AccInf.NENDO) + "期");
        std::string period;
        KikanToText(period, AccInf.KISHU, AccInf.KIMATU);
        add("会計期間", period);
    }
    if (trimmed(platform::paths::excludeTrailingDelimiter(SystemDef.DataDir)).empty())
        m_listDataInfo->setRowCount(0);
}

std::string TForm1::selectionParameters(int SyoriType) const
{
    std::string params;
    const std::string head = "SyoriType=" + std::to_string(SyoriType) + "\rJyokenSet=1";
    switch (m_export->selectionClass) {
    case 2:
        params = head + "\rDataType=2\rCodeType=0\rDataVerMajor=" + m_export->dataMajorVersion;
        break;
    case 1:
        params = head + "\rDataType=-13\rCodeType=0\rDataVerMajor=" + m_export->dataMajorVersion;
        break;
    default:
        params = head + "\rDataVerMajor=" + m_export->dataMajorVersion;
        break;
    }
    return params;
}

TDataSentakuListCtl& TForm1::catalogue()
{
    if (!m_catalogue)
        m_catalogue = std::make_unique<TDataSentakuListCtl>();
    m_catalogue->SetDataPlace(ConnectMode);
    return *m_catalogue;
}

int TForm1::OpenDataSentaku(int SyoriType, int Open)
{
    m_previousDataDir = SystemDef.DataDir;
    if (trimmed(SystemDef.DataDir).empty())
        Open = 1;
    if (SyoriType == 0)
        return 0; // the plain launch is not used by this program
    bool firstPass = true;
    for (;;) {
        int passResult = 0;
        if (Open == 1) {
            const int launched = SyoriKidouProc
                                     ? SyoriKidouProc(kDataSelectionForm, 1, selectionParameters(SyoriType))
                                     : -1;
            passResult = launched == 1 ? 1 : 0;
            if (launched != 1 && !firstPass)
                SystemDef.DataDir = m_previousDataDir;
        } else {
            Open = 1;
        }
        firstPass = false;
        if (trimmed(SystemDef.DataDir).empty())
            return passResult;

        if (RunMode == 0) {
            std::string sharePath;
            int kyoyuLock = 0;
            int netDrive = 0;
            if (!catalogue().ConvLocalPathToSharePath(SystemDef.DataDir, sharePath, kyoyuLock, netDrive)) {
                if (askOkCancel(kShareConvertRetryText)) {
                    SystemDef.DataDir = m_previousDataDir;
                    continue;
                }
                SystemDef.DataDir.clear();
                return 0;
            }
            if (KyoyuDataReceive(SystemDef.Reserve2Flag1 != 0) != 1) {
                SystemDef.DataDir = m_previousDataDir;
                continue;
            }
        }

        std::string question;
        {
            ProgressScope progress(this, "接続中", "会計データに接続中です…");
            question = connectChosenData();
        }
        if (question.empty())
            return passResult;
        if (!askOkCancel(question)) {
            SystemDef.DataDir.clear();
            return 0;
        }
        if (RunMode == 0)
            KyoyuDataSend(SystemDef.Reserve2Flag1 != 0);
    }
}

std::string TForm1::connectChosenData()
{
    auto giveUp = [this](const char* text) {
        // The data set is written free again before the question, whatever the answer.
        m_dm->fnAccDatDisconnected(SystemDef.DataDir, 1, 0);
        m_companyOpen = false;
        return std::string(text);
    };
    m_companyOpen = m_dm->fnAccDatConnected(SystemDef.HostName, SystemDef.DataDir, 1);
    if (!m_companyOpen)
        return kConnectFailedText;
    if (!m_dm->fnGetAccInfo())
        return giveUp(kConnectFailedText);
    bool rights = false;
    try {
        rights = m_dm->fnGetExistsOpeDefSisetu();
    } catch (const firebird::DatabaseError& e) {
        HandleDbError(e, "fnGetExistsOpeDefSisetu", "", false);
        return giveUp(kConnectFailedText);
    }
    if (!rights)
        return giveUp(kNoRightsText);
    std::string version;
    m_dm->fnGetDataBaseVer(version);
    SystemDef.DataVersionText = version;
    if (const std::string refusal = DataVersionRefusal(version); !refusal.empty())
        return giveUp((refusal + "\r" + "データ選択画面を開き、別のデータを選択しますか？" + "\r").c_str());
    return {};
}

int TForm1::KyoyuDataReceive(bool Auto)
{
    if (RunMode != 0 || ConnectMode != 0)
        return 1;
    std::string sharePath;
    int kyoyuLock = 0;
    int netDrive = 0;
    if (!catalogue().ConvLocalPathToSharePath(SystemDef.DataDir, sharePath, kyoyuLock, netDrive)) {
        showWarning("共有データパスの変換に失敗しました。データ選択画面を開きます。");
        return 0;
    }
    if (netDrive != 1 || kyoyuLock != 0)
        return 1;
    if (!Auto) {
        showWarning("このデータは共有取得が行われていません。データ選択画面を開きます。");
        return 0;
    }
    TDataSentakuRec record;
    int fetched = 0;
    {
        ProgressScope progress(this, "共有データ受信中", "共有データから受信中…");
        try {
            catalogue().GetDataListRecordByPath(SystemDef.DataDir, record);
            fetched = catalogue().KyoyuDataDown(record, 0);
        } catch (const std::exception& e) {
            progress.stopAnimation();
            showWarning(e.what());
            return 0;
        }
    }
    if (fetched == 1 &&
        platform::files::fileExists(platform::paths::excludeTrailingDelimiter(SystemDef.DataDir) +
                                    "\\" + DataFile))
        return 1;
    m_previousDataDir = q(record.LocalPath).toUpper().toStdString();
    TMessage2InfoRec info;
    InitMessage2Info(mtInformation, info);
    info.Lines[0].Text = "共有サーバーが起動していない、接続が切断されている または "
                         "共有サーバー上のデータ領域が削除された可能性があります。";
    info.Lines[1].Text = "共有データパス: " + sharePath;
    ShowMessageBox2(info);
    return 0;
}

int TForm1::KyoyuDataSend(bool Auto)
{
    if (RunMode != 0 || ConnectMode != 0 || SystemDef.DataDir.empty())
        return 1;
    if (SystemDef.DataBroken == 1)
        return 0;
    if (!Auto)
        return 1;
    std::string sharePath;
    int kyoyuLock = 0;
    int netDrive = 0;
    if (!catalogue().ConvLocalPathToSharePath(SystemDef.DataDir, sharePath, kyoyuLock, netDrive)) {
        showWarning("共有データパスの変換に失敗しました。共有データの自動保管は行えませんでした。");
        return 0;
    }
    if (netDrive != 1 || kyoyuLock != 1)
        return 1;
    ProgressScope progress(this, "共有データ送信中", "共有データへ送信中…");
    try {
        TDataSentakuRec record;
        catalogue().GetDataListRecordByPath(SystemDef.DataDir, record);
        std::vector<std::string> folders{catalogue().GetLocalDataPath(record)};
        for (const auto& child : record.Children)
            folders.push_back(catalogue().GetLocalDataPath(child));
        for (const auto& folder : folders) {
            if (m_dm->fnDataHasonCheck(SystemDef.HostName, folder, 1, 0) == 0) {
                progress.stopAnimation();
                TMessage2InfoRec info;
                InitMessage2Info(mtInformation, info);
                info.Lines[0].Text = "合算・分散データに破損したデータが存在するため、共有データの自動保管を中止します。";
                info.Lines[1].Text = "データのバックアップを行っている場合は、適正な方法で破損前の状態へ戻して下さい。";
                ShowMessageBox2(info);
                return 0;
            }
        }
        return catalogue().KyoyuDataUp(record, 0);
    } catch (const std::exception& e) {
        progress.stopAnimation();
        showWarning(e.what());
        return 0;
    }
}

bool TForm1::CheckDataSentaku()
{
    if (SystemDef.DataDir.empty() || m_listDataInfo->rowCount() == 0) {
        showWarning(kNoDataText);
        m_btnDataSentaku->setFocus();
        return false;
    }
    ApplyCompanySettings(*m_export, AccInf);
    if (const std::string refusal = IndividualDataRefusal(*m_export, AccInf); !refusal.empty()) {
        showWarning(refusal);
        return false;
    }
    return true;
}

void TForm1::MakeSummary()
{
    m_memo5b->clear();
    const TComDataExport& x = *m_export;
    QStringList lines;
    auto line = [&lines](const std::string& text) { lines << q(text); };
    line("【連動元情報】");
    line(" 会社名        : " + x.clientName);
    line(" 会計年度      : " + (x.fiscalYearNumber > 0 ? std::to_string(x.fiscalYearNumber) : std::string("-")) + " 期");
    std::string from, to;
    FormatDateNen("yyyy年m月d日", 0, from, x.fiscalYearStart);
    FormatDateNen("yyyy年m月d日", 0, to, x.fiscalYearEnd);
    line(" 会計期間      : " + from + " ～ " + to);
    m_export->firstPeriod = AccInf.KaisiMonthIndex;
    m_export->lastPeriod = AccInf.KimatuKikanNo;
    m_export->periodEnd = AccInf.KimatuKikanNo;
    if (!m_caller.hasCaller() && m_edit4a) {
        m_export->outputFile = m_edit4a->text().toStdString();
        line("");
        line("【中間ﾌｧｲﾙ】");
        const std::string& file = m_export->outputFile;
        if (!platform::paths::extractFilePath(file).empty()) {
            line(" " + file);
        } else {
            std::string shown = outputPath(file);
            try {
                shown = platform::paths::toNative(shown).string();
            } catch (const std::exception&) {
            }
            line(" " + shown);
        }
    }
    m_memo5b->setPlainText(lines.join(QLatin1Char('\n')));
}

void TForm1::BitBtn4aClick()
{
    if (!m_edit4a)
        return;
    platform::FileDialogRequest request;
    request.caption = "中間ﾌｧｲﾙの指定";
    try {
        request.initialDir = platform::paths::toNative(m_documentsFolder).string();
    } catch (const std::exception&) {
        request.initialDir.clear();
    }
    request.filter = "中間ﾌｧｲﾙ (*.xml *.XML);;すべてのﾌｧｲﾙ(*.*) (*)";
    request.defaultExt = "xml";
    const std::string current = m_edit4a->text().toStdString();
    if (!current.empty() && platform::files::fileExists(current))
        request.fileName = platform::paths::toNative(current).string();
    if (const auto chosen = platform::messageService().saveFileName(request))
        m_edit4a->setText(q(*chosen));
}

void TForm1::btnCancelClick()
{
    const int answer = platform::messageBox(
        kCancelQuestionText, kApplicationTitle, platform::MB_YESNO | platform::MB_ICONINFORMATION);
    if (answer == platform::IDYES) {
        m_completionCode = kCompletionCancelled;
        close();
    }
}

void TForm1::CloseDatabases()
{
    if (!m_dm)
        return;
    if (m_companyOpen) {
        if (!m_dm->IBDatabaseDAT.connected())
            m_dm->fnAccDatConnected(SystemDef.HostName, SystemDef.DataDir, 0);
        m_dm->fnAccDatDisconnected(SystemDef.DataDir, 1, 0);
        m_companyOpen = false;
        KyoyuDataSend(SystemDef.Reserve2Flag1 != 0);
    }
    if (m_signedIn) {
        if (!m_dm->IBDatabaseDEF.connected())
            m_dm->fnAccDefConnected(SystemDef.HostName, 1);
        m_dm->DeleteLogonInfo();
        m_dm->IBDatabaseDEF.disconnect();
        m_signedIn = false;
    }
}

void TForm1::FormDestroy()
{
    if (m_destroyed)
        return;
    m_destroyed = true;
    try {
        CloseDatabases();
    } catch (const std::exception& e) {
        showError(e.what());
    }
    m_export.reset(); // writes "Zetrino.ini"
    m_dm.reset();
    clearHostHooks();
    sendCompletionMessage();
}

void TForm1::closeEvent(QCloseEvent* event)
{
    // Only the window system's request is the close message; the program's own close() keeps the
    // completion code it has set.
    if (event->spontaneous())
        WMClose();
    event->accept();
    try {
        CloseDatabases();
    } catch (const std::exception& e) {
        showError(e.what());
    }
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
    ui::installInputDialog();
    // The engine holds printers and Qt's Japanese texts; it must end before the application does.
    // Stop signals are ours to answer: the sign-off needs the connections the library would end.
    firebird::keepConnectionsOnSignal();
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
