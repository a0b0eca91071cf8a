#pragma once

// Registration of the selection dialogs that framework code opens by name.

namespace selection {

// Registers the data-selection dialog TDataSentakuBox as "XvDataSenkaku". Called once at
// program start (a static registration object would be dropped by the linker).
void registerForms();

// Installs the box in which the catalogue shows the state of a shared data set (the single-OK
// box with a red headline, centred on the screen). registerForms does it too.
void installShareMessageBox();

} // namespace selection
