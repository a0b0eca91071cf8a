// TDataSentakuBox: launch parameters, the list of data sets, Esc and closing.
#include "selection/DataSelectionDialog.h"

#include "dbupdate/DbUpdateCheck.h"
#include "platform/MessageService.h"
#include "platform/Paths.h"
#include "platform/Text.h"
#include "records/DataModule.h"
#include "records/DbErrorHandler.h"
#include "records/ProgramRecords.h"
#include "records/TextRoutines.h"
#include "selection/ConnectionWatch.h"
#include "selection/DataListFrame.h"
#include "selection/DataListReport.h"
#include "selection/IncrementalSearch.h"
#include "selection/ServerSelectionDialog.h"
#include "ui/ListGrid.h"
#include "ui/ManualPages.h"
#include "ui/OwnerDrawnButton.h"
#include "ui/SimpleMessageBox.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QCursor>
#include <QKeyEvent>
#include <QPainter>
#include <QPlainTextEdit>

#include <cmath>
#include <cstdio>
#include <stdexcept>

namespace {

using platform::text::upperAscii;

constexpr platform::TColor kServerAlternate = 0xFFF0E1;
constexpr platform::TColor kServerHighlight = 0x804000;

using selection::DataListRules;
using selection::Refusal;
using selection::RowColors;

struct Column {
    const char* header;
    int width;
    int align;
};
// The 17 columns; 7 to 16 hidden unless the connect mode shows an icon column.
const Column kColumns[17] = {
    {"No", 40, 1},          {"コード", 70, 0},     {"データ名  ", 248, 0}, {"会計年度", 80, 2},
    {"会計期間", 180, 2},    {"データフォルダ", 200, 0}, {"バージョン", 90, 2}, {"鍵", 0, 2},
    {"共有", 0, 2},          {"鍵", 0, 1},          {"共有", 0, 1},          {"バージョン", 0, 0},
    {"データ更新", 0, 0},    {"合算区分", 0, 0},    {"", 0, 0},              {"", 0, 0},
    {"データステータス", 0, 0}};

QString q(const std::string& s) { return QString::fromStdString(s); }

bool sameFolder(const std::string& a, const std::string& b)
{
    return upperAscii(platform::paths::excludeTrailingDelimiter(a)) ==
           upperAscii(platform::paths::excludeTrailingDelimiter(b));
}

// An integer parameter: false when the text is not a whole decimal number.
bool parseInt(const std::string& text, int& value)
{
    const std::string t = ZenkakuTrim(text);
    if (t.empty())
        return false;
    std::size_t used = 0;
    try {
        const long v = std::stol(t, &used, 10);
        if (used != t.size() || v < INT32_MIN || v > INT32_MAX)
            return false;
        value = int(v);
        return true;
    } catch (const std::exception&) {
        return false;
    }
}


QPixmap drawPicture(int kind)
{
    QPixmap pm(16, 16);
    pm.fill(Qt::transparent);
    if (kind == 0)
        return pm;
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    if (kind == 1) {
        // padlock
        p.setPen(QPen(QColor(90, 90, 90), 2));
        p.drawArc(QRect(4, 1, 8, 9), 0, 180 * 16);
        p.fillRect(QRect(3, 7, 10, 8), QColor(200, 160, 40));
        p.setPen(QColor(120, 90, 20));
        p.drawRect(QRect(3, 7, 10, 8));
    } else {
        // two linked sheets: data kept on the shared server
        p.setPen(QColor(30, 80, 160));
        p.setBrush(QColor(180, 210, 250));
        p.drawRect(QRect(1, 1, 9, 11));
        p.drawRect(QRect(6, 4, 9, 11));
    }
    return pm;
}

void warn(const std::string& text) { ShowErrorDialog(text, "", 0); }

} // namespace

namespace selection {

std::string shownDataFolder(const std::string& path, const std::string& root)
{
    if (root.empty())
        return path;
    const std::string up = upperAscii(path);
    const std::string upRoot = upperAscii(root);
    std::string out;
    std::size_t pos = 0;
    for (std::size_t at; (at = up.find(upRoot, pos)) != std::string::npos; pos = at + root.size()) {
        out += path.substr(pos, at - pos);
        out += "~";
    }
    out += path.substr(pos);
    return out;
}

} // namespace selection

// ---- creation -----------------------------------------------------------------------------

TDataSentakuBox::TDataSentakuBox(QWidget* parent) : TBSDI(Border::Sizeable, parent)
{
    setObjectName(QStringLiteral("DataSentakuBox"));
    for (int i = 0; i < 3; ++i)
        m_pictures[std::size_t(i)] = drawPicture(i);
    createControls();
    // List refresh and the information dialog.
    createListTools();

    DataPlaceRec = SystemDef.ServerDataPlace;
    DataPlacePath = selection::catalogueDataFolder();
    m_msgBox = std::make_unique<TMessageBox>(this);
    // Search and search cancel.
    CreateSearchBox();
    try {
        m_conditions = std::make_unique<selection::SearchConditionStore>();
        m_conditions->ListType = 0;
        m_catalogue = std::make_unique<TDataSentakuListCtl>();
        m_catalogue->ConnMode = ConnectMode;
        // Shared data in standalone use: the shared-server list lives as long as this dialog.
        m_serverBox = new TServerSentakuBox(this);
    } catch (const std::exception&) {
        // no system database: creation fails and Execute says so
        return;
    }
    SetGridColor(*m_grid, 1);

    const auto defaults = records::defaultColors();
    switch (ConnectMode) {
    case 0:
        setWindowTitle(QStringLiteral("データ選択"));
        m_background = platform::TColor(defaults[DefaultClientColor]);
        m_alternate = platform::TColor(defaults[DefaultClientColor2]);
        m_highlight = platform::TColor(defaults[DefaultActiveColor]);
        m_placePanel->hide();
        break;
    case 1:
    case 2:
        setWindowTitle(ConnectMode == 1 ? QStringLiteral("データ選択（サーバー）")
                                        : QStringLiteral("データ選択"));
        m_background = platform::TColor(defaults[DefaultClientColor]);
        m_alternate = kServerAlternate;
        m_highlight = kServerHighlight;
        m_btnKyoyuDataDown->hide();
        m_btnKyoyuDataUp->hide();
        m_cboxKyoyuDataAuto->hide();
        m_placePanel->show();
        break;
    default:
        // an unknown mode leaves the columns unfinished
        return;
    }
    m_grid->setColorProperty(-501, m_background);
    m_grid->setColorProperty(101, m_alternate);
    m_grid->setColorProperty(56, m_highlight);
    setUpColumns();
    // Client/server: the lock column and the data places.
    setUpServerControls();
    Initialized = 1;
}

