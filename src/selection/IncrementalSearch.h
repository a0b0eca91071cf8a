#pragma once

// The incremental code search of a list grid: typed keys collect up to 8 characters in a small
// box over the grid, and a short pause moves the current row to the next matching code.

#include <QObject>
#include <QString>
#include <QTimer>

class QKeyEvent;
class QLineEdit;

namespace ui {
class TPerfectGrid;
}

namespace selection {

// The search character of a key, as the keyboard's key table gives it (digits, upper-case
// letters, keypad and punctuation keys); a null character for any other key.
QChar incrementalSearchChar(int qtKey, Qt::KeyboardModifiers modifiers);

class TIncrementalSearch : public QObject {
    Q_OBJECT
public:
    // codeColumn: the grid column compared with the typed text.
    TIncrementalSearch(ui::TPerfectGrid* grid, int codeColumn, QObject* parent = nullptr);
    ~TIncrementalSearch() override;

    // The grid's key-down handler: true when the key was used (and should be swallowed).
    bool KeyDown(QKeyEvent* event);
    // The pause has passed: moves to the next row whose code starts with the text.
    void TimerFired();

    const QString& Text() const { return m_text; }
    QLineEdit* Box() const { return m_box; }
    QTimer& Timer() { return m_timer; }

private:
    ui::TPerfectGrid* m_grid;
    int m_codeColumn;
    QString m_text;
    QLineEdit* m_box;
    QTimer m_timer;
};

} // namespace selection
