#pragma once

// Private to src/burner: puts a burn's items into a libisofs tree. An item
// whose name is already taken at its level (by an earlier session's file or
// by another item) is renamed "name (2)", "name (3)" ... so that nothing
// earlier is hidden.

#include "burner/drfsobject.h"
#include "burner/isoburnc_p.h"

#include <QVector>

namespace IsoTreeBuilder {

// Adds the items under parent, in order. False with a message naming the
// item that could not be added.
bool addItems(IsoImage* image, IsoDir* parent, const QVector<DRFSObjectRef>& items, QString* error);

// The first of name, "name (2)", "name (3)" ... not taken in parent.
QString freeName(IsoDir* parent, const QString& name);

// The volume id for a root folder name: cut to the 32 bytes that ISO 9660
// allows, and to 16 characters so that the Joliet id is the same text; the
// cut falls on a character boundary.
QByteArray volumeID(const QString& name);

} // namespace IsoTreeBuilder
