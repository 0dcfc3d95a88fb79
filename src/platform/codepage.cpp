#include "platform/codepage.h"

#include "protocol/codepage.h"

#include <iconv.h>

#include <cerrno>
#include <cstdlib>
#include <memory>
#include <string>

namespace wcodepage {
namespace {

// glibc's UTF-32LE writes no byte-order mark.
constexpr const char* kUnicode = "UTF-32LE";

class Converter {
public:
    Converter(const std::string& to, const std::string& from)
        : cd_(::iconv_open(to.c_str(), from.c_str()))
    {
    }
    ~Converter()
    {
        if (ok())
            ::iconv_close(cd_);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

    // Converts from the front of in until out is full or the input fails; tells how many input bytes
    // were taken and how many output bytes written, and errno's value when it stopped on a failure.
    struct Result {
        std::size_t taken = 0;
        std::size_t written = 0;
        int error = 0;
    };
    Result Run(std::string_view in, char* out, std::size_t room)
    {
        ::iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        char* inp = const_cast<char*>(in.data());
        std::size_t inLeft = in.size();
        char* outp = out;
        std::size_t outLeft = room;
        const std::size_t r = ::iconv(cd_, &inp, &inLeft, &outp, &outLeft);
        return {in.size() - inLeft, room - outLeft, r == static_cast<std::size_t>(-1) ? errno : 0};
    }

private:
    iconv_t cd_;
};

std::string IconvName(int codePage) { return "CP" + std::to_string(codePage); }

bool HasConverter(int codePage) { return Converter(kUnicode, IconvName(codePage)).ok(); }

std::string LocaleName()
{
    for (const char* variable : {"LC_ALL", "LC_CTYPE", "LANG"})
        if (const char* value = std::getenv(variable); value != nullptr && *value != '\0')
            return value;
    return {};
}

char32_t FromLittleEndian(const unsigned char* b) { return b[0] | b[1] << 8 | b[2] << 16 | char32_t(b[3]) << 24; }

// One converter pair per thread and code page: iconv descriptors keep state and must not be shared
// between threads, and opening one costs more than converting a name.
struct Pair {
    int codePage = 0;
    std::unique_ptr<Converter> read;
    std::unique_ptr<Converter> write;
};

Pair& ConvertersFor(int codePage)
{
    thread_local Pair pair;
    if (pair.codePage != codePage || !pair.read) {
        pair.codePage = codePage;
        pair.read = std::make_unique<Converter>(kUnicode, IconvName(codePage));
        pair.write = std::make_unique<Converter>(IconvName(codePage), kUnicode);
    }
    return pair;
}

} // namespace

int GetOEMCP()
{
    static const int codePage = [] {
        const int wanted = codepage::OemCodePage(LocaleName());
        return HasConverter(wanted) ? wanted : codepage::kDefaultOem;
    }();
    return codePage;
}

std::string OemToUtf8(std::string_view bytes, int codePage)
{
    Converter& read = *ConvertersFor(codePage).read;
    if (!read.ok())
        return codepage::ToUtf8(bytes, [](std::string_view) { return codepage::Step{}; });
    return codepage::ToUtf8(bytes, [&read](std::string_view rest) {
        // Room for exactly one character: the converter stops after the first.
        unsigned char out[4];
        const auto r = read.Run(rest, reinterpret_cast<char*>(out), sizeof out);
        if (r.written == sizeof out && r.taken > 0)
            return codepage::Step{codepage::Step::Kind::Char, FromLittleEndian(out), r.taken};
        if (r.error == EINVAL)
            return codepage::Step{codepage::Step::Kind::Incomplete, 0, 0};
        return codepage::Step{};
    });
}

std::string Utf8ToOem(std::string_view text, int codePage)
{
    Converter& write = *ConvertersFor(codePage).write;
    return codepage::FromUtf8(text, [&write](char32_t c) -> std::optional<std::string> {
        if (!write.ok())
            return std::nullopt;
        const unsigned char in[4] = {static_cast<unsigned char>(c), static_cast<unsigned char>(c >> 8),
                                     static_cast<unsigned char>(c >> 16), static_cast<unsigned char>(c >> 24)};
        char out[8];
        const auto r = write.Run(std::string_view(reinterpret_cast<const char*>(in), sizeof in), out, sizeof out);
        if (r.error != 0 || r.taken != sizeof in || r.written == 0)
            return std::nullopt;
        return std::string(out, r.written);
    });
}

} // namespace wcodepage
