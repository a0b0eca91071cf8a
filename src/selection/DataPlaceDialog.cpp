// The data places dialog and the place list of the client/server data selection.
#include "selection/DataPlaceDialog.h"

#include "firebird/DatabaseError.h"
#include "firebird/Statement.h"
#include "firebird/Transaction.h"
#include "platform/MessageService.h"
#include "platform/Text.h"
#include "records/AppInfoRecord.h"
#include "records/DataModule.h"
#include "records/DbErrorHandler.h"
#include "records/ProgramRecords.h"
#include "records/TextRoutines.h"
#include "catalogue/DataCatalogue.h"
#include "ui/InputDialog.h"
#include "ui/ListGrid.h"
#include "ui/OwnerDrawnButton.h"

#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QRegularExpression>

#include <cstdio>
#include <stdexcept>

namespace {

QString q(const std::string& s) { return QString::fromUtf8(s.data(), qsizetype(s.size())); }

constexpr int kPlaceCount = 100;
constexpr int kNameBytes = 20;
// The framework's row highlight (red 255, green 107, blue 36), green for the partner's data.
constexpr platform::TColor kHighlight = 0x246BFF;
constexpr platform::TColor kLumeranHighlight = 0x008000;

void information(const std::string& line1, const std::string& line2 = {})
{
    TMessage2InfoRec info;
    InitMessage2Info(mtInformation, info);
    info.Lines[0].Text = line1;
    info.Lines[1].Text = line2;
    ShowMessageBox2(info);
}

bool named(const TDataPlaceRec& p) { return !ZenkakuTrim(p.NAME).empty(); }

// Runs body in the system database's transaction, started (and committed) here only when none
// is active; on error rolled back when started here, then raised.
template <class Body>
void inSystemTransaction(Body&& body)
{
    if (!DM)
        throw std::runtime_error("the data module is not created");
    firebird::Transaction& tr = DM->IBTransactionDEF;
    const bool startedHere = !tr.inTransaction();
    try {
        if (startedHere)
            tr.start();
        body(tr);
        if (startedHere)
            tr.commit();
    } catch (...) {
        if (startedHere) {
            try {
                if (tr.inTransaction())
                    tr.rollback();
            } catch (const std::exception&) {
            }
        }
        throw;
    }
}

int maxListCount()
{
    return AppInfo.Zaimu.DataListCnt > 0 ? AppInfo.Zaimu.DataListCnt : DataListCnt;
}

} // namespace

TDataPlaceBox::TDataPlaceBox(QWidget* parent) : TBSDI(Border::Fixed, parent)
{
    setWindowTitle(QStringLiteral("データの場所の設定"));
    KeepOnClose = 1;
    createControls();
    SetHints();
    Initialized = 1;
}

TDataPlaceBox::~TDataPlaceBox() = default;

void TDataPlaceBox::createControls()
{
    resize(560, 420);
    m_grid = new ui::TPerfectGrid(this);
    m_grid->setObjectName(QStringLiteral("PerfectGrid1"));
    m_grid->setColumnCount(3);
    const char* const headers[3] = {"No", "名称", "フォルダパス"};
    const int widths[3] = {40, 230, 230};
    for (int c = 0; c < 3; ++c) {
        m_grid->setHeaderText(c, QString::fromUtf8(headers[c]));
        m_grid->setColWidth(c, widths[c]);
    }
    m_grid->setColumnAlignment(0, 1);
    connect(m_grid, &ui::TPerfectGrid::cellGotFocus, this, [this](int, int) { SetFunctionKeys(); });

    auto button = [this](const char* name, const char* caption) {
        auto* b = new TxPlButton(QString::fromLatin1(name), this);
        b->CaptionA().setCaption(QString::fromUtf8(caption));
        b->setFocusPolicy(Qt::NoFocus);
        return b;
    };
    m_btnF1 = button("btnF1", "F1:");
    m_btnF1->hide();
    m_btnF2 = button("btnF2", "F2:新規作成");
    m_btnF3 = button("btnF3", "F3:名称変更");
    m_btnF5 = button("btnF5", "F5:削除");
    m_btnUp = button("btnUp", "上へ");
    m_btnDown = button("btnDown", "下へ");
    m_btnClose = button("btnClose", "閉じる");
    m_btnCancel = button("btnCancel", "キャンセル");
    m_btnCancel->hide();
    m_btnF2->OnClick = [this](QObject*) { F2Click(); };
    m_btnF3->OnClick = [this](QObject*) { F3Click(); };
    m_btnF5->OnClick = [this](QObject*) { F5Click(); };
    m_btnUp->OnClick = [this](QObject*) { btnUpClick(); };
    m_btnDown->OnClick = [this](QObject*) { btnDownClick(); };
    m_btnClose->OnClick = [this](QObject*) { setModalResult(platform::mrOk); };
    m_btnCancel->OnClick = [this](QObject*) { setModalResult(platform::mrCancel); };

    m_hintArea = CreateHintArea(this);
    layoutControls();
}

