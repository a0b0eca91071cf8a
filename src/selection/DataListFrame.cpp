#include "selection/DataListFrame.h"

#include "selection/IncrementalSearch.h"
#include "ui/BaseDialog.h"
#include "ui/ListGrid.h"
#include "ui/OwnerDrawnButton.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPlainTextEdit>

#include <algorithm>
#include <cmath>

namespace selection {

DataListFrame::DataListFrame(TBSDI& dialog, const Options& options, const Actions& actions)
    : QObject(&dialog), m_dialog(dialog), m_options(options)
{
    m_grid = new ui::TPerfectGrid(&dialog);
    m_grid->setObjectName(QStringLiteral("PerfectGrid1"));
    m_hintArea = actions.makeHintArea(&dialog);

    static const char* const names[fkCount] = {"ESC", "F1", "F2", "F3", "F4",
                                               "F5", "F6", "F7", "F8", "F12"};
    for (int i = 0; i < fkCount; ++i) {
        auto* b = new TxPlButton(QString::fromLatin1(names[i]), &dialog);
        b->CaptionA().setCaption(QString::fromUtf8(DataListRules::keyPrefix(i)));
        b->setFocusPolicy(Qt::NoFocus);
        b->OnClick = [keyClicked = actions.keyClicked, i](QObject*) { keyClicked(i); };
        m_keys[std::size_t(i)] = b;
    }

    auto* grid = m_grid;
    connect(grid, &ui::TPerfectGrid::cellGotFocus, &dialog, [keys = actions.keysChanged](int, int) { keys(); });
    connect(grid, &ui::TPerfectGrid::cellDoubleClicked, &dialog, [grid, choose = actions.choose](int row, int) {
        if (row >= 0 && grid->rowCount() > 0 && grid->currentRow() >= 0)
            choose();
    });
    connect(grid, &ui::TPerfectGrid::headerClicked, &dialog, [header = actions.headerClicked](int col) { header(col); });
    m_search = new TIncrementalSearch(grid, options.searchColumn, &dialog);
    connect(grid, &ui::TPerfectGrid::keyDown, &dialog,
            [grid, search = m_search, needsRows = options.searchNeedsRows, choose = actions.choose](QKeyEvent* e) {
                if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
                    e->accept();
                    if (grid->rowCount() > 0 && grid->currentRow() >= 0)
                        choose();
                } else if ((!needsRows || grid->rowCount() > 0) && search->KeyDown(e)) {
                    e->accept();
                }
            });
    connect(qApp, &QApplication::focusChanged, &dialog, [d = &dialog, keys = actions.keysChanged](QWidget*, QWidget* now) {
        if (now && now->window() == d)
            keys();
    });
}

int DataListFrame::keyIndexOf(int QtKey)
{
    if (QtKey == Qt::Key_Escape)
        return fkEsc;
    if (QtKey == Qt::Key_F12)
        return fkF12;
    if (QtKey >= Qt::Key_F1 && QtKey <= Qt::Key_F8)
        return fkF1 + (QtKey - Qt::Key_F1);
    return -1;
}

void DataListFrame::layout(int top)
{
    const double s = m_dialog.PixelsPerInch / 96.0;
    auto px = [s](int v) { return int(std::lround(v * s)); };
    const int w = m_dialog.width();
    const int h = m_dialog.height();
    const int m = px(6);
    const int keyHeight = px(30);
    const int hintHeight = px(m_options.hintHeight);
    const int keysTop = h - keyHeight - m;
    const int hintTop = keysTop - hintHeight - m;
    m_grid->setGeometry(m, top, w - 2 * m, std::max(px(40), hintTop - top - m));
    m_hintArea->setGeometry(m, hintTop, w - 2 * m, hintHeight);
    const int gap = px(3);
    const int keyWidth = (w - 2 * m - gap * (fkCount - 1)) / fkCount;
    for (int i = 0; i < fkCount; ++i)
        m_keys[std::size_t(i)]->setGeometry(m + i * (keyWidth + gap), keysTop, keyWidth, keyHeight);
}

} // namespace selection
