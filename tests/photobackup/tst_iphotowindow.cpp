// The photo window: each failure message and that the window goes, the
// filled window after a load, the list growth driven by the timer, the
// caption, the preview scaling, the row stripes, and "Add Selected" handing
// one folder per roll to the burn list.

#include "photolibraryfixture.h"

#include "burnlist/burnlisthost.h"
#include "burnlist/cfiletoburn.h"
#include "burnlist/csuperlist.h"
#include "burnlist/fileindex.h"
#include "burnlist/formatbytes.h"
#include "photobackup/imagewellextender.h"
#include "photobackup/iphotowindow.h"
#include "photobackup/monthcalendar.h"
#include "photobackup/stripedlistbox.h"
#include "settings/usermessage.h"

#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

namespace {

// What the photo window asks of the main window, in order.
class RecordingHost : public BurnListHost {
public:
    bool ScanningFolder() const override { return scanning; }
    void SetScanningFolder(bool value) override
    {
        scanning = value;
        calls << (value ? QStringLiteral("scanning on") : QStringLiteral("scanning off"));
    }
    void RedrawDiscPicture() override { calls << QStringLiteral("redraw"); }
    QString VolumeName() const override { return QStringLiteral("Untitled Volume"); }
    void SetVolumeName(const QString&) override { }
    void BurnListChanged() override { calls << QStringLiteral("changed"); }
    void DoBurnButton() override { calls << QStringLiteral("burn button"); }

    bool scanning = true;
    QStringList calls;
};

QStringList texts(std::initializer_list<const char*> items)
{
    QStringList list;
    for (const char* item : items)
        list << QLatin1String(item);
    return list;
}

QStringList rowTexts(const QListWidget* list)
{
    QStringList rows;
    for (int i = 0; i < list->count(); ++i)
        rows << list->item(i)->text();
    return rows;
}

} // namespace

class TestIPhotoWindow : public QObject {
    Q_OBJECT

private:
    QStringList m_messages;
    UserMessage::Handler m_previous;
    std::unique_ptr<PhotoLibraryFixture> m_fixture;

    // A library of three rolls: 40 images in roll 1 (keys 1-40, dated one a
    // day from 1 March 2004), images 41-42 in roll 2, image 43 in roll 3
    // (without files); albums "Mixed" (43, 1, 41) and "One" (1).
    void writeLibrary()
    {
        m_fixture = std::make_unique<PhotoLibraryFixture>();
        QVector<FixtureImage> images;
        QStringList roll1;
        for (int i = 1; i <= 40; ++i) {
            FixtureImage image(QString::number(i), Date(2004, 3, i, 12, 0, 0), 1);
            image.thumbSize = i == 2 ? QSize(526, 192) : QSize(100, 50);
            images << image;
            roll1 << image.key;
        }
        images << FixtureImage(QStringLiteral("41"), Date(2005, 1, 1), 2) << FixtureImage(QStringLiteral("42"), Date(2005, 1, 2), 2);
        FixtureImage missing(QStringLiteral("43"), Date(2006, 1, 1), 3);
        missing.withFiles = false;
        images << missing;
        m_fixture->writeAlbumData(images,
            { { 1, QStringLiteral("Spring"), roll1 }, { 2, QStringLiteral("Ski trip & friends"), texts({ "41", "42" }) },
                { 3, QStringLiteral("Scans"), texts({ "43" }) } },
            { { 1001, QStringLiteral("Mixed"), texts({ "43", "1", "41" }) }, { 1002, QStringLiteral("One"), texts({ "1" }) } });
        m_fixture->writePreferences();
    }

    IPhotoWindow* openWindow(CSuperList* list = nullptr, BurnListHost* host = nullptr)
    {
        writeLibrary();
        IPhotoWindow* window = IPhotoWindow::ShowShared(list, host);
        if (!window)
            qWarning("messages: %s", qPrintable(m_messages.join(QLatin1Char('|'))));
        return window;
    }

