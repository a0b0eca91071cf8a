// The reading of text that the input method converts: the last all-kana composition text seen
// before the commit, since the input method hands over no reading of its own here.
#pragma once

#include <QString>

class QInputMethodEvent;

namespace ui {

class ImeReading {
public:
    // Feeds one input-method event; answers the reading of the text it commits: the committed
    // text itself when it is all kana, else the last all-kana composition text; empty when the
    // event commits nothing or no reading is known.
    QString take(const QInputMethodEvent& event);
    // Forgets the composition (focus entry).
    void reset() { m_preedit.clear(); }

private:
    QString m_preedit;
};

} // namespace ui
