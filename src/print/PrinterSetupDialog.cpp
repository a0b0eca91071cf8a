// The printer set-up dialog: which printer, which paper and which orientation the next print uses.
#include "print/PrinterSetupDialog.h"

#include "platform/Printers.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

namespace print {

PrinterSetupDialog::PrinterSetupDialog(platform::PrinterHost& host, QWidget* parent)
    : platform::Dialog(parent)
    , m_host(host)
    , m_printer(new QComboBox(this))
    , m_paper(new QComboBox(this))
    , m_portrait(new QRadioButton(QStringLiteral("縦"), this))
    , m_landscape(new QRadioButton(QStringLiteral("横"), this))
    , m_ok(new QPushButton(QStringLiteral("ＯＫ"), this))
    , m_cancel(new QPushButton(QStringLiteral("キャンセル"), this))
{
    setWindowTitle(QStringLiteral("プリンタの設定"));
    for (const std::string& name : host.printerNames())
        m_printer->addItem(QString::fromStdString(name));
    m_printer->setCurrentIndex(host.index());
    fillPapers(host.index(), host.devMode().paperSize);
    (host.devMode().orientation == 2 ? m_landscape : m_portrait)->setChecked(true);

    auto* grid = new QGridLayout(this);
    grid->addWidget(new QLabel(QStringLiteral("プリンタ名:"), this), 0, 0);
    grid->addWidget(m_printer, 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("用紙サイズ:"), this), 1, 0);
    grid->addWidget(m_paper, 1, 1);
    auto* orientation = new QGroupBox(QStringLiteral("印刷の向き"), this);
    auto* row = new QHBoxLayout(orientation);
    row->addWidget(m_portrait);
    row->addWidget(m_landscape);
    grid->addWidget(orientation, 2, 0, 1, 2);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_ok);
    buttons->addWidget(m_cancel);
    grid->addLayout(buttons, 3, 0, 1, 2);
    m_printer->setMinimumWidth(280);
    m_ok->setDefault(true);

    connect(m_printer, &QComboBox::currentIndexChanged, this, [this](int index) {
        fillPapers(index, m_paper->currentData().toInt());
    });
    connect(m_ok, &QPushButton::clicked, this, [this] {
        apply();
        setModalResult(platform::mrOk);
    });
    connect(m_cancel, &QPushButton::clicked, this, [this] { setModalResult(platform::mrCancel); });
}

void PrinterSetupDialog::fillPapers(int printerIndex, int selectedNumber)
{
    // The papers of another printer are read by selecting it for a moment.
    const int current = m_host.index();
    m_host.setIndex(printerIndex);
    const auto papers = m_host.papers();
    m_host.setIndex(current);
    m_paper->clear();
    for (const platform::PrinterPaper& p : papers)
        m_paper->addItem(QString::fromStdString(p.name), p.number);
    const int found = m_paper->findData(selectedNumber);
    m_paper->setCurrentIndex(found >= 0 ? found : 0);
}

void PrinterSetupDialog::apply()
{
    m_host.setIndex(m_printer->currentIndex());
    platform::DevMode& mode = m_host.devMode();
    if (m_paper->currentIndex() >= 0)
        mode.paperSize = m_paper->currentData().toInt();
    mode.orientation = m_landscape->isChecked() ? 2 : 1;
    m_host.applyDevMode();
}

} // namespace print
