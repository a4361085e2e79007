#include "burnlist/csuperlist.h"

#include "app/globalpictures.h"
#include "burnlist/burnlistdelegate.h"
#include "burnlist/burnlisthost.h"
#include "burnlist/cfiletoburn.h"
#include "burnlist/fileindex.h"
#include "burnlist/formatbytes.h"
#include "settings/usermessage.h"

#include <QApplication>
#include <QDir>
#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QMimeData>
#include <QPointer>
#include <QStyle>
#include <QUrl>

#include <memory>

#include <sys/stat.h>

namespace {

// A drop is taken when it carries at least one local file or folder.
bool carriesLocalFiles(const QMimeData* mime)
{
    if (!mime || !mime->hasUrls())
        return false;
    const QList<QUrl> urls = mime->urls();
    return std::any_of(urls.cbegin(), urls.cend(), [](const QUrl& url) { return url.isLocalFile(); });
}

// Whether the URL names an existing file whose path is not UTF-8: its
// percent-encoded bytes lead to it, its decoded text does not.
bool namedOnlyInBytes(const QUrl& url)
{
    const QByteArray raw = QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1());
    struct stat st {};
    return !raw.isEmpty() && QFile::decodeName(raw).toLocal8Bit() != raw && ::lstat(raw.constData(), &st) == 0;
}

} // namespace

CSuperList::CSuperList(QWidget* parent)
    : QListWidget(parent)
{
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setUniformItemSizes(true);
    setItemDelegate(new BurnListDelegate(this));
    // Only drops from outside: rows are not dragged around.
    setDragDropMode(QAbstractItemView::DropOnly);
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
    setDropIndicatorShown(false);
    connect(this, &QListWidget::itemSelectionChanged, this, &CSuperList::menuEnablingChanged);
}

CSuperList::~CSuperList() = default;

void CSuperList::setHost(BurnListHost* host)
{
    m_host = host;
}

void CSuperList::setRemovingRowHandler(RemovingRowHandler handler)
{
    m_removingRow = std::move(handler);
}

void CSuperList::AddItemRow(const QString& uniqueID)
{
    addRow(uniqueID);
    Q_EMIT menuEnablingChanged();
}

void CSuperList::addRow(const QString& uniqueID)
{
    auto row = std::make_unique<QListWidgetItem>(uniqueID);
    // The row's text is an identifier; screen readers get the item's name.
    if (const std::shared_ptr<CFileToBurn> file = Globals::GetFileByID(uniqueID))
        row->setData(Qt::AccessibleTextRole, file->DisplayName());
    addItem(row.release());
}

bool CSuperList::RemovingRow(int row)
{
    return m_removingRow ? m_removingRow(row) : false;
}

void CSuperList::ClearSelected()
{
    removeRows(true);
}

void CSuperList::ClearAll()
{
    removeRows(false);
}

void CSuperList::removeRows(bool selectedOnly)
{
    bool removed = false;
    for (int row = count() - 1; row >= 0; --row) {
        if (selectedOnly && !item(row)->isSelected())
            continue;
        if (RemovingRow(row))
            continue;
        // The handler may have changed the rows itself.
        if (row >= count())
            continue;
        const std::unique_ptr<QListWidgetItem> gone(takeItem(row));
        Globals::RemoveFileByID(gone->text());
        removed = true;
    }
    if (!removed)
        return;
    if (m_host) {
        m_host->BurnListChanged();
        // Removing the last row must disable the Burn button.
        m_host->DoBurnButton();
    }
    Q_EMIT menuEnablingChanged();
}

bool CSuperList::canClear() const
{
    return !selectedItems().isEmpty();
}

bool CSuperList::canSelectAll() const
{
    return count() > 0;
}

bool CSuperList::EditClear()
{
    ClearSelected();
    return true;
}

bool CSuperList::EditSelectAll()
{
    selectAll();
    return false;
}

