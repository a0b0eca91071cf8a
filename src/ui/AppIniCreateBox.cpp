// The data-server settings dialog and the start-up writing of the default settings file.
#include "ui/AppIniCreateBox.h"

#include "platform/Files.h"
#include "platform/MessageBox2.h"
#include "platform/MessageService.h"
#include "platform/Text.h"
#include "records/ProgramRecords.h"
#include "records/SystemUtils.h"
#include "ui/ComputerBrowserBox.h"
#include "ui/KeyComboBox.h"
#include "ui/KeyEdit.h"
#include "ui/OwnerDrawnButton.h"

#include <QGroupBox>
#include <QLabel>
#include <QShowEvent>
#include <QStyle>

#include <cmath>
#include <memory>

namespace {

QString q(const std::string& s) { return QString::fromStdString(s); }
std::string s(const QString& text) { return text.toStdString(); }

int scaledBy(const QWidget* w, int designed)
{
    const int ppi = w->logicalDpiY() > 0 ? w->logicalDpiY() : 96;
    return int(std::lround(double(designed) * ppi / 96.0));
}

bool blank(const QString& text) { return text.trimmed().isEmpty(); }

} // namespace

namespace ui {

void showYesErrorBox(const std::string& text)
{
    TMessage2InfoRec rec;
    InitMessage2Info(mtError, rec);
    rec.Buttons = msgButton(mbYes);
    std::size_t line = 0;
    std::size_t start = 0;
    while (line < rec.Lines.size()) {
        const std::size_t at = text.find('\r', start);
        rec.Lines[line++].Text = text.substr(start, at == std::string::npos ? std::string::npos : at - start);
        if (at == std::string::npos)
            break;
        start = at + 1;
    }
    ShowMessageBox2(rec);
}

} // namespace ui

bool CreateDefaultAppIni()
{
    try {
        TAppIniCreateBox box;
        if (!box.ready())
            return false;
        return TAppIniCreateBox::WriteIniSettings(1);
    } catch (const std::exception&) {
        // An unwritable data root (or text without a CP932 form): no settings file.
        return false;
    }
}

int ExecuteAppIniCreate(QWidget* parent)
{
    TAppIniCreateBox box(parent);
    if (!box.ready())
        return platform::mrCancel;
    return platform::execDialog(box);
}

TAppIniCreateBox::TAppIniCreateBox(QWidget* parent)
    : platform::Dialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("TAppIniCreateBox"));
    setWindowTitle(QStringLiteral("データサーバーの設定"));
    const auto px = [this](int designed) { return scaledBy(this, designed); };

    auto* header = new QWidget(this);
    header->setObjectName(QStringLiteral("pnlHeader"));
    header->setAutoFillBackground(true);
    QPalette white = header->palette();
    white.setColor(QPalette::Window, Qt::white);
    header->setPalette(white);
    header->setGeometry(0, 0, px(420), px(60));
    auto* icon = new QLabel(header);
    icon->setObjectName(QStringLiteral("Image1"));
    icon->setPixmap(style()->standardIcon(QStyle::SP_DriveNetIcon).pixmap(px(32), px(32)));
    icon->setGeometry(px(14), px(14), px(32), px(32));
    auto* label1 = new QLabel(header);
    label1->setObjectName(QStringLiteral("Label1"));
    label1->setGeometry(px(60), px(10), px(350), px(20));
    auto* label2 = new QLabel(header);
    label2->setObjectName(QStringLiteral("Label2"));
    label2->setGeometry(px(60), px(32), px(350), px(20));

    auto* group = new QGroupBox(QStringLiteral("データサーバー"), this);
    group->setObjectName(QStringLiteral("GroupBox1"));
    group->setGeometry(px(10), px(70), px(400), px(94));
    const auto caption = [&](const char* name, const QString& text, int y) {
        auto* l = new QLabel(text, group);
        l->setObjectName(QString::fromLatin1(name));
        l->setGeometry(px(12), px(y), px(110), px(22));
        return l;
    };
    caption("lblHostName", QStringLiteral("コンピュータ名:"), 24);
    m_txtHostName = new TxEdit(group);
    m_txtHostName->setObjectName(QStringLiteral("txtHostName"));
    m_txtHostName->setImeMode(TxEdit::imDisable);
    m_txtHostName->setToolTip(QStringLiteral("接続先のコンピューター名またはIPアドレスを入力して下さい。"));
    m_txtHostName->setGeometry(px(124), px(24), px(196), px(22));
    m_btnCompShow = new TxPlButton(QStringLiteral("btnCompShow"), group);
    m_btnCompShow->CaptionA().setCaption(QStringLiteral("参照"));
    m_btnCompShow->setTabStop(false);
    m_btnCompShow->setToolTip(QStringLiteral("ネットワークに接続されているコンピュータを表示します。"));
    m_btnCompShow->setGeometry(px(326), px(23), px(62), px(24));
    ui::installComputerBrowser();
    m_btnCompShow->OnClick = [this](QObject*) {
        std::string name;
        if (SelectComputer("サーバーのコンピュータを選択して下さい。サーバーのコンピュータがリストに無い"
                           "場合は、[ｷｬﾝｾﾙ]を押してコンピュータ名を入力して下さい。",
                           name))
            m_txtHostName->setText(QString::fromStdString(name));
    };

    caption("lblDataPath", QStringLiteral("データの場所:"), 58);
    m_cmbDrive = new TxComboBox(group);
    m_cmbDrive->setObjectName(QStringLiteral("cmbDrive"));
    for (char c = 'C'; c <= 'Z'; ++c)
        m_cmbDrive->addItem(QString(QLatin1Char(c)) + QLatin1Char(':'));
    m_cmbDrive->setCurrentIndex(0);
    m_cmbDrive->setKeyTerm(QStringLiteral(":"));
    m_cmbDrive->setToolTip(QStringLiteral("データを置いてあるドライブを選択して下さい。"));
    m_cmbDrive->setGeometry(px(124), px(58), px(62), px(22));
    m_txtDataPath = new TxEdit(group);
    m_txtDataPath->setObjectName(QStringLiteral("txtDataPath"));
    m_txtDataPath->setReadOnly(true);
    m_txtDataPath->setToolTip(QStringLiteral("データパス名を入力して下さい。"));
    m_txtDataPath->setGeometry(px(190), px(58), px(198), px(22));

    auto* lblUser = caption("lblUserName", QStringLiteral("データベースのユーザー:"), 92);
    m_txtUserName = new TxEdit(group);
    m_txtUserName->setObjectName(QStringLiteral("txtUserName"));
    m_txtUserName->setGeometry(px(124), px(92), px(196), px(22));
    auto* lblPassword = caption("lblPassWord", QStringLiteral("データベースのパスワード:"), 120);
    m_txtPassWord = new TxEdit(group);
    m_txtPassWord->setObjectName(QStringLiteral("txtPassWord"));
    m_txtPassWord->setEchoMode(QLineEdit::Password);
    m_txtPassWord->setGeometry(px(124), px(120), px(196), px(22));
    for (QWidget* w : {static_cast<QWidget*>(lblUser), static_cast<QWidget*>(m_txtUserName),
                       static_cast<QWidget*>(lblPassword), static_cast<QWidget*>(m_txtPassWord)})
        w->setVisible(false);

    m_btnOK = new TxPlButton(QStringLiteral("btnOK"), this);
    m_btnOK->CaptionA().setCaption(QStringLiteral("OK"));
    m_btnOK->setGeometry(px(226), px(176), px(88), px(28));
    m_btnOK->OnClick = [this](QObject*) { OKBtnClick(); };
    m_btnCancel = new TxPlButton(QStringLiteral("btnCancel"), this);
    m_btnCancel->CaptionA().setCaption(QStringLiteral("キャンセル"));
    m_btnCancel->setCancel(true);
    m_btnCancel->setModalResult(platform::mrCancel);
    m_btnCancel->setGeometry(px(322), px(176), px(88), px(28));

    setFixedSize(px(420), px(214));
    setTabOrder(m_txtHostName, m_cmbDrive);
    FormCreate();
    label1->setText(QStringLiteral("データサーバーを利用するための設定をおこないます。"));
    label2->setText(QStringLiteral("データサーバーの情報を入力して下さい。"));
}

