#pragma once

// One burn item: a file or folder dropped on the burn list, or a virtual
// folder (a folder that exists only on the disc, holding files chosen by the
// program). Each item is made through Create / CreateVirtual, which enter it
// in Globals::FileIndex (the owner) under an identifier no other item of this
// run has. The list rows hold only that identifier.
//
// Main thread only: items are made, scanned and drawn from user-interface
// events.

#include <QImage>
#include <QString>
#include <QStringList>

#include <memory>

class BurnListHost;
class DRFolder;
class QPainter;
class QPalette;

class CFileToBurn {
public:
    // A real item for the file or folder at `path`: entered in the index and
    // scanned before it is returned (the scan may take long for a big folder).
    // `host` (may be null) is told when a folder is being scanned.
    static std::shared_ptr<CFileToBurn> Create(const QString& path, BurnListHost* host = nullptr);
    // A virtual folder named `name`, entered in the index and not scanned:
    // add its contents with AddItemToVirtualFolder, then call Scan once.
    static std::shared_ptr<CFileToBurn> CreateVirtual(const QString& name);

    CFileToBurn(const CFileToBurn&) = delete;
    CFileToBurn& operator=(const CFileToBurn&) = delete;
    ~CFileToBurn();

    // Appends a file or folder to a virtual folder and counts it in FileCount;
    // sizes are only counted by the next Scan.
    void AddItemToVirtualFolder(const QString& path);

    // Adds the item's bytes and entries to MyByteSize and FileCount by a
    // breadth-first walk. The fields are added to, never reset: scan an item
    // once. Symbolic links are never followed; each counts as one entry of
    // its own length. A folder that cannot be read counts as empty, a folder
    // that fails part-way counts the entries read before the failure. The
    // first folder met sets the host's ScanningFolder flag (if not yet set)
    // and redraws its disc picture; clearing the flag is the caller's job.
    void Scan(BurnListHost* host = nullptr);

    [[nodiscard]] const QString& GetUniqueID() const { return MyUniqueID; }
    // The absolute path of a real item; empty for a virtual folder.
    [[nodiscard]] const QString& GetFolderitem() const { return MyFolderitem; }
    // Whether the real item is a folder (a symbolic link to a folder is not).
    [[nodiscard]] bool directory() const;

    // The name shown on the row: the file's name, or VirtualFolderName.
    [[nodiscard]] QString DisplayName() const;

    // A new disc recording folder tree for a virtual folder: a virtual folder
    // named VirtualFolderName holding, in order, a real folder for each entry
    // of VirtualFolderContents that is a folder (its content is read from the
    // disk when the session is written) and a real file for every other entry
    // (a symbolic link stays a link). Made anew on every call; nullptr for a
    // real item.
    [[nodiscard]] std::shared_ptr<DRFolder> GetVirtualFolder() const;

    // Draws the row of this item into one list cell of the given size; the
    // painter's origin is the cell's top-left corner. Fetches MyIcon on the
    // first call.
    // With a dark palette the unselected texts take the palette's text
    // colours, so they stay readable; a light palette (or none) keeps the
    // row's own black and grey.
    void DrawListEntry(QPainter& g, int width, int height, bool selected, const QPalette* palette = nullptr);

    // Public state of the item (read by the list, the total and the burn).
    const QString MyFolderitem;
    const QString MyUniqueID;
    QImage MyIcon;
    // Bytes counted by the scan: every file's length plus 35 x (entries + 2)
    // for every folder.
    double MyByteSize = 0;
    // Entries below the item at any depth (for a virtual folder: the items
    // added plus everything inside those that are folders); 0 for a file.
    qint32 FileCount = 0;
    const bool VirtualFolder;
    const QString VirtualFolderName;
    QStringList VirtualFolderContents;

private:
    CFileToBurn(QString folderitem, QString virtualName, bool isVirtual);
    // Decimal microseconds of a steady clock, raised past the last one handed
    // out so that two items made within one microsecond still differ.
    static QString NewUniqueID();
    void FetchIcon();
};
