#include "burnlist/cfiletoburn.h"

#include "app/globalpictures.h"
#include "burner/drfile.h"
#include "burner/drfolder.h"
#include "burnlist/burnlisthost.h"
#include "burnlist/fileindex.h"
#include "burnlist/formatbytes.h"

#include <QFile>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QFontMetrics>
#include <QIcon>
#include <QPainter>
#include <QPalette>

#include <chrono>
#include <deque>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Every folder is counted as 35 bytes per entry, "." and ".." included: a
// rough estimate of its directory records on the disc.
constexpr double FolderBytesPerEntry = 35;

struct DirCloser {
    void operator()(DIR* dir) const { closedir(dir); }
};
using DirHandle = std::unique_ptr<DIR, DirCloser>;

// Opens a folder without following a symbolic link in its last component, so
// a folder swapped for a link between lstat and open is not entered.
DirHandle openFolder(const QByteArray& path)
{
    const int fd = open(path.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return nullptr;
    DIR* dir = fdopendir(fd);
    if (!dir)
        close(fd);
    return DirHandle(dir);
}

// A folder of its own, not a symbolic link to one: what the scan enters.
bool isRealFolder(const QString& path)
{
    struct stat st {};
    return !path.isEmpty() && lstat(QFile::encodeName(path).constData(), &st) == 0 && S_ISDIR(st.st_mode);
}

} // namespace

CFileToBurn::CFileToBurn(QString folderitem, QString virtualName, bool isVirtual)
    : MyFolderitem(std::move(folderitem))
    , MyUniqueID(NewUniqueID())
    , VirtualFolder(isVirtual)
    , VirtualFolderName(std::move(virtualName))
{
}

CFileToBurn::~CFileToBurn() = default;

std::shared_ptr<CFileToBurn> CFileToBurn::Create(const QString& path, BurnListHost* host)
{
    // make_shared cannot reach the private constructor.
    std::shared_ptr<CFileToBurn> item(new CFileToBurn(QFileInfo(path).absoluteFilePath(), QString(), false));
    Globals::FileIndex()[item->MyUniqueID] = item;
    item->Scan(host);
    return item;
}

std::shared_ptr<CFileToBurn> CFileToBurn::CreateVirtual(const QString& name)
{
    std::shared_ptr<CFileToBurn> item(new CFileToBurn(QString(), name, true));
    Globals::FileIndex()[item->MyUniqueID] = item;
    return item;
}

QString CFileToBurn::NewUniqueID()
{
    static qint64 last = 0;
    const qint64 now = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now().time_since_epoch()).count();
    // Items made within one microsecond (a fast drop of small files, or a
    // clock of coarse resolution) must still not share an identifier: one
    // would silently replace the other in the index.
    last = now > last ? now : last + 1;
    return QString::number(last);
}

void CFileToBurn::AddItemToVirtualFolder(const QString& path)
{
    VirtualFolderContents.append(QFileInfo(path).absoluteFilePath());
    FileCount += 1;
}

bool CFileToBurn::directory() const
{
    return isRealFolder(MyFolderitem);
}

std::shared_ptr<DRFolder> CFileToBurn::GetVirtualFolder() const
{
    if (!VirtualFolder)
        return nullptr;
    const DRFolderRef folder = DRFolder::createVirtual(VirtualFolderName);
    for (const QString& path : VirtualFolderContents) {
        if (isRealFolder(path))
            folder->AddChild(DRFolder::createReal(QFileInfo(path)));
        else
            folder->AddChild(DRFile::createReal(QFileInfo(path)));
    }
    return folder;
}

