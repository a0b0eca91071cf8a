// The progress window's animation as a user sees it: the real window on a virtual X server,
// two screenshots of the animation's square that differ.
#include "support/TempDir.h"
#include "support/VirtualDisplay.h"

#include <QImage>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>

TEST(ProgressAnimationOnDisplay, TheFramesChangeInsideTheAnimationSquare)
{
    std::unique_ptr<testsupport::VirtualDisplay> display;
    try {
        display = std::make_unique<testsupport::VirtualDisplay>();
    } catch (const std::exception& ex) {
        FAIL() << ex.what();
    }
    QProcess shown;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    env.insert(QStringLiteral("DISPLAY"), QString::fromStdString(display->name()));
    shown.setProcessEnvironment(env);
    shown.start(QStringLiteral(PROGRESS_SHOW_PATH),
                {QStringLiteral(TEST_SOURCE_DIR "/../../src/app/progress.avi")});
    ASSERT_TRUE(shown.waitForStarted(10000)) << shown.errorString().toStdString();
    QRect box;
    QByteArray out;
    ASSERT_TRUE(QTest::qWaitFor([&] {
        out += shown.readAllStandardOutput();
        const auto m = QRegularExpression(QStringLiteral("ANIMATION (\\d+) (\\d+) (\\d+) (\\d+)"))
                           .match(QString::fromUtf8(out));
        if (m.hasMatch())
            box = QRect(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt(),
                        m.captured(4).toInt());
        return m.hasMatch() || shown.state() != QProcess::Running;
    }, 20000) && box.isValid())
        << "the progress window did not show: " << shown.readAllStandardError().toStdString();
    EXPECT_TRUE(display->waitForWindow("処理中"));

    testsupport::TempDir dir;
    const auto square = [&](int n) {
        const auto png = dir / ("screen" + std::to_string(n) + ".png");
        display->screenshot(png);
        return QImage(QString::fromStdString(png.string())).copy(box);
    };
    const QImage first = square(0);
    ASSERT_FALSE(first.isNull());
    int n = 1;
    QImage later;
    EXPECT_TRUE(QTest::qWaitFor([&] {
        later = square(n++);
        return !later.isNull() && later != first;
    }, 10000)) << "the animation's square never changed on the screen";
    first.save(QString(TEST_BINARY_DIR "/tests/ui/artefacts/progress-frame-a.png"));
    later.save(QString(TEST_BINARY_DIR "/tests/ui/artefacts/progress-frame-b.png"));
    shown.kill();
    shown.waitForFinished(10000);
}
