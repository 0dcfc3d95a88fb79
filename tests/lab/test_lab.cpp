// Proves the lab: real peers answer the scanner's NetBIOS node status request the
// way the scanner will see them. Runs inside the lab's scanner namespace.
#include "lab.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <linux/errqueue.h>
#include <net/if.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/ip.h>
#include <netinet/ip_icmp.h>
#include <poll.h>
#include <sys/socket.h>
#include <time.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <array>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <map>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr std::size_t kAlpha = 0, kBeta = 1, kDark = 2, kResponder = 3;
constexpr std::array<unsigned char, 6> kResponderMac{0x0A, 0x1B, 0x2C, 0x3D, 0x4E, 0x5F};
constexpr int kExtraNames = 40;
constexpr const char* kSilentAddr = "198.19.0.7";

lab::Layout SelftestLab() {
  lab::Layout s;
  s.scannerAddrs = {"198.18.0.1/24", "198.18.7.1/24"};
  s.hosts = {
      {lab::Host::Kind::Nmbd, "198.18.0.10", "LABALPHA", "LABWG"},
      {lab::Host::Kind::Nmbd, "198.18.0.11", "LABBETA", "OTHERWG"},
      {lab::Host::Kind::NoNetbios, "198.18.0.12", "", ""},
      {lab::Host::Kind::Responder, "198.18.0.13", "RESPONDER1", "RESPWG", kResponderMac, kExtraNames},
  };
  s.hostsFile = {{"198.18.0.10", "alpha.lab"}, {"198.18.0.13", "responder.lab responder"}};
  s.silentRoutes = {"198.19.0.0/16"};
  s.dns = lab::Layout::Dns::Unreachable;
  return s;
}

long long NowMs() {
  timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return ts.tv_sec * 1000LL + ts.tv_nsec / 1000000;
}

sockaddr_in Addr(const char* ip, uint16_t port) {
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(port);
  inet_pton(AF_INET, ip, &a.sin_addr);
  return a;
}

// The scanner's request: node status for "*", transaction id 0.
std::vector<unsigned char> NodeStatusRequest() {
  std::vector<unsigned char> r{0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0x20, 'C', 'K'};
  r.insert(r.end(), 30, 'A');
  r.insert(r.end(), {0x00, 0x00, 0x21, 0x00, 0x01});
  return r;
}

std::vector<unsigned char> NameQuery(uint16_t trnId, const std::string& name, unsigned char suffix, bool broadcast) {
  // Header: the id, opcode QUERY (broadcast: B and RD set), one question; then the name's length.
  std::vector<unsigned char> r{static_cast<unsigned char>(trnId >> 8), static_cast<unsigned char>(trnId)};
  r.push_back(broadcast ? 0x01 : 0x00);
  r.push_back(broadcast ? 0x10 : 0x00);
  r.insert(r.end(), {0, 1, 0, 0, 0, 0, 0, 0, 0x20});
  std::string padded = name;
  padded.resize(15, ' ');
  padded.push_back(static_cast<char>(suffix));
  for (unsigned char c : padded) {
    r.push_back(static_cast<unsigned char>('A' + (c >> 4)));
    r.push_back(static_cast<unsigned char>('A' + (c & 0xF)));
  }
  r.insert(r.end(), {0x00, 0x00, 0x20, 0x00, 0x01});
  return r;
}

struct Socket {
  int fd = -1;
  explicit Socket(uint16_t port = 6767) {
    fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    int one = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    setsockopt(fd, SOL_IP, IP_RECVERR, &one, sizeof one);
    setsockopt(fd, SOL_SOCKET, SO_BROADCAST, &one, sizeof one);
    sockaddr_in local = Addr("0.0.0.0", port);
    if (bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) ADD_FAILURE() << "bind: " << strerror(errno);
  }
  ~Socket() { close(fd); }
  Socket(const Socket&) = delete;
  Socket& operator=(const Socket&) = delete;
};

