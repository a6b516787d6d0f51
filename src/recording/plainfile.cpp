#include "plainfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace talvor::plainfile {

namespace {

QByteArray nativePath(const QString &path)
{
    return QFile::encodeName(path);
}

// Writes bytes into a new file beside path and puts it in path's place once all of it is on the
// disk, so that a full disk leaves the old file as it was.
int replaceRegularFile(const QString &path, const QByteArray &bytes)
{
    const QFileInfo info(path);
    QByteArray temporary =
        nativePath(info.dir().filePath(QStringLiteral(".%1.XXXXXX").arg(info.fileName())));
    const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0)
        return errno;
    int error = writeAll(fd, bytes);
    if (error == 0 && ::fsync(fd) != 0)
        error = errno;
    if (::close(fd) != 0 && error == 0)
        error = errno;
    // The new file gets the permissions that a newly made one would, not mkstemp's 0600.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    if (error == 0 && ::chmod(temporary.constData(), 0666 & ~mask) != 0)
        error = errno;
    if (error == 0 && ::rename(temporary.constData(), nativePath(path).constData()) != 0)
        error = errno;
    if (error != 0)
        ::unlink(temporary.constData());
    return error;
}

int writeInto(const QString &path, const QByteArray &bytes)
{
    const int fd = ::open(nativePath(path).constData(), O_WRONLY | O_CLOEXEC);
    if (fd < 0)
        return errno;
    const int error = writeAll(fd, bytes);
    return ::close(fd) != 0 && error == 0 ? errno : error;
}

} // namespace

int writeAll(int fd, QByteArrayView bytes)
{
    while (!bytes.isEmpty()) {
        const ssize_t written = ::write(fd, bytes.data(), size_t(bytes.size()));
        if (written < 0 && errno == EINTR)
            continue;
        if (written < 0)
            return errno;
        // A write that takes nothing makes no progress: the medium is full.
        if (written == 0)
            return ENOSPC;
        bytes = bytes.sliced(written);
    }
    return 0;
}

QString failureReason(int error, const QString &path)
{
    switch (error) {
    case ENOENT:
        return QFileInfo(path).dir().exists() ? QStringLiteral("Datei fehlt")
                                              : QStringLiteral("Ordner fehlt");
    case EACCES:
    case EPERM:
    case EROFS:
        return QStringLiteral("kein Schreibzugriff");
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
        return QStringLiteral("Datenträger voll");
    case EPIPE:
        return QStringLiteral("der Leser hat die Datei geschlossen");
    default:
        return QString::fromLocal8Bit(std::strerror(error));
    }
}

bool endsInsideALine(int fd, const QString &path)
{
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_size == 0)
        return false;
    const int reader = ::open(nativePath(path).constData(), O_RDONLY | O_CLOEXEC);
    char last = '\n';
    // A file that cannot be read back gets the line end too: an empty line harms nothing.
    if (reader < 0 || ::pread(reader, &last, 1, info.st_size - 1) != 1)
        last = 0;
    if (reader >= 0)
        ::close(reader);
    return last != '\n';
}

FileStatus saveWhole(const QString &path, const QByteArray &bytes)
{
    struct stat info {};
    const bool exists = ::stat(nativePath(path).constData(), &info) == 0;
    const int error =
        exists && !S_ISREG(info.st_mode) ? writeInto(path, bytes) : replaceRegularFile(path, bytes);
    if (error == 0)
        return {};
    return fileWriteError(path, failureReason(error, path));
}

} // namespace talvor::plainfile
