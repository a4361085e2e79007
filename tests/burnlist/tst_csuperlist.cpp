#include "burnlist/burnlistdelegate.h"
#include "burnlist/cfiletoburn.h"
#include "burnlist/csuperlist.h"
#include "burnlist/fileindex.h"

#include "recordinghost.h"

#include <QApplication>
#include <QDir>
#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QMimeData>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

namespace {

QString makeFile(const QTemporaryDir& dir, const QString& name, int size)
{
    const QString path = dir.filePath(name);
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(QByteArray(size, 'x')) != size)
        qFatal("cannot write the fixture");
    return path;
}

QList<QUrl> urlsOf(const QStringList& paths)
{
    QList<QUrl> urls;
    for (const QString& path : paths)
        urls << QUrl::fromLocalFile(path);
    return urls;
}

// Drags the addresses over the list's viewport and drops them, as a file
// manager does; answers whether every step was accepted.
bool dropOn(CSuperList& list, const QList<QUrl>& urls)
{
    QMimeData mime;
    mime.setUrls(urls);
    const QPoint pos = list.viewport()->rect().center();
    QDragEnterEvent enter(pos, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(list.viewport(), &enter);
    if (!enter.isAccepted())
        return false;
    QDragMoveEvent move(pos, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(list.viewport(), &move);
    if (!move.isAccepted())
        return false;
    QDropEvent drop(QPointF(pos), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(list.viewport(), &drop);
    return drop.isAccepted() && drop.dropAction() == Qt::CopyAction;
}

QStringList rowTexts(const CSuperList& list)
{
    QStringList texts;
    for (int row = 0; row < list.count(); ++row)
        texts << list.item(row)->text();
    return texts;
}

} // namespace

class TestCSuperList : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void deleteKeyRemovesSelectedRows_data();
    void deleteKeyRemovesSelectedRows();
    void selectAllThenClearEmptiesTheList();
    void removingRowCanKeepARow();
    void dropAddsFilesAndFolders();
    void dropSkipsWhatIsNoFile();
    void dropLetsPendingEventsRunEveryTenthItem();
    void sameFileTwiceGivesTwoRows();
    void total_data();
    void total();
    void rowBackground();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<CSuperList> m_list;
    RecordingHost m_host;
};

void TestCSuperList::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_list = std::make_unique<CSuperList>();
    m_list->resize(390, 137);
    m_host = RecordingHost();
    m_list->setHost(&m_host);
}

void TestCSuperList::cleanup()
{
    m_list.reset();
    Globals::FileIndex().clear();
    m_dir.reset();
}

void TestCSuperList::deleteKeyRemovesSelectedRows_data()
{
    QTest::addColumn<int>("key");
    QTest::newRow("Delete") << int(Qt::Key_Delete);
    QTest::newRow("Backspace") << int(Qt::Key_Backspace);
}

void TestCSuperList::deleteKeyRemovesSelectedRows()
{
    QFETCH(int, key);
    std::vector<std::weak_ptr<CFileToBurn>> items;
    for (int i = 0; i < 5; ++i) {
        const auto item = CFileToBurn::Create(makeFile(*m_dir, QString::number(i), 1000), &m_host);
        items.push_back(item);
        m_list->AddItemRow(item->GetUniqueID());
    }
    const QStringList ids = rowTexts(*m_list);
    for (int row : { 0, 2, 4 })
        m_list->item(row)->setSelected(true);
    QVERIFY(m_list->canClear());
    m_host.calls.clear();

    QTest::keyClick(m_list.get(), Qt::Key(key));

    QCOMPARE(rowTexts(*m_list), QStringList({ ids[1], ids[3] }));
    for (int i : { 0, 2, 4 })
        QVERIFY2(items[size_t(i)].expired(), "removed rows free their items");
    QVERIFY(!items[1].expired() && !items[3].expired());
    QCOMPARE(Globals::FileIndex().size(), size_t(2));
    // The total is recomputed and the Burn button re-evaluated once.
    QCOMPARE(m_host.calls, QStringList({ u"changed"_qs, u"burn button"_qs }));
    QCOMPARE(m_list->ComputeTotal(1e12).text, u"Total: 2k  for 2 files."_qs);
}

void TestCSuperList::selectAllThenClearEmptiesTheList()
{
    for (int i = 0; i < 3; ++i)
        m_list->AddItemRow(CFileToBurn::CreateVirtual(u"v"_qs)->GetUniqueID());
    QVERIFY(m_list->canSelectAll());
    QVERIFY(!m_list->canClear());

    QSignalSpy enabling(m_list.get(), &CSuperList::menuEnablingChanged);
    QCOMPARE(m_list->EditSelectAll(), false); // reported as not handled
    QVERIFY(m_list->canClear());
    QVERIFY(enabling.count() > 0);

    QCOMPARE(m_list->EditClear(), true);
    QCOMPARE(m_list->count(), 0);
    QVERIFY(Globals::FileIndex().empty());
    QVERIFY(!m_list->canClear());
    QVERIFY(!m_list->canSelectAll());
}

