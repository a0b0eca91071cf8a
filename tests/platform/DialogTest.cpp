#include "platform/Dialog.h"

#include "platform/MessageService.h"
#include "support/MessageRecorder.h"

#include <QApplication>
#include <QCheckBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <vector>

using namespace platform;

namespace {

// A tiny dialog: an edit, two check boxes and a cancel target, with recorded hooks.
class TestDialog : public Dialog {
public:
    TestDialog()
    {
        setObjectName(QStringLiteral("TestDialog"));
        edit = new QLineEdit(this);
        edit->setObjectName(QStringLiteral("edit"));
        first = new QCheckBox(QStringLiteral("first"), this);
        first->setObjectName(QStringLiteral("first"));
        first->move(0, 30);
        second = new QCheckBox(QStringLiteral("second"), this);
        second->setObjectName(QStringLiteral("second"));
        second->move(0, 60);
        resize(200, 120);
    }

    QLineEdit* edit;
    QCheckBox* first;
    QCheckBox* second;
    std::vector<int> keysDown;
    int swallowKey = 0;
    bool allowClose = true;
    int closes = 0;
    std::function<void(QKeyEvent&)> onKeyUp;

protected:
    void doKeyUp(QKeyEvent& event) override
    {
        if (onKeyUp)
            onKeyUp(event);
    }
    void doKeyDown(QKeyEvent& event) override
    {
        keysDown.push_back(event.key());
        if (event.key() == swallowKey)
            event.accept();
    }
    bool doCloseQuery(int) override { return allowClose; }
    void doClose(int) override { ++closes; }
};

// A control that Esc clicks.
class CancelTarget : public QWidget, public DialogKeyTarget {
public:
    using QWidget::QWidget;
    bool enabledAsCancel = true;
    int clicks = 0;
    std::function<void()> onClick;
    bool acceptsCancelKey() const override { return enabledAsCancel && isVisible(); }
    void clickByDialogKey() override
    {
        ++clicks;
        if (onClick)
            onClick();
    }
};

void showActive(QWidget& w)
{
    w.show();
    QApplication::setActiveWindow(&w);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
}

QWidget* focused(Dialog& d) { return d.focusWidget() ? d.focusWidget() : &d; }

} // namespace

TEST(Dialog, EscAndF12CloseOnReleaseOnlyWhenSwitchedOnAndUnmodified)
{
    struct Case {
        const char* name;
        bool esc;
        bool f12;
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        bool closes;
    };
    const Case cases[] = {
        {"fixed dialog, Esc", true, false, Qt::Key_Escape, Qt::NoModifier, true},
        {"fixed dialog, F12", true, false, Qt::Key_F12, Qt::NoModifier, false},
        {"fixed dialog, Shift+Esc", true, false, Qt::Key_Escape, Qt::ShiftModifier, false},
        {"sizeable dialog, F12", false, true, Qt::Key_F12, Qt::NoModifier, true},
        {"sizeable dialog, Esc", false, true, Qt::Key_Escape, Qt::NoModifier, false},
        {"sizeable dialog, Ctrl+F12", false, true, Qt::Key_F12, Qt::ControlModifier, false},
    };
    for (const auto& c : cases) {
        TestDialog d;
        d.setCloseOnEscape(c.esc);
        d.setCloseOnF12(c.f12);
        showActive(d);
        d.edit->setFocus();
        QTest::keyPress(focused(d), c.key, c.modifiers);
        EXPECT_TRUE(d.isVisible()) << c.name << ": a key press alone never closes";
        QTest::keyRelease(focused(d), c.key, c.modifiers);
        EXPECT_EQ(!d.isVisible(), c.closes) << c.name;
        if (c.closes) {
            EXPECT_EQ(d.result(), mrCancel) << c.name;
            EXPECT_EQ(d.modalResult(), mrCancel) << c.name;
            EXPECT_EQ(d.closes, 1) << c.name;
        }
        if (c.modifiers == Qt::NoModifier) {
            EXPECT_EQ(d.lastKey(), int(c.key)) << c.name;
        }
    }
}

TEST(Dialog, CloseBoxEndsWithCancelUnlessTheCloseQueryRefuses)
{
    TestDialog d;
    showActive(d);
    d.allowClose = false;
    EXPECT_FALSE(d.close());
    EXPECT_TRUE(d.isVisible());
    EXPECT_EQ(d.modalResult(), mrNone);
    EXPECT_EQ(d.closes, 0);

    d.allowClose = true;
    EXPECT_TRUE(d.close());
    EXPECT_FALSE(d.isVisible());
    EXPECT_EQ(d.result(), mrCancel);
    EXPECT_EQ(d.closes, 1);
}

TEST(Dialog, ModalResultClosesAfterTheHandlerAndCanBeTakenBack)
{
    testsupport::MessageRecorder rec;
    TestDialog d;
    rec.onDialog([](QDialog& shown) {
        auto& dialog = static_cast<Dialog&>(shown);
        // A handler that sets a result and resets it keeps the dialog open.
        dialog.setModalResult(mrOk);
        dialog.setModalResult(mrNone);
        QCoreApplication::processEvents();
        EXPECT_TRUE(dialog.isVisible());
        // A result that stays closes the dialog once the handler has returned.
        dialog.setModalResult(mrYes);
        EXPECT_TRUE(dialog.isVisible());
        QCoreApplication::processEvents();
        EXPECT_FALSE(dialog.isVisible());
        return dialog.result();
    });
    EXPECT_EQ(execDialog(d), mrYes);
    EXPECT_EQ(d.closes, 1);
}

