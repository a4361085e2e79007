#include "burner/ccdr.h"

#include "burner/burnhost.h"
#include "burner/ccallbackinterface.h"
#include "burner/diskrecordingmodule.h"
#include "burner/drconstants.h"
#include "settings/usermessage.h"

CCDR::CCDR(DRDeviceRef device)
    : MyDRDevice(std::move(device))
{
    BuildDeviceNotifier();
}

CCDR::~CCDR()
{
    if (MyDRDevice)
        ReleaseExclusiveAccess();
}

QString CCDR::infoText(const QString& key) const
{
    if (!MyDRDevice)
        return {};
    const CFDictionaryRef info = MyDRDevice->Info();
    const CFStringRef text = info ? info->stringValue(key) : nullptr;
    return text ? text->value() : QString();
}

QString CCDR::GetVendor() const
{
    return infoText(kDRDeviceVendorNameKey);
}

QString CCDR::GetProductDescription() const
{
    return infoText(kDRDeviceProductNameKey);
}

QString CCDR::GetConnectionMethod() const
{
    const QString v = infoText(kDRDevicePhysicalInterconnectKey);
    if (v == kDRDevicePhysicalInterconnectATAPI)
        return QStringLiteral("ATAPI");
    if (v == kDRDevicePhysicalInterconnectFireWire)
        return QStringLiteral("FireWire");
    if (v == kDRDevicePhysicalInterconnectSCSI)
        return QStringLiteral("SCSI");
    if (v == kDRDevicePhysicalInterconnectUSB)
        return QStringLiteral("USB");
    return v;
}

QString CCDR::GetLocation() const
{
    const QString v = infoText(kDRDevicePhysicalInterconnectLocationKey);
    if (v == kDRDevicePhysicalInterconnectLocationExternal)
        return QStringLiteral("External");
    if (v == kDRDevicePhysicalInterconnectLocationInternal)
        return QStringLiteral("Internal");
    return v;
}

QString CCDR::GetDescriptiveName() const
{
    return GetLocation() + QLatin1Char(' ') + GetVendor() + QLatin1Char(' ') + GetProductDescription() + QStringLiteral(" via ")
        + GetConnectionMethod();
}

bool CCDR::AquireExclusiveAccess()
{
    const int result = MyDRDevice ? MyDRDevice->AcquireExclusiveAccess() : -1;
    ++ExclusiveAccessCount;
    return result == 0;
}

void CCDR::ReleaseExclusiveAccess()
{
    for (qint32 i = 0; i < ExclusiveAccessCount; ++i)
        MyDRDevice->ReleaseExclusiveAccess();
    ExclusiveAccessCount = 0;
}

void CCDR::eject()
{
    if (!MyDRDevice)
        return;
    const int result = MyDRDevice->EjectMedia();
    // The whole number: a double's short form would read -2.14735e+09.
    if (result != 0)
        UserMessage::show(QString::number(result));
}

void CCDR::BuildDeviceNotifier()
{
    if (DeviceNotifier)
        return;
    DeviceNotifier = std::make_unique<CDRNotifier>(this, MyDRDevice);
    DeviceNotifier->AddObserver(QString(), MyDRDevice.get());
}

void CCDR::RegisterForCallback(CCallBackInterface* callback)
{
    if (callback && !CallBackArray.contains(callback))
        CallBackArray.append(callback);
}

void CCDR::UnRegisterForCallback(CCallBackInterface* callback)
{
    CallBackArray.removeOne(callback);
}

void CCDR::NotifierCallback(const QString& name, const CFDictionaryRef& info)
{
    // A callback may unregister itself or another one while it runs: walk a
    // snapshot and skip entries that are gone by the time their turn comes.
    const QVector<CCallBackInterface*> snapshot = CallBackArray;
    for (CCallBackInterface* callback : snapshot) {
        if (CallBackArray.contains(callback))
            callback->CBGotMedia(name, info);
    }
}

