#include "scan/codepage.h"

#include "platform/codepage.h"

namespace codepage {

QString ToUnicode(std::string_view bytes)
{
    QString out;
    out.reserve(static_cast<qsizetype>(bytes.size()));
    for (const char c : bytes)
        out.append(QChar(wcodepage::ToUnicode(static_cast<unsigned char>(c))));
    return out;
}

} // namespace codepage
