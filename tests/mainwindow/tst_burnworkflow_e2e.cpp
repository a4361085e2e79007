// End to end through the main window on the real disc-image burner: files
// and a folder dropped on the burn list the way a file manager drops them,
// a volume name with its running number, Burn, the settings sheet, the
// finished window; the image read back with xorriso. Then a second list as a
// second session, and an erase that leaves the image blank.
// The image lives in the test's private documents folder.

#include "../dialogs/modalanswer.h"

#include "app/globalpictures.h"
#include "burner/diskrecordingmodule.h"
#include "burner/isoburnservice.h"
#include "burnlist/csuperlist.h"
#include "burnlist/fileindex.h"
#include "dialogs/burnerrorwindow.h"
#include "dialogs/burnfinishedwindow.h"
#include "dialogs/burnsettingswindow.h"
#include "dialogs/burnstatuswindow.h"
#include "dialogs/warningdialog.h"
#include "mainwindow/popupmenu.h"
#include "mainwindow/window1.h"
#include "settings/usermessage.h"
#include "settings/xmlmodule.h"
#include "volumeindex/databasemodule.h"
#include "volumeindex/volumenamepopup.h"

#include <QCryptographicHash>
#include <QDirIterator>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QProcess>
#include <QPushButton>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

using namespace Qt::StringLiterals;

namespace
{

const QString ImageBurner = u"Internal Kestrow Disc Image via File"_s;

QString xorriso(const QStringList& args)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(u"xorriso"_s, args);
    if (!p.waitForFinished(30000))
        return u"xorriso did not finish"_s;
    return QString::fromLocal8Bit(p.readAll());
}

struct Toc {
    int sessions = -1;
    QString volumeId; // of the newest session
    QStringList sessionIds;
};

Toc readToc(const QString& image)
{
    Toc toc;
    const QString out = xorriso({ u"-indev"_s, image, u"-toc"_s });
    static const QRegularExpression session(u"^ISO session\\s*:\\s*\\d+\\s*,\\s*\\d+\\s*,\\s*\\d+s\\s*,\\s*(.*)$"_s, QRegularExpression::MultilineOption);
    for (auto it = session.globalMatch(out); it.hasNext();)
        toc.sessionIds.append(it.next().captured(1).trimmed());
    const QRegularExpressionMatch summary = QRegularExpression(u"Media summary:\\s*(\\d+) session"_s).match(out);
    toc.sessions = summary.hasMatch() ? summary.captured(1).toInt() : -1;
    const QRegularExpressionMatch volid = QRegularExpression(u"Volume id\\s*:\\s*'(.*)'"_s).match(out);
    toc.volumeId = volid.hasMatch() ? volid.captured(1) : QString();
    return toc;
}

// Every entry below root by relative path: a file's content hash, a folder's
// empty one.
QMap<QString, QByteArray> treeOf(const QString& root)
{
    QMap<QString, QByteArray> tree;
    QDirIterator it(root, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        QByteArray hash;
        if (!it.fileInfo().isDir()) {
            QFile f(path);
            if (f.open(QIODevice::ReadOnly))
                hash = QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256);
            else
                hash = "unreadable";
        }
        tree.insert(QDir(root).relativeFilePath(path), hash);
    }
    return tree;
}

// The newest session's tree as xorriso extracts it.
QMap<QString, QByteArray> burnedTree(const QString& image, const QString& into)
{
    xorriso({ u"-osirrox"_s, u"on"_s, u"-indev"_s, image, u"-extract"_s, u"/"_s, into });
    return treeOf(into);
}

void writeFile(const QString& path, qsizetype size)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    QByteArray bytes(size, Qt::Uninitialized);
    QRandomGenerator gen(static_cast<quint32>(size));
    for (char& c : bytes)
        c = static_cast<char>(gen.bounded(256));
    f.write(bytes);
}

} // namespace

class TestBurnWorkflowE2E : public QObject
{
    Q_OBJECT

    std::unique_ptr<Window1> m_window;
    QTemporaryDir m_sources;
    QTemporaryDir m_read;
    QStringList m_messages;
    QString m_image;
    // What every burn so far put on the disc, by path in the image.
    QMap<QString, QByteArray> m_expected;