TAppIniCreateBox::~TAppIniCreateBox() = default;

void TAppIniCreateBox::FormCreate()
{
    m_ready = false;
    m_sectionKind = 1;
    m_txtDataPath->setEnabled(false);
    m_txtUserName->setEnabled(false);
    m_txtPassWord->setEnabled(false);
    m_txtDataPath->setText(q(ServerDataDir));
    m_txtUserName->setText(q(SystemDef.DbUser));
    m_txtPassWord->setText(q(SystemDef.DbPassword));
    m_ready = true;
}

void TAppIniCreateBox::showEvent(QShowEvent* event)
{
    platform::Dialog::showEvent(event);
    if (event->spontaneous())
        return;
    ReadIniSection(m_sectionKind);
    m_txtHostName->setText(q(SystemDef.HostName));
    const QString drive = q(SystemDef.SysDir).left(2).toUpper();
    const int index = m_cmbDrive->findText(drive, Qt::MatchExactly);
    m_cmbDrive->setCurrentIndex(index >= 0 ? index : 0);
    m_txtUserName->setText(q(SystemDef.DbUser));
    m_txtPassWord->setText(q(SystemDef.DbPassword));
    m_txtHostName->setFocus();
    update();
}

void TAppIniCreateBox::OKBtnClick()
{
    SystemDef.HostName = s(m_txtHostName->text().toLower());
    SystemDef.SysDir = s((m_cmbDrive->currentText() + m_txtDataPath->text()).toLower());
    SystemDef.DbUser = s(m_txtUserName->text().toUpper());
    SystemDef.DbPassword = s(m_txtPassWord->text().toLower());
    SystemDef.GoGlobal = false;
    SystemDef.UseGroup = false;
    switch (ConnectMode) {
    case 0:
        SystemDef.HostName.clear();
        break;
    case 1:
        if (blank(m_txtHostName->text())) {
            ui::showYesErrorBox("コンピュータ名が指定されていません。\r入力してください。");
            return;
        }
        break;
    case 2:
        SystemDef.GoGlobal = true;
        if (blank(m_txtHostName->text())) {
            ui::showYesErrorBox("コンピュータ名が指定されていません。\r");
            return;
        }
        break;
    default:
        break;
    }
    if (blank(m_txtUserName->text())) {
        ui::showYesErrorBox("データベースのユーザーが指定されていません。\r入力してください。");
        return;
    }
    if (blank(m_txtPassWord->text())) {
        ui::showYesErrorBox("データベースのパスワードが指定されていません。\r入力してください。");
        return;
    }
    try {
        WriteIniSettings(0);
    } catch (const std::exception& e) {
        // The operator's entry stays in the dialog for another try.
        ui::showYesErrorBox(std::string("設定ファイルに書き込めませんでした。\r") + e.what());
        return;
    }
    setModalResult(platform::mrOk);
}
