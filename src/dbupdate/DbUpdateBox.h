#pragma once

// The upgrade dialog: lists the pending steps of the system or a company database and runs
// them, with a backup before and a restore after a failure when a step asks for one.

#include "dbupdate/DbUpdateCheck.h"
#include "platform/Dialog.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

class QFrame;
class QLabel;
class QPlainTextEdit;
class QProgressBar;
class QTreeWidget;
class TBackupRestoreThread;
class TxCheckBox;
class TxPlButton;

namespace dbupdate {

class TDbUpdateBox : public platform::Dialog {
    Q_OBJECT
public:
    // FormCreate: both step tables filled.
    explicit TDbUpdateBox(QWidget* parent = nullptr);
    ~TDbUpdateBox() override;

    // The version check of the mode and the dialog prepared for it.
    void InitUpdateList(std::uint8_t mode, std::string_view versionText);
    // 1 every pending step succeeded, 0 a step failed (and the backup, if any, was restored),
    // -1 nothing pending, a pending step without a routine, or the backup or restore failed.
    int ExecuteUpdates();
    // The operators signed in to the system database (mode 0), "[ %.4d ]:  %s" and CR each.
    std::string GetLoginUserText();

    void btnOkClick();
    void btnCancelClick();
    void cboxAgreeClick();
    void ListView1SelectItem(int row);

    // The check and its step tables; tests may replace the tables before InitUpdateList.
    DbUpdateCheck Check;
    bool busy() const { return m_busy; }

    QLabel* ImageRed = nullptr;
    QLabel* ImageGrn = nullptr;
    QLabel* lblTitle1 = nullptr;
    QLabel* lblTitle2 = nullptr;
    QLabel* lblTitle3 = nullptr;
    QTreeWidget* ListView1 = nullptr;
    QPlainTextEdit* RichEdit1 = nullptr;
    TxCheckBox* cboxAgree = nullptr;
    QFrame* pnlProgress = nullptr;
    QProgressBar* ProgressBar1 = nullptr;
    TxPlButton* btnOk = nullptr;
    TxPlButton* btnCancel = nullptr;

protected:
    void doKeyUp(QKeyEvent& event) override;
    bool doCloseQuery(int result) override;
    void showEvent(QShowEvent* event) override;

private:
    // Backs the database up (true) or restores it (false) through the backup worker, with the
    // progress window over this dialog; the worker's success flag.
    bool runBackupRestore(bool backup, const std::string& databaseFile, const std::string& backupFile);
    void keepCompanyBackupCopy(const std::string& backupFile);
    void setRowStatus(int row, const QString& text, int image);

    bool m_busy = false;
    std::unique_ptr<TBackupRestoreThread> m_worker; // alive during a backup or restore only
};

} // namespace dbupdate
