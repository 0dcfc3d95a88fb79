#include "program.h"

#include "app/startup.h"
#include "support/ui_helpers.h"

#include <QApplication>
#include <QPointer>
#include <QTest>
#include <QTimer>

#include <fcntl.h>
#include <net/if.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

namespace uitest {
namespace {

// Best effort: unmapped, the process runs as the overflow ids, which changes nothing for these tests.
void WriteProcFile(const char* path, const std::string& text)
{
    const int fd = ::open(path, O_WRONLY);
    if (fd < 0)
        return;
    [[maybe_unused]] const ssize_t written = ::write(fd, text.data(), text.size());
    ::close(fd);
}

// Without root, a user namespace of its own lets the process own a network namespace; it keeps its
// user and group ids inside where the kernel lets it map them.
bool EnterUserAndNetworkNamespaces()
{
    const uid_t uid = ::getuid();
    const gid_t gid = ::getgid();
    if (::unshare(CLONE_NEWUSER | CLONE_NEWNET) != 0)
        return false;
    WriteProcFile("/proc/self/setgroups", "deny");
    WriteProcFile("/proc/self/uid_map", std::to_string(uid) + " " + std::to_string(uid) + " 1");
    WriteProcFile("/proc/self/gid_map", std::to_string(gid) + " " + std::to_string(gid) + " 1");
    return true;
}

// Runs before main, while the process has one thread, so that every socket and thread of the process
// is made inside the namespace.
std::string EnterPrivateNetwork()
{
    if (::unshare(CLONE_NEWNET) != 0 && !EnterUserAndNetworkNamespaces())
        return std::string("no private network namespace (unshare: ") + std::strerror(errno)
            + "); these tests need root or user namespaces to keep port 6767 and their datagrams private";
    const int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
    if (fd < 0)
        return std::string("no socket in the private network namespace: ") + std::strerror(errno);
    ifreq request{};
    std::strncpy(request.ifr_name, "lo", IFNAMSIZ - 1);
    std::string problem;
    if (::ioctl(fd, SIOCGIFFLAGS, &request) != 0) {
        problem = std::string("cannot read the loopback interface: ") + std::strerror(errno);
    } else {
        request.ifr_flags = static_cast<short>(request.ifr_flags | IFF_UP);
        if (::ioctl(fd, SIOCSIFFLAGS, &request) != 0)
            problem = std::string("cannot bring the private loopback up: ") + std::strerror(errno);
    }
    ::close(fd);
    return problem;
}

const std::string g_networkProblem = EnterPrivateNetwork();

} // namespace

const std::string& PrivateNetworkProblem() { return g_networkProblem; }

// Every showing of a modal window passes through here, also the second showing of the same dialog.
struct ModalWatcher::Impl : QObject {
    std::function<void(QWidget*)> handler;
    int seen = 0;

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Show && watched->isWidgetType()) {
            auto* w = static_cast<QWidget*>(watched);
            if (w->isWindow() && w->windowModality() != Qt::NonModal) {
                ++seen;
                QPointer<QWidget> modal = w;
                QTimer::singleShot(0, this, [this, modal] {
                    if (QWidget* shown = modal.data(); shown != nullptr && shown->isVisible())
                        handler(shown);
                });
            }
        }
        return false;
    }
};

ModalWatcher::ModalWatcher(std::function<void(QWidget*)> handler)
    : impl_(std::make_unique<Impl>())
{
    impl_->handler = std::move(handler);
    QApplication::instance()->installEventFilter(impl_.get());
}

ModalWatcher::~ModalWatcher() = default;

int ModalWatcher::Seen() const { return impl_->seen; }

ShellRecorder::ShellRecorder()
{
    wshell::SetShellHandler([this](const wshell::ShellRequest& request) { requests_.push_back(request); });
}

ShellRecorder::~ShellRecorder() { wshell::SetShellHandler(nullptr); }

void ProgramTest::SetUp()
{
    if (!PrivateNetworkProblem().empty())
        GTEST_SKIP() << PrivateNetworkProblem();
    // As at program start: the program ends when the main window closes, not with its last window.
    QApplication::setQuitOnLastWindowClosed(false);
    testsupport::MessageBoxCatcher messages;
    window = nodewick::CreateForms();
    ASSERT_TRUE(messages.Texts().isEmpty()) << messages.Texts().join(QStringLiteral(" | ")).toStdString();
}

void ProgramTest::TearDown()
{
    if (!window)
        return;
    testsupport::MessageBoxCatcher messages;
    window->close();
    window->WaitForScan();
    window.reset();
}

void ProgramTest::Activate(QWidget* w)
{
    w->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(w, 5000)) << w->objectName().toStdString() << " did not become active";
}

void ProgramTest::ShowWindow()
{
    window->show();
    Activate(window.get());
}

} // namespace uitest
