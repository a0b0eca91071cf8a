// The printer set-up dialog: which printer, which paper and which orientation the next print uses.
#pragma once

#include "platform/Dialog.h"

class QComboBox;
class QPushButton;
class QRadioButton;

namespace platform {
class PrinterHost;
}

namespace print {

// "プリンタの設定": Qt's page set-up cannot choose the printer, so the engine has its own.
class PrinterSetupDialog : public platform::Dialog {
    Q_OBJECT
public:
    explicit PrinterSetupDialog(platform::PrinterHost& host, QWidget* parent = nullptr);

    QComboBox* printerBox() const { return m_printer; }
    QComboBox* paperBox() const { return m_paper; }
    QRadioButton* portraitButton() const { return m_portrait; }
    QRadioButton* landscapeButton() const { return m_landscape; }
    QPushButton* okButton() const { return m_ok; }

private:
    void fillPapers(int printerIndex, int selectedNumber);
    void apply();

    platform::PrinterHost& m_host;
    QComboBox* m_printer;
    QComboBox* m_paper;
    QRadioButton* m_portrait;
    QRadioButton* m_landscape;
    QPushButton* m_ok;
    QPushButton* m_cancel;
};

} // namespace print
