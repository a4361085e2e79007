#pragma once

// A BurnListHost that records what the burn list asks of its window.

#include "burnlist/burnlisthost.h"

#include <QStringList>

class RecordingHost : public BurnListHost {
public:
    bool ScanningFolder() const override { return scanning; }
    void SetScanningFolder(bool value) override
    {
        scanning = value;
        calls << (value ? QStringLiteral("scanning on") : QStringLiteral("scanning off"));
    }
    void RedrawDiscPicture() override { calls << QStringLiteral("redraw"); }
    QString VolumeName() const override { return volumeName; }
    void SetVolumeName(const QString& name) override { volumeName = name; }
    void BurnListChanged() override { calls << QStringLiteral("changed"); }
    void DoBurnButton() override { calls << QStringLiteral("burn button"); }

    bool scanning = false;
    QString volumeName = QStringLiteral("Untitled Volume");
    QStringList calls;
};
