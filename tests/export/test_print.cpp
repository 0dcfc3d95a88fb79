// Printing the results to a PDF printer and reading the pages back with pdftotext.

#include "export_support.h"

#include "platform/printer.h"
#include "support/ui_helpers.h"

#include <QFile>
#include <QHeaderView>
#include <QPrintDialog>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTableView>

#include <gtest/gtest.h>

#include <initializer_list>
#include <utility>

namespace {

// Runs a poppler tool on the file; its standard output, or empty text when it failed.
QString Poppler(const QString& tool, const QStringList& arguments)
{
    const QString program = QStandardPaths::findExecutable(tool);
    if (program.isEmpty()) {
        ADD_FAILURE() << tool.toStdString() << " is missing: install poppler-utils";
        return {};
    }
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(30000) || process.exitCode() != 0) {
        process.kill();
        process.waitForFinished(5000);
        ADD_FAILURE() << tool.toStdString() << " failed: " << process.readAllStandardError().toStdString();
        return {};
    }
    return QString::fromUtf8(process.readAllStandardOutput());
}

QString RightTrimmed(QString line)
{
    while (!line.isEmpty() && line.back().isSpace())
        line.chop(1);
    return line;
}

QStringList WithoutEmptyEnds(QStringList lines)
{
    while (!lines.isEmpty() && lines.front().isEmpty())
        lines.removeFirst();
    while (!lines.isEmpty() && lines.back().isEmpty())
        lines.removeLast();
    return lines;
}

// The pages of the PDF as fixed-pitch text, with the page margin taken off and the blank lines at
// either end of a page dropped, as pdftotext does not show them. Read at the report font's advance,
// 4.78875 points, every printed character has a column of its own.
QList<QStringList> PrintedPages(const QString& pdf)
{
    const QString text = Poppler("pdftotext", {"-fixed", "4.78875", pdf, "-"});
    QStringList pageTexts = text.split(QLatin1Char('\f'));
    if (!pageTexts.isEmpty() && pageTexts.back().trimmed().isEmpty())
        pageTexts.removeLast();
    qsizetype margin = -1;
    QList<QStringList> pages;
    for (const QString& pageText : pageTexts) {
        QStringList lines = WithoutEmptyEnds(pageText.split(QLatin1Char('\n')));
        if (margin < 0 && !lines.isEmpty())
            margin = lines.front().indexOf(QRegularExpression(QStringLiteral("\\S")));
        for (QString& line : lines)
            line = RightTrimmed(line.mid(margin));
        pages.append(lines);
    }
    return pages;
}

// A printed line: each text from its column on.
QString Line(std::initializer_list<std::pair<int, QString>> texts)
{
    QString line;
    for (const auto& [column, text] : texts)
        line = line.leftJustified(column) + text;
    return line;
}

// 171 characters fit across the landscape page. The header of the window's column widths, 786
// characters, runs over five lines, the last of them blank.
const QStringList kHeaderLines = {Line({{0, "IP Address"}, {151, "Status"}}), Line({{41, "Host Name"}}),
                                  Line({{21, "MAC Address"}}), Line({{1, "WorkGrp/Domain"}}), ""};

class ExportPrint : public exporttest::ExportTest {
protected:
    void SetUp() override
    {
        ExportTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        pdf_.setOutputFormat(QPrinter::PdfFormat);
        pdf_.setOutputFileName(PdfPath());
        wprint::SetJobDevice(&pdf_);
    }
    void TearDown() override
    {
        ExportTest::TearDown();
        wprint::SetJobDevice(nullptr);
    }

    QString PdfPath() const { return dir_.filePath(QStringLiteral("report.pdf")); }

    // Runs File, Print with the print dialog answered by answer; false when the dialog never showed.
    bool Print(const std::function<void(QDialog*)>& answer)
    {
        const testsupport::MessageBoxCatcher reply([&](QDialog* d) {
            if (d == window->PrintDialog1)
                answer(d);
        });
        window->Print1Click();
        return reply.Dialogs() > 0;
    }

    void ExpectPages(const QList<QStringList>& expected)
    {
        const QList<QStringList> printed = PrintedPages(PdfPath());
        ASSERT_EQ(printed.size(), expected.size());
        for (qsizetype page = 0; page < expected.size(); ++page)
            EXPECT_EQ(printed[page], WithoutEmptyEnds(expected[page])) << "page " << page + 1;
    }

    QPrinter pdf_{QPrinter::HighResolution};
};

