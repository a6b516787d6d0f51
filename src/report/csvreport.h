// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "testreport.h"

#include <QByteArray>
#include <QList>
#include <QStringList>

namespace talvor {

// The report for a spreadsheet: fields separated by ';', lines by CR LF, UTF-8 with a byte order
// mark so that a German Excel takes the umlauts and the separator as they are meant. The
// detector table starts at the line "Detektor;Adresse;...", one line per detector after it.
QByteArray csvReport(const TestReport &report);

// The lines of a CSV text as fields: quotes around a field and "" inside one are undone, a byte
// order mark at the start is skipped, and LF or CR LF end a line.
QList<QStringList> readCsv(const QByteArray &bytes);

} // namespace talvor
