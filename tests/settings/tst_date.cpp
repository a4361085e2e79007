// The date value: fields, calendar normalisation, the total-seconds scale in
// local wall-clock time, conversion from and to QDateTime, and the locale's
// text forms.

#include "settings/date.h"

#include <QLocale>
#include <QTest>

#include <ctime>
#include <limits>

class TestDate : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        // A zone with daylight saving: the scale must not see the shifts.
        qputenv("TZ", "Europe/Berlin");
        tzset();
    }

    void fieldsAndScale_data()
    {
        QTest::addColumn<QList<int>>("input");
        QTest::addColumn<QList<int>>("fields");
        QTest::addColumn<double>("totalSeconds");

        QTest::newRow("epoch") << QList<int> { 1904, 1, 1, 0, 0, 0 } << QList<int> { 1904, 1, 1, 0, 0, 0 } << 0.0;
        QTest::newRow("one day later") << QList<int> { 1904, 1, 2, 0, 0, 0 } << QList<int> { 1904, 1, 2, 0, 0, 0 } << 86400.0;
        QTest::newRow("one second before") << QList<int> { 1903, 12, 31, 23, 59, 59 } << QList<int> { 1903, 12, 31, 23, 59, 59 } << -1.0;
        QTest::newRow("2001-01-01") << QList<int> { 2001, 1, 1, 0, 0, 0 } << QList<int> { 2001, 1, 1, 0, 0, 0 } << 3061152000.0;
        QTest::newRow("afternoon") << QList<int> { 2005, 7, 4, 21, 5, 0 } << QList<int> { 2005, 7, 4, 21, 5, 0 } << 3203355900.0;
        QTest::newRow("month 13 is next January") << QList<int> { 2004, 13, 1, 0, 0, 0 } << QList<int> { 2005, 1, 1, 0, 0, 0 } << 3187382400.0;
        QTest::newRow("month 0 is last December") << QList<int> { 2005, 0, 15, 0, 0, 0 } << QList<int> { 2004, 12, 15, 0, 0, 0 } << 3185913600.0;
        QTest::newRow("day 0 is the last of the previous month") << QList<int> { 2004, 3, 0, 0, 0, 0 } << QList<int> { 2004, 2, 29, 0, 0, 0 } << 3160857600.0;
        QTest::newRow("29 February of a common year") << QList<int> { 2003, 2, 29, 0, 0, 0 } << QList<int> { 2003, 3, 1, 0, 0, 0 } << 3129321600.0;
        QTest::newRow("hour 24") << QList<int> { 2003, 12, 31, 24, 0, 0 } << QList<int> { 2004, 1, 1, 0, 0, 0 } << 3155760000.0;
        QTest::newRow("second -1") << QList<int> { 2004, 1, 1, 0, 0, -1 } << QList<int> { 2003, 12, 31, 23, 59, 59 } << 3155759999.0;
        QTest::newRow("all zero") << QList<int> { 0, 0, 0, 0, 0, 0 } << QList<int> { -1, 11, 30, 0, 0, 0 } << -60087139200.0;
    }

    void fieldsAndScale()
    {
        QFETCH(QList<int>, input);
        QFETCH(QList<int>, fields);
        QFETCH(double, totalSeconds);
        const Date date(input[0], input[1], input[2], input[3], input[4], input[5]);
        QCOMPARE(QList<int>({ date.Year(), date.Month(), date.Day(), date.Hour(), date.Minute(), date.Second() }), fields);
        QCOMPARE(date.TotalSeconds(), totalSeconds);
        QCOMPARE(Date::fromTotalSeconds(totalSeconds), date);
    }

    void setters()
    {
        Date date(2005, 1, 31, 10, 20, 30);
        date.SetMonth(2); // 31 February is 3 March
        QCOMPARE(QList<int>({ date.Year(), date.Month(), date.Day() }), QList<int>({ 2005, 3, 3 }));
        date.SetDay(32);
        QCOMPARE(QList<int>({ date.Month(), date.Day() }), QList<int>({ 4, 1 }));
        date.SetHour(23);
        date.SetMinute(59);
        date.SetSecond(60);
        QCOMPARE(QList<int>({ date.Month(), date.Day(), date.Hour(), date.Minute(), date.Second() }), QList<int>({ 4, 2, 0, 0, 0 }));
        date.SetYear(1999);
        QCOMPARE(QList<int>({ date.Year(), date.Month(), date.Day() }), QList<int>({ 1999, 4, 2 }));
    }

    void totalSecondsSetting()
    {
        Date date;
        QCOMPARE(date.TotalSeconds(), 0.0);
        date.SetTotalSeconds(3061152000.0 + 86399.5);
        QCOMPARE(QList<int>({ date.Year(), date.Month(), date.Day(), date.Hour(), date.Minute(), date.Second() }), QList<int>({ 2001, 1, 1, 23, 59, 59 }));
        QCOMPARE(date.TotalSeconds(), 3061152000.0 + 86399.5);

        date.SetTotalSeconds(std::numeric_limits<double>::quiet_NaN());
        QCOMPARE(date.TotalSeconds(), 0.0);
        date.SetTotalSeconds(std::numeric_limits<double>::infinity());
        QVERIFY(date.TotalSeconds() > 0);
        QVERIFY(date.Year() > 1000000);
        date.SetTotalSeconds(-std::numeric_limits<double>::infinity());
        QVERIFY(date.Year() < -1000000);
    }

    void wallClockAcrossDaylightSaving()
    {
        // 28 March 2021 lasted 23 hours in Berlin; on this scale every day is 86,400 s.
        const Date before(2021, 3, 28, 0, 0, 0);
        const Date after(2021, 3, 29, 0, 0, 0);
        QCOMPARE(after.TotalSeconds() - before.TotalSeconds(), 86400.0);

        const QDateTime local(QDate(2021, 3, 28), QTime(3, 30), Qt::LocalTime);
        const Date fromLocal = Date::fromQDateTime(local);
        QCOMPARE(QList<int>({ fromLocal.Hour(), fromLocal.Minute() }), QList<int>({ 3, 30 }));
        const Date fromUtc = Date::fromQDateTime(QDateTime(QDate(2021, 7, 1), QTime(10, 0), Qt::UTC));
        QCOMPARE(fromUtc.Hour(), 12);
        QCOMPARE(fromUtc.toQDateTime(), QDateTime(QDate(2021, 7, 1), QTime(12, 0), Qt::LocalTime));

        // A wall-clock time the change skips keeps its fields on this scale.
        const Date skipped(2021, 3, 28, 2, 30, 0);
        QCOMPARE(skipped.Hour(), 2);
        QCOMPARE(skipped.toQDate(), QDate(2021, 3, 28));
    }

    void now()
    {
        const QDateTime before = QDateTime::currentDateTime();
        const Date date = Date::now();
        const QDateTime after = QDateTime::currentDateTime();
        const QDateTime back = date.toQDateTime();
        QVERIFY(back >= before.addSecs(-1) && back <= after);
    }

    void textForms_data()
    {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QString>("shortDate");
        QTest::addColumn<QString>("longDate");
        QTest::newRow("en_US") << QLocale(QLocale::English, QLocale::UnitedStates) << "7/4/05"
                               << "Monday, July 4, 2005";
        QTest::newRow("de_DE") << QLocale(QLocale::German, QLocale::Germany) << "04.07.05"
                               << "Montag, 4. Juli 2005";
    }

    void textForms()
    {
        QFETCH(QLocale, locale);
        QFETCH(QString, shortDate);
        QFETCH(QString, longDate);
        const QLocale previous;
        QLocale::setDefault(locale);
        const Date date(2005, 7, 4, 21, 5, 0);
        const QString shortText = date.ShortDate();
        const QString longText = date.LongDate();
        QLocale::setDefault(previous);
        QCOMPARE(shortText, shortDate);
        QCOMPARE(longText, longDate);
    }

    void ordering()
    {
        QVERIFY(Date(2003, 1, 1) < Date(2004, 5, 1));
        QVERIFY(Date(2004, 5, 1, 10) > Date(2004, 5, 1, 9, 59, 59));
        QCOMPARE(Date(2004, 5, 1, 10), Date(2004, 4, 31, 10));
    }
};

QTEST_GUILESS_MAIN(TestDate)
#include "tst_date.moc"
