#include "ui/ProgressDialog.h"

#include "support/MessageRecorder.h"
#include "support/TempDir.h"

#include "UiTestSupport.h"

#include <QLabel>
#include <QPushButton>

#include <stdexcept>

namespace {

class Owner : public QWidget {
public:
    Owner()
    {
        setObjectName(QStringLiteral("Owner"));
        setGeometry(100, 100, 600, 400);
    }
};

} // namespace

TEST(TxAnimeProgressDialog, ShowDisablesTheOwnerUntilClose)
{
    Owner owner;
    uitest::showActive(owner);
    TxAnimeProgressDialog dlg;
    dlg.setCaption(QStringLiteral("コピー中"));
    dlg.setInfoLabel(QStringLiteral("データのコピー中…"));
    dlg.setCancelBtnShow(false);
    dlg.Show(&owner);
    ASSERT_NE(dlg.Handle(), nullptr);
    EXPECT_TRUE(dlg.Handle()->isVisible());
    EXPECT_TRUE(dlg.Handle()->isEnabled()) << "the window itself stays usable";
    EXPECT_FALSE(owner.isEnabled());
    EXPECT_EQ(dlg.Handle()->windowTitle(), QStringLiteral("コピー中"));
    EXPECT_EQ(dlg.infoLabelWidget()->text(), QStringLiteral("データのコピー中…"));
    EXPECT_EQ(dlg.ParentHandle(), &owner);
    uitest::saveShot(*dlg.Handle(), "TxAnimeProgressDialog-shown");

    // Centred over the owner.
    const QRect o = owner.frameGeometry();
    const QRect f = dlg.Handle()->frameGeometry();
    EXPECT_EQ(f.left(), o.left() + (o.width() - f.width()) / 2);
    EXPECT_EQ(f.top(), o.top() + (o.height() - f.height()) / 2);

    EXPECT_EQ(dlg.Close(), 0);
    EXPECT_EQ(dlg.Handle(), nullptr);
    EXPECT_TRUE(owner.isEnabled());
}

TEST(TxAnimeProgressDialog, DestroyingItWhileShownEnablesTheOwner)
{
    Owner owner;
    uitest::showActive(owner);
    {
        TxAnimeProgressDialog dlg;
        dlg.Show(&owner);
        EXPECT_FALSE(owner.isEnabled());
    }
    EXPECT_TRUE(owner.isEnabled());
}

TEST(TxAnimeProgressDialog, ChildrenArePlacedByLabelPositionAndCancelButton)
{
    struct Case {
        const char* name;
        bool cancel;
        TxLabelPosition position;
        QPoint animation;
        QPoint label;
    };
    const Case cases[] = {
        {"cancel, right", true, xlpRight, {20, 16}, {60, 24}},
        {"cancel, bottom", true, xlpBottom, {20, 16}, {20, 52}},
        {"no cancel, right", false, xlpRight, {20, 30}, {60, 42}},
        {"no cancel, bottom", false, xlpBottom, {20, 30}, {20, 70}},
    };
    for (const auto& c : cases) {
        TxAnimeProgressDialog dlg;
        dlg.setCancelBtnShow(c.cancel);
        dlg.setLabelPosition(c.position);
        dlg.Show();
        EXPECT_EQ(dlg.Handle()->size(), QSize(380, 100)) << c.name;
        EXPECT_EQ(dlg.animationWidget()->geometry(), QRect(c.animation, QSize(32, 32))) << c.name;
        EXPECT_EQ(dlg.infoLabelWidget()->pos(), c.label) << c.name;
        EXPECT_EQ(dlg.infoLabelWidget()->width(), 300) << c.name;
        if (c.cancel) {
            ASSERT_NE(dlg.cancelButton(), nullptr) << c.name;
            EXPECT_EQ(dlg.cancelButton()->geometry(), QRect(152, 67, 76, 23)) << c.name;
            EXPECT_EQ(dlg.cancelButton()->text(), QStringLiteral("キャンセル"));
        } else {
            EXPECT_EQ(dlg.cancelButton(), nullptr) << c.name;
        }
        dlg.Close();
    }
}

TEST(TxAnimeProgressDialog, InfoLabelRepaintsWithoutTheEventLoop)
{
    TxAnimeProgressDialog dlg;
    dlg.Show();
    const QImage before = dlg.Handle()->grab().toImage();
    dlg.setInfoLabel(QStringLiteral("2件目を処理しています"));
    EXPECT_EQ(dlg.infoLabelWidget()->text(), QStringLiteral("2件目を処理しています"));
    EXPECT_NE(dlg.Handle()->grab().toImage(), before);
    dlg.setCaption(QStringLiteral("処理中"));
    EXPECT_EQ(dlg.Handle()->windowTitle(), QStringLiteral("処理中"));
    uitest::saveShot(*dlg.Handle(), "TxAnimeProgressDialog-info");
}