    static void selectRows(QListWidget* list, const QList<int>& rows)
    {
        list->clearSelection();
        for (int row : rows)
            list->item(row)->setSelected(true);
    }

private Q_SLOTS:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        m_previous = UserMessage::setHandler([this](const QString& text) { m_messages << text; });
    }
    void cleanupTestCase() { UserMessage::setHandler(m_previous); }
    void init()
    {
        m_messages.clear();
        PhotoLibraryFixture::removePreferences();
    }
    void cleanup()
    {
        if (IPhotoWindow* window = IPhotoWindow::SharedInstance())
            window->close();
        QTRY_VERIFY(!IPhotoWindow::SharedInstance());
        Globals::FileIndex().clear();
        m_fixture.reset();
    }

    void failuresShowTheirMessageAndCloseTheWindow_data()
    {
        QTest::addColumn<QString>("setup");
        QTest::addColumn<int>("message");
        QTest::newRow("photo program never run") << QStringLiteral("no preferences") << 1;
        QTest::newRow("preferences without RootDirectory") << QStringLiteral("no key") << 1;
        QTest::newRow("preferences unreadable") << QStringLiteral("broken preferences") << 1;
        QTest::newRow("library folder gone") << QStringLiteral("no folder") << 1;
        QTest::newRow("relative library path") << QStringLiteral("relative") << 1;
        QTest::newRow("no album data") << QStringLiteral("no album data") << 2;
        QTest::newRow("album data is a folder") << QStringLiteral("album data folder") << 3;
        QTest::newRow("root is an array") << QStringLiteral("array root") << 4;
        QTest::newRow("broken album data") << QStringLiteral("broken") << 4;
        QTest::newRow("image without a date") << QStringLiteral("no date") << 4;
    }
    void failuresShowTheirMessageAndCloseTheWindow()
    {
        QFETCH(QString, setup);
        QFETCH(int, message);
        PhotoLibraryFixture fixture;
        const QString albumData = fixture.library + QStringLiteral("/AlbumData.xml");
        if (setup == QStringLiteral("no key")) {
            auto prefs = CFMutableDictionary::create();
            prefs->setString(QStringLiteral("OtherKey"), fixture.library);
            PhotoLibraryFixture::writeFile(PhotoLibraryFixture::preferencesPath(), PropertyList::toXmlData(prefs));
        } else if (setup == QStringLiteral("broken preferences")) {
            PhotoLibraryFixture::writeFile(PhotoLibraryFixture::preferencesPath(), QByteArray("bplist00 not really"));
        } else if (setup == QStringLiteral("no folder")) {
            PhotoLibraryFixture::writePreferences(fixture.library + QStringLiteral(" (moved)"));
        } else if (setup == QStringLiteral("relative")) {
            PhotoLibraryFixture::writePreferences(QStringLiteral("Not Found"));
        } else if (setup != QStringLiteral("no preferences")) {
            fixture.writePreferences();
        }
        if (setup == QStringLiteral("album data folder"))
            QDir().mkpath(albumData);
        else if (setup == QStringLiteral("array root"))
            fixture.writeAlbumData(PropertyList::toXmlData(CFArray::create({ CFMutableDictionary::create() })));
        else if (setup == QStringLiteral("broken"))
            fixture.writeAlbumData(QByteArray("<?xml version=\"1.0\"?><plist><dict><key>List of Albums</key><array>"));
        else if (setup == QStringLiteral("no date"))
            fixture.writeAlbumData(QByteArray("<plist><dict><key>List of Albums</key><array/><key>List of Rolls</key><array/>"
                                              "<key>Master Image List</key><dict><key>1</key><dict/></dict></dict></plist>"));

        QVERIFY(!IPhotoWindow::ShowShared(nullptr, nullptr));
        QCOMPARE(m_messages, QStringList({ IPhotoLibrary::Message(message) }));
        QTRY_VERIFY(!IPhotoWindow::SharedInstance());
    }

    void loadFillsTheWindow()
    {
        IPhotoWindow* window = openWindow();
        QVERIFY(window);
        QVERIFY(m_messages.isEmpty());
        QCOMPARE(window->windowTitle(), QStringLiteral("Kestrow Photo Backup: iPhoto Library"));
        QCOMPARE(window->InfoText->text(), window->Library()->InfoText().replace(QChar(13), QChar(10)));
        QVERIFY(window->InfoText->text().startsWith(QStringLiteral("iPhoto Library  contains 43 images. \n")));
        QCOMPARE(rowTexts(window->RollsListbox), texts({ "Spring", "Ski trip & friends", "Scans" }));
        QCOMPARE(rowTexts(window->AlbumListbox), texts({ "Mixed", "One" }));
        const auto tag = window->RollsListbox->item(1)->data(IPhotoWindow::TagRole).value<CFDictionaryRef>();
        QVERIFY(tag);
        QCOMPARE(tag->numberValue(QStringLiteral("AlbumId"))->toInt32(), 2);
        QCOMPARE(window->SelectedGroupbox->title(), QStringLiteral("No Images Selected:"));
        QVERIFY(window->SelectedImages.isEmpty());
        QVERIFY(window->StartSelectionDate->isVisible());
        QVERIFY(!window->RollsListbox->isVisible());

        // Asked again, the same window comes forward.
        QCOMPARE(IPhotoWindow::ShowShared(nullptr, nullptr), window);
        QCOMPARE(window->findChildren<QTabWidget*>().size(), 1);
    }

    void controlBounds_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QRect>("bounds");
        QTest::newRow("TabPanel1") << QStringLiteral("TabPanel1") << QRect(20, 14, 540, 220);
        QTest::newRow("StartSelectionDate") << QStringLiteral("StartSelectionDate") << QRect(133, 80, 135, 143);
        QTest::newRow("EndSelectionDate") << QStringLiteral("EndSelectionDate") << QRect(345, 80, 135, 143);
        QTest::newRow("RollsListbox") << QStringLiteral("RollsListbox") << QRect(149, 60, 356, 152);
        QTest::newRow("SelectedGroupbox") << QStringLiteral("SelectedGroupbox") << QRect(20, 242, 540, 251);
        QTest::newRow("SelectedImagesListbox") << QStringLiteral("SelectedImagesListbox") << QRect(38, 272, 211, 205);
        QTest::newRow("ImageWell1") << QStringLiteral("ImageWell1") << QRect(261, 269, 283, 212);
        QTest::newRow("InfoText") << QStringLiteral("InfoText") << QRect(20, 505, 305, 42);
        QTest::newRow("PushButton1") << QStringLiteral("PushButton1") << QRect(366, 523, 69, 20);
        QTest::newRow("AddButton") << QStringLiteral("AddButton") << QRect(447, 523, 113, 20);
    }
    void controlBounds()
    {
        QFETCH(QString, name);
        QFETCH(QRect, bounds);
        IPhotoWindow* window = openWindow();
        QVERIFY(window);
        QCOMPARE(window->size(), QSize(580, 563));
        auto* control = window->findChild<QWidget*>(name);
        QVERIFY(control);
        QCOMPARE(control->geometry(), bounds);
    }

    void listGrowsByTheTimer()
    {
        IPhotoWindow* window = openWindow();
        QVERIFY(window);
        window->TabPanel1->setCurrentIndex(1);
        QVERIFY(window->RollsListbox->isVisible());
        selectRows(window->RollsListbox, { 0 });
        QCOMPARE(window->SelectedImages.size(), 40);
        const qint64 length = QFileInfo(m_fixture->imagePath(QStringLiteral("1"))).size();
        QCOMPARE(window->SelectedGroupbox->title(), QStringLiteral("40 Images Selected. ( ") + Globals::formatBytes(40.0 * length) + QStringLiteral(" )"));
        QCOMPARE(window->SelectedImagesListbox->count(), 15);
        QVERIFY(window->ListBuilderTimer->isActive());
        QVERIFY(window->ListBuilderTimer->isSingleShot());
        QCOMPARE(window->ListBuilderTimer->interval(), 100);

        window->ListBuilderTimer->stop();
        window->ListBuilderTimer_Action();
        QCOMPARE(window->SelectedImagesListbox->count(), 18);
        QVERIFY(window->ListBuilderTimer->isActive());

        // A new build starts over from the first image of its own selection.
        selectRows(window->RollsListbox, { 1 });
        QCOMPARE(rowTexts(window->SelectedImagesListbox), texts({ "Image 41", "Image 42" }));
        selectRows(window->RollsListbox, { 0 });
        QCOMPARE(window->SelectedImagesListbox->item(0)->text(), QStringLiteral("Image 1"));
        QTRY_COMPARE_WITH_TIMEOUT(window->SelectedImagesListbox->count(), 40, 3000);
        QCOMPARE(window->ListBuilderIndex, 40);
        QTRY_VERIFY(!window->ListBuilderTimer->isActive());
        QCOMPARE(window->SelectedImagesListbox->item(39)->text(), QStringLiteral("Image 40"));
    }

    void dateSelectionFromTheCalendars()
    {
        IPhotoWindow* window = openWindow();
        QVERIFY(window);
        window->StartSelectionDate->setSelectedDate(QDate(2004, 3, 2));
        window->EndSelectionDate->setSelectedDate(QDate(2004, 3, 4));
        QCOMPARE(rowTexts(window->SelectedImagesListbox), texts({ "Image 2", "Image 3", "Image 4" }));
        window->StartSelectionDate->setSelectedDate(QDate(2004, 3, 5));
        QCOMPARE(window->SelectedGroupbox->title(), QStringLiteral("0 Images Selected. ( ") + Globals::formatBytes(0) + QStringLiteral(" )"));
        QCOMPARE(window->SelectedImagesListbox->count(), 0);

        // Back on the date tab after another, the calendars as they stand
        // make the selection.
        window->TabPanel1->setCurrentIndex(2);
        selectRows(window->AlbumListbox, { 1 });
        QCOMPARE(window->SelectedImages.size(), 1);
        window->StartSelectionDate->setSelectedDate(QDate(2004, 3, 4));
        window->TabPanel1->setCurrentIndex(0);
        QCOMPARE(rowTexts(window->SelectedImagesListbox), texts({ "Image 4" }));
    }

    void previewBounds_data()
    {
        QTest::addColumn<QSize>("picture");
        QTest::addColumn<QRect>("drawn");
        QTest::newRow("small, unscaled and centred") << QSize(100, 50) << QRect(81, 71, 100, 50);
        QTest::newRow("wide, halved") << QSize(526, 192) << QRect(0, 48, 263, 96);
        QTest::newRow("exactly the area") << QSize(263, 192) << QRect(0, 0, 263, 192);
        QTest::newRow("tall, scaled to the height") << QSize(100, 384) << QRect(106, 0, 50, 192);
        QTest::newRow("odd sizes truncate") << QSize(1000, 3) << QRect(0, 96, 263, 0);
        QTest::newRow("one pixel") << QSize(1, 1) << QRect(131, 96, 1, 1);
    }
    void previewBounds()
    {
        QFETCH(QSize, picture);
        QFETCH(QRect, drawn);
        QCOMPARE(ImagewellExtender::ScaledBounds(QSize(263, 192), picture), drawn);
    }

    void previewOfTheSelectedRow()
    {
        IPhotoWindow* window = openWindow();
        QVERIFY(window);
        window->TabPanel1->setCurrentIndex(1);
        selectRows(window->RollsListbox, { 0 });
        window->SelectedImagesListbox->setCurrentRow(1); // the 526 x 192 thumbnail
        QPixmap pixmap = window->ImageWell1->pixmap();
        QCOMPARE(pixmap.size(), QSize(263, 192));
        QImage shown = pixmap.toImage();
        QCOMPARE(shown.pixelColor(131, 96).rgb(), QColor(20, 160, 40).rgb());
        QCOMPARE(shown.pixelColor(131, 47).alpha(), 0); // above the halved picture
        QCOMPARE(shown.pixelColor(131, 48).alpha(), 255);

        // An image whose thumbnail is missing shows no preview at all.
        selectRows(window->RollsListbox, { 2 });
        window->SelectedImagesListbox->setCurrentRow(0);
        QVERIFY(window->ImageWell1->pixmap().isNull());
    }

    void rowsAreStriped()
    {
        IPhotoWindow* window = openWindow();
        QVERIFY(window);
        window->TabPanel1->setCurrentIndex(1);
        selectRows(window->RollsListbox, { 1 }); // two images
        StripedListBox* list = window->SelectedImagesListbox;
        list->setCurrentRow(1);
        const QImage shot = list->viewport()->grab().toImage();
        const int x = shot.width() - 10; // right of every caption
        auto rowColour = [&](int row) { return shot.pixelColor(x, row * StripedListBox::RowHeight + StripedListBox::RowHeight / 2).rgb(); };
        const QRgb stripe = QColor(0xEE, 0xEE, 0xFF).rgb();
        QCOMPARE(rowColour(0), stripe);
        QVERIFY(rowColour(1) != stripe); // selected: the list's own highlight
        QCOMPARE(rowColour(1), list->palette().color(QPalette::Active, QPalette::Highlight).rgb());
        QCOMPARE(rowColour(2), stripe); // below the last image, striped alike
        QCOMPARE(rowColour(3), list->palette().color(QPalette::Base).rgb());
        QCOMPARE(rowColour(4), stripe);
    }

    void addSelectedMakesOneFolderPerRoll()
    {
        CSuperList burnList;
        RecordingHost host;
        IPhotoWindow* window = openWindow(&burnList, &host);
        QVERIFY(window);
        window->TabPanel1->setCurrentIndex(2);
        selectRows(window->AlbumListbox, { 0, 1 }); // 43 (no file), 1, 41, then 1 again
        QCOMPARE(window->SelectedImages.size(), 4);
        window->AddButton->click();

        QCOMPARE(burnList.count(), 2);
        const auto spring = Globals::GetFileByID(burnList.item(0)->text());
        const auto ski = Globals::GetFileByID(burnList.item(1)->text());
        QVERIFY(spring && ski);
        QVERIFY(spring->VirtualFolder);
        QCOMPARE(spring->VirtualFolderName, QStringLiteral("Spring"));
        QCOMPARE(spring->VirtualFolderContents, QStringList({ m_fixture->imagePath(QStringLiteral("1")), m_fixture->imagePath(QStringLiteral("1")) }));
        QCOMPARE(spring->FileCount, 2);
        const qint64 length = QFileInfo(m_fixture->imagePath(QStringLiteral("1"))).size();
        QCOMPARE(spring->MyByteSize, 2.0 * length);
        QCOMPARE(ski->VirtualFolderName, QStringLiteral("Ski trip & friends"));
        QCOMPARE(ski->VirtualFolderContents, QStringList({ m_fixture->imagePath(QStringLiteral("41")) }));
        QCOMPARE(host.calls, texts({ "burn button", "scanning off", "redraw", "changed" }));
        QCOMPARE(m_messages, QStringList({ QStringLiteral("1 image was left out because its file is missing or cannot be read.") }));
        QTRY_VERIFY(!IPhotoWindow::SharedInstance());
    }

    void addWithNothingSelectedOnlyUpdatesTheMainWindow()
    {
        CSuperList burnList;
        RecordingHost host;
        IPhotoWindow* window = openWindow(&burnList, &host);
        QVERIFY(window);
        window->AddButton_Action();
        QCOMPARE(burnList.count(), 0);
        QVERIFY(Globals::FileIndex().empty());
        QCOMPARE(host.calls, texts({ "burn button", "scanning off", "redraw", "changed" }));
        QVERIFY(m_messages.isEmpty());
        QTRY_VERIFY(!IPhotoWindow::SharedInstance());
    }

    void cancelAddsNothing()
    {
        CSuperList burnList;
        RecordingHost host;
        IPhotoWindow* window = openWindow(&burnList, &host);
        QVERIFY(window);
        window->TabPanel1->setCurrentIndex(1);
        selectRows(window->RollsListbox, { 0, 1 });
        window->PushButton1->click();
        QTRY_VERIFY(!IPhotoWindow::SharedInstance());
        QCOMPARE(burnList.count(), 0);
        QVERIFY(host.calls.isEmpty());
    }
};

QTEST_MAIN(TestIPhotoWindow)
#include "tst_iphotowindow.moc"
