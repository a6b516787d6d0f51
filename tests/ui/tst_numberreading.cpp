// SPDX-License-Identifier: GPL-3.0-or-later
#include "numberreading.h"
#include "sendbyte.h"

#include <QTest>

#include <cmath>
#include <limits>

using namespace talvor;

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

} // namespace

class TestNumberReading : public QObject {
    Q_OBJECT

private slots:
    void readings_data();
    void readings();
    void rounding_data();
    void rounding();
    void tagReadsBackAsItsByte();
    void tagFromElsewhere_data();
    void tagFromElsewhere();
};

// One row per text: its lenient value, the send button's Tag and the start of its caption (empty
// when the value does not fit 32 bits), and its reading as a stored setting (none when not
// accepted).
void TestNumberReading::readings_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("tag");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QVariant>("stored");

    const auto row = [](const char *name) -> QTestData & {
        return QTest::newRow(name);
    };
    using V = QVariant;
    const V none;
    const QString manyHexDigits = "&H" + QString(300, u'F');
    const QString longMantissa = "1" + QString(400, u'0') + "e-390";
    const QString endlessExponent = "1e99999999999999999999";
    // clang-format off
    row("start text")     << "0x60"          << 0.0           << "96"  << "0x60" << V(0);
    row("0x alone")       << "0x"            << 0.0           << "0"   << "0x00" << V(0);
    row("255")            << "255"           << 255.0         << "255" << "0xFF" << V(255);
    row("256")            << "256"           << 256.0         << "0"   << "0x00" << V(256);
    row("-1")             << "-1"            << -1.0          << "255" << "0xFF" << V(-1);
    row("0x1FF")          << "0x1FF"         << 0.0           << "255" << "0xFF" << V(0);
    row("10")             << "10"            << 10.0          << "10"  << "0x0A" << V(10);
    row("capital X")      << "0X60"          << 0.0           << "0"   << "0x00" << V(0);
    row("0x6G")           << "0x6G"          << 0.0           << "6"   << "0x06" << V(0);
    row("abc")            << "abc"           << 0.0           << "0"   << "0x00" << V(0);
    row("empty")          << ""              << 0.0           << "0"   << "0x00" << V(0);
    row("beyond 32 bits") << "99999999999"   << 99999999999.0 << ""    << ""     << none;
    row("beyond 16 bits") << "99999"         << 99999.0       << "159" << "0x9F" << none;
    row("blank inside")   << "1 2"           << 12.0          << "12"  << "0x0C" << V(12);
    row("tab, line feed") << " \t1\n2 "      << 12.0          << "12"  << "0x0C" << V(12);
    row("CR is no blank") << "1\r2"          << 1.0           << "1"   << "0x01" << V(1);
    row("blank after 0x") << "0x 60"         << 0.0           << "96"  << "0x60" << V(0);
    row("blank in 0x")    << "0 x60"         << 0.0           << "0"   << "0x00" << V(0);
    row("blanks in &H")   << "& H 1 F"       << 31.0          << "31"  << "0x1F" << V(31);
    row("exponent E")     << "1.5E2"         << 150.0         << "150" << "0x96" << V(150);
    row("exponent D")     << "1.5D2"         << 150.0         << "150" << "0x96" << V(150);
    row("exponent d-")    << "25d-1"         << 2.5           << "2"   << "0x02" << V(2);
    row("exponent e+")    << "1e+3"          << 1000.0        << "232" << "0xE8" << V(1000);
    row("blank exponent") << "1 e 2"         << 100.0         << "100" << "0x64" << V(100);
    row("bare exponent")  << "2e"            << 2.0           << "2"   << "0x02" << V(2);
    row("signed bare e")  << "2e-x"          << 2.0           << "2"   << "0x02" << V(2);
    row("plus sign")      << "+7"            << 7.0           << "7"   << "0x07" << V(7);
    row("two signs")      << "+-7"           << 0.0           << "0"   << "0x00" << V(0);
    row("sign before 0x") << "-0x10"         << 0.0           << "0"   << "0x00" << V(0);
    row("&h lower case")  << "&h1f"          << 31.0          << "31"  << "0x1F" << V(31);
    row("&H stored")      << "&H3"           << 3.0           << "3"   << "0x03" << V(3);
    row("&H no digits")   << "&H"            << 0.0           << "0"   << "0x00" << V(0);
    row("& alone")        << "&17"           << 0.0           << "0"   << "0x00" << V(0);
    row("&O17")           << "&O17"          << 15.0          << "15"  << "0x0F" << V(15);
    row("&o stops at 9")  << "&o19"          << 1.0           << "1"   << "0x01" << V(1);
    row("&H largest int") << "&H7FFFFFFF"    << 2147483647.0  << "255" << "0xFF" << none;
    row("&H 8 digits")    << "&HFFFFFFFF"    << 4294967295.0  << ""    << ""     << none;
    row("&H 9 digits")    << "&H123456789"   << 4886718345.0  << ""    << ""     << none;
    row("&H 300 digits")  << manyHexDigits   << kInf          << ""    << ""     << none;
    row("0x 9 digits")    << "0x100000060"   << 0.0           << ""    << ""     << V(0);
    row("point first")    << ".5"            << 0.5           << "0"   << "0x00" << V(0);
    row("point last")     << "5."            << 5.0           << "5"   << "0x05" << V(5);
    row("point alone")    << "."             << 0.0           << "0"   << "0x00" << V(0);
    row("two points")     << "1.2.3"         << 1.2           << "1"   << "0x01" << V(1);
    row("comma")          << "1,5"           << 1.0           << "1"   << "0x01" << V(1);
    row("2.5 to even")    << "2.5"           << 2.5           << "2"   << "0x02" << V(2);
    row("3.5 to even")    << "3.5"           << 3.5           << "4"   << "0x04" << V(4);
    row("96.5")           << "96.5"          << 96.5          << "96"  << "0x60" << V(96);
    row("97.5")           << "97.5"          << 97.5          << "98"  << "0x62" << V(98);
    row("-2.5")           << "-2.5"          << -2.5          << "254" << "0xFE" << V(-2);
    row("2.51")           << "2.51"          << 2.51          << "3"   << "0x03" << V(3);
    row("-32768")         << "-32768"        << -32768.0      << "0"   << "0x00" << V(-32768);
    row("32767")          << "32767"         << 32767.0       << "255" << "0xFF" << V(32767);
    row("32768")          << "32768"         << 32768.0       << "0"   << "0x00" << none;
    row("-32769")         << "-32769"        << -32769.0      << "255" << "0xFF" << none;
    row("32767.5")        << "32767.5"       << 32767.5       << "0"   << "0x00" << none;
    row("-32768.5")       << "-32768.5"      << -32768.5      << "0"   << "0x00" << V(-32768);
    row("int32 max")      << "2147483647"    << 2147483647.0  << "255" << "0xFF" << none;
    row("int32 max + 1")  << "2147483648"    << 2147483648.0  << ""    << ""     << none;
    row("int32 min")      << "-2147483648"   << -2147483648.0 << "0"   << "0x00" << none;
    row("int32 min - 1")  << "-2147483649"   << -2147483649.0 << ""    << ""     << none;
    row("past max")       << "2147483647.5"  << 2147483647.5  << ""    << ""     << none;
    row("huge exponent")  << "1e400"         << kInf          << ""    << ""     << none;
    row("huge negative")  << "-1D400"        << -kInf         << ""    << ""     << none;
    row("tiny exponent")  << "1e-400"        << 0.0           << "0"   << "0x00" << V(0);
    row("endless exp.")   << endlessExponent << kInf          << ""    << ""     << none;
    row("long mantissa")  << longMantissa    << 1e10          << ""    << ""     << none;
    row("zeros, big e")   << "0.000e99999"   << 0.0           << "0"   << "0x00" << V(0);
    row("trailing text")  << "12abc"         << 12.0          << "12"  << "0x0C" << V(12);
    row("non-ASCII")      << "5\u00C46"      << 5.0           << "5"   << "0x05" << V(5);
    row("wide digit")     << "\uFF15"        << 0.0           << "0"   << "0x00" << V(0);
    // clang-format on
}

