#include "burner/drfolder.h"

DRFolder::DRFolder(QString baseName, QString sourcePath)
    : DRFSObject(std::move(baseName), std::move(sourcePath))
{
}

DRFolderRef DRFolder::createReal(const QFileInfo& folder)
{
    // The root folder "/" has no file name; it is burned as "root".
    QString name = folder.fileName();
    if (name.isEmpty())
        name = QStringLiteral("root");
    return DRFolderRef(new DRFolder(name, folder.absoluteFilePath()));
}

DRFolderRef DRFolder::createVirtual(const QString& name)
{
    return DRFolderRef(new DRFolder(name, QString()));
}

bool DRFolder::AddChild(DRFSObjectRef child)
{
    if (!isVirtual() || !child)
        return false;
    m_children.append(std::move(child));
    return true;
}
