// TServerSentakuBox: the shared drives' data sets, their copy, areas, deletion and the list tools.
#include "selection/ServerSelectionDialog.h"

#include "platform/CoreTypes.h"
#include "platform/Files.h"
#include "platform/MessageService.h"
#include "platform/Paths.h"
#include "platform/SharedDrives.h"
#include "platform/Text.h"
#include "print/PrintOptionDialogs.h"
#include "records/DataModule.h"
#include "records/DbErrorHandler.h"
#include "records/DisplayFormat.h"
#include "records/FileUtils.h"
#include "records/ProgramRecords.h"
#include "records/SystemUtils.h"
#include "records/TextRoutines.h"
#include "selection/DataInfoDialog.h"
#include "selection/DataListFrame.h"
#include "selection/DataListRules.h"
#include "selection/DataListReport.h"
#include "selection/DataListSearchDialog.h"
#include "selection/DriveAssignDialog.h"
#include "selection/IncrementalSearch.h"
#include "selection/ServerRowStore.h"
#include "ui/InputDialog.h"
#include "ui/ListGrid.h"
#include "ui/ManualPages.h"
#include "ui/OwnerDrawnButton.h"
#include "ui/ProgressDialog.h"
#include "ui/SimpleMessageBox.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPlainTextEdit>

#include <cmath>
#include <cstdio>
#include <optional>
#include <stdexcept>

namespace files = platform::files;
namespace paths = platform::paths;

namespace {

using platform::text::upperAscii;
using platform::text::lowerAscii;


// Visible columns, then the hidden values of each row.
enum Col : int {
    cNo = 0, cCode, cName, cNendo, cKikan, cFolder, cVersion, cShare,
    hShared, hUpdateLock, hGassan, hParent, hChild, hStatus, cColumnCount
};
struct Column {
    const char* header;
    int width;
    int align; // 0 left, 1 right, 2 centre
};
const Column kColumns[cColumnCount] = {
    {"No", 40, 1},       {"コード", 70, 0},        {"データ名", 248, 0}, {"会計年度", 80, 2},
    {"会計期間", 180, 2}, {"データフォルダ", 200, 0}, {"バージョン", 90, 2}, {"共有", 32, 2},
    {"", 0, 0},          {"", 0, 0},               {"", 0, 0},          {"", 0, 0},
    {"", 0, 0},          {"", 0, 0}};

constexpr platform::TColor kWhite = 0xFFFFFF;
constexpr platform::TColor kPaleBlue = 0xFFF0E1;  // (225, 240, 255)
constexpr platform::TColor kDarkBlue = 0x804000;  // (0, 64, 128)
constexpr platform::TColor kDamaged = 0x0000FF;   // (255, 0, 0)
constexpr int kMaxAreas = 2000;
// Name prefixes of a paste's copy beside its destination and of the destination set aside.
constexpr const char* kStagePrefix = "~paste~";
constexpr const char* kAsidePrefix = "~old~";

// Hints: drive box, 共有割当, 検索解除, 検索, 情報, 更新, list.
const char* const kDriveHint =
    "ﾘｽﾄからﾃﾞｰﾀを管理しているﾄﾞﾗｲﾌﾞを選択します。|ﾘｽﾄからﾃﾞｰﾀを管理しているﾄﾞﾗｲﾌﾞを選択します。\r\n"
    "ﾏｲｺﾝﾋﾟｭｰﾀに表示されるﾄﾞﾗｲﾌﾞの中からﾄﾞﾗｲﾌﾞ直下に“morabyzaimu”ﾌｫﾙﾀﾞのあるﾄﾞﾗｲﾌﾞのみを表示しています。";
const char* const kAssignHint = "ネットワーク上の共有フォルダをドライブに割り当てます。|";
const char* const kSearchCancelHint = "検索状態を解除します。|";
const char* const kSearchHint =
    "［検索条件の設定］画面を開きます。一定条件に該当するﾃﾞｰﾀを抽出表示する場合に使用します。|";
const char* const kInfoHint =
    "「ﾃﾞｰﾀの詳細情報」画面を開きます。選択ﾃﾞｰﾀの基本情報を表示します。ﾃﾞｰﾀの表示名を変更できます。|";
const char* const kUpdateHint =
    "ﾃﾞｰﾀﾘｽﾄを更新します。ﾌﾟﾛｸﾞﾗﾑの機能を使わずに移行したﾃﾞｰﾀを表示できます。|";
const char* const kListHint =
    "［ENTER］又はﾀﾞﾌﾞﾙｸﾘｯｸ又は［F12］で選択します。|［ENTER］又はﾀﾞﾌﾞﾙｸﾘｯｸ又は［F12］で選択します。\r\n"
    "［共有］欄にｱｲｺﾝが付いているﾃﾞｰﾀは他のｵﾍﾟﾚｰﾀが使用しているため取得できません。\r\n"
    "［F4］で新規にﾃﾞｰﾀ領域を作成できます。\r\n"
    "行を選択すると［ﾃﾞｰﾀ選択］に戻ります。「新しい領域」行への新規ﾃﾞｰﾀ作成や、共有ﾃﾞｰﾀのﾌﾗｯｼｭﾒﾓﾘなどへの保存は［ﾃﾞｰﾀ選択］で行います。";
const char* const kNoDriveHint = "|[共有割当]ボタンよりネットワーク上の共有フォルダをドライブに割り当てて下さい。";
const char* const kEmptyListHint = "|［F4］でﾃﾞｰﾀ領域を作成してください。";
const char* const kPasteHint = "貼り付け先を選択して［F2］を押します。|貼り付け先を選択して［F2］を押します。\r\n"
                               "ｺﾋﾟｰ処理を中断する場合は［ESC］を押します。";

QString q(const std::string& s) { return QString::fromStdString(s); }

QString hintText(const std::string& text)
{
    QString t = q(text);
    t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return t;
}

bool isEmptyArea(const TDataListRec& r)
{
    return r.ENTTEXT.empty() || r.ENTTEXT == KyoyuEmptyArea || r.ENTTEXT == KyoyuNewArea;
}

bool holdsData(const std::string& folder)
{
    try {
        return !folder.empty() && files::fileExists(paths::join(folder, DataFile));
    } catch (const std::exception&) {
        return false;
    }
}

bool folderExists(const std::string& folder)
{
    try {
        return !folder.empty() && files::directoryExists(folder);
    } catch (const std::exception&) {
        return false;
    }
}

// "yyyy/mm/dd" read without the program's date settings; 0 when unreadable.
platform::TDateTime dateOfText(const std::string& text)
{
    int y = 0, m = 0, d = 0;
    char tail = 0;
    if (std::sscanf(text.c_str(), "%d/%d/%d%c", &y, &m, &d, &tail) != 3)
        return 0;
    platform::TDateTime out = 0;
    return platform::tryEncodeDate(y, m, d, out) ? out : 0;
}

std::string slashDate(const std::string& text)
{
    const platform::TDateTime date = dateOfText(text);
    if (date == 0)
        return text;
    std::string out;
    FormatDateSlash("yyyy/mm/dd", 0, out, date);
    return out;
}

QPixmap shareMark(bool on)
{
    QPixmap pm(16, 16);
    pm.fill(Qt::transparent);
    if (!on)
        return pm;
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QColor(30, 80, 160));
    p.setBrush(QColor(180, 210, 250));
    p.drawRect(QRect(1, 1, 9, 11));
    p.drawRect(QRect(6, 4, 9, 11));
    return pm;
}

// Every file and folder of `from` into `to` (created), through the file layer.
void copyTree(const std::string& from, const std::string& to)
{
    files::createDirectories(to);
    for (const files::Entry& e : files::list(from)) {
        const std::string source = paths::join(from, e.name);
        const std::string target = paths::join(to, e.name);
        if (e.isDirectory)
            copyTree(source, target);
        else
            files::copyFile(source, target, true);
    }
}

