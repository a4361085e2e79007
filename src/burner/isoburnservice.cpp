#include "burner/isoburnservice.h"

#include "burner/burnerlog.h"
#include "burner/drconstants.h"
#include "burner/isoburnc_p.h"
#include "burner/isoburndevice.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

using namespace IsoburnC;

namespace {
// The interconnect of /dev/srN from the device's path in sysfs.
QString interconnectOf(const QString& address)
{
    const QString name = QFileInfo(QFileInfo(address).canonicalFilePath()).fileName();
    const QString path = QFileInfo(QStringLiteral("/sys/block/%1/device").arg(name)).canonicalFilePath();
    if (path.contains(QLatin1String("/usb")))
        return kDRDevicePhysicalInterconnectUSB;
    if (path.contains(QLatin1String("/firewire")) || path.contains(QLatin1String("/fw")))
        return kDRDevicePhysicalInterconnectFireWire;
    if (path.contains(QLatin1String("/ata")))
        return kDRDevicePhysicalInterconnectATAPI;
    return kDRDevicePhysicalInterconnectSCSI;
}

QString trimmed(const char* text, int size)
{
    return QString::fromLatin1(text, static_cast<int>(qstrnlen(text, size))).trimmed();
}
} // namespace

IsoburnService::IsoburnService()
    : m_library(Library::acquire())
{
}

IsoburnService::~IsoburnService() = default;

QString IsoburnService::imagePath()
{
    return QDir(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation)).filePath(QStringLiteral("Kestrow Disc Image.iso"));
}

DRDeviceRef IsoburnService::createImageDevice(const QString& path)
{
    return IsoburnDevice::createImage(Library::acquire(), path);
}

QVector<DRDeviceRef> IsoburnService::DeviceList()
{
    QVector<DRDeviceRef> list;
    if (m_library) {
        burn_drive_info* infos = nullptr;
        unsigned int count = 0;
        int r = 0;
        // Must be called until it answers non-zero.
        while ((r = burn_drive_scan(&infos, &count)) == 0) { }
        drainMessages();
        if (r > 0 && infos) {
            for (unsigned int i = 0; i < count; ++i) {
                OpticalDriveFacts facts;
                char address[BURN_DRIVE_ADR_LEN] = {};
                if (burn_drive_d_get_adr(infos[i].drive, address) <= 0) {
                    list.append(nullptr);
                    continue;
                }
                facts.address = QString::fromLocal8Bit(address);
                facts.vendor = trimmed(infos[i].vendor, sizeof infos[i].vendor);
                facts.product = trimmed(infos[i].product, sizeof infos[i].product);
                facts.revision = trimmed(infos[i].revision, sizeof infos[i].revision);
                facts.interconnect = interconnectOf(facts.address);
                facts.location = (facts.interconnect == kDRDevicePhysicalInterconnectUSB || facts.interconnect == kDRDevicePhysicalInterconnectFireWire)
                    ? kDRDevicePhysicalInterconnectLocationExternal
                    : kDRDevicePhysicalInterconnectLocationInternal;
                facts.writesCDR = infos[i].write_cdr;
                facts.writesCDRW = infos[i].write_cdrw;
                facts.writesDVD = infos[i].write_dvdr || infos[i].write_dvdram;
                list.append(IsoburnDevice::createOptical(m_library, facts));
            }
            // The scan leaves the drives open; let go of them until one is
            // acquired by its address.
            for (unsigned int i = 0; i < count; ++i)
                burn_drive_info_forget(&infos[i], 0);
            burn_drive_info_free(infos);
        }
        drainMessages();
    } else {
        qCWarning(lcBurner) << "no disc recording libraries: only the disc image is offered";
    }
    list.append(IsoburnDevice::createImage(m_library, imagePath()));
    return list;
}
