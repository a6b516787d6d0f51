#pragma once

#include "filewriteerror.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace talvor {

// The system's file calls under the recording and the saved log, run on their writer threads only.
// Each failure is named in German for the error line.
namespace plainfile {

// Writes all of bytes, going on after a short write; 0, or the errno of the write that failed.
int writeAll(int fd, QByteArrayView bytes);
// What the error line says about a failed open or write of path.
QString failureReason(int error, const QString &path);
// True when the regular file at fd holds bytes and its last one is no line end.
bool endsInsideALine(int fd, const QString &path);
// Replaces the file at path with bytes as a whole, or leaves it as it was and fails. A path that
// is no regular file (a FIFO, a device) is written directly.
FileStatus saveWhole(const QString &path, const QByteArray &bytes);

} // namespace plainfile

} // namespace talvor
