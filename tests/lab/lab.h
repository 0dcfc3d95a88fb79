// Nodewick test network lab: real NetBIOS peers in network namespaces that the
// test process builds for itself and tears down again.
//
// Usage: a test executable linked with nodewick_lab_main defines its network, and the shared main()
// (tests/support/lab_main.cpp) runs its tests in it; see there. Each test begins with LAB_REQUIRED().
//
//   lab::Layout TestNetwork() {
//     lab::Layout layout;
//     layout.hosts = {{lab::Host::Kind::Nmbd, "198.18.0.10", "ALPHA", "LABWG"}};
//     return layout;
//   }
//   TEST(Scan, FindsAlpha) { LAB_REQUIRED(); ... }
//
// The body runs in a child process inside the scanner namespace. Topology: the
// scanner namespace's eth0 and each host namespace's eth0 are veths on one Linux
// bridge (in a namespace of its own); no namespace has a default route, so no
// packet can leave the lab. Namespaces are nwl-<pid>-<n>-s (scanner), -b
// (bridge), -h0, -h1, ... (hosts, in the order given); the temp dir is
// ${NODEWICK_LAB_TMP:-/tmp}/nwl-<pid>-<n>. tests/lab/netlab.sh does the work.
//
// Environment: NODEWICK_LAB_REQUIRED=1 turns "lab unavailable" (skip) into a
// failure of the whole executable (for CI, where the lab must run).
#pragma once

#include "support/isolation.h"

#include <array>
#include <cstddef>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace lab {

struct Host {
  enum class Kind {
    Nmbd,       // Samba's nmbd, own smb.conf and state dirs, bound to eth0 only, never a browser master
    NoNetbios,  // nothing on UDP 137: the kernel answers with ICMP port unreachable
    Responder,  // tests/peers/nbstat_responder with netbiosName, workgroup, mac
  };
  Kind kind;
  std::string addr;                    // e.g. "198.18.0.10"; "/P" optional, default: the scanner's prefix
  std::string netbiosName;             // Nmbd, Responder (1..15 chars)
  std::string workgroup;               // Nmbd, Responder (1..15 chars)
  std::array<unsigned char, 6> mac{};  // Responder only: reported as UNIT_ID and set on the host's eth0
                                       // (unless multicast, all zero, or already used by another host)
  int extraNames = 0;                  // Responder only: this many more unique names EXTRA000<00>... (0..252)
  // Further addresses the host holds, as CIDRs: local routes in the host, and routes via the host's
  // address in the scanner, so one namespace stands in for thousands of hosts without an ARP entry
  // each. A NoNetbios host refuses on all of them; a Responder answers on each from the queried
  // address, with the name <first 7 of netbiosName>-<third octet>-<fourth octet> on the extra ones.
  std::vector<std::string> ranges{};
};

struct Layout {
  // The first address goes on eth0 (the veth to the bridge); each further one on its
  // own dummy-like interface dum1, dum2, ... in order, so interface order = list order.
  // (This kernel has no dummy driver: an ifb device stands in, same flags: NOARP, no multicast.)
  std::vector<std::string> scannerAddrs{"198.18.0.1/24"};
  bool scannerLoopbackOnly = false;  // scanner namespace with only lo (no veth, no hosts)
  std::vector<Host> hosts;
  // "addr", "name" lines for the scanner's /etc/hosts, after "127.0.0.1 localhost".
  std::vector<std::pair<std::string, std::string>> hostsFile;
  enum class Dns {
    Unreachable,  // resolv.conf names 198.19.255.54, an "unreachable" route: lookups fail at once
    Silent,       // names 198.19.255.53, routed to sil0 where packets vanish: the resolver waits its timeouts
  } dns = Dns::Unreachable;
  // e.g. "198.19.0.0/16": routed to sil0, a NOARP device in the scanner namespace that drops
  // everything, so sends there succeed and vanish without ARP, answer or error.
  std::vector<std::string> silentRoutes;
  // The body is stopped (SIGTERM, then SIGKILL) and the lab torn down after this long.
  int bodyTimeoutSeconds = 1200;
};

// Call first thing in main(), before any thread exists. Runs the lab gc, builds the lab,
// forks; the child enters the scanner network namespace and a private mount namespace in
// which the generated hosts and resolv.conf are bind-mounted over /etc/hosts and
// /etc/resolv.conf (and /sys is remounted, as `ip netns exec` does), runs body and exits
// with its result; the parent waits, tears the lab down, and returns the child's exit
// status (128+N if it died of signal N). The parent also tears down when the child
// crashes or is killed, and on SIGTERM/SIGINT/SIGHUP (then it dies of that signal).
// When the lab cannot be built for want of the environment (not root, no network
// namespaces, ip/nmbd/responder missing, or only --gtest_list_tests), it does not fork:
// it records the reason and runs body in place, so tests can GTEST_SKIP (LAB_REQUIRED).
// When the environment is fit but building fails (e.g. an nmbd that never answers),
// it prints why and returns 1 without running body.
int Main(const Layout& layout, int argc, char** argv, const std::function<int()>& body);

bool Available();
const std::string& SkipReason();
std::string ScannerNamespace();
std::string HostNamespace(std::size_t hostIndex);  // "" when out of range or unavailable
// `ip netns exec <host ns> argv...` in a new session, stdin /dev/null, stdout/stderr inherited.
// Returns its exit code, 128+N if killed by signal N, -1 if it could not be run, -2 if it
// was still running after timeoutMs (it and its process group are then killed).
int RunInHost(std::size_t hostIndex, const std::vector<std::string>& argv, int timeoutMs);

}  // namespace lab

// The lab's isolation is the one of tests/support/isolation.h: Available() is NetworkIsolated().
#define LAB_REQUIRED() REQUIRE_ISOLATED_NETWORK()
