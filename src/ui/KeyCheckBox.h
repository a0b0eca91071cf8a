#pragma once

#include "ui/KeyStyle.h"

#include <QCheckBox>

// A check box that moves the focus on Enter and the arrow keys of its KeyStyles.
class TxCheckBox : public QCheckBox {
    Q_OBJECT
public:
    explicit TxCheckBox(QWidget* parent = nullptr);
    TxCheckBox(const QString& text, QWidget* parent);

    TKeyStyles KeyStyles() const { return m_keyStyles; }
    void setKeyStyles(TKeyStyles styles) { m_keyStyles = styles; }

    ui::KeyDownHook OnKeyDown;
    ui::KeyPressHook OnKeyPress;

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    TKeyStyles m_keyStyles = kDefaultKeyStyles;
};
