#include "burner/diskrecordingmodule.h"

#include <QCoreApplication>

#include "burner/drservice.h"
#include "burner/isoburnservice.h"

namespace DiskRecordingModule {

namespace {
std::unique_ptr<DRService>& serviceSlot()
{
    static std::unique_ptr<DRService> service;
    return service;
}

BurnHost*& hostSlot()
{
    static BurnHost* host = nullptr;
    return host;
}
} // namespace

std::vector<std::shared_ptr<CCDR>>& DRDeviceArray()
{
    static std::vector<std::shared_ptr<CCDR>> devices(1);
    // Device objects hold drives and QObjects: let them go while the
    // application object still exists, not during static destruction.
    static const bool releaseAtExit = [] {
        qAddPostRoutine(ResetDeviceArray);
        return true;
    }();
    Q_UNUSED(releaseAtExit);
    return devices;
}

qint32 DRLoadBurnableDevices()
{
    const QVector<DRDeviceRef> list = Service().DeviceList();
    for (const DRDeviceRef& device : list) {
        if (device)
            DRDeviceArray().push_back(std::make_shared<CCDR>(device));
    }
    return static_cast<qint32>(list.size());
}

void ResetDeviceArray()
{
    // Swap first so that a device object's destructor never sees a half-
    // emptied list.
    std::vector<std::shared_ptr<CCDR>> old(1);
    old.swap(DRDeviceArray());
}

DRService& Service()
{
    std::unique_ptr<DRService>& slot = serviceSlot();
    if (!slot)
        slot = std::make_unique<IsoburnService>();
    return *slot;
}

void SetService(std::unique_ptr<DRService> service)
{
    serviceSlot() = std::move(service);
}

void SetBurnHost(BurnHost* host)
{
    hostSlot() = host;
}

BurnHost* CurrentBurnHost()
{
    return hostSlot();
}

} // namespace DiskRecordingModule
