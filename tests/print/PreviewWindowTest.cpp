// The preview window on real print files: paging, the page jump, zoom, the margins dialog, the
// printer set-up dialog, and the paint box against the painter's own rendering.
#include "PrintTestSupport.h"

#include "platform/Printers.h"
#include "platform/Text.h"
#include "print/MarginsDialog.h"
#include "print/PagePainter.h"
#include "print/PreviewWindow.h"
#include "print/PrinterSetupDialog.h"
#include "support/MessageRecorder.h"

#include <QApplication>
#include <QComboBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QMouseEvent>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace {

using printtest::EngineTest;
using testsupport::MessageRecorder;

std::string shotPath(const std::string& name)
{
    const std::string dir = std::string(TEST_BINARY_DIR) + "/print-render";
    std::filesystem::create_directories(dir);
    return dir + "/" + name;
}

class PreviewWindowTest : public EngineTest {
protected:
    std::string pages(int n, const std::string& name = "pv.tmp")
    {
        std::vector<std::string> lines = {
            "*VELLUM48*************************************************************",
            "*[SETTING]", "*PAPERSIZE=9",
            "*************************************************************VELLUM48*"};
        for (int i = 1; i <= n; ++i) {
            lines.push_back("TEXT;150;200;頁" + std::to_string(i) + ";ＭＳ ゴシック;14;;黒;1;LEFT;0;0;");
            lines.push_back("BOX;100;100;1000;600;6;0;黒;白;1;");
            if (i < n)
                lines.push_back("E;");
        }
        return writeFile(name, lines);
    }
    print::TVL48DEF job(const std::string& data)
    {
        print::TVL48DEF j;
        j.DataFile = data;
        j.Title = "試験プレビュー";
        j.PaperSize = 9;
        return j;
    }
    // Runs the preview; the handler works the shown window and returns.
    int preview(print::TVL48DEF& j, MessageRecorder& rec,
                std::function<void(print::TImageDispForm&)> work)
    {
        rec.onDialog([work](QDialog& d) {
            auto* form = qobject_cast<print::TImageDispForm*>(&d);
            if (!form) {
                ADD_FAILURE() << "the preview window was not shown";
                return 0;
            }
            form->activateWindow();
            QApplication::processEvents();
            EXPECT_TRUE(form->isActiveWindow()) << "the preview window did not become active";
            work(*form);
            if (form->isVisible())
                form->close();
            return 0;
        });
        return print::ShowPreview(&j);
    }
    static void click(print::TImageDispForm& f, const char* name)
    {
        QToolButton* b = f.button(name);
        ASSERT_NE(b, nullptr) << name;
        b->click();
    }
    static std::string where(print::TImageDispForm& f)
    {
        return f.wherePage()->text().toStdString();
    }
};

TEST_F(PreviewWindowTest, PagingShowsWhereItIs)
{
    MessageRecorder rec;
    print::TVL48DEF j = job(pages(3));
    std::vector<std::string> seen;
    const int result = preview(j, rec, [&](print::TImageDispForm& f) {
        EXPECT_EQ(f.windowTitle().toStdString(), "試験プレビュー");
        EXPECT_EQ(f.button("CloseButton")->toolTip().toStdString(), "プレビューを中止する。");
        EXPECT_EQ(f.button("SB_MARGIN")->toolTip().toStdString(), "上余白・左余白を設定します");
        EXPECT_EQ(f.button("PgJump")->text().toStdString(), "Jmp");
        seen.push_back(where(f));
        click(f, "NextPage");
        seen.push_back(where(f));
        click(f, "LastPage");
        seen.push_back(where(f));
        click(f, "NextPage"); // past the end: stays
        seen.push_back(where(f));
        click(f, "TopPage");
        seen.push_back(where(f));
        click(f, "PrevPage"); // before the start: stays
        seen.push_back(where(f));
        f.grab().save(QString::fromStdString(shotPath("preview-fitted.png")));
        // Maximised on a screen 800 pixels wide, the bar still shows its last panel.
        EXPECT_LE(f.width(), 800);
        EXPECT_TRUE(f.wherePage()->isVisible()) << "the page panel fell off the tool bar";
        click(f, "SpeedButton3");
        // As on a common 1024-pixel screen, where the whole tool bar fits.
        f.setWindowState(Qt::WindowNoState);
        f.resize(1024, 700);
        QApplication::processEvents();
        f.grab().save(QString::fromStdString(shotPath("preview-100.png")));
        click(f, "CloseButton");
    });
    EXPECT_EQ(seen, (std::vector<std::string>{"1/3", "2/3", "3/3", "3/3", "1/3", "1/3"}));
    EXPECT_EQ(result, 0) << "the close button answers 0";
    // The preview itself is the one thing shown: no message box came with it.
    ASSERT_EQ(rec.boxes().size(), 1u);
    EXPECT_EQ(rec.boxes()[0].kind, "dialog");
}

