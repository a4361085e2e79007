#include "burnlist/fileindex.h"

#include "burnlist/cfiletoburn.h"

namespace Globals {

FileIndexMap& FileIndex()
{
    static FileIndexMap index;
    return index;
}

std::shared_ptr<CFileToBurn> GetFileByID(const QString& id)
{
    const auto found = FileIndex().find(id);
    return found == FileIndex().end() ? nullptr : found->second;
}

void RemoveFileByID(const QString& id)
{
    FileIndex().erase(id);
}

} // namespace Globals
