#pragma once

// The index of burn items: identifier -> item. The index owns the items; a
// list row holds only the identifier, and an item lives while it is in the
// index (or while a caller still holds the shared_ptr it was given).
// Main thread only.

#include <QString>

#include <memory>
#include <unordered_map>

class CFileToBurn;

namespace Globals {

using FileIndexMap = std::unordered_map<QString, std::shared_ptr<CFileToBurn>>;

// The one index of the program, empty at start.
FileIndexMap& FileIndex();

// The item with this identifier, or nullptr when the index has none.
[[nodiscard]] std::shared_ptr<CFileToBurn> GetFileByID(const QString& id);

// Takes the item out of the index (releasing it unless someone else holds
// it); does nothing for an unknown identifier.
void RemoveFileByID(const QString& id);

} // namespace Globals