TEST_F(PreviewWindowTest, ClosingOtherwiseAnswersNonZero)
{
    MessageRecorder rec;
    print::TVL48DEF j = job(pages(1));
    EXPECT_NE(preview(j, rec, [](print::TImageDispForm&) {}), 0);
}

TEST_F(PreviewWindowTest, PageJumpTakesOnlyPagesThatExist)
{
    struct Case {
        const char* typed;
        std::string expected;
    };
    const std::vector<Case> cases = {{"0", "2/3"}, {"9", "2/3"}, {"3", "3/3"}, {"abc", "1/3"}};
    for (const Case& c : cases) {
        MessageRecorder rec;
        print::TVL48DEF j = job(pages(3));
        std::string after;
        rec.onDialog([&](QDialog& d) {
            auto* f = qobject_cast<print::TImageDispForm*>(&d);
            f->activateWindow();
            QApplication::processEvents();
            click(*f, "NextPage");
            click(*f, "PgJump");
            after = where(*f);
            click(*f, "CloseButton");
            return 0;
        });
        rec.onDialog([&](QDialog& box) {
            EXPECT_EQ(box.windowTitle().toStdString(), "ページ指定");
            auto* edit = box.findChild<QLineEdit*>();
            EXPECT_EQ(edit->text().toStdString(), "1");
            edit->setText(QString::fromUtf8(c.typed));
            if (std::string(c.typed) == "abc")
                box.grab().save(QString::fromStdString(shotPath("page-jump.png")));
            return int(platform::mrOk);
        });
        print::ShowPreview(&j);
        EXPECT_EQ(after, c.expected) << c.typed;
    }
}

TEST_F(PreviewWindowTest, ZoomStaysWithinFiveAndTwenty)
{
    MessageRecorder rec;
    print::TVL48DEF j = job(pages(1));
    j.Zoom = 30;
    preview(j, rec, [&](print::TImageDispForm& f) {
        // Fitted: the chosen zoom holds the A4 page and one step more would not.
        const int n = f.zoom();
        EXPECT_GE(n, 5);
        EXPECT_LE(n, 20);
        click(f, "SpeedButton3");
        EXPECT_EQ(f.dispZoom()->text().toStdString(), "100%");
        for (int i = 0; i < 15; ++i)
            click(f, "ZoomInButton");
        EXPECT_EQ(f.zoom(), 20);
        EXPECT_EQ(f.dispZoom()->text().toStdString(), "200%");
        for (int i = 0; i < 20; ++i)
            click(f, "ZoomOutButton");
        EXPECT_EQ(f.zoom(), 5);
        EXPECT_EQ(f.dispZoom()->text().toStdString(), "50%");
    });
    EXPECT_EQ(print::JobDef.Zoom, 10);
}

