#pragma once

// What a device reports about its disc at one moment. Two snapshots compare
// equal when nothing a receiver could see has changed, so a device sends a
// status notification only when its new snapshot differs from the last one.

#include "settings/cfobject.h"

#include <QString>
#include <QVector>

struct MediaSnapshot {
    bool mediaPresent = false;
    qint64 blocksFree = 0;
    qint64 blocksUsed = 0;
    int sessionCount = 0;
    int trackCount = 0;
    bool appendable = false;
    bool blank = false;
    bool erasable = false;
    // The drive exists but this user may not open it: nothing else is known.
    bool noAccess = false;
    QString mediaType;
    // Write speeds in kilobytes (1000 bytes) per second, ascending.
    QVector<int> speeds;

    bool operator==(const MediaSnapshot&) const = default;

    // The status dictionary: the media state, and the media info when a
    // disc is present.
    [[nodiscard]] CFDictionaryRef toStatusDictionary() const;
};
