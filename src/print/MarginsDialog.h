// The margins dialog Tfmyohaku with its number boxes TEditV48 and their up-down spin boxes.
#pragma once

#include "platform/Dialog.h"

#include <QLineEdit>
#include <QSpinBox>

class QGroupBox;
class QPushButton;

namespace print {

// A line edit with the report engine's key rules: Enter and arrow keys move the focus, the
// selection on entering follows CursorPos, and a number box keeps its value in a range.
class TEditV48 : public QLineEdit {
    Q_OBJECT
public:
    enum TCursorPos { cpAllSel, cpLeft, cpRight };
    enum TKeyStyle { ksEnter = 1, ksLeft = 2, ksUp = 4, ksRight = 8, ksDown = 16 };

    explicit TEditV48(QWidget* parent = nullptr);

    int KeyStyles = ksEnter | ksUp;
    TCursorPos CursorPos = cpAllSel;
    // The text as an integer, 0 when it is not one; writing a value other than 0 sets the text.
    int Long() const;
    void setLong(int value);

    // A signed number box: only digits and a leading "-" are typed; leaving the box clamps it.
    void setNumberRange(int minimum, int maximum);

protected:
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    bool numberKeyAllowed(const QString& typed) const;
    void clampNumber();

    bool m_number = false;
    int m_min = 0;
    int m_max = 0;
};

// A spin box whose text box is a TEditV48.
class TEditV48SpinBox : public QSpinBox {
    Q_OBJECT
public:
    TEditV48SpinBox(int minimum, int maximum, int step, QWidget* parent = nullptr);
    TEditV48* edit() const { return m_edit; }

protected:
    QValidator::State validate(QString& input, int& pos) const override;

private:
    TEditV48* m_edit;
};

// "設定": top and left margins (0.1 mm) and the vertical and horizontal corrections (0.1 %).
class Tfmyohaku : public platform::Dialog {
    Q_OBJECT
public:
    explicit Tfmyohaku(QWidget* parent = nullptr);

    void setValues(int top, int left, int vertical, int horizontal);
    // Shows or hides the correction group (dialog height 320 or 220).
    void setCorrectionShown(bool shown);
    bool correctionShown() const;

    // The four values as read when "ＯＫ" was pressed (a box that is not a number gives 0).
    int top = 0;
    int left = 0;
    int vertical = 0;
    int horizontal = 0;

    TEditV48SpinBox* topBox() const { return m_top; }
    TEditV48SpinBox* leftBox() const { return m_left; }
    TEditV48SpinBox* verticalBox() const { return m_vertical; }
    TEditV48SpinBox* horizontalBox() const { return m_horizontal; }
    QPushButton* okButton() const { return m_ok; }

private:
    TEditV48SpinBox* m_top;
    TEditV48SpinBox* m_left;
    TEditV48SpinBox* m_vertical;
    TEditV48SpinBox* m_horizontal;
    QGroupBox* m_correction;
    QPushButton* m_ok;
};

} // namespace print
