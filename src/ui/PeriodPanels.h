#pragma once

// The period pickers: strips of small cells on which the user picks one accounting period or a
// run of consecutive periods. TxKikanPanel16 has the 16 cells of the 16-period scheme (three
// months and the quarter's settlement period, four times over), TxKikanPanel12 one cell per
// month, TxKikanPanel4 four quarter cells or two half-year cells.

#include "platform/Colors.h"
#include "platform/CoreTypes.h"

#include <QFrame>
#include <QRect>

#include <array>
#include <functional>
#include <vector>

class QLabel;

// The closing date of the period n months after the one that date x belongs to (closing day d:
// 1 to 28, or 99 for the month end). Any other closing day beeps and gives x back.
platform::TDateTime PeriodEndDate(int n, int d, platform::TDateTime x);
// x plus n months; a day beyond the new month's end becomes its last day.
platform::TDateTime AddMonths(int n, platform::TDateTime x);
// The 16-period cell of date x in the fiscal year starting at s: the months skip the quarter
// settlement cells 3, 7 and 11; anything outside the year gives 15.
int PeriodIndexOf(int d, platform::TDateTime s, platform::TDateTime x);
// The month cell of the 12-cell picker (0 to 11; outside the year 11).
int PeriodIndexOf12(int d, platform::TDateTime s, platform::TDateTime x);

// The mouse event that the pickers pass to their host. The synthetic mouse-up (Enter, or leaving
// the picker after a keyboard change) is the left button with X = Y = 0.
struct TKikanMouse {
    Qt::MouseButton Button = Qt::LeftButton;
    Qt::MouseButtons Buttons;        // buttons held: the toolkit's ssLeft and friends
    Qt::KeyboardModifiers Shift;
    int X = 0;
    int Y = 0;
};

// The cell mechanics that the three pickers share: cell panels named "No1".., a selection made
// by mouse (click or drag) or keyboard (Left/Right, with Shift a run), the focus frame and the
// host events. Nothing here runs pending events: the host sees the state at once.
class TxKikanPanelBase : public QFrame {
    Q_OBJECT
public:
    using MouseHook = std::function<void(QObject* sender, const TKikanMouse& mouse)>;
    using NotifyHook = std::function<void(QObject* sender)>;
    using KeyPressHook = std::function<void(QObject* sender, QChar& key)>;

    ~TxKikanPanelBase() override;

    int Stno() const { return m_stno; }
    // No bound check.
    void setStno(int value);
    int Edno() const { return m_edno; }
    virtual void setEdno(int value);
    platform::TColor BackColor() const { return m_backColor; }
    void setBackColor(platform::TColor color);
    platform::TColor FontColor() const { return m_fontColor; }
    void setFontColor(platform::TColor color);
    bool KikanMove() const { return m_kikanMove; }
    void setKikanMove(bool on);
    bool KBDMOUSE() const { return m_kbdMouse; }
    void setKBDMOUSE(bool on) { m_kbdMouse = on; }

    // The first and the last cell the selection may reach.
    int FirstUsableCell() const { return m_firstUsable; }
    int LastUsableCell() const { return m_lastUsable; }
    QLabel* cell(int i) const { return m_cells.at(std::size_t(i)); }
    int cellCount() const { return int(m_cells.size()); }

    virtual void CellDblClick(QLabel* sender);
    virtual void CellMouseDown(QLabel* sender, Qt::MouseButton button, Qt::KeyboardModifiers shift,
                               Qt::MouseButtons buttons, int x, int y);
    virtual void CellMouseMove(QLabel* sender, Qt::KeyboardModifiers shift, QPoint pickerPos);
    virtual void CellMouseUp(QLabel* sender, Qt::MouseButton button, Qt::KeyboardModifiers shift,
                             Qt::MouseButtons buttons, int x, int y);
    // Recolours all cells from Stno, Edno, the enabled state and the fixed periods.
    virtual void RefreshCells();

    // The host's events.
    MouseHook OnMouseDown;
    MouseHook OnMouseUp;
    NotifyHook OnDblClick;
    KeyPressHook OnKeyPress;
    NotifyHook OnEnter;
    NotifyHook OnExit;

protected:
    TxKikanPanelBase(int cells, QWidget* parent);

    // How many cells are laid out (the 4-cell picker may show only two).
    virtual int shownCells() const { return cellCount(); }
    // The fill of selected cells while the picker is disabled.
    virtual platform::TColor disabledSelectionColor() const { return platform::clSilver; }
    // Fixed (closed) periods: the colours of cell i when it is one, else false.
    virtual bool fixedPeriodColors(int i, platform::TColor& back, platform::TColor& text) const;

    void paintCell(int i, platform::TColor back, platform::TColor text);
    // Paints the cells between a and b (either order) selected and the others unselected.
    void paintRange(int a, int b);
    void layoutCells();
    // The picker's width on a resize: shown cells × w + 8.
    void snapWidth();
    void fireSyntheticMouseUp();

    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    bool event(QEvent* event) override;