void TDataPlaceBox::layoutControls()
{
    const int w = width(), h = height();
    const int m = 8, bh = 28, hintH = 64;
    const int keysTop = m;
    int x = m;
    for (TxPlButton* b : {m_btnF2, m_btnF3, m_btnF5}) {
        b->setGeometry(x, keysTop, 96, bh);
        x += 100;
    }
    m_btnDown->setGeometry(w - m - 72, keysTop, 72, bh);
    m_btnUp->setGeometry(w - m - 148, keysTop, 72, bh);
    const int bottom = h - m - bh;
    m_btnClose->setGeometry(w - m - 96, bottom, 96, bh);
    m_btnCancel->setGeometry(w - m - 196, bottom, 96, bh);
    m_hintArea->setGeometry(m, bottom - m - hintH, w - 2 * m, hintH);
    const int gridTop = keysTop + bh + m;
    m_grid->setGeometry(m, gridTop, w - 2 * m, bottom - m - hintH - m - gridTop);
}

void TDataPlaceBox::resizeEvent(QResizeEvent* event)
{
    TBSDI::resizeEvent(event);
    if (m_grid)
        layoutControls();
}

void TDataPlaceBox::SetHints()
{
    std::string list =
        "データ管理フォルダの情報を管理します。|[F2]で新規作成、[F3]で名称変更、[F5]で削除します。"
        "（例外：\"ﾄﾞﾗｲﾌﾞ:\\MORABYZAIMU\\DATA\"行の削除は禁止）\r\n[上へ][下へ]でリストの並べ替えが行えます。";
    QString text = q(list);
    if (records::isLumeranData()) {
        const std::string sub = AppInfo.Zaimu.ServerDir.empty() ? ServerDataDir : AppInfo.Zaimu.ServerDir;
        text.replace(QStringLiteral("\\MORABYZAIMU\\DATA"), q(sub).toUpper(), Qt::CaseInsensitive);
    }
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    SetControlHint(m_grid, text);
    SetControlHint(m_btnClose, QStringLiteral("内容を保存して画面を閉じます。|内容を保存して画面を閉じます。"));
    SetControlHint(m_btnCancel, QStringLiteral("画面を閉じます。|画面を閉じます。"));
}

// ---- loading and storing ----------------------------------------------------------------

bool TDataPlaceBox::LoadPlaces(bool NamedOnly)
{
    m_places.clear();
    try {
        inSystemTransaction([&](firebird::Transaction& tr) {
            auto count = [&](const char* sql) {
                firebird::Statement st(tr, sql);
                firebird::Cursor c = st.open();
                return c.fetch() ? c.getInt("RECCNT") : 0;
            };
            if (count("SELECT COUNT(REC) AS RECCNT FROM DATAPLACEMAN") == 0) {
                const std::string folder = selection::catalogueDataFolder();
                firebird::Statement ins(tr, "INSERT INTO DATAPLACEMAN(REC,ORDERKBN,NAME,PATH)\n"
                                            "VALUES(:REC,:ORDERKBN,:NAME,:PATH)");
                for (int rec = 0; rec < kPlaceCount; ++rec) {
                    std::string name, path = folder;
                    if (rec == 0) {
                        name = platform::text::cp932Width(folder) > 40 ? "標準の場所" : folder;
                    } else {
                        char digits[8];
                        std::snprintf(digits, sizeof digits, "%.2d", rec);
                        path += digits;
                    }
                    ins.setInt("REC", rec);
                    ins.setInt("ORDERKBN", rec + 1);
                    ins.setString("NAME", name);
                    ins.setString("PATH", path);
                    ins.execute();
                }
            }
            const char* where = NamedOnly ? "\nWHERE NAME<>''" : "";
            const int n = count((std::string("SELECT COUNT(REC) AS RECCNT FROM DATAPLACEMAN") + where).c_str());
            m_places.reserve(std::size_t(n));
            firebird::Statement st(tr, std::string("SELECT REC,ORDERKBN,NAME,PATH FROM DATAPLACEMAN") +
                                           where + "\nORDER BY ORDERKBN,REC");
            firebird::Cursor c = st.open();
            while (c.fetch()) {
                TDataPlaceRec p;
                p.REC = c.getInt("REC");
                p.ORDERKBN = c.getInt("ORDERKBN");
                p.NAME = c.getString("NAME");
                p.PATH = c.getString("PATH");
                m_places.push_back(std::move(p));
            }
        });
        return true;
    } catch (const firebird::DatabaseError& e) {
        m_places.clear();
        HandleDbError(e, "TDataPlaceBox.LoadPlaces", "データの場所の読み込みに失敗しました。", true);
    } catch (const std::exception& e) {
        m_places.clear();
        ShowErrorDialog("データの場所の読み込みに失敗しました。", e.what(), 1);
    }
    return false;
}

