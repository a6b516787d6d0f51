// SPDX-License-Identifier: GPL-3.0-or-later
// The real program's answers to --help and --version, and its end without a display: what it
// writes on standard output and standard error, and its exit status.
#include <QProcess>
#include <QRegularExpression>
#include <QTest>

class TestCommandLine : public QObject {
    Q_OBJECT

private slots:
    void answersWithoutWindow_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("platform"); // QT_QPA_PLATFORM; empty: Qt's own choice
        QTest::addColumn<QString>("display");  // DISPLAY; empty: none
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("output"); // how standard output starts
        QTest::addColumn<QString>("errors"); // how standard error starts

        const QString usage = "Usage: talvor-tester [/NOPORTLIMIT]\n";
        const QString version = "Talvor-Tester 1.0.1\nCopyright (C) 2026 Talvor-Tester project\n"
                                "License GPLv3+: GNU GPL version 3 or later";
        const QString noDisplay = "talvor-tester: Keine grafische Anzeige erreichbar (";
        QTest::newRow("help") << QStringList{"--help"} << ""
                              << "" << 0 << usage << "";
        QTest::newRow("short help") << QStringList{"-h"} << ""
                                    << "" << 0 << usage << "";
        QTest::newRow("help after the switch") << QStringList{"/NOPORTLIMIT", "--help"} << ""
                                               << "" << 0 << usage << "";
        QTest::newRow("version") << QStringList{"--version"} << ""
                                 << "" << 0 << version << "";
        QTest::newRow("first of both") << QStringList{"--version", "--help"} << "offscreen"
                                       << "" << 0 << version << "";
        QTest::newRow("no display") << QStringList{} << ""
                                    << "" << 1 << "" << noDisplay;
        QTest::newRow("display that does not answer") << QStringList{"/NOPORTLIMIT"} << "xcb"
                                                      << ":1999" << 1 << "" << noDisplay;
        QTest::newRow("check needs no display")
            << QStringList{"--check", "1", "--expect", "/nirgends/gut.csv"} << "xcb"
            << ":1999" << 2 << ""
            << "talvor-tester: /nirgends/gut.csv kann nicht gelesen werden";
        QTest::newRow("no Wayland") << QStringList{} << "wayland"
                                    << "" << 1 << "" << noDisplay;
    }

    void answersWithoutWindow()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, platform);
        QFETCH(QString, display);
        QFETCH(int, status);
        QFETCH(QString, output);
        QFETCH(QString, errors);
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char *name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
            environment.remove(name);
        if (!platform.isEmpty())
            environment.insert("QT_QPA_PLATFORM", platform);
        if (!display.isEmpty())
            environment.insert("DISPLAY", display);
        QProcess program;
        program.setProcessEnvironment(environment);
        program.start(TALVOR_TESTER, arguments);
        QVERIFY(program.waitForFinished(10000));
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), status);
        const QString out = QString::fromUtf8(program.readAllStandardOutput());
        QString err = QString::fromUtf8(program.readAllStandardError());
        // Qt's note where a session has no runtime folder (root in a container) says nothing here.
        err.remove(QRegularExpression("^QStandardPaths: XDG_RUNTIME_DIR not set[^\n]*\n"));
        QVERIFY2(output.isEmpty() ? out.isEmpty() : out.startsWith(output), qPrintable(out));
        QVERIFY2(errors.isEmpty() ? err.isEmpty() : err.startsWith(errors), qPrintable(err));
    }
};

QTEST_GUILESS_MAIN(TestCommandLine)
#include "tst_commandline.moc"
