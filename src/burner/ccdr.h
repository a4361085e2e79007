#pragma once

// The device object: one per burner, owned by DiskRecordingModule's device
// array. It names its burner, counts exclusive-access requests, ejects, hands
// the notifications of its burner (and of the burns and erases it starts) to
// the callbacks registered with it, and composes and starts burns and erases.
//
// Ownership: the device object owns its notifier, its item list and the
// service objects of its last burn and erase. Registered callbacks are only
// referred to; whoever registers one must unregister it before it goes.
// Thread: main thread only. Burn and Erase return at once; their progress
// arrives later through the callbacks.

#include "burner/cdrnotifier.h"
#include "burner/drburn.h"
#include "burner/drdevice.h"
#include "burner/drerase.h"
#include "burner/drfile.h"
#include "burner/drfilesystemtrack.h"
#include "burner/drfolder.h"
#include "settings/cfobject.h"

#include <QFileInfo>
#include <QString>
#include <QVector>

#include <memory>

class CCallBackInterface;

class CCDR {
public:
    explicit CCDR(DRDeviceRef device);
    ~CCDR();
    CCDR(const CCDR&) = delete;
    CCDR& operator=(const CCDR&) = delete;

    // Naming, from a fresh info dictionary each time. A missing or non-text
    // value gives an empty text.
    [[nodiscard]] QString GetDescriptiveName() const;
    [[nodiscard]] QString GetVendor() const;
    [[nodiscard]] QString GetProductDescription() const;
    [[nodiscard]] QString GetConnectionMethod() const;
    [[nodiscard]] QString GetLocation() const;

    // Counts the request whatever the outcome; true when the service granted it.
    bool AquireExclusiveAccess();
    // Releases once per request counted since the last release, then zero.
    void ReleaseExclusiveAccess();
    // A refusal is shown (UserMessage) as the service's number alone.
    void eject();

    void BuildDeviceNotifier();
    void RegisterForCallback(CCallBackInterface* callback);
    void UnRegisterForCallback(CCallBackInterface* callback);
    void NotifierCallback(const QString& name, const CFDictionaryRef& info);

    // The items of the next burn.
    void ClearItems();
    void AddItem(const QFileInfo& item);
    void AddVirtualItem(DRFSObjectRef item);

    // Composes the session (volume name from the BurnHost, the items, the
    // property dictionary) and starts the burn.
    void Burn(qint32 speedIndex, bool verify, bool eject, bool test, bool finalize);
    void CreateBurn();
    // Starts the last composed burn again with a new burn object.
    void BurnRetry();
    void Abort();
    void CreateEraser();
    void Erase();

    // The volume name rule: the field's text, then, when the popup's index
    // is above 0, a blank and the popup item's text.
    [[nodiscard]] static QString ComposeVolumeName(const QString& fieldText, int popupIndex, const QString& popupText);
    // The burn property dictionary; the speed chosen from speeds (may be
    // null) by the speed index. Shows the speed message box when the index
    // does not give a number from the list.
    [[nodiscard]] static CFMutableDictionaryRef BuildBurnProperties(qint32 speedIndex, bool verify, bool eject, bool test, bool finalize,
        const CFArrayRef& speeds);

    // Fields, in the order of the design.
    const DRDeviceRef MyDRDevice;
    std::unique_ptr<CDRNotifier> DeviceNotifier;
    QVector<CCallBackInterface*> CallBackArray;
    DRBurnRef MyBurn;
    QVector<DRFSObjectRef> FileArray;
    qint32 ExclusiveAccessCount = 0;
    CFMutableDictionaryRef LastBurnProperties;
    DREraseRef MyEraser;
    DRFilesystemTrackRef TheTrack;
    DRFolderRef RootFolder;

private:
    [[nodiscard]] QString infoText(const QString& key) const;
};
