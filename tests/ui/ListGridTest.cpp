// The list grid: its model and the view under offscreen.
#include "ui/ListGrid.h"

#include "UiTestSupport.h"

#include <QHeaderView>
#include <QImage>
#include <QKeyEvent>
#include <QScrollBar>

namespace {

using ui::ListGridModel;
using ui::TPerfectGrid;

// A grid of `rows` rows and 3 columns ("A", "B", "C") with cell texts "r<row>c<col>".
void fill(TPerfectGrid& g, int rows)
{
    g.setColumnCount(3);
    for (int c = 0; c < 3; ++c) {
        g.setHeaderText(c, QString(QChar(u'A' + c)));
        g.setColWidth(c, 60);
    }
    g.model().insertGridRows(0, rows);
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < 3; ++c)
            g.model().setCellText(r, c, QStringLiteral("r%1c%2").arg(r).arg(c));
}

QColor colourAt(const QModelIndex& i, int role) { return i.data(role).value<QColor>(); }

bool imageHasColour(const QImage& img, const QRect& r, const QColor& colour)
{
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            if (img.pixelColor(x, y) == colour)
                return true;
    return false;
}

} // namespace

TEST(ListGrid, RowsInsertAndDeleteKeepTheCurrentRowOnItsEntry)
{
    TPerfectGrid g;
    fill(g, 5);
    g.setCurrentRow(2);
    g.model().insertGridRows(1, 2); // two rows before the current one
    EXPECT_EQ(g.currentRow(), 4);
    EXPECT_EQ(g.model().cellText(4, 0), QStringLiteral("r2c0"));
    EXPECT_EQ(g.model().cellText(1, 0), QString());
    g.model().deleteGridRows(0, 3);
    EXPECT_EQ(g.currentRow(), 1);
    EXPECT_EQ(g.model().cellText(1, 0), QStringLiteral("r2c0"));
    // Deleting the current row moves the current row onto the row that takes its place.
    g.model().deleteGridRows(1, 1);
    EXPECT_EQ(g.currentRow(), 1);
    EXPECT_EQ(g.model().cellText(1, 0), QStringLiteral("r3c0"));
    g.model().clearRows();
    EXPECT_EQ(g.currentRow(), -1);
    EXPECT_EQ(g.rowCount(), 0);
    // Out-of-range cells read empty and ignore writes.
    g.model().setCellText(7, 0, QStringLiteral("x"));
    EXPECT_EQ(g.model().cellText(7, 0), QString());
}

TEST(ListGrid, NumbersAndRowValues)
{
    TPerfectGrid g;
    fill(g, 2);
    struct Case {
        QString text;
        long long number;
    };
    const Case cases[] = {{QStringLiteral("42"), 42}, {QStringLiteral(" -7 "), -7},
                          {QStringLiteral(""), 0}, {QStringLiteral("8.0.1"), 0}, {QStringLiteral("abc"), 0}};
    for (const auto& c : cases) {
        g.model().setCellText(0, 1, c.text);
        EXPECT_EQ(g.model().cellNumber(0, 1), c.number) << c.text.toStdString();
    }
    g.model().setRowValue(1, 118);
    EXPECT_EQ(g.model().rowValue(1), 118);
    EXPECT_EQ(g.model().headerData(1, Qt::Vertical, Qt::DisplayRole).toString(), QStringLiteral("118"));
}

TEST(ListGrid, ColoursByRowAndTheCurrentRowsText)
{
    TPerfectGrid g;
    fill(g, 4);
    g.setColorProperty(-501, 0xFFFFFF);
    g.setColorProperty(101, 0xFFF0E1);
    g.setColorProperty(56, 0x246BFF);
    auto& m = g.model();
    // Rows alternate unless a row has a colour of its own.
    EXPECT_EQ(colourAt(m.index(0, 0), Qt::BackgroundRole), platform::toQColor(0xFFFFFF));
    EXPECT_EQ(colourAt(m.index(1, 0), Qt::BackgroundRole), platform::toQColor(0xFFF0E1));
    m.setRowBackColor(2, 0x0000FF);
    EXPECT_EQ(colourAt(m.index(2, 1), Qt::BackgroundRole), QColor(255, 0, 0));
    m.setRowTextColor(3, 0x808080);
    EXPECT_EQ(colourAt(m.index(3, 0), Qt::ForegroundRole), QColor(128, 128, 128));

    g.setCurrentRow(1);
    EXPECT_EQ(colourAt(m.index(1, 2), Qt::ForegroundRole), platform::toQColor(0x246BFF));
    EXPECT_EQ(colourAt(m.index(0, 2), Qt::ForegroundRole), platform::toQColor(platform::clWindowText));
    // A row may say which colour its text takes while current.
    m.setRowActiveTextColor(3, 0x808080);
    g.setCurrentRow(3);
    EXPECT_EQ(colourAt(m.index(3, 0), Qt::ForegroundRole), QColor(128, 128, 128));
    EXPECT_EQ(colourAt(m.index(1, 2), Qt::ForegroundRole), platform::toQColor(platform::clWindowText))
        << "leaving a row gives it its own text colour back";
}