void TestCSuperList::removingRowCanKeepARow()
{
    for (int i = 0; i < 3; ++i)
        m_list->AddItemRow(CFileToBurn::CreateVirtual(u"v"_qs)->GetUniqueID());
    const QString kept = m_list->item(1)->text();
    QList<int> asked;
    m_list->setRemovingRowHandler([&asked](int row) {
        asked << row;
        return row == 1;
    });

    m_list->ClearAll(); // every row, selected or not

    QCOMPARE(asked, QList<int>({ 2, 1, 0 }));
    QCOMPARE(rowTexts(*m_list), QStringList { kept });
    QVERIFY(Globals::GetFileByID(kept));
    QCOMPARE(Globals::FileIndex().size(), size_t(1));
}

void TestCSuperList::dropAddsFilesAndFolders()
{
    const QString a = makeFile(*m_dir, u"a.txt"_qs, 1000);
    const QString b = makeFile(*m_dir, u"b.txt"_qs, 2000);
    makeFile(*m_dir, u"folder/inside"_qs, 10);
    const QString folder = m_dir->filePath(u"folder"_qs);

    QVERIFY(dropOn(*m_list, urlsOf({ a, b, folder })));

    QCOMPARE(m_list->count(), 3);
    QStringList paths;
    for (const QString& id : rowTexts(*m_list)) {
        const auto item = Globals::GetFileByID(id);
        QVERIFY(item);
        paths << item->GetFolderitem();
    }
    QCOMPARE(paths, QStringList({ a, b, folder }));
    QCOMPARE(m_list->item(2)->data(Qt::AccessibleTextRole).toString(), u"folder"_qs);
    QCOMPARE(m_host.volumeName, u"a.txt"_qs);
    // The folder raised the scanning flag; the drop's end lowers it, redraws
    // the disc, re-evaluates the Burn button and asks for a new total.
    QCOMPARE(m_host.calls,
        QStringList({ u"scanning on"_qs, u"redraw"_qs, u"burn button"_qs, u"scanning off"_qs, u"redraw"_qs, u"changed"_qs }));
    QVERIFY(!m_host.scanning);
    QCOMPARE(m_list->ComputeTotal(1e12).text, u"Total: 3.1k  for 4 files."_qs); // 3000 + 10 + 35 x 3

    // The volume name is taken only while it is still the default.
    QVERIFY(dropOn(*m_list, urlsOf({ b })));
    QCOMPARE(m_host.volumeName, u"a.txt"_qs);
    m_host.volumeName = u"My Disc"_qs;
    QVERIFY(dropOn(*m_list, urlsOf({ a })));
    QCOMPARE(m_host.volumeName, u"My Disc"_qs);
    QCOMPARE(m_list->count(), 5);
}

void TestCSuperList::dropSkipsWhatIsNoFile()
{
    // Only web addresses: the drag is refused at once.
    QVERIFY(!dropOn(*m_list, { QUrl(u"https://example.org/a.txt"_qs) }));
    // A mix: the missing file and the web address are skipped silently.
    const QString a = makeFile(*m_dir, u"a"_qs, 5);
    QVERIFY(dropOn(*m_list, { QUrl(u"https://example.org/a.txt"_qs), QUrl::fromLocalFile(m_dir->filePath(u"missing"_qs)), QUrl::fromLocalFile(a) }));
    QCOMPARE(m_list->count(), 1);
    QCOMPARE(Globals::FileIndex().size(), size_t(1));
    QCOMPARE(m_host.volumeName, u"a"_qs);
}

void TestCSuperList::dropLetsPendingEventsRunEveryTenthItem()
{
    QStringList paths;
    for (int i = 0; i < 12; ++i)
        paths << makeFile(*m_dir, QString::number(i), 1);
    int rowsSeen = -1;
    QMetaObject::invokeMethod(m_list.get(), [&] { rowsSeen = m_list->count(); }, Qt::QueuedConnection);

    QVERIFY(dropOn(*m_list, urlsOf(paths)));

    QCOMPARE(rowsSeen, 10);
    QCOMPARE(m_list->count(), 12);
}

void TestCSuperList::sameFileTwiceGivesTwoRows()
{
    const QString a = makeFile(*m_dir, u"a"_qs, 1500);
    QVERIFY(dropOn(*m_list, urlsOf({ a, a })));
    QCOMPARE(m_list->count(), 2);
    QVERIFY(m_list->item(0)->text() != m_list->item(1)->text());
    QCOMPARE(Globals::FileIndex().size(), size_t(2));
    QCOMPARE(m_list->ComputeTotal(1e12).text, u"Total: 3k  for 2 files."_qs);
}