void TDataPlaceBox::StorePlaces()
{
    inSystemTransaction([&](firebird::Transaction& tr) {
        firebird::Statement full(tr, "UPDATE DATAPLACEMAN SET ORDERKBN=:ORDERKBN,NAME=:NAME\n"
                                     "WHERE REC=:REC");
        firebird::Statement order(tr, "UPDATE DATAPLACEMAN SET ORDERKBN=:ORDERKBN\nWHERE REC=:REC");
        for (const auto& p : m_places) {
            if (p.EditState == 0)
                continue;
            firebird::Statement& st = p.OrderOnly ? order : full;
            st.setInt("ORDERKBN", p.ORDERKBN);
            if (!p.OrderOnly)
                st.setString("NAME", p.NAME);
            st.setInt("REC", p.REC);
            st.execute();
        }
        for (const auto& p : m_places) {
            if (p.EditState == 1) {
                firebird::Statement st(tr, "SELECT REC FROM SP_DATALIST_INSERT(:REC,:PATH,:MAXCNT)");
                st.setInt("REC", p.REC);
                st.setString("PATH", p.PATH);
                st.setInt("MAXCNT", maxListCount());
                firebird::Cursor c = st.open();
                while (c.fetch()) {
                }
            } else if (p.EditState == 9) {
                firebird::Statement st(tr, "DELETE FROM DATALIST_EX\nWHERE DATAPLACEREC=:REC");
                st.setInt("REC", p.REC);
                st.execute();
            }
        }
    });
    for (auto& p : m_places) {
        p.EditState = 0;
        p.OrderOnly = false;
    }
}

template <class Body>
void TDataPlaceBox::storing(const char* method, Body&& body)
{
    const std::string context = std::string("TDataPlaceBox.") + method;
    bool failed = true;
    try {
        body();
        StorePlaces();
        failed = false;
    } catch (const firebird::DatabaseError& e) {
        HandleDbError(e, context, "データの場所の保存に失敗しました。", true);
    } catch (const std::exception& e) {
        ShowErrorDialog("データの場所の保存に失敗しました。", e.what(), 1);
    }
    if (failed) {
        // Show what is stored, not what failed to be.
        const int row = m_grid->currentRow();
        LoadPlaces(false);
        FillGrid();
        if (row >= 0 && row < m_grid->rowCount())
            m_grid->setCurrentRow(row);
    }
    SetFunctionKeys();
}

// ---- the interface of the data-selection dialog -----------------------------------------

void TDataPlaceBox::Prepare(std::uint8_t /*Mode*/)
{
    LoadPlaces(false);
    FillGrid();
    const int index = PlaceIndex(SystemDef.ServerDataPlace);
    if (m_grid->rowCount() > 0)
        m_grid->setCurrentRow(index >= 0 ? index : 0);
    SetFunctionKeys();
}

int TDataPlaceBox::Execute()
{
    Prepare(1);
    const int result = platform::execDialog(*this);
    // Later showings keep where the user put the window.
    Reposition = 0;
    return result;
}

bool TDataPlaceBox::GetPlaceNames(std::string& Text)
{
    Text.clear();
    if (!LoadPlaces(true))
        return false;
    for (const auto& p : m_places)
        Text += p.NAME + "\r";
    return true;
}

int TDataPlaceBox::PlaceRec(int Index) const
{
    if (Index < 0 || Index >= int(m_places.size()))
        return -1;
    return m_places[std::size_t(Index)].REC;
}

