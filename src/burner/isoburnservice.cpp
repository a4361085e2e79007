#include "burner/isoburnservice.h"

#include "burner/burnerlog.h"
#include "burner/drconstants.h"
#include "burner/isoburnc_p.h"
#include "burner/isoburndevice.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

#include <vector>

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

QString sysfsText(const QString& node, const char* file)
{
    const QString name = QFileInfo(QFileInfo(node).canonicalFilePath()).fileName();
    QFile f(QStringLiteral("/sys/class/block/%1/device/%2").arg(name, QLatin1String(file)));
    if (!f.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromLatin1(f.read(256)).trimmed();
}

QString groupOf(const QString& path)
{
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return QString();
    long size = ::sysconf(_SC_GETGR_R_SIZE_MAX);
    std::vector<char> buffer(static_cast<size_t>(size > 0 ? size : 16384));
    struct group entry {};
    struct group* result = nullptr;
    if (::getgrgid_r(st.st_gid, &entry, buffer.data(), buffer.size(), &result) != 0 || !result)
        return QString::number(st.st_gid);
    return QString::fromLocal8Bit(result->gr_name);
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

QVector<OpticalDriveFacts> IsoburnService::unopenableDrives(const QStringList& nodes, const QStringList& found)
{
    QStringList known;
    for (const QString& f : found)
        known << QFileInfo(f).canonicalFilePath();
    QVector<OpticalDriveFacts> list;
    for (const QString& node : nodes) {
        const QString canonical = QFileInfo(node).canonicalFilePath();
        if (canonical.isEmpty() || known.contains(canonical))
            continue;
        if (::access(QFile::encodeName(node).constData(), R_OK | W_OK) == 0)
            continue;
        OpticalDriveFacts facts;
        facts.address = node;
        facts.vendor = sysfsText(node, "vendor");
        facts.product = sysfsText(node, "model");
        facts.revision = sysfsText(node, "rev");
        if (facts.product.isEmpty())
            facts.product = QFileInfo(node).fileName();
        facts.interconnect = interconnectOf(node);
        facts.location = (facts.interconnect == kDRDevicePhysicalInterconnectUSB || facts.interconnect == kDRDevicePhysicalInterconnectFireWire)
            ? kDRDevicePhysicalInterconnectLocationExternal
            : kDRDevicePhysicalInterconnectLocationInternal;
        facts.noAccess = true;
        facts.group = groupOf(node);
        list.append(facts);
    }
    return list;
}

DRDeviceRef IsoburnService::createImageDevice(const QString& path)
{
    return IsoburnDevice::createImage(Library::acquire(), path);
}

QVector<DRDeviceRef> IsoburnService::DeviceList()
{
    QVector<DRDeviceRef> list;
    QStringList found;
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
                found << facts.address;
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
    // Drives this user may not open still appear, so that the user learns
    // why they cannot be used.
    QStringList nodes;
    for (const QString& name : QDir(QStringLiteral("/dev")).entryList({ QStringLiteral("sr[0-9]*") }, QDir::System | QDir::NoDotAndDotDot, QDir::Name))
        nodes << QStringLiteral("/dev/") + name;
    for (const OpticalDriveFacts& facts : unopenableDrives(nodes, found))
        list.append(IsoburnDevice::createOptical(m_library, facts));
    list.append(IsoburnDevice::createImage(m_library, imagePath()));
    return list;
}
