// The data information dialog: loading a data set's facts, the list-name and lock results, and
// the rebuild of its database with a copy kept until the rebuild is known good.
#include "selection/DataInfoDialog.h"

#include "platform/Files.h"
#include "platform/MessageBox2.h"
#include "platform/MessageService.h"
#include "records/AppInfoRecord.h"
#include "records/DataModule.h"
#include "records/DatabaseWorker.h"
#include "records/DbErrorHandler.h"
#include "records/DisplayFormat.h"
#include "records/ProgramRecords.h"
#include "records/SystemUtils.h"
#include "records/TextRoutines.h"
#include "selection/ConnectionWatch.h"
#include "ui/NumericKanaEdit.h"
#include "ui/OwnerDrawnButton.h"
#include "ui/ProgressDialog.h"

#include "firebird/Statement.h"
#include "firebird/Transaction.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QGuiApplication>
#include <QScreen>
#include <QStyle>

#include <algorithm>

namespace {

QString q(const std::string& s) { return QString::fromStdString(s); }
std::string s(const QString& t) { return t.toStdString(); }

std::string withExtension(const std::string& path, const std::string& ext)
{
    const auto slash = path.find_last_of("\\/");
    const auto dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return path + ext;
    return path.substr(0, dot) + ext;
}

std::string withoutTrailingDelimiter(std::string path)
{
    while (!path.empty() && (path.back() == '\\' || path.back() == '/'))
        path.pop_back();
    return path;
}

void informationBox(const std::string& line)
{
    TMessage2InfoRec info;
    InitMessage2Info(mtInformation, info);
    info.Lines[0].Text = line;
    ShowMessageBox2(info);
}

const char* const kNotSet = "設定なし";

} // namespace

namespace selection {
std::string dataKindText(int dataKbn, int codeKbn)
{
    if (dataKbn == 1 && codeKbn == 1)
        return "法人";
    if (dataKbn == 2) {
        switch (codeKbn) {
        case 1: return "個人(一般)";
        case 2: return "個人(不動産)";
        case 3: return "個人(クリニック)";
        case 4: return "個人(農業)";
        default: break;
        }
    }
    if (dataKbn == 3 && codeKbn == 1)
        return "医療法人";
    return {};
}
} // namespace selection

