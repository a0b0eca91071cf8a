// The sign-in dialog: settings of the chosen mode, system-database connection, LOGONUSERTEST.
#include "ui/LogonBox.h"

#include "firebird/DatabaseError.h"
#include "firebird/Statement.h"
#include "platform/MessageBox2.h"
#include "platform/MessageService.h"
#include "records/DataModule.h"
#include "records/DbErrorHandler.h"
#include "records/DbErrorText.h"
#include "records/ProgramRecords.h"
#include "ui/AppIniCreateBox.h"
#include "ui/KeyEdit.h"
#include "ui/KeyRadioButton.h"
#include "ui/OwnerDrawnButton.h"

#include <QGroupBox>
#include <QLabel>
#include <QShowEvent>
#include <QStyle>

#include <cmath>
#include <cstdio>
#include <memory>
#include <vector>

namespace {

constexpr const char* kWrongCode =
    "コードまたはパスワードが違います。\r正しいコードまたはパスワードを入力して下さい。";
constexpr const char* kSignedInElsewhere =
    "指定したユーザーは既にシステムへログインしているため、ログインできませんでした。";
constexpr const char* kConnectFailed = "財務システムデータベースの接続処理に失敗しました。";

QString q(const std::string& s) { return QString::fromStdString(s); }

int scaledBy(const QWidget* w, int designed)
{
    const int ppi = w->logicalDpiY() > 0 ? w->logicalDpiY() : 96;
    return int(std::lround(double(designed) * ppi / 96.0));
}

std::vector<std::string> unreachableFileLines(int mode)
{
    const std::string head = "ログイン処理に失敗しました。以下の理由が考えられます。";
    if (mode == 0)
        return {head, "１）データファイルが見つからない。", "２）別のプロセスがデータファイルを使用中。"};
    const std::vector<std::string> server = {
        "サーバー上でFireBirdサービスが起動しているか確認して下さい。",
        "ログイン画面の[サーバー設定]ボタンを押して正しい情報が設定されているか確認して下さい。",
        "Windowsファイヤーウォール(市販のセキュリティソフト含む)が有効の場合は、"
        "このアプリケーションがサーバーと通信できる状態か確認して下さい。"};
    if (mode == 1)
        return {head, "１）" + server[0], "２）" + server[1], "３）" + server[2]};
    // Terminal-server mode, which this program never selects.
    return {head, "１）ソリューションが正常に動作しているか確認して下さい。", "２）" + server[0],
            "３）" + server[1], "４）" + server[2]};
}

void showConnectFailure(const std::vector<std::string>& lines)
{
    TMessage2InfoRec rec;
    InitMessage2Info(mtInformation, rec);
    for (std::size_t i = 0; i < lines.size() && i < rec.Lines.size(); ++i)
        rec.Lines[i].Text = lines[i];
    ShowMessageBox2(rec);
}

bool digitOrControl(QChar ch) { return ch.isNull() || ch < QChar(u' ') || (ch >= u'0' && ch <= u'9'); }

} // namespace

bool RunLogon(QWidget* parent)
{
    std::unique_ptr<TLogonBox> box;
    try {
        box = std::make_unique<TLogonBox>(parent);
    } catch (const std::exception&) {
        return false;
    }
    if (!box->created())
        return false;
    return platform::execDialog(*box) == platform::mrOk;
}

