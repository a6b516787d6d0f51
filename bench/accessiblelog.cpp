// SPDX-License-Identifier: GPL-3.0-or-later
#include "accessiblelog.h"

#include "benchwindow.h"
#include "controls.h"
#include "mainwindow.h"
#include "traffic.h"
#include "trafficlog.h"
#include "trafficlogview.h"

#include <QAccessible>
#include <QtGui/private/qguiapplication_p.h>
#include <QtGui/qpa/qplatformaccessibility.h>
#include <QtGui/qpa/qplatformintegration.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>

namespace talvor::bench {

namespace {

constexpr qsizetype kFullLog = 16 * 1024 * 1024;
constexpr double kMostMilliseconds = 100;
constexpr int kRepeats = 20;

void setScreenReader(bool active)
{
    QGuiApplicationPrivate::platformIntegration()->accessibility()->setActive(active);
}

// Lines of 56 pairs, so that the log's byte bound cuts before its line bound.
QByteArray longFrames(qsizetype size)
{
    QByteArray line = QByteArray(1, '\xFC') + QByteArray(54, '\x11') + '\xFF';
    return line.repeated(size / line.size() + 1);
}

double slowestMilliseconds(const std::function<void()> &answer)
{
    double slowest = 0;
    for (int i = 0; i < kRepeats; ++i) {
        const auto start = std::chrono::steady_clock::now();
        answer();
        const std::chrono::duration<double, std::milli> took =
            std::chrono::steady_clock::now() - start;
        slowest = std::max(slowest, took.count());
    }
    return slowest;
}

bool measure(BenchWindow &w, const char *kind, const QByteArray &stream)
{
    w.window().resetDisplay();
    for (qsizetype fed = 0; fed < stream.size(); fed += 1 << 20)
        w.poll(stream.mid(fed, 1 << 20));
    w.repaint();
    TrafficLogView *view = w.window().controls().RichTextBox1;
    QAccessibleTextInterface *text = QAccessible::queryAccessibleInterface(view)->textInterface();
    const int count = text->characterCount();
    std::printf("\n%s: %d chars in %lld lines\n", kind, count, qlonglong(w.log().lineCount()));
    int start = 0;
    int end = 0;
    int sink = 0;
    const struct {
        const char *question;
        std::function<void()> answer;
    } questions[] = {
        {"characterCount",
         [&] {
             sink += text->characterCount();
         }},
        {"text of 4 KiB in the middle",
         [&] {
             sink += int(text->text(count / 2, count / 2 + 4096).size());
         }},
        {"line at the middle",
         [&] {
             sink +=
                 int(text->textAtOffset(count / 2, QAccessible::LineBoundary, &start, &end).size());
         }},
        {"line after the first",
         [&] {
             sink += int(text->textAfterOffset(0, QAccessible::LineBoundary, &start, &end).size());
         }},
        {"word before the end",
         [&] {
             sink +=
                 int(text->textBeforeOffset(count, QAccessible::WordBoundary, &start, &end).size());
         }},
        {"char at the end",
         [&] {
             sink +=
                 int(text->textAtOffset(count - 1, QAccessible::CharBoundary, &start, &end).size());
         }},
        {"select all and read the selection",
         [&] {
             text->setSelection(0, 0, count);
             text->selection(0, &start, &end);
             sink += end - start;
         }},
        {"the whole text (a copy, as Alles kopieren)",
         [&] {
             sink += int(text->text(0, count).size());
         }},
        {"a tick of 96 bytes with its change events",
         [&] {
             w.poll(frameStream(96, ++sink));
         }},
        {"the same without assistive technology",
         [&] {
             setScreenReader(false);
             w.poll(frameStream(96, ++sink));
             setScreenReader(true);
         }},
    };
    bool met = true;
    for (const auto &q : questions) {
        const double ms = slowestMilliseconds(q.answer);
        std::printf("  %-44s %9.3f ms\n", q.question, ms);
        met = met && ms < kMostMilliseconds;
    }
    return met && sink != 0;
}

} // namespace

bool runAccessibleLog(BenchWindow &window)
{
    setScreenReader(true);
    const bool met = measure(window, "full log of frames", longFrames(kFullLog / 3 + 4096)) &&
                     measure(window, "one line of noise", noiseStream(kFullLog / 3 + 4096));
    std::printf("\nevery answer under %.0f ms: %s\n", kMostMilliseconds, met ? "yes" : "NO");
    return met;
}

} // namespace talvor::bench