    std::vector<QLabel*> m_cells;
    std::vector<QRect> m_cellRects;
    bool m_dragging = false;
    int m_anchor = 0;
    int m_moving = 0;
    int m_cellWidth = 18;
    int m_cellHeight = 18;
    int m_stno = 1;
    int m_edno = 16;
    int m_firstUsable = 0;
    int m_lastUsable = 16;
    platform::TColor m_backColor = platform::clNavy;
    platform::TColor m_fontColor = platform::clWhite;
    bool m_kikanMove = true;
    bool m_kbdMouse = false;
    bool m_inLayout = false;

private:
    void keyMove(bool forward, bool extend);
    int cellIndex(const QObject* cell) const;
};

// The periods that the 16- and 12-cell pickers share: the fiscal year and the fixed periods.
class TxKikanPanelYear : public TxKikanPanelBase {
    Q_OBJECT
public:
    bool KakuteiMode() const { return m_kakuteiMode; }
    void setKakuteiMode(bool on);
    int KakuteiMNo() const { return m_kakuteiMNo; }
    void setKakuteiMNo(int count);
    platform::TColor KakuteiBackColor() const { return m_kakuteiBack; }
    void setKakuteiBackColor(platform::TColor color);
    platform::TColor KakuteiFontColor() const { return m_kakuteiFont; }
    void setKakuteiFontColor(platform::TColor color);
    int LastNo() const { return m_lastNo; }
    int closingDay() const { return m_closingDay; }
    // The period number of each cell (-1 beyond the year).
    int periodOf(int cell) const { return m_periodMap.at(std::size_t(cell)); }

    // Builds the cells for a fiscal year (closing day, start, end, first selectable date).
    virtual void SetKikan(int ClosingDay, platform::TDateTime FiscalStart,
                          platform::TDateTime FiscalEnd, platform::TDateTime FirstDate) = 0;

protected:
    TxKikanPanelYear(int cells, QWidget* parent);
    bool fixedPeriodColors(int i, platform::TColor& back, platform::TColor& text) const override;

    std::array<int, 16> m_periodMap{};
    int m_lastNo = 16;
    int m_closingDay = 99;
    platform::TDateTime m_fiscalStart = 0;
    platform::TDateTime m_fiscalEnd = 0;
    platform::TDateTime m_firstDate = 0;
    bool m_kakuteiMode = false;
    int m_kakuteiMNo = 0;
    platform::TColor m_kakuteiBack = 4227327;
    platform::TColor m_kakuteiFont = platform::clWhite;
};

class TxKikanPanel16 : public TxKikanPanelYear {
    Q_OBJECT
public:
    explicit TxKikanPanel16(QWidget* parent = nullptr);

    // Clamped to LastNo.
    void setEdno(int value) override;
    platform::TColor DisabelColor() const { return m_disabelColor; }
    void setDisabelColor(platform::TColor color);
    bool KESSAN() const { return m_kessan; }
    void setKESSAN(bool on);
    // The period numbers of Stno and Edno (an index outside 0 to 15 comes back unchanged).
    int StMonthNo() const;
    int EdMonthNo() const;

    void SetKikan(int ClosingDay, platform::TDateTime FiscalStart, platform::TDateTime FiscalEnd,
                  platform::TDateTime FirstDate) override;

protected:
    platform::TColor disabledSelectionColor() const override { return m_disabelColor; }

private:
    platform::TColor m_disabelColor = platform::clSilver;
    bool m_kessan = true;
};

class TxKikanPanel12 : public TxKikanPanelYear {
    Q_OBJECT
public:
    explicit TxKikanPanel12(QWidget* parent = nullptr);

    // The fixed period numbers of Stno and Edno (cells 0 to 11 stand for 0, 1, 2, 4, 5, 6, ...).
    int StMonNo() const;
    int EdMonNo() const;

    void SetKikan(int ClosingDay, platform::TDateTime FiscalStart, platform::TDateTime FiscalEnd,
                  platform::TDateTime FirstDate) override;
};

class TxKikanPanel4 : public TxKikanPanelBase {
    Q_OBJECT
public:
    explicit TxKikanPanel4(QWidget* parent = nullptr);

    // 4 quarter cells ("1" to "4") or 2 half-year cells ("上", "下"); any other value is refused.
    int BtnCnt() const { return m_btnCnt; }
    void setBtnCnt(int count);

    // Enables the quarters (halves) from that of the first selectable date to that of the
    // fiscal end and selects them (only the first without KikanMove).
    void SetKikan(int ClosingDay, platform::TDateTime FiscalStart, platform::TDateTime FiscalEnd,
                  platform::TDateTime FirstDate);
    // The quarter (half) cell of a date.
    int CellOf(int ClosingDay, platform::TDateTime FiscalStart, platform::TDateTime x) const;

protected:
    int shownCells() const override { return m_btnCnt; }

private:
    int m_btnCnt = 4;
};