void removeQuietly(const std::string& folder)
{
    try {
        if (files::exists(folder))
            files::removeAll(folder);
    } catch (const std::exception&) {
    }
}

} // namespace

// ---- creation -----------------------------------------------------------------------------

TServerSentakuBox::TServerSentakuBox(QWidget* parent) : TBSDI(Border::Sizeable, parent)
{
    setObjectName(QStringLiteral("ServerSentakuBox"));
    setWindowTitle(QStringLiteral("共有データの選択"));
    KeepOnClose = 1;
    m_pictures = {shareMark(false), shareMark(true)};
    createControls();
    m_msgBox = std::make_unique<TMessageBox>(this);
    try {
        m_catalogue = std::make_unique<TDataSentakuListCtl>();
        m_catalogue->ServerListMode = 1;
        m_catalogue->ConnMode = std::uint8_t(ConnectMode);
        m_conditions = std::make_unique<selection::SearchConditionStore>();
        m_conditions->ListType = 1;
    } catch (const std::exception&) {
        // no system database: the dialog says so when shown
        return;
    }
    m_dataInfo.FileAccessMode = 0;
    SetGridColor(*m_grid, 1);
    m_grid->setColorProperty(-501, kWhite);
    m_grid->setColorProperty(101, kPaleBlue);
    m_grid->setColorProperty(56, kDarkBlue);
    setUpColumns();
    Initialized = 1;
    m_ready = true;
}

TServerSentakuBox::~TServerSentakuBox() = default;

void TServerSentakuBox::createControls()
{
    resize(900, 540);
    m_topPanel = new QWidget(this);
    auto button = [](QWidget* parent, const char* name, const char* caption) {
        auto* b = new TxPlButton(QString::fromLatin1(name), parent);
        b->CaptionA().setCaption(QString::fromUtf8(caption));
        b->setFocusPolicy(Qt::NoFocus);
        return b;
    };
    m_lblDrive = new QLabel(QStringLiteral("共有ドライブ:"), m_topPanel);
    m_cmbDrive = new QComboBox(m_topPanel);
    m_cmbDrive->setObjectName(QStringLiteral("cmbDrive"));
    m_cmbDrive->setMaxVisibleItems(10);
    connect(m_cmbDrive, &QComboBox::currentIndexChanged, this, [this](int i) { DriveChange(i); });
    m_chkAutoRefresh = new QCheckBox(QStringLiteral("データリストを自動更新する"), m_topPanel);
    m_chkAutoRefresh->setObjectName(QStringLiteral("chkAutoRefresh"));
    connect(m_chkAutoRefresh, &QCheckBox::clicked, this, [this] { AutoRefreshClick(); });
    m_btnDriveAssign = button(m_topPanel, "btnDriveAssign", "共有割当");
    m_btnSearchCancel = button(m_topPanel, "btnSearchCancel", "検索解除");
    m_btnSearch = button(m_topPanel, "btnSearch", "検索");
    m_btnInfo = button(m_topPanel, "btnInfo", "情報");
    m_btnUpdate = button(m_topPanel, "btnUpdate", "更新");
    m_btnSearchCancel->setEnabled(false);
    m_btnDriveAssign->OnClick = [this](QObject*) { DriveAssignClick(); };
    m_btnSearchCancel->OnClick = [this](QObject*) { SearchCancelClick(); };
    m_btnSearch->OnClick = [this](QObject*) { SearchClick(); };
    m_btnInfo->OnClick = [this](QObject*) { InfoClick(); };
    m_btnUpdate->OnClick = [this](QObject*) { UpdateClick(); };

    m_frame = new selection::DataListFrame(
        *this, {72, cCode, true},
        {[this](QWidget* parent) { return CreateHintArea(parent); }, [this] { SetFunctionKeys(); },
         [this] { F12Click(); }, [this](int col) { HeaderClick(col); },
         [this](int index) { functionKeyClick(index); }});
    m_grid = m_frame->grid();
    m_hintArea = m_frame->hintArea();
    for (int i = 0; i < kCount; ++i)
        m_keys[std::size_t(i)] = m_frame->key(i);
    m_incSearch = m_frame->search();
    layoutControls();
}

void TServerSentakuBox::setUpColumns()
{
    m_grid->setColumnCount(cColumnCount);
    for (int c = 0; c < cColumnCount; ++c) {
        m_grid->setHeaderText(c, QString::fromUtf8(kColumns[c].header));
        m_grid->setColWidth(c, kColumns[c].width);
        m_grid->setColumnAlignment(c, kColumns[c].align);
    }
    m_grid->setPictureAlignment(cShare, 5);
}

void TServerSentakuBox::layoutControls()
{
    const double s = PixelsPerInch / 96.0;
    auto px = [s](int v) { return int(std::lround(v * s)); };
    const int w = width();
    const int m = px(6);
    const int top = px(70);
    m_topPanel->setGeometry(0, 0, w, top);
    m_lblDrive->setGeometry(m, px(8), px(96), px(22));
    m_cmbDrive->setGeometry(m + px(100), px(6), px(300), px(24));
    m_chkAutoRefresh->setGeometry(m + px(412), px(6), px(260), px(24));
    int x = m;
    for (TxPlButton* b : {m_btnDriveAssign, m_btnSearchCancel, m_btnSearch, m_btnInfo, m_btnUpdate}) {
        b->setGeometry(x, px(36), px(84), px(28));
        x += px(88);
    }
    m_frame->layout(top);
}

void TServerSentakuBox::resizeEvent(QResizeEvent* event)
{
    TBSDI::resizeEvent(event);
    layoutControls();
}

void TServerSentakuBox::showEvent(QShowEvent* event)
{
    TBSDI::showEvent(event);
    if (!m_ready) {
        ShowInitFailure();
        setModalResult(platform::mrCancel);
        return;
    }
    layoutControls();
    m_grid->setFocus();
    SetFunctionKeys();
    if (m_grid->rowCount() > 0 && m_grid->currentRow() < 0)
        m_grid->setCurrentRow(0);
}

void TServerSentakuBox::loadHints()
{
    std::string drive = kDriveHint;
    if (records::isLumeranData()) {
        const std::string from = "morabyzaimu";
        for (auto at = drive.find(from); at != std::string::npos; at = drive.find(from, at + ShareDir.size()))
            drive.replace(at, from.size(), ShareDir);
    }
    SetControlHint(m_cmbDrive, hintText(drive));
    SetControlHint(m_btnDriveAssign, hintText(kAssignHint));
    SetControlHint(m_btnSearchCancel, hintText(kSearchCancelHint));
    SetControlHint(m_btnSearch, hintText(kSearchHint));
    SetControlHint(m_btnInfo, hintText(kInfoHint));
    SetControlHint(m_btnUpdate, hintText(kUpdateHint));
    SetControlHint(m_grid, hintText(kListHint));
}

void TServerSentakuBox::setListHint()
{
    const char* hint = kListHint;
    if (SharedRoot.empty())
        hint = kNoDriveHint;
    else if (m_grid->rowCount() == 0)
        hint = kEmptyListHint;
    if (KeyMode == 2)
        hint = kPasteHint;
    SetControlHint(m_grid, hintText(hint));
}

// ---- preparation --------------------------------------------------------------------------

