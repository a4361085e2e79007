// Opens the photo window on a generated library of 50,000 images (53 MB of
// album data) and times it against Python's plistlib reading the same file;
// then times a date-range selection over every image, and reports how long
// the event loop went unserved during the opening and the peak memory.
//
// usage: photo_benchmark [IMAGES] [GENERATOR]
//   IMAGES     images in the generated library (default 50000)
//   GENERATOR  path of gen_albumdata.py (default: the shared tools folder
//              beside the source tree)
// Runs with any Qt platform; QT_QPA_PLATFORM=offscreen needs no display.

#include "photobackup/iphotowindow.h"
#include "photobackup/monthcalendar.h"
#include "settings/propertylist.h"
#include "settings/usermessage.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGroupBox>
#include <QListWidget>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include <sys/resource.h>

namespace {

double medianOf(QVector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.isEmpty() ? -1 : values.at(values.size() / 2);
}

long peakKilobytes()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

long currentKilobytes()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    }
    return -1;
}

} // namespace

int main(int argc, char** argv)
{
    // The preference folder must be a private one before Qt reads it.
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    const QString images = args.size() > 1 ? args.at(1) : QStringLiteral("50000");
    const QString generator = args.size() > 2 ? args.at(2) : QStringLiteral(KESTROW_SOURCE_DIR "/../shared/tools/gen_albumdata.py");
    const QString python = QStandardPaths::findExecutable(QStringLiteral("python3"));
    if (python.isEmpty() || !QFile::exists(generator)) {
        std::fprintf(stderr, "needs python3 and %s\n", qPrintable(generator));
        return 2;
    }
    UserMessage::setHandler([](const QString& text) { std::fprintf(stderr, "message: %s\n", qPrintable(text)); });

    QTemporaryDir libraryDir;
    const QString library = libraryDir.filePath(QStringLiteral("iPhoto Library"));
    QDir().mkpath(library);
    const QString albumData = library + QStringLiteral("/AlbumData.xml");
    QProcess gen;
    gen.start(python, { generator, images, albumData });
    if (!gen.waitForFinished(600000) || gen.exitCode() != 0) {
        std::fprintf(stderr, "the generator failed: %s\n", gen.readAllStandardError().constData());
        return 1;
    }
    std::printf("%s", gen.readAllStandardOutput().constData());

    auto prefs = CFMutableDictionary::create();
    prefs->setString(QStringLiteral("RootDirectory"), library);
    QDir().mkpath(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation));
    QFile prefsFile(QDir(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)).filePath(QStringLiteral("com.apple.iPhoto.plist")));
    if (!prefsFile.open(QIODevice::WriteOnly) || prefsFile.write(PropertyList::toXmlData(prefs)) <= 0)
        return 1;
    prefsFile.close();

    // Python's reading of the same file, interpreter start included.
    const int runs = 3;
    QVector<double> pythonMs;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        QProcess py;
        py.start(python, { QStringLiteral("-c"), QStringLiteral("import plistlib,sys; plistlib.load(open(sys.argv[1],'rb'))"), albumData });
        if (!py.waitForFinished(600000) || py.exitCode() != 0) {
            std::fprintf(stderr, "plistlib failed\n");
            return 1;
        }
        pythonMs.append(static_cast<double>(timer.nsecsElapsed()) / 1e6);
    }

    const long rssBefore = currentKilobytes();
    QVector<double> openMs, gapMs;
    QVector<double> firstDateMs, againDateMs;
    qsizetype selected = 0;
    QString caption;
    for (int i = 0; i < runs; ++i) {
        // A 10 ms ticker on the main thread: the longest wait between its
        // ticks is how long the user's input would have gone unanswered.
        QElapsedTimer sinceTick;
        double longestGap = 0;
        QTimer ticker;
        ticker.setInterval(10);
        QObject::connect(&ticker, &QTimer::timeout, [&] {
            longestGap = std::max(longestGap, static_cast<double>(sinceTick.nsecsElapsed()) / 1e6);
            sinceTick.restart();
        });
        ticker.start();
        sinceTick.start();

        QElapsedTimer timer;
        timer.start();
        IPhotoWindow* window = IPhotoWindow::ShowShared(nullptr, nullptr);
        openMs.append(static_cast<double>(timer.nsecsElapsed()) / 1e6);
        longestGap = std::max(longestGap, static_cast<double>(sinceTick.nsecsElapsed()) / 1e6);
        ticker.stop();
        gapMs.append(longestGap);
        if (!window || window->RollsListbox->count() == 0 || window->AlbumListbox->count() == 0) {
            std::fprintf(stderr, "the window did not open with filled lists\n");
            return 1;
        }

        // Every image: from 1900 to 2100, set without a build each, then
        // built once (the first build also reads every file's length).
        window->StartSelectionDate->blockSignals(true);
        window->EndSelectionDate->blockSignals(true);
        window->StartSelectionDate->setSelectedDate(QDate(1905, 1, 1));
        window->EndSelectionDate->setSelectedDate(QDate(2100, 12, 31));
        for (QVector<double>* times : { &firstDateMs, &againDateMs }) {
            timer.restart();
            window->BuildSelectionByDates();
            times->append(static_cast<double>(timer.nsecsElapsed()) / 1e6);
        }
        selected = window->SelectedImages.size();
        caption = window->SelectedGroupbox->title();
        window->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    const double py = medianOf(pythonMs);
    const double open = medianOf(openMs);
    std::printf("python plistlib.load                      median of %d: %8.1f ms\n", runs, py);
    std::printf("photo window open to filled lists         median of %d: %8.1f ms  (%.3f of Python's time, goal <= 0.15)\n", runs, open, open / py);
    std::printf("longest event-loop wait while opening     median of %d: %8.1f ms\n", runs, medianOf(gapMs));
    std::printf("date selection of all %lld images, first   median of %d: %8.1f ms  (goal < 50 ms)\n", static_cast<long long>(selected), runs, medianOf(firstDateMs));
    std::printf("date selection of all images, again       median of %d: %8.1f ms\n", runs, medianOf(againDateMs));
    std::printf("caption: %s\n", qPrintable(caption));
    std::printf("memory: %ld MB resident before opening, peak %ld MB (goal < 300 MB)\n", rssBefore / 1024, peakKilobytes() / 1024);
    return 0;
}