TEST(TxAnimeProgressDialog, CancelSetsTheFlagAndTheNextShowClearsIt)
{
    TxAnimeProgressDialog dlg;
    dlg.Show();
    ASSERT_NE(dlg.cancelButton(), nullptr);
    QTest::mouseClick(dlg.cancelButton(), Qt::LeftButton);
    QCoreApplication::processEvents();
    EXPECT_TRUE(dlg.Cancelled);
    dlg.Show();
    EXPECT_FALSE(dlg.Cancelled);
}

TEST(TxAnimeProgressDialog, AnimationPlaysOnlyWithASource)
{
    testsupport::TempDir dir;
    {
        TxAnimeProgressDialog dlg;
        dlg.setAviFile(QString::fromStdString((dir / "progress.avi").string()));
        dlg.Show();
        EXPECT_FALSE(dlg.AnimeActive()) << "a missing file: no animation";
        EXPECT_TRUE(dlg.AviFile().isEmpty()) << "the missing name is dropped";
    }
    {
        // A file Qt cannot decode plays as the busy indicator.
        testsupport::writeFile(dir / "progress.avi", "RIFF....AVI LIST");
        TxAnimeProgressDialog dlg;
        dlg.setAviFile(QString::fromStdString((dir / "progress.avi").string()));
        dlg.Show();
        EXPECT_TRUE(dlg.AnimeActive());
        EXPECT_FALSE(dlg.animationWidget()->usesMovie());
        EXPECT_FALSE(dlg.animationWidget()->usesFrames());
        dlg.PlayAnime(false);
        EXPECT_FALSE(dlg.AnimeActive());
    }
    {
        TxAnimeProgressDialog dlg;
        dlg.setCommonAVI(aviFindFolder);
        dlg.Show();
        EXPECT_TRUE(dlg.AnimeActive());
    }
}

TEST(TxAnimeProgressDialog, TheShippedAnimationPlaysItsFrames)
{
    TxAnimeProgressDialog dlg;
    dlg.setAviFile(QStringLiteral(TEST_SOURCE_DIR "/../../src/app/progress.avi"));
    dlg.Show();
    ProgressAnimation* animation = dlg.animationWidget();
    ASSERT_TRUE(animation->usesFrames()) << "the AVI file was not decoded";
    EXPECT_TRUE(dlg.AnimeActive());
    const QImage first = animation->grab().toImage();
    QImage later;
    EXPECT_TRUE(QTest::qWaitFor([&] {
        later = animation->grab().toImage();
        return later != first;
    }, 5000)) << "the frame never changed";
    // The frame is drawn: the dot's blue is in the square.
    bool blue = false;
    for (int y = 0; y < later.height() && !blue; ++y)
        for (int x = 0; x < later.width() && !blue; ++x)
            blue = later.pixelColor(x, y).blue() > 140 && later.pixelColor(x, y).red() < 80;
    EXPECT_TRUE(blue);
    uitest::saveShot(*dlg.Handle(), "TxAnimeProgressDialog-animation");
    dlg.PlayAnime(false);
    EXPECT_FALSE(dlg.AnimeActive());
}

TEST(TxAnimeProgressDialog, OnShowRunsInsideAModalShowAndPassesErrorsOn)
{
    testsupport::MessageRecorder rec;
    TxAnimeProgressDialog dlg;
    int calls = 0;
    dlg.OnShow = [&](QObject* sender) {
        EXPECT_NE(sender, nullptr);
        ++calls;
        throw std::runtime_error("work failed");
    };
    rec.onDialog([](QDialog& d) {
        QCoreApplication::processEvents();
        EXPECT_FALSE(d.isVisible()) << "OnShow ends the modal loop";
        return d.result();
    });
    EXPECT_THROW(dlg.Show(), std::runtime_error);
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(dlg.Handle(), nullptr);
}

TEST(TxAnimeProgressDialog, ClosingTheWindowCallsOnClose)
{
    TxAnimeProgressDialog dlg;
    int closes = 0;
    dlg.OnClose = [&](QObject*) { ++closes; };
    dlg.Show();
    dlg.Handle()->close();
    EXPECT_EQ(closes, 1);
    dlg.Close();
    EXPECT_EQ(closes, 1) << "freeing the window is no close event";
}
