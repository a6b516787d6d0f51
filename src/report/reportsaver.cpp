// SPDX-License-Identifier: GPL-3.0-or-later
#include "reportsaver.h"

#include "writerthreads.h"

#include <QEventLoop>

#include <atomic>
#include <chrono>
#include <mutex>

namespace talvor {

namespace {

// How soon the end of a save reaches the window.
constexpr std::chrono::milliseconds kWatchInterval{100};

} // namespace

struct ReportSaver::Job {
    QString path;
    std::mutex mutex;
    bool done = false; // guarded by mutex, as result is
    std::optional<ErrorMessage> result;
    std::atomic<qint64> unwritten{0};
};

ReportSaver::ReportSaver(QObject *parent)
    : QObject(parent)
    , m_watch(this)
{
    m_watch.setInterval(kWatchInterval);
    connect(&m_watch, &QTimer::timeout, this, &ReportSaver::checkJobs);
}

ReportSaver::~ReportSaver() = default;

void ReportSaver::save(const QString &path, const TestReport &report, ReportFormat format)
{
    auto job = std::make_shared<Job>();
    job->path = path;
    m_jobs.push_back(job);
    writerthreads::start(
        [job, report, format] {
            // The PDF's text layout starts timers; an event loop gives this thread, which Qt
            // did not start, the dispatcher they need. It never runs: the timers have no work.
            const QEventLoop dispatcher;
            std::optional<ErrorMessage> result = saveReport(
                job->path, report, format, [job](qint64 size) { job->unwritten = size; });
            if (!result)
                job->unwritten = 0;
            const std::lock_guard lock(job->mutex);
            job->result = std::move(result);
            job->done = true;
        },
        [job] { return job->unwritten.load(); });
    m_watch.start();
}

void ReportSaver::checkJobs()
{
    std::vector<std::shared_ptr<Job>> ended;
    std::erase_if(m_jobs, [&ended](const std::shared_ptr<Job> &job) {
        const std::lock_guard lock(job->mutex);
        if (job->done)
            ended.push_back(job);
        return job->done;
    });
    if (m_jobs.empty())
        m_watch.stop();
    for (const std::shared_ptr<Job> &job : ended) {
        if (job->result)
            emit failed(*job->result);
        else
            emit saved(job->path);
    }
}

} // namespace talvor
