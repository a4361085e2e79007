// Faults during real burns to the disc image: the image's file system
// filling up, a listed item gone or unreadable by the time it is written, an
// abort half way, and a second holder of the image. Each must end in one
// error notification with a clear text (never "DRStatusStateDone"), leave the
// earlier sessions byte for byte as they were and readable by xorriso, and
// leave the burner usable for the next burn.
//
// Some cases run a burn in a child process of this test (started with
// --child-burn or --child-hold): a file-size limit applies to a whole process,
// and a second holder of the image is another program.

#include "tst_burnfaults_support.h"

#include "burner/drfile.h"
#include "burner/drfolder.h"
#include "burner/isoburnservice.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <cstring>
#include <iostream>
#include <string>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace BurnFaults;

namespace {

const QString kKeep = QStringLiteral("keep.txt");
const QByteArray kKeepContent = QByteArray(100000, 'k');

// --- the children

// Burns the files as one session on the disc image of the documents folder,
// under a file-size limit when one is given, and prints the outcome.
int childBurn(int argc, char** argv)
{
    const qint64 limit = std::atoll(argv[2]);
    if (limit > 0) {
        const rlimit rl { static_cast<rlim_t>(limit), static_cast<rlim_t>(limit) };
        if (setrlimit(RLIMIT_FSIZE, &rl) != 0)
            return 3;
    }
    int qtArgc = 1;
    QCoreApplication app(qtArgc, argv);
    QVector<DRFSObjectRef> items;
    for (int i = 3; i < argc; ++i)
        items.append(DRFile::createReal(QFileInfo(QString::fromLocal8Bit(argv[i]))));
    Rig rig(IsoburnService::imagePath());
    // A write past the limit then fails with EFBIG instead of killing the
    // process. Set once the libraries are started: their start restores the
    // system's default reaction to signals.
    if (limit > 0)
        std::signal(SIGXFSZ, SIG_IGN);
    const QVector<CFDictionaryRef> statuses = rig.burn(QStringLiteral("Child"), items);
    std::cout << "done " << anyDone(statuses) << "\nerrors " << errorCount(statuses) << "\ncode " << errorCode(statuses) << "\ntext "
              << errorText(statuses).toStdString() << std::endl;
    return 0;
}

// Holds the disc image of the documents folder until its input ends.
int childHold(int argc, char** argv)
{
    int qtArgc = 1;
    QCoreApplication app(qtArgc, argv);
    Q_UNUSED(argc)
    Rig rig(IsoburnService::imagePath());
    std::cout << "held " << rig.held() << std::endl;
    std::string line;
    while (std::getline(std::cin, line)) { }
    return 0;
}

struct ChildBurn {
    bool finished = false;
    bool done = true;
    int errors = 0;
    quint32 code = 0;
    QString text;
    QString output;
};

QProcessEnvironment childEnvironment(const QString& home)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), home);
    return env;
}

ChildBurn runChildBurn(const QString& home, qint64 sizeLimit, const QStringList& files)
{
    QProcess child;
    child.setProcessEnvironment(childEnvironment(home));
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(QCoreApplication::applicationFilePath(), QStringList { QStringLiteral("--child-burn"), QString::number(sizeLimit) } + files);
    ChildBurn result;
    if (!child.waitForFinished(60000)) {
        child.kill();
        child.waitForFinished();
        return result;
    }
    result.finished = child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0;
    result.output = QString::fromLocal8Bit(child.readAll());
    for (const QString& line : result.output.split(QLatin1Char('\n'))) {
        if (line.startsWith(QLatin1String("done ")))
            result.done = line.mid(5).toInt() != 0;
        else if (line.startsWith(QLatin1String("errors ")))
            result.errors = line.mid(7).toInt();
        else if (line.startsWith(QLatin1String("code ")))
            result.code = line.mid(5).toUInt();
        else if (line.startsWith(QLatin1String("text ")))
            result.text = line.mid(5);
    }
    return result;
}

} // namespace

