// TFileOperationBox and TFileOperationBoxEx1: the place of a file operation, with a history.
#include "ui/FileOperationDialog.h"

#include "platform/Files.h"
#include "platform/MessageService.h"
#include "platform/Paths.h"
#include "platform/Text.h"
#include "records/FileUtils.h"
#include "records/ProgramRecords.h"
#include "records/SystemUtils.h"
#include "records/TextRoutines.h"
#include "ui/KeyComboBox.h"
#include "ui/KeyEdit.h"
#include "ui/KeyRadioButton.h"
#include "ui/OwnerDrawnButton.h"

#include <QLabel>
#include <QPlainTextEdit>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

QString toQ(const std::string& s) { return QString::fromUtf8(s.data(), qsizetype(s.size())); }
std::string fromQ(const QString& s) { return s.toUtf8().toStdString(); }

// The value of a "name=value" line (the whole line without "=").
std::string lineValue(const std::string& line)
{
    const std::size_t eq = line.find('=');
    return eq == std::string::npos ? line : line.substr(eq + 1);
}

std::vector<std::string> sectionLines(const std::string& text)
{
    std::vector<std::string> lines;
    std::size_t at = 0;
    while (at < text.size()) {
        std::size_t end = text.find('\n', at);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(at, end - at);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (!line.empty())
            lines.push_back(line);
        at = end + 1;
    }
    return lines;
}

} // namespace

TFileOperationBox::TFileOperationBox(QWidget* parent)
    : TBSDI(Border::Fixed, parent)
{
    setObjectName(QStringLiteral("TFileOperationBox"));
    MenuRegister = 0;
    SubclassFlag = 0;
    UseFormSize = 0;
    ActivateValue = 0;
    KeepOnClose = 1;
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);

    m_pnlClient = new QWidget(this);
    m_pnlClient->setObjectName(QStringLiteral("pnlClient"));
    m_lblMain = new QLabel(QStringLiteral("メッセージ"), m_pnlClient);
    m_lblMain->setObjectName(QStringLiteral("lblMain"));
    m_lblMain->setWordWrap(true);
    m_lblMain->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_lblFileSelect = new QLabel(QStringLiteral("保存先の場所:"), m_pnlClient);
    m_lblFileSelect->setObjectName(QStringLiteral("lblFileSelect"));
    m_cmbFileSelect = new TxComboBox(m_pnlClient);
    m_cmbFileSelect->setObjectName(QStringLiteral("cmbFileSelect"));
    m_cmbFileSelect->setEditable(false);
    m_cmbFileSelect->setMaxVisibleItems(10);
    m_cmbFileSelect->setDropDownWidth(500);
    m_cmbFileSelect->setKeyStyles({ksEnter});
    m_cmbFileSelect->setKeyTerm(QStringLiteral(":"));
    m_btnSansyo = new TxPlButton(QStringLiteral("btnSansyo"), m_pnlClient);
    m_btnSansyo->CaptionA().setCaption(QStringLiteral("参照"));
    m_btnSansyo->setTabStop(false);
    m_btnSansyo->OnClick = [this](QObject*) { btnSansyoClick(); };
    m_btnHistDelete = new TxPlButton(QStringLiteral("btnHistDelete"), m_pnlClient);
    m_btnHistDelete->CaptionA().setCaption(QStringLiteral("履歴削除"));
    m_btnHistDelete->setTabStop(false);
    m_btnHistDelete->OnClick = [this](QObject*) { btnHistDeleteClick(); };
    m_lblFileName = new QLabel(QStringLiteral("ファイル名:"), m_pnlClient);
    m_lblFileName->setObjectName(QStringLiteral("lblFileName"));
    m_txtFileName = new TxEdit(m_pnlClient);
    m_txtFileName->setObjectName(QStringLiteral("txtFileName"));

    m_pnlBottom = new QWidget(this);
    m_pnlBottom->setObjectName(QStringLiteral("pnlBottom"));
    m_panelHint = new QWidget(m_pnlBottom);
    m_panelHint->setObjectName(QStringLiteral("PanelHint"));
    m_hintArea = CreateHintArea(m_panelHint);
    m_btnOK = new TxPlButton(QStringLiteral("btnOK"), m_pnlBottom);
    m_btnOK->CaptionA().setCaption(QStringLiteral("OK"));
    m_btnOK->setModalResult(platform::mrOk);
    m_btnOK->OnClick = [this](QObject*) { btnOKClick(); };
    m_btnCancel = new TxPlButton(QStringLiteral("btnCancel"), m_pnlBottom);
    m_btnCancel->CaptionA().setCaption(QStringLiteral("キャンセル"));
    m_btnCancel->setModalResult(platform::mrCancel);
    m_btnCancel->setCancel(true);
    setTabOrder(m_cmbFileSelect, m_txtFileName);
    setTabOrder(m_txtFileName, m_btnOK);
    setTabOrder(m_btnOK, m_btnCancel);

    layoutForm(475, 267, 267 - 121, 0, 0);
    HistoryFolder = SystemDef.IniFolder;
    Initialized = 1;
}

