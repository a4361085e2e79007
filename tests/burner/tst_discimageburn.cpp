// Real sessions on the disc-image burner, read back with xorriso, an
// independent reader: multi-session trees and contents, renaming of taken
// names, test burns, verification, finalizing, erasing, sessions that do
// not fit, unreadable sources, and the image lock.

#include "burner/burnhost.h"
#include "burner/ccallbackinterface.h"
#include "burner/ccdr.h"
#include "burner/diskrecordingmodule.h"
#include "burner/drconstants.h"
#include "burner/isoburndevice.h"
#include "burner/isoburnservice.h"
#include "settings/usermessage.h"

#include <QCryptographicHash>
#include <QDirIterator>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace {

struct Recorder final : CCallBackInterface {
    void CBGotMedia(const QString& name, const CFDictionaryRef& info) override
    {
        names.append(name);
        infos.append(info);
    }
    QStringList names;
    QVector<CFDictionaryRef> infos;
};

// Runs xorriso on the image; answers its output (stdout and stderr).
QString xorriso(const QStringList& args)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(QStringLiteral("xorriso"), args);
    if (!p.waitForFinished(60000))
        return QStringLiteral("xorriso did not finish");
    return QString::fromLocal8Bit(p.readAll());
}

struct Toc {
    int sessions = -1;
    qint64 nwa = -1;
    QStringList volumeIds;
};

Toc readToc(const QString& image)
{
    Toc toc;
    const QString out = xorriso({ QStringLiteral("-indev"), image, QStringLiteral("-toc") });
    static const QRegularExpression session(QStringLiteral("^ISO session\\s*:\\s*\\d+\\s*,\\s*\\d+\\s*,\\s*\\d+s\\s*,\\s*(.*)$"),
        QRegularExpression::MultilineOption);
    for (auto it = session.globalMatch(out); it.hasNext();)
        toc.volumeIds.append(it.next().captured(1).trimmed());
    const QRegularExpressionMatch summary = QRegularExpression(QStringLiteral("Media summary:\\s*(\\d+) session")).match(out);
    toc.sessions = summary.hasMatch() ? summary.captured(1).toInt() : (out.contains(QLatin1String("is blank")) ? 0 : -1);
    const QRegularExpressionMatch nwa = QRegularExpression(QStringLiteral("Media nwa\\s*:\\s*(\\d+)s")).match(out);
    toc.nwa = nwa.hasMatch() ? nwa.captured(1).toLongLong() : -1;
    return toc;
}

// Every file below root, by relative path, with its content's hash; folders
// with an empty hash.
QMap<QString, QByteArray> treeOf(const QString& root)
{
    QMap<QString, QByteArray> tree;
    QDirIterator it(root, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QString rel = QDir(root).relativeFilePath(path);
        if (it.fileInfo().isDir()) {
            tree.insert(rel, QByteArray());
        } else {
            QFile f(path);
            f.open(QIODevice::ReadOnly);
            tree.insert(rel, QCryptographicHash::hash(f.readAll(), QCryptographicHash::Md5).toHex());
        }
    }
    return tree;
}

// The newest session's tree, extracted with xorriso.
QMap<QString, QByteArray> extract(const QString& image, const QString& into)
{
    QDir(into).removeRecursively();
    xorriso({ QStringLiteral("-osirrox"), QStringLiteral("on"), QStringLiteral("-indev"), image, QStringLiteral("-extract"), QStringLiteral("/"), into });
    return treeOf(into);
}

void writeFile(const QString& path, const QByteArray& content)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(content);
}

QByteArray md5Of(const QByteArray& bytes)
{
    return QCryptographicHash::hash(bytes, QCryptographicHash::Md5).toHex();
}

QByteArray fileBytes(const QString& path)
{
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    return f.readAll();
}

} // namespace

class TestDiscImageBurn : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();

    void theImageBurnerIsListedLastAndBlank();
    void threeSessionsKeepEveryEarlierFile();
    void testBurnWritesNothing();
    void verifyReportsVerifyingBeforeDone();
    void finalizedDiscIsClosedAcrossRestarts();
    void eraseMakesTheImageBlankAndShort();
    void sessionThatDoesNotFitIsRefusedBeforeWriting();
    void missingSourceFailsNamingIt();
    void sourceVanishingDuringTheWriteFailsNamingIt();
    void imageHeldElsewhereIsRefusedWithTheRetryCode();
    void statusChangesAreNoticedWhileHeld();
    void abortLeavesEarlierSessionsIntact();

