#pragma once

// Delivery of the disc recording layer's notifications. A center observes
// chosen objects (devices, burns, erases); a notification posted for an
// object reaches every center observing it through the Qt event loop of the
// main thread, so it is handled between user events or while a modal
// dialog's exec() waits, never inside the code that posted it.
//
// Main thread only: centers are made, observed, posted to and destroyed on
// the thread that runs the application's event loop. A center destroyed
// before a queued notification arrives simply does not receive it.

#include "burner/drobject.h"
#include "settings/cfobject.h"

#include <QObject>
#include <QSet>

class DRNotificationCenter : public QObject {
    Q_OBJECT
public:
    DRNotificationCenter();
    ~DRNotificationCenter() override;

    // Observe every notification (name empty) or the named one sent by the
    // object (nullptr: by any object). Observers are only ever added.
    void AddObserver(const QString& name, const DRObject* object);

    // Queues the notification for every observing center. info is copied.
    static void Post(const QString& name, const DRObject& object, const CFDictionaryRef& info);

protected:
    // Called once per notification that matches at least one observer.
    virtual void Received(const QString& name, quint64 objectID, const CFDictionaryRef& info);

private:
    bool observes(const QString& name, quint64 objectID) const;

    struct Observer {
        QString name;
        quint64 objectID; // 0 = any object
    };
    QVector<Observer> m_observers;
};
