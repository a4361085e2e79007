#include "burner/cdrnotifier.h"

#include "burner/ccdr.h"

CDRNotifier::CDRNotifier(CCDR* parentObject, DRDeviceRef device)
    : parent(parentObject)
    , TheDevice(std::move(device))
{
}

void CDRNotifier::Received(const QString& name, quint64, const CFDictionaryRef& info)
{
    // The sender is not passed on: receivers tell notifications apart by name.
    if (parent)
        parent->NotifierCallback(name, info);
}
