// SPDX-License-Identifier: GPL-3.0-or-later
#include "simoptions.h"

#include <QRegularExpression>
#include <QTest>

using namespace talvor::sim;

Q_DECLARE_METATYPE(SimOptions)

namespace {

ParsedOptions parse(const QStringList &arguments)
{
    std::vector<std::string> list;
    for (const QString &argument : arguments)
        list.push_back(argument.toStdString());
    return parseOptions(list);
}

template <typename Change> SimOptions defaultsWith(Change change)
{
    SimOptions options;
    change(options);
    return options;
}

} // namespace

class TestSimOptions : public QObject {
    Q_OBJECT

private slots:
    void acceptsValidLines_data();
    void acceptsValidLines();
    void rejectsWrongLines_data();
    void rejectsWrongLines();
    void helpNamesEveryOption();
};

void TestSimOptions::acceptsValidLines_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<SimOptions>("expected");

    QTest::newRow("nothing") << QStringList{} << SimOptions{};
    QTest::newRow("seed") << QStringList{"--seed", "42"}
                          << defaultsWith([](SimOptions &o) { o.seed = 42; });
    QTest::newRow("seed 0 after =")
        << QStringList{"--seed=0"} << defaultsWith([](SimOptions &o) { o.seed = 0; });
    QTest::newRow("largest seed") << QStringList{"--seed", "18446744073709551615"}
                                  << defaultsWith([](SimOptions &o) { o.seed = ~0ULL; });
    QTest::newRow("last seed counts") << QStringList{"--seed", "1", "--seed", "2"}
                                      << defaultsWith([](SimOptions &o) { o.seed = 2; });
    QTest::newRow("noise without level")
        << QStringList{"--noise"}
        << defaultsWith([](SimOptions &o) { o.noiseLevel = kDefaultNoiseLevel; });
    QTest::newRow("noise level next")
        << QStringList{"--noise", "0.5"} << defaultsWith([](SimOptions &o) { o.noiseLevel = 0.5; });
    QTest::newRow("noise level after =")
        << QStringList{"--noise=1"} << defaultsWith([](SimOptions &o) { o.noiseLevel = 1; });
    QTest::newRow("noise before an option")
        << QStringList{"--noise", "--split"} << defaultsWith([](SimOptions &o) {
               o.noiseLevel = kDefaultNoiseLevel;
               o.split = true;
           });
    QTest::newRow("split with pause")
        << QStringList{"--split", "--split-pause", "5"} << defaultsWith([](SimOptions &o) {
               o.split = true;
               o.splitPause = std::chrono::milliseconds(5);
           });
    QTest::newRow("unsolicited") << QStringList{"--unsolicited", "2.5"}
                                 << defaultsWith([](SimOptions &o) { o.unsolicitedRate = 2.5; });
    QTest::newRow("stream with total")
        << QStringList{"--stream", "1920", "--total=100000"} << defaultsWith([](SimOptions &o) {
               o.streamRate = 1920;
               o.streamTotal = 100000;
           });
    QTest::newRow("changing stream in batches")
        << QStringList{"--stream", "1920", "--changing", "--latency=16"}
        << defaultsWith([](SimOptions &o) {
               o.streamRate = 1920;
               o.streamChanging = true;
               o.latency = std::chrono::milliseconds(16);
           });
    QTest::newRow("link, record, quiet")
        << QStringList{"--link", "/tmp/ttyTalvor", "--record=/tmp/sent.bin", "-q"}
        << defaultsWith([](SimOptions &o) {
               o.linkPath = "/tmp/ttyTalvor";
               o.recordPath = "/tmp/sent.bin";
               o.quiet = true;
           });
    QTest::newRow("replay looped at double speed")
        << QStringList{"--replay", "rec.txt", "--speed=2", "--loop"}
        << defaultsWith([](SimOptions &o) {
               o.replayPath = "rec.txt";
               o.replaySpeed = 2;
               o.replayLoop = true;
           });
    QTest::newRow("replay without timing")
        << QStringList{"--no-timing", "--replay=rec.txt"} << defaultsWith([](SimOptions &o) {
               o.replayPath = "rec.txt";
               o.replayNoTiming = true;
           });
    QTest::newRow("silent detectors, list and range")
        << QStringList{"--silent", "3,7-9", "--silent=24"} << defaultsWith([](SimOptions &o) {
               o.faults.silent = {3, 7, 8, 9, 24};
           });
    QTest::newRow("addresses and CV values")
        << QStringList{"--address", "5=1234", "--address=6=0", "--cv", "24=255"}
        << defaultsWith([](SimOptions &o) {
               o.faults.addresses = {{5, 1234}, {6, 0}};
               o.faults.cvValues = {{24, 255}};
           });
    QTest::newRow("short help") << QStringList{"-h"}
                                << defaultsWith([](SimOptions &o) { o.help = true; });
    QTest::newRow("version") << QStringList{"--version"}
                             << defaultsWith([](SimOptions &o) { o.version = true; });
}

void TestSimOptions::acceptsValidLines()
{
    QFETCH(QStringList, arguments);
    QFETCH(SimOptions, expected);
    const ParsedOptions parsed = parse(arguments);
    QVERIFY2(parsed.options.has_value(), parsed.error.c_str());
    QVERIFY(*parsed.options == expected);
}

