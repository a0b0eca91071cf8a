#include "platform/MessageService.h"

#include "platform/Files.h"

#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>

#include <cstdio>
#include <cstdlib>

namespace platform {
namespace {

QString toQ(const std::string& s) { return QString::fromUtf8(s.data(), qsizetype(s.size())); }
std::string fromQ(const QString& s) { return s.toUtf8().toStdString(); }

// Windows boxes break lines at CR; Qt wants LF.
QString displayText(const std::string& text)
{
    QString t = toQ(text);
    t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    t.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return t;
}

std::string escapeLine(const std::string& s)
{
    std::string out;
    for (char c : s) {
        if (c == '\r')
            out += "\\r";
        else if (c == '\n')
            out += "\\n";
        else if (c == '\t')
            out += "\\t";
        else
            out += c;
    }
    return out;
}

QMessageBox::StandardButton qtButton(int id)
{
    switch (id) {
    case IDOK: return QMessageBox::Ok;
    case IDCANCEL: return QMessageBox::Cancel;
    case IDABORT: return QMessageBox::Abort;
    case IDRETRY: return QMessageBox::Retry;
    case IDIGNORE: return QMessageBox::Ignore;
    case IDYES: return QMessageBox::Yes;
    case IDNO: return QMessageBox::No;
    }
    return QMessageBox::NoButton;
}

class QtMessageService final : public MessageService {
public:
    int messageBox(const std::string& text, const std::string& caption, int flags) override
    {
        QMessageBox box(QApplication::activeWindow());
        box.setWindowTitle(toQ(caption));
        box.setText(displayText(text));
        switch (flags & 0xF0) {
        case MB_ICONERROR: box.setIcon(QMessageBox::Critical); break;
        case MB_ICONQUESTION: box.setIcon(QMessageBox::Question); break;
        case MB_ICONWARNING: box.setIcon(QMessageBox::Warning); break;
        case MB_ICONINFORMATION: box.setIcon(QMessageBox::Information); break;
        default: break;
        }
        const auto ids = buttonsOf(flags);
        QPushButton* defaultButton = nullptr;
        const int def = defaultAnswer(flags);
        for (int id : ids) {
            QPushButton* b = box.addButton(qtButton(id));
            if (id == def)
                defaultButton = b;
        }
        if (defaultButton)
            box.setDefaultButton(defaultButton);
        box.exec();
        auto* clicked = box.clickedButton();
        for (int id : ids)
            if (clicked == box.button(qtButton(id)))
                return id;
        // Closed without a button: Cancel where there is one, else the only button.
        for (int id : ids)
            if (id == IDCANCEL)
                return IDCANCEL;
        return ids.size() == 1 ? ids.front() : IDCANCEL;
    }

    std::optional<std::string> openFileName(const FileDialogRequest& r) override
    {
        const QString f = QFileDialog::getOpenFileName(QApplication::activeWindow(), toQ(r.caption),
                                                       toQ(r.initialDir), toQ(r.filter));
        if (f.isEmpty())
            return std::nullopt;
        return fromQ(f);
    }

    std::optional<std::string> saveFileName(const FileDialogRequest& r) override
    {
        QFileDialog dlg(QApplication::activeWindow(), toQ(r.caption), toQ(r.initialDir),
                        toQ(r.filter));
        dlg.setAcceptMode(QFileDialog::AcceptSave);
        dlg.setDefaultSuffix(toQ(r.defaultExt));
        if (!r.fileName.empty())
            dlg.selectFile(toQ(r.fileName));
        if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty())
            return std::nullopt;
        return fromQ(dlg.selectedFiles().front());
    }

    std::optional<std::string> folderName(const std::string& caption,
                                          const std::string& initialDir) override
    {
        const QString d = QFileDialog::getExistingDirectory(QApplication::activeWindow(),
                                                            toQ(caption), toQ(initialDir));
        if (d.isEmpty())
            return std::nullopt;
        return fromQ(d);
    }

    int execDialog(QDialog& dialog) override { return dialog.exec(); }
};

constexpr const char* kBoxKindProperty = "zetrinoMessageBoxKind";
constexpr const char* kBoxTextProperty = "zetrinoMessageBoxText";
constexpr const char* kBoxDefaultProperty = "zetrinoMessageBoxDefault";

// Message boxes are answered with their default button and recorded; every other dialog and
// picker shows for real, so a test drives it with keys as a user would.
class RecordingMessageService final : public MessageService {
public:
    explicit RecordingMessageService(std::string path) : m_path(std::move(path)) {}