class TestBurnFaults : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void imageFileSystemFillsUp_data();
    void imageFileSystemFillsUp();
    void listedItemSpoiledBeforeTheBurn_data();
    void listedItemSpoiledBeforeTheBurn();
    void abortHalfWayKeepsEarlierSessions();
    void secondHolderIsRefused_data();
    void secondHolderIsRefused();

private:
    // Burns keep.txt as the first session; answers the image's bytes.
    QByteArray burnKeepSession(Rig& rig);
    // The earlier sessions are byte for byte as before and the newest one
    // read back holds exactly the tree given. After a failed burn the whole
    // image up to its old end is unchanged; after a session was added, all
    // but the first 32 blocks, where the disc's table of sessions is kept
    // (rewritten by every session on a file, as on any overwritable disc).
    void checkEarlierSessionsIntact(const QByteArray& before, int sessions, const QMap<QByteArray, QByteArray>& tree);

    QTemporaryDir m_dir;
    QString m_home;
    QString m_documents;
    QString m_image;
    QByteArray m_savedHome;
    bool m_mounted = false;
};

void TestBurnFaults::initTestCase()
{
    QVERIFY2(!QStandardPaths::findExecutable(QStringLiteral("xorriso")).isEmpty(), "xorriso is needed to read the image back");
}

void TestBurnFaults::init()
{
    QVERIFY(m_dir.isValid());
    m_home = m_dir.filePath(QStringLiteral("home-%1").arg(QString::fromLatin1(QTest::currentTestFunction())));
    m_documents = m_home + QStringLiteral("/Documents");
    QDir(m_home).removeRecursively();
    QVERIFY(QDir().mkpath(m_documents));
    // The image lives in the documents folder of this home, as the program
    // finds it.
    m_savedHome = qgetenv("HOME");
    qputenv("HOME", QFile::encodeName(m_home));
    m_image = IsoburnService::imagePath();
    QVERIFY2(m_image.startsWith(m_documents + QLatin1Char('/')), qPrintable(m_image));
}

void TestBurnFaults::cleanup()
{
    if (m_mounted)
        ::umount2(QFile::encodeName(m_documents).constData(), MNT_DETACH);
    m_mounted = false;
    qputenv("HOME", m_savedHome);
}

QByteArray TestBurnFaults::burnKeepSession(Rig& rig)
{
    const QString keep = m_dir.filePath(kKeep);
    if (!writeFile(keep, kKeepContent))
        return {};
    const QVector<CFDictionaryRef> statuses = rig.burn(QStringLiteral("Keep"), { DRFile::createReal(QFileInfo(keep)) });
    if (stateOf(statuses.value(statuses.size() - 1)) != kDRStatusStateDone)
        return {};
    return fileBytes(m_image);
}

void TestBurnFaults::checkEarlierSessionsIntact(const QByteArray& before, int sessions, const QMap<QByteArray, QByteArray>& tree)
{
    const QByteArray now = fileBytes(m_image);
    QVERIFY2(now.size() >= before.size(), "the image was cut short");
    const qsizetype from = sessions > 1 ? 32 * 2048 : 0;
    QVERIFY2(before.size() > from, "the first session is missing");
    QVERIFY2(now.mid(from, before.size() - from) == before.mid(from), "the earlier sessions changed");
    const Toc toc = readToc(m_image);
    QCOMPARE(toc.sessions, sessions);
    QCOMPARE(toc.volumeIds.value(0), QStringLiteral("Keep"));
    QCOMPARE(extract(m_image, m_dir.filePath(QStringLiteral("out"))), tree);
}

// --- the image's file system fills up

void TestBurnFaults::imageFileSystemFillsUp_data()
{
    QTest::addColumn<bool>("tmpfs");
    // A small file system of its own under the documents folder.
    QTest::newRow("small tmpfs") << true;
    // The write runs in a process that may not make files larger than the
    // image already is plus 512 KiB: the write fails as on a full disk.
    QTest::newRow("file-size limit") << false;
}

