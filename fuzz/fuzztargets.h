#pragma once

// The fuzz targets: one function per reader, each taking one input of any
// bytes. They are linked into a libFuzzer executable each (entry.cpp) and,
// without libFuzzer, into the tests that replay the inputs that once broke a
// reader (tests/*/data/fuzz-regressions/).
//
// A target answers 0. It aborts (so that libFuzzer and the replay test both
// report it) when a reader breaks a promise the target checks, such as our
// own output not reading back; crashes, leaks and undefined behaviour are
// found by the sanitizers.
//
// Call initialize() once before the first input: it makes user messages
// silent and points the preferences folder at a private temporary folder.
// Main thread only.

#include <cstddef>
#include <cstdint>

namespace KestrowFuzz
{

void initialize();

// The settings text form: CXML::loadFromString, and the stream reader over
// the same bytes (a QTextStream on memory and a settings file on disk).
int settingsText(const std::uint8_t* data, std::size_t size);
// The settings property-list form: the bytes behind the XML declaration, read
// by CXML::loadFromString and CXML::loadFromFile, then written and read again.
int settingsPlist(const std::uint8_t* data, std::size_t size);
// The property-list parser of the object layer, XML and binary.
int propertyList(const std::uint8_t* data, std::size_t size);
// Another application's preference file, read by PrefsMod::InitPreferences.
int prefsMod(const std::uint8_t* data, std::size_t size);
// A photo library's "AlbumData.xml", loaded by IPhotoLibrary::Load and queried.
int albumData(const std::uint8_t* data, std::size_t size);

} // namespace KestrowFuzz
