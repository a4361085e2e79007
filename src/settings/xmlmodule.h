#pragma once

// The settings tree's module state and helpers: the global root, the line end
// used inside multi-line values and by the string form, the text writer's
// indent depth, loading and saving the settings file, and the text-form
// escapes.
//
// At start-up the application does
//     XMLModule::XMLRoot() = XMLModule::XMLLoad(preferencesFile);
//     if (!XMLModule::XMLRoot()->IsPlist)
//         XMLModule::XMLRoot()->SaveToPlist();
// and at quit
//     XMLModule::XMLSave(preferencesFile, XMLModule::XMLRoot());
//
// Main thread only.

#include "settings/cxml.h"

#include <QString>

namespace XMLModule
{

// The settings root. Starts as an empty node in text mode; whoever assigns it
// must not assign nullptr (it is never null for its readers).
[[nodiscard]] CXMLRef& XMLRoot();

// One carriage return; every CXML construction sets it back to that.
[[nodiscard]] QString& XMLeol();

// Nesting depth of the text writer; 0 when no text write is under way.
[[nodiscard]] qint32& XMLIndent();

// A new root read from the file in whichever form it holds. Never null: a
// missing or unreadable file gives an empty root in text mode (an unreadable
// property list is reported to the user and leaves an empty root in
// property-list mode).
[[nodiscard]] CXMLRef XMLLoad(const QString& path);

// Writes the tree to the file (CXML::SaveToFile): atomically, the property-list
// form when the root's IsPlist is set. A failure has been shown to the user
// when this answers false.
bool XMLSave(const QString& path, const CXMLRef& tree);

// "<" becomes "&#60;", then ">" becomes "&#62;".
[[nodiscard]] QString XMLEscape(const QString& text);
// "&#60;" becomes "<", then "&#62;" becomes ">".
[[nodiscard]] QString XMLUnEscape(const QString& text);

} // namespace XMLModule
