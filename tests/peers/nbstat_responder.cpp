// nbstat_responder: a minimal NetBIOS name service peer (RFC 1001/1002) for the
// Nodewick test lab. Plain POSIX, no Qt.
//
// Responder mode (default):
//   nbstat_responder --addr A --name N --workgroup W --mac 0A:1B:2C:3D:4E:5F
//                    [--extra-names-count K]
// binds UDP 137 on A (and on A's subnet broadcast address, for broadcast name
// queries) and answers
//   * NODE STATUS REQUEST (question type 0x21) with a NODE STATUS RESPONSE whose
//     name table holds N<00> unique, N<20> unique, W<00> group (plus K extra
//     unique names EXTRA000<00>.. when asked), all active, and whose
//     statistics carry the given MAC as UNIT_ID, the other 40 bytes zero;
//   * NAME QUERY REQUEST (type 0x20, unicast or broadcast) for N (any suffix,
//     case-insensitive) with a positive NAME QUERY RESPONSE carrying A.
// Replies only ever go to the requester's address and port. Exits on SIGTERM
// or SIGINT.
// With --any-addr it binds 0.0.0.0:137 instead and answers node status requests
// to every address of its namespace (its own and those of local routes), from the
// address that was asked; an address other than A is named
// <first 7 of N>-<third octet>-<fourth octet>, so each stands for a host of its own.
//
// Probe mode (used by tests/lab/netlab.sh to wait until a peer answers):
//   nbstat_responder --probe A [--expect NAME] [--timeout-ms T]
// sends a node status request for "*" to A:137 every 100 ms until a reply from
// A:137 arrives (whose table holds NAME, if given), prints the table and the
// MAC, and exits 0; exits 1 when T ms (default 20000) pass without one.

#include "support/nbstat_samples.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr uint16_t kTypeNb = 0x0020;
constexpr uint16_t kTypeNbstat = 0x0021;
constexpr uint16_t kClassIn = 0x0001;
constexpr int kMaxNames = 255;  // NUM_NAMES is one byte

volatile sig_atomic_t g_stop = 0;
void OnSignal(int) { g_stop = 1; }

struct NameEntry {
  std::string name;  // up to 15 chars
  unsigned char suffix;
  bool group;
};

struct Options {
  std::string addr;
  std::string name;
  std::string workgroup;
  std::array<unsigned char, 6> mac{};
  bool haveMac = false;
  int extraNames = 0;
  bool anyAddr = false;
  std::string probeAddr;
  std::string expect;
  int timeoutMs = 20000;
};

[[noreturn]] void Usage(const char* why) {
  std::fprintf(stderr,
               "nbstat_responder: %s\n"
               "usage: nbstat_responder --addr A --name N --workgroup W --mac XX:XX:XX:XX:XX:XX"
               " [--extra-names-count K] [--any-addr]\n"
               "       nbstat_responder --probe A [--expect NAME] [--timeout-ms T]\n",
               why);
  std::exit(2);
}

bool ParseMac(const std::string& s, std::array<unsigned char, 6>& out) {
  unsigned v[6];
  char tail;
  if (std::sscanf(s.c_str(), "%2x%*[:-]%2x%*[:-]%2x%*[:-]%2x%*[:-]%2x%*[:-]%2x%c", &v[0], &v[1], &v[2], &v[3], &v[4],
                  &v[5], &tail) != 6)
    return false;
  for (int i = 0; i < 6; ++i) out[i] = static_cast<unsigned char>(v[i]);
  return true;
}

std::string Upper15(const std::string& s) {
  std::string r;
  for (char c : s) {
    if (r.size() == 15) break;
    r.push_back(static_cast<char>(std::toupper(static_cast<unsigned char>(c))));
  }
  return r;
}

// 16-byte NetBIOS name: 15 chars blank padded, then the suffix.
std::array<unsigned char, 16> RawName(const std::string& name, unsigned char suffix) {
  std::array<unsigned char, 16> r;
  r.fill(' ');
  std::string u = Upper15(name);
  std::memcpy(r.data(), u.data(), u.size());
  r[15] = suffix;
  return r;
}

