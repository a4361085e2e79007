#pragma once

// Texts of the disc recording layer: notification names, dictionary keys and
// values, burn property keys, speeds and error codes. Keys and values are
// compared as texts, so every producer and consumer uses these constants.

#include <QString>
#include <QtGlobal>

// Notification names.
inline const QString kDRDeviceStatusChangedNotification = QStringLiteral("DRDeviceStatusChangedNotification");
inline const QString kDRBurnStatusChangedNotification = QStringLiteral("DRBurnStatusChangedNotification");
inline const QString kDREraseStatusChangedNotification = QStringLiteral("DREraseStatusChangedNotification");

// Device info dictionary.
inline const QString kDRDeviceVendorNameKey = QStringLiteral("DRDeviceVendorNameKey");
inline const QString kDRDeviceProductNameKey = QStringLiteral("DRDeviceProductNameKey");
inline const QString kDRDeviceFirmwareRevisionKey = QStringLiteral("DRDeviceFirmwareRevisionKey");
inline const QString kDRDevicePhysicalInterconnectKey = QStringLiteral("DRDevicePhysicalInterconnectKey");
inline const QString kDRDevicePhysicalInterconnectATAPI = QStringLiteral("DRDevicePhysicalInterconnectATAPI");
inline const QString kDRDevicePhysicalInterconnectFireWire = QStringLiteral("DRDevicePhysicalInterconnectFireWire");
inline const QString kDRDevicePhysicalInterconnectSCSI = QStringLiteral("DRDevicePhysicalInterconnectSCSI");
inline const QString kDRDevicePhysicalInterconnectUSB = QStringLiteral("DRDevicePhysicalInterconnectUSB");
inline const QString kDRDevicePhysicalInterconnectLocationKey = QStringLiteral("DRDevicePhysicalInterconnectLocationKey");
inline const QString kDRDevicePhysicalInterconnectLocationInternal = QStringLiteral("DRDevicePhysicalInterconnectLocationInternal");
inline const QString kDRDevicePhysicalInterconnectLocationExternal = QStringLiteral("DRDevicePhysicalInterconnectLocationExternal");
inline const QString kDRDeviceSupportLevelKey = QStringLiteral("DRDeviceSupportLevelKey");
inline const QString kDRDeviceSupportLevelAppleShipping = QStringLiteral("DRDeviceSupportLevelAppleShipping");
inline const QString kDRDeviceSupportLevelUnsupported = QStringLiteral("DRDeviceSupportLevelUnsupported");
inline const QString kDRDeviceWriteCapabilitiesKey = QStringLiteral("DRDeviceWriteCapabilitiesKey");
inline const QString kDRDeviceCanUnderrunProtectCDKey = QStringLiteral("DRDeviceCanUnderrunProtectCDKey");
inline const QString kDRDeviceCanWriteCDKey = QStringLiteral("DRDeviceCanWriteCDKey");
inline const QString kDRDeviceCanWriteCDRKey = QStringLiteral("DRDeviceCanWriteCDRKey");
inline const QString kDRDeviceCanWriteCDRWKey = QStringLiteral("DRDeviceCanWriteCDRWKey");
inline const QString kDRDeviceCanWriteDVDKey = QStringLiteral("DRDeviceCanWriteDVDKey");