struct Event {
  bool reply = false;  // else an error from the error queue
  std::vector<unsigned char> data;
  sockaddr_in peer{};  // sender of the reply, or original destination of the failed packet
  int err = 0;
  sock_extended_err ee{};
  sockaddr_in offender{};
};

// Waits up to timeoutMs for a reply from `from` (any sender if from is null) or an
// IP_RECVERR error about a packet sent to `from`. With trnId, only a reply with that
// transaction id counts: a late answer to an earlier request (a test before this one
// sent from the same port) is not this one's.
std::optional<Event> Await(int fd, const sockaddr_in* from, int timeoutMs, int trnId = -1) {
  const long long until = NowMs() + timeoutMs;
  for (;;) {
    long long left = until - NowMs();
    if (left <= 0) return std::nullopt;
    pollfd p{fd, POLLIN, 0};
    if (poll(&p, 1, static_cast<int>(left)) <= 0) continue;
    Event e;
    unsigned char buf[9000];
    if (p.revents & POLLERR) {
      char control[512];
      iovec iov{buf, sizeof buf};
      msghdr m{};
      m.msg_name = &e.peer;
      m.msg_namelen = sizeof e.peer;
      m.msg_iov = &iov;
      m.msg_iovlen = 1;
      m.msg_control = control;
      m.msg_controllen = sizeof control;
      if (recvmsg(fd, &m, MSG_ERRQUEUE | MSG_DONTWAIT) < 0) continue;
      for (cmsghdr* c = CMSG_FIRSTHDR(&m); c; c = CMSG_NXTHDR(&m, c)) {
        if (c->cmsg_level == SOL_IP && c->cmsg_type == IP_RECVERR) {
          std::memcpy(&e.ee, CMSG_DATA(c), sizeof e.ee);
          e.err = static_cast<int>(e.ee.ee_errno);
          std::memcpy(&e.offender, SO_EE_OFFENDER(reinterpret_cast<sock_extended_err*>(CMSG_DATA(c))),
                      sizeof e.offender);
        }
      }
      if (from && e.peer.sin_addr.s_addr != from->sin_addr.s_addr) continue;
      return e;
    }
    socklen_t len = sizeof e.peer;
    ssize_t n = recvfrom(fd, buf, sizeof buf, MSG_DONTWAIT, reinterpret_cast<sockaddr*>(&e.peer), &len);
    if (n < 0) continue;
    if (from && (e.peer.sin_addr.s_addr != from->sin_addr.s_addr || e.peer.sin_port != from->sin_port)) continue;
    if (trnId >= 0 && (n < 2 || ((buf[0] << 8) | buf[1]) != trnId)) continue;
    e.reply = true;
    e.data.assign(buf, buf + n);
    return e;
  }
}

// Sends the request up to 3 times; returns the first reply or error. A datagram can be lost
// even inside the lab: every namespace shares the kernel's per-CPU receive backlog, which
// another lab's flood or walk can overrun for a moment.
std::optional<Event> Ask(const std::vector<unsigned char>& req, const char* ip, int perTryMs = 700) {
  Socket s;
  sockaddr_in to = Addr(ip, 137);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(sendto(s.fd, req.data(), req.size(), 0, reinterpret_cast<sockaddr*>(&to), sizeof to),
              static_cast<ssize_t>(req.size()))
        << strerror(errno);
    if (auto e = Await(s.fd, &to, perTryMs, (req.at(0) << 8) | req.at(1))) return e;
  }
  return std::nullopt;
}

uint16_t Get16(const std::vector<unsigned char>& d, std::size_t o) {
  return static_cast<uint16_t>((d.at(o) << 8) | d.at(o + 1));
}

struct NameRec {
  std::string name;
  unsigned char suffix;
  unsigned char flagsHi;
};

struct NodeStatus {
  uint16_t type = 0, cls = 0, rdlength = 0;
  uint32_t ttl = 0;
  std::vector<NameRec> names;
  std::array<unsigned char, 6> mac{};
  std::size_t statisticsBytes = 0;
};

