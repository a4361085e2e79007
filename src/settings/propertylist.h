#pragma once

// Reading and writing property lists: Apple's XML property list format
// (version 1.0) both ways, and the binary format ("bplist00") for reading.
//
// The readers never crash and never hang on bad input: they answer nullptr
// with a reason in *error for truncated, malformed or hostile data (deep
// nesting, cycles in binary object tables, oversized counts).
//
// What the readers make:
// - Arrays and dictionaries are the immutable kinds (CFArray, CFDictionary);
//   take mutableCopy() to change them.
// - A dictionary that names a key twice keeps the value of the last one, at
//   the place where the key first appeared.
// - <integer> must be a whole decimal number that fits in 64 signed bits,
//   <real> a decimal number (or nan, inf, infinity with an optional sign),
//   <date> exactly YYYY-MM-DDTHH:MM:SSZ, <data> base64 (whitespace allowed).
//   Anything else fails the whole parse rather than giving a made-up value.
// - Text keeps every character as written: leading and trailing blanks,
//   line ends (CR, LF, CRLF are not normalised) and control characters.
//   Bytes that are not valid UTF-8 read as U+FFFD, and so does a character
//   reference to no character (a surrogate, beyond U+10FFFF); a character
//   reference to NUL (&#0;) fails the parse. Entities other than XML's five
//   and malformed references stay as written.
// - The <plist> wrapper is optional; a DOCTYPE is skipped and never expanded.
// - A binary null object inside an array or dictionary becomes a nullptr
//   entry; UIDs read as integers; sets read as arrays.
// - Leaves (strings, numbers, booleans) that read the same may be one shared
//   object: they never change. Containers are never shared by the XML reader.
// - Memory: the XML reader builds no document tree; beyond the data it is
//   given, a read needs little more than the objects it makes.
//
// What the writer makes: see toXmlData().
//
// Thread: the functions keep no state; objects passed in must not be changed
// by another thread during a call.

#include "settings/cfobject.h"

#include <QByteArray>
#include <QString>

namespace PropertyList {

// The 38-byte declaration every XML property list we write starts with.
inline constexpr char XmlDeclaration[] = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>";

// The DOCTYPE line that follows the declaration in what we write.
inline constexpr char XmlDoctype[] = "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" \"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">";

// The deepest nesting of arrays and dictionaries the readers accept and the
// writer produces (the outermost container counts 1).
inline constexpr int MaxNesting = 512;

// Parses XML or binary property-list data (binary when it begins with
// "bplist"). nullptr when the data does not parse.
[[nodiscard]] CFObjectRef fromData(const QByteArray& data, QString* error = nullptr);
[[nodiscard]] CFObjectRef fromXmlData(const QByteArray& data, QString* error = nullptr);
[[nodiscard]] CFObjectRef fromBinaryData(const QByteArray& data, QString* error = nullptr);

// Serialises an object as an XML property list: XmlDeclaration, a line feed,
// XmlDoctype, <plist version="1.0">, the value with tab indentation, </plist>.
// Text is escaped so that it reads back unchanged, carriage returns included
// (written as &#13;). Characters XML 1.0 cannot hold (controls below 0x20
// other than tab, LF and CR; U+FFFE; U+FFFF) are dropped, from keys too, so
// keys differing only in them read back as one. Reals are written
// with the fewest digits that read back to the same double; nan and
// infinities as "nan", "+infinity", "-infinity". Dates are written in UTC to
// the whole second. nullptr entries of arrays and dictionaries are skipped.
// Answers empty data (and a reason in *error) when the object is nullptr,
// contains itself, nests deeper than MaxNesting or holds a date that cannot
// be written (invalid, or outside the years 1 to 9999).
[[nodiscard]] QByteArray toXmlData(const CFObjectRef& object, QString* error = nullptr);

} // namespace PropertyList
