#pragma once

// A loaded photo library: the album data file "AlbumData.xml" of a library
// folder read whole and parsed once, the parts the selection needs (albums,
// rolls, the master image list), a date index of every image and the roll
// index, with the selections made from them.
//
// Load may run on any thread; the object it answers is then used by one
// thread at a time (the photo window's main thread). It shares its property
// list objects with whoever holds image, roll or album dictionaries.

#include "settings/cfobject.h"
#include "settings/date.h"

#include <QDate>
#include <QHash>
#include <QString>
#include <QStringList>
#include <QVector>

#include <memory>

class IPhotoLibrary {
public:
    // Why a load failed; the numbers are those of Message.
    enum class LoadError {
        None = 0,
        NoAlbumData = 2, // no "AlbumData.xml" in the folder
        CannotOpen = 3, // it cannot be opened or read
        NotUnderstood = 4, // it does not parse, lacks a root list, or an image lacks a date
    };

    // The user's texts for the failures of the photo window, numbered 1 to 4
    // (1: no library folder); empty for any other number.
    [[nodiscard]] static QString Message(int number);

    // Reads and indexes the album data of `libraryFolder`. nullptr on failure,
    // with the reason in *error and a technical detail in *detail.
    [[nodiscard]] static std::unique_ptr<IPhotoLibrary> Load(const QString& libraryFolder, LoadError* error, QString* detail = nullptr);

    // The date scale position of 1 January 2001 00:00:00 local time, the
    // moment image dates count from.
    [[nodiscard]] static double StartingTotalseconds();

    // The date key of an image: its date (total seconds, rounded to whole
    // seconds, clamped to 0 ... 999999999999) in twelve zero-padded digits,
    // ":", the image key. Sorting keys as text sorts images by date, and
    // images of the same second by key.
    [[nodiscard]] static QString DateKey(double totalSeconds, const QString& imageKey);

    // The library folder and its album data file (absolute paths).
    QString LibraryFolderitem;
    QString AlbumDataFolderitem;

    // The album data as parsed, and its three lists. Never null after a
    // successful load.
    CFDictionaryRef RootAlbumDictionary;
    CFArrayRef AlbumArray;
    CFArrayRef RollArray;
    CFDictionaryRef ImageDictionary;

    // The earliest and latest image dates (both the date scale's start for a
    // library without images).
    Date DatabaseStartDate;
    Date DatabaseEndDate;

    // One date key per image, ascending.
    QStringList SortedImagesByDate;

    // Roll id ("AlbumId") to roll dictionary, filled by BuildRollDictionary.
    QHash<qint32, CFDictionaryRef> RollDictionary;

    // The folder's name.
    [[nodiscard]] QString LibraryName() const;
    // Number of images in the master image list.
    [[nodiscard]] qsizetype ImageCount() const { return ImageDictionary ? ImageDictionary->count() : 0; }

    // The summary: "<name>  contains <n> images. \r<start> through <end>\r
    // Organized into <r> Rolls and <a> Albums." with carriage returns as line
    // breaks and the dates in the long text form of the user's locale.
    [[nodiscard]] QString InfoText() const;

    // The roll and album dictionaries in list order; entries of the lists
    // that are not dictionaries are left out.
    [[nodiscard]] QVector<CFDictionaryRef> Rolls() const;
    [[nodiscard]] QVector<CFDictionaryRef> Albums() const;
    // Refills RollDictionary from the roll list.
    void BuildRollDictionary();

    // The images dated from `start` 00:00:00 to `end` 23:59:59 (both whole
    // days included), in date order; none when end is before start. Touches
    // only the images inside the range.
    [[nodiscard]] QVector<CFDictionaryRef> ImagesByDates(QDate start, QDate end) const;
    // The images of the given rolls or albums: each one's "KeyList" in order,
    // one after the other. An image in two of them comes twice; keys that
    // name no image are skipped.
    [[nodiscard]] QVector<CFDictionaryRef> ImagesOf(const QVector<CFDictionaryRef>& rollsOrAlbums) const;

    // The length of the image's file ("ImagePath"); 0 when it is missing or
    // is no regular file. Every image's length is read once, by Load, so
    // that a selection of a whole library adds them up at once.
    [[nodiscard]] qint64 ImageFileLength(const CFDictionaryRef& image) const;
    [[nodiscard]] double TotalBytes(const QVector<CFDictionaryRef>& images) const;

    // One virtual folder per roll, for the burn list.
    struct RollFolder {
        qint32 roll = 0;
        QString name; // the roll's "AlbumName" ("Roll <id>" when it has none)
        QStringList paths; // its image files, in selection order
    };
    // Groups images by their "Roll", folders in the order their first image
    // comes. Images whose file is missing or unreadable are left out and
    // counted in *leftOut; a roll left with no image gets no folder.
    [[nodiscard]] QVector<RollFolder> RollFolders(const QVector<CFDictionaryRef>& images, int* leftOut) const;

private:
    IPhotoLibrary() = default;

    // The images in the order of SortedImagesByDate, with the seconds of
    // their keys: a date range is found by binary search without reading
    // any text.
    struct DatedImage {
        qint64 seconds;
        CFDictionaryRef image;
    };
    QVector<DatedImage> m_byDate;
    // File length per image dictionary of the master image list.
    mutable QHash<const CFDictionary*, qint64> m_fileLengths;
};
