// The period pickers: the date routines, the cells of a fiscal year, mouse and keys, and the
// base dialog's set-up of a picker it carries.
#include "ui/PeriodPanels.h"

#include "platform/Dialog.h"
#include "records/ProgramRecords.h"
#include "support/MessageRecorder.h"
#include "ui/BaseDialog.h"

#include "UiTestSupport.h"

#include <QLabel>
#include <QLineEdit>

#include <string>
#include <vector>

using platform::encodeDate;
using platform::TDateTime;

namespace {

std::string captions(const TxKikanPanelBase& p)
{
    std::string out;
    for (int i = 0; i < p.cellCount(); ++i) {
        if (i)
            out += ",";
        out += p.cell(i)->text().toStdString();
    }
    return out;
}

std::string enabledCells(const TxKikanPanelBase& p)
{
    std::string out;
    for (int i = 0; i < p.cellCount(); ++i)
        out += p.cell(i)->isEnabled() ? '1' : '0';
    return out;
}

QColor fill(const TxKikanPanelBase& p, int i) { return p.cell(i)->palette().color(QPalette::Window); }
QColor ink(const TxKikanPanelBase& p, int i)
{
    return p.cell(i)->palette().color(QPalette::WindowText);
}

// A form with an edit before and after the picker, recording the picker's events.
class PickerForm : public platform::Dialog {
public:
    PickerForm()
    {
        before = new QLineEdit(this);
        before->setObjectName(QStringLiteral("before"));
        before->setGeometry(10, 10, 100, 22);
        picker = new TxKikanPanel16(this);
        picker->setObjectName(QStringLiteral("picker"));
        picker->move(10, 40);
        after = new QLineEdit(this);
        after->setObjectName(QStringLiteral("after"));
        after->setGeometry(10, 70, 100, 22);
        resize(260, 110);
        picker->OnMouseDown = [this](QObject*, const TKikanMouse& m) { downs.push_back(m); };
        picker->OnMouseUp = [this](QObject*, const TKikanMouse& m) { ups.push_back(m); };
        picker->SetKikan(99, encodeDate(2024, 4, 1), encodeDate(2025, 3, 31),
                         encodeDate(2024, 4, 1));
    }
    // Closing the window takes the focus away, which may report a keyboard change.
    ~PickerForm() override { picker->OnMouseDown = picker->OnMouseUp = nullptr; }
    QLineEdit* before;
    TxKikanPanel16* picker;
    QLineEdit* after;
    std::vector<TKikanMouse> downs;
    std::vector<TKikanMouse> ups;
};

} // namespace

TEST(PeriodRoutines, ClosingDatesMonthsAndCells)
{
    // AddMonths: a day beyond the new month's end is cut to its last day.
    EXPECT_EQ(AddMonths(1, encodeDate(2024, 1, 31)), encodeDate(2024, 2, 29));
    EXPECT_EQ(AddMonths(1, encodeDate(2023, 1, 31)), encodeDate(2023, 2, 28));
    EXPECT_EQ(AddMonths(-1, encodeDate(2024, 1, 15)), encodeDate(2023, 12, 15));
    EXPECT_EQ(AddMonths(11, encodeDate(2024, 1, 15)), encodeDate(2024, 12, 15));
    EXPECT_EQ(AddMonths(12, encodeDate(2024, 3, 31)), encodeDate(2025, 3, 31));

    struct Case {
        int n, d;
        TDateTime x, expected;
    };
    const Case ends[] = {
        {0, 99, encodeDate(2024, 2, 10), encodeDate(2024, 2, 29)}, // month end of a leap year
        {1, 99, encodeDate(2023, 1, 31), encodeDate(2023, 2, 28)},
        {0, 20, encodeDate(2024, 4, 20), encodeDate(2024, 4, 20)}, // on the closing day
        {0, 20, encodeDate(2024, 4, 21), encodeDate(2024, 5, 20)}, // after it: next month
        {2, 25, encodeDate(2024, 12, 26), encodeDate(2025, 3, 25)},
        {3, 31, encodeDate(2024, 4, 1), encodeDate(2024, 4, 1)},   // no such closing day
    };
    for (const Case& c : ends)
        EXPECT_EQ(PeriodEndDate(c.n, c.d, c.x), c.expected) << c.n << " " << c.d;

    // Month differences 0-2, 3-5, 6-8, 9-11 skip the quarter settlement cells; the rest is 15.
    const TDateTime start = encodeDate(2024, 4, 1);
    const std::pair<TDateTime, int> cells[] = {
        {encodeDate(2024, 4, 30), 0},  {encodeDate(2024, 6, 1), 2},   {encodeDate(2024, 7, 1), 4},
        {encodeDate(2024, 10, 5), 8},  {encodeDate(2025, 1, 1), 12},  {encodeDate(2025, 3, 31), 14},
        {encodeDate(2024, 3, 31), 15}, {encodeDate(2025, 4, 1), 15},  {encodeDate(2025, 6, 30), 15},
        {encodeDate(2025, 7, 1), 15},
    };
    for (const auto& [date, cell] : cells)
        EXPECT_EQ(PeriodIndexOf(99, start, date), cell) << date;
    EXPECT_EQ(PeriodIndexOf12(99, start, encodeDate(2024, 7, 1)), 3);
    EXPECT_EQ(PeriodIndexOf12(99, start, encodeDate(2025, 4, 1)), 11);
    EXPECT_EQ(PeriodIndexOf12(99, start, encodeDate(2024, 3, 1)), 11);
}

