#include "ui/ComputerBrowserBox.h"

#include "platform/ComputerBrowser.h"
#include "platform/MessageService.h"
#include "records/SystemUtils.h"
#include "ui/OwnerDrawnButton.h"

#include <QApplication>
#include <QLabel>
#include <QListWidget>

TComputerSelectBox::TComputerSelectBox(const std::string& title,
                                       const std::vector<std::string>& names, QWidget* parent)
    : TBSDI(Border::Fixed, parent)
{
    setObjectName(QStringLiteral("TComputerSelectBox"));
    setWindowTitle(QStringLiteral("コンピュータの参照"));
    KeepOnClose = 1;

    m_prompt = new QLabel(QString::fromStdString(title), this);
    m_prompt->setObjectName(QStringLiteral("lblPrompt"));
    m_prompt->setWordWrap(true);
    m_prompt->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_prompt->setGeometry(12, 10, 336, 52);

    m_list = new QListWidget(this);
    m_list->setObjectName(QStringLiteral("lstComputers"));
    for (const std::string& n : names)
        m_list->addItem(QString::fromStdString(n));
    m_list->setGeometry(12, 66, 336, 180);

    m_btnOK = new TxPlButton(QStringLiteral("btnOK"), this);
    m_btnOK->CaptionA().setCaption(QStringLiteral("OK"));
    m_btnOK->setModalResult(platform::mrOk);
    m_btnOK->setGeometry(164, 256, 88, 28);
    m_btnCancel = new TxPlButton(QStringLiteral("btnCancel"), this);
    m_btnCancel->CaptionA().setCaption(QStringLiteral("キャンセル"));
    m_btnCancel->setCancel(true);
    m_btnCancel->setModalResult(platform::mrCancel);
    m_btnCancel->setGeometry(260, 256, 88, 28);

    // OK only with a computer chosen; a double click chooses and closes.
    m_btnOK->setEnabled(false);
    connect(m_list, &QListWidget::currentRowChanged, this,
            [this](int row) { m_btnOK->setEnabled(row >= 0); });
    connect(m_list, &QListWidget::itemDoubleClicked, this,
            [this] { setModalResult(platform::mrOk); });
    if (m_list->count() > 0)
        m_list->setCurrentRow(0);
    setFixedSize(360, 296);
    Initialized = 1;
}

std::string TComputerSelectBox::Selected() const
{
    const QListWidgetItem* item = m_list->currentItem();
    return item ? item->text().toStdString() : std::string();
}

namespace ui {

bool BrowseNetworkComputers(const std::string& title, std::string& name)
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const platform::ComputerBrowseResult found = platform::browseComputers();
    QApplication::restoreOverrideCursor();
    if (!found.daemonRunning) {
        platform::messageBox(kNoComputerBrowser, "", platform::MB_OK | platform::MB_ICONINFORMATION);
        return false;
    }
    TComputerSelectBox box(title, found.names, QApplication::activeWindow());
    if (platform::execDialog(box) != platform::mrOk || box.Selected().empty())
        return false;
    name = box.Selected();
    return true;
}

void installComputerBrowser() { setComputerBrowser(&BrowseNetworkComputers); }

} // namespace ui
