#include "mainwindow/burndetails.h"

#include "burner/drconstants.h"
#include "burnlist/formatbytes.h"

#include <cmath>

namespace BurnDetails
{

namespace
{

bool known(double x) { return std::isfinite(x) && x >= 0; }

QString duration(qint64 seconds)
{
    const qint64 h = seconds / 3600;
    const qint64 m = (seconds % 3600) / 60;
    const qint64 s = seconds % 60;
    const QString ss = QStringLiteral("%1").arg(s, 2, 10, QLatin1Char('0'));
    if (h > 0)
        return QStringLiteral("%1:%2:%3").arg(h).arg(m, 2, 10, QLatin1Char('0')).arg(ss);
    return QStringLiteral("%1:%2").arg(m).arg(ss);
}

double number(const CFDictionaryRef& status, const QString& key)
{
    const CFNumberRef n = status ? status->numberValue(key) : nullptr;
    return n ? n->toDouble() : -1;
}

} // namespace

QString Text(double bytesWritten, double bytesTotal, double speedKBps, bool dvd)
{
    QStringList parts;
    if (known(bytesWritten) && known(bytesTotal) && bytesTotal > 0)
        parts << Globals::formatBytes(std::min(bytesWritten, bytesTotal)) + QStringLiteral(" of ") + Globals::formatBytes(bytesTotal);
    else if (known(bytesWritten))
        parts << Globals::formatBytes(bytesWritten) + QStringLiteral(" written");
    if (known(speedKBps)) {
        const double oneX = dvd ? double(kDRDeviceBurnSpeedDVD1x) : double(kDRDeviceBurnSpeedCD1x);
        parts << QString::number(speedKBps / oneX, 'f', 1) + u'x';
        if (speedKBps > 0 && known(bytesWritten) && known(bytesTotal) && bytesTotal > 0) {
            const double left = std::max(0.0, bytesTotal - bytesWritten);
            // Whole seconds, rounded up, so the line reaches 0:00 only at the end.
            parts << duration(static_cast<qint64>(std::ceil(left / (speedKBps * 1000)))) + QStringLiteral(" left");
        }
    }
    return parts.join(QStringLiteral("  \u00b7  "));
}

QString Text(const CFDictionaryRef& status, bool dvd)
{
    return Text(number(status, kKestrowStatusBytesWrittenKey), number(status, kKestrowStatusBytesTotalKey), number(status, kKestrowStatusCurrentSpeedKey), dvd);
}

} // namespace BurnDetails
