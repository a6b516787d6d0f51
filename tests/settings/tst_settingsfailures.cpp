// SPDX-License-Identifier: GPL-3.0-or-later
// Writes of the settings that cannot be done leave the file byte for byte: a full disk (a real
// tmpfs), a short write, an immutable or read-only file, a folder in its place, a lock that
// cannot be made or that another writer holds. Making a tmpfs and the immutable flag need root.
#include "settingsstore.h"

#include <QDir>
#include <QLockFile>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <linux/fs.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/statvfs.h>
#include <unistd.h>

using namespace talvor;

namespace {

enum class Obstacle {
    None,
    DiskFull,
    NoRoomForLock,
    ShortWrite,
    Immutable,
    ReadOnly,
    Folder,
    Locked
};

// The user's file: device entries, a comment and a line that is not UTF-8.
const QByteArray kFile = "; Pr\xfc"
                         "fplatz\n[Devices]\nCOM1=/dev/ttyUSB0\nCOM2=/dev/serial/by-id/usb-A1\n"
                         "\n[Port]\nRTSCTS=0\n";
const QString kLongPath = QStringLiteral("/dev/") + QString(9000, QLatin1Char('x'));

// A tmpfs of `size` as the settings' home for the length of one test.
class TmpfsHome {
public:
    explicit TmpfsHome(const char *size)
    {
        m_mounted = ::mount("tmpfs", QFile::encodeName(m_dir.path()).constData(), "tmpfs", 0,
                            QByteArray("size=").append(size).constData()) == 0;
        m_oldHome = qgetenv("XDG_CONFIG_HOME");
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_dir.path()));
    }
    ~TmpfsHome()
    {
        qputenv("XDG_CONFIG_HOME", m_oldHome);
        if (m_mounted)
            ::umount2(QFile::encodeName(m_dir.path()).constData(), MNT_DETACH);
    }
    bool mounted() const { return m_mounted; }
    QString path(const QString &name) const { return m_dir.filePath(name); }

    // Fills the disk so that `pages` pages of 4 KiB are left.
    bool leave(qint64 pages) const
    {
        struct statvfs status = {};
        if (::statvfs(QFile::encodeName(m_dir.path()).constData(), &status) != 0)
            return false;
        const qint64 filler = qint64(status.f_bavail) * qint64(status.f_bsize) - pages * 4096;
        QFile file(path("filler"));
        return filler >= 0 && file.open(QIODevice::WriteOnly) &&
               file.write(QByteArray(filler, 'f')) == filler && file.flush();
    }

private:
    QTemporaryDir m_dir;
    QByteArray m_oldHome;
    bool m_mounted = false;
};

bool setImmutable(const QString &path, bool on)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY);
    int flags = 0;
    const bool done =
        fd >= 0 && ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0 &&
        ::ioctl(fd, FS_IOC_SETFLAGS,
                &(flags = on ? flags | FS_IMMUTABLE_FL : flags & ~FS_IMMUTABLE_FL)) == 0;
    if (fd >= 0)
        ::close(fd);
    return done;
}

QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(nicht lesbar)");
}

} // namespace

Q_DECLARE_METATYPE(Obstacle)

class TestSettingsFailures : public QObject {
    Q_OBJECT

    // Puts the obstacle in the way of a write into `conf`; false where it cannot be made.
    static bool obstruct(Obstacle obstacle, const TmpfsHome &home, const QString &conf)
    {
        switch (obstacle) {
        case Obstacle::None:
        case Obstacle::Locked:
            return true;
        case Obstacle::DiskFull:
            return home.leave(1); // room for the lock file, none for the new file
        case Obstacle::NoRoomForLock:
            return home.leave(0);
        case Obstacle::ShortWrite: {
            ::signal(SIGXFSZ, SIG_IGN);
            const rlimit limit{4096, RLIM_INFINITY};
            return ::setrlimit(RLIMIT_FSIZE, &limit) == 0;
        }
        case Obstacle::Immutable:
            return setImmutable(conf, true);
        case Obstacle::ReadOnly:
            return QFile::setPermissions(conf, QFile::ReadOwner | QFile::ReadGroup);
        case Obstacle::Folder:
            return QFile::remove(conf) && QDir().mkpath(conf + "/Unterordner");
        }
        return false;
    }

