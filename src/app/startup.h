#pragma once

namespace nodewick {

// Creates the main window and the three dialogs and runs the event loop until the main window closes.
int RunProgram(int argc, char** argv);

} // namespace nodewick
