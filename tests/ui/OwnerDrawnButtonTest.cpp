#include "ui/OwnerDrawnButton.h"

#include "platform/Dialog.h"
#include "platform/MessageService.h"
#include "support/MessageRecorder.h"
#include "support/TempDir.h"
#include "ui/KeyEdit.h"

#include "UiTestSupport.h"

#include <QImage>
#include <QMouseEvent>

namespace {

class ButtonForm : public platform::Dialog {
public:
    ButtonForm()
    {
        setObjectName(QStringLiteral("ButtonForm"));
        edit = new TxEdit(this);
        edit->setObjectName(QStringLiteral("edit"));
        edit->setGeometry(10, 10, 100, 22);
        ok = new TxPlButton(QStringLiteral("btnOK"), this);
        ok->setGeometry(10, 40, 75, 26);
        ok->setModalResult(platform::mrOk);
        cancel = new TxPlButton(QStringLiteral("btnCancel"), this);
        cancel->setGeometry(100, 40, 75, 26);
        cancel->setModalResult(platform::mrCancel);
        cancel->setCancel(true);
        resize(200, 80);
    }
    TxEdit* edit;
    TxPlButton* ok;
    TxPlButton* cancel;
};

} // namespace

TEST(TxPlButtonGeometry, CaptionLinesFollowTheCentringRules)
{
    struct Case {
        const char* name;
        bool firstEmpty, secondEmpty, vertCenter;
        int captionTop;
        int yA, yB, captionTopAfter;
    };
    const Case cases[] = {
        {"one line centred", false, true, true, 0, 10, 26, 10},
        {"two lines centred", false, false, true, 0, 1, 17, 1},
        {"second line only, centred", true, false, true, 0, 1, 9, 9},
        {"fixed top, two lines", false, false, false, 7, 7, 23, 7},
        {"fixed top, second line only", true, false, false, 7, 7, 7, 7},
    };
    for (const auto& c : cases) {
        const auto r = plbutton::placeCaptions(30, 12, 12, c.firstEmpty, c.secondEmpty,
                                               c.vertCenter, c.captionTop, 4);
        EXPECT_EQ(r.yA, c.yA) << c.name;
        if (!c.secondEmpty) {
            EXPECT_EQ(r.yB, c.yB) << c.name;
        }
        EXPECT_EQ(r.captionTop, c.captionTopAfter) << c.name;
    }
}

TEST(TxPlButtonGeometry, LetterSpacingSpreadsTheFreeSpace)
{
    EXPECT_EQ(plbutton::evenGaps(6, 3), (std::vector<int>{3, 3}));
    EXPECT_EQ(plbutton::evenGaps(7, 3), (std::vector<int>{4, 3}));
    EXPECT_EQ(plbutton::evenGaps(-3, 3), (std::vector<int>{-2, -1}));
    EXPECT_EQ(plbutton::evenGaps(5, 1), std::vector<int>{});
}

TEST(TxPlButtonPaint, GradientRowsTruncateTowardZero)
{
    EXPECT_EQ(plbutton::gradientRow(Qt::white, Qt::black, 1, 3), QColor(128, 128, 128));
    EXPECT_EQ(plbutton::gradientRow(Qt::white, Qt::black, 0, 1), QColor(Qt::white));

    TxPlButton b;
    b.setButtonStyle(bsFlatNoFrame);
    b.setGradBeginColor(platform::clWhite);
    b.setGradEndColor(platform::clBlack);
    b.resize(20, 3);
    const QImage img = b.grab().toImage();
    ASSERT_EQ(img.height(), 3);
    EXPECT_EQ(QColor(img.pixel(10, 0)), QColor(255, 255, 255));
    EXPECT_EQ(QColor(img.pixel(10, 1)), QColor(128, 128, 128));
    EXPECT_EQ(QColor(img.pixel(10, 2)), QColor(0, 0, 0));
}

