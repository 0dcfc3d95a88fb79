#include "platform/savefile.h"

#include "platform/unique_fd.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>

namespace wfile {
namespace {

using Clock = std::chrono::steady_clock;

// How long a device or a pipe may take to accept the bytes before the save gives up on it.
constexpr std::chrono::milliseconds kSpecialFileWait{1000};

QString SystemText(int error) { return QString::fromLocal8Bit(std::strerror(error)); }

bool WaitWritable(int fd, Clock::time_point deadline)
{
    for (;;) {
        const auto left = deadline - Clock::now();
        if (left <= Clock::duration::zero())
            return false;
        const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(left).count();
        const timespec ts{static_cast<time_t>(ns / 1000000000), static_cast<long>(ns % 1000000000)};
        pollfd p{fd, POLLOUT, 0};
        const int n = ::ppoll(&p, 1, &ts, nullptr);
        if (n > 0)
            return true;
        if (n < 0 && errno != EINTR)
            return false;
    }
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
        if (error == EAGAIN && WaitWritable(fd.get(), deadline))
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
