// The period pickers.
#include "ui/PeriodPanels.h"

#include "ui/KeyStyle.h"

#include <QApplication>
#include <QDate>
#include <QFontInfo>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>

#include <algorithm>

using platform::TColor;
using platform::TDateTime;

namespace {

int monthDifference(TDateTime from, TDateTime to)
{
    const auto a = platform::decodeDate(from);
    const auto b = platform::decodeDate(to);
    return (b.year - a.year) * 12 + (b.month - a.month);
}

TDateTime firstOfCurrentYear() { return platform::encodeDate(QDate::currentDate().year(), 1, 1); }

TDateTime endOfCurrentYear() { return platform::encodeDate(QDate::currentDate().year(), 12, 31); }

} // namespace

TDateTime AddMonths(int n, TDateTime x)
{
    const auto d = platform::decodeDate(x);
    const int count = d.year * 12 + d.month + n;
    int year = count / 12;
    int month = count % 12;
    if (month == 0) {
        month = 12;
        --year;
    }
    return platform::encodeDate(year, month, std::min(d.day, platform::daysInMonth(year, month)));
}

TDateTime PeriodEndDate(int n, int d, TDateTime x)
{
    if (!((d >= 1 && d <= 28) || d == 99)) {
        QApplication::beep();
        return x;
    }
    const auto day = platform::decodeDate(x).day;
    const bool ownMonth = d == 99 || day <= d;
    const auto end = platform::decodeDate(AddMonths(n + (ownMonth ? 0 : 1), x));
    return platform::encodeDate(end.year, end.month,
                                d == 99 ? platform::daysInMonth(end.year, end.month) : d);
}

int PeriodIndexOf(int d, TDateTime s, TDateTime x)
{
    const int m = monthDifference(PeriodEndDate(0, d, s), PeriodEndDate(0, d, x));
    // A difference of 12 to 14 (a year longer than twelve months) has no cell either.
    if (m < 0 || m > 11)
        return 15;
    return m + m / 3;
}

int PeriodIndexOf12(int d, TDateTime s, TDateTime x)
{
    const int m = monthDifference(PeriodEndDate(0, d, s), PeriodEndDate(0, d, x));
    return m < 0 || m > 11 ? 11 : m;
}

// ---------------------------------------------------------------------------------------------

TxKikanPanelBase::TxKikanPanelBase(int cells, QWidget* parent) : QFrame(parent)
{
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(1);
    setFocusPolicy(Qt::StrongFocus);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, platform::toQColor(platform::clBtnFace));
    setPalette(pal);
    for (int i = 0; i < cells; ++i) {
        auto* c = new QLabel(this);
        c->setObjectName(QStringLiteral("No%1").arg(i + 1));
        c->setProperty("tag", i);
        c->setAlignment(Qt::AlignCenter);
        c->setAutoFillBackground(true);
        c->setFocusPolicy(Qt::NoFocus);
        c->setGeometry(4 + 18 * i, 4, 18, 18);
        c->installEventFilter(this);
        m_cells.push_back(c);
    }
    m_cellRects.resize(std::size_t(cells));
    resize(242, 22);
    snapWidth();
}

TxKikanPanelBase::~TxKikanPanelBase()
{
    for (QLabel* c : m_cells)
        c->removeEventFilter(this);
}

int TxKikanPanelBase::cellIndex(const QObject* cell) const
{
    for (std::size_t i = 0; i < m_cells.size(); ++i)
        if (m_cells[i] == cell)
            return int(i);
    return -1;
}

void TxKikanPanelBase::setStno(int value)
{
    if (value == m_stno)
        return;
    m_stno = value;
    RefreshCells();
}

void TxKikanPanelBase::setEdno(int value)
{
    if (value == m_edno)
        return;
    m_edno = value;
    RefreshCells();
}

void TxKikanPanelBase::setBackColor(TColor color)
{
    if (color == m_backColor)
        return;
    m_backColor = color;
    RefreshCells();
}

void TxKikanPanelBase::setFontColor(TColor color)
{
    if (color == m_fontColor)
        return;
    m_fontColor = color;
    RefreshCells();
}