TEST(TxPlButtonPaint, AccessKeyMarksAreNotDrawn)
{
    // "&N" marks the access key as on a Windows button and is not drawn; "&&" shows one "&".
    auto image = [](const QString& caption) {
        TxPlButton b;
        b.resize(120, 28);
        b.CaptionA().setCaption(caption);
        return b.grab().toImage();
    };
    EXPECT_EQ(image(QStringLiteral("次へ(&N) >")), image(QStringLiteral("次へ(N) >")));
    EXPECT_EQ(image(QStringLiteral("&OK")), image(QStringLiteral("OK")));
    EXPECT_NE(image(QStringLiteral("A&&B")), image(QStringLiteral("AB")));
}

TEST(TxPlButtonPaint, ScreenshotsOfEachState)
{
    ButtonForm form;
    uitest::showActive(form);
    TxPlButton& b = *form.ok;
    b.CaptionA().setCaption(QStringLiteral("OK(&O)"));
    b.setGradEndColor(11974326);
    uitest::saveShot(b, "TxPlButton-normal");
    b.setFocus();
    uitest::saveShot(b, "TxPlButton-focused");
    QTest::mousePress(&b, Qt::LeftButton);
    EXPECT_TRUE(b.pressed());
    uitest::saveShot(b, "TxPlButton-pressed");
    b.setEnabled(false);
    uitest::saveShot(b, "TxPlButton-disabled");
    b.setEnabled(true);
    b.CaptionB().setCaption(QStringLiteral("二行目"));
    b.setButtonStyle(bsFlat);
    b.setFlatFrameType(bffEtched);
    uitest::saveShot(b, "TxPlButton-flat-two-lines");
    b.setButtonStyle(bsRoundRect);
    uitest::saveShot(b, "TxPlButton-round");
    b.CaptionA().setAlignment(taEven);
    b.setButtonStyle(bsNormal);
    uitest::saveShot(b, "TxPlButton-letter-spaced");
    EXPECT_FALSE(b.grab().isNull());
}

TEST(TxPlButtonBehaviour, ANewButtonIsCaptionedWithItsName)
{
    QWidget form;
    auto* b = new TxPlButton(QStringLiteral("btnX"), &form);
    EXPECT_EQ(b->CaptionA().Caption(), QStringLiteral("btnX"));
    b->CaptionA().setCaption(QStringLiteral("stored"));
    EXPECT_EQ(b->CaptionA().Caption(), QStringLiteral("stored"));
    EXPECT_EQ(b->size(), QSize(75, 26));
}

TEST(TxPlButtonBehaviour, RoundStylesShapeTheWindow)
{
    TxPlButton b;
    b.resize(75, 26);
    EXPECT_TRUE(b.mask().isEmpty());
    b.setButtonStyle(bsRoundRect);
    EXPECT_FALSE(b.mask().isEmpty());
    EXPECT_FALSE(b.mask().contains(QPoint(0, 0))) << "the corner is cut";
    b.resize(100, 30);
    b.show(); // a hidden widget gets its resize when shown
    EXPECT_TRUE(b.mask().contains(QPoint(95, 15))) << "rebuilt for the new size";
    b.setButtonStyle(bsNormal);
    EXPECT_TRUE(b.mask().isEmpty());
}

TEST(TxPlButtonBehaviour, OnlyBitmapsAndIconsArePictures)
{
    testsupport::TempDir dir;
    QImage img(8, 8, QImage::Format_RGB32);
    img.fill(Qt::red);
    const QString bmp = QString::fromStdString((dir / "a.bmp").string());
    ASSERT_TRUE(img.save(bmp, "BMP"));
    const QString wmf = QString::fromStdString((dir / "a.wmf").string());
    ASSERT_TRUE(img.save(QString::fromStdString((dir / "a.png").string())));
    QFile::copy(QString::fromStdString((dir / "a.png").string()), wmf);

    TxPlButton b;
    b.Image().loadPicture(bmp);
    EXPECT_TRUE(b.Image().hasPicture());
    b.Image().loadPicture(wmf);
    EXPECT_FALSE(b.Image().hasPicture()) << "a metafile leaves the picture empty";
}

