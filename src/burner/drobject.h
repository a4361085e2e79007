#pragma once

// Base of the disc recording layer's objects that send notifications
// (devices, burns, erases). Each object has a process-wide unique identity
// that observers register for; an identity is never reused, so an observer
// added for an object that is gone never matches a later object.

#include <QtGlobal>

#include <atomic>

class DRObject {
public:
    DRObject();
    virtual ~DRObject();
    DRObject(const DRObject&) = delete;
    DRObject& operator=(const DRObject&) = delete;

    [[nodiscard]] quint64 objectID() const { return m_objectID; }

private:
    quint64 m_objectID;
};