    // Drops the paths on the burn list's viewport: enter, move, drop.
    void drop(const QStringList& paths)
    {
        QList<QUrl> urls;
        for (const QString& p : paths)
            urls << QUrl::fromLocalFile(p);
        QMimeData mime;
        mime.setUrls(urls);
        QWidget* target = m_window->ListBox1->viewport();
        const QPointF at = target->rect().center();
        QDragEnterEvent enter(at.toPoint(), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(target, &enter);
        QVERIFY(enter.isAccepted());
        QDragMoveEvent move(at.toPoint(), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(target, &move);
        QVERIFY(move.isAccepted());
        QDropEvent dropped(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(target, &dropped);
        QVERIFY(dropped.isAccepted());
    }

    // Adds the source tree below `from` (relative paths) to what the disc must hold.
    void expect(const QString& from)
    {
        const QFileInfo info(from);
        if (info.isDir()) {
            m_expected.insert(info.fileName(), QByteArray());
            const auto below = treeOf(from);
            for (auto it = below.cbegin(); it != below.cend(); ++it)
                m_expected.insert(info.fileName() + u'/' + it.key(), it.value());
        } else {
            QFile f(from);
            QVERIFY(f.open(QIODevice::ReadOnly));
            m_expected.insert(info.fileName(), QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256));
        }
    }

    // Waits for the finished window (true) or the error window (false, with
    // the error's text as a failure message).
    [[nodiscard]] bool waitForTheEnd(QString& error)
    {
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < 60000) {
            if (BurnFinishedWindow::current() && BurnFinishedWindow::current()->isVisible())
                return true;
            if (BurnErrorWindow::current()) {
                error = BurnErrorWindow::current()->ErrorText->text();
                return false;
            }
            QTest::qWait(50);
        }
        error = u"neither the finished nor the error window within 60 s"_s;
        return false;
    }

    void burnTheList(const QString& expectedName)
    {
        QTRY_VERIFY(m_window->BurnButton->isEnabled());
        // The running number's item, chosen as the user chooses it.
        QTRY_COMPARE(m_window->DatabasePopup->count() > 2 ? m_window->DatabasePopup->itemText(2) : QString(), expectedName.section(u' ', -1));
        m_window->DatabasePopup->setCurrentIndex(2);
        QCOMPARE(m_window->volumeNamePopup()->ComposedVolumeName(), expectedName);

        bool confirmed = false;
        ModalAnswer answer([&confirmed](QWidget* modal) {
            if (auto* sheet = qobject_cast<BurnSettingsWindow*>(modal)) {
                confirmed = true;
                sheet->OKButton->click();
            }
        });
        m_window->BurnButton->click();
        QVERIFY(confirmed);
        QVERIFY(m_window->Burning);
        QString error;
        QVERIFY2(waitForTheEnd(error), qPrintable(error));
        QVERIFY(!m_window->StatusWindow);
        QVERIFY(!m_window->Burning);
        BurnFinishedWindow::current()->PushButton1->click();
        QTRY_VERIFY(!BurnFinishedWindow::current());
    }

    void verifyDisc(int sessions, const QString& volumeId)
    {
        const Toc toc = readToc(m_image);
        QCOMPARE(toc.sessions, sessions);
        QCOMPARE(toc.sessionIds.size(), sessions);
        QCOMPARE(toc.sessionIds.last(), volumeId);
        QCOMPARE(toc.volumeId, volumeId);
        const QString into = m_read.filePath(volumeId);
        QCOMPARE(burnedTree(m_image, into), m_expected);
    }

private Q_SLOTS:
    void initTestCase()
    {
        if (QStandardPaths::findExecutable(u"xorriso"_s).isEmpty())
            QSKIP("xorriso is needed to read the image back");
        Globals::BuildPictures();
        UserMessage::setHandler([this](const QString& text) { m_messages << text; });
        XMLModule::XMLRoot() = std::make_shared<CXML>();
        m_image = IsoburnService::imagePath();
        QVERIFY2(m_image.startsWith(QDir::homePath()), "the image must be in the test's own home");
        QFile::remove(m_image);

        writeFile(m_sources.filePath(u"first/Photos/2026/beach.jpg"_s), 150000);
        writeFile(m_sources.filePath(u"first/Photos/2026/empty.txt"_s), 0);
        writeFile(m_sources.filePath(u"first/Photos/notes.txt"_s), 4321);
        writeFile(m_sources.filePath(u"first/letter.odt"_s), 70000);
        writeFile(m_sources.filePath(u"second/Music/song.ogg"_s), 200000);
        writeFile(m_sources.filePath(u"second/budget.ods"_s), 9000);

        m_window = std::make_unique<Window1>();
        m_window->Open();
        QVERIFY(Globals::SetupPopup(m_window->DevicePopup, ImageBurner));
        QVERIFY(m_window->SelectedDevice);
        QTRY_VERIFY_WITH_TIMEOUT(m_window->MediaAvailable, 10000);
    }

    void cleanupTestCase()
    {
        m_window.reset();
        DiskRecordingModule::ResetDeviceArray();
        Globals::FileIndex().clear();
    }

    void firstBurn()
    {
        drop({ m_sources.filePath(u"first/Photos"_s), m_sources.filePath(u"first/letter.odt"_s) });
        QCOMPARE(m_window->ListBox1->count(), 2);
        expect(m_sources.filePath(u"first/Photos"_s));
        expect(m_sources.filePath(u"first/letter.odt"_s));

        m_window->VolumeNameField->selectAll();
        QTest::keyClicks(m_window->VolumeNameField, u"Backup"_s);
        QCOMPARE(m_window->VolumeNameField->text(), u"Backup"_s);

        burnTheList(u"Backup #1"_s);
        verifyDisc(1, u"Backup #1"_s);
        QCOMPARE(DatabaseModule::GetVolumeIndex(u"Backup"_s), u"2"_s);
        QVERIFY(m_messages.isEmpty());
    }

    void secondBurn()
    {
        m_window->ListBox1->ClearAll();
        drop({ m_sources.filePath(u"second/Music"_s), m_sources.filePath(u"second/budget.ods"_s) });
        QCOMPARE(m_window->ListBox1->count(), 2);
        expect(m_sources.filePath(u"second/Music"_s));
        expect(m_sources.filePath(u"second/budget.ods"_s));

        // The popup was rebuilt after the first burn and keeps the number's item.
        QTRY_COMPARE(m_window->DatabasePopup->currentText(), u"#2"_s);
        burnTheList(u"Backup #2"_s);
        // The newest session shows every file ever burned.
        verifyDisc(2, u"Backup #2"_s);
        QCOMPARE(DatabaseModule::GetVolumeIndex(u"Backup"_s), u"3"_s);
        QVERIFY(m_messages.isEmpty());
    }

    void erase()
    {
        QTRY_VERIFY(m_window->EraseButton->isEnabled());
        bool warned = false;
        ModalAnswer answer([&warned](QWidget* modal) {
            if (auto* warning = qobject_cast<WarningDialog*>(modal)) {
                warned = true;
                warning->PushButton1->click();
            }
        });
        m_window->EraseButton->click();
        QVERIFY(warned);
        QString error;
        QVERIFY2(waitForTheEnd(error), qPrintable(error));
        QVERIFY(!m_window->StatusWindow);
        BurnFinishedWindow::current()->PushButton1->click();

        // Blank again: the disc reports no session and its whole space free.
        QTRY_COMPARE_WITH_TIMEOUT(m_window->MediaSessionCount, 0, 10000);
        QTRY_COMPARE(m_window->MediaBlocksAvailable, 359847.0);
        QStringList lines;
        for (const auto& line : m_window->CanvasLines())
            lines << line.text;
        QCOMPARE(lines, (QStringList { u"736.97m"_s, u"Free"_s, u"0 sessions"_s }));
        QVERIFY(readToc(m_image).sessionIds.isEmpty());
        QVERIFY(m_messages.isEmpty());
    }
};

QTEST_MAIN(TestBurnWorkflowE2E)
#include "tst_burnworkflow_e2e.moc"