void CCDR::ClearItems()
{
    FileArray.clear();
}

void CCDR::AddItem(const QFileInfo& item)
{
    if (item.isDir())
        FileArray.append(DRFolder::createReal(item));
    else
        FileArray.append(DRFile::createReal(item));
}

void CCDR::AddVirtualItem(DRFSObjectRef item)
{
    if (item)
        FileArray.append(std::move(item));
}

QString CCDR::ComposeVolumeName(const QString& fieldText, int popupIndex, const QString& popupText)
{
    // Only the date (1) and the running number (2) are suffixes; the
    // separator and the reset item below them are never a name.
    if (popupIndex == 1 || popupIndex == 2)
        return fieldText + QLatin1Char(' ') + popupText;
    return fieldText;
}

CFMutableDictionaryRef CCDR::BuildBurnProperties(qint32 speedIndex, bool verify, bool eject, bool test, bool finalize, const CFArrayRef& speeds)
{
    CFNumberRef speed;
    if (speeds) {
        const CFNumberRef entry = cf_cast<CFNumber>(speeds->valueAt(speedIndex));
        if (entry) {
            speed = entry;
        } else {
            UserMessage::show(QStringLiteral("unable to set speed as requested, defaulting to max speed"));
            speed = CFNumber::createFloat(kDRDeviceBurnSpeedMax);
        }
    } else {
        speed = CFNumber::createFloat(speedIndex == 0 ? kDRDeviceBurnSpeedCD1x : kDRDeviceBurnSpeedMax);
    }

    CFMutableDictionaryRef properties = CFMutableDictionary::create();
    properties->setBoolean(kDRBurnAppendableKey, !finalize);
    properties->setBoolean(kDRBurnVerifyDiscKey, verify);
    properties->setString(kDRBurnCompletionActionKey, eject ? kDRBurnCompletionActionEject : kDRBurnCompletionActionMount);
    properties->setBoolean(kDRBurnTestingKey, test);
    properties->setValue(kDRBurnRequestedSpeedKey, speed);
    return properties;
}

void CCDR::Burn(qint32 speedIndex, bool verify, bool eject, bool test, bool finalize)
{
    const BurnHost* host = DiskRecordingModule::CurrentBurnHost();
    const QString volumeName = host ? ComposeVolumeName(host->volumeNameFieldText(), host->databasePopupIndex(), host->databasePopupText())
                                    : QStringLiteral("Untitled Volume");
    RootFolder = DRFolder::createVirtual(volumeName);

    if (FileArray.isEmpty())
        UserMessage::show(QStringLiteral("Something odd, the count is 0 for items to burn"));
    for (const DRFSObjectRef& item : std::as_const(FileArray))
        RootFolder->AddChild(item);

    CreateBurn();
    TheTrack = DRFilesystemTrack::create(RootFolder);
    DeviceNotifier->AddObserver(QString(), MyBurn.get());

    LastBurnProperties = BuildBurnProperties(speedIndex, verify, eject, test, finalize, host ? host->burnSpeeds() : nullptr);
    MyBurn->SetProperties(LastBurnProperties);
    MyBurn->WriteLayout(TheTrack);
}

void CCDR::CreateBurn()
{
    MyBurn = MyDRDevice->Burn();
}

void CCDR::BurnRetry()
{
    // Needs a preceding Burn; without one there is nothing to repeat.
    if (!TheTrack || !LastBurnProperties)
        return;
    CreateBurn();
    DeviceNotifier->AddObserver(QString(), MyBurn.get());
    MyBurn->SetProperties(LastBurnProperties);
    MyBurn->WriteLayout(TheTrack);
}

void CCDR::Abort()
{
    if (MyBurn)
        MyBurn->Abort();
}

void CCDR::CreateEraser()
{
    MyEraser = MyDRDevice->Erase();
}

void CCDR::Erase()
{
    CreateEraser();
    DeviceNotifier->AddObserver(QString(), MyEraser.get());
    MyEraser->Start();
}
