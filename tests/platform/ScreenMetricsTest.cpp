// Caption and menu heights used to place dialogs over the main window.
#include "platform/Screen.h"

#include <QMainWindow>
#include <QMenuBar>
#include <QTest>

#include <gtest/gtest.h>

TEST(ScreenMetricsTest, StandardHeightsWithoutAMainWindowAtNinetySixPpi)
{
    ASSERT_EQ(platform::mainFormPixelsPerInch(), 96) << "the offscreen screen reports 96 ppi";
    EXPECT_EQ(platform::CaptionHeight(), 23);
    EXPECT_EQ(platform::MenuHeight(), 20);
}

TEST(ScreenMetricsTest, MenuHeightIsTheShownMenuBars)
{
    QMainWindow main;
    main.menuBar()->addMenu(QStringLiteral("ファイル"));
    main.menuBar()->setFixedHeight(31);
    main.resize(400, 300);
    main.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&main));
    EXPECT_EQ(platform::MenuHeight(), 31);
    // No window manager draws a caption offscreen: the standard height stands in.
    EXPECT_EQ(platform::CaptionHeight(), 23);
    main.menuBar()->hide();
    EXPECT_EQ(platform::MenuHeight(), 20);
}
