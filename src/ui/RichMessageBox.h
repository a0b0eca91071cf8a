#pragma once

#include "platform/Dialog.h"
#include "platform/MessageBox2.h"

#include <QLabel>

#include <array>
#include <functional>

class QPushButton;
class TxCheckBox;

namespace ui {

// A label that reports a left click (the rich message box's link lines).
class ClickLabel : public QLabel {
    Q_OBJECT
public:
    using QLabel::QLabel;
    std::function<void()> onClick;

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
};

// Installs TMessageBox2 as the box behind ShowMessageBox2 (start-up, and tests).
void installRichMessageBox();
// Where the option page address comes from (the application information's OptionURL).
void setOptionUrlSource(std::function<std::string()> source);

// The catalogue: fills `rec` for a message ID (reset as an information box first); an ID that is
// not in the catalogue leaves an empty information box. Returns whether the ID was found.
bool lookUpMessage2(std::int32_t id, TMessage2InfoRec& rec);
// Every ID of the catalogue, in table order.
const std::vector<std::int32_t>& message2CatalogueIds();

} // namespace ui

// The rich message box: up to ten coloured lines (links optional), an icon and caption by kind,
// up to three buttons and an optional agreement check box that can hold back the first button.
class TMessageBox2 : public platform::Dialog {
    Q_OBJECT
public:
    explicit TMessageBox2(QWidget* parent = nullptr);
    ~TMessageBox2() override;

    void SetMessageId(std::int32_t id);
    void SetInfo(const TMessage2InfoRec& rec);
    void ApplyInfo();
    bool GetAgree();

    // The working record after catalogue lookup.
    const TMessage2InfoRec& info() const { return m_work; }
    // The first button's result: the one Enter takes when the box opens.
    int defaultResult() const { return m_buttonResults[0]; }
    // The text Ctrl+C copies.
    QString clipboardText() const;

    // Children, named as on the form: Image1, Label1..Label10, btnAgree, btnButton1..3.
    QLabel* label(int index) const { return m_labels[std::size_t(index)]; }
    QPushButton* button(int index) const { return m_buttons[std::size_t(index)]; }
    TxCheckBox* agreeBox() const { return m_btnAgree; }
    QWidget* agreePanel() const { return m_agreePanel; }

protected:
    void doKeyDown(QKeyEvent& event) override;
    void showEvent(QShowEvent* event) override;

private:
    void layOut();
    void btnButton1Click(int index);
    void btnAgreeClick();
    void labelClick(int index);
    int scaled(int designed) const;

    std::int32_t m_id = 0;
    TMessage2InfoRec m_work;
    QLabel* m_image = nullptr;
    std::array<ui::ClickLabel*, 10> m_labels{};
    std::array<QPushButton*, 3> m_buttons{};
    std::array<int, 3> m_buttonResults{};
    QWidget* m_textPanel = nullptr;
    QWidget* m_agreePanel = nullptr;
    QWidget* m_buttonPanel = nullptr;
    TxCheckBox* m_btnAgree = nullptr;
    std::int32_t m_agreeMode = 0;
    QString m_agreeCaption;
    bool m_agree = false;
    int m_textHeight = 0;
};
