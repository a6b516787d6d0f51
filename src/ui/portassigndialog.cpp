// SPDX-License-Identifier: GPL-3.0-or-later
#include "portassigndialog.h"

#include <QBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>

namespace talvor {

namespace {

QTreeWidget *makeTable(QWidget *parent, const QString &name, const QStringList &headings)
{
    auto *table = new QTreeWidget(parent);
    table->setAccessibleName(name);
    table->setHeaderLabels(headings);
    table->setRootIsDecorated(false);
    table->setAllColumnsShowFocus(true);
    table->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    return table;
}

QLabel *makeCaption(const QString &text, QWidget *buddy)
{
    auto *caption = new QLabel(text, buddy->parentWidget());
    caption->setBuddy(buddy);
    return caption;
}

QString usbId(const std::optional<quint16> &id)
{
    return id ? QStringLiteral("%1").arg(*id, 4, 16, QLatin1Char('0')) : QString();
}

QStringList deviceColumns(const AttachedDevice &device)
{
    return {device.path,         device.description,     device.manufacturer,
            device.serialNumber, usbId(device.vendorId), usbId(device.productId),
            device.stablePath};
}

} // namespace

PortAssignDialog::PortAssignDialog(PortDirectory &ports, int portCount, int chosenPort,
                                   int connectedPort, QWidget *parent)
    : QDialog(parent)
    , m_directory(ports)
    , m_watch(this)
    , m_portCount(portCount)
    , m_connectedPort(connectedPort)
{
    setWindowTitle(QStringLiteral("Schnittstellen zuordnen"));
    buildLayout();
    m_present = m_directory.presentDevices();
    showDevices();
    showPorts();
    m_ports->setCurrentItem(m_ports->topLevelItem(std::clamp(chosenPort, 1, portCount) - 1));
    m_ports->setFocus();
    m_watch.setInterval(kWatchInterval);
    connect(&m_watch, &QTimer::timeout, this, &PortAssignDialog::watchDevices);
    m_watch.start();
}

void PortAssignDialog::buildLayout()
{
    m_ports = makeTable(this, QStringLiteral("Schnittstellen"),
                        {QStringLiteral("Port"), QStringLiteral("Gerät"),
                         QStringLiteral("Beschreibung"), QStringLiteral("Zustand")});
    m_devices = makeTable(this, QStringLiteral("Angeschlossene Geräte"),
                          {QStringLiteral("Pfad"), QStringLiteral("Beschreibung"),
                           QStringLiteral("Hersteller"), QStringLiteral("Seriennummer"),
                           QStringLiteral("USB-Hersteller"), QStringLiteral("USB-Produkt"),
                           QStringLiteral("Fester Pfad")});
    m_noDevices = new QLabel(QStringLiteral("Kein serielles Gerät angeschlossen."), this);
    m_device = new QLineEdit(this);
    m_device->setAccessibleName(QStringLiteral("Gerät"));
    m_device->setPlaceholderText(QStringLiteral("/dev/ttyUSB0"));
    m_assign = new QPushButton(QStringLiteral("Übernehmen"), this);
    m_assign->setDefault(true);
    m_default = new QPushButton(QStringLiteral("Standard"), this);
    m_close = new QPushButton(QStringLiteral("Schließen"), this);
    m_note = new QLabel(this);
    m_note->setWordWrap(true);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(makeCaption(QStringLiteral("&Schnittstellen:"), m_ports));
    layout->addWidget(m_ports, 3);
    layout->addWidget(makeCaption(QStringLiteral("&Angeschlossene Geräte:"), m_devices));
    layout->addWidget(m_devices, 2);
    layout->addWidget(m_noDevices);
    auto *row = new QHBoxLayout;
    row->addWidget(makeCaption(QStringLiteral("&Gerät:"), m_device));
    row->addWidget(m_device, 1);
    row->addWidget(m_assign);
    row->addWidget(m_default);
    layout->addLayout(row);
    layout->addWidget(m_note);
    auto *closeRow = new QHBoxLayout;
    closeRow->addStretch();
    closeRow->addWidget(m_close);
    layout->addLayout(closeRow);
    resize(860, 520);

    connect(m_ports, &QTreeWidget::currentItemChanged, this, &PortAssignDialog::choosePort);
    connect(m_devices, &QTreeWidget::currentItemChanged, this, &PortAssignDialog::pickDevice);
    connect(m_assign, &QPushButton::clicked, this, &PortAssignDialog::assign);
    connect(m_default, &QPushButton::clicked, this, &PortAssignDialog::resetToDefault);
    connect(m_close, &QPushButton::clicked, this, &QDialog::accept);
#ifdef Q_OS_WIN
    for (QWidget *assigning : {static_cast<QWidget *>(m_device), static_cast<QWidget *>(m_assign),
                               static_cast<QWidget *>(m_default)})
        assigning->setEnabled(false);
    tell(QStringLiteral("Unter Windows ist „COM n“ die Schnittstelle COMn; eine Zuordnung ist "
                        "nicht nötig."));
#endif
}

void PortAssignDialog::showPorts()
{
    for (int port = 1; port <= m_portCount; ++port) {
        QTreeWidgetItem *row = m_ports->topLevelItem(port - 1);
        if (!row)
            row = new QTreeWidgetItem(m_ports, {QStringLiteral("COM %1").arg(port)});
        const PortSummary summary = m_directory.summarize(port, m_present);
        row->setText(1, summary.device);
        row->setText(2, summary.description);
        row->setText(3, presenceText(summary.presence));
    }
}

void PortAssignDialog::showDevices()
{
    const QString current =
        m_devices->currentItem() ? m_devices->currentItem()->text(0) : QString();
    const QSignalBlocker keepField(m_devices);
    m_devices->clear();
    for (const AttachedDevice &device : m_present) {
        auto *row = new QTreeWidgetItem(m_devices, deviceColumns(device));
        row->setData(0, Qt::UserRole, device.preferredPath());
        if (device.path == current)
            m_devices->setCurrentItem(row);
    }
    m_noDevices->setVisible(m_present.isEmpty());
}

void PortAssignDialog::watchDevices()
{
    QList<AttachedDevice> present = m_directory.presentDevices();
    if (present == m_present)
        return;
    m_present = std::move(present);
    showDevices();
    showPorts();
}

int PortAssignDialog::chosenPort() const
{
    return m_ports->indexOfTopLevelItem(m_ports->currentItem()) + 1;
}

void PortAssignDialog::choosePort()
{
    const PortDevice device = m_directory.deviceFor(chosenPort());
    m_device->setText(device.isDefault ? QString() : device.path);
    tell({});
}

void PortAssignDialog::pickDevice()
{
    if (const QTreeWidgetItem *row = m_devices->currentItem())
        m_device->setText(row->data(0, Qt::UserRole).toString());
}

void PortAssignDialog::assign()
{
    const int port = chosenPort();
    const QString path = m_device->text().trimmed();
    if (port < 1)
        return tell(QStringLiteral("Zuerst eine Schnittstelle wählen."));
    if (path.isEmpty())
        return tell(QStringLiteral("Ein Gerät wählen oder seinen Pfad eingeben."));
    m_directory.assign(port, path);
    showPorts();
    tellChange(port, QStringLiteral("COM %1 ist jetzt %2.").arg(port).arg(path));
    emit assignmentChanged();
}

void PortAssignDialog::resetToDefault()
{
    const int port = chosenPort();
    if (port < 1)
        return tell(QStringLiteral("Zuerst eine Schnittstelle wählen."));
    m_directory.reset(port);
    m_device->clear();
    showPorts();
    tellChange(port,
               QStringLiteral("COM %1 ist wieder /dev/ttyS%2 (Standard).").arg(port).arg(port - 1));
    emit assignmentChanged();
}

void PortAssignDialog::tell(const QString &text)
{
    m_note->setText(text);
}

void PortAssignDialog::tellChange(int port, const QString &text)
{
    // The open port keeps its device until it is closed.
    if (port != m_connectedPort)
        return tell(text);
    tell(QStringLiteral("%1 COM %2 ist verbunden: die Änderung gilt ab dem nächsten "
                        "„Verbinden“.")
             .arg(text)
             .arg(port));
}

} // namespace talvor
