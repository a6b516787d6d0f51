// SPDX-License-Identifier: GPL-3.0-or-later
#include "logsaver.h"

#include "plainfile.h"
#include "writerthreads.h"

#include <atomic>
#include <mutex>

namespace talvor {

struct LogSaver::Job {
    std::mutex mutex;
    bool done = false; // guarded by mutex, as result is
    FileStatus result;
    std::atomic<qint64> unwritten;
};

void LogSaver::save(const QString &path, QByteArray bytes)
{
    auto job = std::make_shared<Job>();
    job->unwritten = bytes.size();
    m_jobs.push_back(job);
    writerthreads::start(
        [job, path, bytes = std::move(bytes)] {
            FileStatus result = plainfile::saveWhole(path, bytes);
            job->unwritten = result ? bytes.size() : 0;
            const std::lock_guard lock(job->mutex);
            job->result = std::move(result);
            job->done = true;
        },
        [job] { return job->unwritten.load(); });
}

std::vector<FileWriteError> LogSaver::takeFailures()
{
    std::vector<FileWriteError> failures;
    std::erase_if(m_jobs, [&failures](const std::shared_ptr<Job> &job) {
        const std::lock_guard lock(job->mutex);
        if (job->done && job->result)
            failures.push_back(*job->result);
        return job->done;
    });
    return failures;
}

} // namespace talvor
