#include "tst_burnfaults_support.h"

#include "burner/burnhost.h"
#include "burner/diskrecordingmodule.h"
#include "burner/isoburnservice.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>

#include <dirent.h>
#include <fcntl.h>
#include <linux/capability.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace BurnFaults {

QString xorriso(const QStringList& args)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(QStringLiteral("xorriso"), args);
    if (!p.waitForFinished(60000)) {
        p.kill();
        p.waitForFinished();
        return QStringLiteral("xorriso did not finish");
    }
    return QString::fromLocal8Bit(p.readAll());
}

Toc readToc(const QString& image)
{
    Toc toc;
    const QString out = xorriso({ QStringLiteral("-indev"), image, QStringLiteral("-toc") });
    static const QRegularExpression session(QStringLiteral("^ISO session[ \\t]*:[ \\t]*\\d+[ \\t]*,[ \\t]*\\d+[ \\t]*,[ \\t]*\\d+s[ \\t]*,[ \\t]*(.*)$"),
        QRegularExpression::MultilineOption);
    for (auto it = session.globalMatch(out); it.hasNext();)
        toc.volumeIds.append(it.next().captured(1).trimmed());
    static const QRegularExpression summary(QStringLiteral("Media summary:\\s*(\\d+) session"));
    const QRegularExpressionMatch m = summary.match(out);
    toc.sessions = m.hasMatch() ? m.captured(1).toInt() : (out.contains(QLatin1String("is blank")) ? 0 : -1);
    return toc;
}

namespace {
void walk(const QByteArray& root, const QByteArray& rel, QMap<QByteArray, QByteArray>* tree)
{
    const QByteArray dirPath = rel.isEmpty() ? root : root + '/' + rel;
    DIR* dir = opendir(dirPath.constData());
    if (!dir)
        return;
    while (const dirent* entry = readdir(dir)) {
        const QByteArray name(entry->d_name);
        if (name == "." || name == "..")
            continue;
        const QByteArray childRel = rel.isEmpty() ? name : rel + '/' + name;
        const QByteArray path = root + '/' + childRel;
        struct stat st {};
        if (lstat(path.constData(), &st) != 0)
            continue;
        if (S_ISDIR(st.st_mode)) {
            tree->insert(childRel, "dir");
            walk(root, childRel, tree);
        } else if (S_ISLNK(st.st_mode)) {
            char target[4096];
            const ssize_t n = readlink(path.constData(), target, sizeof target);
            tree->insert(childRel, "link:" + QByteArray(target, n > 0 ? int(n) : 0));
        } else if (S_ISFIFO(st.st_mode)) {
            tree->insert(childRel, "fifo");
        } else if (S_ISCHR(st.st_mode)) {
            tree->insert(childRel, "chr");
        } else if (S_ISBLK(st.st_mode)) {
            tree->insert(childRel, "blk");
        } else if (S_ISSOCK(st.st_mode)) {
            tree->insert(childRel, "sock");
        } else {
            QFile f;
            const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
            QByteArray content;
            if (fd >= 0 && f.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle))
                content = f.readAll();
            tree->insert(childRel, md5Of(content));
        }
    }
    closedir(dir);
}
} // namespace

QMap<QByteArray, QByteArray> treeOf(const QString& root)
{
    QMap<QByteArray, QByteArray> tree;
    walk(QFile::encodeName(root), QByteArray(), &tree);
    return tree;
}

QMap<QByteArray, QByteArray> extract(const QString& image, const QString& into)
{
    // A new folder each time: QDir cannot remove names that are not UTF-8.
    static int count = 0;
    const QString fresh = into + QStringLiteral("-%1").arg(++count);
    // on: copying out is allowed; device_files: device nodes are made again
    // (else skipped), so that the extraction shows every entry.
    xorriso({ QStringLiteral("-osirrox"), QStringLiteral("on:device_files"), QStringLiteral("-indev"), image, QStringLiteral("-extract"), QStringLiteral("/"),
        fresh });
    return treeOf(fresh);
}

bool writeFile(const QString& path, const QByteArray& content)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(content) == content.size();
}

