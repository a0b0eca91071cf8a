// TBSDI: the base dialog of the framework.
#include "ui/BaseDialog.h"

#include "firebird/DatabaseError.h"
#include "firebird/Statement.h"
#include "firebird/Transaction.h"
#include "platform/CoreTypes.h"
#include "platform/Fonts.h"
#include "platform/MessageService.h"
#include "platform/Screen.h"
#include "records/DataModule.h"
#include "records/DbErrorHandler.h"
#include "records/DisplayFormat.h"
#include "records/ProgramRecords.h"
#include "ui/ListGrid.h"

#include <algorithm>

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QDateTime>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QMainWindow>
#include <QPlainTextEdit>
#include <QScreen>
#include <QShowEvent>
#include <QWindow>

#include <cmath>

namespace {

int g_screenPpiForTesting = 0;

int screenPpi()
{
    return g_screenPpiForTesting > 0 ? g_screenPpiForTesting : platform::mainFormPixelsPerInch();
}

// Windows' MulDiv: a * b / c rounded half away from zero.
int mulDiv(int a, int b, int c)
{
    if (c == 0)
        return -1;
    return int(std::llround(double(a) * double(b) / double(c)));
}

QMainWindow* shownMainWindow()
{
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* main = qobject_cast<QMainWindow*>(w); main && main->isVisible())
            return main;
    return nullptr;
}

QRect workArea(const QWidget* w)
{
    const QScreen* screen = w->screen() ? w->screen() : QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
}

// Rounds to the nearest integer, halves to the even one.
int roundEven(double v) { return int(std::nearbyint(v)); }

platform::TDateTime nowAsDateTime()
{
    const QDateTime now = QDateTime::currentDateTime();
    const QDate d = now.date();
    const QTime t = now.time();
    return platform::encodeDate(d.year(), d.month(), d.day()) + t.msecsSinceStartOfDay() / 86400000.0;
}

bool companyDatabaseOpen() { return DM && DM->IBDatabaseDAT.connected(); }

bool systemDatabaseOpen() { return DM && DM->IBDatabaseDEF.connected(); }

bool insideNamedPanel(const QWidget* w, const QWidget* top)
{
    for (const QWidget* p = w->parentWidget(); p && p != top; p = p->parentWidget())
        if (p->objectName() == QLatin1String("pnlSwkInA") ||
            p->objectName() == QLatin1String("pnlChoseiNasi"))
            return true;
    return false;
}

// Scales a geometry as the toolkit's ScaleBy does: edges, not sizes, are scaled.
QRect scaledRect(const QRect& r, int m, int d)
{
    const int left = mulDiv(r.left(), m, d);
    const int top = mulDiv(r.top(), m, d);
    return QRect(left, top, mulDiv(r.left() + r.width(), m, d) - left,
                 mulDiv(r.top() + r.height(), m, d) - top);
}

} // namespace

void SetControlHint(QWidget* control, const QString& hint)
{
    if (!control)
        return;
    control->setProperty("longHint", hint);
    const qsizetype bar = hint.indexOf(QLatin1Char('|'));
    control->setToolTip(bar < 0 ? hint : hint.left(bar));
}

QString ControlHint(const QWidget* control)
{
    return control ? control->property("longHint").toString() : QString();
}

void TBSDI::setScreenPpiForTesting(int ppi) { g_screenPpiForTesting = ppi; }

TBSDI::TBSDI(Border border, QWidget* parent)
    : platform::Dialog(parent, border == Border::Fixed
                                   ? Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                                         Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint
                                   : Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                                         Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint),
      m_border(border)
{
    const std::uint8_t sizeable = border == Border::Fixed ? 0 : 1;
    UseOpHistory = SubclassFlag = UseFormSize = LoadAccInfo = ActivateValue = sizeable;
    setCloseOnEscape(!sizeable);
    setCloseOnF12(sizeable);
    resize(656, 415);
    setFont(platform::windowsFont(QStringLiteral("ＭＳ Ｐゴシック"), 13));
    setProperty("tag", 50);
    Splitter.Delimiter = ',';
    m_gamenValue = std::make_unique<TGamenKeyValue>();
    if (DM)
        m_transactionDAT = std::make_unique<firebird::Transaction>(DM->IBDatabaseDAT);
    // Hints show exactly when the operator wants them.
    setAttribute(Qt::WA_AlwaysShowToolTips, SystemDef.ShowHint != 0);
    SetOwnerHandle(this);
    connect(qApp, &QApplication::focusChanged, this,
            [this](QWidget*, QWidget* now) { onFocusChanged(now); });
}