void TxKikanPanelBase::setKikanMove(bool on)
{
    if (on == m_kikanMove)
        return;
    m_kikanMove = on;
    if (!on)
        setEdno(m_stno);
    RefreshCells();
}

bool TxKikanPanelBase::fixedPeriodColors(int, TColor&, TColor&) const { return false; }

void TxKikanPanelBase::paintCell(int i, TColor back, TColor text)
{
    QLabel* c = m_cells[std::size_t(i)];
    QPalette pal = c->palette();
    pal.setColor(QPalette::Window, platform::toQColor(back));
    pal.setColor(QPalette::WindowText, platform::toQColor(text));
    c->setPalette(pal);
}

void TxKikanPanelBase::paintRange(int a, int b)
{
    const int lo = std::min(a, b);
    const int hi = std::max(a, b);
    for (int i = 0; i < cellCount(); ++i) {
        TColor back = platform::clBtnFace;
        TColor text = platform::clWindowText;
        if (i >= lo && i <= hi) {
            back = m_backColor;
            text = m_fontColor;
        } else {
            fixedPeriodColors(i, back, text);
        }
        paintCell(i, back, text);
    }
    update();
}

void TxKikanPanelBase::RefreshCells()
{
    for (int i = 0; i < cellCount(); ++i) {
        const bool selected = i >= m_stno && i <= m_edno;
        TColor back = platform::clBtnFace;
        TColor text = platform::clWindowText;
        if (isEnabled()) {
            if (selected) {
                back = m_backColor;
                text = m_fontColor;
            } else {
                fixedPeriodColors(i, back, text);
            }
        } else {
            if (selected)
                back = disabledSelectionColor();
            text = platform::clGray;
        }
        paintCell(i, back, text);
    }
    update();
}

void TxKikanPanelBase::snapWidth()
{
    const int n = std::max(1, shownCells());
    const int w = std::max(0, (width() - 8) / n);
    m_cellWidth = w;
    if (n * w + 8 != width()) {
        m_inLayout = true;
        resize(n * w + 8, height());
        m_inLayout = false;
    }
    layoutCells();
}

void TxKikanPanelBase::layoutCells()
{
    const int n = std::max(1, shownCells());
    const int w = m_cellWidth;
    const int h = height() - 6;
    m_cellHeight = h;
    int extra = std::max(0, width() - (n * w + 8));
    int x = 4;
    for (int i = 0; i < cellCount(); ++i) {
        int cw = w;
        if (i < n && extra > 0) {
            ++cw;
            --extra;
        }
        const QRect r(x, 3, cw, h);
        QLabel* c = m_cells[std::size_t(i)];
        c->setGeometry(r);
        // Two-digit months in a narrow cell are drawn a little smaller, so that neighbouring
        // captions stay apart.
        QFont f = font();
        if (f.pixelSize() <= 0 && QFontMetrics(f).horizontalAdvance(c->text()) > cw - 2)
            f.setPixelSize(QFontInfo(f).pixelSize());
        while (f.pixelSize() > 7 && QFontMetrics(f).horizontalAdvance(c->text()) > cw - 2)
            f.setPixelSize(f.pixelSize() - 1);
        c->setFont(f);
        m_cellRects[std::size_t(i)] = r;
        if (i < n)
            x += cw;
    }
    RefreshCells();
}

void TxKikanPanelBase::resizeEvent(QResizeEvent* event)
{
    QFrame::resizeEvent(event);
    if (!m_inLayout)
        snapWidth();
}

void TxKikanPanelBase::changeEvent(QEvent* event)
{
    QFrame::changeEvent(event);
    if (event->type() == QEvent::EnabledChange) {
        RefreshCells();
        repaint();
    } else if (event->type() == QEvent::FontChange) {
        for (QLabel* c : m_cells)
            c->setFont(font());
        RefreshCells();
    }
}

