#pragma once

// A scriptable disc recording service for tests of the device object and of
// anything driven by notifications. Devices answer what the test sets and
// count what they were asked; burns and erases record their calls and send
// whatever notifications the test tells them to. Main thread only.

#include "burner/drdevice.h"
#include "burner/drservice.h"

#include <QVector>

class FakeBurn final : public DRBurn {
public:
    void WriteLayout(const DRFilesystemTrackRef& track) override;
    void Abort() override { ++abortCalls; }
    // Sends a kDRBurnStatusChangedNotification from this burn.
    void sendStatus(const QString& state, double percent);

    DRFilesystemTrackRef writtenTrack;
    int writeCalls = 0;
    int abortCalls = 0;
};

class FakeErase final : public DRErase {
public:
    void Start() override { ++startCalls; }
    void sendStatus(const QString& state, double percent);
    int startCalls = 0;
};

class FakeDevice final : public DRDevice {
public:
    [[nodiscard]] CFDictionaryRef Info() const override { return info; }
    [[nodiscard]] CFDictionaryRef Status() override { return status; }
    [[nodiscard]] int AcquireExclusiveAccess() override;
    void ReleaseExclusiveAccess() override;
    [[nodiscard]] int EjectMedia() override;
    [[nodiscard]] DRBurnRef Burn() override;
    [[nodiscard]] DREraseRef Erase() override;

    // Sends a kDRDeviceStatusChangedNotification with status.
    void sendStatus();

    // Info with these texts (a null text leaves its key out).
    static CFDictionaryRef makeInfo(const QString& vendor, const QString& product, const QString& interconnect, const QString& location);

    CFDictionaryRef info = std::make_shared<CFDictionary>();
    CFDictionaryRef status = std::make_shared<CFDictionary>();
    QVector<int> acquireResults; // answered in turn; 0 once used up
    int ejectResult = 0;
    int acquireCalls = 0;
    int releaseCalls = 0;
    int ejectCalls = 0;
    QVector<std::shared_ptr<FakeBurn>> burns;
    QVector<std::shared_ptr<FakeErase>> erases;
    // When set, every acquire and release is recorded as "acquire <name>" or
    // "release <name>", so tests can check the order across devices.
    QStringList* callLog = nullptr;
    QString logName;
};

class FakeDRService final : public DRService {
public:
    explicit FakeDRService(QVector<DRDeviceRef> devices)
        : m_devices(std::move(devices))
    {
    }
    [[nodiscard]] QVector<DRDeviceRef> DeviceList() override { return m_devices; }

private:
    QVector<DRDeviceRef> m_devices;
};
