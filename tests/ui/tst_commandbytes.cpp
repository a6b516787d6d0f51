// SPDX-License-Identifier: GPL-3.0-or-later
#include "commandbytes.h"

#include <QTest>

using namespace talvor;

class TestCommandBytes : public QObject {
    Q_OBJECT

private slots:
    void initButtons_data();
    void initButtons();
    void programButton_data();
    void programButton();
    void sysInfo();
};

void TestCommandBytes::initButtons_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("byte");

    QTest::newRow("initialise") << 0 << 0x20;
    QTest::newRow("request detector 1") << 1 << 0x41;
    QTest::newRow("request detector 10") << 10 << 0x4A;
    QTest::newRow("request detector 24") << 24 << 0x58;
}

void TestCommandBytes::initButtons()
{
    QFETCH(int, index);
    QFETCH(int, byte);

    QCOMPARE(int(initCommandByte(index)), byte);
}

void TestCommandBytes::programButton_data()
{
    QTest::addColumn<int>("listPosition");
    QTest::addColumn<int>("byte");

    QTest::newRow("Detektor 1") << 0 << 0x81;
    QTest::newRow("Detektor 16") << 15 << 0x90;
    QTest::newRow("Detektor 24") << 23 << 0x98;
}

void TestCommandBytes::programButton()
{
    QFETCH(int, listPosition);
    QFETCH(int, byte);

    QCOMPARE(int(programCommandByte(listPosition)), byte);
}

void TestCommandBytes::sysInfo()
{
    QCOMPARE(int(kSysInfoCommand), 0x60);
}

QTEST_APPLESS_MAIN(TestCommandBytes)
#include "tst_commandbytes.moc"