TEST_F(PreviewWindowTest, DraggingWithTheLeftButtonScrollsByTheDistance)
{
    MessageRecorder rec;
    print::TVL48DEF j = job(pages(1));
    struct Seen {
        int h, v;
        Qt::CursorShape cursor;
    };
    std::vector<Seen> seen;
    preview(j, rec, [&](print::TImageDispForm& f) {
        for (int i = 0; i < 10; ++i)
            click(f, "ZoomInButton"); // 200 %: the page is larger than the window both ways
        QWidget* box = f.paintBox();
        QScrollArea* scroll = f.scrollBox();
        const auto send = [&](QEvent::Type type, QPoint at, Qt::MouseButtons held) {
            QMouseEvent e(type, QPointF(at), box->mapToGlobal(QPointF(at)), Qt::LeftButton, held,
                          Qt::NoModifier);
            QApplication::sendEvent(box, &e);
        };
        const auto record = [&] {
            seen.push_back({scroll->horizontalScrollBar()->value(),
                            scroll->verticalScrollBar()->value(), box->cursor().shape()});
        };
        send(QEvent::MouseButtonPress, {100, 100}, Qt::LeftButton);
        record();
        send(QEvent::MouseMove, {160, 130}, Qt::LeftButton);
        record();
        send(QEvent::MouseMove, {20, 20}, Qt::LeftButton); // never below 0
        record();
        send(QEvent::MouseButtonRelease, {20, 20}, Qt::NoButton);
        send(QEvent::MouseMove, {200, 200}, Qt::NoButton); // without the button: nothing
        record();
    });
    ASSERT_EQ(seen.size(), 4u);
    EXPECT_EQ(seen[0].h, 0);
    EXPECT_EQ(seen[0].cursor, Qt::SizeAllCursor);
    EXPECT_EQ(seen[1].h, 60);
    EXPECT_EQ(seen[1].v, 30);
    EXPECT_EQ(seen[2].h, 0);
    EXPECT_EQ(seen[2].v, 0);
    EXPECT_EQ(seen[3].h, 0);
    EXPECT_EQ(seen[3].cursor, Qt::ArrowCursor);
}

TEST_F(PreviewWindowTest, PrintingFromThePreviewKeepsThePageShown)
{
    const auto pdfPages = [](const std::string& pdf) {
        QProcess info;
        info.start(QStringLiteral("pdfinfo"), {QString::fromStdString(pdf)});
        EXPECT_TRUE(info.waitForFinished(60000)) << "pdfinfo could not run";
        const QString out = QString::fromUtf8(info.readAllStandardOutput());
        const qsizetype at = out.indexOf(QStringLiteral("Pages:"));
        return at < 0 ? -1 : out.mid(at + 6).section(u'\n', 0, 0).trimmed().toInt();
    };
    MessageRecorder rec;
    rec.answerDefaults();
    const std::string whole = (m_docs / "whole.pdf").string();
    // The preview's print asks with the print dialog; its page print does not.
    rec.onDialog([&](QDialog& d) {
        auto* f = qobject_cast<print::TImageDispForm*>(&d);
        f->activateWindow();
        QApplication::processEvents();
        click(*f, "NextPage");
        click(*f, "PrintButton");
        EXPECT_EQ(where(*f), "2/3");
        click(*f, "CurrentPage");
        EXPECT_EQ(where(*f), "2/3");
        click(*f, "CloseButton");
        return 0;
    });
    rec.onDialog([&](QDialog& d) {
        auto* pd = qobject_cast<QPrintDialog*>(&d);
        EXPECT_NE(pd, nullptr) << "the preview's print did not ask";
        if (pd)
            pd->printer()->setOutputFileName(QString::fromStdString(whole));
        return int(QDialog::Accepted);
    });
    print::JobDef.DataFile = pages(3);
    print::JobDef.Title = "試験プレビュー";
    print::JobDef.DocTitle = "頁の印刷";
    print::JobDef.PaperSize = 9;
    print::ShowPreview(&print::JobDef);
    EXPECT_EQ(pdfPages(whole), 3);
    const std::string page = (m_docs / "頁の印刷.pdf").string();
    EXPECT_EQ(pdfPages(page), 1);
    std::vector<std::string> notes;
    for (const auto& b : rec.boxes())
        if (b.kind == "information")
            notes.push_back(b.text);
    EXPECT_EQ(notes, (std::vector<std::string>{"PDF ファイルに出力しました。\r" + whole,
                                               "PDF ファイルに出力しました。\r" + page}));
}

