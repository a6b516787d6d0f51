// The lenient number reading on any text, read as UTF-8 and as UTF-16: no crash, no undefined
// behaviour, and every result within its range and consistent with the others.

#include "fuzzcheck.h"

#include "protocol/numberreading.h"
#include "protocol/sendbyte.h"

#include <QString>

#include <cmath>
#include <cstring>
#include <string>

using namespace talvor;

namespace {

void checkText(const QString &text)
{
    const double value = readLenientNumber(text);
    fuzz::check(!std::isnan(value), "a reading gave NaN");

    const auto rounded = roundToInt32(value);
    const bool inRange = value >= -2147483648.5 && value < 2147483647.5;
    fuzz::check(rounded.has_value() == inRange, "rounding accepted or refused wrongly");
    if (rounded)
        fuzz::check(std::fabs(*rounded - value) <= 0.5, "rounded further than half a unit");

    const auto stored = readStoredNumber(text);
    const bool fitsSetting = rounded && *rounded >= -32768 && *rounded <= 32767;
    fuzz::check(stored.has_value() == fitsSetting, "setting accepted or refused wrongly");
    if (stored)
        fuzz::check(*stored == *rounded, "setting differs from the rounded reading");

    if (const auto send = sendByteFor(text)) {
        fuzz::check(send->tag == QString::number(send->value), "tag is not the byte");
        const QString caption = QStringLiteral("0x") +
                                QString::number(send->value, 16).rightJustified(2, u'0').toUpper() +
                                QStringLiteral(" senden");
        fuzz::check(send->caption == caption, "caption " + send->caption.toUtf8());
        fuzz::check(sendByteValue(send->tag) == send->value, "tag does not read back");
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
