#include "ui/SimpleMessageBox.h"

#include "support/MessageRecorder.h"
#include "ui/KeyCheckBox.h"
#include "ui/OwnerDrawnButton.h"

#include "UiTestSupport.h"

#include <QLabel>
#include <QPlainTextEdit>

#include <functional>

namespace {

TMessageInfoRec request(std::int32_t kind, std::vector<std::string> lines = {})
{
    TMessageInfoRec r;
    InitMessageInfo(r);
    r.Kind = kind;
    r.Caption = "確認";
    r.Text = "処理を続けますか？";
    r.Lines = std::move(lines);
    r.AgreeCaption = "同意する";
    return r;
}

TMessageBox& boxOf(QDialog& d) { return static_cast<TMessageBox&>(d); }

void settle() { QCoreApplication::processEvents(); }

} // namespace

TEST(MessageBoxTest, InitResetsTheRequest)
{
    TMessageInfoRec r;
    r.Kind = 3;
    r.Caption = "x";
    r.Lines = {"a"};
    r.Color = 0;
    r.Position = 4;
    InitMessageInfo(r);
    EXPECT_EQ(r.Kind, 0);
    EXPECT_TRUE(r.Caption.empty());
    EXPECT_TRUE(r.Text.empty());
    EXPECT_EQ(r.Color, platform::clRed);
    EXPECT_TRUE(r.Lines.empty());
    EXPECT_TRUE(r.AgreeCaption.empty());
    EXPECT_EQ(r.Position, 7);
}

TEST(MessageBoxTest, ButtonsAndResultsByKind)
{
    testsupport::MessageRecorder rec;
    struct Case {
        const char* name;
        std::int32_t kind;
        std::function<void(TMessageBox&)> act;
        int expected;
    };
    const Case cases[] = {
        {"kind 1 OK", 1, [](TMessageBox& b) { b.btnCancel()->Click(); }, platform::mrOk},
        {"kind 1 Esc", 1,
         [](TMessageBox& b) {
             QApplication::setActiveWindow(&b);
             QTest::keyClick(b.focusWidget() ? b.focusWidget() : &b, Qt::Key_Escape);
         },
         platform::mrCancel},
        {"kind 1 close box", 1, [](TMessageBox& b) { b.close(); }, platform::mrCancel},
        {"kind 0 OK", 0, [](TMessageBox& b) { b.btnOK()->Click(); }, platform::mrOk},
        {"kind 0 Cancel", 0, [](TMessageBox& b) { b.btnCancel()->Click(); }, platform::mrCancel},
        {"kind 0 Esc", 0,
         [](TMessageBox& b) {
             QApplication::setActiveWindow(&b);
             QTest::keyClick(b.focusWidget() ? b.focusWidget() : &b, Qt::Key_Escape);
         },
         platform::mrCancel},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        rec.onDialog([&](QDialog& d) {
            auto& b = boxOf(d);
            if (c.kind == 1) {
                EXPECT_FALSE(b.btnOK()->isVisible());
                EXPECT_EQ(b.btnCancel()->CaptionA().Caption(), QStringLiteral("OK"));
            } else {
                EXPECT_TRUE(b.btnOK()->isVisible());
                EXPECT_EQ(b.btnOK()->CaptionA().Caption(), QStringLiteral("OK"));
                EXPECT_EQ(b.btnCancel()->CaptionA().Caption(), QStringLiteral("キャンセル"));
            }
            EXPECT_FALSE(b.cboxAgree()->isVisible());
            c.act(b);
            settle();
            EXPECT_FALSE(d.isVisible());
            return d.result();
        });
        EXPECT_EQ(ShowMessageBox(request(c.kind)), c.expected);
    }
    ASSERT_EQ(rec.boxes().size(), std::size(cases));
    EXPECT_EQ(rec.boxes()[0].kind, "dialog");
    EXPECT_EQ(rec.boxes()[0].caption, "確認");
}

TEST(MessageBoxTest, TheAgreementBoxGatesOkOnlyForKindTwo)
{
    testsupport::MessageRecorder rec;
    rec.onDialog([](QDialog& d) {
        auto& b = boxOf(d);
        EXPECT_TRUE(b.cboxAgree()->isVisible());
        EXPECT_EQ(b.cboxAgree()->text(), QStringLiteral("同意する"));
        EXPECT_FALSE(b.btnOK()->isEnabled());
        b.cboxAgree()->click();
        EXPECT_TRUE(b.btnOK()->isEnabled());
        b.cboxAgree()->click();
        EXPECT_FALSE(b.btnOK()->isEnabled());
        b.cboxAgree()->click();
        uitest::saveShot(b, "TMessageBox-agreement");
        b.btnOK()->Click();
        settle();
        return d.result();
    });
    EXPECT_EQ(ShowMessageBox(request(2, {"一行目", "二行目"})), platform::mrOk);

    // Ticked from the start: OK still waits for a tick of its own.
    TMessageBox ticked;
    ticked.MsgKind = 2;
    ticked.AgreeChecked = true;
    ticked.ApplySettings();
    EXPECT_TRUE(ticked.cboxAgree()->isChecked());
    EXPECT_FALSE(ticked.btnOK()->isEnabled());

    // Kind 3 shows the box but OK never depends on it.
    TMessageBox three;
    three.MsgKind = 3;
    three.ApplySettings();
    EXPECT_FALSE(three.cboxAgree()->isHidden());
    EXPECT_TRUE(three.btnOK()->isEnabled());
    three.cboxAgree()->click();
    EXPECT_TRUE(three.btnOK()->isEnabled());
    three.cboxAgree()->click();
    EXPECT_TRUE(three.btnOK()->isEnabled());
}

TEST(MessageBoxTest, ShowsTheHeadlineAndLinesAndShrinksWithoutLines)
{
    TMessageBox box;
    box.MsgKind = 1;
    box.MsgCaption = "選択データの状態";
    box.MsgText = "一行目\r二行目";
    box.MsgColor = platform::clRed;
    box.SetLines({"【データフォルダ】", "　S:\\ROOT", "", "【オペレータ】"});
    box.ApplySettings();
    EXPECT_EQ(box.windowTitle(), QStringLiteral("選択データの状態"));
    EXPECT_EQ(box.lblMain()->text(), QStringLiteral("一行目\n二行目"));
    EXPECT_EQ(box.lblMain()->palette().color(QPalette::WindowText), QColor(255, 0, 0));
    EXPECT_FALSE(box.MessageArea()->isHidden());
    EXPECT_EQ(box.MessageArea()->toPlainText(),
              QStringLiteral("【データフォルダ】\n　S:\\ROOT\n\n【オペレータ】"));
    EXPECT_TRUE(box.MessageArea()->isReadOnly());
    EXPECT_EQ(box.MessageArea()->focusPolicy(), Qt::NoFocus);
    EXPECT_EQ(box.width(), 492);
    EXPECT_EQ(box.height(), 267);
    uitest::showActive(box);
    uitest::saveShot(box, "TMessageBox-lines");
    EXPECT_EQ(uitest::focusName(), "btnCancel");
    uitest::shotOnFailure(box);

    TMessageBox plain;
    plain.MsgText = "行なし";
    plain.ApplySettings();
    EXPECT_TRUE(plain.MessageArea()->isHidden());
    EXPECT_LT(plain.height(), 267);
    EXPECT_EQ(plain.width(), 492);
}

TEST(MessageBoxTest, FocusButtonTwoFocusesOk)
{
    TMessageBox box;
    box.FocusButton = 2;
    box.ApplySettings();
    uitest::showActive(box);
    EXPECT_EQ(uitest::focusName(), "btnOK");
}
