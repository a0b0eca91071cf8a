// The incremental code search of a list grid: key table, the 8-character box and the timer.
#include "selection/IncrementalSearch.h"

#include "ui/ListGrid.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>

#include <algorithm>

namespace selection {

QChar incrementalSearchChar(int key, Qt::KeyboardModifiers modifiers)
{
    const bool keypad = modifiers & Qt::KeypadModifier;
    if (key >= Qt::Key_0 && key <= Qt::Key_9)
        return QChar(u'0' + (key - Qt::Key_0));
    if (key >= Qt::Key_A && key <= Qt::Key_Z)
        return QChar(u'A' + (key - Qt::Key_A));
    if (keypad) {
        switch (key) {
        case Qt::Key_Asterisk: return u'*';
        case Qt::Key_Plus: return u'+';
        case Qt::Key_Minus: return u'-';
        case Qt::Key_Period:
        case Qt::Key_Comma: return key == Qt::Key_Comma ? u',' : u'.';
        case Qt::Key_Slash: return u'/';
        default: return {};
        }
    }
    // Each key reads as its unshifted character on the Japanese layout, shifted or not.
    switch (key) {
    case Qt::Key_Exclam: return u'1';
    case Qt::Key_QuoteDbl: return u'2';
    case Qt::Key_NumberSign: return u'3';
    case Qt::Key_Dollar: return u'4';
    case Qt::Key_Percent: return u'5';
    case Qt::Key_Ampersand: return u'6';
    case Qt::Key_Apostrophe: return u'7';
    case Qt::Key_ParenLeft: return u'8';
    case Qt::Key_ParenRight: return u'9';
    case Qt::Key_Colon:
    case Qt::Key_Asterisk: return u':';
    case Qt::Key_Semicolon:
    case Qt::Key_Plus: return u';';
    case Qt::Key_At:
    case Qt::Key_QuoteLeft: return u'@';
    case Qt::Key_BracketLeft:
    case Qt::Key_BraceLeft: return u'[';
    case Qt::Key_BracketRight:
    case Qt::Key_BraceRight: return u']';
    case Qt::Key_AsciiCircum:
    case Qt::Key_AsciiTilde: return u'^';
    case Qt::Key_Backslash:
    case Qt::Key_Bar:
    case Qt::Key_Underscore:
    case Qt::Key_yen: return u'\\';
    case Qt::Key_Comma:
    case Qt::Key_Less: return u',';
    case Qt::Key_Minus:
    case Qt::Key_Equal: return u'-';
    case Qt::Key_Period:
    case Qt::Key_Greater: return u'.';
    case Qt::Key_Slash:
    case Qt::Key_Question: return u'/';
    default: return {};
    }
}

TIncrementalSearch::TIncrementalSearch(ui::TPerfectGrid* grid, int codeColumn, QObject* parent)
    : QObject(parent), m_grid(grid), m_codeColumn(codeColumn)
{
    m_box = new QLineEdit(grid->parentWidget());
    m_box->setObjectName(QStringLiteral("IncSerchEdit"));
    m_box->setReadOnly(true);
    m_box->setMaxLength(8);
    m_box->setFocusPolicy(Qt::NoFocus);
    QFont bold = m_box->font();
    bold.setBold(true);
    m_box->setFont(bold);
    QPalette pal = m_box->palette();
    pal.setColor(QPalette::Base, pal.color(QPalette::Highlight));
    pal.setColor(QPalette::Text, Qt::white);
    m_box->setPalette(pal);
    m_box->hide();
    m_timer.setSingleShot(false);
    m_timer.setInterval(0);
    connect(&m_timer, &QTimer::timeout, this, [this] { TimerFired(); });
}

TIncrementalSearch::~TIncrementalSearch() = default;

bool TIncrementalSearch::KeyDown(QKeyEvent* event)
{
    if (m_grid->rowCount() <= 0)
        return false;
    const QChar ch = incrementalSearchChar(event->key(), event->modifiers());
    if (ch.isNull())
        return false;
    if (m_text.size() + 1 > 8)
        return true; // a ninth character is swallowed
    m_text += ch;
    const QRect g = m_grid->geometry();
    m_box->setGeometry(g.left() + g.width() / 10 + 4, g.top() - 12, 100, 22);
    m_box->setText(m_text);
    m_box->show();
    m_box->raise();
    int interval = m_timer.interval();
    if (interval < 2000)
        interval += 500;
    m_timer.setInterval(std::min(interval, 1000));
    m_timer.start();
    return true;
}

void TIncrementalSearch::TimerFired()
{
    if (m_grid->hasFocus() || m_grid->isAncestorOf(QApplication::focusWidget())) {
        const int rows = m_grid->rowCount();
        const int current = m_grid->currentRow();
        auto matches = [&](int r) {
            const QString code = m_grid->model().cellText(r, m_codeColumn).left(m_text.size());
            return code.compare(m_text, Qt::CaseInsensitive) == 0;
        };
        int found = -1;
        for (int r = current + 1; r < rows && found < 0; ++r)
            if (matches(r))
                found = r;
        for (int r = 0; r <= current && r < rows && found < 0; ++r)
            if (matches(r))
                found = r;
        if (found >= 0)
            m_grid->setCurrentRow(found);
    }
    m_timer.stop();
    m_timer.setInterval(0);
    m_text.clear();
    m_box->hide();
}

} // namespace selection
