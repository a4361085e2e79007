#include "burner/isoburndevice.h"

#include "burner/burnerlog.h"
#include "burner/drconstants.h"
#include "burner/drnotificationcenter.h"
#include "burner/isoburnburn.h"
#include "burner/isoburnc_p.h"
#include "burner/isoburnerase.h"
#include "burner/udisksunmounter.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

using namespace IsoburnC;

namespace {
// How often the status of a held burner is read: media changes are noticed
// within about two seconds.
constexpr int kPollMilliseconds = 1000;
// isoburn_drive_aquire flags: bit5 and bit6 ignore ACLs and extended
// attributes of the files being burned, so sessions hold plain files.
constexpr int kAcquireFlags = 32 | 64;

QString mediaTypeForProfile(int profile)
{
    switch (profile) {
    case 0x08:
        return kDRDeviceMediaTypeCDROM;
    case 0x09:
        return kDRDeviceMediaTypeCDR;
    case 0x0a:
        return kDRDeviceMediaTypeCDRW;
    case 0x10:
        return kDRDeviceMediaTypeDVDROM;
    case 0x11:
    case 0x15:
        return kDRDeviceMediaTypeDVDR;
    case 0x12:
        return kDRDeviceMediaTypeDVDRAM;
    case 0x13:
    case 0x14:
        return kDRDeviceMediaTypeDVDRW;
    case 0x1a:
        return kDRDeviceMediaTypeDVDPlusRW;
    case 0x1b:
    case 0x2b:
        return kDRDeviceMediaTypeDVDPlusR;
    case 0x40:
        return kDRDeviceMediaTypeBDROM;
    case 0x41:
    case 0x42:
        return kDRDeviceMediaTypeBDR;
    case 0x43:
        return kDRDeviceMediaTypeBDRE;
    default:
        return kDRDeviceMediaTypeUnknown;
    }
}
// What a user who may not open a drive's device node can do about it.
QString noAccessAdvice(const QString& node, const QString& group)
{
    if (group.isEmpty())
        return QStringLiteral("Ask your administrator for read and write access to %1.").arg(node);
    return QStringLiteral("The device belongs to the group \"%1\": join that group (sudo usermod -aG %1 $USER), then log out and log in again.").arg(group);
}
} // namespace

// An advisory lock on the image file, held while the image is acquired.
// libburn takes none on a "stdio:" file, so without it two programs could
// write the same image and both report success.
struct IsoburnDevice::ImageLock {
    int fd = -1;
    ~ImageLock()
    {
        if (fd >= 0)
            ::close(fd); // closing the descriptor drops the flock
    }
    static std::unique_ptr<ImageLock> take(const QString& path, QString* why)
    {
        QDir().mkpath(QFileInfo(path).absolutePath());
        auto lock = std::make_unique<ImageLock>();
        lock->fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
        if (lock->fd < 0) {
            *why = QStringLiteral("The disc image \"%1\" cannot be opened: %2").arg(path, QString::fromLocal8Bit(std::strerror(errno)));
            return nullptr;
        }
        if (::flock(lock->fd, LOCK_EX | LOCK_NB) != 0) {
            *why = QStringLiteral("The disc image \"%1\" is in use by another program.").arg(path);
            return nullptr;
        }
        return lock;
    }
};

const QByteArray& IsoburnDevice::closedMarker()
{
    static const QByteArray marker = QByteArrayLiteral("KESTROW-CLOSED-DISC");
    return marker;
}

std::shared_ptr<IsoburnDevice> IsoburnDevice::createOptical(std::shared_ptr<Library> library, const OpticalDriveFacts& facts)
{
    return std::shared_ptr<IsoburnDevice>(new IsoburnDevice(std::move(library), false, facts.address, facts));
}

std::shared_ptr<IsoburnDevice> IsoburnDevice::createImage(std::shared_ptr<Library> library, const QString& imagePath)
{
    OpticalDriveFacts facts;
    facts.vendor = QStringLiteral("Kestrow");
    facts.product = QStringLiteral("Disc Image");
    facts.revision = QStringLiteral("1.0");
    facts.interconnect = QStringLiteral("File");
    facts.location = kDRDevicePhysicalInterconnectLocationInternal;
    facts.writesCDRW = true;
    return std::shared_ptr<IsoburnDevice>(new IsoburnDevice(std::move(library), true, imagePath, facts));
}

IsoburnDevice::IsoburnDevice(std::shared_ptr<Library> library, bool isImage, const QString& address, const OpticalDriveFacts& facts)
    : m_library(std::move(library))
    , m_isImage(isImage)
    , m_address(address)
    , m_facts(facts)
    , m_noAccess(facts.noAccess)
{
    m_pollTimer.setInterval(kPollMilliseconds);
    connect(&m_pollTimer, &QTimer::timeout, this, &IsoburnDevice::poll);
}

