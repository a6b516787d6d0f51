// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLocale>
#include <QString>
#include <QTime>
#include <QtGlobal>

namespace talvor {

// The text of lblAdresse for an address report, and whether its background is light green (true)
// or white (false, only for "frei").
struct AddressText {
    QString text;
    bool lightGreen = false;
};

AddressText addressText(int address, bool directionFlag);

// A version byte (the version times ten) with one decimal and always "." as separator: 23 gives
// "2.3".
QString versionText(quint8 byte);

// A time format without its time-zone fields ("t") and the blanks, commas and brackets that
// belong to them. Qt 6 puts the zone into the long time format ("HH:mm:ss t"); the time of a
// report is shown without it.
QString timeFormatWithoutZone(const QString &format);

// The time of day as the locale's long time format writes it, without the time zone.
QString timeOfDayText(QTime time, const QLocale &locale);

} // namespace talvor
