#pragma once
// The program as start-up builds it (main window, then the About, Ping and IP Info dialogs), inside a
// network namespace of the test process's own: the window's UDP endpoint, the local address lookup
// and every datagram a scan sends stay on a private loopback, and parallel test processes never
// contend for port 6767.

#include "platform/shell.h"
#include "support/ui_helpers.h"
#include "ui/frmmain.h"

#include <gtest/gtest.h>

#include <QString>

#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

class QWidget;

namespace uitest {

// Empty when the process runs in a private network namespace, else why it could not get one.
const std::string& PrivateNetworkProblem();

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

class ProgramTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Shows the main window (its first showing fills the address lists) and waits until it is active.
    void ShowWindow();
    void Activate(QWidget* w);

    std::unique_ptr<Tfrmmain> window;
};

} // namespace uitest