void TestSimOptions::rejectsWrongLines_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("error");

    QTest::newRow("unknown option") << QStringList{"--bogus"} << "unknown option: --bogus";
    QTest::newRow("changing without stream")
        << QStringList{"--changing"} << "--changing needs --stream";
    QTest::newRow("latency 0") << QStringList{"--latency", "0"}
                               << "--latency: expected milliseconds from 1 to 1000, got \"0\"";
    QTest::newRow("stray argument") << QStringList{"extra"} << "unexpected argument: extra";
    QTest::newRow("missing value") << QStringList{"--seed"} << "missing value for --seed";
    QTest::newRow("seed not a number") << QStringList{"--seed", "x"} << "--seed: expected";
    QTest::newRow("seed negative") << QStringList{"--seed", "-1"} << "--seed: expected";
    QTest::newRow("seed too large")
        << QStringList{"--seed", "18446744073709551616"} << "--seed: expected";
    QTest::newRow("seed with trailing text") << QStringList{"--seed=12ab"} << "--seed: expected";
    QTest::newRow("noise above 1") << QStringList{"--noise=1.5"} << "--noise: expected";
    QTest::newRow("noise not a number") << QStringList{"--noise=nan"} << "--noise: expected";
    QTest::newRow("noise word next") << QStringList{"--noise", "lots"} << "--noise: expected";
    QTest::newRow("flag with value") << QStringList{"--split=1"} << "--split takes no value";
    QTest::newRow("pause 0") << QStringList{"--split", "--split-pause", "0"}
                             << "--split-pause: expected";
    QTest::newRow("pause too long")
        << QStringList{"--split", "--split-pause", "10001"} << "--split-pause: expected";
    QTest::newRow("pause without split")
        << QStringList{"--split-pause", "5"} << "--split-pause needs --split";
    QTest::newRow("unsolicited 0")
        << QStringList{"--unsolicited", "0"} << "--unsolicited: expected";
    QTest::newRow("stream 0") << QStringList{"--stream", "0"} << "--stream: expected";
    QTest::newRow("total 0") << QStringList{"--stream", "10", "--total", "0"}
                             << "--total: expected";
    QTest::newRow("total without stream")
        << QStringList{"--total", "10"} << "--total needs --stream";
    QTest::newRow("empty link") << QStringList{"--link="} << "--link: expected a path";
    QTest::newRow("speed 0") << QStringList{"--replay", "r", "--speed", "0"} << "--speed: expected";
    QTest::newRow("loop without replay") << QStringList{"--loop"} << "--loop needs --replay";
    QTest::newRow("speed and no timing")
        << QStringList{"--replay", "r", "--speed", "2", "--no-timing"}
        << "--speed and --no-timing exclude each other";
    QTest::newRow("silent detector 0") << QStringList{"--silent", "0"} << "--silent: expected";
    QTest::newRow("silent detector 25") << QStringList{"--silent", "25"} << "--silent: expected";
    QTest::newRow("silent range backwards")
        << QStringList{"--silent", "9-7"} << "--silent: expected";
    QTest::newRow("silent list ends in a comma")
        << QStringList{"--silent", "3,"} << "--silent: expected";
    QTest::newRow("silent empty") << QStringList{"--silent="} << "--silent: expected";
    QTest::newRow("address without detector")
        << QStringList{"--address", "1234"} << "--address: expected DETECTOR=ADDRESS";
    QTest::newRow("address too large")
        << QStringList{"--address", "5=32768"} << "--address: expected";
    QTest::newRow("CV too large") << QStringList{"--cv", "5=256"} << "--cv: expected";
    QTest::newRow("CV of detector 25") << QStringList{"--cv", "25=1"} << "--cv: expected";
    QTest::newRow("replay of a faulty unit")
        << QStringList{"--replay", "r", "--silent", "3"}
        << "--replay sends the recording as it is and takes no --silent";
    QTest::newRow("replay with noise")
        << QStringList{"--replay", "r", "--noise"}
        << "--replay sends the recording as it is and takes no --noise";
}

void TestSimOptions::rejectsWrongLines()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, error);
    const ParsedOptions parsed = parse(arguments);
    QVERIFY(!parsed.options.has_value());
    QVERIFY2(QString::fromStdString(parsed.error).startsWith(error), parsed.error.c_str());
}

// Every option the help names is one the parser knows, and the other way round.
void TestSimOptions::helpNamesEveryOption()
{
    const QString help = QString::fromStdString(helpText());
    QStringList named;
    static const QRegularExpression option("(?<![\\w-])--[a-z][a-z-]*");
    for (auto it = option.globalMatch(help); it.hasNext();)
        named << it.next().captured();
    named.removeDuplicates();
    for (const QString &name : named) {
        const ParsedOptions parsed = parse({name});
        QVERIFY2(!QString::fromStdString(parsed.error).startsWith("unknown option"),
                 qPrintable(name));
    }
    named.sort();
    QCOMPARE(named,
             (QStringList{"--address", "--changing",    "--cv",        "--help",   "--latency",
                          "--link",    "--loop",        "--no-timing", "--noise",  "--quiet",
                          "--record",  "--replay",      "--seed",      "--silent", "--speed",
                          "--split",   "--split-pause", "--stream",    "--total",  "--unsolicited",
                          "--version"}));
}

QTEST_GUILESS_MAIN(TestSimOptions)
#include "tst_simoptions.moc"
