#pragma once
// The NetBIOS name service messages that the adapter-status and reverse lookups exchange besides the
// node-status query (RFC 1002): the broadcast NAME QUERY REQUEST, the answers to it and to a NODE
// STATUS REQUEST, and the host's own name in a node-status answer. Bytes in, values out.

#include "protocol/nbstat.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace nbname {

inline constexpr std::size_t kHeader = 12;
inline constexpr std::size_t kEncodedName = 34; // length byte, 32 letters, terminating zero
inline constexpr std::size_t kNameLength = 16;

using Name = std::array<std::uint8_t, kNameLength>;
using EncodedName = std::array<std::uint8_t, kEncodedName>;

// A unicast IPv4 address (network order): not 0.x.x.x, not multicast or above.
bool IsUnicast(std::uint32_t address);

// First-level encoding of a 16-byte NetBIOS name: each byte as two letters 'A' + nibble.
EncodedName EncodeName(const Name& name);

// A broadcast NAME QUERY REQUEST for name, type NB, class IN, with transaction id id.
std::array<std::uint8_t, kHeader + kEncodedName + 4> NameQuery(std::uint16_t id, const Name& name);

// The node-status query with transaction id id in place of 0.
std::array<std::uint8_t, 50> StatusQuery(std::uint16_t id);

// An answer to the request id: the response bit, opcode QUERY, no error and at least one answer.
bool IsPositiveResponse(const std::uint8_t* reply, std::size_t length, std::uint16_t id);

// The address in a POSITIVE NAME QUERY RESPONSE for encoded, or none. The answer's name is either
// written out or a pointer to the question's; a written one must be ours. Only unicast addresses.
std::optional<std::uint32_t> AnsweredAddress(const std::vector<std::uint8_t>& reply, const EncodedName& encoded);

// The host's own name in a decoded node-status answer: its unique name with suffix 0x00, else its
// unique name with suffix 0x20, without trailing blanks; none when it has neither.
std::optional<std::string> OwnName(const nbstat::Reply& reply);

} // namespace nbname
