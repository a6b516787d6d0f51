// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "reportfile.h"

#include "errormessage.h"

#include <QObject>
#include <QTimer>

#include <memory>
#include <vector>

namespace talvor {

// Makes a report's file and writes it on a writer thread (see writerthreads.h), so that neither
// the PDF's layout nor a slow disk holds up the window: the file is written whole, or a file
// that was there stays as it was and failed() tells why.
class ReportSaver : public QObject {
    Q_OBJECT
public:
    explicit ReportSaver(QObject *parent = nullptr);
    ~ReportSaver() override;

    void save(const QString &path, const TestReport &report, ReportFormat format);
    bool busy() const { return !m_jobs.empty(); }

signals:
    void saved(const QString &path);
    void failed(const ErrorMessage &error);

private:
    struct Job;
    void checkJobs();

    std::vector<std::shared_ptr<Job>> m_jobs;
    QTimer m_watch;
};

} // namespace talvor