TBSDI::~TBSDI() = default;

void TBSDI::SetOwnerHandle(QWidget* owner)
{
    OwnerHandle = owner;
    if (owner && owner != this) {
        if (!isWindow())
            return;
        // A normal window gets the owner's window as its transient parent.
        if (windowHandle() && owner->window()->windowHandle())
            windowHandle()->setTransientParent(owner->window()->windowHandle());
    }
    OwnerCaption = owner ? owner->window()->windowTitle().toStdString() : std::string();
}

void TBSDI::ShowLongHint(QWidget* control, QPlainTextEdit* memo)
{
    if (!control || !memo)
        return;
    const QString hint = ControlHint(control);
    const qsizetype bar = hint.indexOf(QLatin1Char('|'));
    memo->setPlainText(bar < 0 ? hint : hint.mid(bar + 1));
}

void TBSDI::onFocusChanged(QWidget* now)
{
    if (!now || !HintMemo || now->window() != this)
        return;
    ShowLongHint(now, HintMemo);
}

bool TBSDI::event(QEvent* event)
{
    if (event->type() == QEvent::WindowActivate && MenuHookProc2)
        MenuHookProc2(ActivateValue, std::to_string(ActivateParam));
    return platform::Dialog::event(event);
}

void TBSDI::showEvent(QShowEvent* event)
{
    platform::Dialog::showEvent(event);
    if (!Shown) {
        Shown = 1;
        // No exception may leave an event handler: the steps report their own failures.
        try {
            FormShowFirst();
        } catch (const firebird::DatabaseError& e) {
            // A connection lost while no dialog used it: reopened without a word, as any step's.
            if (firebird::isConnectionLoss(e))
                HandleDbError(e, "TBSDI.FormShow", "", true);
            else
                ShowErrorDialog(e.what(), "", 1);
        } catch (const std::exception& e) {
            if (!records::noteConnectionLoss(e))
                ShowErrorDialog(e.what(), "", 1);
        }
    }
    discardTypeAhead();
    if (MenuRegister && MenuHookProc) {
        if (MenuHookProc(10, "") > 0) {
            MenuRegister = 0;
        } else {
            MenuHookProc(11, "QuarvelMenu");
            MenuHookProc(4, "");
        }
    }
    unsetCursor();
}

QPlainTextEdit* TBSDI::CreateHintArea(QWidget* parent)
{
    auto* area = new QPlainTextEdit(parent);
    area->setObjectName(QStringLiteral("HintArea"));
    area->setReadOnly(true);
    area->setFocusPolicy(Qt::NoFocus);
    area->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    HintMemo = area;
    return area;
}

void TBSDI::ShowInitFailure()
{
    platform::messageBox(windowTitle().toStdString() + "画面の初期化に失敗しました。\r処理を終了します。",
                         SystemDef.AppCaption, platform::MB_OK | platform::MB_ICONERROR);
}

void TBSDI::FormShowFirst()
{
    if (!m_periodPanelsSetUp)
        SetUpPeriodPanels();
    if (UseOpHistory) {
        try {
            PutProcRirekiInfo(0);
        } catch (const std::exception&) {
            // reported by the handler; the set-up goes on
        }
    }
    // The wizard opens its dialogs before any company database: nothing to re-read then.
    if (LoadAccInfo && companyDatabaseOpen())
        DM->fnGetAccInfo();
    frameCompensation();
    recordLayout();
    scaleFonts();
    if (UseFormSize)
        GetFormSize();
    // A size remembered, or designed, for a larger screen: the dialog still lies wholly on this one.
    const QRect area = workArea(this);
    FitToArea(area);
    const QSize outer = frameGeometry().size();
    const int left = std::clamp(x(), area.left(), std::max(area.left(), area.right() + 1 - outer.width()));
    const int top = std::clamp(y(), area.top(), std::max(area.top(), area.bottom() + 1 - outer.height()));
    if (QPoint(left, top) != pos())
        move(left, top);
}