TEST(PeriodPanel16, CellsOfAFiscalYear)
{
    struct Case {
        const char* name;
        int closingDay;
        TDateTime start, end, first;
        bool kessan;
        const char* captions;
        const char* enabled;
        int lastNo, stno, edno, lastUsable;
    };
    const Case cases[] = {
        {"full year", 99, encodeDate(2024, 4, 1), encodeDate(2025, 3, 31), encodeDate(2024, 4, 1),
         true, "4,5,6,・,7,8,9,・,10,11,12,・,1,2,3,決", "1111111111111111", 15, 0, 15, 15},
        {"first date 15 July", 99, encodeDate(2024, 4, 1), encodeDate(2025, 3, 31),
         encodeDate(2024, 7, 15), true, "4,5,6,・,7,8,9,・,10,11,12,・,1,2,3,決",
         "0000111111111111", 15, 4, 15, 15},
        {"closing day 20", 20, encodeDate(2024, 4, 21), encodeDate(2025, 4, 20),
         encodeDate(2024, 4, 21), true, "5,6,7,・,8,9,10,・,11,12,1,・,2,3,4,決",
         "1111111111111111", 15, 0, 15, 15},
        {"six months", 99, encodeDate(2024, 4, 1), encodeDate(2024, 9, 30), encodeDate(2024, 4, 1),
         true, "4,5,6,・,7,8,9,決,,,,,,,,", "1111111100000000", 7, 0, 7, 7},
        {"KESSAN off", 99, encodeDate(2024, 4, 1), encodeDate(2025, 3, 31), encodeDate(2024, 4, 1),
         false, "4,5,6,・,7,8,9,・,10,11,12,・,1,2,3,", "1111111111111110", 15, 0, 14, 14},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TxKikanPanel16 p;
        p.setKESSAN(c.kessan);
        p.SetKikan(c.closingDay, c.start, c.end, c.first);
        EXPECT_EQ(captions(p), c.captions);
        EXPECT_EQ(enabledCells(p), c.enabled);
        EXPECT_EQ(p.LastNo(), c.lastNo);
        EXPECT_EQ(p.Stno(), c.stno);
        EXPECT_EQ(p.Edno(), c.edno);
        EXPECT_EQ(p.LastUsableCell(), c.lastUsable);
    }

    // The settlement cell of a short year stands for period 15; Edno is clamped to LastNo.
    TxKikanPanel16 p;
    p.SetKikan(99, encodeDate(2024, 4, 1), encodeDate(2024, 9, 30), encodeDate(2024, 4, 1));
    EXPECT_EQ(p.periodOf(7), 15);
    EXPECT_EQ(p.periodOf(8), -1);
    p.setEdno(20);
    EXPECT_EQ(p.Edno(), 7);
    EXPECT_EQ(p.EdMonthNo(), 15);
    p.setStno(-3);
    EXPECT_EQ(p.StMonthNo(), -3);

    // The picker snaps its width to 16 cells and places them 3 pixels from the top.
    EXPECT_EQ(p.width(), 16 * 14 + 8);
    EXPECT_EQ(p.cell(1)->geometry(), QRect(18, 3, 14, 16));
}