private:
    // Burns the items (paths; a name ending in '/' makes an empty virtual
    // folder) and waits for the end. Answers the burn notifications.
    QVector<CFDictionaryRef> burn(const QString& volume, const QVector<DRFSObjectRef>& items, bool verify = false, bool test = false,
        bool finalize = false);
    CFDictionaryRef lastMediaInfo();
    static QString stateOf(const CFDictionaryRef& info);
    static bool ended(const QVector<CFDictionaryRef>& statuses);

    QTemporaryDir m_dir;
    QString m_image;
    std::shared_ptr<CCDR> m_cdr;
    Recorder m_recorder;
    QStringList m_messages;
    UserMessage::Handler m_previousHandler;
};

void TestDiscImageBurn::init()
{
    QVERIFY(m_dir.isValid());
    m_image = m_dir.filePath(QStringLiteral("image.iso"));
    QFile::remove(m_image);
    m_recorder = Recorder();
    m_messages.clear();
    m_previousHandler = UserMessage::setHandler([this](const QString& text) { m_messages.append(text); });
    m_cdr = std::make_shared<CCDR>(IsoburnService::createImageDevice(m_image));
    m_cdr->RegisterForCallback(&m_recorder);
    QVERIFY(m_cdr->AquireExclusiveAccess());
    QTRY_VERIFY(m_recorder.names.contains(kDRDeviceStatusChangedNotification));
}

void TestDiscImageBurn::cleanup()
{
    if (m_cdr) {
        m_cdr->UnRegisterForCallback(&m_recorder);
        m_cdr->ReleaseExclusiveAccess();
    }
    m_cdr.reset();
    UserMessage::setHandler(m_previousHandler);
}

QString TestDiscImageBurn::stateOf(const CFDictionaryRef& info)
{
    const CFStringRef s = info->stringValue(kDRStatusStateKey);
    return s ? s->value() : QString();
}

bool TestDiscImageBurn::ended(const QVector<CFDictionaryRef>& statuses)
{
    return !statuses.isEmpty() && (stateOf(statuses.last()) == kDRStatusStateDone || statuses.last()->containsKey(kDRErrorStatusKey));
}

QVector<CFDictionaryRef> TestDiscImageBurn::burn(const QString& volume, const QVector<DRFSObjectRef>& items, bool verify, bool test, bool finalize)
{
    const qsizetype first = m_recorder.names.size();
    auto statuses = [&] {
        QVector<CFDictionaryRef> list;
        for (qsizetype i = first; i < m_recorder.names.size(); ++i)
            if (m_recorder.names.at(i) == kDRBurnStatusChangedNotification)
                list.append(m_recorder.infos.at(i));
        return list;
    };
    m_cdr->ClearItems();
    for (const DRFSObjectRef& item : items)
        m_cdr->AddVirtualItem(item);
    struct NameHost final : BurnHost {
        QString volumeNameFieldText() const override { return name; }
        int databasePopupIndex() const override { return 0; }
        QString databasePopupText() const override { return QStringLiteral("none"); }
        CFArrayRef burnSpeeds() const override { return nullptr; }
        QString name;
    } host;
    host.name = volume;
    DiskRecordingModule::SetBurnHost(&host);
    m_cdr->Burn(1, verify, false, test, finalize);
    DiskRecordingModule::SetBurnHost(nullptr);
    if (!QTest::qWaitFor([&] { return ended(statuses()); }, 60000))
        qWarning("the burn did not end");
    // Let the device's own status report after the burn arrive too.
    QTest::qWait(50);
    return statuses();
}

CFDictionaryRef TestDiscImageBurn::lastMediaInfo()
{
    for (qsizetype i = m_recorder.names.size() - 1; i >= 0; --i) {
        if (m_recorder.names.at(i) == kDRDeviceStatusChangedNotification)
            return m_recorder.infos.at(i)->dictionaryValue(kDRDeviceMediaInfoKey);
    }
    return nullptr;
}

