// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>

class QSocketNotifier;

namespace talvor {

// SIGTERM, SIGINT and SIGHUP (the system stopping the program, Ctrl-C in the terminal that started
// it, a logout or a closed terminal) would end the process at once: the chosen port not
// remembered, the port not closed. While this object lives they arrive as `received` on the event
// loop instead, so that the program can end the way closing its window does. A second signal
// before the first was handled ends the process at once, so a program that no longer answers can
// still be stopped. On systems without these signals it never emits.
class QuitSignals : public QObject {
    Q_OBJECT

public:
    explicit QuitSignals(QObject *parent = nullptr);
    ~QuitSignals() override;

signals:
    void received();

private:
#ifdef Q_OS_UNIX
    void takeSignal();

    QSocketNotifier *m_notifier = nullptr;
#endif
};

} // namespace talvor
