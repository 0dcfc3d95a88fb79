#pragma once
// What the export tests share: the window fixture, rows for the table, and the save dialog's name
// field.

#include "support/window_fixture.h"

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

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

// The text of a file dialog's name field.
QString NameField(QFileDialog* dialog);

// Accepts the dialog with the name that it shows, as the Save button would.
void Accept(QFileDialog* dialog);

// Types name into the dialog's name field and accepts it, as the Save button would.
void Choose(QFileDialog* dialog, const QString& name);

} // namespace exporttest