void TestBurnFaults::imageFileSystemFillsUp()
{
    QFETCH(bool, tmpfs);
    if (tmpfs) {
        if (!mountingPermitted())
            QSKIP("mounting is not permitted here; the file-size limit row covers a full file system");
        QCOMPARE(::mount("kestrow-test", QFile::encodeName(m_documents).constData(), "tmpfs", 0, "size=2m"), 0);
        m_mounted = true;
    }
    const QString big = m_dir.filePath(QStringLiteral("big.bin"));
    QByteArray bigContent(6 * 1024 * 1024, '\0');
    for (int i = 0; i < bigContent.size(); i += 4096)
        bigContent[i] = char(i / 4096);
    QVERIFY(writeFile(big, bigContent));

    QByteArray before;
    if (tmpfs) {
        Rig rig(m_image);
        QVERIFY(rig.held());
        before = burnKeepSession(rig);
        QVERIFY(!before.isEmpty());
        QVERIFY2(before.size() < 2 * 1024 * 1024, "the first session must fit in the small file system");

        const QVector<CFDictionaryRef> statuses = rig.burn(QStringLiteral("Too much"), { DRFile::createReal(QFileInfo(big)) });
        QVERIFY2(!anyDone(statuses), "a burn onto a full file system was reported done");
        QCOMPARE(errorCount(statuses), 1);
        QCOMPARE(errorCode(statuses), DRError::WriteFailed);
        QVERIFY2(errorText(statuses).contains(QLatin1String("write(2) returned -1. (No space left on device)")), qPrintable(errorText(statuses)));
    } else {
        {
            Rig rig(m_image);
            QVERIFY(rig.held());
            before = burnKeepSession(rig);
            QVERIFY(!before.isEmpty());
        }
        const ChildBurn child = runChildBurn(m_home, before.size() + 512 * 1024, { big });
        QVERIFY2(child.finished, qPrintable(child.output));
        QVERIFY2(!child.done, "a burn past the file-size limit was reported done");
        QCOMPARE(child.errors, 1);
        QVERIFY2(child.code == DRError::WriteFailed, qPrintable(child.output));
        QVERIFY2(child.text.contains(QLatin1String("write(2) returned -1. (File too large)")), qPrintable(child.output));
    }
    checkEarlierSessionsIntact(before, 1, { { kKeep.toUtf8(), md5Of(kKeepContent) } });

    // Once there is room again, the same session goes onto the disc.
    if (tmpfs)
        QCOMPARE(::mount("kestrow-test", QFile::encodeName(m_documents).constData(), "tmpfs", MS_REMOUNT, "size=32m"), 0);
    Rig rig(m_image);
    QVERIFY(rig.held());
    QCOMPARE(stateOf(rig.burn(QStringLiteral("Room again"), { DRFile::createReal(QFileInfo(big)) }).last()), kDRStatusStateDone);
    checkEarlierSessionsIntact(before, 2, { { kKeep.toUtf8(), md5Of(kKeepContent) }, { QByteArrayLiteral("big.bin"), md5Of(bigContent) } });
}

// --- a listed item is gone or unreadable when the session is written

enum class Spoil { Delete, DanglingLink, LinkLoop, ParentBecameFile, Mode000, Mode000InFolder, FolderSwappedIn, FifoSwappedIn };
Q_DECLARE_METATYPE(Spoil)

void TestBurnFaults::listedItemSpoiledBeforeTheBurn_data()
{
    QTest::addColumn<Spoil>("spoil");
    // The path the error must name, relative to the source folder; empty
    // when the item is burned as it now is.
    QTest::addColumn<QString>("named");
    // What the item is read back as when it is burned.
    QTest::addColumn<QByteArray>("burnedAs");
    const QString item = QStringLiteral("sub/item.txt");
    QTest::newRow("deleted") << Spoil::Delete << item << QByteArray();
    QTest::newRow("replaced by a dangling symlink") << Spoil::DanglingLink << item << QByteArray();
    QTest::newRow("replaced by a symlink to itself") << Spoil::LinkLoop << item << QByteArray();
    // The folder that held it is now a file: the path leads through a file.
    QTest::newRow("its folder replaced by a file") << Spoil::ParentBecameFile << item << QByteArray();
    // Mode 000 with the override of file permissions lowered, as for any
    // user but root: the file is found but cannot be opened.
    QTest::newRow("mode 000") << Spoil::Mode000 << item << QByteArray();
    QTest::newRow("mode 000 inside a listed folder") << Spoil::Mode000InFolder << item << QByteArray();
    // What is at the path when the session is written is burned as it is,
    // as it would have been had it been there when listed: a folder with
    // its content, a named pipe as a named pipe (never opened: reading one
    // would wait for a writer for ever).
    QTest::newRow("a folder swapped in") << Spoil::FolderSwappedIn << QString() << QByteArray("dir");
    QTest::newRow("a FIFO swapped in") << Spoil::FifoSwappedIn << QString() << QByteArray("fifo");
}