void TServerSentakuBox::Prepare(int Mode)
{
    (void)Mode; // no behaviour depends on it
    loadHints();
    SelectedFolder.clear();
    SelectedName.clear();
    CopySource.clear();
    CopySourceRec = TDataListRec{};
    CopySourceIndex = -1;
    CopyName.clear();
    CopyPending = false;
    KeyMode = 0;
    SharedRoot.clear();

    if (m_conditions) {
        m_conditions->ListType = 1;
        m_conditions->SelectRecord(EditConditions);
    }
    ActiveConditions = EditConditions;
    if (ActiveConditions.JYOKENUSE == 0) {
        ActiveConditions.DATATYPE = 0;
        ActiveConditions.CODETYPE = 0;
        ActiveConditions.DATACODE.clear();
        ActiveConditions.DATANAME.clear();
        ActiveConditions.TANTO = 0;
        ActiveConditions.DATAVER.clear();
        ActiveConditions.SEIHINNAME.clear();
    }
    m_btnSearchCancel->setEnabled(EditConditions.JYOKENUSE == 1);
    if (SortColumn != -1) {
        ActiveConditions.SORTCOL = SortColumn;
        ActiveConditions.SORTTYPE = SortDescending ? 1 : 0;
    }
    if (ActiveConditions.SORTCOL == 0) {
        ActiveConditions.SORTCOL = 5;
        ActiveConditions.SORTTYPE = 0;
    }
    SortColumn = ActiveConditions.SORTCOL;
    SortDescending = ActiveConditions.SORTTYPE != 0;

    ScanSharedDrives();
    {
        const QSignalBlocker quiet(m_chkAutoRefresh);
        m_chkAutoRefresh->setChecked(SystemDef.Reserve4Flag2 == 1);
    }
    m_grid->model().clearRows();
    DataList.clear();
    ChildList.clear();
    DisplayIndex.clear();
    if (!SharedRoot.empty()) {
        LoadList(false);
        ShowList(-1);
        if (m_chkAutoRefresh->isChecked() || m_grid->rowCount() == 0)
            RefreshList();
    }
    setListHint();
    SetFunctionKeys();
}

void TServerSentakuBox::ScanSharedDrives()
{
    const QSignalBlocker quiet(m_cmbDrive);
    m_cmbDrive->clear();
    DriveLetters.clear();
    for (char letter : platform::drives::usableRemoteLetters()) {
        const std::string root = std::string(1, letter) + ":\\" + ShareDir;
        if (!folderExists(root))
            continue;
        paths::Drive drive;
        std::string text = std::string(1, letter) + ":";
        if (paths::driveOf(letter, drive))
            text += " [" + (drive.uncName.empty() ? drive.nativeRoot.string() : drive.uncName) + "]";
        m_cmbDrive->addItem(q(text));
        DriveLetters.push_back(letter);
    }
    if (DriveLetters.empty()) {
        m_cmbDrive->addItem(q("[" + ShareDir + "]が見つかりません"));
        m_cmbDrive->setCurrentIndex(0);
        DriveLetter.clear();
        SharedRoot.clear();
        return;
    }
    int chosen = 0;
    const std::string wanted = upperAscii(ZenkakuTrim(DriveLetter));
    for (std::size_t i = 0; i < DriveLetters.size(); ++i)
        if (wanted == std::string(1, DriveLetters[i]))
            chosen = int(i);
    m_cmbDrive->setCurrentIndex(chosen);
    DriveLetter = std::string(1, DriveLetters[std::size_t(chosen)]);
    SharedRoot = DriveLetter + ":\\" + ShareDir;
}

// ---- the list -----------------------------------------------------------------------------

void TServerSentakuBox::SetRowFromInfo(TDataListRec& Rec, bool Empty)
{
    if (Empty) {
        const std::uint8_t status = Rec.DATA_STATUS;
        const std::string folder = Rec.PASNAME;
        Rec = TDataListRec{};
        Rec.GROUPID = SystemDef.GroupId;
        Rec.ENTTEXT = KyoyuEmptyArea;
        Rec.DispName = KyoyuEmptyArea;
        Rec.KikanText = "～";
        Rec.NETDRIVE = 1;
        Rec.PASNAME = folder;
        Rec.DATA_STATUS = status;
        return;
    }
    const TDataInfomationRec& i = WorkInfo;
    Rec.DATACODE = i.Code;
    Rec.ENTTEXT = i.DataListName.empty() ? std::string(KyoyuEmptyArea) : i.DataListName;
    Rec.SHOUGOU = isEmptyArea(Rec) ? std::string() : i.Shougou;
    Rec.NENDO = i.Nendo;
    Rec.KikanText = i.Kishu + " ～ " + i.Kimatu;
    Rec.KISHU = dateOfText(i.Kishu);
    Rec.KIMATU = dateOfText(i.Kimatu);
    Rec.DATATYPE = i.DataKbn;
    Rec.CODETYPE = i.CodeKbn;
    Rec.TANTOU = i.Tanto;
    Rec.DATALOCK = (i.Status == records::dsLocked && i.OpCode != 0) ? 1 : 0;
    Rec.VER_MAJOR = i.VerMajor;
    Rec.VER_MINOR1 = i.VerMinor1;
    Rec.VER_MINOR2 = i.VerMinor2;
    Rec.VER_TEXT = i.VerName;
    Rec.UPDATE_LOCK = i.UpdateLock;
    Rec.GASSAN = i.GassanKbn;
    Rec.DispName = Rec.ENTTEXT;
}

void TServerSentakuBox::storeRow(TDataListRec& Rec)
{
    if (!m_catalogue)
        return;
    if (holdsData(Rec.PASNAME)) {
        m_catalogue->UpdateServerDataListRecord(Rec, 1, true);
        return;
    }
    // A distributed child without its database is no area of its own: it is not stored, so
    // that it never turns up as a top-level "空き領域".
    if (Rec.GASSAN == GassanChild || Rec.ENTTEXT.empty())
        return;
    const int rec = Rec.REC;
    const std::string name = Rec.ENTTEXT;
    const std::string shown = Rec.DispName;
    SetRowFromInfo(Rec, true);
    Rec.REC = rec;
    Rec.ENTTEXT = name;
    Rec.DispName = shown;
    m_catalogue->UpdateServerDataListRecord(Rec, 1, true);
}

void TServerSentakuBox::LoadList(bool Rebuild)
{
    DataList.clear();
    ChildList.clear();
    DisplayIndex.clear();
    if (!m_catalogue || SharedRoot.empty())
        return;
    std::uint8_t kind = 1;
    if (SortColumn == 1)
        kind = 7;
    else if (SortColumn >= 2 && SortColumn <= 6)
        kind = std::uint8_t(SortColumn);
    m_catalogue->ServerExecute(Rebuild ? 1 : 0, SharedRoot, "", SortDescending, kind);
    DataList = m_catalogue->DataList;
    if (Rebuild) {
        // A paste's half-made copy, or the area it was about to replace, left by a crash is no area.
        std::erase_if(DataList, [](const TDataSentakuRec& r) {
            const std::string name = paths::extractFileName(r.PASNAME);
            return name.rfind(kStagePrefix, 0) == 0 || name.rfind(kAsidePrefix, 0) == 0;
        });
    }
    if (!Rebuild) {
        ChildList = m_catalogue->ChildList;
    } else {
        auto refresh = [this](TDataListRec& row) {
            if (CheckDataFolder(row.PASNAME, false, false) == records::dsDamaged)
                row.DATA_STATUS = 1;
            SetRowFromInfo(row, false);
        };
        for (TDataSentakuRec& parent : DataList) {
            refresh(parent);
            storeRow(parent);
            for (std::size_t c = 0; c < parent.Children.size(); ++c) {
                TDataListRec& child = parent.Children[c];
                refresh(child);
                child.REC = parent.REC;
                child.ROWNO = int(c + 1);
                child.GASSAN = GassanChild;
                storeRow(child);
                ChildList.push_back(child);
            }
        }
    }
    FilterList();
}