TDataSentakuBox::~TDataSentakuBox() = default;

void TDataSentakuBox::createControls()
{
    resize(800, 520);
    m_topPanel = new QWidget(this);
    m_topPanel->setObjectName(QStringLiteral("pnlTop"));
    auto button = [this](QWidget* parent, const char* name, const char* caption) {
        auto* b = new TxPlButton(QString::fromLatin1(name), parent);
        b->CaptionA().setCaption(QString::fromUtf8(caption));
        b->setFocusPolicy(Qt::NoFocus);
        return b;
    };
    m_btnSearch = button(m_topPanel, "btnSearch", "検索");
    m_btnSearchCancel = button(m_topPanel, "btnSearchCancel", "検索解除");
    m_btnDataInfo = button(m_topPanel, "btnDataInfo", "情報");
    m_btnListUpdate = button(m_topPanel, "btnListUpdate", "更新");
    m_btnKyoyuDataDown = button(m_topPanel, "btnKyoyuDataDown", "共有取得");
    m_btnKyoyuDataUp = button(m_topPanel, "btnKyoyuDataUp", "共有保管");
    m_cboxKyoyuDataAuto = new QCheckBox(QStringLiteral("共有データの取得と保管を自動化する"), m_topPanel);
    m_cboxKyoyuDataAuto->setObjectName(QStringLiteral("cboxKyoyuDataAuto"));
    connect(m_cboxKyoyuDataAuto, &QCheckBox::toggled, this, [this] { cboxKyoyuDataAutoClick(); });
    // Shared data in standalone use. A click must leave the focus on the grid, or losing it
    // would disable the button before its click lands.
    for (TxPlButton* b : {m_btnKyoyuDataDown, m_btnKyoyuDataUp})
        b->setHasFocus(false);
    m_btnKyoyuDataDown->OnClick = [this](QObject*) { btnKyoyuDataDownClick(); };
    m_btnKyoyuDataUp->OnClick = [this](QObject*) { btnKyoyuDataUpClick(); };
    m_placePanel = new QWidget(m_topPanel);
    m_placePanel->setObjectName(QStringLiteral("pnlDataMan"));
    m_cmbDataMan = new QComboBox(m_placePanel);
    m_cmbDataMan->setObjectName(QStringLiteral("cmbDataMan"));
    m_btnDataMan = button(m_placePanel, "btnDataMan", "場所の設定");
    // The side dialogs these open come later; until then the buttons stay disabled.
    for (QWidget* w : std::initializer_list<QWidget*>{m_btnSearch, m_btnSearchCancel, m_btnDataInfo,
                                                      m_btnListUpdate, m_btnKyoyuDataDown,
                                                      m_btnKyoyuDataUp, m_btnDataMan})
        w->setEnabled(false);

    m_frame = new selection::DataListFrame(
        *this, {64, 1, false},
        {[this](QWidget* parent) { return CreateHintArea(parent); }, [this] { SetFunctionKeys(); },
         [this] { F12Click(); }, [this](int col) { HeaderSortClick(col); },
         [this](int index) { functionKeyClick(index); }});
    m_grid = m_frame->grid();
    m_hintArea = m_frame->hintArea();
    for (int i = 0; i < fkCount; ++i)
        m_keys[std::size_t(i)] = m_frame->key(i);
    layoutControls();
}

void TDataSentakuBox::setUpColumns()
{
    m_grid->setColumnCount(17);
    for (int c = 0; c < 17; ++c) {
        m_grid->setHeaderText(c, QString::fromUtf8(kColumns[c].header));
        m_grid->setColWidth(c, kColumns[c].width);
        m_grid->setColumnAlignment(c, kColumns[c].align);
    }
    const int iconColumn = ConnectMode == 0 ? 8 : 7;
    m_grid->setColWidth(iconColumn, 32);
    m_grid->setPictureAlignment(7, 5);
    m_grid->setPictureAlignment(8, 5);
}

void TDataSentakuBox::layoutControls()
{
    const double s = PixelsPerInch / 96.0;
    auto px = [s](int v) { return int(std::lround(v * s)); };
    const int w = width();
    const int m = px(6);
    const int top = px(36);
    m_topPanel->setGeometry(0, 0, w, top);
    int x = m;
    for (TxPlButton* b : {m_btnSearch, m_btnSearchCancel, m_btnDataInfo, m_btnListUpdate}) {
        b->setGeometry(x, px(4), px(80), px(28));
        x += px(84);
    }
    x += px(8);
    if (ConnectMode == 0) {
        m_btnKyoyuDataDown->setGeometry(x, px(4), px(84), px(28));
        m_btnKyoyuDataUp->setGeometry(x + px(88), px(4), px(84), px(28));
        m_cboxKyoyuDataAuto->setGeometry(x + px(182), px(4), std::max(0, w - x - px(182) - m), px(28));
    }
    m_placePanel->setGeometry(x, 0, std::max(0, w - x - m), top);
    m_cmbDataMan->setGeometry(0, px(6), px(240), px(24));
    m_btnDataMan->setGeometry(px(248), px(4), px(96), px(28));

    m_frame->layout(top);
}

void TDataSentakuBox::resizeEvent(QResizeEvent* event)
{
    TBSDI::resizeEvent(event);
    layoutControls();
}

