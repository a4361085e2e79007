#include "burnlist/formatbytes.h"

#include <QTest>

class TestFormatBytes : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void formatBytes_data();
    void formatBytes();
};

void TestFormatBytes::formatBytes_data()
{
    QTest::addColumn<double>("bytes");
    QTest::addColumn<QString>("text");

    // k: at most one decimal, no grouping.
    QTest::newRow("zero") << 0.0 << QStringLiteral("0k");
    QTest::newRow("below one decimal") << 40.0 << QStringLiteral("0k");
    QTest::newRow("below 1k") << 500.0 << QStringLiteral("0.5k");
    QTest::newRow("exactly 1k") << 1000.0 << QStringLiteral("1k");
    QTest::newRow("1536") << 1536.0 << QStringLiteral("1.5k");
    QTest::newRow("5120") << 5120.0 << QStringLiteral("5.1k");
    QTest::newRow("70 bytes of an empty folder") << 70.0 << QStringLiteral("0.1k");
    QTest::newRow("largest k") << 999999.0 << QStringLiteral("1000k");
    QTest::newRow("999.9k") << 999900.0 << QStringLiteral("999.9k");
    // m: up to two decimals.
    QTest::newRow("first m") << 1000000.0 << QStringLiteral("1m");
    QTest::newRow("2.5m") << 2500000.0 << QStringLiteral("2.5m");
    QTest::newRow("two decimals") << 1234567.0 << QStringLiteral("1.23m");
    QTest::newRow("blank CD-R") << 736966656.0 << QStringLiteral("736.97m");
    QTest::newRow("largest m rounds within m") << 999999999.0 << QStringLiteral("1,000m");
    // g: up to two decimals, grouped thousands.
    QTest::newRow("first g") << 1000000000.0 << QStringLiteral("1g");
    QTest::newRow("4.7g") << 4700000000.0 << QStringLiteral("4.7g");
    QTest::newRow("grouped g") << 1234567890123.0 << QStringLiteral("1,234.57g");
    QTest::newRow("two groups") << 1234567000000000.0 << QStringLiteral("1,234,567g");
    // Out of range input still gives a text.
    QTest::newRow("negative") << -1536.0 << QStringLiteral("-1.5k");
    QTest::newRow("nan") << qQNaN() << QStringLiteral("0k");
}

void TestFormatBytes::formatBytes()
{
    QFETCH(double, bytes);
    QFETCH(QString, text);
    QCOMPARE(Globals::formatBytes(bytes), text);
}

QTEST_GUILESS_MAIN(TestFormatBytes)
#include "tst_formatbytes.moc"