TLogonBox::TLogonBox(QWidget* parent)
    : platform::Dialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("TLogonBox"));
    setWindowTitle(QStringLiteral("ログイン"));
    const auto px = [this](int designed) { return scaledBy(this, designed); };

    auto* header = new QWidget(this);
    header->setObjectName(QStringLiteral("pnlHeader"));
    header->setAutoFillBackground(true);
    QPalette white = header->palette();
    white.setColor(QPalette::Window, Qt::white);
    header->setPalette(white);
    header->setGeometry(0, 0, px(400), px(70));
    auto* icon = new QLabel(header);
    icon->setObjectName(QStringLiteral("Image1"));
    icon->setPixmap(style()->standardIcon(QStyle::SP_DialogApplyButton).pixmap(px(32), px(32)));
    icon->setGeometry(px(14), px(19), px(32), px(32));
    m_icon = icon;
    m_icon2 = new QLabel(header);
    m_icon2->setObjectName(QStringLiteral("Image2"));
    m_icon2->setPixmap(style()->standardIcon(QStyle::SP_FileDialogInfoView).pixmap(px(32), px(32)));
    m_icon2->setGeometry(px(14), px(19), px(32), px(32));
    m_icon2->setVisible(false);
    m_label1 = new QLabel(header);
    m_label1->setObjectName(QStringLiteral("Label1"));
    m_label1->setGeometry(px(60), px(8), px(334), px(18));
    m_label2 = new QLabel(header);
    m_label2->setObjectName(QStringLiteral("Label2"));
    m_label2->setGeometry(px(60), px(27), px(334), px(18));
    m_label3 = new QLabel(header);
    m_label3->setObjectName(QStringLiteral("Label3"));
    m_label3->setGeometry(px(60), px(46), px(334), px(18));

    m_groupBox1 = new QGroupBox(this);
    m_groupBox1->setObjectName(QStringLiteral("GroupBox1"));
    const auto caption = [&](const char* name, const QString& text, int y) {
        auto* l = new QLabel(text, m_groupBox1);
        l->setObjectName(QString::fromLatin1(name));
        l->setGeometry(px(16), px(y), px(100), px(22));
        return l;
    };
    m_lblOpCode = caption("lblOpCode", QStringLiteral("コード:"), 18);
    m_txtOpCode = new TxEdit(m_groupBox1);
    m_txtOpCode->setObjectName(QStringLiteral("txtOpCode"));
    m_txtOpCode->setMaxLength(9);
    m_txtOpCode->setImeMode(TxEdit::imDisable);
    m_txtOpCode->setToolTip(QStringLiteral("オペレータコードを入力します。"));
    m_txtOpCode->setGeometry(px(120), px(18), px(120), px(22));
    m_lblPassword = caption("lblPassword", QStringLiteral("パスワード:"), 48);
    m_txtPassword = new TxEdit(m_groupBox1);
    m_txtPassword->setObjectName(QStringLiteral("txtPassword"));
    m_txtPassword->setMaxLength(16);
    m_txtPassword->setEchoMode(QLineEdit::Password);
    m_txtPassword->setImeMode(TxEdit::imDisable);
    m_txtPassword->setToolTip(QStringLiteral("パスワードを入力します。"));
    m_txtPassword->setKeyStyles(TKeyStyles{ksUp});
    m_txtPassword->setGeometry(px(120), px(48), px(180), px(22));
    m_label4 = caption("Label4", QStringLiteral("グループ:"), 78);
    m_txtGroupID = new TxEdit(m_groupBox1);
    m_txtGroupID->setObjectName(QStringLiteral("txtGroupID"));
    m_txtGroupID->setMaxLength(16);
    m_txtGroupID->setEchoMode(QLineEdit::Password);
    m_txtGroupID->setImeMode(TxEdit::imDisable);
    m_txtGroupID->setGeometry(px(120), px(78), px(180), px(22));

    m_groupBox2 = new QGroupBox(this);
    m_groupBox2->setObjectName(QStringLiteral("GroupBox2"));
    m_btnSA = new TxRadioButton(QStringLiteral("スタンドアロン"), m_groupBox2);
    m_btnSA->setObjectName(QStringLiteral("btnSA"));
    m_btnSA->setToolTip(QStringLiteral("このコンピュータで管理しているデータを処理します。"));
    m_btnSA->setGeometry(px(16), px(14), px(120), px(24));
    m_btnCS = new TxRadioButton(QStringLiteral("クライアント(C/S)"), m_groupBox2);
    m_btnCS->setObjectName(QStringLiteral("btnCS"));
    m_btnCS->setToolTip(
        QStringLiteral("ネットワークに接続して、サーバーで管理しているデータを処理します。"));
    m_btnCS->setGeometry(px(140), px(14), px(140), px(24));
    m_btnServerSettei = new TxPlButton(QStringLiteral("btnServerSettei"), m_groupBox2);
    m_btnServerSettei->CaptionA().setCaption(QStringLiteral("サーバー設定"));
    m_btnServerSettei->setTabStop(false);
    m_btnServerSettei->setToolTip(QStringLiteral("データサーバーの情報を設定します。"));
    m_btnServerSettei->setGeometry(px(282), px(13), px(96), px(26));
    m_btnServerSettei->OnClick = [this](QObject*) { btnServerSetteiClick(); };
    connect(m_btnSA, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            btnSAClick();
    });
    connect(m_btnCS, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            btnSAClick();
    });

    m_btnUpPassword = new TxPlButton(QStringLiteral("btnUpPassword"), this);
    m_btnUpPassword->CaptionA().setCaption(QStringLiteral("パスワードを変更 "));
    m_btnUpPassword->setToolTip(QStringLiteral("パスワードを変更します。"));
    m_btnUpPassword->setVisible(false);
    m_OKBtn = new TxPlButton(QStringLiteral("OKBtn"), this);
    m_OKBtn->CaptionA().setCaption(QStringLiteral("OK"));
    m_CancelBtn = new TxPlButton(QStringLiteral("CancelBtn"), this);
    m_CancelBtn->CaptionA().setCaption(QStringLiteral("キャンセル"));
    m_CancelBtn->setCancel(true);
    m_CancelBtn->setModalResult(platform::mrCancel);

    // Operator code moves on with Enter; Enter in the password goes to OK.
    m_txtOpCode->OnKeyPress = [](QChar& ch) {
        if (!digitOrControl(ch))
            ch = QChar();
    };
    m_txtGroupID->OnKeyPress = m_txtOpCode->OnKeyPress;
    m_txtPassword->OnKeyPress = [this](QChar& ch) {
        if (ch == QChar(u'\r')) {
            ch = QChar();
            m_OKBtn->setFocus();
        }
    };

    if (RunMode >= 1 && RunMode <= 3) {
        variantFormCreate();
        variantLayout();
        return;
    }
    FormCreate();

    // Layout: the group row only with groups.
    const int box1Height = m_groupBox1->isVisibleTo(this) && m_txtGroupID->isVisibleTo(this) ? 110 : 80;
    m_groupBox1->setGeometry(px(10), px(78), px(380), px(box1Height));
    const int box2Top = 78 + box1Height + 8;
    m_groupBox2->setGeometry(px(10), px(box2Top), px(380), px(48));
    const int buttonsTop = box2Top + 48 + 12;
    m_btnUpPassword->setGeometry(px(10), px(buttonsTop), px(120), px(28));
    m_OKBtn->setGeometry(px(206), px(buttonsTop), px(88), px(28));
    m_CancelBtn->setGeometry(px(302), px(buttonsTop), px(88), px(28));
    setFixedSize(px(400), px(buttonsTop + 28 + 12));
    setTabOrder(m_txtGroupID, m_txtOpCode);
    setTabOrder(m_txtOpCode, m_txtPassword);
    setTabOrder(m_txtPassword, m_btnSA);
}

