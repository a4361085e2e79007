#pragma once

// A folder of a burn's layout. A real folder takes its whole content from the
// disk when the session is written; a virtual folder holds the children added
// to it, in order.

#include "burner/drfsobject.h"

#include <QFileInfo>
#include <QVector>

class DRFolder;
using DRFolderRef = std::shared_ptr<DRFolder>;

class DRFolder final : public DRFSObject {
public:
    // A real folder made from a folder on the disk.
    static DRFolderRef createReal(const QFileInfo& folder);
    // A virtual folder with that name on the disc.
    static DRFolderRef createVirtual(const QString& name);

    [[nodiscard]] bool isFolder() const override { return true; }

    // Adds a child to a virtual folder (answers true). A real folder takes
    // its content from the disk only, so it refuses (answers false).
    bool AddChild(DRFSObjectRef child);
    [[nodiscard]] const QVector<DRFSObjectRef>& children() const { return m_children; }

private:
    DRFolder(QString baseName, QString sourcePath);
    QVector<DRFSObjectRef> m_children;
};