// ---- launch -------------------------------------------------------------------------------

void TDataSentakuBox::SetParams(const std::vector<std::string>& Lines)
{
    Params = Lines;
    auto value = [&](const char* name, std::string& out) {
        const std::string upName = upperAscii(name);
        for (const std::string& line : Params) {
            const std::size_t eq = line.find('=');
            if (eq == std::string::npos)
                continue;
            if (upperAscii(line.substr(0, eq)) == upName) {
                out = line.substr(eq + 1);
                return true;
            }
        }
        return false;
    };
    std::string text;
    int number = 0;
    if (value("SyoriType", text) && parseInt(text, number) && number >= 0) {
        if (number > 5)
            throw std::runtime_error("処理タイプに範囲外の値が設定されました。");
        SyoriType = std::uint8_t(number);
    }
    FormStyle = 0;
    if (value("FormStyle", text) && parseInt(text, number))
        FormStyle = number;
    if (FormStyle < 0 || FormStyle > 2)
        setWindowFlag(Qt::WindowStaysOnTopHint, true);

    if (m_conditions)
        m_conditions->InitRecord(LaunchConditions);
    else
        LaunchConditions = TDataKensakuRec{};
    if (value("JyokenSet", text)) {
        LaunchConditions.JYOKENUSE = 1;
        if (value("DataType", text) && parseInt(text, number) && (number > 0 || number == -13))
            LaunchConditions.DATATYPE = number;
        if (value("CodeType", text) && parseInt(text, number))
            LaunchConditions.CODETYPE = number;
        const char* const versionNames[3] = {"DataVer", "DataVerMajor", "DataVerMore"};
        for (int kind = 0; kind < 3; ++kind) {
            if (value(versionNames[kind], text)) {
                LaunchConditions.DATAVER = text;
                LaunchConditions.VerMatch = kind;
            }
        }
    }
    if (value("ManualFree", text) && text == "1")
        KeepOnClose = 1;
    if (SyoriType == 5) {
        OnlySARestore = value("OnlySA_Syori", text) && text == "Restore";
        OnlySABackupPath = value("OnlySA_BackupPath", text) ? text : std::string();
    }
}

namespace {

// The dialog runs under a normal cursor whatever its launcher showed (the launcher's wait
// cursor would mark every launch from inside as busy); the caller's cursor returns on the way out.
class NormalCursorScope {
public:
    NormalCursorScope() { QApplication::setOverrideCursor(QCursor(Qt::ArrowCursor)); }
    ~NormalCursorScope() { QApplication::restoreOverrideCursor(); }
    NormalCursorScope(const NormalCursorScope&) = delete;
    NormalCursorScope& operator=(const NormalCursorScope&) = delete;
};

} // namespace

int TDataSentakuBox::Execute(bool Modal)
{
    NormalCursorScope cursor;
    ModalFlag = Modal;
    if (!Modal) {
        StartDialog();
        show();
        return 1;
    }
    if (MenuHookProc && MenuHookProc(10, "") > 0) {
        platform::messageBox("メニュー以外の処理が開いています。\r全ての処理を閉じてから処理を実行してください。",
                             SystemDef.AppCaption, platform::MB_OK | platform::MB_ICONWARNING);
        return -1;
    }
    if (!Initialized) {
        ShowInitFailure();
        return -1;
    }
    SetFormPosition(0, 0, 3, 0, 0);
    StartDialog();
    return platform::execDialog(*this);
}

void TDataSentakuBox::StartDialog()
{
    if (SyoriType == 2 || SyoriType == 5)
        SystemDef.DataSelectResult.clear();
    LoadDataList();
}

void TDataSentakuBox::SetHints()
{
    std::string grid;
    const bool chooseData = SyoriType == 0 || SyoriType == 1 || SyoriType == 3;
    const std::string head = "［ENTER］又はﾀﾞﾌﾞﾙｸﾘｯｸ又は［F12］で選択します。|［ENTER］又はﾀﾞﾌﾞﾙｸﾘｯｸ又は［F12］で";
    if (SyoriType == 4) {
        grid = head + "空いている行を選択します。\r\n";
    } else if (ConnectMode == 0) {
        if (chooseData)
            grid = head + "選択します。\r\n空白行は選択できません。［F3］で新規にﾃﾞｰﾀを作成するか、又は［F7］で作成済みのﾃﾞｰﾀを復元してください。\r\n"
                          "選択ﾃﾞｰﾀを削除する場合は［F5］、ﾌﾗｯｼｭﾒﾓﾘなどのﾒﾃﾞｨｱに保存する場合は［F6］を押します。\r\n"
                          "共有ﾃﾞｰﾀを処理する場合は［共有取得］、取得した共有ﾃﾞｰﾀを他のｵﾍﾟﾚｰﾀが使えるようにする場合は［共有保管］をｸﾘｯｸします。";
        else if (SyoriType == 2)
            grid = head + "選択します。\r\n［F7］で作成済みのﾃﾞｰﾀを復元してください。\r\n"
                          "選択ﾃﾞｰﾀを削除する場合は［F5］、ﾌﾗｯｼｭﾒﾓﾘなどのﾒﾃﾞｨｱに保存する場合は［F6］を押します。\r\n"
                          "共有ﾃﾞｰﾀを処理する場合は［共有取得］、取得した共有ﾃﾞｰﾀを他のｵﾍﾟﾚｰﾀが使えるようにする場合は［共有保管］をｸﾘｯｸします。";
    } else if (ConnectMode == 1) {
        if (chooseData)
            grid = head + "選択します。\r\n空白行は選択できません。";
        else if (SyoriType == 2)
            grid = head + "選択します。\r\n";
    } else if (ConnectMode == 2) {
        if (chooseData)
            grid = head + "選択します。\r\n空白行は選択できません。［F3］で新規にﾃﾞｰﾀを作成するか、又は［F7］で作成済みのﾃﾞｰﾀを復元してください。\r\n"
                          "選択ﾃﾞｰﾀを削除する場合は［F5］を、ﾌﾗｯｼｭﾒﾓﾘなどのﾒﾃﾞｨｱに保存する場合は［F6］を押します。";
        else if (SyoriType == 2)
            grid = head + "選択します。\r\n［F7］で作成済みのﾃﾞｰﾀを復元してください。\r\n"
                          "選択ﾃﾞｰﾀを削除する場合は［F5］を、ﾌﾗｯｼｭﾒﾓﾘなどのﾒﾃﾞｨｱに保存する場合は［F6］を押します。";
    }
    if (CopyMode)
        grid = "貼り付け先を選択して［F2］を押します。|貼り付け先を選択して［F2］を押します。\r\nｺﾋﾟｰ処理を中断する場合は［ESC］を押します。";
    auto hint = [](QWidget* w, const std::string& text) {
        QString t = q(text);
        t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        SetControlHint(w, t);
    };
    if (SyoriType != 5 && !grid.empty())
        hint(m_grid, grid);
    hint(m_cboxKyoyuDataAuto, "ﾁｪｯｸを入れると取得・保管ﾎﾞﾀﾝを使わずに共有ﾃﾞｰﾀを処理できます。空白行に共有ﾃﾞｰﾀを割り当てる場合やLANから切り離してﾃﾞｰﾀ持ち出す場合はﾁｪｯｸを外してください。|");
    hint(m_btnKyoyuDataUp, "選択した共有ﾃﾞｰﾀを他のPCで使用可能にします。保管を行うと［共有］欄にｱｲｺﾝが付きます。|");
    hint(m_btnKyoyuDataDown, "空白行を選択してｸﾘｯｸすると［共有ﾃﾞｰﾀの選択］画面が開きます。共有ﾃﾞｰﾀ行を選択してｸﾘｯｸすると選択可能になります。（［共有］欄のｱｲｺﾝが外れます。）|");
    hint(m_btnSearchCancel, "検索状態を解除します。|");
    hint(m_btnSearch, "［検索条件の設定］画面を開きます。一定条件に該当するﾃﾞｰﾀを抽出表示する場合に使用します。|");
    hint(m_btnDataInfo, "「ﾃﾞｰﾀの詳細情報」画面を開きます。入力済み仕訳件数や部門・本支店の設定状況など、選択ﾃﾞｰﾀの基本情報を表示します。|「ﾃﾞｰﾀの詳細情報」画面を開きます。入力済み仕訳件数や部門・本支店の設定状況など、選択ﾃﾞｰﾀの基本情報を表示します。\r\nﾃﾞｰﾀ選択画面におけるﾃﾞｰﾀの表示名を変更することも可能です。");
    hint(m_btnListUpdate, "ﾃﾞｰﾀﾘｽﾄを更新します。［F5：ﾃﾞｰﾀ削除］や［F7：復元］などの機能を使わずに移行したﾃﾞｰﾀを再表示します。|ﾃﾞｰﾀﾘｽﾄを更新します。入力済み仕訳件数や部門・本支店の設定状況など、選択ﾃﾞｰﾀの基本情報を表示します。\r\nﾃﾞｰﾀ選択画面におけるﾃﾞｰﾀの表示名を変更することも可能です。");
    hint(m_cmbDataMan, "データの場所を選択します。|データの場所をドロップダウンリストより選択します。選択された場所のデータリストが表示されます。");
    hint(m_btnDataMan, "データの場所を設定します。|データの場所を設定する画面が開きます。");
}

void TDataSentakuBox::LoadDataList()
{
    SetHints();
    // Client/server: the place box, filled anew on every showing.
    if (ConnectMode == 1 || ConnectMode == 2)
        FillPlaceBox();
    if (m_conditions) {
        m_conditions->SelectRecord(SavedConditions);
    }
    ActiveConditions = SavedConditions;
    if (ActiveConditions.JYOKENUSE == 0) {
        ActiveConditions.DATATYPE = 0;
        ActiveConditions.CODETYPE = 0;
        ActiveConditions.DATACODE.clear();
        ActiveConditions.DATANAME.clear();
        ActiveConditions.TANTO = 0;
        ActiveConditions.DATAVER.clear();
        ActiveConditions.SEIHINNAME.clear();
    }
    if (LaunchConditions.JYOKENUSE == 1) {
        LaunchConditions.SORTCOL = SavedConditions.SORTCOL;
        LaunchConditions.SORTTYPE = SavedConditions.SORTTYPE;
        ActiveConditions = LaunchConditions;
    }
    SortColumn = ActiveConditions.SORTCOL;
    SortDescending = ActiveConditions.SORTTYPE != 0;
    // Search and search cancel.
    m_searchCancelOn = ActiveConditions.JYOKENUSE == 1;
    if (ReadDataList() > 0) {
        ShowDataList(-1);
        const QSignalBlocker quiet(m_cboxKyoyuDataAuto);
        m_cboxKyoyuDataAuto->setChecked(SystemDef.Reserve2Flag1 == 1);
        CurrentDataFolder = SystemDef.DataDir;
        CancelByEsc = false;
    }
}

void TDataSentakuBox::HeaderSortClick(int Col)
{
    if (m_grid->currentRow() < 0)
        return;
    bool same = false;
    if (Col == 0)
        same = SortColumn == -1 || SortColumn == 0;
    else if (Col >= 1 && Col <= 6)
        same = SortColumn == Col;
    else
        return;
    SortDescending = same ? !SortDescending : false;
    SortColumn = Col;
    ReadDataList();
    ShowDataList(-1);
    if (m_grid->rowCount() > 0)
        m_grid->setCurrentRow(0);
}

