#include "photobackup/iphotolibrary.h"

#include "settings/propertylist.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cmath>
#include <optional>
#include <vector>

#include <sys/stat.h>

namespace {

const QString kAlbums = QStringLiteral("List of Albums");
const QString kRolls = QStringLiteral("List of Rolls");
const QString kImages = QStringLiteral("Master Image List");
const QString kAlbumName = QStringLiteral("AlbumName");
const QString kAlbumId = QStringLiteral("AlbumId");
const QString kKeyList = QStringLiteral("KeyList");
const QString kDate = QStringLiteral("DateAsTimerInterval");
const QString kImagePath = QStringLiteral("ImagePath");
const QString kRoll = QStringLiteral("Roll");

constexpr qint64 kMaxDateKey = 999'999'999'999;
constexpr int kDateDigits = 12;

QVector<CFDictionaryRef> dictionariesOf(const CFArrayRef& array)
{
    QVector<CFDictionaryRef> result;
    if (!array)
        return result;
    result.reserve(array->count());
    for (qsizetype i = 0; i < array->count(); ++i) {
        if (auto dictionary = cf_cast<CFDictionary>(array->valueAt(i)))
            result.append(std::move(dictionary));
    }
    return result;
}

QString imagePath(const CFDictionaryRef& image)
{
    const auto path = image->stringValue(kImagePath);
    return path ? path->value() : QString();
}

qint64 fileLength(const QString& path)
{
    if (path.isEmpty())
        return 0;
    // A plain stat: tens of thousands of them are made for a large library.
    struct stat st {};
    const QByteArray native = QFile::encodeName(path);
    return ::stat(native.constData(), &st) == 0 && S_ISREG(st.st_mode) ? static_cast<qint64>(st.st_size) : 0;
}

qint64 keySeconds(double totalSeconds)
{
    return std::llround(std::clamp(totalSeconds, 0.0, static_cast<double>(kMaxDateKey)));
}

} // namespace

QString IPhotoLibrary::Message(int number)
{
    switch (number) {
    case 1:
        return QStringLiteral("I could not locate your iPhoto library file so I cannot backup anything from it. You may have an earlier, unsupported version of iPhoto.");
    case 2:
        return QStringLiteral("The album data could not be found inside the iphoto library folder. You might have an earlier, incompatible version of iPhoto.");
    case 3:
        return QStringLiteral("I am unable to open the album data file inside your iPhoto database folder.");
    case 4:
        return QStringLiteral("I am unable to understand any data in the iphoto library, you may have an older version of iPhoto, sorry.");
    default:
        return {};
    }
}

double IPhotoLibrary::StartingTotalseconds() { return Date(2001, 1, 1).TotalSeconds(); }

QString IPhotoLibrary::DateKey(double totalSeconds, const QString& imageKey)
{
    // Keys outside twelve digits (or negative) would no longer sort as text;
    // such dates lie before 1904 or thirty thousand years ahead.
    const qint64 seconds = keySeconds(totalSeconds);
    QString key;
    key.reserve(kDateDigits + 1 + imageKey.size());
    key += QStringLiteral("%1").arg(seconds, kDateDigits, 10, QLatin1Char('0'));
    key += QLatin1Char(':');
    key += imageKey;
    return key;
}

