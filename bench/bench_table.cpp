// Feeds 65,000 replies to the real main window (offscreen, shown) and reports the time per insertion
// at the start and at the end of the run, and the memory per row and per log line. The table inserts
// at the top, so a cost that grew with the table would show as a growing time per insertion.
// Insertions are timed alone, in slices of 1000; after each slice the window repaints once, and that
// repaint is timed apart (a burst of replies is handled in one pass of the event loop, one repaint).
//   bench_table [rows]
#include "resident.h"
#include "support/nbstat_samples.h"
#include "ui/frmmain.h"
#include "ui/loglistbox.h"

#include <QApplication>
#include <QElapsedTimer>

#include <cstdio>
#include <string>

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int rows = argc > 1 ? std::stoi(argv[1]) : 65000;
    Tfrmmain window;
    window.show();
    QApplication::processEvents();
    const auto reply = samples::Workstation("WORKSTATION7", "OFFICE", {0x00, 0x0C, 0x29, 0x1A, 0x2B, 0x3C});
    const long rssBefore = RssKiB();
    const int slice = 1000;
    double firstSliceUs = 0;
    double lastSliceUs = 0;
    double firstPaintMs = 0;
    double lastPaintMs = 0;
    QElapsedTimer total;
    total.start();
    for (int done = 0; done < rows; done += slice) {
        QElapsedTimer t;
        t.start();
        for (int i = 0; i < slice && done + i < rows; ++i) {
            const int n = done + i;
            const QString addr = QStringLiteral("10.%1.%2.%3").arg(n >> 16).arg((n >> 8) & 255).arg(n & 255);
            window.Engine().Endpoint().ParseNBStatReply(reply.data(), static_cast<int>(reply.size()), addr);
        }
        const double us = static_cast<double>(t.nsecsElapsed()) / 1000.0 / slice;
        QElapsedTimer paint;
        paint.start();
        QApplication::processEvents();
        const double ms = static_cast<double>(paint.nsecsElapsed()) / 1e6;
        if (done == 0) {
            firstSliceUs = us;
            firstPaintMs = ms;
        }
        lastSliceUs = us;
        lastPaintMs = ms;
    }
    const long rssAfter = RssKiB();
    const int count = window.Results()->Count();
    const int lines = window.ListBox1->Count();
    std::printf("rows %d, log lines %d, total %.2f s\n", count, lines, static_cast<double>(total.elapsed()) / 1000.0);
    std::printf("time per insertion (a row and its 6 log lines): first 1000 %.2f us, last 1000 %.2f us\n", firstSliceUs,
                lastSliceUs);
    std::printf("one repaint of the window: with 1000 rows %.2f ms, with %d rows %.2f ms\n", firstPaintMs, count,
                lastPaintMs);
    std::printf("memory: %.0f bytes per row including its 6 log lines (%.0f bytes per row and line together)\n",
                (rssAfter - rssBefore) * 1024.0 / count, (rssAfter - rssBefore) * 1024.0 / (count + lines));
    std::printf("resident: %ld KiB at rest, %ld KiB after %d rows\n", rssBefore, rssAfter, count);
    window.close();
    return 0;
}
