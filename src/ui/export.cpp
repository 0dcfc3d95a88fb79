// Saving the results, saving the detail log and printing the results. Each runs on the UI thread from
// its dialog to the last byte, and reads the table and the log as they stand.

#include "ui/export.h"

#include "platform/printer.h"
#include "ui/frmmain.h"
#include "ui/loglistbox.h"
#include "ui/report.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QMessageBox>
#include <QPrintDialog>
#include <QSaveFile>
#include <QTableView>

#include <fcntl.h>
#include <langinfo.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <ctime>
#include <optional>

namespace exporting {
namespace {
std::function<QString()> g_longTime;
std::function<QString()> g_shortDate;
} // namespace

void SetClockTexts(std::function<QString()> longTime, std::function<QString()> shortDate)
{
    g_longTime = std::move(longTime);
    g_shortDate = std::move(shortDate);
}

} // namespace exporting

namespace {

// The current local time or date in one of the locale's own formats (LC_TIME). These carry no time
// zone, unlike Qt's long formats, so they name a file as the locale writes a time or a date.
QString ClockText(nl_item format)
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[256];
    // The format comes from the locale, never from input, so it cannot be checked at compile time.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
    const std::size_t length = std::strftime(text, sizeof text, nl_langinfo(format), &local);
#pragma GCC diagnostic pop
    return QString::fromLocal8Bit(text, static_cast<qsizetype>(length));
}

bool ClockTextsSet()
{
    return exporting::g_longTime && exporting::g_shortDate;
}

QString LongTimeText()
{
    return ClockTextsSet() ? exporting::g_longTime() : ClockText(T_FMT);
}

QString ShortDateText()
{
    return ClockTextsSet() ? exporting::g_shortDate() : ClockText(D_FMT);
}

// The name that the save dialog's last use ended with, kept on the dialog, which shows it again.
const char* const kFileName = "FileName";

// Both saves share the dialog: one "*.txt" filter, no question before a file is replaced, and the
// name that its last use ended with.
bool RunSaveDialog(QFileDialog* dialog, const QString& defaultSuffix, QString& chosen)
{
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setFileMode(QFileDialog::AnyFile);
    dialog->setOption(QFileDialog::DontConfirmOverwrite);
    // Setting a filter gives the typed name the filter's extension, so it is set only once.
    const QStringList filters{QStringLiteral("*.txt")};
    if (dialog->nameFilters() != filters)
        dialog->setNameFilters(filters);
    dialog->setDefaultSuffix(defaultSuffix);
    dialog->selectFile(dialog->property(kFileName).toString());
    if (dialog->exec() != QDialog::Accepted)
        return false;
    chosen = dialog->selectedFiles().value(0);
    dialog->setProperty(kFileName, chosen);
    return true;
}

struct FileFailure {
    bool created = false;
    QString reason; // the system's text for the failure
};

QString SystemText(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

// A device or a pipe cannot be replaced by a new file: it takes the bytes itself.
std::optional<FileFailure> WriteInPlace(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return FileFailure{false, file.errorString()};
    if (file.write(bytes) != bytes.size())
        return FileFailure{true, file.errorString()};
    // What the file buffer holds goes out only now: a full disk may show here.
    file.close();
    if (file.error() != QFileDevice::NoError)
        return FileFailure{true, file.errorString()};
    return std::nullopt;
}

// Writes all bytes to a new file beside the target, which replaces it only once every byte is on
// disk; on any failure the old file stays as it was and the new one is removed.
std::optional<FileFailure> WriteFile(const QString& path, const QByteArray& bytes)
{
    const QFileInfo target(path);
    if (target.exists() && !target.isFile() && !target.isDir())
        return WriteInPlace(path, bytes);
    // QSaveFile refuses these two in words of its own; the system's words come from asking it.
    if (target.isDir())
        return FileFailure{false, SystemText(EISDIR)};
    if (target.exists() && ::faccessat(AT_FDCWD, QFile::encodeName(path).constData(), W_OK, AT_EACCESS) != 0)
        return FileFailure{false, SystemText(errno)};
    QSaveFile file(path);
    // Unbuffered, so that every failure shows at the write that meets it.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return FileFailure{false, file.errorString()};
    // A write that meets a limit stores what fits and returns short without a reason; writing the
    // rest then fails with the system's reason (no space, file too large).
    for (qint64 done = 0; done < bytes.size();) {
        const qint64 written = file.write(bytes.constData() + done, bytes.size() - done);
        if (written <= 0)
            return FileFailure{true, file.errorString()};
        done += written;
    }
    // commit() syncs too but ignores a failure, and a disk may fill only when the cache goes out.
    if (::fsync(file.handle()) != 0 && errno != EINVAL)
        return FileFailure{true, SystemText(errno)};
    if (!file.commit())
        return FileFailure{true, file.errorString()};
    return std::nullopt;
}

QFont ReportFont()
{
    QFont font(QStringLiteral("Courier New"));
    font.setPointSize(8);
    font.setStyleHint(QFont::TypeWriter);
    return font;
}

} // namespace