TDataSyosaiInfoBox::TDataSyosaiInfoBox(QWidget* parent) : TBSDI(Border::Fixed, parent)
{
    setWindowTitle(QStringLiteral("データの詳細情報"));
    KeepOnClose = 1;
    InfoObject = std::make_unique<TDataInfomation>();

    auto* manage = m_manage = new QGroupBox(QStringLiteral("管理情報"), this);
    auto label = [](QWidget* p, const char* text, int x, int y, int w) {
        auto* l = new QLabel(QString::fromUtf8(text), p);
        l->setGeometry(x, y, w, 22);
        return l;
    };
    label(manage, "データの状態:", 12, 28, 110);
    m_lblStatus = label(manage, "", 126, 28, 120);
    m_lblStatus->setObjectName(QStringLiteral("lblStatus"));
    m_chkClear = new QCheckBox(QStringLiteral("データの状態をクリアする"), manage);
    m_chkClear->setObjectName(QStringLiteral("chkClear"));

    QPalette red = m_chkClear->palette();
    red.setColor(QPalette::WindowText, QColor(255, 0, 0));
    m_chkClear->setPalette(red);
    label(manage, "データフォルダ:", 12, 92, 110);
    m_memFolder = new QPlainTextEdit(manage);
    m_memFolder->setObjectName(QStringLiteral("memFolder"));
    m_memFolder->setReadOnly(true);

    m_memFolder->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    label(manage, "データの更新:", 12, 156, 110);
    m_chkUpdateLock = new QCheckBox(QStringLiteral("禁止する"), manage);
    m_chkUpdateLock->setObjectName(QStringLiteral("chkUpdateLock"));
    m_chkUpdateLock->setGeometry(126, 154, 200, 24);
    m_picSeigen = new QLabel(manage);
    m_picSeigen->setGeometry(12, 200, 32, 32);
    m_picSeigen->setPixmap(style()->standardPixmap(QStyle::SP_MessageBoxInformation).scaled(32, 32));
    m_lblSeigen = new QLabel(QStringLiteral("現在、オペレータ毎のデータ選択は制限されていません。"), manage);
    m_lblSeigen->setObjectName(QStringLiteral("lblSeigen"));

    m_lblSeigen->setWordWrap(true);
    QFont bold = m_lblSeigen->font();
    bold.setBold(true);
    m_lblSeigen->setFont(bold);
    m_lblSeigen->setStyleSheet(QStringLiteral("color: #0000ff"));

    auto* basic = m_basic = new QGroupBox(QStringLiteral("基本情報"), this);
    static const char* const captions[vCount] = {"コード:", "データ区分:", "会社名:", "フリガナ:",
                                                 "会計年度:", "会計期間:", "担当者コード:", "部門管理:",
                                                 "本支店管理:", "仕訳件数:"};
    static const char* const names[vCount] = {"lblCode", "lblKind", "lblName", "lblKana", "lblNendo",
                                              "lblKikan", "lblTanto", "lblBumon", "lblSiten", "lblSiwake"};
    for (int i = 0; i < vCount; ++i) {
        label(basic, captions[i], 12, 26 + i * 28, 110);
        m_values[std::size_t(i)] = label(basic, "", 126, 26 + i * 28, 0);
        m_values[std::size_t(i)]->setObjectName(QString::fromLatin1(names[i]));
    }
    label(basic, "データリスト名:", 12, 26 + vCount * 28 + 4, 110);
    m_txtListName = new TMorabyEdit(basic);
    m_txtListName->setObjectName(QStringLiteral("txtListName"));
    m_txtListName->setMaxLength(40);
    m_txtListName->setImeMode(TMorabyEdit::imHira);
    m_txtListName->OnImeStatusChange = [this] { SetFunctionKeys(); };

    auto* hints = m_hints = new QPlainTextEdit(this);
    hints->setObjectName(QStringLiteral("HintArea"));
    hints->setReadOnly(true);
    hints->setFocusPolicy(Qt::NoFocus);
    HintMemo = hints;

    auto button = [this](const char* name, const char* caption) {
        auto* b = new TxPlButton(QString::fromLatin1(name), this);
        b->CaptionA().setCaption(QString::fromUtf8(caption));
        return b;
    };
    for (int i = 0; i < 7; ++i) {
        const std::string name = "F" + std::to_string(i + 1);
        TxPlButton* b = button(name.c_str(), (name + ":").c_str());
        b->setFocusPolicy(Qt::NoFocus);
        if (i == 6)
            b->OnClick = [this](QObject*) { F7Click(); };
        m_keys[std::size_t(i)] = b;
    }
    m_btnOK = button("btnOK", "OK");
    m_btnOK->OnClick = [this](QObject*) { btnOKClick(); };
    m_btnCancel = button("btnCancel", "キャンセル");
    m_btnCancel->OnClick = [this](QObject*) { done(platform::mrCancel); };

    m_progress = std::make_unique<TxAnimeProgressDialog>();
    layoutForWidth(kDesignWidth);
    Initialized = 1;
}

void TDataSyosaiInfoBox::layoutForWidth(int width)
{
    width = std::clamp(width, kMinWidth, kDesignWidth);
    const int shrink = kDesignWidth - width;
    const int left = shrink / 2;
    const int right = shrink - left;
    m_manage->setGeometry(8, 6, 440 - left, 350);
    m_chkClear->setGeometry(126, 54, 300 - left, 24);
    m_memFolder->setGeometry(126, 90, 300 - left, 52);
    m_lblSeigen->setGeometry(50, 200, 384 - left, 32);
    m_basic->setGeometry(456 - left, 6, 468 - right, 350);
    for (QLabel* v : m_values)
        v->setGeometry(126, v->y(), 330 - right, 22);
    m_txtListName->setGeometry(126, 26 + vCount * 28 + 2, 330 - right, 24);
    m_hints->setGeometry(8, 362, width - 16, 48);
    // OK and Cancel keep their place at the right edge; the function keys share what is left.
    const int okLeft = width - 8 - 88 - 96;
    const int step = std::min(92, (okLeft - 8 - 8 + 4) / 7);
    for (int i = 0; i < 7; ++i)
        m_keys[std::size_t(i)]->setGeometry(8 + i * step, 418, step - 4, 30);
    m_btnOK->setGeometry(okLeft, 418, 88, 30);
    m_btnCancel->setGeometry(okLeft + 96, 418, 88, 30);
    setFixedSize(width, kHeight);
}

