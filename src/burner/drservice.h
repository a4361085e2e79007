#pragma once

// The disc recording service: where the burners come from. The program uses
// the libisoburn service (DiskRecordingModule makes it on first use); tests
// install their own through DiskRecordingModule::SetService.

#include "burner/drdevice.h"

#include <QVector>

class DRService {
public:
    virtual ~DRService();
    // The burners in the service's order. An entry may be empty (nullptr)
    // when a burner could not be described; callers skip it.
    [[nodiscard]] virtual QVector<DRDeviceRef> DeviceList() = 0;
};
