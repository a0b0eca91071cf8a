// The margins dialog Tfmyohaku with its number boxes TEditV48 and their up-down spin boxes.
#include "print/MarginsDialog.h"

#include <QFocusEvent>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>

#include <algorithm>

namespace print {

TEditV48::TEditV48(QWidget* parent)
    : QLineEdit(parent)
{
}

int TEditV48::Long() const
{
    bool ok = false;
    const int v = text().toInt(&ok);
    return ok ? v : 0;
}

void TEditV48::setLong(int value)
{
    if (value != 0)
        setText(QString::number(value));
}

void TEditV48::setNumberRange(int minimum, int maximum)
{
    m_number = true;
    m_min = minimum;
    m_max = maximum;
}

void TEditV48::focusInEvent(QFocusEvent* event)
{
    QLineEdit::focusInEvent(event);
    switch (CursorPos) {
    case cpAllSel:
        selectAll();
        break;
    case cpLeft:
        deselect();
        setCursorPosition(0);
        break;
    case cpRight:
        deselect();
        setCursorPosition(static_cast<int>(text().size()));
        break;
    }
}

void TEditV48::focusOutEvent(QFocusEvent* event)
{
    clampNumber();
    QLineEdit::focusOutEvent(event);
}

void TEditV48::clampNumber()
{
    if (!m_number)
        return;
    bool ok = false;
    const int v = text().toInt(&ok);
    if (ok && (v < m_min || v > m_max))
        setText(QString::number(std::clamp(v, m_min, m_max)));
}

bool TEditV48::numberKeyAllowed(const QString& typed) const
{
    const bool allSelected = !text().isEmpty() && selectedText() == text();
    if (typed == u"-")
        return text().isEmpty() || allSelected;
    if (typed.size() != 1 || !typed[0].isDigit() || typed[0].unicode() > u'9')
        return false;
    if (typed == u"0" && (text() == u"0" || text() == u"-") && !allSelected)
        return false;
    return true;
}

void TEditV48::keyPressEvent(QKeyEvent* event)
{
    const bool plain = (event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier |
                                              Qt::AltModifier)) == 0;
    const int key = event->key();
    if ((key == Qt::Key_Return || key == Qt::Key_Enter) && (KeyStyles & ksEnter)) {
        focusNextPrevChild(true);
        return;
    }
    if (plain) {
        const bool noneOrAll = !hasSelectedText() || selectedText() == text();
        if (key == Qt::Key_Left && (KeyStyles & ksLeft) && cursorPosition() == 0 && noneOrAll) {
            focusNextPrevChild(false);
            return;
        }
        if (key == Qt::Key_Up && (KeyStyles & ksUp)) {
            focusNextPrevChild(false);
            return;
        }
        if (key == Qt::Key_Right && (KeyStyles & ksRight) &&
            (text().isEmpty() || selectedText() == text())) {
            focusNextPrevChild(true);
            return;
        }
        if (key == Qt::Key_Down && (KeyStyles & ksDown)) {
            focusNextPrevChild(true);
            return;
        }
    }
    if (m_number && !event->text().isEmpty() && key != Qt::Key_Backspace &&
        event->text()[0].isPrint() && !numberKeyAllowed(event->text())) {
        event->accept();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

TEditV48SpinBox::TEditV48SpinBox(int minimum, int maximum, int step, QWidget* parent)
    : QSpinBox(parent)
    , m_edit(new TEditV48(this))
{
    setLineEdit(m_edit);
    m_edit->setNumberRange(minimum, maximum);
    m_edit->setAlignment(Qt::AlignRight);
    m_edit->setMaxLength(3);
    m_edit->setAttribute(Qt::WA_InputMethodEnabled, false);
    setRange(minimum, maximum);
    setSingleStep(step);
    setValue(0);
    setFrame(false);
}

QValidator::State TEditV48SpinBox::validate(QString& input, int&) const
{
    // Any signed number of up to three digits may be typed; leaving the box clamps it.
    static const QRegularExpression number(QStringLiteral("^-?\\d{0,3}$"));
    if (!number.match(input).hasMatch())
        return QValidator::Invalid;
    bool ok = false;
    input.toInt(&ok);
    return ok ? QValidator::Acceptable : QValidator::Intermediate;
}

Tfmyohaku::Tfmyohaku(QWidget* parent)
    : platform::Dialog(parent)
{
    setWindowTitle(QStringLiteral("設定"));
    auto* margins = new QGroupBox(QStringLiteral("余白設定"), this);
    margins->setGeometry(12, 8, 330, 120);
    auto* topLabel = new QLabel(QStringLiteral("上"), margins);
    topLabel->setGeometry(16, 24, 60, 18);
    auto* leftLabel = new QLabel(QStringLiteral("左"), margins);
    leftLabel->setGeometry(96, 24, 60, 18);
    m_top = new TEditV48SpinBox(-100, 100, 10, margins);
    m_top->setGeometry(16, 44, 64, 24);
    m_left = new TEditV48SpinBox(-100, 100, 10, margins);
    m_left->setGeometry(96, 44, 64, 24);
    auto* note = new QLabel(QStringLiteral("右へ・下へ\n(1/10)mm"), margins);
    note->setGeometry(180, 36, 140, 40);
    auto* max = new QLabel(QStringLiteral("逆方向はマイナス （max=100）"), margins);
    max->setGeometry(16, 84, 300, 20);

    m_correction = new QGroupBox(QStringLiteral("行間隔・文字間隔"), this);
    m_correction->setGeometry(12, 136, 330, 100);
    auto* vLabel = new QLabel(QStringLiteral("縦補正"), m_correction);
    vLabel->setGeometry(16, 24, 60, 18);
    auto* hLabel = new QLabel(QStringLiteral("横補正"), m_correction);
    hLabel->setGeometry(96, 24, 60, 18);
    m_vertical = new TEditV48SpinBox(-50, 50, 1, m_correction);
    m_vertical->setGeometry(16, 44, 64, 24);
    m_horizontal = new TEditV48SpinBox(-50, 50, 1, m_correction);
    m_horizontal->setGeometry(96, 44, 64, 24);
    auto* unit = new QLabel(QStringLiteral("(1/10) ％\n(max=50)"), m_correction);
    unit->setGeometry(180, 36, 140, 40);

    m_ok = new QPushButton(QStringLiteral("ＯＫ"), this);
    m_ok->setDefault(true);
    connect(m_ok, &QPushButton::clicked, this, [this] {
        const auto read = [](TEditV48SpinBox* box) {
            // A box still focused has not been clamped yet.
            box->interpretText();
            return box->edit()->Long();
        };
        top = read(m_top);
        left = read(m_left);
        vertical = read(m_vertical);
        horizontal = read(m_horizontal);
        setModalResult(platform::mrOk);
    });
    setCorrectionShown(true);
}

void Tfmyohaku::setValues(int topValue, int leftValue, int verticalValue, int horizontalValue)
{
    top = topValue;
    left = leftValue;
    vertical = verticalValue;
    horizontal = horizontalValue;
    m_top->setValue(topValue);
    m_left->setValue(leftValue);
    m_vertical->setValue(verticalValue);
    m_horizontal->setValue(horizontalValue);
}

void Tfmyohaku::setCorrectionShown(bool shown)
{
    m_correction->setVisible(shown);
    const int height = shown ? 320 : 220;
    setFixedSize(356, height);
    m_ok->setGeometry(138, height - 60, 80, 28);
}

bool Tfmyohaku::correctionShown() const { return !m_correction->isHidden(); }

} // namespace print