TDataSyosaiInfoBox::~TDataSyosaiInfoBox() = default;

void TDataSyosaiInfoBox::Prepare(std::uint8_t /*Mode*/)
{
    LoadInfo();
}

void TDataSyosaiInfoBox::LoadInfo()
{
    InfoObject = std::make_unique<TDataInfomation>();
    // Served data sets have no information file: their state and data come from the server.
    InfoObject->FileAccessMode = std::uint8_t(ConnectMode);
    TDataInfomation::ClearDataInfoRec(InfoRec);
    if (DM && DM->FExist(DataFolder + "\\" + DataFile, ConnectMode))
        InfoObject->ReadIniFileCurHost(DataFolder, InfoRec);

    const std::string shougou = ListRow ? ListRow->SHOUGOU : std::string();
    if (InfoRec.Status == 0 || InfoRec.Status == 3 || shougou.empty())
        ViewOnly = 1;

    ClearStatus = 0;
    Rebuilt = 0;
    RebuildAllowed = 0;
    if (ListRow && !shougou.empty()) {
        const bool local = ServerList == 0 && ListRow->KYOYULOCK == 0 && ListRow->NETDRIVE == 0;
        const bool fetched = ServerList == 0 && ListRow->KYOYULOCK == 1 && ListRow->NETDRIVE == 1;
        const bool onServer = ServerList == 1 && InfoRec.ShareStatus == 1;
        RebuildAllowed = (local || fetched || onServer) ? 1 : 0;
    }

    m_lblStatus->setText(q(GetDataStatusText(InfoRec.Status)));
    std::string folder = DataFolder;
    const std::string root = s(q(SystemDef.DataRoot).toUpper());
    const std::string title = "[" + AppInfo.Zaimu.AppTitle + "のデータ]";
    if (!root.empty())
        for (auto at = folder.find(root); at != std::string::npos; at = folder.find(root, at + title.size()))
            folder.replace(at, root.size(), title);
    m_memFolder->setPlainText(q(folder));

    m_chkClear->setChecked(false);
    if (InfoRec.Status == 1) {
        ClearAllowed = 0;
    } else {
        const int group = SystemDef.GroupId * 10000;
        const bool holder = group != 0 && SystemDef.LoginId % group == InfoRec.OpCode % group;
        ClearAllowed = ((DM && DM->fnIsKanrisya()) || holder) ? 1 : 0;
    }
    m_chkClear->setVisible(ClearAllowed != 0);
    m_chkUpdateLock->setChecked(UpdateLock == 1);
    m_picSeigen->setVisible(SystemDef.DataSeigen == 1);
    m_lblSeigen->setVisible(SystemDef.DataSeigen == 1);

    for (QLabel* l : m_values)
        l->setText(QString::fromUtf8(kNotSet));
    auto set = [this](int i, const std::string& text) { m_values[std::size_t(i)]->setText(q(text)); };
    if (!InfoRec.Code.empty())
        set(vCode, InfoRec.Code);
    if (const std::string kind = selection::dataKindText(InfoRec.DataKbn, InfoRec.CodeKbn); !kind.empty())
        set(vKind, kind);
    if (!InfoRec.Shougou.empty())
        set(vName, InfoRec.Shougou);
    if (!InfoRec.Kana.empty())
        set(vKana, InfoRec.Kana);
    m_txtListName->setText(q(!ListName.empty() ? ListName : InfoRec.Shougou));
    if (InfoRec.Nendo > 0)
        set(vNendo, std::to_string(InfoRec.Nendo) + "期");
    if (!InfoRec.Kishu.empty() && !InfoRec.Kimatu.empty()) {
        try {
            std::string text;
            KikanToText(text, StrToDateDef0(InfoRec.Kishu), StrToDateDef0(InfoRec.Kimatu));
            set(vKikan, text);
        } catch (...) {
            // an unreadable period keeps "設定なし"
        }
    }
    if (InfoRec.Tanto != 0)
        set(vTanto, std::to_string(InfoRec.Tanto));
    if (InfoRec.Bumon == 1)
        set(vBumon, "損益のみに" + std::to_string(InfoRec.BumonCnt) + "部門設定");
    else if (InfoRec.Bumon == 2)
        set(vBumon, "全科目に" + std::to_string(InfoRec.BumonCnt) + "部門設定");
    if (InfoRec.Siten == 1)
        set(vSiten, std::to_string(InfoRec.SitenCnt) + "支店設定");
    set(vSiwake, std::to_string(InfoRec.Siwake) + "件");
    if (InfoRec.Status == 3) {
        set(vKana, "-");
        set(vBumon, "-");
        set(vSiten, "-");
        set(vSiwake, "-件");
    }

    const bool editable = ViewOnly == 0;
    m_chkUpdateLock->setEnabled(editable);
    m_txtListName->setFrame(editable);
    m_txtListName->setFocusPolicy(editable ? Qt::StrongFocus : Qt::NoFocus);
    m_txtListName->setReadOnly(!editable);
    QPalette pal = m_txtListName->palette();
    pal.setColor(QPalette::Base, editable ? palette().color(QPalette::Base)
                                          : palette().color(QPalette::Window));
    m_txtListName->setPalette(pal);

    bool okVisible = !(ViewOnly && !ClearAllowed);
    if (InfoRec.Status == 0)
        okVisible = false;
    if (InfoRec.Status == 10) {
        okVisible = false;
        m_chkClear->setVisible(false);
    }
    m_btnOK->setVisible(okVisible);
    SetHints();
    SetFunctionKeys();
}