bool TxKikanPanelBase::eventFilter(QObject* watched, QEvent* event)
{
    const int i = cellIndex(watched);
    if (i < 0)
        return QFrame::eventFilter(watched, event);
    QLabel* c = m_cells[std::size_t(i)];
    // A disabled cell takes no mouse input: the press goes on to the picker, which ignores it.
    if (!c->isEnabled())
        return false;
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        auto* me = static_cast<QMouseEvent*>(event);
        const QPoint p = me->position().toPoint();
        CellMouseDown(c, me->button(), me->modifiers(), me->buttons(), p.x(), p.y());
        return true;
    }
    case QEvent::MouseButtonRelease: {
        auto* me = static_cast<QMouseEvent*>(event);
        const QPoint p = me->position().toPoint();
        CellMouseUp(c, me->button(), me->modifiers(), me->buttons() | me->button(), p.x(), p.y());
        return true;
    }
    case QEvent::MouseButtonDblClick:
        CellDblClick(c);
        return true;
    case QEvent::MouseMove: {
        // The move handlers are attached only while the picker has the focus.
        if (!hasFocus())
            return false;
        auto* me = static_cast<QMouseEvent*>(event);
        CellMouseMove(c, me->modifiers(), c->mapTo(this, me->position().toPoint()));
        return true;
    }
    default:
        return false;
    }
}

void TxKikanPanelBase::CellDblClick(QLabel*)
{
    if (OnDblClick)
        OnDblClick(this);
}

void TxKikanPanelBase::CellMouseDown(QLabel* sender, Qt::MouseButton button,
                                     Qt::KeyboardModifiers shift, Qt::MouseButtons buttons, int x,
                                     int y)
{
    if (button == Qt::LeftButton) {
        setFocus(Qt::MouseFocusReason);
        const int i = cellIndex(sender);
        if (i > m_lastUsable) {
            m_anchor = m_stno;
            m_moving = m_edno;
        } else {
            m_anchor = m_moving = i;
            m_dragging = true;
            paintRange(i, i);
        }
    }
    if (OnMouseDown)
        OnMouseDown(this, TKikanMouse{button, buttons, shift, x, y});
}

void TxKikanPanelBase::CellMouseMove(QLabel*, Qt::KeyboardModifiers, QPoint pickerPos)
{
    if (!m_kikanMove || !m_dragging)
        return;
    for (int i = 0; i < cellCount(); ++i) {
        if (m_cells[std::size_t(i)]->isEnabled() && m_cells[std::size_t(i)]->isVisible() &&
            m_cellRects[std::size_t(i)].contains(pickerPos)) {
            m_moving = i;
            paintRange(m_anchor, m_moving);
            return;
        }
    }
}

void TxKikanPanelBase::CellMouseUp(QLabel*, Qt::MouseButton button, Qt::KeyboardModifiers shift,
                                   Qt::MouseButtons buttons, int x, int y)
{
    if (button != Qt::LeftButton)
        return;
    m_dragging = false;
    m_stno = std::min(m_anchor, m_moving);
    m_edno = std::max(m_anchor, m_moving);
    RefreshCells();
    if (OnMouseUp)
        OnMouseUp(this, TKikanMouse{button, buttons, shift, x, y});
}

void TxKikanPanelBase::fireSyntheticMouseUp()
{
    if (OnMouseUp)
        OnMouseUp(this, TKikanMouse{Qt::LeftButton, Qt::LeftButton, Qt::NoModifier, 0, 0});
}

void TxKikanPanelBase::keyMove(bool forward, bool extend)
{
    const int step = forward ? 1 : -1;
    if (extend) {
        if (forward ? m_moving < m_lastUsable : m_moving > m_firstUsable)
            m_moving += step;
        // The pair may stay reversed until Shift is released.
        m_stno = m_anchor;
        m_edno = m_moving;
        paintRange(m_anchor, m_moving);
        return;
    }
    if (forward ? m_anchor < m_lastUsable : m_anchor > m_firstUsable) {
        m_anchor += step;
        m_moving = std::clamp(m_moving + step, m_firstUsable, m_lastUsable);
        paintRange(m_anchor, m_moving);
    }
    m_stno = m_anchor;
    m_edno = m_moving;
}

