#pragma once

// Registration of the selection dialogs that framework code opens by name.

namespace selection {

// Registers the data-selection dialog TDataSentakuBox as "XvDataSenkaku". Called once at
// program start (a static registration object would be dropped by the linker).
void registerForms();

} // namespace selection
