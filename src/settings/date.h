#pragma once

// The program's date value: a local wall-clock moment with the six fields
// Year, Month, Day, Hour, Minute, Second and a total-seconds value counted in
// local wall-clock time from 1904-01-01 00:00:00 (no time zone or daylight
// saving shift enters the count: a day is always 86,400 seconds).
//
// Setting a field normalises the others the way a calendar does: month 13 is
// January of the next year, day 0 the last day of the previous month, hour 24
// midnight of the next day. Years follow the proleptic Gregorian calendar.
//
// A plain value type: copy it freely; any thread.

#include <QDateTime>
#include <QString>

#include <compare>

class Date
{
public:
    // 1904-01-01 00:00:00 (total seconds 0).
    Date() = default;
    // The fields may lie outside their usual ranges; they are normalised.
    Date(int year, int month, int day, int hour = 0, int minute = 0, int second = 0);

    // The current local date and time, whole seconds.
    [[nodiscard]] static Date now();
    [[nodiscard]] static Date fromTotalSeconds(double totalSeconds);
    // The local wall-clock fields of the moment (converted to local time first).
    [[nodiscard]] static Date fromQDateTime(const QDateTime& moment);

    [[nodiscard]] int Year() const;
    [[nodiscard]] int Month() const;
    [[nodiscard]] int Day() const;
    [[nodiscard]] int Hour() const;
    [[nodiscard]] int Minute() const;
    [[nodiscard]] int Second() const;
    void SetYear(int year);
    void SetMonth(int month);
    void SetDay(int day);
    void SetHour(int hour);
    void SetMinute(int minute);
    void SetSecond(int second);

    // Seconds since 1904-01-01 00:00:00 local wall-clock time; may carry a
    // fraction. Out-of-range or non-finite values are clamped to about
    // +/- 30 million years.
    [[nodiscard]] double TotalSeconds() const { return m_totalSeconds; }
    void SetTotalSeconds(double totalSeconds);

    // The date (without time) in the user's locale, short and long form.
    [[nodiscard]] QString ShortDate() const;
    [[nodiscard]] QString LongDate() const;

    // The same wall-clock fields as a local QDateTime. A wall-clock time that
    // a daylight-saving change skips becomes whatever Qt makes of it.
    [[nodiscard]] QDateTime toQDateTime() const;
    [[nodiscard]] QDate toQDate() const;

    friend bool operator==(const Date& a, const Date& b) { return a.m_totalSeconds == b.m_totalSeconds; }
    friend std::partial_ordering operator<=>(const Date& a, const Date& b) { return a.m_totalSeconds <=> b.m_totalSeconds; }

private:
    struct Fields {
        qint64 year;
        int month, day, hour, minute, second;
    };
    [[nodiscard]] Fields fields() const;
    void setFields(qint64 year, qint64 month, qint64 day, qint64 hour, qint64 minute, qint64 second);

    double m_totalSeconds = 0;
};
