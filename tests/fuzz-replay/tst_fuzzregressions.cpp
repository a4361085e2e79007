// Every input kept under data/fuzz-regressions/<target>/ broke a reader once
// (its name says what it broke); each must now go through its fuzz target
// without a crash, an abort of the target's own checks, or a hang. The seed
// corpora under fuzz/corpus/ run too, so the targets stay working in the
// normal build. Under `make sanitize` the sanitizers check every input.

#include "fuzztargets.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTest>

#include <cstdint>

namespace
{

using Target = int (*)(const std::uint8_t*, std::size_t);

struct NamedTarget {
    const char* folder;
    Target function;
};

const NamedTarget kTargets[] = {
    { "settingstext", &KestrowFuzz::settingsText },
    { "settingsplist", &KestrowFuzz::settingsPlist },
    { "propertylist", &KestrowFuzz::propertyList },
    { "prefsmod", &KestrowFuzz::prefsMod },
    { "albumdata", &KestrowFuzz::albumData },
};

// The fuzzers' own limit for one input (run.sh's -timeout), kept here with
// room for a sanitizer build.
constexpr qint64 kMaxMilliseconds = 10'000;

} // namespace

class TestFuzzRegressions : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { KestrowFuzz::initialize(); }

    void replay_data()
    {
        QTest::addColumn<int>("target");
        QTest::addColumn<QString>("path");
        const QString regressions = QStringLiteral(KESTROW_TEST_SOURCE_DIR "/data/fuzz-regressions/");
        const QString seeds = QStringLiteral(KESTROW_SOURCE_DIR "/fuzz/corpus/");
        for (int t = 0; t < int(std::size(kTargets)); ++t) {
            const QString folder = QString::fromLatin1(kTargets[t].folder);
            for (const QString& base : { regressions, seeds }) {
                const QDir dir(base + folder);
                for (const QFileInfo& file : dir.entryInfoList(QDir::Files, QDir::Name)) {
                    if (file.suffix() == QLatin1String("md"))
                        continue;
                    const bool regression = base == regressions;
                    const QString row = (regression ? QStringLiteral("regression ") : QStringLiteral("seed ")) + folder + QLatin1Char('/') + file.fileName();
                    QTest::newRow(qPrintable(row)) << t << file.filePath();
                }
            }
        }
    }

    void replay()
    {
        QFETCH(int, target);
        QFETCH(QString, path);
        QFile file(path);
        QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(file.errorString()));
        const QByteArray bytes = file.readAll();
        QElapsedTimer timer;
        timer.start();
        QCOMPARE(kTargets[target].function(reinterpret_cast<const std::uint8_t*>(bytes.constData()), std::size_t(bytes.size())), 0);
        QVERIFY2(timer.elapsed() < kMaxMilliseconds, qPrintable(QStringLiteral("took %1 ms").arg(timer.elapsed())));
    }
};

QTEST_GUILESS_MAIN(TestFuzzRegressions)
#include "tst_fuzzregressions.moc"
