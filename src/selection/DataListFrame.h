#pragma once

// The frame both data lists are built on ("データ選択" and "共有データの選択"): the grid, the hint
// area under it and the function-key bar at the bottom, with the grid's keys and clicks wired
// to the dialog. Its controls are the dialog's own children, named as on the forms.

#include "selection/DataListRules.h"

#include <QObject>

#include <array>
#include <functional>

class QPlainTextEdit;
class TBSDI;
class TxPlButton;
namespace ui {
class TPerfectGrid;
}

namespace selection {

class TIncrementalSearch;

class DataListFrame : public QObject {
public:
    struct Options {
        int hintHeight = 64;          // at 96 pixels per inch
        int searchColumn = 1;         // the column the incremental search compares
        bool searchNeedsRows = false; // the incremental search only works on a filled list
    };
    struct Actions {
        std::function<QPlainTextEdit*(QWidget*)> makeHintArea; // the dialog's own hint area
        std::function<void()> keysChanged;                     // the focus moved: keys anew
        std::function<void()> choose;                          // Enter or a double click
        std::function<void(int)> headerClicked;
        std::function<void(int)> keyClicked;
    };

    DataListFrame(TBSDI& dialog, const Options& options, const Actions& actions);

    ui::TPerfectGrid* grid() const { return m_grid; }
    QPlainTextEdit* hintArea() const { return m_hintArea; }
    TxPlButton* key(int index) const { return m_keys[std::size_t(index)]; }
    TIncrementalSearch* search() const { return m_search; }

    // The function key a keyboard key stands for (Esc, F1 .. F8, F12); -1 for any other.
    static int keyIndexOf(int QtKey);

    // The grid from top down to the hint area; the key bar along the bottom.
    void layout(int top);

private:
    TBSDI& m_dialog;
    Options m_options;
    ui::TPerfectGrid* m_grid = nullptr;
    QPlainTextEdit* m_hintArea = nullptr;
    std::array<TxPlButton*, fkCount> m_keys{};
    TIncrementalSearch* m_search = nullptr;
};

} // namespace selection