TEST(ListGrid, TheCurrentRowIsPaintedWithoutASelectionFill)
{
    TPerfectGrid g;
    g.resize(240, 160);
    fill(g, 4);
    g.setColorProperty(-501, 0xFFFFFF);
    g.setColorProperty(101, 0xFFFFFF);
    g.setColorProperty(56, 0x0000FF); // red text on the current row
    uitest::showActive(g);
    g.setFocus();
    g.setCurrentRow(1);
    QCoreApplication::processEvents();
    const QImage img = g.viewport()->grab().toImage();
    const QRect cell = g.visualRect(g.model().index(1, 0));
    // The cell keeps its back colour at its right end (no text there), and its text is red.
    EXPECT_EQ(img.pixelColor(cell.right() - 3, cell.center().y()), QColor(255, 255, 255));
    EXPECT_TRUE(imageHasColour(img, cell, QColor(255, 0, 0)));
    const QRect other = g.visualRect(g.model().index(2, 0));
    EXPECT_FALSE(imageHasColour(img, other, QColor(255, 0, 0)));
    uitest::saveShot(g, "list-grid-current-row");
}

TEST(ListGrid, HiddenColumnsWidthsAndScale)
{
    TPerfectGrid g;
    fill(g, 1);
    g.setColWidth(1, 0);
    EXPECT_TRUE(g.isColumnHidden(1));
    g.setColWidth(1, 30);
    EXPECT_FALSE(g.isColumnHidden(1));
    g.setRowHeight(20);
    g.setFixedRowHeight(22);
    g.setScale(1.5);
    EXPECT_EQ(g.columnWidth(1), 45);
    EXPECT_EQ(g.columnWidth(0), 90);
    EXPECT_EQ(g.colWidth(0), 60) << "widths are kept at 96 ppi";
    EXPECT_EQ(g.verticalHeader()->defaultSectionSize(), 30);
    EXPECT_EQ(g.horizontalHeader()->height(), 33);
    // A new column count keeps the set widths.
    g.setColumnCount(4);
    EXPECT_EQ(g.columnWidth(0), 90);
}

TEST(ListGrid, CellEventsAndKeys)
{
    TPerfectGrid g;
    g.resize(240, 200);
    fill(g, 5);
    std::vector<std::string> events;
    QObject::connect(&g, &TPerfectGrid::cellGotFocus, &g,
                     [&](int r, int c) { events.push_back("got " + std::to_string(r) + "," + std::to_string(c)); });
    QObject::connect(&g, &TPerfectGrid::cellLostFocus, &g,
                     [&](int r, int) { events.push_back("lost " + std::to_string(r)); });
    QObject::connect(&g, &TPerfectGrid::keyDown, &g, [&](QKeyEvent* e) {
        if (e->key() == Qt::Key_Return) {
            events.push_back("enter");
            e->accept();
        }
    });
    QObject::connect(&g, &TPerfectGrid::headerClicked, &g,
                     [&](int c) { events.push_back("header " + std::to_string(c)); });
    uitest::showActive(g);
    g.setFocus();
    g.setCurrentRow(0);
    QTest::keyClick(&g, Qt::Key_Down);
    QTest::keyClick(&g, Qt::Key_Return);
    EXPECT_EQ(g.currentRow(), 1) << "a consumed Enter does not move";
    QTest::mouseClick(g.horizontalHeader()->viewport(), Qt::LeftButton, {},
                      QPoint(g.horizontalHeader()->sectionViewportPosition(2) + 5, 5));
    EXPECT_EQ(events, (std::vector<std::string>{"got 0,0", "lost 0", "got 1,0", "enter", "header 2"}));
}

TEST(ListGrid, TopRowAndDisabledText)
{
    TPerfectGrid g;
    g.resize(240, 120);
    fill(g, 30);
    uitest::showActive(g);
    g.setTopRow(6);
    EXPECT_EQ(g.topRow(), 6);
    EXPECT_EQ(g.rowAt(0), 6);
    g.setColorProperty(145, 0x00FF00);
    g.setEnabled(false);
    QCoreApplication::processEvents();
    const QImage img = g.viewport()->grab().toImage();
    EXPECT_TRUE(imageHasColour(img, g.visualRect(g.model().index(6, 0)), QColor(0, 255, 0)))
        << "a disabled grid paints its text in the colour of property 145";
}