void TServerSentakuBox::FilterList()
{
    DisplayIndex.clear();
    const TDataKensakuRec& c = ActiveConditions;
    const std::string code = ZenkakuTrim(c.DATACODE);
    for (std::size_t i = 0; i < DataList.size(); ++i) {
        const TDataSentakuRec& r = DataList[i];
        if (c.DATATYPE != 0 && c.CODETYPE != 0 &&
            std::to_string(r.DATATYPE) + std::to_string(r.CODETYPE) !=
                std::to_string(c.DATATYPE) + std::to_string(c.CODETYPE))
            continue;
        if (!c.DATANAME.empty() && r.ENTTEXT.find(c.DATANAME) == std::string::npos)
            continue;
        if (c.TANTO != 0 && r.TANTOU != c.TANTO)
            continue;
        if (!c.DATAVER.empty() && std::to_string(r.VER_MAJOR) + "." + std::to_string(r.VER_MINOR1) != c.DATAVER)
            continue;
        if (!code.empty()) {
            const std::string head = LeftFixStr(r.DATACODE, int(platform::text::cp932Width(code)));
            if (upperAscii(head) != upperAscii(code))
                continue;
        }
        DisplayIndex.push_back(int(i));
    }
}

void TServerSentakuBox::drawRow(int Row, const TDataListRec& Rec, int No, int Parent, int Child)
{
    auto& m = m_grid->model();
    const bool empty = isEmptyArea(Rec);
    m.setCellText(Row, cNo, No > 0 ? QString::number(No) : QString());
    m.setCellText(Row, cCode, q(Rec.DATACODE));
    m.setCellText(Row, cName, q(Rec.DispName));
    m.setCellText(Row, cNendo, empty ? QString() : QStringLiteral("%1 期").arg(Rec.NENDO));
    m.setCellText(Row, cKikan, empty ? QStringLiteral("～") : q(Rec.KikanText));
    m.setCellText(Row, cFolder, q(Rec.PASNAME));
    m.setCellText(Row, cVersion, q(Rec.VER_TEXT));
    TDataInfomationRec info;
    TDataInfomation::ClearDataInfoRec(info);
    if (holdsData(Rec.PASNAME))
        m_dataInfo.ReadIniFileCurHost(Rec.PASNAME, info);
    const bool shared = info.ShareStatus == 2;
    m.setCellPicture(Row, cShare, m_pictures[shared ? 1 : 0]);
    m.setCellNumber(Row, hShared, shared ? 1 : 0);
    m.setCellNumber(Row, hUpdateLock, Rec.UPDATE_LOCK);
    m.setCellNumber(Row, hGassan, Rec.GASSAN);
    m.setCellNumber(Row, hParent, Parent);
    m.setCellNumber(Row, hChild, Child);
    m.setCellNumber(Row, hStatus, Rec.DATA_STATUS);
    m.setRowBackColor(Row, Row % 2 == 1 ? kPaleBlue : kWhite);
    m.setRowTextColor(Row, platform::clWindowText);
    m.setRowActiveTextColor(Row, kDarkBlue);
    if (Rec.DATA_STATUS == 1) {
        m.setRowBackColor(Row, kDamaged);
        m.setRowActiveTextColor(Row, platform::clWindowText);
    }
}

int TServerSentakuBox::drawParent(int Index, int Row, int No)
{
    TDataSentakuRec& entry = DataList[std::size_t(Index)];
    auto& m = m_grid->model();
    drawRow(Row, entry, No, Index, 0);
    int next = Row + 1;
    while (next < m.rowCount() && m.cellText(next, cNo).isEmpty() && m.cellNumber(next, hParent) == Index)
        m.deleteGridRows(next, 1);
    if (m_catalogue)
        m_catalogue->NumberChildNames(entry);
    if (!entry.Children.empty())
        m.insertGridRows(next, int(entry.Children.size()));
    for (std::size_t c = 0; c < entry.Children.size(); ++c)
        drawRow(next + int(c), entry.Children[c], 0, Index, int(c));
    return 1 + int(entry.Children.size());
}

void TServerSentakuBox::ShowList(int Index)
{
    auto& m = m_grid->model();
    if (Index >= 0) {
        if (Index >= int(DisplayIndex.size()))
            return;
        const int entry = DisplayIndex[std::size_t(Index)];
        for (int r = 0; r < m.rowCount(); ++r)
            if (!m.cellText(r, cNo).isEmpty() && m.cellNumber(r, hParent) == entry) {
                drawParent(entry, r, m.cellText(r, cNo).toInt());
                return;
            }
        return;
    }
    m.clearRows();
    for (int c = 0; c <= cShare; ++c)
        m_grid->setHeaderText(c, QString::fromUtf8(kColumns[c].header));
    if (SortColumn >= 1 && SortColumn <= 6)
        m_grid->setHeaderText(SortColumn, QString::fromUtf8(kColumns[SortColumn].header) +
                                              (SortDescending ? QStringLiteral("▼") : QStringLiteral("▲")));
    int row = 0;
    int number = 0;
    for (int index : DisplayIndex) {
        if (row >= m_grid->maxRowCount())
            break;
        const std::uint8_t g = DataList[std::size_t(index)].GASSAN;
        if (g != GassanNormal && g != GassanConsolidated && g != GassanHonshiten)
            continue;
        m.insertGridRows(row, 1);
        row += drawParent(index, row, ++number);
    }
    if (m_grid->rowCount() > 0)
        m_grid->setCurrentRow(0);
}

void TServerSentakuBox::RefreshList()
{
    LoadList(true);
    ShowList(-1);
    LoadList(false);
    ShowList(-1);
    setListHint();
    SetFunctionKeys();
}

bool TServerSentakuBox::IsChildRow(int Row) const
{
    auto& m = m_grid->model();
    return Row >= 0 && Row < m.rowCount() && m.cellText(Row, cNo).isEmpty();
}

const TDataListRec* TServerSentakuBox::RowRec(int Row) const
{
    return const_cast<TServerSentakuBox*>(this)->rowRecord(Row);
}

TDataListRec* TServerSentakuBox::rowRecord(int Row)
{
    auto& m = m_grid->model();
    if (Row < 0 || Row >= m.rowCount())
        return nullptr;
    const long long parent = m.cellNumber(Row, hParent);
    if (parent < 0 || parent >= (long long)DataList.size())
        return nullptr;
    TDataSentakuRec& entry = DataList[std::size_t(parent)];
    if (!IsChildRow(Row))
        return &entry;
    const long long child = m.cellNumber(Row, hChild);
    if (child < 0 || child >= (long long)entry.Children.size())
        return nullptr;
    return &entry.Children[std::size_t(child)];
}

void TServerSentakuBox::locateFolder(const std::string& Folder)
{
    const std::string wanted = lowerAscii(paths::excludeTrailingDelimiter(Folder));
    for (int r = 0; r < m_grid->rowCount(); ++r) {
        const TDataListRec* rec = RowRec(r);
        if (rec && lowerAscii(paths::excludeTrailingDelimiter(rec->PASNAME)) == wanted) {
            m_grid->setCurrentIndex(m_grid->model().index(r, cName));
            m_grid->scrollTo(m_grid->model().index(r, cName));
            break;
        }
    }
    m_grid->setFocus();
}

// ---- function keys ------------------------------------------------------------------------

