#pragma once

// The disc recording service on libisoburn: every optical drive libburn finds,
// in its order, then the disc-image burner on "Kestrow Disc Image.iso" in the
// user's documents folder. Main thread only.

#include "burner/drservice.h"

#include <QString>
#include <QStringList>
#include <QVector>

#include <memory>

namespace IsoburnC {
class Library;
}
struct OpticalDriveFacts;

class IsoburnService final : public DRService {
public:
    IsoburnService();
    ~IsoburnService() override;
    [[nodiscard]] QVector<DRDeviceRef> DeviceList() override;

    // The disc image's path.
    [[nodiscard]] static QString imagePath();
    // The disc-image burner alone, for a path of the caller's choice.
    [[nodiscard]] static DRDeviceRef createImageDevice(const QString& path);
    // The drives among nodes (device files such as "/dev/sr0") that exist,
    // are not among found (what libburn listed; it lists only drives it can
    // open) and that this user may not open for reading and writing: their
    // facts, with noAccess set and the group that owns the node. Vendor and
    // product come from sysfs when it knows the node.
    [[nodiscard]] static QVector<OpticalDriveFacts> unopenableDrives(const QStringList& nodes, const QStringList& found);

private:
    std::shared_ptr<IsoburnC::Library> m_library;
};
