#pragma once
// What the results leave the program as: the lines of the printed report, the bytes of the two text
// files and the name proposed for the detail log. Nothing here touches a widget, a file or a printer,
// so every rule of the output can be checked on its own. Texts are UTF-8.

#include <string>
#include <vector>

namespace report {

// The pieces of one printed line in output order: every field is followed by its one blank, so the
// pieces joined are the line without its line end.
using Pieces = std::vector<std::string>;

// Text left-justified and padded with blanks to width characters; a longer text is kept whole.
std::string Field(const std::string& text, int width);

// Every column caption padded to its column's width in pixels taken as characters.
Pieces HeaderLine(const std::vector<std::string>& captions, const std::vector<int>& widths);

// A row's address and its first three cells (Status, Host Name, MAC Address), each padded to one
// width: the last column's, whatever the width of the field's own column.
Pieces RowLine(const std::string& address, const std::vector<std::string>& cells, int width);

// A saved text file (the results file, the detail-log file): every line followed by CR LF, the last
// included; no lines give no bytes. The lines are in the system code page already.
std::string TextFile(const std::vector<std::string>& lines);

// A date text fit to stand in a file name: every character that would end a name or split it into
// folders becomes "-". Short date formats such as 12/7/2026 would otherwise point into folders.
std::string FileNameSafe(const std::string& text);

// "Nodewick(" + date + "-" + time + ")", with every ":" of the time text turned into "-".
std::string ProposedLogName(const std::string& longTime, const std::string& shortDate);

} // namespace report
