// Times PropertyList::fromData on a generated photo-library album file
// (median of 5 runs), then writing it back and reading one 50 MB line.
// Before the timing, one read of the album file reports its memory: the
// process's peak resident size (getrusage ru_maxrss, the file's bytes
// included, as a caller holds them while they are read) and what the objects
// keep once it returns (heap in use, and resident size).
//
// usage: bench_plist_parse [IMAGES|FILE.xml] [GENERATOR]
//   IMAGES     images in the album file (default 50000)
//   FILE.xml   an album file made before, instead of generating one
//   GENERATOR  path of gen_albumdata.py (default: the shared tools folder
//              beside the source tree)

#include "settings/propertylist.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <functional>

#include <malloc.h>
#include <sys/resource.h>
#include <unistd.h>

namespace {

double cpuMs()
{
    timespec ts {};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) * 1e3 + static_cast<double>(ts.tv_nsec) / 1e6;
}

struct Timing {
    double wallMs = -1; // median
    double cpuMs = -1; // median: what the machine's other load does not inflate
};

// before() runs outside the timed part (dropping the previous result).
Timing median(int runs, const std::function<bool()>& work, const std::function<void()>& before = [] {})
{
    QVector<double> wall, cpu;
    for (int i = 0; i < runs; ++i) {
        before();
        QElapsedTimer timer;
        const double cpuStart = cpuMs();
        timer.start();
        if (!work())
            return {};
        wall.append(static_cast<double>(timer.nsecsElapsed()) / 1e6);
        cpu.append(cpuMs() - cpuStart);
    }
    std::sort(wall.begin(), wall.end());
    std::sort(cpu.begin(), cpu.end());
    return { wall.at(runs / 2), cpu.at(runs / 2) };
}

double peakRssMB()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0; // kilobytes on Linux
}

double currentRssMB()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return -1;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    if (fields.size() < 2)
        return -1;
    return static_cast<double>(fields.at(1).toLongLong()) * static_cast<double>(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

// Bytes handed out by malloc and not freed: what live objects hold,
// without the free pages the allocator keeps.
double heapInUseMB()
{
    const struct mallinfo2 info = mallinfo2();
    return static_cast<double>(info.uordblks + info.hblkhd) / (1024.0 * 1024.0);
}

void print(const char* what, const Timing& t)
{
    std::printf("%-42s median of 5: %8.1f ms wall, %8.1f ms CPU\n", what, t.wallMs, t.cpuMs);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const QString images = args.size() > 1 ? args.at(1) : QStringLiteral("50000");
    const QString generator = args.size() > 2 ? args.at(2) : QStringLiteral(KESTROW_SOURCE_DIR "/../shared/tools/gen_albumdata.py");
    const QString python = QStandardPaths::findExecutable(QStringLiteral("python3"));
    if (python.isEmpty() || !QFile::exists(generator)) {
        std::fprintf(stderr, "needs python3 and %s\n", qPrintable(generator));
        return 2;
    }

    QTemporaryDir dir;
    QString albumPath = dir.filePath(QStringLiteral("AlbumData.xml"));
    if (images.endsWith(QStringLiteral(".xml"))) {
        albumPath = images;
    } else {
        QProcess gen;
        gen.start(python, { generator, images, albumPath });
        if (!gen.waitForFinished(600000) || gen.exitCode() != 0) {
            std::fprintf(stderr, "generator failed: %s\n", gen.readAllStandardError().constData());
            return 2;
        }
    }
    QFile file(albumPath);
    if (!file.open(QIODevice::ReadOnly))
        return 2;
    const QByteArray album = file.readAll();
    std::printf("album file: %s, %.1f MB\n", qPrintable(images), static_cast<double>(album.size()) / 1e6);

    CFObjectRef parsed;
    QString error;
    {
        const double rssBefore = currentRssMB();
        const double heapBefore = heapInUseMB();
        parsed = PropertyList::fromData(album, &error);
        if (!parsed) {
            std::fprintf(stderr, "parse failed: %s\n", qPrintable(error));
            return 1;
        }
        std::printf("fromData, album file: peak RSS %.0f MB (%.0f MB before, file bytes included); objects keep %.0f MB of heap, RSS after %.0f MB\n",
            peakRssMB(), rssBefore, heapInUseMB() - heapBefore, currentRssMB());
    }
    const Timing parse = median(
        5, [&] {
            parsed = PropertyList::fromData(album, &error);
            return parsed != nullptr;
        },
        [&] { parsed.reset(); });
    if (parse.wallMs < 0) {
        std::fprintf(stderr, "parse failed: %s\n", qPrintable(error));
        return 1;
    }
    print("fromData, album file", parse);

    QByteArray written;
    print("toXmlData, album object", median(5, [&] {
        written = PropertyList::toXmlData(parsed, &error);
        return !written.isEmpty();
    }));
    const bool same = PropertyList::fromData(written)->equals(*parsed);
    std::printf("written file reads back equal: %s\n", same ? "yes" : "NO");

    const QByteArray line = QByteArray(PropertyList::XmlDeclaration) + "<plist version=\"1.0\"><string>" + QByteArray(50'000'000, 'x') + "</string></plist>";
    print("fromData, one 50 MB line", median(5, [&] { return PropertyList::fromData(line, &error) != nullptr; }));

    const QByteArray deep = QByteArray(PropertyList::XmlDeclaration) + QByteArray("<array>").repeated(1'000'000) + QByteArray("</array>").repeated(1'000'000);
    print("fromData, 1,000,000 nested arrays (refused)", median(5, [&] { return PropertyList::fromData(deep, &error) == nullptr; }));
    return same ? 0 : 1;
}