TEST(PeriodPanel16, DisabledAndFixedPeriodColours)
{
    TxKikanPanel16 p;
    p.SetKikan(99, encodeDate(2024, 4, 1), encodeDate(2025, 3, 31), encodeDate(2024, 4, 1));
    p.setStno(0);
    p.setEdno(2);
    p.setEnabled(false);
    for (int i = 0; i < 16; ++i) {
        EXPECT_EQ(fill(p, i), platform::toQColor(i <= 2 ? platform::clSilver : platform::clBtnFace))
            << i;
        EXPECT_EQ(ink(p, i), platform::toQColor(platform::clGray)) << i;
    }
    p.setEnabled(true);
    p.setKakuteiMode(true);
    p.setKakuteiMNo(5);
    EXPECT_EQ(fill(p, 1), platform::toQColor(platform::clNavy));       // selected wins
    EXPECT_EQ(fill(p, 4), QColor(255, 128, 64));                         // fixed
    EXPECT_EQ(ink(p, 4), platform::toQColor(platform::clWhite));
    EXPECT_EQ(fill(p, 5), platform::toQColor(platform::clBtnFace));    // neither
}

TEST(PeriodPanel16, MouseAndKeys)
{
    testsupport::MessageRecorder messages;
    PickerForm form;
    uitest::showActive(form);
    TxKikanPanel16& p = *form.picker;

    // A right click reports the press only and changes nothing.
    QTest::mouseClick(p.cell(6), Qt::RightButton);
    EXPECT_EQ(form.downs.size(), 1u);
    EXPECT_EQ(form.ups.size(), 0u);
    EXPECT_EQ(p.Stno(), 0);
    EXPECT_EQ(p.Edno(), 15);

    // A left click on cell 2, then Shift+Right three times.
    QTest::mouseClick(p.cell(2), Qt::LeftButton);
    ASSERT_EQ(form.ups.size(), 1u);
    EXPECT_EQ(p.Stno(), 2);
    EXPECT_EQ(p.Edno(), 2);
    EXPECT_EQ(uitest::focusName(), "picker");
    for (int i = 0; i < 3; ++i)
        QTest::keyClick(&p, Qt::Key_Right, Qt::ShiftModifier);
    EXPECT_EQ(p.Stno(), 2);
    EXPECT_EQ(p.Edno(), 5);
    EXPECT_TRUE(p.KBDMOUSE());
    EXPECT_EQ(form.ups.size(), 1u);
    EXPECT_EQ(fill(p, 5), platform::toQColor(platform::clNavy));
    EXPECT_EQ(fill(p, 6), platform::toQColor(platform::clBtnFace));

    // Enter reports the choice as a left-button mouse-up at 0, 0 and moves on.
    QTest::keyClick(&p, Qt::Key_Return);
    ASSERT_EQ(form.ups.size(), 2u);
    EXPECT_EQ(form.ups[1].Button, Qt::LeftButton);
    EXPECT_EQ(form.ups[1].X, 0);
    EXPECT_EQ(form.ups[1].Y, 0);
    EXPECT_FALSE(p.KBDMOUSE());
    EXPECT_EQ(uitest::focusName(), "after");

    // Leaving after a keyboard change reports it too; Up goes to the previous control.
    p.setFocus();
    QTest::keyClick(&p, Qt::Key_Left);
    EXPECT_EQ(p.Stno(), 1);
    EXPECT_EQ(p.Edno(), 4);
    QTest::keyClick(&p, Qt::Key_Up);
    EXPECT_EQ(uitest::focusName(), "before");
    EXPECT_EQ(form.ups.size(), 3u);

    // A drag from cell 3 to cell 9 selects the run.
    QTest::mousePress(p.cell(3), Qt::LeftButton);
    QTest::mouseMove(p.cell(9), QPoint(5, 5));
    QTest::mouseRelease(p.cell(3), Qt::LeftButton, {}, p.cell(3)->mapFrom(&p, p.cell(9)->geometry().center()));
    EXPECT_EQ(p.Stno(), 3);
    EXPECT_EQ(p.Edno(), 9);
    uitest::saveShot(p, "PeriodPanel16");
    uitest::shotOnFailure(form);
}

