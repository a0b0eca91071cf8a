#pragma once

#include "ui/KeyStyle.h"

#include <QRadioButton>

// A radio button that moves the focus on Enter and the arrow keys of its KeyStyles.
class TxRadioButton : public QRadioButton {
    Q_OBJECT
public:
    explicit TxRadioButton(QWidget* parent = nullptr);
    TxRadioButton(const QString& text, QWidget* parent);

    TKeyStyles KeyStyles() const { return m_keyStyles; }
    void setKeyStyles(TKeyStyles styles) { m_keyStyles = styles; }

    ui::KeyDownHook OnKeyDown;
    ui::KeyPressHook OnKeyPress;

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    TKeyStyles m_keyStyles = kDefaultKeyStyles;
};
