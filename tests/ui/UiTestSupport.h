#pragma once

#include <QApplication>
#include <QDir>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

#include <string>

namespace uitest {

// Shows a window and makes it the active one (offscreen activation is immediate).
inline void showActive(QWidget& w)
{
    w.show();
    QApplication::setActiveWindow(&w);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
}

// The folder where screenshots are kept for people to look at.
inline QString artefactDir()
{
    const QString dir = QStringLiteral(TEST_BINARY_DIR "/tests/ui/artefacts");
    QDir().mkpath(dir);
    return dir;
}

// Saves what the widget shows as <name>.png beside the test log.
inline void saveShot(QWidget& w, const std::string& name)
{
    const QString path = artefactDir() + QLatin1Char('/') + QString::fromStdString(name) +
                         QStringLiteral(".png");
    w.grab().save(path);
}

// Saves a screenshot named after the current test when it has failed.
inline void shotOnFailure(QWidget& w)
{
    if (!::testing::Test::HasFailure())
        return;
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    saveShot(w, std::string("FAILED-") + info->test_suite_name() + "-" + info->name());
}

// The control that has the keyboard focus, by object name ("" when none).
inline std::string focusName()
{
    QWidget* w = QApplication::focusWidget();
    return w ? w->objectName().toStdString() : std::string();
}

} // namespace uitest
