// The details line under the burn status: data written of total, the speed
// against the disc's 1x and the time left, and what is left out when the
// burner layer cannot tell.

#include "burner/drconstants.h"
#include "mainwindow/burndetails.h"

#include <QTest>

#include <cmath>
#include <limits>

class TestBurnDetails : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void text_data()
    {
        QTest::addColumn<double>("written");
        QTest::addColumn<double>("total");
        QTest::addColumn<double>("speed");
        QTest::addColumn<bool>("dvd");
        QTest::addColumn<QString>("expected");
        const double nan = std::numeric_limits<double>::quiet_NaN();
        const double inf = std::numeric_limits<double>::infinity();
        // 600 MB at 8 x 176.4 kB/s: 425.2 s, rounded up.
        QTest::newRow("CD 8x") << 100e6 << 700e6 << 1411.2 << false << QStringLiteral("100m of 700m  \u00b7  8.0x  \u00b7  7:06 left");
        // The same speed is 1.0x on a DVD.
        QTest::newRow("DVD 1x") << 1e9 << 4.7e9 << 1385.0 << true << QStringLiteral("1g of 4.7g  \u00b7  1.0x  \u00b7  44:32 left");
        QTest::newRow("DVD 4x") << 1e9 << 4.7e9 << 5540.0 << true << QStringLiteral("1g of 4.7g  \u00b7  4.0x  \u00b7  11:08 left");
        QTest::newRow("CD 1x over an hour") << 0.0 << 700e6 << 176.4 << false << QStringLiteral("0k of 700m  \u00b7  1.0x  \u00b7  1:06:09 left");
        QTest::newRow("CD 52x fraction") << 350e6 << 700e6 << 9172.8 << false << QStringLiteral("350m of 700m  \u00b7  52.0x  \u00b7  0:39 left");
        QTest::newRow("all written") << 700e6 << 700e6 << 1411.2 << false << QStringLiteral("700m of 700m  \u00b7  8.0x  \u00b7  0:00 left");
        QTest::newRow("written past total") << 701e6 << 700e6 << 1411.2 << false << QStringLiteral("700m of 700m  \u00b7  8.0x  \u00b7  0:00 left");
        QTest::newRow("stalled: no time left") << 350e6 << 700e6 << 0.0 << false << QStringLiteral("350m of 700m  \u00b7  0.0x");
        QTest::newRow("speed unknown") << 350e6 << 700e6 << -1.0 << false << QStringLiteral("350m of 700m");
        QTest::newRow("speed NaN") << 350e6 << 700e6 << nan << false << QStringLiteral("350m of 700m");
        QTest::newRow("speed infinite") << 350e6 << 700e6 << inf << false << QStringLiteral("350m of 700m");
        QTest::newRow("total unknown") << 350e6 << -1.0 << 1411.2 << false << QStringLiteral("350m written  \u00b7  8.0x");
        QTest::newRow("total zero") << 0.0 << 0.0 << -1.0 << false << QStringLiteral("0k written");
        QTest::newRow("nothing known") << -1.0 << -1.0 << -1.0 << false << QString();
        QTest::newRow("all NaN") << nan << nan << nan << true << QString();
    }
    void text()
    {
        QFETCH(double, written);
        QFETCH(double, total);
        QFETCH(double, speed);
        QFETCH(bool, dvd);
        QFETCH(QString, expected);
        QCOMPARE(BurnDetails::Text(written, total, speed, dvd), expected);
    }

    // The layer's keys are what the sheet reads; a status without them (a
    // layer that cannot tell, a state other than writing) gives no line.
    void fromStatus()
    {
        CFMutableDictionaryRef status = CFMutableDictionary::create();
        status->setString(kDRStatusStateKey, kDRStatusStateTrackWrite);
        status->setReal(kDRStatusPercentCompleteKey, 0.5);
        QCOMPARE(BurnDetails::Text(status, false), QString());
        QCOMPARE(BurnDetails::Text(CFDictionaryRef(), false), QString());
        status->setReal(kKestrowStatusBytesWrittenKey, 350e6);
        status->setReal(kKestrowStatusBytesTotalKey, 700e6);
        QCOMPARE(BurnDetails::Text(status, false), QStringLiteral("350m of 700m"));
        status->setReal(kKestrowStatusCurrentSpeedKey, 2770.0);
        QCOMPARE(BurnDetails::Text(status, true), QStringLiteral("350m of 700m  \u00b7  2.0x  \u00b7  2:07 left"));
        // A mistyped value counts as unknown.
        status->setString(kKestrowStatusCurrentSpeedKey, QStringLiteral("fast"));
        QCOMPARE(BurnDetails::Text(status, true), QStringLiteral("350m of 700m"));
    }
};

QTEST_GUILESS_MAIN(TestBurnDetails)
#include "tst_burndetails.moc"
