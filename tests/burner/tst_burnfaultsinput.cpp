// Odd input a user can drop on the burn list or type in the window, burned to
// the disc image: names with every odd character, names that are not UTF-8,
// 255-byte names, names past Joliet's 64 characters, trees past the depth
// and path length of ISO 9660, long and blank volume names, symbolic link
// loops, named pipes and device nodes. Each is dropped on a real burn list,
// handed to the burner as the main window does and burned; then it is either
// read back by xorriso (Rock Ridge names) byte for byte as it is on the disk,
// or refused with one message that names the item and says why. Nothing may
// hang and nothing may go missing without a word.

#include "tst_burnfaults_support.h"

#include "burner/drfile.h"
#include "burner/drfolder.h"
#include "burner/isoburnservice.h"
#include "burnlist/cfiletoburn.h"
#include "burnlist/csuperlist.h"
#include "burnlist/fileindex.h"
#include "settings/usermessage.h"

#include <QDir>
#include <QElapsedTimer>
#include <QImage>
#include <QMimeData>
#include <QPainter>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

using namespace BurnFaults;

namespace {

bool makeFile(const QByteArray& path, const QByteArray& content)
{
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    const bool ok = ::write(fd, content.constData(), size_t(content.size())) == content.size();
    ::close(fd);
    return ok;
}

bool makeDir(const QByteArray& path)
{
    return ::mkdir(path.constData(), 0755) == 0;
}

enum class Input { OddCharacters, NotUtf8InFolder, LongNames, JolietLongNames, DeepTree, LinksInFolder, SpecialFiles };

} // namespace
Q_DECLARE_METATYPE(Input)

class TestBurnFaultsInput : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void oddInputBurnsFaithfully_data();
    void oddInputBurnsFaithfully();
    void unreachableLinkIsRefusedNamingIt_data();
    void unreachableLinkIsRefusedNamingIt();
    void nameNotUtf8IsReportedOnDrop();
    void renamedLongNameStillFits();
    void volumeNames_data();
    void volumeNames();
    void fifoInTheListNeverBlocks();

private:
    // Drops the URLs on a burn list as a file manager does; answers the
    // identifiers of the new rows.
    QStringList drop(const QList<QUrl>& urls);
    // Burns the rows as the main window does.
    QVector<CFDictionaryRef> burnRows(Rig& rig, const QStringList& ids, const QString& volume = QStringLiteral("Odd"));
    // The entries of a folder as URLs (raw names, percent-encoded).
    static QList<QUrl> urlsOf(const QByteArray& folder);

    QTemporaryDir m_dir;
    QString m_image;
    QStringList m_messages;
    UserMessage::Handler m_previousHandler;
    std::unique_ptr<CSuperList> m_list;
};

void TestBurnFaultsInput::initTestCase()
{
    QVERIFY2(!QStandardPaths::findExecutable(QStringLiteral("xorriso")).isEmpty(), "xorriso is needed to read the image back");
}

void TestBurnFaultsInput::init()
{
    QVERIFY(m_dir.isValid());
    m_image = m_dir.filePath(QStringLiteral("image.iso"));
    QFile::remove(m_image);
    m_messages.clear();
    m_previousHandler = UserMessage::setHandler([this](const QString& text) { m_messages.append(text); });
    Globals::FileIndex().clear();
    m_list = std::make_unique<CSuperList>();
    m_list->resize(300, 200);
    m_list->show();
}

void TestBurnFaultsInput::cleanup()
{
    m_list.reset();
    Globals::FileIndex().clear();
    UserMessage::setHandler(m_previousHandler);
}