void TestNumberReading::readings()
{
    QFETCH(QString, text);
    QFETCH(double, value);
    QFETCH(QString, tag);
    QFETCH(QString, caption);
    QFETCH(QVariant, stored);

    QCOMPARE(readLenientNumber(text), value);

    const auto send = sendByteFor(text);
    QCOMPARE(send.has_value(), !tag.isEmpty());
    if (send) {
        QCOMPARE(send->tag, tag);
        QCOMPARE(send->caption, caption + QStringLiteral(" senden"));
        QCOMPARE(int(send->value), tag.toInt());
    }

    const auto setting = readStoredNumber(text);
    QCOMPARE(setting.has_value(), stored.isValid());
    if (setting)
        QCOMPARE(int(*setting), stored.toInt());
}

void TestNumberReading::rounding_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QVariant>("rounded");

    const double nan = std::numeric_limits<double>::quiet_NaN();
    QTest::newRow("nan") << nan << QVariant();
    QTest::newRow("inf") << kInf << QVariant();
    QTest::newRow("-inf") << -kInf << QVariant();
    QTest::newRow("-0.5") << -0.5 << QVariant(0);
    QTest::newRow("-1.5") << -1.5 << QVariant(-2);
    QTest::newRow("0.49999999999999994") << 0.49999999999999994 << QVariant(0);
    QTest::newRow("min - 0.5 to even") << -2147483648.5 << QVariant(-2147483647 - 1);
    QTest::newRow("min - 0.6") << -2147483648.6 << QVariant();
    QTest::newRow("2^52 + 1") << 4503599627370497.0 << QVariant();
}

void TestNumberReading::rounding()
{
    QFETCH(double, value);
    QFETCH(QVariant, rounded);

    const auto result = roundToInt32(value);
    QCOMPARE(result.has_value(), rounded.isValid());
    if (result)
        QCOMPARE(*result, rounded.toInt());
}

void TestNumberReading::tagReadsBackAsItsByte()
{
    for (int byte = 0; byte <= 255; ++byte) {
        const auto send = sendByteFor(QString::number(byte));
        QVERIFY(send);
        QCOMPARE(int(sendByteValue(send->tag)), byte);
        const QString digits = QString::number(byte, 16).toUpper().rightJustified(2, u'0');
        QCOMPARE(send->caption, QStringLiteral("0x") + digits + QStringLiteral(" senden"));
    }
}

void TestNumberReading::tagFromElsewhere_data()
{
    QTest::addColumn<QString>("tag");
    QTest::addColumn<int>("byte");

    QTest::newRow("blank inside") << "9 6" << 96;
    QTest::newRow("not a number") << "abc" << 0;
    QTest::newRow("beyond a byte") << "256" << 0;
    QTest::newRow("negative") << "-1" << 255;
    QTest::newRow("beyond 32 bits") << "99999999999" << 0;
}

void TestNumberReading::tagFromElsewhere()
{
    QFETCH(QString, tag);
    QFETCH(int, byte);

    QCOMPARE(int(sendByteValue(tag)), byte);
}

QTEST_APPLESS_MAIN(TestNumberReading)
#include "tst_numberreading.moc"