TEST(PeriodPanel16, OnePeriodAndDisabledCells)
{
    testsupport::MessageRecorder messages;
    PickerForm form;
    form.picker->SetKikan(99, encodeDate(2024, 4, 1), encodeDate(2025, 3, 31),
                          encodeDate(2024, 7, 15));
    uitest::showActive(form);
    TxKikanPanel16& p = *form.picker;

    // Cells before the first usable one take no click.
    QTest::mouseClick(p.cell(1), Qt::LeftButton);
    EXPECT_TRUE(form.downs.empty());
    EXPECT_EQ(p.Stno(), 4);

    p.setKikanMove(false);
    EXPECT_EQ(p.Edno(), 4);
    QTest::mousePress(p.cell(6), Qt::LeftButton);
    QTest::mouseMove(p.cell(9), QPoint(5, 5));
    QTest::mouseRelease(p.cell(6), Qt::LeftButton);
    EXPECT_EQ(p.Stno(), 6);
    EXPECT_EQ(p.Edno(), 6);
    QTest::keyClick(&p, Qt::Key_Right, Qt::ShiftModifier);
    EXPECT_EQ(p.Stno(), 7);
    EXPECT_EQ(p.Edno(), 7);
    // Left stops at the first usable cell.
    for (int i = 0; i < 6; ++i)
        QTest::keyClick(&p, Qt::Key_Left);
    EXPECT_EQ(p.Stno(), 4);
    EXPECT_EQ(p.Edno(), 4);
    uitest::shotOnFailure(form);
}

TEST(PeriodPanelSiblings, TwelveAndFourCells)
{
    TxKikanPanel12 p12;
    p12.SetKikan(99, encodeDate(2024, 4, 1), encodeDate(2025, 3, 31), encodeDate(2024, 4, 1));
    EXPECT_EQ(captions(p12), "4,5,6,7,8,9,10,11,12,1,2,3");
    const int map[] = {0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14};
    for (int i = 0; i < 12; ++i)
        EXPECT_EQ(p12.periodOf(i), map[i]);
    EXPECT_EQ(p12.LastNo(), 11);
    p12.setStno(3);
    p12.setEdno(20); // not clamped
    EXPECT_EQ(p12.StMonNo(), 4);
    EXPECT_EQ(p12.Edno(), 20);
    EXPECT_EQ(p12.width(), 12 * 19 + 8);
    uitest::saveShot(p12, "PeriodPanel12");

    TxKikanPanel4 p4;
    EXPECT_EQ(captions(p4), "1,2,3,4");
    EXPECT_EQ(p4.width(), 4 * 18 + 8);
    p4.SetKikan(99, encodeDate(2024, 4, 1), encodeDate(2025, 3, 31), encodeDate(2024, 8, 1));
    EXPECT_EQ(enabledCells(p4), "0111");
    EXPECT_EQ(p4.Stno(), 1);
    EXPECT_EQ(p4.Edno(), 3);
    EXPECT_EQ(p4.FirstUsableCell(), 1);
    EXPECT_EQ(p4.LastUsableCell(), 3);
    uitest::saveShot(p4, "PeriodPanel4");
    p4.setBtnCnt(3); // refused
    EXPECT_EQ(p4.BtnCnt(), 4);
    p4.setBtnCnt(2);
    EXPECT_EQ(captions(p4), "上,下,3,4");
    EXPECT_TRUE(p4.cell(2)->isHidden());
    EXPECT_TRUE(p4.cell(3)->isHidden());
    EXPECT_EQ(p4.Stno(), 0);
    EXPECT_EQ(p4.Edno(), 1);
    uitest::saveShot(p4, "PeriodPanel2");
}

