#include "ui/RichMessageBox.h"

#include "platform/Colors.h"
#include "platform/UrlOpener.h"
#include "support/MessageRecorder.h"
#include "ui/KeyCheckBox.h"

#include "UiTestSupport.h"

#include <QClipboard>
#include <QPushButton>

#include <cmath>
#include <map>

namespace {

// Installs the rich box and a recording URL opener for one test.
class RichBox : public ::testing::Test {
protected:
    void SetUp() override
    {
        ui::installRichMessageBox();
        platform::setUrlOpener([this](const std::string& url) {
            opened.push_back(url);
            return true;
        });
        ui::setOptionUrlSource([] { return std::string("https://example.jp/option/"); });
    }
    void TearDown() override
    {
        platform::setMessageBox2Handler({});
        platform::setUrlOpener({});
        ui::setOptionUrlSource({});
    }

    std::vector<std::string> opened;
    testsupport::MessageRecorder rec;
};

TMessage2InfoRec request(std::uint8_t kind, std::initializer_list<const char*> lines)
{
    TMessage2InfoRec r;
    InitMessage2Info(kind, r);
    std::size_t i = 0;
    for (const char* l : lines)
        r.Lines[i++].Text = l;
    return r;
}

std::vector<QPushButton*> shownButtons(const TMessageBox2& box)
{
    std::vector<QPushButton*> out;
    for (int i = 0; i < 3; ++i)
        if (!box.button(i)->isHidden())
            out.push_back(box.button(i));
    return out;
}

// Builds the box as ShowMessageBox2 does, without showing it.
void prepare(TMessageBox2& box, const TMessage2InfoRec& r)
{
    box.SetMessageId(r.ID);
    box.SetInfo(r);
    box.ApplyInfo();
}

QPushButton* buttonCaptioned(QDialog& d, const QString& caption)
{
    for (auto* b : d.findChildren<QPushButton*>())
        if (b->text() == caption && !b->isHidden())
            return b;
    return nullptr;
}

} // namespace

TEST_F(RichBox, OneLineOneButtonCentredAndItsResults)
{
    auto r = request(mtError, {"一行"});
    TMessageBox2 box;
    prepare(box, r);
    const auto buttons = shownButtons(box);
    ASSERT_EQ(buttons.size(), 1u);
    EXPECT_EQ(buttons[0]->text(), QStringLiteral("OK(&O)"));
    EXPECT_EQ(buttons[0]->x(), (box.width() - buttons[0]->width()) / 2);
    EXPECT_EQ(box.height(), box.label(2)->y() + 38) << "one blank line's room below the text";
    EXPECT_EQ(box.windowTitle(), QStringLiteral("エラー"));
    EXPECT_GE(box.width(), 530);

    struct Case {
        const char* name;
        std::function<void(QDialog&)> act;
        int expected;
    };
    const Case cases[] = {
        {"OK clicked", [](QDialog& d) { buttonCaptioned(d, QStringLiteral("OK(&O)"))->click(); },
         platform::mrOk},
        {"Esc released",
         [](QDialog& d) {
             QApplication::setActiveWindow(&d);
             QTest::keyClick(d.focusWidget() ? d.focusWidget() : &d, Qt::Key_Escape);
         },
         platform::mrCancel},
        {"close box", [](QDialog& d) { d.close(); }, platform::mrCancel},
    };
    for (const auto& c : cases) {
        rec.onDialog([&](QDialog& d) {
            c.act(d);
            QCoreApplication::processEvents();
            EXPECT_FALSE(d.isVisible()) << c.name;
            return d.result();
        });
        EXPECT_EQ(ShowMessageBox2(r), c.expected) << c.name;
    }
    EXPECT_EQ(rec.boxes().size(), 3u);
    EXPECT_EQ(rec.boxes()[0].kind, "dialog");
    EXPECT_EQ(rec.boxes()[0].caption, "エラー");
}

