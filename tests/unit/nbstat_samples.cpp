#include "nbstat_samples.h"

namespace samples {

std::vector<std::uint8_t> Reply(const std::vector<Name>& names, const std::array<std::uint8_t, 6>& mac,
                                int countByte, bool withStatistics)
{
    std::vector<std::uint8_t> d = {0x00, 0x00, 0x84, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x20,
                                   'C', 'K'};
    d.insert(d.end(), 30, 'A');
    d.insert(d.end(), {0x00, 0x00, 0x21, 0x00, 0x01, 0, 0, 0, 0});
    const std::size_t rdlength = 1 + 18 * names.size() + 46;
    d.push_back(static_cast<std::uint8_t>(rdlength >> 8));
    d.push_back(static_cast<std::uint8_t>(rdlength & 0xFF));
    d.push_back(static_cast<std::uint8_t>(countByte >= 0 ? countByte : static_cast<int>(names.size())));
    for (const Name& n : names) {
        std::string text = n.text.substr(0, 15);
        text.resize(15, n.pad);
        d.insert(d.end(), text.begin(), text.end());
        d.push_back(n.suffix);
        d.push_back(n.group ? 0x84 : 0x04);
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
