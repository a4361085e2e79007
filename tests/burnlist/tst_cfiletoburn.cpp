#include "burnlist/cfiletoburn.h"
#include "burnlist/fileindex.h"
#include "burner/drfolder.h"

#include "recordinghost.h"

#include <QDir>
#include <QFile>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

// Builds a small tree under `root` from lines "d path", "f path size",
// "l path target" (symbolic link), in order.
static void buildTree(const QString& root, const QStringList& layout)
{
    for (const QString& line : layout) {
        const QStringList parts = line.split(u' ');
        const QString path = root + u'/' + parts.at(1);
        if (parts.at(0) == u"d") {
            QVERIFY(QDir().mkpath(path));
        } else if (parts.at(0) == u"f") {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            QVERIFY(file.write(QByteArray(parts.at(2).toInt(), 'x')) == parts.at(2).toInt());
        } else {
            QVERIFY(QFile::link(parts.at(2), path));
        }
    }
}

class TestCFileToBurn : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void cleanup();
    void scan_data();
    void scan();
    void unreadableFolderCountsWhatCouldBeRead();
    void virtualFolder();
    void virtualFolderTree();
    void scanTellsTheHostAboutFolders();
    void identifiersAreUniqueBackToBack();
    void indexOwnsItems();
};

void TestCFileToBurn::cleanup()
{
    Globals::FileIndex().clear();
}

void TestCFileToBurn::scan_data()
{
    QTest::addColumn<QStringList>("layout");
    QTest::addColumn<QString>("item"); // what is dropped, relative to the fixture
    QTest::addColumn<double>("bytes");
    QTest::addColumn<int>("count");
    QTest::addColumn<bool>("folder");

    QTest::newRow("file of 5120 bytes") << QStringList { u"f a.bin 5120"_qs } << u"a.bin"_qs << 5120.0 << 0 << false;
    QTest::newRow("empty file") << QStringList { u"f e 0"_qs } << u"e"_qs << 0.0 << 0 << false;
    QTest::newRow("empty folder") << QStringList { u"d top"_qs } << u"top"_qs << 70.0 << 0 << true;
    // 35 x (3 + 2) for top, 2000 for the files, 35 x 2 for the empty subfolder.
    QTest::newRow("two files and an empty subfolder")
        << QStringList { u"d top"_qs, u"f top/a 1000"_qs, u"f top/b 1000"_qs, u"d top/sub"_qs } << u"top"_qs << 2245.0 << 3 << true;
    QTest::newRow("deeper nesting") << QStringList { u"d top/x/y/z"_qs, u"f top/x/y/z/f 7"_qs } << u"top"_qs << 35.0 * 3 * 4 + 7 << 4 << true;
    QTest::newRow("hidden entries count") << QStringList { u"d top"_qs, u"f top/.hidden 10"_qs } << u"top"_qs << 115.0 << 1 << true;
    QTest::newRow("folder of 10 files") << QStringList { u"d top"_qs, u"f top/1 1"_qs, u"f top/2 1"_qs, u"f top/3 1"_qs, u"f top/4 1"_qs,
        u"f top/5 1"_qs, u"f top/6 1"_qs, u"f top/7 1"_qs, u"f top/8 1"_qs, u"f top/9 1"_qs, u"f top/10 1"_qs }
                                        << u"top"_qs << 430.0 << 10 << true;
    // Links to the folder itself and to its parent: each counts once with the
    // length of its target text ("." is 1, ".." is 2) and is never entered.
    QTest::newRow("symbolic link loop") << QStringList { u"d top/sub"_qs, u"l top/loop ."_qs, u"l top/sub/up .."_qs } << u"top"_qs
                                        << 35.0 * 4 + 1 + 35.0 * 3 + 2 << 3 << true;
    QTest::newRow("link to a folder dropped itself") << QStringList { u"d real"_qs, u"f real/big 5000"_qs, u"l alias real"_qs } << u"alias"_qs
                                                     << 4.0 << 0 << false;
    QTest::newRow("dangling link") << QStringList { u"l gone nowhere-at-all"_qs } << u"gone"_qs << 14.0 << 0 << false;
    QTest::newRow("vanished before the scan") << QStringList {} << u"missing"_qs << 0.0 << 0 << false;
}

void TestCFileToBurn::scan()
{
    QFETCH(QStringList, layout);
    QFETCH(QString, item);
    QFETCH(double, bytes);
    QFETCH(int, count);
    QFETCH(bool, folder);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    buildTree(dir.path(), layout);

    const std::shared_ptr<CFileToBurn> file = CFileToBurn::Create(dir.filePath(item));
    QCOMPARE(file->MyByteSize, bytes);
    QCOMPARE(file->FileCount, count);
    QCOMPARE(file->directory(), folder);
    QVERIFY(!file->VirtualFolder);
    QCOMPARE(file->GetFolderitem(), dir.filePath(item));
    QCOMPARE(Globals::GetFileByID(file->GetUniqueID()), file);
}