TEST_F(PreviewWindowTest, PrinterSetUpFromThePreviewTurnsThePage)
{
    MessageRecorder rec;
    print::TVL48DEF j = job(pages(1));
    QSize before;
    QSize after;
    rec.onDialog([&](QDialog& d) {
        auto* f = qobject_cast<print::TImageDispForm*>(&d);
        f->activateWindow();
        QApplication::processEvents();
        QWidget* paper = f->findChild<QWidget*>(QStringLiteral("PaperPanel"));
        before = paper->size();
        click(*f, "PrintSetupButton");
        after = paper->size();
        click(*f, "CloseButton");
        return 0;
    });
    rec.onDialog([&](QDialog& d) {
        auto* setup = qobject_cast<print::PrinterSetupDialog*>(&d);
        EXPECT_NE(setup, nullptr) << "the printer set-up was not ours";
        if (!setup)
            return int(platform::mrCancel);
        setup->landscapeButton()->setChecked(true);
        setup->okButton()->click();
        return int(platform::mrOk);
    });
    print::ShowPreview(&j);
    EXPECT_GT(before.height(), before.width());
    EXPECT_GT(after.width(), after.height()) << "the paper did not turn";
}

TEST_F(PreviewWindowTest, WithoutPermissionNothingPrintsOrSaves)
{
    MessageRecorder rec;
    print::TVL48DEF j = job(pages(1));
    j.Permit = false;
    std::vector<bool> enabled;
    preview(j, rec, [&](print::TImageDispForm& f) {
        for (const char* name : {"PrintButton", "PrintSetupButton", "ImageOut", "ImageOpen", "CurrentPage"})
            enabled.push_back(f.button(name)->isEnabled());
        enabled.push_back(f.button("SB_MARGIN")->isEnabled());
    });
    EXPECT_EQ(enabled, (std::vector<bool>{false, false, false, false, false, true}));
}

TEST_F(PreviewWindowTest, MissingDataFileAnswersZeroAndBlankFormOpens)
{
    MessageRecorder rec;
    rec.answerDefaults();
    const std::string missing = (m_dir / "gone.tmp").string();
    print::TVL48DEF j = job(missing);
    EXPECT_EQ(print::ShowPreview(&j), 0);
    ASSERT_EQ(rec.boxes().size(), 1u);
    EXPECT_EQ(rec.boxes()[0].text, "<" + missing + "> が見つかりません。");

    MessageRecorder rec2;
    print::TVL48DEF k = job(pages(2));
    k.FormFile = "   ";
    std::string shown;
    EXPECT_NE(preview(k, rec2, [&](print::TImageDispForm& f) { shown = where(f); }), 0);
    EXPECT_EQ(shown, "1/2");
}

TEST_F(PreviewWindowTest, AVanishedDataFileIsReportedOnceAndCountsOnePage)
{
    MessageRecorder rec;
    rec.answerDefaults();
    const std::string data = pages(3);
    print::TVL48DEF j = job(data);
    std::string shown;
    preview(j, rec, [&](print::TImageDispForm& f) {
        std::filesystem::remove(data);
        for (int i = 0; i < 3; ++i) {
            // Every activation runs the set-up again.
            f.FormCreate();
        }
        shown = where(f);
    });
    int missingBoxes = 0;
    for (const auto& b : rec.boxes())
        missingBoxes += b.text.find("が見つかりません") != std::string::npos &&
                        b.text.front() == '<';
    EXPECT_EQ(missingBoxes, 1);
    EXPECT_EQ(shown, "1/1");
}

TEST_F(PreviewWindowTest, LosingActivationNeitherHidesNorStealsTheFocus)
{
    MessageRecorder rec;
    print::TVL48DEF j = job(pages(2));
    bool previewShown = false;
    bool otherActive = false;
    bool previewActive = true;
    preview(j, rec, [&](print::TImageDispForm& f) {
        QWidget other;
        other.setWindowTitle(QStringLiteral("他の窓"));
        other.show();
        other.activateWindow();
        for (int i = 0; i < 5; ++i)
            QApplication::processEvents();
        previewShown = f.isVisible();
        otherActive = other.isActiveWindow();
        previewActive = f.isActiveWindow();
    });
    EXPECT_TRUE(previewShown);
    EXPECT_TRUE(otherActive) << "the preview took the activation back";
    EXPECT_FALSE(previewActive);
}