void TestDiscImageBurn::theImageBurnerIsListedLastAndBlank()
{
    DiskRecordingModule::ResetDeviceArray();
    const qint32 count = DiskRecordingModule::DRLoadBurnableDevices();
    auto& devices = DiskRecordingModule::DRDeviceArray();
    QCOMPARE(qsizetype(devices.size()), qsizetype(count) + 1);
    const std::shared_ptr<CCDR> image = devices.back();
    QCOMPARE(image->GetDescriptiveName(), QStringLiteral("Internal Kestrow Disc Image via File"));
    QCOMPARE(IsoburnService::imagePath(),
        QDir(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation)).filePath(QStringLiteral("Kestrow Disc Image.iso")));

    const CFDictionaryRef status = image->MyDRDevice->Status();
    QCOMPARE(status->stringValue(kDRDeviceMediaStateKey)->value(), kDRDeviceMediaStateMediaPresent);
    const CFDictionaryRef media = status->dictionaryValue(kDRDeviceMediaInfoKey);
    QVERIFY(media);
    QCOMPARE(media->numberValue(kDRDeviceMediaBlocksFreeKey)->toInt64(), qint64(359847));
    QCOMPARE(media->numberValue(kDRDeviceMediaBlocksUsedKey)->toInt64(), qint64(0));
    QCOMPARE(media->numberValue(kDRDeviceMediaSessionCountKey)->toInt64(), qint64(0));
    QVERIFY(media->booleanValue(kDRDeviceMediaIsBlankKey)->value());
    QVERIFY(media->booleanValue(kDRDeviceMediaIsAppendableKey)->value());
    QVERIFY(media->booleanValue(kDRDeviceMediaIsErasableKey)->value());
    QCOMPARE(media->stringValue(kDRDeviceMediaTypeKey)->value(), kDRDeviceMediaTypeCDRW);
    QVERIFY(!media->containsKey(kDRDeviceBurnSpeedsKey));
    DiskRecordingModule::ResetDeviceArray();
}