void TDataSyosaiInfoBox::SetHints()
{
    const std::string title = "[" + AppInfo.Zaimu.AppTitle + "のデータ]";
    SetControlHint(m_memFolder, q(DataFolder + "|データの場所です。\r\n\r\n" + title + "は、\"" +
                                  SystemDef.DataRoot + "\"です。"));
    SetControlHint(m_chkClear, QStringLiteral(
        "データ状態をクリアします。|「データ処理中にアプリケーションが異常終了した」等でデータが「使用中」"
        "になってしまった場合に、この項目にチェックを入れて［OK］を押すと次回よりデータの選択が可能となります。"));
    SetControlHint(m_chkUpdateLock, QStringLiteral(
        "データ更新の許可／禁止を設定します。|この項目にチェックを入れると、「データ選択」画面から古いバージョンの"
        "データ（更新が必要なデータ）の選択を不可にします。\r\n※選択不可データはグレー表示されます。"));
    SetControlHint(m_txtListName,
                   ViewOnly ? QStringLiteral("ﾃﾞｰﾀ選択画面におけるﾃﾞｰﾀの表示名です。|「データ選択」画面におけるﾃﾞｰﾀの表示名です。"
                                             "\r\n決算書、試算表、元帳などの社名の印字は「基本設定」の「名称・期間」ﾀﾌﾞで変更します。")
                            : QStringLiteral("ﾃﾞｰﾀ選択画面におけるﾃﾞｰﾀの表示名を変更できます。|「データ選択」画面におけるﾃﾞｰﾀの表示名を変更できます。"
                                             "\r\n決算書、試算表、元帳などの社名の印字は「基本設定」の「名称・期間」ﾀﾌﾞで変更します。"));
    SetControlHint(m_btnOK, QStringLiteral("内容を保存して画面を閉じます。|内容を保存して画面を閉じます。"));
    SetControlHint(m_btnCancel, QStringLiteral("画面を閉じます。|画面を閉じます。"));
}

void TDataSyosaiInfoBox::SetFunctionKeys()
{
    // Keys without work are shown disabled.
    for (int i = 0; i < 6; ++i) {
        m_keys[std::size_t(i)]->CaptionA().setCaption(QStringLiteral("F%1:").arg(i + 1));
        m_keys[std::size_t(i)]->setEnabled(false);
    }
    // While a conversion is open F7 belongs to the input method.
    const bool rebuild = RebuildAllowed && !m_txtListName->ImeOnFlg();
    m_keys[6]->CaptionA().setCaption(rebuild ? QStringLiteral("F7:再構築") : QStringLiteral("F7:"));
    m_keys[6]->setEnabled(rebuild);
}

void TDataSyosaiInfoBox::doKeyUp(QKeyEvent& event)
{
    const int key = event.key();
    if (key >= Qt::Key_F1 && key <= Qt::Key_F7) {
        event.accept();
        if (key == Qt::Key_F7)
            F7Click();
        return;
    }
    if (key == Qt::Key_F8 || key == Qt::Key_F12) {
        event.accept();
        return;
    }
    TBSDI::doKeyUp(event);
}

