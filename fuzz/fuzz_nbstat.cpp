// Every datagram that reaches port 6767 goes through the decoder, whoever sent it. The fuzzer feeds
// it arbitrary bytes in a buffer of exactly the received size, so any read past the end is caught,
// and checks what the decoder promises about what it gives back.
#include "protocol/nbstat.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size > 600)
        return 0;
    const std::vector<std::uint8_t> exact(data, data + size);
    const nbstat::Reply reply = nbstat::Decode(exact.data(), static_cast<int>(exact.size()));
    if (reply.tableFound == reply.names.empty())
        std::abort();
    if (reply.mac && !reply.tableFound)
        std::abort();
    for (const nbstat::NameEntry& entry : reply.names) {
        if (entry.text.size() != 15)
            std::abort();
        for (const char c : entry.text)
            if (static_cast<unsigned char>(c) < 0x20)
                std::abort();
        const std::string line = nbstat::NameLogLine(entry);
        if (line.compare(0, 15, entry.text) != 0)
            std::abort();
    }
    if (reply.mac && nbstat::MacText(*reply.mac, '.').size() != 17)
        std::abort();
    // A failed read (-1) decodes nothing, whatever the buffer holds.
    if (nbstat::Decode(exact.data(), -1).tableFound)
        std::abort();
    return 0;
}
