// Renders the photo window (after loading a small generated library, with a
// roll selected and a preview shown), its loading sheet and the About window
// to PNG files, for looking at the layout.
//
// usage: photo_screenshots OUTDIR [GENERATOR]
// Run under a display (xvfb-run -a) or with QT_QPA_PLATFORM=offscreen.

#include "about/aboutbox.h"
#include "app/globalpictures.h"
#include "burnlist/csuperlist.h"
#include "photobackup/iphotowindow.h"
#include "photobackup/loadingsheet.h"
#include "photobackup/stripedlistbox.h"
#include "settings/propertylist.h"
#include "settings/usermessage.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QListWidget>
#include <QProcess>
#include <QStandardPaths>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>

int main(int argc, char** argv)
{
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 2) {
        std::fprintf(stderr, "usage: photo_screenshots OUTDIR [GENERATOR]\n");
        return 2;
    }
    const QDir out(args.at(1));
    QDir().mkpath(out.path());
    const QString generator = args.size() > 2 ? args.at(2) : QStringLiteral(KESTROW_SOURCE_DIR "/../shared/tools/gen_albumdata.py");
    UserMessage::setHandler([](const QString& text) { std::fprintf(stderr, "message: %s\n", qPrintable(text)); });
    Globals::BuildPictures();

    QTemporaryDir libraryDir;
    const QString library = libraryDir.filePath(QStringLiteral("iPhoto Library"));
    QDir().mkpath(library);
    if (QProcess::execute(QStringLiteral("python3"), { generator, QStringLiteral("600"), library + QStringLiteral("/AlbumData.xml"), QStringLiteral("--files") }) != 0)
        return 1;
    auto prefs = CFMutableDictionary::create();
    prefs->setString(QStringLiteral("RootDirectory"), library);
    const QString prefsFolder = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    QDir().mkpath(prefsFolder);
    QFile prefsFile(QDir(prefsFolder).filePath(QStringLiteral("com.apple.iPhoto.plist")));
    if (!prefsFile.open(QIODevice::WriteOnly) || prefsFile.write(PropertyList::toXmlData(prefs)) <= 0)
        return 1;
    prefsFile.close();

    auto save = [&out](QWidget* widget, const QString& name) {
        const QString path = out.filePath(name);
        widget->grab().save(path);
        std::printf("%s\n", qPrintable(path));
    };

    CSuperList burnList;
    IPhotoWindow* window = IPhotoWindow::ShowShared(&burnList, nullptr);
    if (!window)
        return 1;
    QTest::qWait(200);
    save(window, QStringLiteral("photo-window-dates.png"));

    window->TabPanel1->setCurrentIndex(1);
    window->RollsListbox->item(1)->setSelected(true);
    window->RollsListbox->item(2)->setSelected(true);
    QTest::qWait(700);
    window->SelectedImagesListbox->setCurrentRow(2);
    QTest::qWait(100);
    save(window, QStringLiteral("photo-window-rolls.png"));

    window->TabPanel1->setCurrentIndex(2);
    window->AlbumListbox->item(window->AlbumListbox->count() - 1)->setSelected(true);
    QTest::qWait(200);
    save(window, QStringLiteral("photo-window-albums.png"));

    auto* sheet = new LoadingSheet(window); // goes with the window
    sheet->show();
    QTest::qWait(200);
    save(sheet, QStringLiteral("loading-sheet.png"));
    sheet->Finish();
    window->close();

    AboutBox* about = AboutBox::ShowShared(QUrl::fromLocalFile(QStringLiteral("/usr/share/kestrow/manual.html")));
    QTest::qWait(200);
    save(about, QStringLiteral("about-window.png"));
    return 0;
}
