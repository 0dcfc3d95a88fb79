#include "ui/report.h"

#include <QtGlobal>

namespace report {
namespace {

const QByteArray kLineEnd = QByteArrayLiteral("\r\n");

// Text files are in the system code page: UTF-8 on Linux, the ANSI code page on Windows.
void AppendLine(QByteArray& out, const QString& line)
{
    out += line.toLocal8Bit();
    out += kLineEnd;
}

} // namespace

QString Field(const QString& text, int width)
{
    return text.leftJustified(width, QLatin1Char(' '), false);
}

Pieces HeaderLine(const QStringList& captions, const QList<int>& widths)
{
    Pieces pieces;
    for (qsizetype i = 0; i < captions.size() && i < widths.size(); ++i) {
        pieces.append(Field(captions[i], widths[i]));
        pieces.append(QStringLiteral(" "));
    }
    return pieces;
}

Pieces RowLine(const QString& address, const QStringList& cells, int width)
{
    Pieces pieces{Field(address, width), QStringLiteral(" ")};
    for (qsizetype i = 0; i < 3; ++i) {
        pieces.append(Field(cells.value(i), width));
        pieces.append(QStringLiteral(" "));
    }
    return pieces;
}

QByteArray ResultsFile(const QStringList& addresses)
{
    QByteArray out;
    for (const QString& address : addresses)
        AppendLine(out, address);
    return out;
}

QByteArray DetailLogFile(const std::vector<QString>& lines)
{
    QByteArray out;
    for (const QString& line : lines)
        AppendLine(out, line);
    return out;
}

QString FileNameSafe(const QString& text)
{
#ifdef Q_OS_WIN
    static const QString kUnfit = QStringLiteral("/\\:*?\"<>|");
#else
    static const QString kUnfit = QStringLiteral("/");
#endif
    QString safe = text;
    for (QChar& c : safe)
        if (kUnfit.contains(c))
            c = QLatin1Char('-');
    return safe;
}

QString ProposedLogName(const QString& longTime, const QString& shortDate)
{
    QString time = longTime;
    time.replace(QLatin1Char(':'), QLatin1Char('-'));
    return QStringLiteral("Nodewick(") + FileNameSafe(shortDate) + QLatin1Char('-') + time + QLatin1Char(')');
}

} // namespace report
