#pragma once

// Reading and writing property lists: Apple's XML property list format
// (version 1.0) both ways, and the binary format ("bplist00") for reading.
//
// The readers never crash and never hang on bad input: they answer nullptr
// with a reason in *error for truncated, malformed or hostile data (deep
// nesting, cycles in binary object tables, oversized counts).

#include "settings/cfobject.h"

#include <QByteArray>
#include <QString>

namespace PropertyList {

// The 38-byte declaration every XML property list we write starts with.
inline constexpr char XmlDeclaration[] = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>";

// Parses XML or binary property-list data (told apart by the "bplist00"
// magic). nullptr when the data does not parse.
[[nodiscard]] CFObjectRef fromData(const QByteArray& data, QString* error = nullptr);
[[nodiscard]] CFObjectRef fromXmlData(const QByteArray& data, QString* error = nullptr);
[[nodiscard]] CFObjectRef fromBinaryData(const QByteArray& data, QString* error = nullptr);

// Serialises an object as an XML property list beginning with XmlDeclaration.
// Text is escaped so that it reads back unchanged, carriage returns included.
[[nodiscard]] QByteArray toXmlData(const CFObjectRef& object);

} // namespace PropertyList
