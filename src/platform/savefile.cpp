#include "platform/savefile.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace wfile {
namespace {

QString SystemText(int error) { return QString::fromLocal8Bit(std::strerror(error)); }

// A device or a pipe cannot be replaced by a new file: it takes the bytes itself.
std::optional<FileFailure> WriteInPlace(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return FileFailure{false, file.errorString()};
    if (file.write(bytes) != bytes.size())
        return FileFailure{true, file.errorString()};
    // What the file buffer holds goes out only now: a full disk may show here.
    file.close();
    if (file.error() != QFileDevice::NoError)
        return FileFailure{true, file.errorString()};
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
