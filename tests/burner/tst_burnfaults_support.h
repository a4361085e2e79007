#pragma once

// What the fault tests on real burns share: a disc-image burner held through
// its device object with every notification recorded, burns that wait for
// their end, and xorriso as the independent reader of the image.
// Main thread only; every call that waits runs the event loop.

#include "burner/ccallbackinterface.h"
#include "burner/ccdr.h"
#include "burner/drconstants.h"

#include <QByteArray>
#include <QMap>
#include <QString>
#include <QStringList>
#include <QVector>

#include <atomic>
#include <functional>
#include <thread>
#include <memory>

namespace BurnFaults {

// Runs xorriso; answers what it printed (stdout and stderr together).
QString xorriso(const QStringList& args);

struct Toc {
    int sessions = -1;
    QStringList volumeIds;
};
// The sessions of the image as xorriso lists them (0 for a blank image).
Toc readToc(const QString& image);

// Every entry below root by relative path (raw bytes of the names as read
// from the disk, so that names that are not UTF-8 compare too): the MD5 of a
// file's content, "dir" for a folder, "link:<target>" for a symbolic link,
// "fifo", "chr", "blk" or "sock" for the special files.
QMap<QByteArray, QByteArray> treeOf(const QString& root);
// The newest session's tree, extracted with xorriso (Rock Ridge names).
QMap<QByteArray, QByteArray> extract(const QString& image, const QString& into);

bool writeFile(const QString& path, const QByteArray& content);
QByteArray fileBytes(const QString& path);
QByteArray md5Of(const QByteArray& bytes);

// Lowers CAP_DAC_OVERRIDE and CAP_DAC_READ_SEARCH in the calling thread's
// effective set while it lives (threads started meanwhile, such as the
// libraries' writer threads, inherit that), so that a mode-000 file cannot
// be opened even by root. Does nothing for a user without them.
class NoDacOverride {
public:
    NoDacOverride();
    ~NoDacOverride();
    NoDacOverride(const NoDacOverride&) = delete;
    NoDacOverride& operator=(const NoDacOverride&) = delete;

private:
    bool m_lowered = false;
};

// Opens the FIFO for writing whenever a reader waits on it, so that a reader
// that should never have opened it is let go (and the test fails instead of
// hanging).
class FifoRelease {
public:
    explicit FifoRelease(QByteArray path);
    ~FifoRelease();
    FifoRelease(const FifoRelease&) = delete;
    FifoRelease& operator=(const FifoRelease&) = delete;
    // How often a reader was found waiting (0 when none ever opened it).
    [[nodiscard]] int released() const { return m_released; }

private:
    QByteArray m_path;
    std::atomic<bool> m_stop { false };
    std::atomic<int> m_released { 0 };
    std::thread m_thread;
};

// A private mount namespace for this process, made before any thread starts
// (so call it first in main): mounts made by the test vanish with it. True
// when mounting is permitted.
bool enterPrivateMountNamespace();
bool mountingPermitted();

// The disc-image burner on one image file, held (exclusive access) through a
// device object as the main window holds its burner.
class Rig final : public CCallBackInterface {
public:
    explicit Rig(const QString& image);
    ~Rig() override;
    Rig(const Rig&) = delete;
    Rig& operator=(const Rig&) = delete;

    [[nodiscard]] bool held() const { return m_held; }
    CCDR& cdr() { return *m_cdr; }

    // Burns the items under the volume name and waits (up to 60 s) for the
    // end. speedIndex 0 asks for 1x (176.4 kB/s, which libburn keeps to on an
    // image file too), 1 for the maximum. onStatus sees each burn status as
    // it comes. Answers the burn's status dictionaries.
    QVector<CFDictionaryRef> burn(const QString& volume, const QVector<DRFSObjectRef>& items, qint32 speedIndex = 1,
        const std::function<void(const CFDictionaryRef&)>& onStatus = {});
    // The same, with the items handed to the device object by fill (as the
    // main window does with AddItem and AddVirtualItem).
    QVector<CFDictionaryRef> burnWith(const QString& volume, const std::function<void(CCDR&)>& fill, qint32 speedIndex = 1,
        const std::function<void(const CFDictionaryRef&)>& onStatus = {});
    // Waits for the end of a burn started otherwise (Abort, BurnRetry),
    // counting from the notification index first.
    QVector<CFDictionaryRef> waitForBurnEnd(qsizetype first, int timeoutMs = 60000);
    [[nodiscard]] qsizetype notificationCount() const { return m_names.size(); }

    void CBGotMedia(const QString& name, const CFDictionaryRef& info) override;

private:
    QVector<CFDictionaryRef> burnStatusesFrom(qsizetype first) const;

    std::unique_ptr<CCDR> m_cdr;
    bool m_held = false;
    QStringList m_names;
    QVector<CFDictionaryRef> m_infos;
    std::function<void(const CFDictionaryRef&)> m_onStatus;
};

QString stateOf(const CFDictionaryRef& status);
// Whether the statuses end in Done or in an error.
bool ended(const QVector<CFDictionaryRef>& statuses);
bool anyDone(const QVector<CFDictionaryRef>& statuses);
// The error dictionary of the last status; null when it carries none.
CFDictionaryRef errorOf(const QVector<CFDictionaryRef>& statuses);
QString errorText(const QVector<CFDictionaryRef>& statuses);
// The error code as an unsigned 32-bit pattern (0 when there is none).
quint32 errorCode(const QVector<CFDictionaryRef>& statuses);
// How many statuses carry an error.
int errorCount(const QVector<CFDictionaryRef>& statuses);

} // namespace BurnFaults