QByteArray fileBytes(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

QByteArray md5Of(const QByteArray& bytes)
{
    return QCryptographicHash::hash(bytes, QCryptographicHash::Md5).toHex();
}

namespace {
bool capabilities(__user_cap_data_struct (&data)[2], bool set)
{
    __user_cap_header_struct header {};
    header.version = _LINUX_CAPABILITY_VERSION_3;
    header.pid = 0;
    return ::syscall(set ? SYS_capset : SYS_capget, &header, data) == 0;
}
constexpr unsigned kDacBits = (1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH);
} // namespace

NoDacOverride::NoDacOverride()
{
    __user_cap_data_struct data[2] {};
    if (!capabilities(data, false) || !(data[0].effective & kDacBits))
        return;
    data[0].effective &= ~kDacBits;
    m_lowered = capabilities(data, true);
}

NoDacOverride::~NoDacOverride()
{
    if (!m_lowered)
        return;
    __user_cap_data_struct data[2] {};
    if (capabilities(data, false)) {
        data[0].effective |= (data[0].permitted & kDacBits);
        capabilities(data, true);
    }
}

FifoRelease::FifoRelease(QByteArray path)
    : m_path(std::move(path))
    , m_thread([this] {
        while (!m_stop) {
            // Succeeds only while a reader has the FIFO open.
            const int fd = ::open(m_path.constData(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
            if (fd >= 0) {
                ++m_released;
                ::close(fd);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    })
{
}

FifoRelease::~FifoRelease()
{
    m_stop = true;
    m_thread.join();
}

namespace {
bool& mountFlag()
{
    static bool permitted = false;
    return permitted;
}
} // namespace

bool enterPrivateMountNamespace()
{
    // Mounts made from here on are seen by this process and its children
    // only, and are gone when the last of them ends.
    mountFlag() = ::unshare(CLONE_NEWNS) == 0 && ::mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
    return mountFlag();
}

bool mountingPermitted()
{
    return mountFlag();
}

// --- the rig

Rig::Rig(const QString& image)
    : m_cdr(std::make_unique<CCDR>(IsoburnService::createImageDevice(image)))
{
    m_cdr->RegisterForCallback(this);
    m_held = m_cdr->AquireExclusiveAccess();
    if (m_held)
        (void)QTest::qWaitFor([this] { return m_names.contains(kDRDeviceStatusChangedNotification); }, 5000);
}

Rig::~Rig()
{
    m_cdr->UnRegisterForCallback(this);
    m_cdr->ReleaseExclusiveAccess();
    // Let a burn that is still ending let go of itself.
    QTest::qWait(10);
}

void Rig::CBGotMedia(const QString& name, const CFDictionaryRef& info)
{
    m_names.append(name);
    m_infos.append(info);
    if (name == kDRBurnStatusChangedNotification && m_onStatus)
        m_onStatus(info);
}

QVector<CFDictionaryRef> Rig::burnStatusesFrom(qsizetype first) const
{
    QVector<CFDictionaryRef> list;
    for (qsizetype i = first; i < m_names.size(); ++i)
        if (m_names.at(i) == kDRBurnStatusChangedNotification)
            list.append(m_infos.at(i));
    return list;
}

QVector<CFDictionaryRef> Rig::waitForBurnEnd(qsizetype first, int timeoutMs)
{
    if (!QTest::qWaitFor([&] { return ended(burnStatusesFrom(first)); }, timeoutMs))
        qWarning("the burn did not end");
    // The device's own status after the burn, and a late second report.
    QTest::qWait(50);
    return burnStatusesFrom(first);
}

QVector<CFDictionaryRef> Rig::burn(const QString& volume, const QVector<DRFSObjectRef>& items, qint32 speedIndex,
    const std::function<void(const CFDictionaryRef&)>& onStatus)
{
    return burnWith(
        volume,
        [&](CCDR& cdr) {
            for (const DRFSObjectRef& item : items)
                cdr.AddVirtualItem(item);
        },
        speedIndex, onStatus);
}

QVector<CFDictionaryRef> Rig::burnWith(const QString& volume, const std::function<void(CCDR&)>& fill, qint32 speedIndex,
    const std::function<void(const CFDictionaryRef&)>& onStatus)
{
    struct NameHost final : BurnHost {
        QString volumeNameFieldText() const override { return name; }
        int databasePopupIndex() const override { return 0; }
        QString databasePopupText() const override { return QStringLiteral("none"); }
        CFArrayRef burnSpeeds() const override { return nullptr; }
        QString name;
    } host;
    host.name = volume;
    m_cdr->ClearItems();
    fill(*m_cdr);
    const qsizetype first = m_names.size();
    m_onStatus = onStatus;
    DiskRecordingModule::SetBurnHost(&host);
    m_cdr->Burn(speedIndex, false, false, false, false);
    DiskRecordingModule::SetBurnHost(nullptr);
    QVector<CFDictionaryRef> statuses = waitForBurnEnd(first);
    m_onStatus = {};
    return statuses;
}

QString stateOf(const CFDictionaryRef& status)
{
    const CFStringRef s = status ? status->stringValue(kDRStatusStateKey) : nullptr;
    return s ? s->value() : QString();
}

bool ended(const QVector<CFDictionaryRef>& statuses)
{
    return !statuses.isEmpty() && (stateOf(statuses.last()) == kDRStatusStateDone || statuses.last()->containsKey(kDRErrorStatusKey));
}

bool anyDone(const QVector<CFDictionaryRef>& statuses)
{
    return std::any_of(statuses.begin(), statuses.end(), [](const CFDictionaryRef& s) { return stateOf(s) == kDRStatusStateDone; });
}

CFDictionaryRef errorOf(const QVector<CFDictionaryRef>& statuses)
{
    return statuses.isEmpty() ? nullptr : statuses.last()->dictionaryValue(kDRErrorStatusKey);
}

QString errorText(const QVector<CFDictionaryRef>& statuses)
{
    const CFDictionaryRef error = errorOf(statuses);
    const CFStringRef text = error ? error->stringValue(kDRErrorStatusErrorStringKey) : nullptr;
    return text ? text->value() : QString();
}

quint32 errorCode(const QVector<CFDictionaryRef>& statuses)
{
    const CFDictionaryRef error = errorOf(statuses);
    const CFNumberRef code = error ? error->numberValue(kDRErrorStatusErrorKey) : nullptr;
    return code ? static_cast<quint32>(code->toInt64()) : 0;
}

int errorCount(const QVector<CFDictionaryRef>& statuses)
{
    return static_cast<int>(std::count_if(statuses.begin(), statuses.end(), [](const CFDictionaryRef& s) { return s->containsKey(kDRErrorStatusKey); }));
}

} // namespace BurnFaults