void TestCSuperList::total_data()
{
    QTest::addColumn<QList<int>>("fileSizes"); // one dropped file per entry; -1: a folder of 10 one-byte files
    QTest::addColumn<double>("freeBlocks");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("fits");

    QTest::newRow("empty list") << QList<int> {} << 0.0 << u"Total: 0k  for 0 files."_qs << true;
    QTest::newRow("exactly the free space") << QList<int> { 204000, 800 } << 100.0 << u"Total: 204.8k  for 2 files."_qs << true;
    QTest::newRow("one byte more") << QList<int> { 204000, 801 } << 100.0 << u"Total: 204.8k  for 2 files."_qs << false;
    QTest::newRow("no disc") << QList<int> { 1 } << 0.0 << u"Total: 0k  for 1 files."_qs << false;
    QTest::newRow("folder of 10 files counts 11") << QList<int> { -1 } << 100.0 << u"Total: 0.4k  for 11 files."_qs << true;
}

void TestCSuperList::total()
{
    QFETCH(QList<int>, fileSizes);
    QFETCH(double, freeBlocks);
    QFETCH(QString, text);
    QFETCH(bool, fits);

    int n = 0;
    for (int size : fileSizes) {
        QString path;
        if (size < 0) {
            for (int i = 0; i < 10; ++i)
                makeFile(*m_dir, u"folder/"_qs + QString::number(i), 1);
            path = m_dir->filePath(u"folder"_qs);
        } else {
            path = makeFile(*m_dir, QString::number(n++), size);
        }
        m_list->AddItemRow(CFileToBurn::Create(path)->GetUniqueID());
    }
    // A row whose item is gone is left out.
    m_list->AddItemRow(u"123"_qs);

    QLabel totalText;
    totalText.setText(u"Total:"_qs);
    QImage mark(1, 1, QImage::Format_ARGB32);
    bool markSet = false;
    const bool answer = m_list->CalculateTotal(freeBlocks * 2048, totalText, [&](const QImage& image) {
        mark = image;
        markSet = true;
    });

    QCOMPARE(answer, fits);
    QCOMPARE(totalText.text(), text);
    QVERIFY(markSet);
    QCOMPARE(mark.isNull(), fits);
    const QColor colour = totalText.palette().color(QPalette::WindowText);
    if (fits)
        QCOMPARE(colour, QApplication::palette(&totalText).color(QPalette::WindowText));
    else
        QCOMPARE(colour, QColor(187, 0, 0));

    // Back under the limit: the mark and the colour are cleared again.
    if (!fits) {
        QVERIFY(m_list->CalculateTotal(1e12, totalText, [&](const QImage& image) { mark = image; }));
        QVERIFY(mark.isNull());
        QCOMPARE(totalText.palette().color(QPalette::WindowText), QApplication::palette(&totalText).color(QPalette::WindowText));
    }
}

void TestCSuperList::rowBackground()
{
    // Rows whose identifiers have no item are drawn as plain text at the left;
    // the right end of each row shows only the background.
    for (int i = 0; i < 4; ++i)
        m_list->AddItemRow(QString::number(i));
    m_list->item(2)->setSelected(true);
    m_list->item(3)->setSelected(true);
    m_list->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_list.get()));

    QCOMPARE(m_list->visualItemRect(m_list->item(1)).height(), CSuperList::RowHeight);
    const QImage shot = m_list->viewport()->grab().toImage();
    const int x = m_list->viewport()->width() - 5;
    auto middleOf = [&](int row) { return shot.pixelColor(x, m_list->visualItemRect(m_list->item(row)).center().y()); };
    auto bottomOf = [&](int row) { return shot.pixelColor(x, m_list->visualItemRect(m_list->item(row)).bottom()); };

    const QColor highlight = m_list->palette().color(QPalette::Active, QPalette::Highlight);
    QCOMPARE(middleOf(0), m_list->palette().color(QPalette::Base));
    QCOMPARE(middleOf(1), QColor(220, 220, 230));
    QCOMPARE(middleOf(2), highlight);
    QCOMPARE(middleOf(3), BurnListDelegate::selectedRowColor(highlight, 3));
    for (int row = 0; row < 4; ++row)
        QCOMPARE(bottomOf(row), QColor(153, 153, 153));

    QCOMPARE(BurnListDelegate::selectedRowColor(QColor(10, 254, 250), 1), QColor(12, 255, 255));
    QCOMPARE(BurnListDelegate::selectedRowColor(QColor(10, 254, 250), 2), QColor(10, 254, 250));
}

QTEST_MAIN(TestCSuperList)
#include "tst_csuperlist.moc"
