#include "burnlist/formatbytes.h"

#include <cmath>

namespace Globals {

namespace {

// x with at most `decimals` decimals, trailing zeros removed, and the integer
// part grouped by thousands when `grouped`.
QString plainNumber(double x, int decimals, bool grouped)
{
    // QString::number always uses the C locale: "." as the decimal point.
    QString text = QString::number(x, 'f', decimals);
    if (text.contains(u'.')) {
        while (text.endsWith(u'0'))
            text.chop(1);
        if (text.endsWith(u'.'))
            text.chop(1);
    }
    if (grouped) {
        const qsizetype point = text.indexOf(u'.');
        for (qsizetype at = (point < 0 ? text.size() : point) - 3; at > 0; at -= 3)
            text.insert(at, u',');
    }
    return text;
}

} // namespace

QString formatBytes(double bytes)
{
    if (std::isnan(bytes))
        return QStringLiteral("0k");
    if (bytes < 0)
        return u'-' + formatBytes(-bytes);

    double x = bytes / 1000;
    if (x < 1000)
        return plainNumber(x, 1, false) + u'k';
    x = x / 1000;
    if (x < 1000)
        return plainNumber(x, 2, true) + u'm';
    return plainNumber(x / 1000, 2, true) + u'g';
}

} // namespace Globals
