#pragma once

// Unmounts a mounted disc through udisks2 over D-Bus, the way the desktop's
// own file manager does, so that libburn can take the drive. Kestrow never
// runs umount itself.
//
// For a device node "/dev/sr0" it calls org.freedesktop.UDisks2.Filesystem
// .Unmount with no options ({}) on /org/freedesktop/UDisks2/block_devices/sr0.
// The call is asynchronous; check() is asked on every attempt to start a job
// and answers, from what is known by then:
//   not mounted                 0 (go ahead)
//   mounted, nothing asked yet  DRError::DeviceAccess: the request is sent
//   mounted, request pending    DRError::DeviceAccess (the burn workflow
//                               retries this code: "Waiting for the disk to
//                               unmount...")
//   mounted, udisks2 refused    DRError::MountedDisc with a text that says
//   or is absent                why and how to unmount by hand; the next
//                               check() asks again.
//
// The bus is the caller's: the system bus in the program, a private bus in
// tests. Main thread only; replies arrive through the event loop.

#include <QDBusConnection>
#include <QObject>
#include <QString>

class UDisksUnmounter : public QObject
{
    Q_OBJECT
public:
    explicit UDisksUnmounter(const QDBusConnection& bus, QObject* parent = nullptr);

    // See above. why receives the text for the user with every non-zero code.
    [[nodiscard]] quint32 check(const QString& node, bool mounted, QString* why);

    // The udisks2 object of a block device node: its kernel name with every
    // character other than A-Z, a-z, 0-9 and _ written as _ and two hex digits.
    [[nodiscard]] static QString objectPath(const QString& node);

    enum class State { Idle, Pending, Unmounted, Refused };
    [[nodiscard]] State state() const { return m_state; }

    static inline const QString Service = QStringLiteral("org.freedesktop.UDisks2");
    static inline const QString FilesystemInterface = QStringLiteral("org.freedesktop.UDisks2.Filesystem");

Q_SIGNALS:
    // A request ended: unmounted, or refused with udisks2's reason.
    void finished(bool unmounted, const QString& reason);

private:
    void request(const QString& node);

    QDBusConnection m_bus;
    State m_state = State::Idle;
    QString m_node;
    QString m_reason;
    bool m_serviceMissing = false;
};