    int messageBox(const std::string& text, const std::string& caption, int flags) override
    {
        append(kindOf(flags), caption, text);
        return defaultAnswer(flags);
    }
    std::optional<std::string> openFileName(const FileDialogRequest& r) override
    {
        return m_real.openFileName(r);
    }
    std::optional<std::string> saveFileName(const FileDialogRequest& r) override
    {
        return m_real.saveFileName(r);
    }
    std::optional<std::string> folderName(const std::string& caption,
                                          const std::string& initialDir) override
    {
        return m_real.folderName(caption, initialDir);
    }
    int execDialog(QDialog& dialog) override
    {
        const QVariant kind = dialog.property(kBoxKindProperty);
        if (!kind.isValid())
            return dialog.exec();
        append(fromQ(kind.toString()), fromQ(dialog.windowTitle()),
               fromQ(dialog.property(kBoxTextProperty).toString()));
        return dialog.property(kBoxDefaultProperty).toInt();
    }

private:
    void append(const std::string& kind, const std::string& caption, const std::string& text)
    {
        if (FILE* f = std::fopen(m_path.c_str(), "ab")) {
            const std::string line =
                kind + "\t" + escapeLine(caption) + "\t" + escapeLine(text) + "\n";
            std::fwrite(line.data(), 1, line.size(), f);
            std::fclose(f);
        }
    }
    std::string m_path;
    QtMessageService m_real;
};

MessageService* g_installed = nullptr;

MessageService& defaultService()
{
    static MessageService* service = [] () -> MessageService* {
        const char* path = std::getenv(kRecordEnvironmentVariable);
        if (path && *path)
            return new RecordingMessageService(path);
        return new QtMessageService;
    }();
    return *service;
}

} // namespace

MessageService& messageService() { return g_installed ? *g_installed : defaultService(); }

void setMessageService(MessageService* service) { g_installed = service; }

// Every box passes here: a file error it shows leaves its system text in the error log.
int messageBox(const std::string& text, const std::string& caption, int flags)
{
    files::logShownErrors(text);
    return messageService().messageBox(text, caption, flags);
}

int execDialog(QDialog& dialog)
{
    const QVariant text = dialog.property(kBoxTextProperty);
    if (text.isValid())
        files::logShownErrors(fromQ(text.toString()));
    return messageService().execDialog(dialog);
}

namespace {
InputHandler& inputHandler()
{
    static InputHandler handler;
    return handler;
}
} // namespace

std::optional<std::string> MessageService::inputBox(const InputRequest& request)
{
    const InputHandler& handler = inputHandler();
    if (!handler)
        return std::nullopt;
    return handler(request);
}

void setInputHandler(InputHandler handler) { inputHandler() = std::move(handler); }

std::optional<std::string> inputBox(const InputRequest& request)
{
    return messageService().inputBox(request);
}

void markMessageBox(QDialog& dialog, const std::string& kind, const std::string& text,
                    int defaultResult)
{
    dialog.setProperty(kBoxKindProperty, toQ(kind));
    dialog.setProperty(kBoxTextProperty, toQ(text));
    dialog.setProperty(kBoxDefaultProperty, defaultResult);
}

std::vector<int> buttonsOf(int flags)
{
    switch (flags & 0xF) {
    case MB_OKCANCEL: return {IDOK, IDCANCEL};
    case MB_ABORTRETRYIGNORE: return {IDABORT, IDRETRY, IDIGNORE};
    case MB_YESNOCANCEL: return {IDYES, IDNO, IDCANCEL};
    case MB_YESNO: return {IDYES, IDNO};
    case MB_RETRYCANCEL: return {IDRETRY, IDCANCEL};
    default: return {IDOK};
    }
}

int defaultAnswer(int flags)
{
    const auto ids = buttonsOf(flags);
    std::size_t index = 0;
    if (flags & MB_DEFBUTTON3)
        index = 2;
    else if (flags & MB_DEFBUTTON2)
        index = 1;
    return index < ids.size() ? ids[index] : ids.front();
}

std::string kindOf(int flags)
{
    switch (flags & 0xF0) {
    case MB_ICONERROR: return "error";
    case MB_ICONQUESTION: return "question";
    case MB_ICONWARNING: return "warning";
    case MB_ICONINFORMATION: return "information";
    default: return "none";
    }
}

} // namespace platform