int TDataSentakuBox::ReadDataList()
{
    if (!m_catalogue)
        return 0;
    std::uint8_t kind = 1;
    if (SortColumn == 1)
        kind = 7;
    else if (SortColumn >= 2 && SortColumn <= 6)
        kind = std::uint8_t(SortColumn);
    m_catalogue->SetDataPlace(DataPlaceRec);
    m_catalogue->Execute(0, kind, SortDescending, "");
    DataList = m_catalogue->DataList;
    ChildList = m_catalogue->ChildList;
    DataCount = m_catalogue->DataCount;
    FilterDataList();
    return DataCount;
}

void TDataSentakuBox::FilterDataList()
{
    DisplayIndex.clear();
    const TDataKensakuRec& c = ActiveConditions;
    const std::string code = ZenkakuTrim(c.DATACODE);
    for (std::size_t i = 0; i < DataList.size(); ++i) {
        const TDataSentakuRec& r = DataList[i];
        if (r.GASSAN == GassanChild)
            continue;
        if (c.DATATYPE > 0 && c.CODETYPE != 0) {
            if (std::to_string(r.DATATYPE) + std::to_string(r.CODETYPE) !=
                std::to_string(c.DATATYPE) + std::to_string(c.CODETYPE))
                continue;
        } else if (c.DATATYPE > 0) {
            if (r.DATATYPE != c.DATATYPE)
                continue;
        } else if (c.DATATYPE == -13) {
            if (r.DATATYPE != 1 && r.DATATYPE != 3)
                continue;
        }
        if (!c.DATANAME.empty() && r.ENTTEXT.find(c.DATANAME) == std::string::npos)
            continue;
        if (c.TANTO != 0 && r.TANTOU != c.TANTO)
            continue;
        if (!c.DATAVER.empty()) {
            const std::string majorText = std::to_string(r.VER_MAJOR);
            const std::string minorText = majorText + "." + std::to_string(r.VER_MINOR1);
            if (c.VerMatch == 1) {
                if (majorText != c.DATAVER)
                    continue;
            } else if (c.VerMatch == 2) {
                if (minorText < c.DATAVER)
                    continue;
            } else if (minorText != c.DATAVER) {
                continue;
            }
        }
        if (!code.empty()) {
            const std::string head = LeftFixStr(r.DATACODE, int(platform::text::cp932Width(code)));
            if (upperAscii(head) != upperAscii(code))
                continue;
        }
        DisplayIndex.push_back(int(i));
    }
}

int TDataSentakuBox::GetShareKind(const TDataListRec& Rec) const
{
    return DataListRules::shareKind(Rec);
}

void TDataSentakuBox::ShowDataList(int Index)
{
    if (Index >= 0) {
        const int row = m_grid->currentRow();
        if (row >= 0)
            showEntry(Index, row);
        return;
    }
    m_grid->model().clearRows();
    for (int c = 0; c <= 6; ++c)
        m_grid->setHeaderText(c, QString::fromUtf8(kColumns[c].header));
    const int iconColumn = ConnectMode == 0 ? 8 : 7;
    m_grid->setHeaderText(iconColumn, QString::fromUtf8(kColumns[iconColumn].header));
    if (SortColumn >= 0 && SortColumn <= 6)
        m_grid->setHeaderText(SortColumn, QString::fromUtf8(kColumns[SortColumn].header) +
                                              q(std::string(SortMarks[SortDescending ? 1 : 0])));
    const int shown = std::min(int(DisplayIndex.size()), m_grid->maxRowCount());
    int row = 0;
    for (int i = 0; i < shown; ++i) {
        m_grid->model().insertGridRows(row, 1);
        row += showEntry(DisplayIndex[std::size_t(i)], row);
    }
    if (m_grid->rowCount() > 0)
        m_grid->setCurrentRow(0);
}

int TDataSentakuBox::showEntry(int Index, int Row)
{
    if (Index < 0 || Index >= int(DataList.size()))
        return 1;
    TDataSentakuRec& entry = DataList[std::size_t(Index)];
    auto& model = m_grid->model();
    SetGridRow(Row, entry, false);
    model.setCellNumber(Row, 14, Index);
    auto shareIcon = [&](int row, const TDataListRec& r) {
        const int kind = GetShareKind(r);
        model.setCellNumber(row, 10, kind == 2 ? 1 : 0);
        model.setCellPicture(row, 8, m_pictures[kind == 1 ? 2 : 0]);
    };
    shareIcon(Row, entry);
    // Child rows of this entry follow it: drop them and write them anew.
    int next = Row + 1;
    while (next < model.rowCount() && model.cellText(next, 0).isEmpty() &&
           model.cellNumber(next, 14) == Index)
        model.deleteGridRows(next, 1);
    if (m_catalogue)
        m_catalogue->NumberChildNames(entry);
    if (!entry.Children.empty())
        model.insertGridRows(next, int(entry.Children.size()));
    for (std::size_t c = 0; c < entry.Children.size(); ++c) {
        const int row = next + int(c);
        SetGridRow(row, entry.Children[c], true);
        model.setCellText(row, 0, QString());
        model.setCellNumber(row, 14, Index);
        model.setCellNumber(row, 15, int(c));
        shareIcon(row, entry.Children[c]);
    }
    return 1 + int(entry.Children.size());
}

void TDataSentakuBox::SetGridRow(int Row, const TDataListRec& Rec, bool IsChild)
{
    auto& m = m_grid->model();
    const bool empty = DataListRules::isEmptySlot(Rec);
    m.setRowValue(Row, Rec.REC);
    m.setCellText(Row, 0, IsChild ? QString() : QString::number(Rec.REC));
    m.setCellText(Row, 1, q(Rec.DATACODE));
    m.setCellText(Row, 2, q(Rec.DispName));
    m.setCellText(Row, 3, empty ? QString() : QStringLiteral("%1 期").arg(Rec.NENDO));
    m.setCellText(Row, 4, empty ? QStringLiteral("～") : q(Rec.KikanText));
    m.setCellText(Row, 5, q(selection::shownDataFolder(Rec.PASNAME, SystemDef.DataRoot)));
    m.setCellText(Row, 6, q(Rec.VER_TEXT));
    m.setCellPicture(Row, 7, m_pictures[Rec.DATALOCK != 0 ? 1 : 0]);
    m.setCellNumber(Row, 9, Rec.DATALOCK);
    m.setCellText(Row, 11, empty ? QString()
                                 : QStringLiteral("%1.%2.%3").arg(Rec.VER_MAJOR).arg(Rec.VER_MINOR1).arg(Rec.VER_MINOR2));
    m.setCellNumber(Row, 12, Rec.UPDATE_LOCK);
    m.setCellNumber(Row, 13, Rec.GASSAN);
    m.setCellNumber(Row, 16, Rec.DATA_STATUS);
    const RowColors colors = DataListRules::rowColors(Row, Rec.DATA_STATUS, CheckUpdateLock(Row, true) == 1,
                                                       {m_background, m_alternate, m_highlight});
    m.setRowBackColor(Row, colors.back);
    m.setRowTextColor(Row, colors.text);
    m.setRowActiveTextColor(Row, colors.activeText);
}