NodeStatus ParseNodeStatus(const std::vector<unsigned char>& d) {
  NodeStatus ns;
  EXPECT_GE(d.size(), 57u);
  EXPECT_TRUE(d.at(2) & 0x80) << "not a response";
  EXPECT_EQ(Get16(d, 6), 1) << "ANCOUNT";
  std::size_t o = 12;
  while (d.at(o) != 0) {
    if ((d[o] & 0xC0) == 0xC0) {
      o += 1;
      break;
    }
    o += 1 + d[o];
  }
  o += 1;
  ns.type = Get16(d, o);
  ns.cls = Get16(d, o + 2);
  ns.ttl = (static_cast<uint32_t>(Get16(d, o + 4)) << 16) | Get16(d, o + 6);
  ns.rdlength = Get16(d, o + 8);
  o += 10;
  const std::size_t rdStart = o;
  unsigned count = d.at(o++);
  for (unsigned i = 0; i < count; ++i, o += 18) {
    std::string n(reinterpret_cast<const char*>(&d.at(o)), 15);
    while (!n.empty() && n.back() == ' ') n.pop_back();
    ns.names.push_back({n, d.at(o + 15), d.at(o + 16)});
  }
  std::memcpy(ns.mac.data(), &d.at(o), 6);
  ns.statisticsBytes = rdStart + ns.rdlength - o;
  EXPECT_LE(rdStart + ns.rdlength, d.size());
  return ns;
}

bool Has(const NodeStatus& ns, const std::string& name, unsigned char suffix, bool group) {
  for (const NameRec& r : ns.names)
    if (r.name == name && r.suffix == suffix && ((r.flagsHi & 0x80) != 0) == group && (r.flagsHi & 0x04)) return true;
  return false;
}

std::string Dump(const NodeStatus& ns) {
  std::ostringstream s;
  for (const NameRec& r : ns.names) {
    char b[64];
    std::snprintf(b, sizeof b, "%-15s <%02x> flags %02x\n", r.name.c_str(), r.suffix, r.flagsHi);
    s << b;
  }
  char m[40];
  std::snprintf(m, sizeof m, "MAC %02X:%02X:%02X:%02X:%02X:%02X", ns.mac[0], ns.mac[1], ns.mac[2], ns.mac[3], ns.mac[4],
                ns.mac[5]);
  return s.str() + m;
}

std::string ReadFile(const char* path) {
  std::ifstream f(path);
  std::stringstream s;
  s << f.rdbuf();
  return s.str();
}

TEST(Lab, ScannerNamespaceHasTheRequestedInterfacesAndNoDefaultRoute) {
  LAB_REQUIRED();
  EXPECT_FALSE(lab::ScannerNamespace().empty());
  std::vector<std::string> order;
  if (struct if_nameindex* idx = if_nameindex()) {
    for (struct if_nameindex* i = idx; i->if_index != 0; ++i) order.push_back(i->if_name);
    if_freenameindex(idx);
  }
  EXPECT_EQ(order, (std::vector<std::string>{"lo", "eth0", "dum1", "sil0"}));

  std::vector<std::string> v4;
  ifaddrs* list = nullptr;
  ASSERT_EQ(getifaddrs(&list), 0);
  for (ifaddrs* i = list; i; i = i->ifa_next) {
    if (!i->ifa_addr || i->ifa_addr->sa_family != AF_INET) continue;
    char b[INET_ADDRSTRLEN];
    inet_ntop(AF_INET, &reinterpret_cast<sockaddr_in*>(i->ifa_addr)->sin_addr, b, sizeof b);
    v4.push_back(std::string(i->ifa_name) + "=" + b);
  }
  freeifaddrs(list);
  EXPECT_EQ(v4, (std::vector<std::string>{"lo=127.0.0.1", "eth0=198.18.0.1", "dum1=198.18.7.1"}));

  std::istringstream routes(ReadFile("/proc/net/route"));
  std::string line;
  std::getline(routes, line);  // header
  while (std::getline(routes, line)) {
    std::istringstream f(line);
    std::string dev, dest;
    f >> dev >> dest;
    EXPECT_NE(dest, "00000000") << "default route: " << line;
  }

  // The hosts and the broadcast are permanent neighbours (ATF_COM|ATF_PERM): the kernel's one
  // neighbour table for all namespaces may be full of another lab's scan, and then a packet that
  // needed a new entry would be dropped.
  std::map<std::string, std::string> permanent;  // address -> MAC, on eth0
  std::istringstream arp(ReadFile("/proc/net/arp"));
  std::getline(arp, line);  // header
  while (std::getline(arp, line)) {
    std::istringstream f(line);
    std::string ip, hwType, flags, mac, mask, dev;
    f >> ip >> hwType >> flags >> mac >> mask >> dev;
    if (dev == "eth0" && flags == "0x6") permanent[ip] = mac;
  }
  for (const char* ip : {"198.18.0.10", "198.18.0.11", "198.18.0.12", "198.18.0.13"})
    EXPECT_EQ(permanent.count(ip), 1u) << ip << " is not a permanent neighbour";
  EXPECT_EQ(permanent["198.18.0.13"], "0a:1b:2c:3d:4e:5f");
  EXPECT_EQ(permanent["198.18.0.255"], "ff:ff:ff:ff:ff:ff");
}

