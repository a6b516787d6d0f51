// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "portdirectory.h"

#include <QDialog>
#include <QTimer>

#include <chrono>

class QLabel;
class QLineEdit;
class QPushButton;
class QTreeWidget;

namespace talvor {

// "Schnittstellen zuordnen": the ports with their devices, the serial devices plugged in (kept
// current while the dialog is open), and for the chosen port a device to pick or a path to type,
// written as COMn= under [Devices]. On Windows "COM n" is the port COMn: the dialog only lists.
class PortAssignDialog : public QDialog {
    Q_OBJECT
public:
    // `chosenPort` is chosen first; `connectedPort` is open now (0: none).
    PortAssignDialog(PortDirectory &ports, int portCount, int chosenPort, int connectedPort,
                     QWidget *parent = nullptr);

    static constexpr std::chrono::milliseconds kWatchInterval{1000};

signals:
    void assignmentChanged();

private:
    void buildLayout();
    void showPorts();
    void showDevices();
    void watchDevices();
    void choosePort();
    void pickDevice();
    void assign();
    void resetToDefault();
    int chosenPort() const;
    void tell(const QString &text);
    void tellChange(int port, const QString &text);

    QTreeWidget *m_ports;
    QTreeWidget *m_devices;
    QLabel *m_noDevices;
    QLineEdit *m_device;
    QPushButton *m_assign;
    QPushButton *m_default;
    QPushButton *m_close;
    QLabel *m_note;
    PortDirectory &m_directory;
    QList<AttachedDevice> m_present;
    QTimer m_watch;
    int m_portCount;
    int m_connectedPort;
};

} // namespace talvor
