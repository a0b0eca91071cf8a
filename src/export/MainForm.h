#pragma once

#include "platform/CallerLink.h"

#include <QMainWindow>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

class QCloseEvent;

// What the completion message reports to the calling program; also the exit status.
enum CompletionCode : int {
    kCompletionWritten = 0,   // the linkage file was written
    kCompletionCancelled = 1, // the user cancelled or closed the window
    kCompletionFailed = 2,    // every other end
};

// The single parameter a calling program passes: "window,message,function id,output file".
struct CallerCommandLine {
    std::int64_t callerWindow = 0;
    std::int32_t messageNumber = 0;
    std::int32_t functionId = 0;
    std::string outputFile; // unchanged, cut at its first comma
};

// Reads the program's parameters (argv[1] on). No parameter gives the empty command line (no
// caller). nullopt when the command line is invalid: two or more parameters, or one of the first
// three fields not a decimal integer (or out of range).
std::optional<CallerCommandLine> ReadCommandLine(const std::vector<std::string>& params);

// The main form. For now a plain window; it owns the calling program's link and the completion
// code, and sends the completion message once when it goes away.
class TForm1 : public QMainWindow {
    Q_OBJECT

public:
    // params: the program's parameters as the operating system passed them (argv[1] on).
    explicit TForm1(std::vector<std::string> params, QWidget* parent = nullptr);
    ~TForm1() override;

    // Start-up after creation; false when the program may not run.
    bool InitApplication();

    // Creation ended the program (bad command line, failed step): no message loop.
    bool terminated() const { return m_terminated; }

    int completionCode() const { return m_completionCode; }
    void setCompletionCode(int code) { m_completionCode = code; }

    const platform::CallerLink& caller() const { return m_caller; }
    std::int32_t messageNumber() const { return m_messageNumber; }
    std::int32_t functionId() const { return m_functionId; }
    const std::string& callerOutputFile() const { return m_callerOutputFile; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void FormCreate();
    void FormDestroy();
    // The window system's close request (close box, Alt+F4).
    void WMClose();
    void sendCompletionMessage();

    std::vector<std::string> m_params;
    platform::CallerLink m_caller;
    std::int32_t m_messageNumber = 0;
    std::int32_t m_functionId = 0;
    std::string m_callerOutputFile;
    int m_completionCode = kCompletionFailed;
    bool m_terminated = false;
    bool m_completionSent = false;
};

// The program entry: single-instance rule, main form, message loop. Returns the exit status,
// which equals the completion code sent to a calling program (2 when the program refuses to
// start).
int ProgramMain(int argc, char** argv);

// Tests only: when set (to anything), the entry asks the window system to close the main window
// as soon as the message loop runs, as a user clicking the close box would.
inline constexpr const char* kTestCloseOnShowVariable = "ZETRINO_TEST_CLOSE_ON_SHOW";

// Window title and caption of the program's boxes.
inline constexpr const char* kApplicationTitle = "連動ﾃﾞｰﾀの作成";
