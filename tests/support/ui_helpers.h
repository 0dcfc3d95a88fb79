#pragma once
// Helpers for tests that drive real windows on the offscreen platform.

#include <QString>
#include <QStringList>

#include <chrono>
#include <functional>
#include <ostream>

namespace testsupport {

// Runs the event loop until pred holds or the time is up; returns pred's last value.
bool WaitUntil(const std::function<bool()>& pred, std::chrono::milliseconds limit);

// The body of every test main(): a QApplication on the offscreen platform (unless QT_QPA_PLATFORM
// names another), then all tests.
int RunTests(int& argc, char** argv);

// Closes every modal message box that appears while it lives (pressing its OK button) and records
// the texts in the order they appeared.
class MessageBoxCatcher {
public:
    MessageBoxCatcher();
    ~MessageBoxCatcher();
    MessageBoxCatcher(const MessageBoxCatcher&) = delete;
    MessageBoxCatcher& operator=(const MessageBoxCatcher&) = delete;
    QStringList Texts() const;
    QStringList Titles() const;

private:
    struct Impl;
    Impl* impl_;
};

} // namespace testsupport

// Readable QString values in test failure messages.
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }
