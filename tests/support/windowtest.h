// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "mainwindow.h"
#include "qtcommcomponent.h"
#include "settingsstore.h"
#include "startup.h"
#include "support/fakecomm.h"
#include "support/ptypair.h"
#include "support/testsettings.h"

#include <QTest>

#include <memory>

namespace talvor::test {

// The window tests' base: the real window started as the program starts it, on a serial
// component of the test's (the real one, on a pseudo-terminal where the test needs a device, or
// a fake for failures that a pseudo-terminal cannot make) and the test process's own settings.
class WindowTest : public QObject {
protected:
    const Controls &start(std::unique_ptr<CommComponent> comm, const QStringList &arguments = {})
    {
        m_port = comm.get();
        m_settings = std::make_unique<SettingsStore>();
        m_program = openProgram(std::move(comm), *m_settings, arguments);
        m_window = m_program.window.get();
        return m_window->controls();
    }
    // `open`: as if connected after the start-up.
    const Controls &startFake(bool open = false, const QStringList &arguments = {})
    {
        auto fake = std::make_unique<FakeComm>();
        m_fake = fake.get();
        const Controls &c = start(std::move(fake), arguments);
        m_fake->open = open;
        return c;
    }
    const Controls &startReal() { return start(std::make_unique<QtCommComponent>()); }
    // COM 1 is a new pseudo-terminal, the device's end of which is m_device.
    const Controls &startOnDevice()
    {
        m_device = std::make_unique<PtyPair>();
        setPortDevice(1, m_device->slavePath());
        return startReal();
    }
    // Shown and active, as a user has it in front of them.
    const Controls &showActive()
    {
        m_window->show();
        m_window->activateWindow();
        if (!QTest::qWaitForWindowActive(m_window))
            qFatal("the window did not become active");
        return m_window->controls();
    }
    // The window goes before the core, and the device last.
    void stopProgram()
    {
        m_program.window.reset();
        m_program.core.reset();
        m_window = nullptr;
        m_port = nullptr;
        m_fake = nullptr;
        m_device.reset();
    }
    bool portOpen() const { return m_port->portOpen().value(); }

    std::unique_ptr<SettingsStore> m_settings;
    Program m_program;
    MainWindow *m_window = nullptr;
    CommComponent *m_port = nullptr;
    FakeComm *m_fake = nullptr;
    std::unique_ptr<PtyPair> m_device;
};

} // namespace talvor::test
