#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

class QDialog;

namespace platform {

// Button sets, icons and answers keep the Win32 values: callers and stored settings compare them.
enum MessageFlags : int {
    MB_OK = 0x0,
    MB_OKCANCEL = 0x1,
    MB_ABORTRETRYIGNORE = 0x2,
    MB_YESNOCANCEL = 0x3,
    MB_YESNO = 0x4,
    MB_RETRYCANCEL = 0x5,
    MB_ICONERROR = 0x10,
    MB_ICONQUESTION = 0x20,
    MB_ICONWARNING = 0x30,
    MB_ICONINFORMATION = 0x40,
    MB_DEFBUTTON1 = 0x0,
    MB_DEFBUTTON2 = 0x100,
    MB_DEFBUTTON3 = 0x200,
};

enum MessageResult : int {
    IDOK = 1,
    IDCANCEL = 2,
    IDABORT = 3,
    IDRETRY = 4,
    IDIGNORE = 5,
    IDYES = 6,
    IDNO = 7,
};

// What a file or folder picker is asked for. Paths are UTF-8 in the native form.
struct FileDialogRequest {
    std::string caption;
    std::string initialDir;
    std::string fileName;
    std::string filter;     // Qt filter text, e.g. "XML (*.xml);;すべて (*)"
    std::string defaultExt; // without the dot
};

// What the one-value input dialog is asked for, as the lower layers fill it (the dialog itself,
// TInputDlgBox of src/ui, is installed as the answer at start-up). Texts are UTF-8.
struct InputRequest {
    std::string caption;
    std::string message;
    std::uint32_t messageColor = 0x80000008; // 0x00BBGGRR or a system colour (clWindowText)
    std::string value;                       // the initial input
    std::string hint;
    std::int32_t maxLength = 0;   // CP932 bytes, 0 = no limit
    std::uint8_t imeMode = 3;     // 0: input method off
    std::int32_t filterMode = 0;  // as TInputDlgBox.SetInputFilter
    std::int32_t style = 0;       // 0 text, 1 masked password
    bool centerOnScreen = false;  // else centred on the active window
};
// Shows the request modally: the entry on OK, nullopt when closed any other way.
using InputHandler = std::function<std::optional<std::string>(const InputRequest&)>;

// Every modal box, picker and modal dialog goes through this service, so tests can answer them
// from a script and a program run under test can record them instead of blocking.
class MessageService {
public:
    virtual ~MessageService() = default;

    // A Win32-style message box: text with "\r" line breaks, caption, MB_* flags. Returns an ID*.
    virtual int messageBox(const std::string& text, const std::string& caption, int flags) = 0;
    virtual std::optional<std::string> openFileName(const FileDialogRequest& request) = 0;
    virtual std::optional<std::string> saveFileName(const FileDialogRequest& request) = 0;
    virtual std::optional<std::string> folderName(const std::string& caption,
                                                  const std::string& initialDir) = 0;
    // Shows a dialog modally and returns its result (QDialog::exec()).
    virtual int execDialog(QDialog& dialog) = 0;
    // Asks for one value: by default through the installed input handler (which shows its
    // dialog with execDialog); nullopt without one.
    virtual std::optional<std::string> inputBox(const InputRequest& request);
};

// The service in force: the Qt one, the record mode one (see below) or a test's.
MessageService& messageService();
// Installs a service (not owned); nullptr restores the default one.
void setMessageService(MessageService* service);

// Shorthands for the service in force.
int messageBox(const std::string& text, const std::string& caption, int flags);
int execDialog(QDialog& dialog);

// The input dialog (installed by src/ui at start-up); an empty handler removes it.
void setInputHandler(InputHandler handler);
// Asks the service in force for one value.
std::optional<std::string> inputBox(const InputRequest& request);

// Marks a dialog of our own that serves as a message box (kind as kindOf() names them, text with
// "\r" line breaks): record mode answers it with defaultResult instead of showing it.
void markMessageBox(QDialog& dialog, const std::string& kind, const std::string& text,
                    int defaultResult);

// The answer a box gives when its default button is taken.
int defaultAnswer(int flags);
// Which buttons a box shows, as ID* values in screen order.
std::vector<int> buttonsOf(int flags);
// "information", "warning", "error", "question" or "none", from the icon bits.
std::string kindOf(int flags);

// Record mode: when the environment variable ZETRINO_MESSAGE_RECORD names a file, the default
// service appends one line per box ("kind<TAB>caption<TAB>text", CR and LF written as \r and \n,
// UTF-8) and answers with the default button; so do the dialogs marked as message boxes. Every
// other dialog and picker shows for real.
inline constexpr const char* kRecordEnvironmentVariable = "ZETRINO_MESSAGE_RECORD";

} // namespace platform
