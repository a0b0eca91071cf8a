// The checked combo box: what it shows for the ticked set, the list's rows and place, and the
// click on the picture while the list is open.
#include "ui/CheckedComboBox.h"

#include "platform/Colors.h"
#include "platform/Dialog.h"
#include "support/MessageRecorder.h"

#include "UiTestSupport.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QScreen>

namespace {

class ComboForm : public platform::Dialog {
public:
    ComboForm()
    {
        combo = new TxCheckedComboBox(this);
        combo->setObjectName(QStringLiteral("combo"));
        combo->move(10, 10);
        combo->resize(160, 20);
        next = new QLineEdit(this);
        next->setObjectName(QStringLiteral("next"));
        next->setGeometry(10, 50, 100, 22);
        resize(200, 90);
        combo->OnChange = [this](QObject*) { events.push_back("change"); };
        combo->OnClickCheck = [this](QObject*) { events.push_back("check"); };
        combo->OnCloseUp = [this](QObject*) { events.push_back("closeup"); };
        combo->OnClick = [this](QObject*) { events.push_back("click"); };
    }
    TxCheckedComboBox* combo;
    QLineEdit* next;
    std::vector<std::string> events;
};

void tick(TxCheckedComboBox& c, int row, bool on = true)
{
    c.list()->item(row)->setCheckState(on ? Qt::Checked : Qt::Unchecked);
}

std::string shown(const TxCheckedComboBox& c) { return c.textPanel()->text().toStdString(); }

} // namespace