CSuperList::Total CSuperList::ComputeTotal(double freeBytes) const
{
    Total total;
    // Looked up in place: copying each item's shared_ptr costs two atomic
    // operations per row, and the total is recomputed after every change.
    const Globals::FileIndexMap& index = Globals::FileIndex();
    for (int row = 0; row < count(); ++row) {
        const auto found = index.find(item(row)->text());
        if (found != index.end() && found->second) {
            total.bytes += found->second->MyByteSize;
            total.files += qint64(found->second->FileCount) + 1;
        }
    }
    total.text = QStringLiteral("Total: ") + Globals::formatBytes(total.bytes) + QStringLiteral("  for ") + QString::number(total.files)
        + QStringLiteral(" files.");
    total.fits = !(total.bytes > freeBytes);
    return total;
}

bool CSuperList::CalculateTotal(double freeBytes, QLabel& totalText, const std::function<void(const QImage&)>& setWarningMark) const
{
    const Total total = ComputeTotal(freeBytes);
    totalText.setText(total.text);

    QPalette palette = totalText.palette();
    palette.setColor(QPalette::WindowText, total.fits ? QApplication::palette(&totalText).color(QPalette::WindowText) : QColor(187, 0, 0));
    totalText.setPalette(palette);

    if (setWarningMark) {
        QImage mark;
        if (!total.fits) {
            mark = Globals::SmallAlertIcon();
            // Until the shared pictures are built, the style's caution icon.
            if (mark.isNull())
                mark = style()->standardIcon(QStyle::SP_MessageBoxWarning).pixmap(16, 16).toImage();
        }
        setWarningMark(mark);
    }
    return total.fits;
}

void CSuperList::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Delete || event->key() == Qt::Key_Backspace)
        ClearSelected();
    // Not consumed: the list's own key handling still runs.
    QListWidget::keyPressEvent(event);
}

void CSuperList::focusInEvent(QFocusEvent* event)
{
    QListWidget::focusInEvent(event);
    Q_EMIT menuEnablingChanged();
}

void CSuperList::focusOutEvent(QFocusEvent* event)
{
    QListWidget::focusOutEvent(event);
    Q_EMIT menuEnablingChanged();
}

void CSuperList::dragEnterEvent(QDragEnterEvent* event)
{
    if (carriesLocalFiles(event->mimeData())) {
        event->setDropAction(Qt::CopyAction);
        event->accept();
    } else {
        event->ignore();
    }
}

// The view must accept every move too, or the drop is refused.
void CSuperList::dragMoveEvent(QDragMoveEvent* event)
{
    if (carriesLocalFiles(event->mimeData())) {
        event->setDropAction(Qt::CopyAction);
        event->accept();
    } else {
        event->ignore();
    }
}

void CSuperList::dropEvent(QDropEvent* event)
{
    if (!carriesLocalFiles(event->mimeData())) {
        event->ignore();
        return;
    }
    const QList<QUrl> urls = event->mimeData()->urls();
    event->setDropAction(Qt::CopyAction);
    event->accept();

    // Pending events run inside the loop below; the list may not survive them.
    const QPointer<CSuperList> self(this);
    int dragged = 0;
    for (const QUrl& url : urls) {
        ++dragged;
        if (url.isLocalFile()) {
            const QFileInfo info(QDir::cleanPath(url.toLocalFile()));
            // A symbolic link is an entry of its own even when its target is gone.
            if (!info.exists() && !info.isSymLink() && namedOnlyInBytes(url)) {
                // The name is not UTF-8: the program's texts cannot hold it
                // without changing it, so the item could not be found again.
                // Say so instead of leaving it out without a word.
                UserMessage::show(QStringLiteral("The item \"%1\" cannot be burned: its name is not valid UTF-8 text. Rename it, or drop the folder that holds it.")
                        .arg(info.filePath()));
            } else if (info.exists() || info.isSymLink()) {
                const std::shared_ptr<CFileToBurn> file = CFileToBurn::Create(info.filePath(), m_host);
                addRow(file->GetUniqueID());
                if (m_host && m_host->VolumeName() == QStringLiteral("Untitled Volume") && !info.fileName().isEmpty())
                    m_host->SetVolumeName(info.fileName());
            }
        }
        // Lets the window redraw and the user see progress during long drops.
        if (dragged % 10 == 0) {
            QCoreApplication::processEvents();
            if (!self)
                return;
        }
    }

    if (m_host) {
        m_host->DoBurnButton();
        m_host->SetScanningFolder(false);
        m_host->RedrawDiscPicture();
        m_host->BurnListChanged();
    }
    Q_EMIT menuEnablingChanged();
}