class NmbdPeer : public ::testing::TestWithParam<std::size_t> {};

TEST_P(NmbdPeer, AnswersNodeStatusWithItsNameAndWorkgroup) {
  LAB_REQUIRED();
  const char* ip = GetParam() == kAlpha ? "198.18.0.10" : "198.18.0.11";
  const std::string name = GetParam() == kAlpha ? "LABALPHA" : "LABBETA";
  const std::string wg = GetParam() == kAlpha ? "LABWG" : "OTHERWG";
  auto req = NodeStatusRequest();
  ASSERT_EQ(req.size(), 50u);
  auto e = Ask(req, ip);
  ASSERT_TRUE(e) << "no answer from nmbd at " << ip;
  ASSERT_TRUE(e->reply) << "error " << strerror(e->err);
  EXPECT_EQ(ntohs(e->peer.sin_port), 137);
  NodeStatus ns = ParseNodeStatus(e->data);
  EXPECT_EQ(ns.type, 0x21);
  EXPECT_EQ(ns.cls, 0x01);
  EXPECT_TRUE(Has(ns, name, 0x00, false)) << Dump(ns);
  EXPECT_TRUE(Has(ns, name, 0x20, false)) << Dump(ns);
  EXPECT_TRUE(Has(ns, wg, 0x00, true)) << Dump(ns);
  RecordProperty("nmbd_table_" + name, Dump(ns));
  std::printf("nmbd %s answers:\n%s\n", ip, Dump(ns).c_str());
}

INSTANTIATE_TEST_SUITE_P(Lab, NmbdPeer, ::testing::Values(kAlpha, kBeta));

TEST(Lab, ResponderAnswersNodeStatusWithItsMac) {
  LAB_REQUIRED();
  auto e = Ask(NodeStatusRequest(), "198.18.0.13");
  ASSERT_TRUE(e) << "no answer from the responder";
  ASSERT_TRUE(e->reply) << "error " << strerror(e->err);
  EXPECT_GT(e->data.size(), 576u) << "the padded table makes a big reply";
  NodeStatus ns = ParseNodeStatus(e->data);
  EXPECT_EQ(ns.type, 0x21);
  EXPECT_EQ(ns.cls, 0x01);
  EXPECT_EQ(ns.ttl, 0u);
  ASSERT_EQ(ns.names.size(), 3u + kExtraNames);
  EXPECT_EQ(ns.rdlength, 1 + 18 * ns.names.size() + 46);
  EXPECT_EQ(ns.statisticsBytes, 46u);
  EXPECT_EQ(ns.names[0].name, "RESPONDER1");
  EXPECT_EQ(ns.names[0].suffix, 0x00);
  EXPECT_EQ(ns.names[0].flagsHi, 0x04);
  EXPECT_EQ(ns.names[1].name, "RESPONDER1");
  EXPECT_EQ(ns.names[1].suffix, 0x20);
  EXPECT_EQ(ns.names[1].flagsHi, 0x04);
  EXPECT_EQ(ns.names[2].name, "RESPWG");
  EXPECT_EQ(ns.names[2].suffix, 0x00);
  EXPECT_EQ(ns.names[2].flagsHi, 0x84);
  EXPECT_EQ(ns.mac, kResponderMac);
}

