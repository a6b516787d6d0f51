// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "trafficlog.h"

#include <QByteArray>
#include <QList>

// Frames numbered from first on; each one is a line of its own, "FC hh ll FF".
inline void appendFrames(talvor::TrafficLog &log, int first, int count)
{
    QByteArray bytes;
    for (int i = first; i < first + count; ++i)
        bytes += QByteArray("\xFC") + char(i >> 8) + char(i & 0xFF) + '\xFF';
    log.appendReceived(bytes);
}

// Steps on a log, separated by "|": "F n" n frames in one chunk, "N n" n bytes of noise, "M" a
// send marker, "C" a reset of the display. frames counts the frames so far.
inline void runSteps(talvor::TrafficLog &log, const QByteArray &steps, int &frames)
{
    for (const QByteArray &step : steps.split('|')) {
        const QList<QByteArray> words = step.trimmed().split(' ');
        if (words[0] == "F") {
            appendFrames(log, frames, words[1].toInt());
            frames += words[1].toInt();
        } else if (words[0] == "N") {
            log.appendReceived(QByteArray(words[1].toInt(), '\x11'));
        } else if (words[0] == "M") {
            log.appendMarker("0x60");
        } else {
            log.clear();
        }
    }
}
