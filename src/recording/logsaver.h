// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "filewriteerror.h"

#include <QByteArray>
#include <QString>

#include <memory>
#include <vector>

namespace talvor {

// Saves the log into files on writer threads (see writerthreads.h): each file is written as a
// whole or left as it was, and the failures are collected for the window's thread to show.
class LogSaver {
public:
    void save(const QString &path, QByteArray bytes);
    // The failures of the saves that ended since the last call, oldest first.
    std::vector<FileWriteError> takeFailures();
    bool busy() const { return !m_jobs.empty(); }

private:
    struct Job;
    std::vector<std::shared_ptr<Job>> m_jobs;
};

} // namespace talvor
