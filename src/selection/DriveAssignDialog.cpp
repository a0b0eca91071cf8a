// The dialog that assigns a drive letter to a mounted network folder ("共有割当").
#include "selection/DriveAssignDialog.h"

#include "platform/Files.h"
#include "platform/MessageService.h"
#include "platform/SharedDrives.h"
#include "records/DbErrorHandler.h"
#include "ui/KeyComboBox.h"
#include "ui/OwnerDrawnButton.h"

#include <QLabel>
#include <QLineEdit>

namespace selection {

namespace {
constexpr const char* kAssignFailed =
    "ネットワークドライブの割り当てAPIの呼び出しに失敗しました。\rOSの機能からネットワークドライブの割り当てを行って下さい。";
}

TDriveAssignBox::TDriveAssignBox(std::string iniFolder, QWidget* parent)
    : TBSDI(Border::Fixed, parent)
    , m_iniFolder(std::move(iniFolder))
{
    setObjectName(QStringLiteral("TDriveAssignBox"));
    KeepOnClose = 1;
    setWindowTitle(QStringLiteral("共有割当"));

    auto* lblLetter = new QLabel(QStringLiteral("ドライブ(&D):"), this);
    lblLetter->setGeometry(12, 16, 100, 24);
    m_cmbLetter = new TxComboBox(this);
    m_cmbLetter->setObjectName(QStringLiteral("cmbLetter"));
    m_cmbLetter->setGeometry(112, 16, 80, 24);
    for (char c : platform::drives::freeLetters())
        m_cmbLetter->addItem(QString(QLatin1Char(c)) + QLatin1Char(':'));
    lblLetter->setBuddy(m_cmbLetter);
    if (m_cmbLetter->count() > 0)
        m_cmbLetter->setCurrentIndex(m_cmbLetter->count() - 1); // network drives sit at the end

    auto* lblFolder = new QLabel(QStringLiteral("フォルダ(&F):"), this);
    lblFolder->setGeometry(12, 52, 100, 24);
    m_txtFolder = new QLineEdit(this);
    m_txtFolder->setObjectName(QStringLiteral("txtFolder"));
    m_txtFolder->setGeometry(112, 52, 220, 24);
    lblFolder->setBuddy(m_txtFolder);
    m_btnBrowse = new TxPlButton(QStringLiteral("btnBrowse"), this);
    m_btnBrowse->CaptionA().setCaption(QStringLiteral("参照..."));
    m_btnBrowse->setGeometry(340, 50, 72, 28);
    m_btnBrowse->OnClick = [this](QObject*) { btnBrowseClick(); };

    m_btnOK = new TxPlButton(QStringLiteral("btnOK"), this);
    m_btnOK->CaptionA().setCaption(QStringLiteral("OK"));
    m_btnOK->setGeometry(228, 100, 88, 30);
    m_btnOK->OnClick = [this](QObject*) { btnOKClick(); };
    m_btnCancel = new TxPlButton(QStringLiteral("btnCancel"), this);
    m_btnCancel->CaptionA().setCaption(QStringLiteral("キャンセル"));
    m_btnCancel->setModalResult(platform::mrCancel);
    m_btnCancel->setCancel(true);
    m_btnCancel->setGeometry(324, 100, 88, 30);
    m_btnOK->setEnabled(m_cmbLetter->count() > 0);
    setFixedSize(424, 142);
    Initialized = 1;
}

void TDriveAssignBox::btnBrowseClick()
{
    const auto folder =
        platform::messageService().folderName("共有フォルダの選択", m_txtFolder->text().toStdString());
    if (folder)
        m_txtFolder->setText(QString::fromStdString(*folder));
}

void TDriveAssignBox::btnOKClick()
{
    setModalResult(platform::mrNone);
    const std::string folder = m_txtFolder->text().trimmed().toStdString();
    if (folder.empty() || !platform::files::directoryExists(folder)) {
        platform::messageBox("割り当てるフォルダが見つかりません。", records::dialogCaption(2),
                             platform::MB_OK | platform::MB_ICONINFORMATION);
        m_txtFolder->setFocus();
        return;
    }
    platform::drives::DriveEntry entry;
    entry.letter = char(m_cmbLetter->currentText().at(0).toLatin1());
    entry.folder = folder;
    entry.remote = true;
    try {
        platform::drives::storeDriveEntry(m_iniFolder, entry);
    } catch (const std::exception&) {
        platform::messageBox(kAssignFailed, records::dialogCaption(2),
                             platform::MB_OK | platform::MB_ICONINFORMATION);
        setModalResult(platform::mrCancel);
        return;
    }
    m_stored = true;
    setModalResult(platform::mrOk);
}

int AssignSharedDrive(const std::string& iniFolder, QWidget* parent)
{
    TDriveAssignBox box(iniFolder, parent);
    platform::execDialog(box);
    return box.stored() ? 0 : 1;
}

} // namespace selection
