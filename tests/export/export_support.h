#pragma once
// What the export tests share: the window fixture, and a way to answer the modal dialogs that the
// export handlers run.

#include "support/window_fixture.h"

#include <QDialog>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QTimer>

#include <chrono>
#include <functional>

class QFileDialog;

namespace exporttest {

// The window as start-up makes it, not shown, and a folder of the test's own for what it writes.
class ExportTest : public testsupport::WindowTest {
protected:
    ExportTest()
        : WindowTest(Shown::ByTheTest)
    {
    }
    void SetUp() override
    {
        ASSERT_TRUE(dir_.isValid());
        WindowTest::SetUp();
    }

    QTemporaryDir dir_;
};

// Adds Quick-style rows to the window's table, the first of them at the top.
void AddRows(Tfrmmain& window, const QStringList& addresses);

// Answers the dialog that find() gives as soon as it shows: answer must accept or reject it. When
// the limit is up, every modal window still open is closed, the nested ones that the dialog may have
// opened included, so that a handler waiting on them always returns; the test then fails.
class DialogAnswer {
public:
    DialogAnswer(std::function<QDialog*()> find, std::function<void(QDialog*)> answer,
                 std::chrono::milliseconds limit = std::chrono::seconds(10));
    ~DialogAnswer();
    DialogAnswer(const DialogAnswer&) = delete;
    DialogAnswer& operator=(const DialogAnswer&) = delete;
    bool Answered() const { return answered_; }

private:
    QTimer timer_;
    bool answered_ = false;
    bool timedOut_ = false;
};

// The text of a file dialog's name field.
QString NameField(QFileDialog* dialog);

// Accepts the dialog with the name that it shows, as the Save button would.
void Accept(QFileDialog* dialog);

// Types name into the dialog's name field and accepts it, as the Save button would.
void Choose(QFileDialog* dialog, const QString& name);

} // namespace exporttest