int TDataSentakuBox::CheckUpdateLock(int Row, bool Check)
{
    auto& m = m_grid->model();
    const QString version = m.cellText(Row, 11);
    if (version.isEmpty())
        return 0;
    int answer = m.cellNumber(Row, 12) == 1 ? 1 : 0;
    if (Check && answer == 1) {
        dbupdate::DbUpdateCheck check;
        check.InitUpdateList(1, version.toStdString());
        answer = check.UpdatePending ? 1 : 0;
        m.setCellNumber(Row, 12, answer);
    }
    return answer;
}

const TDataListRec* TDataSentakuBox::GetRowRec(int Row) const
{
    auto& m = m_grid->model();
    if (Row < 0 || Row >= m.rowCount())
        return nullptr;
    const long long parent = m.cellNumber(Row, 14);
    if (parent < 0 || parent >= (long long)DataList.size())
        return nullptr;
    const TDataSentakuRec& entry = DataList[std::size_t(parent)];
    if (!m.cellText(Row, 0).isEmpty())
        return &entry;
    const long long child = m.cellNumber(Row, 15);
    if (child < 0 || child >= (long long)entry.Children.size())
        return nullptr;
    return &entry.Children[std::size_t(child)];
}

std::string TDataSentakuBox::GetDataFolder(int Row) const
{
    const TDataListRec* rec = GetRowRec(Row);
    if (!rec)
        return {};
    if (m_catalogue)
        return m_catalogue->GetLocalDataPath(*rec);
    return platform::paths::excludeTrailingDelimiter(rec->PASNAME);
}

void TDataSentakuBox::LocateCurrentData()
{
    CurrentDataFolder = SystemDef.DataDir;
    for (int row = 0; row < m_grid->rowCount(); ++row) {
        if (!CurrentDataFolder.empty() && sameFolder(GetDataFolder(row), CurrentDataFolder)) {
            m_grid->setCurrentRow(row);
            if (row >= 6)
                m_grid->setTopRow(row - 6);
            break;
        }
    }
    m_grid->setFocus();
}

void TDataSentakuBox::showEvent(QShowEvent* event)
{
    TBSDI::showEvent(event);
    if (!Initialized) {
        ShowInitFailure();
        setModalResult(platform::mrCancel);
        return;
    }
    layoutControls();
    // Shared data in standalone use: back from the shared-server list, the row stays put.
    if (!m_keepPlaceOnShow)
        LocateCurrentData();
    SetFunctionKeys();
}

// ---- function keys ------------------------------------------------------------------------

void TDataSentakuBox::SetFunctionKeys()
{
    const selection::DataListState s = listState();
    const selection::FunctionKeySet keys = DataListRules::dataKeys(s);
    F2Mode = keys.F2Mode;
    // Shared data in standalone use.
    if (ConnectMode == 0) {
        const selection::KyoyuButtonState buttons = DataListRules::kyoyuButtons(
            s, F2Mode, {m_btnKyoyuDataDown->isEnabled(), m_btnKyoyuDataUp->isEnabled()});
        m_btnKyoyuDataDown->setEnabled(buttons.down);
        m_btnKyoyuDataUp->setEnabled(buttons.up);
    }
    for (int i = 0; i < fkCount; ++i) {
        TxPlButton* b = m_keys[std::size_t(i)];
        b->CaptionA().setCaption(q(keys.caption[std::size_t(i)]));
        b->setEnabled(keys.enabled[std::size_t(i)]);
    }
    if (s.GridFocused)
        ShowLongHint(m_grid, m_hintArea);
    // Search and search cancel.
    SetSearchButtons();
}

selection::DataListState TDataSentakuBox::listState() const
{
    selection::DataListState s;
    s.SyoriType = SyoriType;
    s.ConnectMode = ConnectMode;
    s.CopyMode = CopyMode;
    s.GridFocused = m_grid->hasFocus();
    s.GridEnabled = m_grid->isEnabled();
    // The current row: some keys' work depends on it (the take-out needs a data set).
    const int row = m_grid->currentRow();
    if (const TDataListRec* rec = GetRowRec(row)) {
        const bool child = m_grid->model().cellText(row, 0).isEmpty();
        const int parentGassan =
            child ? DataList[std::size_t(m_grid->model().cellNumber(row, 14))].GASSAN : 0;
        DataListRules::takeRow(s, *rec, child, parentGassan);
    }
    s.AutoCheckVisible = m_cboxKyoyuDataAuto->isVisible();
    s.KyoyuDataAuto = SystemDef.Reserve2Flag1;
    return s;
}

void TDataSentakuBox::cboxKyoyuDataAutoClick()
{
    // The operator's choice outlives the dialog: the wizard's own fetch and store read it too.
    SystemDef.Reserve2Flag1 = m_cboxKyoyuDataAuto->isChecked() ? 1 : 0;
    if (DM)
        DM->fnPutSysDef();
    m_grid->setFocus();
    SetFunctionKeys();
}