void TestCFileToBurn::unreadableFolderCountsWhatCouldBeRead()
{
    if (geteuid() == 0)
        QSKIP("root reads every folder");
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    buildTree(dir.path(), { u"d top/locked"_qs, u"f top/a 100"_qs, u"f top/locked/x 50"_qs });
    const QString locked = dir.filePath(u"top/locked"_qs);
    QVERIFY(QFile::setPermissions(locked, QFileDevice::Permissions()));

    const std::shared_ptr<CFileToBurn> file = CFileToBurn::Create(dir.filePath(u"top"_qs));
    QFile::setPermissions(locked, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    // top: 35 x 4 and the file; the locked folder counts as empty (35 x 2).
    QCOMPARE(file->MyByteSize, 35.0 * 4 + 100 + 70);
    QCOMPARE(file->FileCount, 2);
}

void TestCFileToBurn::virtualFolder()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    buildTree(dir.path(), { u"f a 100"_qs, u"f b 200"_qs, u"f c 300"_qs, u"d d"_qs, u"f d/x 1"_qs, u"f d/y 2"_qs });

    const std::shared_ptr<CFileToBurn> three = CFileToBurn::CreateVirtual(u"Photos"_qs);
    for (const char* name : { "a", "b", "c" })
        three->AddItemToVirtualFolder(dir.filePath(QString::fromLatin1(name)));
    QCOMPARE(three->FileCount, 3);
    QCOMPARE(three->MyByteSize, 0.0);
    three->Scan();
    QCOMPARE(three->FileCount, 3);
    QCOMPARE(three->MyByteSize, 600.0);
    QVERIFY(three->VirtualFolder);
    QCOMPARE(three->VirtualFolderName, u"Photos"_qs);
    QVERIFY(three->GetFolderitem().isEmpty());
    QVERIFY(!three->directory());
    QCOMPARE(Globals::GetFileByID(three->GetUniqueID()), three);

    // A folder inside a virtual folder adds its entries.
    const std::shared_ptr<CFileToBurn> mixed = CFileToBurn::CreateVirtual(u"Mixed"_qs);
    mixed->AddItemToVirtualFolder(dir.filePath(u"a"_qs));
    mixed->AddItemToVirtualFolder(dir.filePath(u"d"_qs));
    mixed->Scan();
    QCOMPARE(mixed->FileCount, 4);
    QCOMPARE(mixed->MyByteSize, 100 + 35.0 * 4 + 3);

    const std::shared_ptr<CFileToBurn> empty = CFileToBurn::CreateVirtual(u"Empty"_qs);
    empty->Scan();
    QCOMPARE(empty->FileCount, 0);
    QCOMPARE(empty->MyByteSize, 0.0);
}

void TestCFileToBurn::virtualFolderTree()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    buildTree(dir.path(), { u"f a 1"_qs, u"d d"_qs, u"f d/x 1"_qs, u"l link d"_qs });

    const std::shared_ptr<CFileToBurn> item = CFileToBurn::CreateVirtual(u"Backup 2024"_qs);
    for (const char* name : { "d", "a", "link" })
        item->AddItemToVirtualFolder(dir.filePath(QString::fromLatin1(name)));
    item->Scan();

    const DRFolderRef tree = item->GetVirtualFolder();
    QVERIFY(tree);
    QVERIFY(tree->isVirtual());
    QCOMPARE(tree->baseName(), u"Backup 2024"_qs);
    QStringList children;
    for (const DRFSObjectRef& child : tree->children()) {
        QVERIFY(!child->isVirtual());
        children << child->baseName() + (child->isFolder() ? u"/"_qs : QString()) + u' ' + child->sourcePath();
    }
    // In the order added; the link to a folder is passed on as a link.
    QCOMPARE(children, QStringList({ u"d/ "_qs + dir.filePath(u"d"_qs), u"a "_qs + dir.filePath(u"a"_qs), u"link "_qs + dir.filePath(u"link"_qs) }));
    QVERIFY(tree->children().at(0)->isFolder() && static_cast<const DRFolder&>(*tree->children().at(0)).children().isEmpty());

    // A new tree on every call; none for a real item.
    QVERIFY(item->GetVirtualFolder() != tree);
    QCOMPARE(CFileToBurn::Create(dir.filePath(u"a"_qs))->GetVirtualFolder(), nullptr);
}

void TestCFileToBurn::scanTellsTheHostAboutFolders()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    buildTree(dir.path(), { u"d top/a"_qs, u"d top/b"_qs, u"f plain 3"_qs });

    RecordingHost host;
    (void)CFileToBurn::Create(dir.filePath(u"plain"_qs), &host);
    QVERIFY(host.calls.isEmpty());

    // Three folders, but the flag is set and the picture redrawn only once;
    // clearing the flag is left to whoever started the scan.
    (void)CFileToBurn::Create(dir.filePath(u"top"_qs), &host);
    QCOMPARE(host.calls, QStringList({ u"scanning on"_qs, u"redraw"_qs }));
    QVERIFY(host.scanning);
}

void TestCFileToBurn::identifiersAreUniqueBackToBack()
{
    QSet<QString> ids;
    for (int i = 0; i < 2000; ++i) {
        const QString id = CFileToBurn::CreateVirtual(u"v"_qs)->GetUniqueID();
        QVERIFY(!id.isEmpty());
        for (QChar c : id)
            QVERIFY(c.isDigit());
        ids.insert(id);
    }
    QCOMPARE(ids.size(), 2000);
    QCOMPARE(Globals::FileIndex().size(), size_t(2000));
}

void TestCFileToBurn::indexOwnsItems()
{
    std::weak_ptr<CFileToBurn> watch;
    QString id;
    {
        const std::shared_ptr<CFileToBurn> item = CFileToBurn::CreateVirtual(u"v"_qs);
        watch = item;
        id = item->GetUniqueID();
    }
    QVERIFY(!watch.expired());
    QCOMPARE(Globals::GetFileByID(id), watch.lock());
    QCOMPARE(Globals::GetFileByID(u"no such id"_qs), nullptr);
    Globals::RemoveFileByID(u"no such id"_qs);
    QCOMPARE(Globals::FileIndex().size(), size_t(1));
    Globals::RemoveFileByID(id);
    QVERIFY(watch.expired());
    QCOMPARE(Globals::GetFileByID(id), nullptr);
}

QTEST_GUILESS_MAIN(TestCFileToBurn)
#include "tst_cfiletoburn.moc"
