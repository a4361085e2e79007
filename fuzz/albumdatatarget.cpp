// A photo library's album data, loaded and queried as the photo window does.

#include "fuzzcommon.h"
#include "fuzztargets.h"

#include "photobackup/iphotolibrary.h"

#include <QDir>

namespace KestrowFuzz
{

int albumData(const std::uint8_t* data, std::size_t size)
{
    const QString folder = scratchPath(QStringLiteral("iPhoto Library"));
    if (!QDir().mkpath(folder))
        fail("cannot make the library folder", folder);
    writeFile(QDir(folder).filePath(QStringLiteral("AlbumData.xml")), bytesOf(data, size));

    IPhotoLibrary::LoadError error = IPhotoLibrary::LoadError::None;
    QString detail;
    const auto library = IPhotoLibrary::Load(folder, &error, &detail);
    if (!library) {
        if (error == IPhotoLibrary::LoadError::None || IPhotoLibrary::Message(static_cast<int>(error)).isEmpty())
            fail("a load failed without a reason", detail);
        return 0;
    }
    if (!library->AlbumArray || !library->RollArray || !library->ImageDictionary)
        fail("a loaded library lacks one of its lists");
    if (library->SortedImagesByDate.size() != library->ImageCount())
        fail("the date index does not hold every image");

    (void)library->InfoText();
    const auto rolls = library->Rolls();
    const auto albums = library->Albums();
    const auto ofRolls = library->ImagesOf(rolls);
    const auto ofAlbums = library->ImagesOf(albums);
    const auto byDates = library->ImagesByDates(library->DatabaseStartDate.toQDate(), library->DatabaseEndDate.toQDate());
    (void)library->TotalBytes(ofRolls);
    (void)library->TotalBytes(ofAlbums);
    (void)library->TotalBytes(byDates);
    int leftOut = 0;
    (void)library->RollFolders(ofRolls, &leftOut);
    (void)library->RollFolders(byDates, &leftOut);
    return 0;
}

} // namespace KestrowFuzz