void TServerSentakuBox::SetFunctionKeys()
{
    selection::SharedListState state;
    const int row = m_grid->currentRow();
    if (const TDataListRec* rec = RowRec(row)) {
        auto& m = m_grid->model();
        state.HasRow = true;
        state.IsChild = IsChildRow(row);
        state.EmptyArea = isEmptyArea(*rec);
        state.InSharedUse = m.cellNumber(row, hShared) == 1;
        state.Damaged = m.cellNumber(row, hStatus) == 1;
    }
    state.CopyPending = CopyPending;
    state.HasSharedRoot = !SharedRoot.empty();
    const selection::FunctionKeySet keys = selection::DataListRules::sharedKeys(state);
    KeyMode = keys.F2Mode;
    if (m_grid->hasFocus()) {
        setListHint();
        ShowLongHint(m_grid, m_hintArea);
    }
    for (int i = 0; i < kCount; ++i) {
        TxPlButton* b = m_keys[std::size_t(i)];
        b->CaptionA().setCaption(q(keys.caption[std::size_t(i)]));
        b->setEnabled(keys.enabled[std::size_t(i)]);
    }
}

bool TServerSentakuBox::keyActive(int index) const
{
    return m_keys[std::size_t(index)]->CaptionA().Caption() !=
           QString::fromLatin1(selection::DataListRules::keyPrefix(index));
}

void TServerSentakuBox::functionKeyClick(int index)
{
    if (!keyActive(index))
        return;
    switch (index) {
    case kEsc: EscClick(); break;
    case kF1: ShowManualPage("kyoyudata.html"); break;
    case kF2: F2Click(); break;
    case kF4: AddArea(); break;
    case kF5: DeleteData(); break;
    case kF8: PrintList(); break;
    case kF12: F12Click(); break;
    default: break;
    }
    SetFunctionKeys();
}

void TServerSentakuBox::doKeyDown(QKeyEvent& event) { TBSDI::doKeyDown(event); }

void TServerSentakuBox::doKeyUp(QKeyEvent& event)
{
    const int index = selection::DataListFrame::keyIndexOf(event.key());
    if (index < 0)
        return;
    // Consumed here, so that the key neither reaches the dialog a second time on its way up
    // nor lets the base close the window.
    event.accept();
    if (keyActive(index))
        m_keys[std::size_t(index)]->Click();
    SetFunctionKeys();
}

// ---- choosing and closing -----------------------------------------------------------------

void TServerSentakuBox::F12Click()
{
    setModalResult(platform::mrNone);
    const int row = m_grid->currentRow();
    if (row < 0 || IsChildRow(row) || !keyActive(kF12))
        return;
    const TDataListRec* rec = RowRec(row);
    if (!rec)
        return;
    const TDataSentakuRec& parent = DataList[std::size_t(m_grid->model().cellNumber(row, hParent))];
    SelectedFolder = parent.PASNAME;
    SelectedName = parent.ENTTEXT;
    TDataInfomation::ClearDataInfoRec(WorkInfo);
    const bool exists = folderExists(SelectedFolder);
    if (holdsData(SelectedFolder))
        m_dataInfo.ReadIniFileCurHost(SelectedFolder, WorkInfo);
    auto refuse = [this](const std::string& first, const std::string& second) {
        TMessage2InfoRec info;
        InitMessage2Info(mtInformation, info);
        info.Lines[0].Text = first;
        info.Lines[1].Text = second;
        ShowMessageBox2(info);
        SelectedFolder.clear();
        SelectedName.clear();
    };
    switch (const auto r = selection::DataListRules::sharedRefusal(isEmptyArea(parent), WorkInfo.ShareStatus, exists)) {
    case selection::Refusal::None: break;
    case selection::Refusal::ServerGone:
        refuse(selection::DataListRules::refusalText(r, 0),
               "共有サーバーが起動している場合は [更新]ボタンを押しデータリストの再作成を行って下さい。");
        return;
    default: refuse(selection::DataListRules::refusalText(r, 0), ""); return;
    }
    if (parent.GASSAN == GassanConsolidated || parent.GASSAN == GassanHonshiten) {
        for (const TDataListRec& child : parent.Children) {
            if (child.DATA_STATUS != 1)
                continue;
            m_msgBox->MsgKind = 1;
            m_msgBox->MsgCaption = "選択データの状態";
            m_msgBox->MsgText = "共有サーバー上のデータが破損しているため、共有データの取得を中止します。\r"
                                "データのバックアップを行っている場合は、適正な方法で破損前の状態へ戻して下さい。";
            m_msgBox->MsgColor = platform::clRed;
            m_msgBox->SetLines({"【データフォルダ】", "　" + child.PASNAME, "", "【オペレータ】", "",
                                "【オペレータ名】", ""});
            m_msgBox->ApplySettings();
            platform::execDialog(*m_msgBox);
            SelectedFolder.clear();
            SelectedName.clear();
            return;
        }
    }
    setModalResult(platform::mrOk);
}

void TServerSentakuBox::endCopy()
{
    if (!CopySource.empty())
        m_dataInfo.SetDataStatus(CopySource, records::dsFree);
    CopySource.clear();
    CopyPending = false;
}

void TServerSentakuBox::EscClick()
{
    if (CopyPending) {
        endCopy();
        SetFunctionKeys();
        return;
    }
    setModalResult(platform::mrCancel);
}

void TServerSentakuBox::doClose(int result)
{
    TBSDI::doClose(result);
    endCopy();
    ActiveConditions.SORTCOL = SortColumn;
    ActiveConditions.SORTTYPE = SortDescending ? 1 : 0;
    if (m_conditions) {
        m_conditions->ListType = 1;
        m_conditions->UpdateRecordSortField(ActiveConditions);
    }
}

// ---- the folders' state -------------------------------------------------------------------

void TServerSentakuBox::showStateBox(const std::string& Text, const std::string& Folder,
                                     const std::string& Code, const std::string& Name)
{
    m_msgBox->MsgKind = 1;
    m_msgBox->MsgCaption = "選択データの状態";
    m_msgBox->MsgText = Text;
    m_msgBox->MsgColor = platform::clRed;
    m_msgBox->SetLines({"【データフォルダ】", "　" + Folder, "", "【オペレータ】", "　" + Code, "",
                        "【オペレータ名】", "　" + Name});
    m_msgBox->ApplySettings();
    platform::execDialog(*m_msgBox);
}

int TServerSentakuBox::CheckDataFolder(const std::string& Folder, bool Warn, bool Show)
{
    if (!holdsData(Folder)) {
        TDataInfomation::ClearDataInfoRec(WorkInfo);
        if (Warn) {
            ShowErrorDialog("このフォルダには財務データがありません。\r", "", 0);
            return 0;
        }
        return 1;
    }
    try {
        if (!files::fileExists(paths::join(Folder, DataIniFile)))
            m_dataInfo.RefreshIniFile(Folder, "");
    } catch (const std::exception&) {
        // read what there is
    }
    TDataInfomation::ClearDataInfoRec(WorkInfo);
    m_dataInfo.ReadIniFileCurHost(Folder, WorkInfo);
    const int status = WorkInfo.Status;
    if (Show && status != records::dsFree && status != records::dsDamaged) {
        const int group = SystemDef.GroupId * 10000;
        const int code = group != 0 ? WorkInfo.OpCode % group : WorkInfo.OpCode;
        showStateBox("このデータは、" + records::dataStatusText(status) + "のため処理がおこなえません。", Folder,
                     std::to_string(code), WorkInfo.OpName);
    }
    return status;
}

// The area was taken out by another login after the list was read: refused with its holder.
bool TServerSentakuBox::sharedElsewhere(const std::string& Folder)
{
    TDataInfomationRec info;
    TDataInfomation::ClearDataInfoRec(info);
    if (!holdsData(Folder))
        return false;
    m_dataInfo.ReadIniFileCurHost(Folder, info);
    if (info.ShareStatus != 2)
        return false;
    std::string code;
    if (info.ShareOpCode > 0) {
        const int group = SystemDef.GroupId * 10000;
        code = std::to_string(group != 0 ? info.ShareOpCode % group : info.ShareOpCode);
    }
    m_msgBox->MsgKind = 1;
    m_msgBox->MsgCaption = "選択データの状態";
    m_msgBox->MsgText = "共有データは現在使用されています。";
    m_msgBox->MsgColor = platform::clRed;
    std::vector<std::string> lines = {"【データフォルダ】", "　" + Folder, "", "【オペレータ】"};
    if (!code.empty())
        lines.push_back("　" + code);
    lines.insert(lines.end(), {"", "【オペレータ名】", "　" + info.ShareOpName});
    m_msgBox->SetLines(lines);
    m_msgBox->ApplySettings();
    platform::execDialog(*m_msgBox);
    return true;
}

