#include "protocol/report.h"

#include <algorithm>
#include <cstddef>

namespace report {
namespace {

// Characters, not bytes: every byte that does not continue a UTF-8 sequence starts one.
int Characters(const std::string& text)
{
    return static_cast<int>(
        std::count_if(text.begin(), text.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

} // namespace

std::string Field(const std::string& text, int width)
{
    const int length = Characters(text);
    return length >= width ? text : text + std::string(static_cast<std::size_t>(width - length), ' ');
}

Pieces HeaderLine(const std::vector<std::string>& captions, const std::vector<int>& widths)
{
    Pieces pieces;
    for (std::size_t i = 0; i < captions.size() && i < widths.size(); ++i) {
        pieces.push_back(Field(captions[i], widths[i]));
        pieces.emplace_back(" ");
    }
    return pieces;
}

Pieces RowLine(const std::string& address, const std::vector<std::string>& cells, int width)
{
    Pieces pieces{Field(address, width), " "};
    for (std::size_t i = 0; i < 3; ++i) {
        pieces.push_back(Field(i < cells.size() ? cells[i] : std::string(), width));
        pieces.emplace_back(" ");
    }
    return pieces;
}

std::string TextFile(const std::vector<std::string>& lines)
{
    std::string out;
    for (const std::string& line : lines) {
        out += line;
        out += "\r\n";
    }
    return out;
}

std::string FileNameSafe(const std::string& text)
{
#ifdef _WIN32
    static const std::string kUnfit = "/\\:*?\"<>|";
#else
    static const std::string kUnfit = "/";
#endif
    std::string safe = text;
    for (char& c : safe)
        if (kUnfit.find(c) != std::string::npos)
            c = '-';
    return safe;
}

std::string ProposedLogName(const std::string& longTime, const std::string& shortDate)
{
    std::string time = longTime;
    std::replace(time.begin(), time.end(), ':', '-');
    return "Nodewick(" + FileNameSafe(shortDate) + "-" + time + ")";
}

} // namespace report