void TestDiscImageBurn::threeSessionsKeepEveryEarlierFile()
{
    const QString src = m_dir.filePath(QStringLiteral("src"));
    writeFile(src + QStringLiteral("/Photos/2024/a.jpg"), QByteArray(70000, 'a'));
    writeFile(src + QStringLiteral("/Photos/b.txt"), "bee");
    writeFile(src + QStringLiteral("/notes.txt"), "first notes");
    writeFile(src + QStringLiteral("/extra/c.bin"), QByteArray(5000, 'c'));

    DRFolderRef roll = DRFolder::createVirtual(QStringLiteral("Roll 1"));
    roll->AddChild(DRFile::createReal(QFileInfo(src + QStringLiteral("/extra/c.bin"))));
    const QVector<CFDictionaryRef> first = burn(QStringLiteral("Backup #1"),
        { DRFolder::createReal(QFileInfo(src + QStringLiteral("/Photos"))), DRFile::createReal(QFileInfo(src + QStringLiteral("/notes.txt"))), roll });
    QVERIFY(!first.isEmpty());
    QCOMPARE(stateOf(first.last()), kDRStatusStateDone);

    // The states come in the documented order, each at most once after
    // the other; percentages run from 0 to 1 or are -1.
    const QStringList order { kDRStatusStatePreparing, kDRStatusStateSessionOpen, kDRStatusStateTrackOpen, kDRStatusStateTrackWrite,
        kDRStatusStateTrackClose, kDRStatusStateSessionClose, kDRStatusStateFinishing, kDRStatusStateDone };
    int position = 0;
    for (const CFDictionaryRef& s : first) {
        const int index = order.indexOf(stateOf(s));
        QVERIFY2(index >= position, qPrintable(stateOf(s)));
        position = index;
        const double p = s->numberValue(kDRStatusPercentCompleteKey)->toDouble();
        QVERIFY(p == -1 || (p >= 0 && p <= 1));
    }
    QCOMPARE(stateOf(first.first()), kDRStatusStatePreparing);
    QVERIFY(std::any_of(first.begin(), first.end(), [](const CFDictionaryRef& s) { return stateOf(s) == kDRStatusStateTrackWrite; }));

    // Second session: a new file, and a file whose name the first session
    // already uses at the root.
    writeFile(src + QStringLiteral("/second/notes.txt"), "second notes");
    writeFile(src + QStringLiteral("/more.txt"), "more");
    QCOMPARE(stateOf(burn(QStringLiteral("Backup #2"),
                          { DRFile::createReal(QFileInfo(src + QStringLiteral("/more.txt"))),
                              DRFile::createReal(QFileInfo(src + QStringLiteral("/second/notes.txt"))) })
                         .last()),
        kDRStatusStateDone);
    // Third session: the same name once more, and a virtual folder.
    DRFolderRef empty = DRFolder::createVirtual(QStringLiteral("Roll 1"));
    QCOMPARE(stateOf(burn(QStringLiteral("Backup #3"), { DRFile::createReal(QFileInfo(src + QStringLiteral("/second/notes.txt"))), empty }).last()),
        kDRStatusStateDone);

    const Toc toc = readToc(m_image);
    QCOMPARE(toc.sessions, 3);
    QCOMPARE(toc.volumeIds, (QStringList { QStringLiteral("Backup #1"), QStringLiteral("Backup #2"), QStringLiteral("Backup #3") }));
    const CFDictionaryRef media = lastMediaInfo();
    QVERIFY(media);
    QCOMPARE(media->numberValue(kDRDeviceMediaSessionCountKey)->toInt64(), qint64(3));
    QCOMPARE(media->numberValue(kDRDeviceMediaBlocksFreeKey)->toInt64(), 359847 - toc.nwa);
    QVERIFY(!media->booleanValue(kDRDeviceMediaIsBlankKey)->value());
    QVERIFY(media->booleanValue(kDRDeviceMediaIsAppendableKey)->value());

    const QMap<QString, QByteArray> tree = extract(m_image, m_dir.filePath(QStringLiteral("out")));
    const QMap<QString, QByteArray> expected {
        { QStringLiteral("Photos"), {} },
        { QStringLiteral("Photos/2024"), {} },
        { QStringLiteral("Photos/2024/a.jpg"), md5Of(QByteArray(70000, 'a')) },
        { QStringLiteral("Photos/b.txt"), md5Of("bee") },
        { QStringLiteral("notes.txt"), md5Of("first notes") },
        { QStringLiteral("Roll 1"), {} },
        { QStringLiteral("Roll 1/c.bin"), md5Of(QByteArray(5000, 'c')) },
        { QStringLiteral("more.txt"), md5Of("more") },
        { QStringLiteral("notes.txt (2)"), md5Of("second notes") },
        { QStringLiteral("notes.txt (3)"), md5Of("second notes") },
        { QStringLiteral("Roll 1 (2)"), {} },
    };
    QCOMPARE(tree, expected);
}

void TestDiscImageBurn::testBurnWritesNothing()
{
    const QString file = m_dir.filePath(QStringLiteral("t.txt"));
    writeFile(file, "content");
    QCOMPARE(stateOf(burn(QStringLiteral("Real"), { DRFile::createReal(QFileInfo(file)) }).last()), kDRStatusStateDone);
    const QByteArray before = fileBytes(m_image);
    QVERIFY(!before.isEmpty());

    const QVector<CFDictionaryRef> statuses = burn(QStringLiteral("Test"), { DRFile::createReal(QFileInfo(file)) }, false, true);
    QCOMPARE(stateOf(statuses.last()), kDRStatusStateDone);
    QCOMPARE(fileBytes(m_image), before);
    QCOMPARE(readToc(m_image).sessions, 1);
}