bool TServerSentakuBox::ChangeShareStatus(const std::string& Folder, int Status)
{
    if (Status != 1 && Status != 2)
        return false;
    return m_dataInfo.ChangeShareStatus(Folder, Status);
}

void TServerSentakuBox::StoreServerRow(const TDataListRec& Rec)
{
    if (m_catalogue)
        selection::StoreServerRow(*m_catalogue, Rec, m_dataInfo);
}

// ---- copy and paste -----------------------------------------------------------------------

int TServerSentakuBox::CompareDataSets(const std::string& Word, const std::string& Source,
                                       const std::string& Dest)
{
    if (Source.empty()) {
        ShowErrorDialog(Word + "処理元のデータパスが不正です。\r", "", 0);
        return 0;
    }
    if (Dest.empty()) {
        ShowErrorDialog(Word + "処理先のデータパスが不正です。\r", "", 0);
        return 0;
    }
    if (!folderExists(Dest)) {
        ForceFolder(Dest);
        return 1;
    }
    if (!holdsData(Dest))
        return 1;
    TDataInfomationRec from;
    TDataInfomationRec to;
    TDataInfomation::ClearDataInfoRec(from);
    TDataInfomation::ClearDataInfoRec(to);
    m_dataInfo.ReadIniFileCurHost(Source, from);
    m_dataInfo.ReadIniFileCurHost(Dest, to);
    std::vector<std::string> lines;
    auto pair = [&](const char* title, const std::string& a, const std::string& b, const char* unit) {
        lines.push_back(title);
        lines.push_back("　【" + Word + "元】：" + a + unit);
        lines.push_back("　【" + Word + "先】：" + b + unit);
        lines.push_back("");
    };
    if (from.Shougou != to.Shougou)
        pair("会社名に違いがありました。", from.Shougou, to.Shougou, "");
    if (from.Kishu != to.Kishu)
        pair("期首に違いがありました。", slashDate(from.Kishu), slashDate(to.Kishu), "");
    if (from.Kimatu != to.Kimatu)
        pair("期末に違いがありました。", slashDate(from.Kimatu), slashDate(to.Kimatu), "");
    if (from.TotalSiwake < to.TotalSiwake)
        pair("仕訳件数(修正・削除仕訳含む)が減っています。", IntToCommaStr(from.TotalSiwake),
             IntToCommaStr(to.TotalSiwake), " 件");
    if (lines.empty())
        return 1;
    m_msgBox->MsgKind = 2;
    m_msgBox->MsgCaption = "データ照合チェックの結果";
    m_msgBox->MsgText = "以下の項目に違いが検出されました。";
    m_msgBox->MsgColor = platform::clRed;
    m_msgBox->SetLines(lines);
    m_msgBox->AgreeCaption = "データ" + Word + "処理の続行に同意します。";
    m_msgBox->ApplySettings();
    return platform::execDialog(*m_msgBox) == platform::mrOk ? 1 : 0;
}

void TServerSentakuBox::F2Click()
{
    const int row = m_grid->currentRow();
    if (row < 0 || !keyActive(kF2))
        return;
    if (KeyMode == 2 || CopyPending) {
        paste(row);
        return;
    }
    const TDataListRec* rec = RowRec(row);
    if (!rec)
        return;
    const std::string folder = paths::excludeTrailingDelimiter(rec->PASNAME);
    const int status = CheckDataFolder(folder, true, true);
    if (status != records::dsFree) {
        endCopy();
        return;
    }
    CopySource = folder;
    CopySourceRec = *rec;
    CopySourceIndex = int(m_grid->model().cellNumber(row, hParent));
    CopyName = ZenkakuTrim(LeftFixStr(rec->ENTTEXT + "～コピー", 40));
    m_dataInfo.SetDataStatus(CopySource, records::dsCopying);
    CopyPending = true;
    SetFunctionKeys();
}

void TServerSentakuBox::clearChildren(TDataSentakuRec& Dest)
{
    if (m_catalogue)
        for (const TDataListRec& child : Dest.Children)
            m_catalogue->DeleteServerDataListChildRecord(child, true);
    Dest.Children.clear();
    Dest.ChildCnt = 0;
}

void TServerSentakuBox::copyChildren(int DestIndex)
{
    TDataSentakuRec& dest = DataList[std::size_t(DestIndex)];
    auto consolidated = [](int g) { return g == GassanConsolidated || g == GassanHonshiten; };
    const bool listed = CopySourceIndex >= 0 && CopySourceIndex < int(DataList.size()) &&
                        consolidated(DataList[std::size_t(CopySourceIndex)].GASSAN);
    if (!consolidated(CopySourceRec.GASSAN)) {
        dest.Children.clear();
        dest.ChildCnt = 0;
        return;
    }
    if (!listed)
        return;
    const std::string from = upperAscii(CopySource);
    TDataListArray children = DataList[std::size_t(CopySourceIndex)].Children;
    dest.Children.clear();
    for (TDataListRec child : children) {
        child.REC = dest.REC;
        std::string path = child.PASNAME;
        for (std::size_t at = upperAscii(path).find(from); at != std::string::npos;
             at = upperAscii(path).find(from, at + dest.PASNAME.size())) {
            path.replace(at, CopySource.size(), paths::excludeTrailingDelimiter(dest.PASNAME));
        }
        child.PASNAME = path;
        if (m_catalogue)
            m_catalogue->UpdateServerDataListRecord(child, 1, true);
        dest.Children.push_back(child);
    }
    dest.ChildCnt = int(dest.Children.size());
}

