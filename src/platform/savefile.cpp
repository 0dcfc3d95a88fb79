#include "platform/savefile.h"

#include "platform/unique_fd.h"
#include "platform/wait_fd.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <fcntl.h>
#include <limits.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <string>
#include <vector>

namespace wfile {
namespace {

using Clock = std::chrono::steady_clock;

// The kernel's own limit on the links one name may pass through.
constexpr int kMaxLinks = 40;
// How long a device or a pipe may take to accept the bytes before the save gives up on it.
constexpr std::chrono::milliseconds kSpecialFileWait{1000};

QString SystemText(int error) { return QString::fromLocal8Bit(std::strerror(error)); }

void PushComponents(std::vector<std::string>& pending, const std::string& text)
{
    std::size_t to = text.size();
    while (to > 0) {
        const std::size_t slash = text.rfind('/', to - 1);
        const std::size_t from = slash == std::string::npos ? 0 : slash + 1;
        if (to > from)
            pending.push_back(text.substr(from, to - from));
        if (slash == std::string::npos)
            break;
        to = slash;
    }
}

// QSaveFile follows a link at the target name itself, so the kernel's protection against links that
// another user planted in a sticky, world-writable folder such as /tmp (fs.protected_symlinks) never
// applies to it. The same rule is applied here to every link met while resolving the name, whatever
// the sysctl says: such a link is followed only when it belongs to the follower or to the folder's
// owner. Gives the error to fail with, or 0. Anything else that stops the walk is left to the save
// itself to report.
int RefusedLink(const QString& path)
{
    const std::string name = QFile::encodeName(path).toStdString();
    std::string resolved; // absolute and free of links; empty for the root
    if (name.empty() || name.front() != '/') {
        char cwd[PATH_MAX];
        if (::getcwd(cwd, sizeof cwd) == nullptr)
            return 0;
        resolved = cwd;
        if (resolved == "/")
            resolved.clear();
    }
    std::vector<std::string> pending; // the components still to walk, the next one last
    PushComponents(pending, name);
    int links = 0;
    while (!pending.empty()) {
        const std::string component = std::move(pending.back());
        pending.pop_back();
        if (component == ".")
            continue;
        if (component == "..") {
            resolved.erase(std::min(resolved.size(), resolved.rfind('/')));
            continue;
        }
        const std::string candidate = resolved + '/' + component;
        struct stat link {};
        if (::lstat(candidate.c_str(), &link) != 0)
            return 0;
        if (!S_ISLNK(link.st_mode)) {
            resolved = candidate;
            continue;
        }
        if (++links > kMaxLinks)
            return ELOOP;
        struct stat folder {};
        if (::stat(resolved.empty() ? "/" : resolved.c_str(), &folder) != 0)
            return 0;
        // The program never sets a file-system user of its own, so the follower is the effective user.
        const bool shared = (folder.st_mode & (S_ISVTX | S_IWOTH)) == (S_ISVTX | S_IWOTH);
        if (shared && link.st_uid != ::geteuid() && link.st_uid != folder.st_uid)
            return EACCES;
        char target[PATH_MAX + 1];
        const ssize_t n = ::readlink(candidate.c_str(), target, sizeof target);
        if (n <= 0 || n > PATH_MAX)
            return 0;
        const std::string text(target, static_cast<std::size_t>(n));
        if (text.front() == '/')
            resolved.clear();
        PushComponents(pending, text);
    }
    return 0;
}

// A pipe whose reader goes away would end the program with SIGPIPE. Blocked on this thread while
// the bytes are written, the write fails with EPIPE instead; a SIGPIPE that it raised is taken back.
class NoBrokenPipeSignal {
public:
    NoBrokenPipeSignal()
    {
        sigemptyset(&pipe_);
        sigaddset(&pipe_, SIGPIPE);
        sigset_t pending;
        wasPending_ = ::sigpending(&pending) == 0 && sigismember(&pending, SIGPIPE) == 1;
        blocked_ = ::pthread_sigmask(SIG_BLOCK, &pipe_, &previous_) == 0;
    }
    ~NoBrokenPipeSignal()
    {
        if (!blocked_)
            return;
        if (raised_ && !wasPending_) {
            const timespec now{0, 0};
            ::sigtimedwait(&pipe_, nullptr, &now);
        }
        ::pthread_sigmask(SIG_SETMASK, &previous_, nullptr);
    }
    NoBrokenPipeSignal(const NoBrokenPipeSignal&) = delete;
    NoBrokenPipeSignal& operator=(const NoBrokenPipeSignal&) = delete;
    void Raised() { raised_ = true; }

private:
    sigset_t pipe_{};
    sigset_t previous_{};
    bool wasPending_ = false;
    bool blocked_ = false;
    bool raised_ = false;
};

// A device or a pipe cannot be replaced by a new file: it takes the bytes itself. It is opened
// without waiting, so a FIFO without a reader fails at once (ENXIO) instead of waiting for one, and
// it stays non-blocking: a reader that takes nothing fails the save with the system's reason after
// kSpecialFileWait at most, and the window goes on.
std::optional<FileFailure> WriteInPlace(const QString& path, const QByteArray& bytes)
{
    const wplatform::UniqueFd fd(
        ::open(QFile::encodeName(path).constData(), O_WRONLY | O_TRUNC | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (!fd.ok())
        return FileFailure{false, SystemText(errno)};
    NoBrokenPipeSignal noSignal;
    const auto deadline = Clock::now() + kSpecialFileWait;
    for (qsizetype done = 0; done < bytes.size();) {
        const ssize_t written
            = ::write(fd.get(), bytes.constData() + done, static_cast<std::size_t>(bytes.size() - done));
        if (written > 0) {
            done += written;
            continue;
        }
        const int error = written == 0 ? EIO : errno;
        if (error == EINTR)
            continue;
        if (error == EAGAIN && wplatform::WaitForEvents(fd.get(), POLLOUT, deadline))
            continue;
        if (error == EPIPE)
            noSignal.Raised();
        return FileFailure{true, SystemText(error)};
    }
    return std::nullopt;
}

} // namespace

std::optional<FileFailure> ReplaceFile(const QString& path, const QByteArray& bytes)
{
    if (const int refused = RefusedLink(path); refused != 0)
        return FileFailure{false, SystemText(refused)};
    const QFileInfo target(path);
    if (target.exists() && !target.isFile() && !target.isDir())
        return WriteInPlace(path, bytes);
    // QSaveFile refuses these two in words of its own; the system's words come from asking it.
    if (target.isDir())
        return FileFailure{false, SystemText(EISDIR)};
    if (target.exists() && ::faccessat(AT_FDCWD, QFile::encodeName(path).constData(), W_OK, AT_EACCESS) != 0)
        return FileFailure{false, SystemText(errno)};
    QSaveFile file(path);
    // Unbuffered, so that every failure shows at the write that meets it.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return FileFailure{false, file.errorString()};
    // A write that meets a limit stores what fits and returns short without a reason; writing the
    // rest then fails with the system's reason (no space, file too large).
    for (qint64 done = 0; done < bytes.size();) {
        const qint64 written = file.write(bytes.constData() + done, bytes.size() - done);
        if (written <= 0)
            return FileFailure{true, file.errorString()};
        done += written;
    }
    // commit() syncs too but ignores a failure, and a disk may fill only when the cache goes out.
    if (::fsync(file.handle()) != 0 && errno != EINVAL)
        return FileFailure{true, SystemText(errno)};
    if (!file.commit())
        return FileFailure{true, file.errorString()};
    return std::nullopt;
}

} // namespace wfile