void TDataSyosaiInfoBox::showEvent(QShowEvent* event)
{
    // Narrower screens (800 wide, or a scaled desktop) get a narrower dialog, placed wholly on
    // the screen, before it is mapped.
    const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    if (screen) {
        const QRect area = screen->availableGeometry();
        const int frame = frameGeometry().width() - width();
        layoutForWidth(area.width() - frame);
        const QSize outer = frameGeometry().size();
        const int x = std::clamp(this->x(), area.left(), std::max(area.left(), area.right() + 1 - outer.width()));
        const int y = std::clamp(this->y(), area.top(), std::max(area.top(), area.bottom() + 1 - outer.height()));
        if (QPoint(x, y) != pos())
            move(x, y);
    }
    TBSDI::showEvent(event);
    if (ViewOnly)
        m_btnCancel->setFocus();
    else if (m_txtListName->isEnabled())
        m_txtListName->setFocus();
}

void TDataSyosaiInfoBox::F7Click()
{
    if (m_keys[6]->CaptionA().Caption() == QStringLiteral("F7:"))
        return;
    const selection::ConnectionWatch watch;
    if ((ConnectMode == 1 || ConnectMode == 2) && DM &&
        DM->AccDatInConnection(1, SystemDef.HostName, DataFolder, 0)) {
        informationBox("現在、他のユーザーがデータに接続中です。他のユーザーがデータに接続している間は"
                       "データの再構築は行えません。");
        return;
    }
    if (watch.report())
        return;
    TMessage2InfoRec info;
    InitMessage2Info(mtConfirmation, info);
    info.Lines[0].Text = "データの再構築を行いますか？";
    info.Lines[1].Text = "注意１）データサイズによりデータ再構築に時間がかかる場合があります。"
                         "再構築中にコンピュータの電源は切らないで下さい。";
    if (InfoRec.Status == 10)
        info.Lines[2].Text = "注意２）破損データの場合はデータ再構築が適正に行われない場合があります。";
    if (ShowMessageBox2(info) != platform::mrOk)
        return;
    const bool rebuilt = RebuildData();
    if (watch.report() || !rebuilt)
        return;
    informationBox("データの再構築は適正に行われました。");
    LoadInfo();
    Rebuilt = 1;
}