void Put16(std::vector<unsigned char>& b, uint16_t v) {
  b.push_back(static_cast<unsigned char>(v >> 8));
  b.push_back(static_cast<unsigned char>(v & 0xff));
}
void Put32(std::vector<unsigned char>& b, uint32_t v) {
  Put16(b, static_cast<uint16_t>(v >> 16));
  Put16(b, static_cast<uint16_t>(v & 0xffff));
}
uint16_t Get16(const unsigned char* p) { return static_cast<uint16_t>((p[0] << 8) | p[1]); }

struct Question {
  uint16_t trnId = 0;
  uint16_t flags = 0;
  std::vector<unsigned char> rawName;  // labels as received, with the final zero byte
  uint16_t qtype = 0;
  uint16_t qclass = 0;
};

// Parses the header and first question of a request. Compressed names are not
// accepted in questions.
bool ParseQuestion(const unsigned char* p, std::size_t n, Question& q) {
  if (n < 12) return false;
  q.trnId = Get16(p);
  q.flags = Get16(p + 2);
  if (Get16(p + 4) < 1) return false;  // QDCOUNT
  std::size_t off = 12;
  for (;;) {
    if (off >= n) return false;
    unsigned len = p[off];
    if (len == 0) {
      ++off;
      break;
    }
    if ((len & 0xC0) != 0) return false;
    if (off + 1 + len > n || off + 1 + len - 12 > 255) return false;
    off += 1 + len;
  }
  q.rawName.assign(p + 12, p + off);
  if (off + 4 > n) return false;
  q.qtype = Get16(p + off);
  q.qclass = Get16(p + off + 2);
  return true;
}

// First-level decoding of the first label (32 chars 'A'..'P') into 16 bytes.
bool DecodeFirstLevel(const std::vector<unsigned char>& raw, std::array<unsigned char, 16>& out) {
  if (raw.size() < 33 || raw[0] != 32) return false;
  for (int i = 0; i < 16; ++i) {
    unsigned hi = raw[1 + 2 * i], lo = raw[2 + 2 * i];
    if (hi < 'A' || hi > 'P' || lo < 'A' || lo > 'P') return false;
    out[i] = static_cast<unsigned char>(((hi - 'A') << 4) | (lo - 'A'));
  }
  return true;
}

// The table holds the names as NetBIOS keeps them: upper case; the answer name is the question's.
std::vector<unsigned char> NodeStatusResponse(const Question& q, const std::vector<NameEntry>& names,
                                              const std::array<unsigned char, 6>& mac) {
  std::vector<samples::Name> table;
  for (const NameEntry& e : names) table.push_back({Upper15(e.name), e.suffix, e.group});
  return samples::Reply(table, mac, -1, true, q.trnId, q.rawName);
}

std::vector<unsigned char> NameQueryResponse(const Question& q, in_addr addr) {
  std::vector<unsigned char> b;
  Put16(b, q.trnId);
  Put16(b, 0x8500);  // response, opcode 0, AA, RD
  Put16(b, 0);
  Put16(b, 1);
  Put16(b, 0);
  Put16(b, 0);
  b.insert(b.end(), q.rawName.begin(), q.rawName.end());
  Put16(b, kTypeNb);
  Put16(b, kClassIn);
  Put32(b, 300000);                                                      // TTL, as a B-node would
  Put16(b, 6);                                                           // RDLENGTH
  Put16(b, 0x0000);                                                      // NB_FLAGS: unique, B-node
  const auto* a = reinterpret_cast<const unsigned char*>(&addr.s_addr);  // network order already
  b.insert(b.end(), a, a + 4);
  return b;
}

