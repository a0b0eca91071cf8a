#include "records/SystemUtils.h"

#include "platform/Paths.h"
#include "platform/SystemInfo.h"
#include "platform/Text.h"
#include "records/FileUtils.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QGuiApplication>
#include <QThread>
#include <QWindow>

#include <cctype>
#include <filesystem>

namespace paths = platform::paths;

namespace {

constexpr std::size_t kMaxPathCharacters = 255;

constexpr const char* kPathTooLong =
    "選択した場所(パス)の文字長が処理できる範囲を超えました。\r別の場所を選択して下さい。\r";
constexpr const char* kUseDocumentsQuestion =
    "この場所に保存するアクセス許可がありません。\r管理者に連絡してアクセス許可を取得してください。"
    "\r\r代わりに［ドキュメント］フォルダに保存しますか？\r";

using platform::text::upperAscii;

std::size_t characterCount(const std::string& utf8)
{
    std::size_t n = 0;
    for (const char c : utf8)
        if ((static_cast<unsigned char>(c) & 0xC0) != 0x80)
            ++n;
    return n;
}

std::filesystem::path nativeOrEmpty(const std::string& path)
{
    try {
        return std::filesystem::absolute(paths::toNative(path)).lexically_normal();
    } catch (const std::exception&) {
        return {};
    }
}

// What the pickers start at: the native form where the drive is mapped.
std::string pickerStart(const std::string& path)
{
    if (path.empty())
        return {};
    const auto native = nativeOrEmpty(path);
    return native.empty() ? path : native.string();
}

// A picked path in the program's Windows form.
std::string fromPicker(const std::string& picked)
{
    if (picked.size() >= 2 && picked[1] == ':')
        return picked;
    return paths::fromNative(std::filesystem::path(picked));
}

bool askUseDocuments()
{
    return platform::messageBox(kUseDocumentsQuestion, "",
                                platform::MB_YESNO | platform::MB_ICONWARNING)
           == platform::IDYES;
}

} // namespace

int GetOSMajorVersion()
{
    return platform::osMajorVersion();
}

std::string GetWinUserName()
{
    return platform::userName();
}

bool WaitMSec(int milliseconds)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < milliseconds) {
        QCoreApplication::processEvents();
        QThread::msleep(1);
    }
    return true;
}

namespace {

// Swallows the input events of one object and its children while installed.
class InputDropper final : public QObject {
public:
    explicit InputDropper(QObject* target) : m_target(target) {}

    bool eventFilter(QObject* receiver, QEvent* event) override
    {
        if (!isInput(event->type()))
            return false;
        for (QObject* o = receiver; o; o = o->parent())
            if (o == m_target)
                return true;
        return false;
    }

private:
    static bool isInput(QEvent::Type type)
    {
        switch (type) {
        case QEvent::MouseMove:
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::Wheel:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
            return true;
        default:
            return false;
        }
    }

    QObject* m_target;
};

} // namespace

void ForceForegroundWindow(QWindow* window)
{
    if (!window)
        return;
    window->raise();
    window->requestActivate();
}

void FlushInputMessages(QObject* window)
{
    if (!window || !QCoreApplication::instance())
        return;
    InputDropper dropper(window);
    QCoreApplication::instance()->installEventFilter(&dropper);
    QCoreApplication::processEvents();
    QCoreApplication::instance()->removeEventFilter(&dropper);
}

QWindow* FindWindowHandle(const std::string& className, const std::string& windowName)
{
    if (className.empty() && windowName.empty())
        return nullptr;
    if (upperAscii(className) == "DESKTOP")
        return nullptr;
    const QString cls = QString::fromStdString(className);
    const QString title = QString::fromStdString(windowName);
    for (QWindow* w : QGuiApplication::topLevelWindows()) {
        if (!className.empty() && cls != QString::fromLatin1(w->metaObject()->className())
            && cls != w->objectName())
            continue;
        if (!windowName.empty() && title != w->title())
            continue;
        return w;
    }
    return nullptr;
}

bool isUacOn()
{
    return registryValueIsOne(
        ReadRegistryValue(RegistryRoot::LocalMachine, kUacPolicyKey, kUacPolicyValue));
}

bool isSystemDriveRoot(const std::string& folder)
{
    if (folder.empty())
        return false;
    const std::string root = systemDriveRoot();
    if (upperAscii(IncludeLastPathDelim(folder)) == root)
        return true;
    const auto native = nativeOrEmpty(folder);
    return !native.empty() && native == nativeOrEmpty(root);
}

bool SelectFolder(const std::string& title, std::string& path, bool skipUacCheck,
                  const std::string& root)
{
    const bool uac = !skipUacCheck && isUacOn();
    for (;;) {
        const auto picked = platform::messageService().folderName(
            title, pickerStart(path.empty() ? root : path));
        if (!picked)
            return false;
        path = fromPicker(*picked);
        if (characterCount(path) > kMaxPathCharacters) {
            platform::messageBox(kPathTooLong, "", platform::MB_OK | platform::MB_ICONERROR);
            return false;
        }
        if (!uac || !isSystemDriveRoot(path))
            return true;
        if (askUseDocuments()) {
            path = GetMyDocumentsFolder();
            return true;
        }
    }
}

namespace {
ComputerBrowserFunc& computerBrowser()
{
    static ComputerBrowserFunc browser;
    return browser;
}
} // namespace

void setComputerBrowser(ComputerBrowserFunc browser) { computerBrowser() = std::move(browser); }

bool SelectComputer(const std::string& title, std::string& name)
{
    std::string chosen;
    if (!computerBrowser() || !computerBrowser()(title, chosen) || chosen.empty())
        return false;
    name = chosen;
    return true;
}

bool ExecuteFileDialog(const platform::FileDialogRequest& request, bool save,
                       std::string& fileName)
{
    const bool uac = isUacOn();
    for (;;) {
        platform::FileDialogRequest r = request;
        if (!fileName.empty())
            r.fileName = pickerStart(fileName);
        r.initialDir = pickerStart(r.initialDir);
        const auto picked = save ? platform::messageService().saveFileName(r)
                                 : platform::messageService().openFileName(r);
        if (!picked)
            return false;
        fileName = fromPicker(*picked);
        if (!uac || !isSystemDriveRoot(paths::extractFilePath(fileName)))
            return true;
        if (askUseDocuments()) {
            fileName = GetMyDocumentsFolder() + "\\" + paths::extractFileName(fileName);
            return true;
        }
    }
}

bool CheckSaveFolder(std::string& path)
{
    path = IncludeLastPathDelim(path);
    if (!isUacOn() || !isSystemDriveRoot(path))
        return true;
    if (askUseDocuments()) {
        path = GetMyDocumentsFolder();
        return true;
    }
    return false;
}