void TBSDI::discardTypeAhead()
{
    // Keys and clicks queued before the dialog appeared were meant for the window behind it.
    class Eater : public QObject {
    public:
        explicit Eater(QWidget* window) : m_window(window) {}
        bool eventFilter(QObject* watched, QEvent* e) override
        {
            switch (e->type()) {
            case QEvent::KeyPress:
            case QEvent::KeyRelease:
            case QEvent::MouseButtonPress:
            case QEvent::MouseButtonRelease:
            case QEvent::MouseButtonDblClick:
            case QEvent::MouseMove:
            case QEvent::Wheel: {
                auto* w = qobject_cast<QWidget*>(watched);
                return w && w->window() == m_window;
            }
            default: return false;
            }
        }

    private:
        QWidget* m_window;
    };
    Eater eater(this);
    qApp->installEventFilter(&eater);
    QCoreApplication::sendPostedEvents();
    // Timers wait for the dialog's own loop: run from here they would meet a half-shown dialog,
    // and one that closes it before exec() enters its loop leaves exec() waiting on a hidden window.
    QCoreApplication::processEvents(QEventLoop::ExcludeSocketNotifiers | QEventLoop::X11ExcludeTimers);
    qApp->removeEventFilter(&eater);
}

void TBSDI::frameCompensation()
{
    const int extra = SystemDef.FrameExtra;
    if (isFixedDialog() || extra < 0 || extra == 0)
        return;
    for (QWidget* w : findChildren<QWidget*>()) {
        if (w->isWindow())
            continue;
        const bool leftPanel = w->property("alignLeft").toBool();
        if (leftPanel) {
            if (w->x() == 0)
                w->resize(std::max(0, w->width() - extra), w->height());
            else if (w->property("anchorsAll").toBool())
                w->resize(w->width() + extra, w->height());
            continue;
        }
        if (qobject_cast<QGroupBox*>(w->parentWidget()) || insideNamedPanel(w, this))
            continue;
        w->move(std::max(0, w->x() - extra), w->y());
    }
}

void TBSDI::recordLayout()
{
    const auto controls = findChildren<QWidget*>();
    if (LayoutRecords.size() != std::size_t(controls.size()))
        LayoutRecords.assign(std::size_t(controls.size()), LayoutRecord{});
    if (DesignWidth == 0 && DesignHeight == 0) {
        DesignWidth = width();
        DesignHeight = height();
    }
    if (UseFormSize && !isFixedDialog()) {
        MinWidth = int(std::lround(DesignWidth * 0.6));
        MinHeight = int(std::lround(DesignHeight * 0.6));
    } else {
        MinWidth = MinHeight = 0;
    }
    MaxWidth = MaxHeight = 0;
    if (PixelsPerInch <= 96) {
        const QRect screen = workArea(this);
        MaxWidth = screen.width();
        MaxHeight = screen.height();
    }
    if (MinWidth > 0)
        setMinimumSize(MinWidth, MinHeight);

    const int ppi = screenPpi();
    const int basePpi = SystemDef.DefaultFont.Size != 10 ? 96 : ppi;
    for (std::size_t i = 0; i < std::size_t(controls.size()); ++i) {
        QWidget* w = controls[qsizetype(i)];
        LayoutRecord& r = LayoutRecords[i];
        r.control = w;
        if (SystemDef.ShowHint == 0)
            w->setToolTip(QString());
        if (AccInf.IsMedical) {
            if (auto* label = qobject_cast<QLabel*>(w)) {
                QString text = label->text();
                text.replace(QStringLiteral("本・支店"), QStringLiteral("施設"));
                text.replace(QStringLiteral("支店"), QStringLiteral("施設"));
                label->setText(text);
            }
        }
        if (auto* grid = qobject_cast<ui::TPerfectGrid*>(w)) {
            if (basePpi != ppi && ppi > 0)
                grid->resize(mulDiv(grid->width(), basePpi, ppi), mulDiv(grid->height(), basePpi, ppi));
            r.isGrid = true;
            r.rowHeights[0] = grid->fixedRowHeight();
            r.rowHeights[1] = grid->rowHeight();
            r.colWidths.clear();
            for (int c = 0; c < grid->columnCount(); ++c)
                r.colWidths.push_back(grid->colWidth(c));
        }
        r.left = w->x();
        r.top = w->y();
        r.width = w->width();
        r.height = w->height();
        r.tag = w->property("tag").toInt();
        if (auto* combo = qobject_cast<QComboBox*>(w))
            r.itemHeight = combo->view() ? combo->view()->sizeHintForRow(0) : 0;
    }
}

