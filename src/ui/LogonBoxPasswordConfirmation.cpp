// The password-confirmation variant of the sign-in dialog (run modes 1-3): a fixed operator,
// its stored password, and the password change.
#include "ui/LogonBox.h"

#include "firebird/DatabaseError.h"
#include "firebird/Statement.h"
#include "platform/MessageService.h"
#include "records/DataModule.h"
#include "records/DbErrorHandler.h"
#include "records/ProgramRecords.h"
#include "ui/AppIniCreateBox.h"
#include "ui/KeyEdit.h"
#include "ui/KeyRadioButton.h"
#include "ui/OwnerDrawnButton.h"
#include "ui/UpPasswordBox.h"

#include <QApplication>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QTimer>

#include <cmath>
#include <cstdio>

namespace {

constexpr const char* kWrongPassword =
    "パスワードが違います。\r正しいパスワードを入力して下さい。";
constexpr const char* kCheckFailed = "パスワードの確認処理に失敗しました。";

int px(const QWidget* w, int designed)
{
    const int ppi = w->logicalDpiY() > 0 ? w->logicalDpiY() : 96;
    return int(std::lround(double(designed) * ppi / 96.0));
}

void rollbackQuietly(firebird::Transaction& tr)
{
    try {
        if (tr.inTransaction())
            tr.rollback();
    } catch (const std::exception&) {
    }
}

} // namespace

void TLogonBox::variantFormCreate()
{
    m_created = false;
    m_variant = true;
    m_groupFlag = false;
    setWindowTitle(QStringLiteral("パスワードの確認"));
    char line[512];
    std::snprintf(line, sizeof line, "%s を利用するには、", SystemDef.AppCaption.c_str());
    m_label1->setText(QString::fromStdString(line));
    m_label2->setText(QStringLiteral("パスワードを入力して下さい。"));
    m_label3->clear();
    // Only the password row stays.
    m_lblOpCode->setVisible(false);
    m_txtOpCode->setVisible(false);
    m_label4->setVisible(false);
    m_txtGroupID->setVisible(false);
    m_groupBox2->setVisible(false);
    m_fixedCode = RunMode == 3 ? 2 : 1;
    m_btnUpPassword->setVisible(RunMode == 2 || RunMode == 3);
    m_btnUpPassword->OnClick = [this](QObject*) { btnUpPasswordClick(); };
    m_appIniCreate = new TAppIniCreateBox(this);
    if (TAppIniCreateBox::ReadConnect() == 0)
        m_btnSA->setChecked(true);
    else
        m_btnCS->setChecked(true);
    m_OKBtn->OnClick = [this](QObject*) { variantOKBtnClick(); };
    m_created = true;
}

void TLogonBox::variantLayout()
{
    const auto p = [this](int designed) { return px(this, designed); };
    // The password row moves up into the place of the code row; the window is lower.
    m_lblPassword->move(p(16), p(18));
    m_txtPassword->move(p(120), p(18));
    m_groupBox1->setGeometry(p(10), p(78), p(380), p(50));
    const int buttonsTop = 78 + 50 + 12;
    m_btnUpPassword->setGeometry(p(10), p(buttonsTop), p(120), p(28));
    m_OKBtn->setGeometry(p(206), p(buttonsTop), p(88), p(28));
    m_CancelBtn->setGeometry(p(302), p(buttonsTop), p(88), p(28));
    setFixedSize(p(400), p(buttonsTop + 28 + 12));
    setTabOrder(m_txtPassword, m_OKBtn);
}

void TLogonBox::variantShow()
{
    m_txtPassword->setFocus();
    raise();
    activateWindow();
    if (RunMode != 2 && RunMode != 3)
        return;
    TAppIniCreateBox::ReadIniSettings(GetConnectMode());
    if (SystemDef.SysDir.empty()) {
        errorBox("設定ファイルからデータベース情報の取得に失敗しました。");
        // Only Cancel is left.
        m_OKBtn->setEnabled(false);
        m_txtPassword->setEnabled(false);
        m_btnUpPassword->setEnabled(false);
        m_CancelBtn->setFocus();
        return;
    }
    if (!GetEntryPassword(m_fixedCode)) {
        // No password yet: it is set first, once the dialog is on screen.
        QTimer::singleShot(0, this, [this] {
            if (isVisible() && m_OKBtn->isEnabled())
                btnUpPasswordClick();
        });
    }
}

