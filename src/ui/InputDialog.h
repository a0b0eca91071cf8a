#pragma once

// TInputDlgBox: the small dialog that asks for one value (text, masked password or a choice).

#include "platform/Colors.h"
#include "ui/BaseDialog.h"

#include <QStringList>

#include <cstdint>
#include <string>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class TxCheckBox;
class TxComboBox;
class TxEdit;
class TxPlButton;

// Asks for one value. Callers fill the fields, call ApplySettings, show it with
// platform::execDialog and read InputValue after OK; closing only hides it.
class TInputDlgBox : public TBSDI {
    Q_OBJECT
public:
    explicit TInputDlgBox(QWidget* parent = nullptr);
    ~TInputDlgBox() override;

    std::int32_t InputStyle = 0; // 0 text, 1 masked password, 2 combo box
    std::string DlgCaption;
    std::string DlgMessage;
    platform::TColor MessageColor = platform::clWindowText;
    std::string InputValue;
    std::string InputHint;
    std::int32_t InputMaxLength = 0; // CP932 bytes, 0 = no limit
    std::uint8_t InputImeMode = 3;   // 0 turns the input method off and refuses pasting
    std::uint8_t InputRequired = 0;
    std::int32_t FilterMode = 0; // 0 none, 10 number, 20 letters, 30 letters and digits, 40 name
    QStringList ComboItems;

    void ApplySettings();
    void SetInputFilter(std::int32_t mode);
    // Whether the key filter of the mode lets the character through.
    static bool FilterAccepts(std::int32_t mode, QChar ch);

    QLabel* lblMain() const { return m_lblMain; }
    TxEdit* txtInput() const { return m_txtInput; }
    TxCheckBox* btnFuseji() const { return m_btnFuseji; }
    TxComboBox* cmbInput() const { return m_cmbInput; }
    QWidget* pnlText() const { return m_pnlText; }
    QWidget* pnlCombo() const { return m_pnlCombo; }
    QPlainTextEdit* HintArea() const { return m_hintArea; }
    TxPlButton* btnOK() const { return m_btnOK; }
    TxPlButton* btnCancel() const { return m_btnCancel; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void btnOKClick();
    void btnFusejiClick();
    void limitLength(QLineEdit* edit, const QString& edited);
    int scaled(int designed) const;

    QWidget* m_clientPanel = nullptr;
    QWidget* m_bottomPanel = nullptr;
    QLabel* m_lblMain = nullptr;
    QWidget* m_pnlText = nullptr;
    TxEdit* m_txtInput = nullptr;
    TxCheckBox* m_btnFuseji = nullptr;
    QWidget* m_pnlCombo = nullptr;
    TxComboBox* m_cmbInput = nullptr;
    QWidget* m_panelHint = nullptr;
    QPlainTextEdit* m_hintArea = nullptr;
    TxPlButton* m_btnHelp = nullptr;
    TxPlButton* m_btnOK = nullptr;
    TxPlButton* m_btnCancel = nullptr;
    QString m_lastFitting; // the last text within InputMaxLength
};

namespace ui {
// Installs TInputDlgBox as the answer to the message service's input requests (start-up, the
// launch harness and tests).
void installInputDialog();
} // namespace ui