TLogonBox::~TLogonBox() = default;

void TLogonBox::FormCreate()
{
    m_created = false;
    m_groupFlag = ConnectMode == 2 && SystemDef.UseGroup;
    char line[512];
    std::snprintf(line, sizeof line, "%s を利用するには、", SystemDef.AppCaption.c_str());
    m_label1->setText(q(line));
    m_label2->setText(m_groupFlag ? QStringLiteral("グループ、オペレータコードとパスワードを入力して下さい。")
                                  : QStringLiteral("オペレータコードとパスワードを入力して下さい。"));
    m_label3->clear();
    if (!m_groupFlag) {
        m_label4->setVisible(false);
        m_txtGroupID->setVisible(false);
    }
    m_appIniCreate = new TAppIniCreateBox(this);
    if (TAppIniCreateBox::ReadConnect() == 0)
        m_btnSA->setChecked(true);
    else
        m_btnCS->setChecked(true);
    m_OKBtn->OnClick = [this](QObject*) { OKBtnClick(); };
    m_created = true;
}

void TLogonBox::showEvent(QShowEvent* event)
{
    platform::Dialog::showEvent(event);
    if (event->spontaneous())
        return;
    if (m_variant) {
        variantShow();
        return;
    }
    m_btnServerSettei->setEnabled(m_btnCS->isChecked());
    if (m_groupFlag)
        m_txtGroupID->setFocus();
    else
        m_txtOpCode->setFocus();
    // Come to the front even when another program's window is active.
    raise();
    activateWindow();
    update();
}