void TBSDI::scaleFonts()
{
    setUpdatesEnabled(false);
    const int ppi = screenPpi();
    const int basePpi = SystemDef.DefaultFont.Size != 10 ? 96 : ppi;
    const int num = mulDiv(SystemDef.OperatorFont.Size, ppi, 96);
    const int den = mulDiv(SystemDef.DefaultFont.Size, ppi, 96);
    int ratio = den > 0 ? int(std::lround(100.0 * num / den)) : 0;
    // A font size of 0 in the settings would scale every control to nothing.
    if (ratio <= 0)
        ratio = 100;
    const double exact = std::round(basePpi * ratio / 100.0 * 10000.0) / 10000.0;
    const int newPpi = int(std::round(exact));
    PixelsPerInch = newPpi;
    ScalePercent = ratio;

    if (newPpi != basePpi && basePpi > 0) {
        for (QWidget* w : findChildren<QWidget*>()) {
            if (w->isWindow())
                continue;
            w->setGeometry(scaledRect(w->geometry(), newPpi, basePpi));
            if (w->testAttribute(Qt::WA_SetFont)) {
                QFont f = w->font();
                if (f.pixelSize() > 0)
                    f.setPixelSize(std::max(1, mulDiv(f.pixelSize(), newPpi, basePpi)));
                else
                    f.setPointSizeF(f.pointSizeF() * newPpi / basePpi);
                w->setFont(f);
            }
        }
        const QSize size(mulDiv(width(), newPpi, basePpi), mulDiv(height(), newPpi, basePpi));
        if (minimumSize() == maximumSize())
            setFixedSize(size);
        else
            resize(size);
        DesignWidth = mulDiv(DesignWidth, newPpi, basePpi);
        DesignHeight = mulDiv(DesignHeight, newPpi, basePpi);
        if (MinWidth > 0) {
            MinWidth = mulDiv(MinWidth, newPpi, basePpi);
            MinHeight = mulDiv(MinHeight, newPpi, basePpi);
            setMinimumSize(MinWidth, MinHeight);
        }
    }

    QFont opFont = font();
    if (!SystemDef.OperatorFont.Name.empty())
        opFont.setFamily(platform::substituteFontFamily(QString::fromStdString(SystemDef.OperatorFont.Name)));
    if (SystemDef.OperatorFont.Size > 0)
        opFont.setPointSize(SystemDef.OperatorFont.Size);
    opFont.setBold((SystemDef.OperatorFont.Style & 1) != 0);
    opFont.setItalic((SystemDef.OperatorFont.Style & 2) != 0);
    PrivateFont = opFont;
    for (const LayoutRecord& r : LayoutRecords) {
        auto* grid = qobject_cast<ui::TPerfectGrid*>(r.control.data());
        if (!grid || !r.isGrid)
            continue;
        grid->setFont(opFont);
        grid->setScale(newPpi / 96.0);
    }
    setFont(opFont);
    setUpdatesEnabled(true);
}

void TBSDI::GetFormSize()
{
    if (!UseFormSize || !systemDatabaseOpen())
        return;
    firebird::Transaction& tr = DM->IBTransactionDEF;
    firebird::StartedHere scope(tr);
    try {
        firebird::Statement st(tr, "SELECT FMTOP,FMLEFT,FMHEIGHT,FMWIDTH FROM FORMRSIZE\n"
                                   "WHERE FMNAME=:FMNAME AND OPCODE=:OPCODE");
        st.setString("FMNAME", objectName().toStdString());
        st.setInt("OPCODE", SystemDef.LoginId);
        bool found = false;
        {
            firebird::Cursor c = st.open();
            while (c.fetch()) {
                found = true;
                move(c.getInt("FMLEFT"), c.getInt("FMTOP"));
                resize(c.getInt("FMWIDTH"), c.getInt("FMHEIGHT"));
            }
        }
        if (!found) {
            const int h = AdjustFrameSize(ScaleByPPI(648, PixelsPerInch, 96), 0);
            const int w = AdjustFrameSize(ScaleByPPI(1012, PixelsPerInch, 96), 0);
            move(0, 0);
            resize(w, h);
            firebird::Statement ins(tr, "INSERT INTO FORMRSIZE\n"
                                        "VALUES(:OPCODE ,:FNAME,:TOP,:LEFT,:HEIGHT,:WIDTH,:DEFHEIGHT,:DEFWIDTH)");
            ins.setInt("OPCODE", SystemDef.LoginId);
            ins.setString("FNAME", objectName().toStdString());
            ins.setInt("TOP", 0);
            ins.setInt("LEFT", 0);
            ins.setInt("HEIGHT", h);
            ins.setInt("WIDTH", w);
            ins.setInt("DEFHEIGHT", h);
            ins.setInt("DEFWIDTH", w);
            ins.execute();
        }
        scope.commit();
    } catch (const firebird::DatabaseError& e) {
        scope.rollback();
        HandleDbError(e, "TBSDI.GetFormSize", "", true);
    }
}

