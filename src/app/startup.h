// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "mainwindow.h"
#include "testercore.h"

#include <QStringList>

#include <memory>

namespace talvor {

class CommComponent;
class SettingsStore;

// The program as it opens: the core around the serial port component, and its window, started up
// but not yet shown. The window goes before the core.
struct Program {
    std::unique_ptr<TesterCore> core;
    std::unique_ptr<MainWindow> window;
};

// On the system's serial port and the user's settings.
Program openProgram(const QStringList &arguments);
// On a component and a settings store of the caller's (the tests').
Program openProgram(std::unique_ptr<CommComponent> comm, SettingsStore &settings,
                    const QStringList &arguments);

} // namespace talvor
