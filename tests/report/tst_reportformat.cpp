// SPDX-License-Identifier: GPL-3.0-or-later
#include "hexformat.h"
#include "reportdecoder.h"
#include "reportformat.h"

#include <QTest>

using namespace talvor;

class TestReportFormat : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void hexPairs_data();
    void hexPairs();
    void address_data();
    void address();
    void version_data();
    void version();
    void serialNumber_data();
    void serialNumber();
    void formatWithoutZone_data();
    void formatWithoutZone();
    void timeOfDay_data();
    void timeOfDay();
};

// A German default locale writes "2,3" where a locale-aware number slips in.
void TestReportFormat::initTestCase()
{
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
}

void TestReportFormat::hexPairs_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");

    QTest::newRow("none") << QByteArray() << "";
    QTest::newRow("leading zero") << QByteArray("\x0a", 1) << "0A";
    QTest::newRow("zero byte") << QByteArray(1, '\0') << "00";
    QTest::newRow("address report") << QByteArray("\xfc\x05\x80\x2a\xff") << "FC 05 80 2A FF";
}

void TestReportFormat::hexPairs()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);

    QCOMPARE(talvor::hexPairs(bytes), text);
}

void TestReportFormat::address_data()
{
    QTest::addColumn<int>("byte2");
    QTest::addColumn<int>("byte3");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("lightGreen");

    QTest::newRow("free") << 0x00 << 0x00 << "frei" << false;
    QTest::newRow("free, marker ignored") << 0x80 << 0x00 << "frei" << false;
    QTest::newRow("marker <") << 0x80 << 0x2A << "< 42" << true;
    QTest::newRow("marker >") << 0x01 << 0x00 << "> 256" << true;
    QTest::newRow("smallest") << 0x00 << 0x01 << "> 1" << true;
    QTest::newRow("unknown") << 0x77 << 0x77 << "unbek." << true;
    QTest::newRow("unknown, marker ignored") << 0xF7 << 0x77 << "unbek." << true;
    QTest::newRow("0x77 high only") << 0x77 << 0x76 << "> 30582" << true;
    QTest::newRow("0x77 low only") << 0x00 << 0x77 << "> 119" << true;
    QTest::newRow("largest") << 0x7F << 0xFF << "> 32767" << true;
    QTest::newRow("all bits set") << 0xFF << 0xFF << "< 32767" << true;
}

void TestReportFormat::address()
{
    QFETCH(int, byte2);
    QFETCH(int, byte3);
    QFETCH(QString, text);
    QFETCH(bool, lightGreen);

    const Report report(ReportKind::Address, 5,
                        QByteArray::fromHex("FC05") + char(byte2) + char(byte3) +
                            QByteArray::fromHex("FF"));
    const AddressText shown = addressText(report.address, report.directionFlag);
    QCOMPARE(shown.text, text);
    QCOMPARE(shown.lightGreen, lightGreen);
}

void TestReportFormat::version_data()
{
    QTest::addColumn<int>("byte");
    QTest::addColumn<QString>("text");

    QTest::newRow("0") << 0 << "0.0";
    QTest::newRow("5") << 5 << "0.5";
    QTest::newRow("11") << 11 << "1.1";
    QTest::newRow("23") << 23 << "2.3";
    QTest::newRow("100") << 100 << "10.0";
    QTest::newRow("255") << 255 << "25.5";
}

void TestReportFormat::version()
{
    QFETCH(int, byte);
    QFETCH(QString, text);

    QCOMPARE(versionText(quint8(byte)), text);
}

void TestReportFormat::serialNumber_data()
{
    QTest::addColumn<int>("high");
    QTest::addColumn<int>("low");
    QTest::addColumn<QString>("text");

    QTest::newRow("0") << 0x00 << 0x00 << "0";
    QTest::newRow("258") << 0x01 << 0x02 << "258";
    QTest::newRow("high bit set") << 0x81 << 0x00 << "33024";
    QTest::newRow("largest, no grouping") << 0xFF << 0xFF << "65535";
}