TEST(TxPlButtonBehaviour, EscClicksTheCancelButtonOnlyWithHasFocus)
{
    testsupport::MessageRecorder rec;
    ButtonForm form;
    int clicks = 0;
    form.cancel->OnClick = [&](QObject* sender) {
        EXPECT_EQ(sender, form.cancel);
        ++clicks;
    };
    rec.onDialog([&](QDialog& d) {
        QApplication::setActiveWindow(&d);
        form.edit->setFocus();
        form.cancel->setHasFocus(false);
        QTest::keyClick(form.edit, Qt::Key_Escape);
        QCoreApplication::processEvents();
        EXPECT_TRUE(d.isVisible()) << "HasFocus off: Esc does nothing";
        EXPECT_EQ(clicks, 0);
        form.cancel->setHasFocus(true);
        QTest::keyPress(form.edit, Qt::Key_Escape);
        EXPECT_EQ(clicks, 1);
        QCoreApplication::processEvents();
        EXPECT_FALSE(d.isVisible());
        return d.result();
    });
    EXPECT_EQ(platform::execDialog(form), platform::mrCancel);
}

TEST(TxPlButtonBehaviour, EnterClicksTheFocusedButtonShiftEnterOnlyNotifies)
{
    ButtonForm form;
    uitest::showActive(form);
    int clicks = 0;
    form.ok->OnClick = [&](QObject*) { ++clicks; };
    form.ok->setFocus();
    QTest::keyClick(form.ok, Qt::Key_Return, Qt::ShiftModifier);
    EXPECT_EQ(clicks, 1);
    QCoreApplication::processEvents();
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(form.modalResult(), platform::mrNone) << "Shift+Enter leaves the result";

    QTest::keyClick(form.ok, Qt::Key_Return);
    EXPECT_EQ(clicks, 2);
    EXPECT_EQ(form.modalResult(), platform::mrOk);
    QCoreApplication::processEvents();
    EXPECT_FALSE(form.isVisible());
    uitest::shotOnFailure(form);
}

TEST(TxPlButtonBehaviour, AButtonWithoutHasFocusLeavesTheFocusAlone)
{
    ButtonForm form;
    uitest::showActive(form);
    int enters = 0;
    int clicks = 0;
    std::vector<std::string> mouse;
    form.ok->setHasFocus(false);
    form.ok->setModalResult(platform::mrNone);
    form.ok->OnEnter = [&](QObject*) { ++enters; };
    form.ok->OnClick = [&](QObject*) { ++clicks; };
    form.ok->OnMouseDown = [&](QObject*, Qt::MouseButton, Qt::KeyboardModifiers, int, int) {
        mouse.push_back("down");
    };
    form.ok->OnMouseUp = [&](QObject*, Qt::MouseButton, Qt::KeyboardModifiers, int, int) {
        mouse.push_back("up");
    };
    form.edit->setFocus();
    QTest::mouseClick(form.ok, Qt::LeftButton);
    EXPECT_EQ(QApplication::focusWidget(), form.edit);
    EXPECT_EQ(enters, 0);
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(mouse, (std::vector<std::string>{"down", "up"}));
    uitest::shotOnFailure(form);
}

TEST(TxPlButtonBehaviour, PointerEnteringAndLeavingIsReported)
{
    ButtonForm form;
    uitest::showActive(form);
    std::vector<std::string> log;
    form.ok->OnMouseEnter = [&](QObject* sender, Qt::KeyboardModifiers shift, int, int) {
        EXPECT_EQ(sender, form.ok);
        EXPECT_EQ(shift, Qt::NoModifier);
        log.push_back("enter");
    };
    form.ok->OnMouseLeave = [&](QObject*, Qt::KeyboardModifiers, int, int) {
        log.push_back("leave");
    };
    QTest::mouseMove(form.ok, QPoint(10, 10));
    QTest::mousePress(form.ok, Qt::LeftButton);
    EXPECT_TRUE(form.ok->pressed());
    // Held down, the pointer moves off the button (the button keeps the pointer grab).
    const QPoint outside(-20, 5);
    QMouseEvent move(QEvent::MouseMove, outside, form.ok->mapToGlobal(outside), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(form.ok, &move);
    EXPECT_FALSE(form.ok->pressed()) << "leaving ends the pressed look";
    EXPECT_EQ(log, (std::vector<std::string>{"enter", "leave"}));
    uitest::shotOnFailure(form);
}
