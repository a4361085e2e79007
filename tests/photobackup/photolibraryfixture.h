#pragma once

// A small photo library made by a test: the photo program's preference file
// pointing at a library folder, an AlbumData.xml written from the rolls,
// albums and images given, and real tiny image and thumbnail files.

#include "photobackup/iphotolibrary.h"
#include "settings/cfobject.h"
#include "settings/date.h"
#include "settings/propertylist.h"

#include <QColor>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QStandardPaths>
#include <QString>
#include <QTemporaryDir>

struct FixtureImage {
    FixtureImage(QString k, Date d, qint32 r = 1)
        : key(std::move(k))
        , date(d)
        , roll(r)
    {
    }
    QString key;
    Date date; // local wall-clock date
    qint32 roll = 1;
    QString caption;
    bool withFiles = true;
    QSize thumbSize { 100, 50 };
};

struct FixtureList {
    qint32 id = 0;
    QString name;
    QStringList keys;
};

class PhotoLibraryFixture {
public:
    PhotoLibraryFixture()
        : library(dir.filePath(QStringLiteral("iPhoto Library")))
    {
        QDir().mkpath(library);
        QDir().mkpath(library + QStringLiteral("/Originals"));
        QDir().mkpath(library + QStringLiteral("/Data"));
    }

    static QString preferencesPath()
    {
        const QString folder = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
        QDir().mkpath(folder);
        return QDir(folder).filePath(QStringLiteral("com.apple.iPhoto.plist"));
    }
    static void removePreferences() { QFile::remove(preferencesPath()); }
    static void writeFile(const QString& path, const QByteArray& bytes)
    {
        QFile file(path);
        if (file.open(QIODevice::WriteOnly))
            file.write(bytes);
    }

    // Preferences naming `root` as the library folder.
    static void writePreferences(const QString& root)
    {
        auto prefs = CFMutableDictionary::create();
        prefs->setString(QStringLiteral("RootDirectory"), root);
        prefs->setBoolean(QStringLiteral("ShowTitles"), true);
        writeFile(preferencesPath(), PropertyList::toXmlData(prefs));
    }
    void writePreferences() const { writePreferences(library); }

    QString imagePath(const QString& key) const { return library + QStringLiteral("/Originals/") + key + QStringLiteral(".jpg"); }
    QString thumbPath(const QString& key) const { return library + QStringLiteral("/Data/") + key + QStringLiteral(".png"); }

    static double timerInterval(const Date& date) { return date.TotalSeconds() - IPhotoLibrary::StartingTotalseconds(); }

    // Writes AlbumData.xml (and the image files of images that have them).
    void writeAlbumData(const QVector<FixtureImage>& images, const QVector<FixtureList>& rolls, const QVector<FixtureList>& albums) const
    {
        auto master = CFMutableDictionary::create();
        for (const FixtureImage& image : images) {
            auto entry = CFMutableDictionary::create();
            entry->setString(QStringLiteral("Caption"), image.caption.isNull() ? QStringLiteral("Image ") + image.key : image.caption);
            entry->setReal(QStringLiteral("DateAsTimerInterval"), timerInterval(image.date));
            entry->setString(QStringLiteral("ImagePath"), imagePath(image.key));
            entry->setString(QStringLiteral("ThumbPath"), thumbPath(image.key));
            entry->setNumber(QStringLiteral("Roll"), image.roll);
            master->setValue(image.key, entry);
            if (image.withFiles) {
                QImage original(16, 12, QImage::Format_RGB32);
                original.fill(QColor(200, 30, 30));
                original.save(imagePath(image.key), "JPEG");
                QImage thumb(image.thumbSize, QImage::Format_RGB32);
                thumb.fill(QColor(20, 160, 40));
                thumb.save(thumbPath(image.key), "PNG");
            }
        }
        auto root = CFMutableDictionary::create();
        root->setString(QStringLiteral("Application Version"), QStringLiteral("5.0.4 (263)"));
        root->setValue(QStringLiteral("List of Albums"), listArray(albums, false));
        root->setValue(QStringLiteral("List of Rolls"), listArray(rolls, true));
        root->setValue(QStringLiteral("Master Image List"), master);
        writeAlbumData(PropertyList::toXmlData(root));
    }
    void writeAlbumData(const QByteArray& bytes) const { writeFile(library + QStringLiteral("/AlbumData.xml"), bytes); }

    QTemporaryDir dir;
    QString library;

private:
    static CFArrayRef listArray(const QVector<FixtureList>& lists, bool rolls)
    {
        auto array = CFMutableArray::create();
        for (const FixtureList& list : lists) {
            auto entry = CFMutableDictionary::create();
            entry->setNumber(QStringLiteral("AlbumId"), list.id);
            entry->setString(QStringLiteral("AlbumName"), list.name);
            QVector<CFObjectRef> keys;
            for (const QString& key : list.keys)
                keys.append(CFString::create(key));
            entry->setValue(QStringLiteral("KeyList"), CFArray::create(keys));
            if (!rolls)
                entry->setString(QStringLiteral("Album Type"), QStringLiteral("Regular"));
            array->append(entry);
        }
        return array;
    }
};