IsoburnDevice::~IsoburnDevice()
{
    dropDrive();
}

CFDictionaryRef IsoburnDevice::Info() const
{
    CFMutableDictionaryRef info = CFMutableDictionary::create();
    info->setString(kDRDeviceVendorNameKey, m_facts.vendor);
    info->setString(kDRDeviceProductNameKey, m_facts.product);
    info->setString(kDRDeviceFirmwareRevisionKey, m_facts.revision);
    info->setString(kDRDevicePhysicalInterconnectKey, m_facts.interconnect);
    info->setString(kDRDevicePhysicalInterconnectLocationKey, m_facts.location);
    info->setString(kDRDeviceSupportLevelKey, kDRDeviceSupportLevelAppleShipping);
    CFMutableDictionaryRef caps = CFMutableDictionary::create();
    // libburn turns on buffer-underrun protection whenever the drive offers
    // it; every CD writer it drives today does.
    caps->setBoolean(kDRDeviceCanUnderrunProtectCDKey, m_facts.writesCDR || m_facts.writesCDRW);
    caps->setBoolean(kDRDeviceCanWriteCDKey, m_facts.writesCDR || m_facts.writesCDRW);
    caps->setBoolean(kDRDeviceCanWriteCDRKey, m_facts.writesCDR);
    caps->setBoolean(kDRDeviceCanWriteCDRWKey, m_facts.writesCDRW);
    caps->setBoolean(kDRDeviceCanWriteDVDKey, m_facts.writesDVD);
    info->setValue(kDRDeviceWriteCapabilitiesKey, caps);
    if (!m_isImage)
        info->setString(kKestrowDeviceNodeKey, m_address);
    if (m_noAccess) {
        info->setBoolean(kKestrowDeviceNoAccessKey, true);
        if (!m_facts.group.isEmpty())
            info->setString(kKestrowDeviceNodeGroupKey, m_facts.group);
    }
    return info;
}

bool IsoburnDevice::grabDrive(QString* why)
{
    if (m_grab)
        return true;
    if (!m_library) {
        *why = QStringLiteral("The disc recording libraries could not be started.");
        return false;
    }
    if (m_isImage && !m_lock) {
        m_lock = ImageLock::take(m_address, why);
        if (!m_lock)
            return false;
    }
    const QString address = m_isImage ? QStringLiteral("stdio:") + m_address : m_address;
    m_grab = DriveGrab::acquire(address, kAcquireFlags);
    const QVector<Message> messages = drainMessages();
    if (!m_grab) {
        m_lock.reset();
        QString text = QStringLiteral("The burner %1 cannot be opened.").arg(m_address);
        for (const Message& m : messages) {
            if (m.severity == QLatin1String("SORRY") || isFailureSeverity(m.severity))
                text = m.text;
        }
        *why = text;
        return false;
    }
    return true;
}

void IsoburnDevice::dropDrive()
{
    m_pollTimer.stop();
    m_grab.reset();
    m_lock.reset();
}

burn::burn_drive* IsoburnDevice::drive() const
{
    return m_grab ? m_grab->drive() : nullptr;
}