void TBSDI::PutFormSize()
{
    LayoutRecords.clear();
    if (!UseFormSize || !systemDatabaseOpen())
        return;
    int top = 0, left = 0, h = 0, w = 0;
    QRect client = workArea(this);
    if (QMainWindow* main = shownMainWindow())
        client = main->rect();
    if (isMaximized()) {
        h = client.height() - SystemDef.FrameHeight;
        w = client.width() - SystemDef.FrameHeight;
    } else {
        top = std::max(0, y());
        left = std::max(0, x());
        h = height();
        w = width();
    }
    if (top >= client.height())
        top = 0;
    if (left >= client.width())
        left = 0;
    firebird::Transaction& tr = DM->IBTransactionDEF;
    firebird::StartedHere scope(tr);
    try {
        firebird::Statement st(tr, "UPDATE FORMRSIZE SET FMTOP=:FMTOP,FMLEFT=:FMLEFT,FMHEIGHT=:FMHEIGHT,"
                                   "FMWIDTH=:FMWIDTH\nWHERE OPCODE=:OPCODE AND FMNAME=:FMNAME");
        st.setInt("FMTOP", top);
        st.setInt("FMLEFT", left);
        st.setInt("FMHEIGHT", h);
        st.setInt("FMWIDTH", w);
        st.setInt("OPCODE", SystemDef.LoginId);
        st.setString("FMNAME", objectName().toStdString());
        st.execute();
        scope.commit();
    } catch (const firebird::DatabaseError& e) {
        scope.rollback();
        HandleDbError(e, "TBSDI.PutFormSize", "", true);
    }
}

void TBSDI::PutProcRirekiInfo(int State)
{
    // Without a company database there is nowhere to record the screen: skipped silently, and
    // the close entry goes only where the open entry went.
    if (!companyDatabaseOpen() || !m_transactionDAT)
        return;
    if (State == 1 && (!m_historyOpen || DM->companyFolder() != m_historyFolder))
        return;
    firebird::StartedHere scope(*m_transactionDAT);
    try {
        firebird::Statement proc(*m_transactionDAT,
                                 "EXECUTE PROCEDURE OPINF_DELETE(:OPCODE,:JOBNAME,:STATE)");
        proc.setInt("OPCODE", SystemDef.LoginId);
        proc.setString("JOBNAME", windowTitle().toStdString());
        proc.setString("STATE", State == 0 ? "エラー終了" : "正常終了");
        proc.execute();
        if (State == 0) {
            firebird::Statement ins(*m_transactionDAT,
                                    "INSERT INTO OPINF(OPCODE,JOBNAME,PCNAME,OPENTIME)\n"
                                    "VALUES(:OPCODE,:JOBNAME,:PCNAME,:OPENTIME)");
            ins.setInt("OPCODE", SystemDef.LoginId);
            ins.setString("JOBNAME", windowTitle().toStdString());
            ins.setString("PCNAME", SystemDef.PcName);
            ins.setDateTime("OPENTIME", nowAsDateTime());
            ins.execute();
        }
        scope.commit();
        m_historyOpen = State == 0;
        m_historyFolder = State == 0 ? DM->companyFolder() : std::string();
    } catch (const firebird::DatabaseError& e) {
        scope.rollback();
        HandleDbError(e, "TBSDI.PutProcRirekiInfo", "", true);
        throw;
    }
}