TEST_F(PreviewWindowTest, MarginsAreClampedAndMoveThePage)
{
    MessageRecorder rec;
    print::TVL48DEF j = job(pages(1));
    QImage before;
    QImage after;
    QImage direct;
    rec.onDialog([&](QDialog& d) {
        auto* f = qobject_cast<print::TImageDispForm*>(&d);
        f->activateWindow();
        QApplication::processEvents();
        click(*f, "SpeedButton3");
        before = f->paintBox()->grab().toImage();
        click(*f, "SB_MARGIN");
        after = f->paintBox()->grab().toImage();
        // The painter's own rendering of the page with the new margins.
        direct = QImage(after.size(), QImage::Format_RGB32);
        direct.fill(Qt::white);
        {
            QPainter p(&direct);
            p.translate(1, 1);
            print::PrintFile file(print::JobDef.DataFile);
            const double s = f->pixelsPerTenthMm();
            print::PaintPage("DAT", file, p, print::PaintTarget::Preview, 0, 0, 0, false, 10, s, s,
                             f->logicalDpiX());
        }
        click(*f, "CloseButton");
        return 0;
    });
    rec.onDialog([&](QDialog& d) {
        auto* m = qobject_cast<print::Tfmyohaku*>(&d);
        if (!m) {
            ADD_FAILURE() << "the margins dialog was not shown";
            return int(platform::mrCancel);
        }
        m->activateWindow();
        QApplication::processEvents();
        EXPECT_EQ(m->windowTitle().toStdString(), "設定");
        EXPECT_TRUE(m->correctionShown());
        EXPECT_EQ(m->height(), 320);
        const auto type = [&](print::TEditV48SpinBox* box, const char* text) {
            box->setFocus();
            box->edit()->selectAll();
            QTest::keyClicks(box, QString::fromUtf8(text));
        };
        type(m->topBox(), "250");
        type(m->leftBox(), "-50"); // leaving the top box clamps it
        type(m->verticalBox(), "-70");
        type(m->horizontalBox(), "7");
        m->topBox()->setFocus();
        EXPECT_EQ(m->topBox()->edit()->text().toStdString(), "100");
        EXPECT_EQ(m->verticalBox()->edit()->text().toStdString(), "-50");
        m->grab().save(QString::fromStdString(shotPath("margins-dialog.png")));
        m->okButton()->click();
        return int(platform::mrOk);
    });
    print::ShowPreview(&j);
    EXPECT_EQ(print::JobDef.TopMargin, 100);
    EXPECT_EQ(print::JobDef.LeftMargin, -50);
    EXPECT_EQ(print::JobDef.VRATIO, 950);
    EXPECT_EQ(print::JobDef.HRATIO, 1007);
    ASSERT_FALSE(before.isNull());
    EXPECT_NE(before, after) << "the page did not move with the margins";
    // Inside the dotted frame the paint box shows exactly what the painter draws.
    const QRect inner(1, 1, after.width() - 2, after.height() - 2);
    EXPECT_TRUE(after.copy(inner).convertToFormat(QImage::Format_RGB32) ==
                direct.copy(inner).convertToFormat(QImage::Format_RGB32));
}