MediaSnapshot IsoburnDevice::readSnapshot()
{
    MediaSnapshot s;
    burn_drive* d = drive();
    if (!d)
        return s;
    const burn_disc_status status = isoburn_disc_get_status(d);
    drainMessages();
    if (status == BURN_DISC_EMPTY || status == BURN_DISC_UNGRABBED || status == BURN_DISC_UNREADY)
        return s;
    s.mediaPresent = true;
    s.blank = status == BURN_DISC_BLANK;

    if (TocPtr toc { isoburn_toc_drive_get_disc(d) }) {
        int sessions = 0;
        isoburn_toc_session** list = isoburn_toc_disc_get_sessions(toc.get(), &sessions);
        s.sessionCount = sessions;
        for (int i = 0; i < sessions; ++i) {
            int tracks = 0;
            isoburn_toc_session_get_tracks(list[i], &tracks);
            s.trackCount += tracks;
        }
    }
    int lba = 0;
    int nwa = 0;
    // trackno 0: the start of the next session; nwa is its first block.
    const bool nwaValid = isoburn_disc_track_lba_nwa(d, nullptr, 0, &lba, &nwa) == 1;

    if (m_isImage) {
        s.mediaType = kDRDeviceMediaTypeCDRW;
        s.erasable = true;
        // libburn does not cap a plain file: the image's capacity is ours.
        s.blocksUsed = s.blank ? 0 : (nwaValid ? nwa : 0);
        s.blocksFree = std::max<qint64>(0, kImageCapacityBlocks - s.blocksUsed);
        bool closed = false;
        int msc1 = -1;
        if (!s.blank && isoburn_disc_get_msc1(d, &msc1) > 0) {
            // Mode 2 copies the first 64 KiB of the session: the primary
            // volume descriptor sits at block 16, its application-use field
            // at byte 883.
            QByteArray head(65536, '\0');
            int blocks = 0;
            if (isoburn_read_iso_head(d, msc1, &blocks, head.data(), 2) > 0)
                closed = head.mid(16 * 2048 + 883, closedMarker().size()) == closedMarker();
        }
        s.appendable = !closed && s.blocksFree > 0 && (s.blank || status == BURN_DISC_APPENDABLE);
    } else {
        int profile = 0;
        char profileName[80] = {};
        burn_disc_get_profile(d, &profile, profileName);
        s.mediaType = mediaTypeForProfile(profile);
        s.erasable = isoburn_disc_erasable(d) != 0;
        s.appendable = status == BURN_DISC_BLANK || status == BURN_DISC_APPENDABLE;
        s.blocksFree = s.appendable ? isoburn_disc_available_space(d, nullptr) / 2048 : 0;
        s.blocksUsed = s.blank ? 0 : (nwaValid ? nwa : 0);
        burn_speed_descriptor* raw = nullptr;
        if (burn_drive_get_speedlist(d, &raw) > 0 && raw) {
            SpeedListPtr list(raw);
            for (burn_speed_descriptor* it = list.get(); it; it = it->next) {
                if (it->write_speed > 0 && !s.speeds.contains(it->write_speed))
                    s.speeds.append(it->write_speed);
            }
            std::sort(s.speeds.begin(), s.speeds.end());
        }
    }
    drainMessages();
    return s;
}

MediaSnapshot IsoburnDevice::reassess()
{
    if (m_grab)
        m_grab->reassess();
    drainMessages();
    m_snapshot = readSnapshot();
    return m_snapshot;
}

bool IsoburnDevice::accessGranted()
{
    if (m_noAccess && ::access(QFile::encodeName(m_address).constData(), R_OK | W_OK) == 0)
        m_noAccess = false;
    return !m_noAccess;
}

CFDictionaryRef IsoburnDevice::Status()
{
    if (!accessGranted()) {
        MediaSnapshot s;
        s.noAccess = true;
        return s.toStatusDictionary();
    }
    if (m_grab)
        return m_snapshot.toStatusDictionary();
    // Not held: look once, without keeping the drive.
    QString why;
    if (!grabDrive(&why))
        return (m_lastPublished ? *m_lastPublished : MediaSnapshot()).toStatusDictionary();
    const MediaSnapshot s = readSnapshot();
    dropDrive();
    return s.toStatusDictionary();
}

int IsoburnDevice::AcquireExclusiveAccess()
{
    if (m_grants == 0 && !m_jobRunning) {
        QString why;
        if (!accessGranted()) {
            // Held all the same: the poll notices when access is granted
            // (a device ACL given by the login manager, for one).
            MediaSnapshot s;
            s.noAccess = true;
            publish(s, true);
        } else if (grabDrive(&why)) {
            reassess();
            publish(m_snapshot, true);
        } else if (m_isImage) {
            qCInfo(lcBurner).noquote() << why;
            return static_cast<int>(DRError::DeviceAccess);
        } else {
            // An optical drive without a disc cannot be grabbed. Hold it all
            // the same and keep trying, so that a disc put in is noticed.
            qCInfo(lcBurner).noquote() << why;
            publish(MediaSnapshot(), true);
        }
        m_pollTimer.start();
    }
    ++m_grants;
    return 0;
}

void IsoburnDevice::ReleaseExclusiveAccess()
{
    if (m_grants == 0)
        return;
    if (--m_grants == 0 && !m_jobRunning)
        dropDrive();
}

int IsoburnDevice::EjectMedia()
{
    // The disc image stays where it is.
    if (m_isImage)
        return 0;
    if (m_jobRunning)
        return static_cast<int>(DRError::DeviceAccess);
    QString why;
    const bool wasHeld = m_grants > 0;
    if (!grabDrive(&why))
        return static_cast<int>(DRError::DeviceAccess);
    m_grab->setEjectOnRelease(true);
    m_grab.reset();
    if (wasHeld) {
        // Still held: the poll grabs the drive again once a disc is in.
        publish(MediaSnapshot(), false);
    } else {
        m_lock.reset();
    }
    return 0;
}

DRBurnRef IsoburnDevice::Burn()
{
    return std::make_shared<IsoburnBurn>(shared_from_this());
}

