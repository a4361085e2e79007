#pragma once

// A burner as the disc recording service sees it. Implemented by the real
// service (libisoburn) in this library and by a scriptable fake in the tests.
// Main thread only. The device sends kDRDeviceStatusChangedNotification with
// its status dictionary while it is held (exclusive access) whenever the disc
// or its state changes.

#include "burner/drburn.h"
#include "burner/drerase.h"
#include "burner/drobject.h"
#include "settings/cfobject.h"

class DRDevice;
using DRDeviceRef = std::shared_ptr<DRDevice>;

class DRDevice : public DRObject {
public:
    ~DRDevice() override;

    // The fixed facts (vendor, product, firmware, interconnect, location,
    // support level, write capabilities). A fresh dictionary on every call.
    [[nodiscard]] virtual CFDictionaryRef Info() const = 0;
    // The media state and, when a disc is in, the media info.
    [[nodiscard]] virtual CFDictionaryRef Status() = 0;

    // 0 when access was granted; every grant is undone by one release.
    [[nodiscard]] virtual int AcquireExclusiveAccess() = 0;
    // Undoes one grant; nothing when none is outstanding.
    virtual void ReleaseExclusiveAccess() = 0;
    // 0 when done.
    [[nodiscard]] virtual int EjectMedia() = 0;

    // New burn and erase objects for this device; the caller owns them.
    [[nodiscard]] virtual DRBurnRef Burn() = 0;
    [[nodiscard]] virtual DREraseRef Erase() = 0;

protected:
    DRDevice() = default;
};
