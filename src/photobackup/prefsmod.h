#pragma once

// Reading another application's preferences: the whole preference domain of
// an application, read from "<application id>.plist" (XML or binary property
// list) in the user's preferences folder, kept as plain values and answered
// by string lookups. Read only: another application's preferences are never
// written.
//
// Module state (AppID, PrefItems) is shared by the whole program and
// replaced by every InitPreferences. Main thread only.

#include "settings/cfobject.h"

#include <QString>
#include <QVariant>
#include <QVariantHash>

namespace PrefsMod {

// The application identifier whose preferences were read last.
const QString& AppID();

// The preferences read by the last InitPreferences, key text to value. A
// value is a QString, a bool, a qint32 or a QVariantHash made by
// ConvertCFDictionary; values of other kinds (arrays, dates, data) are left
// out together with their keys.
const QVariantHash& PrefItems();

// The preference file of an application: "<appID>.plist" in the user's
// preferences folder.
[[nodiscard]] QString PreferencesFile(const QString& appID);

// Replaces AppID and PrefItems with the preferences of `appID`. An
// application without preferences (no file) is no failure: PrefItems stays
// empty and the answer is true. A preference file that cannot be read, does
// not parse or does not hold a dictionary answers false with the reason in
// *error; PrefItems is then empty.
[[nodiscard]] bool InitPreferences(const QString& appID, QString* error = nullptr);

// The value stored under `key` as text (booleans read "true"/"false",
// numbers in decimal, a dictionary reads empty); `defaultValue` unchanged
// when the key is absent.
[[nodiscard]] QString GetPrefString(const QString& key, const QString& defaultValue);

// A new CFString holding the text.
[[nodiscard]] CFStringRef CFStr(const QString& text);

// A dictionary of plain values, one level deep: strings, booleans and
// numbers (as qint32) are kept; nested arrays and dictionaries, dates and
// data are dropped together with their keys. Null answers an empty hash.
[[nodiscard]] QVariantHash ConvertCFDictionary(const CFDictionaryRef& dictionary);

} // namespace PrefsMod
