// SPDX-License-Identifier: GPL-3.0-or-later
#include "reportdisplay.h"

#include "shape.h"

#include "hexformat.h"
#include "reportformat.h"

#include <QDateTime>
#include <QLabel>
#include <QLocale>
#include <QTime>

#include <array>

namespace talvor {

void resetDetectorTable(const Controls &c, ShownReports &shown)
{
    shown = {};
    for (int i = 1; i <= kDetectorCount; ++i) {
        c.lblDetektor[i]->setText(QString::number(i));
        c.lblAdresse[i]->setText({});
        setBackground(c.lblAdresse[i], kWhite);
        for (QLabel *label : {c.lblRaw[i], c.lblZeit[i], c.lblCV[i], c.lblRawCV[i], c.lblZeitCV[i]})
            label->setText({});
    }
    for (QLabel *label : {c.lblSysRaw, c.lblSW, c.lblHW, c.lblSN})
        label->setText({});
}

void showLineStates(const Controls &c, const LineStates &lines)
{
    c.Shape1->setFillStyle(lines.open ? Shape::Solid : Shape::Transparent);
    setBackground(c.lblRTS, lines.rts ? kGreen : kWhite);
    setBackground(c.lblCTS, lines.cts ? kGreen : kWhite);
    showIndicatorState(c.Shape1, lines.open);
    showIndicatorState(c.lblRTS, lines.rts);
    showIndicatorState(c.lblCTS, lines.cts);
}

namespace {

void showAddress(const Controls &c, const Report &report, const QString &time)
{
    const int d = report.detector;
    c.lblRaw[d]->setText(hexPairs(report.frame()));
    c.lblZeit[d]->setText(time);
    const AddressText address = addressText(report.address, report.directionFlag);
    c.lblAdresse[d]->setText(address.text);
    setBackground(c.lblAdresse[d], address.lightGreen ? kLightGreen : kWhite);
}

void showCv(const Controls &c, const Report &report, const QString &time)
{
    const int d = report.detector;
    c.lblRawCV[d]->setText(hexPairs(report.frame()));
    c.lblZeitCV[d]->setText(time);
    c.lblCV[d]->setText(QString::number(report.cv));
}

void showSystemInfo(const Controls &c, const Report &report)
{
    c.lblSysRaw->setText(hexPairs(report.frame()));
    c.lblSW->setText(versionText(report.softwareVersion));
    c.lblHW->setText(versionText(report.hardwareVersion));
    c.lblSN->setText(QString::number(report.serialNumber));
}

} // namespace

void showReports(const Controls &c, ShownReports &shown, std::span<const Report> reports)
{
    if (reports.empty())
        return;
    // Of several reports for the same cells in one run only the last stays visible, so only the
    // last is written: a device streaming reports costs one label update per cell and poll.
    std::array<const Report *, kDetectorCount + 1> address{};
    std::array<const Report *, kDetectorCount + 1> cv{};
    const Report *systemInfo = nullptr;
    for (const Report &report : reports) {
        switch (report.kind) {
        case ReportKind::Address:
            address[report.detector] = &report;
            break;
        case ReportKind::Cv:
            cv[report.detector] = &report;
            break;
        case ReportKind::SystemInfo:
            systemInfo = &report;
            break;
        }
    }
    // The time of day changes its text once a second; reading and formatting the local time on
    // every poll would cost more than the rest of the table.
    const qint64 second = QDateTime::currentMSecsSinceEpoch() / 1000;
    if (second != shown.second) {
        shown.second = second;
        shown.time = timeOfDayText(QTime::currentTime(), QLocale());
    }
    // A cell that shows this frame and this second's time already stays as it is.
    const auto changes = [&](ShownReports::Cells &cells, const Report &report) {
        if (cells.second == second && cells.frame == report.frame())
            return false;
        cells.second = second;
        cells.frame = report.frame().toByteArray();
        return true;
    };
    for (int d = 1; d <= kDetectorCount; ++d) {
        if (address[d] && changes(shown.address[size_t(d)], *address[d]))
            showAddress(c, *address[d], shown.time);
        if (cv[d] && changes(shown.cv[size_t(d)], *cv[d]))
            showCv(c, *cv[d], shown.time);
    }
    if (systemInfo && shown.systemInfo != systemInfo->frame()) {
        shown.systemInfo = systemInfo->frame().toByteArray();
        showSystemInfo(c, *systemInfo);
    }
}

} // namespace talvor
