#include "platform/printer.h"

#include <QFontMetrics>
#include <QFontMetricsF>
#include <QPainter>
#include <QPrinter>

namespace wprint {
namespace {

QPrinter* g_jobDevice = nullptr;

// Qt tells no reason for a failed job (it only logs that painting could not begin), so the message
// names where the job was going.
QString Target(const QPrinter& printer)
{
    return printer.outputFileName().isEmpty() ? printer.printerName() : printer.outputFileName();
}

PrinterError StartFailure(const QPrinter& printer)
{
    const QString target = Target(printer);
    if (target.isEmpty())
        return PrinterError("There is no printer to print on.");
    return PrinterError(QStringLiteral("The printer \"%1\" could not start the job.").arg(target).toStdString());
}

PrinterError JobFailure(const QPrinter& printer)
{
    return PrinterError(QStringLiteral("Printing on \"%1\" failed.").arg(Target(printer)).toStdString());
}

} // namespace

QPrinter* Printer()
{
    // Never destroyed: the print system must not be torn down after the application object is gone.
    static QPrinter* const printer = new QPrinter(QPrinter::HighResolution);
    return printer;
}

void SetJobDevice(QPrinter* device) { g_jobDevice = device; }

struct TextPrinter::Job {
    QPainter painter;
    QFontMetricsF metrics{QFont()};
    qreal ascent = 0;
    int spacing = 0;
    int width = 0;
    int height = 0;
    qreal x = 0;
    int y = 0;
};

TextPrinter::TextPrinter()
    : device_(g_jobDevice != nullptr ? g_jobDevice : Printer())
{
}

TextPrinter::~TextPrinter()
{
    if (job_) {
        device_->abort();
        job_->painter.end();
    }
}

void TextPrinter::Open(const JobSettings& settings)
{
    device_->setPageOrientation(settings.orientation);
    device_->setDocName(settings.title);
    auto job = std::make_unique<Job>();
    if (!job->painter.begin(device_))
        throw StartFailure(*device_);
    job->painter.setFont(settings.font);
    job->metrics = QFontMetricsF(job->painter.font(), device_);
    job->ascent = job->metrics.ascent();
    job->spacing = QFontMetrics(job->painter.font(), device_).height() + 2;
    // Without full-page mode the device is the printable area, its origin the area's top left.
    job->width = device_->width();
    job->height = device_->height();
    job_ = std::move(job);
}

void TextPrinter::Write(const QString& text)
{
    qsizetype start = 0;
    while (start < text.size()) {
        qsizetype end = start;
        qreal x = job_->x;
        while (end < text.size()) {
            const bool pair = text[end].isHighSurrogate() && end + 1 < text.size();
            const qreal advance
                = pair ? job_->metrics.horizontalAdvance(text.mid(end, 2)) : job_->metrics.horizontalAdvance(text[end]);
            // A character wider than the whole line still goes, alone, so that the text always moves on.
            const bool lineStart = end == start && job_->x == 0;
            if (x + advance > job_->width && !lineStart)
                break;
            x += advance;
            end += pair ? 2 : 1;
        }
        if (end > start) {
            job_->painter.drawText(QPointF(job_->x, job_->y + job_->ascent), text.mid(start, end - start));
            job_->x = x;
        }
        start = end;
        if (start < text.size())
            WriteLine();
    }
}

void TextPrinter::WriteLine()
{
    job_->x = 0;
    job_->y += job_->spacing;
    if (job_->y + 2 * job_->spacing > job_->height) {
        if (!device_->newPage())
            throw JobFailure(*device_);
        job_->y = 0;
    }
}

void TextPrinter::Close()
{
    const bool ended = job_->painter.end();
    job_.reset();
    if (!ended || device_->printerState() == QPrinter::Error)
        throw JobFailure(*device_);
}

} // namespace wprint
