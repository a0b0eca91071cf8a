#include "ui/WizardPages.h"

#include "ui/OwnerDrawnButton.h"

#include "UiTestSupport.h"

#include <QLabel>

namespace {

const QString kNext = QStringLiteral("次へ(&N) >");
const QString kFinish = QStringLiteral("完了(&F)");
const QString kBack = QStringLiteral("< 戻る(&B)");

// A host form: a wizard of `pages` pages, Back and Next buttons, a header label; every event
// is written to a log in the order it fires.
class Host : public QWidget {
public:
    explicit Host(int pages)
    {
        wizard = new TxWizard(this);
        for (int i = 1; i <= pages; ++i) {
            auto* page = new QWidget;
            page->setObjectName(QStringLiteral("page%1").arg(i));
            wizard->addPage(page);
        }
        back = new TxPlButton(QStringLiteral("btnBack"), this);
        next = new TxPlButton(QStringLiteral("btnNext"), this);
        header = new QLabel(QStringLiteral("before"), this);
        wizard->OnPageChanged = [this](QObject*) {
            log.push_back("changed " + std::to_string(wizard->PageIndex()) + " caption " +
                          next->CaptionA().Caption().toStdString());
        };
        wizard->OnNextClicking = [this](QObject* sender, bool finalState, bool& allow) {
            EXPECT_EQ(sender, next);
            log.push_back(std::string("clicking ") + (finalState ? "final" : "not-final"));
            allow = allowNext;
        };
        wizard->OnNextClick = [this](QObject* sender, bool finalState) {
            EXPECT_EQ(sender, next);
            log.push_back(std::string("next ") + (finalState ? "final" : "not-final"));
        };
        wizard->OnBackClick = [this](QObject* sender) {
            EXPECT_EQ(sender, back);
            log.push_back("back");
        };
        wizard->setNextButton(next);
        wizard->setBackButton(back);
        wizard->setLblHeader(header);
        show();
    }

    void clickNext() { next->Click(); }
    void clickBack() { back->Click(); }

    TxWizard* wizard;
    TxPlButton* back;
    TxPlButton* next;
    QLabel* header;
    std::vector<std::string> log;
    bool allowNext = true;
};

struct State {
    int page;
    QString nextCaption;
    bool backVisible;
};

void expectState(const Host& h, const State& s, const char* step)
{
    EXPECT_EQ(h.wizard->PageIndex(), s.page) << step;
    EXPECT_EQ(h.next->CaptionA().Caption(), s.nextCaption) << step;
    EXPECT_EQ(h.back->isVisible(), s.backVisible) << step;
}

} // namespace

TEST(TxWizard, AssigningTheButtonsSetsTheirCaptionsAndHidesBack)
{
    Host one(1);
    EXPECT_EQ(one.next->CaptionA().Caption(), kFinish);
    Host three(3);
    EXPECT_EQ(three.next->CaptionA().Caption(), kNext);
    EXPECT_EQ(three.back->CaptionA().Caption(), kBack);
    EXPECT_FALSE(three.back->isVisible());
}

// Clicks that leave the page where it is: the buttons they leave and the events they report.
TEST(TxWizard, ClicksThatStayOnThePage)
{
    struct Case {
        const char* what;
        int pages;
        int nextsBefore;
        bool allowNext;
        bool backShown; // shown by hand before the click
        bool next;      // else back
        State after;
        std::vector<std::string> log;
    };
    const Case cases[] = {
        {"next on the only page reports finish", 1, 0, true, false, true, {0, kFinish, false},
         {"clicking not-final", "next final"}},
        {"a refused next changes nothing", 3, 1, false, true, true, {1, kNext, true},
         {"clicking not-final"}},
        {"back on the first page hides back and still reports", 3, 0, true, true, false,
         {0, kNext, false}, {"back"}},
    };
    for (const auto& c : cases) {
        Host h(c.pages);
        for (int i = 0; i < c.nextsBefore; ++i)
            h.clickNext();
        h.allowNext = c.allowNext;
        h.back->setVisible(c.backShown);
        h.log.clear();
        if (c.next)
            h.clickNext();
        else
            h.clickBack();
        expectState(h, c.after, c.what);
        EXPECT_EQ(h.log, c.log) << c.what;
    }
}

TEST(TxWizard, FourPagesStepBackNextAndFinish)
{
    Host h(4);
    struct Step {
        const char* name;
        bool next; // else back
        State after;
    };
    const Step steps[] = {
        {"next to 1", true, {1, kNext, true}},
        {"next to 2", true, {2, kNext, true}},
        {"next to 3 (last)", true, {3, kFinish, true}},
        {"next on the last page stays", true, {3, kFinish, true}},
        {"back to 2", false, {2, kNext, true}},
        {"back to 1", false, {1, kNext, true}},
        {"back to 0 hides back", false, {0, kNext, false}},
    };
    for (const auto& s : steps) {
        h.log.clear();
        if (s.next)
            h.clickNext();
        else
            h.clickBack();
        expectState(h, s.after, s.name);
    }
    uitest::shotOnFailure(h);
}

TEST(TxWizard, EventsFireInOrderWithPageChangedFirst)
{
    Host h(3);
    h.clickNext();
    h.clickNext();
    h.clickNext();
    h.clickBack();
    const std::vector<std::string> expected = {
        "clicking not-final", "changed 1 caption " + kNext.toStdString(), "next not-final",
        "clicking not-final", "changed 2 caption " + kNext.toStdString(), "next not-final",
        "clicking not-final", "next final",
        "changed 1 caption " + kFinish.toStdString(), "back",
    };
    EXPECT_EQ(h.log, expected);
}


TEST(TxWizard, HeaderTextsFollowThePageIndexWhereTheListHasThem)
{
    Host h(4);
    h.wizard->setHeaderCaption({QStringLiteral("first"), QStringLiteral("second")});
    h.wizard->setLblHeader(h.header);
    EXPECT_EQ(h.header->text(), QStringLiteral("first"));
    const char* expected[] = {"second", "second", "second"};
    for (const char* e : expected) {
        h.clickNext();
        EXPECT_EQ(h.header->text(), QString::fromUtf8(e)) << h.wizard->PageIndex();
    }
}

TEST(TxWizard, RemovedPagesAreSkipped)
{
    Host h(4);
    ASSERT_TRUE(h.wizard->removePage(QStringLiteral("page3")));
    EXPECT_FALSE(h.wizard->removePage(QStringLiteral("page9")));
    EXPECT_EQ(h.wizard->Pages(), (QStringList{QStringLiteral("page1"), QStringLiteral("page2"),
                                              QStringLiteral("page4")}));
    h.clickNext();
    h.clickNext();
    EXPECT_EQ(h.wizard->PageIndex(), 2);
    EXPECT_EQ(h.wizard->currentWidget()->objectName(), QStringLiteral("page4"));
    EXPECT_EQ(h.next->CaptionA().Caption(), kFinish);
}

TEST(TxWizard, PageIndexIgnoresTheCurrentAndOutOfRangeValues)
{
    Host h(3);
    int changes = 0;
    h.wizard->OnPageChanged = [&](QObject*) { ++changes; };
    for (int bad : {0, -1, 3, 99})
        h.wizard->setPageIndex(bad);
    EXPECT_EQ(changes, 0);
    h.wizard->setPageIndex(2);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(h.wizard->PageIndex(), 2);
}