bool TLogonBox::connectForPassword()
{
    if (!DM)
        return false;
    try {
        DM->IBDatabaseDEF.disconnect();
    } catch (const firebird::DatabaseError&) {
        DM->IBDatabaseDEF.forceClose();
    }
    bool connected = false;
    try {
        connected = DM->fnAccDefConnected(SystemDef.HostName, 0);
    } catch (const std::exception&) {
        connected = false;
    }
    if (!connected)
        errorBox("システムデータベースの接続処理に失敗しました。\riniファイルの情報が正しいか確認してください。");
    return connected;
}

bool TLogonBox::GetEntryPassword(int opCode)
{
    if (RunMode != 2 && RunMode != 3)
        return true;
    m_storedPassword.clear();
    m_passwordKnown = false;
    if (!connectForPassword())
        return false;
    firebird::Transaction& tr = DM->IBTransactionDEF;
    const bool started = !tr.inTransaction();
    try {
        if (started)
            tr.start();
        firebird::Statement query(tr, "SELECT PASWORD FROM OPERATOR WHERE GROUPID=:GROUPID AND OPCODE=:OPCODE");
        query.setInt("GROUPID", SystemDef.GroupId);
        query.setInt("OPCODE", opCode);
        firebird::Cursor row = query.open();
        if (row.fetch() && !row.isNull(0))
            m_storedPassword = row.getString(0);
        row.close();
        if (started)
            tr.commit();
    } catch (const firebird::DatabaseError& e) {
        if (started)
            rollbackQuietly(tr);
        HandleDbError(e, "TLogonBox.GetEntryPassword", "", false);
        errorBox(kCheckFailed);
        return false;
    } catch (const std::exception&) {
        if (started)
            rollbackQuietly(tr);
        errorBox(kCheckFailed);
        return false;
    }
    m_passwordKnown = !m_storedPassword.empty();
    return m_passwordKnown;
}

bool TLogonBox::UpdatePassword(int opCode, const std::string& password)
{
    if (RunMode == 1)
        return true;
    if (opCode == 0)
        return false;
    if (RunMode == 0 && TAppIniCreateBox::ReadIniSection(GetConnectMode()) == 0) {
        errorBox("パスワードの更新処理に失敗しました。");
        return false;
    }
    if (!connectForPassword())
        return false;
    firebird::Transaction& tr = DM->IBTransactionDEF;
    try {
        if (!tr.inTransaction())
            tr.start();
        int count = 0;
        {
            firebird::Statement q(tr, "SELECT COUNT(GROUPID) AS RECCNT FROM OPERATOR "
                                      "WHERE GROUPID=:GROUPID AND OPCODE=:OPCODE");
            q.setInt("GROUPID", SystemDef.GroupId);
            q.setInt("OPCODE", opCode);
            firebird::Cursor c = q.open();
            if (c.fetch())
                count = int(c.getInt("RECCNT"));
            c.close();
        }
        if (count > 0) {
            firebird::Statement u(tr, "UPDATE OPERATOR SET PASWORD=:PASWORD "
                                      "WHERE GROUPID=:GROUPID AND OPCODE=:OPCODE");
            u.setString("PASWORD", password);
            u.setInt("GROUPID", SystemDef.GroupId);
            u.setInt("OPCODE", opCode);
            u.execute();
        } else {
            firebird::Statement i(
                tr, "INSERT INTO OPERATOR(GROUPID,OPCODE,OPNAME,JOBLEVEL,PASWORD,DATAPAS,JIMUSHO,"
                    "OKINIIRI,KANSA) VALUES(:GROUPID,:OPCODE,:OPNAME,:JOBLEVEL,:PASWORD,:DATAPAS,"
                    ":JIMUSHO,:OKINIIRI,:KANSA)");
            i.setInt("GROUPID", SystemDef.GroupId);
            i.setInt("OPCODE", opCode);
            i.setString("OPNAME", "システムユーザー");
            i.setInt("JOBLEVEL", 9);
            i.setString("PASWORD", password);
            i.setString("DATAPAS", "");
            i.setInt("JIMUSHO", 0);
            i.setInt("OKINIIRI", 0);
            i.setInt("KANSA", 0);
            i.execute();
        }
        tr.commit();
        DM->IBDatabaseDEF.disconnect();
        return true;
    } catch (const firebird::DatabaseError& e) {
        rollbackQuietly(tr);
        HandleDbError(e, "TLogonBox.UpdatePassword", "", false);
        errorBox("パスワードの更新処理に失敗しました。");
    } catch (const std::exception&) {
        rollbackQuietly(tr);
        errorBox("パスワードの更新処理に失敗しました。");
    }
    return false;
}