void TBSDI::SetFormPosition(int X, int Y, std::uint8_t Kind, int W, int H)
{
    const QRect area = workArea(this);
    FitToArea(area);
    int left = x();
    int top = y();
    if (!Reposition && left > 0 && left < area.right() && top > 0 && top < area.bottom())
        return;
    QMainWindow* main = shownMainWindow();
    const int frame = SystemDef.FrameHeight;
    if (Kind == 1 && main) {
        left = main->x() + 2 * frame + X + roundEven(W / 2.0) - roundEven(width() / 2.0);
        top = main->y() + 2 * (frame + platform::CaptionHeight()) + platform::MenuHeight() + Y +
              roundEven(H / 2.0) - roundEven(height() / 2.0);
    } else if (Kind == 2 && main) {
        left = main->x() + roundEven((main->width() - width()) / 2.0);
        top = main->y() + roundEven((main->height() - height()) / 2.0);
    } else {
        left = area.x() + roundEven((area.width() - width()) / 2.0);
        top = area.y() + roundEven((area.height() - height()) / 2.0);
    }
    left = std::max(area.x(), left);
    top = std::max(area.y(), top);
    if (left + width() > area.x() + area.width())
        left = area.x() + area.width() - width();
    if (top + height() > area.y() + area.height())
        top = area.y() + area.height() - height();
    if (isFixedDialog()) {
        left = std::max(0, left);
        top = std::max(0, top);
    }
    move(left, top);
}

void TBSDI::FitToArea(const QRect& area)
{
    // A sizeable dialog lays its controls out by its size: larger than the screen, it gives up
    // the room (its list takes less) instead of showing its keys off-screen.
    if (isFixedDialog())
        return;
    const QSize frame = frameGeometry().size() - size();
    const int w = std::min(width(), area.width() - frame.width());
    const int h = std::min(height(), area.height() - frame.height());
    if (w == width() && h == height())
        return;
    setMinimumSize(std::min(minimumWidth(), w), std::min(minimumHeight(), h));
    resize(w, h);
}

void TBSDI::SetGridColor(ui::TPerfectGrid& Grid, int Mode)
{
    Grid.setColorProperty(109, platform::TColor(SystemDef.ColHeaderColor));
    Grid.setColorProperty(112, 0x808080);
    Grid.setColorProperty(-501, platform::TColor(Mode != 1 ? SystemDef.ClientColor1 : SystemDef.ClientColor));
    Grid.setColorProperty(101, platform::TColor(Mode != 1 ? SystemDef.ClientColor2 : SystemDef.ClientColor));
    Grid.setColorProperty(56, platform::TColor(SystemDef.ActiveColor));
    Grid.setColorProperty(79, 0x808080);
    Grid.setColorProperty(67, records::isLumeranData() ? 0x246BFF : 0x008000);
    Grid.setColorProperty(50, 0x808080);
    Grid.setColorProperty(145, platform::clGrayText);
}

void TBSDI::FukugenValue()
{
    if (m_gamenValue)
        m_gamenValue->FukugenValue(objectName().toStdString(), ValueText);
}

void TBSDI::HozonValue()
{
    if (m_gamenValue)
        m_gamenValue->HozonValue(objectName().toStdString(), ValueText);
}

std::unique_ptr<firebird::Statement> TBSDI::NewStoredProc(const std::string& ProcName)
{
    if (!m_transactionDAT || ProcName.empty())
        return nullptr;
    try {
        return std::make_unique<firebird::Statement>(*m_transactionDAT, "EXECUTE PROCEDURE " + ProcName);
    } catch (const std::exception&) {
        return nullptr;
    }
}

std::unique_ptr<firebird::Statement> TBSDI::NewQuery()
{
    if (!m_transactionDAT)
        return nullptr;
    try {
        return std::make_unique<firebird::Statement>(*m_transactionDAT);
    } catch (const std::exception&) {
        return nullptr;
    }
}

void TBSDI::doClose(int result)
{
    platform::Dialog::doClose(result);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    try {
        if (UseFormSize)
            PutFormSize();
        if (UseOpHistory)
            PutProcRirekiInfo(1);
    } catch (const std::exception&) {
        // reported by the handler; the dialog still closes
    }
    QApplication::restoreOverrideCursor();
    if (!KeepOnClose)
        deleteLater();
}
