#pragma once

// `TUpPasswordBox`: changes (or, with no current password, sets) the password of the
// password-confirmation sign-in. Passwords are 1 to 10 characters of 0-9, A-Z and a-z.

#include "platform/Dialog.h"

#include <string>

class QLabel;
class TxEdit;
class TxPlButton;

class TUpPasswordBox : public platform::Dialog {
    Q_OBJECT
public:
    // currentPassword: the stored password; empty turns the dialog into "パスワードの設定".
    explicit TUpPasswordBox(const std::string& currentPassword, QWidget* parent = nullptr);

    // The new password, once the dialog closed with OK.
    const std::string& NewPassword() const { return m_newPassword; }

    TxEdit* txtPasswordNow() const { return m_now; }
    TxEdit* txtPasswordNew1() const { return m_new1; }
    TxEdit* txtPasswordNew2() const { return m_new2; }
    TxPlButton* OKBtn() const { return m_ok; }
    TxPlButton* CancelBtn() const { return m_cancel; }
    QLabel* Label1() const { return m_label; }

private:
    void OKBtnClick();
    void refuse(const char* text, TxEdit* focus);

    std::string m_current;
    std::string m_newPassword;
    QLabel* m_label = nullptr;
    QLabel* m_nowCaption = nullptr;
    TxEdit* m_now = nullptr;
    TxEdit* m_new1 = nullptr;
    TxEdit* m_new2 = nullptr;
    TxPlButton* m_ok = nullptr;
    TxPlButton* m_cancel = nullptr;
};