// Device status dictionary.
inline const QString kDRDeviceMediaStateKey = QStringLiteral("DRDeviceMediaStateKey");
inline const QString kDRDeviceMediaStateMediaPresent = QStringLiteral("DRDeviceMediaStateMediaPresent");
inline const QString kDRDeviceMediaStateNone = QStringLiteral("DRDeviceMediaStateNone");
inline const QString kDRDeviceMediaInfoKey = QStringLiteral("DRDeviceMediaInfoKey");
inline const QString kDRDeviceMediaBlocksFreeKey = QStringLiteral("DRDeviceMediaBlocksFreeKey");
inline const QString kDRDeviceMediaBlocksUsedKey = QStringLiteral("DRDeviceMediaBlocksUsedKey");
inline const QString kDRDeviceMediaSessionCountKey = QStringLiteral("DRDeviceMediaSessionCountKey");
inline const QString kDRDeviceMediaTrackCountKey = QStringLiteral("DRDeviceMediaTrackCountKey");
inline const QString kDRDeviceMediaIsAppendableKey = QStringLiteral("DRDeviceMediaIsAppendableKey");
inline const QString kDRDeviceMediaIsBlankKey = QStringLiteral("DRDeviceMediaIsBlankKey");
inline const QString kDRDeviceMediaIsErasableKey = QStringLiteral("DRDeviceMediaIsErasableKey");
inline const QString kDRDeviceMediaTypeKey = QStringLiteral("DRDeviceMediaTypeKey");
inline const QString kDRDeviceBurnSpeedsKey = QStringLiteral("DRDeviceBurnSpeedsKey");
// Kestrow's own: true in the status of a drive that exists but that this user
// may not open (the device node's permissions); such a status carries no
// media info. The info of such a drive names its device node and the node's
// group under the two keys below it.
inline const QString kKestrowDeviceNoAccessKey = QStringLiteral("KestrowDeviceNoAccessKey");
inline const QString kKestrowDeviceNodeKey = QStringLiteral("KestrowDeviceNodeKey");
inline const QString kKestrowDeviceNodeGroupKey = QStringLiteral("KestrowDeviceNodeGroupKey");

inline const QString kDRDeviceMediaTypeCDROM = QStringLiteral("DRDeviceMediaTypeCDROM");
inline const QString kDRDeviceMediaTypeCDR = QStringLiteral("DRDeviceMediaTypeCDR");
inline const QString kDRDeviceMediaTypeCDRW = QStringLiteral("DRDeviceMediaTypeCDRW");
inline const QString kDRDeviceMediaTypeDVDROM = QStringLiteral("DRDeviceMediaTypeDVDROM");
inline const QString kDRDeviceMediaTypeDVDRAM = QStringLiteral("DRDeviceMediaTypeDVDRAM");
inline const QString kDRDeviceMediaTypeDVDR = QStringLiteral("DRDeviceMediaTypeDVDR");
inline const QString kDRDeviceMediaTypeDVDRW = QStringLiteral("DRDeviceMediaTypeDVDRW");
inline const QString kDRDeviceMediaTypeDVDPlusR = QStringLiteral("DRDeviceMediaTypeDVDPlusR");
inline const QString kDRDeviceMediaTypeDVDPlusRW = QStringLiteral("DRDeviceMediaTypeDVDPlusRW");
inline const QString kDRDeviceMediaTypeBDR = QStringLiteral("DRDeviceMediaTypeBDR");
inline const QString kDRDeviceMediaTypeBDRE = QStringLiteral("DRDeviceMediaTypeBDRE");
inline const QString kDRDeviceMediaTypeBDROM = QStringLiteral("DRDeviceMediaTypeBDROM");
inline const QString kDRDeviceMediaTypeUnknown = QStringLiteral("DRDeviceMediaTypeUnknown");

