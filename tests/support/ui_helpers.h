#pragma once
// Helpers for tests that drive real windows on the offscreen platform.

#include <QString>
#include <QStringList>

#include <chrono>
#include <functional>
#include <memory>
#include <ostream>

class QDialog;

namespace testsupport {

// Runs the event loop until pred holds or the time is up; returns pred's last value.
bool WaitUntil(const std::function<bool()>& pred, std::chrono::milliseconds limit);

// The body of every test main(): a QApplication on the offscreen platform (unless QT_QPA_PLATFORM
// names another), then all tests.
int RunTests(int& argc, char** argv);

// Answers every modal dialog that shows while it lives, from the dialog's own event loop just after
// each showing. A message box has its text and title recorded and its OK button pressed. Any other
// dialog goes to the answer function, which has to close it; without one it is rejected. A dialog
// still open ten seconds after it showed fails the test and is closed, so that the code waiting on
// it returns.
class MessageBoxCatcher {
public:
    MessageBoxCatcher();
    explicit MessageBoxCatcher(std::function<void(QDialog*)> answer);
    ~MessageBoxCatcher();
    MessageBoxCatcher(const MessageBoxCatcher&) = delete;
    MessageBoxCatcher& operator=(const MessageBoxCatcher&) = delete;
    QStringList Texts() const;
    QStringList Titles() const;
    // How many times a dialog other than a message box showed.
    int Dialogs() const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

} // namespace testsupport

// Readable QString values in test failure messages.
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }
