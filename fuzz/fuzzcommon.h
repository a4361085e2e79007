#pragma once

// Helpers shared by the fuzz targets.

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstdint>

namespace KestrowFuzz
{

// The input as bytes (a deep copy: a reader may keep what it is given).
[[nodiscard]] QByteArray bytesOf(const std::uint8_t* data, std::size_t size);

// A path inside the private temporary folder made by initialize().
[[nodiscard]] QString scratchPath(const QString& name);

// Replaces the file's contents with the bytes; aborts when it cannot, since
// the target would then test nothing.
void writeFile(const QString& path, const QByteArray& bytes);

// How many user messages have been shown (silently) so far.
[[nodiscard]] int messagesShown();

// Reports a broken promise and aborts.
[[noreturn]] void fail(const char* what, const QString& detail = QString());

} // namespace KestrowFuzz
