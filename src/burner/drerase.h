#pragma once

// One erase of the disc of a device. Start returns at once; progress, errors
// and the end arrive as kDREraseStatusChangedNotification from this object.
// Main thread only.

#include "burner/drobject.h"

#include <memory>

class DRErase;
using DREraseRef = std::shared_ptr<DRErase>;

class DRErase : public DRObject {
public:
    ~DRErase() override;
    virtual void Start() = 0;

protected:
    DRErase() = default;
};