void TLogonBox::btnUpPasswordClick()
{
    TUpPasswordBox box(m_storedPassword, this);
    if (platform::execDialog(box) != platform::mrOk)
        return;
    if (UpdatePassword(m_fixedCode, box.NewPassword())) {
        m_storedPassword = box.NewPassword();
        m_passwordKnown = !m_storedPassword.empty();
        m_OKBtn->setEnabled(true);
        m_txtPassword->setEnabled(true);
    }
}

void TLogonBox::variantOKBtnClick()
{
    const int mode = GetConnectMode();
    if (TAppIniCreateBox::ReadIniSettings(mode) == 0) {
        errorBox("iniファイルよりデータベース情報の取得に失敗しました。");
        return;
    }
    if (!DM || !connectSystemDatabase(mode))
        return;
    const std::string failed =
        std::string("パスワードの確認処理に失敗しました。\r") + SystemDef.AppCaption + "を終了します。";
    firebird::Transaction& tr = DM->IBTransactionDEF;
    try {
        if (!tr.inTransaction())
            tr.start();
        SystemDef.LoginId = 0;
        int num = -1;
        {
            firebird::Statement query(tr, "SELECT NUM,LOGINCODE,JOBLEVEL FROM LOGONUSERTEST"
                                          "(:PCNAME,:GROUPID,:OPCODE,:APPVERSION,:PASWORD)");
            query.setString("PCNAME", SystemDef.PcName);
            query.setInt("GROUPID", SystemDef.GroupId);
            query.setInt("OPCODE", m_fixedCode);
            query.setInt("APPVERSION", SystemDef.AppVersionNo);
            query.setString("PASWORD", m_txtPassword->text().toStdString());
            firebird::Cursor row = query.open();
            if (row.fetch())
                num = int(row.getInt("NUM"));
            row.close();
        }
        if (num == -1) {
            tr.commit();
            errorBox(kWrongPassword);
            m_txtPassword->setFocus();
            return;
        }
        if (num != 0 && num != 1) {
            tr.commit();
            return;
        }
        std::string name;
        {
            firebird::Statement query(tr, "SELECT OPNAME FROM OPERATOR WHERE (GROUPID=:GROUPID) AND (OPCODE=:OPCODE)");
            query.setInt("GROUPID", SystemDef.GroupId);
            query.setInt("OPCODE", m_fixedCode);
            firebird::Cursor row = query.open();
            if (row.fetch() && !row.isNull(0))
                name = row.getString(0);
            row.close();
        }
        tr.commit();
        SystemDef.LoginId = SystemDef.GroupId * 10000 + 9999;
        SystemDef.LoginCode = 9999;
        SystemDef.MyNumberAdm = 1;
        if (name.empty()) {
            switch (RunMode) {
            case 1: name = "電子帳簿"; break;
            case 2: name = "経営ヴェルトリン"; break;
            default:
                name = "現金出納帳";
                SystemDef.MyNumberAdm = 0;
                break;
            }
        }
        SystemDef.OperatorName = name;
        setModalResult(platform::mrOk);
    } catch (const firebird::DatabaseError& e) {
        rollbackQuietly(tr);
        HandleDbError(e, "TLogonBox.OKBtnClick", "", true);
        errorBox(failed.c_str());
        setModalResult(platform::mrCancel);
    } catch (const std::exception& e) {
        rollbackQuietly(tr);
        ShowErrorDialog(failed, e.what(), 1);
        setModalResult(platform::mrCancel);
    }
}

void TLogonBox::doKeyDown(QKeyEvent& event)
{
    platform::Dialog::doKeyDown(event);
    if (!m_variant)
        return;
    const auto mods = event.modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier);
    if (mods != (Qt::ShiftModifier | Qt::ControlModifier))
        return;
    if (event.key() == Qt::Key_J) {
        // The header shows the other icon and the office flag turns over.
        m_chordFlag = !m_chordFlag;
        m_icon->setVisible(!m_chordFlag);
        m_icon2->setVisible(m_chordFlag);
        SystemDef.Jimusho = !SystemDef.Jimusho;
        event.accept();
    } else if (event.key() == Qt::Key_D) {
        event.accept();
        // Never a way round the password: only once the stored one was typed here.
        if (!m_passwordKnown || m_txtPassword->text().toStdString() != m_storedPassword) {
            QApplication::beep();
            return;
        }
        if (UpdatePassword(m_fixedCode, std::string())) {
            m_storedPassword.clear();
            m_passwordKnown = false;
        }
    }
}
