#include "ui/ImeReading.h"

#include "ui/KeyEdit.h"

#include <QInputMethodEvent>

namespace ui {

QString ImeReading::take(const QInputMethodEvent& event)
{
    const QString commit = event.commitString();
    const QString preedit = event.preeditString();
    QString reading;
    if (!commit.isEmpty()) {
        if (isAllKana(commit)) {
            reading = commit;
        } else {
            reading = m_preedit;
            // Part of the composition committed: what stays composed is not its reading.
            if (!preedit.isEmpty() && reading.endsWith(preedit))
                reading.chop(preedit.size());
        }
        m_preedit.clear();
    } else if (preedit.isEmpty()) {
        m_preedit.clear(); // the composition was cancelled
    }
    // Candidates of a conversion (漢字) replace the composition text: the kana typed before stays.
    if (!preedit.isEmpty() && isAllKana(preedit))
        m_preedit = preedit;
    return reading;
}

} // namespace ui
