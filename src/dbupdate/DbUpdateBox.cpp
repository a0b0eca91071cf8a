#include "dbupdate/DbUpdateBox.h"

#include "dbupdate/IsqlScriptRunner.h"
#include "platform/Colors.h"
#include "platform/Fonts.h"
#include "platform/MessageService.h"
#include "platform/Paths.h"
#include "records/AppInfoRecord.h"
#include "records/DataModule.h"
#include "records/DatabaseWorker.h"
#include "records/DbErrorHandler.h"
#include "records/FileUtils.h"
#include "records/LoginUserList.h"
#include "records/ProgramRecords.h"
#include "records/SystemUtils.h"
#include "records/TextProtection.h"
#include "ui/KeyCheckBox.h"
#include "ui/OwnerDrawnButton.h"
#include "ui/ProgressDialog.h"
#include "ui/SimpleMessageBox.h"

#include <QApplication>
#include <QEventLoop>
#include <QFrame>
#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QScreen>
#include <QTimer>
#include <QTreeWidget>

#include <cstdio>

namespace dbupdate {
namespace {

QString qs(const std::string& s) { return QString::fromStdString(s); }

// A round mark of 33 pixels (red: system data, green: company data) and the two row marks.
QPixmap mark(const QColor& color, int size)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(color);
    p.setPen(color.darker(140));
    p.drawEllipse(1, 1, size - 3, size - 3);
    return pixmap;
}

void waitMSec(int msec)
{
    QEventLoop loop;
    QTimer::singleShot(msec, &loop, &QEventLoop::quit);
    loop.exec();
}

const char* failureText(int mode)
{
    return mode == 0 ? "システムデータの更新に失敗しました。" : "会計データの更新に失敗しました。";
}

} // namespace