TEST(CheckedComboBox, WhatTheBoxShows)
{
    const QStringList abc{QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")};
    struct Step {
        int row;
        bool on;
        const char* expected;
    };
    struct Case {
        const char* name;
        TCHBDispStyle style;
        bool multi, sortDisplay;
        std::vector<Step> steps;
    };
    const Case cases[] = {
        {"count", dsKensu, true, false,
         {{1, true, "B"}, {2, true, "2件選択"}, {1, false, "C"}, {2, false, "未選択"}}},
        {"one only", dsKensu, false, false, {{0, true, "A"}, {2, true, "C"}}},
        {"items in tick order", dsItems, true, false, {{2, true, "C"}, {0, true, "C,A"}}},
        {"items sorted", dsItems, true, true, {{2, true, "C"}, {0, true, "A,C"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TxCheckedComboBox box;
        box.setItems(abc);
        box.setDispStyle(c.style);
        box.setMultiSelect(c.multi);
        box.setSortDisplay(c.sortDisplay);
        EXPECT_EQ(shown(box), "未選択");
        for (const Step& s : c.steps) {
            tick(box, s.row, s.on);
            EXPECT_EQ(shown(box), s.expected);
        }
        EXPECT_EQ(box.selectAllAction()->isEnabled(), c.multi);
    }

    // Only C stays ticked when one item may be ticked.
    TxCheckedComboBox one;
    one.setItems(abc);
    one.setMultiSelect(false);
    tick(one, 0);
    tick(one, 2);
    EXPECT_EQ(one.list()->item(0)->checkState(), Qt::Unchecked);
    EXPECT_EQ(one.TickedItems(), QStringList{QStringLiteral("C")});

    // Items holding commas, blanks and quotes stay apart.
    TxCheckedComboBox odd;
    odd.setDispStyle(dsItems);
    odd.setSortDisplay(true);
    odd.setItems({QStringLiteral("a,b"), QStringLiteral("a"), QStringLiteral("x \"y\""),
                  QStringLiteral("b")});
    tick(odd, 3);
    tick(odd, 0);
    tick(odd, 2);
    EXPECT_EQ(shown(odd), "a,b,x \"y\",b");
    tick(odd, 0, false);
    EXPECT_EQ(odd.TickedItems(), (QStringList{QStringLiteral("b"), QStringLiteral("x \"y\"")}));
    EXPECT_EQ(shown(odd), "x \"y\",b");

    // A format of the user's own takes the count and nothing else.
    TxCheckedComboBox fmt;
    fmt.setItems(abc);
    fmt.setKensuValueFormat(QStringLiteral("%s %d 件 %n"));
    tick(fmt, 0);
    tick(fmt, 1);
    EXPECT_EQ(shown(fmt), "%s 2 件 %n");
}

TEST(CheckedComboBox, TickAllClearAllAndNewItems)
{
    ComboForm form;
    TxCheckedComboBox& c = *form.combo;
    c.setItems({QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")});
    tick(c, 1);
    EXPECT_EQ(form.events, (std::vector<std::string>{"change", "check"}));
    c.selectAllAction()->trigger();
    EXPECT_EQ(c.TickedCount(), 3);
    EXPECT_EQ(shown(c), "3件選択");
    c.deselectAllAction()->trigger();
    EXPECT_EQ(shown(c), "未選択");
    EXPECT_EQ(form.events.size(), 4u);
    tick(c, 0);
    tick(c, 2);
    c.setItems({QStringLiteral("X"), QStringLiteral("Y")});
    EXPECT_EQ(c.TickedCount(), 0);
    EXPECT_EQ(shown(c), "未選択");
    // DropDownLines outside 1 to 20 is refused.
    c.setDropDownLines(0);
    c.setDropDownLines(21);
    EXPECT_EQ(c.DropDownLines(), 15);
}

TEST(CheckedComboBox, TheListOpensClosesAndFindsItsPlace)
{
    testsupport::MessageRecorder messages;
    ComboForm form;
    TxCheckedComboBox& c = *form.combo;
    QStringList thirty;
    for (int i = 1; i <= 30; ++i)
        thirty << QStringLiteral("項目%1").arg(i);
    c.setItems(thirty);
    uitest::showActive(form);

    EXPECT_EQ(c.dropDownRows(), 15);
    c.setColumns(4);
    EXPECT_EQ(c.dropDownRows(), 8);
    c.setColumns(0);

    // F4 opens the list under the control; the picture is pressed meanwhile.
    c.setFocus();
    QTest::keyClick(&c, Qt::Key_F4);
    ASSERT_TRUE(c.isListOpen());
    EXPECT_EQ(c.picture()->state(), checkedcombo::ArrowButton::Press);
    const int itemHeight = c.list()->sizeHintForRow(0);
    EXPECT_EQ(c.dropDown()->geometry(),
              QRect(c.mapToGlobal(QPoint(0, c.height())), QSize(160, 15 * itemHeight + 4)));
    uitest::saveShot(*c.dropDown(), "CheckedComboBoxList");

    // A click on the picture while the list is open closes it and does not reopen it.
    QTest::mouseClick(c.picture(), Qt::LeftButton);
    EXPECT_FALSE(c.isListOpen());
    EXPECT_EQ(c.picture()->state(), checkedcombo::ArrowButton::Normal);
    QTest::mouseClick(c.picture(), Qt::LeftButton);
    EXPECT_TRUE(c.isListOpen());

    // Enter in the list closes it and moves on.
    QTest::keyClick(c.list(), Qt::Key_Return);
    EXPECT_FALSE(c.isListOpen());
    EXPECT_EQ(uitest::focusName(), "next");
    EXPECT_EQ(std::count(form.events.begin(), form.events.end(), "closeup"), 2);
    EXPECT_EQ(std::count(form.events.begin(), form.events.end(), "click"), 2);

    // Near the bottom of the screen the list opens above the control.
    const QRect screen = form.screen()->geometry();
    form.move(0, screen.bottom() - 120);
    c.ButtonClick();
    ASSERT_TRUE(c.isListOpen());
    EXPECT_EQ(c.dropDown()->geometry().bottom() + 1, c.mapToGlobal(QPoint(0, 0)).y());
    QTest::keyClick(c.list(), Qt::Key_Escape);
    EXPECT_FALSE(c.isListOpen());
    uitest::shotOnFailure(form);
}

TEST(CheckedComboBox, Screenshot)
{
    testsupport::MessageRecorder messages;
    ComboForm form;
    TxCheckedComboBox& c = *form.combo;
    c.setItems({QStringLiteral("決算書"), QStringLiteral("勘定科目内訳書"), QStringLiteral("申告書")});
    tick(c, 0);
    tick(c, 2);
    uitest::showActive(form);
    form.next->setFocus();
    uitest::saveShot(form, "CheckedComboBox");
    EXPECT_EQ(shown(c), "2件選択");
    // Focus turns the text panel to the highlight colour.
    c.setFocus();
    EXPECT_EQ(c.textPanel()->palette().color(QPalette::Window),
              platform::toQColor(platform::clHighlight));
}
