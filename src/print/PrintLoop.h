// The print loop: PrintJob's body, the one-page print, the start dialog and the printing dialog.
#pragma once

#include "platform/Dialog.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

class QLabel;
class QPrintDialog;
class QPushButton;

namespace print {

struct TVL48DEF;

// Prints a job; −1 when printed to the end, 0 otherwise. Installed as the engine's print entry.
std::int16_t RunPrintJob(TVL48DEF* job);
// Prints one page of the job's data file without a print dialog.
void PrintCurrentPage(TVL48DEF* job, int page, int orientation);
// Installs RunPrintJob as the print entry point (the engine's start-up calls it).
void installPrintLoop();

// The PDF the PDF printer proposes for a document: "<documents folder>/<name>.pdf", with the date
// and time added when that file exists already.
std::string proposedPdfPath(const std::string& docTitle);

// Runs after every page the loop has drawn, with the printer's page number (tests stop a job with it).
void setAfterPageHook(std::function<void(int)> hook);

// A hidden holder of the platform's print dialog for one print.
class TStartPrintDlg {
public:
    TStartPrintDlg();
    ~TStartPrintDlg();
    QPrintDialog& PrintDialog() { return *m_dialog; }

private:
    std::unique_ptr<QPrintDialog> m_dialog;
};

// "印刷": shows the page being printed and runs the page loop from its timer.
class TNowPrintingdlg : public platform::Dialog {
    Q_OBJECT
public:
    explicit TNowPrintingdlg(QWidget* parent = nullptr);
    // The page loop; runs once from the timer.
    void PrintStart();
    void CancelButtonClick();
    QPushButton* cancelButton() const { return m_cancel; }
    QLabel* pageLabel() const { return m_pageLabel; }

protected:
    bool doCloseQuery(int result) override;

private:
    void runLoop();

    QLabel* m_pageLabel = nullptr;
    QPushButton* m_cancel = nullptr;
    bool m_running = false;
    bool m_started = false;
};

} // namespace print