void TestDiscImageBurn::verifyReportsVerifyingBeforeDone()
{
    const QString file = m_dir.filePath(QStringLiteral("v.bin"));
    writeFile(file, QByteArray(3 * 1024 * 1024, 'v'));
    const QVector<CFDictionaryRef> statuses = burn(QStringLiteral("Verified"), { DRFile::createReal(QFileInfo(file)) }, true);
    QCOMPARE(stateOf(statuses.last()), kDRStatusStateDone);
    QStringList states;
    for (const CFDictionaryRef& s : statuses)
        states.append(stateOf(s));
    const qsizetype verifying = states.indexOf(kDRStatusStateVerifying);
    QVERIFY(verifying > states.lastIndexOf(kDRStatusStateFinishing));
    QCOMPARE(statuses.at(states.lastIndexOf(kDRStatusStateVerifying))->numberValue(kDRStatusPercentCompleteKey)->toDouble(), 1.0);
    // xorriso finds the recorded MD5s and agrees with them.
    const QString session = xorriso({ QStringLiteral("-md5"), QStringLiteral("on"), QStringLiteral("-indev"), m_image, QStringLiteral("-check_md5"),
        QStringLiteral("FAILURE"), QStringLiteral("--") });
    QVERIFY2(session.contains(QLatin1String("Ok, session data match recorded md5.")), qPrintable(session));
    const QString files = xorriso({ QStringLiteral("-md5"), QStringLiteral("on"), QStringLiteral("-indev"), m_image, QStringLiteral("-check_md5_r"),
        QStringLiteral("FAILURE"), QStringLiteral("/"), QStringLiteral("--") });
    QVERIFY2(files.contains(QLatin1String("File contents and their MD5 checksums match.")), qPrintable(files));
}

void TestDiscImageBurn::finalizedDiscIsClosedAcrossRestarts()
{
    const QString file = m_dir.filePath(QStringLiteral("f.txt"));
    writeFile(file, "final");
    QCOMPARE(stateOf(burn(QStringLiteral("Closed"), { DRFile::createReal(QFileInfo(file)) }, false, false, true).last()), kDRStatusStateDone);
    QVERIFY(!lastMediaInfo()->booleanValue(kDRDeviceMediaIsAppendableKey)->value());

    const QVector<CFDictionaryRef> refused = burn(QStringLiteral("More"), { DRFile::createReal(QFileInfo(file)) });
    QVERIFY(refused.last()->containsKey(kDRErrorStatusKey));
    QCOMPARE(readToc(m_image).sessions, 1);

    // A new device object on the same image, as after a restart.
    cleanup();
    auto again = IsoburnService::createImageDevice(m_image);
    const CFDictionaryRef media = again->Status()->dictionaryValue(kDRDeviceMediaInfoKey);
    QVERIFY(media);
    QVERIFY(!media->booleanValue(kDRDeviceMediaIsAppendableKey)->value());
    QCOMPARE(media->numberValue(kDRDeviceMediaSessionCountKey)->toInt64(), qint64(1));
}

void TestDiscImageBurn::eraseMakesTheImageBlankAndShort()
{
    const QString file = m_dir.filePath(QStringLiteral("e.bin"));
    writeFile(file, QByteArray(200000, 'e'));
    QCOMPARE(stateOf(burn(QStringLiteral("Erase me"), { DRFile::createReal(QFileInfo(file)) }, false, false, true).last()), kDRStatusStateDone);
    QVERIFY(QFileInfo(m_image).size() > 200000);

    const qsizetype first = m_recorder.names.size();
    m_cdr->Erase();
    QTRY_VERIFY_WITH_TIMEOUT(m_recorder.names.mid(first).contains(kDREraseStatusChangedNotification)
            && stateOf(m_recorder.infos.at(m_recorder.names.lastIndexOf(kDREraseStatusChangedNotification))) == kDRStatusStateDone,
        20000);
    QTest::qWait(50);
    QCOMPARE(QFileInfo(m_image).size(), qint64(0));
    const CFDictionaryRef media = lastMediaInfo();
    QVERIFY(media->booleanValue(kDRDeviceMediaIsBlankKey)->value());
    QVERIFY(media->booleanValue(kDRDeviceMediaIsAppendableKey)->value());
    QCOMPARE(media->numberValue(kDRDeviceMediaBlocksFreeKey)->toInt64(), qint64(359847));
    QCOMPARE(media->numberValue(kDRDeviceMediaSessionCountKey)->toInt64(), qint64(0));
}

