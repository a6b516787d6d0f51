// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "reportdecoder.h"
#include "reportmodel.h"

#include <QByteArray>

namespace talvor::test {

inline const QString kProgram = QStringLiteral("Talvor-Tester 1.0.1");
inline const QString kTime = QStringLiteral("14:03:27");

// A report of the bytes a unit sent, received at kTime on COM 3.
inline TestReport reportOf(const QByteArray &bytes)
{
    ReportDecoder decoder;
    decoder.append(bytes);
    ReportModel model;
    model.take(decoder.decode(), kTime);
    const ReportContext context{QDateTime(QDate(2026, 12, 8), QTime(14, 3, 27)), 3,
                                QStringLiteral("/dev/ttyUSB0")};
    return model.report(kProgram, context);
}

// The address reports of detectors first to last, each with address 0x100 + n and no flag.
inline QByteArray addressReports(int first, int last)
{
    QByteArray bytes;
    for (int n = first; n <= last; ++n)
        bytes += QByteArray::fromHex(QByteArray::number(0xFC, 16) +
                                     QByteArray::number(n, 16).rightJustified(2, '0') + "01" +
                                     QByteArray::number(n, 16).rightJustified(2, '0') + "FF");
    return bytes;
}

} // namespace talvor::test
