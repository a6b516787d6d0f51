// SPDX-License-Identifier: GPL-3.0-or-later
#include "plainfile.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>

namespace talvor::plainfile {

namespace {

// Qt's file classes keep the system's error code in errno: read it right after the failed call.
QString reasonFor(int error, const QString &path, const QFileDevice &file)
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
    case EFBIG:
#ifdef EDQUOT
    case EDQUOT:
#endif
        return QStringLiteral("Datenträger voll");
    case EPIPE:
        return QStringLiteral("der Leser hat die Datei geschlossen");
    default:
        return file.errorString();
    }
}

QString writeInto(QFileDevice &file, const QString &path, QByteArrayView bytes)
{
    errno = 0;
    const qint64 written = file.write(bytes.data(), bytes.size());
    if (written == bytes.size())
        return {};
    // A write that stops short without an error makes no progress: the medium is full.
    const int error = written >= 0 && errno == 0 ? ENOSPC : errno;
    return reasonFor(error, path, file);
}

} // namespace

QString openForAppend(QFile &file, const QString &path, bool create)
{
    file.setFileName(path);
    QIODevice::OpenMode mode = QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered;
    if (!create)
        mode |= QIODevice::ExistingOnly;
    errno = 0;
    if (file.open(mode))
        return {};
    return reasonFor(errno != 0 ? errno : ENOENT, path, file);
}

QString writeAll(QFile &file, QByteArrayView bytes)
{
    return writeInto(file, file.fileName(), bytes);
}

bool endsInsideALine(const QString &path)
{
    const QFileInfo info(path);
    if (!info.isFile() || info.size() == 0)
        return false;
    QFile reader(path);
    char last = '\n';
    // A file that cannot be read back gets the line end too: an empty line harms nothing.
    if (!reader.open(QIODevice::ReadOnly) || !reader.seek(info.size() - 1) ||
        !reader.getChar(&last))
        last = 0;
    return last != '\n';
}

FileStatus saveWhole(const QString &path, const QByteArray &bytes)
{
    const QFileInfo info(path);
    QString reason;
    if (info.exists() && !info.isFile()) {
        QFile file(path);
        errno = 0;
        reason = file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)
                     ? writeInto(file, path, bytes)
                     : reasonFor(errno, path, file);
    } else {
        // The new text goes into a file beside path, which takes path's place only once all of it
        // is on the disk: a full disk leaves the old file as it was.
        QSaveFile file(path);
        file.setDirectWriteFallback(false);
        errno = 0;
        if (!file.open(QIODevice::WriteOnly))
            reason = reasonFor(errno, path, file);
        else if (reason = writeInto(file, path, bytes); reason.isEmpty()) {
            errno = 0;
            if (!file.commit())
                reason = reasonFor(errno != 0 ? errno : ENOSPC, path, file);
        }
    }
    if (reason.isEmpty())
        return {};
    return fileWriteError(path, reason);
}

} // namespace talvor::plainfile