int BoundSocket(in_addr addr, uint16_t port) {
  int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return -1;
  int one = 1;
  ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
  sockaddr_in sa{};
  sa.sin_family = AF_INET;
  sa.sin_port = htons(port);
  sa.sin_addr = addr;
  if (::bind(fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0) {
    int e = errno;
    ::close(fd);
    errno = e;
    return -1;
  }
  return fd;
}

// The subnet broadcast address of the interface that holds addr, if any.
bool BroadcastOf(in_addr addr, in_addr& bcast) {
  ifaddrs* list = nullptr;
  if (::getifaddrs(&list) != 0) return false;
  bool found = false;
  for (ifaddrs* i = list; i; i = i->ifa_next) {
    if (!i->ifa_addr || i->ifa_addr->sa_family != AF_INET) continue;
    if (reinterpret_cast<sockaddr_in*>(i->ifa_addr)->sin_addr.s_addr != addr.s_addr) continue;
    if ((i->ifa_flags & IFF_BROADCAST) && i->ifa_broadaddr) {
      bcast = reinterpret_cast<sockaddr_in*>(i->ifa_broadaddr)->sin_addr;
      found = bcast.s_addr != addr.s_addr && bcast.s_addr != INADDR_ANY;
    }
    break;
  }
  ::freeifaddrs(list);
  return found;
}

// The table of another address of the namespace: the same names, the first two renamed
// after that address.
std::vector<NameEntry> NamesFor(const std::vector<NameEntry>& names, in_addr asked) {
  std::vector<NameEntry> r = names;
  const auto* b = reinterpret_cast<const unsigned char*>(&asked.s_addr);
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.7s-%u-%u", names[0].name.c_str(), b[2], b[3]);
  r[0].name = r[1].name = buf;
  return r;
}

int RunResponder(const Options& o) {
  in_addr addr{};
  if (::inet_pton(AF_INET, o.addr.c_str(), &addr) != 1) Usage("bad --addr");
  if (o.name.empty() || o.name.size() > 15) Usage("--name must have 1..15 chars");
  if (o.workgroup.empty() || o.workgroup.size() > 15) Usage("--workgroup must have 1..15 chars");
  if (!o.haveMac) Usage("--mac is required");
  if (o.extraNames < 0 || o.extraNames > kMaxNames - 3) Usage("--extra-names-count must be 0..252");

  std::vector<NameEntry> names{{o.name, 0x00, false}, {o.name, 0x20, false}, {o.workgroup, 0x00, true}};
  for (int i = 0; i < o.extraNames; ++i) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "EXTRA%03d", i);
    names.push_back({buf, 0x00, false});
  }
  const std::string myName = Upper15(o.name);
  std::array<unsigned char, 16> myRaw = RawName(myName, 0);

  sigset_t block, empty;
  sigemptyset(&block);
  sigaddset(&block, SIGTERM);
  sigaddset(&block, SIGINT);
  sigprocmask(SIG_BLOCK, &block, nullptr);
  sigemptyset(&empty);
  struct sigaction sa {};
  sa.sa_handler = OnSignal;
  sigaction(SIGTERM, &sa, nullptr);
  sigaction(SIGINT, &sa, nullptr);

  in_addr any{};
  any.s_addr = htonl(INADDR_ANY);
  int ufd = BoundSocket(o.anyAddr ? any : addr, 137);
  if (ufd < 0) {
    std::fprintf(stderr, "nbstat_responder: bind %s:137: %s\n", o.anyAddr ? "0.0.0.0" : o.addr.c_str(),
                 std::strerror(errno));
    return 1;
  }
  int one = 1;
  if (o.anyAddr && ::setsockopt(ufd, IPPROTO_IP, IP_PKTINFO, &one, sizeof one) != 0) {
    std::perror("nbstat_responder: IP_PKTINFO");
    return 1;
  }
  int bfd = -1;
  in_addr bcast{};
  const bool haveBcast = BroadcastOf(addr, bcast);
  if (haveBcast && !o.anyAddr) {
    bfd = BoundSocket(bcast, 137);
    if (bfd < 0)
      std::fprintf(stderr, "nbstat_responder: warning: bind broadcast %s:137: %s\n", inet_ntoa(bcast),
                   std::strerror(errno));
  }
  std::fprintf(stderr, "nbstat_responder: %s<00> in %s answering on %s:137\n", myName.c_str(),
               Upper15(o.workgroup).c_str(), o.addr.c_str());

  unsigned char buf[2048];
  while (!g_stop) {
    pollfd fds[2] = {{ufd, POLLIN, 0}, {bfd, POLLIN, 0}};
    int r = ::ppoll(fds, bfd >= 0 ? 2 : 1, nullptr, &empty);
    if (r < 0) {
      if (errno == EINTR) continue;
      std::perror("nbstat_responder: ppoll");
      return 1;
    }
    for (int k = 0; k < 2; ++k) {
      if (fds[k].fd < 0 || !(fds[k].revents & POLLIN)) continue;
      bool viaBroadcast = k == 1;
      sockaddr_in from{};
      iovec iov{buf, sizeof buf};
      alignas(cmsghdr) char control[CMSG_SPACE(sizeof(in_pktinfo))];
      msghdr msg{};
      msg.msg_name = &from;
      msg.msg_namelen = sizeof from;
      msg.msg_iov = &iov;
      msg.msg_iovlen = 1;
      msg.msg_control = control;
      msg.msg_controllen = sizeof control;
      ssize_t n = ::recvmsg(fds[k].fd, &msg, MSG_DONTWAIT);
      if (n <= 0 || msg.msg_namelen < sizeof from || from.sin_family != AF_INET || from.sin_port == 0) continue;
      // The address that was asked: A, or with --any-addr whichever local address it was.
      in_addr asked = addr;
      for (cmsghdr* c = CMSG_FIRSTHDR(&msg); c != nullptr; c = CMSG_NXTHDR(&msg, c)) {
        if (c->cmsg_level == IPPROTO_IP && c->cmsg_type == IP_PKTINFO) {
          in_pktinfo pi{};
          std::memcpy(&pi, CMSG_DATA(c), sizeof pi);
          asked = pi.ipi_addr;
          if (asked.s_addr == htonl(INADDR_BROADCAST) || (haveBcast && asked.s_addr == bcast.s_addr))
            viaBroadcast = true;
        }
      }
      Question q;
      if (!ParseQuestion(buf, static_cast<std::size_t>(n), q)) continue;
      if ((q.flags & 0x8000) != 0) continue;       // a response: never answer those
      if (((q.flags >> 11) & 0xF) != 0) continue;  // only QUERY
      if (q.qclass != kClassIn) continue;
      std::vector<unsigned char> reply;
      if (q.qtype == kTypeNbstat && !viaBroadcast) {
        reply = NodeStatusResponse(q, asked.s_addr == addr.s_addr ? names : NamesFor(names, asked), o.mac);
      } else if (q.qtype == kTypeNb) {
        std::array<unsigned char, 16> asked;
        if (!DecodeFirstLevel(q.rawName, asked)) continue;
        bool match = true;
        for (int i = 0; i < 15 && match; ++i) match = std::toupper(asked[i]) == myRaw[i];
        if (!match) continue;
        reply = NameQueryResponse(q, addr);
      } else {
        continue;
      }
      // Always answer from the unicast socket, from the address asked (A unless --any-addr), to
      // the requester only.
      iovec out{reply.data(), reply.size()};
      alignas(cmsghdr) char outControl[CMSG_SPACE(sizeof(in_pktinfo))] = {};
      msghdr answer{};
      answer.msg_name = &from;
      answer.msg_namelen = sizeof from;
      answer.msg_iov = &out;
      answer.msg_iovlen = 1;
      if (o.anyAddr) {
        answer.msg_control = outControl;
        answer.msg_controllen = sizeof outControl;
        cmsghdr* c = CMSG_FIRSTHDR(&answer);
        c->cmsg_level = IPPROTO_IP;
        c->cmsg_type = IP_PKTINFO;
        c->cmsg_len = CMSG_LEN(sizeof(in_pktinfo));
        in_pktinfo pi{};
        pi.ipi_spec_dst = asked;
        std::memcpy(CMSG_DATA(c), &pi, sizeof pi);
      }
      ::sendmsg(ufd, &answer, 0);
    }
  }
  ::close(ufd);
  if (bfd >= 0) ::close(bfd);
  return 0;
}

