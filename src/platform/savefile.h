#pragma once
// Saving a file so that a failure never loses the old one: the bytes go to a new file beside the
// target, which replaces it only once every byte is on disk.

#include <QByteArray>
#include <QString>

#include <optional>

namespace wfile {

struct FileFailure {
    bool created = false; // the file was opened: the failure came while writing it
    QString reason; // the system's text for the failure
};

// Writes all bytes to path. On any failure the old file stays as it was and the new one is removed.
// A device or a pipe takes the bytes itself, in place, and is never waited for long. A link that the
// kernel would refuse to follow for this user (one planted in a sticky, world-writable folder) is
// refused with EACCES.
std::optional<FileFailure> ReplaceFile(const QString& path, const QByteArray& bytes);

} // namespace wfile
