// SPDX-License-Identifier: GPL-3.0-or-later
// The lenient number reading on any text, read as UTF-8 and as UTF-16: no crash, no undefined
// behaviour, and every result within its range and consistent with the others.

#include "fuzzcheck.h"

#include "numberreading.h"
#include "sendbyte.h"

#include <QString>

#include <cmath>
#include <cstring>
#include <string>

using namespace talvor;

namespace {

void checkText(const QString &text)
{
    const double value = readLenientNumber(text);
    if (std::isnan(value))
        fuzz::fail("a reading gave NaN");

    const auto rounded = roundToInt32(value);
    const bool inRange = value >= -2147483648.5 && value < 2147483647.5;
    if (rounded.has_value() != inRange)
        fuzz::fail("rounding accepted or refused wrongly");
    if (rounded && std::fabs(*rounded - value) > 0.5)
        fuzz::fail("rounded further than half a unit");

    const auto stored = readStoredNumber(text);
    const bool fitsSetting = rounded && *rounded >= -32768 && *rounded <= 32767;
    if (stored.has_value() != fitsSetting)
        fuzz::fail("setting accepted or refused wrongly");
    if (stored && *stored != *rounded)
        fuzz::fail("setting differs from the rounded reading");

    if (const auto send = sendByteFor(text)) {
        if (send->tag != QString::number(send->value))
            fuzz::fail("tag is not the byte");
        const QString caption = QStringLiteral("0x") +
                                QString::number(send->value, 16).rightJustified(2, u'0').toUpper() +
                                QStringLiteral(" senden");
        if (send->caption != caption)
            fuzz::fail("caption " + send->caption.toUtf8());
        if (sendByteValue(send->tag) != send->value)
            fuzz::fail("tag does not read back");
    }
    // Any text may stand in a Tag; reading it back must merely be defined.
    sendByteValue(text);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const unsigned char *data, size_t size)
{
    checkText(QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size)));
    std::u16string utf16(size / 2, u'\0');
    std::memcpy(utf16.data(), data, utf16.size() * 2);
    checkText(QString::fromUtf16(utf16.data(), qsizetype(utf16.size())));
    return 0;
}
