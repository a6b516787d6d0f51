// SPDX-License-Identifier: GPL-3.0-or-later
#include "jsonreport.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace talvor {

namespace {

QJsonValue textOrNull(const QString &text)
{
    return text.isEmpty() ? QJsonValue() : QJsonValue(text);
}

QJsonObject systemObject(const SystemLine &system)
{
    return {{QStringLiteral("serialNumber"), textOrNull(system.serialNumber)},
            {QStringLiteral("hardwareVersion"), textOrNull(system.hardware)},
            {QStringLiteral("softwareVersion"), textOrNull(system.software)},
            {QStringLiteral("frame"), textOrNull(system.frame)}};
}

QJsonObject detectorObject(int number, const DetectorLine &line)
{
    return {{QStringLiteral("detector"), number},
            {QStringLiteral("answered"), line.answered()},
            {QStringLiteral("address"), textOrNull(line.address)},
            {QStringLiteral("addressFrame"), textOrNull(line.addressFrame)},
            {QStringLiteral("addressTime"), textOrNull(line.addressTime)},
            {QStringLiteral("cv"), line.cv.isEmpty() ? QJsonValue() : QJsonValue(line.cv.toInt())},
            {QStringLiteral("cvFrame"), textOrNull(line.cvFrame)},
            {QStringLiteral("cvTime"), textOrNull(line.cvTime)}};
}

} // namespace

QByteArray jsonReport(const TestReport &report)
{
    QJsonArray detectors;
    for (int n = 1; n <= kDetectorCount; ++n)
        detectors.append(detectorObject(n, report.detectors[size_t(n - 1)]));
    QJsonObject root{
        {QStringLiteral("program"), report.program},
        {QStringLiteral("created"), report.context.created.toString(Qt::ISODate)},
        {QStringLiteral("port"), reporttext::portText(report.context.port)},
        {QStringLiteral("device"), report.context.device},
        {QStringLiteral("system"), systemObject(report.system)},
        {QStringLiteral("answered"), report.answeredCount()},
        {QStringLiteral("detectors"), detectors},
    };
    if (report.verdict)
        root.insert(QStringLiteral("check"),
                    QJsonObject{{QStringLiteral("passed"), report.verdict->passed},
                                {QStringLiteral("findings"),
                                 QJsonArray::fromStringList(report.verdict->findings)}});
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

} // namespace talvor
