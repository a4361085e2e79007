#pragma once

// The short size text shown on list rows, in the total line and over the disc
// picture. Pure function, any thread.

#include <QString>

namespace Globals {

// A byte count as decimal units with the unit letter right after the number:
//   below 1 000 000 bytes   kilobytes, at most one decimal   "1.5k", "0k", "1000k"
//   below 10^9 bytes        megabytes, at most two decimals  "2.5m", "736.97m"
//   from 10^9 bytes         gigabytes, at most two decimals  "4.7g", "1,234.57g"
// The unit is chosen on the exact value, before rounding, so 999 999 bytes
// read "1000k" (not "1m"). Trailing zeros and a bare decimal point are
// dropped, the integer part always has at least one digit, thousands are
// grouped with "," in the m and g forms; "." and "," do not depend on the
// locale. Negative counts get a leading "-"; NaN reads "0k".
[[nodiscard]] QString formatBytes(double bytes);

} // namespace Globals
