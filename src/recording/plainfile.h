// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "filewriteerror.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QFile>
#include <QString>

namespace talvor {

// The file calls under the recording and the saved log, run on their writer threads only. Each
// failure is named in German for the error line.
namespace plainfile {

// Opens path for appending, creating it where `create` says so; empty, or why it failed.
QString openForAppend(QFile &file, const QString &path, bool create);
// Writes all of bytes; empty, or why the write failed.
QString writeAll(QFile &file, QByteArrayView bytes);
// True when the regular file at path holds bytes and its last one is no line end.
bool endsInsideALine(const QString &path);
// Replaces the file at path with bytes as a whole, or leaves it as it was and fails. A path that
// is no regular file (a FIFO, a device) is written directly.
FileStatus saveWhole(const QString &path, const QByteArray &bytes);

} // namespace plainfile

} // namespace talvor