TEST(PeriodPanelSiblings, TheFourCellKeysStopAtTheEnabledCells)
{
    testsupport::MessageRecorder messages;
    platform::Dialog form;
    auto* p4 = new TxKikanPanel4(&form);
    p4->SetKikan(99, encodeDate(2024, 4, 1), encodeDate(2024, 12, 31), encodeDate(2024, 7, 1));
    form.resize(120, 40);
    uitest::showActive(form);
    p4->setFocus();
    EXPECT_EQ(enabledCells(*p4), "0110");
    QTest::keyClick(p4, Qt::Key_Left); // moves the run 1..2 back: blocked at cell 1
    EXPECT_EQ(p4->Stno(), 1);
    QTest::keyClick(p4, Qt::Key_Right);
    QTest::keyClick(p4, Qt::Key_Right);
    EXPECT_EQ(p4->Stno(), 2);
    EXPECT_EQ(p4->Edno(), 2);
}

namespace {

class PickerBox : public TBSDI {
public:
    PickerBox() : TBSDI(Border::Fixed)
    {
        setObjectName(QStringLiteral("PickerBox"));
        setWindowTitle(QStringLiteral("期間"));
        KeepOnClose = 1;
        p16 = new TxKikanPanel16(this);
        p16->setObjectName(QStringLiteral("KikanPanel16"));
        p16->move(10, 10);
        p12 = new TxKikanPanel12(this);
        p12->setObjectName(QStringLiteral("KikanPanel12"));
        p12->move(10, 40);
        p4 = new TxKikanPanel4(this);
        p4->setObjectName(QStringLiteral("KikanPanel4"));
        p4->move(10, 70);
        p2 = new TxKikanPanel4(this);
        p2->setBtnCnt(2);
        p2->setObjectName(QStringLiteral("KikanPanel2"));
        p2->move(100, 70);
        resize(270, 110);
        Initialized = 1;
    }
    TxKikanPanel16* p16;
    TxKikanPanel12* p12;
    TxKikanPanel4* p4;
    TxKikanPanel4* p2;
};

} // namespace

TEST(PeriodPanelSetUp, TheBaseDialogGivesThePickersTheCompanysYear)
{
    records::resetProgramState();
    AccInf.SIME = 99;
    AccInf.KISHU = encodeDate(2024, 4, 1);
    AccInf.KIMATU = encodeDate(2025, 3, 31);
    AccInf.KAISI = encodeDate(2024, 4, 1);
    AccInf.KAISINO = 4;
    testsupport::MessageRecorder messages;
    PickerBox box;
    box.SetUpPeriodPanels();
    EXPECT_EQ(box.p16->Stno(), 4);
    EXPECT_EQ(box.p16->Edno(), 15);
    EXPECT_EQ(box.FirstPeriodSlot, 4);
    EXPECT_EQ(captions(*box.p16), "4,5,6,・,7,8,9,・,10,11,12,・,1,2,3,決");
    EXPECT_EQ(box.p12->Stno(), 3);
    EXPECT_EQ(box.p12->Edno(), 11);
    EXPECT_EQ(box.p4->Stno(), 1);
    EXPECT_EQ(box.p4->Edno(), 3);
    EXPECT_EQ(box.p2->Stno(), 0);
    EXPECT_EQ(box.p2->Edno(), 1);

    // Month 10 is slot 12; a picker that takes one period ends where it starts.
    AccInf.KAISINO = 10;
    box.p16->setKikanMove(false);
    box.SetUpPeriodPanels();
    EXPECT_EQ(box.p16->Stno(), 12);
    EXPECT_EQ(box.p16->Edno(), 12);
    EXPECT_EQ(box.FirstPeriodSlot, 12);
    AccInf.KAISINO = 13;
    box.SetUpPeriodPanels();
    EXPECT_EQ(box.FirstPeriodSlot, 0);

    // A subclass that does not call it gets it at the first show.
    AccInf.KAISINO = 7;
    PickerBox shown;
    uitest::showActive(shown);
    EXPECT_EQ(shown.p16->Stno(), 8);
    EXPECT_EQ(shown.p16->Edno(), 15);
    uitest::saveShot(shown, "PeriodPanelsOnBaseDialog");
    shown.close();
}