void TestDiscImageBurn::sessionThatDoesNotFitIsRefusedBeforeWriting()
{
    const QString small = m_dir.filePath(QStringLiteral("small.txt"));
    writeFile(small, "small");
    QCOMPARE(stateOf(burn(QStringLiteral("Fits"), { DRFile::createReal(QFileInfo(small)) }).last()), kDRStatusStateDone);
    const QByteArray before = fileBytes(m_image);

    // A sparse file larger than the disc: refused before a byte is read.
    const QString big = m_dir.filePath(QStringLiteral("big.bin"));
    QFile f(big);
    QVERIFY(f.open(QIODevice::WriteOnly));
    QVERIFY(f.resize(qint64(800) * 1000 * 1000));
    f.close();
    const QVector<CFDictionaryRef> statuses = burn(QStringLiteral("Too big"), { DRFile::createReal(QFileInfo(big)) });
    const CFDictionaryRef error = statuses.last()->dictionaryValue(kDRErrorStatusKey);
    QVERIFY(error);
    QCOMPARE(error->numberValue(kDRErrorStatusErrorKey)->toInt64(), qint64(static_cast<qint32>(DRError::InsufficientSpace)));
    QVERIFY(!error->stringValue(kDRErrorStatusErrorStringKey)->value().isEmpty());
    QCOMPARE(fileBytes(m_image), before);
    QCOMPARE(extract(m_image, m_dir.filePath(QStringLiteral("out"))).value(QStringLiteral("small.txt")), md5Of("small"));
}

void TestDiscImageBurn::missingSourceFailsNamingIt()
{
    const QString gone = m_dir.filePath(QStringLiteral("gone.txt"));
    writeFile(gone, "soon gone");
    DRFileRef item = DRFile::createReal(QFileInfo(gone));
    QFile::remove(gone);
    const QVector<CFDictionaryRef> statuses = burn(QStringLiteral("Missing"), { item });
    const CFDictionaryRef error = statuses.last()->dictionaryValue(kDRErrorStatusKey);
    QVERIFY(error);
    QVERIFY(error->stringValue(kDRErrorStatusErrorStringKey)->value().contains(gone));
    QCOMPARE(readToc(m_image).sessions, 0);
}

void TestDiscImageBurn::sourceVanishingDuringTheWriteFailsNamingIt()
{
    const QString small = m_dir.filePath(QStringLiteral("keep.txt"));
    writeFile(small, "keep");
    QCOMPARE(stateOf(burn(QStringLiteral("Keep"), { DRFile::createReal(QFileInfo(small)) }).last()), kDRStatusStateDone);
    const qint64 sizeBefore = QFileInfo(m_image).size();

    // The folder is listed when the session is prepared; its last file is
    // removed once writing has begun, while the large file before it is
    // still being written. libisofs would fill it with zeros and call the
    // write good.
    const QString folder = m_dir.filePath(QStringLiteral("folder"));
    QFile big(folder + QStringLiteral("/a_big.bin"));
    QVERIFY(QDir().mkpath(folder));
    QVERIFY(big.open(QIODevice::WriteOnly));
    QVERIFY(big.resize(qint64(150) * 1024 * 1024));
    big.close();
    const QString victim = folder + QStringLiteral("/z_last.txt");
    writeFile(victim, "vanishing");

    struct Remover final : CCallBackInterface {
        void CBGotMedia(const QString&, const CFDictionaryRef& info) override
        {
            const CFStringRef state = info->stringValue(kDRStatusStateKey);
            if (state && state->value() == kDRStatusStateSessionOpen)
                QFile::remove(path);
        }
        QString path;
    } remover;
    remover.path = victim;
    m_cdr->RegisterForCallback(&remover);
    const QVector<CFDictionaryRef> statuses = burn(QStringLiteral("Vanishing"), { DRFolder::createReal(QFileInfo(folder)) });
    m_cdr->UnRegisterForCallback(&remover);
    QVERIFY(!QFileInfo::exists(victim));

    const CFDictionaryRef error = statuses.last()->dictionaryValue(kDRErrorStatusKey);
    QVERIFY2(error, "a session with a vanished file was reported good");
    QCOMPARE(error->numberValue(kDRErrorStatusErrorKey)->toInt64(), qint64(static_cast<qint32>(DRError::SourceUnreadable)));
    QVERIFY2(error->stringValue(kDRErrorStatusErrorStringKey)->value().contains(victim), qPrintable(error->stringValue(kDRErrorStatusErrorStringKey)->value()));
    // The earlier session is still the disc's last one.
    const Toc toc = readToc(m_image);
    QCOMPARE(toc.sessions, 1);
    QCOMPARE(toc.volumeIds, QStringList { QStringLiteral("Keep") });
    QVERIFY(QFileInfo(m_image).size() >= sizeBefore);
}

