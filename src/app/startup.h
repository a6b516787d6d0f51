#pragma once

#include <QStringList>

#include <memory>

namespace talvor {

class CommComponent;
class SettingsStore;
class MainWindow;

inline constexpr int kDefaultPortCount = 16;
inline constexpr int kWidePortCount = 255;

// 255 ports when the command line (the arguments after the program's own) is the switch
// "/NOPORTLIMIT" alone, in any letter case; 16 otherwise.
int portCountFor(const QStringList &arguments);

struct RestoredChoices {
    int portPosition = 0; // zero-based entry of the port list
    bool rtsCts = true;
};

// The remembered port and handshake choice, with the defaults for missing values and the
// fallbacks for values that are not accepted.
RestoredChoices restoredChoices(const SettingsStore &settings, int portCount);

// The window as the program opens it: built around the serial port component, wired to run the
// shut-down when it closes, and started up (not yet shown).
std::unique_ptr<MainWindow> openMainWindow(std::unique_ptr<CommComponent> comm,
                                           SettingsStore &settings, const QStringList &arguments);

// What runs when the window opens, before it is first shown; it starts the poll timer last.
void startUp(MainWindow &window, const QStringList &arguments);
// What runs when the window closes: remember the port choice, then disconnect.
void shutDown(MainWindow &window);

// "Talvor-Tester 1.0.1": the designed caption, a blank and the program's version.
QString captionWithVersion(const QString &designCaption);

} // namespace talvor
