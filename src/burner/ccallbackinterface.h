#pragma once

// What receives a device object's notifications (see CCDR::RegisterForCallback).
// Called on the main thread from the event loop.

#include "settings/cfobject.h"

#include <QString>

class CCallBackInterface {
public:
    virtual ~CCallBackInterface();
    // name: the notification's name; info: its dictionary (never null).
    virtual void CBGotMedia(const QString& name, const CFDictionaryRef& info) = 0;
};