TFileOperationBox::~TFileOperationBox() = default;

int TFileOperationBox::scaled(int designed) const
{
    const int ppi = logicalDpiY() > 0 ? logicalDpiY() : 96;
    return int(std::lround(double(designed) * ppi / 96.0));
}

void TFileOperationBox::layoutForm(int clientWidth, int clientHeight, int bottomTop, int shiftX,
                                   int shiftY)
{
    auto place = [this](QWidget* w, int x, int y, int width, int height) {
        w->setGeometry(scaled(x), scaled(y), scaled(width), scaled(height));
    };
    place(m_pnlClient, 0, 0, clientWidth, bottomTop);
    place(m_lblMain, 24, 16, 427, 33);
    place(m_lblFileSelect, 32 + shiftX, 56 + shiftY, 300, 15);
    place(m_cmbFileSelect, 32 + shiftX, 72 + shiftY, shiftX ? 369 : 361, 21);
    place(m_btnSansyo, 399 + shiftX + (shiftX ? 10 : 0), 72 + shiftY, 54, 21);
    place(m_btnHistDelete, 320 + shiftX + (shiftX ? 8 : 0), 95 + shiftY, 70, 21);
    place(m_lblFileName, 32 + shiftX, 104 + shiftY, 200, 15);
    place(m_txtFileName, 32 + shiftX, 120 + shiftY, 215, 21);
    const int bottomHeight = clientHeight - bottomTop;
    place(m_pnlBottom, 0, bottomTop, clientWidth, bottomHeight);
    const int hintWidth = clientWidth - 47;
    place(m_panelHint, 0, 0, clientWidth, 81);
    place(m_hintArea, 24, 8, hintWidth, 65);
    place(m_btnOK, clientWidth - 217, 86, 90, 26);
    place(m_btnCancel, clientWidth - 113, 86, 90, 26);
    setFixedSize(scaled(clientWidth), scaled(clientHeight));
}

void TFileOperationBox::ApplySettings(bool /*Flag*/)
{
    SetupControls();
    Reposition = 0;
}

void TFileOperationBox::SetupControls()
{
    SetupHints();
    m_cmbFileSelect->setEditable(false);
    const bool fileMode = OperationMode == 0 || OperationMode == 1;
    m_lblFileName->setVisible(fileMode);
    m_txtFileName->setVisible(fileMode);
    m_txtFileName->setText(fileMode ? toQ(InitialFileName) : QString());
    m_btnHistDelete->setVisible(UseHistory);
    setWindowTitle(toQ(DlgCaption));
    m_lblMain->setText(toQ(DlgMessage));
    QPalette pal = m_lblMain->palette();
    pal.setColor(QPalette::WindowText, platform::toQColor(MessageColor));
    m_lblMain->setPalette(pal);
    m_lblFileSelect->setText(toQ(LocationCaption));
    m_cmbFileSelect->clear();
    LoadHistory(*m_cmbFileSelect, HistoryList);
}

void TFileOperationBox::SetupHints()
{
    SetControlHint(m_cmbFileSelect, toQ(LocationHint));
    SetControlHint(m_btnSansyo, toQ(LocationHint));
    SetControlHint(m_btnHistDelete, QStringLiteral("履歴を削除します。|履歴を削除します。"));
    SetControlHint(m_txtFileName, toQ(FileNameHint));
    SetControlHint(m_btnOK, QStringLiteral("処理を確定します。"));
    SetControlHint(m_btnCancel, QStringLiteral("処理をキャンセルします。"));
}

void TFileOperationBox::LoadHistory(TxComboBox& List, std::vector<std::string>& History)
{
    if (!HistoryFolder.empty() && !HistoryFile.empty() && !HistorySection.empty()) {
        History.clear();
        HistoryPath = HistoryFolder + "\\" + HistoryFile;
        IniLines = sectionLines(GetIniSectionText(HistoryPath, HistorySection));
        for (const std::string& line : IniLines)
            History.push_back(lineValue(line));
        List.clear();
        for (const std::string& h : History)
            List.addItem(toQ(h));
    }
    if (List.findText(toQ(InitialFolder), Qt::MatchExactly) < 0)
        List.addItem(toQ(InitialFolder));
    List.setCurrentIndex(0);
}