QStringList TestBurnFaultsInput::drop(const QList<QUrl>& urls)
{
    const int first = m_list->count();
    QMimeData mime;
    mime.setUrls(urls);
    // As from a file manager: enter, move, then drop, each on the viewport.
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(m_list->viewport(), &enter);
    QDragMoveEvent move(QPoint(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(m_list->viewport(), &move);
    QDropEvent event(QPointF(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(m_list->viewport(), &event);
    QStringList ids;
    for (int row = first; row < m_list->count(); ++row)
        ids.append(m_list->item(row)->text());
    return ids;
}

QVector<CFDictionaryRef> TestBurnFaultsInput::burnRows(Rig& rig, const QStringList& ids, const QString& volume)
{
    return rig.burnWith(volume, [&](CCDR& cdr) {
        for (const QString& id : ids) {
            const std::shared_ptr<CFileToBurn> item = Globals::GetFileByID(id);
            if (!item)
                continue;
            if (item->VirtualFolder)
                cdr.AddVirtualItem(item->GetVirtualFolder());
            else
                cdr.AddItem(QFileInfo(item->GetFolderitem()));
        }
    });
}

QList<QUrl> TestBurnFaultsInput::urlsOf(const QByteArray& folder)
{
    QList<QUrl> urls;
    for (const QByteArray& name : treeOf(QFile::decodeName(folder)).keys()) {
        if (name.contains('/'))
            continue;
        // What a file manager puts in a drop: the raw bytes, percent-encoded.
        urls.append(QUrl::fromEncoded("file://" + QByteArray(folder + '/' + name).toPercentEncoding("/")));
    }
    return urls;
}

// --- odd names and trees, burned faithfully

void TestBurnFaultsInput::oddInputBurnsFaithfully_data()
{
    QTest::addColumn<Input>("input");
    QTest::newRow("odd characters") << Input::OddCharacters;
    QTest::newRow("names not UTF-8 inside a folder") << Input::NotUtf8InFolder;
    QTest::newRow("255-byte names") << Input::LongNames;
    QTest::newRow("names past Joliet's 64 characters") << Input::JolietLongNames;
    QTest::newRow("deep tree and long paths") << Input::DeepTree;
    QTest::newRow("link loops inside a folder") << Input::LinksInFolder;
    QTest::newRow("named pipe and device node") << Input::SpecialFiles;
}

void TestBurnFaultsInput::oddInputBurnsFaithfully()
{
    QFETCH(Input, input);
    const QByteArray dropped = QFile::encodeName(m_dir.filePath(QStringLiteral("drop-%1").arg(int(input))));
    QDir(QFile::decodeName(dropped)).removeRecursively();
    QVERIFY(makeDir(dropped));
    const QByteArray d = dropped + '/';
    switch (input) {
    case Input::OddCharacters: {
        const QList<QByteArray> names { "line\nbreak.txt", "back\\slash.txt", "double\"quote.txt", "single'quote.txt", "tab\there", "star*?<>|:.txt",
            " blanks around ", "-dash", "...", ".hidden", "semicolon;1", "percent%41.txt", "#hash&amp;", "\xc3\xa9t\xc3\xa9 \xe6\x97\xa5\xe6\x9c\xac \xf0\x9f\x93\x80" };
        for (const QByteArray& name : names)
            QVERIFY(makeFile(d + name, "content of " + name));
        QVERIFY(makeDir(d + "folder \"with\"\nodd\\name"));
        for (const QByteArray& name : names)
            QVERIFY(makeFile(d + "folder \"with\"\nodd\\name/" + name, "inner " + name));
        break;
    }
    case Input::NotUtf8InFolder:
        QVERIFY(makeDir(d + "bytes"));
        QVERIFY(makeFile(d + "bytes/\xff\xfe.bin", "ff fe"));
        QVERIFY(makeFile(d + "bytes/caf\xe9.txt", "latin-1"));
        QVERIFY(makeDir(d + "bytes/\xc3\x28 folder"));
        QVERIFY(makeFile(d + "bytes/\xc3\x28 folder/\x80.txt", "lone continuation byte"));
        break;
    case Input::LongNames: {
        const QByteArray ascii(255, 'n');
        QByteArray accented;
        for (int i = 0; i < 127; ++i)
            accented += "\xc3\xa9";
        accented += 'a'; // 255 bytes, 128 characters
        QVERIFY(makeFile(d + ascii, "255 ascii bytes"));
        QVERIFY(makeFile(d + accented, "255 bytes, two per character"));
        QVERIFY(makeDir(d + QByteArray(255, 'd')));
        QVERIFY(makeFile(d + QByteArray(255, 'd') + '/' + QByteArray(255, 'f'), "255 inside 255"));
        break;
    }
    case Input::JolietLongNames:
        // Alike in their first 64 characters: Joliet's cut names clash.
        for (int i = 0; i < 3; ++i)
            QVERIFY(makeFile(d + QByteArray(70, 'j') + QByteArray::number(i) + ".txt", "joliet " + QByteArray::number(i)));
        QVERIFY(makeDir(d + QByteArray(100, 'k')));
        QVERIFY(makeFile(d + QByteArray(100, 'k') + '/' + QByteArray(200, 'l'), "long in long"));
        break;
    case Input::DeepTree: {
        // 12 levels (ISO 9660 allows 8) whose path passes 255 bytes (and
        // Joliet's 240 characters).
        QByteArray path = d + "deep";
        QVERIFY(makeDir(path));
        for (int level = 1; level < 12; ++level) {
            path += '/' + QByteArray::number(level) + QByteArray(30, 'p');
            QVERIFY(makeDir(path));
            QVERIFY(makeFile(path + "/at level " + QByteArray::number(level), "level " + QByteArray::number(level)));
        }
        break;
    }
    case Input::LinksInFolder:
        QVERIFY(makeDir(d + "links"));
        QCOMPARE(::symlink("self", QByteArray(d + "links/self").constData()), 0);
        QCOMPARE(::symlink("pong", QByteArray(d + "links/ping").constData()), 0);
        QCOMPARE(::symlink("ping", QByteArray(d + "links/pong").constData()), 0);
        QCOMPARE(::symlink("..", QByteArray(d + "links/up").constData()), 0);
        QCOMPARE(::symlink("nowhere", QByteArray(d + "links/dangling").constData()), 0);
        break;
    case Input::SpecialFiles:
        QCOMPARE(::mkfifo(QByteArray(d + "pipe").constData(), 0644), 0);
        QVERIFY(makeDir(d + "specials"));
        QCOMPARE(::mkfifo(QByteArray(d + "specials/inner pipe").constData(), 0644), 0);
        QVERIFY(makeFile(d + "specials/plain.txt", "plain"));
        if (::mknod(QByteArray(d + "specials/null").constData(), S_IFCHR | 0644, makedev(1, 3)) != 0)
            qWarning("no device node: mknod is not permitted here");
        break;
    }

    const QList<QUrl> urls = urlsOf(dropped);
    const QStringList ids = drop(urls);
    QCOMPARE(ids.size(), urls.size());
    QVERIFY2(m_messages.isEmpty(), qPrintable(m_messages.join(QLatin1Char('\n'))));

    Rig rig(m_image);
    QVERIFY(rig.held());
    QVector<CFDictionaryRef> statuses;
    {
        const FifoRelease release(d + "pipe");
        const FifoRelease inner(d + "specials/inner pipe");
        statuses = burnRows(rig, ids);
        QCOMPARE(release.released() + inner.released(), 0);
    }
    QVERIFY2(stateOf(statuses.last()) == kDRStatusStateDone, qPrintable(errorText(statuses)));
    QCOMPARE(extract(m_image, m_dir.filePath(QStringLiteral("out"))), treeOf(QFile::decodeName(dropped)));
}

// --- links that lead nowhere, dropped on the list

void TestBurnFaultsInput::unreachableLinkIsRefusedNamingIt_data()
{
    QTest::addColumn<QByteArray>("target");
    QTest::addColumn<QString>("reason");
    QTest::newRow("link to itself") << QByteArray("loop") << QStringLiteral("Too many levels of symbolic links");
    QTest::newRow("dangling link") << QByteArray("nowhere") << QStringLiteral("No such file or directory");
}

void TestBurnFaultsInput::unreachableLinkIsRefusedNamingIt()
{
    QFETCH(QByteArray, target);
    QFETCH(QString, reason);
    const QString link = m_dir.filePath(QStringLiteral("loop"));
    QFile::remove(link);
    QCOMPARE(::symlink(target.constData(), QFile::encodeName(link).constData()), 0);
    const QString plain = m_dir.filePath(QStringLiteral("plain.txt"));
    QVERIFY(writeFile(plain, "plain"));

    const QStringList ids = drop({ QUrl::fromLocalFile(plain), QUrl::fromLocalFile(link) });
    QCOMPARE(ids.size(), 2);
    Rig rig(m_image);
    QVERIFY(rig.held());
    const QVector<CFDictionaryRef> statuses = burnRows(rig, ids);
    QVERIFY(!anyDone(statuses));
    QCOMPARE(errorCount(statuses), 1);
    QCOMPARE(errorCode(statuses), DRError::SourceUnreadable);
    QCOMPARE(errorText(statuses), QStringLiteral("The item \"%1\" cannot be read: %2.").arg(link, reason));
    QCOMPARE(readToc(m_image).sessions, 0);
}

// --- a name that is not UTF-8, dropped on the list

void TestBurnFaultsInput::nameNotUtf8IsReportedOnDrop()
{
    const QByteArray folder = QFile::encodeName(m_dir.path());
    const QByteArray name = "caf\xe9 \xff.txt";
    QVERIFY(makeFile(folder + '/' + name, "not UTF-8"));
    const QString plain = m_dir.filePath(QStringLiteral("plain.txt"));
    QVERIFY(writeFile(plain, "plain"));
    const QUrl odd = QUrl::fromEncoded("file://" + QByteArray(folder + '/' + name).toPercentEncoding("/"));

    const QStringList ids = drop({ odd, QUrl::fromLocalFile(plain) });
    // The file cannot be named in the program's texts without losing its
    // bytes: it is left out, and the user is told which one and why.
    QCOMPARE(ids.size(), 1);
    QCOMPARE(Globals::GetFileByID(ids.first())->GetFolderitem(), plain);
    QCOMPARE(m_messages.size(), 1);
    QCOMPARE(m_messages.first(),
        QStringLiteral("The item \"%1\" cannot be burned: its name is not valid UTF-8 text. Rename it, or drop the folder that holds it.")
            .arg(QFile::decodeName(folder + '/' + name)));
}

// --- a 255-byte name taken by an earlier session

void TestBurnFaultsInput::renamedLongNameStillFits()
{
    const QString name = QString(251, QLatin1Char('r')) + QStringLiteral(".txt");
    const QString first = m_dir.filePath(QStringLiteral("one/") + name);
    const QString second = m_dir.filePath(QStringLiteral("two/") + name);
    QVERIFY(writeFile(first, "first"));
    QVERIFY(writeFile(second, "second"));
    Rig rig(m_image);
    QVERIFY(rig.held());
    QCOMPARE(stateOf(burnRows(rig, drop({ QUrl::fromLocalFile(first) })).last()), kDRStatusStateDone);
    const QVector<CFDictionaryRef> statuses = burnRows(rig, drop({ QUrl::fromLocalFile(second) }));
    QVERIFY2(stateOf(statuses.last()) == kDRStatusStateDone, qPrintable(errorText(statuses)));
    // The renamed name is cut to keep within 255 bytes, suffix included.
    const QByteArray renamed = QByteArray(251, 'r') + " (2)";
    QCOMPARE(renamed.size(), 255);
    QCOMPARE(extract(m_image, m_dir.filePath(QStringLiteral("out"))), (QMap<QByteArray, QByteArray> { { name.toUtf8(), md5Of("first") }, { renamed, md5Of("second") } }));
}

// --- volume names

void TestBurnFaultsInput::volumeNames_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("volumeId");
    const QString ascii = QStringLiteral("A volume name of a hundred characters, typed by a user who had a lot to say about the disc..!");
    QTest::newRow("100 ASCII characters") << ascii.leftJustified(100, QLatin1Char('x')) << ascii.left(16);
    QTest::newRow("100 two-byte characters") << QString(100, QChar(0xe9)) << QString(16, QChar(0xe9));
    // Three bytes each: 10 fit in ISO 9660's 32 bytes.
    QTest::newRow("100 three-byte characters") << QString(100, QChar(0x65e5)) << QString(10, QChar(0x65e5));
    QTest::newRow("only blanks") << QStringLiteral("          ") << QString();
    QTest::newRow("empty") << QString() << QString();
}

void TestBurnFaultsInput::volumeNames()
{
    QFETCH(QString, typed);
    QFETCH(QString, volumeId);
    const QString file = m_dir.filePath(QStringLiteral("v.txt"));
    QVERIFY(writeFile(file, "volume"));
    Rig rig(m_image);
    QVERIFY(rig.held());
    const QVector<CFDictionaryRef> statuses = burnRows(rig, drop({ QUrl::fromLocalFile(file) }), typed);
    QVERIFY2(stateOf(statuses.last()) == kDRStatusStateDone, qPrintable(errorText(statuses)));
    const Toc toc = readToc(m_image);
    QCOMPARE(toc.sessions, 1);
    QCOMPARE(toc.volumeIds.value(0), volumeId);
    QCOMPARE(extract(m_image, m_dir.filePath(QStringLiteral("out"))), (QMap<QByteArray, QByteArray> { { "v.txt", md5Of("volume") } }));
}

// --- a FIFO on the list is drawn, counted and burned without being opened

void TestBurnFaultsInput::fifoInTheListNeverBlocks()
{
    const QByteArray pipe = QFile::encodeName(m_dir.filePath(QStringLiteral("pipe")));
    ::unlink(pipe.constData());
    QCOMPARE(::mkfifo(pipe.constData(), 0644), 0);
    const FifoRelease release(pipe);
    QElapsedTimer clock;
    clock.start();
    const QStringList ids = drop({ QUrl::fromLocalFile(QFile::decodeName(pipe)) });
    QCOMPARE(ids.size(), 1);
    const std::shared_ptr<CFileToBurn> item = Globals::GetFileByID(ids.first());
    QCOMPARE(item->MyByteSize, 0.0);
    QImage cell(400, 20, QImage::Format_ARGB32);
    QPainter painter(&cell);
    item->DrawListEntry(painter, 400, 20, false);
    painter.end();
    QCOMPARE(release.released(), 0);
    QVERIFY(clock.elapsed() < 2000);
}

QTEST_MAIN(TestBurnFaultsInput)
#include "tst_burnfaultsinput.moc"
