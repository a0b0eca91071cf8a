#include "platform/Dialog.h"
#include "ui/KeyCheckBox.h"
#include "ui/KeyComboBox.h"
#include "ui/KeyEdit.h"
#include "ui/KeyRadioButton.h"

#include "UiTestSupport.h"

#include <QClipboard>
#include <QContextMenuEvent>
#include <QInputMethodEvent>
#include <QAbstractItemView>
#include <QLineEdit>

using uitest::focusName;

namespace {

// A form of the keyboard controls in tab order: edit A, check box B, edit C, combo D, radio E.
class Form : public platform::Dialog {
public:
    Form()
    {
        setObjectName(QStringLiteral("Form"));
        a = new TxEdit(this);
        a->setObjectName(QStringLiteral("A"));
        a->setGeometry(10, 10, 120, 22);
        b = new TxCheckBox(QStringLiteral("B"), this);
        b->setObjectName(QStringLiteral("B"));
        b->setGeometry(10, 40, 120, 22);
        c = new TxEdit(this);
        c->setObjectName(QStringLiteral("C"));
        c->setGeometry(10, 70, 120, 22);
        d = new TxComboBox(this);
        d->setObjectName(QStringLiteral("D"));
        d->setGeometry(10, 100, 120, 22);
        d->addItems({QStringLiteral("100:Cash"), QStringLiteral("110:Bank"),
                     QStringLiteral("200:Sales")});
        e = new TxRadioButton(QStringLiteral("E"), this);
        e->setObjectName(QStringLiteral("E"));
        e->setGeometry(10, 130, 120, 22);
        resize(200, 170);
    }
    TxEdit* a;
    TxCheckBox* b;
    TxEdit* c;
    TxComboBox* d;
    TxRadioButton* e;
};

constexpr TKeyStyles kAll{ksEnter, ksLeft, ksUp, ksRight, ksDown};

struct EditSetup {
    TKeyStyles cStyles = kDefaultKeyStyles;
    QString cText;
    int selStart = -1; // -1: select all; else caret position, no selection
};

class KeyControls : public ::testing::Test {
protected:
    void SetUp() override { uitest::showActive(form); }
    void TearDown() override { uitest::shotOnFailure(form); }

    void focus(QWidget* w)
    {
        w->setFocus(Qt::TabFocusReason);
        ASSERT_EQ(QApplication::focusWidget(), w);
    }
    void key(Qt::Key k, Qt::KeyboardModifiers m = Qt::NoModifier)
    {
        QTest::keyClick(QApplication::focusWidget(), k, m);
    }

    Form form;
};

} // namespace

TEST_F(KeyControls, KeysMoveTheFocusAsTheStylesSay)
{
    struct Case {
        const char* name;
        const char* from;
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        EditSetup setup;
        const char* to;
    };
    const EditSetup all{kAll, QStringLiteral("ABC"), -1};
    const Case cases[] = {
        // Check box, default styles [ksEnter, ksUp].
        {"check Enter", "B", Qt::Key_Return, Qt::NoModifier, {}, "C"},
        {"check keypad Enter", "B", Qt::Key_Enter, Qt::KeypadModifier, {}, "C"},
        {"check Up", "B", Qt::Key_Up, Qt::NoModifier, {}, "A"},
        {"check Shift+Up claimed, no move", "B", Qt::Key_Up, Qt::ShiftModifier, {}, "B"},
        {"check Down, the form's own navigation", "B", Qt::Key_Down, Qt::NoModifier, {}, "C"},
        {"check Left, the form's own navigation", "B", Qt::Key_Left, Qt::NoModifier, {}, "A"},
        // Edit, default styles.
        {"edit Enter", "A", Qt::Key_Return, Qt::NoModifier, {}, "B"},
        {"edit Up wraps to the last control", "A", Qt::Key_Up, Qt::NoModifier, {}, "E"},
        {"edit Ctrl+Up", "C", Qt::Key_Up, Qt::ControlModifier, {}, "C"},
        // Edit with every style: the edge-of-text rule.
        {"edit all selected, Right", "C", Qt::Key_Right, Qt::NoModifier, all, "D"},
        {"edit all selected, Left", "C", Qt::Key_Left, Qt::NoModifier, all, "B"},
        {"edit caret at end, Right stays", "C", Qt::Key_Right, Qt::NoModifier,
         {kAll, QStringLiteral("ABC"), 3}, "C"},
        {"edit caret at end, Left stays", "C", Qt::Key_Left, Qt::NoModifier,
         {kAll, QStringLiteral("ABC"), 3}, "C"},
        {"edit caret at 0, Left", "C", Qt::Key_Left, Qt::NoModifier,
         {kAll, QStringLiteral("ABC"), 0}, "B"},
        {"edit caret at 0, Right stays", "C", Qt::Key_Right, Qt::NoModifier,
         {kAll, QStringLiteral("ABC"), 0}, "C"},
        {"empty edit, Right", "C", Qt::Key_Right, Qt::NoModifier, {kAll, QString(), 0}, "D"},
        {"edit Shift+Right", "C", Qt::Key_Right, Qt::ShiftModifier, all, "C"},
        {"edit Down", "C", Qt::Key_Down, Qt::NoModifier, all, "D"},
        {"edit Alt+Down", "C", Qt::Key_Down, Qt::AltModifier, all, "C"},
        // Combo box, default styles, list closed.
        {"combo Enter", "D", Qt::Key_Return, Qt::NoModifier, {}, "E"},
        {"combo Up", "D", Qt::Key_Up, Qt::NoModifier, {}, "C"},
        {"combo Down steps its items", "D", Qt::Key_Down, Qt::NoModifier, {}, "D"},
        // Radio button.
        {"radio Enter wraps to the first control", "E", Qt::Key_Return, Qt::NoModifier, {}, "A"},
        {"radio Up", "E", Qt::Key_Up, Qt::NoModifier, {}, "D"},
    };
    for (const auto& c : cases) {
        form.c->setKeyStyles(c.setup.cStyles);
        form.c->setText(c.setup.cText);
        QWidget* from = form.findChild<QWidget*>(QString::fromLatin1(c.from));
        ASSERT_NE(from, nullptr) << c.name;
        focus(from == form.a ? static_cast<QWidget*>(form.b) : form.a);
        focus(from);
        if (from == form.c && c.setup.selStart >= 0)
            form.c->setCursorPosition(c.setup.selStart);
        key(c.key, c.modifiers);
        EXPECT_EQ(focusName(), c.to) << c.name;
    }
}

