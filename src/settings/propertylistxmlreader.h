#pragma once

// The XML property-list reader behind PropertyList::fromXmlData (see
// propertylist.h for what it accepts and makes).
//
// It reads the text in one pass and makes the objects as it goes, with no
// XML tree in between: a 50 MB album file needs about as much memory as the
// objects it holds. Leaf objects with the same text (the same short string,
// the same number, true and false) are made once per read and shared, as they
// never change.
//
// Thread: keeps no state between calls; data must not change during a call.

#include "settings/cfobject.h"

#include <QByteArray>
#include <QString>

class PropertyListXmlReader {
public:
    // nullptr and a reason in *error when the data does not parse.
    [[nodiscard]] static CFObjectRef read(const QByteArray& data, QString* error);
};