void TestBurnFaults::listedItemSpoiledBeforeTheBurn()
{
    QFETCH(Spoil, spoil);
    QFETCH(QString, named);
    QFETCH(QByteArray, burnedAs);
    const QString src = m_dir.filePath(QStringLiteral("src-%1").arg(QString::fromLatin1(QTest::currentDataTag()).replace(QLatin1Char(' '), QLatin1Char('_'))));
    QDir(src).removeRecursively();
    const QString item = src + QStringLiteral("/sub/item.txt");
    const QString other = src + QStringLiteral("/other.txt");
    QVERIFY(writeFile(item, "listed content"));
    QVERIFY(writeFile(other, "other content"));

    Rig rig(m_image);
    QVERIFY(rig.held());
    const QByteArray before = burnKeepSession(rig);
    QVERIFY(!before.isEmpty());

    // The items as the window hands them over; then the file changes.
    const DRFSObjectRef listed = spoil == Spoil::Mode000InFolder ? DRFSObjectRef(DRFolder::createReal(QFileInfo(src + QStringLiteral("/sub"))))
                                                                 : DRFSObjectRef(DRFile::createReal(QFileInfo(item)));
    const DRFSObjectRef good = DRFile::createReal(QFileInfo(other));
    const QByteArray itemPath = QFile::encodeName(item);
    switch (spoil) {
    case Spoil::Delete:
        QVERIFY(QFile::remove(item));
        break;
    case Spoil::DanglingLink:
        QVERIFY(QFile::remove(item));
        QCOMPARE(::symlink("nowhere", itemPath.constData()), 0);
        break;
    case Spoil::LinkLoop:
        QVERIFY(QFile::remove(item));
        QCOMPARE(::symlink("item.txt", itemPath.constData()), 0);
        break;
    case Spoil::ParentBecameFile:
        QVERIFY(QDir(src + QStringLiteral("/sub")).removeRecursively());
        QVERIFY(writeFile(src + QStringLiteral("/sub"), "a file now"));
        break;
    case Spoil::Mode000:
    case Spoil::Mode000InFolder:
        QCOMPARE(::chmod(itemPath.constData(), 0), 0);
        break;
    case Spoil::FolderSwappedIn:
        QVERIFY(QFile::remove(item));
        QVERIFY(writeFile(item + QStringLiteral("/inside.txt"), "inside"));
        break;
    case Spoil::FifoSwappedIn:
        QVERIFY(QFile::remove(item));
        QCOMPARE(::mkfifo(itemPath.constData(), 0644), 0);
        break;
    }

    QVector<CFDictionaryRef> statuses;
    {
        const NoDacOverride lowered;
        const FifoRelease release(itemPath);
        statuses = rig.burn(QStringLiteral("Spoiled"), { good, listed });
        QCOMPARE(release.released(), 0);
    }
    ::chmod(itemPath.constData(), 0644);

    if (named.isEmpty()) {
        QVERIFY2(stateOf(statuses.last()) == kDRStatusStateDone, qPrintable(errorText(statuses)));
        QMap<QByteArray, QByteArray> tree { { kKeep.toUtf8(), md5Of(kKeepContent) }, { QByteArrayLiteral("other.txt"), md5Of("other content") },
            { QByteArrayLiteral("item.txt"), burnedAs } };
        if (burnedAs == "dir")
            tree.insert(QByteArrayLiteral("item.txt/inside.txt"), md5Of("inside"));
        checkEarlierSessionsIntact(before, 2, tree);
        return;
    }
    QVERIFY2(!anyDone(statuses), "a burn with a spoiled item was reported done");
    QCOMPARE(errorCount(statuses), 1);
    QCOMPARE(errorCode(statuses), DRError::SourceUnreadable);
    QVERIFY2(errorText(statuses).contains(src + QLatin1Char('/') + named), qPrintable(errorText(statuses)));
    checkEarlierSessionsIntact(before, 1, { { kKeep.toUtf8(), md5Of(kKeepContent) } });
}

