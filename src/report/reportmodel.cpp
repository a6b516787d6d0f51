// SPDX-License-Identifier: GPL-3.0-or-later
#include "reportmodel.h"

#include "hexformat.h"
#include "reportformat.h"

namespace talvor {

void ReportModel::take(std::span<const Report> reports, const QString &time)
{
    for (const Report &report : reports) {
        switch (report.kind) {
        case ReportKind::Address: {
            DetectorLine &line = m_detectors.at(size_t(report.detector - 1));
            const AddressText address = addressText(report.address, report.directionFlag);
            line.address = address.text;
            line.lightGreen = address.lightGreen;
            line.addressFrame = hexPairs(report.frame());
            line.addressTime = time;
            break;
        }
        case ReportKind::Cv: {
            DetectorLine &line = m_detectors.at(size_t(report.detector - 1));
            line.cv = QString::number(report.cv);
            line.cvFrame = hexPairs(report.frame());
            line.cvTime = time;
            break;
        }
        case ReportKind::SystemInfo:
            m_system.serialNumber = QString::number(report.serialNumber);
            m_system.software = versionText(report.softwareVersion);
            m_system.hardware = versionText(report.hardwareVersion);
            m_system.frame = hexPairs(report.frame());
            break;
        }
    }
}

void ReportModel::clear()
{
    m_detectors = {};
    m_system = {};
}

TestReport ReportModel::report(const QString &program, const ReportContext &context) const
{
    TestReport report;
    report.program = program;
    report.context = context;
    report.system = m_system;
    report.detectors = m_detectors;
    return report;
}

} // namespace talvor
