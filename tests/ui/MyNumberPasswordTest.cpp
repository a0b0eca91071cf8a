// The individual-number management password prompt, typed into the real input dialog.
#include "records/MyNumber.h"

#include "platform/Colors.h"
#include "records/ProgramRecords.h"
#include "support/MessageRecorder.h"
#include "ui/InputDialog.h"
#include "ui/KeyEdit.h"
#include "ui/OwnerDrawnButton.h"

#include "UiTestSupport.h"

#include <QLabel>
#include <QPlainTextEdit>

namespace {

class MyNumberPasswordTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        records::resetProgramState();
        SystemDef.MyNumberAdm = 1;
        ui::installInputDialog();
    }
    void TearDown() override
    {
        platform::setInputHandler({});
        records::resetProgramState();
    }

    // The next prompt: what it showed, then the keys typed and OK (or Cancel) pressed.
    struct Seen {
        QString title;
        QString message;
        QColor color;
        QString input;
        QString hint;
        bool masked = false;
    };
    void answer(const QString& keys, bool ok = true, const char* shot = nullptr)
    {
        m_messages.onDialog([this, keys, ok, shot](QDialog& d) {
            auto& box = dynamic_cast<TInputDlgBox&>(d);
            Seen s;
            s.title = box.windowTitle();
            s.message = box.lblMain()->text();
            s.color = box.lblMain()->palette().color(QPalette::WindowText);
            s.input = box.txtInput()->text();
            s.hint = box.HintArea()->toPlainText();
            s.masked = box.txtInput()->echoMode() == QLineEdit::Password;
            box.txtInput()->setFocus();
            QTest::keyClicks(box.txtInput(), keys);
            m_typed.push_back(box.txtInput()->text());
            m_seen.push_back(s);
            if (shot)
                uitest::saveShot(box, shot);
            (ok ? box.btnOK() : box.btnCancel())->Click();
            QCoreApplication::processEvents();
            return box.modalResult();
        });
    }

    testsupport::MessageRecorder m_messages;
    std::vector<Seen> m_seen;
    std::vector<QString> m_typed;
};

TEST_F(MyNumberPasswordTest, TheRightPasswordWithBlanksAroundIsAccepted)
{
    answer(QStringLiteral(" abc "), true, "ConfirmMyNumberPassword");
    EXPECT_TRUE(ConfirmMyNumberPassword("abc"));
    ASSERT_EQ(m_seen.size(), 1u);
    EXPECT_EQ(m_seen[0].title, QStringLiteral("マイナンバー管理パスワードの確認"));
    EXPECT_EQ(m_seen[0].message, QStringLiteral("マイナンバー管理パスワードを入力して下さい。"));
    EXPECT_TRUE(m_seen[0].masked);
    EXPECT_EQ(m_seen[0].input, QString());
}

TEST_F(MyNumberPasswordTest, ThreeMissesRefuseAndAskAgainInRed)
{
    answer(QStringLiteral("wrong1"));
    answer(QStringLiteral("wrong2"));
    answer(QStringLiteral("Abc"), true, "ConfirmMyNumberPassword-again");
    EXPECT_FALSE(ConfirmMyNumberPassword("abc")) << "letter case counts";
    ASSERT_EQ(m_seen.size(), 3u);
    EXPECT_EQ(m_seen[0].color, platform::toQColor(platform::clWindowText));
    for (int i : {1, 2}) {
        EXPECT_EQ(m_seen[i].message, QStringLiteral("正しいパスワードを入力して下さい。"));
        EXPECT_EQ(m_seen[i].color, QColor(255, 0, 0));
        EXPECT_EQ(m_seen[i].input, QString()) << "emptied";
    }
}

TEST_F(MyNumberPasswordTest, CancelEndsAtOnceAndOnlyTheAdministratorIsAsked)
{
    answer(QStringLiteral("abc"), false);
    EXPECT_FALSE(ConfirmMyNumberPassword("abc"));
    EXPECT_EQ(m_seen.size(), 1u);

    SystemDef.MyNumberAdm = 0;
    EXPECT_TRUE(ConfirmMyNumberPassword("abc")) << "no dialog: none queued";
    EXPECT_EQ(m_seen.size(), 1u);
}

TEST_F(MyNumberPasswordTest, OnlyLettersAndDigitsUpToEight)
{
    answer(QStringLiteral("ab-c_1234567"));
    EXPECT_TRUE(ConfirmMyNumberPassword("abc12345"));
    ASSERT_EQ(m_typed.size(), 1u);
    EXPECT_EQ(m_typed[0], QStringLiteral("abc12345"));
}

} // namespace