TEST(Dialog, TheFormSeesKeysBeforeItsControls)
{
    TestDialog d;
    showActive(d);
    d.edit->setFocus();
    d.swallowKey = Qt::Key_A;
    QTest::keyClicks(d.edit, QStringLiteral("ab"));
    EXPECT_EQ(d.edit->text(), QStringLiteral("b"));
    ASSERT_EQ(d.keysDown.size(), 2u);
    EXPECT_EQ(d.keysDown[0], int(Qt::Key_A));
    EXPECT_EQ(d.keysDown[1], int(Qt::Key_B));
}

TEST(Dialog, EscPressClicksTheCancelButtonAndNothingElse)
{
    TestDialog d;
    auto* target = new CancelTarget(&d);
    showActive(d);
    d.edit->setFocus();
    QTest::keyPress(d.edit, Qt::Key_Escape);
    EXPECT_EQ(target->clicks, 1);
    EXPECT_TRUE(d.isVisible());

    target->enabledAsCancel = false;
    QTest::keyPress(d.edit, Qt::Key_Escape);
    EXPECT_EQ(target->clicks, 1);
    EXPECT_TRUE(d.isVisible()) << "Qt's own reject on Esc press must not run";
}

TEST(Dialog, AnArrowNoControlUsesMovesTheFocus)
{
    TestDialog d;
    // Two focusable controls that use no keys at all.
    auto* a = new QWidget(&d);
    auto* b = new QWidget(&d);
    a->setObjectName(QStringLiteral("a"));
    b->setObjectName(QStringLiteral("b"));
    a->setFocusPolicy(Qt::StrongFocus);
    b->setFocusPolicy(Qt::StrongFocus);
    showActive(d);
    a->setFocus();
    struct Step {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        QWidget* expected;
    };
    const Step steps[] = {
        {Qt::Key_Down, Qt::NoModifier, b},   {Qt::Key_Up, Qt::NoModifier, a},
        {Qt::Key_Right, Qt::NoModifier, b},  {Qt::Key_Left, Qt::NoModifier, a},
        {Qt::Key_Down, Qt::AltModifier, a},  {Qt::Key_Down, Qt::ShiftModifier, b},
    };
    for (const auto& s : steps) {
        QTest::keyClick(QApplication::focusWidget(), s.key, s.modifiers);
        EXPECT_EQ(QApplication::focusWidget(), s.expected)
            << s.key << " " << QApplication::focusWidget()->objectName().toStdString();
    }
}

TEST(Dialog, SelectNextControlWrapsAroundTheTabOrder)
{
    TestDialog d;
    showActive(d);
    d.second->setFocus();
    EXPECT_TRUE(selectNextControl(d.second, true));
    EXPECT_EQ(QApplication::focusWidget(), d.edit);
    EXPECT_TRUE(selectNextControl(d.edit, false));
    EXPECT_EQ(QApplication::focusWidget(), d.second);
    QWidget lonely;
    EXPECT_FALSE(selectNextControl(&lonely, true)) << "a control without a form moves nothing";
}

TEST(Dialog, AnEscReleasedWithoutItsPressDoesNotClose)
{
    TestDialog d;
    d.setCloseOnEscape(true);
    showActive(d);
    d.edit->setFocus();
    // The press closed something in front of the dialog (a message box, a list).
    QTest::keyRelease(d.edit, Qt::Key_Escape);
    EXPECT_TRUE(d.isVisible());
    QTest::keyClick(d.edit, Qt::Key_Escape);
    EXPECT_FALSE(d.isVisible());
    EXPECT_EQ(d.result(), mrCancel);
}

// A function key acts on release; its work opens the next dialog, whose own key filter Qt then
// puts ahead of the running one. One release must still mean one run.
TEST(Dialog, AKeyWhoseWorkOpensADialogActsOncePerRelease)
{
    TestDialog d;
    showActive(d);
    d.edit->setFocus();
    int runs = 0;
    std::vector<std::unique_ptr<Dialog>> opened;
    d.onKeyUp = [&](QKeyEvent& e) {
        if (e.key() != Qt::Key_F3)
            return;
        ++runs;
        opened.push_back(std::make_unique<Dialog>());
    };
    QTest::keyClick(d.edit, Qt::Key_F3);
    EXPECT_EQ(runs, 1);
    QTest::keyClick(d.edit, Qt::Key_F3);
    EXPECT_EQ(runs, 2) << "the next press of the same key acts again";
    // A key held down: the repeats' releases do nothing.
    QKeyEvent repeat(QEvent::KeyRelease, Qt::Key_F3, Qt::NoModifier, QString(), true);
    QApplication::sendEvent(d.edit, &repeat);
    EXPECT_EQ(runs, 2);
}

TEST(Dialog, EscThatClickedTheCancelButtonKeepsTheButtonsResult)
{
    testsupport::MessageRecorder rec;
    TestDialog d;
    d.setCloseOnEscape(true);
    auto* target = new CancelTarget(&d);
    rec.onDialog([&](QDialog& shown) {
        auto& dialog = static_cast<Dialog&>(shown);
        QApplication::setActiveWindow(&dialog);
        d.edit->setFocus();
        target->onClick = [&] { dialog.setModalResult(mrNo); };
        QTest::keyPress(d.edit, Qt::Key_Escape);
        QCoreApplication::processEvents();
        QTest::keyRelease(d.edit, Qt::Key_Escape);
        return dialog.result();
    });
    EXPECT_EQ(execDialog(d), mrNo);
    EXPECT_EQ(target->clicks, 1);
}
