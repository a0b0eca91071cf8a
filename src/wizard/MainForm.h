#pragma once

// The wizard main form TForm1: command line, start-up, pages, buttons and shut-down.

#include "export/LinkageExport.h"
#include "platform/CallerLink.h"

#include <QMainWindow>
#include <QStringList>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QCloseEvent;
class QFont;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QShowEvent;
class QTableWidget;
class TComDataExport;
class TDataSentakuListCtl;
class ProgressScope;
class TDM;
class TxPlButton;
class TxWizard;

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

// `TForm1`: the program's only main window, the export wizard. It owns the calling program's
// link, the completion code (sent once when it goes away), the export object and the data
// module.
class TForm1 : public QMainWindow {
    Q_OBJECT

public:
    // params: the program's parameters as the operating system passed them (argv[1] on).
    explicit TForm1(std::vector<std::string> params, QWidget* parent = nullptr);
    ~TForm1() override;

    // Start-up after creation; false when the program may not run (the reason was shown).
    bool InitApplication();

    // Creation ended the program (bad command line, failed step): no message loop.
    bool terminated() const { return m_terminated; }
    // The first showing ended the program (sign-in cancelled or failed).
    bool startupRefused() const { return m_startupRefused; }
    bool signedIn() const { return m_signedIn; }

    int completionCode() const { return m_completionCode; }
    void setCompletionCode(int code) { m_completionCode = code; }

    const platform::CallerLink& caller() const { return m_caller; }
    std::int32_t messageNumber() const { return m_messageNumber; }
    std::int32_t functionId() const { return m_functionId; }
    const std::string& callerOutputFile() const { return m_callerOutputFile; }
    // The drive of the system folder ("/" here).
    const std::string& systemDrive() const { return m_systemDrive; }
    const std::string& documentsFolder() const { return m_documentsFolder; }
    const std::string& failureText() const { return m_failureText; }
    TComDataExport* exportObject() const { return m_export.get(); }

    // The wizard and its controls, named as on the form.
    TxWizard* Wizard1() const { return m_wizard; }
    TxPlButton* Button1() const { return m_button1; }
    TxPlButton* Button2() const { return m_button2; }
    TxPlButton* btnCancel() const { return m_btnCancel; }
    QLabel* Memo1a() const { return m_memo1a; }
    QLabel* Memo1b() const { return m_memo1b; }
    QLabel* Label2a() const { return m_label2a; }
    TxPlButton* btnDataSentaku() const { return m_btnDataSentaku; }
    QTableWidget* listDataInfo() const { return m_listDataInfo; }
    QLabel* Label4a() const { return m_label4a; }
    QLineEdit* Edit4a() const { return m_edit4a; }
    TxPlButton* BitBtn4a() const { return m_bitBtn4a; }
    QPlainTextEdit* Memo5b() const { return m_memo5b; }

    // The page names left, in order.
    QStringList pageNames() const;
    QString currentPageName() const;

    // Start-up steps; public for the start-up tests.
    bool CreateDefaultIni();
    bool ShowLogon();
    void CloseDatabases();

    // Page and button handlers.
    void Wizard1NextClicking(bool FinalState, bool& AllowChange);
    void Wizard1NextClick(bool FinalState);
    void Wizard1PageChanged();
    void btnDataSentakuClick();
    void BitBtn4aClick();
    void btnCancelClick();
    int OpenDataSentaku(int SyoriType, int Open);
    bool CheckDataSentaku();
    void MakeSummary();
    int KyoyuDataReceive(bool Auto);
    int KyoyuDataSend(bool Auto);
    // 1 written, 3 stopped with an information, 4 failed.
    int MakeRendoFile(ProgressScope* progress = nullptr);

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void buildForm();
    void FormCreate();
    void FormDestroy();
    // The window system's close request (close box, Alt+F4).
    void WMClose();
    void CMShowingChanged();
    void setPageTexts();
    void removePages();
    void sendCompletionMessage();
    std::string selectionParameters(int SyoriType) const;
    TDataSentakuListCtl& catalogue();
    // Connects DataDir and checks it; empty when it may be used, else the question to ask
    // (the database is closed again then).
    std::string connectChosenData();
    // The output file as written: a bare name lies in the documents folder.
    std::string outputPath(const std::string& file) const;
    // The native folder of a path with its trailing "/", empty without a folder part.
    static std::string nativeFolder(const std::string& path);
    // Ends the program from within the message loop (the start-up failed after showing).
    void terminateApplication();

    std::vector<std::string> m_params;
    platform::CallerLink m_caller;
    std::int32_t m_messageNumber = 0;
    std::int32_t m_functionId = 0;
    std::string m_callerOutputFile;
    int m_completionCode = kCompletionFailed;
    bool m_terminated = false;
    bool m_startupRefused = false;
    bool m_completionSent = false;
    bool m_shownOnce = false;
    bool m_signedIn = false;
    bool m_companyOpen = false;
    bool m_destroyed = false;
    std::string m_systemDrive;
    std::string m_failureText;
    std::string m_documentsFolder;
    std::string m_previousDataDir;
    std::unique_ptr<TComDataExport> m_export;
    std::unique_ptr<TDM> m_dm;
    std::unique_ptr<TDataSentakuListCtl> m_catalogue;
    std::string m_pendingError;

    TxWizard* m_wizard = nullptr;
    TxPlButton* m_button1 = nullptr;
    TxPlButton* m_button2 = nullptr;
    TxPlButton* m_btnCancel = nullptr;
    QLabel* m_memo1a = nullptr;
    QLabel* m_memo1b = nullptr;
    QLabel* m_label2a = nullptr;
    TxPlButton* m_btnDataSentaku = nullptr;
    QTableWidget* m_listDataInfo = nullptr;
    QLabel* m_label2c = nullptr;
    QLabel* m_label4a = nullptr;
    QLineEdit* m_edit4a = nullptr;
    TxPlButton* m_bitBtn4a = nullptr;
    QLabel* m_label4b = nullptr;
    QLabel* m_memo5a = nullptr;
    QPlainTextEdit* m_memo5b = nullptr;
};

// The application information over the program's name constants.
void ApplyAppInfo();
// The folder set of SystemDef and the settings file's LOCAL section (made with the defaults when
// missing or empty). Throws when the program cannot run; failureText is then the text to show.
// font: the main form's, the operators' default font.
// The program's name in its messages (SystemDef.AppCaption once the form is shown).
inline constexpr const char* kProgramCaption = "ゼトリノ連動コンポーネント";

void ReadAppFolders(const QFont& font, std::string& failureText);

// The program entry: single-instance rule, main form, message loop. Returns the exit status,
// which equals the completion code sent to a calling program (2 when the program refuses to
// start).
int ProgramMain(int argc, char** argv);

// Tests only: when set (to anything), the entry asks the window system to close the main window
// as soon as the wizard shows after the sign-in, as a user clicking the close box would.
inline constexpr const char* kTestCloseOnShowVariable = "ZETRINO_TEST_CLOSE_ON_SHOW";

// Window title and caption of the program's boxes.
inline constexpr const char* kApplicationTitle = "連動ﾃﾞｰﾀの作成";
