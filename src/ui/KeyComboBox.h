#pragma once

#include "ui/KeyStyle.h"

#include <QComboBox>

// A combo box that moves the focus on Enter and the arrow keys of its KeyStyles while its list
// is closed, returns to the first item on Delete, sets the width of its dropped-down list, and
// can look up items by a typed code prefix (KeyLen > 0).
class TxComboBox : public QComboBox {
    Q_OBJECT
public:
    explicit TxComboBox(QWidget* parent = nullptr);

    TKeyStyles KeyStyles() const { return m_keyStyles; }
    void setKeyStyles(TKeyStyles styles) { m_keyStyles = styles; }
    int KeyLen() const { return m_keyLen; }
    void setKeyLen(int length) { m_keyLen = length; }
    const QString& KeyTerm() const { return m_keyTerm; }
    void setKeyTerm(const QString& term) { m_keyTerm = term; }
    int DropDownWidth() const { return m_dropDownWidth; }
    void setDropDownWidth(int width) { m_dropDownWidth = width; }
    // The item the code lookup last matched, or that was last selected; -1 before any.
    int matchedIndex() const { return m_matched; }
    // Whether the list is dropped down.
    bool droppedDown() const;

    void showPopup() override;
    void hidePopup() override;

    ui::KeyDownHook OnKeyDown;
    ui::KeyPressHook OnKeyPress;
    ui::NotifyHook OnChange;
    ui::NotifyHook OnDropDown;
    ui::NotifyHook OnCloseUp;
    ui::NotifyHook OnEnter;
    ui::NotifyHook OnExit;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void textChanged();
    void lookUpCode();
    int findPrefix(const QString& code, int start) const;

    int m_matched = -1;
    int m_keyLen = 0;
    QString m_keyTerm = QStringLiteral(":");
    int m_dropDownWidth = 0;
    TKeyStyles m_keyStyles = kDefaultKeyStyles;
    bool m_inLookup = false;
    bool m_popupOpen = false;
};