void TServerSentakuBox::paste(int DestRow)
{
    CopyPending = false;
    const std::string source = CopySource;
    TDataListRec* destRec = rowRecord(DestRow);
    if (!destRec || source.empty()) {
        endCopy();
        return;
    }
    const bool childDest = IsChildRow(DestRow) || destRec->GASSAN == GassanChild;
    const int destIndex = int(m_grid->model().cellNumber(DestRow, hParent));
    const std::string dest = paths::excludeTrailingDelimiter(destRec->PASNAME);
    if (paths::samePath(dest, source)) {
        endCopy();
        return;
    }

    TxAnimeProgressDialog progress;
    bool progressShown = false;
    auto finish = [&] {
        if (progressShown)
            progress.Close();
        endCopy();
        show();
        FlushInputMessages(this);
    };

    // Every refusal comes before anything is changed.
    const int status = CheckDataFolder(dest, false, true);
    if (status != records::dsFree && status != records::dsDamaged) {
        finish();
        return;
    }
    if (sharedElsewhere(dest)) {
        finish();
        return;
    }
    const std::string upDest = upperAscii(dest) + "\\";
    const std::string upSource = upperAscii(source) + "\\";
    if (!childDest && (upDest.rfind(upSource, 0) == 0 || upSource.rfind(upDest, 0) == 0)) {
        // Copying into itself, or over the folder that holds the source, would destroy the source.
        ShowErrorDialog("貼付先にコピー元のパスが含まれています。処理を中断します。", "", 1);
        finish();
        return;
    }
    // Asked before the progress dialog disables this one (and the boxes it owns).
    bool go = false;
    if (status == records::dsDamaged) {
        TMessage2InfoRec info;
        InitMessage2Info(mtConfirmation, info);
        info.Lines[0].Text = "このデータは破損データのため、データ間の照合チェックは行わずにコピーを行います。";
        info.Lines[1].Text = "よろしいですか？";
        go = ShowMessageBox2(info) == platform::mrOk;
    } else {
        go = CompareDataSets("貼り付け", source, dest) == 1;
    }
    if (!go) {
        finish();
        return;
    }

    progress.setParentHandle(this);
    progress.setCaption(QStringLiteral("コピー中"));
    progress.setInfoLabel(QStringLiteral("データのコピー中…"));
    progress.setAviFile(q(paths::join(SystemDef.ExeFolder, "progress.avi")));
    progress.setCancelBtnShow(false);
    progress.Show(this);
    progressShown = true;

    // The information file is put back byte for byte when the copy fails.
    const std::string destIni = paths::join(dest, DataIniFile);
    std::optional<std::string> iniBefore;
    try {
        if (files::fileExists(destIni))
            iniBefore = files::readAll(destIni);
    } catch (const std::exception&) {
    }
    m_dataInfo.SetDataStatus(dest, records::dsPasting);
    // The copy is made whole beside the destination and only then put in its place, so that a
    // failure leaves the destination as it was.
    const std::string parentFolder = paths::extractFileDir(dest);
    const std::string name = paths::extractFileName(dest);
    const std::string stage = paths::join(parentFolder, kStagePrefix + name);
    const std::string old = paths::join(parentFolder, kAsidePrefix + name);
    try {
        if (childDest) {
            files::copyFile(paths::join(source, DataFile), paths::join(dest, DataFile), true);
        } else {
            removeQuietly(stage);
            copyTree(source, stage);
            removeQuietly(old);
            files::rename(dest, old);
            try {
                files::rename(stage, dest);
            } catch (...) {
                files::rename(old, dest);
                throw;
            }
            removeQuietly(old);
            TDataSentakuRec& parent = DataList[std::size_t(destIndex)];
            if (parent.GASSAN == GassanConsolidated || parent.GASSAN == GassanHonshiten)
                clearChildren(parent);
        }
    } catch (const std::exception& e) {
        removeQuietly(stage);
        try {
            if (iniBefore)
                files::writeAllAtomic(destIni, *iniBefore);
            else if (files::fileExists(destIni))
                files::removeFile(destIni);
        } catch (const std::exception&) {
            m_dataInfo.SetDataStatus(dest, status);
        }
        if (progressShown) {
            progress.Close();
            progressShown = false;
        }
        ShowErrorDialog("データのコピーに失敗しました。\r貼り付け先のデータは変更されていません。", e.what(), 1);
        finish();
        return;
    }

    try {
        m_dataInfo.SetDataStatus(dest, records::dsFree);
        TDataInfomationRec info;
        TDataInfomation::ClearDataInfoRec(info);
        m_dataInfo.ReadIniFileCurHost(dest, info);
        info.Shougou = CopySourceRec.SHOUGOU;
        info.Code = CopySourceRec.DATACODE;
        info.DataListName = CopyName;
        info.UpdateLock = CopySourceRec.UPDATE_LOCK;
        info.GassanKbn = CopySourceRec.GASSAN;
        m_dataInfo.WriteIniFile(dest, "DATAINFO", info);
        m_dataInfo.SetShareStatus(dest, 1);

        destRec = rowRecord(DestRow);
        TDataInfomation::ClearDataInfoRec(WorkInfo);
        m_dataInfo.ReadIniFileCurHost(dest, WorkInfo);
        if (destRec) {
            SetRowFromInfo(*destRec, false);
            destRec->DATA_STATUS = 0;
            if (childDest)
                destRec->GASSAN = GassanChild;
            storeRow(*destRec);
        }
        if (!childDest)
            copyChildren(destIndex);
        ShowList(-1);
        locateFolder(dest);
    } catch (const std::exception& e) {
        if (progressShown) {
            progress.Close();
            progressShown = false;
        }
        ShowErrorDialog(e.what(), "", 1);
    }
    finish();
}

// ---- areas --------------------------------------------------------------------------------

void TServerSentakuBox::AddArea()
{
    if (SharedRoot.empty() || !m_catalogue)
        return;
    int parents = 0;
    for (const TDataSentakuRec& r : DataList)
        if (r.GASSAN != GassanChild)
            ++parents;
    if (parents >= kMaxAreas) {
        ShowErrorDialog("これ以上の領域追加は行えません。(最大" + std::to_string(kMaxAreas) + "件)", "", 0);
        return;
    }
    if (!m_inputDialog)
        m_inputDialog = std::make_unique<TInputDlgBox>(this);
    TInputDlgBox& box = *m_inputDialog;
    std::string proposal;
    m_catalogue->GetNextShareFolderName(SharedRoot, 1, proposal);
    box.InputStyle = 0;
    box.DlgCaption = "データの領域追加";
    box.DlgMessage = "新しく作成するフォルダ名を入力して下さい。";
    box.MessageColor = platform::clWindowText;
    box.InputValue = proposal;
    box.InputMaxLength = 10;
    box.InputImeMode = 0;
    box.SetInputFilter(40);
    box.InputHint = "ﾌｫﾙﾀﾞ名を指定して［OK］するとﾃﾞｰﾀ領域が追加されます。";
    box.ApplySettings();
    if (platform::execDialog(box) != platform::mrOk)
        return;
    const std::string name = lowerAscii(ZenkakuTrim(box.InputValue));
    if (name.empty())
        return;
    const std::string folder = paths::join(SharedRoot, name);
    if (folderExists(folder)) {
        ShowErrorDialog("\"" + folder + "\"は既に作成されています。", "", 0);
        return;
    }
    bool made = false;
    try {
        made = ForceFolder(folder);
    } catch (const std::exception&) {
        made = false;
    }
    if (!made) {
        ShowErrorDialog("\"" + folder + "\"の作成に失敗しました。", "", 0);
        return;
    }
    TDataSentakuRec row;
    row.PASNAME = folder;
    SetRowFromInfo(row, true);
    row.ENTTEXT = KyoyuNewArea;
    row.DispName = KyoyuNewArea;
    storeRow(row);
    LoadList(false);
    ShowList(-1);
    locateFolder(folder);
    setListHint();
}

void TServerSentakuBox::DeleteData()
{
    const int row = m_grid->currentRow();
    if (row < 0 || IsChildRow(row))
        return;
    const TDataListRec* rec = RowRec(row);
    if (!rec)
        return;
    const std::string folder = paths::excludeTrailingDelimiter(rec->PASNAME);
    const int status = CheckDataFolder(folder, false, true);
    if (status != records::dsFree && status != records::dsDamaged)
        return;
    if (sharedElsewhere(folder))
        return;
    auto& m = m_grid->model();
    m_msgBox->MsgKind = 2;
    m_msgBox->MsgCaption = "データの削除";
    m_msgBox->MsgText = "選択中のデータを削除します。";
    m_msgBox->MsgColor = platform::clRed;
    m_msgBox->SetLines({"【データ名】", "　" + m.cellText(row, cName).toStdString(), "", "【会計期間】",
                        "　" + m.cellText(row, cKikan).toStdString(), "", "【データフォルダ】",
                        "　" + m.cellText(row, cFolder).toStdString()});
    m_msgBox->AgreeCaption = "データの削除に同意します";
    m_msgBox->ApplySettings();
    if (platform::execDialog(*m_msgBox) != platform::mrOk)
        return;
    // Another login may have taken it out while the box was open.
    if (sharedElsewhere(folder))
        return;
    const bool deleted = ShellFileDelete(folder, FO_DELETE, true, true);
    RefreshList();
    if (!deleted)
        ShowErrorDialog("データの削除に失敗しました。\r削除処理を中止しました。", "", 1);
}

