#pragma once

// What a burn reads from the main window, which implements this interface and
// installs itself with DiskRecordingModule::SetBurnHost (and removes itself,
// with nullptr, before it goes). Without a host a burn uses the volume name
// "Untitled Volume", no database suffix and no speed list.
// Called on the main thread only, from CCDR::Burn.

#include "settings/cfobject.h"

#include <QString>

class BurnHost {
public:
    virtual ~BurnHost();
    // The text of the volume name field.
    [[nodiscard]] virtual QString volumeNameFieldText() const = 0;
    // The selected index of the volume suffix popup (0 = "none") and the
    // text of its selected item.
    [[nodiscard]] virtual int databasePopupIndex() const = 0;
    [[nodiscard]] virtual QString databasePopupText() const = 0;
    // The speed list of the last disc status (the window's BurnSpeeds), or
    // nullptr when none was reported.
    [[nodiscard]] virtual CFArrayRef burnSpeeds() const = 0;
};
