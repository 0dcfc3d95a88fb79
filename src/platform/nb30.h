#pragma once
// The NetBIOS control block, command codes and adapter-status records, laid out as the published
// Windows declarations lay them out, so a buffer filled by the NetBIOS layer reads the same way.

#include <cstddef>
#include <cstdint>

inline constexpr int NCBNAMSZ = 16;

inline constexpr std::uint8_t NCBRESET = 0x32;
inline constexpr std::uint8_t NCBASTAT = 0x33;

// Return codes the NetBIOS layer gives in ncb_retcode and as the result of Netbios.
inline constexpr std::uint8_t NRC_GOODRET = 0x00;
inline constexpr std::uint8_t NRC_BUFLEN = 0x01; // ncb_buffer null, or too short for ADAPTER_STATUS
inline constexpr std::uint8_t NRC_ILLCMD = 0x03; // no control block, asynchronous use, or another command
inline constexpr std::uint8_t NRC_CMDTMO = 0x05; // the named host was found but did not answer in time
inline constexpr std::uint8_t NRC_INCOMP = 0x06; // the name table did not fit: as much as fits was written
inline constexpr std::uint8_t NRC_NOCALL = 0x14; // no host holds the name, as far as could be found
inline constexpr std::uint8_t NRC_BRIDGE = 0x23; // an adapter other than 0

// name_flags of a NAME_BUFFER.
inline constexpr std::uint8_t UNIQUE_NAME = 0x00;
inline constexpr std::uint8_t GROUP_NAME = 0x80;
inline constexpr std::uint8_t REGISTERED = 0x04;

struct NCB;
using NcbPost = void (*)(NCB*);

// 64 bytes, as in the 32-bit declaration the program was written against. A 64-bit build cannot keep
// that layout with three 8-byte pointers, so this one keeps the field order and packs to 4 bytes:
// ncb_buffer and ncb_post stay real pointers (at offsets 4 and 48), ncb_reserve shrinks from 10 to
// 2 bytes, and ncb_event holds a 32-bit handle value (handles carry 32 significant bits on the
// platform it mirrors). Asynchronous completion is not supported: ncb_post and ncb_event must stay zero.
#pragma pack(push, 4)
struct NCB {
    std::uint8_t ncb_command;
    std::uint8_t ncb_retcode;
    std::uint8_t ncb_lsn;
    std::uint8_t ncb_num;
    std::uint8_t* ncb_buffer;
    std::uint16_t ncb_length;
    std::uint8_t ncb_callname[NCBNAMSZ];
    std::uint8_t ncb_name[NCBNAMSZ];
    std::uint8_t ncb_rto;
    std::uint8_t ncb_sto;
    NcbPost ncb_post;
    std::uint8_t ncb_lana_num;
    std::uint8_t ncb_cmd_cplt;
    std::uint8_t ncb_reserve[2];
    std::uint32_t ncb_event;
};
#pragma pack(pop)
static_assert(sizeof(NCB) == 64);
static_assert(offsetof(NCB, ncb_buffer) == 4 && offsetof(NCB, ncb_length) == 12);
static_assert(offsetof(NCB, ncb_callname) == 14 && offsetof(NCB, ncb_name) == 30);
static_assert(offsetof(NCB, ncb_post) == 48 && offsetof(NCB, ncb_lana_num) == 56);
static_assert(offsetof(NCB, ncb_event) == 60);

// 60 bytes; the natural alignment of its fields gives the published layout with no padding.
struct ADAPTER_STATUS {
    std::uint8_t adapter_address[6];
    std::uint8_t rev_major;
    std::uint8_t reserved0;
    std::uint8_t adapter_type;
    std::uint8_t rev_minor;
    std::uint16_t duration;
    std::uint16_t frmr_recv;
    std::uint16_t frmr_xmit;
    std::uint16_t iframe_recv_err;
    std::uint16_t xmit_aborts;
    std::uint32_t xmit_success;
    std::uint32_t recv_success;
    std::uint16_t iframe_xmit_err;
    std::uint16_t recv_buff_unavail;
    std::uint16_t t1_timeouts;
    std::uint16_t ti_timeouts;
    std::uint32_t reserved1;
    std::uint16_t free_ncbs;
    std::uint16_t max_cfg_ncbs;
    std::uint16_t max_ncbs;
    std::uint16_t xmit_buf_unavail;
    std::uint16_t max_dgram_size;
    std::uint16_t pending_sess;
    std::uint16_t max_cfg_sess;
    std::uint16_t max_sess;
    std::uint16_t max_sess_pkt_size;
    std::uint16_t name_count;
};
static_assert(sizeof(ADAPTER_STATUS) == 60);
static_assert(offsetof(ADAPTER_STATUS, xmit_success) == 20 && offsetof(ADAPTER_STATUS, name_count) == 58);

struct NAME_BUFFER {
    std::uint8_t name[NCBNAMSZ];
    std::uint8_t name_num;
    std::uint8_t name_flags;
};
static_assert(sizeof(NAME_BUFFER) == 18);
