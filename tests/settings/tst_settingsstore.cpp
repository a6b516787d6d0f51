// SPDX-License-Identifier: GPL-3.0-or-later
// The settings file as a user edits it by hand: what the store reads from each line, and what a
// write leaves of the file, byte for byte. Real files under this test's XDG_CONFIG_HOME.
#include "settingsstore.h"
#include "support/testsettings.h"

#include <QDir>
#include <QRegularExpression>
#include <QTest>

using namespace talvor;

namespace {

const QByteArray kLatin1Section = "[Ger\xe4t]\nName=Pr\xfc"
                                  "fstand\n";
// What a user may have around the program's own lines: comments, blank lines, a line before any
// section, sections and keys of any spelling, bytes that are not UTF-8.
const QByteArray kHandEdited = "# Pr\xfc"
                               "fplatz 3\n"
                               "lose Zeile ohne Abschnitt\n"
                               "\n"
                               "[Devices]\n"
                               "; der Adapter am Fenster\n"
                               "COM1 = /dev/ttyUSB0\n"
                               "COM2=\"/dev/serial/by-id/a, b\n"
                               "Schl\xfcssel mit Leerzeichen=1\n"
                               "a/b=%41\n"
                               "\n" +
                               kLatin1Section +
                               "\n"
                               "[Port]\n"
                               "RTSCTS=0\n"
                               "PortNumber=3";

} // namespace

class TestSettingsStore : public QObject {
    Q_OBJECT

    QTemporaryDir m_fallback;

private slots:
    void initTestCase() { test::isolateSettings(m_fallback); }
    void init() { test::clearSettings(); }