TEST(Lab, ResponderAnswersNameQueriesForItsNameOnly) {
  LAB_REQUIRED();
  // Unicast, lower case, another suffix.
  auto e = Ask(NameQuery(0x1234, "responder1", 0x20, false), "198.18.0.13");
  ASSERT_TRUE(e && e->reply);
  ASSERT_GE(e->data.size(), 62u);
  EXPECT_EQ(Get16(e->data, 0), 0x1234);
  EXPECT_TRUE(e->data[2] & 0x80);
  EXPECT_EQ(Get16(e->data, 6), 1);
  const std::size_t rr = 12 + 34;
  EXPECT_EQ(Get16(e->data, rr), 0x20);
  EXPECT_EQ(Get16(e->data, rr + 8), 6);
  EXPECT_EQ(std::vector<unsigned char>(e->data.begin() + rr + 12, e->data.begin() + rr + 16),
            (std::vector<unsigned char>{198, 18, 0, 13}));

  // Broadcast: only the responder answers, from its own address (sent up to 3 times, as Ask does).
  {
    Socket s;
    sockaddr_in bcast = Addr("198.18.0.255", 137);
    auto q = NameQuery(0x2345, "RESPONDER1", 0x00, true);
    std::optional<Event> b;
    for (int i = 0; i < 3 && !(b && b->reply); ++i) {
      ASSERT_GT(sendto(s.fd, q.data(), q.size(), 0, reinterpret_cast<sockaddr*>(&bcast), sizeof bcast), 0)
          << strerror(errno);
      b = Await(s.fd, nullptr, 700, 0x2345);
    }
    ASSERT_TRUE(b && b->reply) << "no answer to the broadcast name query";
    char from[INET_ADDRSTRLEN];
    inet_ntop(AF_INET, &b->peer.sin_addr, from, sizeof from);
    EXPECT_STREQ(from, "198.18.0.13");
  }

  // Another name: no answer.
  auto none = Ask(NameQuery(0x3456, "SOMEONEELSE", 0x00, false), "198.18.0.13", 300);
  EXPECT_FALSE(none && none->reply);
}

