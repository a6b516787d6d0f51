// SPDX-License-Identifier: GPL-3.0-or-later
#include "reportformat.h"

#include "talvorprotocol.h"

namespace talvor {

namespace {

// What stands around a zone field only for its sake: "HH:mm:ss (t)", "h:mm:ss AP, t", "t HH:mm:ss".
bool isDecorationBeforeZone(QChar c)
{
    return c == u' ' || c == u',' || c == u'(' || c == u'[';
}

bool isDecorationAfterZone(QChar c)
{
    return c == u' ' || c == u',' || c == u')' || c == u']';
}

// Copies a quoted literal, quotes included, so that letters inside it are not taken for fields.
qsizetype copyQuoted(const QString &format, qsizetype pos, QString &out)
{
    const qsizetype close = format.indexOf(u'\'', pos + 1);
    const qsizetype end = close < 0 ? format.size() : close + 1;
    out += QStringView(format).sliced(pos, end - pos);
    return end;
}

// Skips a zone field and its decoration; returns the position behind them.
qsizetype dropZone(const QString &format, qsizetype pos, QString &out)
{
    while (pos < format.size() && format[pos] == u't')
        ++pos;
    while (pos < format.size() && isDecorationAfterZone(format[pos]))
        ++pos;
    while (!out.isEmpty() && isDecorationBeforeZone(out.back()))
        out.chop(1);
    if (!out.isEmpty() && pos < format.size())
        out += u' ';
    return pos;
}

} // namespace

AddressText addressText(int address, bool directionFlag)
{
    if (address == 0)
        return {QStringLiteral("frei"), false};
    if (address == kUnknownAddress)
        return {QStringLiteral("unbek."), true};
    const QString marker = directionFlag ? QStringLiteral("< ") : QStringLiteral("> ");
    return {marker + QString::number(address), true};
}

QString versionText(quint8 byte)
{
    return QString::number(byte / 10) + u'.' + QString::number(byte % 10);
}

QString timeFormatWithoutZone(const QString &format)
{
    QString out;
    qsizetype pos = 0;
    while (pos < format.size()) {
        if (format[pos] == u'\'')
            pos = copyQuoted(format, pos, out);
        else if (format[pos] == u't')
            pos = dropZone(format, pos, out);
        else
            out += format[pos++];
    }
    return out;
}

QString timeOfDayText(QTime time, const QLocale &locale)
{
    return locale.toString(time, timeFormatWithoutZone(locale.timeFormat(QLocale::LongFormat)));
}

} // namespace talvor