bool TDataSentakuBox::keyActive(int index) const
{
    const QString caption = m_keys[std::size_t(index)]->CaptionA().Caption();
    return caption != QString::fromLatin1(DataListRules::keyPrefix(index)) &&
           DataListRules::keyHasWork(index, listState());
}

void TDataSentakuBox::functionKeyClick(int index)
{
    if (!keyActive(index))
        return;
    // Whatever the key's work, a lost connection is named once at its end.
    const selection::ConnectionWatch watch;
    switch (index) {
    case fkEsc: ESCClick(); break;
    case fkF1: ShowManualPage("file01.html"); break;
    case fkF12: F12Click(); break;
    case fkF2: DataCopyPaste(); break;
    case fkF3:
        if (m_keys[fkF3]->CaptionA().Caption() == QStringLiteral("F3:持ち出し"))
            DataMochidashi();
        else if (m_keys[fkF3]->CaptionA().Caption() == QStringLiteral("F3:分散追加"))
            BunsanTsuika();
        else
            DataSinkiSakusei();
        break;
    case fkF4:
        if (ConnectMode == 0)
            KyoyuWariateKaijo(); // shared data in standalone use
        else
            RyoikiTsuika();
        break;
    case fkF5: DataSakujo(1); break;
    case fkF6: DataHozon("", this); break;
    case fkF7: DataFukugen("", this); break;
    case fkF8:
        if (DisplayIndex.empty())
            platform::messageBox("データリストが絞り込みにより表示されていません。\r", "",
                                 platform::MB_OK | platform::MB_ICONINFORMATION);
        else
            DataListPrint(this, 0, DataList, DisplayIndex);
        break;
    default: break;
    }
    watch.report();
}

void TDataSentakuBox::F12Click()
{
    setModalResult(platform::mrNone);
    SystemDef.DataBroken = 0;
    const int row = m_grid->currentRow();
    TDataListRec* rec = const_cast<TDataListRec*>(GetRowRec(row));
    if (!keyActive(fkF12) || !rec)
        return;
    ChosenFolder = GetDataFolder(row);
    ChosenSharePath = rec->PASNAME;
    selection::ChoiceFacts facts;
    facts.SyoriType = SyoriType;
    facts.ConnectMode = ConnectMode;
    facts.ShareKind = GetShareKind(*rec);
    facts.KyoyuDataAuto = SystemDef.Reserve2Flag1;
    facts.IsCurrent = !CurrentDataFolder.empty() && sameFolder(ChosenFolder, CurrentDataFolder);
    facts.OnlySARestore = OnlySARestore;
    const bool placeToFill = SyoriType == 2 || SyoriType == 4;
    if (const Refusal before = DataListRules::refusalBeforeCheck(facts); before != Refusal::None) {
        warn(DataListRules::refusalText(before, SyoriType));
        if (!placeToFill) {
            ChosenFolder.clear();
            ChosenSharePath.clear();
        }
        return;
    }
    facts.Answer = selection::faRefused;
    const selection::ConnectionWatch watch;
    try {
        facts.Answer = CheckChosenFolder(ChosenFolder);
        if (!watch.lost() && !placeToFill && facts.Answer == selection::faPresent && DM &&
            DM->fnDataHasonCheck(SystemDef.HostName, ChosenFolder, 0, 0) == 0)
            facts.Answer = selection::faDamaged;
    } catch (const std::exception& e) {
        if (!records::noteConnectionLoss(e))
            warn(e.what());
        facts.Answer = selection::faRefused;
    }
    // The checks found nothing out: the data set is neither chosen nor marked.
    if (watch.report()) {
        ChosenFolder.clear();
        ChosenSharePath.clear();
        return;
    }
    facts.UpdatePending = m_grid->model().cellNumber(row, 12) == 1;
    const Refusal after = DataListRules::refusalAfterCheck(facts);
    if (placeToFill) {
        if (after == Refusal::None) {
            // The caller fills the empty place; the open data set stays what it was.
            SystemDef.DataSelectResult = "PATH1=" + ChosenFolder + "\rPATH2=" + ChosenSharePath;
            setModalResult(platform::mrOk);
        } else if (after == Refusal::Occupied) {
            warn(DataListRules::refusalText(after, SyoriType));
        }
        return;
    }
    switch (after) {
    case Refusal::None: break;
    case Refusal::UpdateForbidden: {
        TMessage2InfoRec info;
        InitMessage2Info(mtInformation, info);
        info.ID = 0x1011;
        ShowMessageBox2(info);
        return;
    }
    case Refusal::NoData:
        if (SyoriType == 5)
            type5Choice(row, 0);
        return;
    case Refusal::Damaged:
        // Marked on the entry and on its row, so the list shows it red from now on.
        rec->DATA_STATUS = 1;
        SetGridRow(row, *rec, m_grid->model().cellText(row, 0).isEmpty());
        SetFunctionKeys();
        [[fallthrough]];
    default:
        ChosenFolder.clear();
        ChosenSharePath.clear();
        return;
    }
    if (SyoriType == 5) {
        type5Choice(row, 1);
        return;
    }
    SystemDef.DataDir = ChosenFolder;
    SystemDef.DataPath2 = ChosenSharePath;
    setModalResult(platform::mrOk);
}

void TDataSentakuBox::doKeyUp(QKeyEvent& event)
{
    const int index = selection::DataListFrame::keyIndexOf(event.key());
    if (index < 0)
        return;
    if (index == fkEsc || index == fkF12)
        event.accept(); // the dialog's own keys: the base must not close the window
    if (keyActive(index))
        m_keys[std::size_t(index)]->Click();
    SetFunctionKeys();
}

// ---- checks -------------------------------------------------------------------------------

