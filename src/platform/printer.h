#pragma once
// The printer as the program uses it: the print dialog sets up the one printer of the process, and the
// program then writes to it as a text device, line by line, in one font. On Linux this is a QPrinter
// painted with a QPainter.

#include <QFont>
#include <QPageLayout>
#include <QString>

#include <memory>
#include <stdexcept>

class QPrinter;

namespace wprint {

// A failure of the printing system; what() is the text to show.
class PrinterError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The printer of the process as the print dialog leaves it (which printer, how many copies). Made
// on first use; it lives until the program ends.
QPrinter* Printer();

// Tests print to a PDF file: while a device is set, every job goes to it in place of Printer().
void SetJobDevice(QPrinter* device);

// What a job sets on the printer before it opens.
struct JobSettings {
    QPageLayout::Orientation orientation = QPageLayout::Portrait;
    QFont font;
    QString title;
};

// The printer as a text device. Output starts at the top left of the printable area. A line end
// moves down by the font's height plus 2 device pixels. Text that does not fit before the right edge
// is cut after the last character that fits and goes on at the start of the next line. A new page
// begins when the next line would begin within two line spacings of the bottom. Opening starts the
// job, closing ends it; a text printer destroyed while open aborts its job.
class TextPrinter {
public:
    TextPrinter();
    ~TextPrinter();
    TextPrinter(const TextPrinter&) = delete;
    TextPrinter& operator=(const TextPrinter&) = delete;

    // Each of these throws PrinterError when the printing system fails.
    void Open(const JobSettings& settings);
    void Write(const QString& text);
    void WriteLine();
    void Close();

private:
    struct Job;
    QPrinter* device_;
    std::unique_ptr<Job> job_;
};

} // namespace wprint