void TFileOperationBox::SaveHistory(TxComboBox& List, std::vector<std::string>& History)
{
    const std::string current = fromQ(List.currentText());
    const auto found = std::find(History.begin(), History.end(), current);
    if (found != History.end())
        History.erase(found);
    History.insert(History.begin(), current);
    IniLines.clear();
    const std::size_t n = std::min<std::size_t>(8, History.size());
    for (std::size_t i = 0; i < n; ++i)
        IniLines.push_back("HIST" + std::to_string(i + 1) + "=" + History[i]);
    if (!HistoryPath.empty())
        WriteIniSection(HistoryPath, HistorySection, IniLines);
}

void TFileOperationBox::takeLocation(const std::string& folder)
{
    int at = m_cmbFileSelect->findText(toQ(folder), Qt::MatchExactly);
    if (at < 0) {
        m_cmbFileSelect->insertItem(0, toQ(folder));
        at = 0;
    }
    m_cmbFileSelect->setCurrentIndex(at);
}

void TFileOperationBox::btnSansyoClick()
{
    const std::string location = fromQ(m_cmbFileSelect->currentText());
    if (OperationMode == 0 || OperationMode == 1) {
        const std::string path = ExcludeLastPathDelim(location) + "\\" +
                                 ZenkakuTrim(fromQ(m_txtFileName->text()));
        platform::FileDialogRequest r;
        r.caption = "ファイルの選択";
        r.filter = "すべてのﾌｧｲﾙ(*.*) (*)";
        if (!FilterName.empty() && !DefaultExt.empty()) {
            r.filter = FilterName + " (*." + platform::text::lowerAscii(DefaultExt) + " *." +
                       platform::text::upperAscii(DefaultExt) + ");;" + r.filter;
        }
        r.defaultExt = DefaultExt;
        std::string chosen;
        if (OperationMode == 0) {
            if (platform::files::fileExists(path)) {
                r.initialDir = platform::paths::toNative(platform::paths::extractFileDir(path)).string();
                r.fileName = platform::paths::toNative(path).string();
            } else {
                r.initialDir = platform::paths::toNative(location.empty() ? InitialFolder : location).string();
            }
            const auto picked = platform::messageService().openFileName(r);
            if (!picked)
                return;
            chosen = platform::paths::fromNative(*picked);
        } else {
            r.initialDir = platform::paths::toNative(InitialFolder).string();
            chosen = path;
            if (!ExecuteFileDialog(r, true, chosen))
                return;
        }
        takeLocation(platform::paths::extractFileDir(chosen));
        m_txtFileName->setText(toQ(platform::paths::extractFileName(chosen)));
        return;
    }
    std::string folder = location;
    if (SelectFolder("フォルダの選択", folder, false))
        takeLocation(folder);
}

void TFileOperationBox::btnOKClick()
{
    setModalResult(platform::mrNone);
    const bool fileMode = OperationMode == 0 || OperationMode == 1;
    const std::string fileName = ZenkakuTrim(fromQ(m_txtFileName->text()));
    if (fileMode && fileName.empty()) {
        platform::messageBox("ファイル名を入力または[参照]ボタンより選択して下さい。\r",
                             SystemDef.AppCaption, platform::MB_OK | platform::MB_ICONINFORMATION);
        return;
    }
    const std::string location = fromQ(m_cmbFileSelect->currentText());
    std::string checked = location;
    if (!CheckSaveFolder(checked))
        return;
    // The documents folder offered instead of the system drive's root takes the place's place.
    if (!platform::paths::samePath(ExcludeLastPathDelim(checked), ExcludeLastPathDelim(location)))
        takeLocation(ExcludeLastPathDelim(checked));
    setModalResult(platform::mrOk);
    const std::string chosen = fromQ(m_cmbFileSelect->currentText());
    ResultPath = fileMode ? ExcludeLastPathDelim(chosen) + "\\" + fileName : chosen;
    if (UseHistory)
        SaveHistory(*m_cmbFileSelect, HistoryList);
}

void TFileOperationBox::btnHistDeleteClick()
{
    InitMessage2Info(mtConfirmation, Message2Info);
    Message2Info.Buttons = msgButton(mbOK) | msgButton(mbCancel);
    Message2Info.Lines[0].Text = "履歴を削除します。よろしいですか？";
    if (ShowMessageBox2(Message2Info) != 1)
        return;
    const QString current = m_cmbFileSelect->currentText();
    m_cmbFileSelect->clear();
    m_cmbFileSelect->addItem(current);
    m_cmbFileSelect->setCurrentIndex(0);
    HistoryList.clear();
    SaveHistory(*m_cmbFileSelect, HistoryList);
}

