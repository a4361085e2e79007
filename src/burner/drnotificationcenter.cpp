#include "burner/drnotificationcenter.h"

#include <QCoreApplication>
#include <QPointer>
#include <QThread>

namespace {
// Every live center; touched on the main thread only. Never destroyed, so a
// center that outlives static destruction (one held by another static) can
// still take itself out.
QVector<DRNotificationCenter*>& centers()
{
    static auto* list = new QVector<DRNotificationCenter*>();
    return *list;
}
} // namespace

DRNotificationCenter::DRNotificationCenter()
{
    centers().append(this);
}

DRNotificationCenter::~DRNotificationCenter()
{
    centers().removeOne(this);
}

void DRNotificationCenter::AddObserver(const QString& name, const DRObject* object)
{
    m_observers.append({ name, object ? object->objectID() : 0 });
}

bool DRNotificationCenter::observes(const QString& name, quint64 objectID) const
{
    for (const Observer& o : m_observers) {
        if ((o.objectID == 0 || o.objectID == objectID) && (o.name.isEmpty() || o.name == name))
            return true;
    }
    return false;
}

void DRNotificationCenter::Post(const QString& name, const DRObject& object, const CFDictionaryRef& info)
{
    Q_ASSERT(!QCoreApplication::instance() || QThread::currentThread() == QCoreApplication::instance()->thread());
    const quint64 id = object.objectID();
    const CFDictionaryRef snapshot = info ? info->copy() : std::make_shared<CFDictionary>();
    for (DRNotificationCenter* center : centers()) {
        if (!center->observes(name, id))
            continue;
        // Queued, so the receiver runs from the event loop and never inside
        // the poster's own call chain.
        QMetaObject::invokeMethod(
            center, [guard = QPointer<DRNotificationCenter>(center), name, id, snapshot]() {
                if (guard)
                    guard->Received(name, id, snapshot);
            },
            Qt::QueuedConnection);
    }
}

void DRNotificationCenter::Received(const QString&, quint64, const CFDictionaryRef&) { }
