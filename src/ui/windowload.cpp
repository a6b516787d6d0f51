// SPDX-License-Identifier: GPL-3.0-or-later
// The window's start-up and shut-down.

#include "mainwindow.h"

#include "portlist.h"
#include "testercore.h"

#include <QCheckBox>
#include <QComboBox>

namespace talvor {

QString captionWithVersion(const QString &designCaption)
{
    return QStringLiteral("%1 %2.%3.%4")
        .arg(designCaption)
        .arg(TALVOR_VERSION_MAJOR)
        .arg(TALVOR_VERSION_MINOR)
        .arg(TALVOR_VERSION_PATCH);
}

namespace {

void fillLists(const Controls &c, int portCount, const PortDirectory &ports)
{
    // Qt's combo box chooses its first entry by itself as soon as it has one; that is no user's
    // choice, so the lists are filled with their signals blocked and the choices made below.
    const QSignalBlocker blockPorts(c.cmbCOM);
    for (int n = 1; n <= portCount; ++n)
        c.cmbCOM->addItem(QStringLiteral("COM %1").arg(n));
    for (int n = 1; n <= kDetectorCount; ++n)
        c.cmbDetektor->addItem(QStringLiteral("Detektor %1").arg(n));
    c.cmbDetektor->setCurrentIndex(0);
    showPortSummaries(c.cmbCOM, ports);
}

} // namespace

void MainWindow::load(int portCount)
{
    const Controls &c = m_controls;
    setErrorLine({});
    resetDisplay();
    updateSendButton();
    setWindowTitle(captionWithVersion(windowTitle()));

    fillLists(c, portCount, m_core.ports());
    const RestoredChoices choices = m_core.restoreChoices(portCount);
    {
        const QSignalBlocker blockPorts(c.cmbCOM);
        c.cmbCOM->setCurrentIndex(choices.portPosition);
    }
    // Choosing the entry is a choice in the port list like the user's: it disconnects.
    disconnectPort();
    // Checking the box is a change of state like the user's: it is remembered at once.
    c.chkRTSCTS->setChecked(choices.rtsCts);

    m_loaded = true;
    m_core.startPolling();
}

void MainWindow::unload()
{
    // Remember the port choice, then disconnect.
    m_core.savePortChoice(m_controls.cmbCOM->currentIndex());
    disconnectPort();
}

} // namespace talvor
