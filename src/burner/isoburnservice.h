#pragma once

// The disc recording service on libisoburn: every optical drive libburn finds,
// in its order, then the disc-image burner on "Kestrow Disc Image.iso" in the
// user's documents folder. Main thread only.

#include "burner/drservice.h"

#include <QString>

#include <memory>

namespace IsoburnC {
class Library;
}

class IsoburnService final : public DRService {
public:
    IsoburnService();
    ~IsoburnService() override;
    [[nodiscard]] QVector<DRDeviceRef> DeviceList() override;

    // The disc image's path.
    [[nodiscard]] static QString imagePath();
    // The disc-image burner alone, for a path of the caller's choice.
    [[nodiscard]] static DRDeviceRef createImageDevice(const QString& path);

private:
    std::shared_ptr<IsoburnC::Library> m_library;
};
