// TServerSentakuBox: creation, drive scan, the list and its keys.
#include "selection/ServerSelectionDialog.h"

#include "platform/MessageService.h"
#include "platform/Paths.h"
#include "records/DataModule.h"
#include "records/ProgramRecords.h"
#include "selection/DataInfoDialog.h"
#include "selection/DataListSearchDialog.h"
#include "selection/ServerRowStore.h"
#include "ui/InputDialog.h"
#include "ui/ListGrid.h"
#include "ui/OwnerDrawnButton.h"
#include "ui/SimpleMessageBox.h"

#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTimer>

#include <cmath>

namespace {

const char* const kKeyPrefix[TServerSentakuBox::kCount] = {"ESC:", "F1:", "F2:", "F3:", "F4:",
                                                           "F5:", "F6:", "F7:", "F8:", "F12:"};

} // namespace

TServerSentakuBox::TServerSentakuBox(QWidget* parent) : TBSDI(Border::Sizeable, parent)
{
    setObjectName(QStringLiteral("ServerSentakuBox"));
    setWindowTitle(QStringLiteral("共有データの選択"));
    KeepOnClose = 1;
    createControls();
    m_msgBox = std::make_unique<TMessageBox>(this);
    Initialized = 1;
}

TServerSentakuBox::~TServerSentakuBox() = default;

void TServerSentakuBox::createControls()
{
    resize(900, 520);
    m_topPanel = new QWidget(this);
    auto button = [this](QWidget* parent, const char* name, const char* caption) {
        auto* b = new TxPlButton(QString::fromLatin1(name), parent);
        b->CaptionA().setCaption(QString::fromUtf8(caption));
        b->setFocusPolicy(Qt::NoFocus);
        return b;
    };
    m_lblDrive = new QLabel(QStringLiteral("共有ドライブ:"), m_topPanel);
    m_cmbDrive = new QComboBox(m_topPanel);
    m_cmbDrive->setObjectName(QStringLiteral("cmbDrive"));
    m_cmbDrive->setMaxVisibleItems(10);
    m_chkAutoRefresh = new QCheckBox(QStringLiteral("データリストを自動更新する"), m_topPanel);
    m_chkAutoRefresh->setObjectName(QStringLiteral("chkAutoRefresh"));
    m_btnDriveAssign = button(m_topPanel, "btnDriveAssign", "共有割当");
    m_btnSearchCancel = button(m_topPanel, "btnSearchCancel", "検索解除");
    m_btnSearch = button(m_topPanel, "btnSearch", "検索");
    m_btnInfo = button(m_topPanel, "btnInfo", "情報");
    m_btnUpdate = button(m_topPanel, "btnUpdate", "更新");
    m_btnSearchCancel->setEnabled(false);

    m_grid = new ui::TPerfectGrid(this);
    m_grid->setObjectName(QStringLiteral("PerfectGrid1"));
    m_hintArea = new QPlainTextEdit(this);
    m_hintArea->setObjectName(QStringLiteral("HintArea"));
    m_hintArea->setReadOnly(true);
    m_hintArea->setFocusPolicy(Qt::NoFocus);
    m_hintArea->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    HintMemo = m_hintArea;

    static const char* const names[kCount] = {"ESC", "F1", "F2", "F3", "F4",
                                              "F5", "F6", "F7", "F8", "F12"};
    for (int i = 0; i < kCount; ++i) {
        TxPlButton* b = button(this, names[i], kKeyPrefix[i]);
        b->OnClick = [this, i](QObject*) { functionKeyClick(i); };
        m_keys[std::size_t(i)] = b;
    }
    m_searchBox = new QLabel(this);
    m_searchBox->hide();
    m_searchTimer = new QTimer(this);
    layoutControls();
}

void TServerSentakuBox::layoutControls()
{
    const double s = PixelsPerInch / 96.0;
    auto px = [s](int v) { return int(std::lround(v * s)); };
    const int w = width();
    const int h = height();
    const int m = px(6);
    const int top = px(68);
    m_topPanel->setGeometry(0, 0, w, top);
    m_lblDrive->setGeometry(m, px(8), px(90), px(22));
    m_cmbDrive->setGeometry(m + px(92), px(6), px(300), px(24));
    m_chkAutoRefresh->setGeometry(m + px(400), px(6), px(240), px(24));
    int x = m;
    for (TxPlButton* b : {m_btnDriveAssign, m_btnSearchCancel, m_btnSearch, m_btnInfo, m_btnUpdate}) {
        b->setGeometry(x, px(36), px(80), px(28));
        x += px(84);
    }
    const int keyHeight = px(30);
    const int hintHeight = px(64);
    const int keysTop = h - keyHeight - m;
    const int hintTop = keysTop - hintHeight - m;
    m_grid->setGeometry(m, top, w - 2 * m, std::max(px(40), hintTop - top - m));
    m_hintArea->setGeometry(m, hintTop, w - 2 * m, hintHeight);
    const int gap = px(3);
    const int keyWidth = (w - 2 * m - gap * (kCount - 1)) / kCount;
    for (int i = 0; i < kCount; ++i)
        m_keys[std::size_t(i)]->setGeometry(m + i * (keyWidth + gap), keysTop, keyWidth, keyHeight);
}

void TServerSentakuBox::resizeEvent(QResizeEvent* event)
{
    TBSDI::resizeEvent(event);
    layoutControls();
}

void TServerSentakuBox::showEvent(QShowEvent* event) { TBSDI::showEvent(event); }

void TServerSentakuBox::Prepare(int Mode)
{
    (void)Mode;
    SelectedFolder.clear();
    SelectedName.clear();
    CopySource.clear();
    CopyPending = false;
    SharedRoot.clear();
}

void TServerSentakuBox::StoreServerRow(const TDataListRec& Rec)
{
    if (!m_catalogue)
        return;
    selection::StoreServerRow(*m_catalogue, Rec, m_dataInfo);
}

bool TServerSentakuBox::ChangeShareStatus(const std::string& Folder, int Status)
{
    return m_dataInfo.ChangeShareStatus(Folder, Status);
}

void TServerSentakuBox::functionKeyClick(int index)
{
    if (index == kEsc)
        setModalResult(platform::mrCancel);
}

void TServerSentakuBox::doKeyDown(QKeyEvent& event) { TBSDI::doKeyDown(event); }

void TServerSentakuBox::doKeyUp(QKeyEvent& event)
{
    if (event.key() == Qt::Key_Escape) {
        event.accept();
        functionKeyClick(kEsc);
    }
}

void TServerSentakuBox::doClose(int result) { TBSDI::doClose(result); }