TEST_F(PreviewWindowTest, MarginsMoveThePageByTheirAmount)
{
    // The box's top left corner, found as the first dark pixels.
    const auto corner = [](const QImage& img) {
        int left = -1;
        int top = -1;
        for (int y = 2; y < img.height() - 2 && top < 0; ++y)
            for (int x = 2; x < img.width() - 2 && top < 0; ++x)
                if (qGray(img.pixel(x, y)) < 64)
                    top = y;
        for (int x = 2; x < img.width() - 2 && left < 0; ++x)
            for (int y = 2; y < img.height() - 2 && left < 0; ++y)
                if (qGray(img.pixel(x, y)) < 64)
                    left = x;
        return QPoint(left, top);
    };
    MessageRecorder rec;
    print::TVL48DEF j = job(pages(1));
    QPoint before;
    QPoint after;
    double pixels = 0;
    rec.onDialog([&](QDialog& d) {
        auto* f = qobject_cast<print::TImageDispForm*>(&d);
        f->activateWindow();
        QApplication::processEvents();
        click(*f, "SpeedButton3");
        pixels = f->pixelsPerTenthMm();
        before = corner(f->paintBox()->grab().toImage());
        click(*f, "SB_MARGIN");
        after = corner(f->paintBox()->grab().toImage());
        click(*f, "CloseButton");
        return 0;
    });
    rec.onDialog([&](QDialog& d) {
        auto* m = qobject_cast<print::Tfmyohaku*>(&d);
        if (!m)
            return int(platform::mrCancel);
        m->topBox()->edit()->setText(QStringLiteral("80"));
        m->leftBox()->edit()->setText(QStringLiteral("-30"));
        m->okButton()->click();
        return int(platform::mrOk);
    });
    print::ShowPreview(&j);
    ASSERT_GE(before.x(), 0);
    // 8 mm down and 3 mm to the left, at the screen's pixels per 0.1 mm.
    EXPECT_NEAR(after.y() - before.y(), 80 * pixels, 1.0);
    EXPECT_NEAR(after.x() - before.x(), -30 * pixels, 1.0);
}

TEST_F(PreviewWindowTest, MarginKeysTakeOnlyASignedNumber)
{
    print::Tfmyohaku m;
    m.show();
    m.activateWindow();
    QApplication::processEvents();
    struct Case {
        const char* typed;
        const char* shown;
    };
    const std::vector<Case> cases = {{"1a2", "12"}, {"-5", "-5"}, {"5-", "5"}, {"00", "0"},
                                     {"-0", "-"}};
    for (const Case& c : cases) {
        m.topBox()->setFocus();
        m.topBox()->edit()->clear();
        QTest::keyClicks(m.topBox(), QString::fromUtf8(c.typed));
        EXPECT_EQ(m.topBox()->edit()->text().toStdString(), c.shown) << c.typed;
    }
}

TEST_F(PreviewWindowTest, PrinterSetUpChoosesPaperAndOrientation)
{
    platform::PrinterHost& host = *print::reportEngine().printers;
    print::PrinterSetupDialog d(host);
    d.show();
    ASSERT_EQ(d.printerBox()->count(), host.count());
    const int a3 = d.paperBox()->findData(8);
    ASSERT_GE(a3, 0) << "the PDF printer offers A3";
    d.paperBox()->setCurrentIndex(a3);
    d.landscapeButton()->setChecked(true);
    d.grab().save(QString::fromStdString(shotPath("printer-setup.png")));
    d.okButton()->click();
    EXPECT_EQ(host.devMode().paperSize, 8);
    EXPECT_EQ(host.devMode().orientation, 2);
    EXPECT_EQ(host.horzSizeMM(), 420);
}

} // namespace

