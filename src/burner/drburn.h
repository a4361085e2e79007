#pragma once

// One burn of a session onto the disc of a device. WriteLayout starts the
// burn and returns at once; progress, errors and the end arrive as
// kDRBurnStatusChangedNotification from this object (see
// DRNotificationCenter). Main thread only.

#include "burner/drfilesystemtrack.h"
#include "burner/drobject.h"
#include "settings/cfobject.h"

class DRBurn;
using DRBurnRef = std::shared_ptr<DRBurn>;

class DRBurn : public DRObject {
public:
    ~DRBurn() override;

    // The burn keeps its own copy of the dictionary (kDRBurn... keys).
    void SetProperties(const CFDictionaryRef& properties);
    [[nodiscard]] CFDictionaryRef Properties() const { return m_properties; }

    // Starts writing the track as a new session. Returns at once.
    virtual void WriteLayout(const DRFilesystemTrackRef& track) = 0;
    // Asks a running burn to stop; its end is reported by notification.
    virtual void Abort() = 0;

protected:
    DRBurn();

private:
    CFDictionaryRef m_properties;
};