TDbUpdateBox::TDbUpdateBox(QWidget* parent)
    : platform::Dialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
{
    setWindowTitle(QStringLiteral("データベースの更新"));
    setFixedSize(472, 502);
    setFont(platform::windowsFont(QStringLiteral("ＭＳ Ｐゴシック"), 12));

    ImageRed = new QLabel(this);
    ImageRed->setGeometry(24, 16, 33, 33);
    ImageRed->setPixmap(mark(QColor(0xd0, 0x30, 0x30), 33));
    ImageRed->hide();
    ImageGrn = new QLabel(this);
    ImageGrn->setGeometry(24, 16, 33, 33);
    ImageGrn->setPixmap(mark(QColor(0x30, 0xa0, 0x40), 33));
    lblTitle1 = new QLabel(QStringLiteral("データの更新を行います。"), this);
    lblTitle1->setGeometry(72, 20, 398, 14);
    lblTitle2 = new QLabel(QStringLiteral("バックアップを取得せずに、この処理を行うと元に戻すことが出来ません。"), this);
    lblTitle2->setGeometry(72, 36, 398, 14);
    lblTitle3 = new QLabel(QStringLiteral("必ずバックアップを取得後に実行することを強く推奨します。"), this);
    lblTitle3->setGeometry(72, 52, 398, 14);

    ListView1 = new QTreeWidget(this);
    ListView1->setGeometry(16, 80, 440, 249);
    ListView1->setRootIsDecorated(false);
    ListView1->setSelectionBehavior(QAbstractItemView::SelectRows);
    ListView1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ListView1->setFocusPolicy(Qt::NoFocus);
    connect(ListView1, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) {
        if (item)
            ListView1SelectItem(ListView1->indexOfTopLevelItem(item));
    });

    RichEdit1 = new QPlainTextEdit(this);
    RichEdit1->setGeometry(15, 336, 442, 89);
    RichEdit1->setReadOnly(true);
    RichEdit1->setFocusPolicy(Qt::NoFocus);
    RichEdit1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    RichEdit1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    RichEdit1->setLineWrapMode(QPlainTextEdit::NoWrap);

    cboxAgree = new TxCheckBox(QStringLiteral("データの更新に同意します。"), this);
    cboxAgree->setGeometry(16, 435, 300, 17);
    connect(cboxAgree, &QCheckBox::toggled, this, [this] { cboxAgreeClick(); });

    pnlProgress = new QFrame(this);
    pnlProgress->setGeometry(96, 192, 281, 57);
    pnlProgress->setFrameShape(QFrame::Panel);
    pnlProgress->setFrameShadow(QFrame::Raised);
    pnlProgress->setAutoFillBackground(true);
    auto* progressLabel = new QLabel(QStringLiteral("データの更新中です…"), pnlProgress);
    progressLabel->setGeometry(12, 8, 257, 16);
    ProgressBar1 = new QProgressBar(pnlProgress);
    ProgressBar1->setGeometry(12, 28, 257, 18);
    ProgressBar1->setTextVisible(false);
    pnlProgress->hide();

    btnOk = new TxPlButton(this);
    btnOk->CaptionA().setCaption(QStringLiteral("OK"));
    btnOk->setGeometry(280, 464, 75, 26);
    btnOk->OnClick = [this](QObject*) { btnOkClick(); };
    btnCancel = new TxPlButton(this);
    btnCancel->CaptionA().setCaption(QStringLiteral("キャンセル"));
    btnCancel->setGeometry(380, 464, 75, 26);
    btnCancel->OnClick = [this](QObject*) { btnCancelClick(); };

    if (QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

TDbUpdateBox::~TDbUpdateBox() = default;

void TDbUpdateBox::InitUpdateList(std::uint8_t mode, std::string_view text)
{
    Check.InitUpdateList(mode, text);

    ListView1->clear();
    ListView1->setColumnCount(3);
    ListView1->setHeaderLabels({QStringLiteral("Ver."), QStringLiteral("説明"), QStringLiteral("状況")});
    ListView1->setColumnWidth(0, 60);
    ListView1->setColumnWidth(1, 280);
    ListView1->setColumnWidth(2, 80);
    btnCancel->setVisible(mode == 1);
    const QString red = QStringLiteral("color: #ff0000;");
    if (mode == 0) {
        ImageRed->show();
        ImageGrn->hide();
        lblTitle1->setText(QStringLiteral("システムデータの更新を行います。"));
        lblTitle2->clear();
        lblTitle3->clear();
        cboxAgree->hide();
        btnOk->move(380, btnOk->y());
    } else {
        ImageGrn->show();
        ImageRed->hide();
        lblTitle1->setText(QStringLiteral("会計データの更新を行います。"));
        lblTitle2->setText(QStringLiteral("バックアップを取得せずに、この処理を行うと元に戻すことが出来ません。"));
        lblTitle3->setText(QStringLiteral("必ずバックアップを取得後に実行することを強く推奨します。"));
        lblTitle2->setStyleSheet(red);
        lblTitle3->setStyleSheet(red);
        cboxAgree->show();
        btnOk->move(280, btnOk->y());
        btnCancel->move(380, btnCancel->y());
    }
    cboxAgreeClick();
    if (Check.UpdatePending) {
        const auto& steps = Check.activeSteps();
        for (int i = Check.FirstPending; i <= Check.LastPending; ++i) {
            const auto& step = steps[std::size_t(i)];
            auto* item = new QTreeWidgetItem(ListView1);
            item->setText(0, qs(versionText(step.version())));
            item->setText(1, qs(step.Title));
            item->setText(2, QString());
        }
        if (ListView1->topLevelItemCount() > 0)
            ListView1->setCurrentItem(ListView1->topLevelItem(0));
    }
}

void TDbUpdateBox::ListView1SelectItem(int row)
{
    RichEdit1->clear();
    const int index = row + Check.FirstPending;
    const auto& steps = Check.activeSteps();
    if (index >= 0 && index < int(steps.size())) {
        QString text = qs(steps[std::size_t(index)].Description);
        text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
        RichEdit1->setPlainText(text);
    }
}

void TDbUpdateBox::cboxAgreeClick()
{
    btnOk->setEnabled(cboxAgree->isVisibleTo(this) ? cboxAgree->isChecked() : true);
}

void TDbUpdateBox::btnCancelClick()
{
    if (!m_busy)
        setModalResult(platform::mrCancel);
}

void TDbUpdateBox::doKeyUp(QKeyEvent& event)
{
    if (event.key() == Qt::Key_Escape) {
        btnCancelClick();
        event.accept();
        return;
    }
    platform::Dialog::doKeyUp(event);
}

bool TDbUpdateBox::doCloseQuery(int result)
{
    // Nothing closes the dialog while a run is in progress.
    return !m_busy && platform::Dialog::doCloseQuery(result);
}

void TDbUpdateBox::showEvent(QShowEvent* event)
{
    platform::Dialog::showEvent(event);
    repaint();
    while (QGuiApplication::overrideCursor())
        QGuiApplication::restoreOverrideCursor();
}

std::string TDbUpdateBox::GetLoginUserText()
{
    std::string text;
    if (Check.Mode != 0)
        return text;
    try {
        DM->fnAccDefConnected(SystemDef.HostName, 1);
        TLoginUserListOnDef list;
        list.Execute(SystemDef.GroupId, SystemDef.LoginId, false);
        for (const auto& item : list.Items) {
            char line[64];
            std::snprintf(line, sizeof line, "[ %.4d ]:  ", item.OperatorCode);
            text += line + item.OpName + "\r";
        }
    } catch (const std::exception&) {
        // Reported by the list; the text keeps what was read.
    }
    if (DM->IBDatabaseDEF.connected())
        DM->IBDatabaseDEF.forceClose();
    return text;
}

void TDbUpdateBox::btnOkClick()
{
    if (m_busy)
        return;
    m_busy = true;
    btnOk->setProperty("tag", 1);
    // The result (1 after success, 4 otherwise) is set when the run is over: a result set now
    // would close the dialog from the event processing of the run.
    int result = platform::mrRetry;
    const int mode = Check.Mode;
    const std::string folder = mode == 0 ? SystemDef.SysDir : SystemDef.DataDir;
    bool refused = false;
    try {
        if (mode == 0) {
            if (DM->IBDatabaseDEF.connected())
                DM->IBDatabaseDEF.disconnect();
            if (DM->AccDatInConnection(0, SystemDef.HostName, folder, 0)) {
                refused = true;
                TMessageInfoRec info;
                InitMessageInfo(info);
                info.Kind = 1;
                info.Position = 4;
                info.Caption = "情報";
                info.Text = "現在、他のオペレータがシステムを利用中です。\rデータベースの更新を行うには、"
                            "システムを終了するようにご連絡して下さい。";
                info.Color = platform::clRed;
                info.Lines = {"利用中のオペレータ (異常終了時のオペレータ含む)", "", GetLoginUserText()};
                ShowMessageBox(info);
            }
        } else {
            if (DM->IBDatabaseDAT.connected())
                DM->fnAccDatDisconnected(folder, 0, 0);
            if (DM->AccDatInConnection(1, SystemDef.HostName, folder, 0)) {
                refused = true;
                platform::messageBox("現在、他のオペレータが会計データを利用中です。\rデータベースの更新を行うには、"
                                     "会計データの利用を停止するようにご連絡して下さい。",
                                     records::dialogCaption(2), platform::MB_YESNO | platform::MB_ICONINFORMATION);
            }
        }
        if (!refused) {
            ExecuteUpdates();
            if (Check.Done)
                result = platform::mrOk;
            else
                platform::messageBox(failureText(mode), records::dialogCaption(1),
                                     platform::MB_OK | platform::MB_ICONERROR);
        }
    } catch (const std::exception& e) {
        ShowErrorDialog(failureText(mode), e.what(), 1);
    }
    // The program's own connection again, whatever happened.
    try {
        if (mode == 0) {
            if (!DM->IBDatabaseDEF.connected())
                DM->fnAccDefConnected(SystemDef.HostName, 1);
        } else {
            if (!DM->IBDatabaseDAT.connected())
                DM->fnAccDatConnected(SystemDef.HostName, folder, 0);
            DM->fnAccDatDisconnected(folder, 1, 1);
            if (DM->fnAccDatConnected(SystemDef.HostName, folder, 0))
                DM->fnGetAccInfo();
        }
    } catch (const std::exception& e) {
        ShowErrorDialog(failureText(mode), e.what(), 1);
    }
    btnOk->setProperty("tag", 0);
    m_busy = false;
    setModalResult(result);
}

bool TDbUpdateBox::runBackupRestore(bool backup, const std::string& databaseFile, const std::string& backupFile)
{
    TxAnimeProgressDialog progress(this);
    progress.setParentHandle(this);
    progress.setCaption(backup ? QStringLiteral("更新前データの保存中") : QStringLiteral("更新前データの復元中"));
    progress.setInfoLabel(backup ? QStringLiteral("保存中、しばらくお待ちください…")
                                 : QStringLiteral("復元中、しばらくお待ちください…"));
    progress.setAviFile(qs(platform::paths::toNative(platform::paths::join(SystemDef.ExeFolder, "progress.avi")).string()));
    progress.setCancelBtnShow(false);
    progress.Show(this);
    // The worker sequences the backup or restore; its steps run on this thread while we poll.
    m_worker = std::make_unique<TBackupRestoreThread>(true);
    m_worker->Mode = backup ? 0 : 1;
    m_worker->ServerKind = ConnectMode == 1 || ConnectMode == 2 ? 1 : 0;
    m_worker->HostName = SystemDef.HostName;
    m_worker->DBPath = databaseFile;
    m_worker->BackupFile = backupFile;
    m_worker->ActiveIndexes = 1;
    m_worker->AskMyNumber = 0;
    if (!backup)
        m_worker->ZoneUseMyNumber = AccInf.MyNumberUse;
    m_worker->Resume();
    // Short waits: the run goes on as soon as the worker ends, not at the next 300 ms mark.
    while (!m_worker->IsTerminated())
        WaitMSec(10);
    m_worker->wait();
    const bool ok = m_worker->Success == 1;
    m_worker.reset();
    if (Check.Mode == 0 && DM->IBDatabaseDEF.connected())
        DM->IBDatabaseDEF.forceClose();
    if (windowHandle())
        ForceForegroundWindow(windowHandle());
    progress.Close();
    if (isVisible()) {
        raise();
        activateWindow();
    }
    return ok;
}

void TDbUpdateBox::keepCompanyBackupCopy(const std::string& backupFile)
{
    std::string name = DelFileNameChars(AccInf.SHOUGOU);
    const auto first = name.find_first_not_of(" \t\r\n");
    const auto last = name.find_last_not_of(" \t\r\n");
    name = first == std::string::npos ? std::string() : name.substr(first, last - first + 1);
    if (name.empty())
        name = "商号不明";
    const std::string folder = SystemDef.DocumentFolder + "\\更新前データ\\" + name;
    try {
        if (ForceFolder(folder))
            DM->FCopy(backupFile, folder + "\\" + DataBackupFile, 0);
    } catch (const std::exception&) {
        // The copy is a convenience: the backup itself stays in the temp folder.
    }
}

void TDbUpdateBox::setRowStatus(int row, const QString& text, int image)
{
    if (QTreeWidgetItem* item = ListView1->topLevelItem(row)) {
        item->setText(2, text);
        item->setIcon(2, mark(image == 0 ? QColor(0x30, 0xa0, 0x40) : QColor(0xd0, 0x30, 0x30), 12));
    }
}

int TDbUpdateBox::ExecuteUpdates()
{
    const int mode = Check.Mode;
    const std::string databaseFile = mode == 0 ? platform::paths::join(SystemDef.SysDir, DataDefFile)
                                               : platform::paths::join(SystemDef.DataDir, DataFile);
    const std::string backupFile = platform::paths::join(SystemDef.TempFolder, "dataup.fbk");
    Check.Done = false;
    if (!Check.UpdatePending)
        return -1;
    const auto& steps = Check.activeSteps();
    // A step this program has no routine for would leave the database half upgraded.
    for (int i = Check.FirstPending; i <= Check.LastPending; ++i) {
        if (!steps[std::size_t(i)].UpdateFunc) {
            Check.FirstPending = Check.LastPending = -1;
            return -1;
        }
    }

    bool backedUp = true;
    if (Check.BackupCount > 0) {
        if (mode == 0 && !DM->IBDatabaseDEF.connected())
            DM->fnAccDefConnected(SystemDef.HostName, 1);
        ForceFolder(SystemDef.TempFolder);
        backedUp = runBackupRestore(true, databaseFile, backupFile);
        if (backedUp && mode == 1)
            keepCompanyBackupCopy(backupFile);
    }
    if (!backedUp) {
        Check.FirstPending = Check.LastPending = -1;
        return -1;
    }

    int last = StepDone;
    ProgressBar1->setMinimum(0);
    ProgressBar1->setMaximum(Check.LastPending - Check.FirstPending + 1);
    ProgressBar1->setValue(0);
    pnlProgress->show();
    pnlProgress->raise();
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    for (int i = Check.FirstPending; i <= Check.LastPending; ++i) {
        const int row = i - Check.FirstPending;
        try {
            last = steps[std::size_t(i)].UpdateFunc();
        } catch (const std::exception& e) {
            ShowErrorDialog("Ver " + versionText(steps[std::size_t(i)].version()) + "のデータベース更新に失敗しました。",
                            e.what(), 1);
            last = StepFailed;
        }
        if (last == StepDone) {
            setRowStatus(row, QStringLiteral("完了"), 0);
            ProgressBar1->setValue(ProgressBar1->value() + 1);
        } else {
            setRowStatus(row, last == StepFileMissing ? QStringLiteral("ﾌｧｲﾙ不足") : QStringLiteral("失敗"), 1);
            break;
        }
    }
    // The full bar stays a moment for the operator to see; nobody sees a hidden dialog.
    if (isVisible())
        waitMSec(300);
    pnlProgress->hide();
    QGuiApplication::restoreOverrideCursor();

    if (last != StepDone && Check.BackupCount > 0) {
        if (!runBackupRestore(false, databaseFile, backupFile)) {
            Check.FirstPending = Check.LastPending = -1;
            return -1;
        }
    }
    Check.FirstPending = Check.LastPending = -1;
    int result = 0;
    if (last == StepDone) {
        Check.CurrentVersion = Check.NewestVersion;
        result = 1;
    }
    Check.Done = result == 1;
    return result;
}

} // namespace dbupdate
