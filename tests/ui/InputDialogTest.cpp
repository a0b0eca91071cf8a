// Tests of the one-value input dialog: required value, key filters, paste and length limits.
#include "ui/InputDialog.h"

#include "support/MessageRecorder.h"
#include "ui/KeyCheckBox.h"
#include "ui/KeyComboBox.h"
#include "ui/KeyEdit.h"
#include "ui/OwnerDrawnButton.h"

#include "UiTestSupport.h"

#include <QClipboard>
#include <QContextMenuEvent>
#include <QInputMethodEvent>
#include <QMenu>
#include <QTimer>

#include <memory>

namespace {

void settle() { QCoreApplication::processEvents(); }

std::unique_ptr<TInputDlgBox> openBox(std::int32_t style, std::int32_t filter = 0,
                                      std::uint8_t ime = 3, std::int32_t maxLength = 0)
{
    auto box = std::make_unique<TInputDlgBox>();
    box->InputStyle = style;
    box->DlgCaption = "名称の入力";
    box->DlgMessage = "新しい名称を入力して下さい。";
    box->InputHint = "名称を入力します。|名称を入力し、[OK]ボタンを押して下さい。";
    box->FilterMode = filter;
    box->InputImeMode = ime;
    box->InputMaxLength = maxLength;
    box->ApplySettings();
    uitest::showActive(*box);
    box->txtInput()->setFocus();
    settle();
    return box;
}

void commit(QWidget* w, const QString& text)
{
    QInputMethodEvent e;
    e.setCommitString(text);
    QCoreApplication::sendEvent(w, &e);
}

} // namespace

TEST(InputDialogTest, PasswordStyleRefusesAnEmptyValueEvenWhenNotRequired)
{
    testsupport::MessageRecorder rec;
    rec.answerDefaults();
    auto box = openBox(1);
    EXPECT_EQ(box->InputRequired, 1);
    EXPECT_FALSE(box->btnFuseji()->isHidden());
    EXPECT_EQ(box->txtInput()->echoMode(), QLineEdit::Password);

    // Blank after full-width and ordinary spaces is still empty.
    QTest::keyClick(box->txtInput(), Qt::Key_Space);
    commit(box->txtInput(), QStringLiteral("\u3000"));
    box->btnOK()->Click();
    settle();
    ASSERT_EQ(rec.texts(), std::vector<std::string>{"入力してから[OK]ボタンを押して下さい。"});
    EXPECT_TRUE(box->isVisible());
    EXPECT_EQ(uitest::focusName(), "txtInput");

    box->txtInput()->clear();
    QTest::keyClicks(box->txtInput(), QStringLiteral("abc123"));
    EXPECT_EQ(box->txtInput()->displayText(), QStringLiteral("******"));
    uitest::saveShot(*box, "TInputDlgBox-masked");
    box->btnFuseji()->click();
    EXPECT_EQ(box->txtInput()->echoMode(), QLineEdit::Normal);
    uitest::saveShot(*box, "TInputDlgBox-password");
    box->btnOK()->Click();
    settle();
    EXPECT_FALSE(box->isVisible());
    EXPECT_EQ(box->modalResult(), platform::mrOk);
    EXPECT_EQ(box->InputValue, "abc123");
    EXPECT_EQ(rec.boxes().size(), 1u);
}

TEST(InputDialogTest, TextStyleTakesAnEmptyValueUnlessRequired)
{
    testsupport::MessageRecorder rec;
    auto box = openBox(0);
    EXPECT_TRUE(box->btnFuseji()->isHidden());
    box->btnOK()->Click();
    settle();
    EXPECT_TRUE(rec.boxes().empty());
    EXPECT_EQ(box->modalResult(), platform::mrOk);
    EXPECT_EQ(box->InputValue, "");
}

