#include "burner/drfile.h"

DRFile::DRFile(QString baseName, QString sourcePath)
    : DRFSObject(std::move(baseName), std::move(sourcePath))
{
}

DRFileRef DRFile::createReal(const QFileInfo& file)
{
    return DRFileRef(new DRFile(file.fileName(), file.absoluteFilePath()));
}
