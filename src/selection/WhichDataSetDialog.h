#pragma once

// TWhichDataSetBox: the choice between taking a server data set out to this computer and
// bringing it back.

#include "ui/BaseDialog.h"

class QLabel;
class QPlainTextEdit;
class TxPlButton;
class TxRadioButton;

// Modal results: 1 OK, 2 Cancel. Closing only hides it; the caller frees it.
class TWhichDataSetBox : public TBSDI {
public:
    explicit TWhichDataSetBox(QWidget* parent = nullptr);
    ~TWhichDataSetBox() override;

    // With Lock set (the row holds a data lock) only the bring-back can be chosen.
    void SetUp(bool Lock);
    // After OK: 0 take-out, 1 bring-back.
    int Direction = 0;

    TxRadioButton* rbMochidasi() const { return m_rbMochidasi; }
    TxRadioButton* rbMochikaeri() const { return m_rbMochikaeri; }
    TxPlButton* btnOK() const { return m_btnOK; }
    TxPlButton* btnCancel() const { return m_btnCancel; }
    QPlainTextEdit* HintArea() const { return m_hintArea; }

protected:
    void showEvent(QShowEvent* event) override;
    void doKeyDown(QKeyEvent& event) override;
    void doKeyUp(QKeyEvent& event) override;

private:
    void btnOKClick();
    void fitHintArea();

    QLabel* m_label = nullptr;
    TxRadioButton* m_rbMochidasi = nullptr;
    TxRadioButton* m_rbMochikaeri = nullptr;
    TxPlButton* m_btnOK = nullptr;
    TxPlButton* m_btnCancel = nullptr;
    QPlainTextEdit* m_hintArea = nullptr;
};