std::unique_ptr<IPhotoLibrary> IPhotoLibrary::Load(const QString& libraryFolder, LoadError* error, QString* detail)
{
    auto fail = [error, detail](LoadError why, const QString& what) -> std::unique_ptr<IPhotoLibrary> {
        if (error)
            *error = why;
        if (detail)
            *detail = what;
        return nullptr;
    };

    std::unique_ptr<IPhotoLibrary> library(new IPhotoLibrary);
    library->LibraryFolderitem = QFileInfo(libraryFolder).absoluteFilePath();
    library->AlbumDataFolderitem = QDir(library->LibraryFolderitem).filePath(QStringLiteral("AlbumData.xml"));
    const QFileInfo albumData(library->AlbumDataFolderitem);
    if (!albumData.exists())
        return fail(LoadError::NoAlbumData, library->AlbumDataFolderitem);

    CFDictionaryRef root;
    {
        // The bytes go as soon as they are parsed: together with the parsed
        // objects they would double the peak memory of a large library.
        QFile file(library->AlbumDataFolderitem);
        if (albumData.isDir() || !file.open(QIODevice::ReadOnly))
            return fail(LoadError::CannotOpen, file.errorString());
        QByteArray data = file.readAll();
        if (file.error() != QFileDevice::NoError)
            return fail(LoadError::CannotOpen, file.errorString());
        file.close();
        QString parseError;
        const CFObjectRef parsed = PropertyList::fromData(data, &parseError);
        data = QByteArray();
        root = cf_cast<CFDictionary>(parsed);
        if (!root)
            return fail(LoadError::NotUnderstood, parsed ? QStringLiteral("the root is not a dictionary") : parseError);
    }

    library->RootAlbumDictionary = root;
    library->AlbumArray = root->arrayValue(kAlbums);
    library->RollArray = root->arrayValue(kRolls);
    library->ImageDictionary = root->dictionaryValue(kImages);
    if (!library->AlbumArray || !library->RollArray || !library->ImageDictionary)
        return fail(LoadError::NotUnderstood, QStringLiteral("a root list is missing"));

    // Every image needs a date; one without would have no place in the
    // date index.
    const double start = StartingTotalseconds();
    const CFDictionary& images = *library->ImageDictionary;
    const qsizetype n = images.count();
    std::optional<double> lo, hi;
    struct Entry {
        QString key;
        DatedImage dated;
    };
    std::vector<Entry> entries;
    entries.reserve(static_cast<size_t>(n));
    library->m_fileLengths.reserve(n);
    for (qsizetype i = 0; i < n; ++i) {
        const auto& [key, value] = images.entryAt(i);
        auto image = cf_cast<CFDictionary>(value);
        const auto date = image ? image->numberValue(kDate) : nullptr;
        const double d = date ? date->toDouble() : 0;
        if (!date || !std::isfinite(d))
            return fail(LoadError::NotUnderstood, QStringLiteral("image %1 has no date").arg(key));
        library->m_fileLengths.insert(image.get(), fileLength(imagePath(image)));
        entries.push_back({ DateKey(start + d, key), { keySeconds(start + d), std::move(image) } });
        lo = lo ? std::min(*lo, d) : d;
        hi = hi ? std::max(*hi, d) : d;
    }
    library->DatabaseStartDate = Date::fromTotalSeconds(start + lo.value_or(0));
    library->DatabaseEndDate = Date::fromTotalSeconds(start + hi.value_or(0));
    std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) { return a.key < b.key; });
    library->SortedImagesByDate.reserve(n);
    library->m_byDate.reserve(n);
    for (Entry& entry : entries) {
        library->SortedImagesByDate.append(std::move(entry.key));
        library->m_byDate.append(std::move(entry.dated));
    }
    library->BuildRollDictionary();
    if (error)
        *error = LoadError::None;
    return library;
}

QString IPhotoLibrary::LibraryName() const { return QFileInfo(LibraryFolderitem).fileName(); }

QString IPhotoLibrary::InfoText() const
{
    const QChar cr(13);
    return LibraryName() + QStringLiteral("  contains ") + QString::number(ImageCount()) + QStringLiteral(" images. ") + cr + DatabaseStartDate.LongDate()
        + QStringLiteral(" through ") + DatabaseEndDate.LongDate() + cr + QStringLiteral("Organized into ") + QString::number(RollArray ? RollArray->count() : 0)
        + QStringLiteral(" Rolls and ") + QString::number(AlbumArray ? AlbumArray->count() : 0) + QStringLiteral(" Albums.");
}

QVector<CFDictionaryRef> IPhotoLibrary::Rolls() const { return dictionariesOf(RollArray); }

QVector<CFDictionaryRef> IPhotoLibrary::Albums() const { return dictionariesOf(AlbumArray); }

void IPhotoLibrary::BuildRollDictionary()
{
    RollDictionary.clear();
    for (const CFDictionaryRef& roll : Rolls()) {
        if (const auto id = roll->numberValue(kAlbumId))
            RollDictionary.insert(id->toInt32(), roll);
    }
}