void TDataPlaceBox::PlacePath(int Index, std::string& Path) const
{
    Path.clear();
    if (Index >= 0 && Index < int(m_places.size()))
        Path = m_places[std::size_t(Index)].PATH;
}

int TDataPlaceBox::PlaceIndex(int Rec) const
{
    for (std::size_t i = 0; i < m_places.size(); ++i)
        if (m_places[i].REC == Rec)
            return int(i);
    return -1;
}

void TDataPlaceBox::PlacePathOfRec(int Rec, std::string& Path) const
{
    PlacePath(PlaceIndex(Rec), Path);
}

// ---- the list -----------------------------------------------------------------------------

void TDataPlaceBox::FillGrid()
{
    auto& m = m_grid->model();
    m.clearRows();
    m.insertGridRows(0, int(m_places.size()));
    const platform::TColor highlight = records::isLumeranData() ? kLumeranHighlight : kHighlight;
    for (int r = 0; r < int(m_places.size()); ++r) {
        const auto& p = m_places[std::size_t(r)];
        m.setRowValue(r, p.REC);
        m.setCellNumber(r, 0, r + 1);
        m.setCellText(r, 1, q(p.NAME));
        m.setCellText(r, 2, q(p.PATH));
        m.setRowActiveTextColor(r, highlight);
    }
}

void TDataPlaceBox::SetFunctionKeys()
{
    QString f2 = QStringLiteral("F2:"), f3 = QStringLiteral("F3:"), f5 = QStringLiteral("F5:");
    const int row = m_grid->currentRow();
    const int last = m_grid->rowCount() - 1;
    if (row >= 0 && row < int(m_places.size())) {
        const auto& p = m_places[std::size_t(row)];
        if (p.REC != 0)
            f5 = QStringLiteral("F5:削除");
        if (named(p)) {
            f3 = QStringLiteral("F3:名称変更");
        } else {
            f2 = QStringLiteral("F2:新規作成");
            f5 = QStringLiteral("F5:");
        }
    }
    const std::pair<TxPlButton*, QString> keys[] = {{m_btnF2, f2}, {m_btnF3, f3}, {m_btnF5, f5}};
    for (const auto& [button, caption] : keys) {
        button->CaptionA().setCaption(caption);
        // A bare caption does nothing.
        button->setEnabled(caption.size() > 3);
    }
    m_btnUp->setEnabled(row > 0);
    m_btnDown->setEnabled(row >= 0 && row < last);
}

// ---- actions ------------------------------------------------------------------------------

void TDataPlaceBox::F2Click()
{
    const int row = m_grid->currentRow();
    if (row < 0 || row >= int(m_places.size()) || named(m_places[std::size_t(row)]))
        return;
    TInputDlgBox box(this);
    box.DlgCaption = "新規作成";
    box.DlgMessage = "新しく作成するデータ管理フォルダの名称を入力して下さい。";
    box.MessageColor = platform::clWindowText;
    box.InputValue.clear();
    box.InputMaxLength = kNameBytes;
    box.FilterMode = 0;
    box.InputHint = "新しく作成するデータ管理フォルダの名称を入力します。";
    box.ApplySettings();
    if (platform::execDialog(box) != platform::mrOk)
        return;
    const std::string name = ZenkakuTrim(box.InputValue);
    if (name.empty()) {
        information("名称が入力されていません。");
        return;
    }
    auto& p = m_places[std::size_t(row)];
    if (!DM)
        return;
    if (DM->DExist(p.PATH, ConnectMode)) {
        information("既にデータサーバーにフォルダが作成されています。");
    } else if (!DM->MkDir(p.PATH, ConnectMode)) {
        information("データサーバーへフォルダの作成が失敗しました。");
        return;
    }
    storing("F2Click", [&] {
        m_grid->model().setCellText(row, 1, q(name));
        p.NAME = name;
        p.EditState = 1;
        p.OrderOnly = false;
    });
}

void TDataPlaceBox::F3Click()
{
    const int row = m_grid->currentRow();
    if (row < 0 || row >= int(m_places.size()) || !named(m_places[std::size_t(row)]))
        return;
    auto& p = m_places[std::size_t(row)];
    TInputDlgBox box(this);
    box.DlgCaption = "名称の変更";
    box.DlgMessage = "データ管理フォルダの名称を入力して下さい。";
    box.MessageColor = platform::clWindowText;
    box.InputValue = p.NAME;
    box.InputMaxLength = kNameBytes;
    box.FilterMode = 0;
    box.InputHint = "データ管理フォルダの管理名称を変更します。";
    box.ApplySettings();
    if (platform::execDialog(box) != platform::mrOk)
        return;
    const std::string name = ZenkakuTrim(box.InputValue);
    if (name.empty()) {
        information("名称が入力されていません。");
        return;
    }
    storing("F3Click", [&] {
        m_grid->model().setCellText(row, 1, q(name));
        p.NAME = name;
        if (p.EditState != 1)
            p.EditState = 2;
        p.OrderOnly = false;
    });
}