// --- abort half way

void TestBurnFaults::abortHalfWayKeepsEarlierSessions()
{
    Rig rig(m_image);
    QVERIFY(rig.held());
    const QByteArray before = burnKeepSession(rig);
    QVERIFY(!before.isEmpty());

    // A large session (sparse, so quick to read), aborted once a part of it
    // is on the image.
    const QString big = m_dir.filePath(QStringLiteral("big.bin"));
    {
        QFile f(big);
        QVERIFY(f.open(QIODevice::WriteOnly));
        QVERIFY(f.resize(qint64(300) * 1024 * 1024));
    }
    double abortedAt = -1;
    QElapsedTimer clock;
    clock.start();
    const QVector<CFDictionaryRef> statuses = rig.burn(QStringLiteral("Aborted"), { DRFile::createReal(QFileInfo(big)) }, 1, [&](const CFDictionaryRef& s) {
        const CFNumberRef percent = s->numberValue(kDRStatusPercentCompleteKey);
        if (abortedAt < 0 && stateOf(s) == kDRStatusStateTrackWrite && percent && percent->toDouble() > 0) {
            abortedAt = percent->toDouble();
            rig.cdr().Abort();
        }
    });
    QVERIFY2(abortedAt > 0 && abortedAt < 0.9, qPrintable(QStringLiteral("the abort did not come half way: at %1 after %2 ms").arg(abortedAt).arg(clock.elapsed())));
    QVERIFY2(clock.elapsed() < 15000, "the abort did not stop the write");
    QVERIFY2(!anyDone(statuses), "an aborted burn was reported done");
    QCOMPARE(errorCount(statuses), 1);
    QCOMPARE(errorCode(statuses), DRError::UserCanceled);
    QCOMPARE(errorText(statuses), QStringLiteral("The burn was cancelled."));
    checkEarlierSessionsIntact(before, 1, { { kKeep.toUtf8(), md5Of(kKeepContent) } });

    // The burner goes on working.
    const QString next = m_dir.filePath(QStringLiteral("next.txt"));
    QVERIFY(writeFile(next, "next"));
    QCOMPARE(stateOf(rig.burn(QStringLiteral("Next"), { DRFile::createReal(QFileInfo(next)) }).last()), kDRStatusStateDone);
    checkEarlierSessionsIntact(before, 2, { { kKeep.toUtf8(), md5Of(kKeepContent) }, { QByteArrayLiteral("next.txt"), md5Of("next") } });
}

// --- a second holder of the image

enum class Holder { SecondDeviceObject, OtherProcessHolds, OtherProcessBurns };
Q_DECLARE_METATYPE(Holder)

void TestBurnFaults::secondHolderIsRefused_data()
{
    QTest::addColumn<Holder>("holder");
    QTest::newRow("second device object, while the first burns") << Holder::SecondDeviceObject;
    QTest::newRow("another process holds the image") << Holder::OtherProcessHolds;
    QTest::newRow("another process burns while we hold it") << Holder::OtherProcessBurns;
}

