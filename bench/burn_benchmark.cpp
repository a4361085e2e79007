// One session of a generated tree (about 20,000 small files in nested folders
// and a few files of 50 to 100 MB) written to a disc image through the device
// object, against `xorriso -outdev IMAGE -map TREE /` on the same tree.
// Runs alternate; the median of the ratios (ours / xorriso's wall time) is
// reported. Usage: burn_benchmark [rounds] [work folder]

#include "burner/ccallbackinterface.h"
#include "burner/ccdr.h"
#include "burner/drconstants.h"
#include "burner/isoburnservice.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cstdio>

namespace {

struct EndWatcher final : CCallBackInterface {
    void CBGotMedia(const QString& name, const CFDictionaryRef& info) override
    {
        if (name != kDRBurnStatusChangedNotification)
            return;
        const CFStringRef state = info->stringValue(kDRStatusStateKey);
        if (info->containsKey(kDRErrorStatusKey))
            failed = true;
        if (failed || (state && state->value() == kDRStatusStateDone))
            ended = true;
    }
    bool ended = false;
    bool failed = false;
};

void makeTree(const QString& root)
{
    QRandomGenerator random(20240611);
    int files = 0;
    for (int a = 0; a < 20; ++a) {
        for (int b = 0; b < 20; ++b) {
            const QString dir = QStringLiteral("%1/set%2/part%3").arg(root).arg(a).arg(b);
            QDir().mkpath(dir);
            for (int c = 0; c < 50; ++c, ++files) {
                QFile f(QStringLiteral("%1/file%2.dat").arg(dir).arg(c));
                f.open(QIODevice::WriteOnly);
                QByteArray bytes(512 + static_cast<int>(random.bounded(4096)), Qt::Uninitialized);
                for (char& ch : bytes)
                    ch = static_cast<char>(random.bounded(256));
                f.write(bytes);
            }
        }
    }
    const int bigSizes[] = { 50, 75, 100, 60 };
    QByteArray chunk(1024 * 1024, Qt::Uninitialized);
    for (int i = 0; i < 4; ++i) {
        QFile f(QStringLiteral("%1/big%2.bin").arg(root).arg(i));
        f.open(QIODevice::WriteOnly);
        for (int m = 0; m < bigSizes[i]; ++m) {
            for (int k = 0; k < chunk.size(); k += 4)
                *reinterpret_cast<quint32*>(chunk.data() + k) = random.generate();
            f.write(chunk);
        }
    }
    std::printf("tree: %d small files, 4 large files (285 MB)\n", files);
}

double runOurs(const QString& tree, const QString& image)
{
    QFile::remove(image);
    QElapsedTimer timer;
    timer.start();
    EndWatcher watcher;
    {
        CCDR cdr(IsoburnService::createImageDevice(image));
        cdr.RegisterForCallback(&watcher);
        const QStringList entries = QDir(tree).entryList(QDir::AllEntries | QDir::NoDotAndDotDot, QDir::Name);
        for (const QString& entry : entries)
            cdr.AddItem(QFileInfo(QDir(tree).filePath(entry)));
        cdr.Burn(1, false, false, false, false);
        if (!QTest::qWaitFor([&] { return watcher.ended; }, 600000) || watcher.failed)
            std::printf("our burn failed\n");
        cdr.UnRegisterForCallback(&watcher);
    }
    return timer.nsecsElapsed() / 1e9;
}

double runXorriso(const QString& tree, const QString& image)
{
    QFile::remove(image);
    QElapsedTimer timer;
    timer.start();
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(QStringLiteral("xorriso"), { QStringLiteral("-outdev"), image, QStringLiteral("-map"), tree, QStringLiteral("/") });
    if (!p.waitForFinished(600000) || p.exitCode() != 0)
        std::printf("xorriso failed\n");
    return timer.nsecsElapsed() / 1e9;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(1, atoi(argv[1])) : 5;
    QTemporaryDir scratch(argc > 2 ? QString::fromLocal8Bit(argv[2]) + QStringLiteral("/burnbench-XXXXXX") : QDir::tempPath() + QStringLiteral("/burnbench-XXXXXX"));
    const QString tree = scratch.filePath(QStringLiteral("tree"));
    const QString image = scratch.filePath(QStringLiteral("image.iso"));
    makeTree(tree);

    QVector<double> ratios;
    for (int round = 0; round < rounds; ++round) {
        // Alternate which side goes first, so neither always meets a warm cache.
        double ours = 0;
        double theirs = 0;
        if (round % 2 == 0) {
            ours = runOurs(tree, image);
            theirs = runXorriso(tree, image);
        } else {
            theirs = runXorriso(tree, image);
            ours = runOurs(tree, image);
        }
        ratios.append(ours / theirs);
        std::printf("round %d: ours %.2f s, xorriso %.2f s, ratio %.2f\n", round + 1, ours, theirs, ours / theirs);
        std::fflush(stdout);
    }
    std::sort(ratios.begin(), ratios.end());
    std::printf("median ratio: %.2f\n", ratios.at(ratios.size() / 2));
    return 0;
}
