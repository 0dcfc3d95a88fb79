#pragma once
// The program as start-up builds it (main window, then the About, Ping and IP Info dialogs), inside a
// network namespace of the test process's own, and what the window and dialog tests do with it.

#include "platform/shell.h"
#include "support/window_fixture.h"

#include <vector>

class QWidget;

namespace uitest {

// Records what the shell layer is asked while it lives, instead of reaching the desktop.
class ShellRecorder {
public:
    ShellRecorder();
    ~ShellRecorder();
    ShellRecorder(const ShellRecorder&) = delete;
    ShellRecorder& operator=(const ShellRecorder&) = delete;
    const std::vector<wshell::ShellRequest>& Requests() const { return requests_; }

private:
    std::vector<wshell::ShellRequest> requests_;
};

// The window is shown by the test, once it has looked at what comes before the first showing.
class ProgramTest : public testsupport::WindowTest {
protected:
    ProgramTest()
        : WindowTest(Shown::ByTheTest)
    {
    }

    // Shows the main window (its first showing fills the address lists) and waits until it is active.
    void ShowWindow();
    void Activate(QWidget* w);
};

} // namespace uitest