int TDataSentakuBox::CheckDataStatus(const std::string& Folder, bool ShowMissing, bool ShowRefusal)
{
    // A lost connection answers 0, which every caller refuses; the action reports the loss.
    const selection::ConnectionWatch watch;
    const std::string file = platform::paths::join(Folder, DataFile);
    if (!DM || !DM->FExist(file, ConnectMode)) {
        if (watch.lost())
            return 0;
        if (ShowMissing) {
            warn(DataListRules::refusalText(Refusal::NoData, 0));
            return 0;
        }
        return 1;
    }
    TDataInfomation::ClearDataInfoRec(m_infoRec);
    m_dataInfo.ReadIniFileCurHost(Folder, m_infoRec);
    if (watch.lost())
        return 0;
    const int state = m_infoRec.Status;
    const bool accepted = DataListRules::statusAccepted(state, ConnectMode);
    if (state == 0 || state == 10 || !ShowRefusal || accepted)
        return state;

    const int group = SystemDef.GroupId * 10000;
    const int opCode = group != 0 ? m_infoRec.OpCode % group : m_infoRec.OpCode;
    const std::string text = DataListRules::statusRefusalText(state);
    m_msgBox->MsgCaption = "選択データの状態";
    m_msgBox->MsgKind = 1;
    m_msgBox->MsgText = text;
    m_msgBox->SetLines({"【データフォルダ】", "　" + Folder, "", "【オペレータ】",
                        "　" + std::to_string(opCode), "", "【オペレータ名】", "　" + m_infoRec.OpName});
    m_msgBox->ApplySettings();
    platform::execDialog(*m_msgBox);
    return state;
}

int TDataSentakuBox::CheckChosenFolder(const std::string& Folder)
{
    const std::string folder = ZenkakuTrim(Folder);
    if (folder.empty()) {
        if (SyoriType != 3)
            throw std::runtime_error(DataListRules::refusalText(Refusal::BlankPath, SyoriType));
        return selection::faBlank;
    }
    const bool checkData = DataListRules::checksData(SyoriType);
    // The cancel path asks quietly whether the data set is still there: its own message
    // says that it was deleted.
    const bool showMissing = checkData && !m_quietMissing;
    auto refused = [] { return SystemDef.DataBroken == 1 ? selection::faDamaged : selection::faRefused; };
    const std::string file = platform::paths::join(folder, DataFile);
    if (ConnectMode == 0) {
        if (SyoriType != 5) {
            const int state = checkData ? CheckDataStatus(folder, showMissing, true)
                                        : CheckDataStatus(folder, false, false);
            if (state != 1)
                return refused();
        }
        return DM && DM->FExist(file, 0) ? 1 : 0;
    }
    if (ConnectMode == 1 || ConnectMode == 2) {
        if (SyoriType == 5)
            return -1;
        if (checkData) {
            const int state = CheckDataStatus(folder, showMissing, true);
            if (state != 1 && state != 2)
                return refused();
            const selection::ConnectionWatch watch;
            if (DM && DM->ServerFileOperation("FExist", file, ""))
                return 1;
            if (watch.lost())
                return selection::faRefused;
            if (m_quietMissing)
                return 0;
            warn(DataListRules::refusalText(Refusal::NoData, 0));
            return -1;
        }
        return DM && DM->ServerFileOperation("FExist", file, "") ? 1 : 0;
    }
    ShowErrorDialog("製品タイプ不整合のためデータを起動できませんでした。\r", "", 1);
    return -1;
}

// ---- Esc and closing ----------------------------------------------------------------------

void TDataSentakuBox::ESCClick()
{
    if (m_keys[fkEsc]->CaptionA().Caption() == QString::fromLatin1(DataListRules::keyPrefix(fkEsc)))
        return;
    if (CopyMode) {
        EndCopyMode();
        return;
    }
    CancelByEsc = true;
    setModalResult(platform::mrCancel);
}

bool TDataSentakuBox::doCloseQuery(int result)
{
    bool allow = true;
    if ((SyoriType == 1 || SyoriType == 3) && result != platform::mrOk && !m_endConfirmed) {
        if (SyoriType == 1 && result == platform::mrCancel && !CancelByEsc) {
            TMessage2InfoRec info;
            InitMessage2Info(mtConfirmation, info);
            info.Lines[0].Text = SystemDef.AppCaption + "を終了します。よろしいですか？";
            if (ShowMessageBox2(info) == platform::mrOk) {
                m_endConfirmed = true;
                // The close ends with result 3 instead.
                setModalResult(platform::mrAbort);
            }
            allow = false;
        } else {
            ChosenFolder = platform::paths::excludeTrailingDelimiter(CurrentDataFolder);
            ChosenSharePath.clear();
            m_quietMissing = true;
            int answer = -1;
            const selection::ConnectionWatch watch;
            try {
                answer = CheckChosenFolder(ChosenFolder);
            } catch (const std::exception& e) {
                if (!records::noteConnectionLoss(e))
                    warn(e.what());
            }
            m_quietMissing = false;
            // Not known to be deleted: the check could not ask the server.
            if (watch.report())
                answer = -1;
            if (answer == 1) {
                SystemDef.DataDir = ChosenFolder;
                SystemDef.DataPath2.clear();
            } else {
                if (answer == 0)
                    warn("前回、選択したデータは削除されています。\r");
                ChosenFolder.clear();
                if (SyoriType == 1)
                    allow = false;
            }
        }
    }
    if (allow && SyoriType == 2 && DM && !DM->IBDatabaseDAT.connected())
        DM->fnAccDatConnected(SystemDef.HostName, SystemDef.DataDir, 0);
    if (!allow)
        CancelByEsc = false;
    return allow;
}

void TDataSentakuBox::doClose(int result)
{
    TBSDI::doClose(result);
    if (CopyMode)
        EndCopyMode();
    ActiveConditions.SORTCOL = SortColumn;
    ActiveConditions.SORTTYPE = SortDescending ? 1 : 0;
    if (m_conditions) {
        m_conditions->UpdateRecordSortField(ActiveConditions);
        m_conditions->ListType = 0;
    }
    if (SyoriType != 5) {
        SystemDef.ServerDataPlace = ConnectMode == 0 ? 0 : DataPlaceRec;
        if (SyoriType != 2 && DM)
            DM->fnPutSysDef();
    }
}
