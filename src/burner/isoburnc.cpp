#include "burner/isoburnc_p.h"

#include "burner/burnerlog.h"

#include <QMutex>

#include <cstring>
#include <QVector>

namespace IsoburnC {

namespace {
QMutex libraryMutex;
std::weak_ptr<Library> liveLibrary;
} // namespace

std::shared_ptr<Library> Library::acquire()
{
    QMutexLocker lock(&libraryMutex);
    if (std::shared_ptr<Library> live = liveLibrary.lock())
        return live;
    char message[1024] = {};
    // flag 0: no options are defined.
    if (!isoburn_initialize(message, 0)) {
        qCWarning(lcBurner) << "libisoburn initialisation failed:" << message;
        return nullptr;
    }
    // Queue messages of every severity instead of printing them: the layer
    // reads them for its error texts and to notice unreadable sources,
    // which libisofs reports only here. Nothing is printed to stderr.
    burn_msgs_set_severities(const_cast<char*>("ALL"), const_cast<char*>("NEVER"), const_cast<char*>("kestrow: "));
    iso_set_msgs_severities(const_cast<char*>("ALL"), const_cast<char*>("NEVER"), const_cast<char*>("kestrow: "));
    // Mode 1: the system's default reaction to signals, so that libburn
    // installs no handler of its own that would exit the program; bit8
    // ignores SIGPIPE.
    burn_set_signal_handling(nullptr, nullptr, 1 | 0x100);
    std::shared_ptr<Library> library(new Library());
    liveLibrary = library;
    return library;
}

Library::~Library()
{
    isoburn_finish();
}

std::unique_ptr<DriveGrab> DriveGrab::acquire(const QString& address, int flags)
{
    QByteArray adr = address.toLocal8Bit();
    burn_drive_info* infos = nullptr;
    const int result = isoburn_drive_aquire(&infos, adr.data(), flags);
    if (result <= 0 || !infos) {
        if (infos)
            burn_drive_info_free(infos);
        return nullptr;
    }
    return std::unique_ptr<DriveGrab>(new DriveGrab(infos, std::move(adr), flags));
}

DriveGrab::DriveGrab(burn_drive_info* infos, QByteArray address, int flags)
    : m_infos(infos)
    , m_address(std::move(address))
    , m_flags(flags)
{
}

DriveGrab::~DriveGrab()
{
    isoburn_drive_release(m_infos[0].drive, m_eject ? 1 : 0);
    burn_drive_info_free(m_infos);
}

bool DriveGrab::reassess()
{
    // bit8: re-assess the drive already acquired in m_infos[0] instead of
    // acquiring the address anew. Status is stale after a write or erase
    // until this has run.
    return isoburn_drive_aquire(&m_infos, m_address.data(), m_flags | 256) > 0;
}

QVector<Message> drainMessages()
{
    QVector<Message> messages;
    int code = 0;
    int osErrno = 0;
    int imageID = 0;
    char text[BURN_MSGS_MESSAGE_LEN];
    char severity[80];
    while (burn_msgs_obtain(const_cast<char*>("ALL"), &code, text, &osErrno, severity) == 1)
        messages.append({ code, QString::fromLatin1(severity), QString::fromLocal8Bit(text).trimmed(), osErrno });
    static_assert(ISO_MSGS_MESSAGE_LEN <= BURN_MSGS_MESSAGE_LEN);
    while (iso_obtain_msgs(const_cast<char*>("ALL"), &code, &imageID, text, severity) == 1)
        messages.append({ code, QString::fromLatin1(severity), QString::fromLocal8Bit(text).trimmed(), 0 });
    for (const Message& m : std::as_const(messages)) {
        if (isFailureSeverity(m.severity) || m.severity == QLatin1String("SORRY") || m.severity == QLatin1String("WARNING"))
            qCDebug(lcBurner).noquote() << m.severity << Qt::hex << m.code << m.text;
    }
    return messages;
}

bool isFailureSeverity(const QString& severity)
{
    static const QStringList failures = { QStringLiteral("ERRFILE"), QStringLiteral("MISHAP"), QStringLiteral("FAILURE"),
        QStringLiteral("FATAL"), QStringLiteral("ABORT") };
    return failures.contains(severity);
}

bool isWriteCancelled(const Message& m)
{
    // In the queue a libisofs message carries the low 16 bits of its error
    // code with 0x30000 added (the library's own message numbering).
    auto queued = [](quint32 isoError) { return static_cast<int>((isoError & 0xffffu) | 0x30000u); };
    return m.code == queued(ISO_IMAGE_WRITE_CANCELED) || m.code == queued(ISO_CANCELED);
}

bool isSourceFileProblem(const Message& m)
{
    // libisofs reports "Image write cancelled" (a MISHAP) whenever the
    // consumer of the image stream stops early: after a failed write (a full
    // disk) or an abort. It is a consequence, not a source that could not be
    // read, and must not hide the real cause.
    if (isWriteCancelled(m))
        return false;
    return m.severity == QLatin1String("ERRFILE") || m.severity == QLatin1String("MISHAP");
}

QString textWithSystemError(const Message& m)
{
    if (m.osErrno == 0)
        return m.text;
    return QStringLiteral("%1 (%2)").arg(m.text, QString::fromLocal8Bit(std::strerror(m.osErrno)));
}

} // namespace IsoburnC
