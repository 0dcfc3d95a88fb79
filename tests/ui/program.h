#pragma once
// The program as start-up builds it (main window, then the About, Ping and IP Info dialogs), inside a
// network namespace of the test process's own, and what the window and dialog tests do with it.

#include "platform/shell.h"
#include "support/window_fixture.h"

#include <functional>
#include <memory>
#include <vector>

class QWidget;

namespace uitest {

// Runs a handler for every showing of a modal window while it lives, from the modal window's own event
// loop just after the showing; the handler has to close it.
class ModalWatcher {
public:
    explicit ModalWatcher(std::function<void(QWidget*)> handler);
    ~ModalWatcher();
    ModalWatcher(const ModalWatcher&) = delete;
    ModalWatcher& operator=(const ModalWatcher&) = delete;
    int Seen() const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

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