// ---- print, search, information, refresh ---------------------------------------------------

void TServerSentakuBox::PrintList()
{
    if (m_grid->rowCount() == 0 || DisplayIndex.empty()) {
        platform::messageBox("共有データリストが表示されていません。", "",
                             platform::MB_OK | platform::MB_ICONINFORMATION);
        return;
    }
    print::TDefaultPrintRec rec;
    print::TPrintDlgBox::InitDefaultPrintRec(rec);
    rec.ReportName = "DataSentakuList";
    int action = 0;
    int orientation = 0;
    {
        print::TDataSentakuPrintDlg dialog(this);
        dialog.ReportColors = false;
        dialog.PrintRec = &rec;
        dialog.TitleText = "共有データリストの印刷";
        dialog.MessageText = "共有データリストを印刷します。";
        dialog.MessageColor = QColor(palette().color(QPalette::WindowText));
        dialog.ShowPreviewButton = true;
        dialog.ShowCopyButton = false;
        dialog.Prepare(1);
        if (platform::execDialog(dialog) != platform::mrOk || dialog.PrintAction == 0)
            return;
        action = dialog.PrintAction;
        orientation = dialog.PaperOrientation;
    }
    try {
        TPrDataList report;
        report.ListKind = 1;
        report.PrintRec = rec;
        report.ListData = &DataList;
        report.DispOrder = &DisplayIndex;
        report.ListOrientation = orientation;
        report.PrintOut(action == 1);
    } catch (const std::exception& e) {
        platform::messageBox(std::string("共有データリストを印刷できません。\r") + e.what(), "",
                             platform::MB_OK | platform::MB_ICONERROR);
    }
}

void TServerSentakuBox::SearchClick()
{
    if (!m_searchDialog)
        m_searchDialog = std::make_unique<TDataListKensakuBox>(this);
    TDataListKensakuBox& box = *m_searchDialog;
    box.KeepOnClose = 1;
    box.ListType = 1;
    box.Conditions = EditConditions;
    box.Prepare(1);
    if (platform::execDialog(box) != platform::mrOk)
        return;
    EditConditions = box.Conditions;
    EditConditions.SORTCOL = SortColumn;
    EditConditions.SORTTYPE = SortDescending ? 1 : 0;
    if (m_conditions)
        m_conditions->UpdateRecord(EditConditions);
    ActiveConditions = EditConditions;
    LoadList(false);
    ShowList(-1);
    m_btnSearchCancel->setEnabled(true);
    SetFunctionKeys();
}

void TServerSentakuBox::SearchCancelClick()
{
    const int sortCol = ActiveConditions.SORTCOL;
    const int sortType = ActiveConditions.SORTTYPE;
    ActiveConditions = TDataKensakuRec{};
    if (m_conditions)
        m_conditions->InitRecord(ActiveConditions);
    ActiveConditions.SORTCOL = sortCol;
    ActiveConditions.SORTTYPE = sortType;
    LoadList(false);
    ShowList(-1);
    m_btnSearchCancel->setEnabled(false);
    SetFunctionKeys();
}

void TServerSentakuBox::InfoClick()
{
    const int row = m_grid->currentRow();
    TDataListRec* rec = rowRecord(row);
    if (!rec)
        return;
    if (!m_infoDialog)
        m_infoDialog = std::make_unique<TDataSyosaiInfoBox>(this);
    TDataSyosaiInfoBox& box = *m_infoDialog;
    box.KeepOnClose = 1;
    box.ServerList = 1;
    box.DataFolder = paths::excludeTrailingDelimiter(rec->PASNAME);
    box.UpdateLock = rec->UPDATE_LOCK;
    box.ListName = rec->ENTTEXT;
    box.ListRow = rec;
    box.Prepare(1);
    if (platform::execDialog(box) != platform::mrOk)
        return;
    rec = rowRecord(row);
    if (!rec)
        return;
    const std::string folder = paths::excludeTrailingDelimiter(rec->PASNAME);
    if (!isEmptyArea(*rec) && !box.ListName.empty()) {
        rec->ENTTEXT = box.ListName;
        rec->DispName = box.ListName;
    }
    rec->UPDATE_LOCK = box.UpdateLock;
    if (box.Rebuilt) {
        m_dataInfo.SetDataStatus(folder, records::dsFree);
        rec->DATA_STATUS = 0;
        StoreServerRow(*rec);
        RefreshList();
        return;
    }
    if (box.ClearStatus) {
        // Only the mark goes: the area's SHARE_STATUS belongs to whoever took it out.
        rec->DATALOCK = 0;
        m_dataInfo.SetDataStatus(folder, records::dsFree);
        m_grid->model().setCellNumber(row, hShared, 0);
        m_grid->model().setCellPicture(row, cShare, m_pictures[0]);
    }
    StoreServerRow(*rec);
    m_grid->model().setCellText(row, cName, q(rec->DispName));
    SetFunctionKeys();
}

void TServerSentakuBox::UpdateClick()
{
    if (SharedRoot.empty())
        return;
    const bool searching = m_btnSearchCancel->isEnabled();
    std::string text = "データリストの更新をおこないます。";
    if (searching)
        text += "検索実行中のため検索は解除されます。";
    text += "\rよろしいですか？";
    if (platform::messageBox(text, SystemDef.AppCaption, platform::MB_YESNO | platform::MB_ICONQUESTION) !=
        platform::IDYES)
        return;
    TxAnimeProgressDialog progress;
    progress.setParentHandle(this);
    progress.setCaption(QStringLiteral("更新中"));
    progress.setInfoLabel(QStringLiteral("データリストの更新中…"));
    progress.setAviFile(q(paths::join(SystemDef.ExeFolder, "progress.avi")));
    progress.setCancelBtnShow(true);
    progress.Show(this);
    try {
        if (searching)
            SearchCancelClick();
        RefreshList();
    } catch (const std::exception& e) {
        ShowErrorDialog(e.what(), "", 1);
    }
    FlushInputMessages(this);
    progress.Close();
    show();
}

void TServerSentakuBox::DriveAssignClick()
{
    int result = 1;
    try {
        result = selection::AssignSharedDrive(paths::extractFileDir(SystemDef.IniFileName), this);
    } catch (const std::exception&) {
        platform::messageBox("ネットワークドライブの割り当てAPIの呼び出しに失敗しました。\r"
                             "OSの機能からネットワークドライブの割り当てを行って下さい。",
                             "", platform::MB_OK | platform::MB_ICONINFORMATION);
    }
    if (result == 0) {
        ScanSharedDrives();
        RefreshList();
    }
    FlushInputMessages(this);
}

void TServerSentakuBox::DriveChange(int Index)
{
    if (Index < 0 || Index >= int(DriveLetters.size()))
        return;
    const std::string letter(1, DriveLetters[std::size_t(Index)]);
    if (letter == DriveLetter)
        return;
    endCopy();
    DriveLetter = letter;
    SharedRoot = DriveLetter + ":\\" + ShareDir;
    LoadList(false);
    ShowList(-1);
    if (m_chkAutoRefresh->isChecked() || m_grid->rowCount() == 0)
        RefreshList();
    setListHint();
    SetFunctionKeys();
}

void TServerSentakuBox::AutoRefreshClick()
{
    SystemDef.Reserve4Flag2 = m_chkAutoRefresh->isChecked() ? 1 : 0;
    if (DM)
        DM->fnPutSysDef();
}

void TServerSentakuBox::HeaderClick(int Col)
{
    if (Col < 1 || Col > 6 || m_grid->currentRow() < 0)
        return;
    SortDescending = SortColumn == Col ? !SortDescending : false;
    SortColumn = Col;
    LoadList(false);
    ShowList(-1);
    SetFunctionKeys();
}