TEST(Lab, HostWithoutNetbiosRefuses) {
  LAB_REQUIRED();
  auto e = Ask(NodeStatusRequest(), "198.18.0.12");
  ASSERT_TRUE(e) << "neither answer nor error";
  ASSERT_FALSE(e->reply);
  EXPECT_EQ(e->err, ECONNREFUSED) << strerror(e->err);
  EXPECT_EQ(e->ee.ee_origin, SO_EE_ORIGIN_ICMP);
  EXPECT_EQ(e->ee.ee_type, 3);  // destination unreachable
  EXPECT_EQ(e->ee.ee_code, 3);  // port unreachable
  char off[INET_ADDRSTRLEN];
  inet_ntop(AF_INET, &e->offender.sin_addr, off, sizeof off);
  EXPECT_STREQ(off, "198.18.0.12");

  // A connected socket sees it as recv() failing with ECONNREFUSED, every time. A request lost on
  // the way (see Ask) is sent again; that the host held back no refusal, the ICMP rate limit being
  // lifted, its own counters tell below.
  for (int i = 0; i < 20; ++i) {
    int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_in to = Addr("198.18.0.12", 137);
    ASSERT_EQ(connect(fd, reinterpret_cast<sockaddr*>(&to), sizeof to), 0);
    auto req = NodeStatusRequest();
    bool refused = false;
    for (int attempt = 0; attempt < 3 && !refused; ++attempt) {
      if (send(fd, req.data(), req.size(), 0) != 50) {
        // The refusal of the previous attempt came just late and this send reported it.
        ASSERT_EQ(errno, ECONNREFUSED) << "try " << i << ": " << strerror(errno);
        refused = true;
        break;
      }
      pollfd p{fd, POLLIN, 0};
      if (poll(&p, 1, 700) == 1) {
        char b[16];
        EXPECT_EQ(recv(fd, b, sizeof b, MSG_DONTWAIT), -1);
        EXPECT_EQ(errno, ECONNREFUSED) << "try " << i;
        refused = true;
      }
    }
    EXPECT_TRUE(refused) << "try " << i << ": no refusal";
    close(fd);
  }
  EXPECT_EQ(lab::RunInHost(kDark,
                           {"awk",
                            "$1 == \"Icmp:\" { if (!seen++) for (i = 2; i <= NF; i++) name[i] = $i;"
                            " else for (i = 2; i <= NF; i++) if (name[i] ~ /^OutRateLimit/ && $i != 0) held = 1 }"
                            " END { exit held }",
                            "/proc/net/snmp"},
                           5000),
            0)
      << "the host held back ICMP errors (OutRateLimitGlobal/OutRateLimitHost in its /proc/net/snmp)";
}

TEST(Lab, SilentAddressGivesNothing) {
  LAB_REQUIRED();
  Socket s;
  sockaddr_in to = Addr(kSilentAddr, 137);
  auto req = NodeStatusRequest();
  EXPECT_EQ(sendto(s.fd, req.data(), req.size(), 0, reinterpret_cast<sockaddr*>(&to), sizeof to), 50)
      << strerror(errno);
  auto e = Await(s.fd, &to, 1500);
  EXPECT_FALSE(e.has_value()) << (e && !e->reply ? strerror(e->err) : "a reply");
}

TEST(Lab, AllHostsAnswerPing) {
  LAB_REQUIRED();
  int fd = socket(AF_INET, SOCK_RAW | SOCK_CLOEXEC, IPPROTO_ICMP);
  ASSERT_GE(fd, 0) << strerror(errno);
  std::set<std::string> pending{"198.18.0.10", "198.18.0.11", "198.18.0.12", "198.18.0.13"};
  uint16_t seq = 0;
  const long long until = NowMs() + 3000;
  long long nextRound = 0;
  while (!pending.empty() && NowMs() < until) {
    // Every 500 ms each host that has not answered yet is pinged again: a request can be lost (see Ask).
    if (NowMs() >= nextRound) {
      for (const std::string& ip : pending) {
        unsigned char pkt[16] = {
            8, 0, 0, 0, 0x4e, 0x57, static_cast<unsigned char>(++seq >> 8), static_cast<unsigned char>(seq)};
        uint32_t sum = 0;
        for (std::size_t i = 0; i < sizeof pkt; i += 2) sum += (pkt[i] << 8) | pkt[i + 1];
        while (sum >> 16) sum = (sum & 0xffff) + (sum >> 16);
        uint16_t ck = static_cast<uint16_t>(~sum);
        pkt[2] = static_cast<unsigned char>(ck >> 8);
        pkt[3] = static_cast<unsigned char>(ck);
        sockaddr_in to = Addr(ip.c_str(), 0);
        ASSERT_EQ(sendto(fd, pkt, sizeof pkt, 0, reinterpret_cast<sockaddr*>(&to), sizeof to), 16) << strerror(errno);
      }
      nextRound = NowMs() + 500;
    }
    pollfd p{fd, POLLIN, 0};
    if (poll(&p, 1, 100) <= 0) continue;
    unsigned char buf[1500];
    sockaddr_in from{};
    socklen_t len = sizeof from;
    ssize_t n = recvfrom(fd, buf, sizeof buf, 0, reinterpret_cast<sockaddr*>(&from), &len);
    if (n < 28) continue;
    std::size_t ihl = (buf[0] & 0x0f) * 4u;
    if (static_cast<std::size_t>(n) < ihl + 8 || buf[ihl] != 0 /* echo reply */) continue;
    if (buf[ihl + 4] != 0x4e || buf[ihl + 5] != 0x57) continue;
    char b[INET_ADDRSTRLEN];
    inet_ntop(AF_INET, &from.sin_addr, b, sizeof b);
    pending.erase(b);
  }
  close(fd);
  EXPECT_TRUE(pending.empty()) << pending.size() << " hosts did not answer ping, e.g. " << *pending.begin();
}

