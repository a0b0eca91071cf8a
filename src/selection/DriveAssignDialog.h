#pragma once

// The dialog that assigns a drive letter to a mounted network folder ("共有割当").

#include "ui/BaseDialog.h"

#include <string>

class QLabel;
class QLineEdit;
class TxComboBox;
class TxPlButton;

namespace selection {

// Lists the free letters and asks for an existing folder; OK stores the pair as a remote drive
// in "drives.ini" of the ini folder. Mounting is left to the system.
class TDriveAssignBox : public TBSDI {
public:
    explicit TDriveAssignBox(std::string iniFolder, QWidget* parent = nullptr);

    TxComboBox* cmbLetter() const { return m_cmbLetter; }
    QLineEdit* txtFolder() const { return m_txtFolder; }
    TxPlButton* btnBrowse() const { return m_btnBrowse; }
    TxPlButton* btnOK() const { return m_btnOK; }
    TxPlButton* btnCancel() const { return m_btnCancel; }
    // Whether OK stored the assignment.
    bool stored() const { return m_stored; }

private:
    void btnBrowseClick();
    void btnOKClick();

    std::string m_iniFolder;
    bool m_stored = false;
    TxComboBox* m_cmbLetter = nullptr;
    QLineEdit* m_txtFolder = nullptr;
    TxPlButton* m_btnBrowse = nullptr;
    TxPlButton* m_btnOK = nullptr;
    TxPlButton* m_btnCancel = nullptr;
};

// Shows the dialog modally: 0 when a drive was assigned, non-zero otherwise (cancelled, or the
// file could not be written, which has been reported).
int AssignSharedDrive(const std::string& iniFolder, QWidget* parent);

} // namespace selection
