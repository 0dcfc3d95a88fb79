// Nodewick test network lab, see lab.h.
#include "lab.h"

#include "support/isolation.h"

#include <fcntl.h>
#include <poll.h>
#include <sched.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <sstream>

#ifndef NODEWICK_RESPONDER_PATH
#error "NODEWICK_RESPONDER_PATH must name the nbstat_responder binary"
#endif
#ifndef NODEWICK_NETLAB_SCRIPT
#error "NODEWICK_NETLAB_SCRIPT must name tests/lab/netlab.sh"
#endif

namespace lab {
namespace {

struct State {
  std::string id;
  std::string scannerNs;
  std::vector<std::string> hostNs;
  std::string hostsFile;
  std::string resolvConf;
};
State g_state;

volatile sig_atomic_t g_signal = 0;
void OnSignal(int sig) { g_signal = sig; }

long long NowMs() {
  timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return ts.tv_sec * 1000LL + ts.tv_nsec / 1000000;
}

void SleepMs(int ms) {
  timespec ts{ms / 1000, (ms % 1000) * 1000000L};
  nanosleep(&ts, nullptr);  // a signal may cut it short; callers loop
}

// The scanner, nmbd and ip live in sbin directories that a test's PATH may lack.
void EnsurePath() {
  const char* cur = std::getenv("PATH");
  std::string path = cur ? cur : "";
  bool changed = false;
  for (const char* dir : {"/usr/local/sbin", "/usr/local/bin", "/usr/sbin", "/usr/bin", "/sbin", "/bin"}) {
    std::string padded = ":" + path + ":";
    if (padded.find(std::string(":") + dir + ":") == std::string::npos) {
      path += path.empty() ? dir : std::string(":") + dir;
      changed = true;
    }
  }
  if (changed) setenv("PATH", path.c_str(), 1);
}

// Full path of an executable found in PATH ("" if none); names with a slash are kept.
std::string ResolveInPath(const std::string& name) {
  if (name.find('/') != std::string::npos) return access(name.c_str(), X_OK) == 0 ? name : std::string();
  const char* p = std::getenv("PATH");
  std::stringstream ss(p ? p : "");
  std::string dir;
  while (std::getline(ss, dir, ':')) {
    if (dir.empty()) continue;
    std::string f = dir + "/" + name;
    if (access(f.c_str(), X_OK) == 0) return f;
  }
  return {};
}

bool FindInPath(const std::string& name) { return !ResolveInPath(name).empty(); }

struct Outcome {
  bool started = false;
  bool timedOut = false;
  bool aborted = false;  // stopped because the parent got a signal
  int waitStatus = 0;
  std::string out, err;
};

int StatusCode(const Outcome& o) {
  if (!o.started) return -1;
  if (o.timedOut) return -2;
  if (WIFEXITED(o.waitStatus)) return WEXITSTATUS(o.waitStatus);
  if (WIFSIGNALED(o.waitStatus)) return 128 + WTERMSIG(o.waitStatus);
  return -1;
}

void KillGroupAndReap(pid_t pid, int& waitStatus) {
  kill(-pid, SIGTERM);
  kill(pid, SIGTERM);
  for (long long until = NowMs() + 2000; NowMs() < until;) {
    if (waitpid(pid, &waitStatus, WNOHANG) == pid) {
      kill(-pid, SIGKILL);  // stragglers of its group
      return;
    }
    SleepMs(20);
  }
  kill(-pid, SIGKILL);
  kill(pid, SIGKILL);
  for (long long until = NowMs() + 5000; NowMs() < until;) {
    if (waitpid(pid, &waitStatus, WNOHANG) == pid) return;
    SleepMs(20);
  }
  std::fprintf(stderr, "lab: process %d does not die\n", static_cast<int>(pid));
}

// Runs argv (looked up in PATH) in a new session with stdin from /dev/null, bounded by
// timeoutMs. With capture, stdout and stderr are collected; otherwise they are inherited.
// With abortOnSignal, a signal to this process (g_signal) stops the command early.
Outcome Run(const std::vector<std::string>& argv, int timeoutMs, bool capture, bool abortOnSignal) {
  Outcome o;
  int outPipe[2] = {-1, -1}, errPipe[2] = {-1, -1};
  if (capture && (pipe2(outPipe, O_CLOEXEC) != 0 || pipe2(errPipe, O_CLOEXEC) != 0)) {
    o.err = std::string("pipe: ") + std::strerror(errno);
    return o;
  }
  // Everything the child needs is prepared before fork(): the body may have threads.
  const std::string exe = argv.empty() ? std::string() : ResolveInPath(argv[0]);
  if (exe.empty()) {
    o.err = "not found: " + (argv.empty() ? std::string("(empty command)") : argv[0]);
    if (capture) {
      for (int fd : {outPipe[0], outPipe[1], errPipe[0], errPipe[1]}) close(fd);
    }
    return o;
  }
  std::vector<char*> cargv;
  for (const std::string& a : argv) cargv.push_back(const_cast<char*>(a.c_str()));
  cargv.push_back(nullptr);
  static const char kExecFailed[] = "lab: exec failed\n";
  pid_t pid = fork();
  if (pid < 0) {
    o.err = std::string("fork: ") + std::strerror(errno);
    if (capture) {
      for (int fd : {outPipe[0], outPipe[1], errPipe[0], errPipe[1]}) close(fd);
    }
    return o;
  }
  if (pid == 0) {  // only async-signal-safe calls from here to exec
    setsid();
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    struct sigaction dfl {};
    dfl.sa_handler = SIG_DFL;
    for (int s : {SIGTERM, SIGINT, SIGHUP, SIGPIPE}) sigaction(s, &dfl, nullptr);
    int devnull = open("/dev/null", O_RDONLY);
    if (devnull >= 0) dup2(devnull, 0);
    if (capture) {
      dup2(outPipe[1], 1);
      dup2(errPipe[1], 2);
    }
    for (int fd = 3; fd < 1024; ++fd) close(fd);
    execv(exe.c_str(), cargv.data());
    ssize_t ignored = write(2, kExecFailed, sizeof kExecFailed - 1);
    (void)ignored;
    _exit(127);
  }
  o.started = true;
  if (capture) {
    close(outPipe[1]);
    close(errPipe[1]);
    fcntl(outPipe[0], F_SETFL, O_NONBLOCK);
    fcntl(errPipe[0], F_SETFL, O_NONBLOCK);
  }
  auto drain = [&](int fd, std::string& into) {
    char buf[4096];
    ssize_t n;
    while ((n = read(fd, buf, sizeof buf)) > 0) into.append(buf, static_cast<std::size_t>(n));
  };
  const long long deadline = NowMs() + timeoutMs;
  bool exited = false;
  while (!exited) {
    if (capture) {
      pollfd fds[2] = {{outPipe[0], POLLIN, 0}, {errPipe[0], POLLIN, 0}};
      poll(fds, 2, 20);
      drain(outPipe[0], o.out);
      drain(errPipe[0], o.err);
    } else {
      SleepMs(20);
    }
    pid_t r = waitpid(pid, &o.waitStatus, WNOHANG);
    if (r == pid) {
      exited = true;
      break;
    }
    if (r < 0 && errno != EINTR) break;
    if (abortOnSignal && g_signal) {
      o.aborted = true;
      KillGroupAndReap(pid, o.waitStatus);
      break;
    }
    if (NowMs() >= deadline) {
      o.timedOut = true;
      KillGroupAndReap(pid, o.waitStatus);
      break;
    }
  }
  if (capture) {
    // The command has ended; what its leftover children still hold open is not waited for.
    drain(outPipe[0], o.out);
    drain(errPipe[0], o.err);
    close(outPipe[0]);
    close(errPipe[0]);
  }
  return o;
}

std::string Trim(std::string s) {
  while (!s.empty() && (s.back() == '\n' || s.back() == ' ')) s.pop_back();
  return s;
}

bool HasCommaOrNewline(const std::string& s) { return s.find_first_of(",\n") != std::string::npos; }

// Why the lab cannot be built here; empty when it can be tried.
std::string EnvironmentProblem(const Layout& layout, int argc, char** argv) {
  for (int i = 1; i < argc; ++i)
    if (std::strcmp(argv[i], "--gtest_list_tests") == 0) return "tests are only being listed: no lab built";
  if (geteuid() != 0) return "the network lab needs root (running as uid " + std::to_string(geteuid()) + ")";
  if (access(NODEWICK_NETLAB_SCRIPT, R_OK) != 0) return std::string("lab script missing: ") + NODEWICK_NETLAB_SCRIPT;
  if (!FindInPath("bash")) return "bash not found";
  if (!FindInPath("ip")) return "ip (Debian package iproute2) not found";
  bool nmbd = false, responder = false;
  for (const Host& h : layout.hosts) {
    nmbd |= h.kind == Host::Kind::Nmbd;
    responder |= h.kind == Host::Kind::Responder;
  }
  if (nmbd && !FindInPath("nmbd")) return "nmbd (Debian package samba) not found";
  if ((nmbd || responder) && access(NODEWICK_RESPONDER_PATH, X_OK) != 0)
    return std::string("nbstat_responder missing: ") + NODEWICK_RESPONDER_PATH;
  // Can this process make network and mount namespaces at all?
  pid_t pid = fork();
  if (pid == 0) _exit(unshare(CLONE_NEWNET | CLONE_NEWNS) == 0 ? 0 : (errno & 0x7f));
  if (pid < 0) return std::string("fork: ") + std::strerror(errno);
  int st = 0;
  for (long long until = NowMs() + 5000; waitpid(pid, &st, WNOHANG) != pid;) {
    if (NowMs() > until) {
      kill(pid, SIGKILL);
      waitpid(pid, &st, 0);
      return "namespace probe hung";
    }
    SleepMs(5);
  }
  if (!WIFEXITED(st) || WEXITSTATUS(st) != 0)
    return std::string("cannot create network namespaces: ") +
           (WIFEXITED(st) ? std::strerror(WEXITSTATUS(st)) : "probe crashed");
  return {};
}

std::string FormatMac(const std::array<unsigned char, 6>& m) {
  char buf[18];
  std::snprintf(buf, sizeof buf, "%02X:%02X:%02X:%02X:%02X:%02X", m[0], m[1], m[2], m[3], m[4], m[5]);
  return buf;
}

// netlab.sh arguments for the layout; *bad names what is wrong with it, if anything.
std::vector<std::string> UpArgs(const Layout& layout, const std::string& id, std::string* bad) {
  std::vector<std::string> a{"bash", NODEWICK_NETLAB_SCRIPT, "up", "--id", id, "--responder", NODEWICK_RESPONDER_PATH};
  if (layout.scannerLoopbackOnly) {
    a.push_back("--scanner-loopback-only");
  } else {
    for (const std::string& s : layout.scannerAddrs) a.insert(a.end(), {"--scanner-addr", s});
  }
  for (const Host& h : layout.hosts) {
    std::string v;
    for (const std::string* f : {&h.addr, &h.netbiosName, &h.workgroup})
      if (HasCommaOrNewline(*f)) *bad = "host field with a comma or newline: " + *f;
    switch (h.kind) {
      case Host::Kind::Nmbd:
        v = "nmbd," + h.addr + "," + h.netbiosName + "," + h.workgroup;
        break;
      case Host::Kind::NoNetbios:
        v = "nonetbios," + h.addr;
        break;
      case Host::Kind::Responder:
        v = "responder," + h.addr + "," + h.netbiosName + "," + h.workgroup + "," + FormatMac(h.mac) + "," +
            std::to_string(h.extraNames);
        break;
    }
    a.insert(a.end(), {"--host", v});
    for (const std::string& r : h.ranges) {
      if (HasCommaOrNewline(r)) *bad = "host range with a comma or newline: " + r;
      a.insert(a.end(), {"--host-range", std::to_string(&h - layout.hosts.data()) + "," + r});
    }
  }
  for (const auto& [addr, name] : layout.hostsFile) {
    if (HasCommaOrNewline(addr) || name.find('\n') != std::string::npos) *bad = "bad hostsFile entry: " + addr;
    a.insert(a.end(), {"--hosts-entry", addr + "," + name});
  }
  a.insert(a.end(), {"--dns", layout.dns == Layout::Dns::Silent ? "silent" : "unreachable"});
  for (const std::string& r : layout.silentRoutes) a.insert(a.end(), {"--silent-route", r});
  return a;
}

void Teardown() {
  if (g_state.id.empty()) return;
  Outcome o = Run({"bash", NODEWICK_NETLAB_SCRIPT, "down", "--id", g_state.id}, 60000, true, false);
  if (!o.err.empty()) std::fprintf(stderr, "%s\n", Trim(o.err).c_str());
  if (StatusCode(o) != 0)
    std::fprintf(stderr, "lab: teardown of lab %s ended with status %d\n", g_state.id.c_str(), StatusCode(o));
  int st;
  while (waitpid(-1, &st, WNOHANG) > 0) {  // orphans of the lab handed to us as subreaper
  }
}

[[noreturn]] void DieOfSignal(int sig) {
  std::fflush(nullptr);
  signal(sig, SIG_DFL);
  sigset_t s;
  sigemptyset(&s);
  sigaddset(&s, sig);
  sigprocmask(SIG_UNBLOCK, &s, nullptr);
  raise(sig);
  _exit(128 + sig);
}

[[noreturn]] void ChildFail(const std::string& what) {
  std::fprintf(stderr, "lab: %s: %s\n", what.c_str(), std::strerror(errno));
  std::fflush(stderr);
  _exit(125);
}

// In the forked child: become a process of the scanner namespace.
void EnterScanner(pid_t parent) {
  for (int s : {SIGTERM, SIGINT, SIGHUP}) signal(s, SIG_DFL);
  sigset_t none;
  sigemptyset(&none);
  sigprocmask(SIG_SETMASK, &none, nullptr);
  prctl(PR_SET_PDEATHSIG, SIGKILL);
  if (getppid() != parent) _exit(125);  // the parent died before prctl

  const std::string nsPath = "/var/run/netns/" + g_state.scannerNs;
  int fd = open(nsPath.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) ChildFail("open " + nsPath);
  if (setns(fd, CLONE_NEWNET) != 0) ChildFail("setns " + nsPath);
  close(fd);
  if (unshare(CLONE_NEWNS) != 0) ChildFail("unshare(CLONE_NEWNS)");
  if (mount("none", "/", nullptr, MS_REC | MS_SLAVE, nullptr) != 0) ChildFail("make / a slave mount");
  if (mount(g_state.hostsFile.c_str(), "/etc/hosts", nullptr, MS_BIND, nullptr) != 0)
    ChildFail("bind " + g_state.hostsFile + " over /etc/hosts");
  if (mount(g_state.resolvConf.c_str(), "/etc/resolv.conf", nullptr, MS_BIND, nullptr) != 0)
    ChildFail("bind " + g_state.resolvConf + " over /etc/resolv.conf");
  // As `ip netns exec` does: a /sys that shows this namespace's interfaces.
  if (umount2("/sys", MNT_DETACH) == 0 || errno == EINVAL) {
    if (mount(g_state.scannerNs.c_str(), "/sys", "sysfs", 0, nullptr) != 0)
      std::fprintf(stderr, "lab: warning: cannot mount a fresh /sys: %s\n", std::strerror(errno));
  }
}

}  // namespace

bool Available() { return testsupport::NetworkIsolated(); }
const std::string& SkipReason() { return testsupport::IsolationSkipReason(); }
std::string ScannerNamespace() { return Available() ? g_state.scannerNs : std::string(); }

std::string HostNamespace(std::size_t hostIndex) {
  if (!Available() || hostIndex >= g_state.hostNs.size()) return {};
  return g_state.hostNs[hostIndex];
}

int RunInHost(std::size_t hostIndex, const std::vector<std::string>& argv, int timeoutMs) {
  const std::string ns = HostNamespace(hostIndex);
  if (ns.empty() || argv.empty()) return -1;
  std::vector<std::string> a{"ip", "netns", "exec", ns};
  a.insert(a.end(), argv.begin(), argv.end());
  return StatusCode(Run(a, timeoutMs, false, false));
}

int Main(const Layout& layout, int argc, char** argv, const std::function<int()>& body) {
  EnsurePath();
  g_state = State{};
  std::string problem = EnvironmentProblem(layout, argc, argv);
  if (!problem.empty()) {
    testsupport::SetNotIsolated(problem);
    const bool listing = problem.rfind("tests are only being listed", 0) == 0;
    if (!listing && !testsupport::CheckIsolation()) return 1;
    return body();
  }

  struct sigaction sa {};
  sa.sa_handler = OnSignal;
  sigemptyset(&sa.sa_mask);
  sa.sa_flags = 0;  // no SA_RESTART: waits wake up
  for (int s : {SIGTERM, SIGINT, SIGHUP}) sigaction(s, &sa, nullptr);
  prctl(PR_SET_CHILD_SUBREAPER, 1);  // the lab's daemons are reparented to us, not to init

  // Leftovers of labs whose owner died.
  Outcome gc = Run({"bash", NODEWICK_NETLAB_SCRIPT, "gc"}, 120000, true, false);
  if (!gc.err.empty()) std::fprintf(stderr, "%s\n", Trim(gc.err).c_str());

  static int labCounter = 0;
  const std::string id = std::to_string(getpid()) + "-" + std::to_string(labCounter++);
  std::string bad;
  std::vector<std::string> up = UpArgs(layout, id, &bad);
  if (!bad.empty()) {
    std::fprintf(stderr, "lab: bad lab layout: %s\n", bad.c_str());
    return 1;
  }
  int nPeers = 0;
  for (const Host& h : layout.hosts) nPeers += h.kind != Host::Kind::NoNetbios;
  const long long t0 = NowMs();
  g_state.id = id;  // from here on, Teardown() applies
  Outcome o = Run(up, 60000 + 3000 * static_cast<int>(layout.hosts.size()), true, true);
  if (o.aborted || g_signal) {
    Teardown();
    DieOfSignal(g_signal ? g_signal : SIGTERM);
  }
  if (StatusCode(o) != 0) {
    std::fprintf(stderr, "lab: building lab %s failed (status %d):\n%s\n", id.c_str(), StatusCode(o),
                 Trim(o.err).c_str());
    Teardown();
    return 1;
  }
  std::map<std::string, std::string> facts;
  std::stringstream ss(o.out);
  for (std::string line; std::getline(ss, line);) {
    auto eq = line.find('=');
    if (eq != std::string::npos) facts[line.substr(0, eq)] = line.substr(eq + 1);
  }
  g_state.scannerNs = facts["scanner_ns"];
  g_state.hostsFile = facts["hosts_file"];
  g_state.resolvConf = facts["resolv_conf"];
  for (std::size_t i = 0; i < layout.hosts.size(); ++i) g_state.hostNs.push_back(facts["host_ns_" + std::to_string(i)]);
  if (g_state.scannerNs.empty() || g_state.hostsFile.empty() || g_state.resolvConf.empty()) {
    std::fprintf(stderr, "lab: netlab.sh up printed no lab facts:\n%s\n", o.out.c_str());
    Teardown();
    return 1;
  }
  if (std::getenv("NODEWICK_LAB_VERBOSE"))
    std::fprintf(stderr, "lab: lab %s up in %lld ms (%d peers)\n", id.c_str(), NowMs() - t0, nPeers);

  std::fflush(nullptr);
  const pid_t parent = getpid();
  pid_t child = fork();
  if (child < 0) {
    std::fprintf(stderr, "lab: fork: %s\n", std::strerror(errno));
    Teardown();
    return 1;
  }
  if (child == 0) {
    EnterScanner(parent);
    testsupport::SetIsolated();
    int rc = body();
    std::fflush(nullptr);
    std::exit(rc);
  }

  // Parent: wait (bounded) for the body, reaping any orphan handed to us meanwhile.
  int status = 0;
  bool done = false, termSent = false, killSent = false, timedOut = false;
  long long killAt = 0, giveUpAt = 0;
  const long long deadline = NowMs() + 1000LL * layout.bodyTimeoutSeconds;
  while (!done) {
    int st;
    pid_t r;
    while ((r = waitpid(-1, &st, WNOHANG)) > 0)
      if (r == child) {
        status = st;
        done = true;
      }
    if (done) break;
    if (r < 0 && errno == ECHILD) {
      std::fprintf(stderr, "lab: lost the test process\n");
      status = 1 << 8;
      break;
    }
    const long long now = NowMs();
    if (!termSent && (g_signal || now >= deadline)) {
      if (!g_signal) {
        timedOut = true;
        std::fprintf(stderr, "lab: test body still running after %d s, stopping it\n", layout.bodyTimeoutSeconds);
      }
      kill(child, SIGTERM);
      termSent = true;
      killAt = now + 5000;
    } else if (termSent && !killSent && now >= killAt) {
      kill(child, SIGKILL);
      killSent = true;
      giveUpAt = now + 5000;
    } else if (killSent && now >= giveUpAt) {
      std::fprintf(stderr, "lab: test process %d does not die\n", static_cast<int>(child));
      status = 1 << 8;
      break;
    }
    SleepMs(20);
  }
  const long long t1 = NowMs();
  Teardown();
  if (std::getenv("NODEWICK_LAB_VERBOSE"))
    std::fprintf(stderr, "lab: lab %s down in %lld ms\n", id.c_str(), NowMs() - t1);
  if (g_signal) DieOfSignal(g_signal);
  if (timedOut) return 1;
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  if (WIFSIGNALED(status)) {
    std::fprintf(stderr, "lab: test process died of signal %d\n", WTERMSIG(status));
    return 128 + WTERMSIG(status);
  }
  return 1;
}

}  // namespace lab
