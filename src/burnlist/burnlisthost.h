#pragma once

// What the burn list and the folder scan need of the window that shows them.
// The main window implements it and hands itself to CSuperList::setHost and
// to CFileToBurn::Create / Scan; tests implement it with a recorder. The
// burn list keeps a plain pointer: the host must outlive the list (or be
// unset with setHost(nullptr) first). Main thread only.

#include <QString>

class BurnListHost {
public:
    virtual ~BurnListHost() = default;

    // The window's "a dropped folder is being measured" flag; while set the
    // disc picture says "Scanning Folder".
    [[nodiscard]] virtual bool ScanningFolder() const = 0;
    virtual void SetScanningFolder(bool scanning) = 0;
    // Redraws the disc picture now: the scan runs inside an event handler, so
    // a deferred update() would show only after the scan (use repaint()).
    virtual void RedrawDiscPicture() = 0;

    // The text of the volume name field.
    [[nodiscard]] virtual QString VolumeName() const = 0;
    virtual void SetVolumeName(const QString& name) = 0;

    // Rows were added or removed: recompute the total soon (start the
    // single-shot total timer).
    virtual void BurnListChanged() = 0;
    // Re-evaluates whether the Burn button is enabled.
    virtual void DoBurnButton() = 0;
};