TEST_F(RichBox, ButtonsFollowTheTableAtMostThree)
{
    auto r = request(mtConfirmation, {"質問"});
    r.Buttons = msgButton(mbYes) | msgButton(mbNo) | msgButton(mbCancel) | msgButton(mbAbort);
    TMessageBox2 box;
    prepare(box, r);
    const auto buttons = shownButtons(box);
    ASSERT_EQ(buttons.size(), 3u);
    EXPECT_EQ(buttons[0]->text(), QStringLiteral("はい(&Y)"));
    EXPECT_EQ(buttons[1]->text(), QStringLiteral("いいえ(&N)"));
    EXPECT_EQ(buttons[2]->text(), QStringLiteral("ｷｬﾝｾﾙ(&C)"));
    const int g = 10;
    EXPECT_EQ(buttons[1]->x(), (box.width() - buttons[1]->width()) / 2);
    EXPECT_EQ(buttons[0]->x() + buttons[0]->width() + g, buttons[1]->x());
    EXPECT_EQ(buttons[1]->x() + buttons[1]->width() + g, buttons[2]->x());

    const std::pair<QString, int> answers[] = {
        {QStringLiteral("はい(&Y)"), platform::mrYes},
        {QStringLiteral("いいえ(&N)"), platform::mrNo},
        {QStringLiteral("ｷｬﾝｾﾙ(&C)"), platform::mrCancel},
    };
    for (const auto& [caption, result] : answers) {
        rec.onDialog([&, caption = caption](QDialog& d) {
            buttonCaptioned(d, caption)->click();
            QCoreApplication::processEvents();
            return d.result();
        });
        EXPECT_EQ(ShowMessageBox2(r), result) << caption.toStdString();
    }

    // Two buttons sit either side of the middle.
    auto two = request(mtConfirmation, {"確認"});
    TMessageBox2 box2;
    prepare(box2, two);
    const auto pair = shownButtons(box2);
    ASSERT_EQ(pair.size(), 2u);
    const int middle = int(std::nearbyint(box2.width() / 2.0));
    EXPECT_EQ(pair[0]->x() + pair[0]->width(), middle - g);
    EXPECT_EQ(pair[1]->x(), middle + g);
}

TEST_F(RichBox, ReturnPressesTheFocusedButtonTheFirstOneAtShowing)
{
    auto r = request(mtConfirmation, {"データの再構築を行いますか？"});
    r.Buttons = msgButton(mbYes) | msgButton(mbNo);
    struct Case {
        const char* name;
        int tabs;
        int expected;
    };
    const Case cases[] = {
        {"Return at showing", 0, platform::mrYes},
        {"Tab then Return", 1, platform::mrNo},
    };
    for (const auto& c : cases) {
        rec.onDialog([&](QDialog& d) {
            auto& box = static_cast<TMessageBox2&>(d);
            QApplication::setActiveWindow(&d);
            QCoreApplication::processEvents();
            EXPECT_EQ(d.focusWidget(), box.button(0)) << c.name;
            for (int i = 0; i < c.tabs; ++i)
                QTest::keyClick(d.focusWidget(), Qt::Key_Tab);
            QTest::keyClick(d.focusWidget() ? d.focusWidget() : &d, Qt::Key_Return);
            QCoreApplication::processEvents();
            EXPECT_FALSE(d.isVisible()) << c.name;
            return d.result();
        });
        EXPECT_EQ(ShowMessageBox2(r), c.expected) << c.name;
    }
}

TEST_F(RichBox, HelpHasNoResultAndLeavesTheBoxOpen)
{
    auto r = request(mtInformation, {"説明"});
    r.Buttons = msgButton(mbOK) | msgButton(mbHelp);
    rec.onDialog([](QDialog& d) {
        buttonCaptioned(d, QStringLiteral("ヘルプ(&H)"))->click();
        QCoreApplication::processEvents();
        EXPECT_TRUE(d.isVisible());
        buttonCaptioned(d, QStringLiteral("OK(&O)"))->click();
        QCoreApplication::processEvents();
        return d.result();
    });
    EXPECT_EQ(ShowMessageBox2(r), platform::mrOk);
}

