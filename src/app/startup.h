#pragma once

#include <memory>

class Tfrmmain;

namespace nodewick {

// Creates the main window, then the About, Ping and IP Info dialogs, all hidden. The dialogs belong
// to the window and go with it.
std::unique_ptr<Tfrmmain> CreateForms();

// Creates the main window and the three dialogs and runs the event loop until the main window closes.
int RunProgram(int argc, char** argv);

} // namespace nodewick
