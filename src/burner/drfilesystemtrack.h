#pragma once

// The track of a burn: one file system whose root folder's name is the
// session's volume name. Plain data; the root folder is shared, not copied.

#include "burner/drfolder.h"

class DRFilesystemTrack;
using DRFilesystemTrackRef = std::shared_ptr<DRFilesystemTrack>;

class DRFilesystemTrack {
public:
    explicit DRFilesystemTrack(DRFolderRef root)
        : m_root(std::move(root))
    {
    }
    static DRFilesystemTrackRef create(DRFolderRef root) { return std::make_shared<DRFilesystemTrack>(std::move(root)); }
    [[nodiscard]] const DRFolderRef& root() const { return m_root; }

private:
    DRFolderRef m_root;
};