TEST_F(KeyControls, LeftInsideTheTextMovesTheCaretAndComboDownStepsItems)
{
    form.c->setKeyStyles(kAll);
    form.c->setText(QStringLiteral("ABC"));
    focus(form.c);
    form.c->setCursorPosition(3);
    key(Qt::Key_Left);
    EXPECT_EQ(form.c->cursorPosition(), 2);

    form.d->setCurrentIndex(0);
    focus(form.d);
    key(Qt::Key_Down);
    EXPECT_EQ(form.d->currentIndex(), 1);
}

TEST_F(KeyControls, AHostClearingEnterStopsTheEditButNotTheCheckBox)
{
    int checkDowns = 0;
    form.b->OnKeyPress = [](QChar& ch) { ch = QChar(); };
    form.b->OnKeyDown = [&](int& k, Qt::KeyboardModifiers) {
        ++checkDowns;
        k = 0;
    };
    focus(form.b);
    key(Qt::Key_Return);
    EXPECT_EQ(focusName(), "C") << "the check box decides on the key as it came in";

    form.c->OnKeyPress = [](QChar& ch) {
        if (ch == QChar(u'\r'))
            ch = QChar();
    };
    focus(form.c);
    key(Qt::Key_Return);
    EXPECT_EQ(focusName(), "C") << "the edit decides on the key as the host left it";

    // The check box's host still sees the arrows it does not claim.
    focus(form.b);
    key(Qt::Key_Down);
    EXPECT_GE(checkDowns, 2);
}

TEST_F(KeyControls, CursorPosPlacesTheCaretOnEntry)
{
    struct Case {
        TxEdit::TCursorPoss pos;
        int cursor;
        QString selected;
    };
    const Case cases[] = {
        {TxEdit::cpAllSel, 5, QStringLiteral("12345")},
        {TxEdit::cpLeft, 0, QString()},
        {TxEdit::cpRight, 5, QString()},
    };
    for (const auto& c : cases) {
        form.c->setText(QStringLiteral("12345"));
        form.c->setCursorPos(c.pos);
        focus(form.a);
        key(Qt::Key_Tab);
        key(Qt::Key_Tab);
        ASSERT_EQ(focusName(), "C");
        EXPECT_EQ(form.c->cursorPosition(), c.cursor) << c.pos;
        EXPECT_EQ(form.c->selectedText(), c.selected) << c.pos;
    }
}

