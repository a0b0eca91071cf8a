// The computer browser of the data-server settings: the computers of the local network that
// offer a database server or shared folders, one to choose.
#pragma once

#include "ui/BaseDialog.h"

#include <string>
#include <vector>

class QLabel;
class QListWidget;
class TxPlButton;

class TComputerSelectBox : public TBSDI {
    Q_OBJECT
public:
    TComputerSelectBox(const std::string& title, const std::vector<std::string>& names,
                       QWidget* parent = nullptr);

    // The chosen computer's name after OK.
    std::string Selected() const;

    QListWidget* lstComputers() const { return m_list; }
    TxPlButton* btnOK() const { return m_btnOK; }
    TxPlButton* btnCancel() const { return m_btnCancel; }

private:
    QLabel* m_prompt = nullptr;
    QListWidget* m_list = nullptr;
    TxPlButton* m_btnOK = nullptr;
    TxPlButton* m_btnCancel = nullptr;
};

namespace ui {

// Said when no Avahi daemon answers; the caller's field stays as it was.
inline constexpr const char* kNoComputerBrowser =
    "ネットワークのコンピュータを探すサービス(Avahi)が動いていないため、一覧を表示できません。\r"
    "コンピュータ名を入力して下さい。";

// Browses the network (hourglass meanwhile) and lets the user choose: true with the name.
bool BrowseNetworkComputers(const std::string& title, std::string& name);
// Makes SelectComputer use BrowseNetworkComputers.
void installComputerBrowser();

} // namespace ui
