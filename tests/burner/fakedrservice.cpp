#include "fakedrservice.h"

#include "burner/drconstants.h"
#include "burner/drnotificationcenter.h"

namespace {
CFDictionaryRef progress(const QString& state, double percent)
{
    CFMutableDictionaryRef status = CFMutableDictionary::create();
    status->setString(kDRStatusStateKey, state);
    status->setReal(kDRStatusPercentCompleteKey, percent);
    return status;
}
} // namespace

void FakeBurn::WriteLayout(const DRFilesystemTrackRef& track)
{
    ++writeCalls;
    writtenTrack = track;
}

void FakeBurn::sendStatus(const QString& state, double percent)
{
    DRNotificationCenter::Post(kDRBurnStatusChangedNotification, *this, progress(state, percent));
}

void FakeErase::sendStatus(const QString& state, double percent)
{
    DRNotificationCenter::Post(kDREraseStatusChangedNotification, *this, progress(state, percent));
}

int FakeDevice::AcquireExclusiveAccess()
{
    const int result = acquireCalls < acquireResults.size() ? acquireResults.at(acquireCalls) : 0;
    ++acquireCalls;
    if (callLog)
        callLog->append(QStringLiteral("acquire ") + logName);
    return result;
}

void FakeDevice::ReleaseExclusiveAccess()
{
    ++releaseCalls;
    if (callLog)
        callLog->append(QStringLiteral("release ") + logName);
}

int FakeDevice::EjectMedia()
{
    ++ejectCalls;
    return ejectResult;
}

DRBurnRef FakeDevice::Burn()
{
    burns.append(std::make_shared<FakeBurn>());
    return burns.last();
}

DREraseRef FakeDevice::Erase()
{
    erases.append(std::make_shared<FakeErase>());
    return erases.last();
}

void FakeDevice::sendStatus()
{
    DRNotificationCenter::Post(kDRDeviceStatusChangedNotification, *this, status);
}

CFDictionaryRef FakeDevice::makeInfo(const QString& vendor, const QString& product, const QString& interconnect, const QString& location)
{
    CFMutableDictionaryRef d = CFMutableDictionary::create();
    if (!vendor.isNull())
        d->setString(kDRDeviceVendorNameKey, vendor);
    if (!product.isNull())
        d->setString(kDRDeviceProductNameKey, product);
    if (!interconnect.isNull())
        d->setString(kDRDevicePhysicalInterconnectKey, interconnect);
    if (!location.isNull())
        d->setString(kDRDevicePhysicalInterconnectLocationKey, location);
    return d;
}
