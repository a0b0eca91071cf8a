#include "platform/MessageBox2.h"

#include "platform/MessageService.h"
#include "support/MessageRecorder.h"

#include <gtest/gtest.h>

TEST(MessageBox2, InitMessage2InfoResetsByKind)
{
    struct Case {
        std::uint8_t kind;
        std::uint8_t storedKind;
        const char* caption;
        std::uint16_t buttons;
    };
    const Case cases[] = {
        {0, 0, "警告", msgButton(mbOK)},
        {1, 1, "エラー", msgButton(mbOK)},
        {2, 2, "情報", msgButton(mbOK)},
        {3, 3, "確認", std::uint16_t(msgButton(mbOK) | msgButton(mbCancel))},
        {4, 4, "", msgButton(mbOK)},
        {9, 4, "", msgButton(mbOK)},
    };
    for (const auto& c : cases) {
        TMessage2InfoRec r;
        r.ID = 0x1011;
        r.Lines[3] = {"x", 255, "http://a"};
        r.AgreeMode = 1;
        r.AgreeCaption = "同意する";
        r.Agree = true;
        InitMessage2Info(c.kind, r);
        EXPECT_EQ(r.ID, 0);
        EXPECT_EQ(r.Kind, c.storedKind) << int(c.kind);
        EXPECT_EQ(r.Caption, c.caption) << int(c.kind);
        EXPECT_EQ(r.Buttons, c.buttons) << int(c.kind);
        EXPECT_TRUE(r.Lines[3].Text.empty() && r.Lines[3].URL.empty() && r.Lines[3].Color == 0);
        EXPECT_EQ(r.AgreeMode, 0);
        EXPECT_TRUE(r.AgreeCaption.empty());
        EXPECT_FALSE(r.Agree);
    }
}

TEST(MessageBox2, WithoutTheRichBoxItFallsBackToThePlainMessageBox)
{
    platform::setMessageBox2Handler({});
    testsupport::MessageRecorder rec;
    rec.answer(platform::IDCANCEL);
    TMessage2InfoRec r;
    InitMessage2Info(mtConfirmation, r);
    r.Lines[0].Text = "一行目";
    r.Lines[1].Text = "二行目";
    EXPECT_EQ(ShowMessageBox2(r), platform::IDCANCEL);
    ASSERT_EQ(rec.boxes().size(), 1u);
    EXPECT_EQ(rec.boxes()[0].text, "一行目\r二行目");
    EXPECT_EQ(rec.boxes()[0].caption, "確認");
    EXPECT_EQ(rec.boxes()[0].flags, platform::MB_OKCANCEL | platform::MB_ICONQUESTION);
}

TEST(MessageBox2, AnInstalledBoxAnswersAndCanWriteAgreeBack)
{
    platform::setMessageBox2Handler([](TMessage2InfoRec& rec) {
        rec.Agree = true;
        return 6;
    });
    TMessage2InfoRec r;
    InitMessage2Info(mtConfirmation, r);
    EXPECT_EQ(ShowMessageBox2(r), 6);
    EXPECT_TRUE(r.Agree);
    platform::setMessageBox2Handler({});
}
