// Saving the results, saving the detail log and printing the results. Each runs on the UI thread from
// its dialog to the last byte, and reads the table and the log as they stand.

#include "ui/exporting.h"

#include "platform/clock.h"
#include "platform/printer.h"
#include "platform/savefile.h"
#include "protocol/report.h"
#include "ui/frmmain.h"
#include "ui/loglistbox.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QMessageBox>
#include <QPrintDialog>
#include <QTableView>

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

bool ClockTextsSet() { return exporting::g_longTime && exporting::g_shortDate; }

QString LongTimeText()
{
    return ClockTextsSet() ? exporting::g_longTime() : QString::fromLocal8Bit(wclock::LongTimeText());
}

QString ShortDateText()
{
    return ClockTextsSet() ? exporting::g_shortDate() : QString::fromLocal8Bit(wclock::ShortDateText());
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

// Text files are in the system code page: UTF-8 on Linux, the ANSI code page on Windows.
std::vector<std::string> SystemCodePage(const QStringList& lines)
{
    std::vector<std::string> out;
    out.reserve(static_cast<std::size_t>(lines.size()));
    for (const QString& line : lines)
        out.push_back(line.toLocal8Bit().toStdString());
    return out;
}

std::vector<std::string> Utf8(const QStringList& texts)
{
    std::vector<std::string> out;
    out.reserve(static_cast<std::size_t>(texts.size()));
    for (const QString& text : texts)
        out.push_back(text.toStdString());
    return out;
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
    if (const auto failure
        = wfile::ReplaceFile(path, QByteArray::fromStdString(report::TextFile(SystemCodePage(addresses)))))
        ShowMessage(failure->reason);
}

void Tfrmmain::N3Click()
{
    if (ListBox1->Count() == 0) {
        QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Save File"), QStringLiteral("  "), QMessageBox::Ok, this);
        box.exec();
        return;
    }
    const QString time = LongTimeText();
    const QString date = ShortDateText();
    SaveDlg->setProperty(kFileName,
                         QString::fromStdString(report::ProposedLogName(time.toStdString(), date.toStdString())));
    // The name gets ".txt" itself, so the dialog must not add an extension of its own.
    QString chosen;
    if (!RunSaveDialog(SaveDlg, QString(), chosen))
        return;
    const QString path = chosen + QStringLiteral(".txt");
    const std::vector<QString>& log = ListBox1->Lines();
    if (const auto failure = wfile::ReplaceFile(
            path, QByteArray::fromStdString(report::TextFile(SystemCodePage(QStringList(log.begin(), log.end())))))) {
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
    std::vector<int> widths;
    for (int column = 0; column < header->count(); ++column) {
        captions.append(Results()->headerData(column, Qt::Horizontal, Qt::DisplayRole).toString());
        widths.push_back(header->sectionSize(column));
    }
    try {
        wprint::TextPrinter out;
        out.Open({QPageLayout::Landscape, ReportFont(), QStringLiteral("Nodewick")});
        const auto print = [&out](const report::Pieces& line) {
            for (const std::string& piece : line)
                out.Write(QString::fromStdString(piece));
            out.WriteLine();
        };
        print(report::HeaderLine(Utf8(captions), widths));
        for (int row = 0; row < Results()->Count(); ++row)
            print(report::RowLine(Results()->Caption(row).toStdString(),
                                  Utf8({Results()->Cell(row, 0), Results()->Cell(row, 1), Results()->Cell(row, 2)}),
                                  widths.empty() ? 0 : widths.back()));
        out.Close();
    } catch (const wprint::PrinterError& error) {
        ShowMessage(QString::fromStdString(error.what()));
    }
}
