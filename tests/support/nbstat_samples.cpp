#include "support/nbstat_samples.h"

namespace samples {
namespace {

void Put16(std::vector<std::uint8_t>& d, std::size_t value)
{
    d.push_back(static_cast<std::uint8_t>(value >> 8));
    d.push_back(static_cast<std::uint8_t>(value & 0xFF));
}

} // namespace

std::vector<std::uint8_t> StarName()
{
    std::vector<std::uint8_t> name = {0x20, 'C', 'K'};
    name.insert(name.end(), 30, 'A');
    name.push_back(0x00);
    return name;
}

std::vector<std::uint8_t> Reply(const std::vector<Name>& names, const std::array<std::uint8_t, 6>& mac, int countByte,
                                bool withStatistics, std::uint16_t transactionId,
                                const std::vector<std::uint8_t>& answerName)
{
    std::vector<std::uint8_t> d;
    Put16(d, transactionId);
    d.insert(d.end(), {0x84, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00}); // response, AA; one answer
    d.insert(d.end(), answerName.begin(), answerName.end());
    d.insert(d.end(), {0x00, 0x21, 0x00, 0x01, 0, 0, 0, 0}); // NBSTAT, IN, TTL
    Put16(d, 1 + 18 * names.size() + 46);
    d.push_back(static_cast<std::uint8_t>(countByte >= 0 ? countByte : static_cast<int>(names.size())));
    for (const Name& n : names) {
        std::string text = n.text.substr(0, 15);
        text.resize(15, n.pad);
        d.insert(d.end(), text.begin(), text.end());
        d.push_back(n.suffix);
        d.push_back(n.group ? 0x84 : 0x04); // group bit, active
        d.push_back(0x00);
    }
    if (withStatistics) {
        d.insert(d.end(), mac.begin(), mac.end());
        d.insert(d.end(), 40, 0x00);
    }
    return d;
}

std::vector<std::uint8_t> Workstation(const std::string& name, const std::string& group,
                                      const std::array<std::uint8_t, 6>& mac)
{
    return Reply({{name, 0x00, false}, {name, 0x20, false}, {group, 0x00, true}}, mac);
}

} // namespace samples
