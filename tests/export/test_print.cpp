// Printing the results to a PDF printer and reading the pages back with pdftotext.

#include "export_support.h"

#include "platform/printer.h"
#include "protocol/report.h"
#include "support/ui_helpers.h"

#include <QFile>
#include <QFontMetrics>
#include <QFontMetricsF>
#include <QHeaderView>
#include <QPrintDialog>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTableView>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

QFont ReportFont()
{
    QFont font(QStringLiteral("Courier New"));
    font.setPointSize(8);
    return font;
}

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

// Where the text device puts each line of the report, worked out from the rules and the metrics of
// the font on the device: the pages, each a list of printed lines.
QList<QStringList> ExpectedPages(const QStringList& reportLines, QPrinter& device)
{
    const QFont font = ReportFont();
    const qreal advance = QFontMetricsF(font, &device).horizontalAdvance(QLatin1Char('x'));
    const int spacing = QFontMetrics(font, &device).height() + 2;
    const auto perLine = static_cast<qsizetype>(device.width() / advance);
    QList<QStringList> pages{{}};
    int y = 0;
    const auto lineEnd = [&] {
        y += spacing;
        if (y + 2 * spacing > device.height()) {
            pages.append(QStringList());
            y = 0;
        }
    };
    for (const QString& line : reportLines) {
        for (qsizetype at = 0; at == 0 || at < line.size(); at += perLine) {
            if (at > 0)
                lineEnd();
            pages.back().append(RightTrimmed(line.mid(at, perLine)));
        }
        lineEnd();
    }
    return pages;
}

// The pages of the PDF as fixed-pitch text, with the page margin taken off and the blank lines at
// either end of a page dropped, as pdftotext does not show them.
QList<QStringList> PrintedPages(const QString& pdf, QPrinter& device)
{
    const qreal pitch
        = QFontMetricsF(ReportFont(), &device).horizontalAdvance(QLatin1Char('x')) * 72.0 / device.resolution();
    const QString text = Poppler("pdftotext", {"-fixed", QString::number(pitch, 'f', 5), pdf, "-"});
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

QStringList ReportLines(Tfrmmain& window)
{
    const QHeaderView* header = window.ListView1->horizontalHeader();
    std::vector<std::string> captions;
    std::vector<int> widths;
    for (int column = 0; column < header->count(); ++column) {
        captions.push_back(
            window.Results()->headerData(column, Qt::Horizontal, Qt::DisplayRole).toString().toStdString());
        widths.push_back(header->sectionSize(column));
    }
    const auto joined = [](const report::Pieces& pieces) {
        std::string line;
        for (const std::string& piece : pieces)
            line += piece;
        return QString::fromStdString(line);
    };
    QStringList lines{joined(report::HeaderLine(captions, widths))};
    for (int row = 0; row < window.Results()->Count(); ++row)
        lines.append(joined(
            report::RowLine(window.Results()->Caption(row).toStdString(),
                            {window.Results()->Cell(row, 0).toStdString(), window.Results()->Cell(row, 1).toStdString(),
                             window.Results()->Cell(row, 2).toStdString()},
                            widths.back())));
    return lines;
}

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

    void ExpectReportOnPages(int pageCount)
    {
        const QList<QStringList> expected = ExpectedPages(ReportLines(*window), pdf_);
        ASSERT_EQ(expected.size(), pageCount) << "the table does not make the pages that the test is about";
        const QList<QStringList> printed = PrintedPages(PdfPath(), pdf_);
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

    // The header is 786 characters: far wider than a landscape page, so it runs over several lines,
    // each as many characters as fit, the first of them the header's beginning.
    const QString header = ReportLines(*window).front();
    const qsizetype perLine
        = static_cast<qsizetype>(pdf_.width() / QFontMetricsF(ReportFont(), &pdf_).horizontalAdvance(QLatin1Char('x')));
    ASSERT_GT(perLine, 100);
    ASSERT_LT(perLine, 786);
    const QList<QStringList> printed = PrintedPages(PdfPath(), pdf_);
    ASSERT_EQ(printed.size(), 1);
    ASSERT_FALSE(printed[0].isEmpty());
    EXPECT_EQ(printed[0].front(), RightTrimmed(header.left(perLine)));
    for (const QString& line : printed[0])
        EXPECT_LE(line.size(), perLine);
    ExpectReportOnPages(1);

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
    ExpectReportOnPages(1);
}

TEST_F(ExportPrint, LongTableBreaksIntoPages)
{
    // Narrow columns make one printed line of every row; the Status column's width shows in the
    // header only.
    QHeaderView* header = window->ListView1->horizontalHeader();
    header->resizeSection(1, 10);
    header->resizeSection(5, 20);
    for (int i = 0; i < 150; ++i) {
        const QString address = QStringLiteral("10.0.%1.%2").arg(i / 100).arg(i % 100 + 1);
        const ResultsModel::RowId row = window->AppendThoroughRow(address);
        window->AddThoroughCell(row, QStringLiteral("Found"));
        window->AddThoroughCell(row, QStringLiteral("host-%1").arg(i));
        window->AddThoroughCell(row, QStringLiteral("00-1A-2B-3C-4D-%1").arg(i % 100, 2, 10, QLatin1Char('0')));
    }
    ASSERT_TRUE(Print([](QDialog* d) { d->accept(); }));
    ExpectReportOnPages(3);
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