TEST_F(ExportPrint, EmptyTablePrintsTheHeaderWrappedInLandscape)
{
    ASSERT_TRUE(Print([](QDialog* d) { d->accept(); }));
    ASSERT_TRUE(QFile::exists(PdfPath()));
    ExpectPages({kHeaderLines});

    const QString info = Poppler("pdfinfo", {PdfPath()});
    EXPECT_TRUE(info.contains(QRegularExpression(QStringLiteral("Title:\\s+Nodewick\\n")))) << info.toStdString();
    const QRegularExpressionMatch size
        = QRegularExpression(QStringLiteral("Page size:\\s+([\\d.]+) x ([\\d.]+)")).match(info);
    ASSERT_TRUE(size.hasMatch()) << info.toStdString();
    EXPECT_GT(size.captured(1).toDouble(), size.captured(2).toDouble());

    EXPECT_EQ(window->PrintDialog1->objectName(), "PrintDialog1");
    EXPECT_FALSE(window->PrintDialog1->testOption(QAbstractPrintDialog::PrintToFile));
    EXPECT_FALSE(window->PrintDialog1->testOption(QAbstractPrintDialog::PrintPageRange));
    EXPECT_FALSE(window->PrintDialog1->testOption(QAbstractPrintDialog::PrintSelection));
}

TEST_F(ExportPrint, RowsOfTheDefaultWidthsRunOverFourLinesEach)
{
    QStringList addresses;
    for (int i = 1; i <= 3; ++i)
        addresses.append(QStringLiteral("10.0.0.%1").arg(i));
    exporttest::AddRows(*window, addresses);
    ASSERT_TRUE(Print([](QDialog* d) { d->accept(); }));
    // A row is 604 characters: its address and status on the first line, blanks on the other three.
    QStringList lines = kHeaderLines;
    for (const QString& address : addresses)
        lines += {Line({{0, address}, {151, "Found"}}), "", "", ""};
    ExpectPages({lines});
}

TEST_F(ExportPrint, LongTableBreaksIntoPages)
{
    // Narrow columns (the header keeps them 26 pixels wide at least) make one printed line of every
    // row; the Status column's width shows in the header only.
    QHeaderView* header = window->ListView1->horizontalHeader();
    header->resizeSection(1, 10);
    header->resizeSection(5, 20);
    // 61 lines to a page: the header's four and 57 rows, then 61 rows, then the last 32.
    QList<QStringList> pages = {{Line({{0, "IP Address"}, {151, "Status"}}),
                                 Line({{7, "Host Name"}, {158, "MAC Address"}}), Line({{138, "WorkGrp/Domain"}}), ""},
                                {},
                                {}};
    for (int i = 0; i < 150; ++i) {
        const QString address = QStringLiteral("10.0.%1.%2").arg(i / 100).arg(i % 100 + 1);
        const QString host = QStringLiteral("host-%1").arg(i);
        const QString mac = QStringLiteral("00-1A-2B-3C-4D-%1").arg(i % 100, 2, 10, QLatin1Char('0'));
        const ResultsModel::RowId row = window->AppendThoroughRow(address);
        window->AddThoroughCell(row, host);
        window->AddThoroughCell(row, mac);
        pages[i < 57 ? 0 : i < 118 ? 1 : 2].append(Line({{0, address}, {27, "Found"}, {54, host}, {81, mac}}));
    }
    ASSERT_TRUE(Print([](QDialog* d) { d->accept(); }));
    ExpectPages(pages);
}

TEST_F(ExportPrint, CancelPrintsNothingAndAFailedJobIsReported)
{
    exporttest::AddRows(*window, {"10.0.0.1"});
    ASSERT_TRUE(Print([](QDialog* d) { d->reject(); }));
    EXPECT_FALSE(QFile::exists(PdfPath()));

    const QString unwritable = dir_.filePath(QStringLiteral("missing/report.pdf"));
    pdf_.setOutputFileName(unwritable);
    testsupport::MessageBoxCatcher messages;
    ASSERT_TRUE(Print([](QDialog* d) { d->accept(); }));
    EXPECT_EQ(messages.Texts(), QStringList{"The printer \"" + unwritable + "\" could not start the job."});
    EXPECT_EQ(window->Results()->Count(), 1);

    // The program goes on: the next print works.
    pdf_.setOutputFileName(PdfPath());
    ASSERT_TRUE(Print([](QDialog* d) { d->accept(); }));
    EXPECT_TRUE(QFile::exists(PdfPath()));
}

} // namespace