long long NowMs() {
  timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return ts.tv_sec * 1000LL + ts.tv_nsec / 1000000;
}

// Parses a node status response; fills names (trimmed, with suffix) and MAC.
bool ParseNodeStatus(const unsigned char* p, std::size_t n, uint16_t trnId, std::vector<NameEntry>& names,
                     std::array<unsigned char, 6>& mac) {
  if (n < 12 || Get16(p) != trnId || !(p[2] & 0x80) || Get16(p + 6) < 1) return false;
  std::size_t off = 12;
  for (;;) {  // RR_NAME
    if (off >= n) return false;
    unsigned len = p[off];
    if (len == 0) {
      ++off;
      break;
    }
    if ((len & 0xC0) == 0xC0) {
      off += 2;
      break;
    }
    off += 1 + len;
  }
  if (off + 10 > n || Get16(p + off) != kTypeNbstat) return false;
  off += 10;  // type, class, ttl, rdlength
  if (off + 1 > n) return false;
  unsigned count = p[off++];
  if (off + 18 * count > n) return false;
  names.clear();
  for (unsigned i = 0; i < count; ++i, off += 18) {
    std::string s(reinterpret_cast<const char*>(p + off), 15);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\0')) s.pop_back();
    names.push_back({s, p[off + 15], (p[off + 16] & 0x80) != 0});
  }
  mac.fill(0);
  if (off + 6 <= n) std::memcpy(mac.data(), p + off, 6);
  return true;
}