    void readsEachLineByItself_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("key"); // under [Devices]
        QTest::addColumn<int>("state");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("line");
        QTest::addColumn<int>("flaw");
        const int text = SettingsEntry::Text;
        const int unreadable = SettingsEntry::Unreadable;
        const int none = SettingsEntry::NoFlaw;
        const QByteArray section = "[Devices]\n";
        auto row = [&](const char *name, const QByteArray &line, int state, const QString &value,
                       int flaw) {
            QTest::newRow(name) << section + line + "\nCOM9=/dev/after\n"
                                << "COM2" << state << value << (state ? 2 : 0) << flaw;
        };
        // README's examples.
        row("README ttyUSB0", "COM2=/dev/ttyUSB0", text, "/dev/ttyUSB0", none);
        row("README by-id", "COM2=/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A1B2C3-if00-port0",
            text, "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A1B2C3-if00-port0", none);
        row("README quoted", "COM2=\"/dev/serial/by-id/a, b\"", text, "/dev/serial/by-id/a, b",
            none);
        row("README simulator link", "COM2=/tmp/talvor", text, "/tmp/talvor", none);
        // Plain characters in a value.
        row("semicolon", "COM2=/dev/x;y", text, "/dev/x;y", none);
        row("backslash", "COM2=/dev/x\\y", text, "/dev/x\\y", none);
        row("comma without quotes", "COM2=/dev/a, b", text, "/dev/a, b", none);
        row("blanks around", " \tCOM2 =  /dev/x \t", text, "/dev/x", none);
        row("blanks kept in quotes", "COM2=\" /dev/x \"", text, " /dev/x ", none);
        row("quote inside", "COM2=/dev/a\"b", text, "/dev/a\"b", none);
        row("empty", "COM2=", text, "", none);
        row("only blanks", "COM2=   ", text, "", none);
        row("empty quotes", "COM2=\"\"", text, "", none);
        row("CR LF", "COM2=/dev/x\r", text, "/dev/x", none);
        row("not UTF-8", "COM2=/dev/x\xff", SettingsEntry::NotText, "/dev/x\ufffd", none);
        // Hand-edited lines that cannot be read: never missing, never swallowing what follows.
        row("unclosed quote", "COM2=\"/dev/serial/by-id/a, b", unreadable,
            "\"/dev/serial/by-id/a, b", SettingsEntry::UnclosedQuote);
        row("lone quote", "COM2=\"", unreadable, "\"", SettingsEntry::UnclosedQuote);
        row("trailing backslash", "COM2=/dev/x\\", unreadable, "/dev/x\\",
            SettingsEntry::TrailingBackslash);
        row("@Invalid", "COM2=@Invalid()", unreadable, "@Invalid()", SettingsEntry::TypeMarker);
        row("@Variant", "COM2=@Variant(junk)", unreadable, "@Variant(junk)",
            SettingsEntry::TypeMarker);
        row("@DateTime", "COM2=@DateTime(junk)", unreadable, "@DateTime(junk)",
            SettingsEntry::TypeMarker);
        row("@Rect", "COM2=@Rect(1 2 3 4)", unreadable, "@Rect(1 2 3 4)",
            SettingsEntry::TypeMarker);
        row("twice", "COM2=/dev/a\nCOM2=/dev/b", unreadable, "/dev/a", SettingsEntry::Repeated);
        // Lines that are not the entry.
        row("comment", ";COM2=/dev/x", SettingsEntry::Missing, "", none);
        row("hash comment", "# COM2=/dev/x", SettingsEntry::Missing, "", none);
        row("other spelling", "com2=/dev/x", SettingsEntry::Missing, "", none);
        QTest::newRow("other section")
            << QByteArray("[Port]\nCOM2=/dev/x\n[Devices]\nCOM9=/dev/after\n") << "COM2"
            << int(SettingsEntry::Missing) << "" << 0 << none;
        QTest::newRow("after an unreadable line")
            << QByteArray("[Devices]\nCOM1=\"/dev/a\\\nCOM2=/dev/b\nCOM9=/dev/after\n") << "COM2"
            << text << "/dev/b" << 3 << none;
    }

    void readsEachLineByItself()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, key);
        QFETCH(int, state);
        QFETCH(QString, text);
        QFETCH(int, line);
        QFETCH(int, flaw);
        test::writeSettingsFile(file);
        const SettingsEntry entry = SettingsStore().readEntry(kDevicesSection, key);
        QCOMPARE(int(entry.state), state);
        QCOMPARE(entry.text, text);
        QCOMPARE(entry.line, line);
        QCOMPARE(int(entry.flaw), flaw);
        QCOMPARE(SettingsStore().readEntry(kDevicesSection, "COM9").text, QString("/dev/after"));
        QCOMPARE(test::settingsFileContents(), file);
    }

    // Every COMn example that README gives is a row of the table above.
    void readmeExamplesAreRead()
    {
        QFile readme(README_PATH);
        QVERIFY(readme.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(readme.readAll());
        // In an INI block at the start of a line, or in backticks.
        static const QRegularExpression example(QStringLiteral("(?:^|`)(COM\\d+=[^`\\s][^`\\n]*)"),
                                                QRegularExpression::MultilineOption);
        QStringList found;
        for (const QRegularExpressionMatch &match : example.globalMatch(text))
            found.append(match.captured(1));
        QVERIFY(found.size() >= 4);
        for (const QString &line : found) {
            test::writeSettingsFile("[Devices]\n" + line.toUtf8() + "\n");
            const QString key = line.section(QLatin1Char('='), 0, 0);
            const SettingsEntry entry = SettingsStore().readEntry(kDevicesSection, key);
            QVERIFY2(entry.state == SettingsEntry::Text, qPrintable(line));
            // As written: only the quotes around it are not part of the path.
            QString written = line.section(QLatin1Char('='), 1);
            if (written.startsWith(QLatin1Char('"')))
                written = written.mid(1, written.size() - 2);
            QCOMPARE(entry.text, written);
            // Written back by the program, it reads the same.
            QVERIFY(SettingsStore().writeText(kDevicesSection, key, entry.text + "x").ok());
            QVERIFY(SettingsStore().writeText(kDevicesSection, key, entry.text).ok());
            QCOMPARE(SettingsStore().readEntry(kDevicesSection, key).text, entry.text);
        }
    }

    void writeChangesOnlyItsLine_data()
    {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value"); // null: the entry is removed
        QTest::addColumn<QByteArray>("after");
        const QString removed;
        const QByteArray edited = kHandEdited;
        auto with = [&](const QByteArray &from, const QByteArray &to) {
            QByteArray result = edited;
            return result.replace(from, to);
        };
        QTest::newRow("no file yet") << QByteArray() << kPortSection << kRtsCtsKey << "1"
                                     << QByteArray("[Port]\nRTSCTS=1\n");
        QTest::newRow("hand-edited: RTSCTS")
            << edited << kPortSection << kRtsCtsKey << "1" << with("RTSCTS=0", "RTSCTS=1");
        QTest::newRow("hand-edited: PortNumber, last line without line break")
            << edited << kPortSection << kPortNumberKey << "12"
            << with("PortNumber=3", "PortNumber=12");
        QTest::newRow("hand-edited: COM1 keeps its blanks")
            << edited << kDevicesSection << "COM1"
            << "/dev/ttyACM0" << with("COM1 = /dev/ttyUSB0", "COM1 = /dev/ttyACM0");
        QTest::newRow("hand-edited: unreadable COM2 replaced")
            << edited << kDevicesSection << "COM2"
            << "/dev/b" << with("COM2=\"/dev/serial/by-id/a, b\n", "COM2=/dev/b\n");
        QTest::newRow("hand-edited: COM3 added after the last entry of its section")
            << edited << kDevicesSection << "COM3"
            << "/dev/c" << with("a/b=%41\n", "a/b=%41\nCOM3=/dev/c\n");
        QTest::newRow("hand-edited: COM1 removed")
            << edited << kDevicesSection << "COM1" << removed << with("COM1 = /dev/ttyUSB0\n", "");
        QTest::newRow("hand-edited: the same value again")
            << edited << kPortSection << kRtsCtsKey << "0" << edited;
        QTest::newRow("new section at the end")
            << QByteArray("[Port]\nRTSCTS=1") << kDevicesSection << "COM1"
            << "/dev/x" << QByteArray("[Port]\nRTSCTS=1\n\n[Devices]\nCOM1=/dev/x\n");
        QTest::newRow("CR LF kept")
            << QByteArray("[Port]\r\nRTSCTS=1\r\n") << kPortSection << kPortNumberKey << "2"
            << QByteArray("[Port]\r\nRTSCTS=1\r\nPortNumber=2\r\n");
        QTest::newRow("twice: the first set, the other gone")
            << QByteArray("[Devices]\nCOM1=/dev/a\n;x\nCOM1=/dev/b\n") << kDevicesSection << "COM1"
            << "/dev/c" << QByteArray("[Devices]\nCOM1=/dev/c\n;x\n");
        QTest::newRow("semicolon and backslash written as they are")
            << QByteArray() << kDevicesSection << "COM1"
            << "/dev/x;y\\z" << QByteArray("[Devices]\nCOM1=/dev/x;y\\z\n");
        QTest::newRow("quoted where the rules need it")
            << QByteArray() << kDevicesSection << "COM1"
            << " /dev/x\\" << QByteArray("[Devices]\nCOM1=\" /dev/x\\\"\n");
    }

    void writeChangesOnlyItsLine()
    {
        QFETCH(QByteArray, before);
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(QString, value);
        QFETCH(QByteArray, after);
        if (!before.isNull())
            test::writeSettingsFile(before);
        SettingsStore store;
        const SettingsWrite written =
            value.isNull() ? store.removeEntry(section, key) : store.writeText(section, key, value);
        QVERIFY(written.ok());
        QCOMPARE(test::settingsFileContents(), after);
        const SettingsEntry entry = store.readEntry(section, key);
        QCOMPARE(entry.state, value.isNull() ? SettingsEntry::Missing : SettingsEntry::Text);
        QCOMPARE(entry.text, value.isNull() ? QString() : value);
        // Nothing is left beside the file.
        QCOMPARE(QDir(QFileInfo(store.fileName()).path()).entryList(QDir::Files | QDir::Hidden),
                 QStringList("MOXT.conf"));
    }

    void valueThatNoLineHoldsIsRefused_data()
    {
        QTest::addColumn<QString>("value");
        QTest::newRow("line feed") << "/dev/a\n[Port]";
        QTest::newRow("carriage return") << "/dev/a\r";
        QTest::newRow("NUL") << QString("/dev/a") + QChar(0);
    }

    void valueThatNoLineHoldsIsRefused()
    {
        QFETCH(QString, value);
        test::writeSettingsFile(kHandEdited);
        const SettingsWrite written = SettingsStore().writeText(kDevicesSection, "COM1", value);
        QCOMPARE(written.failure, SettingsWrite::InvalidValue);
        QCOMPARE(test::settingsFileContents(), kHandEdited);
    }
};

QTEST_GUILESS_MAIN(TestSettingsStore)
#include "tst_settingsstore.moc"