bool TxKikanPanelBase::event(QEvent* event)
{
    // Left and Right belong to the picker, not to the form's navigation.
    if (event->type() == QEvent::ShortcutOverride) {
        auto* ke = static_cast<QKeyEvent*>(event);
        if (ke->key() == Qt::Key_Left || ke->key() == Qt::Key_Right) {
            event->accept();
            return true;
        }
    }
    return QFrame::event(event);
}

void TxKikanPanelBase::keyPressEvent(QKeyEvent* event)
{
    const auto mods = event->modifiers() & ~Qt::KeypadModifier;
    switch (event->key()) {
    case Qt::Key_Left:
    case Qt::Key_Right:
        m_kbdMouse = true;
        keyMove(event->key() == Qt::Key_Right, m_kikanMove && mods == Qt::ShiftModifier);
        event->accept();
        return;
    case Qt::Key_Up:
        ui::moveFocusFrom(this, false);
        event->accept();
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter: {
        QChar ch(u'\r');
        if (OnKeyPress)
            OnKeyPress(this, ch);
        if (ch == QChar(u'\r')) {
            m_kbdMouse = false;
            fireSyntheticMouseUp();
            ui::moveFocusFrom(this, true);
        }
        event->accept();
        return;
    }
    default:
        break;
    }
    const QString text = event->text();
    if (OnKeyPress && text.size() == 1 && text[0] >= QChar(u' ')) {
        QChar ch = text[0];
        OnKeyPress(this, ch);
    }
    QFrame::keyPressEvent(event);
}

void TxKikanPanelBase::keyReleaseEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Shift) {
        m_stno = std::min(m_anchor, m_moving);
        m_edno = std::max(m_anchor, m_moving);
        RefreshCells();
    }
    QFrame::keyReleaseEvent(event);
}

void TxKikanPanelBase::focusInEvent(QFocusEvent* event)
{
    QFrame::focusInEvent(event);
    m_kbdMouse = false;
    // A grey frame around the cells shows the focus.
    QPalette pal = palette();
    pal.setColor(QPalette::Window, platform::toQColor(platform::clGray));
    setPalette(pal);
    if (OnEnter)
        OnEnter(this);
}

void TxKikanPanelBase::focusOutEvent(QFocusEvent* event)
{
    QFrame::focusOutEvent(event);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, platform::toQColor(platform::clBtnFace));
    setPalette(pal);
    if (m_kbdMouse) {
        fireSyntheticMouseUp();
        m_kbdMouse = false;
    }
    if (OnExit)
        OnExit(this);
}

// ---------------------------------------------------------------------------------------------

TxKikanPanelYear::TxKikanPanelYear(int cells, QWidget* parent) : TxKikanPanelBase(cells, parent)
{
    for (std::size_t i = 0; i < m_periodMap.size(); ++i)
        m_periodMap[i] = int(i);
    m_fiscalStart = firstOfCurrentYear();
    m_fiscalEnd = endOfCurrentYear();
    m_firstDate = m_fiscalStart;
}

bool TxKikanPanelYear::fixedPeriodColors(int i, TColor& back, TColor& text) const
{
    if (!m_kakuteiMode || i >= m_kakuteiMNo)
        return false;
    back = m_kakuteiBack;
    text = m_kakuteiFont;
    return true;
}

void TxKikanPanelYear::setKakuteiMode(bool on)
{
    if (on == m_kakuteiMode)
        return;
    m_kakuteiMode = on;
    RefreshCells();
}

void TxKikanPanelYear::setKakuteiMNo(int count)
{
    if (count == m_kakuteiMNo)
        return;
    m_kakuteiMNo = count;
    RefreshCells();
}

void TxKikanPanelYear::setKakuteiBackColor(TColor color)
{
    if (color == m_kakuteiBack)
        return;
    m_kakuteiBack = color;
    RefreshCells();
}

void TxKikanPanelYear::setKakuteiFontColor(TColor color)
{
    if (color == m_kakuteiFont)
        return;
    m_kakuteiFont = color;
    RefreshCells();
}

