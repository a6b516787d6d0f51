// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "testsettings.h"

#include <QProcess>
#include <QStringList>

namespace talvor::test {

// Starts talvor-sim with `arguments` and points COM 1 at the device path it prints first.
inline void startSimulatorOnCom1(QProcess &sim, const QString &program,
                                 const QStringList &arguments)
{
    sim.start(program, QStringList{"--quiet"} + arguments);
    if (!sim.waitForStarted(5000))
        qFatal("talvor-sim did not start");
    while (!sim.canReadLine())
        if (!sim.waitForReadyRead(5000))
            qFatal("talvor-sim printed no device path");
    setPortDevice(1, QString::fromLocal8Bit(sim.readLine()).trimmed());
}

} // namespace talvor::test
