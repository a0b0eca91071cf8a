// Registration of the selection dialogs in the form registry.
#include "selection/SelectionForms.h"

#include "catalogue/DataCatalogue.h"
#include "platform/MessageService.h"
#include "records/FormRegistry.h"
#include "selection/DataSelectionDialog.h"
#include "ui/SimpleMessageBox.h"

#include <QApplication>

namespace selection {

void installShareMessageBox()
{
    setShareMessageHandler([](const std::string& text, const std::vector<std::string>& lines) {
        TMessageBox box(QApplication::activeWindow());
        box.MsgKind = 1;
        box.MsgCaption = "選択データの状態";
        box.MsgText = text;
        box.MsgColor = platform::clRed;
        box.SetLines(lines);
        box.FormPosition = 4; // centred on the screen
        box.ApplySettings();
        platform::execDialog(box);
    });
}

void registerForms()
{
    records::RegisterSyoriForm<TDataSentakuBox>("XvDataSenkaku");
    installShareMessageBox();
}

} // namespace selection