void CFileToBurn::Scan(BurnListHost* host)
{
    // Only folders wait in the work list; a folder's other entries are
    // counted the moment the folder is read, with one fstatat relative to the
    // open folder (as du does). The totals are those of the plain
    // breadth-first walk; the order of the walk does not change them.
    std::deque<QByteArray> folders;

    auto countEntry = [this, &folders](const struct stat& st, QByteArray path) {
        if (S_ISDIR(st.st_mode))
            folders.push_back(std::move(path));
        else
            // A symbolic link counts with its own length and is never followed,
            // so a link loop can neither hang nor inflate the scan. Linux files
            // have no resource fork.
            MyByteSize += static_cast<double>(st.st_size);
    };

    const QStringList seeds = MyFolderitem.isEmpty() ? VirtualFolderContents : QStringList { MyFolderitem };
    for (const QString& seed : seeds) {
        if (seed.isEmpty())
            continue;
        QByteArray path = QFile::encodeName(seed);
        struct stat st {};
        if (lstat(path.constData(), &st) == 0)
            countEntry(st, std::move(path));
    }

    while (!folders.empty()) {
        const QByteArray folder = std::move(folders.front());
        folders.pop_front();

        if (host && !host->ScanningFolder()) {
            host->SetScanningFolder(true);
            host->RedrawDiscPicture();
        }

        qint64 entries = 0;
        // An unreadable folder counts as empty; a read error part-way keeps
        // what was read. Neither is worth a message: the burn reports files
        // it cannot read.
        if (DirHandle dir = openFolder(folder)) {
            const int fd = dirfd(dir.get());
            const QByteArray prefix = folder.endsWith('/') ? folder : folder + '/';
            while (const dirent* entry = readdir(dir.get())) {
                const char* name = entry->d_name;
                if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0')))
                    continue;
                ++entries;
                struct stat st {};
                // An entry that vanished since the folder was listed counts
                // as an entry without bytes.
                if (fstatat(fd, name, &st, AT_SYMLINK_NOFOLLOW) == 0)
                    countEntry(st, prefix + name);
            }
        }
        MyByteSize += FolderBytesPerEntry * static_cast<double>(entries + 2);
        FileCount += static_cast<qint32>(entries);
    }
}

void CFileToBurn::FetchIcon()
{
    QFileIconProvider provider;
    if (VirtualFolder) {
        MyIcon = Globals::SmallBlueFolder();
        // Until the shared pictures are built, show the platform's folder.
        if (MyIcon.isNull())
            MyIcon = provider.icon(QAbstractFileIconProvider::Folder).pixmap(16, 16).toImage();
    } else {
        MyIcon = provider.icon(QFileInfo(MyFolderitem)).pixmap(16, 16).toImage();
    }
}

QString CFileToBurn::DisplayName() const
{
    if (VirtualFolder)
        return VirtualFolderName;
    const QString name = QFileInfo(MyFolderitem).fileName();
    return name.isEmpty() ? MyFolderitem : name; // the root folder has no name
}

void CFileToBurn::DrawListEntry(QPainter& g, int width, int height, bool selected, const QPalette* palette)
{
    Q_UNUSED(width)
    if (MyIcon.isNull())
        FetchIcon();

    g.save();
    if (!MyIcon.isNull())
        g.drawImage(QPoint(0, 2), MyIcon);

    QFont small = g.font();
    small.setPixelSize(10);
    const bool dark = palette && palette->color(QPalette::Base).lightness() < palette->color(QPalette::Text).lightness();
    QColor smallColor = selected ? QColor(190, 190, 190) : QColor(90, 90, 90);
    QColor nameColor = selected ? QColor(Qt::white) : QColor(Qt::black);
    if (dark && !selected) {
        nameColor = palette->color(QPalette::Text);
        smallColor = palette->color(QPalette::Text);
        smallColor.setAlpha(170);
    }
    const int smallBaseline = height / 2 + QFontMetrics(small).ascent() / 2;
    g.setFont(small);
    g.setPen(smallColor);
    g.drawText(20, smallBaseline, u'(' + Globals::formatBytes(MyByteSize) + u')');

    QFont large = g.font();
    large.setPixelSize(12);
    const QFontMetrics largeMetrics(large);
    const QString name = DisplayName();
    g.setFont(large);
    g.setPen(nameColor);
    g.drawText(75, height / 2 + largeMetrics.ascent() / 2 - 1, name);

    if (VirtualFolder || directory()) {
        const int nameWidth = largeMetrics.horizontalAdvance(name);
        g.setFont(small);
        g.setPen(smallColor);
        g.drawText(nameWidth + 85, smallBaseline, u'(' + QString::number(FileCount) + QStringLiteral(" items)"));
    }
    g.restore();
}
