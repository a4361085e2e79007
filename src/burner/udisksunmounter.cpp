#include "burner/udisksunmounter.h"

#include "burner/burnerlog.h"
#include "burner/drconstants.h"

#include <QDBusError>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QFileInfo>
#include <QVariantMap>

namespace
{
// udisks2 may wait for programs that still have files open on the disc; the
// burn workflow keeps waiting meanwhile.
constexpr int kUnmountTimeoutMilliseconds = 30000;
} // namespace

UDisksUnmounter::UDisksUnmounter(const QDBusConnection& bus, QObject* parent)
    : QObject(parent)
    , m_bus(bus)
{
}

QString UDisksUnmounter::objectPath(const QString& node)
{
    QString name = QFileInfo(QFileInfo(node).canonicalFilePath()).fileName();
    if (name.isEmpty())
        name = QFileInfo(node).fileName();
    QString escaped;
    for (const char c : name.toUtf8()) {
        const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
        if (plain)
            escaped += QLatin1Char(c);
        else
            escaped += QStringLiteral("_%1").arg(static_cast<uchar>(c), 2, 16, QLatin1Char('0'));
    }
    return QStringLiteral("/org/freedesktop/UDisks2/block_devices/") + escaped;
}

quint32 UDisksUnmounter::check(const QString& node, bool mounted, QString* why)
{
    if (!mounted) {
        m_state = State::Idle;
        return 0;
    }
    if (m_state == State::Refused && m_node == node) {
        m_state = State::Idle;
        if (m_serviceMissing) {
            *why = QStringLiteral("The disc in %1 is mounted, and udisks2, which unmounts discs for Kestrow, is not available. "
                                  "Eject it from the file manager, or run: umount %1")
                       .arg(node);
        } else {
            *why = QStringLiteral("The disc in %1 is mounted and the system refused to unmount it: %2 Eject it from the file manager, or run: "
                                  "udisksctl unmount -b %1")
                       .arg(node, m_reason);
        }
        return DRError::MountedDisc;
    }
    if (m_state != State::Pending || m_node != node)
        request(node);
    *why = QStringLiteral("The disc in %1 is mounted; waiting for it to be unmounted.").arg(node);
    return DRError::DeviceAccess;
}

void UDisksUnmounter::request(const QString& node)
{
    m_node = node;
    m_state = State::Pending;
    m_reason.clear();
    m_serviceMissing = false;
    QDBusMessage call = QDBusMessage::createMethodCall(Service, objectPath(node), FilesystemInterface, QStringLiteral("Unmount"));
    call << QVariantMap();
    qCInfo(lcBurner).noquote() << "asking udisks2 to unmount" << node;
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call, kUnmountTimeoutMilliseconds), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, watcher, node] {
        watcher->deleteLater();
        if (m_node != node || m_state != State::Pending)
            return;
        const QDBusPendingReply<> reply = *watcher;
        const QDBusError error = reply.error();
        // Unmounted meanwhile by someone else: just as good.
        if (!reply.isError() || error.name() == QLatin1String("org.freedesktop.UDisks2.Error.NotMounted")) {
            m_state = State::Unmounted;
            Q_EMIT finished(true, QString());
            return;
        }
        m_state = State::Refused;
        m_serviceMissing = error.type() == QDBusError::ServiceUnknown || error.name() == QLatin1String("org.freedesktop.DBus.Error.NameHasNoOwner")
            || error.type() == QDBusError::Disconnected || !m_bus.isConnected();
        m_reason = error.message().trimmed();
        if (m_reason.isEmpty())
            m_reason = error.name();
        if (!m_reason.endsWith(u'.'))
            m_reason += u'.';
        qCWarning(lcBurner).noquote() << "udisks2 did not unmount" << node << ":" << error.name() << error.message();
        Q_EMIT finished(false, m_reason);
    });
}
