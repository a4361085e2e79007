#pragma once

// The notification center of one device object: it hands every notification
// it observes (the burner's, and those of the burns and erases the device
// object starts) to its parent's NotifierCallback. Owned by its CCDR; the
// parent pointer is a back reference. Main thread only.

#include "burner/drdevice.h"
#include "burner/drnotificationcenter.h"

class CCDR;

class CDRNotifier final : public DRNotificationCenter {
    Q_OBJECT
public:
    CDRNotifier(CCDR* parent, DRDeviceRef device);

    CCDR* parent = nullptr;
    DRDeviceRef TheDevice;

protected:
    void Received(const QString& name, quint64 objectID, const CFDictionaryRef& info) override;
};