void TestReportFormat::serialNumber()
{
    QFETCH(int, high);
    QFETCH(int, low);
    QFETCH(QString, text);

    const Report report(ReportKind::SystemInfo, 0,
                        QByteArray::fromHex("FD") + char(high) + char(low) +
                            QByteArray::fromHex("170BFF"));
    QCOMPARE(QString::number(report.serialNumber), text);
}

// Long time formats as Qt's locales write them, and a few shapes they might take.
void TestReportFormat::formatWithoutZone_data()
{
    QTest::addColumn<QString>("format");
    QTest::addColumn<QString>("stripped");

    QTest::newRow("German") << "HH:mm:ss t"
                            << "HH:mm:ss";
    QTest::newRow("US") << "h:mm:ss AP t"
                        << "h:mm:ss AP";
    QTest::newRow("comma") << "h:mm:ss AP, t"
                           << "h:mm:ss AP";
    QTest::newRow("parentheses") << "HH:mm:ss (t)"
                                 << "HH:mm:ss";
    QTest::newRow("brackets") << "APh:mm:ss [t]"
                              << "APh:mm:ss";
    QTest::newRow("zone first") << "t HH:mm:ss"
                                << "HH:mm:ss";
    QTest::newRow("zone in the middle") << "HH:mm t ss"
                                        << "HH:mm ss";
    QTest::newRow("long zone names") << "HH:mm:ss tttt"
                                     << "HH:mm:ss";
    QTest::newRow("quoted t") << "'kl'. HH:mm:ss 'Uhr' t"
                              << "'kl'. HH:mm:ss 'Uhr'";
    QTest::newRow("quoted words") << "H-'a' 'horo' 'kaj' m:ss t"
                                  << "H-'a' 'horo' 'kaj' m:ss";
    QTest::newRow("escaped quote") << "HH 'o''clock' t"
                                   << "HH 'o''clock'";
    QTest::newRow("quoted point before zone") << "H:mm:ss 'ch'. t"
                                              << "H:mm:ss 'ch'.";
    QTest::newRow("no zone") << "HH:mm:ss"
                             << "HH:mm:ss";
}

void TestReportFormat::formatWithoutZone()
{
    QFETCH(QString, format);
    QFETCH(QString, stripped);

    QCOMPARE(timeFormatWithoutZone(format), stripped);
}

void TestReportFormat::timeOfDay_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QTime>("time");
    QTest::addColumn<QString>("text");

    const QLocale german(QLocale::German, QLocale::Germany);
    const QLocale us(QLocale::English, QLocale::UnitedStates);
    QTest::newRow("German afternoon") << german << QTime(14, 3, 27) << "14:03:27";
    QTest::newRow("German morning") << german << QTime(9, 5, 7) << "09:05:07";
    QTest::newRow("US afternoon") << us << QTime(14, 3, 27) << "2:03:27 PM";
    QTest::newRow("US morning") << us << QTime(9, 5, 7) << "9:05:07 AM";
    QTest::newRow("C") << QLocale::c() << QTime(14, 3, 27) << "14:03:27";
    QTest::newRow("Basque") << QLocale(QLocale::Basque, QLocale::Spain) << QTime(14, 3, 27)
                            << "14:03:27";
    QTest::newRow("Norwegian Nynorsk") << QLocale(QLocale::NorwegianNynorsk, QLocale::Norway)
                                       << QTime(14, 3, 27) << "kl. 14:03:27";
}

void TestReportFormat::timeOfDay()
{
    QFETCH(QLocale, locale);
    QFETCH(QTime, time);
    QFETCH(QString, text);

    QCOMPARE(timeOfDayText(time, locale), text);
}

QTEST_APPLESS_MAIN(TestReportFormat)
#include "tst_reportformat.moc"