TEST(Lab, HostsFileAndResolverAreTheGeneratedOnes) {
  LAB_REQUIRED();
  EXPECT_EQ(ReadFile("/etc/hosts"),
            "127.0.0.1 localhost\n198.18.0.10 alpha.lab\n198.18.0.13 responder.lab responder\n");
  EXPECT_EQ(ReadFile("/etc/resolv.conf"), "nameserver 198.19.255.54\n");

  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_DGRAM;
  addrinfo* res = nullptr;
  ASSERT_EQ(getaddrinfo("alpha.lab", nullptr, &hints, &res), 0);
  char b[INET_ADDRSTRLEN];
  inet_ntop(AF_INET, &reinterpret_cast<sockaddr_in*>(res->ai_addr)->sin_addr, b, sizeof b);
  EXPECT_STREQ(b, "198.18.0.10");
  freeaddrinfo(res);

  sockaddr_in a = Addr("198.18.0.13", 0);
  char host[NI_MAXHOST];
  ASSERT_EQ(getnameinfo(reinterpret_cast<sockaddr*>(&a), sizeof a, host, sizeof host, nullptr, 0, NI_NAMEREQD), 0);
  EXPECT_STREQ(host, "responder.lab");

  // Not in the hosts file: the DNS server is unreachable, so the lookup fails without
  // waiting for the resolver's 5 s timeout as a silent server would make it.
  const long long t0 = NowMs();
  sockaddr_in c = Addr("198.18.0.11", 0);
  EXPECT_NE(getnameinfo(reinterpret_cast<sockaddr*>(&c), sizeof c, host, sizeof host, nullptr, 0, NI_NAMEREQD), 0);
  EXPECT_LT(NowMs() - t0, 4000);
}

TEST(Lab, RunInHostRunsBoundedCommandsInTheHostNamespace) {
  LAB_REQUIRED();
  EXPECT_EQ(lab::HostNamespace(99), "");
  EXPECT_NE(lab::HostNamespace(kDark), "");
  EXPECT_NE(lab::HostNamespace(kDark), lab::ScannerNamespace());
  EXPECT_EQ(lab::RunInHost(kDark, {"sh", "-c", "ip -4 -o addr show dev eth0 | grep -q ' 198.18.0.12/24 '"}, 5000), 0);
  EXPECT_EQ(lab::RunInHost(kDark, {"sh", "-c", "exit 7"}, 5000), 7);
  EXPECT_EQ(lab::RunInHost(kResponder, {"sh", "-c", "test $(cat /proc/sys/net/ipv4/icmp_ratelimit) = 0"}, 5000), 0);
  EXPECT_EQ(lab::RunInHost(kDark, {"sh", "-c", "grep -Eq '^198\\.18\\.0\\.1 +0x1 +0x6 .* eth0$' /proc/net/arp"}, 5000),
            0)
      << "the scanner is not a permanent neighbour of the host";
  // Killed at its bound, not left to run its 30 s.
  const long long t0 = NowMs();
  EXPECT_EQ(lab::RunInHost(kDark, {"sleep", "30"}, 300), -2);
  EXPECT_LT(NowMs() - t0, 10000);
}

}  // namespace

int main(int argc, char** argv) {
  return lab::Main(SelftestLab(), argc, argv, [&] {
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
  });
}
