#pragma once

#include <QByteArray>
#include <QString>

namespace talvor::test {

// A pseudo-terminal pair in raw mode: the program under test opens slavePath() as its serial
// device, the test plays the device on the master side.
class PseudoTerminal {
public:
    PseudoTerminal();
    ~PseudoTerminal();
    PseudoTerminal(const PseudoTerminal &) = delete;
    PseudoTerminal &operator=(const PseudoTerminal &) = delete;

    bool isValid() const { return m_master >= 0; }
    QString slavePath() const { return m_slavePath; }

    // What the device sends.
    bool write(const QByteArray &bytes);
    // What the device received, waiting up to timeoutMs for at least `count` bytes.
    QByteArray read(int count, int timeoutMs = 2000);
    // Everything that arrives within timeoutMs.
    QByteArray readAll(int timeoutMs = 100);
    // The device goes away (as when the adapter is unplugged).
    void closeMaster();

private:
    int m_master = -1;
    int m_slave = -1; // kept open so that the slave side exists until the test ends
    QString m_slavePath;
};

// Points "COM <port>" at a device path in the settings store of this test process.
void mapPort(int port, const QString &devicePath);

} // namespace talvor::test