namespace {

class PreviewFileTest : public PreviewWindowTest {
protected:
    // A job with a form and two pictures drawn in mode 1.
    print::TVL48DEF savedJob()
    {
        const std::string form = writeFile("form.vxf", {"TEXT;150;1500;F1;ＭＳ ゴシック;14;;黒;1;LEFT;0;0;"});
        testsupport::writeFile(m_dir / "one.jpg", "not really a picture");
        testsupport::writeFile(m_dir / "two.jpg", "nor this one");
        const std::string data = writeFile(
            "job.tmp",
            {"*VELLUM48*************************************************************",
             "*[SETTING]", "*FORMFILE=" + form, "*PAPERSIZE=9", "*ORIENTATION=0",
             "*************************************************************VELLUM48*",
             "IMAGE;100;100;500;500;" + (m_dir / "one.jpg").string() + ";1;",
             "IMAGE;600;100;900;500;" + (m_dir / "two.jpg").string() + ";1;"});
        print::TVL48DEF j = job(data);
        j.FormFile = form;
        j.Title = "月次.txt";
        // As the report component fills it: the buttons follow JobDef's own switch.
        print::JobDef.ImageOut = true;
        return j;
    }
};

TEST_F(PreviewFileTest, SavingCopiesTheFormAndPicturesBesideTheFile)
{
    MessageRecorder rec;
    rec.answerDefaults();
    print::TVL48DEF j = savedJob();
    const std::filesystem::path out = m_dir / "saved";
    std::filesystem::create_directories(out);
    rec.pick((out / "別名.V48").string());
    preview(j, rec, [&](print::TImageDispForm& f) {
        EXPECT_TRUE(f.button("ImageOut")->isEnabled());
        click(f, "ImageOut");
    });
    ASSERT_GE(rec.boxes().size(), 2u);
    EXPECT_EQ(rec.boxes()[1].kind, "save");
    const std::string base = (out / "別名").string();
    ASSERT_TRUE(std::filesystem::exists(base + ".V48"));
    const std::string text = platform::text::fromCp932(testsupport::readFile(base + ".V48"));
    EXPECT_NE(text.find("*FORMFILE=" + base + ".VXF\r\n"), std::string::npos) << text;
    EXPECT_NE(text.find("IMAGE;100;100;500;500;" + base + "_one.jpg;0;\r\n"), std::string::npos) << text;
    EXPECT_NE(text.find("IMAGE;600;100;900;500;" + base + "_two.jpg;0;\r\n"), std::string::npos) << text;
    EXPECT_EQ(testsupport::readFile(base + "_one.jpg"), "not really a picture");
    EXPECT_EQ(testsupport::readFile(base + "_two.jpg"), "nor this one");
    EXPECT_TRUE(std::filesystem::exists(base + ".VXF"));
}

TEST_F(PreviewFileTest, OpeningChecksTheMarkerAndCancellingShowsTheJobAgain)
{
    MessageRecorder rec;
    rec.answerDefaults();
    print::TVL48DEF j = savedJob();
    const std::string other = writeFile("other.V48", {"just text", "E;"});
    const std::string saved = writeFile(
        "two-pages.V48", {"*VELLUM48*************************************************************",
                          "*[SETTING]", "*FORMFILE=", "*PAPERSIZE=9", "*TOPMARGIN=50",
                          "*NETC1=$00FF00",
                          "*************************************************************VELLUM48*",
                          "TEXT;150;200;P1;ＭＳ ゴシック;14;;黒;1;LEFT;0;0;", "E;",
                          "TEXT;150;200;P2;ＭＳ ゴシック;14;;黒;1;LEFT;0;0;"});
    rec.pick(other);
    rec.pick(saved);
    std::vector<std::string> shown;
    preview(j, rec, [&](print::TImageDispForm& f) {
        click(f, "ImageOpen");
        shown.push_back(print::TImageDispForm::shownDataFile());
        EXPECT_FALSE(f.button("ImageOpenCancel")->isEnabled());
        click(f, "ImageOpen");
        shown.push_back(print::TImageDispForm::shownDataFile() + " " + where(f));
        EXPECT_EQ(print::JobDef.TopMargin, 50);
        EXPECT_EQ(print::JobDef.NetColor1, 0x00FF00u);
        EXPECT_TRUE(f.button("ImageOpenCancel")->isEnabled());
        click(f, "ImageOpenCancel");
        shown.push_back(print::TImageDispForm::shownDataFile() + " " + where(f));
    });
    EXPECT_EQ(shown, (std::vector<std::string>{j.DataFile, saved + " 1/2", j.DataFile + " 1/1"}));
    bool refused = false;
    for (const auto& b : rec.boxes())
        refused = refused || b.text == "[VELLUM48]印刷ファイルではありません。";
    EXPECT_TRUE(refused);
    EXPECT_EQ(print::JobDef.TopMargin, 0);
}

} // namespace