TEST_F(KeyControls, KanaSwCapturesTheReadingOfTheInputMethod)
{
    form.c->setKanaSw(true);
    focus(form.c);
    QTest::keyClicks(form.c, QStringLiteral("12"));
    QInputMethodEvent preedit(QStringLiteral("やまだ"), {});
    QApplication::sendEvent(form.c, &preedit);
    QInputMethodEvent reading;
    reading.setCommitString(QStringLiteral("やまだ"));
    QApplication::sendEvent(form.c, &reading);
    QInputMethodEvent kanji;
    kanji.setCommitString(QStringLiteral("山田")); // no reading to take
    QApplication::sendEvent(form.c, &kanji);
    EXPECT_EQ(form.c->text(), QStringLiteral("12やまだ山田"));
    EXPECT_EQ(form.c->kana(), QStringLiteral("12ﾔﾏﾀﾞ"));

    // A conversion: the kana composed before the commit is the reading of the kanji.
    for (const char* step : {"かぶしきがいしゃ", "株式会社"}) {
        QInputMethodEvent composing(QString::fromUtf8(step), {});
        QApplication::sendEvent(form.c, &composing);
    }
    QInputMethodEvent converted;
    converted.setCommitString(QStringLiteral("株式会社"));
    QApplication::sendEvent(form.c, &converted);
    EXPECT_EQ(form.c->text(), QStringLiteral("12やまだ山田株式会社"));
    EXPECT_EQ(form.c->kana(), QStringLiteral("12ﾔﾏﾀﾞｶﾌﾞｼｷｶﾞｲｼｬ"));

    // A new entry starts a new reading; without KanaSw nothing is captured.
    form.c->setKanaSw(false);
    focus(form.a);
    focus(form.c);
    QInputMethodEvent more;
    more.setCommitString(QStringLiteral("かな"));
    QApplication::sendEvent(form.c, &more);
    EXPECT_EQ(form.c->kana(), QString());

    form.c->setKana(QStringLiteral("テスト"));
    form.c->setKana(QString());
    EXPECT_EQ(form.c->kana(), QStringLiteral("ﾃｽﾄ"));
}

TEST_F(KeyControls, CommittedTextPassesTheSameFilterAsTypedKeys)
{
    form.c->OnKeyPress = [](QChar& ch) {
        if (ch == QChar(u'か') || ch == QChar(u'x'))
            ch = QChar();
    };
    focus(form.c);
    QTest::keyClicks(form.c, QStringLiteral("axb"));
    QInputMethodEvent commit;
    commit.setCommitString(QStringLiteral("あかさ"));
    QApplication::sendEvent(form.c, &commit);
    EXPECT_EQ(form.c->text(), QStringLiteral("abあさ"));
}

TEST_F(KeyControls, KillPasteRefusesEveryWayOfPastingWhileTheImeIsDisabled)
{
    struct Case {
        const char* name;
        TxEdit::TImeMode ime;
        bool killPaste;
        bool pastes;
    };
    const Case cases[] = {
        {"imDisable + KillPaste", TxEdit::imDisable, true, false},
        {"imDisable, KillPaste off", TxEdit::imDisable, false, true},
        {"other IME mode + KillPaste", TxEdit::imDontCare, true, true},
    };
    for (const auto& c : cases) {
        form.c->setImeMode(c.ime);
        form.c->setKillPaste(c.killPaste);
        form.c->clear();
        focus(form.c);
        QGuiApplication::clipboard()->setText(QStringLiteral("xyz"));
        key(Qt::Key_V, Qt::ControlModifier);
        EXPECT_EQ(form.c->text().isEmpty(), !c.pastes) << c.name << " Ctrl+V";
        form.c->clear();
        key(Qt::Key_Insert, Qt::ShiftModifier);
        EXPECT_EQ(form.c->text().isEmpty(), !c.pastes) << c.name << " Shift+Insert";
        if (!c.pastes) {
            QContextMenuEvent menu(QContextMenuEvent::Mouse, QPoint(5, 5), form.c->mapToGlobal(QPoint(5, 5)));
            QApplication::sendEvent(form.c, &menu);
            EXPECT_EQ(QApplication::activePopupWidget(), nullptr) << c.name << " menu";
            QTest::mouseClick(form.c, Qt::MiddleButton);
            EXPECT_TRUE(form.c->text().isEmpty()) << c.name << " middle button";
        }
    }
    // Typing still works with paste refused.
    form.c->setImeMode(TxEdit::imDisable);
    form.c->setKillPaste(true);
    form.c->clear();
    QTest::keyClicks(form.c, QStringLiteral("ok"));
    EXPECT_EQ(form.c->text(), QStringLiteral("ok"));
}

TEST_F(KeyControls, ComboDeleteReturnsToTheFirstItemOnlyAtTheStart)
{
    form.d->setEditable(true);
    form.d->setCurrentIndex(2);
    focus(form.d);
    form.d->lineEdit()->setCursorPosition(0);
    key(Qt::Key_Delete);
    EXPECT_EQ(form.d->currentIndex(), 0);
    EXPECT_EQ(form.d->currentText(), QStringLiteral("100:Cash"));
    EXPECT_EQ(form.d->matchedIndex(), 0);

    form.d->setCurrentIndex(2);
    form.d->lineEdit()->setCursorPosition(1);
    key(Qt::Key_Delete);
    EXPECT_EQ(form.d->currentText(), QStringLiteral("20:Sales")) << "deletes one character";

    // A drop-down list (not editable) always returns to the first item.
    form.d->setEditable(false);
    form.d->setCurrentIndex(2);
    key(Qt::Key_Delete);
    EXPECT_EQ(form.d->currentIndex(), 0);
}

