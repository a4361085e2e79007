#include "burner/drobject.h"

namespace {
std::atomic<quint64> nextObjectID { 1 };
}

DRObject::DRObject()
    : m_objectID(nextObjectID.fetch_add(1))
{
}

DRObject::~DRObject() = default;
