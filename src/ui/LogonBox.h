#pragma once

// The sign-in dialog "ログイン": standalone or client/server, operator code and password,
// checked by the server's LOGONUSERTEST on the system database of DM.
//
// Entry point:
//   bool RunLogon(QWidget* parent)
//       Builds the dialog, shows it modally and answers whether the operator signed in (the
//       sign-in fields of SystemDef are then filled and LOGONUSERLIST holds the operator's row).
//       False when the dialog cannot be built, is cancelled, or the sign-in failed for good.
//       Needs DM and SystemDef.IniFileName, GroupId, PcName and AppCaption set by start-up.

#include "platform/Dialog.h"

#include <string>

class QGroupBox;
class QLabel;
class TAppIniCreateBox;
class TxEdit;
class TxPlButton;
class TxRadioButton;

bool RunLogon(QWidget* parent = nullptr);

// `TLogonBox`: signs an operator in (run mode 0). In run modes 1-3 it is the
// password-confirmation variant "パスワードの確認": a fixed operator code (1, or 2 in run mode 3)
// and its password only, with the password change of TUpPasswordBox in run modes 2 and 3.
// Two hidden chords of the variant: Ctrl+Shift+J switches the header icon and Jimusho;
// Ctrl+Shift+D stores an empty password, only after the stored one was typed in this dialog.
class TLogonBox : public platform::Dialog {
    Q_OBJECT
public:
    explicit TLogonBox(QWidget* parent = nullptr);
    ~TLogonBox() override;

    // Set at the end of creation; the dialog is shown only then.
    bool created() const { return m_created; }
    // 2 in terminal-server mode, 0 for an unknown mode, else 1 for client/server, 0 standalone.
    int GetConnectMode() const;

    // Children, named as on the form.
    QLabel* Label1() const { return m_label1; }
    QLabel* Label2() const { return m_label2; }
    QLabel* Label3() const { return m_label3; }
    TxEdit* txtOpCode() const { return m_txtOpCode; }
    TxEdit* txtPassword() const { return m_txtPassword; }
    TxEdit* txtGroupID() const { return m_txtGroupID; }
    TxRadioButton* btnSA() const { return m_btnSA; }
    TxRadioButton* btnCS() const { return m_btnCS; }
    TxPlButton* btnServerSettei() const { return m_btnServerSettei; }
    TxPlButton* OKBtn() const { return m_OKBtn; }
    TxPlButton* CancelBtn() const { return m_CancelBtn; }
    TAppIniCreateBox* appIniCreateBox() const { return m_appIniCreate; }
    TxPlButton* btnUpPassword() const { return m_btnUpPassword; }

    // The password-confirmation variant (run modes 1-3).
    bool isPasswordVariant() const { return m_variant; }
    int fixedOperatorCode() const { return m_fixedCode; }
    // Reads the operator's stored password (run modes 2 and 3): true when one is stored.
    bool GetEntryPassword(int opCode);
    // Stores a password for the operator, inserting a "システムユーザー" row when it has none.
    bool UpdatePassword(int opCode, const std::string& password);
    void btnUpPasswordClick();

protected:
    void showEvent(QShowEvent* event) override;
    void doKeyDown(QKeyEvent& event) override;

private:
    void FormCreate();
    void btnSAClick();
    void btnServerSetteiClick();
    void OKBtnClick();
    bool connectSystemDatabase(int mode);
    void signIn(int loginCode, int jobLevel, int mode);
    void errorBox(const char* text);
    // The password-confirmation variant.
    void variantFormCreate();
    void variantLayout();
    void variantShow();
    void variantOKBtnClick();
    bool connectForPassword();

    bool m_created = false;
    bool m_groupFlag = false;
    TAppIniCreateBox* m_appIniCreate = nullptr;
    QLabel* m_label1 = nullptr;
    QLabel* m_label2 = nullptr;
    QLabel* m_label3 = nullptr;
    QLabel* m_label4 = nullptr;
    QGroupBox* m_groupBox1 = nullptr;
    QGroupBox* m_groupBox2 = nullptr;
    TxEdit* m_txtOpCode = nullptr;
    TxEdit* m_txtPassword = nullptr;
    TxEdit* m_txtGroupID = nullptr;
    TxRadioButton* m_btnSA = nullptr;
    TxRadioButton* m_btnCS = nullptr;
    TxPlButton* m_btnServerSettei = nullptr;
    TxPlButton* m_btnUpPassword = nullptr;
    TxPlButton* m_OKBtn = nullptr;
    TxPlButton* m_CancelBtn = nullptr;
    QLabel* m_icon = nullptr;
    QLabel* m_icon2 = nullptr;
    QLabel* m_lblOpCode = nullptr;
    QLabel* m_lblPassword = nullptr;

    bool m_variant = false;
    int m_fixedCode = 0;
    std::string m_storedPassword;
    bool m_passwordKnown = false;
    bool m_chordFlag = false;
};