// ---------------------------------------------------------------------------------------------

TxKikanPanel16::TxKikanPanel16(QWidget* parent) : TxKikanPanelYear(16, parent)
{
    m_lastNo = 16;
    SetKikan(99, firstOfCurrentYear(), endOfCurrentYear(), firstOfCurrentYear());
}

void TxKikanPanel16::setEdno(int value)
{
    if (value == m_edno)
        return;
    m_edno = std::min(value, m_lastNo);
    RefreshCells();
}

void TxKikanPanel16::setDisabelColor(TColor color)
{
    if (color == m_disabelColor)
        return;
    m_disabelColor = color;
    RefreshCells();
}

void TxKikanPanel16::setKESSAN(bool on)
{
    if (on == m_kessan)
        return;
    m_kessan = on;
    if (!on) {
        if (m_lastUsable >= 0 && m_lastUsable < cellCount()) {
            QLabel* c = cell(m_lastUsable);
            c->setEnabled(false);
            c->clear();
            paintCell(m_lastUsable, platform::clBtnFace, platform::clWindowText);
        }
        --m_lastUsable;
    } else {
        ++m_lastUsable;
        if (m_lastUsable >= 0 && m_lastUsable < cellCount()) {
            cell(m_lastUsable)->setEnabled(true);
            cell(m_lastUsable)->setText(QStringLiteral("決"));
        }
    }
}

int TxKikanPanel16::StMonthNo() const
{
    return m_stno >= 0 && m_stno <= 15 ? m_periodMap[std::size_t(m_stno)] : m_stno;
}

int TxKikanPanel16::EdMonthNo() const
{
    return m_edno >= 0 && m_edno <= 15 ? m_periodMap[std::size_t(m_edno)] : m_edno;
}

void TxKikanPanel16::SetKikan(int ClosingDay, TDateTime FiscalStart, TDateTime FiscalEnd,
                              TDateTime FirstDate)
{
    m_closingDay = ClosingDay;
    m_fiscalStart = FiscalStart;
    m_fiscalEnd = FiscalEnd;
    m_firstDate = FirstDate;

    const int c = PeriodIndexOf(ClosingDay, FiscalStart, FiscalEnd);
    m_lastUsable = m_kessan ? c + 1 : c;
    m_lastNo = c + 1;
    const int u = PeriodIndexOf(ClosingDay, FiscalStart, FirstDate);
    m_firstUsable = u;
    m_stno = u;
    m_edno = m_kikanMove ? m_lastUsable : u;

    for (int i = 0; i < 16; ++i) {
        m_periodMap[std::size_t(i)] = -1;
        QLabel* cl = cell(i);
        cl->setVisible(true);
        cl->setEnabled(i >= u);
        cl->clear();
        if (i < u)
            paintCell(i, platform::clBtnFace, platform::clWindowText);
        else
            paintCell(i, m_backColor, m_fontColor);
    }
    for (int j = 0; j <= m_lastNo && j < 16; ++j) {
        const TDateTime date = PeriodEndDate(j - j / 4, ClosingDay, FiscalStart);
        QString caption;
        if (j == m_lastNo) {
            caption = QStringLiteral("決");
            m_periodMap[std::size_t(j)] = 15;
        } else {
            if (j == 3 || j == 7 || j == 11)
                caption = QStringLiteral("・");
            else if (j == 15)
                caption = QStringLiteral("決");
            else
                caption = QString::number(platform::decodeDate(date).month);
            m_periodMap[std::size_t(j)] = j;
        }
        cell(j)->setText(caption);
    }
    for (int i = m_kessan ? m_lastNo + 1 : m_lastNo; i < 16; ++i) {
        if (i < 0)
            continue;
        cell(i)->setEnabled(false);
        cell(i)->clear();
        paintCell(i, platform::clBtnFace, platform::clWindowText);
    }
    m_anchor = m_stno;
    m_moving = m_edno;
    layoutCells();
}

// ---------------------------------------------------------------------------------------------