    static void clear(Obstacle obstacle, const QString &conf)
    {
        const rlimit unlimited{RLIM_INFINITY, RLIM_INFINITY};
        if (obstacle == Obstacle::ShortWrite)
            ::setrlimit(RLIMIT_FSIZE, &unlimited);
        if (obstacle == Obstacle::Immutable)
            setImmutable(conf, false);
    }

private slots:
    void failedWriteLeavesTheFile_data()
    {
        QTest::addColumn<Obstacle>("obstacle");
        QTest::addColumn<QString>("key"); // under [Devices]; empty: RTSCTS, as the start-up writes
        QTest::addColumn<QString>("value");
        QTest::addColumn<int>("failure");
        const QString startUp;
        QTest::newRow("room enough")
            << Obstacle::None << startUp << "1" << int(SettingsWrite::None);
        QTest::newRow("disk full at start-up")
            << Obstacle::DiskFull << startUp << "1" << int(SettingsWrite::NoRoom);
        QTest::newRow("disk full, a long path assigned")
            << Obstacle::DiskFull << "COM3" << kLongPath << int(SettingsWrite::NoRoom);
        QTest::newRow("no room for the lock") << Obstacle::NoRoomForLock << "COM3"
                                              << "/dev/ttyUSB1" << int(SettingsWrite::NoLock);
        QTest::newRow("short write")
            << Obstacle::ShortWrite << "COM3" << kLongPath << int(SettingsWrite::NoRoom);
        QTest::newRow("immutable") << Obstacle::Immutable << "COM3"
                                   << "/dev/ttyUSB1" << int(SettingsWrite::ReadOnly);
        QTest::newRow("read-only")
            << Obstacle::ReadOnly << startUp << "1" << int(SettingsWrite::ReadOnly);
        QTest::newRow("folder in its place") << Obstacle::Folder << "COM3"
                                             << "/dev/ttyUSB1" << int(SettingsWrite::NotAFile);
        QTest::newRow("another writer holds the lock")
            << Obstacle::Locked << "COM3"
            << "/dev/ttyUSB1" << int(SettingsWrite::Locked);
    }

    void failedWriteLeavesTheFile()
    {
        QFETCH(Obstacle, obstacle);
        QFETCH(QString, key);
        QFETCH(QString, value);
        QFETCH(int, failure);
        const TmpfsHome home("64k");
        if (!home.mounted())
            QSKIP("Making a tmpfs needs root.");
        const QString conf = home.path("MOXT/MOXT.conf");
        QVERIFY(QDir().mkpath(home.path("MOXT")));
        QFile file(conf);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(kFile) == kFile.size());
        file.close();
        QLockFile otherWriter(conf + ".lock");
        QVERIFY(obstacle != Obstacle::Locked || otherWriter.tryLock(0));
        QVERIFY2(obstruct(obstacle, home, conf), "obstacle not made");
        const QByteArray before = contents(conf);
        const QStringList filesBefore =
            QDir(home.path("MOXT")).entryList(QDir::AllEntries | QDir::Hidden);

        SettingsStore store;
        const SettingsWrite written = key.isEmpty()
                                          ? store.writeText(kPortSection, kRtsCtsKey, value)
                                          : store.writeText(kDevicesSection, key, value);
        clear(obstacle, conf);
        QCOMPARE(int(written.failure), failure);
        if (written.ok()) {
            QCOMPARE(contents(conf), QByteArray(kFile).replace("RTSCTS=0", "RTSCTS=1"));
            return;
        }
        QCOMPARE(contents(conf), before);
        QCOMPARE(QDir(home.path("MOXT")).entryList(QDir::AllEntries | QDir::Hidden), filesBefore);
        if (obstacle != Obstacle::Folder)
            QCOMPARE(store.readEntry(kDevicesSection, "COM2").text, "/dev/serial/by-id/usb-A1");
    }

    // A folder where the file should be is no file without entries: nothing is taken as missing.
    void folderInPlaceReadsAsUnreadable()
    {
        const QTemporaryDir home;
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.path()));
        QVERIFY(QDir().mkpath(home.filePath("MOXT/MOXT.conf")));
        const SettingsEntry entry = SettingsStore().readEntry(kDevicesSection, "COM1");
        QCOMPARE(entry.state, SettingsEntry::Unreadable);
        QCOMPARE(entry.flaw, SettingsEntry::FileUnreadable);
        QCOMPARE(SettingsStore().readText(kPortSection, kRtsCtsKey, "1"), QString("1"));
    }
};

QTEST_GUILESS_MAIN(TestSettingsFailures)
#include "tst_settingsfailures.moc"
