#pragma once

// A callback that turns every notification into the signal EMediaReady, for
// a window to connect to. Emitted directly (same thread) from CBGotMedia; a
// signal without receivers does nothing.

#include "burner/ccallbackinterface.h"

#include <QMetaType>
#include <QObject>


class CCallBack : public QObject, public CCallBackInterface {
    Q_OBJECT
public:
    explicit CCallBack(QObject* parent = nullptr);
    void CBGotMedia(const QString& name, const CFDictionaryRef& info) override;

Q_SIGNALS:
    void EMediaReady(const QString& name, const CFDictionaryRef& info);
};