void TDataPlaceBox::F5Click()
{
    const int row = m_grid->currentRow();
    if (row < 0 || row >= int(m_places.size()) || !DM)
        return;
    auto& p = m_places[std::size_t(row)];
    if (p.REC == 0 || !named(p))
        return;
    bool refused = false;
    try {
        std::vector<std::string> folders;
        inSystemTransaction([&](firebird::Transaction& tr) {
            firebird::Statement st(tr, "SELECT PASNAME FROM DATALIST_EX\nWHERE (DATAPLACEREC=:REC)\n"
                                       "ORDER BY REC");
            st.setInt("REC", p.REC);
            firebird::Cursor c = st.open();
            while (c.fetch())
                folders.push_back(c.getString("PASNAME"));
        });
        // A test that failed with an error says nothing about the folder: refuse then too.
        const int errors = DM->ServerFileErrors;
        for (const auto& folder : folders) {
            if (DM->DExist(folder, ConnectMode) || DM->ServerFileErrors != errors) {
                refused = true;
                break;
            }
        }
    } catch (const std::exception&) {
        refused = true;
    }
    if (refused) {
        information("このフォルダ配下には会計データが存在しているため削除することが出来ません。",
                    "どうしても削除を行いたい場合は、配下の会計データをすべて削除してから処理して下さい。");
        return;
    }
    TMessage2InfoRec info;
    InitMessage2Info(mtConfirmation, info);
    info.Buttons = msgButton(mbOK) | msgButton(mbCancel);
    info.Lines[0].Text = "[" + p.NAME + "]を削除します。よろしいですか？";
    if (ShowMessageBox2(info) != platform::mrOk)
        return;
    storing("F5Click", [&] {
        m_grid->model().setCellText(row, 1, QString());
        p.NAME.clear();
        p.EditState = 9;
        p.OrderOnly = false;
    });
}

void TDataPlaceBox::btnUpClick() { MoveRow(-1); }

void TDataPlaceBox::btnDownClick() { MoveRow(1); }

void TDataPlaceBox::MoveRow(int delta)
{
    const int row = m_grid->currentRow();
    const int count = int(m_places.size());
    const int to = row + delta;
    if (row < 0 || row >= count || count <= 1 || to < 0 || to >= count)
        return;
    storing(delta < 0 ? "btnUpClick" : "btnDownClick", [&] {
        std::swap(m_places[std::size_t(row)], m_places[std::size_t(to)]);
        for (int r = 0; r < count; ++r) {
            auto& p = m_places[std::size_t(r)];
            if (p.ORDERKBN != r + 1) {
                p.ORDERKBN = r + 1;
                if (p.EditState == 0) {
                    p.EditState = 2;
                    p.OrderOnly = true;
                }
            }
        }
        FillGrid();
        m_grid->setCurrentRow(to);
    });
}

// ---- showing and keys ---------------------------------------------------------------------

void TDataPlaceBox::showEvent(QShowEvent* event)
{
    TBSDI::showEvent(event);
    if (!Initialized) {
        ShowInitFailure();
        setModalResult(platform::mrCancel);
        return;
    }
    layoutControls();
    m_grid->setFocus();
    SetFunctionKeys();
}

void TDataPlaceBox::doKeyDown(QKeyEvent& event)
{
    // Enter does nothing here (no default button to press).
    if (event.key() == Qt::Key_Return || event.key() == Qt::Key_Enter)
        event.accept();
}

void TDataPlaceBox::doKeyUp(QKeyEvent& event)
{
    switch (event.key()) {
    case Qt::Key_F2: event.accept(); m_btnF2->Click(); break;
    case Qt::Key_F3: event.accept(); m_btnF3->Click(); break;
    case Qt::Key_F5: event.accept(); m_btnF5->Click(); break;
    case Qt::Key_F4:
    case Qt::Key_F6:
    case Qt::Key_F7:
    case Qt::Key_F8:
    case Qt::Key_F12:
        event.accept();
        break;
    default:
        break;
    }
}
