#include "settings/date.h"

#include <QLocale>

#include <algorithm>
#include <cmath>

namespace
{

// Proleptic Gregorian day counts, after Howard Hinnant's "chrono-compatible
// low-level date algorithms": exact for every year, including year 0 and
// negative years, with plain integer arithmetic and no table.
qint64 daysFromCivil(qint64 y, qint64 m, qint64 d)
{
    y -= m <= 2 ? 1 : 0;
    const qint64 era = (y >= 0 ? y : y - 399) / 400;
    const qint64 yoe = y - era * 400;
    const qint64 doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const qint64 doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

void civilFromDays(qint64 z, qint64& y, int& m, int& d)
{
    z += 719468;
    const qint64 era = (z >= 0 ? z : z - 146096) / 146097;
    const qint64 doe = z - era * 146097;
    const qint64 yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const qint64 doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const qint64 mp = (5 * doy + 2) / 153;
    d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    y = yoe + era * 400 + (m <= 2 ? 1 : 0);
}

qint64 floorDiv(qint64 a, qint64 b)
{
    qint64 q = a / b;
    if ((a % b != 0) && ((a < 0) != (b < 0)))
        --q;
    return q;
}

const qint64 kEpochDays = daysFromCivil(1904, 1, 1);
constexpr qint64 kSecondsPerDay = 86400;
// About 31.7 million years either way: far beyond any real date, small enough
// that every field fits an int and a double still holds whole seconds exactly.
constexpr double kMaxTotalSeconds = 1e15;

} // namespace

Date::Date(int year, int month, int day, int hour, int minute, int second) { setFields(year, month, day, hour, minute, second); }

Date Date::now() { return fromQDateTime(QDateTime::currentDateTime()); }

Date Date::fromTotalSeconds(double totalSeconds)
{
    Date d;
    d.SetTotalSeconds(totalSeconds);
    return d;
}

Date Date::fromQDateTime(const QDateTime& moment)
{
    const QDateTime local = moment.toLocalTime();
    const QDate date = local.date();
    const QTime time = local.time();
    // QDate has no year 0: its year -1 is the year 0 of the day arithmetic here.
    const int year = date.year() < 0 ? date.year() + 1 : date.year();
    return Date(year, date.month(), date.day(), time.hour(), time.minute(), time.second());
}

void Date::SetTotalSeconds(double totalSeconds)
{
    if (std::isnan(totalSeconds))
        totalSeconds = 0;
    m_totalSeconds = std::clamp(totalSeconds, -kMaxTotalSeconds, kMaxTotalSeconds);
}

Date::Fields Date::fields() const
{
    const auto whole = static_cast<qint64>(std::floor(m_totalSeconds));
    const qint64 days = floorDiv(whole, kSecondsPerDay);
    const qint64 secondsOfDay = whole - days * kSecondsPerDay;
    Fields f {};
    civilFromDays(days + kEpochDays, f.year, f.month, f.day);
    f.hour = static_cast<int>(secondsOfDay / 3600);
    f.minute = static_cast<int>(secondsOfDay / 60 % 60);
    f.second = static_cast<int>(secondsOfDay % 60);
    return f;
}

void Date::setFields(qint64 year, qint64 month, qint64 day, qint64 hour, qint64 minute, qint64 second)
{
    // Inputs come from ints, so every intermediate value stays far inside qint64.
    year += floorDiv(month - 1, 12);
    month = month - 1 - floorDiv(month - 1, 12) * 12 + 1;
    const qint64 days = daysFromCivil(year, month, 1) + (day - 1) - kEpochDays;
    const qint64 seconds = days * kSecondsPerDay + hour * 3600 + minute * 60 + second;
    SetTotalSeconds(static_cast<double>(seconds));
}

int Date::Year() const { return static_cast<int>(fields().year); }
int Date::Month() const { return fields().month; }
int Date::Day() const { return fields().day; }
int Date::Hour() const { return fields().hour; }
int Date::Minute() const { return fields().minute; }
int Date::Second() const { return fields().second; }

void Date::SetYear(int year)
{
    const Fields f = fields();
    setFields(year, f.month, f.day, f.hour, f.minute, f.second);
}

void Date::SetMonth(int month)
{
    const Fields f = fields();
    setFields(f.year, month, f.day, f.hour, f.minute, f.second);
}

void Date::SetDay(int day)
{
    const Fields f = fields();
    setFields(f.year, f.month, day, f.hour, f.minute, f.second);
}

void Date::SetHour(int hour)
{
    const Fields f = fields();
    setFields(f.year, f.month, f.day, hour, f.minute, f.second);
}

void Date::SetMinute(int minute)
{
    const Fields f = fields();
    setFields(f.year, f.month, f.day, f.hour, minute, f.second);
}

void Date::SetSecond(int second)
{
    const Fields f = fields();
    setFields(f.year, f.month, f.day, f.hour, f.minute, second);
}

QDate Date::toQDate() const
{
    const Fields f = fields();
    const auto year = static_cast<int>(f.year <= 0 ? f.year - 1 : f.year);
    return QDate(year, f.month, f.day);
}

QDateTime Date::toQDateTime() const
{
    const Fields f = fields();
    return QDateTime(toQDate(), QTime(f.hour, f.minute, f.second), Qt::LocalTime);
}

QString Date::ShortDate() const { return QLocale().toString(toQDate(), QLocale::ShortFormat); }

QString Date::LongDate() const { return QLocale().toString(toQDate(), QLocale::LongFormat); }
