// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace talvor {

// Appends the bytes as upper-case hex pairs separated by one blank: FC 05 80 2A FF.
void appendHexPairs(QByteArray &out, QByteArrayView bytes);

// The same as text, as the window shows a report's frame.
QString hexPairs(QByteArrayView bytes);

} // namespace talvor