TEST(InputDialogTest, KeyFiltersApplyToKeysAndToCommittedText)
{
    struct Case {
        const char* name;
        std::int32_t filter;
        QString typed;     // key by key
        QString committed; // through the input method
        QString expected;
    };
    const Case cases[] = {
        {"number", 10, QStringLiteral("-1.a"), QString(), QStringLiteral("-1.")},
        {"number, committed", 10, QString(), QStringLiteral("2ｂ5"), QStringLiteral("25")},
        {"letters", 20, QStringLiteral("a1B-"), QString(), QStringLiteral("aB")},
        {"letters and digits", 30, QStringLiteral("a1B-._"), QString(), QStringLiteral("a1B")},
        {"name", 40, QStringLiteral("a:b|c*d,e/f;g<h>i?j\\k l"), QStringLiteral("あ:"),
         QStringLiteral("abcdefghijklあ")},
        {"none", 0, QStringLiteral("a:|"), QStringLiteral("あ"), QStringLiteral("a:|あ")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto box = openBox(0, c.filter);
        QTest::keyClicks(box->txtInput(), c.typed);
        if (!c.committed.isEmpty())
            commit(box->txtInput(), c.committed);
        EXPECT_EQ(box->txtInput()->text(), c.expected);
        uitest::shotOnFailure(*box);
    }
}

TEST(InputDialogTest, InputMethodOffRefusesPasteAndTheContextMenu)
{
    for (std::uint8_t ime : {std::uint8_t(0), std::uint8_t(3)}) {
        SCOPED_TRACE(ime);
        const bool allowed = ime != 0;
        auto box = openBox(0, 0, ime);
        QGuiApplication::clipboard()->setText(QStringLiteral("貼付"));
        QTest::keyClick(box->txtInput(), Qt::Key_V, Qt::ControlModifier);
        QTest::keyClick(box->txtInput(), Qt::Key_Insert, Qt::ShiftModifier);
        EXPECT_EQ(box->txtInput()->text(),
                  allowed ? QStringLiteral("貼付貼付") : QString());
        EXPECT_EQ(box->txtInput()->testAttribute(Qt::WA_InputMethodEnabled), allowed);

        bool menuShown = false;
        QTimer::singleShot(50, [&] {
            if (QWidget* popup = QApplication::activePopupWidget()) {
                menuShown = qobject_cast<QMenu*>(popup) != nullptr;
                popup->close();
            }
        });
        QContextMenuEvent e(QContextMenuEvent::Mouse, QPoint(5, 5),
                            box->txtInput()->mapToGlobal(QPoint(5, 5)));
        QCoreApplication::sendEvent(box->txtInput(), &e);
        QTest::qWait(100);
        EXPECT_EQ(menuShown, allowed);
    }
}

TEST(InputDialogTest, LengthLimitCountsCp932Bytes)
{
    auto box = openBox(0, 40, 3, 10);
    // Each kanji is two bytes: the sixth does not fit into ten.
    for (const QString& k : {QStringLiteral("東"), QStringLiteral("京"), QStringLiteral("大"),
                             QStringLiteral("阪"), QStringLiteral("名"), QStringLiteral("古")})
        commit(box->txtInput(), k);
    EXPECT_EQ(box->txtInput()->text(), QStringLiteral("東京大阪名"));
    uitest::saveShot(*box, "TInputDlgBox-text");

    // A committed run that overflows is refused whole, not cut into a half character.
    auto ascii = openBox(0, 0, 3, 10);
    QTest::keyClicks(ascii->txtInput(), QStringLiteral("abcdefghi"));
    commit(ascii->txtInput(), QStringLiteral("あ"));
    EXPECT_EQ(ascii->txtInput()->text(), QStringLiteral("abcdefghi"));
    QTest::keyClicks(ascii->txtInput(), QStringLiteral("jk"));
    EXPECT_EQ(ascii->txtInput()->text(), QStringLiteral("abcdefghij"));
}

TEST(InputDialogTest, ComboStyleAsksForAChoice)
{
    testsupport::MessageRecorder rec;
    rec.answerDefaults();
    TInputDlgBox box;
    box.InputStyle = 2;
    box.InputRequired = 1;
    box.InputMaxLength = 4;
    box.ComboItems = {QStringLiteral("本社"), QStringLiteral("支店")};
    box.ApplySettings();
    uitest::showActive(box);
    EXPECT_TRUE(box.pnlText()->isHidden());
    EXPECT_FALSE(box.pnlCombo()->isHidden());
    box.btnOK()->Click();
    settle();
    ASSERT_EQ(rec.texts(),
              std::vector<std::string>{"入力または選択してから[OK]ボタンを押して下さい。"});
    EXPECT_TRUE(box.isVisible());

    // The limit counts bytes here too: two kanji fill four.
    box.cmbInput()->setFocus();
    QTest::keyClicks(box.cmbInput()->lineEdit(), QStringLiteral("ab"));
    commit(box.cmbInput()->lineEdit(), QStringLiteral("東"));
    EXPECT_EQ(box.cmbInput()->currentText(), QStringLiteral("ab東"));
    commit(box.cmbInput()->lineEdit(), QStringLiteral("京"));
    EXPECT_EQ(box.cmbInput()->currentText(), QStringLiteral("ab東"));
}
