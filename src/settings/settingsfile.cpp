// SPDX-License-Identifier: GPL-3.0-or-later
#include "settingsfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace talvor::settingsfile {

namespace {

// Another writer holds the lock only for the moment of its write.
constexpr int kLockWaitMs = 500;

SettingsWrite failure(SettingsWrite::Failure kind, int systemError = 0)
{
    return {kind, systemError};
}

SettingsWrite systemFailure(int systemError)
{
    switch (systemError) {
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
        return failure(SettingsWrite::NoRoom, systemError);
    case EACCES:
    case EPERM:
    case EROFS:
        return failure(SettingsWrite::ReadOnly, systemError);
    case EISDIR:
    case ENOTDIR:
        return failure(SettingsWrite::NotAFile, systemError);
    default:
        return failure(SettingsWrite::Failed, systemError);
    }
}

// A file that exists must be a plain file the user lets be written: one whose owner may not
// write it was made read-only on purpose, even where root could replace it.
SettingsWrite checkReplaceable(const QByteArray &target, struct stat &status)
{
    if (::stat(target.constData(), &status) != 0)
        return errno == ENOENT ? SettingsWrite{} : systemFailure(errno);
    if (!S_ISREG(status.st_mode))
        return failure(SettingsWrite::NotAFile);
    if (!(status.st_mode & S_IWUSR))
        return failure(SettingsWrite::ReadOnly, EACCES);
    const int fd = ::open(target.constData(), O_WRONLY | O_APPEND | O_CLOEXEC);
    if (fd < 0)
        return systemFailure(errno);
    ::close(fd);
    return {};
}

bool writeAll(int fd, const QByteArray &bytes)
{
    for (qsizetype done = 0; done < bytes.size();) {
        const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += n;
    }
    return true;
}

// Writes `bytes` into a new file beside `target` and renames it over `target`.
SettingsWrite writeBeside(const QByteArray &target, const QByteArray &bytes, mode_t mode)
{
    QByteArray temporary = target + ".XXXXXX";
    const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0)
        return systemFailure(errno);
    bool written = ::fchmod(fd, mode) == 0 && writeAll(fd, bytes) && ::fsync(fd) == 0;
    int error = errno;
    if (::close(fd) != 0 && written) {
        written = false;
        error = errno;
    }
    if (written && ::rename(temporary.constData(), target.constData()) == 0)
        return {};
    if (written)
        error = errno;
    ::unlink(temporary.constData());
    return systemFailure(error);
}

SettingsWrite lockFailure(QLockFile::LockError error)
{
    return failure(error == QLockFile::LockFailedError ? SettingsWrite::Locked
                                                       : SettingsWrite::NoLock);
}

} // namespace

Contents read(const QString &path)
{
    QFile file(path);
    if (file.open(QIODevice::ReadOnly))
        return {true, file.readAll()};
    return {!QFileInfo::exists(path) && !QFileInfo(path).isSymLink(), {}};
}

SettingsWrite replace(const QString &path,
                      const std::function<std::optional<QByteArray>(const QByteArray &)> &edit)
{
    const QFileInfo info(path);
    if (!QDir().mkpath(info.absolutePath()))
        return failure(SettingsWrite::ReadOnly);
    QLockFile lock(path + QStringLiteral(".lock"));
    if (!lock.tryLock(kLockWaitMs))
        return lockFailure(lock.error());
    const Contents old = read(path);
    if (!old.readable)
        return failure(info.isDir() ? SettingsWrite::NotAFile : SettingsWrite::NotReadable);
    const std::optional<QByteArray> changed = edit(old.bytes);
    if (!changed)
        return failure(SettingsWrite::InvalidValue);
    if (*changed == old.bytes)
        return {};
    // A link is followed: the file it names is the one the user edits.
    const QByteArray target = QFile::encodeName(info.exists() ? info.canonicalFilePath() : path);
    struct stat status = {};
    status.st_mode = S_IRUSR | S_IWUSR | S_IRGRP | S_IROTH;
    if (const SettingsWrite check = checkReplaceable(target, status); !check.ok())
        return check;
    return writeBeside(target, *changed, status.st_mode & 07777);
}

} // namespace talvor::settingsfile
