#pragma once

// A burner of the libisoburn service: an optical drive that libburn found, or
// the disc-image burner, a libburn "stdio:" drive on one image file that
// behaves like an 80-minute rewritable CD. Internal to the burner library.
//
// Ownership: shared by the device objects (CCDR) and the burn and erase jobs
// it starts. The drive is grabbed while exclusive access is held or a job
// runs; the image file is locked (flock) for that time.
// Thread: main thread only (libburn's own threads are only polled from here).

#include "burner/drdevice.h"
#include "burner/mediasnapshot.h"

#include <QObject>
#include <QTimer>

#include <memory>
#include <optional>

namespace burn {
struct burn_drive;
}
class UDisksUnmounter;
namespace IsoburnC {
class Library;
class DriveGrab;
}

// What the drive scan found out about an optical drive.
struct OpticalDriveFacts {
    QString address; // "/dev/sr0"
    QString vendor;
    QString product;
    QString revision;
    QString interconnect; // a kDRDevicePhysicalInterconnect... text
    QString location; // a kDRDevicePhysicalInterconnectLocation... text
    bool writesCDR = false;
    bool writesCDRW = false;
    bool writesDVD = false;
    // Found among the device nodes but not openable by this user (libburn
    // lists only drives it can open); group owns the node.
    bool noAccess = false;
    QString group;
};

class IsoburnDevice final : public QObject, public DRDevice, public std::enable_shared_from_this<IsoburnDevice> {
    Q_OBJECT
public:
    // Blocks of the disc image: an 80-minute CD.
    static constexpr qint64 kImageCapacityBlocks = 359847;

    static std::shared_ptr<IsoburnDevice> createOptical(std::shared_ptr<IsoburnC::Library> library, const OpticalDriveFacts& facts);
    static std::shared_ptr<IsoburnDevice> createImage(std::shared_ptr<IsoburnC::Library> library, const QString& imagePath);
    ~IsoburnDevice() override;

    [[nodiscard]] CFDictionaryRef Info() const override;
    [[nodiscard]] CFDictionaryRef Status() override;
    [[nodiscard]] int AcquireExclusiveAccess() override;
    void ReleaseExclusiveAccess() override;
    [[nodiscard]] int EjectMedia() override;
    [[nodiscard]] DRBurnRef Burn() override;
    [[nodiscard]] DREraseRef Erase() override;

    // --- for the burn and erase jobs of this device ---
    [[nodiscard]] bool isImage() const { return m_isImage; }
    // Makes the drive ready for a job: not busy with another one, not
    // mounted, grabbed and (image) locked. 0, or an error code with its text.
    [[nodiscard]] quint32 beginJob(QString* why);
    // Ends the job: re-reads the disc, reports its status, ejects when asked,
    // and lets go of a grab taken only for the job.
    void endJob(bool eject);
    [[nodiscard]] burn::burn_drive* drive() const;
    // Re-reads drive and disc (stale after a write or erase) and answers the
    // new snapshot.
    MediaSnapshot reassess();
    // Empties the image file (the erase of the disc image); the drive is
    // grabbed again afterwards. False with a reason on failure.
    bool truncateImage(QString* why);

    // The marker kept in the application-use field of a session's volume
    // descriptor when the session closed the disc.
    static const QByteArray& closedMarker();

private:
    IsoburnDevice(std::shared_ptr<IsoburnC::Library> library, bool isImage, const QString& address, const OpticalDriveFacts& facts);
    bool grabDrive(QString* why);
    void dropDrive();
    MediaSnapshot readSnapshot();
    [[nodiscard]] bool isMounted() const;
    void poll();
    // Checks the device node again; true once this user may open it.
    bool accessGranted();
    void publish(const MediaSnapshot& snapshot, bool always);

    std::shared_ptr<IsoburnC::Library> m_library;
    const bool m_isImage;
    const QString m_address; // device file, or image path
    const OpticalDriveFacts m_facts;

    struct ImageLock;
    std::unique_ptr<ImageLock> m_lock;
    std::unique_ptr<IsoburnC::DriveGrab> m_grab;
    int m_grants = 0;
    bool m_jobRunning = false;
    bool m_noAccess = false;
    std::unique_ptr<UDisksUnmounter> m_unmounter; // made on the first mounted disc
    std::optional<MediaSnapshot> m_lastPublished;
    MediaSnapshot m_snapshot;
    QTimer m_pollTimer;
};
