#include "settings/propertylist.h"

// Placeholder until the readers and writer land.
namespace PropertyList {
CFObjectRef fromData(const QByteArray&, QString* error)
{
    if (error)
        *error = QStringLiteral("not implemented");
    return nullptr;
}
CFObjectRef fromXmlData(const QByteArray& d, QString* e) { return fromData(d, e); }
CFObjectRef fromBinaryData(const QByteArray& d, QString* e) { return fromData(d, e); }
QByteArray toXmlData(const CFObjectRef&) { return {}; }
}