TEST_F(RichBox, TheAgreementBoxGatesTheFirstButton)
{
    auto r = request(mtConfirmation, {"規約に同意しますか？"});
    r.AgreeMode = 1;
    r.AgreeCaption = "同意する";
    r.Agree = false;
    rec.onDialog([](QDialog& d) {
        auto& box = static_cast<TMessageBox2&>(d);
        EXPECT_TRUE(box.agreePanel()->isVisible());
        EXPECT_FALSE(box.button(0)->isEnabled());
        box.agreeBox()->click();
        EXPECT_TRUE(box.button(0)->isEnabled());
        box.agreeBox()->click();
        EXPECT_FALSE(box.button(0)->isEnabled());
        box.agreeBox()->click();
        uitest::saveShot(box, "TMessageBox2-agreement");
        box.button(0)->click();
        QCoreApplication::processEvents();
        return d.result();
    });
    EXPECT_EQ(ShowMessageBox2(r), platform::mrOk);
    EXPECT_TRUE(r.Agree);

    struct Case {
        const char* name;
        std::int32_t mode;
        const char* caption;
        bool panel;
    };
    const Case cases[] = {
        {"mode 1, blank caption", 1, "  ", false},
        {"mode 2 holds nothing back", 2, "同意する", true},
        {"mode 0", 0, "同意する", false},
    };
    for (const auto& c : cases) {
        auto q = request(mtConfirmation, {"確認"});
        q.AgreeMode = c.mode;
        q.AgreeCaption = c.caption;
        TMessageBox2 box;
        prepare(box, q);
        EXPECT_EQ(!box.agreePanel()->isHidden(), c.panel) << c.name;
        EXPECT_TRUE(box.button(0)->isEnabled()) << c.name;
        EXPECT_EQ(box.height(), box.label(2)->y() + 38 + (c.panel ? 32 : 0)) << c.name;
    }
}

TEST_F(RichBox, ACatalogueIdReplacesTheCallersTexts)
{
    auto r = request(mtWarning, {"呼び出し側の行", "二行目"});
    r.ID = 0x1011;
    r.AgreeMode = 1;
    r.AgreeCaption = "同意する";
    TMessageBox2 box;
    prepare(box, r);
    EXPECT_EQ(box.windowTitle(), QStringLiteral("情報"));
    EXPECT_EQ(box.label(0)->text(),
              QStringLiteral("このデータは、「データの更新」処理を行うことが禁止されています。"));
    EXPECT_EQ(box.label(1)->text(),
              QStringLiteral("データを選択したい場合は、「データ選択」画面の[情報]ボタンを押し「データの詳細情報」画面を"));
    EXPECT_EQ(box.label(2)->text(),
              QStringLiteral("開き、[データの更新: 禁止する]項目のチェックを外して下さい。"));
    EXPECT_TRUE(box.label(3)->text().isEmpty());
    EXPECT_TRUE(box.agreePanel()->isHidden()) << "a catalogue message never shows the box";
    EXPECT_EQ(box.height(), box.label(4)->y() + 38);
    uitest::saveShot(box, "TMessageBox2-0x1011");

    TMessage2InfoRec unknown = request(mtError, {"消える"});
    unknown.ID = 0x7777;
    TMessageBox2 empty;
    prepare(empty, unknown);
    EXPECT_EQ(empty.windowTitle(), QStringLiteral("情報"));
    EXPECT_TRUE(empty.label(0)->text().isEmpty());
    ASSERT_EQ(shownButtons(empty).size(), 1u);
    EXPECT_EQ(shownButtons(empty)[0]->text(), QStringLiteral("OK(&O)"));
}

