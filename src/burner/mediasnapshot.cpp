#include "burner/mediasnapshot.h"

#include "burner/drconstants.h"

CFDictionaryRef MediaSnapshot::toStatusDictionary() const
{
    CFMutableDictionaryRef status = CFMutableDictionary::create();
    status->setString(kDRDeviceMediaStateKey, mediaPresent ? kDRDeviceMediaStateMediaPresent : kDRDeviceMediaStateNone);
    if (noAccess)
        status->setBoolean(kKestrowDeviceNoAccessKey, true);
    if (!mediaPresent)
        return status;
    CFMutableDictionaryRef info = CFMutableDictionary::create();
    info->setNumber(kDRDeviceMediaBlocksFreeKey, blocksFree);
    info->setNumber(kDRDeviceMediaBlocksUsedKey, blocksUsed);
    info->setNumber(kDRDeviceMediaSessionCountKey, sessionCount);
    info->setNumber(kDRDeviceMediaTrackCountKey, trackCount);
    info->setBoolean(kDRDeviceMediaIsAppendableKey, appendable);
    info->setBoolean(kDRDeviceMediaIsBlankKey, blank);
    info->setBoolean(kDRDeviceMediaIsErasableKey, erasable);
    info->setString(kDRDeviceMediaTypeKey, mediaType);
    if (!speeds.isEmpty()) {
        CFMutableArrayRef list = CFMutableArray::create();
        for (int kbps : speeds)
            list->append(CFNumber::createFloat(static_cast<float>(kbps)));
        info->setValue(kDRDeviceBurnSpeedsKey, list);
    }
    status->setValue(kDRDeviceMediaInfoKey, info);
    return status;
}
