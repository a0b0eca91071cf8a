// Registration of the selection dialogs in the form registry.
#include "selection/SelectionForms.h"

#include "records/FormRegistry.h"
#include "selection/DataSelectionDialog.h"

namespace selection {

void registerForms() { records::RegisterSyoriForm<TDataSentakuBox>("XvDataSenkaku"); }

} // namespace selection
