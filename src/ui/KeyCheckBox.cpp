#include "ui/KeyCheckBox.h"

#include <QKeyEvent>

TxCheckBox::TxCheckBox(QWidget* parent) : QCheckBox(parent) {}

TxCheckBox::TxCheckBox(const QString& text, QWidget* parent) : QCheckBox(text, parent) {}

void TxCheckBox::keyPressEvent(QKeyEvent* event)
{
    if (ui::buttonKeyPress(this, *event, m_keyStyles, OnKeyDown, OnKeyPress)) {
        event->accept();
        return;
    }
    QCheckBox::keyPressEvent(event);
}
