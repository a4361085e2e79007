// Loading the album data and selecting from it: the load failures, the date
// index (order, padding, same-second order), the summary, selections by days
// (whole days, inclusive), by rolls and by albums, file lengths, and the
// grouping into one folder per roll.

#include "photolibraryfixture.h"

#include "photobackup/iphotolibrary.h"

#include <QFile>
#include <QTest>

namespace {

QStringList keysOf(const QVector<CFDictionaryRef>& images)
{
    QStringList captions;
    for (const CFDictionaryRef& image : images)
        captions << image->stringValue(QStringLiteral("Caption"))->value();
    return captions;
}

QStringList texts(std::initializer_list<const char*> items)
{
    QStringList list;
    for (const char* item : items)
        list << QLatin1String(item);
    return list;
}

std::unique_ptr<IPhotoLibrary> load(const PhotoLibraryFixture& fixture)
{
    IPhotoLibrary::LoadError error = IPhotoLibrary::LoadError::NotUnderstood;
    QString detail;
    auto library = IPhotoLibrary::Load(fixture.library, &error, &detail);
    if (!library)
        qWarning("load failed (%d): %s", static_cast<int>(error), qPrintable(detail));
    return library;
}

} // namespace

class TestIPhotoLibrary : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void loadFailures_data()
    {
        QTest::addColumn<QByteArray>("albumData");
        QTest::addColumn<int>("message");
        const QByteArray goodRoot = "<plist version=\"1.0\"><dict><key>List of Albums</key><array/><key>List of Rolls</key><array/>"
                                    "<key>Master Image List</key><dict>";
        QTest::newRow("root is an array") << QByteArray("<plist version=\"1.0\"><array><dict/></array></plist>") << 4;
        QTest::newRow("not xml") << QByteArray("\x89PNG\r\n\x1a\n garbage") << 4;
        QTest::newRow("cut off") << QByteArray(goodRoot + "<key>1</key><dict><key>Date") << 4;
        QTest::newRow("empty file") << QByteArray() << 4;
        QTest::newRow("no image list") << QByteArray("<plist version=\"1.0\"><dict><key>List of Albums</key><array/><key>List of Rolls</key><array/></dict></plist>") << 4;
        QTest::newRow("rolls not an array") << QByteArray("<plist><dict><key>List of Albums</key><array/><key>List of Rolls</key><dict/><key>Master Image List</key><dict/></dict></plist>") << 4;
        QTest::newRow("image without date") << QByteArray(goodRoot + "<key>1</key><dict><key>Caption</key><string>x</string></dict></dict></dict></plist>") << 4;
        QTest::newRow("image date is text") << QByteArray(goodRoot + "<key>1</key><dict><key>DateAsTimerInterval</key><string>x</string></dict></dict></dict></plist>") << 4;
        QTest::newRow("image date not a number") << QByteArray(goodRoot + "<key>1</key><dict><key>DateAsTimerInterval</key><real>nan</real></dict></dict></dict></plist>") << 4;
        QTest::newRow("image is no dictionary") << QByteArray(goodRoot + "<key>1</key><string>x</string></dict></dict></plist>") << 4;
    }
    void loadFailures()
    {
        QFETCH(QByteArray, albumData);
        QFETCH(int, message);
        PhotoLibraryFixture fixture;
        fixture.writeAlbumData(albumData);
        IPhotoLibrary::LoadError error = IPhotoLibrary::LoadError::None;
        QVERIFY(!IPhotoLibrary::Load(fixture.library, &error));
        QCOMPARE(static_cast<int>(error), message);
    }

    void missingOrUnopenableAlbumData()
    {
        PhotoLibraryFixture fixture;
        IPhotoLibrary::LoadError error = IPhotoLibrary::LoadError::None;
        QVERIFY(!IPhotoLibrary::Load(fixture.library, &error));
        QCOMPARE(error, IPhotoLibrary::LoadError::NoAlbumData);

        QVERIFY(QDir().mkpath(fixture.library + QStringLiteral("/AlbumData.xml")));
        QVERIFY(!IPhotoLibrary::Load(fixture.library, &error));
        QCOMPARE(error, IPhotoLibrary::LoadError::CannotOpen);
    }

    void dateIndexAndSummary()
    {
        PhotoLibraryFixture fixture;
        fixture.writeAlbumData({ { QStringLiteral("10"), Date(2004, 5, 1, 10, 0, 0) },
                                   { QStringLiteral("11"), Date(2003, 1, 1, 9, 0, 0) },
                                   { QStringLiteral("12"), Date(2005, 12, 31, 23, 59, 0) } },
            { { 1, QStringLiteral("Roll 1"), { QStringLiteral("10"), QStringLiteral("11"), QStringLiteral("12") } } }, {});
        const auto library = load(fixture);
        QVERIFY(library);
        QCOMPARE(library->SortedImagesByDate,
            QStringList({ IPhotoLibrary::DateKey(Date(2003, 1, 1, 9).TotalSeconds(), QStringLiteral("11")),
                IPhotoLibrary::DateKey(Date(2004, 5, 1, 10).TotalSeconds(), QStringLiteral("10")),
                IPhotoLibrary::DateKey(Date(2005, 12, 31, 23, 59).TotalSeconds(), QStringLiteral("12")) }));
        QCOMPARE(library->DatabaseStartDate, Date(2003, 1, 1, 9));
        QCOMPARE(library->DatabaseEndDate, Date(2005, 12, 31, 23, 59));
        const QChar cr(13);
        QCOMPARE(library->InfoText(),
            QStringLiteral("iPhoto Library  contains 3 images. ") + cr + Date(2003, 1, 1).LongDate() + QStringLiteral(" through ")
                + Date(2005, 12, 31).LongDate() + cr + QStringLiteral("Organized into 1 Rolls and 0 Albums."));
    }

    void dateKeys_data()
    {
        QTest::addColumn<double>("totalSeconds");
        QTest::addColumn<QString>("key");
        QTest::newRow("padded to twelve digits") << 5.0 << QStringLiteral("000000000005:k");
        QTest::newRow("rounded to the second") << 3'061'152'000.6 << QStringLiteral("003061152001:k");
        QTest::newRow("twelve digits exactly") << 999'999'999'999.0 << QStringLiteral("999999999999:k");
        QTest::newRow("before the scale starts") << -86400.0 << QStringLiteral("000000000000:k");
        QTest::newRow("beyond twelve digits") << 5e12 << QStringLiteral("999999999999:k");
    }
    void dateKeys()
    {
        QFETCH(double, totalSeconds);
        QFETCH(QString, key);
        QCOMPARE(IPhotoLibrary::DateKey(totalSeconds, QStringLiteral("k")), key);
    }

    // An image of 1905 has a date key of fewer significant digits than one
    // of 2005; padded, it still sorts first. Images of the same second
    // follow their keys as text ("100" before "9").
    void sortingByPaddedKeysThenImageKeys()
    {
        PhotoLibraryFixture fixture;
        const Date same(2006, 7, 8, 12, 0, 0);
        fixture.writeAlbumData({ { QStringLiteral("9"), same }, { QStringLiteral("100"), same }, { QStringLiteral("7"), Date(1905, 3, 1) },
                                   { QStringLiteral("8"), Date(2006, 7, 8, 11, 59, 59) } },
            {}, {});
        const auto library = load(fixture);
        QVERIFY(library);
        QStringList order;
        for (const QString& key : library->SortedImagesByDate)
            order << key.section(QLatin1Char(':'), 1);
        QCOMPARE(order, QStringList({ QStringLiteral("7"), QStringLiteral("8"), QStringLiteral("100"), QStringLiteral("9") }));
        QCOMPARE(library->DatabaseStartDate, Date(1905, 3, 1));
    }

    void emptyLibrary()
    {
        PhotoLibraryFixture fixture;
        fixture.writeAlbumData({}, {}, {});
        const auto library = load(fixture);
        QVERIFY(library);
        QVERIFY(library->InfoText().endsWith(QStringLiteral("Organized into 0 Rolls and 0 Albums.")));
        QVERIFY(library->Rolls().isEmpty());
        QVERIFY(library->ImagesByDates(QDate(1904, 1, 1), QDate(2100, 1, 1)).isEmpty());
    }

    void selectionByDates_data()
    {
        QTest::addColumn<QDate>("start");
        QTest::addColumn<QDate>("end");
        QTest::addColumn<QStringList>("captions");
        QTest::newRow("same day, both ends inclusive") << QDate(2004, 5, 1) << QDate(2004, 5, 1)
                                                       << QStringList({ QStringLiteral("first second"), QStringLiteral("noon"), QStringLiteral("last second") });
        QTest::newRow("the day before and the day after") << QDate(2004, 4, 30) << QDate(2004, 5, 2)
                                                          << QStringList({ QStringLiteral("day before"), QStringLiteral("first second"), QStringLiteral("noon"),
                                                                 QStringLiteral("last second"), QStringLiteral("next day") });
        QTest::newRow("end before start") << QDate(2004, 5, 2) << QDate(2004, 5, 1) << QStringList();
        QTest::newRow("nothing in range") << QDate(1999, 1, 1) << QDate(1999, 12, 31) << QStringList();
    }
    void selectionByDates()
    {
        QFETCH(QDate, start);
        QFETCH(QDate, end);
        QFETCH(QStringList, captions);
        PhotoLibraryFixture fixture;
        auto image = [](const char* key, const Date& date, const char* caption) {
            FixtureImage i { QLatin1String(key), date };
            i.caption = QLatin1String(caption);
            i.withFiles = false;
            return i;
        };
        fixture.writeAlbumData({ image("1", Date(2004, 5, 2, 0, 0, 0), "next day"), image("2", Date(2004, 5, 1, 23, 59, 59), "last second"),
                                   image("3", Date(2004, 5, 1, 12, 0, 0), "noon"), image("4", Date(2004, 5, 1, 0, 0, 0), "first second"),
                                   image("5", Date(2004, 4, 30, 23, 59, 59), "day before") },
            {}, {});
        const auto library = load(fixture);
        QVERIFY(library);
        QCOMPARE(keysOf(library->ImagesByDates(start, end)), captions);
    }

    void selectionByRollsAndAlbums()
    {
        PhotoLibraryFixture fixture;
        QVector<FixtureImage> images;
        for (int i = 1; i <= 6; ++i) {
            FixtureImage image { QString::number(i), Date(2004, 1, i), (i + 1) / 2 }; // rolls 1, 1, 2, 2, 3, 3
            image.caption = QStringLiteral("c%1").arg(i);
            images << image;
        }
        fixture.writeAlbumData(images,
            { { 1, QStringLiteral("Roll One"), { QStringLiteral("1"), QStringLiteral("2") } }, { 2, QStringLiteral("Roll Two"), { QStringLiteral("3"), QStringLiteral("4") } },
                { 3, QString(), { QStringLiteral("5"), QStringLiteral("6") } } },
            { { 100, QStringLiteral("Mixed"), { QStringLiteral("6"), QStringLiteral("1"), QStringLiteral("no such image"), QStringLiteral("3") } },
                { 101, QStringLiteral("Also 1"), { QStringLiteral("1") } } });
        const auto library = load(fixture);
        QVERIFY(library);
        QCOMPARE(library->RollDictionary.size(), 3);
        QCOMPARE(library->RollDictionary.value(2)->stringValue(QStringLiteral("AlbumName"))->value(), QStringLiteral("Roll Two"));

        const auto rolls = library->Rolls();
        QCOMPARE(keysOf(library->ImagesOf({ rolls.at(2), rolls.at(0) })), texts({ "c5", "c6", "c1", "c2" }));

        // One album with images of three rolls: three folders, one per roll,
        // in the order their first image comes; an image in two selected
        // albums goes in twice.
        const auto albums = library->Albums();
        const QVector<CFDictionaryRef> selected = library->ImagesOf(albums);
        QCOMPARE(keysOf(selected), texts({ "c6", "c1", "c3", "c1" }));
        int leftOut = -1;
        const auto folders = library->RollFolders(selected, &leftOut);
        QCOMPARE(leftOut, 0);
        QCOMPARE(folders.size(), 3);
        QCOMPARE(folders.at(0).name, QStringLiteral("Roll 3")); // a roll without a name
        QCOMPARE(folders.at(0).paths, QStringList({ fixture.imagePath(QStringLiteral("6")) }));
        QCOMPARE(folders.at(1).name, QStringLiteral("Roll One"));
        QCOMPARE(folders.at(1).paths, QStringList({ fixture.imagePath(QStringLiteral("1")), fixture.imagePath(QStringLiteral("1")) }));
        QCOMPARE(folders.at(2).name, QStringLiteral("Roll Two"));
        QCOMPARE(folders.at(2).paths, QStringList({ fixture.imagePath(QStringLiteral("3")) }));
    }

    void missingFilesCountNothingAndAreLeftOut()
    {
        PhotoLibraryFixture fixture;
        FixtureImage present { QStringLiteral("1"), Date(2004, 1, 1) };
        FixtureImage absent { QStringLiteral("2"), Date(2004, 1, 1), 2 };
        absent.withFiles = false;
        FixtureImage unreadable { QStringLiteral("3"), Date(2004, 1, 1) };
        fixture.writeAlbumData({ present, absent, unreadable }, { { 1, QStringLiteral("A"), texts({ "1", "3" }) }, { 2, QStringLiteral("B"), texts({ "2" }) } }, {});
        QFile::setPermissions(fixture.imagePath(QStringLiteral("3")), QFileDevice::WriteOwner);
        const bool runningAsRoot = QFile(fixture.imagePath(QStringLiteral("3"))).open(QIODevice::ReadOnly);

        const auto library = load(fixture);
        QVERIFY(library);
        const auto images = library->ImagesByDates(QDate(2004, 1, 1), QDate(2004, 1, 1));
        QCOMPARE(images.size(), 3);
        const qint64 presentLength = QFileInfo(fixture.imagePath(QStringLiteral("1"))).size();
        QVERIFY(presentLength > 0);
        QCOMPARE(library->ImageFileLength(images.at(1)), 0);
        QCOMPARE(library->TotalBytes(images), static_cast<double>(presentLength + QFileInfo(fixture.imagePath(QStringLiteral("3"))).size()));

        int leftOut = 0;
        const auto folders = library->RollFolders(images, &leftOut);
        if (runningAsRoot) {
            QCOMPARE(leftOut, 1);
        } else {
            QCOMPARE(leftOut, 2);
            QCOMPARE(folders.size(), 1);
            QCOMPARE(folders.at(0).paths, QStringList({ fixture.imagePath(QStringLiteral("1")) }));
        }
        // Roll B lost its only image: it gets no folder.
        for (const auto& folder : folders)
            QVERIFY(folder.name != QStringLiteral("B"));
    }
};

QTEST_GUILESS_MAIN(TestIPhotoLibrary)
#include "tst_iphotolibrary.moc"