QVector<CFDictionaryRef> IPhotoLibrary::ImagesByDates(QDate start, QDate end) const
{
    QVector<CFDictionaryRef> result;
    if (!start.isValid() || !end.isValid())
        return result;
    const auto a = static_cast<qint64>(std::floor(Date(start.year(), start.month(), start.day(), 0, 0, 0).TotalSeconds()));
    const auto b = static_cast<qint64>(std::floor(Date(end.year(), end.month(), end.day(), 23, 59, 59).TotalSeconds()));
    if (b < a)
        return result;
    // The seconds ascend with the sorted keys: the range is one run of them.
    auto it = std::lower_bound(m_byDate.cbegin(), m_byDate.cend(), a, [](const DatedImage& image, qint64 seconds) { return image.seconds < seconds; });
    const auto last = std::upper_bound(it, m_byDate.cend(), b, [](qint64 seconds, const DatedImage& image) { return seconds < image.seconds; });
    result.reserve(last - it);
    for (; it != last; ++it)
        result.append(it->image);
    return result;
}

QVector<CFDictionaryRef> IPhotoLibrary::ImagesOf(const QVector<CFDictionaryRef>& rollsOrAlbums) const
{
    QVector<CFDictionaryRef> result;
    if (!ImageDictionary)
        return result;
    for (const CFDictionaryRef& list : rollsOrAlbums) {
        const auto keys = list ? list->arrayValue(kKeyList) : nullptr;
        if (!keys)
            continue;
        for (qsizetype i = 0; i < keys->count(); ++i) {
            // Keys are written as strings; a number is taken as its digits.
            QString key;
            if (const auto text = cf_cast<CFString>(keys->valueAt(i)))
                key = text->value();
            else if (const auto number = cf_cast<CFNumber>(keys->valueAt(i)))
                key = QString::number(number->toInt64());
            if (auto image = ImageDictionary->dictionaryValue(key))
                result.append(std::move(image));
        }
    }
    return result;
}

qint64 IPhotoLibrary::ImageFileLength(const CFDictionaryRef& image) const
{
    if (!image)
        return 0;
    const auto known = m_fileLengths.constFind(image.get());
    if (known != m_fileLengths.constEnd())
        return *known;
    const qint64 length = fileLength(imagePath(image));
    m_fileLengths.insert(image.get(), length);
    return length;
}

double IPhotoLibrary::TotalBytes(const QVector<CFDictionaryRef>& images) const
{
    double total = 0;
    for (const CFDictionaryRef& image : images)
        total += static_cast<double>(ImageFileLength(image));
    return total;
}

QVector<IPhotoLibrary::RollFolder> IPhotoLibrary::RollFolders(const QVector<CFDictionaryRef>& images, int* leftOut) const
{
    QVector<RollFolder> folders;
    QHash<qint32, qsizetype> folderOfRoll;
    int missing = 0;
    for (const CFDictionaryRef& image : images) {
        const QString path = image ? imagePath(image) : QString();
        const QFileInfo file(path);
        // Checked now, not from the lengths remembered at selection time: the
        // burn needs the file as it is when the item is made.
        if (path.isEmpty() || !file.isFile() || !file.isReadable()) {
            ++missing;
            continue;
        }
        const auto rollNumber = image->numberValue(kRoll);
        const qint32 roll = rollNumber ? rollNumber->toInt32() : 0;
        auto it = folderOfRoll.constFind(roll);
        if (it == folderOfRoll.constEnd()) {
            RollFolder folder;
            folder.roll = roll;
            if (const auto rollDictionary = RollDictionary.value(roll)) {
                if (const auto name = rollDictionary->stringValue(kAlbumName))
                    folder.name = name->value();
            }
            if (folder.name.isEmpty())
                folder.name = QStringLiteral("Roll %1").arg(roll);
            it = folderOfRoll.insert(roll, folders.size());
            folders.append(folder);
        }
        folders[*it].paths.append(file.absoluteFilePath());
    }
    if (leftOut)
        *leftOut = missing;
    return folders;
}