int TLogonBox::GetConnectMode() const
{
    if (ConnectMode == 2)
        return 2;
    if (ConnectMode > 2)
        return 0;
    return m_btnCS->isChecked() ? 1 : 0;
}

void TLogonBox::btnSAClick()
{
    if (ConnectMode != 2)
        ConnectMode = m_btnCS->isChecked() ? 1 : 0;
    m_btnServerSettei->setEnabled(m_btnCS->isChecked());
}

void TLogonBox::btnServerSetteiClick()
{
    if (m_appIniCreate && m_appIniCreate->ready())
        platform::execDialog(*m_appIniCreate);
}

void TLogonBox::errorBox(const char* text)
{
    platform::messageBox(text, records::dialogCaption(1), platform::MB_OK | platform::MB_ICONERROR);
}

bool TLogonBox::connectSystemDatabase(int mode)
{
    try {
        DM->IBDatabaseDEF.disconnect();
    } catch (const firebird::DatabaseError&) {
        DM->IBDatabaseDEF.forceClose(); // a dead link cannot be closed cleanly
    }
    try {
        return DM->fnAccDefConnected(SystemDef.HostName, 0);
    } catch (const firebird::DatabaseError& e) {
        char code[600];
        std::snprintf(code, sizeof code, "(IBXエラーコード:%ld) %s", e.statusCode(),
                      DbErrorText(std::int32_t(e.statusCode()), e.sqlCode()).c_str());
        // The file was found and opened, but its pages could not be read (cut short, damaged):
        // neither a missing file nor one in use, which is what the two reasons would say.
        const bool damaged = e.statusCode() == firebird::kIoError
                             && e.message().find("\"read\" operation") != std::string::npos;
        if (damaged)
            showConnectFailure({kConnectFailed, "システムデータベースのファイルが破損している恐れがあります。",
                                "[例外内容]", code});
        else if (e.statusCode() == firebird::kIoError || e.statusCode() == firebird::kNetworkError)
            showConnectFailure(unreachableFileLines(mode));
        else
            showConnectFailure({kConnectFailed, "[例外内容]", code});
    } catch (const std::exception& e) {
        showConnectFailure({kConnectFailed, "[例外内容]", e.what()});
    }
    return false;
}

void TLogonBox::OKBtnClick()
{
    const int mode = GetConnectMode();
    if (TAppIniCreateBox::ReadIniSection(mode) == 0) {
        errorBox("iniファイルよりデータベース情報の取得に失敗しました。");
        return;
    }
    if (SystemDef.UseGroup) {
        int group = int(m_txtGroupID->Long());
        SystemDef.GroupId = group > 99999 ? 0 : group;
    }
    const int opCode = int(m_txtOpCode->Long());
    if (opCode < 10) {
        errorBox(kWrongCode);
        m_txtOpCode->setFocus();
        return;
    }
    if (mode == 1 || mode == 2) {
        const std::string advice = mode == 1 ? "[サーバー設定]ボタンを押して正しい情報を入力して下さい。"
                                             : "[データサーバーの設定]を起動し正しい情報を入力して下さい。";
        if (SystemDef.HostName.empty()) {
            errorBox(("データサーバーのコンピュータ名が設定されていません。\r" + advice).c_str());
            return;
        }
        if (SystemDef.SysDir.empty()) {
            errorBox(("データサーバー上のデータパスが設定されていません。\r" + advice).c_str());
            return;
        }
    }
    if (!DM || !connectSystemDatabase(mode))
        return;

    firebird::Transaction& tr = DM->IBTransactionDEF;
    try {
        if (!tr.inTransaction())
            tr.start();
        SystemDef.LoginId = 0;
        int num = 0;
        int loginCode = 0;
        int jobLevel = 0;
        {
            firebird::Statement query(tr, "SELECT NUM,LOGINCODE,JOBLEVEL FROM LOGONUSERTEST"
                                          "(:PCNAME,:GROUPID,:OPCODE,:APPVERSION,:PASWORD)");
            query.setString("PCNAME", SystemDef.PcName);
            query.setInt("GROUPID", SystemDef.GroupId);
            query.setInt("OPCODE", opCode);
            query.setInt("APPVERSION", 2);
            query.setString("PASWORD", m_txtPassword->text().toStdString());
            firebird::Cursor row = query.open();
            if (row.fetch()) {
                num = int(row.getInt("NUM"));
                loginCode = int(row.getInt("LOGINCODE"));
                jobLevel = int(row.getInt("JOBLEVEL"));
            }
            row.close();
        }
        tr.commit();
        switch (num) {
        case -1:
            errorBox(kWrongCode);
            m_txtOpCode->setFocus();
            return;
        case -3:
            errorBox(kSignedInElsewhere);
            return;
        case 0:
        case 1:
            signIn(loginCode, jobLevel, mode);
            return;
        default:
            return;
        }
    } catch (const firebird::DatabaseError& e) {
        try {
            if (tr.inTransaction())
                tr.rollback();
        } catch (const std::exception&) {
        }
        HandleDbError(e, "TLogonBox.OKBtnClick", "", true);
        errorBox(("ログイン処理に失敗しました。\r" + SystemDef.AppCaption + "を終了します。").c_str());
        setModalResult(platform::mrCancel);
    } catch (const std::exception& e) {
        try {
            if (tr.inTransaction())
                tr.rollback();
        } catch (const std::exception&) {
        }
        ShowErrorDialog("ログイン処理に失敗しました。\r" + SystemDef.AppCaption + "を終了します。",
                        e.what(), 1);
        setModalResult(platform::mrCancel);
    }
}