void TestBurnFaults::secondHolderIsRefused()
{
    QFETCH(Holder, holder);
    const QString file = m_dir.filePath(QStringLiteral("second.txt"));
    QVERIFY(writeFile(file, "second"));
    const QByteArray inUse = QStringLiteral("The disc image \"%1\" is in use by another program.").arg(m_image).toUtf8();
    QByteArray before;

    if (holder == Holder::SecondDeviceObject) {
        Rig first(m_image);
        QVERIFY(first.held());
        before = burnKeepSession(first);
        QVERIFY(!before.isEmpty());
        // While the first burns slowly, a second device object asks for
        // the image and tries a burn of its own.
        const QString big = m_dir.filePath(QStringLiteral("big.bin"));
        QVERIFY(writeFile(big, QByteArray(512 * 1024, 'b')));
        bool tried = false;
        QVector<CFDictionaryRef> secondStatuses;
        const QVector<CFDictionaryRef> statuses
            = first.burn(QStringLiteral("First"), { DRFile::createReal(QFileInfo(big)) }, 0, [&](const CFDictionaryRef& s) {
                  if (tried || stateOf(s) != kDRStatusStateTrackWrite)
                      return;
                  tried = true;
                  Rig second(m_image);
                  QVERIFY(!second.held());
                  secondStatuses = second.burn(QStringLiteral("Second"), { DRFile::createReal(QFileInfo(file)) });
              });
        QVERIFY(tried);
        QVERIFY(!anyDone(secondStatuses));
        QCOMPARE(errorCount(secondStatuses), 1);
        QCOMPARE(errorCode(secondStatuses), DRError::DeviceAccess);
        QCOMPARE(errorText(secondStatuses).toUtf8(), inUse);
        QCOMPARE(stateOf(statuses.last()), kDRStatusStateDone);
        checkEarlierSessionsIntact(before, 2, { { kKeep.toUtf8(), md5Of(kKeepContent) }, { QByteArrayLiteral("big.bin"), md5Of(QByteArray(512 * 1024, 'b')) } });
        return;
    }

    {
        Rig rig(m_image);
        QVERIFY(rig.held());
        before = burnKeepSession(rig);
        QVERIFY(!before.isEmpty());
    }

    if (holder == Holder::OtherProcessBurns) {
        Rig rig(m_image);
        QVERIFY(rig.held());
        const ChildBurn child = runChildBurn(m_home, 0, { file });
        QVERIFY2(child.finished, qPrintable(child.output));
        QVERIFY(!child.done);
        QCOMPARE(child.errors, 1);
        QCOMPARE(child.code, DRError::DeviceAccess);
        QCOMPARE(child.text.toUtf8(), inUse);
        checkEarlierSessionsIntact(before, 1, { { kKeep.toUtf8(), md5Of(kKeepContent) } });
        return;
    }

    QProcess child;
    child.setProcessEnvironment(childEnvironment(m_home));
    child.start(QCoreApplication::applicationFilePath(), { QStringLiteral("--child-hold") });
    QVERIFY(child.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(child.canReadLine() || child.state() != QProcess::Running, 10000);
    QCOMPARE(child.readLine().trimmed(), QByteArray("held 1"));
    {
        Rig rig(m_image);
        QVERIFY(!rig.held());
        const QVector<CFDictionaryRef> statuses = rig.burn(QStringLiteral("Refused"), { DRFile::createReal(QFileInfo(file)) });
        QVERIFY(!anyDone(statuses));
        QCOMPARE(errorCount(statuses), 1);
        QCOMPARE(errorCode(statuses), DRError::DeviceAccess);
        QCOMPARE(errorText(statuses).toUtf8(), inUse);
    }
    checkEarlierSessionsIntact(before, 1, { { kKeep.toUtf8(), md5Of(kKeepContent) } });

    // A holder that dies lets go of the image with it.
    child.kill();
    QVERIFY(child.waitForFinished());
    Rig rig(m_image);
    QVERIFY(rig.held());
    QCOMPARE(stateOf(rig.burn(QStringLiteral("Free again"), { DRFile::createReal(QFileInfo(file)) }).last()), kDRStatusStateDone);
    checkEarlierSessionsIntact(before, 2, { { kKeep.toUtf8(), md5Of(kKeepContent) }, { QByteArrayLiteral("second.txt"), md5Of("second") } });
}

int main(int argc, char** argv)
{
    if (argc >= 3 && std::strcmp(argv[1], "--child-burn") == 0)
        return childBurn(argc, argv);
    if (argc >= 2 && std::strcmp(argv[1], "--child-hold") == 0)
        return childHold(argc, argv);
    // Before any thread starts: unshare refuses a process with threads.
    enterPrivateMountNamespace();
    QCoreApplication app(argc, argv);
    TestBurnFaults test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_burnfaults.moc"