TEST_F(RichBox, EveryCatalogueEntryShowsItsLinesColoursAndButtons)
{
    struct Expect {
        int kind;
        const char* caption;
        int lines;
        int red; // how many red lines
        std::vector<const char*> buttons;
    };
    const std::map<std::int32_t, Expect> table = {
        {0x1010, {3, "確認", 4, 0, {"OK(&O)", "ｷｬﾝｾﾙ(&C)"}}},
        {0x1011, {2, "情報", 3, 0, {"OK(&O)"}}},
        {0x1020, {2, "情報", 3, 0, {"OK(&O)"}}},
        {0x1030, {3, "エラー", 3, 0, {"OK(&O)"}}},
        {0x2014, {2, "情報", 4, 0, {"OK(&O)"}}},
        {0x10001010, {2, "情報", 1, 0, {"OK(&O)"}}},
        {0x10001011, {2, "情報", 1, 0, {"OK(&O)"}}},
        {0x10002010, {3, "確認", 2, 0, {"OK(&O)", "ｷｬﾝｾﾙ(&C)"}}},
        {0x10002011, {3, "確認", 3, 1, {"OK(&O)", "ｷｬﾝｾﾙ(&C)"}}},
        {0x10003010, {3, "内訳書の削除", 4, 3, {"OK(&O)", "ｷｬﾝｾﾙ(&C)"}}},
        {0x10003011, {3, "内訳書の削除", 4, 3, {"OK(&O)", "ｷｬﾝｾﾙ(&C)"}}},
        {0x10003012, {3, "内訳書の削除", 4, 3, {"OK(&O)", "ｷｬﾝｾﾙ(&C)"}}},
        {0x10004010, {2, "情報", 1, 0, {"OK(&O)"}}},
    };
    ASSERT_EQ(ui::message2CatalogueIds().size(), table.size());
    for (std::int32_t id : ui::message2CatalogueIds()) {
        ASSERT_TRUE(table.count(id)) << std::hex << id;
        const Expect& e = table.at(id);
        TMessage2InfoRec r;
        InitMessage2Info(mtWarning, r);
        r.ID = id;
        TMessageBox2 box;
        prepare(box, r);
        const auto name = std::to_string(id);
        EXPECT_EQ(box.info().Kind, e.kind) << name;
        EXPECT_EQ(box.windowTitle(), QString::fromUtf8(e.caption)) << name;
        int lines = 0;
        int red = 0;
        for (int i = 0; i < 10; ++i) {
            const QLabel* l = box.label(i);
            if (l->text().isEmpty())
                continue;
            ++lines;
            const QColor c = l->palette().color(QPalette::WindowText);
            if (c == QColor(255, 0, 0))
                ++red;
            else
                EXPECT_EQ(c, QColor(0, 0, 0)) << name << " line " << i;
        }
        EXPECT_EQ(lines, e.lines) << name;
        EXPECT_EQ(red, e.red) << name;
        const auto buttons = shownButtons(box);
        ASSERT_EQ(buttons.size(), e.buttons.size()) << name;
        for (std::size_t i = 0; i < buttons.size(); ++i)
            EXPECT_EQ(buttons[i]->text(), QString::fromUtf8(e.buttons[i])) << name;
        if (id == 0x10003011)
            uitest::saveShot(box, "TMessageBox2-0x10003011");
    }
    TMessage2InfoRec r;
    ui::lookUpMessage2(0x10003012, r);
    EXPECT_EQ(r.Lines[1].Text,
              "注意）削除を行うと、内訳に記述してある借入先などの情報は科目情報を取り込んでも記述されません。");
    EXPECT_EQ(r.Lines[3].Text, "入れてください。");
}

TEST_F(RichBox, LinksOpenThroughTheUrlLayerAndTurnPurple)
{
    auto r = request(mtInformation, {"詳しくは次のページをご覧下さい。"});
    r.Lines[1].URL = "[_URL_Opt_]";
    r.Lines[2].Text = "サポート";
    r.Lines[2].URL = "https://example.jp/support/";
    TMessageBox2 box;
    prepare(box, r);
    uitest::showActive(box);
    EXPECT_EQ(box.label(1)->text(), QStringLiteral("https://example.jp/option/"));
    EXPECT_TRUE(box.label(1)->font().underline());
    EXPECT_EQ(box.label(1)->palette().color(QPalette::WindowText), QColor(0, 0, 255));
    EXPECT_EQ(box.label(1)->cursor().shape(), Qt::PointingHandCursor);
    EXPECT_FALSE(box.label(0)->font().underline());
    QTest::mouseClick(box.label(1), Qt::LeftButton);
    QTest::mouseClick(box.label(2), Qt::LeftButton);
    QTest::mouseClick(box.label(0), Qt::LeftButton);
    EXPECT_EQ(opened, (std::vector<std::string>{"https://example.jp/option/",
                                                "https://example.jp/support/"}));
    EXPECT_EQ(box.label(2)->palette().color(QPalette::WindowText), QColor(128, 0, 128));
    uitest::shotOnFailure(box);
}

TEST_F(RichBox, CtrlCCopiesCaptionAndAllTenLines)
{
    auto r = request(mtInformation, {"一行だけ"});
    TMessageBox2 box;
    prepare(box, r);
    uitest::showActive(box);
    QTest::keyClick(box.focusWidget() ? box.focusWidget() : &box, Qt::Key_C,
                    Qt::ControlModifier);
    const QString rule(27, QLatin1Char('-'));
    QString expected = rule + QStringLiteral("\r\n情報\r\n") + rule +
                       QStringLiteral("\r\n一行だけ\r\n");
    for (int i = 0; i < 9; ++i)
        expected += QStringLiteral("\r\n");
    EXPECT_EQ(QGuiApplication::clipboard()->text(), expected);
    EXPECT_TRUE(box.isVisible());
}