bool TDataSyosaiInfoBox::RebuildData()
{
    if (!DM)
        return false;
    bool result = false;
    m_progress->setCaption(QStringLiteral("再構築中"));
    m_progress->setInfoLabel(QStringLiteral("再構築中、しばらくお待ちください…"));
    m_progress->setAviFile(q(SystemDef.ExeFolder + "\\progress.avi"));
    m_progress->setCancelBtnShow(false);
    m_progress->Show(this);
    // After a lost connection F7 says that instead of a failure of its own.
    const selection::ConnectionWatch watch;
    const auto failure = [&](const char* text) {
        m_progress->PlayAnime(false);
        if (!watch.lost())
            informationBox(text);
    };

    const std::string temp = withoutTrailingDelimiter(SystemDef.TempFolder);
    for (const std::string& name : {DataBackupFile, DataFile, DataIniFile})
        if (DM->FExist(temp + "\\" + name, 0))
            DM->FDel(temp + "\\" + name, 0, false);

    const bool onServerCopy = ServerList == 1 && RebuildAllowed;
    const std::string D = DataFolder + "\\" + DataFile;
    const std::string C = onServerCopy ? temp + "\\" + DataFile : withExtension(D, ".fd_");
    const std::string W = withExtension(
        (ConnectMode == 1 || ConnectMode == 2 ? DataFolder : temp) + "\\" + DataBackupFile, ".fb_");
    // The copy is the only intact database while the rebuild runs: it goes only once the
    // database is known good again.
    bool keepCopy = false;
    bool locked = false;
    // Work files of a rebuild that never ended (its client was killed) go before this one starts.
    for (const std::string& left : {W, withExtension(D, ".fdn")})
        if (DM->FExist(left, ConnectMode))
            DM->FDel(left, ConnectMode, false);
    try {
        SetRebuildLock(true);
        locked = true;
        if (!DM->FCopy(D, C, ConnectMode)) {
            failure("データ再構築の前処理（会計データのコピー）に失敗しました。");
        } else {
            TBackupRestoreThread worker(true);
            worker.Mode = 3;
            worker.ServerKind = 0;
            worker.HostName = SystemDef.HostName;
            worker.DBPath = onServerCopy ? C : D;
            worker.BackupFile = W;
            worker.ActiveIndexes = 1;
            worker.Resume();
            while (!worker.IsTerminated())
                WaitMSec(300);
            worker.wait();
            result = worker.Success != 0;
            if (result && onServerCopy) {
                // The rebuilt copy replaces the shared data whole: written beside it, then renamed.
                const std::string staged = withExtension(D, ".fdn");
                result = DM->FCopy(C, staged, ConnectMode) && DM->FMove(staged, D, ConnectMode);
                if (!result)
                    DM->FDel(staged, ConnectMode, false);
            }
            if (result) {
                InfoObject->SetDataStatus(DataFolder, 1);
            } else if (!onServerCopy) {
                failure("データ再構築の処理に失敗しました。");
                keepCopy = !DM->FCopy(C, D, ConnectMode);
            } else {
                failure("データ再構築の処理に失敗しました。");
            }
        }
    } catch (const std::exception& e) {
        result = false;
        records::noteConnectionLoss(e);
        failure("データ再構築の処理に失敗しました。");
        // Only a local rebuild works on the database itself; a shared one never touched it.
        if (!onServerCopy)
            keepCopy = !DM->FCopy(C, D, ConnectMode);
    }
    if (!keepCopy)
        DM->FDel(C, ConnectMode, false);
    DM->FDel(W, ConnectMode, false);
    if (locked) {
        try {
            SetRebuildLock(false);
        } catch (const std::exception&) {
        }
    }
    ForceForegroundWindow(windowHandle());
    m_progress->Close();
    show();
    return result;
}

void TDataSyosaiInfoBox::SetRebuildLock(bool On)
{
    if (!(ConnectMode == 1 || ConnectMode == 2) || !ListRow || ListRow->DATALOCK > 0 || !DM)
        return;
    firebird::Transaction& tr = DM->IBTransactionDEF;
    const bool started = !tr.inTransaction();
    if (started)
        tr.start();
    const int lock = On ? SystemDef.LoginId % (SystemDef.GroupId * 10000) : 0;
    try {
        firebird::Statement st(tr, DataPlace > 0 ? "UPDATE DATALIST_EX SET DATALOCK=:DATALOCK "
                                                   "WHERE DATAPLACEREC=:DATAPLACE AND REC=:REC"
                                                 : "UPDATE DATALIST SET DATALOCK=:DATALOCK WHERE REC=:REC");
        st.setInt("DATALOCK", lock);
        if (DataPlace > 0)
            st.setInt("DATAPLACE", DataPlace);
        st.setInt("REC", ListRow->REC);
        st.execute();
    } catch (...) {
        if (started)
            tr.commit();
        throw;
    }
    if (started)
        tr.commit();
}

void TDataSyosaiInfoBox::btnOKClick()
{
    const std::string name = s(m_txtListName->text());
    if (ZenkakuTrim(name).empty()) {
        TMessage2InfoRec info;
        InitMessage2Info(mtConfirmation, info);
        info.Lines[0].Text = "データリスト名が入力されていません。会社名を設定しますか？";
        if (ShowMessageBox2(info) == platform::mrOk)
            m_txtListName->setText(m_values[vName]->text());
        setModalResult(platform::mrNone);
        return;
    }
    if (const QString bad = ui::nonCp932Characters(m_txtListName->text()); !bad.isEmpty()) {
        // Such a name could not be stored: refuse it here rather than fail after the dialog.
        platform::messageBox("データリスト名に使用できない文字が含まれています。「" + bad.toStdString() + "」",
                             "", platform::MB_OK | platform::MB_ICONWARNING);
        m_txtListName->setFocus();
        setModalResult(platform::mrNone);
        return;
    }
    ListName = name;
    ClearStatus = ClearAllowed ? (m_chkClear->isChecked() ? 1 : 0) : 0;
    UpdateLock = m_chkUpdateLock->isChecked() ? 1 : 0;
    done(platform::mrOk);
}
