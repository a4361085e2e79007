#pragma once

// A real file of a burn's layout; its bytes are read from the disk when the
// session is written.

#include "burner/drfsobject.h"

#include <QFileInfo>

class DRFile;
using DRFileRef = std::shared_ptr<DRFile>;

class DRFile final : public DRFSObject {
public:
    static DRFileRef createReal(const QFileInfo& file);
    [[nodiscard]] bool isFolder() const override { return false; }

private:
    DRFile(QString baseName, QString sourcePath);
};