TxKikanPanel12::TxKikanPanel12(QWidget* parent) : TxKikanPanelYear(12, parent)
{
    static constexpr int map[12] = {0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14};
    for (int i = 0; i < 12; ++i)
        m_periodMap[std::size_t(i)] = map[i];
    m_lastNo = 11;
    m_lastUsable = 11;
    m_edno = 12;
    SetKikan(99, firstOfCurrentYear(), endOfCurrentYear(), firstOfCurrentYear());
}

int TxKikanPanel12::StMonNo() const
{
    return m_stno >= 0 && m_stno <= 11 ? m_periodMap[std::size_t(m_stno)] : m_stno;
}

int TxKikanPanel12::EdMonNo() const
{
    return m_edno >= 0 && m_edno <= 11 ? m_periodMap[std::size_t(m_edno)] : m_edno;
}

void TxKikanPanel12::SetKikan(int ClosingDay, TDateTime FiscalStart, TDateTime FiscalEnd,
                              TDateTime FirstDate)
{
    m_closingDay = ClosingDay;
    m_fiscalStart = FiscalStart;
    m_fiscalEnd = FiscalEnd;
    m_firstDate = FirstDate;

    const int c = PeriodIndexOf12(ClosingDay, FiscalStart, FiscalEnd);
    m_lastNo = c;
    m_lastUsable = c;
    const int u = PeriodIndexOf12(ClosingDay, FiscalStart, FirstDate);
    m_firstUsable = u;
    m_stno = u;
    m_edno = m_kikanMove ? m_lastUsable : u;
    for (int i = 0; i < 12; ++i) {
        QLabel* cl = cell(i);
        cl->setVisible(true);
        cl->setEnabled(i >= u && i <= c);
        if (i <= c)
            cl->setText(QString::number(
                platform::decodeDate(PeriodEndDate(i, ClosingDay, FiscalStart)).month));
        else
            cl->clear();
        if (i < u || i > c)
            paintCell(i, platform::clBtnFace, platform::clWindowText);
        else
            paintCell(i, m_backColor, m_fontColor);
    }
    m_anchor = m_stno;
    m_moving = m_edno;
    layoutCells();
}

// ---------------------------------------------------------------------------------------------

TxKikanPanel4::TxKikanPanel4(QWidget* parent) : TxKikanPanelBase(4, parent)
{
    resize(80, height());
    m_btnCnt = 0;
    setBtnCnt(4);
}

void TxKikanPanel4::setBtnCnt(int count)
{
    if (count != 2 && count != 4)
        return;
    m_btnCnt = count;
    for (int i = 0; i < 4; ++i) {
        QLabel* c = cell(i);
        if (count == 2 && i < 2)
            c->setText(i == 0 ? QStringLiteral("上") : QStringLiteral("下"));
        else
            c->setText(QString::number(i + 1));
        c->setVisible(i < count);
        c->setEnabled(true);
    }
    m_stno = 0;
    m_edno = count - 1;
    m_firstUsable = 0;
    m_lastUsable = count - 1;
    m_anchor = m_stno;
    m_moving = m_edno;
    snapWidth();
}

int TxKikanPanel4::CellOf(int ClosingDay, TDateTime FiscalStart, TDateTime x) const
{
    const int m = PeriodIndexOf12(ClosingDay, FiscalStart, x);
    return m_btnCnt == 4 ? m / 3 : (m < 6 ? 0 : 1);
}

void TxKikanPanel4::SetKikan(int ClosingDay, TDateTime FiscalStart, TDateTime FiscalEnd,
                             TDateTime FirstDate)
{
    const int first = CellOf(ClosingDay, FiscalStart, FirstDate);
    const int last = CellOf(ClosingDay, FiscalStart, FiscalEnd);
    // The keys stop at the first and the last enabled cell.
    m_firstUsable = first;
    m_lastUsable = last;
    for (int i = 0; i < 4; ++i)
        cell(i)->setEnabled(i >= first && i <= last);
    m_stno = first;
    m_edno = m_kikanMove ? last : first;
    m_anchor = m_stno;
    m_moving = m_edno;
    RefreshCells();
}