void TestDiscImageBurn::statusChangesAreNoticedWhileHeld()
{
    // Another program appends a session to the image we hold.
    const QString file = m_dir.filePath(QStringLiteral("outside.txt"));
    writeFile(file, "from outside");
    const qsizetype first = m_recorder.names.size();
    const QString out = xorriso({ QStringLiteral("-dev"), m_image, QStringLiteral("-volid"), QStringLiteral("Outside"), QStringLiteral("-map"), file,
        QStringLiteral("/outside.txt") });
    QCOMPARE(readToc(m_image).sessions, 1);
    QTRY_VERIFY_WITH_TIMEOUT(m_recorder.names.mid(first).contains(kDRDeviceStatusChangedNotification), 2500);
    const CFDictionaryRef media = lastMediaInfo();
    QCOMPARE(media->numberValue(kDRDeviceMediaSessionCountKey)->toInt64(), qint64(1));
    QVERIFY(!media->booleanValue(kDRDeviceMediaIsBlankKey)->value());
}

void TestDiscImageBurn::imageHeldElsewhereIsRefusedWithTheRetryCode()
{
    // Another holder of the same image (as another program would be).
    auto other = IsoburnService::createImageDevice(m_image);
    QCOMPARE(other->AcquireExclusiveAccess(), static_cast<int>(DRError::DeviceAccess));

    const QString file = m_dir.filePath(QStringLiteral("x.txt"));
    writeFile(file, "x");
    m_cdr->ReleaseExclusiveAccess();
    QCOMPARE(other->AcquireExclusiveAccess(), 0);
    const QVector<CFDictionaryRef> statuses = burn(QStringLiteral("Busy"), { DRFile::createReal(QFileInfo(file)) });
    const CFDictionaryRef error = statuses.last()->dictionaryValue(kDRErrorStatusKey);
    QVERIFY(error);
    QCOMPARE(error->numberValue(kDRErrorStatusErrorKey)->toInt64(), qint64(static_cast<qint32>(0x80020021u)));
    QCOMPARE(QFileInfo(m_image).size(), qint64(0));
    other->ReleaseExclusiveAccess();

    // Once free again, the same burn goes through.
    m_cdr->BurnRetry();
    QTRY_VERIFY_WITH_TIMEOUT(stateOf(m_recorder.infos.at(m_recorder.names.lastIndexOf(kDRBurnStatusChangedNotification))) == kDRStatusStateDone, 20000);
    QCOMPARE(readToc(m_image).sessions, 1);
}

void TestDiscImageBurn::abortLeavesEarlierSessionsIntact()
{
    const QString small = m_dir.filePath(QStringLiteral("keep.txt"));
    writeFile(small, "keep");
    QCOMPARE(stateOf(burn(QStringLiteral("Keep"), { DRFile::createReal(QFileInfo(small)) }).last()), kDRStatusStateDone);

    const QString big = m_dir.filePath(QStringLiteral("big.bin"));
    writeFile(big, QByteArray(64 * 1024 * 1024, 'b'));
    m_cdr->ClearItems();
    m_cdr->AddItem(QFileInfo(big));
    const qsizetype first = m_recorder.names.size();
    m_cdr->Burn(1, false, false, false, false);
    m_cdr->Abort();
    QTRY_VERIFY_WITH_TIMEOUT(m_recorder.names.lastIndexOf(kDRBurnStatusChangedNotification) >= first
            && ended({ m_recorder.infos.at(m_recorder.names.lastIndexOf(kDRBurnStatusChangedNotification)) }),
        20000);
    const CFDictionaryRef last = m_recorder.infos.at(m_recorder.names.lastIndexOf(kDRBurnStatusChangedNotification));
    QVERIFY(last->containsKey(kDRErrorStatusKey));
    QCOMPARE(readToc(m_image).sessions, 1);
    QCOMPARE(extract(m_image, m_dir.filePath(QStringLiteral("out"))).value(QStringLiteral("keep.txt")), md5Of("keep"));
}

QTEST_GUILESS_MAIN(TestDiscImageBurn)
#include "tst_discimageburn.moc"