void TLogonBox::signIn(int loginCode, int jobLevel, int mode)
{
    setModalResult(platform::mrOk);
    SystemDef.LoginId = SystemDef.GroupId * 10000 + loginCode;

    firebird::Transaction& tr = DM->IBTransactionDEF;
    // Each operator read starts its own transaction when none is active; a failed read leaves
    // its default and is not shown.
    const auto readOperator = [&](const char* sql, const auto& use) {
        const bool started = !tr.inTransaction();
        try {
            if (started)
                tr.start();
            firebird::Statement query(tr, sql);
            query.setInt("GROUPID", SystemDef.GroupId);
            query.setInt("OPCODE", loginCode);
            firebird::Cursor row = query.open();
            while (row.fetch())
                use(row);
            row.close();
            if (started)
                tr.commit();
            return true;
        } catch (const std::exception&) {
            try {
                if (started && tr.inTransaction())
                    tr.rollback();
            } catch (const std::exception&) {
            }
            return false;
        }
    };

    std::string name;
    bool jimusho = false;
    if (!readOperator("SELECT OPNAME,JIMUSHO FROM OPERATOR WHERE (GROUPID=:GROUPID) AND (OPCODE=:OPCODE)",
                      [&](firebird::Cursor& row) {
                          name = row.isNull(0) ? std::string() : row.getString(0);
                          jimusho = !row.isNull(1) && row.getInt64(1) == 1;
                      })) {
        name.clear();
        jimusho = false;
    }
    SystemDef.OperatorName = name;
    SystemDef.Jimusho = jimusho;
    SystemDef.JobLevel = jobLevel;
    SystemDef.LoginCode = loginCode;

    bool myNumberAdm = false;
    if (!readOperator("SELECT MYNUMBER_ADM FROM OPERATOR WHERE (GROUPID=:GROUPID) AND (OPCODE=:OPCODE)",
                      [&](firebird::Cursor& row) {
                          myNumberAdm = !row.isNull(0) && row.getInt64(0) == 1;
                      }))
        myNumberAdm = false;
    SystemDef.MyNumberAdm = myNumberAdm ? 1 : 0;

    SystemDef.ServerTempFolder.clear();
    if (mode == 1 || mode == 2) {
        const std::string& dir = SystemDef.SysDir;
        const std::string drive = dir.size() >= 2 && dir[1] == ':' ? dir.substr(0, 2) : std::string();
        SystemDef.ServerTempFolder = drive + ServerTempDir;
    }
    TAppIniCreateBox::WriteConnect(mode);
}
