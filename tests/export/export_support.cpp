#include "export_support.h"

#include "ui/loglistbox.h"

#include <QFileDialog>
#include <QLineEdit>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace exporttest {
namespace {

// Qt's file dialog keeps its history in the user's configuration when it is destroyed; the tests
// keep theirs in a folder of their own.
class ConfigHome : public ::testing::Environment {
public:
    void SetUp() override
    {
        dir_ = std::make_unique<QTemporaryDir>();
        ASSERT_TRUE(dir_->isValid());
        qputenv("XDG_CONFIG_HOME", dir_->path().toLocal8Bit());
    }
    void TearDown() override { dir_.reset(); }

private:
    std::unique_ptr<QTemporaryDir> dir_;
};

[[maybe_unused]] ::testing::Environment* const g_configHome = ::testing::AddGlobalTestEnvironment(new ConfigHome);

} // namespace

void AddRows(Tfrmmain& window, const QStringList& addresses)
{
    for (auto it = addresses.rbegin(); it != addresses.rend(); ++it) {
        const ResultsModel::RowId row = window.Results()->InsertTop(*it);
        for (int i = 0; i < ResultsModel::kCells; ++i)
            window.Results()->AddCell(row, QString());
        window.Results()->SetCell(row, 0, QStringLiteral("Found"));
    }
}

QString NameField(QFileDialog* dialog)
{
    auto* field = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    return field != nullptr ? field->text() : QString();
}

void Choose(QFileDialog* dialog, const QString& name)
{
    auto* field = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    ASSERT_NE(field, nullptr);
    field->setText(name);
    Accept(dialog);
}

void Accept(QFileDialog* dialog) { static_cast<QDialog*>(dialog)->accept(); }

} // namespace exporttest
