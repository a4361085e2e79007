#include "burner/drfsobject.h"

DRFSObject::DRFSObject(QString baseName, QString sourcePath)
    : m_baseName(std::move(baseName))
    , m_sourcePath(std::move(sourcePath))
{
}

DRFSObject::~DRFSObject() = default;
