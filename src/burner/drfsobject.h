#pragma once

// A file-system object of a burn's layout: a real file or folder on the disk
// (its content is read when the session is written) or a virtual folder that
// exists only on the disc. Plain data; made and used on the main thread.

#include <QString>

#include <memory>

class DRFSObject;
using DRFSObjectRef = std::shared_ptr<DRFSObject>;

class DRFSObject {
public:
    virtual ~DRFSObject();
    DRFSObject(const DRFSObject&) = delete;
    DRFSObject& operator=(const DRFSObject&) = delete;

    // The name on the disc: the file's own name, or the virtual folder's name.
    [[nodiscard]] const QString& baseName() const { return m_baseName; }
    [[nodiscard]] bool isVirtual() const { return m_sourcePath.isEmpty(); }
    // Absolute path of a real object; empty for a virtual folder.
    [[nodiscard]] const QString& sourcePath() const { return m_sourcePath; }
    [[nodiscard]] virtual bool isFolder() const = 0;

protected:
    DRFSObject(QString baseName, QString sourcePath);

private:
    QString m_baseName;
    QString m_sourcePath;
};
