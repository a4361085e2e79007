// Burn list benchmarks:
//  1. scanning a generated tree of about 100,000 entries with CFileToBurn
//     against `du -s -b --apparent-size` on the same tree (alternating runs,
//     median ratio; goal at most 1.5);
//  2. recomputing the total of 10,000 rows (median; goal under 5 ms).
// Usage: burnlist_bench [entries]   (runs offscreen; needs `du`)

#include "burnlist/cfiletoburn.h"
#include "burnlist/csuperlist.h"
#include "burnlist/fileindex.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// Folders of 50 files, 20 folders per level, until `entries` are made.
void makeTree(const QString& root, int entries)
{
    int made = 0;
    int folder = 0;
    while (made < entries) {
        const QString dir = root + QStringLiteral("/d%1/e%2").arg(folder / 20).arg(folder % 20);
        QDir().mkpath(dir);
        made += 2;
        for (int i = 0; i < 50 && made < entries; ++i, ++made) {
            QFile f(dir + QStringLiteral("/f%1.txt").arg(i));
            if (f.open(QIODevice::WriteOnly))
                f.write(QByteArray(i * 37 % 4000, 'x'));
        }
        ++folder;
    }
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int entries = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 100000;

    QTemporaryDir dir;
    const QString tree = dir.filePath(QStringLiteral("tree"));
    makeTree(tree, entries);
    std::printf("tree of about %d entries in %s\n", entries, qPrintable(tree));

    std::vector<double> ours, du, ratios;
    for (int round = 0; round < 7; ++round) {
        QElapsedTimer t;
        t.start();
        auto item = CFileToBurn::Create(tree);
        const double a = t.nsecsElapsed() / 1e6;
        Globals::FileIndex().clear();

        t.restart();
        QProcess p;
        p.start(QStringLiteral("du"), { QStringLiteral("-s"), QStringLiteral("-b"), QStringLiteral("--apparent-size"), tree });
        p.waitForFinished(-1);
        const double b = t.nsecsElapsed() / 1e6;
        ours.push_back(a);
        du.push_back(b);
        ratios.push_back(a / b);
        std::printf("round %d: scan %.1f ms (%d entries), du %.1f ms, ratio %.2f\n", round, a, item->FileCount, b, a / b);
    }
    std::printf("scan median %.1f ms, du median %.1f ms, median ratio %.2f (goal <= 1.5)\n", median(ours), median(du), median(ratios));

    CSuperList list;
    const QString file = dir.filePath(QStringLiteral("one.txt"));
    QFile f(file);
    if (f.open(QIODevice::WriteOnly))
        f.write("hello");
    f.close();
    for (int i = 0; i < 10000; ++i)
        list.AddItemRow(CFileToBurn::Create(file)->GetUniqueID());
    std::vector<double> totals;
    for (int round = 0; round < 21; ++round) {
        QElapsedTimer t;
        t.start();
        const auto total = list.ComputeTotal(1e9);
        totals.push_back(t.nsecsElapsed() / 1e6);
        if (round == 0)
            std::printf("%s\n", qPrintable(total.text));
    }
    std::printf("total of 10,000 rows: median %.2f ms (goal < 5 ms)\n", median(totals));
    return 0;
}
