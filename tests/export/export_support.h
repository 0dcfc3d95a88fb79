#pragma once
// What the export tests share: a main window whose start-up messages are dealt with, and a way to
// answer the modal dialogs that the export handlers run.

#include "ui/frmmain.h"

#include <QDialog>
#include <QString>
#include <QStringList>
#include <QTimer>

#include "support/ui_helpers.h"

#include <chrono>
#include <functional>
#include <memory>
#include <ostream>

class QFileDialog;

namespace exporttest {

// A main window as start-up makes it. Its endpoint may report that port 6767 is taken by another
// test; that message is answered and dropped.
std::unique_ptr<Tfrmmain> MakeWindow();

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
