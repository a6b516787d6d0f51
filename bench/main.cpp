// SPDX-License-Identifier: GPL-3.0-or-later
// talvor-bench: the cost of the receive poll on the real window, against the literal way of doing
// it; with --peak-memory [MB], the peak memory after feeding that much (default 500 MB) instead;
// with --big-ticks MB frames|noise, the peak memory of ticks that bring that much at once; with
// --accessible-log, how fast the log's accessibility interface answers on a full log.

#include "accessiblelog.h"
#include "benchmarks.h"
#include "benchwindow.h"
#include "memoryrun.h"

#include <QApplication>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstring>
#include <string>

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // The window's settings store stays out of the user's own.
    const QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    QApplication app(argc, argv);
    talvor::bench::BenchWindow window;

    if (argc >= 2 && std::strcmp(argv[1], "--peak-memory") == 0) {
        const long long megabytes = argc >= 3 ? std::stoll(argv[2]) : 500;
        return talvor::bench::runPeakMemory(window, megabytes) ? 0 : 1;
    }
    if (argc >= 4 && std::strcmp(argv[1], "--big-ticks") == 0) {
        const bool noise = std::strcmp(argv[3], "noise") == 0;
        return talvor::bench::runBigTicks(window, std::stoll(argv[2]), noise) ? 0 : 1;
    }
    if (argc >= 2 && std::strcmp(argv[1], "--accessible-log") == 0)
        return talvor::bench::runAccessibleLog(window) ? 0 : 1;
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 2;
    talvor::bench::registerBenchmarks(window);
    return talvor::bench::runBenchmarks() ? 0 : 1;
}