void TFileOperationBox::showEvent(QShowEvent* event)
{
    TBSDI::showEvent(event);
    if (!Initialized) {
        platform::messageBox(windowTitle().toStdString() +
                                 "画面の初期化に失敗しました。\r処理を終了します。",
                             SystemDef.AppCaption, platform::MB_OK | platform::MB_ICONERROR);
        done(platform::mrCancel);
    } else {
        repaint();
        m_cmbFileSelect->setFocus();
    }
    unsetCursor();
}

// ---- TFileOperationBoxEx1 -----------------------------------------------------------------

TFileOperationBoxEx1::TFileOperationBoxEx1(QWidget* parent)
    : TFileOperationBox(parent)
{
    setObjectName(QStringLiteral("TFileOperationBoxEx1"));
    m_btnSelect1 = new TxRadioButton(m_pnlClient);
    m_btnSelect1->setObjectName(QStringLiteral("btnSelect1"));
    m_btnSelect1->setText(QStringLiteral("ファイルの場所を選択する"));
    m_btnSelect1->setChecked(true);
    m_btnSelect2 = new TxRadioButton(m_pnlClient);
    m_btnSelect2->setObjectName(QStringLiteral("btnSelect2"));
    m_btnSelect2->setText(QStringLiteral("既定の場所から実行する"));
    for (TxRadioButton* b : {m_btnSelect1, m_btnSelect2})
        connect(b, &QRadioButton::clicked, this, [this] { btnSelect1Click(); });
    layoutForm(495, 327, 206, 8, 27);
    m_btnSelect1->setGeometry(scaled(24), scaled(59), scaled(449), scaled(17));
    m_btnSelect2->setGeometry(scaled(24), scaled(178), scaled(449), scaled(17));
    setTabOrder(m_btnSelect1, m_cmbFileSelect);
    setTabOrder(m_txtFileName, m_btnSelect2);
    setTabOrder(m_btnSelect2, m_btnOK);
}

void TFileOperationBoxEx1::ApplySettings(bool Flag)
{
    // The file-name row is hidden in the folder modes: the second choice moves up into it.
    if (OperationMode == 2 || OperationMode == 3)
        m_btnSelect2->move(m_btnSelect2->x(), m_txtFileName->y());
    TFileOperationBox::ApplySettings(Flag);
}

void TFileOperationBoxEx1::SetupControls()
{
    TFileOperationBox::SetupControls();
    // The designed window height of 360 includes the frame and title bar; Qt sizes the client
    // area, which keeps its 327.
    if (Reposition)
        setFixedHeight(scaled(327));
}

void TFileOperationBoxEx1::SetupHints()
{
    TFileOperationBox::SetupHints();
    SetControlHint(m_btnSelect1,
                   QStringLiteral("選択した場所に保存されているﾃﾞｰﾀを復元する場合に選択します。|"
                                  "選択した場所に保存されているﾃﾞｰﾀを復元する場合に選択します。"));
    SetControlHint(
        m_btnSelect2,
        QStringLiteral("ｼｽﾃﾑが随所で行う自動ﾊﾞｯｸｱｯﾌﾟﾃﾞｰﾀを復元し、ﾃﾞｰﾀを元に戻す場合に選択します。|"
                       "「仕訳の全削除」、「仕訳のｲﾝﾎﾟｰﾄ」は処理実行時に実行前ﾃﾞｰﾀをﾊﾞｯｸｱｯﾌﾟするように設定されています。\n"
                       "［OK］を押すと現在のﾃﾞｰﾀをこれらの処理を実行する前の状態に戻す事ができます。\n"
                       "尚、ﾊﾞｯｸｱｯﾌﾟを取らずにこれらの処理を実行することも出来ますので、確実に実行前の状態に戻せるとは限りません。"));
}

void TFileOperationBoxEx1::SetSelect1Caption(const std::string& Caption)
{
    m_btnSelect1->setText(toQ(Caption));
}

void TFileOperationBoxEx1::SetSelect2Caption(const std::string& Caption)
{
    m_btnSelect2->setText(toQ(Caption));
}

void TFileOperationBoxEx1::SetSelectMode(std::int32_t Mode)
{
    if (Mode == 1)
        m_btnSelect1->setChecked(true);
    else if (Mode == 2)
        m_btnSelect2->setChecked(true);
    btnSelect1Click();
}

void TFileOperationBoxEx1::btnSelect1Click()
{
    const bool on = m_btnSelect1->isChecked();
    for (QWidget* w : std::initializer_list<QWidget*>{m_lblFileSelect, m_cmbFileSelect, m_btnSansyo,
                                                      m_btnHistDelete, m_lblFileName, m_txtFileName})
        w->setEnabled(on);
}

void TFileOperationBoxEx1::btnOKClick()
{
    if (m_btnSelect1->isChecked()) {
        SelectMode = 1;
        TFileOperationBox::btnOKClick();
        return;
    }
    SelectMode = 2;
    setModalResult(platform::mrOk);
}
