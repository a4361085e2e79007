#pragma once

// The small details line of the burn status sheet: how much of the session
// has been written, the current speed as a multiple of the disc's 1x speed,
// and the time left. Pure functions, any thread.

#include "settings/cfobject.h"

#include <QString>

namespace BurnDetails
{

// "<written> of <total>  ·  <speed>x  ·  <time> left", sizes in the
// Globals::formatBytes form, the speed with one decimal against CD 1x
// (176.4 kB/s) or DVD 1x (1385 kB/s), the time as m:ss (h:mm:ss from an hour
// on). A part whose numbers are unknown (negative, NaN, infinite) is left
// out, and the time also when the speed is 0; all unknown gives "".
// Speeds in kilobytes (1000 bytes) per second.
[[nodiscard]] QString Text(double bytesWritten, double bytesTotal, double speedKBps, bool dvd);

// The same from a burn status dictionary (the layer's
// kKestrowStatusBytesWrittenKey, ...BytesTotalKey, ...CurrentSpeedKey).
[[nodiscard]] QString Text(const CFDictionaryRef& status, bool dvd);

} // namespace BurnDetails