// Burn and erase progress dictionaries.
inline const QString kDRStatusStateKey = QStringLiteral("DRStatusStateKey");
inline const QString kDRStatusStatePreparing = QStringLiteral("DRStatusStatePreparing");
inline const QString kDRStatusStateSessionOpen = QStringLiteral("DRStatusStateSessionOpen");
inline const QString kDRStatusStateTrackOpen = QStringLiteral("DRStatusStateTrackOpen");
inline const QString kDRStatusStateTrackWrite = QStringLiteral("DRStatusStateTrackWrite");
inline const QString kDRStatusStateTrackClose = QStringLiteral("DRStatusStateTrackClose");
inline const QString kDRStatusStateSessionClose = QStringLiteral("DRStatusStateSessionClose");
inline const QString kDRStatusStateFinishing = QStringLiteral("DRStatusStateFinishing");
inline const QString kDRStatusStateVerifying = QStringLiteral("DRStatusStateVerifying");
inline const QString kDRStatusStateErasing = QStringLiteral("DRStatusStateErasing");
inline const QString kDRStatusStateDone = QStringLiteral("DRStatusStateDone");
inline const QString kDRStatusStateFailed = QStringLiteral("DRStatusStateFailed");
inline const QString kDRStatusPercentCompleteKey = QStringLiteral("DRStatusPercentCompleteKey");
// Kestrow's own progress numbers, present in a burn status while the data are
// being written (kDRStatusStateTrackWrite) and only when libburn reports
// them: bytes of the session written so far and the session's size (both
// real numbers, bytes), and the speed of the last second or so in kilobytes
// (1000 bytes) per second. A status without them means "cannot tell".
inline const QString kKestrowStatusBytesWrittenKey = QStringLiteral("KestrowStatusBytesWrittenKey");
inline const QString kKestrowStatusBytesTotalKey = QStringLiteral("KestrowStatusBytesTotalKey");
inline const QString kKestrowStatusCurrentSpeedKey = QStringLiteral("KestrowStatusCurrentSpeedKey");
inline const QString kDRErrorStatusKey = QStringLiteral("DRErrorStatusKey");
inline const QString kDRErrorStatusErrorKey = QStringLiteral("DRErrorStatusErrorKey");
inline const QString kDRErrorStatusErrorStringKey = QStringLiteral("DRErrorStatusErrorStringKey");
inline const QString kDRErrorStatusAdditionalSenseStringKey = QStringLiteral("DRErrorStatusAdditionalSenseStringKey");

// Burn properties.
inline const QString kDRBurnAppendableKey = QStringLiteral("DRBurnAppendableKey");
inline const QString kDRBurnVerifyDiscKey = QStringLiteral("DRBurnVerifyDiscKey");
inline const QString kDRBurnTestingKey = QStringLiteral("DRBurnTestingKey");
inline const QString kDRBurnCompletionActionKey = QStringLiteral("DRBurnCompletionActionKey");
inline const QString kDRBurnCompletionActionEject = QStringLiteral("DRBurnCompletionActionEject");
inline const QString kDRBurnCompletionActionMount = QStringLiteral("DRBurnCompletionActionMount");
inline const QString kDRBurnRequestedSpeedKey = QStringLiteral("DRBurnRequestedSpeedKey");

// Speeds in kilobytes (1000 bytes) per second. The maximum is a marker that
// asks the drive for its fastest speed.
inline constexpr float kDRDeviceBurnSpeedCD1x = 176.4f;
inline constexpr float kDRDeviceBurnSpeedDVD1x = 1385.0f;
inline constexpr float kDRDeviceBurnSpeedMax = 65535.0f;

// Error codes under kDRErrorStatusErrorKey. Held as 32-bit patterns; the
// number in the dictionary is the signed 32-bit value.
namespace DRError {
inline constexpr quint32 Internal = 0x80020000;
inline constexpr quint32 UserCanceled = 0x80020001;
inline constexpr quint32 BadLayout = 0x80020002;
inline constexpr quint32 SourceUnreadable = 0x80020004;
// The drive is busy, the disc mounted or the image held by another program;
// nothing has been written. The burn workflow retries this one.
inline constexpr quint32 DeviceAccess = 0x80020021;
// The disc is mounted and could not be unmounted (udisks2 refused or is not
// there); the text says how to unmount it by hand. Not retried.
inline constexpr quint32 MountedDisc = 0x80020022;
inline constexpr quint32 DeviceNotReady = 0x80020023;
inline constexpr quint32 MediaNotPresent = 0x80020040;
inline constexpr quint32 MediaNotWritable = 0x80020042;
inline constexpr quint32 MediaNotErasable = 0x80020044;
inline constexpr quint32 InsufficientSpace = 0x80020048;
inline constexpr quint32 WriteFailed = 0x80020060;
inline constexpr quint32 VerifyFailed = 0x80020062;
inline constexpr quint32 EraseFailed = 0x80020064;
} // namespace DRError
