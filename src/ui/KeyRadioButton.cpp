#include "ui/KeyRadioButton.h"

#include <QKeyEvent>

TxRadioButton::TxRadioButton(QWidget* parent) : QRadioButton(parent) {}

TxRadioButton::TxRadioButton(const QString& text, QWidget* parent) : QRadioButton(text, parent) {}

void TxRadioButton::keyPressEvent(QKeyEvent* event)
{
    if (ui::buttonKeyPress(this, *event, m_keyStyles, OnKeyDown, OnKeyPress)) {
        event->accept();
        return;
    }
    QRadioButton::keyPressEvent(event);
}