int RunProbe(const Options& o) {
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_port = htons(137);
  if (::inet_pton(AF_INET, o.probeAddr.c_str(), &to.sin_addr) != 1) Usage("bad --probe address");
  int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  if (fd < 0) {
    std::perror("nbstat_responder: socket");
    return 1;
  }
  const std::string want = Upper15(o.expect);
  const long long deadline = NowMs() + o.timeoutMs;
  uint16_t trnId = static_cast<uint16_t>((getpid() * 7919 + NowMs()) & 0x7fff);
  long long nextSend = 0;
  unsigned char buf[8192];
  while (NowMs() < deadline) {
    if (NowMs() >= nextSend) {
      ++trnId;
      std::vector<unsigned char> req;
      Put16(req, trnId);
      Put16(req, 0x0000);
      Put16(req, 1);
      Put16(req, 0);
      Put16(req, 0);
      Put16(req, 0);
      req.push_back(32);
      auto raw = RawName("*", 0);
      raw.fill(0);
      raw[0] = '*';
      for (unsigned char c : raw) {
        req.push_back(static_cast<unsigned char>('A' + (c >> 4)));
        req.push_back(static_cast<unsigned char>('A' + (c & 0xF)));
      }
      req.push_back(0);
      Put16(req, kTypeNbstat);
      Put16(req, kClassIn);
      ::sendto(fd, req.data(), req.size(), 0, reinterpret_cast<sockaddr*>(&to), sizeof to);
      nextSend = NowMs() + 100;
    }
    long long wait = std::min(nextSend, deadline) - NowMs();
    pollfd pfd{fd, POLLIN, 0};
    if (::poll(&pfd, 1, static_cast<int>(wait < 0 ? 0 : wait)) <= 0) continue;
    sockaddr_in from{};
    socklen_t flen = sizeof from;
    ssize_t n = ::recvfrom(fd, buf, sizeof buf, MSG_DONTWAIT, reinterpret_cast<sockaddr*>(&from), &flen);
    if (n <= 0 || from.sin_addr.s_addr != to.sin_addr.s_addr || from.sin_port != to.sin_port) continue;
    std::vector<NameEntry> names;
    std::array<unsigned char, 6> mac{};
    if (!ParseNodeStatus(buf, static_cast<std::size_t>(n), trnId, names, mac)) continue;
    bool ok = want.empty();
    for (const NameEntry& e : names)
      if (Upper15(e.name) == want) ok = true;
    if (!ok) continue;
    for (const NameEntry& e : names)
      std::printf("%-15s <%02x> %s\n", e.name.c_str(), e.suffix, e.group ? "GROUP" : "UNIQUE");
    std::printf("MAC %02X:%02X:%02X:%02X:%02X:%02X\n", mac[0], mac[1], mac[2], mac[3], mac[4], mac[5]);
    ::close(fd);
    return 0;
  }
  ::close(fd);
  std::fprintf(stderr, "nbstat_responder: no node status answer from %s within %d ms\n", o.probeAddr.c_str(),
               o.timeoutMs);
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  Options o;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    auto value = [&]() -> std::string {
      if (i + 1 >= argc) Usage(("missing value for " + a).c_str());
      return argv[++i];
    };
    if (a == "--addr")
      o.addr = value();
    else if (a == "--name")
      o.name = value();
    else if (a == "--workgroup")
      o.workgroup = value();
    else if (a == "--mac") {
      if (!ParseMac(value(), o.mac)) Usage("bad --mac");
      o.haveMac = true;
    } else if (a == "--extra-names-count")
      o.extraNames = std::atoi(value().c_str());
    else if (a == "--any-addr")
      o.anyAddr = true;
    else if (a == "--probe")
      o.probeAddr = value();
    else if (a == "--expect")
      o.expect = value();
    else if (a == "--timeout-ms")
      o.timeoutMs = std::atoi(value().c_str());
    else if (a == "-h" || a == "--help")
      Usage("help");
    else
      Usage(("unknown argument " + a).c_str());
  }
  std::setvbuf(stdout, nullptr, _IOLBF, 0);
  if (!o.probeAddr.empty()) return RunProbe(o);
  return RunResponder(o);
}