void Tfrmmain::Save1Click()
{
    QString path;
    if (!RunSaveDialog(SaveDlg, QStringLiteral("txt"), path))
        return;
    QStringList addresses;
    for (int row = 0; row < Results()->Count(); ++row)
        addresses.append(Results()->Caption(row));
    if (const auto failure = WriteFile(path, report::ResultsFile(addresses)))
        ShowMessage(failure->reason);
}

void Tfrmmain::N3Click()
{
    if (ListBox1->Count() == 0) {
        QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Save File"), QStringLiteral("  "), QMessageBox::Ok,
                        this);
        box.exec();
        return;
    }
    const QString time = LongTimeText();
    const QString date = ShortDateText();
    SaveDlg->setProperty(kFileName, report::ProposedLogName(time, date));
    // The name gets ".txt" itself, so the dialog must not add an extension of its own.
    QString chosen;
    if (!RunSaveDialog(SaveDlg, QString(), chosen))
        return;
    const QString path = chosen + QStringLiteral(".txt");
    if (const auto failure = WriteFile(path, report::DetailLogFile(ListBox1->Lines()))) {
        if (failure->created)
            ShowMessage(failure->reason);
        else
            ShowMessage(QStringLiteral("Cannot create file \"%1\". %2")
                            .arg(QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath()), failure->reason));
    }
}

void Tfrmmain::Print1Click()
{
    if (PrintDialog1 == nullptr) {
        PrintDialog1 = new QPrintDialog(wprint::Printer(), this);
        PrintDialog1->setObjectName(QStringLiteral("PrintDialog1"));
        PrintDialog1->setOption(QAbstractPrintDialog::PrintToFile, false);
        PrintDialog1->setOption(QAbstractPrintDialog::PrintPageRange, false);
        PrintDialog1->setOption(QAbstractPrintDialog::PrintSelection, false);
    }
    if (PrintDialog1->exec() != QDialog::Accepted)
        return;

    const QHeaderView* header = ListView1->horizontalHeader();
    QStringList captions;
    QList<int> widths;
    for (int column = 0; column < header->count(); ++column) {
        captions.append(Results()->headerData(column, Qt::Horizontal, Qt::DisplayRole).toString());
        widths.append(header->sectionSize(column));
    }
    try {
        wprint::TextPrinter out;
        out.Open({QPageLayout::Landscape, ReportFont(), QStringLiteral("Nodewick")});
        const auto print = [&out](const report::Pieces& line) {
            for (const QString& piece : line)
                out.Write(piece);
            out.WriteLine();
        };
        print(report::HeaderLine(captions, widths));
        for (int row = 0; row < Results()->Count(); ++row)
            print(report::RowLine(Results()->Caption(row),
                                  {Results()->Cell(row, 0), Results()->Cell(row, 1), Results()->Cell(row, 2)},
                                  widths.value(widths.size() - 1)));
        out.Close();
    } catch (const wprint::PrinterError& error) {
        ShowMessage(QString::fromStdString(error.what()));
    }
}