TEST_F(KeyControls, ComboKeyLenLooksUpTypedCodes)
{
    form.d->setEditable(true);
    form.d->setKeyLen(3);
    form.d->setCurrentIndex(-1);
    focus(form.d);
    form.d->lineEdit()->clear();
    QTest::keyClicks(form.d->lineEdit(), QStringLiteral("11"));
    EXPECT_EQ(form.d->matchedIndex(), 1);
    EXPECT_EQ(form.d->currentText(), QStringLiteral("11")) << "the text stays as typed";
    key(Qt::Key_Tab);
    EXPECT_EQ(form.d->currentIndex(), 1);
    EXPECT_EQ(form.d->currentText(), QStringLiteral("110:Bank"));

    // No match: the selection goes, the typed code stays with the caret after it.
    focus(form.d);
    form.d->lineEdit()->clear();
    QTest::keyClicks(form.d->lineEdit(), QStringLiteral("9"));
    EXPECT_EQ(form.d->currentIndex(), -1);
    EXPECT_EQ(form.d->currentText(), QStringLiteral("9"));
    EXPECT_EQ(form.d->lineEdit()->cursorPosition(), 1);
    EXPECT_FALSE(form.d->lineEdit()->hasSelectedText());

    // A name typed in double-byte characters is not looked up.
    form.d->setCurrentIndex(0);
    form.d->lineEdit()->clear();
    QInputMethodEvent name;
    name.setCommitString(QStringLiteral("現"));
    QApplication::sendEvent(form.d->lineEdit(), &name);
    EXPECT_EQ(form.d->currentText(), QStringLiteral("現"));
    EXPECT_EQ(form.d->matchedIndex(), form.d->currentIndex());
}

TEST(TxEditValues, CurrAndLongReadAndWriteTheText)
{
    TxEdit e;
    struct Read {
        QString text;
        platform::Currency curr;
        std::int32_t value;
    };
    const Read reads[] = {
        {QStringLiteral("12"), 120000, 12},
        {QStringLiteral("-3"), -30000, -3},
        {QStringLiteral("12.5"), 125000, 0},
        {QStringLiteral("abc"), 0, 0},
        {QString(), 0, 0},
        {QStringLiteral("$1F"), 0, 31},
        {QStringLiteral("0x10"), 0, 16},
    };
    for (const auto& r : reads) {
        e.setText(r.text);
        EXPECT_EQ(e.Curr(), r.curr) << r.text.toStdString();
        EXPECT_EQ(e.Long(), r.value) << r.text.toStdString();
    }
    e.setText(QStringLiteral("12"));
    e.setLong(0);
    e.setCurr(0);
    EXPECT_EQ(e.text(), QStringLiteral("12")) << "writing 0 leaves the text";
    e.setLong(-42);
    EXPECT_EQ(e.text(), QStringLiteral("-42"));
    e.setCurr(125000);
    EXPECT_EQ(e.text(), QStringLiteral("12.5"));
    e.setCurr(-1000000);
    EXPECT_EQ(e.text(), QStringLiteral("-100"));
    e.setCurr(1);
    EXPECT_EQ(e.text(), QStringLiteral("0.0001"));
}

TEST(TxEditValues, KanaConversionIsBoundedTo1024Bytes)
{
    EXPECT_EQ(ui::toHalfWidthKatakana(QStringLiteral("がっこう")), QStringLiteral("ｶﾞｯｺｳ"));
    const QString longReading(700, QChar(u'あ')); // 700 half-width bytes
    EXPECT_EQ(ui::toHalfWidthKatakana(longReading).size(), 700);
    const QString wide(600, QChar(u'漢')); // two bytes each
    EXPECT_EQ(ui::toHalfWidthKatakana(wide).size(), 512);
}

TEST_F(KeyControls, ComboDropDownWidthWidensTheList)
{
    int dropDowns = 0;
    form.d->OnDropDown = [&] { ++dropDowns; };
    form.d->setDropDownWidth(300);
    focus(form.d);
    form.d->showPopup();
    EXPECT_TRUE(form.d->droppedDown());
    EXPECT_GE(form.d->view()->width(), 300);
    EXPECT_EQ(dropDowns, 1);
    // With the list open, Enter keeps its meaning: it closes the list.
    QTest::keyClick(form.d->view(), Qt::Key_Down);
    QTest::keyClick(form.d->view(), Qt::Key_Return);
    EXPECT_FALSE(form.d->droppedDown());
    EXPECT_EQ(focusName(), "D");
}