DREraseRef IsoburnDevice::Erase()
{
    return std::make_shared<IsoburnErase>(shared_from_this());
}

bool IsoburnDevice::isMounted() const
{
    const QString me = QFileInfo(m_address).canonicalFilePath();
    if (me.isEmpty())
        return false;
    if (m_isImage) {
        // A loop device backed by the image means it is mounted (or about
        // to be); writing under a mounted file system corrupts both.
        QDirIterator it(QStringLiteral("/sys/block"), { QStringLiteral("loop*") }, QDir::Dirs | QDir::NoDotAndDotDot);
        while (it.hasNext()) {
            QFile backing(it.next() + QStringLiteral("/loop/backing_file"));
            if (backing.open(QIODevice::ReadOnly) && QFileInfo(QString::fromLocal8Bit(backing.readAll().trimmed())).canonicalFilePath() == me)
                return true;
        }
        return false;
    }
    QFile mounts(QStringLiteral("/proc/self/mounts"));
    if (!mounts.open(QIODevice::ReadOnly))
        return false;
    while (!mounts.atEnd()) {
        const QByteArray source = mounts.readLine().split(' ').value(0);
        if (source.startsWith('/') && QFileInfo(QString::fromLocal8Bit(source)).canonicalFilePath() == me)
            return true;
    }
    return false;
}

quint32 IsoburnDevice::beginJob(QString* why)
{
    if (m_jobRunning) {
        *why = QStringLiteral("The burner is busy.");
        return DRError::DeviceAccess;
    }
    if (!accessGranted()) {
        // Not the busy code: waiting does not help, the user must act.
        *why = QStringLiteral("You may not use the burner %1. ").arg(m_address) + noAccessAdvice(m_address, m_facts.group);
        return DRError::DeviceNotReady;
    }
    if (m_isImage) {
        if (isMounted()) {
            *why = QStringLiteral("The disc image \"%1\" is mounted.").arg(m_address);
            return DRError::DeviceAccess;
        }
    } else {
        // Desktops mount a disc as soon as it is in, and libburn refuses a
        // drive whose disc is mounted: ask udisks2 to unmount it, and wait
        // (the busy code is retried) until it has or has refused.
        // The system bus is opened only once a disc was found mounted.
        const bool mounted = isMounted();
        if (mounted && !m_unmounter)
            m_unmounter = std::make_unique<UDisksUnmounter>(QDBusConnection::systemBus());
        if (m_unmounter) {
            if (const quint32 code = m_unmounter->check(m_address, mounted, why))
                return code;
        }
    }
    if (!grabDrive(why))
        return DRError::DeviceAccess;
    m_pollTimer.stop();
    m_jobRunning = true;
    return 0;
}

void IsoburnDevice::endJob(bool eject)
{
    m_jobRunning = false;
    if (!m_grab)
        return;
    publish(reassess(), false);
    if (eject && !m_isImage) {
        m_grab->setEjectOnRelease(true);
        m_grab.reset();
        if (m_grants > 0) {
            QString why;
            if (grabDrive(&why))
                publish(reassess(), false);
        }
    }
    if (m_grants == 0)
        dropDrive();
    else
        m_pollTimer.start();
}

bool IsoburnDevice::truncateImage(QString* why)
{
    if (!m_isImage || !m_lock) {
        *why = QStringLiteral("Only the disc image can be emptied.");
        return false;
    }
    m_grab.reset();
    const bool done = ::ftruncate(m_lock->fd, 0) == 0;
    if (!done)
        *why = QStringLiteral("The disc image \"%1\" cannot be emptied: %2").arg(m_address, QString::fromLocal8Bit(std::strerror(errno)));
    QString grabWhy;
    if (!grabDrive(&grabWhy) && done) {
        *why = grabWhy;
        return false;
    }
    return done;
}

void IsoburnDevice::poll()
{
    if (m_jobRunning)
        return;
    if (m_noAccess) {
        if (!accessGranted())
            return;
        // No longer "no access", whether or not a disc can be read yet.
        publish(MediaSnapshot(), false);
    }
    if (!m_grab) {
        // Held without a grab: an optical drive that had no disc, or whose
        // disc was ejected. Try again; publish only changes.
        QString why;
        if (m_grants > 0 && !m_isImage && grabDrive(&why))
            publish(reassess(), false);
        return;
    }
    publish(reassess(), false);
}

void IsoburnDevice::publish(const MediaSnapshot& snapshot, bool always)
{
    if (!always && m_lastPublished && *m_lastPublished == snapshot)
        return;
    m_lastPublished = snapshot;
    DRNotificationCenter::Post(kDRDeviceStatusChangedNotification, *this, snapshot.toStatusDictionary());
}
