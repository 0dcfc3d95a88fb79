#pragma once
// What the results leave the program as: the lines of the printed report, the bytes of the two text
// files and the name proposed for the detail log. Nothing here touches a widget, a file or a printer,
// so every rule of the output can be checked on its own.

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <vector>

namespace report {

// The pieces of one printed line in output order: every field is followed by its one blank, so the
// pieces joined are the line without its line end.
using Pieces = QStringList;

// Text left-justified and padded with blanks to width characters; a longer text is kept whole.
QString Field(const QString& text, int width);

// Every column caption padded to its column's width in pixels taken as characters.
Pieces HeaderLine(const QStringList& captions, const QList<int>& widths);

// A row's address and its first three cells (Status, Host Name, MAC Address), each padded to one
// width: the last column's, whatever the width of the field's own column.
Pieces RowLine(const QString& address, const QStringList& cells, int width);

// The results file: every address followed by CR LF; no rows give no bytes.
QByteArray ResultsFile(const QStringList& addresses);

// The detail-log file: every line followed by CR LF, the last included.
QByteArray DetailLogFile(const std::vector<QString>& lines);

// A date text fit to stand in a file name: every character that would end a name or split it into
// folders becomes "-". Short date formats such as 12/7/2026 would otherwise point into folders.
QString FileNameSafe(const QString& text);

// "Nodewick(" + date + "-" + time + ")", with every ":" of the time text turned into "-".
QString ProposedLogName(const QString& longTime, const QString& shortDate);

} // namespace report
